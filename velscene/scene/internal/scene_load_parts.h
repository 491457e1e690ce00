// Shared pieces of the scene loader: image loading relative to the scene
// file (each file decoded once), colours, and the figure section reader.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "velscene/scene/internal/scene_json.h"
#include "velscene/scene/scene_model.h"

namespace vel {

class SceneImages {
 public:
  explicit SceneImages(std::string baseDir) : baseDir_(std::move(baseDir)) {}
  // What images do with alpha unless their entry says otherwise.
  void SetAlpha(TImageAlpha alpha) { alpha_ = alpha; }
  // The image named by the string at owner's `key`, loaded once per resolved
  // path and alpha treatment; owner's "alpha" overrides the scene's.
  std::shared_ptr<TBitmap> Load(const SceneNode& owner, const char* key);

 private:
  std::string baseDir_;
  TImageAlpha alpha_ = iaKeep;
  std::map<std::pair<std::string, TImageAlpha>, std::shared_ptr<TBitmap>> cache_;
};

// "keep" or "key".
TImageAlpha ReadImageAlpha(const SceneNode& node);

// "#RRGGBB" or a host colour value 0..0xFFFFFF.
TColor ReadSceneColor(const SceneNode& node);

// The "map" section.
SceneMapDesc ReadSceneMap(const SceneNode& n);

// The "figures" list.
std::vector<SceneFigureDesc> ReadSceneFigures(const SceneNode& list, SceneImages& images);

// A map given as {"tiled": "file"}: the Tiled map's tiles, cells and figures
// (appended to desc.Figures), read at the view's interval; the view's cell
// width from the map's tile width (a different one stated by the view is an
// error) and its background colour when the view states none.
void ReadSceneTiledMap(const SceneNode& map, const std::string& baseDir, const std::optional<SceneNode>& view,
                       SceneDesc& desc);

}  // namespace vel
