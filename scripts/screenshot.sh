#!/usr/bin/env bash
# Makes docs/screenshot-en.png and docs/screenshot-zh.png: the main window in English and in
# Chinese after a batch over a few files, on a virtual X server.
# Usage: scripts/screenshot.sh [build-dir] [output-folder]
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
