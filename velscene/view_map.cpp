// Map binding: the snapshot of a TAniMap (cells, tile images, origin,
// background size), tall tiles as display-list entries or, beyond the free
// slots, in the side list, the release of all of it, and the background
// colour. Binding draws nothing: the background is rendered on demand.
#include <algorithm>
#include <cstring>
#include <new>

#include "velscene/imaging.h"
#include "velscene/map.h"
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
  int32_t maxHeight = 23;
  FTileMaxWidth = 0;
  FTileMaxHeight = 0;
  for (int32_t t = 1; t <= kMaxTiles; ++t) {
    TTileImage& ti = FTileImages[t];
    if (TBitmap* b = Map->Tile(t)) {
      ti.Width = b->Width();
      ti.Height = b->Height();
      CreateMask(ti.Image, ti.Mask, b->Handle());
      maxHeight = std::max(maxHeight, ti.Height);
      FTileMaxWidth = std::max(FTileMaxWidth, ti.Width);
      FTileMaxHeight = std::max(FTileMaxHeight, ti.Height);
    } else {
      ti = TTileImage{};
    }
  }
  FOriginX = cells::OriginX(FMapHeight);
  FOriginY = cells::OriginY(maxHeight);
  FBackgroundWidth = cells::BackgroundWidth(FMapWidth, FMapHeight);
  FBackgroundHeight = cells::BackgroundHeight(FMapWidth, FMapHeight, FOriginY);
  FBackgroundBound = true;
  FTallInBackground = false;
  EnsureBackBrush();
  InvalidateBackground();
  ConfigureChunks();
  BindTallTiles();
}

// Tall tiles away from row 0 and column 0, in cell order, take free slots as
// entries appended at the near end; from the first one that finds none on,
// they go to the side list (no slot frees up during a binding).
void TAniView::BindTallTiles() {
  if (!FGrid) return;
  bool tall[kMaxTiles + 1] = {};
  for (int32_t t = 1; t <= kMaxTiles; ++t) tall[t] = FTileImages[t].Height >= cells::kTallHeight;
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
      e.ScreenX = cells::TileLeft(gx, gy, FOriginX);
      e.ScreenY = cells::TileTop(gx, gy, FOriginY, ti.Height);
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
    ti.Image = HBITMAP{};
    ti.Mask = HBITMAP{};
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
