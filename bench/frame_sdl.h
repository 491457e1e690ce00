// The reference frame composed with SDL2 software surfaces: background and
// present by SDL_BlitSurface, sprites, outlines and shadows colour-keyed with
// RLE (soft frames: ARGB surfaces blended, SDL_BLENDMODE_BLEND, with RLE),
// drawn in the view's own depth order.
#pragma once

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "bench/frame_scene.h"
#include "velscene/internal/numeric.h"

namespace velbench {

// An XRGB8888 surface, the same pixel words as the raster layer's.
inline SDL_Surface* NewSurface(int32_t w, int32_t h) {
  return SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_RGB888);
}

inline uint32_t* Row(SDL_Surface* s, int32_t y) {
  return reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + size_t(y) * size_t(s->pitch));
}

// A colour-keyed RLE sprite surface whose pixel (x, y) is f(x, y).
template <class F>
SDL_Surface* KeyedSurface(int32_t w, int32_t h, F f) {
  SDL_Surface* s = NewSurface(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) Row(s, y)[x] = f(x, y);
  SDL_SetColorKey(s, SDL_TRUE, kKey);
  SDL_SetSurfaceRLE(s, 1);
  return s;
}

inline SDL_Surface* KeyedCopy(TBitmap& b) {
  const ConstPixelView v = ReadPixels(b.Handle());
  return KeyedSurface(v.width, v.height, [&](int32_t x, int32_t y) { return v.pixels[size_t(y) * size_t(v.width) + size_t(x)]; });
}

// An ARGB surface of a bitmap with straight alpha, blended when drawn.
inline SDL_Surface* BlendedCopy(TBitmap& b) {
  const ConstPixelView v = ReadPixels(b.Handle());
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, v.width, v.height, 32, SDL_PIXELFORMAT_ARGB8888);
  for (int32_t y = 0; y < v.height; ++y) std::memcpy(Row(s, y), v.pixels + size_t(y) * size_t(v.width), size_t(v.width) * 4);
  SDL_SetSurfaceBlendMode(s, SDL_BLENDMODE_BLEND);
  SDL_SetSurfaceRLE(s, 1);
  return s;
}

class SdlFrame {
 public:
  explicit SdlFrame(FrameScene& scene) : scene_(scene) {
    for (auto& f : scene.frames) frames_.push_back(f->AlphaFormat() == afDefined ? BlendedCopy(*f) : KeyedCopy(*f));
    for (auto& t : scene.tiles) tiles_.push_back(KeyedCopy(*t));
    // Outlines: the outline pair of the first figure showing each image.
    outlines_.resize(frames_.size(), nullptr);
    for (int i = 0; i < kFigureCount; ++i) {
      SDL_Surface*& o = outlines_[size_t(scene.image[i])];
      if (o) continue;
      const ConstPixelView m = ReadPixels(scene.vars[i]->HighlightMask(1)), c = ReadPixels(scene.vars[i]->Highlight(1));
      o = KeyedSurface(m.width, m.height, [&](int32_t x, int32_t y) {
        const size_t k = size_t(y) * size_t(m.width) + size_t(x);
        return m.pixels[k] == kPixelBlack ? c.pixels[k] : kKey;
      });
    }
    RenderBackground();
    back_ = NewSurface(kViewW, kViewH);
    window_ = NewSurface(kViewW, kViewH);
    Record();
  }
  ~SdlFrame() {
    for (auto* s : frames_) SDL_FreeSurface(s);
    for (auto* s : tiles_) SDL_FreeSurface(s);
    for (auto* s : outlines_) SDL_FreeSurface(s);
    for (auto& [k, s] : shadows_) SDL_FreeSurface(s);
    SDL_FreeSurface(background_);
    SDL_FreeSurface(back_);
    SDL_FreeSurface(window_);
  }
  SdlFrame(const SdlFrame&) = delete;
  SdlFrame& operator=(const SdlFrame&) = delete;

  // The blits of the view's current display list, farthest first, at the
  // view's scroll. A see-through figure is drawn as an ordinary sprite: SDL
  // has no OR blit.
  void Record() {
    ops_.clear();
    TAniView& v = *scene_.view;
    const int32_t sx = v.ScrollX(), sy = v.ScrollY();
    for (int32_t s = v.First(); s > 0; s = v.Entry(s)->Next) {
      const TAniEntry& e = *v.Entry(s);
      const int32_t x = e.ScreenX + sx, y = e.ScreenY + sy;
      TAniFigure* f = v.FigureAt(s);
      if (!f) {
        ops_.push_back({tiles_[kTallTile - 1], {x, y, 0, 0}});
        continue;
      }
      if (!f->Visible) continue;
      const int img = ImageOf(f);
      if (f->Shadow && f->Z() >= 0) {
        const int32_t cx = x + f->CenterX, cy = y + f->CenterY + int32_t(Trunc(double(f->Z()) * 12.0));
        const int32_t rx = int32_t(Trunc(double(f->ShadowRadius) * 48.0)), ry = int32_t(Trunc(double(f->ShadowRadius) * 23.0));
        ops_.push_back({Shadow(2 * rx, 2 * ry, (cx - rx + cy - ry) & 1), {cx - rx, cy - ry, 0, 0}});
      }
      if (f->Highlighted || f->Hover()) ops_.push_back({outlines_[size_t(img)], {x - 1, y - 1, 0, 0}});
      ops_.push_back({frames_[size_t(img)], {x, y, 0, 0}});
    }
  }

  void Compose() {
    SDL_Rect at{scene_.view->ScrollX(), scene_.view->ScrollY(), 0, 0};
    SDL_BlitSurface(background_, nullptr, back_, &at);
    for (const Op& op : ops_) {
      SDL_Rect r = op.at;  // SDL writes the clipped rectangle back
      SDL_BlitSurface(op.surface, nullptr, back_, &r);
    }
  }
  void Present() { SDL_BlitSurface(back_, nullptr, window_, nullptr); }

  // Pixels of the presented frame that differ from the form's surface, by
  // the largest difference in a channel: byDiff[0] all that differ, byDiff[1]
  // and [2] those off by 1 and 2, byDiff[3] by 3 or 4, byDiff[4] by more.
  void Differences(int64_t byDiff[5]) {
    const ConstPixelView ours = ReadPixels(scene_.form->Surface()->Handle());
    std::fill(byDiff, byDiff + 5, 0);
    for (int32_t y = 0; y < kViewH; ++y)
      for (int32_t x = 0; x < kViewW; ++x) {
        const uint32_t a = Row(window_, y)[x] & 0xFFFFFF, b = ours.pixels[size_t(y) * size_t(ours.width) + size_t(x)];
        if (a == b) continue;
        int most = 0;
        for (int shift = 0; shift < 24; shift += 8)
          most = std::max(most, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
        ++byDiff[0];
        ++byDiff[most <= 2 ? most : most <= 4 ? 3 : 4];
      }
  }

 private:
  struct Op {
    SDL_Surface* surface;
    SDL_Rect at;
  };

  int ImageOf(const TAniFigure* f) const {
    for (int i = 0; i < kFigureCount; ++i)
      if (scene_.vars[i] == f) return scene_.image[i];
    return 0;
  }

  // The dithered shadow of a w x h box whose top-left has the given parity:
  // black on the ellipse's pixels where x + y is even on the frame's grid.
  SDL_Surface* Shadow(int32_t w, int32_t h, int parity) {
    SDL_Surface*& s = shadows_[{(int64_t(w) << 32) | uint32_t(h), parity}];
    if (s) return s;
    // Which pixels the ellipse covers: the raster layer's own rule.
    HDC dc = CreateCompatibleDC(HDC{});
    HBITMAP bmp = CreateBitmap(w, h, 1, 32, nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
    PatBlt(dc, 0, 0, w, h, WHITENESS);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(BLACK_BRUSH));
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    Ellipse(dc, 0, 0, w, h);
    const ConstPixelView in = ReadPixels(bmp);
    s = KeyedSurface(w, h, [&](int32_t x, int32_t y) {
      const bool covered = in.pixels[size_t(y) * size_t(w) + size_t(x)] == kPixelBlack;
      return covered && ((x + y + parity) & 1) == 0 ? kPixelBlack : kKey;
    });
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bmp);
    return s;
  }

  // The flat tiles drawn once into a background of the view's size and colour.
  void RenderBackground() {
    TAniView& v = *scene_.view;
    background_ = NewSurface(v.BackgroundWidth(), v.BackgroundHeight());
    SDL_FillRect(background_, nullptr, PixelFromColorRef(ColorToRGB(kViewColor)));
    TAniMap& m = *scene_.map;
    for (int32_t gy = 0; gy < int32_t(m.Height()); ++gy)
      for (int32_t gx = 0; gx < int32_t(m.Width()); ++gx) {
        const uint8_t t = m.GetGridTile(gx, gy);
        if (t == 0) continue;
        SDL_Surface* tile = tiles_[t - 1];
        if (t == kTallTile && gx >= 1 && gy >= 1) continue;  // an entry of the list
        SDL_Rect at{(gx - gy) * 24 + v.OriginX(), (gx + gy) * 12 + v.OriginY() - tile->h, 0, 0};
        SDL_BlitSurface(tile, nullptr, background_, &at);
      }
  }

  FrameScene& scene_;
  std::vector<SDL_Surface*> frames_, tiles_, outlines_;
  std::map<std::pair<int64_t, int>, SDL_Surface*> shadows_;
  SDL_Surface* background_ = nullptr;
  SDL_Surface* back_ = nullptr;
  SDL_Surface* window_ = nullptr;
  std::vector<Op> ops_;
};

}  // namespace velbench
