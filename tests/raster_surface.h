// Test helper: a memory context holding a fresh bitmap, with pixel access.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "velscene/platform/raster/raster.h"

namespace vel::testing {

// A memory context holding a fresh bitmap; releases both.
struct Surface {
  HDC dc{};
  HBITMAP bmp{};
  HGDIOBJ old{};
  int w, h;
  Surface(int w_, int h_, bool mono = false) : w(w_), h(h_) {
    dc = CreateCompatibleDC(HDC{});
    bmp = CreateBitmap(w, h, 1, mono ? 1 : 32, nullptr);
    old = SelectObject(dc, bmp);
  }
  ~Surface() {
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bmp);
  }
  uint32_t& At(int x, int y) {
    PixelView v = LockPixels(bmp);
    return v.pixels[y * v.width + x];
  }
  void Fill(std::mt19937& rng, bool mono = false) {
    PixelView v = LockPixels(bmp);
    for (int i = 0; i < v.width * v.height; ++i)
      v.pixels[i] = mono ? ((rng() & 1) ? kPixelWhite : kPixelBlack) : (rng() & 0xFFFFFF);
  }
  std::vector<uint32_t> Copy() const {
    ConstPixelView v = ReadPixels(bmp);
    return std::vector<uint32_t>(v.pixels, v.pixels + v.width * v.height);
  }
  void Set(const std::vector<uint32_t>& p) {
    PixelView v = LockPixels(bmp);
    std::copy(p.begin(), p.end(), v.pixels);
  }
};

}  // namespace vel::testing
