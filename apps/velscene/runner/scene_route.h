// TSceneRoute: where a figure on a route heads next, driven by its arrivals
// and collisions (next waypoint, loop, retries, replaced waypoints).
#pragma once

#include <optional>

#include "velscene/scene/scene_model.h"

namespace vel {

class TSceneRoute {
 public:
  explicit TSceneRoute(SceneRouteDesc desc) : desc_(std::move(desc)) {}

  // Set-up: the first waypoint, none for a route without waypoints.
  std::optional<ScenePoint> Start();
  // The figure arrived: the next waypoint, or none when the route is done.
  std::optional<ScenePoint> Arrived();
  // The figure was stopped: the target it was heading for, spending a retry;
  // none when no retries are left or it was heading nowhere.
  std::optional<ScenePoint> Collided();
  // A move from outside: the target replaces the waypoint being headed for;
  // after arriving there the route goes on after that waypoint.
  void Replace(const ScenePoint& target, bool byPath = false) {
    heading_ = target;
    headingByPath_ = byPath;
  }
  // The target being headed for (none before start and after the end), and
  // whether it is to be reached along a found path.
  const std::optional<ScenePoint>& Heading() const { return heading_; }
  bool HeadingByPath() const { return heading_ && headingByPath_; }
  int32_t RetriesLeft() const { return retries_; }

 private:
  SceneRouteDesc desc_;
  int32_t retries_ = desc_.Retries;
  // Waypoint being headed for (or replaced); -1 before the start, the
  // waypoint count once the route is done.
  int64_t index_ = -1;
  std::optional<ScenePoint> heading_;
  bool headingByPath_ = false;

  void HeadFor(int64_t index);
};

}  // namespace vel
