#!/usr/bin/env bash
# Speed of quernsum against peer tools and libraries, one algorithm at a time, on a file in
# the page cache; the ways of reading it (--read) against reading it alone; peak memory;
# 10,000 files of 4 KiB against md5sum; quernsum -c against
# md5sum -c and against hashing; a FAILED verdict decided by the digest's length against
# md5sum -c; the peak memory of -r over a deep tree; files in parallel (1,000 files of 1 MiB against -j 1) and
# three algorithms in one read (against rhash and the single algorithms); the GUI batch when
# its bench is built; the window over 20,000 and 100,000 files under Xvfb (time to idle and
# memory); the engine's in-memory figures.
#
# Usage: bench/run.sh [BUILD_DIR]
#   QUERNIX_BENCH_QUICK=1   a 256 MiB file instead of 1 GiB (MD2: 8 MiB instead of 32 MiB)
#   QUERNIX_BENCH_DIR=DIR   where the test files go (default: $TMPDIR/quernix-bench)
#   QUERNIX_GUI_BENCH=PATH  the GUI batch bench (default: BUILD_DIR/bench/gui/quernix_gui_bench)
#   QUERNIX_BENCH_ALGORITHMS=ALG,...  only these rows of the algorithm table (blake3:1 for
#                           blake3's row on one thread), and none of the other measurements
#
# The peers are Debian packages (scripts/install-deps.sh bench): openssl, rhash, 7zip,
# coreutils (md5sum ... sha512sum, b2sum), b3sum, xxhash (xxhsum), php-cli, and the drivers in
# bench/peers/, built here against libdeflate, ISA-L, libgcrypt, liblzma, Crypto++, Nettle and
# OpenSSL's libcrypto (the code behind `openssl dgst`); every driver reads the file in 64 KiB
# chunks. blake3 has a second row on one thread, `quernsum -j 1` against
# `b3sum --num-threads 1`; in its first row both use every core. Each peer's result is
# compared with quernsum's; a peer that disagrees is left out (HAVAL is the exception: Quernix
# pads with 0x80 where published HAVAL pads with 0x01, so the digests differ by design, and
# PHP's time still measures the same work).
#
# Each algorithm: one round over quernsum and every peer, then two more rounds over quernsum
# and the three fastest peers of the first round (one run can be unlucky); the table gives
# medians of three runs and the ratio of quernsum's speed to the fastest peer's (above 1:
# quernsum is faster).
#
# Writes bench/out/results.md (the table), results.tsv and chart.png (gnuplot).
set -euo pipefail
export LC_ALL=C

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
quernsum=$build/cli/quernsum
out=$root/bench/out
work=${QUERNIX_BENCH_DIR:-${TMPDIR:-/tmp}/quernix-bench}
peers=$build/bench/peers
mkdir -p "$out" "$work" "$peers"

if [ -n "${QUERNIX_BENCH_QUICK:-}" ]; then
  big_mib=256 md2_mib=8
else
  big_mib=1024 md2_mib=32
fi
[ -x "$quernsum" ] || { echo "no $quernsum: build first" >&2; exit 1; }

# Every algorithm quernsum has, in the order of its --list; "blake3:1" is blake3 on one thread.
mapfile -t algorithms < <("$quernsum" --list | awk '{ print $1 } $1 == "blake3" { print "blake3:1" }')
[ "${#algorithms[@]}" -gt 0 ] || { echo "$quernsum --list named no algorithm" >&2; exit 1; }
only=${QUERNIX_BENCH_ALGORITHMS:-}
if [ -n "$only" ]; then
  mapfile -t algorithms < <(printf '%s\n' "${algorithms[@]}" | grep -Fxf <(tr ',' '\n' <<< "$only"))
  [ "${#algorithms[@]}" -gt 0 ] || { echo "quernsum has none of $only" >&2; exit 1; }
fi
all_peers=(libdeflate isal lzma gcrypt nettle cryptopp openssl rhash 7zip coreutils b3sum xxhsum
           php)

started=$EPOCHREALTIME
log() { printf '%s\n' "$*" >&2; }

# --- the peer drivers ------------------------------------------------------------------------
declare -A peer_libs=(
  [libdeflate]=-ldeflate [isal]=-lisal [lzma]=-llzma [gcrypt]=-lgcrypt
  [nettle]=-lnettle [cryptopp]=-lcryptopp [openssl]=-lcrypto
  [read]=-lc  # reading alone, no library: the floor for the read strategy's rows
)
log "building the peer drivers in $peers"
for name in "${!peer_libs[@]}"; do
  src=$root/bench/peers/peer_$name.cpp bin=$peers/peer_$name
  if [ ! -x "$bin" ] || [ "$src" -nt "$bin" ] || [ "$root/bench/peers/peer_main.h" -nt "$bin" ]; then
    ( c++ -O2 -std=c++17 -o "$bin" "$src" "${peer_libs[$name]}" 2> "$peers/$name.log" ||
        { log "  peer $name: not built (see $peers/$name.log)"; rm -f "$bin"; } ) &
  fi
done
wait

# Prints the peer's digest of the file in lower-case hex; returns 3 when the peer lacks the
# algorithm.
peer_run() {
  local peer=$1 alg=$2 file=$3 h
  case $peer in
    libdeflate | isal | lzma | gcrypt | nettle | cryptopp | openssl)
      [ -x "$peers/peer_$peer" ] || return 3
      "$peers/peer_$peer" "$alg" "$file" ;;
    rhash)
      case $alg in
        crc32 | md4 | md5 | sha1 | tiger | ripemd160 | sha3-* | blake2b | blake2s | crc32c) h=$alg ;;
        sha224 | sha256 | sha384 | sha512) h=sha-${alg#sha} ;;
        *) return 3 ;;
      esac
      rhash --printf="%{$h}\n" "$file" ;;
    7zip)
      case $alg in
        crc32 | crc64 | md5 | sha1 | sha256 | sha384 | sha512) h=${alg^^} ;;
        *) return 3 ;;
      esac
      7zz h -scrc"$h" "$file" | awk '/for data/ { print tolower($NF) }' ;;
    coreutils)
      case $alg in
        md5 | sha1 | sha224 | sha256 | sha384 | sha512) "${alg}sum" "$file" | cut -d' ' -f1 ;;
        blake2b) b2sum "$file" | cut -d' ' -f1 ;;
        *) return 3 ;;
      esac ;;
    b3sum)
      case $alg in
        blake3) b3sum --no-names "$file" ;;
        blake3:1) b3sum --num-threads 1 --no-names "$file" ;;
        *) return 3 ;;
      esac ;;
    xxhsum)
      # -H3 writes "XXH3 (file) = digest", -H2 "digest  file".
      case $alg in
        xxh3) xxhsum -H3 "$file" | awk '{ print $NF }' ;;
        xxh128) xxhsum -H2 "$file" | cut -d' ' -f1 ;;
        *) return 3 ;;
      esac ;;
    php)
      case $alg in
        haval) h='haval256,5' ;;
        ripemd128 | md2) h=$alg ;;
        *) return 3 ;;
      esac
      # shellcheck disable=SC2016  # PHP code, not shell
      php -r 'echo hash_file($argv[1], $argv[2]), "\n";' "$h" "$file" ;;
  esac
}

# Runs one command; sets $secs (wall time) and $digest (first word of its output).
secs=0 digest=
timed() {
  local t0 t1 output
  t0=$EPOCHREALTIME
  output=$("$@" 2> /dev/null) || return $?
  t1=$EPOCHREALTIME
  secs=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.6f", b - a }')
  digest=${output%% *}
  digest=${digest,,}
}

rss_max=0
quernsum_run() {  # alg file; also records the peak resident memory
  local args=(-a "${1%:1}")
  [ "$1" = "${1%:1}" ] || args=(-j 1 "${args[@]}")
  timed /usr/bin/time -f %M -o "$work/rss" "$quernsum" "${args[@]}" "$2"
  local rss
  rss=$(tail -n 1 "$work/rss")
  [ "$rss" -gt "$rss_max" ] && rss_max=$rss
  return 0
}

# Runs two shell commands by turns, RUNS times each; $first and $second get their medians.
first=0 second=0
time_pair() {  # runs command command
  local a=() b=() i
  for ((i = 0; i < $1; i++)); do
    timed sh -c "$2"
    a+=("$secs")
    timed sh -c "$3"
    b+=("$secs")
  done
  first=$(printf '%.3f' "$(median "${a[@]}")") second=$(printf '%.3f' "$(median "${b[@]}")")
}
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# MB/s, with one decimal below 100 (MD2).
mbps() { awk -v b="$1" -v s="$2" 'BEGIN { v = b / s / 1e6; printf(v < 100 ? "%.1f" : "%.0f", v) }'; }
greater() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }

# --- test files ------------------------------------------------------------------------------
make_file() {  # path MiB
  local size=$(($2 << 20))
  if [ ! -f "$1" ] || [ "$(stat -c %s "$1")" -ne "$size" ]; then
    log "writing $1 ($2 MiB of random bytes)"
    head -c "$size" /dev/urandom > "$1.tmp" && mv "$1.tmp" "$1"
  fi
}
big=$work/big-${big_mib}M.bin md2file=$work/md2-${md2_mib}M.bin
make_file "$big" "$big_mib"
make_file "$md2file" "$md2_mib"
small=$work/small
if [ -z "$only" ] && [ "$(find "$small" -type f 2> /dev/null | wc -l)" -ne 10000 ]; then
  log "writing 10,000 files of 4 KiB in $small"
  rm -rf "$small" && mkdir -p "$small"
  head -c $((10000 * 4096)) /dev/urandom | (cd "$small" && split -b 4096 -a 5 -d - f)
fi

# --- per algorithm ---------------------------------------------------------------------------
tsv=$out/results.tsv
printf 'algorithm\tquernix_mbps\tpeer_mbps\tratio\tpeer\n' > "$tsv"
declare -A screening q_median
rows=()
for alg in "${algorithms[@]}"; do
  file=$big
  [ "$alg" = md2 ] && file=$md2file
  bytes=$(stat -c %s "$file")
  cat "$file" > /dev/null  # into the page cache
  quernsum_run "$alg" "$file"
  reference=$digest
  q_times=("$secs")
  declare -A p_times=() p_speed=()
  line=
  for peer in "${all_peers[@]}"; do
    rc=0
    timed peer_run "$peer" "$alg" "$file" || rc=$?
    [ $rc -eq 3 ] && continue
    if [ $rc -ne 0 ] || { [ "$digest" != "$reference" ] && [ "$alg" != haval ]; }; then
      log "  $alg: $peer disagrees ('$digest' against '$reference'); left out"
      line+=" $peer=wrong"
      continue
    fi
    p_times[$peer]=$secs
    p_speed[$peer]=$(mbps "$bytes" "$secs")
    line+=" $peer=${p_speed[$peer]}"
  done
  screening[$alg]=$line
  # The three fastest peers of the first round get two more runs each, beside quernsum.
  mapfile -t top < <(for p in "${!p_speed[@]}"; do echo "${p_speed[$p]} $p"; done | sort -rg |
    head -n 3 | cut -d' ' -f2)
  declare -A runs=()
  for p in "${top[@]}"; do runs[$p]=${p_times[$p]}; done
  for _ in 1 2; do
    quernsum_run "$alg" "$file"
    q_times+=("$secs")
    for p in "${top[@]}"; do
      timed peer_run "$p" "$alg" "$file"
      runs[$p]+=" $secs"
    done
  done
  q_secs=$(median "${q_times[@]}")
  q_mbps=$(mbps "$bytes" "$q_secs")
  best='' best_mbps=0 best_secs=0
  for p in "${top[@]}"; do
    # shellcheck disable=SC2086
    t=$(median ${runs[$p]})
    if [ -z "$best" ] || greater "$best_secs" "$t"; then best=$p best_secs=$t; fi
  done
  if [ -n "$best" ]; then
    best_mbps=$(mbps "$bytes" "$best_secs")
    ratio=$(awk -v q="$q_secs" -v p="$best_secs" 'BEGIN { printf "%.2f", p / q }')
  else
    best=none best_mbps=0 ratio=-
  fi
  size_note=
  [ "$file" = "$md2file" ] && size_note=" ($md2_mib MiB file)"
  [ "$alg" = blake3:1 ] && size_note=" (one thread)"
  q_median[$alg]=$q_secs
  rows+=("| ${alg%:1}$size_note | $q_mbps | $best | $best_mbps | $ratio |")
  printf '%s\t%s\t%s\t%s\t%s\n' "$alg" "$q_mbps" "$best_mbps" "$ratio" "$best" >> "$tsv"
  log "$(printf '%-10s quernsum %6s MB/s   %-10s %6s MB/s   ratio %s' "$alg" "$q_mbps" "$best" "$best_mbps" "$ratio")"
  unset p_times p_speed runs
done

# The heading of the report and its table of algorithms.
report_table() {
  local cpu
  cpu=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)
  echo "# Quernix speed against its peers"
  echo
  echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $cpu, $(nproc) cores, Linux $(uname -r)," \
    "quernsum $("$quernsum" --version 2> /dev/null | head -n 1 | awk '{ print $NF }')" \
    "($(git -C "$root" rev-parse --short HEAD 2> /dev/null || echo '?'))."
  echo "A $big_mib MiB file of random bytes in the page cache; MB/s = 10^6 bytes per second of"
  echo "wall time for the whole program, median of three runs; ratio = Quernix / fastest peer."
  echo
  echo "| algorithm | Quernix MB/s | fastest peer | peer MB/s | ratio |"
  echo "|---|---:|---|---:|---:|"
  printf '%s\n' "${rows[@]}"
}
report_screening() {
  echo "Every peer in the first round (MB/s, one run each):"
  echo
  echo '```'
  for alg in "${algorithms[@]}"; do printf '%-10s%s\n' "$alg" "${screening[$alg]}"; done
  echo '```'
}
if [ -n "$only" ]; then
  { report_table; echo; report_screening; } > "$out/results.md"
  cat "$out/results.md"
  exit 0
fi
# --- the read strategy -----------------------------------------------------------------------
# quernsum with each way of reading forced, and with auto, over the three checksums and SHA-1
# (a digest that consumes bytes far slower than either way delivers them), beside reading the
# file alone (peer_read: read calls of 64 KiB and of 256 KiB, a mapping). Three rounds, each
# running every command once in turn; medians.
log "read strategy"
cat "$big" > /dev/null
big_bytes=$(stat -c %s "$big")
declare -A way_times=()
for _ in 1 2 3; do
  for alg in crc32 crc64 adler32 sha1; do
    for way in map read auto; do
      timed "$quernsum" --read=$way -a $alg "$big"
      way_times[$alg/$way]+=" $secs"
    done
  done
  for way in read65536 read262144 map; do
    if [ -x "$peers/peer_read" ]; then
      timed "$peers/peer_read" $way "$big"
      way_times[alone/$way]+=" $secs"
    fi
  done
done
alone_best=0
for way in read65536 read262144 map; do
  [ -n "${way_times[alone/$way]:-}" ] || continue
  # shellcheck disable=SC2086
  v=$(mbps "$big_bytes" "$(median ${way_times[alone/$way]})")
  way_times[alone/$way]=$v
  greater "$v" "$alone_best" && alone_best=$v
done
way_rows=()
for alg in crc32 crc64 adler32 sha1; do
  row="| $alg"
  fastest=0
  for way in map read auto; do
    # shellcheck disable=SC2086
    v=$(mbps "$big_bytes" "$(median ${way_times[$alg/$way]})")
    row+=" | $v"
    [ "$way" = auto ] && auto_v=$v
    [ "$way" != auto ] && greater "$v" "$fastest" && fastest=$v
  done
  row+=" | $(awk -v a="$auto_v" -v b="$fastest" 'BEGIN { printf "%.3f", a / b }')"
  row+=" | $(awk -v a="$auto_v" -v b="$alone_best" 'BEGIN { printf "%.3f", (b > 0 ? a / b : 0) }') |"
  way_rows+=("$row")
  log "$row"
done

# --- 10,000 files of 4 KiB -------------------------------------------------------------------
# Hashing them, and verifying them (quernsum -c against md5sum -c over the same list).
log "10,000 files of 4 KiB"
cat "$small"/* > /dev/null
(cd "$small" && md5sum -- f* > "$work/small.md5")
time_pair 5 "cd '$small' && exec '$quernsum' -a md5 -- f*" "cd '$small' && exec md5sum -- f*"
sq=$first sm=$second
time_pair 5 "cd '$small' && exec '$quernsum' -c '$work/small.md5'" \
  "cd '$small' && exec md5sum -c '$work/small.md5'"
cq=$first cm=$second
small_ratio=$(awk -v q="$sq" -v m="$sm" 'BEGIN { printf "%.2f", m / q }')
check_ratio=$(awk -v q="$cq" -v m="$cm" 'BEGIN { printf "%.2f", m / q }')

# --- verifying the big file ------------------------------------------------------------------
# Its check against hashing it: verifying should cost what hashing costs.
log "verifying the $big_mib MiB file"
"$quernsum" -a md5 "$big" > "$work/big.md5"
bigcheck_c=() bigcheck_h=()
for _ in 1 2 3; do
  timed "$quernsum" -c "$work/big.md5"
  bigcheck_c+=("$secs")
  timed "$quernsum" -a md5 "$big"
  bigcheck_h+=("$secs")
done
bc=$(printf '%.3f' "$(median "${bigcheck_c[@]}")") bh=$(printf '%.3f' "$(median "${bigcheck_h[@]}")")
bigcheck_ratio=$(awk -v c="$bc" -v h="$bh" 'BEGIN { printf "%.3f", h / c }')

# --- a FAILED verdict decided by the digest's length ------------------------------------------
# A wrong 32-digit digest in a checksum file whose name implies no algorithm: md5 and the
# other algorithms of that length are tried in one read (md2 left out), against md5sum -c.
log "a FAILED verdict on a 64 MiB file, the algorithm from the digest's length"
failed=$work/failed
mkdir -p "$failed"
head -c $((64 << 20)) "$big" > "$failed/file.bin"
echo "00000000000000000000000000000000  file.bin" > "$failed/checksums.txt"
cat "$failed/file.bin" > /dev/null
time_pair 5 "cd '$failed' && '$quernsum' -c checksums.txt; true" \
  "cd '$failed' && md5sum -c checksums.txt; true"
fq=$first fm=$second

# --- a deep tree -----------------------------------------------------------------------------
# 3,000 folders one in the other, a file in each: the walk's memory grows with the depth. The
# paths beyond the system's limit (4,096 bytes, about 2,040 folders deep here) are reported as
# too long, as any program given them reports them.
log "quernsum -r over a tree 3,000 folders deep"
deep=$work/deep
if [ ! -d "$deep" ]; then
  python3 - "$deep" <<'PY'
import os, sys
os.makedirs(sys.argv[1])
fd = os.open(sys.argv[1], os.O_RDONLY)
for _ in range(3000):
    os.mkdir("d", dir_fd=fd)
    inner = os.open("d", os.O_RDONLY, dir_fd=fd)
    os.close(os.open("f", os.O_WRONLY | os.O_CREAT, 0o644, dir_fd=inner))
    os.close(fd)
    fd = inner
PY
fi
/usr/bin/time -f %M -o "$work/rss" "$quernsum" -r -j 2 "$deep" > "$work/deep.out" 2> /dev/null || true
deep_rss=$(tail -n 1 "$work/rss") deep_files=$(wc -l < "$work/deep.out")

# --- files in parallel, several algorithms in one read ------------------------------------------
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
mid=$work/mid
if [ "$(find "$mid" -type f 2> /dev/null | wc -l)" -ne 1000 ]; then
  log "writing 1,000 files of 1 MiB in $mid"
  rm -rf "$mid" && mkdir -p "$mid"
  head -c $((1000 << 20)) /dev/urandom | (cd "$mid" && split -b 1048576 -a 4 -d - m)
fi
log "1,000 files of 1 MiB, sha256: -j $(nproc) against -j 1"
cat "$mid"/* > /dev/null
time_pair 3 "cd '$mid' && exec '$quernsum' -a sha256 -- m*" \
  "cd '$mid' && exec '$quernsum' -j 1 -a sha256 -- m*"
mj=$first m1=$second
log "md5,sha1,sha256 in one read of the $big_mib MiB file against rhash"
cat "$big" > /dev/null
mine=$("$quernsum" -a md5,sha1,sha256 "$big" | cut -d' ' -f1 | tr '\n' ' ')
theirs=$(rhash --printf='%{md5} %{sha1} %{sha-256} ' "$big")
[ "$mine" = "$theirs" ] || log "  rhash disagrees ('$theirs' against '$mine')"
time_pair 3 "exec '$quernsum' -a md5,sha1,sha256 '$big'" "exec rhash --md5 --sha1 --sha256 '$big'"
tq=$first tr_=$second
slowest=md5
for a in sha1 sha256; do greater "${q_median[$a]}" "${q_median[$slowest]}" && slowest=$a; done
ts=$(printf '%.3f' "${q_median[$slowest]}")
log "peak memory of quernsum -j 2"
par_rss=0 par_rss_what=
for args in "-r -a md5 $small" "-r -a sha256 $mid" "-r -a md5,sha1,sha256 $mid" \
  "-a md5,sha1,sha256 $big"; do
  # shellcheck disable=SC2086  # the arguments split on purpose
  /usr/bin/time -f %M -o "$work/rss" "$quernsum" -j 2 $args > /dev/null
  rss=$(tail -n 1 "$work/rss")
  if [ "$rss" -gt "$par_rss" ]; then par_rss=$rss par_rss_what=${args/$work\//}; fi
done

# --- the GUI batch ---------------------------------------------------------------------------
gui_bench=${QUERNIX_GUI_BENCH:-$build/bench/gui/quernix_gui_bench}
gui_output=
if [ -x "$gui_bench" ]; then
  log "GUI batch ($gui_bench)"
  gui_output=$(QT_QPA_PLATFORM=offscreen "$gui_bench" "$work/gui" "$big_mib" 10000 2> /dev/null) ||
    gui_output="(the GUI bench failed)"
fi

# --- the window at scale, painting under a real X server ------------------------------------
# `quernix DIR` over 20,000 files of 512 bytes under Xvfb with openbox, from its start until the
# window and its page processes have gone idle (bench/gui/idle.py: their CPU time stops
# growing), less the time the same window takes to go idle with no files; against
# `find DIR -type f -print0 | xargs -0 md5sum` over the same files. The memory of the window and
# all its processes at that moment counts each resident page once. The same for 100,000 files
# (memory only) unless QUERNIX_BENCH_QUICK is set. Medians of three runs.
quernix=$build/app/quernix
scale_rows=()
if [ -x "$quernix" ] && command -v Xvfb > /dev/null && command -v openbox > /dev/null; then
  log "the window at scale under Xvfb"
  make_files() {  # dir count
    if [ "$(find "$1" -type f 2> /dev/null | wc -l)" -ne "$2" ]; then
      log "writing $2 files of 512 bytes in $1"
      rm -rf "$1" && mkdir -p "$1"
      head -c $(($2 * 512)) /dev/urandom | (cd "$1" && split -b 512 -a 6 -d - s)
    fi
    find "$1" -type f -print0 | xargs -0 cat > /dev/null
  }
  exec {display_fd}<> <(:)
  Xvfb -displayfd "$display_fd" -screen 0 1024x768x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  read -r -t 10 -u "$display_fd" display_number || display_number=
  if [ -n "$display_number" ]; then
    DISPLAY=:$display_number openbox > "$work/openbox.log" 2>&1 &
    openbox_pid=$!
    sleep 1
    idle() {  # args...: prints idle.py's line
      DISPLAY=:$display_number QT_QPA_PLATFORM=xcb python3 "$root/bench/gui/idle.py" -- \
        "$quernix" "$@" 2> /dev/null
    }
    field() { sed -n "s/.*\b$1=\([^ ]*\).*/\1/p"; }
    scale=$work/scale20k
    make_files "$scale" 20000
    starts=() batches=() mems=() cpus=() sums=()
    for _ in 1 2 3; do
      starts+=("$(idle | field idle_s)")
      line=$(idle "$scale")
      batches+=("$(field idle_s <<< "$line")") mems+=("$(field mem_mib <<< "$line")")
      cpus+=("$(field cpu_s <<< "$line")")
      timed sh -c "find '$scale' -type f -print0 | xargs -0 md5sum"
      sums+=("$secs")
    done
    ws=$(median "${starts[@]}") wb=$(median "${batches[@]}") wm=$(median "${sums[@]}")
    wq=$(awk -v b="$wb" -v s="$ws" 'BEGIN { printf "%.3f", b - s }')
    scale_rows+=("| \`quernix DIR\`, 20,000 files of 512 B under Xvfb, start to idle less start-up ($ws s), seconds (aim: ratio 4 or less) | $wq | find \| xargs md5sum $(printf '%.3f' "$wm") | $(ratio "$wq" "$wm") |")
    scale_rows+=("| CPU time of the window and its page processes for that batch, seconds (start-up included) | $(median "${cpus[@]}") | | |")
    scale_rows+=("| memory of the window and its page processes after 20,000 results (aim: under 300 MiB) | $(median "${mems[@]}") MiB | | |")
    if [ -z "${QUERNIX_BENCH_QUICK:-}" ]; then
      scale=$work/scale100k
      make_files "$scale" 100000
      line=$(idle "$scale")
      scale_rows+=("| memory after 100,000 results (aim: under 1 GiB; start to idle $(field idle_s <<< "$line") s) | $(field mem_mib <<< "$line") MiB | | |")
    fi
    kill "$openbox_pid" 2> /dev/null || true
  fi
  kill "$xvfb_pid" 2> /dev/null || true
  wait "$xvfb_pid" 2> /dev/null || true
fi

# --- the folder search window's walk ----------------------------------------------------------
search_bench=$build/bench/intake/quernix_search_bench
search_output=
if [ -x "$search_bench" ]; then
  log "folder search ($search_bench)"
  search_output=$(QT_QPA_PLATFORM=offscreen "$search_bench" "$work/search" 100000 2> /dev/null) ||
    search_output="(the folder search bench failed)"
fi

# --- the engine in memory --------------------------------------------------------------------
engine_output=
if [ -x "$build/bench/quernix_bench" ]; then
  log "engine in memory (quernix_bench)"
  engine_output=$("$build/bench/quernix_bench" --benchmark_filter='^(update|variant)/' \
    --benchmark_min_time=0.2 2> /dev/null | grep -E '^(update|variant)/' |
    awk '{ printf "%-32s %s\n", $1, $NF }') || true
fi

# --- report ----------------------------------------------------------------------------------
elapsed=$(awk -v a="$started" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.0f", b - a }')
{
  report_table
  echo
  echo "| other | Quernix | peer | ratio |"
  echo "|---|---:|---:|---:|"
  echo "| peak memory of quernsum (max RSS, any algorithm) | $((rss_max / 1024)).$(((rss_max % 1024) * 10 / 1024)) MiB | limit 16 MiB | |"
  echo "| 10,000 files of 4 KiB, md5, seconds (-j $(nproc), the default) | $sq | md5sum $sm | $small_ratio |"
  echo "| quernsum -c over the 10,000 files, seconds (aim: ratio 0.91 or more) | $cq | md5sum -c $cm | $check_ratio |"
  echo "| quernsum -c of the $big_mib MiB file, md5, seconds (peer: hashing it; aim: 0.98 or more) | $bc | quernsum $bh | $bigcheck_ratio |"
  echo "| quernsum -c, a FAILED 64 MiB file whose 32-digit digest decides the algorithm, seconds (aim: 0.33 or more) | $fq | md5sum -c $fm | $(ratio "$fm" "$fq") |"
  echo "| 1,000 files of 1 MiB, sha256, seconds (-j $(nproc)) | $mj | quernsum -j 1 $m1 | $(ratio "$m1" "$mj") |"
  echo "| -a md5,sha1,sha256, $big_mib MiB file, seconds | $tq | rhash --md5 --sha1 --sha256 $tr_ | $(ratio "$tr_" "$tq") |"
  echo "| the same against the slowest single algorithm ($slowest; aim: 0.87 or more) | $tq | quernsum -a $slowest $ts | $(ratio "$ts" "$tq") |"
  echo "| peak memory of quernsum -j 2 (max RSS; most: $par_rss_what) | $((par_rss / 1024)).$(((par_rss % 1024) * 10 / 1024)) MiB | limit 16 MiB | |"
  echo "| peak memory of quernsum -r over a tree 3,000 folders deep ($deep_files files within the path limit) | $((deep_rss / 1024)).$(((deep_rss % 1024) * 10 / 1024)) MiB | limit 16 MiB | |"
  echo
  if [ ${#scale_rows[@]} -gt 0 ]; then
    echo "| the window at scale (Xvfb with openbox, medians of three runs) | Quernix | peer | ratio |"
    echo "|---|---:|---:|---:|"
    printf '%s\n' "${scale_rows[@]}"
    echo
  fi
  echo "How quernsum reads the $big_mib MiB file (--read=WAY), MB/s, medians of three interleaved"
  echo "runs; reading it alone (bench/peers/peer_read, every cache line loaded): read calls of"
  echo "64 KiB ${way_times[alone/read65536]:-?}, of 256 KiB ${way_times[alone/read262144]:-?}," \
    "a mapping ${way_times[alone/map]:-?} MB/s."
  echo
  echo "| algorithm | map | read | auto | auto / the faster way | auto / reading alone |"
  echo "|---|---:|---:|---:|---:|---:|"
  printf '%s\n' "${way_rows[@]}"
  echo
  if [ -n "$gui_output" ]; then
    echo "GUI batch (bench/gui, best of its own runs):"
    echo
    echo '```'
    echo "$gui_output"
    echo '```'
    echo
  fi
  if [ -n "$search_output" ]; then
    echo "Folder search (bench/intake, 100,000 files):"
    echo
    echo '```'
    echo "$search_output"
    echo '```'
    echo
  fi
  report_screening
  if [ -n "$engine_output" ]; then
    echo
    echo "The engine in memory (quernix_bench: update/ = the public update functions,"
    echo "variant/ = each kernel variant over 64 KiB and 16 MiB):"
    echo
    echo '```'
    echo "$engine_output"
    echo '```'
  fi
  echo
  echo "Run time of the bench: $elapsed s."
} > "$out/results.md"

# --- chart -----------------------------------------------------------------------------------
if command -v gnuplot > /dev/null; then
  gnuplot <<EOF || log "gnuplot failed; no chart"
set terminal pngcairo size 1200,640 font "DejaVu Sans,10"
set output "$out/chart.png"
set title "quernsum against the fastest peer: MB/s on a $big_mib MiB file in the page cache (md2: $md2_mib MiB), labels = ratio"
set datafile separator "\t"
set style data histograms
set style histogram clustered gap 1
set style fill solid 0.85 border -1
set logscale y
set yrange [5:*]
set ylabel "MB/s (log scale)"
set grid ytics
set key top left
set xtics rotate by -30
plot "< tail -n +2 $tsv" using 2:xtic(1) title "Quernix" lc rgb "#2b6cb0", \
     "" using 3 title "fastest peer" lc rgb "#a0aec0", \
     "" using (\$0):(\$2 > \$3 ? \$2 : \$3)*1.25:4 with labels notitle
EOF
fi

cat "$out/results.md"
