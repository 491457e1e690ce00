// The cell stage's walk: the cells a step crosses, in the order the path
// enters them, stopping in front of the first blocked one. Only the part of
// the walk inside the grid is stepped through; the part before it is skipped
// in O(log) evaluations with exactly the crossings the walk itself computes.
//
// How the skip works. On each axis the walk leaves its k-th cell (k = 0 is
// the start cell) at the step fraction L(k), computed in one fixed way; L is
// non-decreasing in k. Each iteration compares the next crossing of each axis
// and takes the smaller, or both on a tie, so the walk is the merge of the
// two sorted crossing lists, and its position is (i, j), the crossings taken
// on each axis. For any value v it passes (#L_x < v, #L_y < v); from there the
// crossings equal to v (a on x, b on y) take max(a, b) iterations, of which
// the first min(a, b) take one of each. That gives, by binary search, the
// first position at which both axes have reached the grid, and the one
// before it, where the plain walk is resumed.
#include "velscene/internal/view_cell_walk.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "velscene/internal/numeric.h"

namespace vel::cells {

namespace {

constexpr double kBackOff = 1.0 / 1024.0;  // exact in single precision
constexpr int64_t kUnbounded = std::numeric_limits<int64_t>::max() / 4;

float Frac(float v) { return static_cast<float>(double(v) - std::trunc(double(v))); }

// One axis of the walk.
struct Axis {
  int64_t start = 0;  // the start cell's index on this axis
  int64_t end = 0;    // the end cell's index on this axis
  int32_t dir = 0;    // +1, -1, or 0 without movement
  float off = 0;      // +0.5, -0.5 or 0
  double p = 0;       // start coordinate
  float s = 0;        // step component
  // Crossings taken while the walk is inside the grid on this axis: lo..hi.
  int64_t lo = 0, hi = -1;

  Axis(float P, float S, float N, uint32_t size) : p(P), s(S) {
    start = RoundEven(P);
    end = RoundEven(N);
    if (S > 0) {
      dir = 1;
      off = 0.5f;
    } else if (S < 0) {
      dir = -1;
      off = -0.5f;
      if (Frac(N) == 0.5f) --end;
    }
    const int64_t last = int64_t(size) - 1;
    if (dir > 0) {
      lo = std::max<int64_t>(0, -start);
      hi = last - start;
    } else if (dir < 0) {
      lo = std::max<int64_t>(0, start - last);
      hi = start;
    } else if (start >= 0 && start <= last) {
      lo = 0;
      hi = kUnbounded;
    }
  }

  bool Crosses() const { return lo <= hi; }
  int64_t Cell(int64_t k) const { return start + dir * k; }
  // The fraction of the step at which the path leaves the k-th cell.
  float Leave(int64_t k) const { return static_cast<float>(((double(Cell(k)) - p) + off) / s); }

  // How many crossings below (or up to) v, counted up to hi + 1; more than
  // that means past the grid.
  int64_t Count(float v, bool orEqual) const {
    if (dir == 0) return 0;
    int64_t a = 0, b = hi + 1;
    while (a < b) {
      const int64_t m = a + (b - a) / 2;
      const float l = Leave(m);
      if (l < v || (orEqual && l == v))
        a = m + 1;
      else
        b = m;
    }
    return a;
  }
};

struct Pos {
  int64_t i, j;
};

enum class Reach { AtStart, Reached, Never };

// The first position with i >= I and j >= J, and the one before it. Never
// when the walk ends (every remaining crossing beyond the step) first.
// I <= x.hi and J <= y.hi.
Reach FirstReaching(const Axis& x, const Axis& y, int64_t I, int64_t J, Pos& at, Pos& before) {
  if (I == 0 && J == 0) {
    at = before = {0, 0};
    return Reach::AtStart;
  }
  constexpr float kNone = -std::numeric_limits<float>::infinity();
  const float vx = I > 0 ? x.Leave(I - 1) : kNone;
  const float vy = J > 0 ? y.Leave(J - 1) : kNone;
  const float v = std::max(vx, vy);
  if (v > 1) return Reach::Never;
  const int64_t i0 = x.Count(v, false), a = x.Count(v, true) - i0;
  const int64_t j0 = y.Count(v, false), b = y.Count(v, true) - j0;
  // Iterations into the crossings equal to v until each axis has its one.
  const int64_t px = (I > 0 && vx == v) ? I - 1 - i0 : -1;
  const int64_t py = (J > 0 && vy == v) ? J - 1 - j0 : -1;
  const int64_t q = std::max(px, py);
  at = {i0 + std::min(q + 1, a), j0 + std::min(q + 1, b)};
  before = {i0 + std::min(q, a), j0 + std::min(q, b)};
  return Reach::Reached;
}

}  // namespace

bool FirstBlocked(const uint8_t* grid, uint32_t width, uint32_t height, float X, float Y, float sx, float sy,
                  float Nx, float Ny, float& t) {
  // The start cell itself is never tested; a step that stays in it is done.
  if (RoundEven(X) == RoundEven(Nx) && RoundEven(Y) == RoundEven(Ny)) return false;
  const Axis x(X, sx, Nx, width), y(Y, sy, Ny, height);
  if (!x.Crosses() || !y.Crosses()) return false;  // the path passes the grid by

  Pos at, from;
  const Reach reach = FirstReaching(x, y, x.lo, y.lo, at, from);
  if (reach == Reach::Never) return false;
  if (reach == Reach::Reached) {
    if (at.i > x.hi || at.j > y.hi) return false;  // past the grid on one axis first
    // The walk ends at its end cell: on the path before the grid, it ends
    // there having tested nothing.
    const int64_t ie = x.dir ? (x.end - x.start) * x.dir : 0, je = y.dir ? (y.end - y.start) * y.dir : 0;
    if (ie >= 0 && je >= 0 && ie <= x.hi && je <= y.hi && (ie < x.lo || je < y.lo)) {
      Pos e, unused;
      if (FirstReaching(x, y, ie, je, e, unused) == Reach::Reached && e.i == ie && e.j == je) return false;
    }
  }

  // The walk itself, from the start or from just before the grid, until it
  // stops or leaves the grid for good (both axes only ever advance).
  int64_t i = from.i, j = from.j;
  for (int64_t budget = int64_t(width) + height + 4; budget > 0; --budget) {
    const float tx = x.dir ? x.Leave(i) : 2.0f;
    const float ty = y.dir ? y.Leave(j) : 2.0f;
    if (tx > 1 && ty > 1) return false;
    float stop;
    if (tx < ty) {
      stop = static_cast<float>(tx - kBackOff);
      ++i;
    } else if (ty < tx) {
      stop = static_cast<float>(ty - kBackOff);
      ++j;
    } else {
      stop = static_cast<float>(tx - kBackOff);
      ++i;
      ++j;
    }
    if (i > x.hi || j > y.hi) return false;
    const int64_t cx = x.Cell(i), cy = y.Cell(j);
    const bool inside = cx >= 0 && cx < int64_t(width) && cy >= 0 && cy < int64_t(height);
    if (inside && grid[(size_t(cy) * width + size_t(cx)) * 2 + 1] != 0) {
      t = stop;
      return true;
    }
    if (cx == x.end && cy == y.end) return false;
  }
  return false;
}

}  // namespace vel::cells
