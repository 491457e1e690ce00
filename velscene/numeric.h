// Numeric helpers with the library's conventions: Round to nearest with ties
// to even, Trunc toward zero, both saturating instead of overflowing, and
// NaN mapped to 0 so that no conversion is ever undefined. Extended values
// and doubles (floats widen to them exactly) go through the same code, which
// depends on no floating-point environment.
#pragma once

#include <cstdint>
#include <limits>

#include "velscene/internal/extended.h"

namespace vel {

constexpr int64_t kRoundLimit = int64_t(1) << 52;

// Round to nearest, ties to even, within [-2^52, 2^52].
constexpr int64_t RoundEven(const Extended& v) { return v.ToInt(false, kRoundLimit); }
constexpr int64_t RoundEven(double v) { return RoundEven(Extended::FromDouble(v)); }

// Truncate toward zero, within [-2^52, 2^52].
constexpr int64_t Trunc(const Extended& v) { return v.ToInt(true, kRoundLimit); }
constexpr int64_t Trunc(double v) { return Trunc(Extended::FromDouble(v)); }

inline int32_t SaturateInt32(int64_t v) {
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

}  // namespace vel
