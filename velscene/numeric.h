// Numeric helpers with the library's conventions: Round to nearest with ties
// to even, Trunc toward zero, both saturating instead of overflowing, and
// NaN mapped to 0 so that no conversion is ever undefined.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace vel {

constexpr int64_t kRoundLimit = int64_t(1) << 52;

inline int64_t ClampToInt64(long double v) {
  if (!(v == v)) return 0;  // NaN
  if (v >= static_cast<long double>(kRoundLimit)) return kRoundLimit;
  if (v <= -static_cast<long double>(kRoundLimit)) return -kRoundLimit;
  return static_cast<int64_t>(v);
}

// Round to nearest, ties to even (the default floating-point rounding mode).
inline int64_t RoundEven(long double v) { return ClampToInt64(std::nearbyint(v)); }

// Truncate toward zero.
inline int64_t Trunc(long double v) { return ClampToInt64(std::trunc(v)); }

inline int32_t SaturateInt32(int64_t v) {
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

}  // namespace vel
