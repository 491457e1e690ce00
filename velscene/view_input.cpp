// Pointer input: the view's mouse events with pixel and grid coordinates, and
// the click test that raises OnClick of the nearest figure under the pointer.
#include "velscene/internal/view_walk.h"

namespace vel {

void TAniView::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (OnMouseDown.Assigned()) {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    float gx, gy;
    ScreenToGrid(X, Y, gx, gy);
    OnMouseDown(this, Button, Shift, X, Y, gx, gy);
  }
  ClickTest(X, Y);
}

void TAniView::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (!OnMouseUp.Assigned()) return;
  TGraphicControl::MouseUp(Button, Shift, X, Y);
  float gx, gy;
  ScreenToGrid(X, Y, gx, gy);
  OnMouseUp(this, Button, Shift, X, Y, gx, gy);
}

void TAniView::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  if (!OnMouseMove.Assigned()) return;
  TGraphicControl::MouseMove(Shift, X, Y);
  float gx, gy;
  ScreenToGrid(X, Y, gx, gy);
  OnMouseMove(this, Shift, X, Y, gx, gy);
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
