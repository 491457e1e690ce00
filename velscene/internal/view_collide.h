// Internal to the view: the swept-circle test of the motion step's figure
// stage, and a bound that rules a contact out before the test is made.
#pragma once

#include <cmath>
#include <cstdint>

namespace vel::collide {

constexpr float kWindowLow = -1.0f / 1024.0f;

// The moving circle starts at offset (ox, oy) from the other one and steps by
// (sx, sy), a = sx^2 + sy^2 > 0 as a single; rr is the sum of the radii. On a
// contact within the step (-1/1024 < t < 1), t is the fraction of the step at
// which the circles first touch. Singles where the motion step stores values.
inline bool SweptHit(float a, float sx, float sy, double ox, double oy, double rr, float& t) {
  const float b = static_cast<float>(2.0 * (ox * sx + oy * sy));
  const float c = static_cast<float>((ox * ox + oy * oy) - rr * rr);
  const float disc = static_cast<float>(double(b) * b - 4.0 * a * c);
  if (disc < 0) return false;
  t = static_cast<float>((-double(b) - std::sqrt(double(disc))) / (2.0 * a));
  return t > kWindowLow && t < 1.0f;
}

// The bound holds for coordinates, steps and radii up to this magnitude.
constexpr double kBoundLimit = 1048576.0;
inline bool Bounded(double v) { return std::fabs(v) <= kBoundLimit; }

// Marks near[k] for every circle k (centre x[k], y[k], radius r[k]) that a
// circle of radius rf at (px, py) stepping by (sx, sy) might touch for a
// step fraction from -1 to 1. A circle is passed over only when its centre
// lies farther than 1.25 times the reach (step length plus radius sum) plus
// 1/512, with every value involved within kBoundLimit (bounded, inBound[k]):
// SweptHit's roundings, and those of this single-precision bound, are a few
// parts in 10^7 of the same magnitudes, far too small to bring a contact
// into its window.
inline void MarkNear(const float* x, const float* y, const float* r, const uint8_t* inBound, int32_t n, float px,
                     float py, float sx, float sy, float rf, bool bounded, uint8_t* near) {
  if (!bounded) {
    for (int32_t k = 0; k < n; ++k) near[k] = 1;
    return;
  }
  const float step = std::sqrt(sx * sx + sy * sy);
  for (int32_t k = 0; k < n; ++k) {
    const float dx = px - x[k], dy = py - y[k];
    const float reach = 1.25f * (step + std::fabs(rf + r[k])) + 1.0f / 512;
    near[k] = uint8_t((dx * dx + dy * dy <= reach * reach) | (inBound[k] == 0));
  }
}

}  // namespace vel::collide
