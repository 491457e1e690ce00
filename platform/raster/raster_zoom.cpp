// Raster layer: the nearest-neighbour copy enlarged by a whole factor that
// presents a frame composed at a fraction of the window's size. Validated and
// clipped once; each source row is widened once and its copies are plain row
// copies.
#include <algorithm>
#include <cstring>

#include "velscene/platform/raster/internal/raster_objects.h"

namespace vel {
using namespace raster;

namespace {

// Writes n destination pixels starting `phase` pixels into the block of
// source pixel s[0], each source pixel repeated F times.
template <int F>
void WidenRow(uint32_t* __restrict o, const uint32_t* __restrict s, int64_t phase, int64_t n) {
  int64_t i = 0;
  if (phase != 0) {
    const int64_t k = std::min<int64_t>(n, F - phase);
    for (; i < k; ++i) o[i] = s[0];
    ++s;
  }
  for (; i + F <= n; i += F, ++s)
    for (int k = 0; k < F; ++k) o[i + k] = *s;
  for (; i < n; ++i) o[i] = *s;
}

void WidenRowAny(uint32_t* __restrict o, const uint32_t* __restrict s, int64_t f, int64_t phase, int64_t n) {
  int64_t i = 0;
  for (int64_t k = phase; i < n; ++s, k = 0) {
    const int64_t run = std::min(n - i, f - k);
    std::fill(o + i, o + i + run, *s);
    i += run;
  }
}

// The part [lo, hi) of the destination offsets 0..size-1 (from the rectangle's
// origin `at`, bitmap coordinates) that lies inside the clip [clipLo, clipHi)
// and whose source pixel (from source origin `from`, factor f) lies inside
// [0, sourceSize).
void ClipSpan(int64_t at, int64_t size, int64_t clipLo, int64_t clipHi, int64_t from, int64_t sourceSize, int64_t f,
          int64_t& lo, int64_t& hi) {
  lo = std::max<int64_t>({0, clipLo - at, -from * f});
  hi = std::min<int64_t>({size, clipHi - at, (sourceSize - from) * f});
}

}  // namespace

bool ZoomBlt(HDC dst, int32_t x, int32_t y, int32_t width, int32_t height, HDC src, int32_t sx, int32_t sy,
             int32_t factor) {
  if (factor == 1) return PresentBlt(dst, x, y, width, height, src, sx, sy);
  if (factor < 1 || factor > kMaxZoomFactor) return false;
  Target t, s;
  if (!GetTarget(dst, t) || !GetTarget(src, s) || t.bmp == s.bmp) return false;
  BitmapObj& d = *t.bmp;
  const BitmapObj& sb = *s.bmp;
  if (d.mono && !sb.mono) return false;  // no colour-to-monochrome conversion here
  const int64_t f = factor;
  const int64_t X0 = int64_t(x) + t.originX, Y0 = int64_t(y) + t.originY;
  const int64_t SX0 = int64_t(sx) + s.originX, SY0 = int64_t(sy) + s.originY;
  int64_t u0, u1, v0, v1;
  ClipSpan(X0, width, t.clipLeft, t.clipRight, SX0, sb.width, f, u0, u1);
  ClipSpan(Y0, height, t.clipTop, t.clipBottom, SY0, sb.height, f, v0, v1);
  if (u0 >= u1 || v0 >= v1) return false;

  const int64_t n = u1 - u0, phase = u0 % f;
  const size_t dw = size_t(d.width), sw = size_t(sb.width);
  const uint32_t* sbase = sb.pixels.data() + size_t(SX0 + u0 / f);
  uint32_t* drow = d.pixels.data() + size_t(Y0 + v0) * dw + size_t(X0 + u0);
  const uint32_t* widened = nullptr;  // the destination row that holds the current source row
  int64_t widenedRow = -1;
  for (int64_t v = v0; v < v1; ++v, drow += dw) {
    const int64_t row = SY0 + v / f;
    if (row == widenedRow) {
      std::memcpy(drow, widened, size_t(n) * sizeof(uint32_t));
      continue;
    }
    const uint32_t* srow = sbase + size_t(row) * sw;
    switch (factor) {
      case 2: WidenRow<2>(drow, srow, phase, n); break;
      case 3: WidenRow<3>(drow, srow, phase, n); break;
      case 4: WidenRow<4>(drow, srow, phase, n); break;
      default: WidenRowAny(drow, srow, f, phase, n); break;
    }
    widened = drow;
    widenedRow = row;
  }
  const bool whole = X0 + u0 == 0 && Y0 + v0 == 0 && n == d.width && v1 - v0 == d.height;
  NoteWrite(d, KnownClean(*s.bmp), whole);
  d.version++;
  return true;
}

}  // namespace vel
