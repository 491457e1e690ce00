// Regressions for faults the API fuzzer found: each test replays the calls of
// a finding in plain code.
#include <climits>

#include "view_fixture.h"

using namespace vel;
using vel::testing::ViewTest;

namespace {

class FuzzFindings : public ViewTest {};

// The buffer used to follow a new size one side at a time; after an oversized
// control the intermediate size (new width, old height) was refused and the
// buffer stayed empty at the new size, so the view showed nothing until some
// later repaint.
TEST_F(FuzzFindings, PaintAfterAnOversizedControlSizesTheBuffer) {
  view->SetBounds(0, 0, INT32_MAX, 70000);
  form->PaintAll();
  EXPECT_TRUE(view->Buffer()->Empty());  // too large to hold
  view->SetBounds(0, 0, 100, 150);
  form->PaintAll();
  EXPECT_EQ(view->Buffer()->Width(), 100);
  EXPECT_EQ(view->Buffer()->Height(), 150);
  view->SetColor(clRed);
  view->DrawFrame();
  EXPECT_EQ(view->Buffer()->Canvas()->GetPixel(99, 149), ColorToRGB(clRed));
}

// The tick's clear rectangle was Width() + 1 in int: an overflow for a control
// INT32_MAX wide (caught by the sanitizer build).
TEST_F(FuzzFindings, TickOnAControlOfTheLargestSize) {
  int displayed = 0;
  view->OnAfterDisplay = [&](TObject*) { ++displayed; };
  view->SetBounds(0, 0, INT32_MAX, INT32_MAX);
  view->DrawFrame();
  form->PaintAll();
  view->DrawFrame();
  EXPECT_EQ(displayed, 2);
}

// The outline was drawn at x - 1, y - 1 in int: an overflow for a figure so
// far left and up that its entry sits at INT32_MIN (caught by the sanitizer
// build). The outline is now placed with saturation like everything else.
TEST_F(FuzzFindings, OutlineOfAFigureAtTheFarCorner) {
  TBitmap sprite;
  sprite.SetSize(4, 4);
  TAniFigure*& f = Place();
  f->SetFrame(1, &sprite);
  f->Highlighted = true;
  view->SetFigurePos(f, -1e30f, 1e30f, 1e30f);
  ASSERT_EQ(view->Entry(f->Slot())->ScreenX, INT32_MIN);
  ASSERT_EQ(view->Entry(f->Slot())->ScreenY, INT32_MIN);
  view->DrawFrame();
  ExpectListSound();
}

}  // namespace
