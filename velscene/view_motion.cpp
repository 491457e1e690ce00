// The motion step of one moving figure: the step toward the target with
// arrival, then the figure, edge and cell stages that shorten it, the store,
// the new screen position and OnCollide. Stored values are Single; every
// expression is evaluated in double and rounded where it is stored.
#include <cmath>

#include "velscene/imaging.h"
#include "velscene/internal/view_cell_walk.h"
#include "velscene/internal/view_collide.h"
#include "velscene/internal/view_target_step.h"
#include "velscene/internal/view_walk.h"

namespace vel {

namespace {

using motion::Diff;
using motion::Vec;

bool Finite(float v) { return std::isfinite(v); }

// P + s * t per component, rounded to single.
Vec Along(const Vec& p, const Vec& s, float t) {
  return {static_cast<float>(double(p.x) + double(s.x) * t), static_cast<float>(double(p.y) + double(s.y) * t),
          static_cast<float>(double(p.z) + double(s.z) * t)};
}

}  // namespace

// The non-passable figures of the list, nearest first, with the positions and
// radii the figure stage tests against. Kept current through the update pass
// (MoveCollider); an event handler may change anything, so after one runs the
// list is gathered again.
void TAniView::GatherColliders() {
  TColliders& c = FColliders;
  c.Count = 0;
  for (int32_t s = 1; s <= kMaxEntries; ++s) c.Index[s] = -1;
  for (int32_t s = FLast; s > 0; s = FEntries[s].Prev) {
    const TAniFigure* G = FigureOfEntry(FEntries[s]);
    if (!G || G->Passable) continue;
    const int32_t k = c.Count++;
    c.Index[s] = k;
    c.Slot[k] = s;
    c.Radius[k] = G->Radius;
    c.X[k] = G->FX;
    c.Y[k] = G->FY;
    c.Bounded[k] = collide::Bounded(G->FX) && collide::Bounded(G->FY) && collide::Bounded(G->Radius);
  }
  c.Valid = true;
}

void TAniView::MoveCollider(int32_t S, float X, float Y) {
  TColliders& c = FColliders;
  if (!c.Valid || c.Index[S] < 0) return;
  const int32_t k = c.Index[S];
  c.X[k] = X;
  c.Y[k] = Y;
  c.Bounded[k] = collide::Bounded(X) && collide::Bounded(Y) && collide::Bounded(c.Radius[k]);
}

void TAniView::MotionStep(int32_t S, Walk& W) {
  TAniEntry& e = FEntries[S];
  TAniFigure* F = FigureOfEntry(e);
  if (!F) return;
  const Vec P{F->FX, F->FY, F->FZ};
  // A target that is not a finite point cannot be walked to: the move ends
  // quietly. A non-finite position or Speed goes through the comparison
  // below like any other: where it fails, the figure takes its target.
  if (!Finite(e.TargetX) || !Finite(e.TargetY) || !Finite(e.TargetZ)) {
    e.Moving = 0;
    return;
  }

  // 1. Target step.
  const motion::TargetStep step = motion::StepToward(P, {e.TargetX, e.TargetY, e.TargetZ}, F->Speed);
  const Vec& d = step.d;
  Vec N = step.N;
  if (!step.arrives) {
    // The step overflowed (or started from an infinite position).
    if (!Finite(N.x) || !Finite(N.y) || !Finite(N.z)) {
      e.Moving = 0;
      return;
    }
  } else {
    // A step from a finite position to the target that overflows single
    // precision (only an infinite or NaN Speed lets one through to here)
    // ends quietly too, before anything is raised.
    if ((Finite(P.x) && !Finite(d.x)) || (Finite(P.y) && !Finite(d.y)) || (Finite(P.z) && !Finite(d.z))) {
      e.Moving = 0;
      return;
    }
    e.Moving = 0;
    if (F->OnArrival) {
      SettleClear();
      FColliders.Valid = false;  // the handler may move, add or remove figures
      F->OnArrival(F);
    }
    // The handler may have removed or destroyed the figure: then nothing of
    // it may be touched any more.
    if (W.Detached || FEntries[S].Free || FigureOfEntry(FEntries[S]) != F) return;
  }

  // A figure without a finite ground position has no path for the stages to
  // shorten: it lands on its target. (So does a step of a Speed near the
  // largest single that rounds past it; its end point is finite.)
  const Vec s = Diff(N, P);
  const bool onGround = Finite(P.x) && Finite(P.y) && Finite(s.x) && Finite(s.y);

  int32_t code = 0;
  TAniFigure* collider = nullptr;

  // 3. Figure stage: swept circles in the ground plane against every other
  // non-passable figure, in walk order (the colliders, gathered in that
  // order); the last hit wins. A first pass marks the figures within reach.
  const float a = static_cast<float>(double(s.x) * s.x + double(s.y) * s.y);
  if (onGround && !F->Passable && a > 0) {
    if (!FColliders.Valid) GatherColliders();
    const TColliders& c = FColliders;
    const bool bounded = collide::Bounded(P.x) && collide::Bounded(P.y) && collide::Bounded(s.x) &&
                         collide::Bounded(s.y) && collide::Bounded(F->Radius);
    uint8_t near[kMaxEntries];
    collide::MarkNear(c.X, c.Y, c.Radius, c.Bounded, c.Count, P.x, P.y, s.x, s.y, F->Radius, bounded, near);
    int32_t list[kMaxEntries], m = 0;  // the marked ones, in order
    for (int32_t k = 0; k < c.Count; ++k) {
      list[m] = k;
      m += near[k];
    }
    for (int32_t j = 0; j < m; ++j) {
      const int32_t k = list[j];
      if (c.Slot[k] == S) continue;
      const double ox = double(P.x) - c.X[k], oy = double(P.y) - c.Y[k];
      const double rr = double(F->Radius) + c.Radius[k];
      float t;
      if (collide::SweptHit(a, s.x, s.y, ox, oy, rr, t)) {
        N = Along(P, s, t);
        e.Moving = 0;
        code = 1;
        collider = FigureOfEntry(FEntries[c.Slot[k]]);
      }
    }
  }

  // 4. Edge stage: keep the figure on the centres of the border cells.
  if (FGrid && onGround) {
    const Vec s = Diff(N, P);
    const double maxX = double(FMapWidth) - 1, maxY = double(FMapHeight) - 1;
    float t = 1.0f;
    // An axis without movement cannot be brought back along the step: ignored.
    if (N.x < 0) {
      if (s.x != 0) t = Min(t, static_cast<float>(-double(P.x) / s.x));
    } else if (N.x > maxX) {
      if (s.x != 0) t = Min(t, static_cast<float>(((double(FMapWidth) - P.x) - 1) / s.x));
    }
    if (N.y < 0) {
      if (s.y != 0) t = Min(t, static_cast<float>(-double(P.y) / s.y));
    } else if (N.y > maxY) {
      if (s.y != 0) t = Min(t, static_cast<float>(((double(FMapHeight) - P.y) - 1) / s.y));
    }
    if (t < 1.0f) {
      N = Along(P, s, t);
      e.Moving = 0;
      code = 3;
      collider = nullptr;
    }
  }

  // 5. Cell stage: the cells the path enters, in order, up to the end cell;
  // cells outside the grid count as free.
  if (FGrid && onGround && !F->Passable) {
    const Vec s = Diff(N, P);
    float t;
    if (!(s.x == 0 && s.y == 0) && cells::FirstBlocked(FGrid, FMapWidth, FMapHeight, P.x, P.y, s.x, s.y, N.x, N.y, t)) {
      N = Along(P, s, t);
      e.Moving = 0;
      code = 2;
      collider = nullptr;
    }
  }

  // 6, 7. Store and place.
  F->FX = N.x;
  F->FY = N.y;
  F->FZ = N.z;
  MoveCollider(S, N.x, N.y);
  PlaceEntry(e, *F, N.x, N.y, N.z);

  // 8. Report the stop, with the view as Sender.
  if (code > 0 && F->OnCollide) {
    SettleClear();
    FColliders.Valid = false;
    F->OnCollide(this, collider, code);
  }
}

}  // namespace vel
