// The fast drawing paths against plain per-pixel references: MaskedBlt on
// random pairs with clipping at every edge, changes to cached sprites, top
// bytes, the present copy and the shadow ellipse.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "velscene/platform/raster/raster.h"
#include "raster_surface.h"

using namespace vel;

namespace {

using vel::testing::Surface;

// Sprite material: an opaque blob (black mask, coloured image), white mask
// and black image elsewhere, and with `odd` a few words of any value in
// either (grey or top-byte mask words, colour under white).
void MakePair(std::mt19937& rng, int w, int h, bool odd, std::vector<uint32_t>& mask, std::vector<uint32_t>& image) {
  mask.assign(size_t(w * h), kPixelWhite);
  image.assign(size_t(w * h), 0);
  const double cx = w / 2.0, cy = h / 2.0, r = std::max(1, std::min(w, h)) * (0.3 + (rng() % 40) / 100.0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const size_t k = size_t(y * w + x);
      if (std::hypot(x + 0.5 - cx, y + 0.5 - cy) < r || rng() % 9 == 0) {
        mask[k] = kPixelBlack;
        image[k] = rng() & 0xFFFFFF;
      }
      if (odd && rng() % 7 == 0) mask[k] = rng();
      if (odd && rng() % 7 == 0) image[k] = rng();
    }
}

// dest := (dest AND mask) OR image over the blit's rectangle, pixel by pixel:
// the destination clipped to its clip rectangle and bitmap, the sources read
// through a context origin (sox, soy) and clipped to their bitmap. A null
// mask or image leaves its operation out.
void Reference(std::vector<uint32_t>& d, int dw, int dh, RECT clip, int dox, int doy, int x, int y, int w, int h,
               const std::vector<uint32_t>* m, const std::vector<uint32_t>* i, int sw, int shh, int sox, int soy) {
  for (int j = 0; j < h; ++j)
    for (int k = 0; k < w; ++k) {
      const int bx = x + k + dox, by = y + j + doy;
      if (bx < std::max(0, int(clip.left) + dox) || bx >= std::min(dw, int(clip.right) + dox)) continue;
      if (by < std::max(0, int(clip.top) + doy) || by >= std::min(dh, int(clip.bottom) + doy)) continue;
      const int qx = k + sox, qy = j + soy;
      if (qx < 0 || qy < 0 || qx >= sw || qy >= shh) continue;
      uint32_t& p = d[size_t(by * dw + bx)];
      if (m) p &= (*m)[size_t(qy * sw + qx)];
      if (i) p |= (*i)[size_t(qy * sw + qx)];
    }
}

}  // namespace

// Random pairs at offsets that clip on every edge of the target and the
// source, through a target clip and origin and a source origin; also the
// image alone (see-through), odd mask words and top bytes in the target.
TEST(FastBlits, MaskedBltMatchesReference) {
  std::mt19937 rng(11);
  const int offsets[] = {-30, -7, -1, 0, 3, 19, 27, 33};
  for (int round = 0; round < 6; ++round) {
    const int sw = 1 + int(rng() % 40), sh = 1 + int(rng() % 30);
    const bool odd = round % 2 == 1, alone = round == 4, topBytes = round >= 3;
    std::vector<uint32_t> mask, image;
    MakePair(rng, sw, sh, odd, mask, image);
    Surface m(sw, sh, !odd), i(sw, sh);
    m.Set(mask);
    i.Set(image);
    mask = m.Copy();  // a monochrome mask keeps black and white only
    HDC src = CreateCompatibleDC(HDC{});
    for (int x : offsets)
      for (int y : offsets) {
        Surface d(34, 31);
        std::vector<uint32_t> dest(34 * 31);
        for (auto& p : dest) p = topBytes ? rng() : rng() & 0xFFFFFF;
        d.Set(dest);
        const int sox = int(rng() % 3), soy = int(rng() % 3), dox = int(rng() % 3) - 1, doy = int(rng() % 3) - 1;
        const RECT clip{int(rng() % 5), int(rng() % 5), 34 - int(rng() % 5), 31 - int(rng() % 5)};
        SetViewportOrgEx(d.dc, dox, doy);
        SetClipRect(d.dc, &clip);
        SetViewportOrgEx(src, sox, soy);
        const int w = sw + int(rng() % 5) - 2, h = sh + int(rng() % 5) - 2;
        MaskedBlt(d.dc, x, y, w, h, src, alone ? HBITMAP{} : m.bmp, i.bmp);
        Reference(dest, 34, 31, clip, dox, doy, x, y, w, h, alone ? nullptr : &mask, &image, sw, sh, sox, soy);
        ASSERT_EQ(d.Copy(), dest) << "round " << round << " at " << x << "," << y;
        EXPECT_EQ(GetCurrentBitmap(src), i.bmp);  // the image is left selected
      }
    SelectObject(src, GetStockObject(DEFAULT_BITMAP));
    DeleteDC(src);
  }
}

// Whatever MaskedBlt cannot do in one pass it does as the two blits: a mask
// and image of different sizes, a colour pair into a monochrome target, a
// missing image, and the target itself as the image.
TEST(FastBlits, FallbacksMatchTheTwoBlits) {
  std::mt19937 rng(5);
  std::vector<uint32_t> mask, image;
  MakePair(rng, 12, 9, false, mask, image);
  HDC src = CreateCompatibleDC(HDC{});
  auto both = [&](HDC dst, int x, int y, HBITMAP m, HBITMAP i) {
    if (m && SelectObject(src, m)) BitBlt(dst, x, y, 12, 9, src, 0, 0, SRCAND);
    if (i && SelectObject(src, i)) BitBlt(dst, x, y, 12, 9, src, 0, 0, SRCPAINT);
  };
  Surface m(12, 9, true), i(12, 9), small(7, 9, true), colourMask(12, 9);
  m.Set(mask);
  i.Set(image);
  colourMask.Set(mask);
  small.Set(std::vector<uint32_t>(7 * 9, kPixelBlack));
  struct Case {
    bool monoTarget;
    HBITMAP mask, image;
  } cases[] = {{false, small.bmp, i.bmp}, {true, colourMask.bmp, i.bmp}, {false, m.bmp, HBITMAP{}},
               {false, m.bmp, HBITMAP{0x7FFFF}}};
  for (const Case& c : cases) {
    Surface a(20, 15, c.monoTarget), b(20, 15, c.monoTarget);
    std::vector<uint32_t> start(20 * 15);
    for (auto& p : start) p = c.monoTarget ? (rng() & 1 ? kPixelWhite : kPixelBlack) : rng() & 0xFFFFFF;
    a.Set(start);
    b.Set(start);
    MaskedBlt(a.dc, 3, -2, 12, 9, src, c.mask, c.image);
    both(b.dc, 3, -2, c.mask, c.image);
    EXPECT_EQ(a.Copy(), b.Copy());
  }
  // The target is the image: the second blit reads what the first wrote.
  Surface t(12, 9);
  t.Set(image);
  std::vector<uint32_t> want = image;
  Reference(want, 12, 9, {0, 0, 12, 9}, 0, 0, 0, 0, 12, 9, &mask, nullptr, 12, 9, 0, 0);
  Reference(want, 12, 9, {0, 0, 12, 9}, 0, 0, 0, 0, 12, 9, nullptr, &want, 12, 9, 0, 0);
  MaskedBlt(t.dc, 0, 0, 12, 9, src, m.bmp, t.bmp);
  EXPECT_EQ(t.Copy(), want);
  SelectObject(src, GetStockObject(DEFAULT_BITMAP));
  DeleteDC(src);
}

// A sprite drawn once is remembered; every later change to its mask or image
// (a blit, a pixel, a direct write) shows in the next draw, and a copy of the
// sprite with the same pixels draws alike without being changed with it.
TEST(FastBlits, ChangedSpritesAreDrawnAsTheyAreNow) {
  std::mt19937 rng(9);
  std::vector<uint32_t> mask, image;
  MakePair(rng, 16, 16, false, mask, image);
  Surface m(16, 16, true), i(16, 16), m2(16, 16, true), i2(16, 16);
  m.Set(mask);
  i.Set(image);
  m2.Set(mask);
  i2.Set(image);
  HDC src = CreateCompatibleDC(HDC{});
  auto check = [&](const char* what) {
    for (auto [mm, ii] : {std::pair{&m, &i}, std::pair{&m2, &i2}}) {
      Surface d(20, 20);
      std::vector<uint32_t> dest(400, 0x123456);
      d.Set(dest);
      MaskedBlt(d.dc, 2, 2, 16, 16, src, mm->bmp, ii->bmp);
      const auto mk = mm->Copy(), im = ii->Copy();
      Reference(dest, 20, 20, {0, 0, 20, 20}, 0, 0, 2, 2, 16, 16, &mk, &im, 16, 16, 0, 0);
      ASSERT_EQ(d.Copy(), dest) << what;
    }
  };
  check("first");
  check("again");
  PatBlt(m.dc, 0, 0, 8, 16, BLACKNESS);
  check("mask blit");
  SetPixelV(i.dc, 15, 15, RGB(1, 2, 3));
  check("image pixel");
  PixelView v = LockPixels(m.bmp);
  v.pixels[5] = kPixelWhite;
  v.pixels[6] = kPixelBlack;
  check("mask written directly");
  v = LockPixels(i.bmp);
  v.pixels[7] = 0xABCDEF;
  check("image written directly");
  SelectObject(src, GetStockObject(DEFAULT_BITMAP));
  DeleteDC(src);
}

// The present copy equals an ordinary copy, large (streamed) or small, and
// keeps the surface's top-byte knowledge right for the sprites drawn next.
TEST(FastBlits, PresentBltIsACopy) {
  std::mt19937 rng(3);
  for (int w : {5, 700}) {
    Surface a(w, 400), b(w + 3, 401), c(w + 3, 401);
    std::vector<uint32_t> p(size_t(w) * 400);
    for (auto& q : p) q = rng();
    a.Set(p);
    PresentBlt(b.dc, 2, 1, w, 400, a.dc, 0, 0);
    BitBlt(c.dc, 2, 1, w, 400, a.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(b.Copy(), c.Copy()) << w;
  }
  // Top bytes copied in must be cleared by a later AND with a white mask.
  Surface a(8, 1), b(8, 1), m(8, 1, true), i(8, 1);
  a.Set(std::vector<uint32_t>(8, 0xFF000000u | 0x102030));
  m.Set(std::vector<uint32_t>(8, kPixelWhite));
  PatBlt(b.dc, 0, 0, 8, 1, BLACKNESS);
  PresentBlt(b.dc, 0, 0, 8, 1, a.dc, 0, 0);
  HDC src = CreateCompatibleDC(HDC{});
  MaskedBlt(b.dc, 0, 0, 8, 1, src, m.bmp, i.bmp);
  EXPECT_EQ(b.Copy(), std::vector<uint32_t>(8, 0x102030));
  SelectObject(src, GetStockObject(DEFAULT_BITMAP));
  DeleteDC(src);
}

// The shadow ellipse (pattern brush, R2_MASKPEN, no pen) and an ellipse with
// a pen in several mix modes, clipped on every side, against the rule pixel
// by pixel: a pixel is in when its centre lies in the inscribed ellipse; the
// pen takes the span ends and what the rows above and below leave uncovered.
TEST(FastBlits, EllipseMatchesReference) {
  std::mt19937 rng(2);
  HBITMAP pattern = CreateBitmap(8, 8, 1, 1, nullptr);
  {
    PixelView v = LockPixels(pattern);
    for (int k = 0; k < 64; ++k) v.pixels[k] = ((k % 8 + k / 8) & 1) ? kPixelWhite : kPixelBlack;
  }
  HBRUSH brush = CreatePatternBrush(pattern);
  HPEN pen = CreatePen(0, 1, RGB(10, 200, 30));
  const int modes[] = {R2_MASKPEN, R2_COPYPEN, R2_MERGEPEN, R2_XORPEN, R2_NOT, R2_BLACK};
  for (int round = 0; round < 24; ++round) {
    Surface s(40, 30);
    std::vector<uint32_t> want(1200);
    for (auto& p : want) p = rng() & 0xFFFFFF;
    s.Set(want);
    const int l = int(rng() % 50) - 15, t = int(rng() % 40) - 12;
    const int r = l + 1 + int(rng() % 45), b = t + 1 + int(rng() % 30);
    const bool withPen = round % 2 == 1;
    const int mode = modes[round % 6];
    SelectObject(s.dc, brush);
    SelectObject(s.dc, withPen ? HGDIOBJ(pen) : GetStockObject(NULL_PEN));
    SetROP2(s.dc, mode);
    Ellipse(s.dc, l, t, r, b);
    // The spans of the rule, as whole-row pixel ranges.
    const double cx = (l + r) / 2.0, cy = (t + b) / 2.0, a = (r - l) / 2.0, bb = (b - t) / 2.0;
    auto span = [&](int y, int& x0, int& x1) {
      if (y < t || y >= b) return false;
      const double v = (y + 0.5 - cy) / bb, q = 1.0 - v * v;
      if (q < 0) return false;
      const double hw = a * std::sqrt(q);
      x0 = std::max(l, int(std::ceil(cx - hw - 0.5)));
      x1 = std::min(r - 1, int(std::floor(cx + hw - 0.5)));
      return x0 <= x1;
    };
    auto in = [&](int x, int y) {
      int x0, x1;
      return span(y, x0, x1) && x >= x0 && x <= x1;
    };
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x) {
        if (!in(x, y)) continue;
        const bool edge = !in(x - 1, y) || !in(x + 1, y) || !in(x, y - 1) || !in(x, y + 1);
        const uint32_t c = withPen && edge ? 0x0AC81E : (((x + y) & 1) ? kPixelWhite : kPixelBlack);
        uint32_t& p = want[size_t(y * 40 + x)];
        switch (mode) {
          case R2_MASKPEN: p &= c; break;
          case R2_COPYPEN: p = c; break;
          case R2_MERGEPEN: p |= c; break;
          case R2_XORPEN: p ^= c; break;
          case R2_NOT: p ^= kPixelWhite; break;
          default: p = kPixelBlack; break;
        }
      }
    const auto got = s.Copy();
    for (int k = 0; k < 1200; ++k)
      ASSERT_EQ(got[size_t(k)], want[size_t(k)]) << "round " << round << " pixel " << k % 40 << "," << k / 40;
    SelectObject(s.dc, GetStockObject(WHITE_BRUSH));
    SelectObject(s.dc, GetStockObject(BLACK_PEN));
  }
  DeleteObject(brush);
  DeleteObject(pen);
  DeleteObject(pattern);
}
