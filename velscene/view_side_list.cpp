// The side list: tall tiles beyond the display list's free slots, indexed by
// depth at binding, and their place in each frame. A frame shows exactly what
// a display list with unlimited slots would: every tall tile appended at
// binding in cell order, then sorted with the figures by the stable depth
// sort. The side tiles are drawn among the entries in that order: by depth;
// within a depth in cell order and after the slotted tiles of that depth;
// against a figure of equal depth on the side the figure's key records.
// Only the side tiles that can reach the frame are looked at.
#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

#include "velscene/internal/numeric.h"
#include "velscene/internal/side_list.h"
#include "velscene/internal/view_cells.h"

namespace vel {

int32_t TAniView::SideTileCount() const { return FSide ? SaturateSize(FSide->Column.size()) : 0; }

// Counts the tall tiles per depth from the first cell without a slot on, then
// files them by depth; cells are visited in storage order, so each depth
// keeps cell order. A list that cannot be allocated leaves the tiles out.
void TAniView::BuildSideList(uint64_t FirstCell) {
  delete FSide;
  FSide = new (std::nothrow) TSideList;
  if (!FSide) return;
  TSideList& side = *FSide;
  bool tall[kMaxTiles + 1] = {};
  for (int32_t t = 1; t <= kMaxTiles; ++t) {
    const TTileImage& ti = FTileImages[t];
    tall[t] = cells::IsTallTile(ti, FCellWidth);
    if (!tall[t]) continue;
    side.MaxWidth = std::max(side.MaxWidth, ti.Width);
    side.MaxHeight = std::max(side.MaxHeight, ti.Height);
  }
  side.DepthCount = int64_t(FMapWidth) + FMapHeight - 1;
  try {
    side.Start.assign(size_t(side.DepthCount) + 1, 0);
    const uint32_t firstRow = uint32_t(FirstCell / FMapWidth);
    auto each = [&](auto f) {
      for (uint32_t gy = firstRow; gy < FMapHeight; ++gy) {
        const uint8_t* row = FGrid + uint64_t(gy) * FMapWidth * 2;
        const uint32_t gx0 = gy == firstRow ? uint32_t(FirstCell % FMapWidth) : 1;
        for (uint32_t gx = std::max(gx0, 1u); gx < FMapWidth; ++gx)
          if (tall[row[uint64_t(gx) * 2]]) f(gx, gy);
      }
    };
    each([&](uint32_t gx, uint32_t gy) { ++side.Start[size_t(gx) + gy + 1]; });
    for (size_t d = 1; d < side.Start.size(); ++d) side.Start[d] += side.Start[d - 1];
    side.Column.resize(side.Start.back());
    std::vector<uint32_t> next(side.Start.begin(), side.Start.end() - 1);
    each([&](uint32_t gx, uint32_t gy) { side.Column[next[size_t(gx) + gy]++] = gx; });
  } catch (const std::bad_alloc&) {
    delete FSide;
    FSide = nullptr;
    return;
  }
  // Every figure listed now was placed before this binding.
  for (int32_t s = 0; s <= kMaxEntries; ++s) {
    side.KeyDepth[s] = -std::numeric_limits<float>::infinity();
    side.KeyAfter[s] = 0;
  }
}

// After each sort: a figure at depth x has every side tile of a lower depth
// before it and every one of a higher depth after it; those of depth x keep
// their side (the sort is stable). At an unordered depth it stays put.
void TAniView::UpdateSideKeys() {
  if (!FSide) return;
  TSideList& side = *FSide;
  for (int32_t s = FFirst; s > 0; s = FEntries[s].Next) {
    const TAniEntry& e = FEntries[s];
    const float x = e.Depth;
    if (!e.IsFigure || std::isnan(x)) continue;
    const float d = side.KeyDepth[s];
    side.KeyAfter[s] = (x < d || (x == d && side.KeyAfter[s])) ? 1 : 0;
    side.KeyDepth[s] = x;
  }
}

namespace {

// Moves the cursor on to the next depth with a tile that can reach the frame
// unless the current depth has tiles left. Along a depth u = 2 gx - d, so the
// reaching columns run from ceil((U0 + d) / 2) to floor((U1 + d) / 2); the
// columns fall along a depth, so both ends are found by bisection.
void SettleCursor(TSideList& side) {
  auto& c = side.Cursor;
  while (c.Index == c.IndexEnd && ++c.Depth < c.DepthEnd) {
    const int64_t gxLo = -cells::FloorDiv(-(c.U0 + c.Depth), 2), gxHi = cells::FloorDiv(c.U1 + c.Depth, 2);
    const auto first = side.Column.begin() + side.Start[size_t(c.Depth)];
    const auto last = side.Column.begin() + side.Start[size_t(c.Depth) + 1];
    const auto from = std::partition_point(first, last, [&](uint32_t gx) { return int64_t(gx) > gxHi; });
    const auto to = std::partition_point(from, last, [&](uint32_t gx) { return int64_t(gx) >= gxLo; });
    c.Index = uint32_t(from - side.Column.begin());
    c.IndexEnd = uint32_t(to - side.Column.begin());
  }
}

}  // namespace

// Sets the cursor on the first side tile that can reach what the back buffer
// shows at the current scroll: its depths from the rows, its columns from the
// width.
void TAniView::StartSideTiles() {
  if (!FSide) return;
  TSideList& side = *FSide;
  auto& c = side.Cursor;
  c.Depth = c.DepthEnd = 0;
  c.Index = c.IndexEnd = 0;
  // What the buffer shows, in background pixels.
  int64_t l, t, r, b;
  if (!FBuffer || !cells::ShownArea(FBuffer->Canvas()->Handle(), l, t, r, b) || l >= r || t >= b) return;
  l -= FScrollX, r -= FScrollX, t -= FScrollY, b -= FScrollY;
  const cells::TCellWindow w = cells::CellsReaching(l, t, r, b, FOriginX, FOriginY, side.MaxWidth, side.MaxHeight, FCellWidth);
  c.Depth = std::max<int64_t>(w.V0, 0) - 1;
  c.DepthEnd = std::min<int64_t>(w.V1 + 1, side.DepthCount);
  c.U0 = w.U0;
  c.U1 = w.U1;
  SettleCursor(side);
}

// Adds the draw ops of the side tiles due before an entry: those of a depth
// below Depth, and of Depth itself when After. Depth +infinity with After
// takes the rest.
void TAniView::CollectSideTiles(float Depth, bool After) {
  if (!FSide) return;
  TSideList& side = *FSide;
  auto& c = side.Cursor;
  while (c.Depth < c.DepthEnd) {
    const float d = static_cast<float>(c.Depth);
    if (!(d < Depth || (d == Depth && After))) return;
    for (; c.Index < c.IndexEnd; ++c.Index) {
      const uint32_t gx = side.Column[c.Index];
      const uint32_t gy = uint32_t(c.Depth - gx);
      const TTileImage& ti = FTileImages[FGrid[(uint64_t(gy) * FMapWidth + gx) * 2]];
      int32_t x, y;
      TilePosition(gx, gy, ti.Height, x, y);
      // Drawn as an entry of the tile would be: composited by its alpha
      // where it has one.
      if (ti.Alpha)
        AddDrawOp(TDrawOp::Blend, int64_t(x) + FScrollX, int64_t(y) + FScrollY, ti.Width, ti.Height, HBITMAP{}, ti.Alpha);
      else
        AddDrawOp(TDrawOp::Sprite, int64_t(x) + FScrollX, int64_t(y) + FScrollY, ti.Width, ti.Height, ti.Mask,
                  ti.Image);
    }
    SettleCursor(side);
  }
}

}  // namespace vel
