// Shared pieces of the scene loader: image loading relative to the scene
// file (each file decoded once), colours, and the figure section reader.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "velscene/scene/internal/scene_json.h"
#include "velscene/scene/scene_model.h"

namespace vel {

class SceneImages {
 public:
  explicit SceneImages(std::string baseDir) : baseDir_(std::move(baseDir)) {}
  // The image named by a string node, loaded once per resolved path.
  std::shared_ptr<TBitmap> Load(const SceneNode& node);

 private:
  std::string baseDir_;
  std::map<std::string, std::shared_ptr<TBitmap>> cache_;
};

// "#RRGGBB" or a host colour value 0..0xFFFFFF.
TColor ReadSceneColor(const SceneNode& node);

// The "figures" list.
std::vector<SceneFigureDesc> ReadSceneFigures(const SceneNode& list, SceneImages& images);

// A map given as {"tiled": "file"}: the Tiled map's tiles, cells and figures
// (appended to desc.Figures), read at the view's interval; its background
// colour when the view states none.
void ReadSceneTiledMap(const SceneNode& map, const std::string& baseDir, bool viewColorGiven, SceneDesc& desc);

}  // namespace vel
