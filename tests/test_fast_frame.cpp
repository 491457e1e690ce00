// Whole frames of a busy view against the same frame drawn with the literal
// blits: clear, background, then per entry AND/OR pairs and the shadow ellipse.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "velscene/imaging.h"
#include "view_fixture.h"

using namespace vel;
using vel::testing::ViewTest;

namespace {

constexpr uint32_t kKey = 0xFF00FF;

// A sprite of random blobs on the key colour (bottom-left pixel), with some
// opaque black pixels.
void RandomSprite(std::mt19937& rng, TBitmap& b, int w, int h) {
  b.SetSize(w, h);
  PixelView v = LockPixels(b.Handle());
  const double cx = w * (0.3 + (rng() % 40) / 100.0), cy = h * (0.3 + (rng() % 40) / 100.0);
  const double r = std::min(w, h) * (0.25 + (rng() % 30) / 100.0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool in = std::hypot(x - cx, y - cy) < r || rng() % 13 == 0;
      v.pixels[y * w + x] = !in ? kKey : rng() % 17 == 0 ? 0 : (rng() & 0xFFFFFF) | 0x010000;
    }
  v.pixels[(h - 1) * w] = kKey;
  TouchBitmap(b.Handle());
}

class FastFrame : public ViewTest {
 protected:
  // The frame the tick should have drawn, from the list as it stands now.
  std::vector<uint32_t> Reference() {
    const int W = view->Width(), H = view->Height();
    HDC dc = CreateCompatibleDC(HDC{});
    HBITMAP bmp = CreateBitmap(W, H, 1, 32, nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
    HDC src = CreateCompatibleDC(HDC{});
    HBRUSH back = CreateSolidBrush(ColorToRGB(view->Color()));
    const RECT all{0, 0, W + 1, H + 1};
    FillRect(dc, &all, back);
    const int32_t sx = view->ScrollX(), sy = view->ScrollY();
    view->DrawBackground(dc, sx, sy);
    auto blit = [&](HBITMAP b, int x, int y, int w, int h, uint32_t rop) {
      if (b && SelectObject(src, b)) BitBlt(dc, x, y, w, h, src, 0, 0, rop);
    };
    HBRUSH shadow = CreateShadowBrush();
    for (int32_t s = view->First(); s > 0; s = view->Entry(s)->Next) {
      const TAniEntry& e = *view->Entry(s);
      const int x = e.ScreenX + sx, y = e.ScreenY + sy;
      TAniFigure* f = view->FigureAt(s);
      if (!f) {
        const auto* t = static_cast<const TTileImage*>(e.Item);
        blit(t->Mask, x, y, t->Width, t->Height, SRCAND);
        blit(t->Image, x, y, t->Width, t->Height, SRCPAINT);
        continue;
      }
      if (!f->Visible) continue;
      const int32_t n = int32_t(f->Frame()), w = int32_t(f->Width), h = int32_t(f->Height);
      if (f->Shadow && f->Z() >= 0) {
        const int cx = x + f->CenterX, cy = y + f->CenterY + int(std::trunc(double(f->Z()) * 12.0));
        const int rx = int(std::trunc(double(f->ShadowRadius) * 48.0)), ry = int(std::trunc(double(f->ShadowRadius) * 23.0));
        HGDIOBJ ob = SelectObject(dc, shadow);
        HGDIOBJ op = SelectObject(dc, GetStockObject(NULL_PEN));
        const int om = SetROP2(dc, R2_MASKPEN);
        Ellipse(dc, cx - rx, cy - ry, cx + rx, cy + ry);
        SetROP2(dc, om);
        SelectObject(dc, op);
        SelectObject(dc, ob);
      }
      if (f->Highlighted || f->Hover()) {
        blit(f->HighlightMask(n), x - 1, y - 1, w + 2, h + 2, SRCAND);
        blit(f->Highlight(n), x - 1, y - 1, w + 2, h + 2, SRCPAINT);
      }
      if (!f->Transparent) blit(f->Mask(n), x, y, w, h, SRCAND);
      blit(f->Image(n), x, y, w, h, SRCPAINT);
    }
    const ConstPixelView v = ReadPixels(bmp);
    std::vector<uint32_t> out(v.pixels, v.pixels + size_t(W) * size_t(H));
    DeleteObject(shadow);
    DeleteObject(back);
    SelectObject(src, GetStockObject(DEFAULT_BITMAP));
    DeleteDC(src);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bmp);
    return out;
  }

  std::vector<uint32_t> Frame(bool screen) {
    const int W = view->Width(), H = view->Height();
    const ConstPixelView v = ReadPixels(screen ? form->Surface()->Handle() : view->Buffer()->Handle());
    std::vector<uint32_t> out;
    for (int y = 0; y < H; ++y) out.insert(out.end(), v.pixels + size_t(y) * size_t(v.width), v.pixels + size_t(y) * size_t(v.width) + W);
    return out;
  }

  // A map with tall tiles, and figures all over the view and past its edges
  // with every drawing option mixed.
  void Populate(std::mt19937& rng) {
    view->SetColor(clTeal);
    form->PaintAll();
    TBitmap flat, tall;
    RandomSprite(rng, flat, 48, 23);
    RandomSprite(rng, tall, 48, 64);
    map = new TAniMap(form);
    map->SetWidth(12);
    map->SetHeight(12);
    map->SetTile(1, &flat);
    map->SetTile(2, &tall);
    for (uint32_t gy = 0; gy < 12; ++gy)
      for (uint32_t gx = 0; gx < 12; ++gx) map->SetGridTile(gx, gy, (gx * 5 + gy * 3) % 11 == 4 ? 2 : 1);
    view->SetMap(map);
    for (int i = 0; i < 60; ++i) {
      TAniFigure* f = NewFigure();
      const int w = 6 + int(rng() % 40), h = 6 + int(rng() % 40);
      TBitmap b;
      RandomSprite(rng, b, w, h);
      f->SetHighlightColor(TColor(rng() & 0xFFFFFF));
      f->SetFrame(1, &b);
      f->Width = uint32_t(w + (i % 9 == 0 ? 5 : 0));  // sometimes wider than the bitmap
      f->Height = uint32_t(h);
      f->CenterX = w / 2;
      f->CenterY = h;
      f->Shadow = i % 3 == 0;
      f->ShadowRadius = 0.2f + float(rng() % 10) / 10.0f;
      f->Highlighted = i % 4 == 1;
      f->Transparent = i % 5 == 2;
      f->Visible = i % 17 != 3;
      view->AddFigure(vars[used - 1]);
      float gx, gy;
      view->ScreenToGrid(int32_t(rng() % 460) - 30, int32_t(rng() % 360) - 30, gx, gy);
      view->SetFigurePos(vars[used - 1], gx, gy, i % 7 == 0 ? -0.5f : float(rng() % 3) * 0.5f);
    }
  }

  TAniMap* map = nullptr;
};

}  // namespace

// Standing and walking frames, presented band by band (no OnAfterUpdate) and
// in one piece (with one), on the buffer and on the screen.
TEST_F(FastFrame, BusyFramesEqualTheLiteralBlits) {
  std::mt19937 rng(21);
  Populate(rng);
  HeadlessBackend()->MouseMove(form, TShiftState(), 200, 150);  // some figures hovered
  for (int tick = 0; tick < 8; ++tick) {
    if (tick == 4) view->OnAfterUpdate = [](TObject*) {};
    if (tick >= 2)
      for (size_t i = 0; i < used; ++i) view->MoveFigure(vars[i], vars[i]->X() + 1.5f, vars[i]->Y() - 0.5f, 0);
    view->DrawFrame();
    const std::vector<uint32_t> want = Reference();
    ASSERT_EQ(Frame(false), want) << "buffer, tick " << tick;
    ASSERT_EQ(Frame(true), want) << "screen, tick " << tick;
  }
}

// A handler that runs during the tick sees the buffer cleared, as the tick
// left it before any handler.
TEST_F(FastFrame, HandlersSeeTheClearedBuffer) {
  std::mt19937 rng(4);
  Populate(rng);
  view->DrawFrame();
  const uint32_t clear = PixelFromColorRef(ColorToRGB(view->Color()));
  int seen = 0;
  view->OnBeforeUpdate = [&](TObject*) {
    for (uint32_t p : Frame(false)) ASSERT_EQ(p, clear);
    ++seen;
  };
  view->DrawFrame();
  view->OnBeforeUpdate = nullptr;
  TAniFigure* f = vars[0];
  f->OnArrival = [&](TObject*) {
    for (uint32_t p : Frame(false)) ASSERT_EQ(p, clear);
    ++seen;
  };
  view->MoveFigure(vars[0], f->X() + 0.01f, f->Y(), f->Z());
  for (int k = 0; k < 3 && seen < 2; ++k) view->DrawFrame();
  EXPECT_EQ(seen, 2);
  EXPECT_EQ(Frame(false), Reference());
}
