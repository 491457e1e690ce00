// Raster layer drawing: blits, pattern fills, rectangles, ellipses and single
// pixels. Each entry validates and clips once; the row loops below run without
// checks and are written so that the compiler vectorises them.
#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "velscene/platform/raster/internal/raster_objects.h"

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

}  // namespace

bool raster::ClipBlit(const Target& t, const Target& s, int32_t x, int32_t y, int32_t width, int32_t height,
              int32_t sx, int32_t sy, BlitRect& out) {
  int64_t X = x, Y = y, W = width, H = height, dx, dy;
  if (!ClipToTarget(t, X, Y, W, H, dx, dy)) return false;
  // Source rectangle in source bitmap coordinates, clipped to the source bitmap.
  int64_t SX = int64_t(sx) + s.originX + dx, SY = int64_t(sy) + s.originY + dy;
  if (SX < 0) { X -= SX; W += SX; SX = 0; }
  if (SY < 0) { Y -= SY; H += SY; SY = 0; }
  W = std::min<int64_t>(W, s.bmp->width - SX);
  H = std::min<int64_t>(H, s.bmp->height - SY);
  if (W <= 0 || H <= 0) return false;
  out = {X, Y, W, H, SX, SY};
  return true;
}

namespace {

// Row kernels. `d` and `s` never overlap here (same-bitmap blits go through
// the overlap-safe path).
void RowCopy(uint32_t* __restrict d, const uint32_t* __restrict s, size_t n) {
  std::memcpy(d, s, n * sizeof(uint32_t));
}
// A copy whose stores bypass the cache, a 64-byte line at a time with the
// source fetched ahead (the ends word by word): the destination is not read
// again soon.
void RowStream(uint32_t* d, const uint32_t* s, size_t n) {
#if defined(__SSE2__)
  size_t k = 0;
  for (; k < n && (reinterpret_cast<uintptr_t>(d + k) & 15) != 0; ++k) d[k] = s[k];
  auto at = [&](size_t i) { return reinterpret_cast<const __m128i*>(s + i); };
  for (; k + 16 <= n; k += 16) {
    _mm_prefetch(reinterpret_cast<const char*>(s + k + 64), _MM_HINT_NTA);
    const __m128i a = _mm_loadu_si128(at(k)), b = _mm_loadu_si128(at(k + 4)), c = _mm_loadu_si128(at(k + 8)),
                  e = _mm_loadu_si128(at(k + 12));
    _mm_stream_si128(reinterpret_cast<__m128i*>(d + k), a);
    _mm_stream_si128(reinterpret_cast<__m128i*>(d + k + 4), b);
    _mm_stream_si128(reinterpret_cast<__m128i*>(d + k + 8), c);
    _mm_stream_si128(reinterpret_cast<__m128i*>(d + k + 12), e);
  }
  for (; k + 4 <= n; k += 4) _mm_stream_si128(reinterpret_cast<__m128i*>(d + k), _mm_loadu_si128(at(k)));
  for (; k < n; ++k) d[k] = s[k];
#else
  std::memcpy(d, s, n * sizeof(uint32_t));
#endif
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

// Mixes n pixels of a row from bitmap column bx on with colours repeating
// every 8 columns (colours[column & 7]); the mode is chosen once per run and
// the pixels go in blocks of 8, which vectorise.
void MixRun(uint32_t* row, int64_t bx, int64_t n, const uint32_t* colours, int rop2) {
  uint32_t* p = row + bx;
  uint32_t c[8];
  for (int k = 0; k < 8; ++k) c[k] = colours[(bx + k) & 7];
  auto each = [&](auto op) {
    int64_t i = 0;
    for (; i + 8 <= n; i += 8)
      for (int k = 0; k < 8; ++k) p[i + k] = op(p[i + k], c[k]);
    for (int k = 0; i < n; ++i, ++k) p[i] = op(p[i], c[k]);
  };
  switch (rop2) {
    case R2_MASKPEN: each([](uint32_t d, uint32_t v) { return d & v; }); break;
    case R2_MERGEPEN: each([](uint32_t d, uint32_t v) { return d | v; }); break;
    case R2_XORPEN: each([](uint32_t d, uint32_t v) { return d ^ v; }); break;
    case R2_NOP: break;
    default: each([rop2](uint32_t d, uint32_t v) { return Mix(rop2, d, v); }); break;
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

// Pixels a copy must have before it streams past the cache (256 KiB).
constexpr int64_t kStreamPixels = int64_t(1) << 16;

bool Blit(HDC dst, int32_t x, int32_t y, int32_t width, int32_t height, HDC src, int32_t sx, int32_t sy,
          uint32_t rop, bool streamLarge) {
  if (rop == BLACKNESS || rop == WHITENESS || rop == PATCOPY || rop == DSTINVERT)
    return PatBlt(dst, x, y, width, height, rop);
  RowFn row = RowFor(rop);
  if (!row) return false;
  Target t, s;
  if (!GetTarget(dst, t) || !GetTarget(src, s)) return false;
  BlitRect c;
  if (!ClipBlit(t, s, x, y, width, height, sx, sy, c)) return false;
  const int64_t X = c.X, Y = c.Y, W = c.W, H = c.H, SX = c.SX, SY = c.SY;

  BitmapObj& d = *t.bmp;
  BitmapObj& sb = *s.bmp;
  const size_t n = size_t(W);
  const bool stream = streamLarge && rop == SRCCOPY && W * H >= kStreamPixels;
  const bool convert = d.mono && !sb.mono;
  // Top bytes of the words written: converted source words are clear; AND
  // clears them when either side does, OR and XOR only when both do.
  const bool whole = X == 0 && Y == 0 && W == d.width && H == d.height;
  const bool srcClean = convert || KnownClean(sb);
  const bool written = rop == SRCCOPY ? srcClean : rop == SRCAND ? Clean(d) || srcClean : Clean(d) && srcClean;
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
        if (convert) sp = (sp & kPixelWhite) == bk ? kPixelWhite : kPixelBlack;  // colour only, not alpha
        dr[j] = ApplyRop(rop, dr[j], sp);
      }
    }
  } else {
    uint32_t* dr = &d.pixels[size_t(Y) * size_t(d.width) + size_t(X)];
    const uint32_t* sr = &sb.pixels[size_t(SY) * size_t(sb.width) + size_t(SX)];
    if (stream) {
      for (int64_t i = 0; i < H; ++i, dr += d.width, sr += sb.width) RowStream(dr, sr, n);
#if defined(__SSE2__)
      _mm_sfence();  // the streamed stores are ordered before anything that follows
#endif
    } else {
      for (int64_t i = 0; i < H; ++i, dr += d.width, sr += sb.width) row(dr, sr, n);
    }
  }
  NoteWrite(d, written, whole);
  d.version++;
  return true;
}

}  // namespace

bool BitBlt(HDC dst, int32_t x, int32_t y, int32_t width, int32_t height, HDC src, int32_t sx,
            int32_t sy, uint32_t rop) {
  return Blit(dst, x, y, width, height, src, sx, sy, rop, false);
}

bool PresentBlt(HDC dst, int32_t x, int32_t y, int32_t width, int32_t height, HDC src, int32_t sx, int32_t sy) {
  return Blit(dst, x, y, width, height, src, sx, sy, SRCCOPY, true);
}

bool TransparentBlt(HDC dst, int32_t x, int32_t y, int32_t width, int32_t height, HDC src,
                    int32_t sx, int32_t sy, COLORREF transparent) {
  Target t, s;
  if (!GetTarget(dst, t) || !GetTarget(src, s)) return false;
  BlitRect c;
  if (!ClipBlit(t, s, x, y, width, height, sx, sy, c) || t.bmp == s.bmp) return false;
  const int64_t X = c.X, Y = c.Y, W = c.W, H = c.H, SX = c.SX, SY = c.SY;
  const uint32_t key = PixelFromColorRef(transparent & 0xFFFFFF);
  BitmapObj& d = *t.bmp;
  for (int64_t r = 0; r < H; ++r) {
    uint32_t* dr = &d.pixels[size_t(Y + r) * size_t(d.width) + size_t(X)];
    const uint32_t* sr = &s.bmp->pixels[size_t(SY + r) * size_t(s.bmp->width) + size_t(SX)];
    for (int64_t i = 0; i < W; ++i)
      if ((sr[i] & kPixelWhite) != key) dr[i] = d.mono ? ToMono(sr[i]) : sr[i];
  }
  NoteWrite(d, d.mono || KnownClean(*s.bmp), false);
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
  const bool whole = X == 0 && Y == 0 && W == d.width && H == d.height;
  // DSTINVERT flips only the low 24 bits: the top bytes stay as they were.
  if (rop != DSTINVERT) NoteWrite(d, !brush || brush->clean || d.mono, whole);
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
  NoteWrite(*t.bmp, brush->clean || t.bmp->mono, X == 0 && Y == 0 && W == t.bmp->width && H == t.bmp->height);
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
  uint32_t penRow[8];
  std::fill(penRow, penRow + 8, outline ? (d.mono ? ToMono(pen->color) : pen->color) : 0);
  const int64_t y0 = std::max<int64_t>(top, int64_t(t.clipTop) - t.originY);
  const int64_t y1 = std::min<int64_t>(bottom, int64_t(t.clipBottom) - t.originY);
  for (int64_t row = y0; row < y1; ++row) {
    int64_t x0, x1;
    if (!span(row, x0, x1)) continue;
    const int64_t by = row + t.originY;
    uint32_t* line = &d.pixels[size_t(by) * size_t(d.width)];
    uint32_t fillRow[8];
    if (fill)
      for (int32_t k = 0; k < 8; ++k) fillRow[k] = d.mono ? ToMono(brush->At(k, int32_t(by))) : brush->At(k, int32_t(by));
    const int64_t lo = std::max<int64_t>(x0, int64_t(t.clipLeft) - t.originX);
    const int64_t hi = std::min<int64_t>(x1, int64_t(t.clipRight) - 1 - t.originX);
    // Drawn range [from, to] (logical columns) in one colour row.
    auto run = [&](int64_t from, int64_t to, const uint32_t* colours) {
      from = std::max(from, lo);
      to = std::min(to, hi);
      if (from <= to) MixRun(line, from + t.originX, to - from + 1, colours, dc->rop2);
    };
    if (!outline) {
      run(lo, hi, fillRow);
      continue;
    }
    // The pen takes the pixels on the boundary: the span's ends and whatever
    // the rows above and below do not cover.
    int64_t ax0 = 0, ax1 = -1, bx0 = 0, bx1 = -1;
    const bool above = span(row - 1, ax0, ax1), below = span(row + 1, bx0, bx1);
    int64_t il = 1, ir = 0;
    if (above && below) {
      il = std::max({x0 + 1, ax0, bx0});
      ir = std::min({x1 - 1, ax1, bx1});
    }
    if (il > ir) {
      run(lo, hi, penRow);
      continue;
    }
    run(lo, il - 1, penRow);
    if (fill) run(il, ir, fillRow);
    run(ir + 1, hi, penRow);
  }
  NoteWrite(d, !fill || brush->clean || d.mono, false);
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
