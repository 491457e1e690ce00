// Headless scene runs: ticks through the timer on the virtual clock, frames
// read from the window surface, PNG frames, the APNG and the trace file.
#include "runner/scene_render.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "velscene/platform/host/application.h"
#include "velscene/platform/backends/headless/headless.h"
#include "velscene/platform/graphics/image_files.h"
#include "velscene/platform/graphics/apng.h"
#include "runner/scene_runner.h"
#include "runner/scene_trace.h"

namespace vel {

void RunSceneHeadless(const SceneDesc& desc, int64_t ticks, const std::function<void(const std::string&)>& onTraceLine,
                      const std::function<void(const SceneFrame&)>& onFrame, bool wholeMap) {
  if (!HeadlessBackend() && !Application().SelectBackend("headless"))
    throw std::runtime_error("the headless backend is not available");
  THeadlessBackend* clock = HeadlessBackend();
  TSceneRunner runner(desc);
  runner.OnStep = [&](int64_t tick) {
    if (onTraceLine) onTraceLine(SceneTraceLine(runner, tick, runner.Events()));
    runner.ClearEvents();
  };
  runner.Start();
  if (wholeMap) runner.FitViewToMap();
  runner.SetActive(true);
  const int32_t w = runner.View()->Width(), h = runner.View()->Height();
  std::vector<uint32_t> frame(size_t(w) * size_t(h));
  // Escape closes the window: the run ends there.
  for (int64_t k = 1; k <= ticks && runner.Form()->Visible(); ++k) {
    clock->Advance(desc.View.Interval);
    if (runner.Ticks() != k) throw std::logic_error("the view's timer did not tick once per interval");
    if (!onFrame) continue;
    // The view's area of the window surface, clipped to the surface.
    const PixelView surface = LockPixels(runner.Form()->Surface()->Handle());
    const int32_t left = runner.View()->Left(), top = runner.View()->Top();
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        const int32_t sx = left + x, sy = top + y;
        const bool inside = surface.valid && sx >= 0 && sy >= 0 && sx < surface.width && sy < surface.height;
        frame[size_t(y) * size_t(w) + size_t(x)] = inside ? surface.pixels[size_t(sy) * size_t(surface.width) + size_t(sx)] : 0;
      }
    onFrame({k, w, h, frame.data()});
  }
  runner.SetActive(false);
}

namespace {

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!out) throw std::runtime_error(path + ": cannot write");
}

}  // namespace

void WriteSceneImage(const SceneDesc& desc, int64_t ticks, const std::string& path) {
  SceneDesc still = desc;
  still.Key = -1;  // no camera: the view stays on the map's top-left corner
  std::vector<uint8_t> png;
  RunSceneHeadless(still, std::max<int64_t>(ticks, 1), nullptr, [&](const SceneFrame& f) {
    if (f.Tick == std::max<int64_t>(ticks, 1)) png = EncodePng(f.Pixels, f.Width, f.Height);
  }, true);
  WriteBytes(path, png);
}

SceneRenderResult RenderScene(const SceneDesc& desc, const SceneRenderOptions& options) {
  SceneRenderResult result;
  const bool images = options.WriteFrames || options.WriteAnimation;
  std::filesystem::path dir(options.OutDir.empty() ? "." : options.OutDir);
  if (images) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!std::filesystem::is_directory(dir)) throw std::runtime_error(dir.string() + ": cannot create the directory");
  }
  std::ofstream trace;
  if (!options.TracePath.empty()) {
    trace.open(options.TracePath, std::ios::trunc);
    if (!trace) throw std::runtime_error(options.TracePath + ": cannot write the trace");
    result.TraceFile = options.TracePath;
  }
  TApngWriter animation(desc.View.Width, desc.View.Height, desc.View.Interval);
  RunSceneHeadless(
      desc, options.Ticks,
      [&](const std::string& line) {
        if (trace.is_open()) trace << line << '\n';
      },
      !images ? std::function<void(const SceneFrame&)>() : [&](const SceneFrame& f) {
        const std::vector<uint8_t> png = EncodePng(f.Pixels, f.Width, f.Height);
        if (options.WriteFrames) {
          char name[32];
          std::snprintf(name, sizeof name, "frame_%04lld.png", static_cast<long long>(f.Tick));
          const std::string path = (dir / name).string();
          WriteBytes(path, png);
          result.FrameFiles.push_back(path);
        }
        if (options.WriteAnimation) animation.AddPng(png);
      });
  if (trace.is_open() && !trace.flush()) throw std::runtime_error(options.TracePath + ": cannot write the trace");
  if (options.WriteAnimation && animation.FrameCount() > 0) {
    result.AnimationFile = (dir / "animation.png").string();
    WriteBytes(result.AnimationFile, animation.Finish());
  }
  return result;
}

}  // namespace vel
