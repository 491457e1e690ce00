// The enlarging copy: every destination pixel against a per-pixel reference,
// under random rectangles, factors, clips, context origins and sources
// partly outside their bitmaps; refusals leave the target untouched.
#include <gtest/gtest.h>

#include <random>

#include "raster_surface.h"

using namespace vel;
using vel::testing::Surface;

namespace {

int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

}  // namespace

TEST(RasterZoom, MatchesThePerPixelReference) {
  std::mt19937 rng(4711);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  Surface src(23, 17), dst(61, 45);
  for (int round = 0; round < 3000; ++round) {
    src.Fill(rng);
    dst.Fill(rng);
    const int f = pick(1, 9);
    const int x = pick(-20, 60), y = pick(-20, 44), w = pick(-2, 70), h = pick(-2, 50);
    const int sx = pick(-8, 25), sy = pick(-8, 19);
    // A context origin and a clip on the target, as a control's canvas has.
    const int ox = pick(-5, 5), oy = pick(-5, 5);
    const bool clip = pick(0, 1) == 1;
    const RECT c{pick(-5, 30), pick(-5, 20), pick(20, 70), pick(15, 50)};
    SetViewportOrgEx(dst.dc, ox, oy);
    SetClipRect(dst.dc, clip ? &c : nullptr);
    const std::vector<uint32_t> before = dst.Copy(), source = src.Copy();
    ZoomBlt(dst.dc, x, y, w, h, src.dc, sx, sy, f);
    const std::vector<uint32_t> after = dst.Copy();
    int wrong = 0;
    for (int by = 0; by < dst.h; ++by)
      for (int bx = 0; bx < dst.w; ++bx) {
        // Logical coordinates of the bitmap pixel, its offset in the rectangle.
        const int64_t lx = bx - ox, ly = by - oy, i = lx - x, j = ly - y;
        const bool clipped = clip && (lx < c.left || lx >= c.right || ly < c.top || ly >= c.bottom);
        const int64_t px = sx + FloorDiv(i, f), py = sy + FloorDiv(j, f);
        const bool inside = i >= 0 && i < w && j >= 0 && j < h && !clipped && px >= 0 && px < src.w && py >= 0 &&
                            py < src.h;
        const uint32_t want = inside ? source[size_t(py * src.w + px)] : before[size_t(by * dst.w + bx)];
        wrong += after[size_t(by * dst.w + bx)] != want;
      }
    ASSERT_EQ(wrong, 0) << "round " << round << " factor " << f << " rect " << x << "," << y << " " << w << "x" << h
                        << " from " << sx << "," << sy << " origin " << ox << "," << oy << " clip " << clip;
  }
}

TEST(RasterZoom, RefusalsDrawNothing) {
  std::mt19937 rng(5);
  Surface src(8, 8), dst(16, 16), mono(16, 16, true);
  src.Fill(rng);
  dst.Fill(rng);
  const std::vector<uint32_t> before = dst.Copy();
  EXPECT_FALSE(ZoomBlt(dst.dc, 0, 0, 16, 16, src.dc, 0, 0, 0));
  EXPECT_FALSE(ZoomBlt(dst.dc, 0, 0, 16, 16, src.dc, 0, 0, kMaxZoomFactor + 1));
  EXPECT_FALSE(ZoomBlt(dst.dc, 0, 0, 16, 16, dst.dc, 0, 0, 2));  // one bitmap on both sides
  EXPECT_FALSE(ZoomBlt(dst.dc, 0, 0, 16, 16, HDC{}, 0, 0, 2));
  EXPECT_FALSE(ZoomBlt(mono.dc, 0, 0, 16, 16, src.dc, 0, 0, 2));
  EXPECT_EQ(dst.Copy(), before);
  // Extreme rectangles clip to nothing or to the bitmap without overflow.
  EXPECT_FALSE(ZoomBlt(dst.dc, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, src.dc, 0, 0, 8));
  EXPECT_FALSE(ZoomBlt(dst.dc, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, src.dc, INT32_MAX, INT32_MAX, 8));
  EXPECT_EQ(dst.Copy(), before);
  // Source pixel 0 lands at INT32_MIN + 8 * INT32_MAX: far right of the target.
  EXPECT_FALSE(ZoomBlt(dst.dc, INT32_MIN, 0, INT32_MAX, 16, src.dc, INT32_MIN, 0, 8));
  EXPECT_EQ(dst.Copy(), before);
  EXPECT_TRUE(ZoomBlt(dst.dc, 0, 0, 16, 16, src.dc, 0, 0, 2));
  EXPECT_EQ(dst.At(15, 15), src.At(7, 7));
}
