// Hand-built PNG and BMP files for the image tests: byte-level writers that
// can produce any colour type, header variant or deliberately broken field.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace vel::testimg {

using Bytes = std::vector<uint8_t>;

inline void PutLE(Bytes& b, uint32_t v, int n) {
  for (int i = 0; i < n; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
inline void PutBE(Bytes& b, uint32_t v, int n) {
  for (int i = n - 1; i >= 0; --i) b.push_back(uint8_t(v >> (8 * i)));
}
inline void SetLE32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.at(at + i) = uint8_t(v >> (8 * i));
}

// ---------------------------------------------------------------------------
// PNG: chunks with real CRCs, image data as stored (uncompressed) deflate
// ---------------------------------------------------------------------------
inline uint32_t Crc32(const uint8_t* p, size_t n) {
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) {
    c ^= p[i];
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
  }
  return ~c;
}

inline Bytes ZlibStored(const Bytes& raw) {
  Bytes z{0x78, 0x01};
  size_t pos = 0;
  do {
    const size_t n = std::min<size_t>(raw.size() - pos, 65535);
    z.push_back(pos + n == raw.size() ? 1 : 0);
    PutLE(z, uint32_t(n), 2);
    PutLE(z, uint32_t(~n & 0xFFFF), 2);
    z.insert(z.end(), raw.begin() + long(pos), raw.begin() + long(pos + n));
    pos += n;
  } while (pos < raw.size());
  uint32_t a = 1, b = 0;
  for (uint8_t c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  PutBE(z, (b << 16) | a, 4);
  return z;
}

inline void PngChunk(Bytes& out, const char* type, const Bytes& body) {
  PutBE(out, uint32_t(body.size()), 4);
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), body.begin(), body.end());
  PutBE(out, Crc32(out.data() + start, out.size() - start), 4);
}

// Recomputes every chunk CRC, so that mutated files reach the parser.
inline void FixPngCrcs(Bytes& png) {
  size_t pos = 8;
  while (pos + 12 <= png.size()) {
    const uint32_t len = (uint32_t(png[pos]) << 24) | (png[pos + 1] << 16) | (png[pos + 2] << 8) | png[pos + 3];
    if (len > png.size() - pos - 12) return;
    const uint32_t crc = Crc32(png.data() + pos + 4, len + 4);
    for (int i = 0; i < 4; ++i) png[pos + 8 + len + i] = uint8_t(crc >> (24 - 8 * i));
    pos += 12 + len;
  }
}

struct PngParts {
  uint32_t width = 0, height = 0;
  uint8_t depth = 8, colorType = 2;
  bool interlaced = false;
  Bytes plte, trns;
  std::vector<std::vector<uint16_t>> pixels;  // row-major, one sample per channel
};

inline Bytes BuildPngFromRaw(const PngParts& s, const Bytes& raw) {
  Bytes out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes ihdr;
  PutBE(ihdr, s.width, 4);
  PutBE(ihdr, s.height, 4);
  ihdr.insert(ihdr.end(), {s.depth, s.colorType, 0, 0, uint8_t(s.interlaced ? 1 : 0)});
  PngChunk(out, "IHDR", ihdr);
  if (!s.plte.empty()) PngChunk(out, "PLTE", s.plte);
  if (!s.trns.empty()) PngChunk(out, "tRNS", s.trns);
  PngChunk(out, "tEXt", Bytes{'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'x'});
  PngChunk(out, "IDAT", ZlibStored(raw));
  PngChunk(out, "IEND", {});
  return out;
}

// Packs the pixels into filter-0 scanlines (Adam7 passes when interlaced).
inline Bytes BuildPng(const PngParts& s) {
  static const int kPasses[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                    {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
  static const int kFull[1][4] = {{0, 0, 1, 1}};
  const auto& passes = s.interlaced ? kPasses : kFull;
  const int passCount = s.interlaced ? 7 : 1;
  Bytes raw;
  for (int p = 0; p < passCount; ++p) {
    const int x0 = passes[p][0], y0 = passes[p][1], dx = passes[p][2], dy = passes[p][3];
    if (uint32_t(x0) >= s.width || uint32_t(y0) >= s.height) continue;
    for (uint32_t y = uint32_t(y0); y < s.height; y += uint32_t(dy)) {
      raw.push_back(0);
      uint32_t acc = 0;
      int accBits = 0;
      for (uint32_t x = uint32_t(x0); x < s.width; x += uint32_t(dx)) {
        for (uint16_t sample : s.pixels[y * s.width + x]) {
          if (s.depth == 16) {
            PutBE(raw, sample, 2);
          } else {
            acc = (acc << s.depth) | sample;
            accBits += s.depth;
            if (accBits == 8) {
              raw.push_back(uint8_t(acc));
              acc = 0;
              accBits = 0;
            }
          }
        }
      }
      if (accBits) raw.push_back(uint8_t(acc << (8 - accBits)));
    }
  }
  return BuildPngFromRaw(s, raw);
}

// ---------------------------------------------------------------------------
// BMP: every header variant; rows given unpadded in file order
// ---------------------------------------------------------------------------
struct BmpParts {
  uint32_t headerSize = 40;  // 12, 40, 108 or 124
  int32_t width = 0, height = 0;
  uint16_t bpp = 24;
  uint32_t compression = 0;
  uint32_t colorsUsed = 0;
  std::vector<uint32_t> palette;  // 0x00RRGGBB
  std::vector<uint32_t> masks;    // R, G, B[, A]: inside a V4/V5 header, else after the header
  std::vector<Bytes> rows;
};

constexpr size_t kBmpWidthAt = 18, kBmpHeightAt = 22, kBmpBppAt = 28, kBmpCompressionAt = 30,
                 kBmpColorsUsedAt = 46;

inline Bytes BuildBmp(const BmpParts& s) {
  Bytes h;
  PutLE(h, s.headerSize, 4);
  if (s.headerSize == 12) {
    PutLE(h, uint32_t(s.width), 2);
    PutLE(h, uint32_t(s.height), 2);
    PutLE(h, 1, 2);
    PutLE(h, s.bpp, 2);
  } else {
    PutLE(h, uint32_t(s.width), 4);
    PutLE(h, uint32_t(s.height), 4);
    PutLE(h, 1, 2);
    PutLE(h, s.bpp, 2);
    PutLE(h, s.compression, 4);
    PutLE(h, 0, 4);
    PutLE(h, 2835, 4);
    PutLE(h, 2835, 4);
    PutLE(h, s.colorsUsed, 4);
    PutLE(h, 0, 4);
    for (uint32_t m : s.masks) PutLE(h, m, 4);  // inside V4/V5, or right after a 40-byte header
    while (h.size() < s.headerSize) h.push_back(0);
  }
  for (uint32_t c : s.palette) {
    PutLE(h, c & 0xFFFFFF, 3);
    if (s.headerSize != 12) h.push_back(0);
  }
  Bytes out{'B', 'M'};
  size_t data = 0;
  for (const Bytes& r : s.rows) data += (r.size() + 3) & ~size_t(3);
  PutLE(out, uint32_t(14 + h.size() + data), 4);
  PutLE(out, 0, 4);
  PutLE(out, uint32_t(14 + h.size()), 4);
  out.insert(out.end(), h.begin(), h.end());
  for (const Bytes& r : s.rows) {
    out.insert(out.end(), r.begin(), r.end());
    for (size_t i = r.size(); i % 4; ++i) out.push_back(0xEE);  // padding is never read
  }
  return out;
}

// Palette indices packed most significant bits first.
inline Bytes PackIndices(const std::vector<int>& indices, int bpp) {
  Bytes row((indices.size() * size_t(bpp) + 7) / 8, 0);
  for (size_t i = 0; i < indices.size(); ++i) {
    const size_t bit = i * size_t(bpp);
    row[bit / 8] |= uint8_t(indices[i] << (8 - bpp - int(bit % 8)));
  }
  return row;
}

inline Bytes PackWords(const std::vector<uint32_t>& words, int bytesPerWord) {
  Bytes row;
  for (uint32_t w : words) PutLE(row, w, bytesPerWord);
  return row;
}

}  // namespace vel::testimg
