// Path finder benchmarks: corner to corner on a 1024 x 1024 grid with 30 %
// of its cells blocked at random and on a 1024 x 1024 maze, and across an
// open 256 x 256 grid. One iteration is one Find (search and smoothing) on
// a warmed finder; the counters give the cells expanded and the path found.
// A short walk on the large grid shows the fixed cost of a search.
#include <benchmark/benchmark.h>

#include <random>
#include <utility>
#include <vector>

#include "velscene/path/path_finder.h"

using namespace vel;

namespace {

struct Grid {
  uint32_t w, h;
  std::vector<uint8_t> cells;
  Grid(uint32_t W, uint32_t H) : w(W), h(H), cells(size_t(W) * H * 2, 0) {}
  void Block(uint32_t x, uint32_t y, bool b = true) { cells[(size_t(y) * w + x) * 2 + 1] = b; }
  TPathGrid View() const { return {cells.data(), w, h}; }
};

// Every cell blocked with the given chance, the corners' 3 x 3 blocks open.
Grid RandomGrid(uint32_t side, double blocked, uint32_t seed) {
  Grid g(side, side);
  std::mt19937 rng(seed);
  std::bernoulli_distribution coin(blocked);
  for (uint32_t y = 0; y < side; ++y)
    for (uint32_t x = 0; x < side; ++x) g.Block(x, y, coin(rng));
  for (uint32_t y = 0; y < 3; ++y)
    for (uint32_t x = 0; x < 3; ++x) {
      g.Block(x, y, false);
      g.Block(side - 1 - x, side - 1 - y, false);
    }
  return g;
}

// A perfect maze by depth-first carving: rooms at odd coordinates, one-cell
// walls, long winding corridors.
Grid Maze(uint32_t side, uint32_t seed) {
  Grid g(side, side);
  for (uint32_t y = 0; y < side; ++y)
    for (uint32_t x = 0; x < side; ++x) g.Block(x, y);
  const uint32_t rooms = (side - 1) / 2;
  std::vector<uint8_t> seen(size_t(rooms) * rooms, 0);
  std::vector<std::pair<uint32_t, uint32_t>> stack{{0, 0}};
  std::mt19937 rng(seed);
  seen[0] = 1;
  g.Block(1, 1, false);
  while (!stack.empty()) {
    const auto [rx, ry] = stack.back();
    std::pair<uint32_t, uint32_t> next[4];
    int n = 0;
    if (rx > 0 && !seen[size_t(ry) * rooms + rx - 1]) next[n++] = {rx - 1, ry};
    if (rx + 1 < rooms && !seen[size_t(ry) * rooms + rx + 1]) next[n++] = {rx + 1, ry};
    if (ry > 0 && !seen[size_t(ry - 1) * rooms + rx]) next[n++] = {rx, ry - 1};
    if (ry + 1 < rooms && !seen[size_t(ry + 1) * rooms + rx]) next[n++] = {rx, ry + 1};
    if (n == 0) {
      stack.pop_back();
      continue;
    }
    const auto [nx, ny] = next[rng() % n];
    seen[size_t(ny) * rooms + nx] = 1;
    g.Block(2 * nx + 1, 2 * ny + 1, false);
    g.Block(rx + nx + 1, ry + ny + 1, false);  // the wall between the two rooms
    stack.push_back({nx, ny});
  }
  return g;
}

void Run(benchmark::State& state, const Grid& g, TPathPoint start, TPathPoint goal) {
  TPathFinder finder;
  if (finder.Find(g.View(), start, goal) != TPathStatus::Found) {
    state.SkipWithError("no path between the corners");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(finder.Find(g.View(), start, goal));
  state.counters["expanded"] = double(finder.Expanded());
  state.counters["path_cells"] = double(finder.Cells().size());
  state.counters["waypoints"] = double(finder.Waypoints().size());
  state.counters["cells"] = double(g.w) * g.h;
}

void BM_Random1024(benchmark::State& state) {
  static const Grid g = RandomGrid(1024, 0.30, 1);
  Run(state, g, {0, 0}, {1023, 1023});
}

void BM_Maze1024(benchmark::State& state) {
  static const Grid g = Maze(1024, 1);
  Run(state, g, {1, 1}, {1021, 1021});
}

// A few cells on the large grid: what a search costs beyond its expansions.
void BM_Short1024(benchmark::State& state) {
  static const Grid g = RandomGrid(1024, 0.30, 1);
  Run(state, g, {0, 0}, {2, 2});
}

void BM_Open256(benchmark::State& state) {
  static const Grid g(256, 256);
  Run(state, g, {0, 0}, {255, 255});
}

}  // namespace

BENCHMARK(BM_Random1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Maze1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Short1024)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Open256)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
