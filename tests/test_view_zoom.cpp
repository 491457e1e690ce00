// Zoom and the camera the application drives: the composed frame shown
// enlarged, picking and hovering against the pixels on the screen at every
// zoom and several cell widths under random scroll, zooming around a
// pointer, the scroll kept, eased and bounded.
#include <array>
#include <cstdlib>
#include <random>
#include <utility>
#include <vector>

#include "solid_figures.h"
#include "view_fixture.h"

using namespace vel;
using vel::testing::SolidFigures;
using vel::testing::ViewTest;

namespace {

class Zoomed : public ViewTest {
 protected:
  void SetUp() override {
    ViewTest::SetUp();
    view->SetColor(clBlack);
    form->PaintAll();
    HeadlessBackend()->SetCursorPos({-100000, -100000});
  }

  // An n x n map of a tile with a pattern that shows every pixel's place.
  void BindMap(uint32_t n) {
    tile.SetSize(48, 23);
    PixelView v = LockPixels(tile.Handle());
    for (int32_t i = 0; i < 48 * 23; ++i) v.pixels[i] = 0x406020u ^ uint32_t(((i % 48) * 5 + (i / 48) * 11) & 0x7F);
    v.pixels[22 * 48] = SolidFigures::kKey;
    TouchBitmap(tile.Handle());
    TAniMap* map = new TAniMap(form);
    map->SetWidth(n);
    map->SetHeight(n);
    map->SetTile(1, &tile);
    map->SetGridRange(0, 0, int32_t(n) - 1, int32_t(n) - 1, 1, true);
    view->SetMap(map);
  }

  TBitmap tile;
};

}  // namespace

// Presses through the host at random control pixels: OnMouseDown reports the
// composed pixel and its ScreenToGrid, the press clicks the figure the screen
// shows there, and the hover pass picks the same figure.
TEST_F(Zoomed, PickingMatchesTheScreenAtEveryZoomUnderRandomScroll) {
  std::mt19937 rng(2024);
  SolidFigures figs(form, view, 9, 6.0f, rng);
  std::vector<std::array<float, 4>> downs;
  view->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int32_t x, int32_t y, float gx, float gy) {
    downs.push_back({float(x), float(y), gx, gy});
  };
  int onFigures = 0;
  // Zoom 2, 3 and 4 at the default cell width, then zoomed at other widths:
  // the zoom and the projection meet only in the composed pixel.
  const std::pair<int, int32_t> settings[] = {{2, kDefaultCellWidth}, {3, kDefaultCellWidth}, {4, kDefaultCellWidth},
                                              {3, 32}, {2, 64}};
  for (const auto& [zoom, cell] : settings) {
    view->SetZoom(zoom);
    view->SetCellWidth(cell);
    for (int round = 0; round < 12; ++round) {
      view->ScrollTo(int32_t(rng() % 200) - 40, int32_t(rng() % 160) + 10);
      view->DrawFrame();
      for (int k = 0; k < 40; ++k) {
        const int32_t x = int32_t(rng() % 400), y = int32_t(rng() % 300);
        const int drawn = figs.DrawnAt(*form, *view, x, y);
        if (drawn == -2) continue;
        onFigures += drawn >= 0;
        SCOPED_TRACE(::testing::Message() << "zoom " << zoom << " cell " << cell << " at " << x << "," << y);
        downs.clear();
        figs.clicked.clear();
        figs.hovered.clear();
        HeadlessBackend()->MouseDown(form, mbLeft, TShiftState(), x, y);
        HeadlessBackend()->MouseUp(form, mbLeft, TShiftState(), x, y);
        view->DrawFrame();  // the hover pass reads the cursor the press left there
        float gx, gy;
        view->ScreenToGrid(x / zoom, y / zoom, gx, gy);
        EXPECT_EQ(downs, (std::vector<std::array<float, 4>>{{float(x / zoom), float(y / zoom), gx, gy}}));
        const std::vector<int> want = drawn >= 0 ? std::vector<int>{drawn} : std::vector<int>{};
        EXPECT_EQ(figs.clicked, want);
        EXPECT_EQ(figs.hovered, want);
      }
    }
  }
  EXPECT_GT(onFigures, 100);  // the samples did land on figures
}

// The composed frame at zoom z is the top-left part of the zoom-1 frame, and
// every control pixel shows the composed pixel it covers; also for a view
// whose size the zoom does not divide.
TEST_F(Zoomed, FrameIsComposedSmallAndShownEnlarged) {
  BindMap(9);
  std::mt19937 rng(7);
  SolidFigures figs(form, view, 5, 6.0f, rng);
  view->SetBounds(0, 0, 397, 293);
  form->PaintAll();
  view->ScrollTo(-60, 35);
  view->DrawFrame();
  const ConstPixelView one = ReadPixels(view->Buffer()->Handle());
  const std::vector<uint32_t> full(one.pixels, one.pixels + size_t(one.width) * one.height);
  for (int zoom = 1; zoom <= kMaxZoom; ++zoom) {
    SCOPED_TRACE(zoom);
    view->SetZoom(zoom);
    view->DrawFrame();
    const int32_t cw = (397 + zoom - 1) / zoom, ch = (293 + zoom - 1) / zoom;
    const ConstPixelView buf = ReadPixels(view->Buffer()->Handle());
    ASSERT_TRUE(buf.width == cw && buf.height == ch && view->ComposedWidth() == cw && view->ComposedHeight() == ch);
    int wrong = 0;
    for (int32_t y = 0; y < ch; ++y)
      for (int32_t x = 0; x < cw; ++x) wrong += buf.pixels[size_t(y * cw + x)] != full[size_t(y * 397 + x)];
    for (int32_t y = 0; y < 293; ++y)
      for (int32_t x = 0; x < 397; ++x)
        wrong += PixelFromColorRef(HeadlessBackend()->Pixel(form, x, y)) != buf.pixels[size_t((y / zoom) * cw + x / zoom)];
    EXPECT_EQ(wrong, 0);
  }
  view->SetZoom(0);
  EXPECT_EQ(view->Zoom(), 1);
  view->SetZoom(99);
  EXPECT_EQ(view->Zoom(), kMaxZoom);
}

// ZoomAt keeps the screen's pixel under the pointer.
TEST_F(Zoomed, ZoomAroundThePointerKeepsThePixelUnderIt) {
  BindMap(12);
  std::mt19937 rng(99);
  int onMap = 0;
  for (int k = 0; k < 100; ++k) {
    view->SetZoom(1 + int(rng() % kMaxZoom));
    // Somewhere over the middle of the map.
    view->ScrollTo(view->ComposedWidth() / 2 - view->Background()->Width() / 2 + int32_t(rng() % 200) - 100,
                   view->ComposedHeight() / 2 - view->Background()->Height() / 2 + int32_t(rng() % 100) - 50);
    view->DrawFrame();
    const int32_t x = int32_t(rng() % 400), y = int32_t(rng() % 300);
    const int zoom = 1 + int(rng() % kMaxZoom);
    const COLORREF before = HeadlessBackend()->Pixel(form, x, y);
    onMap += before != ColorToRGB(clBlack);
    view->ZoomAt(zoom, x, y);
    view->DrawFrame();
    ASSERT_EQ(HeadlessBackend()->Pixel(form, x, y), before) << "zoom " << zoom << " at " << x << "," << y;
  }
  EXPECT_GT(onMap, 50);
}

// Without a key figure the scroll stays where the application put it; the
// follow speed eases toward the camera rule without overshoot and arrives;
// the bounds keep the background over the view or the view over the background.
TEST_F(Zoomed, ScrollKeptEasedAndBounded) {
  view->ScrollTo(37, -12);
  view->ScrollBy(-7, 2);
  view->SetScrollY(-6);
  for (int i = 0; i < 3; ++i) view->DrawFrame();
  EXPECT_EQ(view->ScrollX(), 30);
  EXPECT_EQ(view->ScrollY(), -6);
  view->ScrollBy(INT32_MAX, INT32_MIN);  // saturates
  EXPECT_EQ(view->ScrollX(), INT32_MAX);
  EXPECT_EQ(view->ScrollY(), INT32_MIN);

  TAniFigure*& f = Place(9, 2);
  view->SetKeyFigure(f);
  const TAniEntry* e = view->Entry(f->Slot());
  const int64_t goal[2] = {(400 - 96) / 2 - e->ScreenX, (300 - 96) / 2 - e->ScreenY};
  for (int speed : {1, 7, 33, 100}) {
    SCOPED_TRACE(speed);
    view->SetFollowSpeed(speed);
    view->ScrollTo(-700, 450);
    int ticks = 0;
    for (int64_t d[2] = {-700 - goal[0], 450 - goal[1]}; (d[0] != 0 || d[1] != 0) && ticks < 2000; ++ticks) {
      view->DrawFrame();
      const int64_t n[2] = {view->ScrollX() - goal[0], view->ScrollY() - goal[1]};
      // Each axis closes at least a pixel and at most speed percent of its
      // distance (plus the pixel), never passing the goal.
      for (int a = 0; a < 2; ++a) {
        EXPECT_TRUE(d[a] == 0 ? n[a] == 0 : n[a] * d[a] >= 0 && std::abs(n[a]) < std::abs(d[a]) &&
                                                std::abs(d[a] - n[a]) <= std::abs(d[a]) * speed / 100 + 1);
        d[a] = n[a];
      }
    }
    EXPECT_EQ(view->ScrollX(), goal[0]);
    EXPECT_EQ(view->ScrollY(), goal[1]);
    EXPECT_EQ(ticks == 1, speed == 100);
  }
  view->SetFollowSpeed(0);
  EXPECT_EQ(view->FollowSpeed(), 1);
  TAniFigure* none = nullptr;
  view->SetKeyFigure(none);

  // A 6 x 6 map's background is 288 wide: narrower than the view, wider than
  // the view zoomed 2x. Random scrolls end up clamped.
  BindMap(6);
  view->SetScrollBounds(true);
  const int32_t bw = view->Background()->Width(), bh = view->Background()->Height();
  std::mt19937 rng(3);
  for (int k = 0; k < 200; ++k) {
    view->SetZoom(1 + int(rng() % 3));
    const int32_t want[2] = {int32_t(rng() % 1000) - 500, int32_t(rng() % 1000) - 500};
    view->ScrollTo(want[0], want[1]);
    const int32_t got[2] = {view->ScrollX(), view->ScrollY()};
    for (int a = 0; a < 2; ++a) {
      // The larger of view and background covers the smaller; a wish that
      // keeps it so is kept, any other ends at the edge nearest to it.
      const int32_t size = a ? view->ComposedHeight() : view->ComposedWidth(), bg = a ? bh : bw;
      auto ok = [&](int32_t s) { return bg >= size ? s <= 0 && s + bg >= size : s >= 0 && s + bg <= size; };
      EXPECT_TRUE(ok(got[a])) << a << ": " << got[a];
      EXPECT_TRUE(ok(want[a]) ? got[a] == want[a] : !ok(got[a] + (got[a] < want[a] ? 1 : -1))) << a;
    }
  }
  view->SetScrollBounds(false);
  view->ScrollTo(-5000, 5000);
  EXPECT_EQ(view->ScrollX(), -5000);
}
