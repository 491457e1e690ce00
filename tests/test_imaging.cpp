// Sprite imaging: image/mask pairs, four-neighbour outlines, the shadow
// pattern and Min.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "velscene/platform/graphics/graphics.h"
#include "velscene/imaging.h"

using namespace vel;

namespace {

HBITMAP MakeBitmap(int w, int h, const std::vector<uint32_t>& pixels, bool mono = false) {
  HBITMAP b = CreateBitmap(w, h, 1, mono ? 1 : 32, nullptr);
  PixelView v = LockPixels(b);
  for (int i = 0; i < w * h; ++i) v.pixels[i] = pixels[i];
  return b;
}

// A monochrome mask from a picture: '#' opaque (black), '.' transparent (white).
HBITMAP MaskFrom(const std::vector<std::string>& rows) {
  const int w = int(rows[0].size()), h = int(rows.size());
  std::vector<uint32_t> px;
  for (auto& r : rows)
    for (char c : r) px.push_back(c == '#' ? kPixelBlack : kPixelWhite);
  return MakeBitmap(w, h, px, true);
}

std::set<std::pair<int, int>> OutlinePixels(HBITMAP image, HBITMAP mask, uint32_t colour) {
  std::set<std::pair<int, int>> out;
  PixelView m = LockPixels(mask), im = LockPixels(image);
  EXPECT_TRUE(m.monochrome);
  EXPECT_FALSE(im.monochrome);
  for (int y = 0; y < m.height; ++y)
    for (int x = 0; x < m.width; ++x) {
      const uint32_t mp = m.pixels[y * m.width + x], ip = im.pixels[y * im.width + x];
      if (mp == kPixelBlack) {
        EXPECT_EQ(ip, colour) << x << "," << y;
        out.insert({x, y});
      } else {
        EXPECT_EQ(mp, kPixelWhite);
        EXPECT_EQ(ip, 0u) << x << "," << y;
      }
    }
  return out;
}

}  // namespace

TEST(CreateMask, BottomLeftColourIsTransparentAndSourceUntouched) {
  const uint32_t K = 0x00FF00;  // the key: bottom-left pixel
  std::vector<uint32_t> px = {K, 0x000000, 0x123456,  //
                              0xFFFFFF, K, 0x000001,  //
                              K, 0x00FF01, K};
  HBITMAP src = MakeBitmap(3, 3, px);
  HBITMAP image, mask;
  CreateMask(image, mask, src);
  PixelView i = LockPixels(image), m = LockPixels(mask), s = LockPixels(src);
  ASSERT_TRUE(i.valid && m.valid);
  EXPECT_TRUE(m.monochrome);
  for (int k = 0; k < 9; ++k) {
    const bool transparent = px[k] == K;
    EXPECT_EQ(m.pixels[k], transparent ? kPixelWhite : kPixelBlack) << k;
    EXPECT_EQ(i.pixels[k], transparent ? 0u : px[k]) << k;
    EXPECT_EQ(s.pixels[k], px[k]);  // the caller's bitmap is unchanged
  }
  EXPECT_TRUE(IsBitmap(src));
  DeleteObject(image);
  DeleteObject(mask);
  DeleteObject(src);
}

TEST(CreateMask, BlackIsOpaqueUnlessItIsTheKey) {
  HBITMAP whiteKey = MakeBitmap(2, 1, {0x000000, 0xFFFFFF});  // bottom-left is black here
  HBITMAP blackKeyImage, blackKeyMask;
  CreateMask(blackKeyImage, blackKeyMask, whiteKey);
  EXPECT_EQ(LockPixels(blackKeyMask).pixels[0], kPixelWhite);
  EXPECT_EQ(LockPixels(blackKeyMask).pixels[1], kPixelBlack);
  HBITMAP onWhite = MakeBitmap(2, 1, {0xFFFFFF, 0x000000});
  HBITMAP image, mask;
  CreateMask(image, mask, onWhite);
  EXPECT_EQ(LockPixels(mask).pixels[1], kPixelBlack);  // black pixel is opaque, shows black
  EXPECT_EQ(LockPixels(image).pixels[1], 0u);
  for (HBITMAP b : {whiteKey, blackKeyImage, blackKeyMask, onWhite, image, mask}) DeleteObject(b);
}

TEST(CreateMask, StaleSourceGivesNothing) {
  HBITMAP image{}, mask{};
  CreateMask(image, mask, HBITMAP{});
  EXPECT_FALSE(image);
  EXPECT_FALSE(mask);
}

TEST(CreateHighlightMask, CentrePixelGivesFourNeighbours) {
  HBITMAP m = MaskFrom({"...", ".#.", "..."});
  HBITMAP hi, hm;
  CreateHighlightMask(m, hi, hm, RGB(255, 0, 0));
  EXPECT_EQ(LockPixels(hi).width, 5);
  EXPECT_EQ(LockPixels(hm).height, 5);
  auto px = OutlinePixels(hi, hm, 0xFF0000);
  EXPECT_EQ(px, (std::set<std::pair<int, int>>{{2, 1}, {1, 2}, {3, 2}, {2, 3}}));
  for (HBITMAP b : {m, hi, hm}) DeleteObject(b);
}

TEST(CreateHighlightMask, OpaqueBlockGetsFrameWithoutCorners) {
  for (auto [w, h] : {std::pair{1, 1}, {4, 3}, {7, 2}}) {
    HBITMAP m = MaskFrom(std::vector<std::string>(size_t(h), std::string(size_t(w), '#')));
    HBITMAP hi, hm;
    CreateHighlightMask(m, hi, hm, RGB(1, 2, 3));
    auto px = OutlinePixels(hi, hm, PixelFromColorRef(RGB(1, 2, 3)));
    EXPECT_EQ(int(px.size()), 2 * w + 2 * h);
    EXPECT_FALSE(px.count({0, 0}));
    EXPECT_FALSE(px.count({w + 1, h + 1}));
    EXPECT_TRUE(px.count({0, 1}));       // left of column 0, outside the source area
    EXPECT_TRUE(px.count({w + 1, h}));   // right of the last column
    for (HBITMAP b : {m, hi, hm}) DeleteObject(b);
  }
}

// The outline of an irregular shape equals the four-neighbour definition.
TEST(CreateHighlightMask, MatchesFourNeighbourDefinition) {
  std::vector<std::string> rows = {"#..#.##", ".##...#", "#.#.#..", "...##.#"};
  HBITMAP m = MaskFrom(rows);
  HBITMAP hi, hm;
  CreateHighlightMask(m, hi, hm, RGB(9, 9, 9));
  auto px = OutlinePixels(hi, hm, PixelFromColorRef(RGB(9, 9, 9)));
  const int W = 7, H = 4;
  auto opaque = [&](int i, int j) { return i >= 0 && i < W && j >= 0 && j < H && rows[size_t(j)][size_t(i)] == '#'; };
  std::set<std::pair<int, int>> want;
  for (int j = -1; j <= H; ++j)
    for (int i = -1; i <= W; ++i)
      if (!opaque(i, j) && (opaque(i - 1, j) || opaque(i + 1, j) || opaque(i, j - 1) || opaque(i, j + 1)))
        want.insert({i + 1, j + 1});
  EXPECT_EQ(px, want);
  for (HBITMAP b : {m, hi, hm}) DeleteObject(b);
}

TEST(CreateHighlightMask, TransparentOrMissingMaskHasNoOutline) {
  HBITMAP m = MaskFrom({"...", "..."});
  HBITMAP hi, hm;
  CreateHighlightMask(m, hi, hm, RGB(255, 255, 255));
  EXPECT_TRUE(OutlinePixels(hi, hm, 0xFFFFFF).empty());
  HBITMAP hi2, hm2;
  CreateHighlightMask(HBITMAP{}, hi2, hm2, RGB(255, 255, 255));
  EXPECT_EQ(LockPixels(hm2).width, 2);
  EXPECT_TRUE(OutlinePixels(hi2, hm2, 0xFFFFFF).empty());
  for (HBITMAP b : {m, hi, hm, hi2, hm2}) DeleteObject(b);
}

TEST(CreateShadowBrush, CheckerFromOrigin) {
  HBRUSH brush = CreateShadowBrush();
  HDC dc = CreateCompatibleDC(HDC{});
  HBITMAP bmp = CreateBitmap(16, 16, 1, 32, nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  RECT r{0, 0, 16, 16};
  FillRect(dc, &r, brush);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(dc, 1, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 0, 1), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 7, 7), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(dc, 8, 7), RGB(255, 255, 255));
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bmp);
  DeleteObject(brush);
}

TEST(MinRoutine, SecondOnTieFirstOnNaN) {
  EXPECT_EQ(Min(1.5f, 2.0f), 1.5f);
  EXPECT_EQ(Min(3.0f, -1.0f), -1.0f);
  const float negZero = -0.0f;
  EXPECT_TRUE(std::signbit(Min(0.0f, negZero)));  // a tie gives the second argument
  EXPECT_FALSE(std::signbit(Min(negZero, 0.0f)));
  EXPECT_EQ(Min(1.0f, NAN), 1.0f);
  EXPECT_TRUE(std::isnan(Min(NAN, 1.0f)));
}
