#!/usr/bin/env bash
# Installs the Debian packages Velscene builds, tests and runs with.
# Skips apt when everything is already present (set VELSCENE_FORCE_APT=1 to always run it).
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config libpng-dev libsdl2-dev nlohmann-json3-dev
          # Tiled maps: the XML parser, zlib and zstd for compressed layer data.
          libpugixml-dev zlib1g-dev libzstd-dev
          libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev xvfb xdotool x11-apps imagemagick
          # The aarch64 cross build, run under qemu-user: the :arm64 packages come through multiarch.
          g++-aarch64-linux-gnu qemu-user qemu-user-binfmt libpng-dev:arm64 libgtest-dev:arm64 libgmock-dev:arm64
          libpugixml-dev:arm64 zlib1g-dev:arm64 libzstd-dev:arm64)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ] || [ "${VELSCENE_FORCE_APT:-0}" = 1 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  echo "Installing: ${missing[*]:-all}"
  dpkg --print-foreign-architectures | grep -qx arm64 || $SUDO dpkg --add-architecture arm64
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${packages[@]}" >/dev/null
fi
