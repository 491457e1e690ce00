// Internal to the library: the motion step's target step, shared by the
// view's motion step and the path smoother, which replays it to know where
// a figure's steps will fall.
#pragma once

#include <cmath>

namespace vel::motion {

struct Vec {
  float x, y, z;
};

inline Vec Diff(const Vec& n, const Vec& p) {
  return {static_cast<float>(double(n.x) - p.x), static_cast<float>(double(n.y) - p.y),
          static_cast<float>(double(n.z) - p.z)};
}

// d = T - P and dist = |d|. A figure arrives when dist is 0 or at most
// Speed, and N is then T; otherwise N is Speed along d, computed per
// component as (Speed x d) / dist + P.
struct TargetStep {
  Vec d;
  float dist;
  bool arrives;
  Vec N;
};

inline TargetStep StepToward(const Vec& P, const Vec& T, float Speed) {
  TargetStep r;
  r.d = Diff(T, P);
  r.dist = static_cast<float>(std::sqrt(double(r.d.x) * r.d.x + double(r.d.y) * r.d.y + double(r.d.z) * r.d.z));
  r.arrives = !(r.dist != 0 && r.dist > Speed);
  if (r.arrives) {
    r.N = T;
  } else {
    const double speed = Speed;
    r.N = {static_cast<float>((speed * r.d.x) / r.dist + P.x), static_cast<float>((speed * r.d.y) / r.dist + P.y),
           static_cast<float>((speed * r.d.z) / r.dist + P.z)};
  }
  return r;
}

}  // namespace vel::motion
