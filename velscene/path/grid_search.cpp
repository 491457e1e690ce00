// The A* engine: a state byte and a cost per cell, a ring of cost buckets as
// the open list, 8-connected expansion without corner cutting.
#include "velscene/path/internal/grid_search.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace vel::path {

// A new search: the rows are built again as they are needed, the border
// rows above and below the grid at once.
void GridSearch::Begin(const TPathGrid& Grid, std::span<const TPathCell> Blocked) {
  FCells = Grid.Cells;
  FWidth = Grid.Width;
  FHeight = Grid.Height;
  FExpanded = 0;
  FExtra.clear();
  FWalkCellsMade = false;
  if (!FCells || FWidth == 0 || FHeight == 0) {
    FWidth = FHeight = 0;
    return;
  }
  FStride = size_t(FWidth) + 2;
  const size_t cells = FStride * (size_t(FHeight) + 2);
  if (FState.size() < cells) {
    FState.assign(cells, 0);
    FG.assign(cells, 0);
  }
  if (FRowGen.size() < FHeight) FRowGen.assign(FHeight, 0);
  if (++FGen == 0) {
    std::fill(FRowGen.begin(), FRowGen.end(), 0);
    FGen = 1;
  }
  std::memset(FState.data(), kBlocked, FStride);
  std::memset(FState.data() + size_t(FHeight + 1) * FStride, kBlocked, FStride);
  for (const TPathCell& c : Blocked)
    if (Inside(c.X, c.Y)) FExtra.push_back(c);
  std::sort(FExtra.begin(), FExtra.end(),
            [](const TPathCell& a, const TPathCell& b) { return a.Y != b.Y ? a.Y < b.Y : a.X < b.X; });
}

// Row Y's state bytes from the grid's blocked flags and the extra blocked
// cells of the row, between its two border bytes.
void GridSearch::BuildRow(int64_t Y) {
  uint8_t* row = FState.data() + size_t(Y + 1) * FStride;
  const uint8_t* flags = FCells + size_t(Y) * FWidth * 2 + 1;
  row[0] = kBlocked;
  for (uint32_t x = 0; x < FWidth; ++x) row[x + 1] = flags[size_t(x) * 2] ? kBlocked : 0;
  row[FWidth + 1] = kBlocked;
  auto c = std::lower_bound(FExtra.begin(), FExtra.end(), Y, [](const TPathCell& a, int64_t y) { return a.Y < y; });
  for (; c != FExtra.end() && c->Y == Y; ++c) row[c->X + 1] = kBlocked;
  FRowGen[size_t(Y)] = FGen;
}

GridSearch::TOutcome GridSearch::Run(uint32_t StartX, uint32_t StartY, uint32_t TargetX, uint32_t TargetY,
                                     uint64_t Budget) {
  const size_t W = FStride;
  uint8_t* state = FState.data();
  uint32_t* cost = FG.data();
  for (std::vector<Open>& b : FOpen) b.clear();
  // Which buckets hold entries, so that the next one is found at once.
  uint64_t filled[kBuckets / 64] = {};
  const auto queue = [&](uint64_t f, Open o) {
    const uint32_t b = uint32_t(f % kBuckets);
    FOpen[b].push_back(o);
    filled[b / 64] |= uint64_t(1) << (b % 64);
  };
  const auto estimate = [TargetX, TargetY](uint32_t x, uint32_t y) {
    return Octile(x > TargetX ? x - TargetX : TargetX - x, y > TargetY ? y - TargetY : TargetY - y);
  };

  size_t pending = 0;
  // Reaches cell i, with state s (neither blocked nor closed), at cost g
  // unless it was reached as cheaply before.
  const auto reach = [&](size_t i, uint8_t s, uint32_t x, uint32_t y, uint32_t g, uint8_t step) {
    if ((s & kOpen) && cost[i] <= g) return;
    state[i] = kOpen | step;
    cost[i] = g;
    queue(g + estimate(x, y), {x, y, g});
    ++pending;
  };

  // The start's own cell is blocked only as the grid says.
  Need(StartY);
  const size_t start = Index(StartX, StartY), target = Index(TargetX, TargetY);
  const bool startBlocked = FCells[(size_t(StartY) * FWidth + StartX) * 2 + 1] != 0;
  state[start] = uint8_t((startBlocked ? kBlocked : 0) | kOpen | kNoStep);
  cost[start] = 0;
  uint64_t f = estimate(StartX, StartY);
  // Locals for what the loop reads, as its byte stores could alias members.
  const uint32_t* rowGen = FRowGen.data();
  const uint32_t gen = FGen, height = FHeight;
  uint64_t expanded = 0;
  queue(f, {StartX, StartY, 0});
  pending = 1;
  while (pending > 0) {
    // On to the next filled bucket; a bucket's bit is cleared only when it
    // is found empty here.
    while (FOpen[f % kBuckets].empty()) {
      const uint32_t b = uint32_t(f % kBuckets);
      filled[b / 64] &= ~(uint64_t(1) << (b % 64));
      const uint64_t ahead = filled[b / 64] >> (b % 64);
      f += ahead ? uint64_t(std::countr_zero(ahead)) : 64 - b % 64;
    }
    std::vector<Open>& bucket = FOpen[f % kBuckets];
    const Open o = bucket.back();
    bucket.pop_back();
    --pending;
    const size_t i = (size_t(o.Y) + 1) * W + o.X + 1;
    // A cell is queued again only when reached more cheaply, which queues it
    // with a lower estimate: its first entry out is its cheapest, and any
    // later one finds it closed.
    if (state[i] & kClosed) continue;
    if (i == target) {
      FExpanded += expanded;
      return TOutcome::Reached;
    }
    if (expanded == Budget) {
      FExpanded += expanded;
      return TOutcome::OverBudget;
    }
    ++expanded;
    state[i] = uint8_t((state[i] & ~kOpen) | kClosed);

    // Costs stay below 2^32: a path crosses each of at most 2^25 cells once.
    const uint32_t x = o.X, y = o.Y, gs = o.G + kPathStraight, gd = o.G + kPathDiagonal;
    if (y > 0 && rowGen[y - 1] != gen) BuildRow(y - 1);
    if (y + 1 < height && rowGen[y + 1] != gen) BuildRow(y + 1);
    constexpr uint8_t kSkip = kBlocked | kClosed;
    const uint8_t se = state[i + 1], ss = state[i + W], sw = state[i - 1], sn = state[i - W];
    if (!(se & kSkip)) reach(i + 1, se, x + 1, y, gs, 0);
    if (!(ss & kSkip)) reach(i + W, ss, x, y + 1, gs, 1);
    if (!(sw & kSkip)) reach(i - 1, sw, x - 1, y, gs, 2);
    if (!(sn & kSkip)) reach(i - W, sn, x, y - 1, gs, 3);
    const bool e = !(se & kBlocked), s = !(ss & kBlocked), w = !(sw & kBlocked), n = !(sn & kBlocked);
    if (e && s) {
      const uint8_t d = state[i + W + 1];
      if (!(d & kSkip)) reach(i + W + 1, d, x + 1, y + 1, gd, 4);
    }
    if (w && s) {
      const uint8_t d = state[i + W - 1];
      if (!(d & kSkip)) reach(i + W - 1, d, x - 1, y + 1, gd, 5);
    }
    if (w && n) {
      const uint8_t d = state[i - W - 1];
      if (!(d & kSkip)) reach(i - W - 1, d, x - 1, y - 1, gd, 6);
    }
    if (e && n) {
      const uint8_t d = state[i - W + 1];
      if (!(d & kSkip)) reach(i - W + 1, d, x + 1, y - 1, gd, 7);
    }
  }
  FExpanded += expanded;
  return TOutcome::Exhausted;
}

const uint8_t* GridSearch::WalkCells() {
  if (FExtra.empty()) return FCells;
  if (!FWalkCellsMade) {
    const size_t bytes = size_t(FWidth) * FHeight * 2;
    if (FWalkCells.size() < bytes) FWalkCells.resize(bytes);
    std::memcpy(FWalkCells.data(), FCells, bytes);
    for (const TPathCell& c : FExtra) FWalkCells[(size_t(c.Y) * FWidth + size_t(c.X)) * 2 + 1] = 1;
    FWalkCellsMade = true;
  }
  return FWalkCells.data();
}

// Back from the end along the steps that reached each cell; the bound only
// guards the loop.
void GridSearch::PathTo(uint32_t X, uint32_t Y, std::vector<TPathCell>& Out) const {
  Out.clear();
  int64_t x = X, y = Y;
  for (size_t left = size_t(FWidth) * FHeight; left > 0; --left) {
    Out.push_back({int32_t(x), int32_t(y)});
    const uint8_t step = FState[Index(x, y)] & kStepMask;
    if (step >= kNoStep) break;
    x -= kStepX[step];
    y -= kStepY[step];
  }
  std::reverse(Out.begin(), Out.end());
}

}  // namespace vel::path
