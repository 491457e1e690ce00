// TAniFigure: construction and defaults, the frame set (image, mask, outline
// pair per frame), the script table, the property setters and the teardown.
#include "velscene/figure.h"

#include "velscene/imaging.h"
#include "velscene/view.h"

namespace vel {

namespace {

bool ValidFrame(int64_t n) { return n >= 1 && n <= kMaxFrames; }

void Release(HBITMAP& h) {
  if (h) DeleteObject(h);
  h = HBITMAP{};
}

}  // namespace

TAniFigure::TAniFigure(TComponent* AOwner) : TComponent(AOwner) {
  Width = 96;
  Height = 96;
  CenterX = int32_t(Width / 2);  // computed once; later size changes keep it
  CenterY = int32_t(Height);
  Speed = 0.5f;
  Radius = 0.5f;
  ShadowRadius = 0.5f;
  FFrame = 1;
  Visible = true;
  Enabled = true;
}

TAniFigure::~TAniFigure() {
  // Unlink from the view first, so that it never draws a destroyed figure.
  if (FView) {
    TAniFigure* ref = this;
    FView->RemoveFigure(ref);
  }
  FSlot = 0;
  FView = nullptr;
  for (int32_t n = 1; n <= kMaxFrames; ++n) ReleaseFrame(n);
}

void TAniFigure::ReleaseFrame(int32_t n) {
  Release(FImages[n]);
  Release(FMasks[n]);
  Release(FHighlights[n]);
  Release(FHighlightMasks[n]);
  Release(FAlphas[n]);
}

void TAniFigure::SetFrame(int32_t FrameNumber, TBitmap* Bitmap) {
  if (!ValidFrame(FrameNumber) || !Bitmap) return;
  const int32_t n = FrameNumber;
  ReleaseFrame(n);
  HBITMAP image, mask, outline, outlineMask;
  CreateMask(image, mask, Bitmap->Handle());
  if (image && mask) CreateHighlightMask(mask, outline, outlineMask, ColorToRGB(FHighlightColor));
  // A frame is loaded with all four surfaces or not at all: an empty bitmap
  // (or a surface that could not be made) leaves it unloaded.
  if (!image || !mask || !outline || !outlineMask) {
    Release(image);
    Release(mask);
    Release(outline);
    Release(outlineMask);
    return;
  }
  FImages[n] = image;
  FMasks[n] = mask;
  FHighlights[n] = outline;
  FHighlightMasks[n] = outlineMask;
  // A frame with alpha draws from its premultiplied image; should that not be
  // made, it still draws by its mask and image.
  FAlphas[n] = CreateAlphaImage(Bitmap->Handle());
}

void TAniFigure::SetHighlightColor(TColor Value) {
  FHighlightColor = Value;
  const COLORREF rgb = ColorToRGB(Value);
  for (int32_t n = 1; n <= kMaxFrames; ++n) {
    if (!FImages[n]) continue;
    HBITMAP outline, outlineMask;
    CreateHighlightMask(FMasks[n], outline, outlineMask, rgb);
    if (!outline || !outlineMask) {
      // Keep the old pair rather than leave a loaded frame without one.
      Release(outline);
      Release(outlineMask);
      continue;
    }
    Release(FHighlights[n]);
    Release(FHighlightMasks[n]);
    FHighlights[n] = outline;
    FHighlightMasks[n] = outlineMask;
  }
}

void TAniFigure::SetScript(int32_t ScriptNumber, std::span<const int32_t> Frames) {
  if (ScriptNumber < 1 || ScriptNumber > kScriptCount) return;
  TAniScript& s = FScripts[ScriptNumber];
  uint32_t count = 0;
  for (int32_t v : Frames) {
    if (count == kScriptLength) break;
    if (ValidFrame(v)) s.Frames[count++] = uint8_t(v);
  }
  s.Count = count;
}

void TAniFigure::PlayScript(int32_t ScriptNumber, bool Loop) {
  FScript = ScriptNumber > kScriptCount ? 0 : ScriptNumber;
  FScriptPos = 0;
  FLoop = Loop;
}

void TAniFigure::SetCurrentFrame(uint32_t Value) {
  if (Value < 1 || Value > uint32_t(kMaxFrames)) return;
  FFrame = Value;
  FScript = 0;
}

void TAniFigure::SetX(float Value) {
  if (FSlot == 0) FX = Value;
}

void TAniFigure::SetY(float Value) {
  if (FSlot == 0) FY = Value;
}

void TAniFigure::SetZ(float Value) {
  if (FSlot == 0) FZ = Value;
}

const TAniScript* TAniFigure::Script(int32_t n) const {
  return n >= 1 && n <= kScriptCount ? &FScripts[n] : nullptr;
}

HBITMAP TAniFigure::Image(int32_t n) const { return ValidFrame(n) ? FImages[n] : HBITMAP{}; }
HBITMAP TAniFigure::Mask(int32_t n) const { return ValidFrame(n) ? FMasks[n] : HBITMAP{}; }
HBITMAP TAniFigure::Highlight(int32_t n) const { return ValidFrame(n) ? FHighlights[n] : HBITMAP{}; }
HBITMAP TAniFigure::HighlightMask(int32_t n) const {
  return ValidFrame(n) ? FHighlightMasks[n] : HBITMAP{};
}
HBITMAP TAniFigure::Alpha(int32_t n) const { return ValidFrame(n) ? FAlphas[n] : HBITMAP{}; }

}  // namespace vel
