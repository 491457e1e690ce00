// TSceneRunner: a scene built from a SceneDesc and run on the current backend,
// recording events, driving routes and walk scripts, running timed actions,
// and answering keys and the wheel with the camera controls.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "velscene/platform/host/forms.h"
#include "velscene/figure.h"
#include "velscene/map.h"
#include "velscene/path/path_walker.h"
#include "velscene/scene/scene_model.h"
#include "runner/scene_route.h"
#include "velscene/view.h"

namespace vel {

struct SceneEvent {
  enum Kind { Arrival, Collide, Click, MouseOver, MouseDown, MouseUp, MouseMove, KeyDown, KeyUp, Wheel };
  Kind What = Arrival;
  int32_t Figure = -1;    // figure index (Arrival, Collide, Click, MouseOver)
  int32_t Collider = -1;  // Collide: the other figure's index, -1 for none
  int32_t Code = 0;       // Collide: 1 figure, 2 blocked cell, 3 map edge
  int32_t X = 0, Y = 0;   // mouse and wheel events: view pixels
  float GridX = 0, GridY = 0;
  TMouseButton Button = mbLeft;  // MouseDown, MouseUp
  TKeyCode Key = 0;      // KeyDown, KeyUp
  char32_t Char = 0;
  int32_t Delta = 0;     // Wheel
};

class TSceneRunner {
 public:
  // Builds everything hidden on the current backend; the desc must outlive
  // the runner.
  explicit TSceneRunner(const SceneDesc& desc);
  ~TSceneRunner();
  TSceneRunner(const TSceneRunner&) = delete;
  TSceneRunner& operator=(const TSceneRunner&) = delete;

  // Shows the window and paints it once (sizing the back buffer), places the
  // figures in order, sets the key figure, starts the routes in figure order,
  // runs the tick-0 actions and reports step 0.
  void Start();
  // Starts or stops the view's timer.
  void SetActive(bool active) { view_->SetActive(active); }
  // Sizes the window and the view to the bound map's whole background, so
  // that (without a key figure) every cell shows; nothing without a map.
  // Throws std::runtime_error when that is larger than a picture can be.
  void FitViewToMap();

  // Called after every step: 0 from Start, k after the k-th tick and the
  // actions of tick k. Events() then holds what was raised since the last
  // ClearEvents().
  std::function<void(int64_t tick)> OnStep;
  // Human-readable notes (figure clicks), for a console.
  std::function<void(const std::string&)> OnLog;

  int64_t Ticks() const { return ticks_; }
  const std::vector<SceneEvent>& Events() const { return events_; }
  void ClearEvents() { events_.clear(); }

  const SceneDesc& Desc() const { return desc_; }
  TForm* Form() const { return form_; }
  TAniView* View() const { return view_; }
  TAniMap* Map() const { return map_; }  // null when the scene has no map
  size_t FigureCount() const { return figures_.size(); }
  TAniFigure* Figure(size_t index) const { return index < figures_.size() ? figures_[index]->Var : nullptr; }
  // The variable the view's entry refers to (for checks of the display list).
  TAniFigure* const* FigureVar(size_t index) const {
    return index < figures_.size() ? &figures_[index]->Var : nullptr;
  }
  const std::string& FigureName(size_t index) const { return desc_.Figures[index].Name; }
  // Index of a figure of this scene, -1 for anything else.
  int32_t IndexOf(const TObject* figure) const;
  const TSceneRoute* Route(size_t index) const;

 private:
  struct FigureRec {
    TAniFigure* Var = nullptr;  // the variable the view refers to: stays put
    std::optional<TSceneRoute> Route;
    TPathWalker* Walker = nullptr;  // made for the figure's first walk along a path
  };

  void Build();
  bool Valid(int32_t figureIndex) const;
  void BuildMap();
  int64_t TallTiles() const;
  void BuildFigure(size_t index);
  void BindEvents(size_t index);
  void RunActions(int64_t tick);
  void RunAction(const SceneActionDesc& a);
  // A move the runner starts: toward the target, facing its direction;
  // ByPath, along a found path (straight on when none is found).
  void Walk(size_t index, const ScenePoint& to, bool byPath);
  // A move from outside a route (action, ground click): replaces the waypoint.
  void MoveFromOutside(size_t index, const ScenePoint& to, bool byPath);
  // Ends a walk along a path, if one goes on.
  void StopPathWalk(size_t index);
  TPathWalker* WalkerOf(size_t index);
  void UpdateWalkScript(size_t index);
  void AfterTick();
  // The camera controls: arrow keys and WASD pan, the wheel and +/- zoom
  // around the pointer, F follows the key figure or stops, Escape closes.
  void BindControls();
  void ControlKey(TKeyCode key, char32_t ch, bool down);
  void PanStep();
  void ZoomAroundPointer(int32_t steps);
  void Follow(bool on);

  const SceneDesc& desc_;
  TForm* form_ = nullptr;
  TAniView* view_ = nullptr;
  TAniMap* map_ = nullptr;
  std::vector<std::unique_ptr<FigureRec>> figures_;
  std::vector<SceneEvent> events_;
  int64_t ticks_ = 0;
  bool bindAfterPlacing_ = false;  // the map is bound in Start, after the figures
  size_t nextAction_ = 0;
  std::optional<std::pair<float, float>> groundClick_;  // pending walk of the key figure
  uint8_t panHeld_ = 0;    // pan directions whose keys are down (bits: left, right, up, down)
  uint8_t panTapped_ = 0;  // pan directions pressed since the last tick
};

}  // namespace vel
