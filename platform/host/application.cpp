// TApplication: forms, the timer schedule, the message loop and the
// process-wide application object.
#include "velscene/platform/host/application.h"

#include <algorithm>
#include <cstdlib>

#include "velscene/platform/host/forms.h"
#include "velscene/platform/host/timer.h"

namespace vel {

namespace {
TApplication* g_application = nullptr;

// The backend at start: the one VELSCENE_BACKEND names ("headless", "sdl2",
// ...), else (or when that one cannot start) "auto": a window system when a
// display is there, headless otherwise.
std::unique_ptr<THostBackend> StartupBackend() {
  if (const char* name = std::getenv("VELSCENE_BACKEND"); name != nullptr && *name != '\0') {
    if (std::unique_ptr<THostBackend> backend = CreateBackend(name)) return backend;
  }
  if (std::unique_ptr<THostBackend> backend = CreateBackend("auto")) return backend;
  return CreateBackend("headless");
}
}  // namespace

TApplication& Application() {
  static TApplication app;
  return app;
}

TApplication* ApplicationIfAlive() { return g_application; }

TPoint GetCursorPos() { return Application().Backend().CursorPos(); }

TApplication::TApplication() : backend_(StartupBackend()) {
  g_application = this;
}

TApplication::~TApplication() {
  g_application = nullptr;
  for (TTimer* t : timers_) t->running_ = false;
}

void TApplication::MouseButtonChanged(TMouseButton button, bool down) {
  if (down)
    heldButtons_.Include(ButtonShift(button));
  else
    heldButtons_.Exclude(ButtonShift(button));
}

TForm* TApplication::Forms(int index) const {
  if (index < 0 || index >= FormCount()) return nullptr;
  return forms_[static_cast<size_t>(index)];
}

bool TApplication::SelectBackend(const std::string& name) {
  std::unique_ptr<THostBackend> next = CreateBackend(name);
  if (!next) return false;
  SetBackend(std::move(next));
  return true;
}

void TApplication::SetBackend(std::unique_ptr<THostBackend> backend) {
  if (!backend) return;
  const uint64_t oldNow = backend_->ClockMs();
  for (TForm* f : forms_) backend_->WindowDestroyed(f);
  backend_ = std::move(backend);
  // Timers keep the time they had left.
  const uint64_t newNow = backend_->ClockMs();
  for (TTimer* t : timers_) t->due_ = newNow + (t->due_ > oldNow ? t->due_ - oldNow : 0);
  for (TForm* f : forms_) {
    backend_->WindowCreated(f);
    if (f->Visible()) backend_->WindowShown(f, true);
    f->Invalidate();
  }
}

void TApplication::AddForm(TForm* form) {
  forms_.push_back(form);
  backend_->WindowCreated(form);
}

void TApplication::RemoveForm(TForm* form) {
  auto it = std::find(forms_.begin(), forms_.end(), form);
  if (it == forms_.end()) return;
  forms_.erase(it);
  backend_->WindowDestroyed(form);
}

bool TApplication::AnyFormShowing() const {
  return std::any_of(forms_.begin(), forms_.end(), [](const TForm* f) { return f->Visible(); });
}

// ---------------------------------------------------------------------------
// Timers
// ---------------------------------------------------------------------------
void TApplication::StartTimer(TTimer* timer) {
  if (std::find(timers_.begin(), timers_.end(), timer) == timers_.end()) timers_.push_back(timer);
  timer->running_ = true;
  timer->due_ = backend_->ClockMs() + timer->interval_;
  timer->sequence_ = ++timerSequence_;
}

void TApplication::StopTimer(TTimer* timer) {
  auto it = std::find(timers_.begin(), timers_.end(), timer);
  if (it != timers_.end()) timers_.erase(it);
  timer->running_ = false;
}

std::optional<uint64_t> TApplication::NextTimerDue() const {
  std::optional<uint64_t> next;
  for (const TTimer* t : timers_) {
    if (t->firing_) continue;
    if (!next || t->due_ < *next) next = t->due_;
  }
  return next;
}

void TApplication::FireDueTimers(uint64_t now) {
  const uint64_t pass = ++firePass_;
  for (;;) {
    TTimer* best = nullptr;
    for (TTimer* t : timers_) {
      if (t->firing_ || t->firedPass_ == pass || t->due_ > now) continue;
      if (best == nullptr || t->due_ < best->due_ ||
          (t->due_ == best->due_ && t->sequence_ < best->sequence_))
        best = t;
    }
    if (best == nullptr) return;
    best->firedPass_ = pass;
    // Every tick missed up to now collapses into this one; the phase stays.
    const uint64_t interval = best->interval_;
    best->due_ += ((now - best->due_) / interval + 1) * interval;
    // The handler may destroy the timer: only the reference is used afterwards.
    TComponentRef<TTimer> ref = best->Ref<TTimer>();
    best->firing_ = true;
    struct Release {
      TComponentRef<TTimer>& ref;
      ~Release() {
        if (TTimer* t = ref.Get()) t->firing_ = false;
      }
    } release{ref};
    best->OnTimer(best);
  }
}

// ---------------------------------------------------------------------------
// The loop
// ---------------------------------------------------------------------------
void TApplication::UpdateForms() {
  for (size_t i = 0; i < forms_.size(); ++i) forms_[i]->PaintPending();
  for (size_t i = 0; i < forms_.size(); ++i) {
    TForm* f = forms_[i];
    if (!f->Visible()) continue;
    const uint64_t version = BitmapVersion(f->Surface()->Handle());
    if (version == f->PresentedVersion()) continue;
    f->SetPresentedVersion(version);
    backend_->Present(f);
  }
}

void TApplication::ProcessMessages() {
  backend_->PumpEvents();
  FireDueTimers(backend_->ClockMs());
  UpdateForms();
}

void TApplication::Run() {
  terminated_ = false;
  while (!terminated_) {
    ProcessMessages();
    if (terminated_ || !AnyFormShowing()) break;
    int64_t timeout = -1;
    if (std::optional<uint64_t> due = NextTimerDue()) {
      const uint64_t now = backend_->ClockMs();
      timeout = *due > now ? static_cast<int64_t>(*due - now) : 0;
    }
    if (!backend_->WaitEvents(timeout)) break;
  }
}

}  // namespace vel
