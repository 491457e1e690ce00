// Regressions for faults the fuzzers found: each test replays the calls or
// the input of a finding in plain code.
#include <climits>
#include <string>

#include "view_fixture.h"
#ifdef VELSCENE_SCENE_FILES
#include "velscene/scene/scene_loader.h"
#endif

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

// A control INT32_MAX high leaves the buffer refused but with that height;
// the tick composed it in bands of 64 rows up to it, and the band counter
// overflowed (caught by the sanitizer build).
TEST_F(FuzzFindings, TickOnAControlOfTheLargestHeight) {
  int displayed = 0;
  view->OnAfterDisplay = [&](TObject*) { ++displayed; };
  view->SetBounds(0, 0, 100, INT32_MAX);
  form->PaintAll();
  ASSERT_TRUE(view->Buffer()->Empty());
  view->DrawFrame();
  EXPECT_EQ(displayed, 1);
}

#ifdef VELSCENE_SCENE_FILES
// The scene reader let the JSON library's number-overflow exception escape
// instead of an ESceneError (a number too large for a double, found by the
// scene reader fuzzer). It is now an invalid-JSON error at the number.
TEST(SceneFuzzFindings, NumberTooLargeForADoubleIsAnInvalidJsonError) {
  EXPECT_THROW(vel::ParseScene("88E888888888887777776110594}", "fuzz.json", "."), vel::ESceneError);
  try {
    vel::ParseScene("{\n  \"view\": {\"width\": 1e999}\n}\n", "big.json", ".");
    ADD_FAILURE() << "read a number too large for a double";
  } catch (const vel::ESceneError& e) {
    EXPECT_EQ(e.File, "big.json");
    EXPECT_EQ(e.Where, "line 2, column 21");  // the number's first digit
    EXPECT_NE(e.Problem.find("invalid JSON: number overflow"), std::string::npos) << e.Problem;
    EXPECT_NE(e.Problem.find("1e999"), std::string::npos) << e.Problem;
  }
}
#endif

}  // namespace
