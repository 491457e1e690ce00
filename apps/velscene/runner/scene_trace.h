// The per-tick trace line: events since the last line, figures, camera
// scroll and display-list order, as one JSON object.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runner/scene_runner.h"

namespace vel {

// Nine significant digits: the text reads back as the same float. Infinities
// and NaN, which JSON cannot hold, are written as null.
std::string FormatSceneFloat(float value);

std::string SceneTraceLine(const TSceneRunner& runner, int64_t tick, const std::vector<SceneEvent>& events);

}  // namespace vel
