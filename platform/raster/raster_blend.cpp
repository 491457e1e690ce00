// AlphaBlt: premultiplied source over destination. Validated and clipped once;
// then either the source's span table (opaque runs copied, translucent runs
// blended, clear runs skipped) or a plain blend of every pixel, both in
// vector loops of eight pixels.
//
// The blend of one channel: C = min(255, Cs + round(Cd x (255 - A) / 255)).
// For v = Cd x (255 - A) <= 255 x 255, round(v / 255) = (t + (t >> 8)) >> 8
// with t = v + 128, exact over that range. A zero source word leaves the
// destination word as it is, top byte included, so that blending over clear
// pixels equals skipping them.
#include <algorithm>
#include <cstring>

#include "velscene/platform/raster/internal/raster_spans.h"

namespace vel {
using namespace raster;

namespace {

using Words8 = uint32_t __attribute__((vector_size(32)));
using Halves16 = uint16_t __attribute__((vector_size(32)));

// One pixel, two channels per 32-bit product: red and blue in one word,
// alpha and green in the other, each field 16 bits wide.
template <bool AlphaOut>
inline uint32_t BlendOne(uint32_t d, uint32_t s) {
  if (s == 0) return d;
  const uint32_t inv = 255 - (s >> 24);
  uint32_t rb = (d & 0xFF00FFu) * inv + 0x800080u;
  uint32_t ag = ((d >> 8) & 0xFF00FFu) * inv + 0x800080u;
  rb = ((rb + ((rb >> 8) & 0xFF00FFu)) >> 8) & 0xFF00FFu;
  ag = ((ag + ((ag >> 8) & 0xFF00FFu)) >> 8) & 0xFF00FFu;
  rb += s & 0xFF00FFu;
  ag += (s >> 8) & 0xFF00FFu;
  // Fields are at most 510: bit 8 of a field marks a sum past 255.
  const uint32_t orb = rb & 0x1000100u, oag = ag & 0x1000100u;
  rb = (rb | (orb - (orb >> 8))) & 0xFF00FFu;
  ag = (ag | (oag - (oag >> 8))) & 0xFF00FFu;
  const uint32_t out = rb | (ag << 8);
  return AlphaOut ? out : out & 0xFFFFFFu;
}

// Eight pixels, d := blend of s over d: the same fields as 16-bit lanes, so
// the products are 16-bit multiplies and the rounding needs no masks.
// Vectors go by reference (never by value, whose ABI depends on the target).
template <bool AlphaOut>
__attribute__((always_inline)) inline void BlendEight(Words8& d, const Words8& s) {
  const Words8 inv = 255 - (s >> 24);
  const Halves16 inv2 = Halves16(inv | (inv << 16));
  Halves16 rb = Halves16(d & 0xFF00FFu) * inv2 + 128;
  Halves16 ag = Halves16((d >> 8) & 0xFF00FFu) * inv2 + 128;
  rb = (rb + (rb >> 8)) >> 8;
  ag = (ag + (ag >> 8)) >> 8;
  rb += Halves16(s & 0xFF00FFu);
  ag += Halves16((s >> 8) & 0xFF00FFu);
  rb = rb > 255 ? Halves16{} + 255 : rb;
  ag = ag > 255 ? Halves16{} + 255 : ag;
  Words8 out = Words8(rb) | (Words8(ag) << 8);
  if (!AlphaOut) out &= 0xFFFFFFu;
  d = s == 0 ? d : out;
}

// Blends n source words over n destination words. Blocks of eight; the last
// block overlaps the one before it, so it is worked out from the untouched
// destination first and stored last.
template <bool AlphaOut>
__attribute__((always_inline)) inline void BlendRun(uint32_t* d, const uint32_t* s, size_t n) {
  if (n < 8) {
    for (size_t k = 0; k < n; ++k) d[k] = BlendOne<AlphaOut>(d[k], s[k]);
    return;
  }
  Words8 last, x, y;
  std::memcpy(&last, d + n - 8, sizeof last);
  std::memcpy(&y, s + n - 8, sizeof y);
  BlendEight<AlphaOut>(last, y);
  for (size_t k = 0; k + 8 < n; k += 8) {
    std::memcpy(&x, d + k, sizeof x);
    std::memcpy(&y, s + k, sizeof y);
    BlendEight<AlphaOut>(x, y);
    std::memcpy(d + k, &x, sizeof x);
  }
  std::memcpy(d + n - 8, &last, sizeof last);
}

// Opaque words: copied, with a clear top byte into an opaque target.
template <bool AlphaOut>
__attribute__((always_inline)) inline void CopyRun(uint32_t* d, const uint32_t* s, size_t n) {
  if (AlphaOut) {
    std::memcpy(d, s, n * sizeof(uint32_t));
    return;
  }
  size_t k = 0;
  for (; k + 8 <= n; k += 8) {
    Words8 x;
    std::memcpy(&x, s + k, sizeof x);
    x &= 0xFFFFFFu;
    std::memcpy(d + k, &x, sizeof x);
  }
  for (; k < n; ++k) d[k] = s[k] & 0xFFFFFFu;
}

// The clipped rectangle c drawn through the source's span table.
template <bool AlphaOut>
__attribute__((always_inline)) inline void SpansAs(BitmapObj& d, const SpanTable& t, const BlitRect& c) {
  const int64_t from = c.SX, to = c.SX + c.W;
  const uint32_t* words = t.words.data();
  for (int64_t r = 0; r < c.H; ++r) {
    const size_t srow = size_t(c.SY + r);
    uint32_t* dr = &d.pixels[size_t(c.Y + r) * size_t(d.width) + size_t(c.X)];  // source column SX
    const Span* s = t.spans.data() + t.rows[srow];
    const Span* end = t.spans.data() + t.rows[srow + 1];
    for (; s != end; ++s) {
      const int64_t a = std::max<int64_t>(s->x0, from), b = std::min<int64_t>(s->x1, to);
      if (a >= b) {
        if (int64_t(s->x0) >= to) break;
        continue;
      }
      uint32_t* out = dr + (a - from);
      const uint32_t* in = words + s->at + (a - s->x0);
      if (s->copy) CopyRun<AlphaOut>(out, in, size_t(b - a));
      else BlendRun<AlphaOut>(out, in, size_t(b - a));
    }
  }
}

// The clipped rectangle c blended pixel by pixel from the source bitmap.
template <bool AlphaOut>
__attribute__((always_inline)) inline void RowsAs(BitmapObj& d, const BitmapObj& sb, const BlitRect& c) {
  uint32_t* dr = &d.pixels[size_t(c.Y) * size_t(d.width) + size_t(c.X)];
  const uint32_t* sr = &sb.pixels[size_t(c.SY) * size_t(sb.width) + size_t(c.SX)];
  for (int64_t r = 0; r < c.H; ++r, dr += d.width, sr += sb.width) BlendRun<AlphaOut>(dr, sr, size_t(c.W));
}

template <bool AlphaOut>
__attribute__((always_inline)) inline void DrawAs(BitmapObj& d, const BitmapObj& sb, const SpanTable* t, const BlitRect& c) {
  if (t) SpansAs<AlphaOut>(d, *t, c);
  else RowsAs<AlphaOut>(d, sb, c);
}

// The loops for the baseline instruction set and, on x86, once more for
// processors with AVX2 (whole 32-byte vectors).
void DrawBase(BitmapObj& d, const BitmapObj& sb, const SpanTable* t, const BlitRect& c, bool alphaOut) {
  alphaOut ? DrawAs<true>(d, sb, t, c) : DrawAs<false>(d, sb, t, c);
}
#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"))) void DrawAvx2(BitmapObj& d, const BitmapObj& sb, const SpanTable* t,
                                                const BlitRect& c, bool alphaOut) {
  alphaOut ? DrawAs<true>(d, sb, t, c) : DrawAs<false>(d, sb, t, c);
}
void Draw(BitmapObj& d, const BitmapObj& sb, const SpanTable* t, const BlitRect& c, bool alphaOut) {
  static const bool avx2 = __builtin_cpu_supports("avx2");
  (avx2 ? DrawAvx2 : DrawBase)(d, sb, t, c, alphaOut);
}
#else
void Draw(BitmapObj& d, const BitmapObj& sb, const SpanTable* t, const BlitRect& c, bool alphaOut) {
  DrawBase(d, sb, t, c, alphaOut);
}
#endif

}  // namespace

bool AlphaBlt(HDC dst, int32_t x, int32_t y, int32_t width, int32_t height, HDC src, int32_t sx, int32_t sy) {
  Target t, s;
  if (!GetTarget(dst, t) || !GetTarget(src, s)) return false;
  BitmapObj& d = *t.bmp;
  BitmapObj& sb = *s.bmp;
  if (&d == &sb || d.mono || sb.mono) return false;
  BlitRect c;
  if (!ClipBlit(t, s, x, y, width, height, sx, sy, c)) return false;
  // A prepared source whose pixels changed since gets its table again.
  const SpanTable* table = sb.alphaSpans ? AlphaSpans(sb) : nullptr;
  const bool alphaOut = d.alpha == BitmapAlpha::Premultiplied;
  Draw(d, sb, table, c, alphaOut);
  // Words under zero source words keep whatever top byte they had.
  NoteWrite(d, !alphaOut, false);
  d.version++;
  return true;
}

void PrepareAlphaBlt(HBITMAP image) {
  if (BitmapObj* b = GetBitmap(image); b && !b->mono) AlphaSpans(*b);
}

}  // namespace vel
