// The play, render and image commands. The scene file is read and checked in full
// before any window opens, so a bad file shows nothing.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli.h"
#include "velscene/platform/host/application.h"
#include "velscene/platform/host/backend.h"
#include "velscene/scene/scene_loader.h"
#include "runner/scene_render.h"
#include "runner/scene_runner.h"
#include "runner/scene_trace.h"

namespace vel {

namespace {

SceneRenderOptions RenderOptions(const TCommandLine& cl, int64_t defaultTicks) {
  SceneRenderOptions o;
  o.Ticks = cl.Ticks >= 0 ? cl.Ticks : defaultTicks;
  o.OutDir = cl.OutDir.empty() ? "velscene-out/" + std::filesystem::path(cl.Scene).stem().string() : cl.OutDir;
  o.TracePath = cl.TracePath;
  o.WriteFrames = !cl.NoFrames;
  o.WriteAnimation = !cl.NoAnimation;
  return o;
}

std::string Absolute(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path p = std::filesystem::absolute(path, ec);
  return ec ? path : p.lexically_normal().string();
}

int Render(const SceneDesc& desc, const SceneRenderOptions& o) {
  const SceneRenderResult r = RenderScene(desc, o);
  if (!r.FrameFiles.empty())
    std::printf("wrote %zu frames: %s ... %s\n", r.FrameFiles.size(), Absolute(r.FrameFiles.front()).c_str(),
                std::filesystem::path(r.FrameFiles.back()).filename().c_str());
  if (!r.AnimationFile.empty()) std::printf("wrote the animation: %s\n", Absolute(r.AnimationFile).c_str());
  if (!r.TraceFile.empty()) std::printf("wrote the trace: %s\n", Absolute(r.TraceFile).c_str());
  return 0;
}

// Starts a window-system backend unless one runs already; returns why not
// when none can ("" when a window can be opened).
std::string OpenWindowSystem() {
  const char* wanted = std::getenv("VELSCENE_BACKEND");
  if (wanted != nullptr && std::string(wanted) == "headless") return "VELSCENE_BACKEND=headless";
  if (std::string(Application().Backend().Name()) != "headless") return "";
  if (Application().SelectBackend("sdl2")) return "";
  if (!DisplayNamed()) return "no display";
  return "the SDL2 window backend is not available";
}

}  // namespace

int RunImage(const TCommandLine& cl) {
  WriteSceneImage(LoadSceneFile(cl.Scene), cl.Ticks >= 0 ? cl.Ticks : 1, cl.ImagePath);
  std::printf("wrote the map picture: %s\n", Absolute(cl.ImagePath).c_str());
  return 0;
}

int RunRender(const TCommandLine& cl) { return Render(LoadSceneFile(cl.Scene), RenderOptions(cl, 0)); }

int RunPlay(const TCommandLine& cl) {
  const SceneDesc desc = LoadSceneFile(cl.Scene);
  if (const std::string why = OpenWindowSystem(); !why.empty()) {
    const SceneRenderOptions o = RenderOptions(cl, 120);
    std::printf("velscene: no window (%s): rendering %lld ticks headless to %s instead\n", why.c_str(),
                static_cast<long long>(o.Ticks), Absolute(o.OutDir).c_str());
    return Render(desc, o);
  }
  std::ofstream trace;
  if (!cl.TracePath.empty()) {
    trace.open(cl.TracePath, std::ios::trunc);
    if (!trace) throw std::runtime_error(cl.TracePath + ": cannot write the trace");
  }
  TSceneRunner runner(desc);
  runner.OnLog = [](const std::string& note) {
    std::printf("%s\n", note.c_str());
    std::fflush(stdout);
  };
  runner.OnStep = [&](int64_t tick) {
    if (trace.is_open()) trace << SceneTraceLine(runner, tick, runner.Events()) << '\n';
    runner.ClearEvents();
  };
  runner.Start();
  runner.SetActive(true);
  std::printf("playing %s in a window (%s): arrows/WASD pan, wheel or +/- zoom, F follows, Esc closes\n",
              cl.Scene.c_str(), Application().Backend().Name());
  std::fflush(stdout);
  Application().Run();
  runner.SetActive(false);
  return 0;
}

}  // namespace vel
