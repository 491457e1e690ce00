// TApplication: the GUI thread's message loop; holds the backend, the forms
// and the running timers, and delivers timer ticks, paints and input.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "velscene/platform/host/backend.h"
#include "velscene/platform/host/controls.h"

namespace vel {

class TForm;
class TTimer;

class TApplication {
 public:
  // Starts on the backend VELSCENE_BACKEND names, else on "auto" (a window
  // system when a display is there, headless otherwise).
  TApplication();
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  THostBackend& Backend() { return *backend_; }
  // "headless", "sdl2", "auto" or any registered name. Existing forms move to
  // the new backend. False (nothing changes) if the backend is unknown or
  // cannot start.
  bool SelectBackend(const std::string& name);
  // Installs a backend object directly (tests, embedding); null is ignored.
  void SetBackend(std::unique_ptr<THostBackend> backend);

  // One pass: pending input, due timers, pending paints and presents.
  void ProcessMessages();
  // Loops until Terminate() or until no form is showing. Clears a previous
  // Terminate() on entry.
  void Run();
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }

  uint64_t ClockMs() { return backend_->ClockMs(); }

  // Mouse buttons held down. Backends report every press and release (also
  // those that reach no form); forms add the held buttons to the shift state
  // of the mouse events they dispatch.
  TShiftState HeldButtons() const { return heldButtons_; }
  void MouseButtonChanged(TMouseButton button, bool down);
  // Forgets every held button (a modal box took the pointer).
  void ReleaseMouseButtons() { heldButtons_ = TShiftState(); }

  int FormCount() const { return static_cast<int>(forms_.size()); }
  TForm* Forms(int index) const;

  // Timer scheduling (TTimer and backends use these).
  // Earliest due time of a running timer that is not inside its own handler.
  std::optional<uint64_t> NextTimerDue() const;
  // Fires, in due-time order, every running timer due at `now` or earlier,
  // each at most once; a timer already inside its handler is skipped.
  void FireDueTimers(uint64_t now);
  int RunningTimerCount() const { return static_cast<int>(timers_.size()); }

  // Paints invalidated controls of showing forms and presents the surfaces
  // that changed.
  void UpdateForms();

 private:
  friend class TForm;
  friend class TTimer;
  void AddForm(TForm* form);
  void RemoveForm(TForm* form);
  void StartTimer(TTimer* timer);
  void StopTimer(TTimer* timer);
  bool AnyFormShowing() const;

  std::unique_ptr<THostBackend> backend_;
  std::vector<TForm*> forms_;
  std::vector<TTimer*> timers_;
  uint64_t timerSequence_ = 0;
  uint64_t firePass_ = 0;
  bool terminated_ = false;
  TShiftState heldButtons_;
};

// The one application of the process (made on first use).
TApplication& Application();
// The application if it exists and is not being destroyed (for destructors
// that may run during static destruction).
TApplication* ApplicationIfAlive();

// Cursor position in screen pixels, from the backend.
TPoint GetCursorPos();

}  // namespace vel
