// Controls: mouse, key and alignment types, TControl (a rectangle on a form
// with a canvas, paint, mouse, wheel and key notifications, and focus) and the
// window-less TGraphicControl.
#pragma once

#include <cstdint>
#include <string>

#include "velscene/platform/host/classes.h"
#include "velscene/platform/host/events.h"
#include "velscene/platform/host/keys.h"
#include "velscene/platform/base/flags.h"
#include "velscene/platform/base/geometry.h"
#include "velscene/platform/base/saturate.h"
#include "velscene/platform/graphics/graphics.h"

namespace vel {

class TForm;

enum TMouseButton { mbLeft, mbRight, mbMiddle };

enum TShiftStateFlag { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
template <>
struct TIsFlagEnum<TShiftStateFlag> : std::true_type {};
using TShiftState = TFlags<TShiftStateFlag>;

// The shift-state flag of a mouse button held down.
constexpr TShiftStateFlag ButtonShift(TMouseButton button) {
  return button == mbRight ? ssRight : button == mbMiddle ? ssMiddle : ssLeft;
}

// A key pressed or released: its code, the character it types (0 for none)
// and the modifiers and buttons held.
using TKeyEvent = TEvent<TObject* /*Sender*/, TKeyCode /*Key*/, char32_t /*Char*/, TShiftState /*Shift*/>;
// The wheel turned by WheelDelta (WHEEL_DELTA a notch, positive away from the
// user) with the pointer at (X, Y), client pixels of the receiver.
using TMouseWheelEvent =
    TEvent<TObject* /*Sender*/, TShiftState /*Shift*/, int32_t /*WheelDelta*/, int32_t /*X*/, int32_t /*Y*/>;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

using TCursor = int32_t;
constexpr TCursor crDefault = 0;

// A memory context drawing on a form's surface: the surface bitmap stays
// selected into it while it is attached.
struct TSurfaceContext {
  HDC dc{};
  HGDIOBJ saved{};  // what the surface replaced in `dc`
  bool attached = false;
};

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;
  const char* ClassName() const override { return "TControl"; }

  TForm* Parent() const { return parent_; }
  // Appends the control on top of the form's z-order (null takes it off).
  void SetParent(TForm* parent);
  void BringToFront();
  void SendToBack();

  int32_t Left() const { return left_; }
  int32_t Top() const { return top_; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  void SetLeft(int32_t v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int32_t v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int32_t v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int32_t v) { SetBounds(left_, top_, width_, v); }
  // Negative sizes count as 0. An aligned control keeps the bounds its
  // alignment gives it.
  void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
  // The control's rectangle in its form's client pixels.
  TRect BoundsRect() const {
    return {left_, top_, SaturateInt32(int64_t{left_} + width_), SaturateInt32(int64_t{top_} + height_)};
  }
  // Whether a point in the form's client pixels lies on the control.
  bool ContainsPoint(int32_t x, int32_t y) const {
    return x >= left_ && y >= top_ && int64_t{x} - left_ < width_ && int64_t{y} - top_ < height_;
  }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  TAlign Align() const { return align_; }
  void SetAlign(TAlign v);
  // With ParentShowHint the parent form's ShowHint applies; setting ShowHint
  // clears ParentShowHint.
  bool ShowHint() const;
  void SetShowHint(bool v);
  bool ParentShowHint() const { return parentShowHint_; }
  void SetParentShowHint(bool v) { parentShowHint_ = v; }
  bool IsShowHintStored() const { return !parentShowHint_; }
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor v) { cursor_ = v; }
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& v) { hint_ = v; }

  TNotifyEvent OnClick;
  virtual void Click();

  // Mouse notifications in the control's client pixels; the form calls them.
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
  virtual void MouseMove(TShiftState Shift, int32_t X, int32_t Y);
  // The wheel, for the control under the pointer (or holding the capture).
  virtual void MouseWheel(TShiftState Shift, int32_t WheelDelta, int32_t X, int32_t Y);
  // Keys, for the focused control.
  virtual void KeyDown(TKeyCode Key, char32_t Char, TShiftState Shift);
  virtual void KeyUp(TKeyCode Key, char32_t Char, TShiftState Shift);

  // Focus: the control its form gives the keys to. A press on a control
  // focuses it; SetFocus does so without one. Without a parent it does nothing.
  void SetFocus();
  bool Focused() const;

  // Schedules a Paint on the application's next paint pass.
  void Invalidate();
  TPoint ScreenToClient(TPoint p) const;
  TPoint ClientToScreen(TPoint p) const;
  virtual HPALETTE GetPalette() { return HPALETTE{}; }

  // A canvas on the parent form's surface, origin at the control's top-left,
  // clipped to the control; its context follows the control when it moves,
  // resizes or changes parent. Without a parent it draws nowhere.
  TCanvas* Canvas();

 protected:
  friend class TForm;
  virtual void Paint() {}

 private:
  void UpdateContext();  // viewport origin and clip for the current bounds and parent

  TForm* parent_ = nullptr;
  int32_t left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool enabled_ = true;
  bool visible_ = true;
  bool showHint_ = false;
  bool parentShowHint_ = true;
  bool paintPending_ = false;
  TAlign align_ = alNone;
  TCursor cursor_ = crDefault;
  std::string hint_;
  TSurfaceContext context_;
  TCanvas* canvas_ = nullptr;
};

// A control without a window of its own, painting on its form's surface.
class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(TComponent* AOwner) : TControl(AOwner) {}
  const char* ClassName() const override { return "TGraphicControl"; }
};

}  // namespace vel
