// The play and render commands. The scene file is read and checked in full
// before any window opens, so a bad file shows nothing.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli.h"
#include "platform/application.h"
#include "velscene/scene/scene_loader.h"
#include "velscene/scene/scene_render.h"
#include "velscene/scene/scene_runner.h"
#include "velscene/scene/scene_trace.h"

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

int Render(const SceneSpec& spec, const SceneRenderOptions& o) {
  const SceneRenderResult r = RenderScene(spec, o);
  if (!r.FrameFiles.empty())
    std::printf("wrote %zu frames: %s ... %s\n", r.FrameFiles.size(), r.FrameFiles.front().c_str(),
                r.FrameFiles.back().c_str());
  if (!r.AnimationFile.empty()) std::printf("wrote the animation: %s\n", r.AnimationFile.c_str());
  if (!r.TraceFile.empty()) std::printf("wrote the trace: %s\n", r.TraceFile.c_str());
  return 0;
}

// A window system backend, if one can start here and VELSCENE_BACKEND does
// not ask for headless.
bool OpenWindowSystem() {
  const char* wanted = std::getenv("VELSCENE_BACKEND");
  if (wanted != nullptr && std::string(wanted) == "headless") return false;
  if (std::string(Application().Backend().Name()) != "headless") return true;
  return Application().SelectBackend("sdl2");
}

}  // namespace

int RunRender(const TCommandLine& cl) { return Render(LoadSceneFile(cl.Scene), RenderOptions(cl, 0)); }

int RunPlay(const TCommandLine& cl) {
  const SceneSpec spec = LoadSceneFile(cl.Scene);
  if (!OpenWindowSystem()) {
    const SceneRenderOptions o = RenderOptions(cl, 120);
    std::printf("velscene: no window can be opened here (no display, or built without SDL2);\n"
                "rendering %lld ticks headless to %s instead\n",
                static_cast<long long>(o.Ticks), o.OutDir.c_str());
    return Render(spec, o);
  }
  std::ofstream trace;
  if (!cl.TracePath.empty()) {
    trace.open(cl.TracePath, std::ios::trunc);
    if (!trace) throw std::runtime_error(cl.TracePath + ": cannot write the trace");
  }
  TSceneRunner runner(spec);
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
  std::printf("playing %s in a window (%s); close the window to quit\n", cl.Scene.c_str(),
              Application().Backend().Name());
  std::fflush(stdout);
  Application().Run();
  runner.SetActive(false);
  return 0;
}

}  // namespace vel
