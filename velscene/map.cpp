// TAniMap: the cell block with its bounds-tested accessors and rectangle
// fill, and the table of privately copied tile bitmaps.
#include "velscene/map.h"

#include <algorithm>
#include <limits>
#include <new>

namespace vel {

TAniMap::TAniMap(TComponent* AOwner) : TComponent(AOwner) {
  FWidth = 10;
  FHeight = 10;
  RecreateGrid();
}

TAniMap::~TAniMap() {
  for (int32_t n = 1; n <= kMaxMapTiles; ++n) {
    delete FTiles[n];
    FTiles[n] = nullptr;
  }
  FGrid.reset();
}

void TAniMap::SetWidth(uint32_t Value) {
  FWidth = Value;
  RecreateGrid();
}

void TAniMap::SetHeight(uint32_t Value) {
  FHeight = Value;
  RecreateGrid();
}

void TAniMap::RecreateGrid() {
  FGrid.reset();
  FCellBytes = 0;
  const int32_t w = int32_t(FWidth), h = int32_t(FHeight);
  if (w <= 0 || h <= 0) return;
  const uint64_t bytes = uint64_t(w) * uint64_t(h) * sizeof(TMapCell);
  if (bytes > uint64_t(std::numeric_limits<int32_t>::max())) return;
  FGrid.reset(new (std::nothrow) uint8_t[bytes]());  // zero-filled: tile 0, passable
  if (FGrid) FCellBytes = size_t(bytes);
}

uint8_t* TAniMap::CellAt(int32_t X, int32_t Y) const {
  // Without a block the sizes may be anything; the null block answers first.
  if (!FGrid || X < 0 || Y < 0 || uint32_t(X) >= FWidth || uint32_t(Y) >= FHeight) return nullptr;
  return FGrid.get() + (size_t(Y) * FWidth + size_t(X)) * sizeof(TMapCell);
}

void TAniMap::SetTile(int32_t TileNumber, const TBitmap* Bitmap) {
  if (TileNumber < 1 || TileNumber > kMaxMapTiles) return;
  delete FTiles[TileNumber];
  FTiles[TileNumber] = nullptr;
  if (!Bitmap) return;
  auto* copy = new TBitmap;
  copy->Assign(Bitmap);
  FTiles[TileNumber] = copy;
}

TBitmap* TAniMap::Tile(int32_t TileNumber) const {
  return TileNumber >= 1 && TileNumber <= kMaxMapTiles ? FTiles[TileNumber] : nullptr;
}

uint8_t TAniMap::GetGridTile(int32_t X, int32_t Y) const {
  const uint8_t* c = CellAt(X, Y);
  return c ? c[0] : 0;
}

void TAniMap::SetGridTile(int32_t X, int32_t Y, uint8_t Tile) {
  if (uint8_t* c = CellAt(X, Y)) c[0] = Tile;
}

bool TAniMap::GetPassable(int32_t X, int32_t Y) const {
  const uint8_t* c = CellAt(X, Y);
  return c && c[1] == 0;
}

void TAniMap::SetPassable(int32_t X, int32_t Y, bool Passable) {
  if (uint8_t* c = CellAt(X, Y)) c[1] = Passable ? 0 : 1;
}

void TAniMap::SetGridRange(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, uint8_t Tile,
                           bool Passable) {
  if (!FGrid) return;
  // Walk only the part of the rectangle inside the grid: negative corners are
  // clipped to 0, far corners to the last column or row.
  const int64_t x0 = std::max<int64_t>(X1, 0), y0 = std::max<int64_t>(Y1, 0);
  const int64_t x1 = std::min<int64_t>(X2, int64_t(FWidth) - 1);
  const int64_t y1 = std::min<int64_t>(Y2, int64_t(FHeight) - 1);
  const uint8_t blocked = Passable ? 0 : 1;
  for (int64_t y = y0; y <= y1; ++y) {
    uint8_t* row = FGrid.get() + size_t(y) * FWidth * sizeof(TMapCell);
    for (int64_t x = x0; x <= x1; ++x) {
      row[size_t(x) * 2] = Tile;
      row[size_t(x) * 2 + 1] = blocked;
    }
  }
}

}  // namespace vel
