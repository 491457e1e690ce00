// Canvas: a small 0x00RRGGBB pixel grid for drawing sprite art, filled with
// the magenta key colour that the scene treats as transparent.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace art {

constexpr uint32_t kKey = 0xFF00FF;

// A colour from components, clamped, never equal to the key colour.
uint32_t Rgb(int r, int g, int b);
// Brighter (f > 1) or darker (f < 1).
uint32_t Shade(uint32_t c, double f);
// a at t = 0, b at t = 1.
uint32_t Mix(uint32_t a, uint32_t b, double t);
// A repeatable pseudo-random value in [0, 1) for a pixel and a seed.
double Noise(int x, int y, int seed);

class Canvas {
 public:
  Canvas(int w, int h) : W(w), H(h), Px(size_t(w) * size_t(h), kKey) {}
  int W, H;
  std::vector<uint32_t> Px;

  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < W && y < H; }
  void Set(int x, int y, uint32_t c) {
    if (Inside(x, y)) Px[size_t(y) * size_t(W) + size_t(x)] = c;
  }
  uint32_t Get(int x, int y) const { return Inside(x, y) ? Px[size_t(y) * size_t(W) + size_t(x)] : kKey; }
  bool Opaque(int x, int y) const { return Get(x, y) != kKey; }

  void FillRect(int x0, int y0, int x1, int y1, uint32_t c);  // inclusive corners
  // Every key pixel next to (4-neighbour) an opaque one becomes `c`.
  void Outline(uint32_t c);
  Canvas Mirrored() const;
  // Copies the opaque pixels of `src` with its top-left at (dx, dy).
  void Blit(const Canvas& src, int dx, int dy);
  // Writes a PNG; fails (throws) unless the bottom-left pixel is the key.
  void Save(const std::string& path) const;
};

// Whether (x, y) lies in the 48 x 24 ground diamond whose top-left is (ox, oy).
bool InDiamond(int x, int y, int ox, int oy);

}  // namespace art
