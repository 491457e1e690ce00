// The camera and the zoom: the scroll set by the application, the key
// figure's camera rule with its follow speed, the bounds that keep the map on
// screen, and the composed frame's size and pixels at a zoom.
#include <algorithm>

#include "velscene/internal/numeric.h"
#include "velscene/internal/view_walk.h"

namespace vel {

namespace {

// Floor division by a positive divisor, so that pixels left of or above the
// control map to negative composed pixels as the enlarged frame shows them.
int32_t FloorDiv(int32_t a, int32_t b) {
  const int64_t q = int64_t(a) / b;
  return int32_t((int64_t(a) % b != 0 && a < 0) ? q - 1 : q);
}

// One tick of the camera toward the rule's scroll: `speed` percent of the
// way, truncated but at least a pixel so that it always arrives; 100 lands
// on the rule's value itself.
int64_t Approach(int32_t from, int64_t to, int32_t speed) {
  const int64_t d = to - from;
  if (speed >= 100 || d == 0) return to;
  int64_t step = d * speed / 100;
  if (step == 0) step = d > 0 ? 1 : -1;
  return from + step;
}

}  // namespace

int32_t TAniView::ComposedWidth() const { return int32_t((int64_t(Width()) + FZoom - 1) / FZoom); }

int32_t TAniView::ComposedHeight() const { return int32_t((int64_t(Height()) + FZoom - 1) / FZoom); }

TPoint TAniView::ClientToComposed(TPoint P) const { return {FloorDiv(P.X, FZoom), FloorDiv(P.Y, FZoom)}; }

void TAniView::ScrollTo(int32_t X, int32_t Y) {
  FScrollX = X;
  FScrollY = Y;
  ClampScroll();
}

void TAniView::ScrollBy(int32_t DX, int32_t DY) {
  ScrollTo(SaturateInt32(int64_t(FScrollX) + DX), SaturateInt32(int64_t(FScrollY) + DY));
}

void TAniView::SetScrollBounds(bool Value) {
  FScrollBounds = Value;
  ClampScroll();
}

void TAniView::SetFollowSpeed(int32_t Value) { FFollowSpeed = std::clamp(Value, 1, 100); }

// Keeps each axis of the scroll between 0 and (composed size - background
// size), when bounded and a background exists.
void TAniView::ClampScroll() {
  if (!FScrollBounds || BackgroundWidth() <= 0 || BackgroundHeight() <= 0) return;
  auto clamp = [](int32_t scroll, int64_t view, int64_t background) {
    const int64_t slack = view - background;
    return SaturateInt32(std::clamp<int64_t>(scroll, std::min<int64_t>(0, slack), std::max<int64_t>(0, slack)));
  };
  FScrollX = clamp(FScrollX, ComposedWidth(), BackgroundWidth());
  FScrollY = clamp(FScrollY, ComposedHeight(), BackgroundHeight());
}

// The camera rule centres the key figure's frame rectangle in the composed
// frame; the follow speed eases the scroll toward it and the bounds hold it.
void TAniView::CameraStep() {
  // A key slot that was freed or taken by a tile has no figure to follow.
  if (TAniFigure* K = FKeyFigure > 0 ? FigureAt(FKeyFigure) : nullptr) {
    const TAniEntry& e = FEntries[FKeyFigure];
    // C++ integer division truncates toward zero, as the camera rule wants.
    const int64_t x = (int64_t(ComposedWidth()) - int64_t(K->Width)) / 2 - e.ScreenX;
    const int64_t y = (int64_t(ComposedHeight()) - int64_t(K->Height)) / 2 - e.ScreenY;
    if (FFollowSpeed >= 100) {
      FScrollX = SaturateInt32(x);
      FScrollY = SaturateInt32(y);
    } else {
      // Eased toward the rule's scroll as bounded, so that it never presses
      // against an edge.
      const int32_t fromX = FScrollX, fromY = FScrollY;
      FScrollX = SaturateInt32(x);
      FScrollY = SaturateInt32(y);
      ClampScroll();
      FScrollX = SaturateInt32(Approach(fromX, FScrollX, FFollowSpeed));
      FScrollY = SaturateInt32(Approach(fromY, FScrollY, FFollowSpeed));
    }
  }
  ClampScroll();
}

void TAniView::SetZoom(int32_t Value) {
  Value = std::clamp(Value, 1, kMaxZoom);
  if (Value == FZoom) return;
  FZoom = Value;
  // The buffer takes the new composed size now, cleared as Paint would leave
  // it, so that a frame drawn before the next paint has the right size.
  if (FBuffer) {
    EnsureBackBrush();
    const int32_t w = ComposedWidth(), h = ComposedHeight();
    FBuffer->SetSize(w, h);
    const RECT all{0, 0, SaturateInt32(int64_t(w) + 1), SaturateInt32(int64_t(h) + 1)};
    FillRect(FBuffer->Canvas()->Handle(), &all, FBackBrush);
  }
  ClampScroll();
  Invalidate();
}

void TAniView::ZoomAt(int32_t Value, int32_t X, int32_t Y) {
  const TPoint before = ClientToComposed({X, Y});
  const int64_t bx = int64_t(before.X) - FScrollX, by = int64_t(before.Y) - FScrollY;
  SetZoom(Value);
  const TPoint after = ClientToComposed({X, Y});
  ScrollTo(SaturateInt32(after.X - bx), SaturateInt32(after.Y - by));
}

}  // namespace vel
