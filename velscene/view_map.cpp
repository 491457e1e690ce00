// Map binding: the snapshot of a TAniMap (cells, tile images, origin,
// background size), tall tiles as display-list entries or, beyond the free
// slots, in the side list, the release of all of it, and the background
// colour. Binding draws nothing: the background is rendered on demand.
#include <algorithm>
#include <cstring>
#include <new>

#include "velscene/imaging.h"
#include "velscene/map.h"
#include "velscene/internal/cell_size.h"
#include "velscene/internal/chunk_cache.h"
#include "velscene/internal/numeric.h"
#include "velscene/internal/side_list.h"
#include "velscene/internal/view_cells.h"
#include "velscene/internal/view_walk.h"

namespace vel {

const TTileImage& TAniView::TileImage(int32_t Tile) const {
  static const TTileImage none;
  return (Tile >= 1 && Tile <= kMaxTiles) ? FTileImages[Tile] : none;
}

void TAniView::SetMap(TAniMap* Map) {
  ReleaseMap();
  if (!Map) return;
  FMapWidth = Map->Width();
  FMapHeight = Map->Height();
  const uint64_t cells = uint64_t(FMapWidth) * FMapHeight;
  // A map without cells (a side of 0, or a block it could not allocate)
  // binds with none; motion then treats the map as unbounded.
  if (cells > 0 && Map->Cells() && Map->CellBytes() == cells * 2) {
    FGrid = new (std::nothrow) uint8_t[cells * 2];
    if (FGrid) std::memcpy(FGrid, Map->Cells(), cells * 2);
  }
  FTileMaxWidth = 0;
  FTileMaxHeight = 0;
  for (int32_t t = 1; t <= kMaxTiles; ++t) {
    TTileImage& ti = FTileImages[t];
    if (TBitmap* b = Map->Tile(t)) {
      ti.Width = b->Width();
      ti.Height = b->Height();
      CreateMask(ti.Image, ti.Mask, b->Handle());
      ti.Alpha = CreateAlphaImage(b->Handle());
      FTileMaxWidth = std::max(FTileMaxWidth, ti.Width);
      FTileMaxHeight = std::max(FTileMaxHeight, ti.Height);
    } else {
      ti = TTileImage{};
    }
  }
  BindBackground();
}

// The part of a binding that follows the cell size, made from the snapshot:
// the origin, the background's size, an empty chunk cache for it, and the
// tall tiles (entries, then the side list). A flat tile is the cell's
// diamond without its top row (CellWidth / 2 - 1 pixels high); the origin
// leaves room for the tallest tile image and two cell widths above the map.
void TAniView::BindBackground() {
  const int32_t cellHeight = FCellWidth / 2;
  const int32_t maxHeight = std::max(cellHeight - 1, FTileMaxHeight);
  FOriginX = SaturateInt32((int64_t(FMapHeight) - 1) * cellHeight);
  FOriginY = SaturateInt32(int64_t(maxHeight) + 2 * int64_t(FCellWidth));
  const int64_t side = int64_t(FMapWidth) + FMapHeight;
  FBackgroundWidth = side * cellHeight;
  FBackgroundHeight = QuarterCells(side, FCellWidth) + FOriginY - (cellHeight - 1);
  FBackgroundBound = true;
  FTallInBackground = false;
  EnsureBackBrush();
  InvalidateBackground();
  ConfigureChunks();
  delete FSide;
  FSide = nullptr;
  BindTallTiles();
}

// Top-left of a tile image of the given height in cell (GX, GY): its bottom
// edge on the bottom corner of the cell's diamond.
void TAniView::TilePosition(uint32_t GX, uint32_t GY, int32_t Height, int32_t& X, int32_t& Y) const {
  X = SaturateInt32((int64_t(GX) - GY) * (FCellWidth / 2) + FOriginX);
  Y = SaturateInt32(QuarterCells(int64_t(GX) + GY, FCellWidth) + FOriginY - Height);
}

// One tile at (X, Y) of the target: composited by its alpha where it has one,
// else its mask AND-blitted and its image OR-blitted. Leaves a tile bitmap
// selected in FMemDC.
void TAniView::DrawTile(HDC Target, int32_t X, int32_t Y, const TTileImage& T) {
  if (T.Alpha) {
    SelectObject(FMemDC, T.Alpha);
    AlphaBlt(Target, X, Y, T.Width, T.Height, FMemDC, 0, 0);
    return;
  }
  if (!T.Mask || !T.Image) return;
  MaskedBlt(Target, X, Y, T.Width, T.Height, FMemDC, T.Mask, T.Image);
}

// Tall tiles (from the cell's height, CellWidth / 2, up) away from row 0 and
// column 0, in cell order, take free slots as entries appended at the near
// end; from the first one that finds none on, they go to the side list (no
// slot frees up during a binding).
void TAniView::BindTallTiles() {
  if (!FGrid) return;
  bool tall[kMaxTiles + 1] = {};
  for (int32_t t = 1; t <= kMaxTiles; ++t) tall[t] = cells::IsTallTile(FTileImages[t], FCellWidth);
  for (uint32_t gy = 1; gy < FMapHeight; ++gy)
    for (uint32_t gx = 1; gx < FMapWidth; ++gx) {
      const uint64_t cell = uint64_t(gy) * FMapWidth + gx;
      const uint8_t t = FGrid[cell * 2];
      if (!tall[t]) continue;
      const int32_t s = AllocEntry();
      if (s == 0) {
        BuildSideList(cell);
        return;
      }
      TTileImage& ti = FTileImages[t];
      TAniEntry& e = FEntries[s];
      e.Item = &ti;
      e.Depth = static_cast<float>(int64_t(gx) + gy);
      TilePosition(gx, gy, ti.Height, e.ScreenX, e.ScreenY);
      e.IsFigure = 0;
      e.Moving = 0;
      e.Free = 0;
      AppendEntry(s);
    }
}

void TAniView::ReleaseMap() {
  FBackgroundBound = false;
  FTallInBackground = false;
  InvalidateBackground();
  if (FChunks) FChunks->Release();
  delete FSide;
  FSide = nullptr;
  PurgeTileEntries();
  delete[] FGrid;
  FGrid = nullptr;
  for (int32_t t = 1; t <= kMaxTiles; ++t) {
    TTileImage& ti = FTileImages[t];
    if (ti.Image) DeleteObject(ti.Image);
    if (ti.Mask) DeleteObject(ti.Mask);
    if (ti.Alpha) DeleteObject(ti.Alpha);
    ti.Image = HBITMAP{};
    ti.Mask = HBITMAP{};
    ti.Alpha = HBITMAP{};
  }
}

// Today's colour fills the background; from now on tall tiles are drawn into
// it too (their entries cover them; a side tile is drawn over its copy).
void TAniView::SetColor(TColor Value) {
  FColor = Value;
  if (FBackBrush) DeleteObject(FBackBrush);
  FBackBrush = CreateSolidBrush(ColorToRGB(FColor));
  if (FBackgroundBound) {
    FTallInBackground = true;
    InvalidateBackground();
  }
  Invalidate();
}

}  // namespace vel
