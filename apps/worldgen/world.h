// worldgen's world: a square grid of legend characters (grass, forests,
// rivers, villages, roads) made from a seed, the villages, and the hero's
// round along the roads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace world {

// One character per cell; the scene's legend gives each its tile.
enum Cell : char {
  kGrass = 'g',
  kGrass2 = 'h',
  kFlowers = 'f',
  kPath = 'p',
  kWater = '~',
  kBridge = '=',
  kStone = 's',
  kWall = 'W',
  kTree = 'T',
  kPine = 'P',
  kBush = 'B',
};

struct Point {
  int32_t x = 0, y = 0;
};

struct World {
  int32_t side = 0;
  std::vector<std::string> rows;  // rows[y][x]
  std::vector<Point> villages;    // centres, in the order the hero visits them
  std::vector<Point> round;       // the hero's waypoints (a loop), village 0 first

  char& At(int32_t x, int32_t y) { return rows[size_t(y)][size_t(x)]; }
  bool Inside(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < side && y < side; }
};

// Terrain, rivers, villages and the roads between them, all from the seed.
World MakeWorld(int32_t side, uint32_t seed);

// The scene file: legend and rows, the demo's tiles and people (art paths
// relative to the scene file), the hero on its round as the key figure and
// the villagers at home.
std::string SceneJson(const World& w, const std::string& artDir);

}  // namespace world
