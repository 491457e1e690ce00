// Zoom and the camera the application drives: the composed frame shown
// enlarged, picking and hovering against the pixels on the screen at every
// zoom under random scroll, zooming around a pointer, the scroll kept, eased
// and bounded, and the view's key and wheel events.
#include <cstdlib>
#include <random>
#include <tuple>
#include <vector>

#include "view_fixture.h"

using namespace vel;
using vel::testing::ViewTest;

namespace {

constexpr uint32_t kKey = 0xFF00FF;  // bottom-left pixel of every source bitmap
constexpr TColor kBack = clBlack;

// A w x h bitmap of one colour, its bottom-left pixel the transparent key.
void Solid(TBitmap& b, int32_t w, int32_t h, uint32_t colour) {
  b.SetSize(w, h);
  PixelView v = LockPixels(b.Handle());
  for (int32_t i = 0; i < w * h; ++i) v.pixels[i] = colour;
  v.pixels[size_t((h - 1) * w)] = kKey;
  TouchBitmap(b.Handle());
}

// A tile with a pattern that shows every pixel's place.
void PatternTile(TBitmap& b, uint32_t base) {
  b.SetSize(48, 23);
  PixelView v = LockPixels(b.Handle());
  for (int32_t y = 0; y < 23; ++y)
    for (int32_t x = 0; x < 48; ++x) v.pixels[size_t(y * 48 + x)] = base ^ uint32_t((x * 5 + y * 11) & 0x7F);
  v.pixels[size_t(22 * 48)] = kKey;
  TouchBitmap(b.Handle());
}

class Zoomed : public ViewTest {
 protected:
  void SetUp() override {
    ViewTest::SetUp();
    view->SetColor(kBack);
    form->PaintAll();
    HeadlessBackend()->SetCursorPos({-100000, -100000});
  }

  // Figures of distinct solid colours and sizes on random ground points.
  void PlaceFigures(std::mt19937& rng, int count) {
    for (int i = 0; i < count; ++i) {
      auto& bmp = bitmaps.emplace_back(std::make_unique<TBitmap>());
      const int32_t w = 12 + int32_t(rng() % 40), h = 12 + int32_t(rng() % 50);
      const uint32_t colour = 0x203040u + uint32_t(i) * 0x1B2917u;
      Solid(*bmp, w, h, colour);
      TAniFigure*& f = NewFigure();
      f->Visible = f->Enabled = true;
      f->Width = uint32_t(w);
      f->Height = uint32_t(h);
      f->CenterX = w / 2;
      f->CenterY = h - 2;
      f->SetFrame(1, bmp.get());
      f->OnClick = [this, i](TObject*) { clicked.push_back(i); };
      f->OnMouseOver = [this, i](TObject*) { hovered.push_back(i); };
      view->AddFigure(f);
      view->SetFigurePos(f, float(rng() % 600) / 100.0f, float(rng() % 600) / 100.0f, 0);
      colours.push_back(colour);
      figures.push_back(&f);
    }
  }

  // The figure whose colour the screen shows at control pixel (x, y), -1 for
  // the background, -2 where a figure's transparent corner pixel lies (its
  // box is hit there although another colour shows).
  int DrawnAt(int32_t x, int32_t y) const {
    const TPoint c = view->ClientToComposed({x, y});
    for (TAniFigure** f : figures) {
      const TAniEntry* e = view->Entry((*f)->Slot());
      if (c.X == e->ScreenX + view->ScrollX() && c.Y == e->ScreenY + view->ScrollY() + int32_t((*f)->Height) - 1)
        return -2;
    }
    const uint32_t pixel = PixelFromColorRef(HeadlessBackend()->Pixel(form, x, y));
    for (size_t i = 0; i < colours.size(); ++i)
      if (pixel == colours[i]) return int(i);
    EXPECT_EQ(pixel, PixelFromColorRef(ColorToRGB(kBack))) << x << "," << y;
    return -1;
  }

  std::vector<std::unique_ptr<TBitmap>> bitmaps;
  std::vector<uint32_t> colours;
  std::vector<TAniFigure**> figures;
  std::vector<int> clicked, hovered;
};

}  // namespace

// Presses through the host at random control pixels: OnMouseDown reports the
// composed pixel and its ScreenToGrid, the press clicks the figure the screen
// shows there, and the hover pass picks the same figure.
TEST_F(Zoomed, PickingMatchesTheScreenAtEveryZoomUnderRandomScroll) {
  std::mt19937 rng(2024);
  PlaceFigures(rng, 9);
  struct Down {
    int32_t X, Y;
    float GridX, GridY;
  };
  std::vector<Down> downs;
  view->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int32_t x, int32_t y, float gx, float gy) {
    downs.push_back({x, y, gx, gy});
  };
  int onFigures = 0;
  for (int zoom : {2, 3, 4}) {
    view->SetZoom(zoom);
    ASSERT_EQ(view->Buffer()->Width(), (400 + zoom - 1) / zoom);
    for (int round = 0; round < 12; ++round) {
      view->ScrollTo(int32_t(rng() % 200) - 40, int32_t(rng() % 160) + 10);
      view->DrawFrame();
      for (int k = 0; k < 40; ++k) {
        const int32_t x = int32_t(rng() % 400), y = int32_t(rng() % 300);
        const int drawn = DrawnAt(x, y);
        if (drawn == -2) continue;
        onFigures += drawn >= 0;
        SCOPED_TRACE(::testing::Message() << "zoom " << zoom << " at " << x << "," << y);
        downs.clear();
        clicked.clear();
        HeadlessBackend()->MouseDown(form, mbLeft, TShiftState(), x, y);
        HeadlessBackend()->MouseUp(form, mbLeft, TShiftState(), x, y);
        ASSERT_EQ(downs.size(), 1u);
        EXPECT_EQ(downs[0].X, x / zoom);
        EXPECT_EQ(downs[0].Y, y / zoom);
        float gx, gy;
        view->ScreenToGrid(x / zoom, y / zoom, gx, gy);
        EXPECT_EQ(downs[0].GridX, gx);
        EXPECT_EQ(downs[0].GridY, gy);
        EXPECT_EQ(clicked, drawn >= 0 ? std::vector<int>{drawn} : std::vector<int>{});
        // The hover pass reads the cursor the press left there.
        hovered.clear();
        view->DrawFrame();
        EXPECT_EQ(hovered, drawn >= 0 ? std::vector<int>{drawn} : std::vector<int>{});
      }
    }
  }
  EXPECT_GT(onFigures, 100);  // the samples did land on figures
}

// The composed frame at zoom z is the top-left part of the zoom-1 frame, and
// every control pixel shows the composed pixel it covers; also for a view
// whose size the zoom does not divide.
TEST_F(Zoomed, FrameIsComposedSmallAndShownEnlarged) {
  TBitmap a, b;
  PatternTile(a, 0x406020);
  PatternTile(b, 0x205080);
  TAniMap* map = new TAniMap(form);
  map->SetWidth(9);
  map->SetHeight(9);
  map->SetTile(1, &a);
  map->SetTile(2, &b);
  map->SetGridRange(0, 0, 8, 8, 1, true);
  map->SetGridRange(2, 3, 5, 4, 2, true);
  view->SetMap(map);
  std::mt19937 rng(7);
  PlaceFigures(rng, 5);
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
    ASSERT_EQ(view->ComposedWidth(), cw);
    ASSERT_EQ(view->ComposedHeight(), ch);
    const ConstPixelView buf = ReadPixels(view->Buffer()->Handle());
    ASSERT_EQ(buf.width, cw);
    ASSERT_EQ(buf.height, ch);
    int wrong = 0;
    for (int32_t y = 0; y < ch; ++y)
      for (int32_t x = 0; x < cw; ++x) wrong += buf.pixels[size_t(y * cw + x)] != full[size_t(y * 397 + x)];
    for (int32_t y = 0; y < 293; ++y)
      for (int32_t x = 0; x < 397; ++x)
        wrong += PixelFromColorRef(HeadlessBackend()->Pixel(form, x, y)) != buf.pixels[size_t((y / zoom) * cw + x / zoom)];
    EXPECT_EQ(wrong, 0);
    // Paint shows the same frame again.
    form->PaintAll();
    EXPECT_EQ(PixelFromColorRef(HeadlessBackend()->Pixel(form, 396, 292)), buf.pixels[size_t(ch * cw - 1)]);
  }
}

// ZoomAt keeps the screen's pixel under the pointer; with a key figure the
// camera rule centres it in the composed frame instead.
TEST_F(Zoomed, ZoomAroundThePointerAndKeyFigureCentredInTheComposedFrame) {
  TBitmap a;
  PatternTile(a, 0x306090);
  TAniMap* map = new TAniMap(form);
  map->SetWidth(12);
  map->SetHeight(12);
  map->SetTile(1, &a);
  map->SetGridRange(0, 0, 11, 11, 1, true);
  view->SetMap(map);
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
    onMap += before != ColorToRGB(kBack);
    view->ZoomAt(zoom, x, y);
    view->DrawFrame();
    ASSERT_EQ(HeadlessBackend()->Pixel(form, x, y), before) << "zoom " << zoom << " at " << x << "," << y;
  }
  EXPECT_GT(onMap, 50);
  view->ZoomAt(0, 0, 0);
  EXPECT_EQ(view->Zoom(), 1);
  view->ZoomAt(99, 0, 0);
  EXPECT_EQ(view->Zoom(), kMaxZoom);

  TAniFigure*& f = Place(5, 5);
  view->SetKeyFigure(f);
  for (int zoom : {1, 2, 3, 5}) {
    view->SetZoom(zoom);
    view->ScrollTo(1000, 1000);  // the rule takes over on the next tick
    view->DrawFrame();
    const TAniEntry* e = view->Entry(f->Slot());
    EXPECT_EQ(e->ScreenX + view->ScrollX(), (view->ComposedWidth() - 96) / 2) << zoom;
    EXPECT_EQ(e->ScreenY + view->ScrollY(), (view->ComposedHeight() - 96) / 2) << zoom;
  }
  view->ClearKeyFigure();
  EXPECT_EQ(view->ScrollX(), 0);
  EXPECT_EQ(view->ScrollY(), 0);
}

// Without a key figure the scroll stays where the application put it; the
// follow speed eases toward the camera rule without overshoot and arrives;
// the bounds keep the background over the view or the view over the background.
TEST_F(Zoomed, ScrollKeptEasedAndBounded) {
  view->ScrollTo(37, -12);
  view->ScrollBy(-7, 2);
  for (int i = 0; i < 3; ++i) view->DrawFrame();
  EXPECT_EQ(view->ScrollX(), 30);
  EXPECT_EQ(view->ScrollY(), -10);
  view->SetScrollX(5);
  view->SetScrollY(-6);
  EXPECT_EQ(view->ScrollX(), 5);
  EXPECT_EQ(view->ScrollY(), -6);
  view->ScrollBy(INT32_MAX, INT32_MIN);  // saturates
  EXPECT_EQ(view->ScrollX(), INT32_MAX);
  EXPECT_EQ(view->ScrollY(), INT32_MIN);

  TAniFigure*& f = Place(9, 2);
  view->SetKeyFigure(f);
  for (int speed : {1, 7, 33, 100}) {
    SCOPED_TRACE(speed);
    view->SetFollowSpeed(speed);
    view->ScrollTo(-700, 450);
    const TAniEntry* e = view->Entry(f->Slot());
    const int32_t goalX = (400 - 96) / 2 - e->ScreenX, goalY = (300 - 96) / 2 - e->ScreenY;
    int64_t distX = std::abs(int64_t(goalX) - view->ScrollX()), distY = std::abs(int64_t(goalY) - view->ScrollY());
    int ticks = 0;
    while ((distX != 0 || distY != 0) && ticks < 2000) {
      const int32_t sx = view->ScrollX(), sy = view->ScrollY();
      view->DrawFrame();
      ++ticks;
      const int64_t nx = std::abs(int64_t(goalX) - view->ScrollX()), ny = std::abs(int64_t(goalY) - view->ScrollY());
      // Each axis closes at least a pixel and at most speed percent of its
      // distance (plus the pixel), from the same side.
      EXPECT_TRUE(distX == 0 ? nx == 0 : nx < distX && distX - nx <= distX * speed / 100 + 1);
      EXPECT_TRUE(distY == 0 ? ny == 0 : ny < distY && distY - ny <= distY * speed / 100 + 1);
      EXPECT_GE((int64_t(goalX) - sx) * (int64_t(goalX) - view->ScrollX()), 0);  // no overshoot
      EXPECT_GE((int64_t(goalY) - sy) * (int64_t(goalY) - view->ScrollY()), 0);
      distX = nx;
      distY = ny;
    }
    EXPECT_EQ(distX + distY, 0);
    if (speed == 100) {
      EXPECT_EQ(ticks, 1);
    }
  }
  view->SetFollowSpeed(0);
  EXPECT_EQ(view->FollowSpeed(), 1);
  view->SetFollowSpeed(500);
  EXPECT_EQ(view->FollowSpeed(), 100);
  TAniFigure* none = nullptr;
  view->SetKeyFigure(none);

  // Bounds: a 6 x 6 map's background is 288 wide, narrower than the view and
  // wider than a view zoomed 2x; random scrolls end up clamped.
  TBitmap a;
  PatternTile(a, 0x445566);
  TAniMap* map = new TAniMap(form);
  map->SetWidth(6);
  map->SetHeight(6);
  map->SetTile(1, &a);
  map->SetGridRange(0, 0, 5, 5, 1, true);
  view->SetMap(map);
  view->SetScrollBounds(true);
  const int32_t bw = view->Background()->Width(), bh = view->Background()->Height();
  std::mt19937 rng(3);
  for (int k = 0; k < 200; ++k) {
    view->SetZoom(1 + int(rng() % 3));
    const int32_t wantX = int32_t(rng() % 1000) - 500, wantY = int32_t(rng() % 1000) - 500;
    view->ScrollTo(wantX, wantY);
    const int32_t cw = view->ComposedWidth(), ch = view->ComposedHeight();
    auto check = [&](int32_t s, int32_t want, int32_t size, int32_t bg) {
      // The larger of the two covers the smaller, and the scroll moved no
      // further than that needs.
      const int32_t lo = std::min(0, size - bg), hi = std::max(0, size - bg);
      EXPECT_TRUE(s >= lo && s <= hi) << s << " in " << lo << ".." << hi;
      EXPECT_EQ(s, want < lo ? lo : want > hi ? hi : want);
    };
    check(view->ScrollX(), wantX, cw, bw);
    check(view->ScrollY(), wantY, ch, bh);
  }
  view->SetScrollBounds(false);
  view->ScrollTo(-5000, 5000);
  EXPECT_EQ(view->ScrollX(), -5000);
}

// Keys reach the view while it has the focus (a press gives it); the wheel
// reaches it under the pointer, in composed pixels with the grid position.
TEST_F(Zoomed, KeyAndWheelEvents) {
  std::vector<std::tuple<char, TKeyCode, char32_t, uint32_t>> keys;
  view->OnKeyDown = [&](TObject* s, TKeyCode k, char32_t c, TShiftState sh) {
    EXPECT_EQ(s, view);
    keys.emplace_back('D', k, c, sh.Bits());
  };
  view->OnKeyUp = [&](TObject*, TKeyCode k, char32_t c, TShiftState sh) { keys.emplace_back('U', k, c, sh.Bits()); };
  int wheels = 0;
  view->OnMouseWheel = [&](TObject* s, TShiftState, int32_t delta, int32_t x, int32_t y, float gx, float gy) {
    EXPECT_EQ(s, view);
    EXPECT_EQ(delta, -2 * WHEEL_DELTA);
    EXPECT_EQ(x, 101 / 3);
    EXPECT_EQ(y, 50 / 3);
    float wx, wy;
    view->ScreenToGrid(x, y, wx, wy);
    EXPECT_EQ(gx, wx);
    EXPECT_EQ(gy, wy);
    ++wheels;
  };
  HeadlessBackend()->KeyDown(form, 'A', U'a', TShiftState());
  EXPECT_TRUE(keys.empty());  // nothing has the focus yet
  view->SetZoom(3);
  HeadlessBackend()->MouseDown(form, mbLeft, TShiftState(), 10, 10);
  EXPECT_TRUE(view->Focused());
  HeadlessBackend()->KeyDown(form, VK_LEFT, 0, ssShift);
  HeadlessBackend()->MouseUp(form, mbLeft, TShiftState(), 10, 10);
  HeadlessBackend()->KeyUp(form, VK_LEFT, 0, TShiftState());
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[0], std::make_tuple('D', VK_LEFT, char32_t(0), (TShiftState(ssShift) | ssLeft).Bits()));
  EXPECT_EQ(keys[1], std::make_tuple('U', VK_LEFT, char32_t(0), uint32_t(0)));
  HeadlessBackend()->MouseWheel(form, TShiftState(), -2 * WHEEL_DELTA, 101, 50);
  EXPECT_EQ(wheels, 1);
}
