// The background rendered on demand: frames of seeded random maps at random
// cameras, with every cache budget, against a plain per-pixel renderer; the
// whole bitmap for tools; colour changes and rebinding; a map past the raster
// layer's bitmap limit; the cache's memory budget.
#include <random>

#include "map_reference.h"
#include "view_fixture.h"

using namespace vel;
using vel::testing::MapReference;
using vel::testing::RandomSoftTile;
using vel::testing::RandomTile;
using vel::testing::ViewTest;

namespace {

class BackgroundFrames : public ViewTest {
 protected:
  void SetUp() override {
    ViewTest::SetUp();
    view->SetColor(clTeal);
    // An invisible key figure moves the camera; it draws nothing.
    key = &NewFigure();
    (*key)->Visible = false;
    view->AddFigure(*key);
    view->SetKeyFigure(*key);
  }

  void Resize(int w, int h) {
    form->SetClientSize(w, h);
    view->SetBounds(0, 0, w, h);
    form->PaintAll();
  }

  // A map of random size and cells over a tile table of flat, wide, small
  // and tall tiles (some numbers without a bitmap), about one cell in
  // `tallEvery` tall; with `soft`, two flat and two tall tiles have alpha.
  TAniMap* RandomMap(std::mt19937& rng, uint32_t w, uint32_t h, uint32_t tallEvery, bool soft = false) {
    static const int kSizes[][2] = {{48, 23}, {48, 23}, {40, 12}, {70, 20}, {1, 1},
                                    {48, 24}, {48, 64}, {90, 40}, {20, 100}};
    auto* map = new TAniMap(form);
    map->SetWidth(w);
    map->SetHeight(h);
    for (int t = 1; t <= 9; ++t) {
      TBitmap b;
      if (soft && (t == 2 || t == 4 || t == 7 || t == 9))
        RandomSoftTile(rng, b, kSizes[t - 1][0], kSizes[t - 1][1]);
      else
        RandomTile(rng, b, kSizes[t - 1][0], kSizes[t - 1][1]);
      map->SetTile(t * 20, &b);
    }
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) {
        const uint32_t r = rng() % 100;
        uint8_t t = r < 5 ? 0 : r < 8 ? 7 : uint8_t(20 * (1 + rng() % 5));  // 7: a number without bitmap
        if (tallEvery && rng() % tallEvery == 0) t = uint8_t(20 * (6 + rng() % 4));
        map->SetGridTile(int32_t(x), int32_t(y), t);
      }
    return map;
  }

  // Moves the camera so that grid point (gx, gy) is about the view's centre
  // and draws a frame.
  void Look(float gx, float gy) {
    view->SetFigurePos(*key, gx, gy, 0);
    view->DrawFrame();
  }

  std::vector<uint32_t> Shown() {
    const ConstPixelView v = ReadPixels(view->Buffer()->Handle());
    return std::vector<uint32_t>(v.pixels, v.pixels + size_t(v.width) * v.height);
  }

  // The reference frame with the tall tiles over the background in list order.
  std::vector<uint32_t> Expected(const MapReference& ref, bool tallInBackground) {
    const int W = view->Width(), H = view->Height(), sx = view->ScrollX(), sy = view->ScrollY();
    std::vector<uint32_t> f = ref.Frame(W, H, sx, sy, PixelFromColorRef(ColorToRGB(view->Color())), tallInBackground);
    for (auto [x, y] : ref.TallInListOrder()) ref.Draw(f, W, H, x, y, sx, sy);
    return f;
  }

  // Frames at random cameras on a w x h map, around it and off it, each
  // equal to the reference's.
  void RandomShots(std::mt19937& rng, uint32_t w, uint32_t h, const MapReference& ref, int shots) {
    for (int shot = 0; shot < shots; ++shot) {
      const float gx = float(int(rng() % (w + 16)) - 8) + float(rng() % 64) / 64.0f;
      const float gy = float(int(rng() % (h + 16)) - 8) + float(rng() % 64) / 64.0f;
      Look(gx, gy);
      ASSERT_EQ(Shown(), Expected(ref, false)) << "shot " << shot << " map " << w << " x " << h;
    }
  }

  TAniFigure** key = nullptr;
};

}  // namespace

// Maps that fit the whole bitmap and maps whose tall tiles overflow into the
// side list, views of several sizes, cameras on the map, at its edges and off
// it, with the default cache, a cache of three chunks (constant eviction) and
// none (drawn straight into the frame).
TEST_F(BackgroundFrames, RandomMapsAtRandomCamerasEqualThePlainRenderer) {
  std::mt19937 rng(1601);
  const uint64_t budgets[] = {kDefaultBackgroundCache, 3 * 256 * 128 * 4, 0};
  for (int round = 0; round < 18; ++round) {
    Resize(60 + int(rng() % 400), 40 + int(rng() % 300));
    view->SetBackgroundCache(budgets[round % 3]);
    // Odd rounds: more tall tiles than slots.
    const uint32_t w = (round % 2 ? 36 : 1) + rng() % 48, h = (round % 2 ? 36 : 1) + rng() % 48;
    TAniMap* map = RandomMap(rng, w, h, round % 2 ? 4 : 40);
    view->SetMap(map);
    const MapReference ref(*map);
    ASSERT_EQ(view->BackgroundWidth(), ref.Width());
    ASSERT_EQ(view->BackgroundHeight(), ref.Height());
    ASSERT_EQ(view->OriginY(), ref.OriginY());
    ASSERT_NO_FATAL_FAILURE(RandomShots(rng, w, h, ref, 6)) << "round " << round;
    if (round % 2) {
      EXPECT_GT(view->SideTileCount(), 0) << round;
    }
    EXPECT_LE(view->BackgroundCacheUsed(), budgets[round % 3]);
    delete map;
  }
}

// Other cell widths, set before a binding or on a bound map (which binds it
// again), with tiles that have alpha among the flat, tall and side tiles:
// quarter widths that end in a half (50) round like the projection.
TEST_F(BackgroundFrames, OtherCellWidthsAndAlphaTilesEqualThePlainRenderer) {
  std::mt19937 rng(1602);
  const int widths[] = {64, 50, 96, 48};
  const uint64_t budgets[] = {kDefaultBackgroundCache, 3 * 256 * 128 * 4, 0};
  for (int round = 0; round < 12; ++round) {
    const int W = widths[round % 4];
    Resize(60 + int(rng() % 400), 40 + int(rng() % 300));
    view->SetBackgroundCache(budgets[round % 3]);
    const uint32_t w = (round % 2 ? 36 : 1) + rng() % 40, h = (round % 2 ? 36 : 1) + rng() % 40;
    TAniMap* map = RandomMap(rng, w, h, round % 2 ? 4 : 40, true);
    if (round % 3 == 0) {
      view->SetCellWidth(48);
      view->SetMap(map);
      view->SetCellWidth(W);
    } else {
      view->SetCellWidth(W);
      view->SetMap(map);
    }
    ASSERT_EQ(view->CellWidth(), W);
    const MapReference ref(*map, W);
    ASSERT_EQ(view->BackgroundWidth(), ref.Width()) << W;
    ASSERT_EQ(view->BackgroundHeight(), ref.Height()) << W;
    ASSERT_NO_FATAL_FAILURE(RandomShots(rng, w, h, ref, 5)) << "round " << round << " width " << W;
    if (round % 2) {
      EXPECT_GT(view->SideTileCount(), 0) << round;
    }
    delete map;
  }
}

// The whole bitmap, for tools on maps that fit, holds the same pixels.
TEST_F(BackgroundFrames, WholeBitmapEqualsThePlainRenderer) {
  std::mt19937 rng(7);
  TAniMap* map = RandomMap(rng, 13, 9, 6);
  view->SetMap(map);
  const MapReference ref(*map);
  const uint32_t brush = PixelFromColorRef(ColorToRGB(clTeal));
  const int W = int(ref.Width()), H = int(ref.Height());
  const ConstPixelView whole = ReadPixels(view->Background()->Handle());
  ASSERT_EQ(whole.width, W);
  ASSERT_EQ(std::vector<uint32_t>(whole.pixels, whole.pixels + size_t(W) * H), ref.Frame(W, H, 0, 0, brush, false));
}

// A colour change and a new binding reach frames whose chunks were cached:
// after the change the tall tiles are drawn into the background as well.
TEST_F(BackgroundFrames, ColourChangeAndRebindingRenewCachedChunks) {
  std::mt19937 rng(11);
  Resize(320, 240);
  TAniMap* map = RandomMap(rng, 30, 30, 5);
  view->SetMap(map);
  const MapReference ref(*map);
  Look(12, 14);
  ASSERT_EQ(Shown(), Expected(ref, false));
  view->SetColor(clMaroon);
  Look(12.5f, 14);
  ASSERT_EQ(Shown(), Expected(ref, true));
  TAniMap* other = RandomMap(rng, 30, 30, 5);
  view->SetMap(other);
  Look(12.5f, 14);
  ASSERT_EQ(Shown(), Expected(MapReference(*other), false));
}

// A 340 x 340 map's background (16320 pixels wide) is past the raster layer's
// bitmap limit: the whole bitmap stays empty, frames still show the floor.
TEST_F(BackgroundFrames, MapPastTheBitmapLimitShowsItsFloor) {
  std::mt19937 rng(340);
  Resize(400, 300);
  TAniMap* map = RandomMap(rng, 340, 340, 0);
  view->SetMap(map);
  EXPECT_EQ(view->BackgroundWidth(), 680 * 24);
  EXPECT_TRUE(view->Background()->Empty());
  const MapReference ref(*map);
  const uint32_t brush = PixelFromColorRef(ColorToRGB(clTeal));
  for (auto [gx, gy] : {std::pair{170.0f, 170.0f}, {3.0f, 330.0f}, {339.5f, 0.5f}}) {
    Look(gx, gy);
    const std::vector<uint32_t> shown = Shown();
    ASSERT_EQ(shown, Expected(ref, false)) << gx << ", " << gy;
    EXPECT_GT(std::count_if(shown.begin(), shown.end(), [&](uint32_t p) { return p != brush; }), 1000);
  }
}

// The cache fills up to its budget in the first ticks and stays there while
// the camera pans far across a map; a background smaller than the budget is
// held whole, and then the ticks allocate nothing more.
TEST_F(BackgroundFrames, CacheFillsToItsBudgetAndNoFurther) {
  constexpr uint64_t kChunk = 256 * 128 * 4;
  std::mt19937 rng(5);
  Resize(300, 200);
  view->SetBackgroundCache(20 * kChunk + 5);
  TAniMap* map = RandomMap(rng, 120, 120, 0);
  view->SetMap(map);
  const MapReference ref(*map);
  for (int k = 0; k < 60; ++k) {
    Look(float(k * 2), 60.0f);
    EXPECT_LE(view->BackgroundCacheUsed(), 20 * kChunk);
  }
  EXPECT_EQ(view->BackgroundCacheUsed(), 20 * kChunk);
  ASSERT_EQ(Shown(), Expected(ref, false));
  view->SetMap(nullptr);
  EXPECT_EQ(view->BackgroundCacheUsed(), 0u);

  TAniMap* small = RandomMap(rng, 12, 9, 0);  // 504 x 425 pixels: 2 x 4 chunks
  view->SetBackgroundCache(kDefaultBackgroundCache);
  view->SetMap(small);
  for (int k = 0; k < 8; ++k) Look(float(k), 4.0f);
  EXPECT_EQ(view->BackgroundCacheUsed(), 8 * kChunk);
  const uint32_t objects = LiveObjectCount();
  for (int k = 0; k < 20; ++k) Look(float(k % 12), float(k % 9));
  EXPECT_EQ(LiveObjectCount(), objects);
}

// DrawBackground into a context with its own origin and clip rectangle, from
// cached chunks and drawn straight, fills what a copy of the whole bitmap
// would and nothing else.
TEST_F(BackgroundFrames, DrawBackgroundHonoursOriginAndClip) {
  std::mt19937 rng(3);
  TAniMap* map = RandomMap(rng, 21, 17, 6);
  view->SetMap(map);
  TBitmap* whole = view->Background();
  auto target = [](int ox, int oy, const RECT& clip) {
    HDC dc = CreateCompatibleDC(HDC{});
    HBITMAP b = CreateBitmap(300, 200, 1, 32, nullptr);
    SelectObject(dc, b);
    PatBlt(dc, 0, 0, 300, 200, WHITENESS);
    SetViewportOrgEx(dc, ox, oy);
    SetClipRect(dc, &clip);
    return std::pair{dc, b};
  };
  for (uint64_t budget : {kDefaultBackgroundCache, uint64_t(0)}) {
    view->SetBackgroundCache(budget);
    for (int k = 0; k < 12; ++k) {
      const int ox = int(rng() % 80) - 40, oy = int(rng() % 80) - 40, x = -int(rng() % 900), y = -int(rng() % 500);
      const RECT clip{int(rng() % 100), int(rng() % 80), 150 + int(rng() % 150), 100 + int(rng() % 100)};
      auto [got, gb] = target(ox, oy, clip);
      auto [want, wb] = target(ox, oy, clip);
      view->DrawBackground(got, x, y);
      BitBlt(want, x, y, whole->Width(), whole->Height(), whole->Canvas()->Handle(), 0, 0, SRCCOPY);
      const ConstPixelView a = ReadPixels(gb), b = ReadPixels(wb);
      ASSERT_TRUE(std::equal(a.pixels, a.pixels + 300 * 200, b.pixels)) << budget << " " << k;
      for (HDC dc : {got, want}) {
        SelectObject(dc, GetStockObject(DEFAULT_BITMAP));
        DeleteDC(dc);
      }
      DeleteObject(gb);
      DeleteObject(wb);
    }
  }
}
