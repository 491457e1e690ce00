// Rules shared by the image decoders and encoders: size limits, error
// messages and the alpha-to-key-colour mapping. Internal to the image files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "velscene/platform/graphics/image_files.h"

namespace vel {

// Throws EImageError as "<name>: <problem>".
[[noreturn]] inline void ThrowImageError(const std::string& name, const std::string& problem) {
  throw EImageError(name + ": " + problem);
}

// Refuses sides outside 1..kMaxImageSide (which also keeps width x height x 4
// far inside size_t and int32_t).
inline void CheckImageSize(const std::string& name, int64_t width, int64_t height) {
  if (width <= 0 || height <= 0)
    ThrowImageError(name, "bad image size " + std::to_string(width) + "x" + std::to_string(height));
  if (width > kMaxImageSide || height > kMaxImageSide)
    ThrowImageError(name, "image too large (" + std::to_string(width) + "x" + std::to_string(height) +
                              ", the limit is " + std::to_string(kMaxImageSide) + " per side)");
  static_assert(uint64_t(kMaxImageSide) * kMaxImageSide * 4 <= uint64_t(INT32_MAX) + 1,
                "image byte size must fit the 32-bit pixel arithmetic");
}

inline void CheckEncodeArgs(const uint32_t* pixels, int32_t width, int32_t height) {
  if (!pixels) throw EImageError("image encoder: no pixels");
  CheckImageSize("image encoder", width, height);
}

// A pixel with alpha below 128 becomes the key colour; an opaque pixel that
// happens to be the key colour moves one step off it so it stays visible.
constexpr uint32_t kAlphaKeyNeighbour = 0xFE00FE;
inline uint32_t KeyAlpha(uint32_t rgb, uint8_t alpha) {
  if (alpha < 128) return kAlphaKeyPixel;
  return rgb == kAlphaKeyPixel ? kAlphaKeyNeighbour : rgb;
}

// The decoded words 0xAARRGGBB (straight alpha) of an image with alpha: kept
// when asked to and some pixel is less than opaque, else keyed.
inline void FinishAlpha(std::vector<uint32_t>& pixels, bool& kept, DecodeAlpha mode) {
  kept = false;
  if (mode == DecodeAlpha::Keep)
    for (uint32_t p : pixels)
      if (p < 0xFF000000u) {
        kept = true;
        break;
      }
  if (kept) return;
  for (uint32_t& p : pixels) p = KeyAlpha(p & 0xFFFFFF, uint8_t(p >> 24));
}

}  // namespace vel
