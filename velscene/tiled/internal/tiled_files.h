// Internal to the Tiled reader: the two file formats' readers, external
// tileset loading (either format, told apart by the contents), path
// resolution and strict number reading shared by both formats.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "velscene/tiled/tiled_error.h"
#include "velscene/tiled/tiled_model.h"

namespace vel {

// Largest map side, chunk side and tile size accepted from a file.
constexpr int64_t kMaxTiledMapSide = 4096;
constexpr int64_t kMaxTiledTileSide = 4096;
constexpr int64_t kMaxTiledCoord = 1 << 24;  // chunk positions and pixel offsets
constexpr int64_t kMaxTiledGidsPerLayer = int64_t(1) << 24;

[[noreturn]] inline void FailAt(const TiledPlace& place, const std::string& problem) {
  throw ETiledError(place.File, place.Where, problem);
}

// `name` relative to `baseDir` unless absolute, normalised.
std::string ResolveTiledPath(const std::string& baseDir, const std::string& name);
// The directory part of a path ("." when there is none).
std::string TiledDirOf(const std::string& path);
// The file's bytes, gunzipped when compressed; errors name `namedAt`, the
// place that refers to the file (or the file itself when there is none).
std::string ReadTiledFileBytes(const std::string& path, const TiledPlace* namedAt);
// The first non-blank character is '<'.
bool LooksLikeXml(std::string_view text);

// Strict numbers: the whole text, no blanks; nothing on failure.
std::optional<int64_t> ParseTiledInt(std::string_view s);
std::optional<double> ParseTiledDouble(std::string_view s);  // finite only
// "#RRGGBB", "#AARRGGBB", or the same without '#': 0xAARRGGBB (alpha 255 when absent).
std::optional<uint32_t> ParseTiledColor(std::string_view s);

TiledMap ReadTmx(const std::string& text, const std::string& file, const std::string& baseDir);
TiledMap ReadTmj(const std::string& text, const std::string& file, const std::string& baseDir);
TiledTileset ReadTsx(const std::string& text, const std::string& file, const std::string& baseDir);
TiledTileset ReadTsj(const std::string& text, const std::string& file, const std::string& baseDir);

// An external tileset file named at `namedAt`, read in whichever format it is.
TiledTileset LoadExternalTileset(const std::string& path, const TiledPlace& namedAt);

// Checks shared by both readers once a map is read: its orientation, tile
// size and tilesets in ascending firstgid order without overlap.
void CheckTiledMap(TiledMap& map);

}  // namespace vel
