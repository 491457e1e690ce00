// Map binding: the snapshot of a TAniMap (cells, tile images, origin), the
// pre-rendered background with flat tiles, tall tiles as display-list
// entries, the release of all of it, and the background colour.
#include <algorithm>
#include <cstring>
#include <new>

#include "velscene/imaging.h"
#include "velscene/map.h"
#include "velscene/internal/numeric.h"
#include "velscene/internal/view_walk.h"

namespace vel {

namespace {
constexpr int32_t kTallHeight = 24;  // tiles this high or higher stand among the figures
}

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
  int32_t maxHeight = 23;
  for (int32_t t = 1; t <= kMaxTiles; ++t) {
    TTileImage& ti = FTileImages[t];
    if (TBitmap* b = Map->Tile(t)) {
      ti.Width = b->Width();
      ti.Height = b->Height();
      CreateMask(ti.Image, ti.Mask, b->Handle());
      maxHeight = std::max(maxHeight, ti.Height);
    } else {
      ti = TTileImage{};
    }
  }
  FOriginX = SaturateInt32((int64_t(FMapHeight) - 1) * 24);
  FOriginY = maxHeight + 96;
  const int64_t side = int64_t(FMapWidth) + FMapHeight;
  FBackground->SetWidth(SaturateInt32(side * 24));
  FBackground->SetHeight(SaturateInt32(side * 12 + FOriginY - 23));
  EnsureBackBrush();
  const RECT all{0, 0, FBackground->Width() + 1, FBackground->Height() + 1};
  FillRect(FBackground->Canvas()->Handle(), &all, FBackBrush);
  DrawTilesIntoBackground(true);
}

// Visits the cells in storage order. With SkipTall, tall tiles away from row 0
// and column 0 become display-list entries instead of being drawn (binding);
// without it every tile is drawn (a colour change repaints the whole floor).
void TAniView::DrawTilesIntoBackground(bool SkipTall) {
  if (!FGrid || !FBackground) return;
  HDC bg = FBackground->Canvas()->Handle();
  for (uint32_t gy = 0; gy < FMapHeight; ++gy)
    for (uint32_t gx = 0; gx < FMapWidth; ++gx) {
      const uint8_t t = FGrid[(size_t(gy) * FMapWidth + gx) * 2];
      if (t == 0) continue;
      TTileImage& ti = FTileImages[t];
      const int32_t x = SaturateInt32((int64_t(gx) - gy) * 24 + FOriginX);
      const int32_t y = SaturateInt32((int64_t(gx) + gy) * 12 + FOriginY - ti.Height);
      if (SkipTall && ti.Height >= kTallHeight && gx >= 1 && gy >= 1) {
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
      if (!ti.Mask || !ti.Image) continue;
      MaskedBlt(bg, x, y, ti.Width, ti.Height, FMemDC, ti.Mask, ti.Image);
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
    ti.Image = HBITMAP{};
    ti.Mask = HBITMAP{};
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
