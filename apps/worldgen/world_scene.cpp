// The world as a scene file: the view, the demo's tiles, the map as a legend
// and one row string per map row, and the people: the hero on its round
// (the key figure), villagers, merchants and guards at home, ghosts drifting
// over the forests.
#include <sstream>

#include "world.h"

namespace world {

namespace {

// The walking people's scripts: four directions of four frames, each shown
// twice, then standing.
constexpr const char* kWalker =
    R"("Width": 32, "Height": 48, "CenterX": 16, "CenterY": 46, "Radius": 0.4, "Shadow": true, "ShadowRadius": 0.35,
     "scripts": [{"number": 1, "frames": [2, 2, 3, 3, 4, 4, 5, 5]}, {"number": 2, "frames": [7, 7, 8, 8, 9, 9, 10, 10]},
                 {"number": 3, "frames": [12, 12, 13, 13, 14, 14, 15, 15]}, {"number": 4, "frames": [17, 17, 18, 18, 19, 19, 20, 20]},
                 {"number": 5, "frames": [1]}],
     "play": {"script": 5, "loop": true}, "walk": {"SE": 1, "SW": 2, "NE": 3, "NW": 4, "idle": 5})";

constexpr const char* kLetPass = R"(, "Passable": true)";

struct Legend {
  char c;
  int tile;
  bool passable;
};
constexpr Legend kLegend[] = {
    {kGrass, 1, true},  {kGrass2, 2, true}, {kFlowers, 3, true}, {kPath, 4, true},  {kWater, 5, false}, {kBridge, 6, true},
    {kStone, 7, true},  {kWall, 10, false}, {kTree, 11, false},  {kPine, 12, false}, {kBush, 13, false},
};
constexpr const char* kTiles[][2] = {{"1", "grass"},  {"2", "grass2"}, {"3", "flowers"}, {"4", "path"},
                                     {"5", "water"},  {"6", "bridge"}, {"7", "stone"},   {"10", "wall"},
                                     {"11", "tree"},  {"12", "pine"},  {"13", "bush"}};

std::string Waypoints(const std::vector<Point>& points) {
  std::ostringstream out;
  for (size_t k = 0; k < points.size(); ++k) out << (k ? ", " : "") << "[" << points[k].x << ", " << points[k].y << ", 0]";
  return out.str();
}

void Walker(std::ostringstream& out, const std::string& name, const std::string& sheet, Point at, double speed,
            const std::vector<Point>& route, const std::string& extra = "") {
  out << ",\n    {\"name\": \"" << name << "\", \"X\": " << at.x << ", \"Y\": " << at.y << ", \"Speed\": " << speed << ", "
      << kWalker << ",\n     \"frames\": {\"sheet\": \"" << sheet << "\", \"width\": 32, \"height\": 48}" << extra;
  if (!route.empty()) out << ",\n     \"route\": {\"waypoints\": [" << Waypoints(route) << "], \"loop\": true, \"retries\": 1000000}";
  out << "}";
}

}  // namespace

std::string SceneJson(const World& w, const std::string& artDir) {
  std::ostringstream out;
  out << "{\n  \"view\": {\"width\": 800, \"height\": 480, \"interval\": 60, \"color\": \"#1c2430\"},\n  \"tiles\": [";
  for (size_t k = 0; k < std::size(kTiles); ++k)
    out << (k ? ",\n    " : "\n    ") << "{\"number\": " << kTiles[k][0] << ", \"image\": \"" << artDir << "/" << kTiles[k][1]
        << ".png\"}";
  out << "\n  ],\n  \"map\": {\n    \"width\": " << w.side << ", \"height\": " << w.side << ",\n    \"legend\": {";
  for (size_t k = 0; k < std::size(kLegend); ++k)
    out << (k ? ", " : "") << "\"" << kLegend[k].c << "\": "
        << (kLegend[k].passable ? std::to_string(kLegend[k].tile)
                                : "{\"tile\": " + std::to_string(kLegend[k].tile) + ", \"passable\": false}");
  out << "},\n    \"rows\": [";
  for (size_t y = 0; y < w.rows.size(); ++y) out << (y ? ",\n      \"" : "\n      \"") << w.rows[y] << "\"";
  out << "\n    ]\n  },\n  \"figures\": [";

  // The hero walks the round from the first village.
  const Point start = w.round.front();
  out << "\n    {\"name\": \"hero\", \"X\": " << start.x << ", \"Y\": " << start.y << ", \"Speed\": 0.25, " << kWalker
      << ",\n     \"frames\": {\"sheet\": \"" << artDir << "/hero.png\", \"width\": 32, \"height\": 48},"
      << "\n     \"route\": {\"waypoints\": [" << Waypoints(std::vector<Point>(w.round.begin() + 1, w.round.end()))
      << ", [" << start.x << ", " << start.y << ", 0]], \"loop\": true, \"retries\": 1000000}}";

  // Villagers walk beside the hero's lanes (row y + 1, column x + 1), a guard
  // round the square's edge in every other village, a merchant stands off
  // the lanes. The walkers let others pass (Passable), so that no two of them
  // keep stopping each other where their ways cross the hero's.
  for (size_t k = 0; k < w.villages.size(); ++k) {
    const Point c = w.villages[k];
    const std::string n = std::to_string(k);
    Walker(out, "villager" + n, artDir + (k % 2 ? "/villager2.png" : "/villager.png"), {c.x - 5, c.y + 1}, 0.12,
           {{c.x + 5, c.y + 1}, {c.x - 5, c.y + 1}}, kLetPass);
    Walker(out, "farmer" + n, artDir + (k % 2 ? "/villager.png" : "/villager2.png"), {c.x + 1, c.y - 5}, 0.1,
           {{c.x + 1, c.y + 5}, {c.x + 1, c.y - 5}}, kLetPass);
    if (k % 2 == 0)
      Walker(out, "guard" + n, artDir + "/guard.png", {c.x - 6, c.y - 6}, 0.08,
             {{c.x + 6, c.y - 6}, {c.x + 6, c.y + 6}, {c.x - 6, c.y + 6}, {c.x - 6, c.y - 6}}, kLetPass);
    out << ",\n    {\"name\": \"merchant" << n << "\", \"X\": " << c.x - 2 << ", \"Y\": " << c.y + 2
        << ", \"Width\": 32, \"Height\": 48, \"CenterX\": 16, \"CenterY\": 46, \"Radius\": 0.4, \"Shadow\": true,"
           " \"ShadowRadius\": 0.35, \"AutoHighlight\": true, \"HighlightColor\": \"#ffe040\","
           "\n     \"frames\": {\"sheet\": \""
        << artDir << "/merchant.png\", \"width\": 32, \"height\": 48},"
        << " \"scripts\": [{\"number\": 1, \"frames\": [1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2]}],"
           " \"play\": {\"script\": 1, \"loop\": true}}";
  }
  // Ghosts drift from village to village straight over everything.
  for (size_t k = 0; k + 1 < w.villages.size(); k += 2) {
    const Point a = w.villages[k], b = w.villages[k + 1];
    out << ",\n    {\"name\": \"ghost" << k / 2 << "\", \"X\": " << a.x + 3 << ", \"Y\": " << a.y - 3
        << ", \"Z\": 0.6, \"Width\": 32, \"Height\": 40, \"CenterX\": 16, \"CenterY\": 38, \"Speed\": 0.07,"
           " \"Passable\": true, \"Transparent\": true, \"Shadow\": true, \"ShadowRadius\": 0.3,"
           "\n     \"frames\": {\"sheet\": \""
        << artDir << "/ghost.png\", \"width\": 32, \"height\": 40},"
        << " \"scripts\": [{\"number\": 1, \"frames\": [1, 1, 2, 2, 3, 3, 4, 4]}], \"play\": {\"script\": 1, \"loop\": true},"
        << "\n     \"route\": {\"waypoints\": [[" << b.x - 3 << ", " << b.y + 3 << ", 0.6], [" << a.x + 3 << ", " << a.y - 3
        << ", 0.6]], \"loop\": true}}";
  }
  out << "\n  ],\n  \"key\": \"hero\"\n}\n";
  return out.str();
}

}  // namespace world
