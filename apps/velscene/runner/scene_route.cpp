// TSceneRoute: waypoint order, looping, retries and waypoints replaced by
// moves from outside the route.
#include "runner/scene_route.h"

namespace vel {

std::optional<ScenePoint> TSceneRoute::Start() {
  if (desc_.Waypoints.empty()) return std::nullopt;
  index_ = 0;
  heading_ = desc_.Waypoints[0];
  return heading_;
}

std::optional<ScenePoint> TSceneRoute::Arrived() {
  heading_.reset();
  const int64_t count = static_cast<int64_t>(desc_.Waypoints.size());
  if (count == 0 || index_ < 0 || index_ >= count) return std::nullopt;
  if (index_ + 1 < count) {
    ++index_;
  } else if (desc_.Loop) {
    index_ = 0;
  } else {
    index_ = count;  // done
    return std::nullopt;
  }
  heading_ = desc_.Waypoints[size_t(index_)];
  return heading_;
}

std::optional<ScenePoint> TSceneRoute::Collided() {
  if (!heading_ || retries_ <= 0) return std::nullopt;
  --retries_;
  return heading_;
}

}  // namespace vel
