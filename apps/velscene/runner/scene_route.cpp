// TSceneRoute: waypoint order, looping, retries and waypoints replaced by
// moves from outside the route.
#include "runner/scene_route.h"

namespace vel {

void TSceneRoute::HeadFor(int64_t index) {
  index_ = index;
  heading_ = desc_.Waypoints[size_t(index)];
  headingByPath_ = size_t(index) < desc_.ByPath.size() && desc_.ByPath[size_t(index)] != 0;
}

std::optional<ScenePoint> TSceneRoute::Start() {
  if (desc_.Waypoints.empty()) return std::nullopt;
  HeadFor(0);
  return heading_;
}

std::optional<ScenePoint> TSceneRoute::Arrived() {
  heading_.reset();
  const int64_t count = static_cast<int64_t>(desc_.Waypoints.size());
  if (count == 0 || index_ < 0 || index_ >= count) return std::nullopt;
  if (index_ + 1 < count) {
    HeadFor(index_ + 1);
  } else if (desc_.Loop) {
    HeadFor(0);
  } else {
    index_ = count;  // done
    return std::nullopt;
  }
  return heading_;
}

std::optional<ScenePoint> TSceneRoute::Collided() {
  if (!heading_ || retries_ <= 0) return std::nullopt;
  --retries_;
  return heading_;
}

}  // namespace vel
