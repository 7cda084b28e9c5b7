#!/usr/bin/env bash
# Makes docs/screenshot.png: the main window after a batch over a few files, on a virtual X
# server. Usage: scripts/screenshot.sh [build-dir] [output.png]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
output=${2:-docs/screenshot.png}
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

mkdir -p "$(dirname "$output")"
QUERNIX_SHOT_OUTPUT=$(realpath -m "$output") \
QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu" \
QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 800x520x24" \
  "$driver" "$work/docs/fox.txt" "$work/docs/empty.txt" "$work/照片/假期.bin" \
  "$work/docs/a<b>&amp;.html"
echo "saved $output"
