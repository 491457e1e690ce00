// Canvas drawing helpers: colours, noise, rectangles, outlines, mirroring,
// the ground diamond and PNG output.
#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "velscene/platform/graphics/image_files.h"

namespace art {

uint32_t Rgb(int r, int g, int b) {
  r = std::clamp(r, 0, 255);
  g = std::clamp(g, 0, 255);
  b = std::clamp(b, 0, 255);
  const uint32_t c = (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
  return c == kKey ? 0xFE00FE : c;
}

uint32_t Shade(uint32_t c, double f) {
  return Rgb(int(std::lround(((c >> 16) & 0xFF) * f)), int(std::lround(((c >> 8) & 0xFF) * f)),
             int(std::lround((c & 0xFF) * f)));
}

uint32_t Mix(uint32_t a, uint32_t b, double t) {
  auto ch = [&](int s) {
    const double x = (a >> s) & 0xFF, y = (b >> s) & 0xFF;
    return int(std::lround(x + (y - x) * t));
  };
  return Rgb(ch(16), ch(8), ch(0));
}

double Noise(int x, int y, int seed) {
  uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + uint32_t(seed) * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return (h & 0xFFFFFF) / double(0x1000000);
}

void Canvas::FillRect(int x0, int y0, int x1, int y1, uint32_t c) {
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) Set(x, y, c);
}

void Canvas::Outline(uint32_t c) {
  const Canvas before = *this;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      if (!before.Opaque(x, y) && (before.Opaque(x - 1, y) || before.Opaque(x + 1, y) || before.Opaque(x, y - 1) ||
                                   before.Opaque(x, y + 1)))
        Set(x, y, c);
}

Canvas Canvas::Mirrored() const {
  Canvas m(W, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) m.Set(W - 1 - x, y, Get(x, y));
  return m;
}

void Canvas::Blit(const Canvas& src, int dx, int dy) {
  for (int y = 0; y < src.H; ++y)
    for (int x = 0; x < src.W; ++x)
      if (src.Opaque(x, y)) Set(dx + x, dy + y, src.Get(x, y));
}

void Canvas::Save(const std::string& path) const {
  if (Get(0, H - 1) != kKey) throw std::runtime_error(path + ": the bottom-left pixel must be the key colour");
  vel::SaveImageFile(path, Px.data(), W, H);
}

bool InDiamond(int x, int y, int ox, int oy) {
  const int r = y - oy, c = x - ox;
  if (r < 0 || r >= 24) return false;
  const int half = r < 12 ? 2 * (r + 1) : 2 * (24 - r);
  return c >= 24 - half && c < 24 + half;
}

}  // namespace art
