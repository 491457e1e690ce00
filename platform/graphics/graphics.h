// Host graphics objects on top of the raster layer: colours (TColor and
// ColorToRGB), the canvas of a drawing context (TCanvas) and the bitmap object
// (TBitmap) with its transparent mode, mask extraction and image files.
#pragma once

#include <cstdint>
#include <string>

#include "velscene/platform/base/geometry.h"
#include "velscene/platform/base/object.h"
#include "velscene/platform/graphics/image_error.h"
#include "velscene/platform/raster/raster.h"

namespace vel {

// ---------------------------------------------------------------------------
// Colours
// ---------------------------------------------------------------------------
// A host colour: a COLORREF (0x00BBGGRR), or a system colour when the top bit
// is set (0x800000nn, nn the system colour index).
using TColor = int32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;
constexpr TColor clSystemColor = TColor(0x80000000u);
constexpr TColor clBtnFace = TColor(0x8000000Fu);
constexpr TColor clWindow = TColor(0x80000005u);
constexpr TColor clWindowText = TColor(0x80000008u);

// A host colour as a plain RGB value (COLORREF); system colours are resolved
// from the host's fixed table.
COLORREF ColorToRGB(TColor color);

// ---------------------------------------------------------------------------
// TCanvas: drawing on a context. A canvas either owns its memory context (a
// bitmap's canvas) or borrows one (a control's canvas on its window).
// ---------------------------------------------------------------------------
class TCanvas : public TObject {
 public:
  TCanvas() = default;
  ~TCanvas() override;
  const char* ClassName() const override { return "TCanvas"; }

  HDC Handle() const { return handle_; }
  // Brush colour used by FillRect; a solid brush is made on demand.
  TColor BrushColor() const { return brushColor_; }
  void SetBrushColor(TColor color);
  void FillRect(const TRect& rect);
  // Draws a bitmap at (x, y); a bitmap with Transparent set skips the pixels of
  // its transparent colour.
  void Draw(int32_t x, int32_t y, class TBitmap* graphic);
  COLORREF GetPixel(int32_t x, int32_t y) const { return vel::GetPixel(handle_, x, y); }
  void SetPixel(int32_t x, int32_t y, COLORREF c) { vel::SetPixelV(handle_, x, y, c); }

 protected:
  friend class TBitmap;
  void Attach(HDC hdc, bool owned);  // replaces (and deletes, if owned) the current context
  HDC handle_{};
  bool owned_ = false;
  TColor brushColor_ = clWhite;
  HBRUSH brush_{};
};

enum TTransparentMode { tmAuto, tmFixed };

// Whether a bitmap's alpha (the top byte of its pixel words) is in use:
// ignored (every bitmap starts so), defined (straight alpha) or premultiplied
// (the colour already multiplied by the alpha).
enum TAlphaFormat { afIgnored, afDefined, afPremultiplied };

// How LoadFromFile treats an image file with alpha (an alpha channel or a
// transparent colour): keep it (the bitmap's alpha is then defined), or key
// it, every pixel with alpha below 128 becoming kAlphaKeyPixel and the
// bitmap's alpha ignored. Files without alpha load the same either way.
enum TImageAlpha { iaKeep, iaKey };

// ---------------------------------------------------------------------------
// TBitmap: a bitmap with a canvas, settable size, palette and transparency.
// ---------------------------------------------------------------------------
class TBitmap : public TObject {
 public:
  TBitmap();
  ~TBitmap() override;
  const char* ClassName() const override { return "TBitmap"; }

  int32_t Width() const;
  int32_t Height() const;
  // Resizing keeps the overlapping pixels; new pixels are black. Negative sizes count as 0.
  void SetWidth(int32_t width);
  void SetHeight(int32_t height);
  void SetSize(int32_t width, int32_t height);
  bool Empty() const { return Width() == 0 || Height() == 0; }
  bool Monochrome() const;
  void SetMonochrome(bool mono);  // converts the pixels (white stays white, all else black)

  // The bitmap's own image (0 while empty). The handle stays the bitmap's.
  HBITMAP Handle() const { return handle_; }
  // Takes over a bitmap handle (the old image is deleted); 0 empties the bitmap.
  void SetHandle(HBITMAP handle);
  // Hands the image out to the caller and leaves this bitmap empty.
  HBITMAP ReleaseHandle();
  // A new monochrome mask owned by the caller: white where a pixel has the
  // transparent colour, black elsewhere. 0 while empty.
  HBITMAP ReleaseMaskHandle();

  // The palette belongs to the bitmap and is deleted with it unless released.
  HPALETTE Palette() const { return palette_; }
  void SetPalette(HPALETTE palette);
  HPALETTE ReleasePalette();

  TCanvas* Canvas();

  bool Transparent() const { return transparent_; }
  void SetTransparent(bool t) { transparent_ = t; }
  TTransparentMode TransparentMode() const { return transparentMode_; }
  void SetTransparentMode(TTransparentMode mode) { transparentMode_ = mode; }
  // tmAuto: the colour of the bottom-left pixel; tmFixed: the colour set.
  TColor TransparentColor() const;
  void SetTransparentColor(TColor color);

  // Changing between defined and premultiplied converts the pixels
  // (multiplying by the alpha, rounded to the nearest, or dividing by it);
  // any other change only relabels them. A monochrome or empty bitmap keeps
  // the setting for its next colour image.
  TAlphaFormat AlphaFormat() const;
  void SetAlphaFormat(TAlphaFormat format);

  // Independent copy of the image, size, transparency settings and alpha
  // format (not the palette).
  void Assign(const TBitmap* source);

  // PNG or BMP, chosen by the file's contents (loading) or its extension
  // (saving, PNG unless it ends in .bmp). Errors throw EImageError with the
  // file name and the problem; the bitmap is unchanged after a failed load.
  // A bitmap whose alpha is in use is saved as RGBA PNG (straight alpha).
  void LoadFromFile(const std::string& path, TImageAlpha alpha = iaKeep);
  void SaveToFile(const std::string& path) const;

 private:
  void SelectIntoCanvas();
  HBITMAP handle_{};
  int32_t width_ = 0, height_ = 0;  // kept while there is no image (a side is 0)
  bool mono_ = false;
  HPALETTE palette_{};
  TCanvas* canvas_ = nullptr;
  bool transparent_ = false;
  TTransparentMode transparentMode_ = tmAuto;
  TColor transparentColor_ = clDefault;
  TAlphaFormat alphaFormat_ = afIgnored;  // kept while there is no colour image
};

}  // namespace vel
