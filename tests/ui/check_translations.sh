#!/usr/bin/env bash
# Runs lupdate over the window sources into a copy of the English catalogue and fails when an
# entry is left without a translation: a text added or changed in the sources that the
# catalogue does not translate yet.
# Usage: check_translations.sh LUPDATE SOURCE-FOLDER CATALOGUE.ts
set -euo pipefail
lupdate=$1 sources=$2 catalogue=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$catalogue" "$work/catalogue.ts"
"$lupdate" -silent -locations none -source-language zh_CN -target-language en \
  "$sources" -ts "$work/catalogue.ts"
if grep -B2 'type="unfinished"' "$work/catalogue.ts"; then
  echo "the entries above have no English translation in $catalogue" >&2
  exit 1
fi
echo "every text of $sources is translated"
