// The path finder against a plain Dijkstra over the same moves on seeded
// random grids (cost, legality, nearest cell), its determinism, its
// smoothed legs, and bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <queue>
#include <random>
#include <vector>

#include "velscene/map.h"
#include "velscene/path/path_finder.h"

using namespace vel;

namespace {

constexpr uint64_t kNone = std::numeric_limits<uint64_t>::max();

struct Grid {
  uint32_t w = 0, h = 0;
  std::vector<uint8_t> cells;  // two bytes a cell, as the map stores them
  std::vector<TPathCell> extra;
  TPathCell start{-1, -1};  // extra cells at the start's own cell do not count

  bool Inside(int64_t x, int64_t y) const { return x >= 0 && y >= 0 && x < w && y < h; }
  bool Free(int64_t x, int64_t y) const {
    if (!Inside(x, y) || cells[(size_t(y) * w + size_t(x)) * 2 + 1] != 0) return false;
    for (const TPathCell& c : extra)
      if (c.X == x && c.Y == y && !(c == start)) return false;
    return true;
  }
  TPathGrid View() const { return {cells.data(), w, h}; }
};

Grid RandomGrid(std::mt19937& rng, uint32_t maxSide) {
  Grid g;
  g.w = 1 + rng() % maxSide;
  g.h = 1 + rng() % maxSide;
  g.cells.assign(size_t(g.w) * g.h * 2, 0);
  const uint32_t density = rng() % 55;
  for (size_t i = 0; i < size_t(g.w) * g.h; ++i) g.cells[i * 2 + 1] = uint8_t(rng() % 100 < density);
  for (uint32_t k = rng() % 4; k > 0; --k) g.extra.push_back({int32_t(rng() % g.w), int32_t(rng() % g.h)});
  return g;
}

// Plain Dijkstra with the finder's moves: eight neighbours, 70 and 99, a
// diagonal only between two free side cells; the start cell itself may be
// blocked. Returns every cell's cost (kNone where unreachable).
std::vector<uint64_t> Dijkstra(const Grid& g, int32_t sx, int32_t sy) {
  std::vector<uint64_t> dist(size_t(g.w) * g.h, kNone);
  using Item = std::pair<uint64_t, size_t>;
  std::priority_queue<Item, std::vector<Item>, std::greater<>> open;
  dist[size_t(sy) * g.w + sx] = 0;
  open.push({0, size_t(sy) * g.w + sx});
  while (!open.empty()) {
    auto [d, i] = open.top();
    open.pop();
    if (d != dist[i]) continue;
    const int64_t x = int64_t(i % g.w), y = int64_t(i / g.w);
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) {
        if ((dx == 0 && dy == 0) || !g.Free(x + dx, y + dy)) continue;
        if (dx != 0 && dy != 0 && !(g.Free(x + dx, y) && g.Free(x, y + dy))) continue;
        const uint64_t nd = d + (dx != 0 && dy != 0 ? 99 : 70);
        const size_t j = size_t(y + dy) * g.w + size_t(x + dx);
        if (nd < dist[j]) {
          dist[j] = nd;
          open.push({nd, j});
        }
      }
  }
  return dist;
}

// The cell path is a walk of legal moves from the start cell to `end`
// whose cost is the one reported.
void ExpectLegalWalk(const Grid& g, const TPathFinder& f, TPathCell start, TPathCell end) {
  const auto cells = f.Cells();
  ASSERT_FALSE(cells.empty());
  EXPECT_EQ(cells.front(), start);
  EXPECT_EQ(cells.back(), end);
  uint64_t cost = 0;
  for (size_t k = 1; k < cells.size(); ++k) {
    const TPathCell a = cells[k - 1], b = cells[k];
    const int dx = b.X - a.X, dy = b.Y - a.Y;
    ASSERT_TRUE(std::abs(dx) <= 1 && std::abs(dy) <= 1 && (dx || dy)) << "not a neighbour at " << k;
    ASSERT_TRUE(g.Free(b.X, b.Y)) << "blocked cell at " << k;
    if (dx && dy) {
      ASSERT_TRUE(g.Free(a.X + dx, a.Y) && g.Free(a.X, a.Y + dy)) << "corner cut at " << k;
      cost += 99;
    } else {
      cost += 70;
    }
  }
  EXPECT_EQ(cost, f.Cost());
}

TPathPoint InCell(std::mt19937& rng, int32_t x, int32_t y) {
  std::uniform_real_distribution<float> off(-0.49f, 0.49f);
  return {float(x) + off(rng), float(y) + off(rng)};
}

}  // namespace

// Thousands of random grids: the cost equals Dijkstra's, the walk is legal,
// and an unreachable or blocked goal ends at the reference's nearest cell.
TEST(PathFinder, MatchesDijkstraOnRandomGrids) {
  std::mt19937 rng(20240518);
  TPathFinder finder;
  int found = 0, nearest = 0, none = 0;
  for (int round = 0; round < 4000; ++round) {
    Grid g = RandomGrid(rng, round < 3000 ? 12 : 40);
    const int32_t sx = int32_t(rng() % g.w), sy = int32_t(rng() % g.h);
    if (round % 7 == 0) g.extra.push_back({sx, sy});
    g.start = {sx, sy};
    const int32_t gx = int32_t(rng() % (g.w + 2)) - 1, gy = int32_t(rng() % (g.h + 2)) - 1;
    const TPathPoint start = InCell(rng, sx, sy), goal = InCell(rng, gx, gy);
    const TPathStatus status = finder.Find(g.View(), start, goal, g.extra);
    SCOPED_TRACE(testing::Message() << "round " << round);

    const std::vector<uint64_t> dist = Dijkstra(g, sx, sy);
    if (gx == sx && gy == sy) {
      EXPECT_EQ(status, TPathStatus::Found);
      continue;
    }
    const bool open = g.Free(gx, gy) && dist[size_t(gy) * g.w + gx] != kNone;
    if (open) {
      ASSERT_EQ(status, TPathStatus::Found);
      EXPECT_EQ(finder.Cost(), dist[size_t(gy) * g.w + gx]);
      ExpectLegalWalk(g, finder, {sx, sy}, {gx, gy});
      // A goal beyond the border cells' centres is pulled onto them.
      const TPathPoint end{std::clamp(goal.X, 0.0f, float(g.w - 1)), std::clamp(goal.Y, 0.0f, float(g.h - 1))};
      EXPECT_EQ(finder.Waypoints().back(), end);
      ++found;
      continue;
    }
    // The reference's nearest reachable cell: open-grid walk to the goal's
    // cell, then distance to the goal, then row order.
    int64_t best = -1;
    std::tuple<uint64_t, double, int64_t> bestKey{kNone, 0, 0};
    for (int64_t y = 0; y < g.h; ++y)
      for (int64_t x = 0; x < g.w; ++x) {
        if (dist[size_t(y) * g.w + x] == kNone) continue;
        const uint64_t ax = std::abs(x - gx), ay = std::abs(y - gy);
        const uint64_t walk = 70 * std::max(ax, ay) + 29 * std::min(ax, ay);
        const double ex = x - double(goal.X), ey = y - double(goal.Y);
        const std::tuple<uint64_t, double, int64_t> key{walk, ex * ex + ey * ey, y * g.w + x};
        if (key < bestKey) bestKey = key, best = y * g.w + x;
      }
    const int32_t bx = int32_t(best % g.w), by = int32_t(best / g.w);
    if (bx == sx && by == sy) {
      EXPECT_EQ(status, TPathStatus::NoPath);
      EXPECT_TRUE(finder.Waypoints().empty());
      ++none;
      continue;
    }
    ASSERT_EQ(status, TPathStatus::Nearest);
    EXPECT_EQ(finder.Cost(), dist[size_t(best)]);
    ExpectLegalWalk(g, finder, {sx, sy}, {bx, by});
    EXPECT_EQ(finder.Waypoints().back(), (TPathPoint{float(bx), float(by)}));
    ++nearest;
  }
  // The seed covers all three outcomes well.
  EXPECT_GT(found, 1000);
  EXPECT_GT(nearest, 300);
  EXPECT_GT(none, 50);
}

// Same query, same path: twice in a row, after other searches on other
// grids, and from a fresh finder.
TEST(PathFinder, Deterministic) {
  std::mt19937 rng(7);
  std::vector<Grid> grids;
  for (int k = 0; k < 20; ++k) grids.push_back(RandomGrid(rng, 40));
  TPathFinder warm;
  for (const Grid& g : grids) {
    const TPathPoint start{0, 0}, goal{float(g.w - 1), float(g.h - 1)};
    warm.Find(g.View(), start, goal, g.extra);
    const std::vector<TPathCell> cells(warm.Cells().begin(), warm.Cells().end());
    const std::vector<TPathPoint> points(warm.Waypoints().begin(), warm.Waypoints().end());
    const TPathStatus status = warm.Status();
    for (const Grid& other : grids) warm.Find(other.View(), {1, 1}, {float(other.w / 2), 0}, other.extra);
    TPathFinder fresh;
    for (TPathFinder* f : {&warm, &fresh}) {
      EXPECT_EQ(f->Find(g.View(), start, goal, g.extra), status);
      EXPECT_EQ(std::vector<TPathCell>(f->Cells().begin(), f->Cells().end()), cells);
      EXPECT_EQ(std::vector<TPathPoint>(f->Waypoints().begin(), f->Waypoints().end()), points);
    }
  }
}

// Smoothing keeps the ends, drops the points of a straight run, and never
// squeezes a leg between two blocked cells that touch at a corner.
TEST(PathFinder, SmoothedLegs) {
  Grid g;
  g.w = 12;
  g.h = 12;
  g.cells.assign(12 * 12 * 2, 0);
  TPathFinder f;
  const TPathPoint start{0.2f, 0.3f}, goal{11.0f, 11.0f};
  ASSERT_EQ(f.Find(g.View(), start, goal), TPathStatus::Found);
  EXPECT_EQ(f.Waypoints().size(), 2u);  // open ground: one straight leg
  EXPECT_EQ(f.Waypoints().front(), start);
  EXPECT_EQ(f.Waypoints().back(), goal);

  // Cells (5, 6) and (6, 5) touch at a corner on the diagonal: the path goes
  // around them, and no leg passes through that corner.
  g.cells[(6 * 12 + 5) * 2 + 1] = 1;
  g.cells[(5 * 12 + 6) * 2 + 1] = 1;
  ASSERT_EQ(f.Find(g.View(), {0, 0}, goal), TPathStatus::Found);
  EXPECT_GT(f.Waypoints().size(), 2u);
  for (size_t k = 1; k < f.Waypoints().size(); ++k) {
    const TPathPoint a = f.Waypoints()[k - 1], b = f.Waypoints()[k];
    // Distance from the corner (5.5, 5.5) to the leg.
    const double dx = b.X - a.X, dy = b.Y - a.Y, len2 = dx * dx + dy * dy;
    const double t = std::clamp(((5.5 - a.X) * dx + (5.5 - a.Y) * dy) / len2, 0.0, 1.0);
    EXPECT_GT(std::hypot(a.X + t * dx - 5.5, a.Y + t * dy - 5.5), 1.0 / 128) << "leg " << k;
  }
}

// Bad input of every kind gives its status and no path, quickly.
TEST(PathFinder, BadInput) {
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  Grid g;
  g.w = 8;
  g.h = 6;
  g.cells.assign(8 * 6 * 2, 0);
  for (int y = 0; y < 6; ++y) g.cells[(y * 8 + 4) * 2 + 1] = 1;  // a wall at x = 4
  const uint8_t one[2] = {0, 0};
  struct Case {
    TPathGrid grid;
    TPathPoint start, goal;
    TPathStatus expected;
  } cases[] = {
      {{nullptr, 8, 6}, {1, 1}, {2, 2}, TPathStatus::NoMap},
      {{g.cells.data(), 0, 6}, {1, 1}, {2, 2}, TPathStatus::NoMap},
      {{one, 1u << 13, 1u << 13}, {1, 1}, {2, 2}, TPathStatus::TooLarge},  // never read
      {g.View(), {nan, 1}, {2, 2}, TPathStatus::BadStart},
      {g.View(), {1, inf}, {2, 2}, TPathStatus::BadStart},
      {g.View(), {-0.6f, 1}, {2, 2}, TPathStatus::BadStart},
      {g.View(), {1, 5.6f}, {2, 2}, TPathStatus::BadStart},
      {g.View(), {1, 1}, {-inf, 2}, TPathStatus::BadGoal},
      {g.View(), {1, 1}, {2, nan}, TPathStatus::BadGoal},
      {g.View(), {1, 1}, {6, 2}, TPathStatus::Nearest},          // beyond the wall
      {g.View(), {1, 1}, {4, 2}, TPathStatus::Nearest},          // in the wall
      {g.View(), {1, 1}, {-1e30f, 3e38f}, TPathStatus::Nearest},  // far off the map
      {g.View(), {3, 2}, {4, 2}, TPathStatus::NoPath},           // already as near as it gets
      {{one, 1, 1}, {0, 0}, {5, 0}, TPathStatus::NoPath},        // off the only cell
      {g.View(), {1, 0}, {1.25f, -0.3f}, TPathStatus::Found},    // pulled onto the border row
  };
  TPathFinder f;
  for (const Case& c : cases) {
    const TPathStatus got = f.Find(c.grid, c.start, c.goal);
    EXPECT_EQ(got, c.expected) << c.start.X << "," << c.start.Y << " -> " << c.goal.X << "," << c.goal.Y;
    const bool walk = got == TPathStatus::Found || got == TPathStatus::Nearest;
    EXPECT_EQ(f.Waypoints().empty(), !walk);
    for (const TPathPoint& p : f.Waypoints()) EXPECT_TRUE(std::isfinite(p.X) && std::isfinite(p.Y));
  }
  // The nearest cells: beside the wall on the goal's row, and the corner cell
  // nearest to a goal far off.
  f.Find(g.View(), {1, 1}, {6, 2});
  EXPECT_EQ(f.Waypoints().back(), (TPathPoint{3, 2}));
  f.Find(g.View(), {1, 1}, {-1e30f, 3e38f});
  EXPECT_EQ(f.Waypoints().back(), (TPathPoint{0, 5}));
  f.Find(g.View(), {1, 0}, {1.25f, -0.3f});
  EXPECT_EQ(f.Waypoints().back(), (TPathPoint{1.25f, 0}));

  // Without the fallback a walled-off goal has no path; a budget too small
  // for the search stops it.
  TPathOptions strict;
  strict.Nearest = false;
  EXPECT_EQ(f.Find(g.View(), {1, 1}, {6, 2}, {}, strict), TPathStatus::NoPath);
  TPathOptions tight;
  tight.MaxNodes = 1;
  EXPECT_EQ(f.Find(g.View(), {0, 0}, {3, 5}, {}, tight), TPathStatus::OverBudget);
  EXPECT_EQ(f.Expanded(), 1u);
  EXPECT_TRUE(f.Cells().empty());
}

// A map and a view bound to it give the same grid; the view keeps its
// snapshot when the map changes, and extra blocked cells are walked around.
TEST(PathFinder, MapGridAndExtraCells) {
  TAniMap map(nullptr);
  map.SetWidth(6);
  map.SetHeight(3);
  map.SetGridRange(2, 0, 2, 1, 0, false);
  const TPathGrid grid = PathGridOf(map);
  ASSERT_EQ(grid.Cells, map.Cells());
  TPathFinder f;
  ASSERT_EQ(f.Find(grid, {0, 0}, {5, 0}), TPathStatus::Found);
  EXPECT_EQ(f.Cost(), 3u * 70 + 3 * 99);  // down round the wall's end and up again
  const TPathCell held[] = {{2, 2}};
  EXPECT_EQ(f.Find(grid, {0, 0}, {5, 0}, held), TPathStatus::Nearest);
  EXPECT_EQ(f.Waypoints().back(), (TPathPoint{1, 0}));
  map.SetWidth(0);
  EXPECT_EQ(PathGridOf(map).Cells, nullptr);
  EXPECT_EQ(f.Find(PathGridOf(map), {0, 0}, {1, 0}), TPathStatus::NoMap);
}
