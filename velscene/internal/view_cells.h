// Internal to the view: the cell geometry of a bound map in one place (the
// diamond's half sizes, where a tile stands, how big the background is, which
// tiles are tall) and the drawing of one tile at a position.
#pragma once

#include <algorithm>
#include <cstdint>

#include "velscene/platform/base/saturate.h"
#include "velscene/view.h"

namespace vel::cells {

// A cell is a 48 x 24 diamond: one step in X moves half a cell right and
// down, one step in Y half a cell left and down.
constexpr int64_t kHalfWidth = 24;
constexpr int64_t kHalfHeight = 12;
// Tiles this high or higher stand among the figures (away from row and
// column 0); lower ones are flat.
constexpr int32_t kTallHeight = 24;

// The projection origin of a map: the grid's top corner and the room above
// the first row for the tallest tile of the table.
inline int32_t OriginX(uint32_t mapHeight) { return SaturateInt32((int64_t(mapHeight) - 1) * kHalfWidth); }
inline int32_t OriginY(int32_t maxTileHeight) { return maxTileHeight + 96; }

// The background's size: every cell's diamond and the origin's headroom.
inline int64_t BackgroundWidth(uint32_t mapWidth, uint32_t mapHeight) {
  return (int64_t(mapWidth) + mapHeight) * kHalfWidth;
}
inline int64_t BackgroundHeight(uint32_t mapWidth, uint32_t mapHeight, int32_t originY) {
  return (int64_t(mapWidth) + mapHeight) * kHalfHeight + originY - 23;
}

// Top-left corner of a tile in cell (gx, gy), background pixels: the tile
// stands with its bottom edge on the cell's bottom corner line.
inline int32_t TileLeft(int64_t gx, int64_t gy, int32_t originX) {
  return SaturateInt32((gx - gy) * kHalfWidth + originX);
}
inline int32_t TileTop(int64_t gx, int64_t gy, int32_t originY, int32_t tileHeight) {
  return SaturateInt32((gx + gy) * kHalfHeight + originY - tileHeight);
}

// A tile drawn among the figures rather than into the background.
inline bool IsTall(const TTileImage& t, int64_t gx, int64_t gy) {
  return t.Height >= kTallHeight && gx >= 1 && gy >= 1;
}

inline int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// The cells whose tiles (at most maxW x maxH pixels) can reach the area
// [l, r) x [t, b) of the background, as inclusive ranges of u = gx - gy and
// v = gx + gy: a tile's left edge lies in (l - maxW, r) and its bottom edge
// in (t, b + maxH).
struct TCellWindow {
  int64_t U0 = 0, U1 = -1, V0 = 0, V1 = -1;
};
inline TCellWindow CellsReaching(int64_t l, int64_t t, int64_t r, int64_t b, int32_t originX, int32_t originY,
                                 int32_t maxW, int32_t maxH) {
  TCellWindow w;
  w.U0 = FloorDiv(l - maxW - originX, kHalfWidth) + 1;
  w.U1 = FloorDiv(r - originX - 1, kHalfWidth);
  w.V0 = FloorDiv(t - originY, kHalfHeight) + 1;
  w.V1 = FloorDiv(b + maxH - originY - 1, kHalfHeight);
  return w;
}

// Calls f(gx, gy) for the cells of a mapW x mapH grid inside the window, in
// storage order (row by row, each row left to right).
template <class F>
void ForEachCell(const TCellWindow& w, uint32_t mapW, uint32_t mapH, F f) {
  if (mapW == 0 || mapH == 0 || w.U0 > w.U1 || w.V0 > w.V1) return;
  // gy = (v - u) / 2 over the window, within the grid.
  const int64_t gyLo = std::max<int64_t>(0, -FloorDiv(w.U1 - w.V0, 2));
  const int64_t gyHi = std::min<int64_t>(int64_t(mapH) - 1, FloorDiv(w.V1 - w.U0, 2));
  for (int64_t gy = gyLo; gy <= gyHi; ++gy) {
    const int64_t lo = std::max({int64_t(0), w.U0 + gy, w.V0 - gy});
    const int64_t hi = std::min({int64_t(mapW) - 1, w.U1 + gy, w.V1 - gy});
    for (int64_t gx = lo; gx <= hi; ++gx) f(gx, gy);
  }
}

// What a drawing context can show, in its logical coordinates: its bitmap
// less its viewport origin, within its clip rectangle (which is given in
// logical coordinates). False for a context without a bitmap.
inline bool ShownArea(HDC dc, int64_t& l, int64_t& t, int64_t& r, int64_t& b) {
  BITMAP bm;
  if (!GetObjectA(GetCurrentBitmap(dc), sizeof bm, &bm)) return false;
  int32_t ox = 0, oy = 0;
  GetViewportOrgEx(dc, ox, oy);
  l = -int64_t(ox), t = -int64_t(oy), r = l + bm.bmWidth, b = t + bm.bmHeight;
  RECT clip;
  if (GetClipRect(dc, &clip)) {
    l = std::max<int64_t>(l, clip.left);
    t = std::max<int64_t>(t, clip.top);
    r = std::min<int64_t>(r, clip.right);
    b = std::min<int64_t>(b, clip.bottom);
  }
  return true;
}

// One tile at (x, y) of the target: mask AND-blitted, image OR-blitted
// through the memory context. A tile without bitmaps draws nothing.
inline void DrawTile(HDC target, HDC memDC, const TTileImage& t, int32_t x, int32_t y) {
  if (!t.Mask || !t.Image) return;
  MaskedBlt(target, x, y, t.Width, t.Height, memDC, t.Mask, t.Image);
}

}  // namespace vel::cells
