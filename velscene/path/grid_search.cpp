// The A* engine: a state byte and a cost per cell, a ring of cost buckets as
// the open list, 8-connected expansion without corner cutting.
#include "velscene/path/internal/grid_search.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace vel::path {

void GridSearch::Begin(const TPathGrid& Grid, std::span<const TPathCell> Blocked) {
  FCells = Grid.Cells;
  FWidth = Grid.Width;
  FHeight = Grid.Height;
  FExpanded = 0;
  const size_t cells = size_t(FWidth) * FHeight;
  if (FState.size() < cells) {
    FState.assign(cells, 0);
    FG.assign(cells, 0);
  }
  if (cells > 0) std::memset(FState.data(), 0, cells);
  for (const TPathCell& c : Blocked)
    if (Inside(c.X, c.Y)) FState[size_t(c.Y) * FWidth + size_t(c.X)] = kBlocked;
}

GridSearch::TOutcome GridSearch::Run(uint32_t StartX, uint32_t StartY, uint32_t TargetX, uint32_t TargetY,
                                     uint64_t Budget) {
  const uint32_t W = FWidth, H = FHeight;
  const uint8_t* cells = FCells;
  uint8_t* state = FState.data();
  uint32_t* cost = FG.data();
  for (std::vector<Open>& b : FOpen) b.clear();
  const auto estimate = [TargetX, TargetY](uint32_t x, uint32_t y) {
    return Octile(x > TargetX ? x - TargetX : TargetX - x, y > TargetY ? y - TargetY : TargetY - y);
  };
  const auto open = [cells, state](size_t i) { return cells[i * 2 + 1] == 0 && state[i] != kBlocked; };

  size_t pending = 0;
  // Reaches cell i (not blocked) at cost g, unless it was closed or reached
  // as cheaply before.
  const auto reach = [&](size_t i, uint32_t x, uint32_t y, uint64_t g, uint8_t step) {
    const uint8_t s = state[i];
    if ((s & kClosed) || ((s & kOpen) && cost[i] <= g) || g > std::numeric_limits<uint32_t>::max()) return;
    state[i] = kOpen | step;
    cost[i] = uint32_t(g);
    FOpen[(g + estimate(x, y)) % kBuckets].push_back({x, y, uint32_t(g)});
    ++pending;
  };

  const size_t start = size_t(StartY) * W + StartX, target = size_t(TargetY) * W + TargetX;
  state[start] = kOpen | kNoStep;
  cost[start] = 0;
  uint64_t f = estimate(StartX, StartY);
  FOpen[f % kBuckets].push_back({StartX, StartY, 0});
  pending = 1;
  while (pending > 0) {
    std::vector<Open>& bucket = FOpen[f % kBuckets];
    if (bucket.empty()) {
      ++f;
      continue;
    }
    const Open o = bucket.back();
    bucket.pop_back();
    --pending;
    const size_t i = size_t(o.Y) * W + o.X;
    if ((state[i] & kClosed) || cost[i] != o.G) continue;  // reached again more cheaply since
    if (i == target) return TOutcome::Reached;
    if (Budget == 0) return TOutcome::OverBudget;
    --Budget;
    ++FExpanded;
    state[i] = uint8_t(kClosed | (state[i] & kStepMask));

    const uint32_t x = o.X, y = o.Y;
    const bool e = x + 1 < W && open(i + 1);
    const bool s = y + 1 < H && open(i + W);
    const bool w = x > 0 && open(i - 1);
    const bool n = y > 0 && open(i - W);
    const uint64_t gs = uint64_t(o.G) + kPathStraight, gd = uint64_t(o.G) + kPathDiagonal;
    if (e) reach(i + 1, x + 1, y, gs, 0);
    if (s) reach(i + W, x, y + 1, gs, 1);
    if (w) reach(i - 1, x - 1, y, gs, 2);
    if (n) reach(i - W, x, y - 1, gs, 3);
    if (e && s && open(i + W + 1)) reach(i + W + 1, x + 1, y + 1, gd, 4);
    if (w && s && open(i + W - 1)) reach(i + W - 1, x - 1, y + 1, gd, 5);
    if (w && n && open(i - W - 1)) reach(i - W - 1, x - 1, y - 1, gd, 6);
    if (e && n && open(i - W + 1)) reach(i - W + 1, x + 1, y - 1, gd, 7);
  }
  return TOutcome::Exhausted;
}

// Back from the end along the steps that reached each cell; the bound only
// guards the loop.
void GridSearch::PathTo(uint32_t X, uint32_t Y, std::vector<TPathCell>& Out) const {
  Out.clear();
  int64_t x = X, y = Y;
  for (size_t left = size_t(FWidth) * FHeight; left > 0; --left) {
    Out.push_back({int32_t(x), int32_t(y)});
    const uint8_t step = FState[size_t(y) * FWidth + size_t(x)] & kStepMask;
    if (step >= kNoStep) break;
    x -= kStepX[step];
    y -= kStepY[step];
  }
  std::reverse(Out.begin(), Out.end());
}

}  // namespace vel::path
