// Projection and placement: grid to background pixels (sums in extended
// precision, one ties-to-even rounding), the figure placement rule, the
// pixel-to-grid inverse, figure positioning, targets and the key figure.
#include <cmath>

#include "velscene/internal/numeric.h"
#include "velscene/internal/view_walk.h"

namespace vel {

void TAniView::ProjectPoint(float X, float Y, float Z, int32_t& PX, int32_t& PY) const {
  const long double gx = ((static_cast<long double>(X) - Y) + 1.0L) * 24.0L;
  const long double gy = (((static_cast<long double>(X) + Y) - 1.0L) - Z) * 12.0L;
  PX = SaturateInt32(int64_t(FOriginX) + RoundEven(gx));
  PY = SaturateInt32(int64_t(FOriginY) + RoundEven(gy));
}

void TAniView::PlaceEntry(TAniEntry& E, const TAniFigure& F, float X, float Y, float Z) const {
  int32_t px, py;
  ProjectPoint(X, Y, Z, px, py);
  E.ScreenX = SaturateInt32(int64_t(px) - F.CenterX);
  E.ScreenY = SaturateInt32(int64_t(py) - F.CenterY);
  E.Depth = static_cast<float>(static_cast<long double>(X) + Y);
}

void TAniView::GridToScreen(float X, float Y, float Z, int32_t& SX, int32_t& SY) const {
  ProjectPoint(X, Y, Z, SX, SY);
}

void TAniView::ScreenToGrid(int32_t X, int32_t Y, float& GridX, float& GridY) const {
  // The nearest extended values of 1/24 and 1/12; products and sums in extended.
  constexpr long double kOne24th = 1.0L / 24.0L;
  constexpr long double kOne12th = 1.0L / 12.0L;
  const long double sx = static_cast<long double>(int64_t(X) - FOriginX - FScrollX);
  const long double sy = static_cast<long double>(int64_t(Y) - FOriginY - FScrollY);
  GridX = static_cast<float>((sx * kOne24th + sy * kOne12th) * 0.5L);
  GridY = static_cast<float>(sy * kOne12th - GridX + 1.0L);
}

void TAniView::SetFigurePos(TAniFigure*& Figure, float X, float Y, float Z) {
  TAniFigure* F = Figure;
  if (!F) return;
  // A figure placed in another view is that view's to move: not even its
  // fields change here, or its own entry would go stale.
  if (F->FSlot != 0 && !OwnsFigure(F)) return;
  F->FX = X;
  F->FY = Y;
  F->FZ = Z;
  if (F->FSlot == 0) return;
  TAniEntry& e = FEntries[F->FSlot];
  PlaceEntry(e, *F, X, Y, Z);
  e.Moving = 0;
}

void TAniView::MoveFigure(TAniFigure*& Figure, float X, float Y, float Z) {
  TAniFigure* F = Figure;
  if (!F || F->FSlot == 0 || !OwnsFigure(F)) return;
  TAniEntry& e = FEntries[F->FSlot];
  e.TargetX = X;
  e.TargetY = Y;
  e.TargetZ = Z;
  e.Moving = -1;
}

void TAniView::SetKeyFigure(TAniFigure*& Figure) {
  TAniFigure* F = Figure;
  // An empty variable or an unplaced figure stops the camera; a figure placed
  // in another view leaves the key as it is.
  if (!F || F->FSlot == 0)
    FKeyFigure = 0;
  else if (OwnsFigure(F))
    FKeyFigure = F->FSlot;
}

void TAniView::ClearKeyFigure() {
  FKeyFigure = 0;
  FScrollX = 0;
  FScrollY = 0;
}

}  // namespace vel
