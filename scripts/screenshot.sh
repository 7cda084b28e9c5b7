#!/usr/bin/env bash
# Makes docs/screenshot-en.png and docs/screenshot-zh.png: the main window in English and in
# Chinese after a batch over a few files, on a virtual X server.
# With "verify", docs/screenshot-verify.png instead: the window (in Chinese) after verifying a
# checksum file that lists a good, a changed and a missing file.
# Usage: scripts/screenshot.sh [build-dir] [output-folder] [verify]
# QT_SCALE_FACTOR=2 in the environment shows the window as on a high-resolution screen.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
output=${2:-docs}
driver=$build/app/quernix_screenshot
[ -x "$driver" ] || { echo "no $driver: build the project first" >&2; exit 1; }
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing: run scripts/install-deps.sh" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/照片" "$work/docs"
printf 'The quick brown fox jumps over the lazy dog' > "$work/docs/fox.txt"
printf '' > "$work/docs/empty.txt"
head -c 300000 /dev/zero > "$work/照片/假期.bin"
printf '<b>&amp;' > "$work/docs/a<b>&amp;.html"

mkdir -p "$output"
scale=${QT_SCALE_FACTOR:-1}
if [ "${3:-}" = verify ]; then
  # The list is made before one file changes and another goes away.
  (cd "$work/docs" && sha256sum fox.txt empty.txt "a<b>&amp;.html" > SHA256SUMS)
  printf 'The quick brown fox jumps over the lazy cat' > "$work/docs/fox.txt"
  rm "$work/docs/empty.txt"
  QUERNIX_LANG=zh QUERNIX_SHOT_VERIFY=$work/docs/SHA256SUMS \
  QUERNIX_SHOT_OUTPUT=$(realpath -m "$output/screenshot-verify.png") \
  QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu" \
  QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 $((800 * scale))x$((520 * scale))x24" "$driver"
  echo "saved $output/screenshot-verify.png"
  exit 0
fi
for lang in en zh; do
  QUERNIX_LANG=$lang \
  QUERNIX_SHOT_OUTPUT=$(realpath -m "$output/screenshot-$lang.png") \
  QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu" \
  QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 $((800 * scale))x$((520 * scale))x24" \
    "$driver" "$work/docs/fox.txt" "$work/docs/empty.txt" "$work/照片/假期.bin" \
    "$work/docs/a<b>&amp;.html"
  echo "saved $output/screenshot-$lang.png"
done
