// Pointer input: the view's mouse and wheel events with pixel and grid
// coordinates (the host's client pixels divided by the zoom, so that they are
// composed pixels like every screen position of the view), the click test that
// raises OnClick of the nearest figure under the pointer, and the view's keys.
#include "velscene/internal/view_walk.h"

namespace vel {

void TAniView::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  const TPoint p = ClientToComposed({X, Y});
  if (OnMouseDown.Assigned()) {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    float gx, gy;
    ScreenToGrid(p.X, p.Y, gx, gy);
    OnMouseDown(this, Button, Shift, p.X, p.Y, gx, gy);
  }
  ClickTest(p.X, p.Y);
}

void TAniView::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (!OnMouseUp.Assigned()) return;
  TGraphicControl::MouseUp(Button, Shift, X, Y);
  const TPoint p = ClientToComposed({X, Y});
  float gx, gy;
  ScreenToGrid(p.X, p.Y, gx, gy);
  OnMouseUp(this, Button, Shift, p.X, p.Y, gx, gy);
}

void TAniView::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  if (!OnMouseMove.Assigned()) return;
  TGraphicControl::MouseMove(Shift, X, Y);
  const TPoint p = ClientToComposed({X, Y});
  float gx, gy;
  ScreenToGrid(p.X, p.Y, gx, gy);
  OnMouseMove(this, Shift, p.X, p.Y, gx, gy);
}

void TAniView::MouseWheel(TShiftState Shift, int32_t WheelDelta, int32_t X, int32_t Y) {
  if (!OnMouseWheel.Assigned()) return;
  TGraphicControl::MouseWheel(Shift, WheelDelta, X, Y);
  const TPoint p = ClientToComposed({X, Y});
  float gx, gy;
  ScreenToGrid(p.X, p.Y, gx, gy);
  OnMouseWheel(this, Shift, WheelDelta, p.X, p.Y, gx, gy);
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
