// TPathWalker: plans with the view's snapshot of its map and the figures
// standing in it, then steers the figure leg by leg from its own events.
#include "velscene/path/path_walker.h"

#include <algorithm>
#include <cmath>

#include "velscene/internal/numeric.h"
#include "velscene/view.h"

namespace vel {

namespace {
// Radii beyond this many cells block no more cells than it does.
constexpr double kMaxReach = 8.0;
}  // namespace

// The handlers the walker puts on its figures are made once: handing out
// copies of them allocates nothing.
TPathWalker::TPathWalker(TComponent* AOwner)
    : TComponent(AOwner),
      FArrivalHook([this](TObject*) { Arrived(); }, this),
      FCollideHook([this](TObject*, TObject* c, int32_t code) { Collided(c, code); }, this) {}

TPathWalker::~TPathWalker() {
  *FAlive = false;
  if (FState != TState::Idle) {
    FState = TState::Idle;
    Unhook(true);
  }
}

TPathStatus TPathWalker::Walk(TAniView* View, TAniFigure*& Figure, float X, float Y) {
  if (FState != TState::Idle) {
    End(TWalkResult::Cancelled);
    // OnDone started another walk: that one stands.
    if (FState != TState::Idle) return TPathStatus::NoPath;
  }
  if (!View || !Figure || Figure->View() != View) return TPathStatus::BadStart;
  ++FSerial;
  FView = View;
  FFigure = &Figure;
  FGoal = {X, Y};
  FRetries = 0;
  const TPathStatus status = Plan();
  if (status != TPathStatus::Found && status != TPathStatus::Nearest) {
    FView = nullptr;
    FFigure = nullptr;
    return status;
  }
  Hook();
  Head(1);
  return status;
}

void TPathWalker::Cancel() {
  if (FState == TState::Idle) return;
  if (InView()) {
    TAniFigure* f = FHooked;
    FView->SetFigurePos(*FFigure, f->X(), f->Y(), f->Z());  // ends its move where it stands
  }
  End(TWalkResult::Cancelled);
}

// Figures standing still (not passable, not moving or moving to where they
// stand, as a waiting walker does) hold every cell that comes within the sum
// of the two radii of their centre: a leg through the cells left open cannot
// touch them.
TPathStatus TPathWalker::Plan() {
  TAniFigure* f = *FFigure;
  const auto radius = [](float r) { return std::isfinite(r) && r > 0 ? double(r) : 0.0; };
  const int64_t W = FView->MapWidth(), H = FView->MapHeight();
  FStanding.clear();
  int32_t guard = kMaxEntries;
  for (int32_t s = FView->First(); s > 0 && guard-- > 0; s = FView->Entry(s)->Next) {
    TAniFigure* g = FView->FigureAt(s);
    const TAniEntry& e = *FView->Entry(s);
    if (!g || g == f || g->Passable) continue;
    if (e.Moving && (e.TargetX != g->X() || e.TargetY != g->Y())) continue;
    const double gx = g->X(), gy = g->Y();
    if (!std::isfinite(gx) || !std::isfinite(gy)) continue;
    const double reach = std::min(radius(f->Radius) + radius(g->Radius), kMaxReach);
    const int64_t x0 = std::max<int64_t>(RoundEven(gx - reach) - 1, 0), x1 = std::min(RoundEven(gx + reach) + 1, W - 1);
    const int64_t y0 = std::max<int64_t>(RoundEven(gy - reach) - 1, 0), y1 = std::min(RoundEven(gy + reach) + 1, H - 1);
    for (int64_t y = y0; y <= y1; ++y)
      for (int64_t x = x0; x <= x1; ++x) {
        const double dx = std::max(std::fabs(gx - double(x)) - 0.5, 0.0);
        const double dy = std::max(std::fabs(gy - double(y)) - 0.5, 0.0);
        if (dx * dx + dy * dy <= reach * reach) FStanding.push_back({int32_t(x), int32_t(y)});
      }
  }
  TPathOptions options;
  options.MaxNodes = MaxNodes;
  options.Speed = f->Speed;
  const TPathStatus status = FFinder.Find(PathGridOf(*FView), {f->X(), f->Y()}, FGoal, FStanding, options);
  if (status == TPathStatus::Found || status == TPathStatus::Nearest) {
    FPath.assign(FFinder.Waypoints().begin(), FFinder.Waypoints().end());
    FNearest = status == TPathStatus::Nearest;
  }
  return status;
}

void TPathWalker::Head(size_t Index) {
  FNext = Index;
  FState = TState::Moving;
  FView->MoveFigure(*FFigure, FPath[Index].X, FPath[Index].Y, FHooked->Z());
  OnLeg(this, FHooked);
}

// A move to where the figure stands arrives on the next tick without a step.
void TPathWalker::WaitTick() {
  FState = TState::Waiting;
  TAniFigure* f = FHooked;
  FView->MoveFigure(*FFigure, f->X(), f->Y(), f->Z());
}

void TPathWalker::Arrived() {
  if (!InView()) return End(TWalkResult::Lost);
  switch (FState) {
    case TState::Moving:
      if (FNext + 1 < FPath.size()) return Head(FNext + 1);
      // The last step may still be cut short in this tick: the walk ends
      // when the figure arrives once more without moving, on the next tick.
      FState = TState::Settling;
      FView->MoveFigure(*FFigure, FPath[FNext].X, FPath[FNext].Y, FHooked->Z());
      return;
    case TState::Settling:
      return End(FNearest ? TWalkResult::ArrivedNear : TWalkResult::Arrived);
    case TState::Waiting: {
      const TPathStatus status = Plan();
      if (status == TPathStatus::Found || status == TPathStatus::Nearest) return Head(1);
      if (FRetries >= MaxRetries) return End(TWalkResult::NoPath);
      ++FRetries;
      return WaitTick();
    }
    case TState::Idle:
      return;
  }
}

void TPathWalker::Collided(TObject* Collider, int32_t Code) {
  if (FState == TState::Idle) return;
  if (!InView()) return End(TWalkResult::Lost);
  const uint64_t walk = FSerial;
  const std::shared_ptr<bool> alive = FAlive;
  OnStop(this, FHooked, Collider, Code);
  // The handler may have destroyed the walker, ended this walk or started another.
  if (!*alive || FSerial != walk || FState == TState::Idle || !InView()) return;
  if (FRetries >= MaxRetries) return End(TWalkResult::Blocked);
  ++FRetries;
  WaitTick();
}

bool TPathWalker::InView() const {
  return FView && FFigure && *FFigure == FHooked && FHooked && FHooked->View() == FView;
}

// Takes over the figure's arrival and collision events and asks to be told
// when the figure or the view is destroyed.
void TPathWalker::Hook() {
  TAniFigure* f = *FFigure;
  FHooked = f;
  if (f->OnArrival.Data() != this) FAppArrival = f->OnArrival;
  if (f->OnCollide.Data() != this) FAppCollide = f->OnCollide;
  f->OnArrival = FArrivalHook;
  f->OnCollide = FCollideHook;
  f->FreeNotification(this);
  FView->FreeNotification(this);
}

void TPathWalker::Unhook(bool FigureAlive) {
  if (FHooked && FigureAlive) {
    if (FHooked->OnArrival.Data() == this) FHooked->OnArrival = FAppArrival;
    if (FHooked->OnCollide.Data() == this) FHooked->OnCollide = FAppCollide;
    FHooked->RemoveFreeNotification(this);
  }
  if (FView) FView->RemoveFreeNotification(this);
  FAppArrival.Clear();
  FAppCollide.Clear();
  FHooked = nullptr;
  FView = nullptr;
  FFigure = nullptr;
}

void TPathWalker::End(TWalkResult Result, bool FigureAlive) {
  TAniFigure* f = FigureAlive ? FHooked : nullptr;
  FState = TState::Idle;
  Unhook(FigureAlive);
  OnDone(this, f, Result);
}

void TPathWalker::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove || FState == TState::Idle || !AComponent) return;
  if (AComponent == FHooked) {
    End(TWalkResult::Lost, false);
  } else if (AComponent == FView) {
    FView = nullptr;  // going away: its subscription ends with it
    End(TWalkResult::Lost);
  }
}

}  // namespace vel
