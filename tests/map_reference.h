// A plain per-pixel renderer of a bound map for the view tests, at any cell
// width: the background (brush, then every tile in cell order, clipped to
// the background's rectangle) and tall tiles drawn over it in a given order.
// A keyed tile's pixel is opaque when it differs from the tile's bottom-left
// pixel; a tile with alpha is composited (premultiplied source over).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "velscene/map.h"
#include "velscene/platform/graphics/graphics.h"

namespace vel::testing {

constexpr uint32_t kKeyPixel = 0xFF00FF;

// A sprite of random colours with about a third of its pixels transparent.
inline void RandomTile(std::mt19937& rng, TBitmap& b, int w, int h) {
  b.SetSize(w, h);
  PixelView v = LockPixels(b.Handle());
  for (int i = 0; i < w * h; ++i) v.pixels[i] = rng() % 3 == 0 ? kKeyPixel : (rng() & 0xFFFFFF) | 0x010000;
  v.pixels[(h - 1) * w] = kKeyPixel;
  TouchBitmap(b.Handle());
}

// A tile with random straight alpha: a third clear, a third opaque, the rest
// in between.
inline void RandomSoftTile(std::mt19937& rng, TBitmap& b, int w, int h) {
  b.SetSize(w, h);
  PixelView v = LockPixels(b.Handle());
  for (int i = 0; i < w * h; ++i) {
    const uint32_t k = rng() % 3, a = k == 0 ? 0 : k == 1 ? 255 : rng() % 256;
    v.pixels[i] = (a << 24) | (rng() & 0xFFFFFF);
  }
  TouchBitmap(b.Handle());
  b.SetAlphaFormat(afDefined);
}

class MapReference {
 public:
  // Copies the map's tiles and cells as they are now, for cells W pixels wide.
  explicit MapReference(const TAniMap& map, int cellWidth = 48) : w_(map.Width()), h_(map.Height()), cw_(cellWidth) {
    for (int t = 1; t <= 255; ++t)
      if (TBitmap* b = map.Tile(t)) {
        const ConstPixelView v = ReadPixels(b->Handle());
        tiles_[t] = {v.width, v.height, std::vector<uint32_t>(v.pixels, v.pixels + size_t(v.width) * v.height),
                     b->AlphaFormat() == afDefined};
      }
    cells_.resize(size_t(w_) * h_);
    for (uint32_t y = 0; y < h_; ++y)
      for (uint32_t x = 0; x < w_; ++x) cells_[size_t(y) * w_ + x] = map.GetGridTile(int32_t(x), int32_t(y));
  }

  // n x W / 4 to the nearest pixel, ties to even.
  int64_t Quarter(int64_t n) const { return int64_t(std::nearbyint(double(n) * cw_ / 4.0)); }
  int OriginX() const { return int(std::max<int64_t>(int64_t(h_) - 1, 0) * (cw_ / 2)); }
  int OriginY() const {
    int m = cw_ / 2 - 1;
    for (const Tile& t : tiles_) m = std::max(m, t.h);
    return m + 2 * cw_;
  }
  int64_t Width() const { return (int64_t(w_) + h_) * (cw_ / 2); }
  int64_t Height() const { return Quarter(int64_t(w_) + h_) + OriginY() - (cw_ / 2 - 1); }
  bool Tall(uint32_t x, uint32_t y) const { return x >= 1 && y >= 1 && tiles_[Cell(x, y)].h >= cw_ / 2; }
  uint8_t Cell(uint32_t x, uint32_t y) const { return cells_[size_t(y) * w_ + x]; }
  uint32_t MapWidth() const { return w_; }
  uint32_t MapHeight() const { return h_; }

  // Tall cells (x, y) in list order with unlimited slots and no figures:
  // by depth, then in cell order.
  std::vector<std::pair<uint32_t, uint32_t>> TallInListOrder() const {
    std::vector<std::pair<uint32_t, uint32_t>> out;
    for (uint32_t y = 0; y < h_; ++y)
      for (uint32_t x = 0; x < w_; ++x)
        if (Tall(x, y)) out.push_back({x, y});
    std::stable_sort(out.begin(), out.end(), [](auto a, auto b) { return a.first + a.second < b.first + b.second; });
    return out;
  }

  // A W x H frame cleared to the brush with the background at (sx, sy);
  // tall tiles go into the background too when tallInBackground.
  std::vector<uint32_t> Frame(int W, int H, int sx, int sy, uint32_t brush, bool tallInBackground) const {
    std::vector<uint32_t> f(size_t(W) * H, brush);
    const int64_t bw = Width(), bh = Height();
    for (uint32_t y = 0; y < h_; ++y)
      for (uint32_t x = 0; x < w_; ++x) {
        if (Cell(x, y) == 0 || (!tallInBackground && Tall(x, y))) continue;
        Draw(f, W, H, x, y, sx, sy, 0, 0, bw, bh);
      }
    return f;
  }

  // One tile of cell (x, y) into frame f at scroll (sx, sy), only where it
  // falls inside [l, r) x [t, b) of the background.
  void Draw(std::vector<uint32_t>& f, int W, int H, uint32_t x, uint32_t y, int sx, int sy, int64_t l = INT32_MIN,
            int64_t t = INT32_MIN, int64_t r = INT32_MAX, int64_t b = INT32_MAX) const {
    const Tile& tile = tiles_[Cell(x, y)];
    if (tile.w == 0 || tile.h == 0) return;
    const int64_t left = (int64_t(x) - y) * (cw_ / 2) + OriginX(), top = Quarter(int64_t(x) + y) + OriginY() - tile.h;
    if (left + sx >= W || top + sy >= H || left + tile.w + sx <= 0 || top + tile.h + sy <= 0) return;
    const uint32_t key = tile.px[size_t(tile.h - 1) * tile.w];
    for (int j = 0; j < tile.h; ++j)
      for (int i = 0; i < tile.w; ++i) {
        const int64_t bx = left + i, by = top + j, fx = bx + sx, fy = by + sy;
        if (bx < l || bx >= r || by < t || by >= b || fx < 0 || fy < 0 || fx >= W || fy >= H) continue;
        const uint32_t p = tile.px[size_t(j) * tile.w + i];
        uint32_t& d = f[size_t(fy) * W + size_t(fx)];
        if (tile.soft) d = Over(d, p);
        else if (p != key) d = p;
      }
  }

 private:
  struct Tile {
    int w = 0, h = 0;
    std::vector<uint32_t> px;
    bool soft = false;  // straight alpha in use
  };
  // Straight source p premultiplied, round(c x a / 255), then over d:
  // min(255, s + round(d x (255 - a) / 255)) per colour channel, top byte 0.
  static uint32_t Over(uint32_t d, uint32_t p) {
    const uint32_t a = p >> 24;
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      const uint32_t s = (((p >> shift) & 0xFF) * a * 2 + 255) / 510, dc = (d >> shift) & 0xFF;
      out |= std::min<uint32_t>(255, s + (dc * (255 - a) * 2 + 255) / 510) << shift;
    }
    return out;
  }
  uint32_t w_, h_;
  int cw_;
  Tile tiles_[256];
  std::vector<uint8_t> cells_;
};

}  // namespace vel::testing
