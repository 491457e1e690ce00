// Pointer input: the view's mouse and wheel events with pixel and grid
// coordinates (the host's client pixels divided by the zoom, so that they are
// composed pixels like every screen position of the view), the click test that
// raises OnClick of the nearest figure under the pointer, and the view's keys.
#include "velscene/internal/view_walk.h"

namespace vel {

namespace {

// A client pixel as the view's events report it: the composed pixel shown
// there and its grid position.
struct Pointer {
  int32_t X, Y;
  float GridX, GridY;
};

Pointer PointerAt(const TAniView& V, int32_t X, int32_t Y) {
  const TPoint p = V.ClientToComposed({X, Y});
  Pointer at{p.X, p.Y, 0, 0};
  V.ScreenToGrid(p.X, p.Y, at.GridX, at.GridY);
  return at;
}

}  // namespace

void TAniView::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  const Pointer p = PointerAt(*this, X, Y);
  if (OnMouseDown.Assigned()) {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    OnMouseDown(this, Button, Shift, p.X, p.Y, p.GridX, p.GridY);
  }
  ClickTest(p.X, p.Y);
}

void TAniView::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (!OnMouseUp.Assigned()) return;
  TGraphicControl::MouseUp(Button, Shift, X, Y);
  const Pointer p = PointerAt(*this, X, Y);
  OnMouseUp(this, Button, Shift, p.X, p.Y, p.GridX, p.GridY);
}

void TAniView::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  if (!OnMouseMove.Assigned()) return;
  TGraphicControl::MouseMove(Shift, X, Y);
  const Pointer p = PointerAt(*this, X, Y);
  OnMouseMove(this, Shift, p.X, p.Y, p.GridX, p.GridY);
}

void TAniView::MouseWheel(TShiftState Shift, int32_t WheelDelta, int32_t X, int32_t Y) {
  if (!OnMouseWheel.Assigned()) return;
  TGraphicControl::MouseWheel(Shift, WheelDelta, X, Y);
  const Pointer p = PointerAt(*this, X, Y);
  OnMouseWheel(this, Shift, WheelDelta, p.X, p.Y, p.GridX, p.GridY);
}

void TAniView::KeyDown(TKeyCode Key, char32_t Char, TShiftState Shift) {
  TGraphicControl::KeyDown(Key, Char, Shift);
  OnKeyDown(this, Key, Char, Shift);
}

void TAniView::KeyUp(TKeyCode Key, char32_t Char, TShiftState Shift) {
  TGraphicControl::KeyUp(Key, Char, Shift);
  OnKeyUp(this, Key, Char, Shift);
}

// Whether view pixel (X, Y) lies in the figure's frame rectangle as drawn
// (its entry's screen position moved by the camera, Width x Height). The one
// hit test of clicks and hover.
bool TAniView::FigureUnder(const TAniEntry& E, const TAniFigure& F, int32_t X, int32_t Y) const {
  const int64_t left = int64_t(E.ScreenX) + FScrollX, top = int64_t(E.ScreenY) + FScrollY;
  return X >= left && X < left + int64_t(F.Width) && Y >= top && Y < top + int64_t(F.Height);
}

// Nearest first; the first visible, enabled figure whose frame rectangle holds
// the point stops the test, with or without an OnClick handler.
void TAniView::ClickTest(int32_t X, int32_t Y) {
  for (int32_t s = FLast; s > 0; s = FEntries[s].Prev) {
    const TAniEntry& e = FEntries[s];
    TAniFigure* F = FigureOfEntry(e);
    if (!F || !F->Visible || !F->Enabled || !FigureUnder(e, *F, X, Y)) continue;
    F->OnClick(F);
    return;
  }
}

}  // namespace vel
