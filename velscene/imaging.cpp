// Sprite imaging: image/mask pairs, outline pairs and the shadow brush, built
// once when material is loaded, never per frame.
#include "velscene/imaging.h"

#include "platform/graphics.h"

namespace vel {

void CreateMask(HBITMAP& Image, HBITMAP& Mask, HBITMAP Bitmap) {
  Image = HBITMAP{};
  Mask = HBITMAP{};
  if (!IsBitmap(Bitmap)) return;
  // Wrap the caller's image without taking it over.
  TBitmap source;
  source.SetHandle(Bitmap);
  TBitmap work;
  work.Assign(&source);
  Mask = work.ReleaseMaskHandle();
  source.SetTransparentMode(tmAuto);
  source.SetTransparent(true);
  // Black everywhere, then the source drawn with transparency: pixels of the
  // transparent colour stay black.
  PatBlt(work.Canvas()->Handle(), 0, 0, work.Width(), work.Height(), BLACKNESS);
  work.Canvas()->Draw(0, 0, &source);
  Image = work.ReleaseHandle();
  source.ReleaseHandle();
  // Ready for drawing: as a pair, and the image alone (a see-through figure).
  PrepareMaskedBlt(Mask, Image);
  PrepareMaskedBlt(HBITMAP{}, Image);
}

void CreateHighlightMask(HBITMAP Mask, HBITMAP& Highlight, HBITMAP& HighlightMask, COLORREF Color) {
  const ConstPixelView mask = ReadPixels(Mask);
  const int32_t W = mask.valid ? mask.width : 0, H = mask.valid ? mask.height : 0;
  HDC display = CreateDCA("DISPLAY");
  Highlight = CreateCompatibleBitmap(display, W + 2, H + 2);
  DeleteDC(display);
  HighlightMask = CreateBitmap(W + 2, H + 2, 1, 1, nullptr);
  HDC imageDC = CreateCompatibleDC(HDC{});
  HDC maskDC = CreateCompatibleDC(HDC{});
  HGDIOBJ oldImage = SelectObject(imageDC, Highlight);
  HGDIOBJ oldMask = SelectObject(maskDC, HighlightMask);
  PatBlt(maskDC, 0, 0, W + 2, H + 2, WHITENESS);
  PatBlt(imageDC, 0, 0, W + 2, H + 2, BLACKNESS);

  auto mark = [&](int32_t x, int32_t y) {
    SetPixelV(maskDC, x, y, RGB(0, 0, 0));
    SetPixelV(imageDC, x, y, Color);
  };
  auto clear = [&](int32_t x, int32_t y) {
    SetPixelV(maskDC, x, y, RGB(255, 255, 255));
    SetPixelV(imageDC, x, y, RGB(0, 0, 0));
  };
  auto opaque = [&](int32_t c, int32_t r) {
    return mask.pixels[size_t(r) * size_t(W) + size_t(c)] == kPixelBlack;
  };
  // Row pass: a pixel left of each opaque run and one right of it.
  for (int32_t r = 0; r < H; ++r) {
    clear(0, r + 1);
    bool prev = false;
    for (int32_t c = 0; c <= W; ++c) {
      const bool cur = c < W && opaque(c, r);
      if (cur && !prev) {
        mark(c, r + 1);
        clear(c + 1, r + 1);
      } else if (!cur && prev) {
        mark(c + 1, r + 1);
      }
      prev = cur;
    }
  }
  // Column pass: a pixel above each opaque run and one below it.
  for (int32_t c = 0; c < W; ++c) {
    clear(c + 1, 0);
    bool prev = false;
    for (int32_t r = 0; r <= H; ++r) {
      const bool cur = r < H && opaque(c, r);
      if (cur && !prev) {
        mark(c + 1, r);
        clear(c + 1, r + 1);
      } else if (!cur && prev) {
        mark(c + 1, r + 1);
      }
      prev = cur;
    }
  }
  SelectObject(imageDC, oldImage);
  SelectObject(maskDC, oldMask);
  DeleteDC(imageDC);
  DeleteDC(maskDC);
  PrepareMaskedBlt(HighlightMask, Highlight);
}

HBRUSH CreateShadowBrush() {
  HBITMAP bits = CreateBitmap(8, 8, 1, 1, nullptr);
  HDC dc = CreateCompatibleDC(HDC{});
  HGDIOBJ old = SelectObject(dc, bits);
  PatBlt(dc, 0, 0, 8, 8, BLACKNESS);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 8; ++x)
      if ((x + y) & 1) SetPixelV(dc, x, y, RGB(255, 255, 255));
  SelectObject(dc, old);
  DeleteDC(dc);
  HBRUSH brush = CreatePatternBrush(bits);
  DeleteObject(bits);
  return brush;
}

}  // namespace vel
