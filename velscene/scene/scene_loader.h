// Scene files: JSON read into a checked SceneDesc with every image decoded;
// any problem throws ESceneError (file, JSON path, problem) before anything is built.
#pragma once

#include <string>

#include "velscene/scene/scene_error.h"
#include "velscene/scene/scene_model.h"

namespace vel {

// Reads and checks a scene file; image paths are relative to its directory.
SceneDesc LoadSceneFile(const std::string& path);
// The same from text: `file` names it in errors, `baseDir` resolves image paths.
SceneDesc ParseScene(const std::string& text, const std::string& file, const std::string& baseDir);

}  // namespace vel
