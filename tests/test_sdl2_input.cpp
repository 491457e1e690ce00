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
#include "x_display.h"

using namespace vel;
using namespace vel::testing;

namespace {

constexpr int32_t kLeft = 60, kTop = 40, kWidth = 300, kHeight = 220;
constexpr uint32_t kKey = 0xFF00FF;

struct TKey {
  bool Down;
  TKeyCode Key;
  char32_t Char;
  bool Shift;
};

struct TWheel {
  int32_t Delta, X, Y;
  float GridX, GridY;
};

struct TPress {
  int32_t X, Y;
  float GridX, GridY;
};

// A window with a view and solid figures of distinct colours.
struct TWindowScene {
  TForm* form = nullptr;
  TAniView* view = nullptr;
  std::vector<TAniFigure*> figures;  // the variables the view refers to: reserved, never moved
  std::vector<uint32_t> colours;
  std::vector<std::unique_ptr<TBitmap>> frames;
  std::vector<TKey> keys;
  std::vector<TWheel> wheels;
  std::vector<TPress> downs;
  std::vector<int> clicks;
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
    view->OnKeyDown = [this](TObject*, TKeyCode k, char32_t c, TShiftState s) {
      keys.push_back({true, k, c, s.Contains(ssShift)});
    };
    view->OnKeyUp = [this](TObject*, TKeyCode k, char32_t c, TShiftState s) {
      keys.push_back({false, k, c, s.Contains(ssShift)});
    };
    view->OnMouseWheel = [this](TObject*, TShiftState, int32_t d, int32_t x, int32_t y, float gx, float gy) {
      wheels.push_back({d, x, y, gx, gy});
    };
    view->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int32_t x, int32_t y, float gx, float gy) {
      downs.push_back({x, y, gx, gy});
    };
    view->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int32_t, int32_t, float, float) { ++ups; };
    figures.reserve(8);
    frames.reserve(8);
    for (int i = 0; i < 8; ++i) {
      TBitmap& b = *frames.emplace_back(std::make_unique<TBitmap>());
      const int32_t w = 10 + 3 * i, h = 14 + 2 * i;
      const uint32_t colour = 0x305070u + uint32_t(i) * 0x1D2B13u;
      b.SetSize(w, h);
      PixelView v = LockPixels(b.Handle());
      for (int32_t k = 0; k < w * h; ++k) v.pixels[k] = colour;
      v.pixels[size_t((h - 1) * w)] = kKey;
      TouchBitmap(b.Handle());
      TAniFigure*& f = figures.emplace_back(new TAniFigure(form));
      f->Visible = f->Enabled = true;
      f->Width = uint32_t(w);
      f->Height = uint32_t(h);
      f->CenterX = w / 2;
      f->CenterY = h - 1;
      f->SetFrame(1, &b);
      f->OnClick = [this, i](TObject*) { clicks.push_back(i); };
      view->AddFigure(f);
      view->SetFigurePos(f, 0.5f * float(i % 4), 0.6f * float(i / 4) + 0.2f * float(i % 3), 0);
      colours.push_back(colour);
    }
    form->Show();
    Application().ProcessMessages();  // the first paint sizes the back buffer
  }
  ~TWindowScene() { delete form; }

  // The figure whose colour the window shows at a view pixel, -1 for none,
  // -2 on a figure's transparent corner (its box is hit, another colour shows).
  int DrawnAt(int32_t x, int32_t y) const {
    const TPoint p = view->ClientToComposed({x, y});
    for (TAniFigure* f : figures) {
      const TAniEntry* e = view->Entry(f->Slot());
      if (p.X == e->ScreenX + view->ScrollX() && p.Y == e->ScreenY + view->ScrollY() + int32_t(f->Height) - 1)
        return -2;
    }
    const COLORREF c = PixelOf(*form->Surface(), view->Left() + x, view->Top() + y);
    for (size_t i = 0; i < colours.size(); ++i)
      if (c == ColorRefFromPixel(colours[i])) return int(i);
    return -1;
  }
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
  ASSERT_TRUE(PumpUntil([&] { return s.keys.size() >= 12; }));
  // Shift is a key of its own; the rest in order, each down then up (with
  // the character it typed; the shift state of a press, since xdotool may
  // let go of Shift before the key).
  std::vector<std::string> keys;
  for (const TKey& k : s.keys)
    if (k.Key != VK_SHIFT)
      keys.push_back(std::string(k.Down ? "down " : "up ") + KeyName(k.Key) + " " + std::to_string(uint32_t(k.Char)) +
                     (k.Down && k.Shift ? " shift" : ""));
  const std::vector<std::string> want = {"down Left 0",   "up Left 0",      "down A 97",   "up A 97",
                                         "down A 65 shift", "up A 65",      "down Escape 27", "up Escape 27",
                                         "down Plus 43 shift", "up Plus 43"};
  EXPECT_EQ(keys, want);

  // Wheel buttons 4 (away from the user) and 5 at view pixel (121, 77):
  // composed pixel (60, 38) at zoom 2.
  ASSERT_TRUE(RunCommand("xdotool mousemove --sync " + Screen(s, 121, 77) + " click 4 click 5 click 5"));
  ASSERT_TRUE(PumpUntil([&] { return s.wheels.size() >= 3; }));
  ASSERT_EQ(s.wheels.size(), 3u);
  float gx, gy;
  s.view->ScreenToGrid(60, 38, gx, gy);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(s.wheels[i].Delta, i == 0 ? WHEEL_DELTA : -WHEEL_DELTA);
    EXPECT_EQ(s.wheels[i].X, 60);
    EXPECT_EQ(s.wheels[i].Y, 38);
    EXPECT_EQ(s.wheels[i].GridX, gx);
    EXPECT_EQ(s.wheels[i].GridY, gy);
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
    for (TAniFigure* f : s.figures) {
      const TAniEntry* e = s.view->Entry(f->Slot());
      const int32_t cx = e->ScreenX + s.view->ScrollX() + int32_t(rng() % f->Width);
      const int32_t cy = e->ScreenY + s.view->ScrollY() + int32_t(rng() % (f->Height - 1));
      points.push_back({cx * kZoom + int32_t(rng() % kZoom), cy * kZoom + int32_t(rng() % kZoom)});
    }
    points.push_back({int32_t(rng() % kWidth), int32_t(rng() % kHeight)});
    for (const TPoint& p : points) {
      if (p.X < 0 || p.Y < 0 || p.X >= kWidth || p.Y >= kHeight) continue;
      SCOPED_TRACE(::testing::Message() << "at " << p.X << "," << p.Y);
      const int drawn = s.DrawnAt(p.X, p.Y);
      if (drawn == -2) continue;
      onFigures += drawn >= 0;
      s.downs.clear();
      s.clicks.clear();
      ClickAt(s, p.X, p.Y);
      ASSERT_EQ(s.downs.size(), 1u);
      EXPECT_EQ(s.downs[0].X, p.X / kZoom);
      EXPECT_EQ(s.downs[0].Y, p.Y / kZoom);
      float gx, gy;
      s.view->ScreenToGrid(p.X / kZoom, p.Y / kZoom, gx, gy);
      EXPECT_EQ(s.downs[0].GridX, gx);
      EXPECT_EQ(s.downs[0].GridY, gy);
      EXPECT_EQ(s.clicks, drawn >= 0 ? std::vector<int>{drawn} : std::vector<int>{});
    }
  }
  EXPECT_GT(onFigures, 8);
}
