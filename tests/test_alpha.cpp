// Images with alpha: the decoders keeping it, AlphaBlt against a per-pixel
// reference with clipping on every edge, soft-edged frames and tiles in the
// view (composited, see-through, outlined) and the keyed switch.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <random>
#include <unistd.h>

#include "velscene/imaging.h"
#include "velscene/platform/graphics/image_files.h"
#include "tests/image_test_files.h"
#include "raster_surface.h"
#include "view_fixture.h"

using namespace vel;
using namespace vel::testimg;
using vel::testing::Surface;
using vel::testing::ViewTest;

namespace {

// Premultiplied source word s over destination word d, channel by channel:
// min(255, s + round(d x (255 - a) / 255)); the top byte too when the target
// keeps alpha, else 0.
uint32_t Over(uint32_t d, uint32_t s, bool alphaOut) {
  const uint32_t a = s >> 24;
  uint32_t out = 0;
  for (int shift = 0; shift < (alphaOut ? 32 : 24); shift += 8) {
    const uint32_t dc = (d >> shift) & 0xFF, sc = (s >> shift) & 0xFF;
    out |= std::min<uint32_t>(255, sc + (dc * (255 - a) * 2 + 255) / 510) << shift;
  }
  return out;
}

// Straight to premultiplied: round(c x a / 255).
uint32_t Premultiplied(uint32_t p) {
  const uint32_t a = p >> 24;
  uint32_t out = a << 24;
  for (int shift = 0; shift < 24; shift += 8) out |= ((((p >> shift) & 0xFF) * a * 2 + 255) / 510) << shift;
  return out;
}

// A soft disc in a w x h straight-alpha bitmap: opaque inside radius r - 1,
// clear outside r + 1.5, alpha falling off in between; colour by position.
void SoftDisc(TBitmap& b, int w, int h, double r) {
  b.SetSize(w, h);
  PixelView v = LockPixels(b.Handle());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double d = std::hypot(x + 0.5 - w / 2.0, y + 0.5 - h / 2.0);
      const double t = std::clamp((r + 1.5 - d) / 2.5, 0.0, 1.0);
      const uint32_t a = uint32_t(std::lround(t * 255));
      v.pixels[y * w + x] = (a << 24) | (uint32_t(x * 5 & 0xFF) << 16) | (uint32_t(y * 11 & 0xFF) << 8) | 0x40;
    }
  TouchBitmap(b.Handle());
  b.SetAlphaFormat(afDefined);
}

}  // namespace

// Keep: straight alpha in the top byte for every kind of alpha; an image
// whose alpha is all 255 (or all 0 in a BMP) decodes as keyed.
TEST(ImageAlpha, DecodersKeepAlphaWhenAsked) {
  PngParts rgba{4, 1, 8, 6, false, {}, {}, {}};
  rgba.pixels = {{1, 2, 3, 0}, {4, 5, 6, 127}, {7, 8, 9, 128}, {255, 0, 255, 255}};
  PngParts grey16{3, 1, 16, 4, false, {}, {}, {}};
  grey16.pixels = {{0xABAB, 0xFFFF}, {0x1212, 0x0000}, {0xFFFF, 0x8080}};
  PngParts greyTrns{3, 1, 8, 0, false, {}, {0x00, 0x40}, {{0x40}, {0x41}, {0xFF}}};
  PngParts opaque{2, 1, 8, 6, false, {}, {}, {{255, 0, 255, 255}, {1, 2, 3, 255}}};
  const BmpParts v5{124, 4, 1, 32, 3, 0, {}, {0xFF0000, 0xFF00, 0xFF, 0xFF000000},
                    {PackWords({0x00123456, 0x7F654321, 0x80ABCDEF, 0xFFFF00FF}, 4)}};
  BmpParts zero = v5;
  zero.rows = {PackWords({0x00123456, 0x00654321, 0x00ABCDEF, 0x00FF00FF}, 4)};
  struct Case {
    const char* what;
    Bytes file;
    bool alpha;
    std::vector<uint32_t> want;
  } cases[] = {
      {"rgba", BuildPng(rgba), true, {0x00010203, 0x7F040506, 0x80070809, 0xFFFF00FF}},
      {"grey16", BuildPng(grey16), true, {0xFFABABAB, 0x00121212, 0x80FFFFFF}},
      {"grey tRNS", BuildPng(greyTrns), true, {0x00404040, 0xFF414141, 0xFFFFFFFF}},
      {"opaque rgba", BuildPng(opaque), false, {0xFE00FE, 0x010203}},
      {"bmp v5", BuildBmp(v5), true, {0x00123456, 0x7F654321, 0x80ABCDEF, 0xFFFF00FF}},
      {"bmp zero alpha", BuildBmp(zero), false, {0x123456, 0x654321, 0xABCDEF, 0xFF00FF}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const bool png = c.file[0] == 0x89;
    const DecodedImage img = png ? DecodePng(c.file.data(), c.file.size(), "t", DecodeAlpha::Keep)
                                 : DecodeBmp(c.file.data(), c.file.size(), "t", DecodeAlpha::Keep);
    EXPECT_EQ(img.alpha, c.alpha);
    EXPECT_EQ(img.pixels, c.want);
  }
}

// A bitmap's alpha format: straight to premultiplied and back converts by the
// reference rounding, a copy keeps format and pixels, drawing either format
// onto a plain canvas composites, and saving writes straight alpha.
TEST(BitmapAlpha, FormatsConvertCopyDrawAndSave) {
  std::mt19937 rng(32);
  constexpr int W = 23, H = 7;
  TBitmap b;
  b.SetSize(W, H);
  b.SetAlphaFormat(afDefined);
  std::vector<uint32_t> straight(W * H);
  for (uint32_t& p : straight) p = uint32_t(rng()) | (rng() % 5 == 0 ? 0xFF000000u : 0);
  straight[0] = 0;  // a clear pixel
  std::copy(straight.begin(), straight.end(), LockPixels(b.Handle()).pixels);
  TouchBitmap(b.Handle());
  b.SetAlphaFormat(afPremultiplied);
  const ConstPixelView pm = ReadPixels(b.Handle());
  for (int i = 0; i < W * H; ++i) ASSERT_EQ(pm.pixels[i], Premultiplied(straight[size_t(i)])) << i;
  TBitmap copy;
  copy.Assign(&b);
  EXPECT_EQ(copy.AlphaFormat(), afPremultiplied);
  copy.SetAlphaFormat(afDefined);
  const ConstPixelView back = ReadPixels(copy.Handle());
  for (int i = 0; i < W * H; ++i) {
    // Back to straight: each channel min(255, round(P x 255 / A)), 0 where A is 0.
    const uint32_t p = pm.pixels[i], a = p >> 24;
    uint32_t want = a << 24;
    for (int shift = 0; shift < 24 && a; shift += 8)
      want |= std::min<uint32_t>(255, uint32_t(std::lround(((p >> shift) & 0xFF) * 255.0 / a))) << shift;
    ASSERT_EQ(back.pixels[i], a ? want : 0u) << i;
  }
  for (TBitmap* src : {&b, &copy}) {
    TBitmap canvas;
    canvas.SetSize(W + 4, H + 4);
    std::vector<uint32_t> under(size_t(W + 4) * (H + 4));
    for (uint32_t& p : under) p = rng() & 0xFFFFFF;
    std::copy(under.begin(), under.end(), LockPixels(canvas.Handle()).pixels);
    TouchBitmap(canvas.Handle());
    canvas.Canvas()->Draw(2, 3, src);
    const ConstPixelView got = ReadPixels(canvas.Handle()), from = ReadPixels(src->Handle());
    for (int y = 0; y < H + 4; ++y)
      for (int x = 0; x < W + 4; ++x) {
        uint32_t want = under[size_t(y) * (W + 4) + x];
        if (x >= 2 && x < W + 2 && y >= 3 && y < H + 3) {
          const uint32_t s = from.pixels[(y - 3) * W + x - 2];
          const uint32_t pre = src->AlphaFormat() == afDefined ? Premultiplied(s) : s;
          if (pre != 0) want = Over(want, pre, false);
        }
        ASSERT_EQ(got.pixels[y * (W + 4) + x], want) << x << "," << y;
      }
  }
  const std::string path =
      (std::filesystem::temp_directory_path() / ("velscene_pm_" + std::to_string(::getpid()) + ".png")).string();
  b.SaveToFile(path);
  const DecodedImage saved = LoadImageFile(path, DecodeAlpha::Keep);
  std::filesystem::remove(path);
  EXPECT_TRUE(saved.alpha);
  EXPECT_TRUE(std::equal(saved.pixels.begin(), saved.pixels.end(), back.pixels));
}

// Seeded images and alphas (some colours above their alpha, which saturate),
// drawn at positions and source offsets that cut every edge, into opaque and
// premultiplied targets through a clip and a moved origin, with and without
// the span table: every pixel as the reference says.
TEST(AlphaBlt, MatchesThePerPixelReference) {
  std::mt19937 rng(15);
  int64_t drawn = 0;
  HDC src = CreateCompatibleDC(HDC{});
  for (int round = 0; round < 400; ++round) {
    const int sw = 1 + int(rng() % 40), sh = 1 + int(rng() % 16), dw = 1 + int(rng() % 50), dh = 1 + int(rng() % 20);
    HBITMAP s = CreateBitmap(sw, sh, 1, 32, nullptr);
    std::vector<uint32_t> sp(size_t(sw) * size_t(sh));
    for (uint32_t& p : sp) {
      const uint32_t kind = rng() % 4, a = kind == 0 ? 0 : kind == 1 ? 255 : rng() & 0xFF;
      const uint32_t limit = rng() % 16 == 0 ? 255 : a;  // now and then not premultiplied
      p = (a << 24) | ((rng() % (limit + 1)) << 16) | ((rng() % (limit + 1)) << 8) | (rng() % (limit + 1));
      if (kind == 0 && limit == 0) p = 0;
    }
    std::copy(sp.begin(), sp.end(), LockPixels(s).pixels);
    if (round % 2) PrepareAlphaBlt(s);
    Surface d(dw, dh);
    const bool alphaOut = round % 3 == 0;
    if (alphaOut) SetBitmapAlpha(d.bmp, BitmapAlpha::Premultiplied);
    std::vector<uint32_t> dp(size_t(dw) * size_t(dh));
    for (uint32_t& p : dp) p = alphaOut ? uint32_t(rng()) : rng() & 0xFFFFFF;
    d.Set(dp);
    const int ox = int(rng() % 5) - 2, oy = int(rng() % 5) - 2;
    SetViewportOrgEx(d.dc, ox, oy);
    const RECT clip{int(rng() % 6) - 3, int(rng() % 6) - 3, dw - int(rng() % 4), dh - int(rng() % 4)};
    const bool clipped = rng() % 2;
    if (clipped) SetClipRect(d.dc, &clip);
    const int x = int(rng() % uint32_t(dw + sw)) - sw + 1, y = int(rng() % uint32_t(dh + sh)) - sh + 1;
    const int w = sw + int(rng() % 7) - 3, h = sh + int(rng() % 7) - 3;
    const int sx = int(rng() % 7) - 3, sy = int(rng() % 7) - 3;
    HGDIOBJ old = SelectObject(src, s);
    AlphaBlt(d.dc, x, y, w, h, src, sx, sy);
    SelectObject(src, old);
    for (int by = 0; by < dh; ++by)
      for (int bx = 0; bx < dw; ++bx) {
        const int lx = bx - ox, ly = by - oy, cx = sx + lx - x, cy = sy + ly - y;
        const bool in = lx >= x && lx < x + w && ly >= y && ly < y + h && cx >= 0 && cx < sw && cy >= 0 &&
                        cy < sh && (!clipped || (lx >= clip.left && lx < clip.right && ly >= clip.top && ly < clip.bottom));
        uint32_t& want = dp[size_t(by) * size_t(dw) + size_t(bx)];
        const uint32_t from = in ? sp[size_t(cy) * size_t(sw) + size_t(cx)] : 0;
        if (from != 0) want = Over(want, from, alphaOut);  // a zero word leaves the pixel as it is
        drawn += from != 0;
      }
    ASSERT_EQ(d.Copy(), dp) << "round " << round;
    DeleteObject(s);
  }
  EXPECT_GT(drawn, 5000);  // the rounds overlap enough to mean something
  DeleteDC(src);
}

using SoftFrames = ViewTest;

// A soft-edged frame: its mask and outline follow alpha >= 128, its
// premultiplied image composites over the buffer, and see-through it ORs its
// premultiplied colour; a soft flat tile is composited into the background.
TEST_F(SoftFrames, CompositeOutlineAndSeeThrough) {
  constexpr int W = 20, H = 16;
  TBitmap disc;
  SoftDisc(disc, W, H, 6.5);
  const ConstPixelView straight = ReadPixels(disc.Handle());
  auto opaque = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < W && y < H && (straight.pixels[y * W + x] >> 24) >= 128;
  };
  TAniFigure*& f = Place(0, 0, 0);
  f->Width = W;
  f->Height = H;
  f->SetHighlightColor(clYellow);
  f->SetFrame(1, &disc);
  const ConstPixelView mask = ReadPixels(f->Mask(1)), outline = ReadPixels(f->HighlightMask(1)),
                       alpha = ReadPixels(f->Alpha(1)), image = ReadPixels(f->Image(1));
  ASSERT_TRUE(mask.valid && outline.valid && alpha.valid && image.valid);
  for (int y = -1; y <= H; ++y)
    for (int x = -1; x <= W; ++x) {
      const bool edge = !opaque(x, y) && (opaque(x - 1, y) || opaque(x + 1, y) || opaque(x, y - 1) || opaque(x, y + 1));
      ASSERT_EQ(outline.pixels[(y + 1) * (W + 2) + x + 1], edge ? kPixelBlack : kPixelWhite) << x << "," << y;
      if (x < 0 || y < 0 || x >= W || y >= H) continue;
      const uint32_t p = Premultiplied(straight.pixels[y * W + x]);
      ASSERT_EQ(mask.pixels[y * W + x], opaque(x, y) ? kPixelBlack : kPixelWhite);
      ASSERT_EQ(alpha.pixels[y * W + x], p);
      ASSERT_EQ(image.pixels[y * W + x], p & 0xFFFFFF);
    }

  // Over a grey buffer, composited; see-through, ORed.
  view->SetColor(TColor(0x807060));
  form->PaintAll();
  f->CenterX = 0;
  f->CenterY = 0;
  view->SetFigurePos(f, 3, 2, 0);  // at (48, 48)
  const int32_t fx = view->Entry(f->Slot())->ScreenX, fy = view->Entry(f->Slot())->ScreenY;
  const uint32_t grey = PixelFromColorRef(0x807060);
  for (const bool seeThrough : {false, true}) {
    f->Transparent = seeThrough;
    view->DrawFrame();
    const ConstPixelView buf = ReadPixels(view->Buffer()->Handle());
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        const uint32_t p = Premultiplied(straight.pixels[y * W + x]);
        const uint32_t want = seeThrough ? (grey | (p & 0xFFFFFF)) : Over(grey, p, false);
        ASSERT_EQ(buf.pixels[(fy + y) * buf.width + fx + x], want) << x << "," << y << " " << seeThrough;
      }
  }

  // The same disc as a flat tile, composited once into the background.
  TAniMap map(form);
  map.SetWidth(1);
  map.SetHeight(1);
  TBitmap tile;
  SoftDisc(tile, 48, 23, 9);
  map.SetTile(1, &tile);
  map.SetGridTile(0, 0, 1);
  view->SetMap(&map);
  const ConstPixelView bg = ReadPixels(view->Background()->Handle()), t = ReadPixels(tile.Handle());
  const int32_t tx = view->OriginX(), ty = view->OriginY() - 23;
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 48; ++x)
      ASSERT_EQ(bg.pixels[(ty + y) * bg.width + tx + x], Over(grey, Premultiplied(t.pixels[y * 48 + x]), false));
}

// Loaded with its alpha keyed, a file with alpha gives today's bitmap: the
// decoder's keyed pixels, no alpha in use, and frames built by the key.
TEST_F(SoftFrames, KeyedSwitchGivesTodaysPixels) {
  TBitmap disc;
  SoftDisc(disc, 24, 18, 7);
  const std::string path = (std::filesystem::temp_directory_path() / ("velscene_alpha_" + std::to_string(::getpid()) + ".png")).string();
  disc.SaveToFile(path);
  TBitmap keyed, kept;
  keyed.LoadFromFile(path, iaKey);
  kept.LoadFromFile(path);
  const DecodedImage today = LoadImageFile(path);
  std::filesystem::remove(path);
  EXPECT_EQ(keyed.AlphaFormat(), afIgnored);
  EXPECT_EQ(kept.AlphaFormat(), afDefined);
  const ConstPixelView k = ReadPixels(keyed.Handle()), a = ReadPixels(kept.Handle()), s = ReadPixels(disc.Handle());
  ASSERT_TRUE(k.valid && a.valid);
  EXPECT_TRUE(std::equal(today.pixels.begin(), today.pixels.end(), k.pixels));
  EXPECT_TRUE(std::equal(s.pixels, s.pixels + 24 * 18, a.pixels));  // saved and read back straight
  TBitmap plain;  // today's path: the keyed words in an ordinary bitmap
  plain.SetSize(24, 18);
  std::copy(today.pixels.begin(), today.pixels.end(), LockPixels(plain.Handle()).pixels);
  TAniFigure*& f = Place(2, 2, 0);
  TAniFigure*& g = Place(2, 2, 0);
  f->SetFrame(1, &keyed);
  g->SetFrame(1, &plain);
  EXPECT_FALSE(f->Alpha(1));
  for (auto get : {&TAniFigure::Image, &TAniFigure::Mask, &TAniFigure::HighlightMask}) {
    const ConstPixelView x = ReadPixels((f->*get)(1)), y = ReadPixels((g->*get)(1));
    ASSERT_TRUE(x.valid && y.valid);
    EXPECT_TRUE(std::equal(x.pixels, x.pixels + size_t(x.width) * size_t(x.height), y.pixels));
  }
}
