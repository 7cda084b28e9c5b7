#!/bin/bash
# Plants each fault of audit/<id>.patch in turn: applies it, builds, runs the tests of the
# file's folder and of every folder that uses it (each test limited to 60 s), records whether a
# test caught it, only a timeout did, or none, and reverts the file.
#
#   scripts/mutants.sh [-B BUILD_DIR] [ID...]     (default: every patch; build-dev)
#
# Results go to audit/results.tsv (id, file, verdict, the failing tests). The tree must be
# clean where the patches apply; audit/make_patches.py writes the patches from audit/mutants.py.
set -u
cd "$(dirname "$0")/.."
build=build-dev
if [ "${1:-}" = "-B" ]; then build=$2; shift 2; fi
ids=("$@")
if [ ${#ids[@]} -eq 0 ]; then
  for p in audit/*.patch; do ids+=("$(basename "$p" .patch)"); done
fi
out=audit/results.tsv
[ -f "$out" ] || printf 'id\tfile\tverdict\tfailing tests\n' >"$out"

# Left out everywhere: the two sparse files over 4 GiB (beyond the 60 s limit on a loaded
# 2-core machine, and no planted fault is about offsets that large) and the check of the
# variant objects (it inspects the object files, which no planted fault changes).
exclude='SparseFileOver4GiB|VariantObjects'
# A fault in the engine's file reading can only show in the tests that read files: the suites
# of in-memory test vectors are left out for it.
files_only='^(FileHash|Ways/Reading|Files\.|MappedFiles|HashFileTest|Blake3File|Checksums|Md2|ChecksumFile|AtomicWrite|PathText|Fanout|OrderedRun|Check\.|Quernsum)'

# The test labels of a folder and of the folders that use it (the window's tests when built).
labels_of() {
  case "$1" in
    hash/*) echo 'hash|sums|parallel|cli|ui' ;;
    pathtext/*) echo 'pathtext|sums|cli|ui' ;;
    sums/*) echo 'sums|cli|ui' ;;
    parallel/*) echo 'parallel|cli|ui' ;;
    cli/*) echo 'cli' ;;
    *) echo '.' ;;
  esac
}

for id in "${ids[@]}"; do
  patch=audit/$id.patch
  file=$(sed -n 's|^+++ b/||p' "$patch" | head -1)
  if ! git apply "$patch"; then
    printf '%s\t%s\tnot-applied\t\n' "$id" "$file" >>"$out"
    continue
  fi
  log=audit/logs/$id.log
  mkdir -p audit/logs
  if ! nice cmake --build "$build" -j2 >"$log" 2>&1; then
    verdict=build-error
    failing=
  else
    select=(-L "$(labels_of "$file")" -E "$exclude")
    case "$file" in hash/*) select+=(-R "$files_only") ;; esac
    # The first failure ends the run: a fault is caught once one test fails (by itself, or by
    # the 60 s limit, which the verdict tells apart).
    (cd "$build" && nice ctest "${select[@]}" --timeout 60 -j2 --stop-on-failure >>"../$log" 2>&1)
    failing=$(sed -n '/The following tests FAILED/,$p' "$log" | grep -E '^\s+[0-9]+ - ' |
              sed -E 's/^\s+[0-9]+ - //' | tr '\n' ';')
    if [ -z "$failing" ]; then
      verdict=missed
    elif echo "$failing" | tr ';' '\n' | grep -v '^$' | grep -qv '(Timeout)'; then
      verdict=caught
    else
      verdict=timeout-only
    fi
  fi
  git checkout -q -- "$file"
  printf '%s\t%s\t%s\t%s\n' "$id" "$file" "$verdict" "$failing" >>"$out"
  echo "$id $file $verdict"
done
# The tree is left as it was: rebuild so that the build matches it again.
nice cmake --build "$build" -j2 >/dev/null 2>&1
