#!/usr/bin/env bash
# Side by side with the editor's own renderer: installs Debian's tiled
# package (for its command-line rasteriser and its example maps), renders
# each isometric example map and our sample town with tmxrasterizer and with
# `velscene image`, aligns the two canvases and prints per map the share of
# pixels equal, within +-2 on every channel (equal ones included) and
# different, with a difference image beside each pair in OUT.
#   scripts/interop.sh [OUT]        (default build/interop; BUILD=build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build/release}
out=${1:-build/interop}
mkdir -p "$out"

if ! command -v tmxrasterizer >/dev/null 2>&1; then
  sudo=; [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo apt-get install -y --no-install-recommends tiled >"$out/apt.log" 2>&1 ||
    { echo "interop: cannot install Debian's tiled package (see $out/apt.log)" >&2; exit 1; }
fi
examples=/usr/share/doc/tiled/examples
[ -d "$examples" ] || { echo "interop: $examples is missing" >&2; exit 1; }

cmake -G Ninja -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELSCENE_WERROR=ON -DVELSCENE_BENCH=OFF >/dev/null
nice ninja -C "$build" velscene_cli >/dev/null
velscene=$build/apps/velscene/velscene
c++ -O2 -std=c++20 scripts/interop_compare.cpp -lpng -o "$out/interop_compare"

# The rasteriser reads no gzipped maps: the examples are copied and unpacked.
rm -rf "$out/examples" && cp -r "$examples" "$out/examples"
gunzip -f "$out/examples/isometric_staggered_grass_and_water.tmx.gz"

# name | map file | layers the editor is not to draw (collision layers and
# markers, which the view does not draw either), comma-separated | background RRGGBB
maps=(
  "grass_and_water|$out/examples/isometric_grass_and_water.tmx||000000"
  "staggered_grass_and_water|$out/examples/isometric_staggered_grass_and_water.tmx||000000"
  "town_tmx|scenes/town/town.tmx|collision,markers|1c2430"
  "town_tmj|scenes/town/town.tmj|collision,markers|1c2430"
)
printf '%-28s %s\n' map "canvas, alignment and shares of pixels"
for entry in "${maps[@]}"; do
  IFS='|' read -r name map hide bg <<<"$entry"
  [ -f "$map" ] || { printf '%-28s missing: %s\n' "$name" "$map"; continue; }
  hideArgs=()
  IFS=',' read -ra hidden <<<"$hide"
  for layer in "${hidden[@]}"; do hideArgs+=(--hide-layer "$layer"); done
  QT_QPA_PLATFORM=offscreen tmxrasterizer --no-smoothing "${hideArgs[@]}" "$map" "$out/$name.editor.png" \
    >"$out/$name.editor.log" 2>&1 || { printf '%-28s the editor failed (see %s)\n' "$name" "$out/$name.editor.log"; continue; }
  "$velscene" image "$map" "$out/$name.ours.png" --ticks 1 >"$out/$name.ours.log" 2>&1 ||
    { printf '%-28s velscene failed (see %s)\n' "$name" "$out/$name.ours.log"; continue; }
  printf '%-28s %s\n' "$name" "$("$out/interop_compare" "$out/$name.editor.png" "$out/$name.ours.png" "$out/$name.diff.png" "$bg")"
done
