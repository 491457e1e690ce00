// TSceneRunner: the figures' event handlers, routes driven by arrival and
// collision, and walk scripts chosen by the direction of each move.
#include <cmath>

#include "runner/scene_runner.h"

namespace vel {

void TSceneRunner::BindEvents(size_t index) {
  TAniFigure* f = figures_[index]->Var;
  const int32_t i = static_cast<int32_t>(index);
  f->OnArrival = [this, i, index](TObject*) {
    events_.push_back({SceneEvent::Arrival, i});
    FigureRec& rec = *figures_[index];
    if (rec.Route) {
      if (std::optional<ScenePoint> next = rec.Route->Arrived())
        view_->MoveFigure(rec.Var, (*next)[0], (*next)[1], (*next)[2]);
    }
    UpdateWalkScript(index);
  };
  f->OnCollide = [this, i, index](TObject*, TObject* collider, int32_t code) {
    events_.push_back({SceneEvent::Collide, i, IndexOf(collider), code});
    FigureRec& rec = *figures_[index];
    if (rec.Route) {
      if (std::optional<ScenePoint> again = rec.Route->Collided())
        view_->MoveFigure(rec.Var, (*again)[0], (*again)[1], (*again)[2]);
    }
    UpdateWalkScript(index);
  };
  f->OnClick = [this, i](TObject*) {
    events_.push_back({SceneEvent::Click, i});
    groundClick_.reset();  // the press was on a figure, not on the ground
    if (OnLog) OnLog("click: " + desc_.Figures[size_t(i)].Name);
  };
  f->OnMouseOver = [this, i](TObject*) { events_.push_back({SceneEvent::MouseOver, i}); };
}

void TSceneRunner::Walk(size_t index, const ScenePoint& to) {
  view_->MoveFigure(figures_[index]->Var, to[0], to[1], to[2]);
  UpdateWalkScript(index);
}

void TSceneRunner::MoveFromOutside(size_t index, const ScenePoint& to) {
  if (figures_[index]->Route) figures_[index]->Route->Replace(to);
  Walk(index, to);
}

void TSceneRunner::UpdateWalkScript(size_t index) {
  const SceneFigureDesc& desc = desc_.Figures[index];
  if (!desc.Walk) return;
  TAniFigure* f = figures_[index]->Var;
  const TAniEntry* e = f->Slot() > 0 ? view_->Entry(f->Slot()) : nullptr;
  int32_t script = 0;
  if (e && e->Moving) {
    const float dx = e->TargetX - f->X(), dy = e->TargetY - f->Y();
    if (dx == 0 && dy == 0) return;  // arrives at once: keep what plays
    if (std::fabs(dx) >= std::fabs(dy))
      script = dx > 0 ? desc.Walk->SE : desc.Walk->NW;
    else
      script = dy > 0 ? desc.Walk->SW : desc.Walk->NE;
  } else {
    script = desc.Walk->Idle;
  }
  if (f->PlayingScript() != script) f->PlayScript(script, true);
}

}  // namespace vel
