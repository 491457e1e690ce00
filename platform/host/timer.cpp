// TTimer: keeps the application's schedule in step with Enabled, Interval and
// the component state.
#include "velscene/platform/host/timer.h"

#include "velscene/platform/host/application.h"

namespace vel {

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) { UpdateSchedule(); }

TTimer::~TTimer() {
  if (running_) {
    if (TApplication* app = ApplicationIfAlive()) app->StopTimer(this);
    running_ = false;
  }
}

void TTimer::SetInterval(uint32_t ms) {
  if (ms == interval_) return;
  interval_ = ms;
  UpdateSchedule();
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  UpdateSchedule();
}

void TTimer::UpdateSchedule() {
  const TComponentState state = ComponentState();
  const bool run = enabled_ && interval_ > 0 && !state.Contains(csDesigning) &&
                   !state.Contains(csDestroying);
  if (run)
    Application().StartTimer(this);  // (re)starts a full period from now
  else if (running_)
    Application().StopTimer(this);
}

}  // namespace vel
