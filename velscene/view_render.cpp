// Rendering and presentation: the display list drawn farthest first into the
// back buffer (tiles; figures with shadow, outline, mask and image), and Paint,
// which presents the buffer or follows the control's size.
#include <algorithm>
#include <limits>

#include "velscene/internal/numeric.h"
#include "velscene/internal/side_list.h"
#include "velscene/internal/view_walk.h"

namespace vel {

// The display list, farthest entry first, as the blits it asks for: per tile
// its mask/image pair; per visible figure its shadow, its outline pair and its
// mask/image pair (no mask when see-through). A missing bitmap draws nothing.
void TAniView::AddDrawOp(TDrawOp::TKind Kind, int64_t X, int64_t Y, int64_t W, int64_t H, HBITMAP Mask,
                         HBITMAP Image) {
  if (size_t(FOpCount) == FOps.size()) FOps.resize(std::max<size_t>(FOps.size() * 2, 3 * kMaxEntries));
  TDrawOp& op = FOps[size_t(FOpCount++)];
  op.Kind = Kind;
  op.X = SaturateInt32(X);
  op.Y = SaturateInt32(Y);
  op.W = SaturateInt32(W);
  op.H = SaturateInt32(H);
  op.Mask = Mask;
  op.Image = Image;
}

void TAniView::CollectDrawOps() {
  FOpCount = 0;
  auto add = [&](TDrawOp::TKind kind, int64_t x, int64_t y, int64_t w, int64_t h, HBITMAP mask, HBITMAP image) {
    AddDrawOp(kind, x, y, w, h, mask, image);
  };
  // Side tiles go in between the entries (their order is set out with the
  // side list); only those that can reach the buffer are walked.
  StartSideTiles();
  for (int32_t s = FFirst; s > 0; s = FEntries[s].Next) {
    const TAniEntry& e = FEntries[s];
    const int64_t x = SaturateInt32(int64_t(e.ScreenX) + FScrollX);
    const int64_t y = SaturateInt32(int64_t(e.ScreenY) + FScrollY);
    if (FSide) {
      if (!e.IsFigure) CollectSideTiles(e.Depth, false);
      else CollectSideTiles(FSide->KeyDepth[s], FSide->KeyAfter[s] != 0);
    }
    if (!e.IsFigure) {
      if (const auto* t = static_cast<const TTileImage*>(e.Item)) {
        if (t->Alpha) add(TDrawOp::Blend, x, y, t->Width, t->Height, HBITMAP{}, t->Alpha);
        else add(TDrawOp::Sprite, x, y, t->Width, t->Height, t->Mask, t->Image);
      }
      continue;
    }
    const TAniFigure* F = FigureOfEntry(e);
    if (!F || !F->Visible) continue;
    const uint32_t f = F->FFrame;
    const int64_t w = SaturateSize(F->Width), h = SaturateSize(F->Height);
    if (F->Shadow && F->FZ >= 0.0f) {
      // The ellipse's bounding box, kept as left, top, right, bottom: down by
      // a quarter cell width per unit of Z, the radii ShadowRadius times the
      // cell's width and one less than its height (all products exact).
      const double quarter = FCellWidth / 4.0, width = FCellWidth, height = FCellWidth / 2 - 1;
      const int64_t cx = x + F->CenterX, cy = y + F->CenterY + Trunc(double(F->FZ) * quarter);
      const int64_t rx = Trunc(double(F->ShadowRadius) * width), ry = Trunc(double(F->ShadowRadius) * height);
      add(TDrawOp::Shadow, cx - rx, cy - ry, cx + rx, cy + ry, HBITMAP{}, HBITMAP{});
    }
    if (f < 1 || f > 255) continue;
    if (F->Highlighted || F->FHover)
      add(TDrawOp::Sprite, x - 1, y - 1, SaturateInt32(w + 2), SaturateInt32(h + 2), F->FHighlightMasks[f],
          F->FHighlights[f]);
    // A frame with alpha is composited, unless see-through: then its image
    // (the premultiplied colour) is ORed as ever.
    if (F->FAlphas[f] && !F->Transparent) add(TDrawOp::Blend, x, y, w, h, HBITMAP{}, F->FAlphas[f]);
    else add(TDrawOp::Sprite, x, y, w, h, F->Transparent ? HBITMAP{} : F->FMasks[f], F->FImages[f]);
  }
  CollectSideTiles(std::numeric_limits<float>::infinity(), true);
}

// The whole display list into the back buffer in one pass.
void TAniView::DrawEntries() {
  CollectDrawOps();
  DrawOps(FBuffer->Canvas()->Handle(), std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max());
  SelectObject(FMemDC, FMemDCBitmap);
}

// Runs the collected blits that reach rows [Top, Bottom) of the back buffer;
// the caller clips the buffer to those rows and selects FMemDCBitmap back
// into FMemDC when done.
void TAniView::DrawOps(HDC Buffer, int64_t Top, int64_t Bottom) {
  for (int32_t k = 0; k < FOpCount; ++k) {
    const TDrawOp& op = FOps[k];
    if (op.Kind == TDrawOp::Shadow) {
      // The shadow checker: buffer pixels under the ellipse ANDed with the
      // pattern. The box may come upside down (a negative radius).
      if (std::min(op.Y, op.H) >= Bottom || std::max(op.Y, op.H) <= Top) continue;
      HGDIOBJ oldBrush = SelectObject(Buffer, FShadowBrush);
      HGDIOBJ oldPen = SelectObject(Buffer, GetStockObject(NULL_PEN));
      const int oldMode = SetROP2(Buffer, R2_MASKPEN);
      Ellipse(Buffer, op.X, op.Y, op.W, op.H);
      SetROP2(Buffer, oldMode);
      SelectObject(Buffer, oldPen);
      SelectObject(Buffer, oldBrush);
      continue;
    }
    if (op.Y >= Bottom || int64_t(op.Y) + op.H <= Top) continue;
    if (op.Kind == TDrawOp::Blend) {
      // Premultiplied source over the buffer.
      SelectObject(FMemDC, op.Image);
      AlphaBlt(Buffer, op.X, op.Y, op.W, op.H, FMemDC, 0, 0);
      continue;
    }
    // Mask AND-blitted then image OR-blitted through FMemDC, in one pass.
    MaskedBlt(Buffer, op.X, op.Y, op.W, op.H, FMemDC, op.Mask, op.Image);
  }
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
    PresentBlt(Canvas()->Handle(), 0, 0, W, H, FBuffer->Canvas()->Handle(), 0, 0);
    return;
  }
  // Both sides at once: a side set alone could make a transient size the
  // raster layer refuses (say the old height with the new width), and the
  // refusal would leave the buffer empty at the new size.
  FBuffer->SetSize(W, H);
  FillRect(FBuffer->Canvas()->Handle(), &all, FBackBrush);
}

}  // namespace vel
