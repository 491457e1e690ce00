// File fuzzer for the Tiled readers and the conversion: any bytes (TMX,
// TMJ, gzipped or not) either convert to a scene or throw ETiledError naming
// a file and a problem; nothing else happens. Tilesets and images resolve
// against fuzz/tiled_art, which holds the art the seeds use.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "velscene/tiled/tiled_reader.h"
#include "velscene/tiled/tiled_scene.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  try {
    const vel::TiledScene s = vel::ConvertTiledMap(vel::ParseTiledMap(bytes, "fuzz.tmx", VELSCENE_TILED_ART_DIR), 100);
    size_t cells = 0;
    for (const vel::TMapCell& c : s.Cells)
      if (c.Tile > s.Tiles.size()) std::abort();  // a cell names a tile image that does not exist
      else ++cells;
    if (cells != size_t(s.Width) * s.Height || s.Tiles.size() > 255) std::abort();
  } catch (const vel::ETiledError& e) {
    if (e.File.empty() || e.Problem.empty() || std::string(e.what()).rfind(e.File + ": ", 0) != 0) {
      std::fprintf(stderr, "tiled reader: unclear error: %s\n", e.what());
      std::abort();
    }
  }
  return 0;
}
