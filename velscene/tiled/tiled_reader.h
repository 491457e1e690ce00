// Reading Tiled files: a map in TMX (XML) or TMJ (JSON), told apart by their
// contents, with its external tilesets (TSX or TSJ), a whole file compressed
// with gzip (.tmx.gz) included. Any problem throws ETiledError naming the
// file, the element or JSON path and the problem; nothing is kept from a
// failed read.
#pragma once

#include <string>

#include "velscene/tiled/tiled_error.h"
#include "velscene/tiled/tiled_model.h"

namespace vel {

// Reads a map file and the tileset files it names (relative to it).
TiledMap ReadTiledMap(const std::string& path);
// The same from the file's bytes: `file` names it in errors and external
// tilesets and images resolve against `baseDir`.
TiledMap ParseTiledMap(const std::string& bytes, const std::string& file, const std::string& baseDir);

}  // namespace vel
