// The demo scene's pictures: ground tiles, tall tiles (walls, trees, bushes)
// and figure sprite sheets, all drawn in code.
#pragma once

#include <string>
#include <vector>

#include "canvas.h"

namespace art {

// Flat ground tiles: the 48 x 24 cell diamond without its top row, 48 x 23,
// since the view treats a tile image 24 pixels high or more as a tall tile.
// The row left out is covered by the neighbouring cells.
Canvas GrassTile(int seed);
Canvas FlowerTile();
Canvas PathTile();
Canvas WaterTile();
Canvas BridgeTile();
Canvas StoneTile();

// The whole 48 x 24 grass diamond, for the ground under tall tiles.
Canvas GrassDiamond(int seed);

// Tall tiles standing on a 48 x 24 ground diamond at their bottom.
Canvas WallTile();
Canvas TreeTile();
Canvas PineTile();
Canvas BushTile();

// A person seen from the front-right; the sheet holds 4 rows (SE, SW, NE, NW)
// of 5 frames (standing, then 4 walking), 32 x 48 each.
struct Look {
  uint32_t Skin, Hair, Tunic, Legs, Shoes, Accent;
  bool Cape = false;    // Accent-coloured cape
  bool Helmet = false;  // Accent-coloured helmet instead of hair on top
};
Canvas PersonSheet(const Look& look);
// Standing frames only: open eyes, then closed (for blinking).
Canvas PersonIdleSheet(const Look& look);
// A floating sheet ghost, 4 frames of 32 x 40 side by side.
Canvas GhostSheet();

// Every picture of the demo, with what anchors it to the grid: a flat tile
// (bottom corner of its cell), a tall tile (bottom corner, standing on its
// cell's whole diamond) or a sheet of frames (each frame's anchor pixel,
// the figure's CenterX and CenterY).
struct Piece {
  enum TKind { Flat, Tall, Sheet } Kind;
  const char* Name;
  Canvas Picture;
  int FrameW = 0, FrameH = 0, AnchorX = 0, AnchorY = 0;  // sheets only
};
std::vector<Piece> DemoArt();

// The scale of a sheet's frames for cells of the given width: frame size and
// anchor.
struct FrameScale {
  int W, H, AnchorX, AnchorY;
};
FrameScale ScaledFrame(const Piece& p, int cellWidth);

// A piece for cells `cellWidth` pixels wide instead of 48: every pixel the
// exact average of the area of the 48-pixel picture it covers, its alpha the
// covered share, so that edges come out soft. Ground diamonds keep the hard
// 2:1 staircase of the new cell, so that tiles still join without seams.
// Straight alpha, 0xAARRGGBB.
struct RgbaPicture {
  int W, H;
  std::vector<uint32_t> Px;
  void Save(const std::string& path) const;  // RGBA PNG
};
RgbaPicture ScalePiece(const Piece& p, int cellWidth);

}  // namespace art
