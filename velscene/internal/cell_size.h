// Internal to the view: pixel lengths that follow the cell width W (a W x W/2
// diamond, W even). Half widths are whole pixels; quarter widths may end in
// a half and are rounded to the nearest, ties to even, like the projection.
#pragma once

#include <cstdint>

#include "velscene/view.h"

namespace vel {

inline bool ValidCellWidth(int64_t W) { return W >= kMinCellWidth && W <= kMaxCellWidth && W % 2 == 0; }

// N x W / 4 rounded to the nearest whole pixel, ties to even; N x W is even,
// so the quotient is whole or ends in a half.
inline int64_t QuarterCells(int64_t N, int32_t W) {
  const int64_t p = N * W;  // |N| stays far below 2^52 for every caller
  const int64_t q = p >> 2;  // floor, also for negative p
  return (p & 3) != 0 ? q + (q & 1) : q;
}

}  // namespace vel
