// A scene file run headless through the scene runner for soak runs: the
// timer drives the ticks, the pointer sweeps the view, events are tallied.
#pragma once

#include <cstdint>
#include <string>

#include "fuzz/list_check.h"
#include "velscene/platform/host/application.h"
#include "velscene/platform/backends/headless/headless.h"
#include "velscene/scene/scene_loader.h"
#include "runner/scene_runner.h"

namespace vel::soak {

class SceneSoak {
 public:
  explicit SceneSoak(const std::string& path) : desc_(Load(path)), runner_(desc_) {
    // Events are tallied and dropped after every step, so the record keeps
    // its capacity and a long run holds no growing history.
    runner_.OnStep = [this](int64_t) {
      for (const SceneEvent& e : runner_.Events()) {
        if (e.What == SceneEvent::Arrival) ++arrivals_;
        if (e.What == SceneEvent::Collide) ++collisions_;
        if (e.What == SceneEvent::MouseOver) ++hovers_;
      }
      runner_.ClearEvents();
    };
    runner_.Start();
    runner_.SetActive(true);
  }
  SceneSoak(const SceneSoak&) = delete;
  SceneSoak& operator=(const SceneSoak&) = delete;

  // One frame tick through the view's timer, with the pointer sweeping the view.
  void Tick() {
    TAniView& v = View();
    ++sweep_;
    const uint64_t w = v.Width() > 0 ? uint64_t(v.Width()) : 1, h = v.Height() > 0 ? uint64_t(v.Height()) : 1;
    HeadlessBackend()->SetCursorPos(v.ClientToScreen({int32_t(sweep_ * 7 % w), int32_t(sweep_ * 3 % h)}));
    HeadlessBackend()->Advance(v.Interval());
  }

  // Empty when the display list is sound against the runner's figure variables.
  std::string ListFault() const {
    return check::ListFaultOf(View(), runner_.FigureCount(), [this](size_t k) { return runner_.FigureVar(k); });
  }

  TAniView& View() const { return *runner_.View(); }
  const TSceneRunner& Runner() const { return runner_; }
  uint64_t Ticks() const { return uint64_t(runner_.Ticks()); }
  uint64_t Arrivals() const { return arrivals_; }
  uint64_t Collisions() const { return collisions_; }
  uint64_t Hovers() const { return hovers_; }

 private:
  static SceneDesc Load(const std::string& path) {
    Application().SelectBackend("headless");
    return LoadSceneFile(path);
  }

  SceneDesc desc_;  // the runner refers to it: declared first, destroyed last
  TSceneRunner runner_;
  uint64_t sweep_ = 0, arrivals_ = 0, collisions_ = 0, hovers_ = 0;
};

}  // namespace vel::soak
