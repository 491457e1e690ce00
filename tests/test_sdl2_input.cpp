// Keys, the wheel and zoomed clicks from a real X server (Xvfb) through the
// SDL2 window to the view: xdotool types keys and turns the wheel (buttons 4
// and 5); clicks on a view zoomed 3x report composed pixels and hit the
// figure the X server shows under the pointer.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "velscene/platform/host/application.h"
#include "velscene/platform/host/forms.h"
#include "velscene/figure.h"
#include "velscene/view.h"
#include "solid_figures.h"
#include "x_display.h"

using namespace vel;
using namespace vel::testing;

namespace {

constexpr int32_t kLeft = 60, kTop = 40, kWidth = 300, kHeight = 220;

struct TPoint2 {
  int32_t X, Y;
  float GridX, GridY;
};

// A window with a view and solid figures of distinct colours.
struct TWindowScene {
  TForm* form = nullptr;
  TAniView* view = nullptr;
  std::unique_ptr<SolidFigures> figures;
  std::vector<std::string> keys;  // "down A 97 shift": name, character, Shift on presses
  std::vector<std::pair<int32_t, TPoint2>> wheels;  // delta, place
  std::vector<TPoint2> downs;
  int ups = 0;

  TWindowScene() {
    form = new TForm(nullptr);
    form->SetCaption("Velscene input");
    form->SetPosition(kLeft, kTop);
    form->SetClientSize(kWidth, kHeight);
    view = new TAniView(form);
    view->SetParent(form);
    view->SetAlign(alClient);
    view->SetColor(clBlack);
    // Shift is a key of its own and left out; xdotool may let go of it
    // before the key it modified, so only presses report it.
    view->OnKeyDown = [this](TObject*, TKeyCode k, char32_t c, TShiftState s) {
      if (k != VK_SHIFT)
        keys.push_back("down " + KeyName(k) + " " + std::to_string(uint32_t(c)) + (s.Contains(ssShift) ? " shift" : ""));
    };
    view->OnKeyUp = [this](TObject*, TKeyCode k, char32_t c, TShiftState) {
      if (k != VK_SHIFT) keys.push_back("up " + KeyName(k) + " " + std::to_string(uint32_t(c)));
    };
    view->OnMouseWheel = [this](TObject*, TShiftState, int32_t d, int32_t x, int32_t y, float gx, float gy) {
      wheels.push_back({d, {x, y, gx, gy}});
    };
    view->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int32_t x, int32_t y, float gx, float gy) {
      downs.push_back({x, y, gx, gy});
    };
    view->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int32_t, int32_t, float, float) { ++ups; };
    std::mt19937 rng(17);
    figures = std::make_unique<SolidFigures>(form, view, 8, 2.0f, rng);
    form->Show();
    Application().ProcessMessages();  // the first paint sizes the back buffer
  }
  ~TWindowScene() { delete form; }
};

class Sdl2Input : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string why = StartSdl2OnX();
    if (!why.empty()) GTEST_SKIP() << why;
  }
  void TearDown() override { Application().SelectBackend("headless"); }

  static std::string Screen(const TWindowScene& s, int32_t x, int32_t y) {
    return std::to_string(s.form->Left() + s.view->Left() + x) + " " + std::to_string(s.form->Top() + s.view->Top() + y);
  }
  // Moves the pointer to a view pixel and clicks there through X.
  static void ClickAt(TWindowScene& s, int32_t x, int32_t y) {
    const int ups = s.ups;
    ASSERT_TRUE(RunCommand("xdotool mousemove --sync " + Screen(s, x, y) + " click 1"));
    ASSERT_TRUE(PumpUntil([&] { return s.ups > ups; }));
  }
};

}  // namespace

TEST_F(Sdl2Input, KeysAndWheelFromXReachTheFocusedView) {
  TWindowScene s;
  s.view->SetZoom(2);
  s.view->DrawFrame();
  const std::string xid = CommandOutput("xdotool search --sync --name '^Velscene input$' | head -1");
  ASSERT_FALSE(xid.empty());
  ASSERT_TRUE(RunCommand("xdotool windowfocus --sync " + xid));
  ClickAt(s, 150, 100);  // the press gives the view the focus
  ASSERT_TRUE(s.view->Focused());

  ASSERT_TRUE(RunCommand("xdotool key --clearmodifiers Left a shift+a Escape plus"));
  ASSERT_TRUE(PumpUntil([&] { return s.keys.size() >= 10; }));
  EXPECT_EQ(s.keys, (std::vector<std::string>{"down Left 0", "up Left 0", "down A 97", "up A 97", "down A 65 shift",
                                              "up A 65", "down Escape 27", "up Escape 27", "down Plus 43 shift",
                                              "up Plus 43"}));

  // Wheel buttons 4 (away from the user) and 5 at view pixel (121, 77):
  // composed pixel (60, 38) at zoom 2.
  ASSERT_TRUE(RunCommand("xdotool mousemove --sync " + Screen(s, 121, 77) + " click 4 click 5 click 5"));
  ASSERT_TRUE(PumpUntil([&] { return s.wheels.size() >= 3; }));
  ASSERT_EQ(s.wheels.size(), 3u);
  float gx, gy;
  s.view->ScreenToGrid(60, 38, gx, gy);
  for (size_t i = 0; i < 3; ++i) {
    const auto& [delta, at] = s.wheels[i];
    EXPECT_EQ(delta, i == 0 ? WHEEL_DELTA : -WHEEL_DELTA);
    EXPECT_TRUE(at.X == 60 && at.Y == 38 && at.GridX == gx && at.GridY == gy) << at.X << "," << at.Y;
  }
}

TEST_F(Sdl2Input, ZoomedClicksThroughXHitTheFigureOnScreen) {
  TWindowScene s;
  constexpr int32_t kZoom = 3;
  s.view->SetZoom(kZoom);
  std::mt19937 rng(17);
  int onFigures = 0;
  for (int round = 0; round < 3; ++round) {
    s.view->ScrollTo(int32_t(rng() % 20) + 25, int32_t(rng() % 15) + 30);
    s.view->DrawFrame();
    // The X server shows the enlarged frame as the window's surface holds it.
    TBitmap screen;
    int diffs = -1;
    for (int attempt = 0; attempt < 5 && diffs != 0; ++attempt) {
      PumpFor(60);
      if (Screenshot(screen, ::testing::TempDir() + "sdl2_input.png"))
        diffs = CountDifferences(screen, s.form->Left(), s.form->Top(), *s.form->Surface());
    }
    ASSERT_EQ(diffs, 0);
    // A pixel inside each figure's box, and one anywhere.
    std::vector<TPoint> points;
    for (TAniFigure* f : s.figures->vars) {
      const TAniEntry* e = s.view->Entry(f->Slot());
      const int32_t cx = e->ScreenX + s.view->ScrollX() + int32_t(rng() % f->Width);
      const int32_t cy = e->ScreenY + s.view->ScrollY() + int32_t(rng() % f->Height);
      points.push_back({cx * kZoom + int32_t(rng() % kZoom), cy * kZoom + int32_t(rng() % kZoom)});
    }
    points.push_back({int32_t(rng() % kWidth), int32_t(rng() % kHeight)});
    for (const TPoint& p : points) {
      const int drawn = s.figures->DrawnAt(*s.form, *s.view, p.X, p.Y);
      if (p.X < 0 || p.Y < 0 || p.X >= kWidth || p.Y >= kHeight || drawn == -2) continue;
      SCOPED_TRACE(::testing::Message() << "at " << p.X << "," << p.Y);
      onFigures += drawn >= 0;
      s.downs.clear();
      s.figures->clicked.clear();
      ClickAt(s, p.X, p.Y);
      ASSERT_EQ(s.downs.size(), 1u);
      float gx, gy;
      s.view->ScreenToGrid(p.X / kZoom, p.Y / kZoom, gx, gy);
      const TPoint2& d = s.downs[0];
      EXPECT_TRUE(d.X == p.X / kZoom && d.Y == p.Y / kZoom && d.GridX == gx && d.GridY == gy) << d.X << "," << d.Y;
      EXPECT_EQ(s.figures->clicked, drawn >= 0 ? std::vector<int>{drawn} : std::vector<int>{});
    }
  }
  EXPECT_GT(onFigures, 8);
}
