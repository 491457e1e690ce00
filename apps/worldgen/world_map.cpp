// The world's map: value noise for meadows and forests, meandering rivers,
// villages of stone squares with wall houses, and two-lane roads between the
// villages in a round (bridges where they cross water).
#include <algorithm>
#include <cmath>
#include <random>

#include "world.h"

namespace world {

namespace {

// A value in [0, 1) for lattice point (x, y), the same on every platform.
double Hash(int32_t x, int32_t y, uint32_t seed) {
  uint64_t h = uint64_t(uint32_t(x)) * 0x9E3779B97F4A7C15ull ^ uint64_t(uint32_t(y)) * 0xC2B2AE3D27D4EB4Full ^ seed;
  h ^= h >> 29;
  h *= 0xBF58476D1CE4E5B9ull;
  h ^= h >> 32;
  return double(h >> 11) / double(uint64_t(1) << 53);
}

// Smooth value noise with lattice spacing `scale`.
double Noise(double x, double y, double scale, uint32_t seed) {
  const double fx = x / scale, fy = y / scale;
  const int32_t ix = int32_t(std::floor(fx)), iy = int32_t(std::floor(fy));
  auto smooth = [](double t) { return t * t * (3 - 2 * t); };
  const double tx = smooth(fx - ix), ty = smooth(fy - iy);
  const double a = Hash(ix, iy, seed), b = Hash(ix + 1, iy, seed);
  const double c = Hash(ix, iy + 1, seed), d = Hash(ix + 1, iy + 1, seed);
  return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

// Rolls in [0, n) from the generator's raw output (no library distribution,
// whose results differ between standard libraries).
uint32_t Roll(std::mt19937& rng, uint32_t n) { return rng() % n; }

void Terrain(World& w, uint32_t seed) {
  for (int32_t y = 0; y < w.side; ++y)
    for (int32_t x = 0; x < w.side; ++x) {
      const double forest = Noise(x, y, 40, seed) * 0.7 + Noise(x, y, 9, seed + 1) * 0.3;
      const double h = Hash(x, y, seed + 2), kind = Noise(x, y, 14, seed + 3);
      char c = Noise(x, y, 6, seed + 4) < 0.5 ? kGrass : kGrass2;
      if (forest > 0.6) {
        if (h < 0.5) c = kind < 0.5 ? kTree : kPine;
        else if (h < 0.56) c = kBush;
      } else if (h < 0.03) {
        c = kFlowers;
      } else if (h < 0.04) {
        c = kind < 0.5 ? kTree : kBush;
      }
      w.At(x, y) = c;
    }
}

// A river from the top or left edge, turning a little at every step, three
// cells wide, until it leaves the map.
void River(World& w, std::mt19937& rng) {
  const bool fromTop = Roll(rng, 2) == 0;
  double x = fromTop ? 40 + Roll(rng, uint32_t(w.side - 80)) : 0;
  double y = fromTop ? 0 : 40 + Roll(rng, uint32_t(w.side - 80));
  double angle = fromTop ? 1.57 : 0.0, turn = 0;
  const double base = angle;
  for (int step = 0; step < 8 * w.side; ++step) {
    for (int32_t dy = -1; dy <= 1; ++dy)
      for (int32_t dx = -1; dx <= 1; ++dx) {
        const int32_t cx = int32_t(x) + dx, cy = int32_t(y) + dy;
        if (w.Inside(cx, cy)) w.At(cx, cy) = kWater;
      }
    turn = std::clamp(turn + (double(Roll(rng, 1001)) / 1000.0 - 0.5) * 0.08, -0.12, 0.12);
    angle = std::clamp(angle + turn, base - 0.9, base + 0.9);
    x += std::cos(angle);
    y += std::sin(angle);
    if (x < -2 || y < -2 || x > w.side + 1 || y > w.side + 1) break;
  }
}

bool NearWater(const World& w, Point c, int32_t r) {
  for (int32_t y = c.y - r; y <= c.y + r; ++y)
    for (int32_t x = c.x - r; x <= c.x + r; ++x)
      if (!w.Inside(x, y) || w.rows[size_t(y)][size_t(x)] == kWater) return true;
  return false;
}

// A stone square of 13 x 13 cells with a house of walls in each corner,
// leaving the cross through the centre (rows y, y + 1 and columns x, x + 1)
// free for the roads and people; bushes round about.
void Village(World& w, Point c, std::mt19937& rng) {
  for (int32_t y = c.y - 8; y <= c.y + 8; ++y)
    for (int32_t x = c.x - 8; x <= c.x + 8; ++x) {
      const bool square = std::abs(x - c.x) <= 6 && std::abs(y - c.y) <= 6;
      if (square) w.At(x, y) = kStone;
      else if (Roll(rng, 6) == 0) w.At(x, y) = kBush;
      else w.At(x, y) = kGrass;
    }
  const Point corners[] = {{-5, -5}, {3, -5}, {-5, 4}, {3, 3}};
  for (const Point& k : corners) {
    const int32_t hw = 2 + int32_t(Roll(rng, 2)), hh = 2 + int32_t(Roll(rng, 2));
    for (int32_t y = 0; y < hh; ++y)
      for (int32_t x = 0; x < hw; ++x) w.At(c.x + k.x + x, c.y + k.y + y) = kWall;
  }
}

// A two-lane road cell: bridges over water, path elsewhere.
void Road(World& w, int32_t x, int32_t y) {
  if (!w.Inside(x, y)) return;
  char& c = w.At(x, y);
  c = (c == kWater || c == kBridge) ? kBridge : (c == kStone ? kStone : kPath);
}

// From a along its row to b's column, then down or up that column to b.
void RoadBetween(World& w, Point a, Point b) {
  for (int32_t x = std::min(a.x, b.x); x <= std::max(a.x, b.x) + 1; ++x) {
    Road(w, x, a.y);
    Road(w, x, a.y + 1);
  }
  for (int32_t y = std::min(a.y, b.y); y <= std::max(a.y, b.y) + 1; ++y) {
    Road(w, b.x, y);
    Road(w, b.x + 1, y);
  }
}

}  // namespace

World MakeWorld(int32_t side, uint32_t seed) {
  World w;
  w.side = side;
  w.rows.assign(size_t(side), std::string(size_t(side), kGrass));
  std::mt19937 rng(seed);
  Terrain(w, seed);
  for (int r = 0; r < 3; ++r) River(w, rng);

  // Villages away from the edges, the water and each other.
  const int32_t want = std::max(4, side / 50), spacing = side / 6;
  std::vector<Point> found;
  for (int tries = 0; tries < 20000 && int32_t(found.size()) < want; ++tries) {
    const Point c{20 + int32_t(Roll(rng, uint32_t(side - 40))), 20 + int32_t(Roll(rng, uint32_t(side - 40)))};
    bool apart = !NearWater(w, c, 10);
    for (const Point& o : found) apart = apart && std::hypot(c.x - o.x, c.y - o.y) >= spacing;
    if (apart) found.push_back(c);
  }
  for (const Point& c : found) Village(w, c, rng);

  // The round: nearest village next, from the first, back to the first.
  std::vector<bool> seen(found.size());
  size_t at = 0;
  seen[0] = true;
  w.villages.push_back(found[0]);
  for (size_t k = 1; k < found.size(); ++k) {
    size_t best = 0;
    double bestD = 1e300;
    for (size_t j = 0; j < found.size(); ++j) {
      const double d = std::hypot(found[j].x - found[at].x, found[j].y - found[at].y);
      if (!seen[j] && d < bestD) bestD = d, best = j;
    }
    seen[best] = true;
    at = best;
    w.villages.push_back(found[best]);
  }
  for (size_t k = 0; k < w.villages.size(); ++k) {
    const Point a = w.villages[k], b = w.villages[(k + 1) % w.villages.size()];
    RoadBetween(w, a, b);
    w.round.push_back(a);
    w.round.push_back({b.x, a.y});
  }
  return w;
}

}  // namespace world
