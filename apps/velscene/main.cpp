// velscene: plays a scene file in a window or renders it headless to PNG
// frames, an animated PNG and a per-tick trace, or draws a whole map as one
// picture.
#include <cstdio>
#include <cstring>
#include <exception>

#include "cli.h"
#include "velscene/version.h"

namespace {

constexpr const char* kUsage =
    "usage: velscene --version\n"
    "       velscene play SCENE [--ticks N] [--out DIR] [--trace FILE]\n"
    "       velscene render SCENE --ticks N --out DIR [--trace FILE] [--no-frames] [--no-animation]\n"
    "       velscene image SCENE OUT.png [--ticks N]\n"
    "\n"
    "play    opens a window and runs the scene; a click on the ground walks the key\n"
    "        figure there, a click on a figure is logged. Arrow keys or WASD pan\n"
    "        (and stop following the key figure), the wheel and +/- zoom around\n"
    "        the pointer, F follows the key figure or stops, Esc closes. Without\n"
    "        a display it renders to files instead (--ticks, default 120; --out,\n"
    "        default velscene-out/<scene name>) and prints where.\n"
    "render  runs the scene headless for N ticks and writes frame_0001.png ...,\n"
    "        animation.png (animated PNG) and, with --trace, one JSON line per tick.\n"
    "image   draws the whole map area (background, tall tiles and figures) as\n"
    "        it stands after N ticks (default 1) on one canvas, without a camera.\n"
    "\n"
    "SCENE is a scene file or a Tiled map (.tmx, .tmj, either gzipped).\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("velscene %s\n", VELSCENE_VERSION);
    return 0;
  }
  vel::TCommandLine cl;
  std::string error;
  if (!vel::ParseCommandLine(argc, argv, cl, error)) {
    std::fprintf(stderr, "velscene: %s\n\n%s", error.c_str(), kUsage);
    return 2;
  }
  try {
    if (cl.Command == "image") return vel::RunImage(cl);
    return cl.Command == "play" ? vel::RunPlay(cl) : vel::RunRender(cl);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "velscene: %s\n", e.what());
    return 1;
  }
}
