// TControl: bounds, flags, parent form, the canvas lent the form's surface,
// and the notifications a form routes to it.
#include "velscene/platform/host/controls.h"

#include "velscene/platform/host/internal/context_canvas.h"
#include "velscene/platform/host/forms.h"

namespace vel {

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {}

TControl::~TControl() {
  SetParent(nullptr);
  delete canvas_;  // deletes the context, detached from the surface above
}

void TControl::SetParent(TForm* parent) {
  if (parent == parent_) return;
  if (parent_ != nullptr) parent_->RemoveControl(this);
  parent_ = nullptr;
  if (parent != nullptr && !ComponentState().Contains(csDestroying) &&
      !parent->ComponentState().Contains(csDestroying)) {
    parent_ = parent;
    parent->AddControl(this);
    parent->AttachContext(context_);
  }
  UpdateContext();
}

void TControl::BringToFront() {
  if (parent_ != nullptr) parent_->ChangeZOrder(this, true);
}

void TControl::SendToBack() {
  if (parent_ != nullptr) parent_->ChangeZOrder(this, false);
}

void TControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  UpdateContext();
  if (parent_ != nullptr) parent_->ControlChanged(this);
}

void TControl::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  Invalidate();
}

void TControl::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  if (parent_ != nullptr) parent_->ControlChanged(this);
}

void TControl::SetAlign(TAlign v) {
  if (v < alNone || v > alClient || v == align_) return;
  align_ = v;
  if (parent_ != nullptr) parent_->ControlChanged(this);
}

bool TControl::ShowHint() const {
  if (parentShowHint_ && parent_ != nullptr) return parent_->ShowHint();
  return showHint_;
}

void TControl::SetShowHint(bool v) {
  showHint_ = v;
  parentShowHint_ = false;
}

void TControl::Click() { OnClick(this); }

// The host's own mouse handling keeps nothing; descendants add theirs.
void TControl::MouseDown(TMouseButton, TShiftState, int32_t, int32_t) {}
void TControl::MouseUp(TMouseButton, TShiftState, int32_t, int32_t) {}
void TControl::MouseMove(TShiftState, int32_t, int32_t) {}
void TControl::MouseWheel(TShiftState, int32_t, int32_t, int32_t) {}
void TControl::KeyDown(TKeyCode, char32_t, TShiftState) {}
void TControl::KeyUp(TKeyCode, char32_t, TShiftState) {}

void TControl::SetFocus() {
  if (parent_ != nullptr) parent_->SetActiveControl(this);
}

bool TControl::Focused() const { return parent_ != nullptr && parent_->ActiveControl() == this; }

void TControl::Invalidate() {
  if (parent_ != nullptr) parent_->InvalidateControl(this);
}

TPoint TControl::ScreenToClient(TPoint p) const {
  int64_t ox = left_, oy = top_;
  if (parent_ != nullptr) {
    ox += parent_->Left();
    oy += parent_->Top();
  }
  return {SaturateInt32(p.X - ox), SaturateInt32(p.Y - oy)};
}

TPoint TControl::ClientToScreen(TPoint p) const {
  int64_t ox = left_, oy = top_;
  if (parent_ != nullptr) {
    ox += parent_->Left();
    oy += parent_->Top();
  }
  return {SaturateInt32(p.X + ox), SaturateInt32(p.Y + oy)};
}

TCanvas* TControl::Canvas() {
  if (canvas_ == nullptr) {
    context_.dc = CreateCompatibleDC(HDC{});
    canvas_ = new TContextCanvas(context_.dc);
    UpdateContext();
    if (parent_ != nullptr) parent_->AttachContext(context_);
  }
  return canvas_;
}

void TControl::UpdateContext() {
  if (!context_.dc) return;
  if (parent_ != nullptr) {
    SetViewportOrgEx(context_.dc, left_, top_);
    const RECT clip{0, 0, width_, height_};
    SetClipRect(context_.dc, &clip);
  } else {
    SetViewportOrgEx(context_.dc, 0, 0);
    const RECT none{0, 0, 0, 0};
    SetClipRect(context_.dc, &none);
  }
}

}  // namespace vel
