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

// Nearest first; the first visible, enabled figure whose frame rectangle holds
// the point stops the test, with or without an OnClick handler.
void TAniView::ClickTest(int32_t X, int32_t Y) {
  for (int32_t s = FLast; s > 0; s = FEntries[s].Prev) {
    const TAniEntry& e = FEntries[s];
    TAniFigure* F = FigureOfEntry(e);
    if (!F || !F->Visible || !F->Enabled) continue;
    const int64_t left = int64_t(e.ScreenX) + FScrollX, top = int64_t(e.ScreenY) + FScrollY;
    if (X < left || X >= left + int64_t(F->Width) || Y < top || Y >= top + int64_t(F->Height)) continue;
    F->OnClick(F);
    return;
  }
}

}  // namespace vel
