// TForm: a top-level window with a surface bitmap, child controls in z-order,
// alignment, painting of invalidated controls, mouse routing, and keys for
// the focused control.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "velscene/platform/host/classes.h"
#include "velscene/platform/host/controls.h"
#include "velscene/platform/host/events.h"
#include "velscene/platform/graphics/graphics.h"

namespace vel {

class TForm : public TComponent {
 public:
  explicit TForm(TComponent* AOwner);
  // Destroys the owned components first, then unparents controls owned
  // elsewhere, then closes the window.
  ~TForm() override;
  const char* ClassName() const override { return "TForm"; }

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  // Screen position of the client area's top-left corner.
  int32_t Left() const { return left_; }
  int32_t Top() const { return top_; }
  void SetLeft(int32_t v) { SetPosition(v, top_); }
  void SetTop(int32_t v) { SetPosition(left_, v); }
  void SetPosition(int32_t left, int32_t top);
  int32_t ClientWidth() const { return clientWidth_; }
  int32_t ClientHeight() const { return clientHeight_; }
  void SetClientWidth(int32_t v) { SetClientSize(v, clientHeight_); }
  void SetClientHeight(int32_t v) { SetClientSize(clientWidth_, v); }
  // Negative sizes count as 0; resizes the surface and realigns the controls.
  void SetClientSize(int32_t width, int32_t height);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool v) { showHint_ = v; }

  // The window's pixels (draw through Canvas() or a control's canvas).
  TBitmap* Surface() { return &surface_; }
  const TBitmap* Surface() const { return &surface_; }
  // A canvas on the whole surface (client pixels).
  TCanvas* Canvas();

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  // In z-order, bottom first; null for an index out of range.
  TControl* Controls(int index) const;

  bool Visible() const { return visible_; }
  void Show();
  void Hide();
  // Raises OnClose, then hides the form.
  void Close();
  TNotifyEvent OnClose;

  // Applies the controls' Align within the client area.
  void Realign();
  // Paints the background and every visible control now.
  void PaintAll();
  // Marks the whole client area for repainting.
  void Invalidate();
  // Paints what was invalidated, when the form is showing; the application
  // calls it on each pass.
  void PaintPending();

  // Mouse input from a backend, in client pixels: routed to the topmost
  // visible, enabled control under the pointer; after a press the moves and
  // the release go to the pressed control; a left release inside it clicks it.
  void DispatchMouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y);
  void DispatchMouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y);
  void DispatchMouseMove(TShiftState shift, int32_t x, int32_t y);
  // The wheel, in client pixels: to the control holding the capture, else
  // the topmost visible, enabled control under the pointer, else the form's
  // own OnMouseWheel (with client pixels).
  void DispatchMouseWheel(TShiftState shift, int32_t delta, int32_t x, int32_t y);
  // Keys: to the active control while it is visible and enabled, else to the
  // form's own OnKeyDown / OnKeyUp.
  void DispatchKeyDown(TKeyCode key, char32_t ch, TShiftState shift);
  void DispatchKeyUp(TKeyCode key, char32_t ch, TShiftState shift);
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TMouseWheelEvent OnMouseWheel;
  // The focused control (null when none). Only a control of this form can be
  // made active; anything else clears it. A press on a control activates it.
  TControl* ActiveControl() const { return active_; }
  void SetActiveControl(TControl* c);
  // The control holding the mouse capture (null when none).
  TControl* CaptureControl() const { return capture_; }
  // The topmost visible, enabled control at a client point, or null.
  TControl* ControlAtPos(int32_t x, int32_t y) const;

  // Bitmap version last sent to the backend (the application compares it).
  uint64_t PresentedVersion() const { return presentedVersion_; }
  void SetPresentedVersion(uint64_t v) { presentedVersion_ = v; }

 private:
  friend class TControl;
  void AddControl(TControl* c);
  void RemoveControl(TControl* c);
  void ChangeZOrder(TControl* c, bool toFront);
  void ControlChanged(TControl* c);  // moved, resized, shown, hidden or realigned
  void InvalidateControl(TControl* c);
  // Selects the surface into a context (and back out of it).
  void AttachContext(TSurfaceContext& context);
  void DetachContext(TSurfaceContext& context);
  void DetachAllContexts();
  void AttachAllContexts();
  void PaintControl(TControl* c, bool withBackground);
  void FillBackground(const TRect& r);
  TControl* RouteTarget(int32_t x, int32_t y) const;

  std::string caption_;
  int32_t left_ = 0, top_ = 0;
  int32_t clientWidth_ = 320, clientHeight_ = 240;
  TColor color_ = clBtnFace;
  bool showHint_ = false;
  bool visible_ = false;
  bool invalidAll_ = true;
  bool paintPending_ = false;
  bool aligning_ = false;
  TBitmap surface_;
  TSurfaceContext formContext_;
  TCanvas* canvas_ = nullptr;
  std::vector<TControl*> controls_;
  TControl* capture_ = nullptr;
  TControl* active_ = nullptr;
  uint64_t presentedVersion_ = 0;
};

}  // namespace vel
