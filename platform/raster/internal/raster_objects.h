// Internal to the raster layer: the object and context tables behind the
// handles, shared by the object code (raster.cpp) and the drawing code.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "velscene/platform/raster/raster.h"

namespace vel::raster {

// The pixels of one row of a sprite that a masked draw must touch, columns
// x0 up to x1 (exclusive), with their words packed in the table from `at` on.
// Copy: the mask is black there; the packed image words are copied. Merge:
// any other mask; the packed mask words, then the packed image words, give
// dest := (dest AND mask) OR image. Columns in no span have a white mask and a
// black image: they change nothing but the top byte. An image drawn alone has
// Merge spans of its non-zero words, packed once (dest := dest OR image).
struct Span {
  uint32_t x0;
  uint32_t x1 : 31;
  uint32_t copy : 1;
  uint32_t at;
};

// The spans of every row of a sprite and their packed words. Immutable once
// built, and shared by every bitmap whose sprite has the same table.
struct SpanTable {
  std::vector<uint32_t> rows;  // height + 1 offsets into spans
  std::vector<Span> spans;
  std::vector<uint32_t> words;
  bool clean = true;  // the packed image words have a clear top byte
  uint64_t hash = 0;
};

// The state of the bitmaps a table was built from; the table is current while
// both keep it.
struct SpanKey {
  uint64_t version = 0, locks = 0;                          // the bitmap holding the table
  uint64_t partner = 0, partnerVersion = 0, partnerLocks = 0;  // its pair (serial and state)
  bool operator==(const SpanKey&) const = default;
};

// What the layer knows of the top bytes of a bitmap's words (0x00RRGGBB keeps
// them 0): all clear, possibly set somewhere, or unknown since a direct access.
enum class TopBytes : uint8_t { Clear, Set, Unknown };

// The first cache line holds what every blit reads, the second what a
// masked blit checks its span table with.
struct alignas(64) BitmapObj {
  int32_t width = 0;
  int32_t height = 0;
  bool mono = false;
  // Drawing keeps this up to date; a direct access makes it unknown until a
  // scan. Set is conservative: such a bitmap may well be clear.
  TopBytes top = TopBytes::Clear;
  BitmapAlpha alpha = BitmapAlpha::Ignored;
  uint32_t selections = 0;  // contexts that hold it
  uint64_t version = 0;
  // Direct pixel accesses (LockPixels, TouchBitmap): writes the layer did not see.
  uint64_t locks = 0;
  uint64_t serial = 0;           // unique to this bitmap object, never reused
  std::vector<uint32_t> pixels;  // row-major, stride == width

  SpanKey pairKey;
  std::shared_ptr<const SpanTable> pairSpans;  // this bitmap as a mask, with its image
  SpanKey orKey;
  std::shared_ptr<const SpanTable> orSpans;  // this bitmap as an image on its own
  SpanKey alphaKey;
  std::shared_ptr<const SpanTable> alphaSpans;  // this bitmap as an AlphaBlt source
  HPALETTE palette{};
};

struct BrushObj {
  bool null = false;
  bool solid = true;
  bool clean = true;        // every colour word has a clear top byte
  uint32_t color = 0;       // pixel word of a solid brush
  uint32_t pattern[64] = {};  // pixel words of a pattern brush, row-major 8 x 8
  uint32_t At(int32_t x, int32_t y) const { return solid ? color : pattern[((y & 7) << 3) | (x & 7)]; }
};

struct PenObj {
  bool null = false;
  uint32_t color = 0;
};

enum class Kind : uint8_t { Free, Bitmap, Brush, Pen, Palette };

struct ObjSlot {
  uint16_t generation = 1;
  Kind kind = Kind::Free;
  bool stock = false;
  std::unique_ptr<BitmapObj> bitmap;
  BrushObj brush;
  PenObj pen;
  std::vector<COLORREF> palette;
};

struct DcObj {
  bool display = false;
  HBITMAP bitmap{};
  HBRUSH brush{};
  HPEN pen{};
  int rop2 = R2_COPYPEN;
  COLORREF bkColor = 0xFFFFFF;
  int32_t originX = 0, originY = 0;
  bool hasClip = false;
  RECT clip{};  // logical coordinates
};

struct DcSlot {
  uint16_t generation = 1;
  bool used = false;
  DcObj dc;
};

// Lookup; nullptr for a stale, freed or wrong-kind handle.
BitmapObj* GetBitmap(HGDIOBJ h);
const BrushObj* GetBrush(HGDIOBJ h);
const PenObj* GetPen(HGDIOBJ h);
DcObj* GetDc(HDC h);

// A context's target: the bitmap and the rectangle (bitmap coordinates, right
// and bottom exclusive) that drawing through the context may touch.
struct Target {
  BitmapObj* bmp = nullptr;
  int32_t originX = 0, originY = 0;
  int32_t clipLeft = 0, clipTop = 0, clipRight = 0, clipBottom = 0;
};
bool GetTarget(HDC h, Target& out);

// A blit's rectangle clipped to the target t and to the source bitmap of s
// (whose context origin applies): (X, Y) in target bitmap coordinates, (SX, SY)
// in source bitmap coordinates, W x H. False when nothing remains.
struct BlitRect {
  int64_t X = 0, Y = 0, W = 0, H = 0, SX = 0, SY = 0;
};
bool ClipBlit(const Target& t, const Target& s, int32_t x, int32_t y, int32_t width, int32_t height,
              int32_t sx, int32_t sy, BlitRect& out);

// True when every word of the bitmap is known to have a clear top byte; an
// unknown bitmap is scanned once.
bool KnownClean(BitmapObj& bmp);
inline bool Clean(const BitmapObj& bmp) { return bmp.top == TopBytes::Clear; }
// Keeps the knowledge of a drawing target: `clean` tells whether the words
// written have clear top bytes, `whole` whether they covered the bitmap.
inline void NoteWrite(BitmapObj& bmp, bool clean, bool whole) {
  if (whole) bmp.top = clean ? TopBytes::Clear : TopBytes::Set;
  else if (!clean && bmp.top == TopBytes::Clear) bmp.top = TopBytes::Set;
}

// Colour pixel to the nearest of black and white.
inline uint32_t ToMono(uint32_t p) {
  const uint32_t sum = ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF);
  return sum >= 384 ? kPixelWhite : kPixelBlack;
}

}  // namespace vel::raster
