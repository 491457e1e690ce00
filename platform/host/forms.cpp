// TForm: the window's surface and controls, alignment, painting of what was
// invalidated, and routing of backend mouse, wheel and key input to controls.
#include "velscene/platform/host/forms.h"

#include <algorithm>

#include "velscene/platform/host/application.h"
#include "velscene/platform/host/internal/context_canvas.h"

namespace vel {

namespace {

bool Overlap(const TRect& a, const TRect& b) {
  return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

}  // namespace

TForm::TForm(TComponent* AOwner) : TComponent(AOwner) {
  surface_.SetSize(clientWidth_, clientHeight_);
  formContext_.dc = CreateCompatibleDC(HDC{});
  canvas_ = new TContextCanvas(formContext_.dc);
  AttachContext(formContext_);
  Application().AddForm(this);
}

TForm::~TForm() {
  Destroying();
  DestroyComponents();
  while (!controls_.empty()) controls_.back()->SetParent(nullptr);
  if (TApplication* app = ApplicationIfAlive()) app->RemoveForm(this);
  DetachContext(formContext_);
  delete canvas_;
}

void TForm::SetCaption(const std::string& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  Application().Backend().WindowCaptionChanged(this);
}

void TForm::SetPosition(int32_t left, int32_t top) {
  if (left == left_ && top == top_) return;
  left_ = left;
  top_ = top;
  Application().Backend().WindowMoved(this);
}

void TForm::SetClientSize(int32_t width, int32_t height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == clientWidth_ && height == clientHeight_) return;
  DetachAllContexts();  // the bitmap may get a new handle or lose it
  surface_.SetSize(width, height);
  AttachAllContexts();
  clientWidth_ = width;
  clientHeight_ = height;
  Realign();
  invalidAll_ = true;
  Application().Backend().WindowResized(this);
}

void TForm::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  invalidAll_ = true;
}

TCanvas* TForm::Canvas() { return canvas_; }

TControl* TForm::Controls(int index) const {
  if (index < 0 || index >= ControlCount()) return nullptr;
  return controls_[static_cast<size_t>(index)];
}

void TForm::Show() {
  if (visible_) return;
  visible_ = true;
  Realign();
  invalidAll_ = true;
  Application().Backend().WindowShown(this, true);
}

void TForm::Hide() {
  if (!visible_) return;
  visible_ = false;
  capture_ = nullptr;
  Application().Backend().WindowShown(this, false);
}

void TForm::Close() {
  TComponentRef<TForm> self = Ref<TForm>();
  OnClose(this);
  if (self) Hide();
}

// ---------------------------------------------------------------------------
// Controls and alignment
// ---------------------------------------------------------------------------
void TForm::AddControl(TControl* c) {
  controls_.push_back(c);
  ControlChanged(c);
}

void TForm::RemoveControl(TControl* c) {
  auto it = std::find(controls_.begin(), controls_.end(), c);
  if (it == controls_.end()) return;
  DetachContext(c->context_);
  if (capture_ == c) capture_ = nullptr;
  if (active_ == c) active_ = nullptr;
  controls_.erase(it);
  c->paintPending_ = false;
  if (!ComponentState().Contains(csDestroying)) ControlChanged(c);
}

void TForm::ChangeZOrder(TControl* c, bool toFront) {
  auto it = std::find(controls_.begin(), controls_.end(), c);
  if (it == controls_.end()) return;
  controls_.erase(it);
  if (toFront)
    controls_.push_back(c);
  else
    controls_.insert(controls_.begin(), c);
  ControlChanged(c);
}

void TForm::ControlChanged(TControl* /*c*/) {
  if (!aligning_) Realign();
  invalidAll_ = true;
}

void TForm::Realign() {
  if (aligning_) return;
  aligning_ = true;
  int64_t l = 0, t = 0, r = clientWidth_, b = clientHeight_;
  for (TAlign kind : {alTop, alBottom, alLeft, alRight, alClient}) {
    for (size_t i = 0; i < controls_.size(); ++i) {
      TControl* c = controls_[i];
      if (c->align_ != kind || !c->visible_) continue;
      const int32_t w = SaturateInt32(std::max<int64_t>(r - l, 0));
      const int32_t h = SaturateInt32(std::max<int64_t>(b - t, 0));
      switch (kind) {
        case alTop:
          c->SetBounds(SaturateInt32(l), SaturateInt32(t), w, c->height_);
          t += c->height_;
          break;
        case alBottom:
          c->SetBounds(SaturateInt32(l), SaturateInt32(b - c->height_), w, c->height_);
          b -= c->height_;
          break;
        case alLeft:
          c->SetBounds(SaturateInt32(l), SaturateInt32(t), c->width_, h);
          l += c->width_;
          break;
        case alRight:
          c->SetBounds(SaturateInt32(r - c->width_), SaturateInt32(t), c->width_, h);
          r -= c->width_;
          break;
        default:
          c->SetBounds(SaturateInt32(l), SaturateInt32(t), w, h);
          break;
      }
    }
  }
  aligning_ = false;
}

// ---------------------------------------------------------------------------
// Painting
// ---------------------------------------------------------------------------
void TForm::Invalidate() { invalidAll_ = true; }

void TForm::InvalidateControl(TControl* c) {
  c->paintPending_ = true;
  paintPending_ = true;
}

void TForm::AttachContext(TSurfaceContext& context) {
  const HBITMAP bitmap = surface_.Handle();
  if (context.attached || !context.dc || !bitmap) return;
  const HGDIOBJ previous = SelectObject(context.dc, bitmap);
  if (!previous) return;  // refused: the context draws nowhere
  context.saved = previous;
  context.attached = true;
}

void TForm::DetachContext(TSurfaceContext& context) {
  if (!context.attached) return;
  SelectObject(context.dc, context.saved);
  context.saved = HGDIOBJ{};
  context.attached = false;
}

void TForm::DetachAllContexts() {
  DetachContext(formContext_);
  for (TControl* c : controls_) DetachContext(c->context_);
}

void TForm::AttachAllContexts() {
  AttachContext(formContext_);
  for (TControl* c : controls_) AttachContext(c->context_);
}

void TForm::FillBackground(const TRect& r) {
  TCanvas* canvas = Canvas();
  canvas->SetBrushColor(color_);
  canvas->FillRect(r);
}

void TForm::PaintAll() {
  invalidAll_ = false;
  paintPending_ = false;
  for (TControl* c : controls_) c->paintPending_ = false;
  FillBackground({0, 0, clientWidth_, clientHeight_});
  TComponentRef<TForm> self = Ref<TForm>();
  // Index loop: a Paint may add or remove controls.
  for (size_t i = 0; i < controls_.size(); ++i) {
    TControl* c = controls_[i];
    if (!c->visible_) continue;
    c->Paint();
    if (!self) return;
  }
}

void TForm::PaintControl(TControl* c, bool withBackground) {
  if (withBackground) FillBackground(c->BoundsRect());
  c->Paint();
}

void TForm::PaintPending() {
  if (!visible_) return;
  if (invalidAll_) {
    PaintAll();
    return;
  }
  if (!paintPending_) return;
  paintPending_ = false;
  TComponentRef<TForm> self = Ref<TForm>();
  for (size_t i = 0; i < controls_.size(); ++i) {
    TControl* c = controls_[i];
    if (!c->paintPending_) continue;
    c->paintPending_ = false;
    if (!c->visible_) continue;
    const TRect area = c->BoundsRect();
    PaintControl(c, true);
    if (!self) return;
    // Controls above that overlap it are painted again on top.
    for (size_t j = i + 1; j < controls_.size(); ++j) {
      TControl* above = controls_[j];
      if (!above->visible_ || above->paintPending_ || !Overlap(area, above->BoundsRect())) continue;
      PaintControl(above, true);
      if (!self) return;
    }
  }
}

// ---------------------------------------------------------------------------
// Mouse routing
// ---------------------------------------------------------------------------
TControl* TForm::ControlAtPos(int32_t x, int32_t y) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl* c = *it;
    if (c->visible_ && c->enabled_ && c->ContainsPoint(x, y)) return c;
  }
  return nullptr;
}

TControl* TForm::RouteTarget(int32_t x, int32_t y) const {
  return capture_ != nullptr ? capture_ : ControlAtPos(x, y);
}

void TForm::DispatchMouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
  shift |= Application().HeldButtons();
  TControl* c = RouteTarget(x, y);
  if (c == nullptr) return;
  capture_ = c;
  active_ = c;
  c->MouseDown(button, shift, SaturateInt32(int64_t{x} - c->left_), SaturateInt32(int64_t{y} - c->top_));
}

void TForm::DispatchMouseMove(TShiftState shift, int32_t x, int32_t y) {
  shift |= Application().HeldButtons();
  TControl* c = RouteTarget(x, y);
  if (c != nullptr)
    c->MouseMove(shift, SaturateInt32(int64_t{x} - c->left_), SaturateInt32(int64_t{y} - c->top_));
}

void TForm::DispatchMouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
  shift |= Application().HeldButtons();
  TControl* c = capture_;
  if (c == nullptr) {
    c = ControlAtPos(x, y);
    if (c != nullptr) {
      c->MouseUp(button, shift, SaturateInt32(int64_t{x} - c->left_),
                 SaturateInt32(int64_t{y} - c->top_));
    }
    return;
  }
  capture_ = nullptr;
  TComponentRef<TForm> self = Ref<TForm>();
  TComponentRef<TControl> pressed = c->Ref<TControl>();
  c->MouseUp(button, shift, SaturateInt32(int64_t{x} - c->left_), SaturateInt32(int64_t{y} - c->top_));
  // The handler may have destroyed the control or this form.
  c = pressed.Get();
  if (!self || c == nullptr || c->parent_ != this) return;
  if (button == mbLeft && c->visible_ && c->enabled_ && c->ContainsPoint(x, y)) c->Click();
}

// ---------------------------------------------------------------------------
// Wheel, keys and focus
// ---------------------------------------------------------------------------
void TForm::DispatchMouseWheel(TShiftState shift, int32_t delta, int32_t x, int32_t y) {
  shift |= Application().HeldButtons();
  TControl* c = RouteTarget(x, y);
  if (c == nullptr) {
    OnMouseWheel(this, shift, delta, x, y);
    return;
  }
  c->MouseWheel(shift, delta, SaturateInt32(int64_t{x} - c->left_), SaturateInt32(int64_t{y} - c->top_));
}

void TForm::SetActiveControl(TControl* c) {
  active_ = std::find(controls_.begin(), controls_.end(), c) != controls_.end() ? c : nullptr;
}

void TForm::DispatchKeyDown(TKeyCode key, char32_t ch, TShiftState shift) {
  shift |= Application().HeldButtons();
  if (active_ != nullptr && active_->visible_ && active_->enabled_)
    active_->KeyDown(key, ch, shift);
  else
    OnKeyDown(this, key, ch, shift);
}

void TForm::DispatchKeyUp(TKeyCode key, char32_t ch, TShiftState shift) {
  shift |= Application().HeldButtons();
  if (active_ != nullptr && active_->visible_ && active_->enabled_)
    active_->KeyUp(key, ch, shift);
  else
    OnKeyUp(this, key, ch, shift);
}

}  // namespace vel
