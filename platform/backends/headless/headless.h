// The headless backend: a virtual clock advanced by hand, synthetic mouse,
// wheel and key input, readable window surfaces and recorded message boxes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "velscene/platform/host/backend.h"
#include "velscene/platform/host/controls.h"
#include "velscene/platform/raster/raster.h"

namespace vel {

struct TMessageBoxRecord {
  std::string Text;
  std::string Caption;
  unsigned Buttons = 0;
  std::string OwnerName;  // name of the owning form, "" without one
};

class THeadlessBackend : public THostBackend {
 public:
  const char* Name() const override { return "headless"; }
  // Starts at 0 and moves only through Advance (and Run's waiting).
  uint64_t ClockMs() override { return clock_; }

  // Moves the clock forward by `ms`, firing due timers in due-time order (the
  // clock reads each tick's due time while its handler runs), then paints what
  // was invalidated and presents changed surfaces.
  void Advance(uint64_t ms);

  TPoint CursorPos() override { return cursor_; }
  void SetCursorPos(TPoint p) { cursor_ = p; }

  // Synthetic input on a showing form, in client pixels: moves the cursor
  // there, reports presses and releases to the application (which adds the
  // held buttons to the shift state) and dispatches through
  // the form. Hidden forms get no input.
  void MouseDown(TForm* form, TMouseButton button, TShiftState shift, int32_t x, int32_t y);
  void MouseUp(TForm* form, TMouseButton button, TShiftState shift, int32_t x, int32_t y);
  void MouseMove(TForm* form, TShiftState shift, int32_t x, int32_t y);
  // The wheel turned at (x, y) (the cursor moves there); keys for the form's
  // focused control. `ch` is the character the key types, 0 for none.
  void MouseWheel(TForm* form, TShiftState shift, int32_t delta, int32_t x, int32_t y);
  void KeyDown(TForm* form, TKeyCode key, char32_t ch, TShiftState shift);
  void KeyUp(TForm* form, TKeyCode key, char32_t ch, TShiftState shift);

  // A pixel of the form's surface (CLR_INVALID outside it).
  COLORREF Pixel(TForm* form, int32_t x, int32_t y) const;
  // Saves the form's surface as an image file (PNG, or BMP by extension).
  void SaveWindow(TForm* form, const std::string& path) const;
  // How often surfaces were presented.
  uint64_t PresentCount() const { return presents_; }

  // Message boxes shown so far; each is also printed to stdout. The answer is
  // the box's default button (IDOK for MB_OK and MB_OKCANCEL).
  const std::vector<TMessageBoxRecord>& MessageBoxes() const { return boxes_; }
  void ClearMessageBoxes() { boxes_.clear(); }
  int MessageBox(TForm* owner, const std::string& text, const std::string& caption,
                 unsigned buttons) override;

  void WindowCreated(TForm*) override {}
  void WindowDestroyed(TForm*) override {}
  void WindowShown(TForm*, bool) override {}
  void WindowMoved(TForm*) override {}
  void WindowResized(TForm*) override {}
  void WindowCaptionChanged(TForm*) override {}
  void Present(TForm*) override { ++presents_; }

  void PumpEvents() override {}
  // Waiting passes virtual time at once; waiting forever is impossible.
  bool WaitEvents(int64_t timeoutMs) override;

 private:
  uint64_t clock_ = 0;
  TPoint cursor_;
  uint64_t presents_ = 0;
  std::vector<TMessageBoxRecord> boxes_;
};

// The application's backend when it is the headless one, else null.
THeadlessBackend* HeadlessBackend();

}  // namespace vel
