#!/usr/bin/env bash
# The fuzz command: builds the libFuzzer targets with clang (ASan + UBSan) and
# runs each for SECONDS on a scratch copy of its committed corpus, then runs
# the soak program. Any crash, sanitizer report, hang, leak or broken
# invariant fails the command and leaves the input in build/fuzz/findings/.
#   scripts/fuzz.sh SECONDS [FUZZER...]      (default: every fuzzer)
#   SOAK_TICKS=N (default 100000; 0 skips the soak run)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: scripts/fuzz.sh SECONDS [FUZZER...]}
shift || true
jobs=$(nproc)

if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz: clang++ is missing (run scripts/deps.sh): cannot build the fuzzers" >&2
  exit 1
fi
if ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  echo "fuzz: libFuzzer is missing (libclang-rt-14-dev): cannot build the fuzzers" >&2
  exit 1
fi

CXX=clang++ cmake -G Ninja -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELSCENE_FUZZ=ON \
  -DVELSCENE_WERROR=ON -DVELSCENE_TESTS=OFF -DVELSCENE_BENCH=OFF -DVELSCENE_APPS=OFF -DVELSCENE_SDL2=OFF >/dev/null

fuzzers=("$@")
if [ ${#fuzzers[@]} -eq 0 ]; then
  for f in fuzz/fuzz_*.cpp; do fuzzers+=("$(basename "$f" .cpp | sed 's/^fuzz_//')"); done
fi
for name in "${fuzzers[@]}"; do
  [ -f "fuzz/fuzz_$name.cpp" ] || { echo "fuzz: no fuzzer named $name" >&2; exit 1; }
done
# Only the fuzzers and what they link: the shared runtime and the design
# package are not built with libFuzzer.
ninja -C build/fuzz -j "$jobs" "${fuzzers[@]/#/fuzz_}"

findings=build/fuzz/findings
mkdir -p "$findings"
status=0
for name in "${fuzzers[@]}"; do
  exe=build/fuzz/fuzz/fuzz_$name
  work=$(mktemp -d)
  seeds=fuzz/corpus/$name
  [ -d "$seeds" ] || seeds=
  echo "== fuzz_$name for ${seconds}s"
  # New inputs go to the scratch directory; the committed corpus is only read.
  if "$exe" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$findings/$name-" "$work" $seeds >"build/fuzz/$name.log" 2>&1; then
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec)' "build/fuzz/$name.log" | tr '\n' ' '
    echo
  else
    echo "fuzz: fuzz_$name found a fault; the input is in $findings, the log in build/fuzz/$name.log" >&2
    grep -E 'ERROR|runtime error|invariant broken|SUMMARY' "build/fuzz/$name.log" | head -5 >&2
    status=1
  fi
  rm -rf "$work"
done

ticks=${SOAK_TICKS:-100000}
if [ "$ticks" != 0 ]; then
  cmake -G Ninja -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELSCENE_WERROR=ON -DVELSCENE_BENCH=OFF >/dev/null
  ninja -C build/release -j "$jobs" velscene_soak
  echo "== soak for $ticks ticks"
  build/release/fuzz/velscene_soak --ticks "$ticks" || status=1
fi
exit $status
