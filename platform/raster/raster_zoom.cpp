// Raster layer: the nearest-neighbour copy enlarged by a whole factor that
// presents a frame composed at a fraction of the window's size. Validated and
// clipped once; rows are widened with vector shuffles. A large copy widens
// each row in a small chunk that stays in the first-level cache and streams
// it past the cache, like PresentBlt; a small one widens each source row once
// into the destination and copies it for the rows that repeat it.
#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "velscene/platform/raster/internal/raster_objects.h"

namespace vel {
using namespace raster;

namespace {

// Pixels a copy must have before it streams past the cache (256 KiB).
constexpr int64_t kStreamPixels = int64_t(1) << 16;
// Destination pixels widened at a time before they are streamed out.
constexpr int64_t kChunkPixels = 1024;

// Writes n destination pixels: the first starts `phase` pixels into the
// block of source pixel s[0], each source pixel repeated F times.
template <int F>
void WidenRow(uint32_t* __restrict o, const uint32_t* __restrict s, int64_t phase, int64_t n) {
  int64_t i = 0;
  if (phase != 0) {
    const int64_t k = std::min<int64_t>(n, F - phase);
    for (; i < k; ++i) o[i] = s[0];
    ++s;
  }
#if defined(__SSE2__)
  // Four source pixels a step, as F vectors of four destination pixels.
  auto store = [&](int64_t at, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(o + at), v); };
  for (; i + 4 * F <= n; i += 4 * F, s += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    if constexpr (F == 2) {
      store(i, _mm_unpacklo_epi32(v, v));
      store(i + 4, _mm_unpackhi_epi32(v, v));
    } else if constexpr (F == 3) {
      store(i, _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 0, 0)));
      store(i + 4, _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 2, 1, 1)));
      store(i + 8, _mm_shuffle_epi32(v, _MM_SHUFFLE(3, 3, 3, 2)));
    } else {
      static_assert(F == 4, "vector widening for factors 2 to 4");
      store(i, _mm_shuffle_epi32(v, _MM_SHUFFLE(0, 0, 0, 0)));
      store(i + 4, _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 1, 1, 1)));
      store(i + 8, _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 2, 2, 2)));
      store(i + 12, _mm_shuffle_epi32(v, _MM_SHUFFLE(3, 3, 3, 3)));
    }
  }
#endif
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

// Destination offsets u .. u + n - 1 (from the rectangle's origin) of a row
// whose source is the bitmap row `row` from column `first` on, each source
// pixel repeated f times.
void Widen(uint32_t* o, const uint32_t* row, int64_t first, int64_t f, int64_t u, int64_t n) {
  const uint32_t* s = row + (first + u / f);
  const int64_t phase = u % f;
  switch (f) {
    case 2: WidenRow<2>(o, s, phase, n); break;
    case 3: WidenRow<3>(o, s, phase, n); break;
    case 4: WidenRow<4>(o, s, phase, n); break;
    default: WidenRowAny(o, s, f, phase, n); break;
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

  const int64_t n = u1 - u0;
  const size_t dw = size_t(d.width), sw = size_t(sb.width);
  const uint32_t* spixels = sb.pixels.data();
  uint32_t* drow = d.pixels.data() + size_t(Y0 + v0) * dw + size_t(X0 + u0);
  if (n * (v1 - v0) >= kStreamPixels) {
    alignas(64) uint32_t chunk[kChunkPixels];
    for (int64_t v = v0; v < v1; ++v, drow += dw) {
      const uint32_t* srow = spixels + size_t(SY0 + v / f) * sw;
      for (int64_t done = 0; done < n; done += kChunkPixels) {
        const int64_t m = std::min(n - done, kChunkPixels);
        Widen(chunk, srow, SX0, f, u0 + done, m);
        StreamRow(drow + done, chunk, size_t(m));
      }
    }
    StreamFence();
  } else {
    const uint32_t* widened = nullptr;  // the destination row that holds the current source row
    int64_t widenedRow = -1;
    for (int64_t v = v0; v < v1; ++v, drow += dw) {
      const int64_t row = SY0 + v / f;
      if (row == widenedRow) {
        std::memcpy(drow, widened, size_t(n) * sizeof(uint32_t));
        continue;
      }
      Widen(drow, spixels + size_t(row) * sw, SX0, f, u0, n);
      widened = drow;
      widenedRow = row;
    }
  }
  const bool whole = X0 + u0 == 0 && Y0 + v0 == 0 && n == d.width && v1 - v0 == d.height;
  NoteWrite(d, KnownClean(*s.bmp), whole);
  d.version++;
  return true;
}

}  // namespace vel
