// The A* engine: generation-stamped cell state, a ring of cost buckets as the
// open list, 8-connected expansion without corner cutting.
#include "velscene/path/internal/grid_search.h"

#include <algorithm>

namespace vel::path {

namespace {

// Step directions: the four sides first, then the diagonals.
constexpr int32_t kDx[8] = {1, 0, -1, 0, 1, -1, -1, 1};
constexpr int32_t kDy[8] = {0, 1, 0, -1, 1, 1, -1, -1};
constexpr uint8_t kNoStep = 0xFF;

}  // namespace

void GridSearch::Begin(const TPathGrid& Grid, std::span<const TPathCell> Blocked) {
  FCells = Grid.Cells;
  FWidth = Grid.Width;
  FHeight = Grid.Height;
  FBlocked = Blocked;
  FExpanded = 0;
  const size_t cells = size_t(FWidth) * FHeight;
  if (FNodes.size() < cells) {
    FNodes.assign(cells, Node{0, 0});
    FFrom.assign(cells, kNoStep);
    FGen = 0;
  }
  NextGeneration();
}

// A new stamp for reached cells, and the extra blocked cells stamped with
// its blocked twin. Before the stamps wrap, every cell is reset.
void GridSearch::NextGeneration() {
  if (++FGen >= kBlockedBit) {
    std::fill(FNodes.begin(), FNodes.end(), Node{0, 0});
    FGen = 1;
  }
  FBlockedGen = FGen | kBlockedBit;
  for (const TPathCell& c : FBlocked)
    if (Inside(c.X, c.Y)) FNodes[size_t(c.Y) * FWidth + size_t(c.X)].Gen = FBlockedGen;
  FFresh = true;
}

GridSearch::TOutcome GridSearch::Run(uint32_t StartX, uint32_t StartY, uint32_t TargetX, uint32_t TargetY,
                                     uint64_t Budget) {
  if (!FFresh) NextGeneration();
  FFresh = false;
  const uint32_t W = FWidth, H = FHeight, gen = FGen, blocked = FBlockedGen;
  const uint8_t* cells = FCells;
  Node* nodes = FNodes.data();
  uint8_t* from = FFrom.data();
  for (std::vector<Open>& b : FOpen) b.clear();
  const auto estimate = [TargetX, TargetY](uint32_t x, uint32_t y) {
    return Octile(x > TargetX ? x - TargetX : TargetX - x, y > TargetY ? y - TargetY : TargetY - y);
  };
  const auto open = [cells, nodes, blocked](size_t i) { return cells[i * 2 + 1] == 0 && nodes[i].Gen != blocked; };

  size_t pending = 0;
  const auto reach = [&](size_t i, uint32_t x, uint32_t y, uint32_t g, uint8_t step) {
    Node& n = nodes[i];
    if (n.Gen == gen && n.G <= g) return;
    n.Gen = gen;
    n.G = g;
    from[i] = step;
    FOpen[(g + estimate(x, y)) % kBuckets].push_back({x, y, g});
    ++pending;
  };

  const size_t target = size_t(TargetY) * W + TargetX;
  uint64_t f = estimate(StartX, StartY);
  reach(size_t(StartY) * W + StartX, StartX, StartY, 0, kNoStep);
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
    if (nodes[i].G != o.G) continue;  // reached again more cheaply since
    if (i == target) return TOutcome::Reached;
    if (Budget == 0) return TOutcome::OverBudget;
    --Budget;
    ++FExpanded;

    const uint32_t x = o.X, y = o.Y;
    const bool e = x + 1 < W && open(i + 1);
    const bool s = y + 1 < H && open(i + W);
    const bool w = x > 0 && open(i - 1);
    const bool n = y > 0 && open(i - W);
    const uint32_t gs = o.G + kPathStraight, gd = o.G + kPathDiagonal;
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

void GridSearch::PathTo(uint32_t X, uint32_t Y, std::vector<TPathCell>& Out) const {
  Out.clear();
  int64_t x = X, y = Y;
  // A reached cell leads back to the start; the bound only guards the loop.
  for (size_t left = size_t(FWidth) * FHeight; left > 0; --left) {
    Out.push_back({int32_t(x), int32_t(y)});
    const uint8_t step = FFrom[size_t(y) * FWidth + size_t(x)];
    if (step == kNoStep) break;
    x -= kDx[step];
    y -= kDy[step];
  }
  std::reverse(Out.begin(), Out.end());
}

}  // namespace vel::path
