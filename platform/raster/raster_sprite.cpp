// MaskedBlt: a mask AND-blit and an image OR-blit at one rectangle in a single
// pass over the rows' span tables; anything the tables do not cover falls back
// to the two literal blits.
#include <algorithm>
#include <cstring>

#include "velscene/platform/raster/internal/raster_spans.h"

namespace vel {
using namespace raster;

namespace {

constexpr uint32_t kTopClear = 0xFFFFFF;

// Eight pixel words at a time: one 32-byte vector where the processor has
// them. Vectors are moved with memcpy.
using Words8 = uint32_t __attribute__((vector_size(32)));

// Eight words at a 32-byte boundary of the destination.
inline uint32_t* Aligned(uint32_t* p) { return static_cast<uint32_t*>(__builtin_assume_aligned(p, 32)); }

// Applies op to the n words from d on in blocks of eight: one block at the
// start, then blocks on 32-byte boundaries of d (no store straddles two cache
// lines), then one block at the end. Blocks overlap where they meet; copy, OR,
// merge and clearing the top byte give the same word when applied twice, so
// the overlap is harmless.
template <class Op>
__attribute__((always_inline)) inline void Run(const uint32_t* d, size_t n, Op op) {
  if (n < 8) {
    for (size_t k = 0; k < n; ++k) op.One(k);
    return;
  }
  size_t k = ((32 - (reinterpret_cast<uintptr_t>(d) & 31)) & 31) / sizeof(uint32_t);
  if (k != 0) op.Eight(0, false);
  for (; k + 8 <= n; k += 8) op.Eight(k, true);
  if (k < n) op.Eight(n - 8, false);
}

// The ops move eight words through local vectors (never passed by value);
// with `a` the destination block lies on a 32-byte boundary.
inline uint32_t* At(uint32_t* p, bool a) { return a ? Aligned(p) : p; }

struct Copy {
  uint32_t* d;
  const uint32_t* i;
  __attribute__((always_inline)) void One(size_t k) const { d[k] = i[k]; }
  __attribute__((always_inline)) void Eight(size_t k, bool a) const {
    Words8 x;
    std::memcpy(&x, i + k, sizeof x);
    std::memcpy(At(d + k, a), &x, sizeof x);
  }
};
struct Or {
  uint32_t* d;
  const uint32_t* i;
  __attribute__((always_inline)) void One(size_t k) const { d[k] |= i[k]; }
  __attribute__((always_inline)) void Eight(size_t k, bool a) const {
    Words8 x, y;
    std::memcpy(&x, At(d + k, a), sizeof x);
    std::memcpy(&y, i + k, sizeof y);
    x |= y;
    std::memcpy(At(d + k, a), &x, sizeof x);
  }
};
struct Merge {
  uint32_t* d;
  const uint32_t* m;
  const uint32_t* i;
  __attribute__((always_inline)) void One(size_t k) const { d[k] = (d[k] & m[k]) | i[k]; }
  __attribute__((always_inline)) void Eight(size_t k, bool a) const {
    Words8 x, y, z;
    std::memcpy(&x, At(d + k, a), sizeof x);
    std::memcpy(&y, m + k, sizeof y);
    std::memcpy(&z, i + k, sizeof z);
    x = (x & y) | z;
    std::memcpy(At(d + k, a), &x, sizeof x);
  }
};
struct ClearTop {
  uint32_t* d;
  __attribute__((always_inline)) void One(size_t k) const { d[k] &= kTopClear; }
  __attribute__((always_inline)) void Eight(size_t k, bool a) const {
    Words8 x;
    std::memcpy(&x, At(d + k, a), sizeof x);
    x &= kTopClear;
    std::memcpy(At(d + k, a), &x, sizeof x);
  }
};

// One span's words [skip, skip + n) drawn at out.
__attribute__((always_inline)) inline void DrawSpan(uint32_t* out, const Span& s, const uint32_t* w, size_t skip, size_t n, bool pair) {
  if (!pair) Run(out, n, Or{out, w + skip});
  else if (s.copy) Run(out, n, Copy{out, w + skip});
  else Run(out, n, Merge{out, w + skip, w + (s.x1 - s.x0) + skip});
}

// Draws the clipped rectangle c through the span table, whose packed words
// stand for the sprite's pixels; width is the sprite's. `pair`: the table is
// a mask/image pair's, else an image's drawn alone (OR). Columns between a
// pair's spans have a white mask and a black image: with clearTop they lose
// their top byte, as AND with white does; otherwise they are known to have
// none and are skipped.
__attribute__((always_inline)) inline void DrawSpansAs(BitmapObj& d, const SpanTable& t, const BlitRect& c, int64_t width,
                                                       bool pair, bool clearTop) {
  const int64_t from = c.SX, to = c.SX + c.W;
  const bool whole = from == 0 && to == width && !clearTop;
  const uint32_t* words = t.words.data();
  for (int64_t r = 0; r < c.H; ++r) {
    const size_t srow = size_t(c.SY + r);
    // Column SX of the source row lands on dr[0].
    uint32_t* dr = &d.pixels[size_t(c.Y + r) * size_t(d.width) + size_t(c.X)];
    const Span* s = t.spans.data() + t.rows[srow];
    const Span* end = t.spans.data() + t.rows[srow + 1];
    // Ask for the destination lines two rows ahead, so that the stores there
    // do not wait for them.
    if (r + 2 < c.H) {
      uint32_t* ahead = dr + 2 * size_t(d.width);
      for (int64_t x = 0; x < c.W; x += 16) __builtin_prefetch(ahead + x, 1);
      __builtin_prefetch(ahead + c.W - 1, 1);
    }
    if (whole) {
      for (; s != end; ++s) DrawSpan(dr + s->x0, *s, words + s->at, 0, s->x1 - s->x0, pair);
      continue;
    }
    int64_t done = from;
    for (; s != end; ++s) {
      const int64_t a = std::max<int64_t>(s->x0, from), b = std::min<int64_t>(s->x1, to);
      if (a >= b) {
        if (int64_t(s->x0) >= to) break;
        continue;
      }
      if (clearTop && done < a) Run(dr + (done - from), size_t(a - done), ClearTop{dr + (done - from)});
      DrawSpan(dr + (a - from), *s, words + s->at, size_t(a - s->x0), size_t(b - a), pair);
      done = b;
    }
    if (clearTop && done < to) Run(dr + (done - from), size_t(to - done), ClearTop{dr + (done - from)});
  }
}

// The row loop for the baseline instruction set and, on x86, once more with
// whole 32-byte loads and stores for processors that have AVX2.
void DrawSpansBase(BitmapObj& d, const SpanTable& t, const BlitRect& c, int64_t width, bool pair, bool clearTop) {
  DrawSpansAs(d, t, c, width, pair, clearTop);
}
#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2")))
void DrawSpansAvx2(BitmapObj& d, const SpanTable& t, const BlitRect& c, int64_t width, bool pair, bool clearTop) {
  DrawSpansAs(d, t, c, width, pair, clearTop);
}
void DrawSpans(BitmapObj& d, const SpanTable& t, const BlitRect& c, int64_t width, bool pair, bool clearTop) {
  static const bool avx2 = __builtin_cpu_supports("avx2");
  (avx2 ? DrawSpansAvx2 : DrawSpansBase)(d, t, c, width, pair, clearTop);
}
#else
void DrawSpans(BitmapObj& d, const SpanTable& t, const BlitRect& c, int64_t width, bool pair, bool clearTop) {
  DrawSpansBase(d, t, c, width, pair, clearTop);
}
#endif

}  // namespace

bool MaskedBlt(HDC dst, int32_t x, int32_t y, int32_t width, int32_t height, HDC src, HBITMAP mask,
               HBITMAP image) {
  BitmapObj* mb = GetBitmap(mask);
  BitmapObj* ib = GetBitmap(image);
  const DcObj* sdc = GetDc(src);
  Target t;
  if (ib && sdc && !sdc->display && (mb || !mask) && GetTarget(dst, t)) {
    BitmapObj& d = *t.bmp;
    // Same-sized pair (or the image alone), distinct from the target, with no
    // colour-to-monochrome conversion: one pass.
    const bool pair = mb && mb != ib && mb->width == ib->width && mb->height == ib->height &&
                      (!d.mono || (mb->mono && ib->mono));
    const bool alone = !mb && (!d.mono || ib->mono);
    if ((pair || alone) && &d != mb && &d != ib) {
      const SpanTable* spans = pair ? MaskSpans(*mb, *ib) : ImageSpans(*ib);
      if (spans) {
        SelectObject(src, image);
        const Target s{ib, sdc->originX, sdc->originY};
        BlitRect c;
        if (!ClipBlit(t, s, x, y, width, height, 0, 0, c)) return false;
        // With a mask, untouched columns are ANDed with white: a no-op only
        // on words whose top byte is clear.
        const bool clearTop = pair && !KnownClean(d);
        DrawSpans(d, *spans, c, ib->width, pair, clearTop);
        NoteWrite(d, spans->clean, false);
        d.version += pair ? 2 : 1;
        return true;
      }
    }
  }
  bool drew = false;
  if (mask && SelectObject(src, mask)) drew = BitBlt(dst, x, y, width, height, src, 0, 0, SRCAND);
  if (image && SelectObject(src, image)) drew = BitBlt(dst, x, y, width, height, src, 0, 0, SRCPAINT) || drew;
  return drew;
}

void PrepareMaskedBlt(HBITMAP mask, HBITMAP image) {
  BitmapObj* ib = GetBitmap(image);
  if (!ib) return;
  if (!mask) ImageSpans(*ib);
  else if (BitmapObj* mb = GetBitmap(mask); mb && mb != ib) MaskSpans(*mb, *ib);
}

}  // namespace vel
