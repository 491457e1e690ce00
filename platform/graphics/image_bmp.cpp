// BMP decoding (core, info, V4 and V5 headers; 1 to 32 bits per pixel) and
// encoding of bottom-up 24-bit files, all bounds-checked against the buffer.
#include <bit>
#include <cstdio>

#include "velscene/platform/graphics/internal/image_checks.h"
#include "velscene/platform/graphics/image_files.h"

namespace vel {

namespace {

// ---------------------------------------------------------------------------
// Layout constants
// ---------------------------------------------------------------------------
constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiJpeg = 4, kBiPng = 5,
                   kBiAlphaBitfields = 6;

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
int32_t I32(const uint8_t* p) { return int32_t(U32(p)); }

void PutU16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void PutU32(uint8_t* p, uint32_t v) {
  PutU16(p, v);
  PutU16(p + 2, v >> 16);
}

// ---------------------------------------------------------------------------
// Colour masks
// ---------------------------------------------------------------------------
// One channel of a bit-field pixel. Channels narrower than 8 bits are scaled
// to the full 0..255 range; wider ones keep their top 8 bits.
struct ChannelMask {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;  // 0: the channel is absent and reads as 0

  uint8_t Extract(uint32_t v) const {
    if (bits == 0) return 0;
    const uint32_t x = (v & mask) >> shift;
    if (bits >= 8) return uint8_t(x >> (bits - 8));
    const uint32_t max = (1u << bits) - 1;
    return uint8_t((x * 255 + max / 2) / max);
  }
};

ChannelMask MakeMask(const std::string& name, uint32_t mask) {
  ChannelMask m;
  if (mask == 0) return m;
  m.mask = mask;
  m.shift = std::countr_zero(mask);
  m.bits = std::popcount(mask);
  if ((mask >> m.shift) != (m.bits == 32 ? ~0u : (1u << m.bits) - 1))
  {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", unsigned(mask));
    ThrowImageError(name, std::string("bad BMP colour mask ") + hex);
  }
  return m;
}

const char* CompressionName(uint32_t compression) {
  switch (compression) {
    case kBiRle8: return " (RLE8)";
    case kBiRle4: return " (RLE4)";
    case kBiJpeg: return " (JPEG)";
    case kBiPng: return " (PNG)";
    default: return "";
  }
}

// ---------------------------------------------------------------------------
// Header parsing
// ---------------------------------------------------------------------------
struct BmpLayout {
  int32_t width = 0, height = 0;
  bool topDown = false;
  int bpp = 0;
  ChannelMask red, green, blue, alpha;
  uint32_t palette[256] = {};
  uint32_t paletteSize = 0;
  size_t pixelOffset = 0;
  size_t stride = 0;
};

BmpLayout ParseBmpHeaders(const uint8_t* data, size_t size, const std::string& name) {
  if (!data || size < 2) ThrowImageError(name, "truncated BMP header");
  if (data[0] != 'B' || data[1] != 'M') ThrowImageError(name, "not a BMP file");
  if (size < kFileHeaderSize + 4) ThrowImageError(name, "truncated BMP header");
  const uint32_t offBits = U32(data + 10);
  const uint32_t headerSize = U32(data + kFileHeaderSize);
  const bool core = headerSize == kCoreHeaderSize;
  if (!core && headerSize != kInfoHeaderSize && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
      headerSize != 124)
    ThrowImageError(name, "unsupported BMP header size " + std::to_string(headerSize));
  if (size - kFileHeaderSize < headerSize) ThrowImageError(name, "truncated BMP header");

  const uint8_t* h = data + kFileHeaderSize;
  BmpLayout l;
  int64_t width, height;
  uint32_t compression = kBiRgb, colorsUsed = 0;
  if (core) {
    width = U16(h + 4);
    height = U16(h + 6);
    l.bpp = U16(h + 10);
  } else {
    width = I32(h + 4);
    height = I32(h + 8);
    l.bpp = U16(h + 14);
    compression = U32(h + 16);
    colorsUsed = U32(h + 32);
  }
  if (compression != kBiRgb && compression != kBiBitfields && compression != kBiAlphaBitfields)
    ThrowImageError(name, "unsupported BMP compression " + std::to_string(compression) +
                              CompressionName(compression));
  l.topDown = height < 0;
  if (l.topDown) height = -height;
  CheckImageSize(name, width, height);
  l.width = int32_t(width);
  l.height = int32_t(height);

  const bool bitfields = compression != kBiRgb;
  const bool depthOk = bitfields ? (l.bpp == 16 || l.bpp == 32)
                                 : (l.bpp == 1 || l.bpp == 4 || l.bpp == 8 || l.bpp == 16 || l.bpp == 24 ||
                                    l.bpp == 32);
  if (!depthOk)
    ThrowImageError(name, "unsupported BMP bit depth " + std::to_string(l.bpp) +
                              (bitfields ? " with bit-field compression" : ""));

  // Colour masks: in the header from 52 bytes on, after a 40-byte header
  // otherwise; the alpha mask is honoured wherever the header carries one.
  size_t tablePos = kFileHeaderSize + headerSize;
  if (bitfields) {
    const uint8_t* m = h + kInfoHeaderSize;
    if (headerSize == kInfoHeaderSize) {
      const size_t maskBytes = compression == kBiAlphaBitfields ? 16 : 12;
      if (size - tablePos < maskBytes) ThrowImageError(name, "truncated BMP colour masks");
      m = data + tablePos;
      tablePos += maskBytes;
    }
    const bool hasAlphaMask =
        headerSize >= 56 || (headerSize == kInfoHeaderSize && compression == kBiAlphaBitfields);
    const uint32_t limit = l.bpp == 16 ? 0xFFFFu : 0xFFFFFFFFu;
    for (int i = 0; i < (hasAlphaMask ? 4 : 3); ++i)
      if (U32(m + 4 * i) > limit) ThrowImageError(name, "bad BMP colour mask for 16 bits per pixel");
    l.red = MakeMask(name, U32(m));
    l.green = MakeMask(name, U32(m + 4));
    l.blue = MakeMask(name, U32(m + 8));
    if (hasAlphaMask) l.alpha = MakeMask(name, U32(m + 12));
  } else if (l.bpp == 16) {
    l.red = MakeMask(name, 0x7C00);
    l.green = MakeMask(name, 0x03E0);
    l.blue = MakeMask(name, 0x001F);
  } else if (l.bpp == 32) {
    l.red = MakeMask(name, 0xFF0000);
    l.green = MakeMask(name, 0xFF00);
    l.blue = MakeMask(name, 0xFF);
    if (headerSize >= 56) l.alpha = MakeMask(name, U32(h + 52));
  }

  if (l.bpp <= 8) {
    const uint32_t maxColors = 1u << l.bpp;
    const uint32_t count = colorsUsed ? colorsUsed : maxColors;
    if (count > maxColors)
      ThrowImageError(name, "bad BMP colour count " + std::to_string(count) + " for " +
                                std::to_string(l.bpp) + " bits per pixel");
    const size_t entrySize = core ? 3 : 4;
    if (size - tablePos < count * entrySize) ThrowImageError(name, "truncated BMP colour table");
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* e = data + tablePos + i * entrySize;
      l.palette[i] = (uint32_t(e[2]) << 16) | (uint32_t(e[1]) << 8) | e[0];
    }
    l.paletteSize = count;
  }

  const size_t headersEnd = kFileHeaderSize + headerSize;
  if (offBits < headersEnd || offBits > size)
    ThrowImageError(name, "bad BMP pixel data offset " + std::to_string(offBits));
  l.pixelOffset = offBits;
  const uint64_t rowBits = uint64_t(l.width) * uint64_t(l.bpp);
  l.stride = size_t((rowBits + 31) / 32 * 4);
  // The last row may come without its padding.
  const uint64_t needed = uint64_t(l.stride) * uint64_t(l.height - 1) + (rowBits + 7) / 8;
  if (needed > size - l.pixelOffset) ThrowImageError(name, "truncated BMP pixel data");
  return l;
}

// ---------------------------------------------------------------------------
// Pixel rows
// ---------------------------------------------------------------------------
// Decodes one row into `out` as 0xAARRGGBB (alpha only meaningful with an
// alpha mask). Returns -1, or the first palette index beyond the colour table.
constexpr int kRowOk = -1;
int DecodeRow(const BmpLayout& l, const uint8_t* row, uint32_t* out) {
  const int32_t w = l.width;
  switch (l.bpp) {
    case 1:
    case 4:
    case 8: {
      const int bpp = l.bpp;
      const uint32_t valueMask = (1u << bpp) - 1;
      for (int32_t x = 0; x < w; ++x) {
        const size_t bit = size_t(x) * size_t(bpp);
        const uint32_t index = (row[bit / 8] >> (8 - bpp - int(bit % 8))) & valueMask;
        if (index >= l.paletteSize) return int(index);
        out[x] = l.palette[index];
      }
      return kRowOk;
    }
    case 24:
      for (int32_t x = 0; x < w; ++x) {
        const uint8_t* p = row + 3 * size_t(x);
        out[x] = (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
      }
      return kRowOk;
    default: {  // 16 and 32 bits through the channel masks
      const bool wide = l.bpp == 32;
      for (int32_t x = 0; x < w; ++x) {
        const uint32_t v = wide ? U32(row + 4 * size_t(x)) : U16(row + 2 * size_t(x));
        out[x] = (uint32_t(l.alpha.Extract(v)) << 24) | (uint32_t(l.red.Extract(v)) << 16) |
                 (uint32_t(l.green.Extract(v)) << 8) | l.blue.Extract(v);
      }
      return kRowOk;
    }
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Decoding
// ---------------------------------------------------------------------------
DecodedImage DecodeBmp(const uint8_t* data, size_t size, const std::string& name, DecodeAlpha alpha) {
  const BmpLayout l = ParseBmpHeaders(data, size, name);
  DecodedImage image;
  image.width = l.width;
  image.height = l.height;
  image.pixels.resize(size_t(l.width) * size_t(l.height));
  for (int32_t y = 0; y < l.height; ++y) {
    const int32_t fileRow = l.topDown ? y : l.height - 1 - y;
    const uint8_t* row = data + l.pixelOffset + size_t(fileRow) * l.stride;
    const int badIndex = DecodeRow(l, row, image.pixels.data() + size_t(y) * size_t(l.width));
    if (badIndex != kRowOk)
      ThrowImageError(name, "BMP palette index " + std::to_string(badIndex) + " beyond the " +
                                std::to_string(l.paletteSize) + "-entry colour table");
  }
  // Many writers declare an alpha mask but leave every alpha byte 0; such an
  // image is taken as opaque rather than wholly transparent.
  bool useAlpha = false;
  if (l.alpha.bits != 0)
    for (uint32_t p : image.pixels)
      if (p >> 24) {
        useAlpha = true;
        break;
      }
  if (useAlpha) FinishAlpha(image.pixels, image.alpha, alpha);
  else
    for (uint32_t& p : image.pixels) p &= 0xFFFFFF;
  return image;
}

// ---------------------------------------------------------------------------
// Encoding
// ---------------------------------------------------------------------------
std::vector<uint8_t> EncodeBmp24(const uint32_t* pixels, int32_t width, int32_t height) {
  CheckEncodeArgs(pixels, width, height);
  const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
  const size_t imageBytes = stride * size_t(height);
  const size_t offBits = kFileHeaderSize + kInfoHeaderSize;
  std::vector<uint8_t> out(offBits + imageBytes, 0);
  uint8_t* f = out.data();
  f[0] = 'B';
  f[1] = 'M';
  PutU32(f + 2, uint32_t(out.size()));
  PutU32(f + 10, uint32_t(offBits));
  uint8_t* h = f + kFileHeaderSize;
  PutU32(h, kInfoHeaderSize);
  PutU32(h + 4, uint32_t(width));
  PutU32(h + 8, uint32_t(height));  // positive: bottom row first
  PutU16(h + 12, 1);                // planes
  PutU16(h + 14, 24);
  PutU32(h + 16, kBiRgb);
  PutU32(h + 20, uint32_t(imageBytes));
  PutU32(h + 24, 2835);  // 72 dots per inch, in dots per metre
  PutU32(h + 28, 2835);
  for (int32_t y = 0; y < height; ++y) {
    const uint32_t* src = pixels + size_t(height - 1 - y) * size_t(width);
    uint8_t* row = f + offBits + size_t(y) * stride;
    for (int32_t x = 0; x < width; ++x) {
      row[3 * x + 0] = uint8_t(src[x]);
      row[3 * x + 1] = uint8_t(src[x] >> 8);
      row[3 * x + 2] = uint8_t(src[x] >> 16);
    }
  }
  return out;
}

}  // namespace vel
