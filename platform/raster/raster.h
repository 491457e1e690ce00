// Raster layer: bitmaps, drawing contexts, brushes, pens and palettes behind
// GDI-style handles, with the copy/AND/OR blits, fills and ellipses the scene
// draws with.
//
// Handles are slot numbers with a generation count: a deleted or stale handle
// is recognised and ignored, never dereferenced. Colour pixels are stored as
// 32-bit words 0x00RRGGBB; monochrome pixels as the same words, 0x000000 for
// black (bit 0) and 0xFFFFFF for white (bit 1), so that every blit between any
// two formats is a plain bitwise loop over 32-bit words. A bitmap with alpha
// keeps it in the top byte (0xAARRGGBB); colour comparisons (key colours,
// monochrome conversion) look at the low 24 bits only.
#pragma once

#include <cstdint>

#include "velscene/platform/base/geometry.h"

namespace vel {

// ---------------------------------------------------------------------------
// Handles
// ---------------------------------------------------------------------------
struct HGDIOBJ {
  uint32_t v = 0;
  explicit operator bool() const { return v != 0; }
  bool operator==(const HGDIOBJ&) const = default;
};
struct HBITMAP : HGDIOBJ {};
struct HBRUSH : HGDIOBJ {};
struct HPEN : HGDIOBJ {};
struct HPALETTE : HGDIOBJ {};
struct HDC {
  uint32_t v = 0;
  explicit operator bool() const { return v != 0; }
  bool operator==(const HDC&) const = default;
};

// COLORREF as GDI has it: 0x00BBGGRR.
using COLORREF = uint32_t;
constexpr COLORREF RGB(uint8_t r, uint8_t g, uint8_t b) {
  return COLORREF(r) | (COLORREF(g) << 8) | (COLORREF(b) << 16);
}
constexpr uint8_t GetRValue(COLORREF c) { return uint8_t(c); }
constexpr uint8_t GetGValue(COLORREF c) { return uint8_t(c >> 8); }
constexpr uint8_t GetBValue(COLORREF c) { return uint8_t(c >> 16); }
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// Internal pixel word <-> COLORREF.
constexpr uint32_t PixelFromColorRef(COLORREF c) {
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
constexpr COLORREF ColorRefFromPixel(uint32_t p) {
  return ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16);
}
constexpr uint32_t kPixelBlack = 0x000000;
constexpr uint32_t kPixelWhite = 0xFFFFFF;

struct BITMAP {  // what GetObjectA fills in for a bitmap
  int32_t bmWidth = 0, bmHeight = 0, bmWidthBytes = 0;
  uint16_t bmPlanes = 1, bmBitsPixel = 0;
};

// ---------------------------------------------------------------------------
// Raster operations and mix modes (GDI values)
// ---------------------------------------------------------------------------
constexpr uint32_t SRCCOPY = 0x00CC0020;
constexpr uint32_t SRCAND = 0x008800C6;
constexpr uint32_t SRCPAINT = 0x00EE0086;
constexpr uint32_t SRCINVERT = 0x00660046;
constexpr uint32_t PATCOPY = 0x00F00021;
constexpr uint32_t DSTINVERT = 0x00550009;
constexpr uint32_t BLACKNESS = 0x00000042;
constexpr uint32_t WHITENESS = 0x00FF0062;

constexpr int R2_BLACK = 1;
constexpr int R2_NOT = 6;
constexpr int R2_XORPEN = 7;
constexpr int R2_MASKPEN = 9;
constexpr int R2_NOP = 11;
constexpr int R2_COPYPEN = 13;
constexpr int R2_MERGEPEN = 15;
constexpr int R2_WHITE = 16;

// Stock objects.
constexpr int WHITE_BRUSH = 0;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int DEFAULT_BITMAP = 21;  // the 1 x 1 monochrome bitmap of a fresh memory context

// ---------------------------------------------------------------------------
// Contexts and objects
// ---------------------------------------------------------------------------
// "DISPLAY" gives a display context (colour format); anything else gives 0.
HDC CreateDCA(const char* driver, const char* device = nullptr, const char* output = nullptr,
              const void* init = nullptr);
// A memory context holding DEFAULT_BITMAP, the white brush, the black pen, R2_COPYPEN.
HDC CreateCompatibleDC(HDC hdc);
bool DeleteDC(HDC hdc);

// Display format (colour) unless hdc is a memory context holding a monochrome
// bitmap, as GDI does. Width or height <= 0 gives 0. New pixels are black.
HBITMAP CreateCompatibleBitmap(HDC hdc, int32_t width, int32_t height);
// bitsPerPixel 1 gives a monochrome bitmap, anything else a colour bitmap; zero-filled.
HBITMAP CreateBitmap(int32_t width, int32_t height, uint32_t planes, uint32_t bitsPerPixel,
                     const void* bits);
HBRUSH CreateSolidBrush(COLORREF color);
// An 8 x 8 pattern taken from the top-left of the bitmap (0 bits black, 1 bits white).
HBRUSH CreatePatternBrush(HBITMAP bitmap);
HPEN CreatePen(int style, int width, COLORREF color);
HPALETTE CreatePalette(const COLORREF* entries, uint32_t count);
HGDIOBJ GetStockObject(int index);

// Returns the object the selection replaced, or a null handle when either
// handle is stale or the object cannot be selected (a palette).
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj);
// A bitmap may be selected into several contexts at once (a bitmap object's
// canvas and a blit source context). DeleteObject refuses (false) stock
// objects, stale handles and bitmaps still selected into a context.
bool DeleteObject(HGDIOBJ obj);
// Width and height (and bits per pixel) of a bitmap; returns the bytes written, 0 on failure.
int GetObjectA(HGDIOBJ obj, int size, void* out);

int SetROP2(HDC hdc, int mode);  // returns the previous mode, 0 on failure
int GetROP2(HDC hdc);
COLORREF SetBkColor(HDC hdc, COLORREF color);
COLORREF GetBkColor(HDC hdc);
// Origin of the context's device coordinates on its bitmap and a clip rectangle
// (device coordinates, right and bottom exclusive). A control's canvas on its
// window's surface uses both.
bool SetViewportOrgEx(HDC hdc, int32_t x, int32_t y);
bool GetViewportOrgEx(HDC hdc, int32_t& x, int32_t& y);
bool SetClipRect(HDC hdc, const RECT* clip);  // nullptr removes the clip
bool GetClipRect(HDC hdc, RECT* clip);        // false when the context has none

HBITMAP GetCurrentBitmap(HDC hdc);
HGDIOBJ GetCurrentObject(HDC hdc, int kind);  // kind: 1 pen, 2 brush, 7 bitmap

// ---------------------------------------------------------------------------
// Drawing. Every operation clips to the target bitmap (and its context's clip
// rectangle) and to the source bitmap; an empty handle draws nothing.
// ---------------------------------------------------------------------------
bool BitBlt(HDC dst, int32_t x, int32_t y, int32_t width, int32_t height, HDC src, int32_t sx,
            int32_t sy, uint32_t rop);
// SRCCOPY for a finished frame on its way to the screen: the pixels of BitBlt
// with SRCCOPY. A large copy writes past the cache, so that the frame does not
// push out what the next one is drawn from.
bool PresentBlt(HDC dst, int32_t x, int32_t y, int32_t width, int32_t height, HDC src, int32_t sx, int32_t sy);
bool PatBlt(HDC dst, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t rop);
// A sprite in one call: selects mask into src and AND-blits it (SRCAND) from
// (0, 0), then selects image and OR-blits it (SRCPAINT) into the same
// rectangle; src keeps the last bitmap selected. A null or stale bitmap skips
// its blit, so a null mask draws the image alone. The pixels equal those of
// the two BitBlt calls for any contents; the usual pair (a mask that is black
// or white, an image black where the mask is white) costs one pass over the
// opaque pixels only.
bool MaskedBlt(HDC dst, int32_t x, int32_t y, int32_t width, int32_t height, HDC src, HBITMAP mask,
               HBITMAP image);
// Builds now what MaskedBlt with this mask and image would build on its first
// use, so that drawing allocates nothing. A null mask prepares the image alone.
void PrepareMaskedBlt(HBITMAP mask, HBITMAP image);
// Premultiplied source over destination. Every source word is read as
// 0xAARRGGBB with its colour already multiplied by its alpha A, whatever the
// source bitmap says of its alpha; each colour channel C of the destination
// becomes
//   min(255, C_src + round(C_dst x (255 - A) / 255))
// (the quotient is never a tie). A target whose alpha is premultiplied has
// its top byte composited by the same rule; any other target is opaque and
// the words written get a clear top byte. A zero source word leaves its
// destination word untouched. Clipped like BitBlt (no stretching); a
// monochrome source or target, or a source that is the target, draws nothing
// (false). The pixels go row by row through a vector loop, or through the
// source's span table when PrepareAlphaBlt made one; nothing is allocated,
// except that a prepared source whose pixels changed gets its table again.
bool AlphaBlt(HDC dst, int32_t x, int32_t y, int32_t width, int32_t height, HDC src, int32_t sx, int32_t sy);
// Builds the span table of a sprite drawn often by AlphaBlt: per row its
// opaque runs (copied), its translucent runs (blended) and its clear runs
// (zero words, skipped). A prepared bitmap whose pixels change gets its table
// built again on its next AlphaBlt.
void PrepareAlphaBlt(HBITMAP image);
bool FillRect(HDC dst, const RECT* rect, HBRUSH brush);
// The ellipse inscribed in the box, right and bottom exclusive, filled with the
// selected brush and outlined with the selected pen, both through the mix mode.
bool Ellipse(HDC dst, int32_t left, int32_t top, int32_t right, int32_t bottom);
// Copies every source pixel that is not of the transparent colour (no stretching).
bool TransparentBlt(HDC dst, int32_t x, int32_t y, int32_t width, int32_t height, HDC src,
                    int32_t sx, int32_t sy, COLORREF transparent);
COLORREF GetPixel(HDC hdc, int32_t x, int32_t y);
bool SetPixelV(HDC hdc, int32_t x, int32_t y, COLORREF color);

// ---------------------------------------------------------------------------
// Direct pixel access for image files, backends and tests.
// ---------------------------------------------------------------------------
struct PixelView {
  uint32_t* pixels = nullptr;  // row-major, stride == width
  int32_t width = 0, height = 0;
  bool monochrome = false;
  bool valid = false;  // false for a stale or empty handle
};
// Words keep the form 0x00RRGGBB. Locking counts as a possible write: what the
// layer caches about the pixels is rebuilt on their next use. Call TouchBitmap
// after writing through a view kept from an earlier lock.
PixelView LockPixels(HBITMAP bitmap);  // empty view for a stale handle
// A read-only view: what the layer caches about the pixels stays valid.
struct ConstPixelView {
  const uint32_t* pixels = nullptr;  // row-major, stride == width
  int32_t width = 0, height = 0;
  bool monochrome = false;
  bool valid = false;
};
ConstPixelView ReadPixels(HBITMAP bitmap);
bool IsBitmap(HGDIOBJ obj);
bool IsMonochrome(HBITMAP bitmap);
// Counts every change to the bitmap's pixels; a presenter compares it to see
// whether a surface must go to the screen again.
uint64_t BitmapVersion(HBITMAP bitmap);
void TouchBitmap(HBITMAP bitmap);  // call after writing through LockPixels
// Resizes in place keeping the overlapping pixels; new pixels are black.
bool ResizeBitmap(HBITMAP bitmap, int32_t width, int32_t height);
// How a colour bitmap's top bytes are meant: not at all (every bitmap the
// layer makes starts so, and the bitwise blits never look), as straight alpha,
// or as alpha that the colour is already multiplied by. The layer only keeps
// the setting; converting the pixels is the caller's (TBitmap's) business.
enum class BitmapAlpha : uint8_t { Ignored, Defined, Premultiplied };
BitmapAlpha GetBitmapAlpha(HBITMAP bitmap);  // Ignored for a stale handle
bool SetBitmapAlpha(HBITMAP bitmap, BitmapAlpha alpha);  // false for a stale or monochrome bitmap
HPALETTE GetBitmapPalette(HBITMAP bitmap);
void SetBitmapPalette(HBITMAP bitmap, HPALETTE palette);

// Number of live objects and contexts, stock objects excluded (leak checks in tests).
uint32_t LiveObjectCount();
uint32_t LiveContextCount();

}  // namespace vel
