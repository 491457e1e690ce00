// PNG decoding and encoding through libpng's memory callbacks: any colour type
// and bit depth in, 8-bit RGB(A) to 0x00RRGGBB pixels (alpha keyed or kept in
// the top byte); 8-bit RGB or RGBA out.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "velscene/platform/graphics/image_files.h"
#include "velscene/platform/graphics/internal/image_checks.h"

namespace vel {

// ---------------------------------------------------------------------------
// Plain C state shared with libpng's callbacks
// ---------------------------------------------------------------------------
// libpng reports errors by longjmp. Every function that calls setjmp below
// works only on these plain structs and raw pointers, so no C++ object with a
// destructor is ever skipped by a jump. The C++ side owns the png structs and
// the pixel storage and turns a failed step into EImageError.
namespace {

constexpr size_t kMessageSize = 200;
// Deflate expands at most about 1032:1; a header claiming more raw data than
// that is refused before any pixel storage is allocated for it.
constexpr uint64_t kMaxDeflateRatio = 1032;

struct PngError {
  char message[kMessageSize];
};

struct PngReader {
  PngError error;
  png_structp png;
  png_infop info;
  const uint8_t* data;
  size_t size;
  size_t pos;
  png_uint_32 width, height;
  int bitDepth, colorType, interlace;
  bool hasAlpha;
  size_t rowBytes;
};

struct PngWriter {
  PngError error;
  png_structp png;
  png_infop info;
  uint8_t* out;  // malloc'd; realloc'd as libpng writes
  size_t size;
  size_t capacity;
};

void OnPngError(png_structp png, png_const_charp message) {
  auto* err = static_cast<PngError*>(png_get_error_ptr(png));
  std::snprintf(err->message, kMessageSize, "%s", message ? message : "unknown error");
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}  // warnings are not errors here

void ReadFromMemory(png_structp png, png_bytep out, size_t length) {
  auto* r = static_cast<PngReader*>(png_get_io_ptr(png));
  if (length > r->size - r->pos) {
    std::snprintf(r->error.message, kMessageSize, "truncated PNG data");
    png_longjmp(png, 1);
  }
  std::memcpy(out, r->data + r->pos, length);
  r->pos += length;
}

void WriteToMemory(png_structp png, png_bytep in, size_t length) {
  auto* w = static_cast<PngWriter*>(png_get_io_ptr(png));
  if (length > w->capacity - w->size) {
    size_t grown = w->capacity ? w->capacity * 2 : 4096;
    while (grown - w->size < length) grown *= 2;
    auto* bigger = static_cast<uint8_t*>(std::realloc(w->out, grown));
    if (!bigger) png_error(png, "out of memory");
    w->out = bigger;
    w->capacity = grown;
  }
  std::memcpy(w->out + w->size, in, length);
  w->size += length;
}

void FlushMemory(png_structp) {}

// Reads the chunks up to the image data and the header fields.
bool ReadPngHeader(PngReader* r) {
  if (setjmp(png_jmpbuf(r->png))) return false;
  png_set_read_fn(r->png, r, ReadFromMemory);
  // Only the chunks that shape the pixels are read; text, colour profiles
  // and the like are skipped unparsed.
  png_set_keep_unknown_chunks(r->png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  png_read_info(r->png, r->info);
  png_get_IHDR(r->png, r->info, &r->width, &r->height, &r->bitDepth, &r->colorType, &r->interlace,
               nullptr, nullptr);
  r->hasAlpha = (r->colorType & PNG_COLOR_MASK_ALPHA) || png_get_valid(r->png, r->info, PNG_INFO_tRNS);
  return true;
}

// Sets up the conversion of any colour type and depth to 8-bit RGBA; called
// only once the size has been checked, since libpng sizes its row buffers here.
bool SetUpPngConversion(PngReader* r) {
  if (setjmp(png_jmpbuf(r->png))) return false;
  if (r->colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(r->png);
  if (r->colorType == PNG_COLOR_TYPE_GRAY && r->bitDepth < 8) png_set_expand_gray_1_2_4_to_8(r->png);
  if (png_get_valid(r->png, r->info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(r->png);
  if (r->bitDepth == 16) png_set_scale_16(r->png);
  if (!(r->colorType & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(r->png);
  if (!r->hasAlpha) png_set_add_alpha(r->png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(r->png);
  png_read_update_info(r->png, r->info);
  r->rowBytes = png_get_rowbytes(r->png, r->info);
  return true;
}

// Reads all rows (every interlace pass) and the chunks after the image data.
bool ReadPngRows(PngReader* r, png_bytepp rows) {
  if (setjmp(png_jmpbuf(r->png))) return false;
  png_read_image(r->png, rows);
  png_read_end(r->png, nullptr);
  return true;
}

// Writes an 8-bit RGB (or RGBA) image, converting one row at a time into `row`.
bool WritePng(PngWriter* w, const uint32_t* pixels, png_uint_32 width, png_uint_32 height, png_bytep row,
              bool alpha) {
  if (setjmp(png_jmpbuf(w->png))) return false;
  png_set_write_fn(w->png, w, WriteToMemory, FlushMemory);
  png_set_IHDR(w->png, w->info, width, height, 8, alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  // Level 3: about three times faster than the default on photo-like data,
  // under a tenth larger.
  png_set_compression_level(w->png, 3);
  png_write_info(w->png, w->info);
  for (png_uint_32 y = 0; y < height; ++y) {
    const uint32_t* src = pixels + size_t(y) * width;
    png_bytep out = row;
    for (png_uint_32 x = 0; x < width; ++x) {
      *out++ = png_byte(src[x] >> 16);
      *out++ = png_byte(src[x] >> 8);
      *out++ = png_byte(src[x]);
      if (alpha) *out++ = png_byte(src[x] >> 24);
    }
    png_write_row(w->png, row);
  }
  png_write_end(w->png, w->info);
  return true;
}

// Owns the libpng structs on the C++ side.
struct ReadGuard {
  PngReader& r;
  ~ReadGuard() { png_destroy_read_struct(&r.png, r.info ? &r.info : nullptr, nullptr); }
};
struct WriteGuard {
  PngWriter& w;
  ~WriteGuard() {
    png_destroy_write_struct(&w.png, w.info ? &w.info : nullptr);
    std::free(w.out);
  }
};

uint64_t SamplesPerPixel(int colorType) {
  switch (colorType) {
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    default: return 1;  // grey, palette
  }
}

[[noreturn]] void FailFromLibpng(const std::string& name, const PngError& error) {
  if (std::strcmp(error.message, "truncated PNG data") == 0) ThrowImageError(name, error.message);
  ThrowImageError(name, std::string("bad PNG data (") + error.message + ")");
}

}  // namespace

// ---------------------------------------------------------------------------
// Decoding
// ---------------------------------------------------------------------------
// Palette indices beyond the PLTE chunk read as opaque black (libpng keeps a
// zero-filled 256-entry palette); images without alpha or tRNS keep every
// pixel exactly, the key colour included.
DecodedImage DecodePng(const uint8_t* data, size_t size, const std::string& name, DecodeAlpha alpha) {
  if (!data || size < 8) ThrowImageError(name, "truncated PNG data");
  if (png_sig_cmp(data, 0, 8) != 0) ThrowImageError(name, "not a PNG file");

  PngReader r{};
  r.data = data;
  r.size = size;
  r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &r.error, OnPngError, OnPngWarning);
  if (!r.png) ThrowImageError(name, "out of memory");
  ReadGuard guard{r};
  r.info = png_create_info_struct(r.png);
  if (!r.info) ThrowImageError(name, "out of memory");

  if (!ReadPngHeader(&r)) FailFromLibpng(name, r.error);
  CheckImageSize(name, int64_t(r.width), int64_t(r.height));
  // Smallest amount of raw sample data the header implies (before filter
  // bytes); its compressed form cannot be smaller than this over the ratio.
  const uint64_t sampleBits = uint64_t(r.bitDepth) * SamplesPerPixel(r.colorType);
  const uint64_t rawBytes = (uint64_t(r.width) * r.height * sampleBits + 7) / 8;
  if (rawBytes / kMaxDeflateRatio > size) ThrowImageError(name, "image too large for its data");
  if (!SetUpPngConversion(&r)) FailFromLibpng(name, r.error);
  if (r.rowBytes != size_t(r.width) * 4) ThrowImageError(name, "unsupported PNG pixel format");

  DecodedImage image;
  image.width = int32_t(r.width);
  image.height = int32_t(r.height);
  image.pixels.resize(size_t(r.width) * r.height);
  // libpng writes RGBA bytes straight into the pixel words; they are turned
  // into 0x00RRGGBB in place afterwards.
  auto* bytes = reinterpret_cast<unsigned char*>(image.pixels.data());
  std::vector<png_bytep> rows(r.height);
  for (png_uint_32 y = 0; y < r.height; ++y) rows[y] = bytes + size_t(y) * r.rowBytes;
  if (!ReadPngRows(&r, rows.data())) FailFromLibpng(name, r.error);

  for (size_t i = 0; i < image.pixels.size(); ++i) {
    const unsigned char* p = bytes + 4 * i;
    const uint32_t rgb = (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
    image.pixels[i] = r.hasAlpha ? (uint32_t(p[3]) << 24) | rgb : rgb;
  }
  if (r.hasAlpha) FinishAlpha(image.pixels, image.alpha, alpha);
  return image;
}

// ---------------------------------------------------------------------------
// Encoding
// ---------------------------------------------------------------------------
std::vector<uint8_t> EncodePng(const uint32_t* pixels, int32_t width, int32_t height, bool alpha) {
  CheckEncodeArgs(pixels, width, height);
  PngWriter w{};
  w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &w.error, OnPngError, OnPngWarning);
  if (!w.png) throw EImageError("PNG encoder: out of memory");
  WriteGuard guard{w};
  w.info = png_create_info_struct(w.png);
  if (!w.info) throw EImageError("PNG encoder: out of memory");
  std::vector<png_byte> row(size_t(width) * (alpha ? 4 : 3));
  if (!WritePng(&w, pixels, png_uint_32(width), png_uint_32(height), row.data(), alpha))
    throw EImageError(std::string("PNG encoder: ") + w.error.message);
  return std::vector<uint8_t>(w.out, w.out + w.size);
}

}  // namespace vel
