// Internal to the Tiled reader: layer data (CSV, base64 plain or compressed
// with zlib, gzip or zstd) into global tile ids, and whole files compressed
// with gzip. Failures return nothing and say why in `problem`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vel {

// Largest uncompressed map or tileset file accepted.
constexpr size_t kMaxTiledFileBytes = size_t(256) << 20;

// The ids of a layer or chunk of `count` cells. `encoding` is "csv" or
// "base64" (empty: not allowed here, the caller reads <tile> elements);
// `compression` is empty, "zlib", "gzip" or "zstd".
std::optional<std::vector<uint32_t>> DecodeTiledData(std::string_view text, std::string_view encoding,
                                                     std::string_view compression, size_t count,
                                                     std::string& problem);

// Bytes that start with the gzip signature, inflated (at most
// kMaxTiledFileBytes); any other bytes as they are.
std::optional<std::string> GunzipIfCompressed(const std::string& bytes, std::string& problem);

}  // namespace vel
