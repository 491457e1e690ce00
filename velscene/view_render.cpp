// Rendering and presentation: the display list drawn farthest first into the
// back buffer (tiles; figures with shadow, outline, mask and image), and Paint,
// which presents the buffer or follows the control's size.
#include <limits>

#include "velscene/numeric.h"
#include "velscene/view_walk.h"

namespace vel {

namespace {
int32_t Side(uint64_t v) { return v > uint64_t(std::numeric_limits<int32_t>::max()) ? std::numeric_limits<int32_t>::max() : int32_t(v); }
}  // namespace

void TAniView::DrawEntries() {
  HDC buffer = FBuffer->Canvas()->Handle();
  // AND then OR one bitmap pair; a missing bitmap draws nothing.
  auto blit = [&](HBITMAP bmp, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t rop) {
    if (!bmp || !SelectObject(FMemDC, bmp)) return;
    BitBlt(buffer, x, y, w, h, FMemDC, 0, 0, rop);
  };
  for (int32_t s = FFirst; s > 0; s = FEntries[s].Next) {
    const TAniEntry& e = FEntries[s];
    const int32_t x = SaturateInt32(int64_t(e.ScreenX) + FScrollX);
    const int32_t y = SaturateInt32(int64_t(e.ScreenY) + FScrollY);
    if (!e.IsFigure) {
      const auto* t = static_cast<const TTileImage*>(e.Item);
      if (!t) continue;
      blit(t->Mask, x, y, t->Width, t->Height, SRCAND);
      blit(t->Image, x, y, t->Width, t->Height, SRCPAINT);
      continue;
    }
    const TAniFigure* F = FigureOfEntry(e);
    if (!F || !F->Visible) continue;
    const uint32_t f = F->FFrame;
    const bool loaded = f >= 1 && f <= 255;
    const int32_t w = Side(F->Width), h = Side(F->Height);

    if (F->Shadow && F->FZ >= 0.0f) {
      const int64_t cx = int64_t(x) + F->CenterX;
      const int64_t cy = int64_t(y) + F->CenterY + Trunc(double(F->FZ) * 12.0);
      const int64_t rx = Trunc(double(F->ShadowRadius) * 48.0), ry = Trunc(double(F->ShadowRadius) * 23.0);
      HGDIOBJ oldBrush = SelectObject(buffer, FShadowBrush);
      HGDIOBJ oldPen = SelectObject(buffer, GetStockObject(NULL_PEN));
      const int oldMode = SetROP2(buffer, R2_MASKPEN);
      Ellipse(buffer, SaturateInt32(cx - rx), SaturateInt32(cy - ry), SaturateInt32(cx + rx), SaturateInt32(cy + ry));
      SetROP2(buffer, oldMode);
      SelectObject(buffer, oldPen);
      SelectObject(buffer, oldBrush);
    }
    if (!loaded) continue;
    if (F->Highlighted || F->FHover) {
      const int32_t ow = SaturateInt32(int64_t(w) + 2), oh = SaturateInt32(int64_t(h) + 2);
      const int32_t ox = SaturateInt32(int64_t(x) - 1), oy = SaturateInt32(int64_t(y) - 1);
      blit(F->FHighlightMasks[f], ox, oy, ow, oh, SRCAND);
      blit(F->FHighlights[f], ox, oy, ow, oh, SRCPAINT);
    }
    if (!F->Transparent) blit(F->FMasks[f], x, y, w, h, SRCAND);
    blit(F->FImages[f], x, y, w, h, SRCPAINT);
  }
  SelectObject(FMemDC, FMemDCBitmap);
}

void TAniView::Paint() {
  TGraphicControl::Paint();
  const int32_t W = Width(), H = Height();
  const RECT all{0, 0, SaturateInt32(int64_t(W) + 1), SaturateInt32(int64_t(H) + 1)};
  EnsureBackBrush();
  if (!FBuffer) {
    FillRect(Canvas()->Handle(), &all, FBackBrush);
    return;
  }
  if (FBuffer->Width() == W && FBuffer->Height() == H) {
    BitBlt(Canvas()->Handle(), 0, 0, W, H, FBuffer->Canvas()->Handle(), 0, 0, SRCCOPY);
    return;
  }
  // Both sides at once: a side set alone could make a transient size the
  // raster layer refuses (say the old height with the new width), and the
  // refusal would leave the buffer empty at the new size.
  FBuffer->SetSize(W, H);
  FillRect(FBuffer->Canvas()->Handle(), &all, FBackBrush);
}

}  // namespace vel
