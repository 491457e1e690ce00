// Window geometry for the SDL2 backend: form sizes and positions clamped to
// what a window accepts, and where the surface goes in the drawable.
#pragma once

#include <cstdint>

#include "velscene/platform/host/controls.h"
#include "velscene/platform/graphics/graphics.h"

namespace vel {

// A window is at least 1 x 1 and at most this wide or high.
constexpr int32_t kMaxWindowExtent = 16384;
// Window positions stay well away from the values SDL reads as "undefined" or
// "centred" (0x1FFF0000, 0x2FFF0000).
constexpr int32_t kMaxWindowCoordinate = 1 << 20;

constexpr int32_t WindowExtent(int32_t clientSize) {
  return clientSize < 1 ? 1 : clientSize > kMaxWindowExtent ? kMaxWindowExtent : clientSize;
}

constexpr int32_t WindowCoordinate(int32_t position) {
  return position < -kMaxWindowCoordinate  ? -kMaxWindowCoordinate
         : position > kMaxWindowCoordinate ? kMaxWindowCoordinate
                                           : position;
}

// Where the surface goes in the drawable. Client pixels are window points:
// the form is as large as the window, pointer positions arrive in points and
// need no scaling, and on a hi-dpi display (drawable larger than the window)
// the surface is scaled up by the drawable/window ratio. At normal DPI this is
// the surface's own size at the top-left: a 1:1 copy, never stretched to a
// window that is momentarily larger or smaller than the form.
constexpr TRect PresentRect(TPoint surfaceSize, TPoint windowSize, TPoint drawableSize) {
  auto scale = [](int32_t s, int32_t window, int32_t drawable) {
    if (s <= 0) return 0;
    if (window <= 0 || drawable <= 0 || window == drawable) return s;
    return SaturateInt32(int64_t{s} * drawable / window);
  };
  return {0, 0, scale(surfaceSize.X, windowSize.X, drawableSize.X),
          scale(surfaceSize.Y, windowSize.Y, drawableSize.Y)};
}

}  // namespace vel
