// The SDL2 backend's life and loop: starting and stopping SDL, the clock, the
// cursor, waiting on SDL timers and delivering SDL events (windows, mouse,
// wheel, keys) to the forms.
#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "velscene/platform/host/application.h"
#include "velscene/platform/backends/sdl2/sdl2.h"
#include "velscene/platform/host/forms.h"

namespace vel {

namespace {

constexpr Uint32 kSubsystems = SDL_INIT_VIDEO | SDL_INIT_TIMER;
// One pump delivers at most this many events, so that a flood of input can
// never keep timers and paints from their turn.
constexpr int kMaxEventsPerPump = 1024;

// The event type that wakes WaitEvents; registered once per process.
Uint32 WakeEventType() {
  static const Uint32 type = [] {
    const Uint32 t = SDL_RegisterEvents(1);
    return t == static_cast<Uint32>(-1) ? static_cast<Uint32>(SDL_USEREVENT) : t;
  }();
  return type;
}

// Runs on SDL's timer thread: it only posts the wake-up event (its type
// travels in `param`) and never touches the backend.
Uint32 PostWake(Uint32 /*interval*/, void* param) {
  SDL_Event event{};
  event.type = static_cast<Uint32>(reinterpret_cast<uintptr_t>(param));
  SDL_PushEvent(&event);
  return 0;  // one shot
}

// SDL falls back on drivers that show nothing ("offscreen" starts without
// any display); those count only when SDL_VIDEODRIVER asks for them.
bool ShowsWindows(const char* driver) {
  if (driver == nullptr) return false;
  if (std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0) return true;
  const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
  return asked != nullptr && std::strstr(asked, driver) != nullptr;
}

std::unique_ptr<THostBackend> MakeSdl2() { return TSdl2Backend::Create(); }

TShiftState ModifierState(Uint16 mods) {
  TShiftState s;
  if (mods & KMOD_SHIFT) s.Include(ssShift);
  if (mods & KMOD_CTRL) s.Include(ssCtrl);
  if (mods & KMOD_ALT) s.Include(ssAlt);
  return s;
}

// A quit request (SDL_QUIT: a signal or the session ending) closes every
// showing form, each raising its OnClose, and ends the loop.
void CloseAllForms() {
  TApplication& app = Application();
  std::vector<TComponentRef<TForm>> forms;
  for (int i = 0; i < app.FormCount(); ++i) forms.push_back(app.Forms(i)->Ref<TForm>());
  for (TComponentRef<TForm>& ref : forms) {
    TForm* form = ref.Get();
    if (form != nullptr && form->Visible()) form->Close();
  }
  app.Terminate();
}

}  // namespace

void RegisterSdl2Backend() { RegisterBackend("sdl2", &MakeSdl2, 10); }

TSdl2Backend* Sdl2Backend() { return dynamic_cast<TSdl2Backend*>(&Application().Backend()); }

std::unique_ptr<TSdl2Backend> TSdl2Backend::Create() {
  // A window's close box closes its form; only an explicit quit request ends
  // the loop, whatever windows are left.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  // The click that activates a window reaches its form too.
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  // Without a display named there is nothing to show windows on, unless a
  // driver is asked for by name; SDL is not even probed then, so a start
  // without a display prints nothing.
  if (!DisplayNamed() && SDL_GetHint(SDL_HINT_VIDEODRIVER) == nullptr) return nullptr;
  for (int attempt = 1;; ++attempt) {
    if (SDL_InitSubSystem(kSubsystems) == 0) {
      if (ShowsWindows(SDL_GetCurrentVideoDriver())) break;
      SDL_QuitSubSystem(kSubsystems);
    }
    // A busy X server refuses a connection now and then, and SDL then lands
    // on a display-less driver: with a display named, try again a little.
    if (attempt == 3 || !DisplayNamed()) return nullptr;
    SDL_Delay(25);
  }
  WakeEventType();
  std::unique_ptr<TSdl2Backend> backend(new TSdl2Backend());
  backend->mods_ = ModifierState(static_cast<Uint16>(SDL_GetModState()));
  return backend;
}

TSdl2Backend::~TSdl2Backend() {
  for (TDeliveryGuard* g = deliveries_; g != nullptr; g = g->outer) g->destroyed = true;
  if (wakeTimer_ != 0) SDL_RemoveTimer(wakeTimer_);
  for (TWindow& w : windows_) DestroyWindow(w);
  windows_.clear();
  SDL_QuitSubSystem(kSubsystems);
}

uint64_t TSdl2Backend::ClockMs() { return SDL_GetTicks64(); }

const char* TSdl2Backend::VideoDriver() const {
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver != nullptr ? driver : "";
}

TPoint TSdl2Backend::CursorPos() {
  int x = 0, y = 0;
  SDL_GetGlobalMouseState(&x, &y);
  return {x, y};
}

// ---------------------------------------------------------------------------
// The loop
// ---------------------------------------------------------------------------
void TSdl2Backend::PumpEvents() {
  SDL_Event event;
  for (int n = 0; n < kMaxEventsPerPump && SDL_PollEvent(&event); ++n) {
    if (!Deliver(event)) return;
  }
}

bool TSdl2Backend::WaitEvents(int64_t timeoutMs) {
  if (timeoutMs == 0) return true;
  const int ms = static_cast<int>(std::min<int64_t>(timeoutMs, INT32_MAX));
  if (timeoutMs > 0 && wakeTimer_ == 0) {
    wakeTimer_ = SDL_AddTimer(static_cast<Uint32>(ms), &PostWake,
                              reinterpret_cast<void*>(static_cast<uintptr_t>(WakeEventType())));
  }
  // The event stays queued (null target); PumpEvents delivers it.
  if (timeoutMs < 0 || wakeTimer_ != 0)
    SDL_WaitEvent(nullptr);
  else
    SDL_WaitEventTimeout(nullptr, ms);  // no SDL timer to be had: wait with a timeout
  if (wakeTimer_ != 0) {
    SDL_RemoveTimer(wakeTimer_);  // a wake-up already posted stays harmless
    wakeTimer_ = 0;
  }
  PumpEvents();
  return true;
}

bool TSdl2Backend::Deliver(const SDL_Event& event) {
  TDeliveryGuard guard;
  guard.outer = deliveries_;
  deliveries_ = &guard;
  HandleEvent(event);
  if (guard.destroyed) return false;  // `this` is gone
  deliveries_ = guard.outer;
  return true;
}

void TSdl2Backend::HandleEvent(const SDL_Event& event) {
  if (event.type == WakeEventType()) {
    ++timerWakes_;
    return;
  }
  switch (event.type) {
    case SDL_QUIT:
      CloseAllForms();
      break;
    case SDL_WINDOWEVENT:
      HandleWindowEvent(event);
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      // The modifiers as of this point of the queue; SDL_GetModState would
      // answer for the last event SDL read, maybe a later release.
      mods_ = ModifierState(event.key.keysym.mod);
      HandleKeyEvent(event);
      break;
    case SDL_MOUSEWHEEL:
      HandleWheelEvent(event);
      break;
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      HandleMouseEvent(event);
      break;
    default:
      break;
  }
}

void TSdl2Backend::HandleWindowEvent(const SDL_Event& event) {
  TWindow* w = FindById(event.window.windowID);
  if (w == nullptr) return;
  switch (event.window.event) {
    case SDL_WINDOWEVENT_CLOSE:
      w->form->Close();  // may destroy the form and its window
      break;
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_MOVED:
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      SyncFormGeometry(*w);
      break;
    case SDL_WINDOWEVENT_EXPOSED:
      Render(*w);
      break;
    default:
      break;
  }
}

// Pointer positions arrive in window points, which are the form's client
// pixels (see PresentRect); a drag that leaves the window keeps reporting,
// with coordinates outside the client area.
void TSdl2Backend::HandleMouseEvent(const SDL_Event& event) {
  if (event.type == SDL_MOUSEMOTION) {
    TWindow* w = FindById(event.motion.windowID);
    if (w == nullptr || !w->form->Visible()) return;
    w->form->DispatchMouseMove(mods_, event.motion.x, event.motion.y);
    return;
  }
  TMouseButton button;
  switch (event.button.button) {
    case SDL_BUTTON_LEFT:
      button = mbLeft;
      break;
    case SDL_BUTTON_RIGHT:
      button = mbRight;
      break;
    case SDL_BUTTON_MIDDLE:
      button = mbMiddle;
      break;
    default:
      return;  // extra buttons mean nothing to the host
  }
  // The held buttons follow the events even where no form takes them.
  Application().MouseButtonChanged(button, event.type == SDL_MOUSEBUTTONDOWN);
  TWindow* w = FindById(event.button.windowID);
  if (w == nullptr || !w->form->Visible()) return;
  TShiftState shift = mods_;
  if (event.type == SDL_MOUSEBUTTONDOWN) {
    if (event.button.clicks == 2) shift.Include(ssDouble);
    w->form->DispatchMouseDown(button, shift, event.button.x, event.button.y);
  } else {
    w->form->DispatchMouseUp(button, shift, event.button.x, event.button.y);
  }
}

}  // namespace vel
