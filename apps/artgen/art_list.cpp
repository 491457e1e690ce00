// The demo's pictures in one list: names, pictures and anchors.
#include "art.h"

namespace art {

std::vector<Piece> DemoArt() {
  const uint32_t skin = Rgb(238, 196, 160), tan = Rgb(196, 146, 108);
  auto person = [](const char* name, Canvas c) { return Piece{Piece::Sheet, name, std::move(c), 32, 48, 16, 46}; };
  std::vector<Piece> art;
  art.push_back({Piece::Flat, "grass.png", GrassTile(1)});
  art.push_back({Piece::Flat, "grass2.png", GrassTile(2)});
  art.push_back({Piece::Flat, "flowers.png", FlowerTile()});
  art.push_back({Piece::Flat, "path.png", PathTile()});
  art.push_back({Piece::Flat, "water.png", WaterTile()});
  art.push_back({Piece::Flat, "bridge.png", BridgeTile()});
  art.push_back({Piece::Flat, "stone.png", StoneTile()});
  art.push_back({Piece::Tall, "wall.png", WallTile()});
  art.push_back({Piece::Tall, "tree.png", TreeTile()});
  art.push_back({Piece::Tall, "pine.png", PineTile()});
  art.push_back({Piece::Tall, "bush.png", BushTile()});
  art.push_back(person("hero.png", PersonSheet({skin, Rgb(120, 72, 40), Rgb(56, 96, 196), Rgb(70, 60, 80),
                                                Rgb(90, 56, 36), Rgb(200, 50, 50), true})));
  art.push_back(person("villager.png", PersonSheet({skin, Rgb(236, 204, 96), Rgb(70, 150, 80), Rgb(120, 96, 70),
                                                    Rgb(70, 50, 36), Rgb(150, 110, 60)})));
  art.push_back(person("villager2.png", PersonSheet({tan, Rgb(40, 32, 36), Rgb(210, 140, 60), Rgb(90, 80, 110),
                                                     Rgb(60, 44, 40), Rgb(130, 50, 130)})));
  art.push_back(person("guard.png", PersonSheet({skin, Rgb(60, 50, 40), Rgb(150, 150, 160), Rgb(80, 80, 96),
                                                 Rgb(50, 50, 60), Rgb(170, 170, 184), false, true})));
  art.push_back(person("merchant.png", PersonIdleSheet({tan, Rgb(230, 230, 236), Rgb(130, 60, 150), Rgb(90, 70, 60),
                                                        Rgb(60, 44, 36), Rgb(230, 190, 70)})));
  art.push_back({Piece::Sheet, "ghost.png", GhostSheet(), 32, 40, 16, 38});
  return art;
}

}  // namespace art
