// Composing and presenting a frame: the tick's clear, the background and the
// entries, done band by band so that each band of the back buffer stays in
// cache while it is drawn and presented; then a few chunks of the background
// around the view rendered ahead.
#include <algorithm>
#include <limits>

#include "velscene/internal/numeric.h"
#include "velscene/internal/view_walk.h"

namespace vel {

namespace {
// Rows per band: a band of a 1920-pixel frame is 480 KiB and stays in the
// second-level cache while its sprites are drawn (32 to 128 rows measured
// alike on a 512 KiB cache, 64 best).
constexpr int32_t kBandRows = 64;
}  // namespace

// The tick's clear, made as soon as something could see the buffer (an event
// handler about to run).
void TAniView::SettleClear() {
  if (!FClearPending) return;
  FClearPending = false;
  if (FBuffer) FillClear(FBuffer->Canvas()->Handle(), false);
}

// Fills the cleared area (the control's rectangle) with the background brush.
// AroundBackground leaves out the part the background copy overwrites next:
// nothing can see those pixels in between.
void TAniView::FillClear(HDC Target, bool AroundBackground) {
  const int64_t W = int64_t(Width()) + 1, H = int64_t(Height()) + 1;
  auto fill = [&](int64_t l, int64_t t, int64_t r, int64_t b) {
    if (l >= r || t >= b) return;
    const RECT rect{SaturateInt32(l), SaturateInt32(t), SaturateInt32(r), SaturateInt32(b)};
    FillRect(Target, &rect, FBackBrush);
  };
  if (!AroundBackground) {
    fill(0, 0, W, H);
    return;
  }
  // The background lands on [x0, x1) x [y0, y1), clamped to the cleared area.
  const int64_t x0 = std::clamp<int64_t>(FScrollX, 0, W), y0 = std::clamp<int64_t>(FScrollY, 0, H);
  const int64_t x1 = std::clamp<int64_t>(int64_t(FScrollX) + FBackgroundWidth, x0, W);
  const int64_t y1 = std::clamp<int64_t>(int64_t(FScrollY) + FBackgroundHeight, y0, H);
  fill(0, 0, W, y0);
  fill(0, y1, W, H);
  fill(0, y0, x0, y1);
  fill(x1, y0, W, y1);
}

// Clear (if still due), background, entries, OnAfterUpdate, present, band by
// band: every pixel goes through the same operations in the same order as
// whole-buffer passes would take it; only the order between pixels changes.
// Without an OnAfterUpdate handler nothing can look at the frame before it is
// presented, so each band is presented as soon as it is drawn, while it is
// still in cache. A buffer whose context has its own origin or clip is drawn
// in one pass.
void TAniView::Compose() {
  HDC buffer = FBuffer->Canvas()->Handle();
  HDC canvas = Canvas()->Handle();
  const bool clear = FClearPending;
  FClearPending = false;
  const bool background = FBackgroundBound && FBackgroundWidth > 0 && FBackgroundHeight > 0;
  const int32_t W = Width(), H = Height();
  FFrameStamp = FChunkClock + 1;
  auto fill = [&] {
    if (clear) FillClear(buffer, background);
    if (background) DrawBackground(buffer, FScrollX, FScrollY);
  };
  int32_t ox = 0, oy = 0;
  GetViewportOrgEx(buffer, ox, oy);
  if (ox != 0 || oy != 0 || GetClipRect(buffer, nullptr)) {
    fill();
    DrawEntries();
    OnAfterUpdate(this);
    PresentBlt(canvas, 0, 0, W, H, buffer, 0, 0);
    PrefetchBackground();
    return;
  }
  const bool presentBands = !OnAfterUpdate;
  CollectDrawOps();
  // A buffer the raster layer refused keeps its asked-for height: no bands.
  const int32_t rows = FBuffer->Empty() ? 0 : FBuffer->Height();
  for (int32_t top = 0; top < rows; top += kBandRows) {
    const int32_t bottom = int32_t(std::min<int64_t>(rows, int64_t(top) + kBandRows));
    const RECT band{std::numeric_limits<int32_t>::min(), top, std::numeric_limits<int32_t>::max(), bottom};
    SetClipRect(buffer, &band);
    fill();
    DrawOps(buffer, top, bottom);
    if (presentBands && top < H) PresentBlt(canvas, 0, top, W, std::min(bottom, H) - top, buffer, 0, top);
  }
  SetClipRect(buffer, nullptr);
  SelectObject(FMemDC, FMemDCBitmap);
  OnAfterUpdate(this);
  if (!presentBands) PresentBlt(canvas, 0, 0, W, H, buffer, 0, 0);
  PrefetchBackground();
}

}  // namespace vel
