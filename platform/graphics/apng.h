// TApngWriter: an animated PNG from frames encoded by EncodePng: IDAT for the
// first frame, fcTL + fdAT for the others, looping forever.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "velscene/platform/graphics/image_error.h"

namespace vel {

class TApngWriter {
 public:
  // delayMs: how long each frame shows.
  TApngWriter(int32_t width, int32_t height, uint32_t delayMs);

  // Pixels 0x00RRGGBB, row-major, width x height.
  void AddFrame(const uint32_t* pixels);
  // A frame already encoded by EncodePng (same size as the animation).
  void AddPng(const std::vector<uint8_t>& png);
  int32_t FrameCount() const { return static_cast<int32_t>(frames_.size()); }
  // The whole file; throws EImageError when there is no frame.
  std::vector<uint8_t> Finish() const;
  void SaveToFile(const std::string& path) const;

 private:
  int32_t width_, height_;
  uint32_t delayMs_;
  std::vector<uint8_t> header_;               // IHDR data of the first frame
  std::vector<std::vector<uint8_t>> frames_;  // zlib streams (IDAT data) per frame
};

// CRC-32 as PNG chunks use it.
uint32_t PngCrc32(const uint8_t* data, size_t size, uint32_t crc = 0);

}  // namespace vel
