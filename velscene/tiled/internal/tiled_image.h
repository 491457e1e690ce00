// Internal to the Tiled converter: premultiplied RGBA pixel buffers for tile
// images, cut from atlases, flipped, scaled, composited into cell stacks
// and handed to the library as bitmaps.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "velscene/platform/graphics/graphics.h"

namespace vel {

// Premultiplied 0xAARRGGBB words, row by row, top row first.
struct TiledPixels {
  int32_t Width = 0, Height = 0;
  std::vector<uint32_t> Words;
};

// An image file's pixels with their alpha; `trans` (0xRRGGBB) drawn clear.
// Throws EImageError as the image files do.
TiledPixels LoadTiledPixels(const std::string& path, std::optional<uint32_t> trans);

// The w x h rectangle at (x, y); parts outside the source stay clear.
TiledPixels CutPixels(const TiledPixels& src, int32_t x, int32_t y, int32_t w, int32_t h);
// The editor's flips: the diagonal one (a transposition) first, then the
// horizontal and the vertical one.
TiledPixels FlipPixels(const TiledPixels& src, bool h, bool v, bool d);
// Nearest-neighbour scaling to w x h.
TiledPixels ScalePixels(const TiledPixels& src, int32_t w, int32_t h);
// Source over destination with the source's words scaled by opacity/255.
void DrawPixels(TiledPixels& dst, const TiledPixels& src, int32_t x, int32_t y, uint32_t opacity);

// A bitmap of the pixels for the library's tiles and frames.
std::shared_ptr<TBitmap> PixelsToBitmap(const TiledPixels& px);

}  // namespace vel
