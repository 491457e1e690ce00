// Path smoothing: the farthest point still in plain sight of the last one
// kept, found by doubling then halving, where sight is the motion step's own
// cell walk, with a sideways margin, and a replay of the leg at the walking
// figure's speed.
#include "velscene/path/internal/path_smooth.h"

#include <cmath>

#include "velscene/internal/view_cell_walk.h"
#include "velscene/internal/view_target_step.h"
#include "velscene/internal/numeric.h"

namespace vel::path {

namespace {

// The sideways margin: legs keep this far from blocked cells, so that a leg
// never squeezes between two cells that touch at a corner, and the single
// precision of the stepped positions cannot bring a step into a cell.
constexpr double kMargin = 1.0 / 64.0;
// Motion steps the replays of one path may take together: a base and a few
// per point of the path (enough for any speed from about 0.2 up); past it,
// legs are no longer lengthened beyond neighbour cells.
constexpr uint64_t kReplayBase = uint64_t(1) << 16;
constexpr uint64_t kReplayPerPoint = 8;

class Smoother {
 public:
  Smoother(GridSearch& Grid, std::span<const TPathPoint> Points, float Speed)
      : FGrid(Grid),
        FPoints(Points),
        FSpeed(Speed),
        FReplay(std::isfinite(Speed) && Speed > 0),
        FReplaySteps(kReplayBase + kReplayPerPoint * Points.size()) {}

  // The farthest point after A that the leg from A may reach. The next point
  // is always reachable: the search made it a neighbour cell, and a leg
  // between neighbours stays within cells the search found passable. So is
  // the end of a straight run of such steps: along a row or column its
  // steps stay in the row's cells; along a diagonal they pass the corners
  // through cells the search found passable beside each diagonal step.
  size_t Farthest(size_t A) {
    const size_t last = FPoints.size() - 1;
    size_t run = A + 1;
    if (A > 0 && run < last) {
      const float dx = FPoints[run].X - FPoints[A].X, dy = FPoints[run].Y - FPoints[A].Y;
      while (run + 1 < last && FPoints[run + 1].X - FPoints[run].X == dx && FPoints[run + 1].Y - FPoints[run].Y == dy)
        ++run;
    }
    size_t lo = run, hi = last + 1;  // lo passes; hi fails or lies beyond
    for (size_t d = 1; run + d <= last; d *= 2) {
      if (!InSight(A, run + d)) {
        hi = run + d;
        break;
      }
      lo = run + d;
    }
    if (hi == last + 1 && lo < last) {
      if (InSight(A, last))
        lo = last;
      else
        hi = last;
    }
    while (hi - lo > 1) {
      const size_t mid = lo + (hi - lo) / 2;
      (InSight(A, mid) ? lo : hi) = mid;
    }
    if (lo == run || Replays(A, lo)) return lo;
    hi = lo;
    lo = run;
    while (hi - lo > 1) {
      const size_t mid = lo + (hi - lo) / 2;
      (InSight(A, mid) && Replays(A, mid) ? lo : hi) = mid;
    }
    return lo;
  }

 private:
  bool Blocked(int64_t X, int64_t Y) const { return !FGrid.Passable(X, Y); }

  // The motion step's cell walk finds nothing on the line from A to B. A line
  // that starts in another cell than the leg (a sideways copy) needs that
  // cell passable too, as the walk never tests its start cell.
  bool LineClear(double AX, double AY, double BX, double BY, int64_t LegX, int64_t LegY) const {
    const float ax = static_cast<float>(AX), ay = static_cast<float>(AY);
    const float bx = static_cast<float>(BX), by = static_cast<float>(BY);
    const int64_t cx = RoundEven(ax), cy = RoundEven(ay);
    if ((cx != LegX || cy != LegY) && Blocked(cx, cy)) return false;
    const float sx = static_cast<float>(double(bx) - ax), sy = static_cast<float>(double(by) - ay);
    float t;
    return !cells::FirstBlocked(FGrid.WalkCells(), FGrid.Width(), FGrid.Height(), ax, ay, sx, sy, bx, by, t);
  }

  bool InSight(size_t A, size_t B) const {
    const TPathPoint a = FPoints[A], b = FPoints[B];
    const double dx = double(b.X) - a.X, dy = double(b.Y) - a.Y;
    const double length = std::sqrt(dx * dx + dy * dy);
    if (length == 0) return true;
    const double nx = -dy / length * kMargin, ny = dx / length * kMargin;
    const int64_t legX = RoundEven(a.X), legY = RoundEven(a.Y);
    if (!LineClear(a.X, a.Y, b.X, b.Y, legX, legY)) return false;
    // Copies of a leg along a row (or column) that stay in its row walk its cells.
    const auto sameCell = [](float v, double off) {
      const int64_t c = RoundEven(v);
      return RoundEven(static_cast<float>(v + off)) == c && RoundEven(static_cast<float>(v - off)) == c;
    };
    if ((dy == 0 && sameCell(a.Y, ny)) || (dx == 0 && sameCell(a.X, nx))) return true;
    return LineClear(a.X + nx, a.Y + ny, b.X + nx, b.Y + ny, legX, legY) &&
           LineClear(a.X - nx, a.Y - ny, b.X - nx, b.Y - ny, legX, legY);
  }

  // The leg walked as the motion step walks it at FSpeed: every step's cells
  // are free and the figure arrives. A leg along a row or a column needs no
  // replay: its steps keep the other coordinate exactly, so they enter only
  // cells of the leg's own walk.
  bool Replays(size_t A, size_t B) {
    if (!FReplay || FPoints[A].X == FPoints[B].X || FPoints[A].Y == FPoints[B].Y) return true;
    motion::Vec P{FPoints[A].X, FPoints[A].Y, 0.0f};
    const motion::Vec T{FPoints[B].X, FPoints[B].Y, 0.0f};
    const uint8_t* cells = FGrid.WalkCells();
    while (FReplaySteps > 0) {
      --FReplaySteps;
      const motion::TargetStep step = motion::StepToward(P, T, FSpeed);
      const motion::Vec N = step.N;
      if (!std::isfinite(N.x) || !std::isfinite(N.y)) return false;
      const motion::Vec s = motion::Diff(N, P);
      if (s.x == 0 && s.y == 0) return step.arrives;  // arrived, or too slow to move at all here
      float t;
      if (cells::FirstBlocked(cells, FGrid.Width(), FGrid.Height(), P.x, P.y, s.x, s.y, N.x, N.y, t)) return false;
      if (step.arrives) return true;
      P = N;
    }
    return false;
  }

  GridSearch& FGrid;
  std::span<const TPathPoint> FPoints;
  float FSpeed;
  bool FReplay;
  uint64_t FReplaySteps;  // left for this path
};

}  // namespace

void SmoothPath(GridSearch& Grid, std::span<const TPathPoint> Points, float Speed,
                std::vector<TPathPoint>& Out) {
  Out.clear();
  if (Points.empty()) return;
  Out.push_back(Points[0]);
  Smoother smoother(Grid, Points, Speed);
  for (size_t a = 0; a + 1 < Points.size();) {
    a = smoother.Farthest(a);
    Out.push_back(Points[a]);
  }
}

}  // namespace vel::path
