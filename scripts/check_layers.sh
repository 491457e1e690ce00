#!/usr/bin/env bash
# Checks that includes point only downward: a platform layer includes only
# itself and the layers below it (base < raster < graphics < host < backends
# < typinfo < design), no platform file includes the library, the library
# includes neither the scene reader nor the applications, and nothing outside
# a component includes another component's internal/ headers, and the library
# does not include the Tiled reader that sits on it.
set -uo pipefail
cd "$(dirname "$0")/.."
layers=(base raster graphics host backends typinfo design)
rank() { local i; for i in "${!layers[@]}"; do [ "${layers[$i]}" = "$1" ] && echo "$i" && return; done; echo 99; }
bad=0
report() { echo "upward include: $1 -> $2"; bad=1; }

while IFS= read -r file; do
  layer=${file#platform/}; layer=${layer%%/*}
  own=$(rank "$layer")
  while IFS= read -r inc; do
    case "$inc" in
      velscene/platform/*)
        to=${inc#velscene/platform/}; to=${to%%/*}
        [ "$(rank "$to")" -le "$own" ] || report "$file" "$inc" ;;
      velscene/*) report "$file" "$inc" ;;
    esac
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
done < <(git ls-files 'platform/*.h' 'platform/*.cpp')

# Library files (less the exempt ones, by grep pattern) include nothing matching $1.
forbid() {
  while IFS= read -r file; do
    while IFS= read -r inc; do
      if [[ $inc =~ $1 ]]; then report "$file" "$inc"; fi
    done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
  done < <(git ls-files 'velscene/*.h' 'velscene/*.cpp' | grep -v "$2")
}
forbid '^(velscene/scene/|runner/)' '^velscene/scene/'
# The Tiled reader sits on the library: the library never includes it.
forbid '^velscene/tiled/' '^velscene/scene/\|^velscene/tiled/'

# internal/ headers belong to the folder that holds internal/.
while IFS= read -r file; do
  while IFS= read -r inc; do
    case "$inc" in
      */internal/*)
        home=${inc%%/internal/*}
        case "$home" in velscene/platform/*) home=${home#velscene/} ;; esac
        case "$file" in "$home"/*) ;; *) report "$file" "$inc (internal to $home)" ;; esac ;;
    esac
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
done < <(git ls-files '*.h' '*.cpp' | grep -v '^tests/\|^fuzz/\|^bench/')

[ "$bad" = 0 ] && echo "includes point downward"
exit "$bad"
