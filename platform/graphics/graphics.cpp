// Host graphics objects: system colours, TCanvas and TBitmap (size, handle
// hand-over, transparency and mask extraction, copies, image files).
#include "velscene/platform/graphics/graphics.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "velscene/platform/graphics/image_files.h"

namespace vel {

namespace {

BitmapAlpha RasterAlpha(TAlphaFormat f) {
  return f == afDefined ? BitmapAlpha::Defined : f == afPremultiplied ? BitmapAlpha::Premultiplied : BitmapAlpha::Ignored;
}
TAlphaFormat FormatOf(BitmapAlpha a) {
  return a == BitmapAlpha::Defined ? afDefined : a == BitmapAlpha::Premultiplied ? afPremultiplied : afIgnored;
}

// round(C x A / 255) per channel of a straight-alpha word.
uint32_t Premultiply(uint32_t p) {
  const uint32_t a = p >> 24;
  auto ch = [a](uint32_t c) { return (c * a * 2 + 255) / 510; };
  return (a << 24) | (ch((p >> 16) & 0xFF) << 16) | (ch((p >> 8) & 0xFF) << 8) | ch(p & 0xFF);
}

// round(C x 255 / A) per channel (halves up, at most 255); 0 where A is 0.
uint32_t Unpremultiply(uint32_t p) {
  const uint32_t a = p >> 24;
  if (a == 0) return 0;
  auto ch = [a](uint32_t c) { return std::min<uint32_t>(255, (c * 510 + a) / (2 * a)); };
  return (a << 24) | (ch((p >> 16) & 0xFF) << 16) | (ch((p >> 8) & 0xFF) << 8) | ch(p & 0xFF);
}

// Fixed system colour table (COLORREF), indexed by the low byte of a system colour.
constexpr COLORREF kSysColors[] = {
    0xC8D0D4, 0xA56E3A, 0x6A240A, 0x808080, 0xC8D0D4, 0xFFFFFF, 0x000000, 0x000000,
    0x000000, 0xFFFFFF, 0xC8D0D4, 0xC8D0D4, 0x808080, 0x6A240A, 0xFFFFFF, 0xC8D0D4,
    0x808080, 0x808080, 0x000000, 0xC8D0D4, 0xFFFFFF, 0x404040, 0xC8D0D4, 0x000000,
    0xE1FFFF, 0xB5B5B5, 0x800000, 0xF0CAA6, 0xC0C0C0, 0xFF9933, 0xF0F0F0};
}  // namespace

COLORREF ColorToRGB(TColor color) {
  if (color < 0) {
    const uint32_t index = uint32_t(color) & 0xFF;
    return index < std::size(kSysColors) ? kSysColors[index] : 0;
  }
  return COLORREF(color) & 0xFFFFFF;
}

// ---------------------------------------------------------------------------
// TCanvas
// ---------------------------------------------------------------------------
TCanvas::~TCanvas() {
  Attach(HDC{}, false);
  if (brush_) DeleteObject(brush_);
}

void TCanvas::Attach(HDC hdc, bool owned) {
  if (handle_ && owned_) DeleteDC(handle_);
  handle_ = hdc;
  owned_ = owned;
}

void TCanvas::SetBrushColor(TColor color) {
  if (color == brushColor_ && brush_) return;
  brushColor_ = color;
  if (brush_) DeleteObject(brush_);
  brush_ = HBRUSH{};
}

void TCanvas::FillRect(const TRect& rect) {
  if (!brush_) brush_ = CreateSolidBrush(ColorToRGB(brushColor_));
  const RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
  vel::FillRect(handle_, &r, brush_);
}

void TCanvas::Draw(int32_t x, int32_t y, TBitmap* graphic) {
  if (!graphic || graphic->Empty() || !handle_) return;
  TCanvas* src = graphic->Canvas();
  // A bitmap with alpha in use is composited; straight alpha through a
  // premultiplied copy.
  if (graphic->AlphaFormat() == afPremultiplied && !graphic->Monochrome()) {
    AlphaBlt(handle_, x, y, graphic->Width(), graphic->Height(), src->Handle(), 0, 0);
    return;
  }
  if (graphic->AlphaFormat() == afDefined && !graphic->Monochrome()) {
    TBitmap copy;
    copy.Assign(graphic);
    copy.SetAlphaFormat(afPremultiplied);
    AlphaBlt(handle_, x, y, copy.Width(), copy.Height(), copy.Canvas()->Handle(), 0, 0);
    return;
  }
  if (graphic->Transparent())
    TransparentBlt(handle_, x, y, graphic->Width(), graphic->Height(), src->Handle(), 0, 0,
                   ColorToRGB(graphic->TransparentColor()));
  else
    BitBlt(handle_, x, y, graphic->Width(), graphic->Height(), src->Handle(), 0, 0, SRCCOPY);
}

// ---------------------------------------------------------------------------
// TBitmap
// ---------------------------------------------------------------------------
TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
  delete canvas_;  // deselects the image from the canvas context
  canvas_ = nullptr;
  if (handle_) DeleteObject(handle_);
  if (palette_) DeleteObject(palette_);
}

int32_t TBitmap::Width() const {
  BITMAP info;
  return GetObjectA(handle_, sizeof info, &info) ? info.bmWidth : width_;
}

int32_t TBitmap::Height() const {
  BITMAP info;
  return GetObjectA(handle_, sizeof info, &info) ? info.bmHeight : height_;
}

bool TBitmap::Monochrome() const { return handle_ ? IsMonochrome(handle_) : mono_; }

void TBitmap::SetWidth(int32_t width) { SetSize(width, Height()); }
void TBitmap::SetHeight(int32_t height) { SetSize(Width(), height); }

void TBitmap::SetSize(int32_t width, int32_t height) {
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  if (width_ == 0 || height_ == 0) {
    SetHandle(HBITMAP{});
    return;
  }
  if (handle_) {
    if (ResizeBitmap(handle_, width_, height_)) return;
    SetHandle(HBITMAP{});  // too large: the bitmap stays empty
    width_ = height_ = 0;
    return;
  }
  HBITMAP h = CreateBitmap(width_, height_, 1, mono_ ? 1 : 32, nullptr);
  if (!h) width_ = height_ = 0;
  SetBitmapAlpha(h, RasterAlpha(alphaFormat_));
  SetHandle(h);
}

void TBitmap::SetMonochrome(bool mono) {
  mono_ = mono;
  if (!handle_ || IsMonochrome(handle_) == mono) return;
  const ConstPixelView src = ReadPixels(handle_);
  HBITMAP h = CreateBitmap(src.width, src.height, 1, mono ? 1 : 32, nullptr);
  PixelView dst = LockPixels(h);
  if (!dst.valid) return;
  for (size_t i = 0; i < size_t(src.width) * size_t(src.height); ++i)
    dst.pixels[i] = mono ? ((src.pixels[i] & kPixelWhite) == kPixelWhite ? kPixelWhite : kPixelBlack) : src.pixels[i];
  if (!mono) SetBitmapAlpha(h, RasterAlpha(alphaFormat_));
  SetHandle(h);
}

void TBitmap::SelectIntoCanvas() {
  if (!canvas_) return;
  HGDIOBJ target = handle_ ? HGDIOBJ(handle_) : GetStockObject(DEFAULT_BITMAP);
  SelectObject(canvas_->Handle(), target);
}

void TBitmap::SetHandle(HBITMAP handle) {
  if (handle == handle_) return;
  HBITMAP old = handle_;
  handle_ = handle;
  SelectIntoCanvas();  // releases the old image from the canvas first
  if (old) DeleteObject(old);
  BITMAP info;
  if (GetObjectA(handle_, sizeof info, &info)) {
    width_ = info.bmWidth;
    height_ = info.bmHeight;
    mono_ = info.bmBitsPixel == 1;
    if (!mono_) alphaFormat_ = FormatOf(GetBitmapAlpha(handle_));
    if (palette_) SetBitmapPalette(handle_, palette_);
  } else {
    handle_ = HBITMAP{};
    width_ = height_ = 0;
  }
}

HBITMAP TBitmap::ReleaseHandle() {
  HBITMAP h = handle_;
  handle_ = HBITMAP{};
  width_ = height_ = 0;
  SelectIntoCanvas();
  return h;
}

TColor TBitmap::TransparentColor() const {
  if (transparentMode_ == tmFixed) return transparentColor_;
  const ConstPixelView v = ReadPixels(handle_);
  if (!v.valid) return clDefault;
  return TColor(ColorRefFromPixel(v.pixels[size_t(v.height - 1) * size_t(v.width)]));
}

void TBitmap::SetTransparentColor(TColor color) {
  transparentColor_ = color;
  transparentMode_ = tmFixed;
}

HBITMAP TBitmap::ReleaseMaskHandle() {
  const ConstPixelView src = ReadPixels(handle_);
  if (!src.valid) return {};
  HBITMAP mask = CreateBitmap(src.width, src.height, 1, 1, nullptr);
  PixelView dst = LockPixels(mask);
  if (!dst.valid) return {};
  const uint32_t key = PixelFromColorRef(ColorToRGB(TransparentColor()));
  const size_t n = size_t(src.width) * size_t(src.height);
  for (size_t i = 0; i < n; ++i) dst.pixels[i] = (src.pixels[i] & 0xFFFFFF) == key ? kPixelWhite : kPixelBlack;
  return mask;
}

void TBitmap::SetPalette(HPALETTE palette) {
  if (palette == palette_) return;
  if (palette_) DeleteObject(palette_);
  palette_ = palette;
  SetBitmapPalette(handle_, palette_);
}

HPALETTE TBitmap::ReleasePalette() {
  HPALETTE p = palette_;
  palette_ = HPALETTE{};
  SetBitmapPalette(handle_, HPALETTE{});
  return p;
}

TCanvas* TBitmap::Canvas() {
  if (!canvas_) {
    canvas_ = new TCanvas();
    canvas_->Attach(CreateCompatibleDC(HDC{}), true);
    SelectIntoCanvas();
  }
  return canvas_;
}

void TBitmap::Assign(const TBitmap* source) {
  if (!source || source == this) return;
  transparent_ = source->transparent_;
  transparentMode_ = source->transparentMode_;
  transparentColor_ = source->transparentColor_;
  alphaFormat_ = source->alphaFormat_;
  mono_ = source->Monochrome();
  const ConstPixelView src = ReadPixels(source->handle_);
  if (!src.valid) {
    SetHandle(HBITMAP{});
    return;
  }
  HBITMAP h = CreateBitmap(src.width, src.height, 1, src.monochrome ? 1 : 32, nullptr);
  PixelView dst = LockPixels(h);
  if (!dst.valid) return;
  std::copy(src.pixels, src.pixels + size_t(src.width) * size_t(src.height), dst.pixels);
  if (!src.monochrome) SetBitmapAlpha(h, RasterAlpha(alphaFormat_));
  SetHandle(h);
}

TAlphaFormat TBitmap::AlphaFormat() const { return alphaFormat_; }

void TBitmap::SetAlphaFormat(TAlphaFormat format) {
  if (format != afIgnored && format != afDefined && format != afPremultiplied) return;
  const TAlphaFormat old = alphaFormat_;
  alphaFormat_ = format;
  if (!handle_ || IsMonochrome(handle_)) return;
  const bool multiply = old == afDefined && format == afPremultiplied;
  const bool divide = old == afPremultiplied && format == afDefined;
  if (multiply || divide) {
    const PixelView v = LockPixels(handle_);
    const size_t n = size_t(v.width) * size_t(v.height);
    for (size_t i = 0; i < n; ++i) v.pixels[i] = multiply ? Premultiply(v.pixels[i]) : Unpremultiply(v.pixels[i]);
    TouchBitmap(handle_);
  }
  SetBitmapAlpha(handle_, RasterAlpha(format));
}

void TBitmap::LoadFromFile(const std::string& path, TImageAlpha alpha) {
  // Throws before anything changes.
  DecodedImage img = LoadImageFile(path, alpha == iaKey ? DecodeAlpha::Key : DecodeAlpha::Keep);
  HBITMAP h = CreateBitmap(img.width, img.height, 1, 32, img.alpha ? nullptr : img.pixels.data());
  if (!h) throw EImageError(path + ": image too large to hold");
  if (img.alpha) {
    // CreateBitmap takes colour only: the words with their alpha go in directly.
    const PixelView v = LockPixels(h);
    std::copy(img.pixels.begin(), img.pixels.end(), v.pixels);
    TouchBitmap(h);
    SetBitmapAlpha(h, BitmapAlpha::Defined);
  }
  mono_ = false;
  SetHandle(h);
}

void TBitmap::SaveToFile(const std::string& path) const {
  const ConstPixelView v = ReadPixels(handle_);
  if (!v.valid) throw EImageError(path + ": cannot save an empty bitmap");
  const TAlphaFormat format = v.monochrome ? afIgnored : alphaFormat_;
  if (format == afIgnored) {
    SaveImageFile(path, v.pixels, v.width, v.height);
    return;
  }
  std::vector<uint32_t> straight(v.pixels, v.pixels + size_t(v.width) * size_t(v.height));
  if (format == afPremultiplied)
    for (uint32_t& p : straight) p = Unpremultiply(p);
  SaveImageFile(path, straight.data(), v.width, v.height, true);
}

}  // namespace vel
