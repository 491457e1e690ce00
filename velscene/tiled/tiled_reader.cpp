// Reading a Tiled map: the file's bytes (gunzipped when compressed), the
// format told by the contents, external tilesets, and what both formats
// share: paths, strict numbers, colours and the checks on the whole map.
#include "velscene/tiled/tiled_reader.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "velscene/tiled/internal/tiled_data.h"
#include "velscene/tiled/internal/tiled_files.h"

namespace vel {

const TiledProperty* FindTiledProperty(const TiledProperties& props, const std::string& name) {
  for (const TiledProperty& p : props)
    if (p.Name == name) return &p;
  return nullptr;
}

const TiledTile* TiledTileset::FindTile(uint32_t id) const {
  auto it = std::lower_bound(Tiles.begin(), Tiles.end(), id, [](const TiledTile& t, uint32_t v) { return t.Id < v; });
  return it != Tiles.end() && it->Id == id ? &*it : nullptr;
}

std::string ResolveTiledPath(const std::string& baseDir, const std::string& name) {
  std::filesystem::path p(name);
  if (p.is_relative()) p = std::filesystem::path(baseDir) / p;
  return p.lexically_normal().string();
}

std::string TiledDirOf(const std::string& path) {
  const std::string dir = std::filesystem::path(path).parent_path().string();
  return dir.empty() ? "." : dir;
}

std::string ReadTiledFileBytes(const std::string& path, const TiledPlace* namedAt) {
  auto fail = [&](const std::string& problem) {
    if (namedAt) FailAt(*namedAt, problem);
    throw ETiledError(path, "", problem);
  };
  std::error_code ec;
  std::string actual = path;
  // Distributions often ship example files gzipped: name.tsx as name.tsx.gz.
  if (!std::filesystem::is_regular_file(actual, ec) && std::filesystem::is_regular_file(path + ".gz", ec)) actual += ".gz";
  if (!std::filesystem::is_regular_file(actual, ec)) fail("no such file \"" + path + "\"");
  std::ifstream in(actual, std::ios::binary);
  if (!in) fail("cannot open \"" + path + "\"");
  std::ostringstream s;
  s << in.rdbuf();
  std::string problem;
  std::optional<std::string> bytes = GunzipIfCompressed(s.str(), problem);
  if (!bytes) fail("\"" + path + "\": " + problem);
  return std::move(*bytes);
}

bool LooksLikeXml(std::string_view text) {
  size_t i = 0;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") i = 3;  // a byte-order mark
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) ++i;
  return i < text.size() && text[i] == '<';
}

std::optional<int64_t> ParseTiledInt(std::string_view s) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  if (i == s.size()) return std::nullopt;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return std::nullopt;
    if (v > (int64_t(1) << 53)) return std::nullopt;
    v = v * 10 + (s[i] - '0');
  }
  return negative ? -v : v;
}

std::optional<double> ParseTiledDouble(std::string_view s) {
  if (s.empty() || s.size() > 64) return std::nullopt;
  for (char c : s)
    if (!((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E')) return std::nullopt;
  const std::string text(s);
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<uint32_t> ParseTiledColor(std::string_view s) {
  if (!s.empty() && s[0] == '#') s.remove_prefix(1);
  if (s.size() != 6 && s.size() != 8) return std::nullopt;
  uint32_t v = 0;
  for (char c : s) {
    int d = -1;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    if (d < 0) return std::nullopt;
    v = v << 4 | uint32_t(d);
  }
  return s.size() == 6 ? (0xFF000000u | v) : v;
}

TiledTileset LoadExternalTileset(const std::string& path, const TiledPlace& namedAt) {
  const std::string text = ReadTiledFileBytes(path, &namedAt);
  if (LooksLikeXml(text)) return ReadTsx(text, path, TiledDirOf(path));
  return ReadTsj(text, path, TiledDirOf(path));
}

void CheckTiledMap(TiledMap& map) {
  std::stable_sort(map.Tilesets.begin(), map.Tilesets.end(),
                   [](const TiledTileset& a, const TiledTileset& b) { return a.FirstGid < b.FirstGid; });
  for (size_t i = 1; i < map.Tilesets.size(); ++i)
    if (map.Tilesets[i].FirstGid == map.Tilesets[i - 1].FirstGid)
      FailAt(map.Tilesets[i].Place, "firstgid " + std::to_string(map.Tilesets[i].FirstGid) +
                                        " is used by another tileset too");
}

TiledMap ParseTiledMap(const std::string& bytes, const std::string& file, const std::string& baseDir) {
  std::string problem;
  std::optional<std::string> text = GunzipIfCompressed(bytes, problem);
  if (!text) throw ETiledError(file, "", problem);
  TiledMap map = LooksLikeXml(*text) ? ReadTmx(*text, file, baseDir) : ReadTmj(*text, file, baseDir);
  CheckTiledMap(map);
  return map;
}

TiledMap ReadTiledMap(const std::string& path) {
  return ParseTiledMap(ReadTiledFileBytes(path, nullptr), path, TiledDirOf(path));
}

}  // namespace vel
