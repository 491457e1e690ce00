// Raster layer drawing: blits, pattern fills, rectangles, ellipses and single
// pixels. Each entry validates and clips once; the row loops below run without
// checks and are written so that the compiler vectorises them.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/raster_objects.h"

namespace vel {
using namespace raster;

namespace {

// Clips the rectangle (x, y, w, h) in logical coordinates of the target to its
// clip area; returns false when nothing remains. On success (x, y) are bitmap
// coordinates and dx, dy tell how far the left/top edge moved.
bool ClipToTarget(const Target& t, int64_t& x, int64_t& y, int64_t& w, int64_t& h, int64_t& dx,
                  int64_t& dy) {
  if (w <= 0 || h <= 0) return false;
  x += t.originX;
  y += t.originY;
  dx = std::max<int64_t>(0, t.clipLeft - x);
  dy = std::max<int64_t>(0, t.clipTop - y);
  const int64_t r = std::min<int64_t>(x + w, t.clipRight);
  const int64_t b = std::min<int64_t>(y + h, t.clipBottom);
  x += dx;
  y += dy;
  w = r - x;
  h = b - y;
  return w > 0 && h > 0;
}

// Clips a blit to the target's clip area and to the source bitmap. On success
// (X, Y) and (SX, SY) are bitmap coordinates of the same W x H rectangle.
bool ClipBlit(HDC dst, int32_t x, int32_t y, int32_t width, int32_t height, HDC src, int32_t sx, int32_t sy,
              Target& t, Target& s, int64_t& X, int64_t& Y, int64_t& W, int64_t& H, int64_t& SX, int64_t& SY) {
  if (!GetTarget(dst, t) || !GetTarget(src, s)) return false;
  X = x;
  Y = y;
  W = width;
  H = height;
  int64_t dx, dy;
  if (!ClipToTarget(t, X, Y, W, H, dx, dy)) return false;
  SX = int64_t(sx) + s.originX + dx;
  SY = int64_t(sy) + s.originY + dy;
  if (SX < 0) { X -= SX; W += SX; SX = 0; }
  if (SY < 0) { Y -= SY; H += SY; SY = 0; }
  W = std::min<int64_t>(W, s.bmp->width - SX);
  H = std::min<int64_t>(H, s.bmp->height - SY);
  return W > 0 && H > 0;
}

// Row kernels. `d` and `s` never overlap here (same-bitmap blits go through
// the overlap-safe path).
void RowCopy(uint32_t* __restrict d, const uint32_t* __restrict s, size_t n) {
  std::memcpy(d, s, n * sizeof(uint32_t));
}
void RowAnd(uint32_t* __restrict d, const uint32_t* __restrict s, size_t n) {
  for (size_t i = 0; i < n; ++i) d[i] &= s[i];
}
void RowOr(uint32_t* __restrict d, const uint32_t* __restrict s, size_t n) {
  for (size_t i = 0; i < n; ++i) d[i] |= s[i];
}
void RowXor(uint32_t* __restrict d, const uint32_t* __restrict s, size_t n) {
  for (size_t i = 0; i < n; ++i) d[i] ^= s[i];
}

using RowFn = void (*)(uint32_t*, const uint32_t*, size_t);

RowFn RowFor(uint32_t rop) {
  switch (rop) {
    case SRCCOPY: return RowCopy;
    case SRCAND: return RowAnd;
    case SRCPAINT: return RowOr;
    case SRCINVERT: return RowXor;
    default: return nullptr;
  }
}

uint32_t ApplyRop(uint32_t rop, uint32_t d, uint32_t s) {
  switch (rop) {
    case SRCCOPY: return s;
    case SRCAND: return d & s;
    case SRCPAINT: return d | s;
    default: return d ^ s;  // SRCINVERT
  }
}

// Pixel of a mix mode with the pen or brush colour `p` over the destination `d`.
inline uint32_t Mix(int rop2, uint32_t d, uint32_t p) {
  switch (rop2) {
    case R2_BLACK: return kPixelBlack;
    case R2_NOT: return d ^ kPixelWhite;
    case R2_XORPEN: return d ^ p;
    case R2_MASKPEN: return d & p;
    case R2_NOP: return d;
    case R2_MERGEPEN: return d | p;
    case R2_WHITE: return kPixelWhite;
    default: return p;  // R2_COPYPEN and the modes this layer does not distinguish
  }
}

// Fills a clipped rectangle (bitmap coordinates) with a brush through a mix mode.
void FillSpan(BitmapObj& bmp, int32_t x, int32_t y, int32_t w, const BrushObj& brush, int rop2) {
  uint32_t* row = &bmp.pixels[size_t(y) * size_t(bmp.width) + size_t(x)];
  if (brush.solid) {
    uint32_t c = bmp.mono ? ToMono(brush.color) : brush.color;
    if (rop2 == R2_COPYPEN) {
      std::fill(row, row + w, c);
      return;
    }
    for (int32_t i = 0; i < w; ++i) row[i] = Mix(rop2, row[i], c);
    return;
  }
  for (int32_t i = 0; i < w; ++i) {
    uint32_t c = brush.At(x + i, y);
    if (bmp.mono) c = ToMono(c);
    row[i] = Mix(rop2, row[i], c);
  }
}

}  // namespace

bool BitBlt(HDC dst, int32_t x, int32_t y, int32_t width, int32_t height, HDC src, int32_t sx,
            int32_t sy, uint32_t rop) {
  if (rop == BLACKNESS || rop == WHITENESS || rop == PATCOPY || rop == DSTINVERT)
    return PatBlt(dst, x, y, width, height, rop);
  RowFn row = RowFor(rop);
  if (!row) return false;
  Target t, s;
  int64_t X, Y, W, H, SX, SY;
  if (!ClipBlit(dst, x, y, width, height, src, sx, sy, t, s, X, Y, W, H, SX, SY)) return false;

  BitmapObj& d = *t.bmp;
  const BitmapObj& sb = *s.bmp;
  const size_t n = size_t(W);
  const bool convert = d.mono && !sb.mono;
  if (&d == &sb || convert) {
    // Same bitmap (rows may overlap) or colour source into a monochrome target:
    // per pixel, in an order that reads every source pixel before it is overwritten.
    const uint32_t bk = PixelFromColorRef(GetDc(src)->bkColor);
    const bool up = Y > SY || (Y == SY && X > SX);
    for (int64_t i = 0; i < H; ++i) {
      const int64_t r = up ? H - 1 - i : i;
      uint32_t* dr = &d.pixels[size_t(Y + r) * size_t(d.width) + size_t(X)];
      const uint32_t* sr = &sb.pixels[size_t(SY + r) * size_t(sb.width) + size_t(SX)];
      for (size_t k = 0; k < n; ++k) {
        const size_t j = up ? n - 1 - k : k;
        uint32_t sp = sr[j];
        if (convert) sp = sp == bk ? kPixelWhite : kPixelBlack;
        dr[j] = ApplyRop(rop, dr[j], sp);
      }
    }
  } else {
    uint32_t* dr = &d.pixels[size_t(Y) * size_t(d.width) + size_t(X)];
    const uint32_t* sr = &sb.pixels[size_t(SY) * size_t(sb.width) + size_t(SX)];
    for (int64_t i = 0; i < H; ++i, dr += d.width, sr += sb.width) row(dr, sr, n);
  }
  d.version++;
  return true;
}

bool TransparentBlt(HDC dst, int32_t x, int32_t y, int32_t width, int32_t height, HDC src,
                    int32_t sx, int32_t sy, COLORREF transparent) {
  Target t, s;
  int64_t X, Y, W, H, SX, SY;
  if (!ClipBlit(dst, x, y, width, height, src, sx, sy, t, s, X, Y, W, H, SX, SY) || t.bmp == s.bmp)
    return false;
  const uint32_t key = PixelFromColorRef(transparent & 0xFFFFFF);
  BitmapObj& d = *t.bmp;
  for (int64_t r = 0; r < H; ++r) {
    uint32_t* dr = &d.pixels[size_t(Y + r) * size_t(d.width) + size_t(X)];
    const uint32_t* sr = &s.bmp->pixels[size_t(SY + r) * size_t(s.bmp->width) + size_t(SX)];
    for (int64_t i = 0; i < W; ++i)
      if (sr[i] != key) dr[i] = d.mono ? ToMono(sr[i]) : sr[i];
  }
  d.version++;
  return true;
}

bool PatBlt(HDC dst, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t rop) {
  Target t;
  if (!GetTarget(dst, t)) return false;
  int64_t X = x, Y = y, W = width, H = height, dx, dy;
  if (!ClipToTarget(t, X, Y, W, H, dx, dy)) return false;
  BitmapObj& d = *t.bmp;
  const BrushObj* brush = nullptr;
  if (rop == PATCOPY) {
    brush = GetBrush(GetDc(dst)->brush);
    if (!brush || brush->null) return false;
  } else if (rop != BLACKNESS && rop != WHITENESS && rop != DSTINVERT) {
    return false;
  }
  for (int64_t r = 0; r < H; ++r) {
    uint32_t* dr = &d.pixels[size_t(Y + r) * size_t(d.width) + size_t(X)];
    switch (rop) {
      case BLACKNESS: std::fill(dr, dr + W, kPixelBlack); break;
      case WHITENESS: std::fill(dr, dr + W, kPixelWhite); break;
      case DSTINVERT:
        for (int64_t i = 0; i < W; ++i) dr[i] ^= kPixelWhite;
        break;
      default: FillSpan(d, int32_t(X), int32_t(Y + r), int32_t(W), *brush, R2_COPYPEN); break;
    }
  }
  d.version++;
  return true;
}

bool FillRect(HDC dst, const RECT* rect, HBRUSH brushHandle) {
  const BrushObj* brush = GetBrush(brushHandle);
  Target t;
  if (!rect || !brush || brush->null || !GetTarget(dst, t)) return false;
  int64_t X = rect->left, Y = rect->top, W = int64_t(rect->right) - rect->left,
          H = int64_t(rect->bottom) - rect->top, dx, dy;
  if (!ClipToTarget(t, X, Y, W, H, dx, dy)) return false;
  for (int64_t r = 0; r < H; ++r) FillSpan(*t.bmp, int32_t(X), int32_t(Y + r), int32_t(W), *brush, R2_COPYPEN);
  t.bmp->version++;
  return true;
}

bool Ellipse(HDC dst, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  Target t;
  if (!GetTarget(dst, t)) return false;
  DcObj* dc = GetDc(dst);
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  if (right - int64_t(left) < 1 || bottom - int64_t(top) < 1) return false;
  const BrushObj* brush = GetBrush(dc->brush);
  const PenObj* pen = GetPen(dc->pen);
  const bool fill = brush && !brush->null;
  const bool outline = pen && !pen->null;
  if (!fill && !outline) return true;

  // A pixel belongs to the ellipse when its centre lies inside or on the
  // ellipse inscribed in the box; the spans are symmetric about the centre.
  const double cx = (double(left) + double(right)) / 2, cy = (double(top) + double(bottom)) / 2;
  const double a = (double(right) - double(left)) / 2, b = (double(bottom) - double(top)) / 2;
  auto span = [&](int64_t row, int64_t& x0, int64_t& x1) {
    if (row < top || row >= bottom) return false;
    const double v = (double(row) + 0.5 - cy) / b;
    const double q = 1.0 - v * v;
    if (q < 0) return false;
    const double hw = a * std::sqrt(q);
    x0 = std::max<int64_t>(left, int64_t(std::ceil(cx - hw - 0.5)));
    x1 = std::min<int64_t>(int64_t(right) - 1, int64_t(std::floor(cx + hw - 0.5)));
    return x0 <= x1;
  };
  BitmapObj& d = *t.bmp;
  const int64_t y0 = std::max<int64_t>(top, int64_t(t.clipTop) - t.originY);
  const int64_t y1 = std::min<int64_t>(bottom, int64_t(t.clipBottom) - t.originY);
  for (int64_t row = y0; row < y1; ++row) {
    int64_t x0, x1;
    if (!span(row, x0, x1)) continue;
    int64_t ax0 = 0, ax1 = -1, bx0 = 0, bx1 = -1;
    const bool above = span(row - 1, ax0, ax1), below = span(row + 1, bx0, bx1);
    const int64_t by = row + t.originY;
    const int64_t lo = std::max<int64_t>(x0, int64_t(t.clipLeft) - t.originX);
    const int64_t hi = std::min<int64_t>(x1, int64_t(t.clipRight) - 1 - t.originX);
    for (int64_t x = lo; x <= hi; ++x) {
      const int64_t bx = x + t.originX;
      uint32_t& p = d.pixels[size_t(by) * size_t(d.width) + size_t(bx)];
      const bool edge = x == x0 || x == x1 || !above || x < ax0 || x > ax1 || !below || x < bx0 || x > bx1;
      uint32_t c;
      if (outline && edge) {
        c = pen->color;
      } else if (fill) {
        c = brush->At(int32_t(bx), int32_t(by));
      } else {
        continue;
      }
      if (d.mono) c = ToMono(c);
      p = Mix(dc->rop2, p, c);
    }
  }
  d.version++;
  return true;
}

COLORREF GetPixel(HDC hdc, int32_t x, int32_t y) {
  Target t;
  if (!GetTarget(hdc, t)) return CLR_INVALID;
  const int64_t bx = int64_t(x) + t.originX, by = int64_t(y) + t.originY;
  if (bx < t.clipLeft || bx >= t.clipRight || by < t.clipTop || by >= t.clipBottom) return CLR_INVALID;
  return ColorRefFromPixel(t.bmp->pixels[size_t(by) * size_t(t.bmp->width) + size_t(bx)]);
}

bool SetPixelV(HDC hdc, int32_t x, int32_t y, COLORREF color) {
  Target t;
  if (!GetTarget(hdc, t)) return false;
  const int64_t bx = int64_t(x) + t.originX, by = int64_t(y) + t.originY;
  if (bx < t.clipLeft || bx >= t.clipRight || by < t.clipTop || by >= t.clipBottom) return false;
  uint32_t p = PixelFromColorRef(color & 0xFFFFFF);
  if (t.bmp->mono) p = ToMono(p);
  t.bmp->pixels[size_t(by) * size_t(t.bmp->width) + size_t(bx)] = p;
  t.bmp->version++;
  return true;
}

}  // namespace vel
