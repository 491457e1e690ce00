// Geometry types shared by every layer: the raster layer's RECT (GDI names,
// left/top inclusive, right/bottom exclusive) and the host's TPoint and TRect.
#pragma once

#include <cstdint>

namespace vel {

struct RECT {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct TPoint {
  int32_t X = 0, Y = 0;
  bool operator==(const TPoint&) const = default;
};

struct TRect {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};

}  // namespace vel
