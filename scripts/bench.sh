#!/usr/bin/env bash
# The bench command: installs the dependencies, builds a Release tree with the
# benchmarks and runs them (5 repetitions interleaved at random, so that a
# change in the machine's load meets every peer alike; medians); the frame
# benchmark ends with its table of medians and ratios. Not part of CI, and
# built without -Werror (GCC 12 at -O3 warns falsely in code outside the
# drawing paths).
#   scripts/bench.sh [BENCHMARK...]   (default: frame; e.g. frame blit host)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -G Ninja -S . -B build/perf -DCMAKE_BUILD_TYPE=Release -DVELSCENE_WERROR=OFF -DVELSCENE_BENCH=ON \
  -DVELSCENE_TESTS=OFF -DVELSCENE_APPS=OFF >/dev/null
names=("$@")
[ ${#names[@]} -eq 0 ] && names=(frame)
targets=()
for n in "${names[@]}"; do targets+=("bench_$n"); done
ninja -C build/perf "${targets[@]}"
lscpu | grep -m1 'Model name' || true
for t in "${targets[@]}"; do
  "build/perf/bench/$t" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_enable_random_interleaving=true
done
