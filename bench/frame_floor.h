// The memory floor of the reference frame: the same bytes moved by memcpy,
// the visible background rows, an opaque copy of every sprite rectangle from
// its own image, and the present.
#pragma once

#include <cstring>
#include <vector>

#include "bench/frame_scene.h"

namespace velbench {

class MemcpyFloor {
 public:
  explicit MemcpyFloor(FrameScene& scene) : back_(size_t(kViewW) * kViewH), window_(back_.size()) {
    TAniView& v = *scene.view;
    const int32_t sx = v.ScrollX(), sy = v.ScrollY();
    // The whole background, drawn once into a bitmap of its own.
    background_ = CreateBitmap(v.BackgroundWidth(), v.BackgroundHeight(), 1, 32, nullptr);
    HDC dc = CreateCompatibleDC(HDC{});
    SelectObject(dc, background_);
    v.DrawBackground(dc, 0, 0);
    SelectObject(dc, GetStockObject(DEFAULT_BITMAP));
    DeleteDC(dc);
    Add(ReadPixels(background_), sx, sy);
    for (int32_t s = v.First(); s > 0; s = v.Entry(s)->Next) {
      const TAniEntry& e = *v.Entry(s);
      TAniFigure* f = v.FigureAt(s);
      if (f && !f->Visible) continue;
      const HBITMAP image = f ? f->Image(int32_t(f->Frame())) : v.TileImage(kTallTile).Image;
      Add(ReadPixels(image), e.ScreenX + sx, e.ScreenY + sy);
    }
  }

  ~MemcpyFloor() { DeleteObject(background_); }
  MemcpyFloor(const MemcpyFloor&) = delete;
  MemcpyFloor& operator=(const MemcpyFloor&) = delete;

  void Run() {
    for (const Copy& c : copies_)
      for (int32_t r = 0; r < c.h; ++r)
        std::memcpy(&back_[c.dst + size_t(r) * kViewW], c.src + size_t(r) * size_t(c.stride), size_t(c.w) * 4);
    std::memcpy(window_.data(), back_.data(), back_.size() * 4);
  }

  // Bytes moved per frame (read + written).
  int64_t Bytes() const {
    int64_t n = int64_t(back_.size()) * 8;
    for (const Copy& c : copies_) n += int64_t(c.w) * c.h * 8;
    return n;
  }

 private:
  struct Copy {
    const uint32_t* src;
    int32_t stride;
    size_t dst;
    int32_t w, h;
  };

  // The part of a source bitmap placed at (x, y) that falls inside the view.
  void Add(const ConstPixelView& p, int32_t x, int32_t y) {
    if (!p.valid) return;
    const int32_t x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int32_t x1 = std::min(x + p.width, kViewW), y1 = std::min(y + p.height, kViewH);
    if (x1 <= x0 || y1 <= y0) return;
    copies_.push_back({p.pixels + size_t(y0 - y) * size_t(p.width) + size_t(x0 - x), p.width,
                       size_t(y0) * kViewW + size_t(x0), x1 - x0, y1 - y0});
  }

  HBITMAP background_{};
  std::vector<uint32_t> back_, window_;
  std::vector<Copy> copies_;
};

}  // namespace velbench
