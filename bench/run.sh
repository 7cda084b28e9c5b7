#!/usr/bin/env bash
# Speed of quernsum against peer tools and libraries, one algorithm at a time, on a file in
# the page cache; the ways of reading it (--read) against reading it alone; peak memory;
# 10,000 files of 4 KiB against md5sum; quernsum -c against md5sum -c and against hashing;
# files in parallel (1,000 files of 1 MiB against -j 1) and three algorithms in one read
# (against rhash and the single algorithms); the GUI batch when its bench is built; the
# engine's in-memory figures.
#
# Usage: bench/run.sh [BUILD_DIR]
#   QUERNIX_BENCH_QUICK=1   a 256 MiB file instead of 1 GiB (MD2: 8 MiB instead of 32 MiB)
#   QUERNIX_BENCH_DIR=DIR   where the test files go (default: $TMPDIR/quernix-bench)
#   QUERNIX_GUI_BENCH=PATH  the GUI batch bench (default: BUILD_DIR/bench/gui/quernix_gui_bench)
#
# The peers are Debian packages (scripts/install-deps.sh bench): openssl, rhash, 7zip,
# coreutils, php-cli, and the drivers in bench/peers/, built here against libdeflate, ISA-L,
# libgcrypt, liblzma, Crypto++, Nettle and OpenSSL's libcrypto; every driver reads the file in
# 64 KiB chunks. Each peer's result is compared with quernsum's; a peer that disagrees is left
# out (HAVAL is the exception: Quernix pads with 0x80 where published HAVAL pads with 0x01,
# so the digests differ by design, and PHP's time still measures the same work).
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

algorithms=(haval md2 md4 md5 sha1 sha256 sha384 sha512 ripemd128 ripemd160 tiger crc32 crc64 adler32)
all_peers=(libdeflate isal lzma gcrypt nettle cryptopp openssl rhash 7zip coreutils php)

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
        crc32 | md4 | md5 | sha1 | tiger | ripemd160) h=$alg ;;
        sha256 | sha384 | sha512) h=sha-${alg#sha} ;;
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
        md5 | sha1 | sha256 | sha384 | sha512) "${alg}sum" "$file" | cut -d' ' -f1 ;;
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
  timed /usr/bin/time -f %M -o "$work/rss" "$quernsum" -a "$1" "$2"
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
if [ "$(find "$small" -type f 2> /dev/null | wc -l)" -ne 10000 ]; then
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
  q_median[$alg]=$q_secs
  rows+=("| $alg$size_note | $q_mbps | $best | $best_mbps | $ratio |")
  printf '%s\t%s\t%s\t%s\t%s\n' "$alg" "$q_mbps" "$best_mbps" "$ratio" "$best" >> "$tsv"
  log "$(printf '%-10s quernsum %6s MB/s   %-10s %6s MB/s   ratio %s' "$alg" "$q_mbps" "$best" "$best_mbps" "$ratio")"
  unset p_times p_speed runs
done

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
cpu=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)
{
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
  echo
  echo "| other | Quernix | peer | ratio |"
  echo "|---|---:|---:|---:|"
  echo "| peak memory of quernsum (max RSS, any algorithm) | $((rss_max / 1024)).$(((rss_max % 1024) * 10 / 1024)) MiB | limit 16 MiB | |"
  echo "| 10,000 files of 4 KiB, md5, seconds (-j $(nproc), the default) | $sq | md5sum $sm | $small_ratio |"
  echo "| quernsum -c over the 10,000 files, seconds (aim: ratio 0.91 or more) | $cq | md5sum -c $cm | $check_ratio |"
  echo "| quernsum -c of the $big_mib MiB file, md5, seconds (peer: hashing it; aim: 0.98 or more) | $bc | quernsum $bh | $bigcheck_ratio |"
  echo "| 1,000 files of 1 MiB, sha256, seconds (-j $(nproc)) | $mj | quernsum -j 1 $m1 | $(ratio "$m1" "$mj") |"
  echo "| -a md5,sha1,sha256, $big_mib MiB file, seconds | $tq | rhash --md5 --sha1 --sha256 $tr_ | $(ratio "$tr_" "$tq") |"
  echo "| the same against the slowest single algorithm ($slowest; aim: 0.87 or more) | $tq | quernsum -a $slowest $ts | $(ratio "$ts" "$tq") |"
  echo "| peak memory of quernsum -j 2 (max RSS; most: $par_rss_what) | $((par_rss / 1024)).$(((par_rss % 1024) * 10 / 1024)) MiB | limit 16 MiB | |"
  echo
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
  echo "Every peer in the first round (MB/s, one run each):"
  echo
  echo '```'
  for alg in "${algorithms[@]}"; do printf '%-10s%s\n' "$alg" "${screening[$alg]}"; done
  echo '```'
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
