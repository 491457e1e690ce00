// Layer data decoding: CSV lists, base64, and zlib, gzip and zstd streams
// inflated to exactly the size the layer needs (never more), and whole files
// compressed with gzip.
#include "velscene/tiled/internal/tiled_data.h"

#include <zlib.h>
#include <zstd.h>

#include <cstring>

namespace vel {

namespace {

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::optional<std::string> DecodeBase64(std::string_view text, std::string& problem) {
  std::string out;
  out.reserve(text.size() / 4 * 3);
  uint32_t acc = 0;
  int bits = 0;
  size_t padding = 0;
  for (char c : text) {
    if (IsSpace(c)) continue;
    if (c == '=') {
      ++padding;
      continue;
    }
    const int v = Base64Value(c);
    if (v < 0 || padding > 0) {
      problem = v < 0 ? "invalid base64 character '" + std::string(1, c) + "'" : "base64 text after padding";
      return std::nullopt;
    }
    acc = (acc << 6) | uint32_t(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(char((acc >> bits) & 0xFF));
    }
  }
  if (padding > 2) {
    problem = "invalid base64 padding";
    return std::nullopt;
  }
  return out;
}

// Inflates a zlib (windowBits 15) or gzip (31) stream into exactly `size`
// bytes; longer or shorter output is an error.
std::optional<std::string> Inflate(const std::string& in, size_t size, int windowBits, size_t limit,
                                   bool exact, std::string& problem) {
  z_stream z{};
  if (inflateInit2(&z, windowBits) != Z_OK) {
    problem = "cannot start the decompressor";
    return std::nullopt;
  }
  std::string out(exact ? size : std::min<size_t>(limit, std::max<size_t>(in.size() * 4, 4096)), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = uInt(std::min<size_t>(in.size(), UINT32_MAX));
  size_t produced = 0;
  int rc = Z_OK;
  for (;;) {
    if (produced == out.size()) {
      if (exact || out.size() >= limit) {
        // One more byte of output means the stream is longer than allowed.
        char extra = 0;
        z.next_out = reinterpret_cast<Bytef*>(&extra);
        z.avail_out = 1;
        rc = inflate(&z, Z_NO_FLUSH);
        if (z.avail_out == 0) {
          inflateEnd(&z);
          problem = exact ? "the decompressed data is longer than the layer" : "the decompressed file is too large";
          return std::nullopt;
        }
        break;
      }
      out.resize(std::min(limit, out.size() * 2));
    }
    z.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
    z.avail_out = uInt(std::min<size_t>(out.size() - produced, UINT32_MAX));
    const size_t before = z.avail_out;
    rc = inflate(&z, Z_NO_FLUSH);
    produced += before - z.avail_out;
    if (rc == Z_STREAM_END) break;
    if (rc != Z_OK) break;
  }
  const bool ended = rc == Z_STREAM_END;
  const std::string msg = z.msg ? z.msg : "";
  inflateEnd(&z);
  if (!ended) {
    problem = "corrupt compressed data" + (msg.empty() ? std::string() : " (" + msg + ")");
    return std::nullopt;
  }
  if (exact && produced != size) {
    problem = "the decompressed data holds " + std::to_string(produced) + " bytes, the layer needs " +
              std::to_string(size);
    return std::nullopt;
  }
  out.resize(produced);
  return out;
}

std::optional<std::string> Unzstd(const std::string& in, size_t size, std::string& problem) {
  std::string out(size + 1, '\0');  // one spare byte shows a stream that is too long
  const size_t rc = ZSTD_decompress(out.data(), out.size(), in.data(), in.size());
  if (ZSTD_isError(rc)) {
    problem = std::string("corrupt zstd data (") + ZSTD_getErrorName(rc) + ")";
    return std::nullopt;
  }
  if (rc != size) {
    problem = "the decompressed data holds " + std::to_string(rc) + (rc > size ? " or more" : "") +
              " bytes, the layer needs " + std::to_string(size);
    return std::nullopt;
  }
  out.resize(size);
  return out;
}

std::optional<std::vector<uint32_t>> ParseCsv(std::string_view text, size_t count, std::string& problem) {
  std::vector<uint32_t> ids;
  ids.reserve(count);
  size_t i = 0;
  const size_t n = text.size();
  auto skipSpace = [&] {
    while (i < n && IsSpace(text[i])) ++i;
  };
  skipSpace();
  while (i < n) {
    if (text[i] < '0' || text[i] > '9') {
      problem = "expected a tile id in the CSV data, found '" + std::string(1, text[i]) + "'";
      return std::nullopt;
    }
    uint64_t v = 0;
    while (i < n && text[i] >= '0' && text[i] <= '9') {
      v = v * 10 + uint64_t(text[i] - '0');
      if (v > UINT32_MAX) {
        problem = "a tile id in the CSV data is larger than 4294967295";
        return std::nullopt;
      }
      ++i;
    }
    if (ids.size() == count) {
      problem = "the CSV data holds more than the layer's " + std::to_string(count) + " cells";
      return std::nullopt;
    }
    ids.push_back(uint32_t(v));
    skipSpace();
    if (i < n) {
      if (text[i] != ',') {
        problem = "expected ',' in the CSV data, found '" + std::string(1, text[i]) + "'";
        return std::nullopt;
      }
      ++i;
      skipSpace();
    }
  }
  if (ids.size() != count) {
    problem = "the CSV data holds " + std::to_string(ids.size()) + " tile ids, the layer needs " +
              std::to_string(count);
    return std::nullopt;
  }
  return ids;
}

}  // namespace

std::optional<std::vector<uint32_t>> DecodeTiledData(std::string_view text, std::string_view encoding,
                                                     std::string_view compression, size_t count,
                                                     std::string& problem) {
  if (encoding == "csv") {
    if (!compression.empty()) {
      problem = "CSV data cannot be compressed";
      return std::nullopt;
    }
    return ParseCsv(text, count, problem);
  }
  if (encoding != "base64") {
    problem = "unknown encoding \"" + std::string(encoding) + "\" (expected csv or base64)";
    return std::nullopt;
  }
  std::optional<std::string> bytes = DecodeBase64(text, problem);
  if (!bytes) return std::nullopt;
  const size_t size = count * 4;
  if (compression == "zlib" || compression == "gzip") {
    bytes = Inflate(*bytes, size, compression == "zlib" ? 15 : 31, size, true, problem);
  } else if (compression == "zstd") {
    bytes = Unzstd(*bytes, size, problem);
  } else if (!compression.empty()) {
    problem = "unknown compression \"" + std::string(compression) + "\" (expected zlib, gzip or zstd)";
    return std::nullopt;
  } else if (bytes->size() != size) {
    problem = "the data holds " + std::to_string(bytes->size()) + " bytes, the layer needs " + std::to_string(size);
    return std::nullopt;
  }
  if (!bytes) return std::nullopt;
  std::vector<uint32_t> ids(count);
  const auto* p = reinterpret_cast<const uint8_t*>(bytes->data());
  for (size_t k = 0; k < count; ++k)
    ids[k] = uint32_t(p[4 * k]) | uint32_t(p[4 * k + 1]) << 8 | uint32_t(p[4 * k + 2]) << 16 |
             uint32_t(p[4 * k + 3]) << 24;
  return ids;
}

std::optional<std::string> GunzipIfCompressed(const std::string& bytes, std::string& problem) {
  if (bytes.size() < 2 || uint8_t(bytes[0]) != 0x1F || uint8_t(bytes[1]) != 0x8B) return bytes;
  return Inflate(bytes, 0, 31, kMaxTiledFileBytes, false, problem);
}

}  // namespace vel
