#!/usr/bin/env bash
# Installs the build into a temporary root as a package would (prefix /usr) and checks the
# tree: every file in place, the desktop entries and the AppStream metadata valid, the MIME
# package accepted by the MIME database, the icons of the sizes their folders say, the man pages
# rendering without warnings, the help page's pictures present, and the completion offering
# algorithm names.
# Usage: installed_tree_test.sh BUILD-DIR
set -euo pipefail
build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
usr=$root/usr
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

sizes=(16 22 24 32 48 64 128 256)
expected=(
  bin/quernix bin/quernsum
  share/applications/org.example.quernix.desktop
  share/applications/org.example.quernix.verify.desktop
  share/metainfo/org.example.quernix.metainfo.xml
  share/mime/packages/quernix.xml
  share/icons/hicolor/scalable/apps/quernix.svg
  share/man/man1/quernsum.1.gz share/man/man1/quernix.1.gz
  share/bash-completion/completions/quernsum
  share/doc/quernix/index.html share/doc/quernix/copyright share/doc/quernix/changelog.gz
)
for size in "${sizes[@]}"; do expected+=("share/icons/hicolor/${size}x${size}/apps/quernix.png"); done
for file in "${expected[@]}"; do [ -f "$usr/$file" ] || fail "missing $file"; done

desktop-file-validate "$usr"/share/applications/*.desktop || fail "desktop-file-validate"
# Each entry is named in the Chinese menu too.
for entry in "$usr"/share/applications/*.desktop; do
  grep -q '^Name\[zh_CN\]=' "$entry" || fail "no Name[zh_CN] in ${entry##*/}"
done
appstreamcli validate --no-net "$usr/share/metainfo/org.example.quernix.metainfo.xml" ||
  fail "appstreamcli validate"

# The MIME database takes the package and maps the checksum file names to its types.
mkdir -p "$root/mime/packages"
cp "$usr/share/mime/packages/quernix.xml" "$root/mime/packages/"
update-mime-database "$root/mime" >/dev/null 2>&1 || fail "update-mime-database"
for pair in "*.md5:text/x-checksum-md5" "SHA256SUMS:text/x-checksum-sha256" "*.sfv:text/x-sfv" \
  "B2SUMS:text/x-checksum-blake2" "*.b3:text/x-checksum-blake3" "*.xxh128:text/x-checksum-xxhash"; do
  grep -qF "${pair#*:}:${pair%%:*}" "$root/mime/globs2" || fail "no glob ${pair%%:*}"
done
# The verify entry opens every type that the package defines.
for type in $(grep -o 'type="text/x-[a-z0-9-]*"' "$usr/share/mime/packages/quernix.xml" |
              cut -d'"' -f2); do
  grep -q "^MimeType=.*$type;" "$usr/share/applications/org.example.quernix.verify.desktop" ||
    fail "the verify entry does not open $type"
done

for size in "${sizes[@]}"; do
  file "$usr/share/icons/hicolor/${size}x${size}/apps/quernix.png" |
    grep -q "PNG image data, $size x $size," || fail "icon of ${size}x${size} has another size"
done

for page in "$usr"/share/man/man1/*.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page: $warnings"
done

for picture in $(grep -o '<img [^>]*src="[^"]*"' "$usr/share/doc/quernix/index.html" |
                 sed 's/.*src="\([^"]*\)"/\1/'); do
  [ -f "$usr/share/doc/quernix/$picture" ] || fail "the help page's picture $picture is missing"
done
grep -q '<h2[^>]*>Installing</h2>' "$usr/share/doc/quernix/index.html" ||
  fail "the help page lacks its install section"

# Completion of -a lists the algorithms of the installed quernsum.
algorithms=$(PATH=$usr/bin:$PATH bash -c '
  source /usr/share/bash-completion/bash_completion
  source "$1"
  COMP_WORDS=(quernsum -a sha); COMP_CWORD=2; COMP_LINE="quernsum -a sha"; COMP_POINT=15
  _quernsum quernsum
  echo "${COMPREPLY[*]}"' bash "$usr/share/bash-completion/completions/quernsum")
listed=$("$usr/bin/quernsum" --list | awk '$1 ~ /^sha/ { printf "%s%s", sep, $1; sep = " " }')
[ -n "$listed" ] && [ "$algorithms" = "$listed" ] ||
  fail "completion of -a sha gave '$algorithms', --list has '$listed'"

"$usr/bin/quernsum" --version | grep -q "^quernsum (Quernix) " || fail "quernsum --version"
"$usr/bin/quernix" --version | grep -q "^quernix (Quernix) " || fail "quernix --version"

[ "$failures" -eq 0 ] || exit 1
echo "the installed tree is complete and valid"
