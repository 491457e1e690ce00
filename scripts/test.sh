#!/usr/bin/env bash
# The test command: installs what it needs, builds with -Werror and runs the
# whole suite, then builds again with AddressSanitizer + UndefinedBehaviorSanitizer
# (and libstdc++ assertions) and runs the whole suite once more, checks that
# LeakSanitizer is live, and runs each fuzzer briefly plus the soak program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc)

cmake -G Ninja -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELSCENE_WERROR=ON -DVELSCENE_BENCH=OFF
ninja -C build/release -j "$jobs"
# Under a virtual X server when there is one, so the SDL2 window tests run too
# (without it they skip).
xvfb=()
command -v xvfb-run >/dev/null && xvfb=(xvfb-run -a -s "-screen 0 1024x768x24")
"${xvfb[@]}" ctest --test-dir build/release --output-on-failure -j "$jobs"

cmake -G Ninja -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DVELSCENE_WERROR=ON -DVELSCENE_SANITIZE=ON \
      -DVELSCENE_BENCH=OFF -DCMAKE_CXX_FLAGS="-O1"
ninja -C build/sanitize -j "$jobs"
# Without a display: the X and GL libraries SDL loads leak a little on every
# video start, which the leak checker would lay at our door.
env -u DISPLAY -u WAYLAND_DISPLAY \
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/sanitize --output-on-failure -j "$jobs"

# LeakSanitizer must really be on in that run: a deliberate leak has to fail.
probe=build/sanitize/lsan_probe
printf '#include <cstdlib>\nvoid* volatile kept;\nint main() { kept = std::malloc(64); kept = nullptr; return 0; }\n' \
  > "$probe.cpp"
g++ -fsanitize=address,undefined -g "$probe.cpp" -o "$probe"
if ASAN_OPTIONS=detect_leaks=1 "$probe" 2>"$probe.log" || ! grep -q "LeakSanitizer: detected memory leaks" "$probe.log"; then
  echo "LeakSanitizer is not active: the sanitizer run cannot see leaks" >&2
  cat "$probe.log" >&2
  exit 1
fi
echo "LeakSanitizer is active (a deliberate leak was reported)"

# Each fuzzer for 15 s on its committed corpus, then the soak run.
bash scripts/fuzz.sh 15
