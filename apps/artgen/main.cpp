// artgen: draws the demo scene's tiles and figure sheets and writes them as
// PNG files (usage: artgen [--cell W] [OUTPUT_DIR]; default scenes/demo/art,
// or for another cell width W the art scaled to it, scenes/demoW/art).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>

#include "art.h"

int main(int argc, char** argv) {
  using namespace art;
  int cell = 48;
  int arg = 1;
  if (argc > 2 && std::strcmp(argv[1], "--cell") == 0) {
    cell = std::atoi(argv[2]);
    arg = 3;
    if (cell < 8 || cell > 1024 || cell % 2 != 0) {
      std::fprintf(stderr, "artgen: the cell width is even, 8 to 1024\n");
      return 2;
    }
  }
  const std::filesystem::path out =
      argc > arg ? argv[arg] : cell == 48 ? "scenes/demo/art" : "scenes/demo" + std::to_string(cell) + "/art";
  try {
    std::filesystem::create_directories(out);
    for (const Piece& p : DemoArt()) {
      const std::string path = (out / p.Name).string();
      if (cell == 48) p.Picture.Save(path);
      else ScalePiece(p, cell).Save(path);
      std::printf("%s\n", path.c_str());
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "artgen: %s\n", e.what());
    return 1;
  }
  return 0;
}
