// Span tables of sprites: per row, the columns a masked draw must touch, built
// once per mask/image pair (or per image drawn alone) and kept with the bitmap
// until either bitmap changes.
#pragma once

#include "velscene/platform/raster/internal/raster_objects.h"

namespace vel::raster {

// The spans of a mask paired with an image of the same size: Copy where the
// mask word is 0, Merge wherever the mask is not white (0xFFFFFF) or the image
// not black. nullptr when the sizes differ or memory is short.
const SpanTable* MaskSpans(BitmapObj& mask, const BitmapObj& image);

// The spans of an image ORed on its own: its non-zero words, all Merge.
const SpanTable* ImageSpans(BitmapObj& image);

// The spans of a premultiplied image drawn by AlphaBlt: blend spans (copy bit
// clear) over its translucent words, each at least eight words long where
// the row allows, taking in opaque and zero neighbours (which blend to what a
// copy or a skip leaves), so that the blend runs in whole vectors; Copy spans
// over the opaque words left between them. No two spans share a column.
// Current while the image keeps its state; nullptr when memory is short.
const SpanTable* AlphaSpans(BitmapObj& image);

}  // namespace vel::raster
