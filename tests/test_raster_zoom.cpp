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

// Small copies, and large ones that take the streaming path (rows wider
// than its chunk among them).
struct TZoomCase {
  int SrcW, SrcH, DstW, DstH, Rounds;
};

class RasterZoom : public ::testing::TestWithParam<TZoomCase> {};

INSTANTIATE_TEST_SUITE_P(Sizes, RasterZoom,
                         ::testing::Values(TZoomCase{23, 17, 61, 45, 3000}, TZoomCase{700, 40, 1500, 90, 60}));

TEST_P(RasterZoom, MatchesThePerPixelReference) {
  const TZoomCase z = GetParam();
  std::mt19937 rng(4711);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  Surface src(z.SrcW, z.SrcH), dst(z.DstW, z.DstH);
  for (int round = 0; round < z.Rounds; ++round) {
    src.Fill(rng);
    dst.Fill(rng);
    const int f = pick(1, 9);
    const int x = pick(-20, z.DstW - 1), y = pick(-20, z.DstH - 1), w = pick(-2, z.DstW + 10), h = pick(-2, z.DstH + 5);
    const int sx = pick(-8, z.SrcW + 2), sy = pick(-8, z.SrcH + 2);
    // A context origin and a clip on the target, as a control's canvas has.
    const int ox = pick(-5, 5), oy = pick(-5, 5);
    const bool clip = pick(0, 2) == 1;
    const RECT c{pick(-5, z.DstW / 2), pick(-5, z.DstH / 2), pick(z.DstW / 3, z.DstW + 10), pick(z.DstH / 3, z.DstH + 5)};
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

TEST(RasterZoomRefusals, RefusalsDrawNothing) {
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
