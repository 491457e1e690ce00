// worldgen: generates the world scene, a large map of meadows, forests,
// rivers, villages and roads drawn with the demo's art, with a hero walking
// a round of the villages (usage: worldgen [OUTPUT.json] [--side N]
// [--seed S] [--art DIR]; by default scenes/world/world.json, 512 cells a
// side, art from ../demo/art relative to the scene file).
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "world.h"

int main(int argc, char** argv) {
  std::string out = "scenes/world/world.json", art = "../demo/art";
  int32_t side = 512;
  uint32_t seed = 2024;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if ((a == "--side" || a == "--seed" || a == "--art") && i + 1 < argc) {
      const std::string v = argv[++i];
      if (a == "--side") side = std::atoi(v.c_str());
      else if (a == "--seed") seed = uint32_t(std::strtoul(v.c_str(), nullptr, 10));
      else art = v;
    } else {
      out = a;
    }
  }
  if (side < 64 || side > 4096) {
    std::fprintf(stderr, "worldgen: --side must be from 64 to 4096\n");
    return 2;
  }
  try {
    const world::World w = world::MakeWorld(side, seed);
    const std::filesystem::path path(out);
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << world::SceneJson(w, art);
    if (!file.flush()) throw std::runtime_error(out + ": cannot write");
    std::printf("%s: %d x %d cells, %zu villages\n", out.c_str(), side, side, w.villages.size());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "worldgen: %s\n", e.what());
    return 1;
  }
  return 0;
}
