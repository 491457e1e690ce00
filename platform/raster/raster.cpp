// Raster layer objects: the handle tables, bitmap/brush/pen/palette creation
// and deletion, drawing contexts and selection.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>

#include "velscene/platform/raster/internal/raster_objects.h"

namespace vel {
namespace raster {
namespace {

// Handle value: generation in the top 12 bits, slot index (from 1) in the low 20.
constexpr uint32_t kIndexBits = 20;
constexpr uint32_t kIndexMask = (1u << kIndexBits) - 1;
constexpr uint32_t kMaxSlots = kIndexMask;
constexpr int64_t kMaxPixels = int64_t(1) << 27;  // 512 MiB of pixels at most per bitmap
constexpr int32_t kMaxSide = 1 << 16;

struct Tables {
  std::vector<ObjSlot> objs{1};  // slot 0 unused
  std::vector<uint32_t> freeObjs;
  std::vector<DcSlot> dcs{1};
  std::vector<uint32_t> freeDcs;
  uint32_t liveObjs = 0;
  uint32_t liveDcs = 0;
  HGDIOBJ stock[32] = {};
};

Tables& T() {
  static Tables* t = new Tables();  // never destroyed: handles may outlive static destructors
  return *t;
}

// A slot of a handle table: the last freed one, else a new one; 0 when the
// table is full.
template <class Slot>
uint32_t TakeSlot(std::vector<Slot>& slots, std::vector<uint32_t>& freed) {
  if (!freed.empty()) {
    const uint32_t index = freed.back();
    freed.pop_back();
    return index;
  }
  if (slots.size() >= kMaxSlots) return 0;
  slots.emplace_back();
  return uint32_t(slots.size() - 1);
}

uint32_t MakeHandle(uint32_t index, uint16_t generation) {
  return (uint32_t(generation & 0xFFF) << kIndexBits) | index;
}

ObjSlot* SlotOf(HGDIOBJ h) {
  const uint32_t index = h.v & kIndexMask;
  Tables& t = T();
  if (index == 0 || index >= t.objs.size()) return nullptr;
  ObjSlot& s = t.objs[index];
  if (s.kind == Kind::Free || (s.generation & 0xFFF) != (h.v >> kIndexBits)) return nullptr;
  return &s;
}

HGDIOBJ NewObject(Kind kind) {
  Tables& t = T();
  const uint32_t index = TakeSlot(t.objs, t.freeObjs);
  if (index == 0) return {};
  ObjSlot& s = t.objs[index];
  s.kind = kind;
  s.stock = false;
  ++t.liveObjs;
  return HGDIOBJ{MakeHandle(index, s.generation)};
}

void FreeObject(HGDIOBJ h) {
  const uint32_t index = h.v & kIndexMask;
  Tables& t = T();
  ObjSlot& s = t.objs[index];
  s.kind = Kind::Free;
  s.bitmap.reset();
  s.palette.clear();
  s.brush = BrushObj{};
  s.pen = PenObj{};
  s.generation = uint16_t(((s.generation + 1) & 0xFFF) ? s.generation + 1 : 1);
  t.freeObjs.push_back(index);
  --t.liveObjs;
}

DcSlot* DcSlotOf(HDC h) {
  const uint32_t index = h.v & kIndexMask;
  Tables& t = T();
  if (index == 0 || index >= t.dcs.size()) return nullptr;
  DcSlot& s = t.dcs[index];
  if (!s.used || (s.generation & 0xFFF) != (h.v >> kIndexBits)) return nullptr;
  return &s;
}

HBITMAP NewBitmap(int32_t width, int32_t height, bool mono) {
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return {};
  if (int64_t(width) * height > kMaxPixels) return {};
  auto bmp = std::unique_ptr<BitmapObj>(new (std::nothrow) BitmapObj());
  if (!bmp) return {};
  try {
    bmp->pixels.assign(size_t(width) * size_t(height), kPixelBlack);
  } catch (const std::bad_alloc&) {
    return {};
  }
  static uint64_t serials = 0;
  bmp->width = width;
  bmp->height = height;
  bmp->mono = mono;
  bmp->serial = ++serials;
  HGDIOBJ h = NewObject(Kind::Bitmap);
  if (!h) return {};
  SlotOf(h)->bitmap = std::move(bmp);
  return HBITMAP{h};
}

void MakeStock() {
  Tables& t = T();
  if (t.stock[DEFAULT_BITMAP]) return;
  auto mark = [&](int index, HGDIOBJ h) {
    SlotOf(h)->stock = true;
    --t.liveObjs;
    t.stock[index] = h;
  };
  HBITMAP def = NewBitmap(1, 1, true);
  mark(DEFAULT_BITMAP, def);
  struct {
    int index;
    bool null;
    uint32_t color;
  } brushes[] = {{WHITE_BRUSH, false, kPixelWhite}, {BLACK_BRUSH, false, kPixelBlack}, {NULL_BRUSH, true, 0}};
  for (auto& b : brushes) {
    HGDIOBJ h = NewObject(Kind::Brush);
    SlotOf(h)->brush.null = b.null;
    SlotOf(h)->brush.color = b.color;
    mark(b.index, h);
  }
  struct {
    int index;
    bool null;
    uint32_t color;
  } pens[] = {{WHITE_PEN, false, kPixelWhite}, {BLACK_PEN, false, kPixelBlack}, {NULL_PEN, true, 0}};
  for (auto& p : pens) {
    HGDIOBJ h = NewObject(Kind::Pen);
    SlotOf(h)->pen.null = p.null;
    SlotOf(h)->pen.color = p.color;
    mark(p.index, h);
  }
}

HDC NewDc(bool display) {
  MakeStock();
  Tables& t = T();
  const uint32_t index = TakeSlot(t.dcs, t.freeDcs);
  if (index == 0) return {};
  DcSlot& s = t.dcs[index];
  s.used = true;
  s.dc = DcObj{};
  s.dc.display = display;
  s.dc.brush = HBRUSH{t.stock[WHITE_BRUSH]};
  s.dc.pen = HPEN{t.stock[BLACK_PEN]};
  if (!display) {
    s.dc.bitmap = HBITMAP{t.stock[DEFAULT_BITMAP]};
    SlotOf(s.dc.bitmap)->bitmap->selections++;
  }
  ++t.liveDcs;
  return HDC{MakeHandle(index, s.generation)};
}

}  // namespace

BitmapObj* GetBitmap(HGDIOBJ h) {
  ObjSlot* s = SlotOf(h);
  return s && s->kind == Kind::Bitmap ? s->bitmap.get() : nullptr;
}
const BrushObj* GetBrush(HGDIOBJ h) {
  ObjSlot* s = SlotOf(h);
  return s && s->kind == Kind::Brush ? &s->brush : nullptr;
}
const PenObj* GetPen(HGDIOBJ h) {
  ObjSlot* s = SlotOf(h);
  return s && s->kind == Kind::Pen ? &s->pen : nullptr;
}
DcObj* GetDc(HDC h) {
  DcSlot* s = DcSlotOf(h);
  return s ? &s->dc : nullptr;
}

bool GetTarget(HDC h, Target& out) {
  DcObj* dc = GetDc(h);
  if (!dc) return false;
  BitmapObj* bmp = GetBitmap(dc->bitmap);
  if (!bmp) return false;
  out.bmp = bmp;
  out.originX = dc->originX;
  out.originY = dc->originY;
  int64_t l = 0, t = 0, r = bmp->width, b = bmp->height;
  if (dc->hasClip) {
    l = std::max<int64_t>(l, int64_t(dc->clip.left) + dc->originX);
    t = std::max<int64_t>(t, int64_t(dc->clip.top) + dc->originY);
    r = std::min<int64_t>(r, int64_t(dc->clip.right) + dc->originX);
    b = std::min<int64_t>(b, int64_t(dc->clip.bottom) + dc->originY);
  }
  out.clipLeft = int32_t(l);
  out.clipTop = int32_t(t);
  out.clipRight = int32_t(std::max(l, r));
  out.clipBottom = int32_t(std::max(t, b));
  return true;
}

bool KnownClean(BitmapObj& bmp) {
  if (bmp.top == TopBytes::Unknown) {
    uint32_t any = 0;
    for (uint32_t p : bmp.pixels) any |= p;
    bmp.top = any <= 0xFFFFFF ? TopBytes::Clear : TopBytes::Set;
  }
  return bmp.top == TopBytes::Clear;
}

}  // namespace raster

using namespace raster;

HDC CreateDCA(const char* driver, const char*, const char*, const void*) {
  if (!driver || std::strcmp(driver, "DISPLAY") != 0) return {};
  return NewDc(true);
}

HDC CreateCompatibleDC(HDC) { return NewDc(false); }

bool DeleteDC(HDC hdc) {
  DcSlot* s = DcSlotOf(hdc);
  if (!s) return false;
  if (BitmapObj* bmp = GetBitmap(s->dc.bitmap)) bmp->selections--;
  s->used = false;
  s->generation = uint16_t(((s->generation + 1) & 0xFFF) ? s->generation + 1 : 1);
  T().freeDcs.push_back(hdc.v & kIndexMask);
  --T().liveDcs;
  return true;
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int32_t width, int32_t height) {
  DcObj* dc = GetDc(hdc);
  if (!dc) return {};
  bool mono = false;
  if (!dc->display) {
    BitmapObj* cur = GetBitmap(dc->bitmap);
    mono = cur && cur->mono;
  }
  return NewBitmap(width, height, mono);
}

HBITMAP CreateBitmap(int32_t width, int32_t height, uint32_t, uint32_t bitsPerPixel, const void* bits) {
  const bool mono = bitsPerPixel == 1;
  HBITMAP h = NewBitmap(width, height, mono);
  BitmapObj* bmp = GetBitmap(h);
  if (!bmp || !bits) return h;
  auto* src = static_cast<const uint8_t*>(bits);
  if (mono) {
    // Rows of 1-bit pixels, most significant bit first, padded to 16 bits.
    const size_t rowBytes = ((size_t(width) + 15) / 16) * 2;
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) {
        const bool white = (src[size_t(y) * rowBytes + size_t(x) / 8] >> (7 - (x & 7))) & 1;
        bmp->pixels[size_t(y) * size_t(width) + size_t(x)] = white ? kPixelWhite : kPixelBlack;
      }
  } else if (bitsPerPixel == 32) {
    const auto* words = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; i < bmp->pixels.size(); ++i) bmp->pixels[i] = words[i] & 0xFFFFFF;
  }
  return h;
}

HBRUSH CreateSolidBrush(COLORREF color) {
  HGDIOBJ h = NewObject(Kind::Brush);
  if (!h) return {};
  BrushObj& b = SlotOf(h)->brush;
  b.solid = true;
  b.color = PixelFromColorRef(color & 0xFFFFFF);
  return HBRUSH{h};
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
  BitmapObj* bmp = GetBitmap(bitmap);
  if (!bmp || bmp->width <= 0 || bmp->height <= 0) return {};
  uint32_t pattern[64];
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 8; ++x)
      pattern[y * 8 + x] = bmp->pixels[size_t(y % bmp->height) * size_t(bmp->width) + size_t(x % bmp->width)];
  HGDIOBJ h = NewObject(Kind::Brush);
  if (!h) return {};
  BrushObj& b = SlotOf(h)->brush;
  b.solid = false;
  std::memcpy(b.pattern, pattern, sizeof pattern);
  b.clean = std::all_of(std::begin(pattern), std::end(pattern), [](uint32_t p) { return p <= 0xFFFFFF; });
  return HBRUSH{h};
}

HPEN CreatePen(int style, int, COLORREF color) {
  HGDIOBJ h = NewObject(Kind::Pen);
  if (!h) return {};
  PenObj& p = SlotOf(h)->pen;
  p.null = style == 5;  // PS_NULL
  p.color = PixelFromColorRef(color & 0xFFFFFF);
  return HPEN{h};
}

HPALETTE CreatePalette(const COLORREF* entries, uint32_t count) {
  if (count > 256 || (count > 0 && !entries)) return {};
  HGDIOBJ h = NewObject(Kind::Palette);
  if (!h) return {};
  SlotOf(h)->palette.assign(entries, entries + count);
  return HPALETTE{h};
}

HGDIOBJ GetStockObject(int index) {
  MakeStock();
  if (index < 0 || index >= 32) return {};
  return T().stock[index];
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj) {
  DcObj* dc = GetDc(hdc);
  ObjSlot* s = SlotOf(obj);
  if (!dc || !s) return {};
  switch (s->kind) {
    case Kind::Bitmap: {
      if (dc->display) return {};
      HBITMAP old = dc->bitmap;
      if (old == obj) return old;
      if (BitmapObj* prev = GetBitmap(old)) prev->selections--;
      s->bitmap->selections++;
      dc->bitmap = HBITMAP{obj};
      return old;
    }
    case Kind::Brush: {
      HBRUSH old = dc->brush;
      dc->brush = HBRUSH{obj};
      return old;
    }
    case Kind::Pen: {
      HPEN old = dc->pen;
      dc->pen = HPEN{obj};
      return old;
    }
    default:
      return {};
  }
}

bool DeleteObject(HGDIOBJ obj) {
  ObjSlot* s = SlotOf(obj);
  if (!s || s->stock) return false;
  if (s->kind == Kind::Bitmap && s->bitmap->selections > 0) return false;
  // A brush or pen still selected somewhere is dropped from those contexts,
  // which fall back to the stock objects.
  if (s->kind == Kind::Brush || s->kind == Kind::Pen || s->kind == Kind::Palette) {
    for (DcSlot& d : T().dcs) {
      if (!d.used) continue;
      if (d.dc.brush == obj) d.dc.brush = HBRUSH{T().stock[WHITE_BRUSH]};
      if (d.dc.pen == obj) d.dc.pen = HPEN{T().stock[BLACK_PEN]};
    }
  }
  FreeObject(obj);
  return true;
}

int GetObjectA(HGDIOBJ obj, int size, void* out) {
  BitmapObj* bmp = GetBitmap(obj);
  if (!bmp || !out || size < int(sizeof(BITMAP))) return 0;
  BITMAP info;
  info.bmWidth = bmp->width;
  info.bmHeight = bmp->height;
  info.bmBitsPixel = bmp->mono ? 1 : 32;
  info.bmWidthBytes = bmp->mono ? ((bmp->width + 15) / 16) * 2 : bmp->width * 4;
  std::memcpy(out, &info, sizeof info);
  return int(sizeof info);
}

int SetROP2(HDC hdc, int mode) {
  DcObj* dc = GetDc(hdc);
  if (!dc || mode < R2_BLACK || mode > R2_WHITE) return 0;
  const int old = dc->rop2;
  dc->rop2 = mode;
  return old;
}

int GetROP2(HDC hdc) {
  DcObj* dc = GetDc(hdc);
  return dc ? dc->rop2 : 0;
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
  DcObj* dc = GetDc(hdc);
  if (!dc) return CLR_INVALID;
  const COLORREF old = dc->bkColor;
  dc->bkColor = color & 0xFFFFFF;
  return old;
}

COLORREF GetBkColor(HDC hdc) {
  DcObj* dc = GetDc(hdc);
  return dc ? dc->bkColor : CLR_INVALID;
}

bool SetViewportOrgEx(HDC hdc, int32_t x, int32_t y) {
  DcObj* dc = GetDc(hdc);
  if (!dc) return false;
  dc->originX = x;
  dc->originY = y;
  return true;
}

bool GetViewportOrgEx(HDC hdc, int32_t& x, int32_t& y) {
  DcObj* dc = GetDc(hdc);
  if (!dc) return false;
  x = dc->originX;
  y = dc->originY;
  return true;
}

bool SetClipRect(HDC hdc, const RECT* clip) {
  DcObj* dc = GetDc(hdc);
  if (!dc) return false;
  dc->hasClip = clip != nullptr;
  if (clip) dc->clip = *clip;
  return true;
}

bool GetClipRect(HDC hdc, RECT* clip) {
  DcObj* dc = GetDc(hdc);
  if (!dc || !dc->hasClip) return false;
  if (clip) *clip = dc->clip;
  return true;
}

HBITMAP GetCurrentBitmap(HDC hdc) {
  DcObj* dc = GetDc(hdc);
  return dc ? dc->bitmap : HBITMAP{};
}

HGDIOBJ GetCurrentObject(HDC hdc, int kind) {
  DcObj* dc = GetDc(hdc);
  if (!dc) return {};
  switch (kind) {
    case 1: return dc->pen;
    case 2: return dc->brush;
    case 7: return dc->bitmap;
    default: return {};
  }
}

PixelView LockPixels(HBITMAP bitmap) {
  PixelView v;
  BitmapObj* bmp = GetBitmap(bitmap);
  if (!bmp) return v;
  // The caller may write anything: the layer's knowledge of the words ends here.
  bmp->locks++;
  bmp->top = TopBytes::Unknown;
  v.pixels = bmp->pixels.data();
  v.width = bmp->width;
  v.height = bmp->height;
  v.monochrome = bmp->mono;
  v.valid = true;
  return v;
}

ConstPixelView ReadPixels(HBITMAP bitmap) {
  ConstPixelView v;
  const BitmapObj* bmp = GetBitmap(bitmap);
  if (!bmp) return v;
  v.pixels = bmp->pixels.data();
  v.width = bmp->width;
  v.height = bmp->height;
  v.monochrome = bmp->mono;
  v.valid = true;
  return v;
}

bool IsBitmap(HGDIOBJ obj) { return GetBitmap(obj) != nullptr; }

bool IsMonochrome(HBITMAP bitmap) {
  BitmapObj* bmp = GetBitmap(bitmap);
  return bmp && bmp->mono;
}

uint64_t BitmapVersion(HBITMAP bitmap) {
  BitmapObj* bmp = GetBitmap(bitmap);
  return bmp ? bmp->version : 0;
}

void TouchBitmap(HBITMAP bitmap) {
  if (BitmapObj* bmp = GetBitmap(bitmap)) {
    bmp->version++;
    bmp->locks++;
    bmp->top = TopBytes::Unknown;
  }
}

bool ResizeBitmap(HBITMAP bitmap, int32_t width, int32_t height) {
  BitmapObj* bmp = GetBitmap(bitmap);
  if (!bmp || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
  if (int64_t(width) * height > kMaxPixels) return false;
  if (width == bmp->width && height == bmp->height) return true;
  std::vector<uint32_t> next;
  try {
    next.assign(size_t(width) * size_t(height), kPixelBlack);
  } catch (const std::bad_alloc&) {
    return false;
  }
  const int32_t w = std::min(width, bmp->width), h = std::min(height, bmp->height);
  for (int32_t y = 0; y < h; ++y)
    std::memcpy(&next[size_t(y) * size_t(width)], &bmp->pixels[size_t(y) * size_t(bmp->width)],
                size_t(w) * sizeof(uint32_t));
  bmp->pixels.swap(next);
  bmp->width = width;
  bmp->height = height;
  bmp->version++;
  return true;
}

BitmapAlpha GetBitmapAlpha(HBITMAP bitmap) {
  const BitmapObj* bmp = GetBitmap(bitmap);
  return bmp ? bmp->alpha : BitmapAlpha::Ignored;
}

bool SetBitmapAlpha(HBITMAP bitmap, BitmapAlpha alpha) {
  BitmapObj* bmp = GetBitmap(bitmap);
  if (!bmp || bmp->mono) return false;
  switch (alpha) {
    case BitmapAlpha::Ignored:
    case BitmapAlpha::Defined:
    case BitmapAlpha::Premultiplied: bmp->alpha = alpha; return true;
  }
  return false;
}

HPALETTE GetBitmapPalette(HBITMAP bitmap) {
  BitmapObj* bmp = GetBitmap(bitmap);
  return bmp ? bmp->palette : HPALETTE{};
}

void SetBitmapPalette(HBITMAP bitmap, HPALETTE palette) {
  if (BitmapObj* bmp = GetBitmap(bitmap)) bmp->palette = palette;
}

uint32_t LiveObjectCount() { return T().liveObjs; }
uint32_t LiveContextCount() { return T().liveDcs; }

}  // namespace vel
