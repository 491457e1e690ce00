// The SDL2 backend: each form a real window presenting its surface, timers
// woken by SDL timers, mouse, wheel and key input routed through the forms,
// SDL message boxes.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "velscene/platform/host/backend.h"
#include "velscene/platform/host/controls.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
union SDL_Event;

namespace vel {

class TSdl2Backend : public THostBackend {
 public:
  // Starts SDL's video and timer subsystems; null when no display can be
  // opened (SDL's offscreen and dummy drivers only when SDL_VIDEODRIVER
  // names them). Each backend holds its own reference on them, so backends may be
  // made and dropped any number of times.
  static std::unique_ptr<TSdl2Backend> Create();
  ~TSdl2Backend() override;
  TSdl2Backend(const TSdl2Backend&) = delete;
  TSdl2Backend& operator=(const TSdl2Backend&) = delete;

  const char* Name() const override { return "sdl2"; }
  uint64_t ClockMs() override;

  void WindowCreated(TForm* form) override;
  void WindowDestroyed(TForm* form) override;
  void WindowShown(TForm* form, bool visible) override;
  void WindowMoved(TForm* form) override;
  void WindowResized(TForm* form) override;
  void WindowCaptionChanged(TForm* form) override;
  void Present(TForm* form) override;

  TPoint CursorPos() override;
  int MessageBox(TForm* owner, const std::string& text, const std::string& caption,
                 unsigned buttons) override;

  void PumpEvents() override;
  // Arms an SDL timer for the timeout that only posts a wake-up event, and
  // sleeps in SDL_WaitEvent until that or any other event arrives.
  bool WaitEvents(int64_t timeoutMs) override;

  // The SDL video driver in use ("x11", "wayland", ...).
  const char* VideoDriver() const;
  // SDL's id of the form's window; 0 when the form has none.
  uint32_t WindowId(const TForm* form) const;
  // How often a window was put on the screen (presents and re-exposes).
  uint64_t PresentCount() const { return presents_; }
  // How often WaitEvents was woken by its own timer.
  uint64_t TimerWakeCount() const { return timerWakes_; }

 private:
  struct TWindow {
    TForm* form = nullptr;
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    int32_t textureWidth = 0, textureHeight = 0;
    uint32_t id = 0;
  };
  // Set by the destructor for every event delivery running on the stack, so
  // that a handler that drops this backend stops the delivery at once.
  struct TDeliveryGuard {
    bool destroyed = false;
    TDeliveryGuard* outer = nullptr;
  };

  TSdl2Backend() = default;
  TWindow* Find(const TForm* form);
  const TWindow* Find(const TForm* form) const;
  TWindow* FindById(uint32_t id);
  void DestroyWindow(TWindow& w);
  void Render(TWindow& w);
  // Keeps the form's position and client size in step with the window.
  void SyncFormGeometry(TWindow& w);
  // Returns false when the backend was destroyed while delivering the event.
  bool Deliver(const SDL_Event& event);
  void HandleEvent(const SDL_Event& event);
  void HandleWindowEvent(const SDL_Event& event);
  void HandleMouseEvent(const SDL_Event& event);
  void HandleWheelEvent(const SDL_Event& event);
  void HandleKeyEvent(const SDL_Event& event);

  std::vector<TWindow> windows_;
  TShiftState mods_;       // Shift, Ctrl and Alt, from the key events
  // The character each key (by SDL scancode) typed when pressed, reported
  // again with its release.
  std::array<char32_t, 512> typed_{};
  bool syncing_ = false;   // the form is being told what the window did
  int wakeTimer_ = 0;      // SDL_TimerID of the armed wake-up, 0 when none
  TDeliveryGuard* deliveries_ = nullptr;
  uint64_t presents_ = 0;
  uint64_t timerWakes_ = 0;
};

// The application's backend when it is the SDL2 one, else null.
TSdl2Backend* Sdl2Backend();

// Registers "sdl2" with the backend registry (the registry calls it).
void RegisterSdl2Backend();

}  // namespace vel
