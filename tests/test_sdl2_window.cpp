// A scene in a real SDL2 window under X: after the same ticks the screen shows
// exactly the headless frame, also after a resize; clicks injected through X
// reach the view with their grid position and click the figure under them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "velscene/platform/host/application.h"
#include "velscene/platform/backends/headless/headless.h"
#include "velscene/platform/host/forms.h"
#include "velscene/figure.h"
#include "velscene/map.h"
#include "velscene/view.h"
#include "x_display.h"

using namespace vel;
using namespace vel::testing;

namespace {

constexpr uint32_t kKey = 0xFF00FF;  // bottom-left pixel: transparent
constexpr int32_t kLeft = 40, kTop = 30, kWidth = 320, kHeight = 240;
constexpr uint32_t kInterval = 25;
constexpr int kTicks = 12;
// Where the pointer rests while frames are drawn: outside every window, so
// the hover pass sees the same nothing on both backends.
constexpr TPoint kAway{1010, 750};

// A w x h bitmap with a pattern that shows any shift or scaling.
void Pattern(TBitmap& b, int32_t w, int32_t h, uint32_t base) {
  b.SetSize(w, h);
  PixelView v = LockPixels(b.Handle());
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      v.pixels[size_t(y * w + x)] = base ^ uint32_t(((x * 7 + y * 13) & 0x3F) << 8 | ((x ^ y) & 7) << 2);
  v.pixels[size_t((h - 1) * w)] = kKey;
  TouchBitmap(b.Handle());
}

struct TMouseRecord {
  TMouseButton Button;
  int32_t X, Y;
  float GridX, GridY;
};

// Everything of one scene: a form with a view, a map, a walking figure with a
// two-frame script and a standing one. The figure variables stay put while
// the figures are placed.
struct TScene {
  TForm* form = nullptr;
  TAniView* view = nullptr;
  TAniMap* map = nullptr;
  TAniFigure* walker = nullptr;
  TAniFigure* post = nullptr;
  int ticks = 0, stopAt = 0, postClicks = 0, walkerClicks = 0;
  std::vector<TMouseRecord> downs, ups;

  TScene() {
    form = new TForm(nullptr);
    form->SetCaption("Velscene scene");
    form->SetPosition(kLeft, kTop);
    form->SetClientSize(kWidth, kHeight);
    view = new TAniView(form);
    view->SetParent(form);
    view->SetAlign(alClient);
    view->SetInterval(kInterval);
    view->SetColor(clTeal);

    TBitmap flat, tall, frame1, frame2, still;
    Pattern(flat, 48, 24, 0x2A7F30);
    Pattern(tall, 48, 40, 0x80502A);
    Pattern(frame1, 16, 24, 0xD02020);
    Pattern(frame2, 16, 24, 0x2020D0);
    Pattern(still, 20, 30, 0xE0E040);
    map = new TAniMap(form);
    map->SetWidth(7);
    map->SetHeight(7);
    map->SetTile(1, &flat);
    map->SetTile(2, &tall);
    map->SetGridRange(0, 0, 6, 6, 1, true);
    map->SetGridTile(5, 2, 2);
    map->SetPassable(5, 2, false);
    view->SetMap(map);

    walker = new TAniFigure(form);
    walker->Width = 16;
    walker->Height = 24;
    walker->CenterX = 8;
    walker->CenterY = 22;
    walker->Speed = 0.2f;
    walker->Visible = walker->Enabled = true;
    walker->Shadow = true;
    walker->ShadowRadius = 0.4f;
    walker->SetFrame(1, &frame1);
    walker->SetFrame(2, &frame2);
    walker->SetScript(1, {1, 1, 2, 2});
    walker->PlayScript(1, true);
    walker->OnClick = [this](TObject*) { ++walkerClicks; };
    post = new TAniFigure(form);
    post->Width = 20;
    post->Height = 30;
    post->CenterX = 10;
    post->CenterY = 28;
    post->Visible = post->Enabled = true;
    post->SetFrame(1, &still);
    post->SetCurrentFrame(1);
    post->OnClick = [this](TObject*) { ++postClicks; };

    view->AddFigure(walker);
    view->AddFigure(post);
    view->SetFigurePos(walker, 1, 1, 0);
    view->SetFigurePos(post, 1, 5, 0);
    view->MoveFigure(walker, 5, 4, 0);
    view->SetKeyFigure(walker);

    view->OnAfterUpdate = [this](TObject*) {
      if (++ticks == stopAt) view->SetActive(false);
    };
    view->OnMouseDown = [this](TObject*, TMouseButton b, TShiftState, int32_t x, int32_t y, float gx, float gy) {
      downs.push_back({b, x, y, gx, gy});
    };
    view->OnMouseUp = [this](TObject*, TMouseButton b, TShiftState, int32_t x, int32_t y, float gx, float gy) {
      ups.push_back({b, x, y, gx, gy});
    };
    form->Show();
    Application().ProcessMessages();  // the first paint sizes the back buffer
  }
  ~TScene() { delete form; }

  // Starts the clock; it stops itself after `count` more ticks.
  void Start(int count) {
    stopAt = ticks + count;
    view->SetActive(true);
  }
};

class Sdl2Window : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string why = StartSdl2OnX();
    if (!why.empty()) GTEST_SKIP() << why;
    ASSERT_TRUE(RunCommand("xdotool mousemove --sync " + std::to_string(kAway.X) + " " + std::to_string(kAway.Y)));
  }
  void TearDown() override { Application().SelectBackend("headless"); }

  // A screenshot of the X screen once the window's area shows `frame` (the
  // server may show the newest present a moment late), or the last one taken.
  static void ScreenShowing(const TForm& form, const TBitmap& frame, TBitmap& screen) {
    for (int attempt = 0; attempt < 5; ++attempt) {
      PumpFor(60);
      if (Screenshot(screen, ::testing::TempDir() + "sdl2_window.png") &&
          CountDifferences(screen, form.Left(), form.Top(), frame) == 0)
        break;
    }
  }

  // The same scene on the headless backend after the same ticks.
  static std::unique_ptr<TScene> HeadlessScene(int ticks) {
    EXPECT_TRUE(Application().SelectBackend("headless"));
    HeadlessBackend()->SetCursorPos(kAway);
    auto scene = std::make_unique<TScene>();
    scene->Start(ticks);
    HeadlessBackend()->Advance(uint64_t{kInterval} * uint64_t(ticks + 2));
    EXPECT_EQ(scene->ticks, ticks);
    return scene;
  }

  static std::string XWindowOf(const TForm& form) {
    return CommandOutput("xdotool search --sync --name '^" + form.Caption() + "$' | head -1");
  }

  // Clicks the left button at a view pixel through the X server.
  static void ClickAt(const TScene& s, int32_t x, int32_t y) {
    const int32_t sx = s.form->Left() + s.view->Left() + x, sy = s.form->Top() + s.view->Top() + y;
    ASSERT_TRUE(RunCommand("xdotool mousemove --sync " + std::to_string(sx) + " " + std::to_string(sy) + " click 1"));
    const size_t ups = s.ups.size();
    ASSERT_TRUE(PumpUntil([&] { return s.ups.size() > ups; }));
  }
};

}  // namespace

TEST_F(Sdl2Window, ScreenShowsTheHeadlessFramePixelExactAlsoAfterAResize) {
  auto live = std::make_unique<TScene>();
  live->Start(kTicks);
  ASSERT_TRUE(PumpUntil([&] { return live->ticks == kTicks && !live->view->Active(); }));
  const float walkerX = live->walker->X();
  EXPECT_GT(walkerX, 1.0f);  // it walked
  ASSERT_EQ(live->form->Left(), kLeft);
  ASSERT_EQ(live->form->Top(), kTop);
  TBitmap screen, resizedScreen;
  ScreenShowing(*live->form, *live->form->Surface(), screen);

  // The window resized from outside: the view follows (alClient), its Paint
  // resizes the back buffer, and one more tick draws at the new size.
  const std::string xid = XWindowOf(*live->form);
  ASSERT_FALSE(xid.empty());
  ASSERT_TRUE(RunCommand("xdotool windowsize --sync " + xid + " 280 200"));
  ASSERT_TRUE(PumpUntil([&] { return live->view->Buffer()->Width() == 280; }));
  EXPECT_EQ(live->view->Width(), 280);
  EXPECT_EQ(live->view->Height(), 200);
  EXPECT_EQ(live->view->Buffer()->Height(), 200);
  live->view->DrawFrame();
  Application().ProcessMessages();
  ASSERT_EQ(live->form->Surface()->Width(), 280);
  ScreenShowing(*live->form, *live->form->Surface(), resizedScreen);
  live.reset();

  // The headless run of the same scene: the X server showed exactly its
  // frames, before and after the resize.
  auto still = HeadlessScene(kTicks);
  EXPECT_EQ(still->walker->X(), walkerX);
  EXPECT_EQ(CountDifferences(screen, kLeft, kTop, *still->form->Surface()), 0);
  still->form->SetClientSize(280, 200);
  Application().ProcessMessages();
  still->view->DrawFrame();
  Application().ProcessMessages();
  ASSERT_EQ(still->form->Surface()->Width(), 280);
  EXPECT_EQ(CountDifferences(resizedScreen, kLeft, kTop, *still->form->Surface()), 0);
}

TEST_F(Sdl2Window, ClicksThroughXReachTheViewWithGridPositionsAndFigures) {
  TScene s;
  s.Start(kTicks);
  ASSERT_TRUE(PumpUntil([&] { return s.ticks == kTicks && !s.view->Active(); }));

  // The ground at cell (2, 3)'s centre, where no figure stands.
  int32_t gx = 0, gy = 0;
  s.view->GridToScreen(2, 3, 0, gx, gy);
  const int32_t cx = gx + s.view->ScrollX(), cy = gy + s.view->ScrollY();
  ClickAt(s, cx, cy);
  ASSERT_EQ(s.downs.size(), 1u);
  EXPECT_EQ(s.downs[0].Button, mbLeft);
  EXPECT_EQ(s.downs[0].X, cx);
  EXPECT_EQ(s.downs[0].Y, cy);
  EXPECT_FLOAT_EQ(s.downs[0].GridX, 2.0f);
  EXPECT_FLOAT_EQ(s.downs[0].GridY, 3.0f);
  EXPECT_EQ(s.ups.back().X, cx);
  EXPECT_EQ(s.postClicks + s.walkerClicks, 0);

  // The standing figure: the middle of its frame rectangle.
  const TAniEntry* e = s.view->Entry(s.post->Slot());
  ASSERT_NE(e, nullptr);
  const int32_t px = e->ScreenX + s.view->ScrollX() + 10, py = e->ScreenY + s.view->ScrollY() + 15;
  ASSERT_GE(px, 0);
  ASSERT_LT(px, kWidth);
  ASSERT_GE(py, 0);
  ASSERT_LT(py, kHeight);
  ClickAt(s, px, py);
  ASSERT_EQ(s.downs.size(), 2u);
  EXPECT_EQ(s.downs[1].X, px);
  EXPECT_EQ(s.downs[1].Y, py);
  float wantX = 0, wantY = 0;
  s.view->ScreenToGrid(px, py, wantX, wantY);
  EXPECT_EQ(s.downs[1].GridX, wantX);
  EXPECT_EQ(s.downs[1].GridY, wantY);
  EXPECT_EQ(s.postClicks, 1);
  EXPECT_EQ(s.walkerClicks, 0);

  // The walker, wherever its ticks took it.
  const TAniEntry* w = s.view->Entry(s.walker->Slot());
  ClickAt(s, w->ScreenX + s.view->ScrollX() + 8, w->ScreenY + s.view->ScrollY() + 12);
  EXPECT_EQ(s.walkerClicks, 1);
  EXPECT_EQ(s.postClicks, 1);
}
