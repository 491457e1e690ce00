// Helpers for tests against a real X server (Xvfb): starting the SDL2 backend,
// running X tools, root-window screenshots and pumping the loop until a state.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "velscene/platform/host/application.h"
#include "velscene/platform/graphics/graphics.h"
#include "velscene/platform/graphics/image_error.h"
#include "velscene/platform/raster/raster.h"

#if defined(VELSCENE_HAVE_SDL2)
#include "velscene/platform/backends/sdl2/sdl2.h"
#endif

namespace vel::testing {

inline bool HaveCommand(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

inline bool RunCommand(const std::string& command) { return std::system(command.c_str()) == 0; }

// The first line a command prints ("" when it fails).
inline std::string CommandOutput(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char line[256];
    if (fgets(line, sizeof line, pipe) != nullptr) out = line;
    pclose(pipe);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

// Why the SDL2 backend cannot be tested against X here ("" when it can); on
// success the application runs on it. Needs an X display, the SDL2 backend on
// the x11 driver, xdotool and ImageMagick's import.
inline std::string StartSdl2OnX() {
#if defined(VELSCENE_HAVE_SDL2)
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') return "no X display";
  if (!HaveCommand("xdotool") || !HaveCommand("import")) return "xdotool or import missing";
  if (!Application().SelectBackend("sdl2")) return "the SDL2 backend cannot start";
  if (std::string(Sdl2Backend()->VideoDriver()) != "x11") {
    Application().SelectBackend("headless");
    return "SDL2 does not run on X11 here";
  }
  return "";
#else
  return "built without SDL2";
#endif
}

// Runs the loop (input, timers, paints) until `done()` holds or `ms` pass.
template <class Done>
bool PumpUntil(Done done, int ms = 3000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    Application().ProcessMessages();
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    Application().Backend().WaitEvents(5);
  }
}

// Runs the loop for `ms` milliseconds.
inline void PumpFor(int ms) {
  PumpUntil([] { return false; }, ms);
}

// The whole X screen as the server shows it, read back through ImageMagick.
inline bool Screenshot(TBitmap& out, const std::string& path) {
  if (!RunCommand("import -window root png:" + path)) return false;
  try {
    out.LoadFromFile(path);
  } catch (const EImageError&) {
    return false;
  }
  if (!std::getenv("VELSCENE_KEEP_SCREENSHOTS")) std::remove(path.c_str());  // kept for a look when set
  return !out.Empty();
}

inline COLORREF PixelOf(const TBitmap& b, int32_t x, int32_t y) {
  const PixelView v = LockPixels(b.Handle());
  if (!v.valid || x < 0 || y < 0 || x >= v.width || y >= v.height) return CLR_INVALID;
  return ColorRefFromPixel(v.pixels[size_t(y) * size_t(v.width) + size_t(x)] & 0xFFFFFF);
}

// Pixels where `screen` at (left, top) differs from `frame`; also counts
// frame pixels that fall outside the screen.
inline int CountDifferences(const TBitmap& screen, int32_t left, int32_t top, const TBitmap& frame) {
  int diffs = 0;
  for (int32_t y = 0; y < frame.Height(); ++y)
    for (int32_t x = 0; x < frame.Width(); ++x)
      if (PixelOf(screen, left + x, top + y) != PixelOf(frame, x, y)) ++diffs;
  return diffs;
}

}  // namespace vel::testing
