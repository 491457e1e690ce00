// Internal to the raster layer: the object and context tables behind the
// handles, shared by the object code (raster.cpp) and the drawing code.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/raster.h"

namespace vel::raster {

struct BitmapObj {
  int32_t width = 0;
  int32_t height = 0;
  bool mono = false;
  std::vector<uint32_t> pixels;  // row-major, stride == width
  HPALETTE palette{};
  uint32_t selections = 0;  // contexts that hold it
  uint64_t version = 0;
};

struct BrushObj {
  bool null = false;
  bool solid = true;
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

// Colour pixel to the nearest of black and white.
inline uint32_t ToMono(uint32_t p) {
  const uint32_t sum = ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF);
  return sum >= 384 ? kPixelWhite : kPixelBlack;
}

}  // namespace vel::raster
