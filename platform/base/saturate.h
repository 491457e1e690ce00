// Integer saturation: coordinates and sizes are computed in 64 bits and
// brought back to 32 bits by clamping, so that extreme positions and sizes
// never overflow.
#pragma once

#include <cstdint>
#include <limits>

namespace vel {

constexpr int32_t SaturateInt32(int64_t v) {
  return v < std::numeric_limits<int32_t>::min()   ? std::numeric_limits<int32_t>::min()
         : v > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                   : static_cast<int32_t>(v);
}

// An unsigned size as a non-negative int32_t.
constexpr int32_t SaturateSize(uint64_t v) {
  return v > uint64_t(std::numeric_limits<int32_t>::max()) ? std::numeric_limits<int32_t>::max()
                                                            : static_cast<int32_t>(v);
}

}  // namespace vel
