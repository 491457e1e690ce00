// Numeric helpers with the library's conventions: Round to nearest with ties
// to even, Trunc toward zero, both saturating instead of overflowing, and
// NaN mapped to 0 so that no conversion is ever undefined.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#include "velscene/platform/base/saturate.h"

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

}  // namespace vel
