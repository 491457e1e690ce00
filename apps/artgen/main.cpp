// artgen: draws the demo scene's tiles and figure sheets and writes them as
// PNG files (usage: artgen [OUTPUT_DIR], default scenes/demo/art).
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "art.h"

int main(int argc, char** argv) {
  using namespace art;
  const std::filesystem::path out = argc > 1 ? argv[1] : "scenes/demo/art";
  try {
    std::filesystem::create_directories(out);
    auto save = [&](const Canvas& c, const char* name) {
      c.Save((out / name).string());
      std::printf("%s\n", (out / name).string().c_str());
    };
    save(GrassTile(1), "grass.png");
    save(GrassTile(2), "grass2.png");
    save(FlowerTile(), "flowers.png");
    save(PathTile(), "path.png");
    save(WaterTile(), "water.png");
    save(BridgeTile(), "bridge.png");
    save(StoneTile(), "stone.png");
    save(WallTile(), "wall.png");
    save(TreeTile(), "tree.png");
    save(PineTile(), "pine.png");
    save(BushTile(), "bush.png");

    const uint32_t skin = Rgb(238, 196, 160), tan = Rgb(196, 146, 108);
    save(PersonSheet({skin, Rgb(120, 72, 40), Rgb(56, 96, 196), Rgb(70, 60, 80), Rgb(90, 56, 36), Rgb(200, 50, 50), true}),
         "hero.png");
    save(PersonSheet({skin, Rgb(236, 204, 96), Rgb(70, 150, 80), Rgb(120, 96, 70), Rgb(70, 50, 36), Rgb(150, 110, 60)}),
         "villager.png");
    save(PersonSheet({tan, Rgb(40, 32, 36), Rgb(210, 140, 60), Rgb(90, 80, 110), Rgb(60, 44, 40), Rgb(130, 50, 130)}),
         "villager2.png");
    save(PersonSheet({skin, Rgb(60, 50, 40), Rgb(150, 150, 160), Rgb(80, 80, 96), Rgb(50, 50, 60), Rgb(170, 170, 184),
                      false, true}),
         "guard.png");
    save(PersonIdleSheet({tan, Rgb(230, 230, 236), Rgb(130, 60, 150), Rgb(90, 70, 60), Rgb(60, 44, 36), Rgb(230, 190, 70)}),
         "merchant.png");
    save(GhostSheet(), "ghost.png");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "artgen: %s\n", e.what());
    return 1;
  }
  return 0;
}
