// Image files: PNG (libpng) and BMP decoding and encoding to and from plain
// 0x00RRGGBB pixel arrays. Decoders work on memory buffers so that files and
// fuzzers share one path; every error throws EImageError naming the file (or
// the name given for a buffer) and the problem.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "velscene/platform/graphics/image_error.h"

namespace vel {

struct DecodedImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;  // row-major, top row first, 0x00RRGGBB
  bool alpha = false;  // the pixels carry straight alpha: 0xAARRGGBB
};

// What a decoder does with an image's alpha: key it (below, the default), or
// keep it as straight alpha in the top byte of each word. Only an image with
// some pixel less than fully opaque keeps its alpha; one whose alpha is 255
// everywhere (or absent) decodes as with Key.
enum class DecodeAlpha { Key, Keep };

// Pixels whose alpha is below 128 in a PNG or 32-bit BMP with alpha become this
// colour, so that the bottom-left-pixel transparency of sprites works on files
// drawn with an alpha channel; opaque pixels of exactly this colour are moved
// one step off it (0xFE00FE).
constexpr uint32_t kAlphaKeyPixel = 0xFF00FF;

// Largest accepted width or height; larger images are refused as malformed.
constexpr int32_t kMaxImageSide = 16384;

DecodedImage DecodePng(const uint8_t* data, size_t size, const std::string& name,
                       DecodeAlpha alpha = DecodeAlpha::Key);
// 1, 4, 8 bits per pixel with a colour table, 16 (5-5-5), 24 and 32 bits;
// bottom-up and top-down; BI_RGB and BI_BITFIELDS (RLE is refused).
DecodedImage DecodeBmp(const uint8_t* data, size_t size, const std::string& name,
                       DecodeAlpha alpha = DecodeAlpha::Key);
// Reads the file and picks the decoder by its signature.
DecodedImage LoadImageFile(const std::string& path, DecodeAlpha alpha = DecodeAlpha::Key);

// 8-bit RGB, or RGBA from 0xAARRGGBB words (straight alpha) with `alpha`.
std::vector<uint8_t> EncodePng(const uint32_t* pixels, int32_t width, int32_t height, bool alpha = false);
std::vector<uint8_t> EncodeBmp24(const uint32_t* pixels, int32_t width, int32_t height);
// Writes PNG, or 24-bit BMP when the path ends in ".bmp" (any case; BMP files
// are written without alpha).
void SaveImageFile(const std::string& path, const uint32_t* pixels, int32_t width, int32_t height,
                   bool alpha = false);

}  // namespace vel
