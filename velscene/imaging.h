// Sprite imaging: image/mask pairs keyed on a bitmap's bottom-left colour,
// one-pixel outline pairs around a mask's opaque shape, the 8 x 8 shadow
// checker brush, and Min.
#pragma once

#include "velscene/platform/raster/raster.h"

namespace vel {

// Builds from the source bitmap a new image (the source's colours, black on
// pixels of the transparent colour) and a new monochrome mask (white on those
// pixels, black elsewhere). The transparent colour is the colour of the
// source's bottom-left pixel (colours compare by their low 24 bits). A source
// whose alpha is in use (defined or premultiplied) has no transparent colour:
// its image is its premultiplied colour (top byte clear) and its mask is white
// where the alpha is below 128. The source is not changed; both results
// belong to the caller. An empty or stale source gives two null handles.
void CreateMask(HBITMAP& Image, HBITMAP& Mask, HBITMAP Bitmap);

// A new bitmap with the source's pixels premultiplied by their alpha
// (0xAARRGGBB, alpha premultiplied), prepared for AlphaBlt; null for a source
// whose alpha is not in use, an empty or stale one. Channels of a source with
// straight alpha become round(C x A / 255).
HBITMAP CreateAlphaImage(HBITMAP Bitmap);

// Builds from a monochrome mask an outline image (colour on outline pixels,
// black elsewhere) and an outline mask (black on outline pixels, white
// elsewhere), both two pixels wider and higher than the mask. Output pixel
// (i + 1, j + 1) stands for mask position (i, j); it is an outline pixel when
// that position is transparent (or outside the mask) and one of its four
// direct neighbours is opaque. A null mask gives a 2 x 2 pair with no outline.
void CreateHighlightMask(HBITMAP Mask, HBITMAP& Highlight, HBITMAP& HighlightMask, COLORREF Color);

// An 8 x 8 pattern brush: pixel (x, y) black where x + y is even, white where odd.
HBRUSH CreateShadowBrush();

// B when A >= B, otherwise A: the second argument on a tie, the first when
// the two do not compare (either is a NaN).
inline float Min(float A, float B) { return A >= B ? B : A; }

}  // namespace vel
