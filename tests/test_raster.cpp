// Raster layer: pixel-exact blits with clipping, mono/colour conversion,
// pattern alignment, ellipses with R2_MASKPEN, and handle safety.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "velscene/platform/raster/raster.h"
#include "raster_surface.h"

using namespace vel;

namespace {

using vel::testing::Surface;

uint32_t Ref(uint32_t rop, uint32_t d, uint32_t s) {
  if (rop == SRCCOPY) return s;
  if (rop == SRCAND) return d & s;
  return d | s;
}

}  // namespace

// Every blit, at offsets that clip on each edge of the target and the source,
// matches a per-pixel reference.
TEST(Raster, BlitsMatchReferenceWithClipping) {
  std::mt19937 rng(7);
  const uint32_t rops[] = {SRCCOPY, SRCAND, SRCPAINT};
  const int offsets[] = {-20, -3, 0, 5, 21, 28};
  for (bool monoSrc : {false, true})
    for (uint32_t rop : rops)
      for (int x : offsets)
        for (int y : offsets)
          for (int sx : {-2, 0, 3}) {
            Surface dst(31, 29), src(17, 13, monoSrc);
            dst.Fill(rng);
            src.Fill(rng, monoSrc);
            auto before = dst.Copy();
            auto s = src.Copy();
            BitBlt(dst.dc, x, y, 17, 13, src.dc, sx, 1, rop);
            auto after = dst.Copy();
            for (int py = 0; py < 29; ++py)
              for (int px = 0; px < 31; ++px) {
                const int qx = px - x + sx, qy = py - y + 1;
                const bool inRect = px >= x && px < x + 17 && py >= y && py < y + 13;
                const bool inSrc = qx >= 0 && qx < 17 && qy >= 0 && qy < 13;
                uint32_t want = before[py * 31 + px];
                if (inRect && inSrc) want = Ref(rop, want, s[qy * 17 + qx]);
                ASSERT_EQ(after[py * 31 + px], want)
                    << "rop " << std::hex << rop << std::dec << " at " << px << "," << py << " blit " << x
                    << "," << y << " sx " << sx << " mono " << monoSrc;
              }
          }
}

TEST(Raster, MonochromeSourceReadsBlackOrWhite) {
  Surface dst(4, 1), src(4, 1, true);
  for (int x = 0; x < 4; ++x) dst.At(x, 0) = 0x123456;
  SetPixelV(src.dc, 1, 0, RGB(255, 255, 255));
  SetPixelV(src.dc, 3, 0, RGB(200, 200, 200));  // nearest is white
  EXPECT_EQ(GetPixel(src.dc, 3, 0), RGB(255, 255, 255));
  BitBlt(dst.dc, 0, 0, 4, 1, src.dc, 0, 0, SRCAND);
  EXPECT_EQ(dst.At(0, 0), 0u);
  EXPECT_EQ(dst.At(1, 0), 0x123456u);
  EXPECT_EQ(dst.At(3, 0), 0x123456u);
  BitBlt(dst.dc, 0, 0, 4, 1, src.dc, 0, 0, SRCPAINT);
  EXPECT_EQ(dst.At(1, 0), 0xFFFFFFu);
  EXPECT_EQ(dst.At(0, 0), 0u);
}

TEST(Raster, ColourSourceIntoMonochromeKeysOnBackgroundColour) {
  Surface dst(3, 1, true), src(3, 1);
  src.At(0, 0) = 0xFFFFFF;
  src.At(1, 0) = 0x000000;
  src.At(2, 0) = 0xFEFFFF;
  BitBlt(dst.dc, 0, 0, 3, 1, src.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(dst.At(0, 0), kPixelWhite);
  EXPECT_EQ(dst.At(1, 0), kPixelBlack);
  EXPECT_EQ(dst.At(2, 0), kPixelBlack);
}

TEST(Raster, OverlappingBlitWithinOneBitmap) {
  Surface s(6, 1);
  for (int x = 0; x < 6; ++x) s.At(x, 0) = uint32_t(x + 1);
  BitBlt(s.dc, 1, 0, 5, 1, s.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(s.Copy(), (std::vector<uint32_t>{1, 1, 2, 3, 4, 5}));
  BitBlt(s.dc, 0, 0, 5, 1, s.dc, 1, 0, SRCCOPY);
  EXPECT_EQ(s.Copy(), (std::vector<uint32_t>{1, 2, 3, 4, 5, 5}));
}

TEST(Raster, PatBltAndFillRectExcludeRightAndBottom) {
  Surface s(5, 5);
  PatBlt(s.dc, 0, 0, 5, 5, WHITENESS);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  RECT r{1, 1, 3, 4};
  FillRect(s.dc, &r, red);
  int reds = 0;
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x)
      if (s.At(x, y) == 0xFF0000) {
        ++reds;
        EXPECT_TRUE(x >= 1 && x < 3 && y >= 1 && y < 4);
      }
  EXPECT_EQ(reds, 6);
  PatBlt(s.dc, 4, 4, 9, 9, BLACKNESS);
  EXPECT_EQ(s.At(4, 4), 0u);
  EXPECT_EQ(s.At(3, 3), 0xFFFFFFu);
  DeleteObject(red);
}

// The 8 x 8 pattern repeats from the bitmap's origin, wherever the fill starts.
TEST(Raster, PatternBrushAlignedToSurfaceOrigin) {
  Surface pat(8, 8, true);
  PatBlt(pat.dc, 0, 0, 8, 8, BLACKNESS);
  SetPixelV(pat.dc, 3, 5, RGB(255, 255, 255));
  HBRUSH brush = CreatePatternBrush(pat.bmp);
  Surface s(40, 40);
  RECT r{5, 7, 33, 31};
  FillRect(s.dc, &r, brush);
  for (int y = 7; y < 31; ++y)
    for (int x = 5; x < 33; ++x)
      ASSERT_EQ(s.At(x, y), (x % 8 == 3 && y % 8 == 5) ? 0xFFFFFFu : 0u) << x << "," << y;
  DeleteObject(brush);
}

// A filled ellipse with the null pen and R2_MASKPEN clears exactly the even
// checker pixels inside the box and nothing outside it.
TEST(Raster, EllipseMaskPenWithPatternStaysInBox) {
  Surface pat(8, 8, true);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) SetPixelV(pat.dc, x, y, ((x + y) & 1) ? RGB(255, 255, 255) : 0);
  HBRUSH brush = CreatePatternBrush(pat.bmp);
  Surface s(64, 40);
  PatBlt(s.dc, 0, 0, 64, 40, WHITENESS);
  HGDIOBJ oldBrush = SelectObject(s.dc, brush);
  HGDIOBJ oldPen = SelectObject(s.dc, GetStockObject(NULL_PEN));
  const int oldMode = SetROP2(s.dc, R2_MASKPEN);
  EXPECT_EQ(oldMode, R2_COPYPEN);
  Ellipse(s.dc, 8, 9, 56, 31);  // radii 24 and 11
  SetROP2(s.dc, oldMode);
  SelectObject(s.dc, oldPen);
  SelectObject(s.dc, oldBrush);
  int black = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 64; ++x) {
      if (s.At(x, y) != 0) continue;
      ++black;
      EXPECT_TRUE(x >= 8 && x < 56 && y >= 9 && y < 31) << x << "," << y;
      EXPECT_EQ((x + y) % 2, 0) << x << "," << y;
    }
  // The middle row spans the whole box, the centre column the whole height.
  for (int x = 8; x < 56; ++x) {
    if ((x + 20) % 2 == 0) {
      EXPECT_EQ(s.At(x, 20), 0u) << x;
    }
  }
  for (int y = 9; y < 31; ++y) {
    if ((32 + y) % 2 == 0) {
      EXPECT_EQ(s.At(32, y), 0u) << y;
    }
  }
  EXPECT_EQ(s.At(8, 9), 0xFFFFFFu);  // corners stay outside the ellipse
  EXPECT_GT(black, 300);
  EXPECT_LT(black, 48 * 22 / 2);
  DeleteObject(brush);
}

TEST(Raster, ViewportOriginAndClip) {
  Surface s(20, 20);
  SetViewportOrgEx(s.dc, 5, 6);
  RECT clip{0, 0, 4, 3};
  SetClipRect(s.dc, &clip);
  PatBlt(s.dc, -10, -10, 100, 100, WHITENESS);
  int white = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x)
      if (s.At(x, y)) {
        ++white;
        EXPECT_TRUE(x >= 5 && x < 9 && y >= 6 && y < 9);
      }
  EXPECT_EQ(white, 12);
  EXPECT_EQ(GetPixel(s.dc, 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(s.dc, 4, 0), CLR_INVALID);
}

TEST(Raster, CompatibleBitmapsAndDefaultBitmap) {
  HDC mem = CreateCompatibleDC(HDC{});
  HBITMAP one = CreateCompatibleBitmap(mem, 1, 1);
  EXPECT_TRUE(IsMonochrome(one));
  HGDIOBJ def = SelectObject(mem, one);
  EXPECT_EQ(def, GetStockObject(DEFAULT_BITMAP));
  EXPECT_EQ(SelectObject(mem, def), HGDIOBJ(one));
  EXPECT_TRUE(DeleteObject(one));
  HDC display = CreateDCA("DISPLAY");
  HBITMAP colour = CreateCompatibleBitmap(display, 3, 2);
  EXPECT_FALSE(IsMonochrome(colour));
  BITMAP info;
  ASSERT_EQ(GetObjectA(colour, sizeof info, &info), int(sizeof info));
  EXPECT_EQ(info.bmWidth, 3);
  EXPECT_EQ(info.bmHeight, 2);
  EXPECT_FALSE(CreateCompatibleBitmap(display, 0, 5));
  DeleteObject(colour);
  DeleteDC(display);
  DeleteDC(mem);
}

// Stale, deleted, stock and still-selected handles are refused, never used.
TEST(Raster, HandleSafety) {
  const uint32_t objects = LiveObjectCount(), contexts = LiveContextCount();
  HDC dc = CreateCompatibleDC(HDC{});
  HBITMAP bmp = CreateBitmap(4, 4, 1, 32, nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  EXPECT_FALSE(DeleteObject(bmp));  // still selected
  SelectObject(dc, old);
  EXPECT_TRUE(DeleteObject(bmp));
  EXPECT_FALSE(DeleteObject(bmp));  // already deleted
  EXPECT_FALSE(SelectObject(dc, bmp));
  HBITMAP reused = CreateBitmap(4, 4, 1, 32, nullptr);  // may take the same slot
  EXPECT_NE(reused, bmp);
  EXPECT_FALSE(IsBitmap(bmp));
  EXPECT_FALSE(DeleteObject(GetStockObject(NULL_PEN)));
  EXPECT_FALSE(BitBlt(dc, 0, 0, 4, 4, HDC{12345}, 0, 0, SRCCOPY));
  EXPECT_FALSE(PatBlt(HDC{}, 0, 0, 4, 4, WHITENESS));
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(DeleteDC(dc));
  EXPECT_FALSE(BitBlt(dc, 0, 0, 4, 4, dc, 0, 0, SRCCOPY));
  DeleteObject(reused);
  EXPECT_EQ(LiveObjectCount(), objects);
  EXPECT_EQ(LiveContextCount(), contexts);
}

TEST(Raster, RefusesAbsurdSizes) {
  EXPECT_FALSE(CreateBitmap(-1, 5, 1, 32, nullptr));
  EXPECT_FALSE(CreateBitmap(1 << 20, 1 << 20, 1, 32, nullptr));
  HBITMAP b = CreateBitmap(2, 2, 1, 32, nullptr);
  EXPECT_FALSE(ResizeBitmap(b, 100000, 100000));
  EXPECT_EQ(LockPixels(b).width, 2);
  DeleteObject(b);
}
