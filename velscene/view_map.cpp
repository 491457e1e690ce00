// Map binding: the snapshot of a TAniMap (cells, tile images, origin), the
// pre-rendered background with flat tiles, tall tiles as display-list
// entries, the release of all of it, and the background colour.
#include <algorithm>
#include <cstring>
#include <new>

#include "velscene/imaging.h"
#include "velscene/map.h"
#include "velscene/internal/cell_size.h"
#include "velscene/internal/numeric.h"
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
  FBackground = new TBitmap();
  FBackground->SetPalette(FPalette);
  for (int32_t t = 1; t <= kMaxTiles; ++t) {
    TTileImage& ti = FTileImages[t];
    if (TBitmap* b = Map->Tile(t)) {
      ti.Width = b->Width();
      ti.Height = b->Height();
      CreateMask(ti.Image, ti.Mask, b->Handle());
      ti.Alpha = CreateAlphaImage(b->Handle());
    } else {
      ti = TTileImage{};
    }
  }
  BindBackground();
}

// The part of a binding that follows the cell size, made from the snapshot:
// the origin, the background's size and floor, and the tall-tile entries.
// A flat tile is the cell's diamond without its top row (CellWidth / 2 - 1
// pixels high); the origin leaves room for the tallest tile image and two
// cell widths above the map.
void TAniView::BindBackground() {
  const int32_t cellHeight = FCellWidth / 2;
  int32_t maxHeight = cellHeight - 1;
  for (int32_t t = 1; t <= kMaxTiles; ++t) maxHeight = std::max(maxHeight, FTileImages[t].Height);
  FOriginX = SaturateInt32((int64_t(FMapHeight) - 1) * cellHeight);
  FOriginY = SaturateInt32(int64_t(maxHeight) + 2 * int64_t(FCellWidth));
  const int64_t side = int64_t(FMapWidth) + FMapHeight;
  FBackground->SetSize(SaturateInt32(side * cellHeight),
                       SaturateInt32(QuarterCells(side, FCellWidth) + FOriginY - (cellHeight - 1)));
  EnsureBackBrush();
  const RECT all{0, 0, FBackground->Width() + 1, FBackground->Height() + 1};
  FillRect(FBackground->Canvas()->Handle(), &all, FBackBrush);
  DrawTilesIntoBackground(true);
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

// Visits the cells in storage order. With SkipTall, tall tiles away from row 0
// and column 0 become display-list entries instead of being drawn (binding);
// without it every tile is drawn (a colour change repaints the whole floor).
// A tile is tall from the cell's height (CellWidth / 2) up.
void TAniView::DrawTilesIntoBackground(bool SkipTall) {
  if (!FGrid || !FBackground) return;
  HDC bg = FBackground->Canvas()->Handle();
  const int32_t tallHeight = FCellWidth / 2;
  for (uint32_t gy = 0; gy < FMapHeight; ++gy)
    for (uint32_t gx = 0; gx < FMapWidth; ++gx) {
      const uint8_t t = FGrid[(size_t(gy) * FMapWidth + gx) * 2];
      if (t == 0) continue;
      TTileImage& ti = FTileImages[t];
      int32_t x, y;
      TilePosition(gx, gy, ti.Height, x, y);
      if (SkipTall && ti.Height >= tallHeight && gx >= 1 && gy >= 1) {
        const int32_t s = AllocEntry();
        if (s == 0) continue;  // the list is full: the tall tile is dropped
        TAniEntry& e = FEntries[s];
        e.Item = &ti;
        e.Depth = static_cast<float>(int64_t(gx) + gy);
        e.ScreenX = x;
        e.ScreenY = y;
        e.IsFigure = 0;
        e.Moving = 0;
        e.Free = 0;
        AppendEntry(s);
        continue;
      }
      DrawTile(bg, x, y, ti);
    }
  SelectObject(FMemDC, FMemDCBitmap);
}

void TAniView::ReleaseMap() {
  if (FBackground) {
    FBackground->ReleasePalette();
    delete FBackground;
    FBackground = nullptr;
  }
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

void TAniView::SetColor(TColor Value) {
  FColor = Value;
  if (FBackBrush) DeleteObject(FBackBrush);
  FBackBrush = CreateSolidBrush(ColorToRGB(FColor));
  if (FBackground) {
    const RECT all{0, 0, FBackground->Width() + 1, FBackground->Height() + 1};
    FillRect(FBackground->Canvas()->Handle(), &all, FBackBrush);
    DrawTilesIntoBackground(false);
  }
  Invalidate();
}

}  // namespace vel
