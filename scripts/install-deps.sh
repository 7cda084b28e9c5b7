#!/usr/bin/env bash
# Installs the Debian packages that building, testing or running Quernix needs.
# Only packages that are missing are installed; apt-get runs as root (directly or via sudo).
# Usage: scripts/install-deps.sh [build|bench|ci]
set -euo pipefail

pkgs=(
  build-essential cmake pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-format
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools
  qt6-webengine-dev qt6-webengine-dev-tools qt6-svg-dev
  libgl-dev libxkbcommon-dev
  fonts-wqy-microhei xvfb xauth
  coreutils rhash  # the check-mode tests verify checksum files against them
  qt6-l10n-tools qt6-translations-l10n
  librsvg2-bin python3 python3-markdown
  desktop-file-utils appstream shared-mime-info man-db bash-completion file
)
if [ "${1:-build}" = bench ]; then
  # Peer tools and libraries the benchmarks compare against.
  pkgs+=(openssl rhash coreutils 7zip findutils gnuplot-nox
         libdeflate-dev libisal-dev libgcrypt20-dev liblzma-dev libcrypto++-dev nettle-dev
         php-cli libssl-dev time b3sum xxhash)
fi
if [ "${1:-build}" = ci ]; then
  # The checks CI runs after the tests: sanitizer builds and fuzzing with clang (its runtime
  # libraries and llvm-symbolizer for readable reports), and the aarch64 build run under
  # qemu-user, with GoogleTest built from Debian's source package for that architecture.
  pkgs+=(clang libclang-rt-14-dev llvm g++-aarch64-linux-gnu qemu-user googletest)
  # Peer tools the engine's tests cross-check against (the tests skip a peer that is absent).
  pkgs+=(b3sum xxhash)
fi

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
