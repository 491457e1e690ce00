// Straight and premultiplied alpha for one 0xAARRGGBB pixel word, rounded the
// way the rest of the library composites.
#pragma once

#include <algorithm>
#include <cstdint>

namespace vel {

// round(C x A / 255) per colour channel (never a tie); the alpha stays.
inline uint32_t PremultiplyPixel(uint32_t p) {
  const uint32_t a = p >> 24;
  auto ch = [a](uint32_t c) { return (c * a * 2 + 255) / 510; };
  return (a << 24) | (ch((p >> 16) & 0xFF) << 16) | (ch((p >> 8) & 0xFF) << 8) | ch(p & 0xFF);
}

// round(C x 255 / A) per colour channel (halves up, at most 255); 0 where A is 0.
inline uint32_t UnpremultiplyPixel(uint32_t p) {
  const uint32_t a = p >> 24;
  if (a == 0) return 0;
  auto ch = [a](uint32_t c) { return std::min<uint32_t>(255, (c * 510 + a) / (2 * a)); };
  return (a << 24) | (ch((p >> 16) & 0xFF) << 16) | (ch((p >> 8) & 0xFF) << 8) | ch(p & 0xFF);
}

}  // namespace vel
