// TAniMap: the tile map, a Width x Height grid of 2-byte cells (tile number,
// blocked flag) stored row by row, and up to 255 tile bitmaps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "velscene/platform/host/classes.h"
#include "velscene/platform/graphics/graphics.h"

namespace vel {

class TAbout;

// One grid cell as stored in the block: the cell at column X, row Y sits at
// byte (Y * Width + X) * 2. Readers treat any non-zero Blocked as blocked.
struct TMapCell {
  uint8_t Tile;     // 0 = no tile, 1..255 = tile bitmap number
  uint8_t Blocked;  // 0 = passable, 1 = blocks movement
};
static_assert(sizeof(TMapCell) == 2, "cells are exactly two bytes");

constexpr int32_t kMaxMapTiles = 255;  // tile numbers 1..255

class TAniMap : public TComponent {
 public:
  explicit TAniMap(TComponent* AOwner);
  ~TAniMap() override;
  const char* ClassName() const override { return "TAniMap"; }

  // Setting either size (even to its current value) replaces the cells with a
  // zero-filled block: every cell tile 0 and passable. A size of 0 (or one
  // negative as a signed value, or a block over 2^31 - 1 bytes) leaves the
  // map without a block, where every cell counts as outside the grid.
  uint32_t Width() const { return FWidth; }
  uint32_t Height() const { return FHeight; }
  void SetWidth(uint32_t Value);
  void SetHeight(uint32_t Value);

  // Keeps a private copy of Bitmap as tile TileNumber (1..255); nullptr clears it.
  void SetTile(int32_t TileNumber, const TBitmap* Bitmap);
  TBitmap* Tile(int32_t TileNumber) const;  // nullptr if empty or out of range

  // Cell accessors: outside the grid getters give 0 / false, setters do nothing.
  uint8_t GetGridTile(int32_t X, int32_t Y) const;
  void SetGridTile(int32_t X, int32_t Y, uint8_t Tile);
  bool GetPassable(int32_t X, int32_t Y) const;
  void SetPassable(int32_t X, int32_t Y, bool Passable);
  // Writes tile and passable flag into every cell with X1 <= X <= X2 and
  // Y1 <= Y <= Y2 that lies inside the grid; the rest of the rectangle is skipped.
  void SetGridRange(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, uint8_t Tile, bool Passable);

  // The cell block for a view to copy: nullptr without a block, else exactly
  // CellBytes() = Width * Height * 2 bytes.
  const uint8_t* Cells() const { return FGrid.get(); }
  size_t CellBytes() const { return FGrid ? FCellBytes : 0; }

 private:
  void RecreateGrid();
  uint8_t* CellAt(int32_t X, int32_t Y) const;  // the cell's two bytes; nullptr outside

  // Fields in declaration order of the map's data model.
  uint32_t FWidth = 0;
  uint32_t FHeight = 0;
  std::unique_ptr<uint8_t[]> FGrid;
  size_t FCellBytes = 0;
  TBitmap* FTiles[kMaxMapTiles + 1] = {};  // index 0 unused

 public:
  TAbout* About = nullptr;  // design-time pseudo-property; never set
};

// Registers TAniMap's published properties with the host's class metadata.
void RegisterAniMapClass();

}  // namespace vel
