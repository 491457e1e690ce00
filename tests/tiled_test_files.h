// Tiled test maps: a scratch folder, tileset images with one colour per
// pixel position or per tile, and layer data written in each encoding and
// compression the format has.
#pragma once

#include <zlib.h>
#include <zstd.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "velscene/platform/graphics/image_files.h"

namespace vel::testing {

class TiledDir {
 public:
  TiledDir() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("velscene_tiled_" + std::to_string(getpid()) + "_" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
  }
  ~TiledDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path_ / name, std::ios::binary) << bytes;
    return *this / name;
  }

 private:
  std::filesystem::path path_;
};

// The colour of tile `t` (1-based) in TileColors atlases.
inline uint32_t TileColor(int t) { return uint32_t(0x102030 + t * 0x050B07) & 0xFFFFFF; }

// An atlas of `count` tiles, `columns` a row, each w x h of its own colour,
// with `spacing` between and `margin` around them filled with 0xFF00FF.
inline void WriteTileAtlas(const std::string& path, int count, int columns, int w, int h, int spacing = 0,
                           int margin = 0) {
  const int rows = (count + columns - 1) / columns;
  const int W = 2 * margin + columns * w + (columns - 1) * spacing, H = 2 * margin + rows * h + (rows - 1) * spacing;
  std::vector<uint32_t> px(size_t(W) * H, 0xFF00FF);
  for (int t = 0; t < count; ++t)
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        px[size_t(margin + (t / columns) * (h + spacing) + y) * W + margin + (t % columns) * (w + spacing) + x] =
            TileColor(t + 1);
  SaveImageFile(path, px.data(), W, H);
}

// An n x n image whose every pixel has its own colour: PixelColor(x, y).
inline uint32_t PixelColor(int x, int y) { return uint32_t(0x200000 + x * 0x1F0000 + y * 0x001F00 + 0x40); }
inline void WritePixelTile(const std::string& path, int n) {
  std::vector<uint32_t> px(size_t(n) * n);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) px[size_t(y) * n + x] = PixelColor(x, y);
  SaveImageFile(path, px.data(), n, n);
}

inline std::string Base64(const std::string& in) {
  static const char* k = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  size_t i = 0;
  for (; i + 2 < in.size(); i += 3) {
    const uint32_t v = uint32_t(uint8_t(in[i])) << 16 | uint32_t(uint8_t(in[i + 1])) << 8 | uint8_t(in[i + 2]);
    for (int s = 18; s >= 0; s -= 6) out += k[(v >> s) & 63];
  }
  if (i + 1 == in.size()) {
    const uint32_t v = uint32_t(uint8_t(in[i])) << 16;
    out += std::string{k[v >> 18], k[(v >> 12) & 63], '=', '='};
  } else if (i + 2 == in.size()) {
    const uint32_t v = uint32_t(uint8_t(in[i])) << 16 | uint32_t(uint8_t(in[i + 1])) << 8;
    out += std::string{k[v >> 18], k[(v >> 12) & 63], k[(v >> 6) & 63], '='};
  }
  return out;
}

// zlib (windowBits 15) or gzip (31) stream of the bytes.
inline std::string Deflate(const std::string& in, int windowBits) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, uLong(in.size())) + 32, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = uInt(in.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = uInt(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

inline std::string Zstd(const std::string& in) {
  std::string out(ZSTD_compressBound(in.size()), '\0');
  out.resize(ZSTD_compress(out.data(), out.size(), in.data(), in.size(), 3));
  return out;
}

inline std::string LittleEndian(const std::vector<uint32_t>& gids) {
  std::string bytes;
  for (uint32_t g : gids)
    for (int s = 0; s < 32; s += 8) bytes += char((g >> s) & 0xFF);
  return bytes;
}

inline std::string Csv(const std::vector<uint32_t>& gids) {
  std::string s = "\n";
  for (size_t i = 0; i < gids.size(); ++i) s += std::to_string(gids[i]) + (i + 1 < gids.size() ? "," : "\n");
  return s;
}

// The <data> element of a layer in one encoding: "csv", "xml" (<tile>
// elements), "base64", "zlib", "gzip" or "zstd".
inline std::string TmxData(const std::vector<uint32_t>& gids, const std::string& how) {
  if (how == "csv") return "<data encoding=\"csv\">" + Csv(gids) + "</data>";
  if (how == "xml") {
    std::string s = "<data>";
    for (uint32_t g : gids) s += g ? "<tile gid=\"" + std::to_string(g) + "\"/>" : "<tile/>";
    return s + "</data>";
  }
  const std::string raw = LittleEndian(gids);
  if (how == "base64") return "<data encoding=\"base64\">\n   " + Base64(raw) + "\n  </data>";
  const std::string packed = how == "zstd" ? Zstd(raw) : Deflate(raw, how == "zlib" ? 15 : 31);
  return "<data encoding=\"base64\" compression=\"" + how + "\">" + Base64(packed) + "</data>";
}

// The "data" of a JSON layer: a list ("csv"), or base64 with a compression.
inline std::string TmjData(const std::vector<uint32_t>& gids, const std::string& how) {
  if (how == "csv") {
    std::string s = "\"data\": [";
    for (size_t i = 0; i < gids.size(); ++i) s += std::to_string(gids[i]) + (i + 1 < gids.size() ? "," : "");
    return s + "]";
  }
  const std::string raw = LittleEndian(gids);
  const std::string packed = how == "base64" ? raw : how == "zstd" ? Zstd(raw) : Deflate(raw, how == "zlib" ? 15 : 31);
  return "\"encoding\": \"base64\", \"compression\": \"" + (how == "base64" ? std::string() : how) + "\", \"data\": \"" +
         Base64(packed) + "\"";
}

}  // namespace vel::testing
