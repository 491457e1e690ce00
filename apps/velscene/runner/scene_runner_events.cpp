// TSceneRunner: the figures' event handlers, routes driven by arrival and
// collision, walks along found paths, and walk scripts chosen by the
// direction of each move.
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
      if (std::optional<ScenePoint> next = rec.Route->Arrived()) return Walk(index, *next, rec.Route->HeadingByPath());
    }
    UpdateWalkScript(index);
  };
  f->OnCollide = [this, i, index](TObject*, TObject* collider, int32_t code) {
    events_.push_back({SceneEvent::Collide, i, IndexOf(collider), code});
    FigureRec& rec = *figures_[index];
    if (rec.Route) {
      if (std::optional<ScenePoint> again = rec.Route->Collided())
        return Walk(index, *again, rec.Route->HeadingByPath());
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

void TSceneRunner::Walk(size_t index, const ScenePoint& to, bool byPath) {
  FigureRec& rec = *figures_[index];
  if (byPath) {
    const TPathStatus status = WalkerOf(index)->Walk(view_, rec.Var, to[0], to[1]);
    if (status == TPathStatus::Found || status == TPathStatus::Nearest) return;  // its legs set the walk script
  } else {
    StopPathWalk(index);
  }
  view_->MoveFigure(rec.Var, to[0], to[1], to[2]);
  UpdateWalkScript(index);
}

void TSceneRunner::MoveFromOutside(size_t index, const ScenePoint& to, bool byPath) {
  if (figures_[index]->Route) figures_[index]->Route->Replace(to, byPath);
  Walk(index, to, byPath);
}

void TSceneRunner::StopPathWalk(size_t index) {
  if (TPathWalker* walker = figures_[index]->Walker) walker->Cancel();
}

// The walker reports one arrival, at the end of the path, and every stop on
// the way (after which it plans again by itself); a route goes on from the
// arrival, or retries when the walker gave up.
TPathWalker* TSceneRunner::WalkerOf(size_t index) {
  FigureRec& rec = *figures_[index];
  if (rec.Walker) return rec.Walker;
  rec.Walker = new TPathWalker(form_);
  const int32_t i = static_cast<int32_t>(index);
  rec.Walker->OnLeg = [this, index](TObject*, TAniFigure*) { UpdateWalkScript(index); };
  rec.Walker->OnStop = [this, i](TObject*, TAniFigure*, TObject* collider, int32_t code) {
    events_.push_back({SceneEvent::Collide, i, IndexOf(collider), code});
  };
  rec.Walker->OnDone = [this, i, index](TObject*, TAniFigure*, TWalkResult result) {
    FigureRec& rec = *figures_[index];
    if (result == TWalkResult::Arrived || result == TWalkResult::ArrivedNear) {
      events_.push_back({SceneEvent::Arrival, i});
      if (rec.Route)
        if (std::optional<ScenePoint> next = rec.Route->Arrived()) return Walk(index, *next, rec.Route->HeadingByPath());
    } else if (result == TWalkResult::NoPath || result == TWalkResult::Blocked) {
      if (rec.Route)
        if (std::optional<ScenePoint> again = rec.Route->Collided())
          return Walk(index, *again, rec.Route->HeadingByPath());
    }
    UpdateWalkScript(index);
  };
  return rec.Walker;
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
