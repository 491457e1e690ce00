// Headless scene runs on the virtual clock, ticked by the view's timer: each
// tick's frame and trace line handed out, or written as PNGs, APNG and trace.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "velscene/scene/scene_model.h"

namespace vel {

struct SceneFrame {
  int64_t Tick = 0;
  int32_t Width = 0, Height = 0;
  const uint32_t* Pixels = nullptr;  // 0x00RRGGBB, valid during the callback
};

// Switches the application to the headless backend, runs the scene for
// `ticks` ticks and reports trace lines 0..ticks and frames 1..ticks. With
// wholeMap the view is sized to the map's whole area (see FitViewToMap).
void RunSceneHeadless(const SceneDesc& desc, int64_t ticks, const std::function<void(const std::string&)>& onTraceLine,
                      const std::function<void(const SceneFrame&)>& onFrame, bool wholeMap = false);

// The whole map area (background, tall tiles and figures) as drawn by tick
// `ticks` (at least 1), without a camera, written as a PNG file. Throws
// std::runtime_error when the file cannot be written.
void WriteSceneImage(const SceneDesc& desc, int64_t ticks, const std::string& path);

struct SceneRenderOptions {
  int64_t Ticks = 30;
  std::string OutDir;          // frames and animation go here (created if missing)
  bool WriteFrames = true;     // frame_0001.png ...
  bool WriteAnimation = true;  // animation.png (APNG)
  std::string TracePath;       // one JSON line per tick; "" for none
};

struct SceneRenderResult {
  std::vector<std::string> FrameFiles;
  std::string AnimationFile;  // "" when not written
  std::string TraceFile;      // "" when not written
};

// Throws std::runtime_error when a file cannot be written.
SceneRenderResult RenderScene(const SceneDesc& desc, const SceneRenderOptions& options);

}  // namespace vel
