// The registry of backends by name, with the built-in registrations and the
// "auto" choice by priority.
#include <algorithm>
#include <cstdlib>

#include "velscene/platform/host/backend.h"

// The SDL2 window backend (priority 10: chosen by "auto" when a display opens).
#if defined(VELSCENE_HAVE_SDL2) && __has_include("velscene/platform/backends/sdl2/sdl2.h")
#include "velscene/platform/backends/sdl2/sdl2.h"
#define VELSCENE_REGISTER_SDL2 1
#endif

namespace vel {

namespace {

struct TBackendEntry {
  std::string name;
  TBackendFactory factory;
  int priority;
};

std::vector<TBackendEntry>& Entries() {
  static std::vector<TBackendEntry> entries;
  return entries;
}

void EnsureBuiltins() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterHeadlessBackend();
#ifdef VELSCENE_REGISTER_SDL2
  RegisterSdl2Backend();
#endif
}

}  // namespace

bool DisplayNamed() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

void RegisterBackend(const std::string& name, TBackendFactory factory, int autoPriority) {
  EnsureBuiltins();
  if (name.empty() || name == "auto" || factory == nullptr) return;
  auto& entries = Entries();
  for (TBackendEntry& e : entries) {
    if (e.name == name) {
      e.factory = factory;
      e.priority = autoPriority;
      return;
    }
  }
  entries.push_back({name, factory, autoPriority});
}

std::vector<std::string> BackendNames() {
  EnsureBuiltins();
  std::vector<std::string> names;
  for (const TBackendEntry& e : Entries()) names.push_back(e.name);
  return names;
}

std::unique_ptr<THostBackend> CreateBackend(const std::string& name) {
  EnsureBuiltins();
  std::vector<TBackendEntry> entries = Entries();
  if (name != "auto") {
    for (const TBackendEntry& e : entries) {
      if (e.name == name) return e.factory();
    }
    return nullptr;
  }
  std::stable_sort(entries.begin(), entries.end(), [](const TBackendEntry& a, const TBackendEntry& b) {
    return a.priority > b.priority;
  });
  for (const TBackendEntry& e : entries) {
    if (std::unique_ptr<THostBackend> backend = e.factory()) return backend;
  }
  return nullptr;
}

}  // namespace vel
