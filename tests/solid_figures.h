// Test helper: figures of distinct solid colours and random sizes placed in a
// view on random ground points, their clicks and hovers logged, and which of
// them the window's surface shows at a pixel.
#pragma once

#include <memory>
#include <random>
#include <vector>

#include "velscene/platform/host/forms.h"
#include "velscene/view.h"

namespace vel::testing {

struct SolidFigures {
  static constexpr uint32_t kKey = 0xFF00FF;  // bottom-left pixel: transparent
  std::vector<std::unique_ptr<TBitmap>> bitmaps;
  std::vector<TAniFigure*> vars;  // the variables the view refers to: reserved, never moved
  std::vector<uint32_t> colours;
  std::vector<int> clicked, hovered;

  // n figures owned by `owner`, at grid points in [0, spread) on both axes.
  SolidFigures(TComponent* owner, TAniView* view, int n, float spread, std::mt19937& rng) {
    vars.reserve(size_t(n));
    for (int i = 0; i < n; ++i) {
      const int32_t w = 12 + int32_t(rng() % 40), h = 12 + int32_t(rng() % 50);
      const uint32_t colour = 0x203040u + uint32_t(i) * 0x1B2917u;
      TBitmap& b = *bitmaps.emplace_back(std::make_unique<TBitmap>());
      b.SetSize(w, h);
      PixelView v = LockPixels(b.Handle());
      for (int32_t k = 0; k < w * h; ++k) v.pixels[k] = colour;
      v.pixels[size_t((h - 1) * w)] = kKey;
      TouchBitmap(b.Handle());
      TAniFigure*& f = vars.emplace_back(new TAniFigure(owner));
      f->Visible = f->Enabled = true;
      f->Width = uint32_t(w);
      f->Height = uint32_t(h);
      f->CenterX = w / 2;
      f->CenterY = h - 2;
      f->SetFrame(1, &b);
      f->OnClick = [this, i](TObject*) { clicked.push_back(i); };
      f->OnMouseOver = [this, i](TObject*) { hovered.push_back(i); };
      view->AddFigure(f);
      const float x = float(rng() % 1000) * spread / 1000, y = float(rng() % 1000) * spread / 1000;
      view->SetFigurePos(f, x, y, 0);
      colours.push_back(colour);
    }
  }

  // The figure whose colour the form shows at view pixel (x, y), -1 for none,
  // -2 on a figure's transparent corner (its box is hit there while another
  // colour shows).
  int DrawnAt(const TForm& form, const TAniView& view, int32_t x, int32_t y) const {
    const TPoint c = view.ClientToComposed({x, y});
    for (TAniFigure* f : vars) {
      const TAniEntry* e = view.Entry(f->Slot());
      if (c.X == e->ScreenX + view.ScrollX() && c.Y == e->ScreenY + view.ScrollY() + int32_t(f->Height) - 1)
        return -2;
    }
    const ConstPixelView s = ReadPixels(form.Surface()->Handle());
    const int32_t sx = view.Left() + x, sy = view.Top() + y;
    if (!s.valid || sx < 0 || sy < 0 || sx >= s.width || sy >= s.height) return -1;
    const uint32_t pixel = s.pixels[size_t(sy) * size_t(s.width) + size_t(sx)] & 0xFFFFFF;
    for (size_t i = 0; i < colours.size(); ++i)
      if (pixel == colours[i]) return int(i);
    return -1;
  }
};

}  // namespace vel::testing
