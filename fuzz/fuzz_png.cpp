// File fuzzer for the PNG decoder: any bytes either decode to a well-formed
// image or throw EImageError naming the buffer; nothing else may happen.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "velscene/platform/graphics/image_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const vel::DecodedImage img = vel::DecodePng(data, size, "fuzz.png");
    if (img.width < 1 || img.height < 1 || img.width > vel::kMaxImageSide || img.height > vel::kMaxImageSide ||
        img.pixels.size() != size_t(img.width) * size_t(img.height))
      std::abort();
    for (uint32_t p : img.pixels)
      if (p > 0xFFFFFF) std::abort();  // 0x00RRGGBB only
  } catch (const vel::EImageError& e) {
    if (std::string(e.what()).rfind("fuzz.png: ", 0) != 0) std::abort();
  }
  return 0;
}
