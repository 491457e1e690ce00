// Scene files: JSON read into a checked SceneDesc with every image decoded;
// any problem throws ESceneError (file, JSON path, problem) before anything is built.
#pragma once

#include <string>

#include "velscene/scene/scene_error.h"
#include "velscene/scene/scene_model.h"

namespace vel {

// Reads and checks a scene file; image paths are relative to its directory.
// A Tiled map (.tmx, .tmj, either gzipped) opens as a scene of its own: the
// default view at the map's cell width, its figures, the camera on the
// first of them (or on the map's centre when it has none).
SceneDesc LoadSceneFile(const std::string& path);
// Whether the file is opened as a Tiled map, by its name.
bool IsTiledMapFile(const std::string& path);
// A Tiled map as a scene; errors come as ESceneError naming the map or
// tileset file.
SceneDesc LoadTiledMapScene(const std::string& path);
// The same from text: `file` names it in errors, `baseDir` resolves image paths.
SceneDesc ParseScene(const std::string& text, const std::string& file, const std::string& baseDir);

}  // namespace vel
