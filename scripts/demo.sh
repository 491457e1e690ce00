#!/usr/bin/env bash
# The main job: installs what Velscene needs, builds the velscene command and
# plays the demo scene, in a window when a display exists, else rendered to files.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -G Ninja -S . -B build/demo -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELSCENE_TESTS=OFF -DVELSCENE_BENCH=OFF
ninja -C build/demo velscene_cli
# Without a window system `play` renders the scene to PNG frames, an animated
# PNG and a trace under build/demo/render and prints where.
exec build/demo/apps/velscene/velscene play scenes/demo/demo.json --out build/demo/render \
  --trace build/demo/render/trace.jsonl "$@"
