// TSceneRunner's camera controls: arrow keys and WASD pan while no figure is
// followed (a pan key releases the follow), the wheel and +/- zoom around the
// pointer, F follows the key figure or stops following, Escape closes the
// window. The view's key and wheel events are recorded for the trace.
#include "velscene/platform/host/application.h"
#include "runner/scene_runner.h"

namespace vel {

namespace {

constexpr uint8_t kPanLeft = 1, kPanRight = 2, kPanUp = 4, kPanDown = 8;
// Screen pixels a held pan key moves the view per tick, whatever the zoom.
constexpr int32_t kPanPixels = 32;

uint8_t PanDirection(TKeyCode key) {
  switch (key) {
    case VK_LEFT:
    case 'A': return kPanLeft;
    case VK_RIGHT:
    case 'D': return kPanRight;
    case VK_UP:
    case 'W': return kPanUp;
    case VK_DOWN:
    case 'S': return kPanDown;
    default: return 0;
  }
}

}  // namespace

void TSceneRunner::BindControls() {
  view_->OnKeyDown = [this](TObject*, TKeyCode key, char32_t ch, TShiftState) {
    events_.push_back({SceneEvent::KeyDown, -1, -1, 0, 0, 0, 0, 0, mbLeft, key, ch});
    ControlKey(key, ch, true);
  };
  view_->OnKeyUp = [this](TObject*, TKeyCode key, char32_t ch, TShiftState) {
    events_.push_back({SceneEvent::KeyUp, -1, -1, 0, 0, 0, 0, 0, mbLeft, key, ch});
    ControlKey(key, ch, false);
  };
  view_->OnMouseWheel = [this](TObject*, TShiftState, int32_t delta, int32_t x, int32_t y, float gx, float gy) {
    events_.push_back({SceneEvent::Wheel, -1, -1, 0, x, y, gx, gy, mbLeft, 0, 0, delta});
    // A notch a step; a smooth wheel's part-notches count once they add up
    // to one in a single event.
    const int32_t steps = delta / WHEEL_DELTA;
    if (steps != 0) ZoomAroundPointer(steps);
  };
}

void TSceneRunner::ControlKey(TKeyCode key, char32_t ch, bool down) {
  if (const uint8_t dir = PanDirection(key)) {
    if (!down) {
      panHeld_ &= uint8_t(~dir);
      return;
    }
    panHeld_ |= dir;
    panTapped_ |= dir;
    if (view_->KeyFigure() > 0) Follow(false);
    return;
  }
  if (!down) return;
  if (key == 'F') {
    Follow(view_->KeyFigure() == 0);
  } else if (key == VK_OEM_PLUS || key == VK_ADD || ch == U'+') {
    ZoomAroundPointer(1);
  } else if (key == VK_OEM_MINUS || key == VK_SUBTRACT || ch == U'-') {
    ZoomAroundPointer(-1);
  } else if (key == VK_ESCAPE) {
    form_->Close();
  }
}

// Runs before each tick: the pan keys held, or tapped since the last tick,
// move the view (a key held longer than a tick keeps it moving).
void TSceneRunner::PanStep() {
  const uint8_t dirs = panHeld_ | panTapped_;
  panTapped_ = 0;
  if (dirs == 0 || view_->KeyFigure() > 0) return;
  const int32_t step = std::max(1, kPanPixels / view_->Zoom());
  const int32_t dx = ((dirs & kPanLeft) ? step : 0) - ((dirs & kPanRight) ? step : 0);
  const int32_t dy = ((dirs & kPanUp) ? step : 0) - ((dirs & kPanDown) ? step : 0);
  view_->ScrollBy(dx, dy);
}

// Around the pointer when it is over the view, else around the view's centre.
void TSceneRunner::ZoomAroundPointer(int32_t steps) {
  TPoint p = view_->ScreenToClient(GetCursorPos());
  if (p.X < 0 || p.Y < 0 || p.X >= view_->Width() || p.Y >= view_->Height()) p = {view_->Width() / 2, view_->Height() / 2};
  view_->ZoomAt(SaturateInt32(int64_t(view_->Zoom()) + steps), p.X, p.Y);
}

// Following needs a key figure in the scene that is placed; stopping keeps
// the scroll where the camera left it.
void TSceneRunner::Follow(bool on) {
  TAniFigure* none = nullptr;
  if (on && Valid(desc_.Key) && figures_[size_t(desc_.Key)]->Var->Slot() > 0)
    view_->SetKeyFigure(figures_[size_t(desc_.Key)]->Var);
  else
    view_->SetKeyFigure(none);
}

}  // namespace vel
