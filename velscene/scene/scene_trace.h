// The per-tick trace: one JSON line with the events raised since the last
// line, every figure's position, motion, frame and screen placement, the
// camera scroll and the display list from the farthest entry to the nearest.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "velscene/scene/scene_runner.h"

namespace vel {

// Nine significant digits: the text reads back as the same float. Infinities
// and NaN, which JSON cannot hold, are written as null.
std::string FormatSceneFloat(float value);

std::string SceneTraceLine(const TSceneRunner& runner, int64_t tick, const std::vector<SceneEvent>& events);

}  // namespace vel
