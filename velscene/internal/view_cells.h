// Internal to the view: the cell geometry that finds tiles for an area of
// the background (which tiles are tall, which cells can reach an area, the
// cells of a window in storage order) and what a drawing context shows.
#pragma once

#include <algorithm>
#include <cstdint>

#include "velscene/platform/base/saturate.h"
#include "velscene/view.h"

namespace vel::cells {

// A tile drawn among the figures rather than into the background: as high
// as the cell (CellWidth / 2) or higher, away from row 0 and column 0.
inline bool IsTallTile(const TTileImage& t, int32_t cellWidth) { return t.Height >= cellWidth / 2; }
inline bool IsTall(const TTileImage& t, int64_t gx, int64_t gy, int32_t cellWidth) {
  return IsTallTile(t, cellWidth) && gx >= 1 && gy >= 1;
}

inline int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// The cells whose tiles (at most maxW x maxH pixels) can reach the area
// [l, r) x [t, b) of the background, as inclusive ranges of u = gx - gy and
// v = gx + gy: a tile's left edge, u x W / 2 + originX, lies in (l - maxW, r)
// and its bottom edge in (t, b + maxH). The bottom edge is v x W / 4 rounded,
// within half a pixel of the exact value, so the v range may hold a cell
// more than needed at either end; callers clip.
struct TCellWindow {
  int64_t U0 = 0, U1 = -1, V0 = 0, V1 = -1;
};
inline TCellWindow CellsReaching(int64_t l, int64_t t, int64_t r, int64_t b, int32_t originX, int32_t originY,
                                 int32_t maxW, int32_t maxH, int32_t cellWidth) {
  const int64_t half = cellWidth / 2;
  TCellWindow w;
  w.U0 = FloorDiv(l - maxW - originX, half) + 1;
  w.U1 = FloorDiv(r - originX - 1, half);
  // Bottom edges from t + 1 to b + maxH - 1: 4 x bottom within 2 of v x W.
  w.V0 = FloorDiv(4 * (t + 1 - originY) - 2 + cellWidth - 1, cellWidth);
  w.V1 = FloorDiv(4 * (b + maxH - 1 - originY) + 2, cellWidth);
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

}  // namespace vel::cells
