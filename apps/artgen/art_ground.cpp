// Ground tiles: grass, flowers, dirt path, water, bridge planks and stone
// paving, each a 48 x 24 diamond with texture and a soft top-left light.
#include <cmath>

#include "art.h"

namespace art {

namespace {

// Light falls from the upper left: a gentle gradient over the diamond, and a
// one-pixel bevel (light upper-left edges, dark lower-right edges).
double Light(int x, int y) { return 1.06 - 0.12 * ((x / 48.0) * 0.4 + (y / 24.0) * 0.6); }

bool LowerRightEdge(int x, int y) { return InDiamond(x, y, 0, 0) && (!InDiamond(x + 1, y, 0, 0) || !InDiamond(x, y + 1, 0, 0)); }
bool UpperLeftEdge(int x, int y) { return InDiamond(x, y, 0, 0) && (!InDiamond(x - 1, y, 0, 0) || !InDiamond(x, y - 1, 0, 0)); }

template <class F>
Canvas Diamond(F colourAt, double bevel) {
  Canvas c(48, 24);
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 48; ++x) {
      if (!InDiamond(x, y, 0, 0)) continue;
      uint32_t col = Shade(colourAt(x, y), Light(x, y));
      if (bevel > 0 && LowerRightEdge(x, y)) col = Shade(col, 1.0 - bevel);
      if (bevel > 0 && UpperLeftEdge(x, y)) col = Shade(col, 1.0 + bevel * 0.7);
      c.Set(x, y, col);
    }
  return c;
}

uint32_t GrassAt(int x, int y, int seed) {
  const double n = Noise(x, y, seed);
  // Short blades: a dark pixel with a light one above it.
  const double blade = Noise(x, y / 3, seed + 7);
  if (blade > 0.93) return Rgb(52, 104, 40);
  if (blade < 0.05) return Rgb(120, 184, 84);
  if (n < 0.18) return Rgb(64, 124, 50);
  if (n < 0.78) return Rgb(76, 142, 58);
  return Rgb(88, 156, 64);
}

// The flat tile: the diamond without its top row.
Canvas Flat(const Canvas& diamond) {
  Canvas c(48, 23);
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 48; ++x) c.Set(x, y, diamond.Get(x, y + 1));
  return c;
}

}  // namespace

Canvas GrassDiamond(int seed) {
  return Diamond([seed](int x, int y) { return GrassAt(x, y, seed); }, 0.04);
}

Canvas GrassTile(int seed) { return Flat(GrassDiamond(seed)); }

Canvas FlowerTile() {
  Canvas c = GrassDiamond(3);
  const uint32_t petals[] = {Rgb(236, 84, 84), Rgb(250, 226, 90), Rgb(244, 244, 250), Rgb(170, 120, 240)};
  const int spots[][2] = {{14, 9}, {24, 5}, {31, 13}, {20, 15}, {36, 10}, {10, 12}, {27, 18}, {17, 6}};
  int i = 0;
  for (const auto& s : spots) {
    const uint32_t p = petals[i++ % 4];
    for (const auto& d : {std::pair{0, -1}, std::pair{-1, 0}, std::pair{1, 0}, std::pair{0, 1}})
      if (InDiamond(s[0] + d.first, s[1] + d.second, 0, 0)) c.Set(s[0] + d.first, s[1] + d.second, p);
    c.Set(s[0], s[1], Rgb(250, 200, 60));
  }
  return Flat(c);
}

Canvas PathTile() {
  return Flat(Diamond(
      [](int x, int y) {
        const double n = Noise(x, y, 11);
        const double pebble = Noise(x / 2, y, 12);
        if (pebble > 0.965) return Rgb(128, 116, 104);
        if (pebble > 0.95) return Rgb(206, 190, 160);
        if (n < 0.25) return Rgb(158, 126, 84);
        if (n < 0.8) return Rgb(176, 144, 98);
        return Rgb(190, 160, 112);
      },
      0.05));
}

Canvas WaterTile() {
  return Flat(Diamond(
      [](int x, int y) {
        // Ripples: short light streaks along the rows, deeper blue toward the bottom.
        const double ripple = Noise(x / 5, y, 21);
        const double depth = y / 24.0;
        const uint32_t base = Mix(Rgb(54, 112, 188), Rgb(34, 78, 150), depth);
        if (ripple > 0.9 && (x + y) % 2 == 0) return Rgb(150, 196, 238);
        if (ripple > 0.82) return Shade(base, 1.18);
        return Noise(x, y, 22) < 0.2 ? Shade(base, 0.92) : base;
      },
      0.0));
}

Canvas BridgeTile() {
  return Flat(Diamond(
      [](int x, int y) {
        // Planks across the X axis: gaps along lines of constant x/2 + y.
        const int u = (x / 2 + y) % 8;
        if (u == 0) return Rgb(70, 44, 26);
        const uint32_t wood = (x / 2 + y) / 8 % 2 ? Rgb(150, 102, 60) : Rgb(138, 92, 54);
        return Noise(x, y, 31) < 0.15 ? Shade(wood, 0.85) : wood;
      },
      0.1));
}

Canvas StoneTile() {
  return Flat(Diamond(
      [](int x, int y) {
        const int a = (x / 2 + y), b = (x / 2 - y + 64);
        if (a % 8 == 0 || b % 8 == 0) return Rgb(84, 84, 92);
        const double cobble = Noise(a / 8, b / 8, 41);
        const uint32_t base = Rgb(130 + int(cobble * 24), 128 + int(cobble * 22), 136 + int(cobble * 18));
        return Noise(x, y, 42) < 0.12 ? Shade(base, 0.9) : base;
      },
      0.06));
}

}  // namespace art
