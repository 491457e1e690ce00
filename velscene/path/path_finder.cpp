// TPathFinder: checks the input, picks the cell to head for (the goal's, or
// the nearest reachable one), runs the search and smooths its cell path.
#include "velscene/path/path_finder.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "velscene/map.h"
#include "velscene/internal/numeric.h"
#include "velscene/path/internal/grid_search.h"
#include "velscene/path/internal/path_smooth.h"
#include "velscene/view.h"

namespace vel {

using path::GridSearch;

namespace {

bool Finite(TPathPoint p) { return std::isfinite(p.X) && std::isfinite(p.Y); }

// Side - 1 as a single, rounded down where it is not exact.
float BorderCentre(uint32_t Side) {
  const float c = float(Side - 1);
  return double(c) > double(Side - 1) ? std::nextafter(c, 0.0f) : c;
}

// What makes a cell nearer to the goal than another: the open-grid walk to
// the goal's cell, then the straight distance to the goal, then row order.
struct Nearness {
  uint64_t Walk = std::numeric_limits<uint64_t>::max();
  double Distance2 = 0;
  uint64_t Order = 0;
  bool operator<(const Nearness& o) const {
    if (Walk != o.Walk) return Walk < o.Walk;
    if (Distance2 != o.Distance2) return Distance2 < o.Distance2;
    return Order < o.Order;
  }
};

class NearestCell {
 public:
  NearestCell(GridSearch& Search, TPathPoint Goal, int64_t GoalX, int64_t GoalY)
      : FSearch(Search), FGoal(Goal), FGoalX(GoalX), FGoalY(GoalY) {}

  void Offer(int64_t X, int64_t Y) {
    const Nearness k = KeyOf(X, Y);
    if (k < FBest) {
      FBest = k;
      FX = X;
      FY = Y;
    }
  }
  int64_t X() const { return FX; }
  int64_t Y() const { return FY; }

  // The passable cells in rings around the goal's cell (clipped to the grid),
  // until a ring lies farther than the best cell so far.
  void ScanRings() {
    const int64_t W = FSearch.Width(), H = FSearch.Height();
    const int64_t gx = FGoalX, gy = FGoalY;
    const int64_t rx = gx < 0 ? -gx : std::max<int64_t>(gx - (W - 1), 0);
    const int64_t ry = gy < 0 ? -gy : std::max<int64_t>(gy - (H - 1), 0);
    const int64_t last = std::max({std::abs(gx), std::abs(gx - (W - 1)), std::abs(gy), std::abs(gy - (H - 1))});
    for (int64_t r = std::max(rx, ry); r <= last; ++r) {
      if (uint64_t(r) * kPathStraight > FBest.Walk) break;
      if (r == 0) {
        OfferPassable(gx, gy);
        continue;
      }
      const int64_t x0 = std::max<int64_t>(gx - r, 0), x1 = std::min<int64_t>(gx + r, W - 1);
      for (const int64_t y : {gy - r, gy + r})
        if (y >= 0 && y < H)
          for (int64_t x = x0; x <= x1; ++x) OfferPassable(x, y);
      const int64_t y0 = std::max<int64_t>(gy - r + 1, 0), y1 = std::min<int64_t>(gy + r - 1, H - 1);
      for (const int64_t x : {gx - r, gx + r})
        if (x >= 0 && x < W)
          for (int64_t y = y0; y <= y1; ++y) OfferPassable(x, y);
    }
  }

  // Every cell the last search reached (after it ran dry: all of them closed).
  void ScanReached() {
    const uint32_t W = FSearch.Width(), H = FSearch.Height();
    for (uint32_t y = 0; y < H; ++y)
      for (uint32_t x = 0; x < W; ++x)
        if (FSearch.Reached(x, y)) Offer(x, y);
  }

 private:
  void OfferPassable(int64_t X, int64_t Y) {
    if (FSearch.Passable(X, Y)) Offer(X, Y);
  }
  Nearness KeyOf(int64_t X, int64_t Y) const {
    const uint64_t dx = uint64_t(X > FGoalX ? X - FGoalX : FGoalX - X);
    const uint64_t dy = uint64_t(Y > FGoalY ? Y - FGoalY : FGoalY - Y);
    const double ex = double(X) - FGoal.X, ey = double(Y) - FGoal.Y;
    return {path::Octile(dx, dy), ex * ex + ey * ey, uint64_t(Y) * FSearch.Width() + uint64_t(X)};
  }

  GridSearch& FSearch;
  TPathPoint FGoal;
  int64_t FGoalX, FGoalY;
  Nearness FBest;
  int64_t FX = -1, FY = -1;
};

}  // namespace

TPathGrid PathGridOf(const TAniMap& Map) {
  const uint64_t cells = uint64_t(Map.Width()) * Map.Height();
  if (!Map.Cells() || cells == 0 || Map.CellBytes() != cells * 2) return {};
  return {Map.Cells(), Map.Width(), Map.Height()};
}

TPathGrid PathGridOf(const TAniView& View) {
  if (!View.MapCells() || View.MapWidth() == 0 || View.MapHeight() == 0) return {};
  return {View.MapCells(), View.MapWidth(), View.MapHeight()};
}

TPathFinder::TPathFinder() : FSearch(std::make_unique<GridSearch>()) {}
TPathFinder::~TPathFinder() = default;

uint64_t TPathFinder::Expanded() const { return FSearch->Expanded(); }

TPathStatus TPathFinder::Finish(TPathStatus Status) {
  FStatus = Status;
  if (Status != TPathStatus::Found && Status != TPathStatus::Nearest) {
    FWaypoints.clear();
    FCells.clear();
    FCost = 0;
  }
  return Status;
}

TPathStatus TPathFinder::Find(const TPathGrid& Grid, TPathPoint Start, TPathPoint Goal,
                              std::span<const TPathCell> Blocked, const TPathOptions& Options) {
  FSearch->Begin({}, {});
  if (!Grid.Cells || Grid.Width == 0 || Grid.Height == 0) return Finish(TPathStatus::NoMap);
  if (uint64_t(Grid.Width) * Grid.Height > kMaxPathCells) return Finish(TPathStatus::TooLarge);
  if (!Finite(Start)) return Finish(TPathStatus::BadStart);
  const int64_t sx = RoundEven(Start.X), sy = RoundEven(Start.Y);
  if (sx < 0 || sy < 0 || sx >= Grid.Width || sy >= Grid.Height) return Finish(TPathStatus::BadStart);
  if (!Finite(Goal)) return Finish(TPathStatus::BadGoal);
  const int64_t gx = RoundEven(Goal.X), gy = RoundEven(Goal.Y);

  GridSearch& search = *FSearch;
  search.Begin(Grid, Blocked);
  // The motion step keeps figures on the centres of the border cells.
  const TPathPoint end{std::clamp(Goal.X, 0.0f, BorderCentre(Grid.Width)),
                       std::clamp(Goal.Y, 0.0f, BorderCentre(Grid.Height))};
  if (gx == sx && gy == sy) {
    FCells.assign(1, {int32_t(sx), int32_t(sy)});
    FCost = 0;
    FWaypoints.assign({Start, end});
    return Finish(TPathStatus::Found);
  }

  // The cell to head for: the goal's, or the passable cell nearest to it.
  int64_t tx = gx, ty = gy;
  if (!search.Passable(gx, gy)) {
    if (!Options.Nearest) return Finish(TPathStatus::NoPath);
    NearestCell nearest(search, Goal, gx, gy);
    nearest.Offer(sx, sy);
    nearest.ScanRings();
    tx = nearest.X();
    ty = nearest.Y();
    if (tx == sx && ty == sy) return Finish(TPathStatus::NoPath);
  }
  const uint64_t budget = Options.MaxNodes == 0 ? std::numeric_limits<uint64_t>::max() : Options.MaxNodes;
  const GridSearch::TOutcome outcome = search.Run(uint32_t(sx), uint32_t(sy), uint32_t(tx), uint32_t(ty), budget);
  if (outcome == GridSearch::TOutcome::OverBudget) return Finish(TPathStatus::OverBudget);
  if (outcome == GridSearch::TOutcome::Exhausted) {
    // Out of reach: the nearest of the cells that were reached.
    if (!Options.Nearest) return Finish(TPathStatus::NoPath);
    NearestCell nearest(search, Goal, gx, gy);
    nearest.ScanReached();
    tx = nearest.X();
    ty = nearest.Y();
    if (tx == sx && ty == sy) return Finish(TPathStatus::NoPath);
  }
  const bool found = tx == gx && ty == gy;

  search.PathTo(uint32_t(tx), uint32_t(ty), FCells);
  FCost = search.CostTo(tx, ty);
  FPoints.clear();
  FPoints.push_back(Start);
  for (size_t k = 1; k + 1 < FCells.size(); ++k) FPoints.push_back({float(FCells[k].X), float(FCells[k].Y)});
  FPoints.push_back(found ? end : TPathPoint{float(tx), float(ty)});
  path::SmoothPath(search, FPoints, Options.Speed, FWaypoints);
  return Finish(found ? TPathStatus::Found : TPathStatus::Nearest);
}

}  // namespace vel
