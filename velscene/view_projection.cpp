// Projection and placement: grid to background pixels (sums in extended
// precision, one ties-to-even rounding), the figure placement rule, the
// pixel-to-grid inverse, figure positioning, targets and the key figure.
#include "velscene/internal/numeric.h"
#include "velscene/internal/view_walk.h"

namespace vel {

namespace {
constexpr Extended kOne = Extended::FromInt(1);
constexpr Extended kQuarter = Extended::Reciprocal(4);  // exact

// The projection's two sums in the stated order, each rounded once to an
// integer, and the ground sum X + Y that the depth is made of. The factors
// are half and a quarter of the cell width W, both exact (24 and 12 for
// 48-pixel cells).
Extended Project(float X, float Y, float Z, int32_t W, int64_t& GX, int64_t& GY) {
  const Extended x = Extended::FromFloat(X), y = Extended::FromFloat(Y);
  const Extended sum = x + y;
  GX = RoundEven(((x - y) + kOne) * Extended::FromInt(W / 2));
  GY = RoundEven(((sum - kOne) - Extended::FromFloat(Z)) * (Extended::FromInt(W) * kQuarter));
  return sum;
}
}  // namespace

void TAniView::ProjectPoint(float X, float Y, float Z, int32_t& PX, int32_t& PY) const {
  int64_t gx, gy;
  Project(X, Y, Z, FCellWidth, gx, gy);
  PX = SaturateInt32(int64_t(FOriginX) + gx);
  PY = SaturateInt32(int64_t(FOriginY) + gy);
}

void TAniView::PlaceEntry(TAniEntry& E, const TAniFigure& F, float X, float Y, float Z) const {
  int64_t gx, gy;
  const Extended sum = Project(X, Y, Z, FCellWidth, gx, gy);
  E.ScreenX = SaturateInt32(SaturateInt32(int64_t(FOriginX) + gx) - int64_t(F.CenterX));
  E.ScreenY = SaturateInt32(SaturateInt32(int64_t(FOriginY) + gy) - int64_t(F.CenterY));
  E.Depth = sum.ToFloat();
}

void TAniView::GridToScreen(float X, float Y, float Z, int32_t& SX, int32_t& SY) const {
  ProjectPoint(X, Y, Z, SX, SY);
}

void TAniView::ScreenToGrid(int32_t X, int32_t Y, float& GridX, float& GridY) const {
  // The nearest extended values of the reciprocals of the projection's
  // factors, 2/W and 4/W (1/24 and 1/12 for 48-pixel cells): the second is
  // the first doubled, which is exact. Products and sums in extended.
  constexpr Extended kOneHalf = Extended::Reciprocal(2);
  const Extended invHalf = Extended::Reciprocal(FCellWidth / 2);
  const Extended invQuarter = invHalf * Extended::FromInt(2);
  const Extended sx = Extended::FromInt(int64_t(X) - FOriginX - FScrollX);
  const Extended sy = Extended::FromInt(int64_t(Y) - FOriginY - FScrollY);
  GridX = ((sx * invHalf + sy * invQuarter) * kOneHalf).ToFloat();
  GridY = ((sy * invQuarter - Extended::FromFloat(GridX)) + kOne).ToFloat();
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

void TAniView::CameraStep() {
  if (FKeyFigure <= 0) return;
  // A key slot that was freed or taken by a tile has no figure to follow.
  TAniFigure* K = FigureAt(FKeyFigure);
  if (!K) return;
  const TAniEntry& e = FEntries[FKeyFigure];
  // C++ integer division truncates toward zero, as the camera rule wants.
  FScrollX = SaturateInt32((int64_t(Width()) - int64_t(K->Width)) / 2 - e.ScreenX);
  FScrollY = SaturateInt32((int64_t(Height()) - int64_t(K->Height)) / 2 - e.ScreenY);
}

}  // namespace vel
