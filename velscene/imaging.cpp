// Sprite imaging: image/mask pairs, outline pairs and the shadow brush, built
// once when material is loaded, never per frame.
#include "velscene/imaging.h"

#include <algorithm>

namespace vel {

namespace {

// round(C x A / 255) for each channel of a straight-alpha word; the alpha stays.
uint32_t Premultiply(uint32_t p) {
  const uint32_t a = p >> 24;
  auto ch = [a](uint32_t c) { return (c * a * 2 + 255) / 510; };
  return (a << 24) | (ch((p >> 16) & 0xFF) << 16) | (ch((p >> 8) & 0xFF) << 8) | ch(p & 0xFF);
}

// The source word as premultiplied 0xAARRGGBB.
uint32_t PremultipliedWord(uint32_t p, BitmapAlpha alpha) {
  return alpha == BitmapAlpha::Defined ? Premultiply(p) : p;
}

}  // namespace

void CreateMask(HBITMAP& Image, HBITMAP& Mask, HBITMAP Bitmap) {
  Image = HBITMAP{};
  Mask = HBITMAP{};
  const ConstPixelView src = ReadPixels(Bitmap);
  if (!src.valid) return;
  const BitmapAlpha alpha = src.monochrome ? BitmapAlpha::Ignored : GetBitmapAlpha(Bitmap);
  // The transparent colour is the bottom-left pixel's.
  const uint32_t key = src.pixels[size_t(src.height - 1) * size_t(src.width)] & 0xFFFFFF;
  Mask = CreateBitmap(src.width, src.height, 1, 1, nullptr);
  Image = CreateBitmap(src.width, src.height, 1, src.monochrome ? 1 : 32, nullptr);
  const PixelView mask = LockPixels(Mask);
  const PixelView image = LockPixels(Image);
  if (mask.valid && image.valid) {
    const size_t n = size_t(src.width) * size_t(src.height);
    if (alpha == BitmapAlpha::Ignored) {
      for (size_t i = 0; i < n; ++i) {
        const uint32_t colour = src.pixels[i] & 0xFFFFFF;
        const bool clear = colour == key;
        mask.pixels[i] = clear ? kPixelWhite : kPixelBlack;
        image.pixels[i] = clear ? kPixelBlack : colour;
      }
    } else {
      for (size_t i = 0; i < n; ++i) {
        mask.pixels[i] = (src.pixels[i] >> 24) < 128 ? kPixelWhite : kPixelBlack;
        image.pixels[i] = PremultipliedWord(src.pixels[i], alpha) & 0xFFFFFF;
      }
    }
  }
  // Ready for drawing: as a pair, and the image alone (a see-through figure).
  PrepareMaskedBlt(Mask, Image);
  PrepareMaskedBlt(HBITMAP{}, Image);
}

HBITMAP CreateAlphaImage(HBITMAP Bitmap) {
  const ConstPixelView src = ReadPixels(Bitmap);
  if (!src.valid || src.monochrome) return {};
  const BitmapAlpha alpha = GetBitmapAlpha(Bitmap);
  if (alpha == BitmapAlpha::Ignored) return {};
  HBITMAP out = CreateBitmap(src.width, src.height, 1, 32, nullptr);
  const PixelView dst = LockPixels(out);
  if (!dst.valid) return out;
  const size_t n = size_t(src.width) * size_t(src.height);
  for (size_t i = 0; i < n; ++i) dst.pixels[i] = PremultipliedWord(src.pixels[i], alpha);
  SetBitmapAlpha(out, BitmapAlpha::Premultiplied);
  PrepareAlphaBlt(out);
  return out;
}

void CreateHighlightMask(HBITMAP Mask, HBITMAP& Highlight, HBITMAP& HighlightMask, COLORREF Color) {
  const ConstPixelView mask = ReadPixels(Mask);
  const int32_t W = mask.valid ? mask.width : 0, H = mask.valid ? mask.height : 0;
  // A colour image, black, and a monochrome mask, white: one pixel larger on
  // every side than the mask.
  Highlight = CreateBitmap(W + 2, H + 2, 1, 32, nullptr);
  HighlightMask = CreateBitmap(W + 2, H + 2, 1, 1, nullptr);
  const PixelView image = LockPixels(Highlight);
  const PixelView out = LockPixels(HighlightMask);
  if (image.valid && out.valid) {
    const size_t stride = size_t(W) + 2;
    std::fill(out.pixels, out.pixels + stride * (size_t(H) + 2), kPixelWhite);
    const uint32_t colour = PixelFromColorRef(Color & 0xFFFFFF);
    auto set = [&](int32_t x, int32_t y, bool on) {
      const size_t i = size_t(y) * stride + size_t(x);
      out.pixels[i] = on ? kPixelBlack : kPixelWhite;
      image.pixels[i] = on ? colour : kPixelBlack;
    };
    auto opaque = [&](int32_t c, int32_t r) { return mask.pixels[size_t(r) * size_t(W) + size_t(c)] == kPixelBlack; };
    // Row pass: a pixel left of each opaque run and one right of it; the
    // run's own first pixel is cleared again.
    for (int32_t r = 0; r < H; ++r) {
      set(0, r + 1, false);
      bool prev = false;
      for (int32_t c = 0; c <= W; ++c) {
        const bool cur = c < W && opaque(c, r);
        if (cur && !prev) {
          set(c, r + 1, true);
          set(c + 1, r + 1, false);
        } else if (!cur && prev) {
          set(c + 1, r + 1, true);
        }
        prev = cur;
      }
    }
    // Column pass: a pixel above each opaque run and one below it.
    for (int32_t c = 0; c < W; ++c) {
      set(c + 1, 0, false);
      bool prev = false;
      for (int32_t r = 0; r <= H; ++r) {
        const bool cur = r < H && opaque(c, r);
        if (cur && !prev) {
          set(c + 1, r, true);
          set(c + 1, r + 1, false);
        } else if (!cur && prev) {
          set(c + 1, r + 1, true);
        }
        prev = cur;
      }
    }
  }
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
