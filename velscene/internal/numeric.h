// Numeric helpers with the library's conventions: Round to nearest with ties
// to even, Trunc toward zero, both saturating instead of overflowing, and
// NaN mapped to 0 so that no conversion is ever undefined. For extended values
// and doubles (floats widen to them exactly); none depends on the
// floating-point environment.
#pragma once

#include <cstdint>

#include "velscene/internal/extended.h"
#include "velscene/platform/base/saturate.h"

namespace vel {

constexpr int64_t kRoundLimit = int64_t(1) << 52;

// Round to nearest, ties to even, within [-2^52, 2^52].
constexpr int64_t RoundEven(const Extended& v) { return v.ToInt(false, kRoundLimit); }
constexpr int64_t RoundEven(double v) {
  if (!(v == v)) return 0;
  if (v >= 0x1p52) return kRoundLimit;
  if (v <= -0x1p52) return -kRoundLimit;
  // Below 2^52 the conversion truncates and the fraction is exact.
  const int64_t t = static_cast<int64_t>(v);
  const double f = v - static_cast<double>(t);
  if (f > 0.5 || (f == 0.5 && (t & 1))) return t + 1;
  if (f < -0.5 || (f == -0.5 && (t & 1))) return t - 1;
  return t;
}

// Truncate toward zero, within [-2^52, 2^52].
constexpr int64_t Trunc(const Extended& v) { return v.ToInt(true, kRoundLimit); }
constexpr int64_t Trunc(double v) {
  if (!(v == v)) return 0;
  if (v >= 0x1p52) return kRoundLimit;
  if (v <= -0x1p52) return -kRoundLimit;
  return static_cast<int64_t>(v);
}

}  // namespace vel
