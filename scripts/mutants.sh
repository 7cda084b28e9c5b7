#!/bin/bash
# Plants each fault of audit/<id>.patch in turn: applies it, builds, runs the tests of the
# file's folder and of every folder that uses it, records whether a test caught it, only a
# timeout did, or none, and reverts the file.
#
#   scripts/mutants.sh [-B BUILD_DIR] [ID...]   plant and test (default: every patch; build-dev)
#   scripts/mutants.sh --table [PREFIX]         the verdicts so far, by file (of the ids that
#                                               begin with PREFIX: U for the window's)
#
# Each run leaves audit/logs/<id>.log; audit/results.tsv (id, file, verdict, failing tests) and
# the table are made from the logs, keeping the rows of ids that have no log here. The tree
# must be clean where the patches apply; audit/make_patches.py writes the patches from
# audit/mutants.py. The window's faults (ui/) need its build (QUERNIX_GUI on): its tests run
# offscreen, and the result view's web engine runs without its sandbox (the audit runs as root).
set -u
cd "$(dirname "$0")/.."

# Left out everywhere: the two sparse files over 4 GiB (minutes each on a loaded 2-core
# machine, and no planted fault is about offsets that large), the check of the variant
# objects (it inspects the object files, which no planted fault changes) and quernsum's
# --benchmark (it measures, and failed now and then on the loaded machine whatever the fault).
exclude='SparseFileOver4GiB|VariantObjects|Benchmark'
# A fault in the engine's file reading can only show in the tests that read files: the suites
# of in-memory test vectors are left out for it.
files_only='^(FileHash|Ways/Reading|Files\.|MappedFiles|HashFileTest|Blake3File|Checksums|Md2|ReadChoice|ChecksumFile|AtomicWrite|PathText|Fanout|OrderedRun|Check\.|Quernsum)'

# The test labels of a folder and of the folders that use it (the window's tests when built).
labels_of() {
  case "$1" in
    hash/*) echo 'hash|sums|parallel|cli|ui' ;;
    pathtext/*) echo 'pathtext|sums|cli|ui' ;;
    sums/*) echo 'sums|cli|ui' ;;
    parallel/*) echo 'parallel|cli|ui' ;;
    cli/*) echo 'cli' ;;
    ui/*) echo 'ui' ;;
    *) echo '.' ;;
  esac
}

# The verdict of one log and its failing tests. A test that failed after 55 s or more failed
# by a hang guard (its own minute's deadline, quernsum ended after two minutes, or ctest's
# limit): that counts as a timeout, whatever it reported.
classify() {
  local log=$1 failing
  if grep -q '^BUILD FAILED' "$log"; then
    printf 'build-error\t\n'
    return
  fi
  failing=$(grep -E '^\s*[0-9]+/[0-9]+ Test +#[0-9]+: .*(\*\*\*Failed|\*\*\*Timeout|\*\*\*Exception)' "$log" |
            sed -E 's/^.*#[0-9]+: ([^ ]+) .*\*\*\*(Failed|Timeout|Exception)[^0-9]* ([0-9.]+) sec$/\1 (\2 \3 s)/' |
            tr '\n' ';')
  if [ -z "$failing" ]; then
    printf 'missed\t\n'
  elif echo "$failing" | tr ';' '\n' | grep -v '^$' |
       awk '{t = $(NF - 1); if ($0 !~ /Timeout/ && t + 0 < 55) ok = 1} END {exit !ok}'; then
    printf 'caught\t%s\n' "$failing"
  else
    printf 'timeout-only\t%s\n' "$failing"
  fi
}

table() {
  local prefix=${1:-} before
  before=$(tail -n +2 audit/results.tsv 2>/dev/null)
  {
    printf 'id\tfile\tverdict\tfailing tests\n'
    for p in audit/*.patch; do
      id=$(basename "$p" .patch)
      log=audit/logs/$id.log
      if [ -f "$log" ]; then
        file=$(sed -n 's|^+++ b/||p' "$p" | head -1)
        printf '%s\t%s\t%s\n' "$id" "$file" "$(classify "$log")"
      else
        # Measured elsewhere: the row stays as it was.
        printf '%s\n' "$before" | awk -F'\t' -v id="$id" '$1 == id'
      fi
    done
  } >audit/results.tsv.new
  mv audit/results.tsv.new audit/results.tsv
  awk -F'\t' -v prefix="$prefix" 'NR > 1 && substr($1, 1, length(prefix)) == prefix {
      n[$2]++; v[$2, $3]++; t[$3]++; all++
    } END {
      printf "| file | planted | caught | missed | timeout-only |\n|---|---|---|---|---|\n"
      for (f in n) printf "| %s | %d | %d | %d | %d |\n", f, n[f], v[f, "caught"], v[f, "missed"], v[f, "timeout-only"]
      printf "| all | %d | %d (%.0f%%) | %d | %d |\n", all, t["caught"], 100 * t["caught"] / all, t["missed"], t["timeout-only"]
    }' audit/results.tsv
}

if [ "${1:-}" = "--table" ]; then
  table "${2:-}"
  exit 0
fi
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export QTWEBENGINE_CHROMIUM_FLAGS=${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox}
build=build-dev
if [ "${1:-}" = "-B" ]; then build=$2; shift 2; fi
ids=("$@")
if [ ${#ids[@]} -eq 0 ]; then
  for p in audit/*.patch; do ids+=("$(basename "$p" .patch)"); done
fi
mkdir -p audit/logs
for id in "${ids[@]}"; do
  patch=audit/$id.patch
  file=$(sed -n 's|^+++ b/||p' "$patch" | head -1)
  log=audit/logs/$id.log
  if ! git apply "$patch"; then
    echo "$id: the patch does not apply" >&2
    continue
  fi
  if ! nice cmake --build "$build" -j2 >"$log" 2>&1; then
    echo 'BUILD FAILED' >>"$log"
  else
    select=(-L "$(labels_of "$file")" -E "$exclude")
    case "$file" in hash/*) select+=(-R "$files_only") ;; esac
    # The first failure ends the run. The tests' own TIMEOUT (900 s) stands over --timeout:
    # hangs end by the tests' own deadlines (a minute, or two for a quernsum run).
    # The failing test's own output names what caught the fault.
    (cd "$build" && nice ctest "${select[@]}" --timeout 60 -j2 --stop-on-failure --output-on-failure \
       >>"../$log" 2>&1)
  fi
  git checkout -q -- "$file"
  echo "$id $file $(classify "$log")"
done
table >/dev/null
# The tree is as it was: rebuild so that the build matches it again.
nice cmake --build "$build" -j2 >/dev/null 2>&1
