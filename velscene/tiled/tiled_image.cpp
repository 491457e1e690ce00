// Tile pixels: image files with their alpha, atlas cuts, the three flips,
// nearest-neighbour scaling, premultiplied source-over compositing, and the
// bitmaps handed to the library (keyed when hard-edged, else with alpha).
#include "velscene/tiled/internal/tiled_image.h"

#include <algorithm>

#include "velscene/platform/graphics/image_files.h"

namespace vel {

namespace {

// x * a / 255 rounded to the nearest.
inline uint32_t MulDiv255(uint32_t x, uint32_t a) {
  const uint32_t t = x * a + 128;
  return (t + (t >> 8)) >> 8;
}

inline uint32_t ScaleWord(uint32_t w, uint32_t a) {
  if (a >= 255) return w;
  return MulDiv255(w >> 24, a) << 24 | MulDiv255((w >> 16) & 0xFF, a) << 16 | MulDiv255((w >> 8) & 0xFF, a) << 8 |
         MulDiv255(w & 0xFF, a);
}

}  // namespace

TiledPixels LoadTiledPixels(const std::string& path, std::optional<uint32_t> trans) {
  const DecodedImage img = LoadImageFile(path, DecodeAlpha::Keep);
  TiledPixels px{img.width, img.height, std::vector<uint32_t>(img.pixels.size())};
  for (size_t i = 0; i < img.pixels.size(); ++i) {
    const uint32_t w = img.pixels[i], rgb = w & 0xFFFFFFu;
    // The tileset's transparent colour clears a pixel of exactly that colour.
    if (trans && rgb == *trans) continue;
    px.Words[i] = img.alpha ? ScaleWord(0xFF000000u | rgb, w >> 24) : (0xFF000000u | rgb);
  }
  return px;
}

TiledPixels CutPixels(const TiledPixels& src, int32_t x, int32_t y, int32_t w, int32_t h) {
  TiledPixels out{w, h, std::vector<uint32_t>(size_t(w) * size_t(h), 0)};
  for (int32_t row = 0; row < h; ++row) {
    const int64_t sy = int64_t(y) + row;
    if (sy < 0 || sy >= src.Height) continue;
    for (int32_t col = 0; col < w; ++col) {
      const int64_t sx = int64_t(x) + col;
      if (sx < 0 || sx >= src.Width) continue;
      out.Words[size_t(row) * size_t(w) + size_t(col)] = src.Words[size_t(sy) * size_t(src.Width) + size_t(sx)];
    }
  }
  return out;
}

TiledPixels FlipPixels(const TiledPixels& src, bool h, bool v, bool d) {
  TiledPixels out;
  out.Width = d ? src.Height : src.Width;
  out.Height = d ? src.Width : src.Height;
  out.Words.resize(src.Words.size());
  for (int32_t y = 0; y < out.Height; ++y)
    for (int32_t x = 0; x < out.Width; ++x) {
      // Undo the flips in reverse order to find the source pixel.
      int32_t fx = h ? out.Width - 1 - x : x;
      int32_t fy = v ? out.Height - 1 - y : y;
      if (d) std::swap(fx, fy);
      out.Words[size_t(y) * size_t(out.Width) + size_t(x)] = src.Words[size_t(fy) * size_t(src.Width) + size_t(fx)];
    }
  return out;
}

TiledPixels ScalePixels(const TiledPixels& src, int32_t w, int32_t h) {
  if (w == src.Width && h == src.Height) return src;
  TiledPixels out{w, h, std::vector<uint32_t>(size_t(w) * size_t(h), 0)};
  if (src.Width == 0 || src.Height == 0) return out;
  for (int32_t y = 0; y < h; ++y) {
    const size_t sy = size_t((int64_t(y) * 2 + 1) * src.Height / (int64_t(h) * 2));
    for (int32_t x = 0; x < w; ++x) {
      const size_t sx = size_t((int64_t(x) * 2 + 1) * src.Width / (int64_t(w) * 2));
      out.Words[size_t(y) * size_t(w) + size_t(x)] = src.Words[sy * size_t(src.Width) + sx];
    }
  }
  return out;
}

void DrawPixels(TiledPixels& dst, const TiledPixels& src, int32_t x, int32_t y, uint32_t opacity) {
  const int32_t x0 = std::max(0, x), y0 = std::max(0, y);
  const int32_t x1 = int32_t(std::min<int64_t>(dst.Width, int64_t(x) + src.Width));
  const int32_t y1 = int32_t(std::min<int64_t>(dst.Height, int64_t(y) + src.Height));
  for (int32_t row = y0; row < y1; ++row)
    for (int32_t col = x0; col < x1; ++col) {
      const uint32_t s = ScaleWord(src.Words[size_t(row - y) * size_t(src.Width) + size_t(col - x)], opacity);
      const uint32_t sa = s >> 24;
      if (sa == 0) continue;
      uint32_t& d = dst.Words[size_t(row) * size_t(dst.Width) + size_t(col)];
      d = sa == 255 ? s : s + ScaleWord(d, 255 - sa);
    }
}

std::shared_ptr<TBitmap> PixelsToBitmap(const TiledPixels& px) {
  auto bitmap = std::make_shared<TBitmap>();
  bitmap->SetSize(px.Width, px.Height);
  const PixelView dst = LockPixels(bitmap->Handle());
  if (!dst.valid) return bitmap;
  // Pixels wholly clear or wholly opaque, with a clear bottom-left pixel,
  // draw exactly through the key colour and a mask; any other image keeps
  // its alpha (premultiplied) and is composited.
  bool hard = px.Height > 0 && px.Width > 0 && px.Words[size_t(px.Height - 1) * size_t(px.Width)] >> 24 == 0;
  for (size_t i = 0; hard && i < px.Words.size(); ++i) hard = (px.Words[i] >> 24) == 0 || (px.Words[i] >> 24) == 255;
  for (int32_t y = 0; y < px.Height; ++y)
    for (int32_t x = 0; x < px.Width; ++x) {
      const uint32_t w = px.Words[size_t(y) * size_t(px.Width) + size_t(x)];
      uint32_t out = w;
      if (hard) {
        out = w >> 24 == 0 ? kAlphaKeyPixel : (w & 0xFFFFFFu);
        if (w >> 24 != 0 && out == kAlphaKeyPixel) out = 0xFE00FE;
      }
      dst.pixels[size_t(y) * size_t(dst.width) + size_t(x)] = out;
    }
  TouchBitmap(bitmap->Handle());
  if (!hard) bitmap->SetAlphaFormat(afPremultiplied);
  return bitmap;
}

}  // namespace vel
