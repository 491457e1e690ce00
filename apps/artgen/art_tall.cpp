// Tall tiles: a stone wall block with brick courses, a leafy tree, a pine and
// a bush, each standing on its own grass diamond so the ground shows around it.
#include <algorithm>
#include <cmath>
#include <vector>

#include "art.h"

namespace art {

namespace {

// The ground diamond at the bottom of a tall tile, darkened under a canopy.
void Ground(Canvas& c, double shadowRx, double shadowRy, double shadowCy) {
  const Canvas grass = GrassDiamond(5);
  const int oy = c.H - 24;
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 48; ++x) {
      if (!grass.Opaque(x, y)) continue;
      uint32_t col = grass.Get(x, y);
      const double dx = (x - 23.5) / shadowRx, dy = (y - shadowCy) / shadowRy;
      if (shadowRx > 0 && dx * dx + dy * dy < 1.0) col = Shade(col, 0.72);
      c.Set(x, oy + y, col);
    }
}

// A lit sphere cluster: each pixel takes the tone of the front-most ball
// covering it, shaded by that ball's surface normal against the light.
struct Ball {
  double x, y, r;
};

void Foliage(Canvas& c, const std::vector<Ball>& balls, const uint32_t tones[4], int seed) {
  for (int y = 0; y < c.H; ++y)
    for (int x = 0; x < c.W; ++x) {
      double best = -1;
      for (const Ball& b : balls) {
        const double dx = (x + 0.5 - b.x) / b.r, dy = (y + 0.5 - b.y) / b.r, d2 = dx * dx + dy * dy;
        if (d2 >= 1.0) continue;
        const double nz = std::sqrt(1.0 - d2);
        // Light from the upper left, a little toward the viewer.
        const double lit = std::clamp(-0.55 * dx - 0.65 * dy + 0.52 * nz, 0.0, 1.0);
        best = std::max(best, lit + 0.001 * b.y);
      }
      if (best < 0) continue;
      const double grain = (Noise(x, y, seed) - 0.5) * 0.35;
      const int tone = std::clamp(int((best + grain) * 4.0), 0, 3);
      c.Set(x, y, tones[tone]);
    }
}

}  // namespace

Canvas WallTile() {
  Canvas c(48, 48);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 48; ++x) {
      if (InDiamond(x, y, 0, 0)) {
        // Top: worn slabs with a little moss.
        const double n = Noise(x, y, 51);
        uint32_t col = n < 0.1 ? Rgb(104, 132, 74) : Rgb(160 + int(n * 12), 158 + int(n * 12), 164 + int(n * 10));
        if (!InDiamond(x + 1, y, 0, 0) || !InDiamond(x, y + 1, 0, 0)) col = Rgb(118, 116, 122);
        c.Set(x, y, col);
        continue;
      }
      const bool left = x < 24;
      const double edge = left ? 12 + x / 2.0 : 12 + (47 - x) / 2.0;  // the top diamond's lower edge
      const double down = y - edge;
      if (down < 0 || down >= 24) continue;
      // Brick courses 6 px high along the face's slope, joints staggered.
      const int course = int(down) / 6;
      const int along = left ? x : 47 - x;
      const bool joint = int(down) % 6 == 5 || (along + course * 5) % 12 == 0;
      const double n = Noise(along / 6 + course * 7, course, left ? 52 : 53);
      uint32_t brick = left ? Rgb(138 + int(n * 20), 130 + int(n * 16), 120 + int(n * 12))
                            : Rgb(96 + int(n * 14), 90 + int(n * 12), 88 + int(n * 10));
      if (joint) brick = left ? Rgb(92, 86, 80) : Rgb(62, 58, 56);
      if (down >= 22) brick = Shade(brick, 0.8);  // the foot of the wall
      c.Set(x, y, brick);
    }
  return c;
}

Canvas TreeTile() {
  Canvas c(48, 72);
  Ground(c, 17, 7, 12);
  // Trunk with bark, lit from the left.
  for (int y = 40; y <= 61; ++y)
    for (int x = 21; x <= 26; ++x) {
      const uint32_t bark = x <= 22 ? Rgb(128, 90, 56) : x >= 25 ? Rgb(76, 52, 32) : Rgb(104, 72, 42);
      c.Set(x, y, Noise(x, y / 2, 61) < 0.2 ? Shade(bark, 0.8) : bark);
    }
  c.Set(20, 61, Rgb(90, 62, 36));
  c.Set(27, 61, Rgb(70, 48, 30));
  const uint32_t tones[4] = {Rgb(30, 78, 38), Rgb(44, 108, 46), Rgb(68, 142, 58), Rgb(112, 180, 82)};
  Canvas leaves(48, 72);
  Foliage(leaves, {{24, 27, 15}, {14, 35, 10.5}, {34, 35, 10.5}, {24, 15, 10}, {24, 39, 10}, {17, 22, 8}, {31, 22, 8}},
          tones, 62);
  leaves.Outline(Rgb(22, 52, 28));
  c.Blit(leaves, 0, 0);
  return c;
}

Canvas PineTile() {
  Canvas c(48, 80);
  Ground(c, 14, 6, 12);
  for (int y = 56; y <= 69; ++y)
    for (int x = 22; x <= 25; ++x) c.Set(x, y, x <= 23 ? Rgb(116, 80, 50) : Rgb(78, 54, 34));
  // Three tiers of needles, each a triangle lit on its left.
  Canvas crown(48, 80);
  const int tiers[3][3] = {{4, 30, 10}, {18, 46, 15}, {32, 62, 19}};  // top, bottom, half width
  for (const auto& t : tiers)
    for (int y = t[0]; y <= t[1]; ++y) {
      const double f = double(y - t[0]) / (t[1] - t[0]);
      const int half = int(std::lround(2 + f * t[2]));
      for (int x = 24 - half; x < 24 + half; ++x) {
        const double side = double(x - 24) / half;  // -1 left .. 1 right
        const double n = Noise(x, y, 71) * 0.4;
        const double lit = 0.65 - side * 0.45 - (1 - f) * 0.1 + n - 0.2;
        const uint32_t tone = lit > 0.75 ? Rgb(86, 150, 90) : lit > 0.45 ? Rgb(48, 112, 66)
                            : lit > 0.2  ? Rgb(34, 86, 54) : Rgb(24, 62, 42);
        crown.Set(x, y, tone);
      }
    }
  crown.Outline(Rgb(16, 42, 30));
  c.Blit(crown, 0, 0);
  return c;
}

Canvas BushTile() {
  Canvas c(48, 40);
  Ground(c, 18, 6, 13);
  const uint32_t tones[4] = {Rgb(36, 86, 40), Rgb(52, 116, 48), Rgb(78, 150, 62), Rgb(124, 190, 90)};
  Canvas leaves(48, 40);
  Foliage(leaves, {{16, 26, 9}, {31, 26, 9}, {24, 21, 10}, {24, 29, 8}}, tones, 81);
  // A few red berries.
  for (const auto& b : {std::pair{18, 22}, std::pair{28, 19}, std::pair{24, 28}, std::pair{33, 26}})
    if (leaves.Opaque(b.first, b.second)) {
      leaves.Set(b.first, b.second, Rgb(210, 40, 48));
      leaves.Set(b.first, b.second - 1, Rgb(250, 120, 120));
    }
  leaves.Outline(Rgb(24, 56, 28));
  c.Blit(leaves, 0, 0);
  return c;
}

}  // namespace art
