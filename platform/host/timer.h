// TTimer: a periodic GUI timer that calls OnTimer on the GUI thread, driven by
// the application's message loop and the backend's clock.
#pragma once

#include <cstdint>

#include "velscene/platform/host/classes.h"
#include "velscene/platform/host/events.h"

namespace vel {

class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;
  const char* ClassName() const override { return "TTimer"; }

  // Milliseconds between ticks; 0 stops the timer. Changing it restarts the
  // period from now.
  uint32_t Interval() const { return interval_; }
  void SetInterval(uint32_t ms);
  // Enabling starts a full period from now; disabling drops a pending tick.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  // Sender is the timer.
  TNotifyEvent OnTimer;

  // True while the timer is scheduled: enabled, Interval > 0, not designing.
  bool Running() const { return running_; }

 private:
  friend class TApplication;
  void UpdateSchedule();

  uint32_t interval_ = 1000;
  bool enabled_ = true;
  bool running_ = false;
  bool firing_ = false;      // OnTimer is running (no re-entrant tick)
  uint64_t due_ = 0;         // clock time of the next tick
  uint64_t sequence_ = 0;    // start order; breaks ties between equal due times
  uint64_t firedPass_ = 0;   // last delivery pass that fired it
};

}  // namespace vel
