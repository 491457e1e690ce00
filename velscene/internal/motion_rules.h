// Internal (no API guarantee): the arithmetic of one motion step that other
// code must reproduce exactly, the step toward a target and the walk over the
// cells a step enters. The view's motion step and the path smoother share it.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "velscene/internal/numeric.h"

namespace vel::motion {

constexpr double kBackOff = 1.0 / 1024.0;  // exact in single precision

struct Vec {
  float x, y, z;
};

inline bool Finite(float v) { return std::isfinite(v); }

inline Vec Diff(const Vec& n, const Vec& p) {
  return {static_cast<float>(double(n.x) - p.x), static_cast<float>(double(n.y) - p.y),
          static_cast<float>(double(n.z) - p.z)};
}

enum class TStep { Move, Arrive, Stuck };

// The target step: N is Speed along the way from P to T, or T itself when T
// is within reach (Arrive). Stuck when the stepped position is not finite.
inline TStep StepToward(const Vec& P, const Vec& T, float Speed, Vec& N) {
  const Vec d = Diff(T, P);
  const float dist = static_cast<float>(std::sqrt(double(d.x) * d.x + double(d.y) * d.y + double(d.z) * d.z));
  if (dist != 0 && dist > Speed) {
    const double speed = Speed;
    N = {static_cast<float>((speed * d.x) / dist + P.x), static_cast<float>((speed * d.y) / dist + P.y),
         static_cast<float>((speed * d.z) / dist + P.z)};
    return Finite(N.x) && Finite(N.y) && Finite(N.z) ? TStep::Move : TStep::Stuck;
  }
  N = T;
  return TStep::Arrive;
}

inline float Frac(float v) { return static_cast<float>(double(v) - std::trunc(double(v))); }

// The cell stage's walk over the step from P to N (s = N - P as stored): the
// cells the straight path enters, in the order it enters them, up to N's
// cell; P's own cell is never tested, and a path through a cell corner
// tests only the diagonal cell. Blocked(cx, cy) is asked only for cells of
// the W x H grid (cells outside count as free). At the first blocked cell
// the result is true and Stop the step fraction 1/1024 short of its border.
template <class IsBlocked>
bool FirstBlockedCell(float Px, float Py, float Nx, float Ny, float sx, float sy, int64_t W64, int64_t H64,
                      IsBlocked&& Blocked, float& Stop) {
  if (sx == 0 && sy == 0) return false;
  int64_t cx = RoundEven(Px), cy = RoundEven(Py);
  int64_t ex = RoundEven(Nx), ey = RoundEven(Ny);
  const bool startInside = cx >= 0 && cx < W64 && cy >= 0 && cy < H64;
  // A step from far outside that would cross more cells than the map spans
  // is not walked cell by cell.
  const bool walkable = startInside || std::llabs(ex - cx) + std::llabs(ey - cy) <= W64 + H64 + 4;
  if ((cx == ex && cy == ey) || !walkable) return false;
  int32_t dirX = 0, dirY = 0;
  float offX = 0, offY = 0;
  if (sx > 0) {
    dirX = 1;
    offX = 0.5f;
  } else if (sx < 0) {
    dirX = -1;
    offX = -0.5f;
    if (Frac(Nx) == 0.5f) --ex;
  }
  if (sy > 0) {
    dirY = 1;
    offY = 0.5f;
  } else if (sy < 0) {
    dirY = -1;
    offY = -0.5f;
    if (Frac(Ny) == 0.5f) --ey;
  }
  // Every iteration enters a new cell; this bound only guards against
  // rounding keeping the walk from meeting its end cell.
  int64_t budget = std::llabs(ex - cx) + std::llabs(ey - cy) + 4;
  while (budget-- > 0) {
    float tx = 2.0f, ty = 2.0f;
    if (dirX != 0) tx = static_cast<float>(((double(cx) - Px) + offX) / sx);
    if (dirY != 0) ty = static_cast<float>(((double(cy) - Py) + offY) / sy);
    if (tx > 1 && ty > 1) return false;
    float t;
    if (tx < ty) {
      t = static_cast<float>(tx - kBackOff);
      cx += dirX;
    } else if (ty < tx) {
      t = static_cast<float>(ty - kBackOff);
      cy += dirY;
    } else {
      t = static_cast<float>(tx - kBackOff);
      cx += dirX;
      cy += dirY;
    }
    const bool inside = cx >= 0 && cx < W64 && cy >= 0 && cy < H64;
    if (inside && Blocked(cx, cy)) {
      Stop = t;
      return true;
    }
    if (cx == ex && cy == ey) return false;
  }
  return false;
}

}  // namespace vel::motion
