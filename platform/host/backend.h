// The seam between the component host and a window system: the backend
// interface the application drives, and a registry of backends by name.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "velscene/platform/host/controls.h"

namespace vel {

class TForm;

// What a window system provides. All calls come from the GUI thread. Input is
// delivered by the backend calling the form's Dispatch* methods (and
// TForm::Close for a window's close button, TApplication::Terminate for a quit
// request) from inside PumpEvents or WaitEvents.
class THostBackend {
 public:
  virtual ~THostBackend() = default;
  virtual const char* Name() const = 0;
  // Milliseconds from an arbitrary start; never goes backwards.
  virtual uint64_t ClockMs() = 0;

  // Window lifetime, following the form: created with the form (hidden),
  // destroyed with it; the form's position, client size, caption and
  // visibility changes are reported as they happen.
  virtual void WindowCreated(TForm* form) = 0;
  virtual void WindowDestroyed(TForm* form) = 0;
  virtual void WindowShown(TForm* form, bool visible) = 0;
  virtual void WindowMoved(TForm* form) = 0;
  virtual void WindowResized(TForm* form) = 0;
  virtual void WindowCaptionChanged(TForm* form) = 0;
  // The form's Surface() changed: put it on the screen.
  virtual void Present(TForm* form) = 0;

  // Cursor position in screen pixels.
  virtual TPoint CursorPos() = 0;
  // A modal message box; returns the id of the button that closed it (IDOK, ...).
  // `owner` is the form it belongs to, or null.
  virtual int MessageBox(TForm* owner, const std::string& text, const std::string& caption,
                         unsigned buttons) = 0;

  // Delivers pending input without waiting.
  virtual void PumpEvents() = 0;
  // Waits until input arrives or `timeoutMs` passes (negative: no timeout),
  // delivering it. Returns false when nothing can ever arrive (a backend
  // without input that was asked to wait forever); the loop then stops.
  virtual bool WaitEvents(int64_t timeoutMs) = 0;
};

// Whether the environment names a display (DISPLAY or WAYLAND_DISPLAY set and
// not empty): the one test of whether a window system may be there.
bool DisplayNamed();

// Makes a backend, or returns null when it cannot start here (no display, ...).
using TBackendFactory = std::unique_ptr<THostBackend> (*)();

// Registers (or replaces) a backend by name. "auto" picks the registered
// backend with the highest priority whose factory succeeds; headless has
// priority 0 and is always there.
void RegisterBackend(const std::string& name, TBackendFactory factory, int autoPriority);
std::vector<std::string> BackendNames();
// "auto", or a registered name; null if unknown or it cannot start.
std::unique_ptr<THostBackend> CreateBackend(const std::string& name);

// Built-in registrations, called once by the registry itself: a static library
// drops object files nobody refers to, so a backend's own static initialiser
// is not enough. A window-system backend lives in platform/backends/<name>/ and
// provides `void Register<Name>Backend()` in `<name>.h` there; for SDL2 the
// registry calls RegisterSdl2Backend() from "platform/backends/sdl2/sdl2.h"
// when that header exists and VELSCENE_HAVE_SDL2 is defined.
void RegisterHeadlessBackend();

}  // namespace vel
