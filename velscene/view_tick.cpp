// The frame tick: guard, clear, OnBeforeUpdate, scripts and motion (nearest
// entry first), hover, depth sort, camera, background, entries,
// OnAfterUpdate, present, OnAfterDisplay. One routine behind the timer and
// DrawFrame; it allocates nothing.
#include "velscene/platform/host/application.h"
#include "velscene/internal/numeric.h"
#include "velscene/internal/view_walk.h"

namespace vel {

namespace {
// Releases the re-entrancy guard on every way out, exceptions from handlers included.
struct BusyGuard {
  bool& Flag;
  explicit BusyGuard(bool& flag) : Flag(flag) { Flag = true; }
  ~BusyGuard() { Flag = false; }
};
}  // namespace

void TAniView::FrameTick(TObject*) { RunTick(); }

void TAniView::DrawFrame() { RunTick(); }

void TAniView::RunTick() {
  if (FBusy) return;
  BusyGuard guard(FBusy);

  // The clear is made when something could see the buffer: before the first
  // event handler, or while composing.
  if (FBuffer) {
    EnsureBackBrush();
    FClearPending = true;
  }
  if (OnBeforeUpdate) {
    SettleClear();
    OnBeforeUpdate(this);
  }

  FColliders.Valid = false;  // gathered when the first figure moves
  for (Walk w(*this, true); w.Current > 0; w.Advance()) {
    TAniEntry& e = FEntries[w.Current];
    if (e.IsFigure) {
      TAniFigure* F = FigureOfEntry(e);
      if (F && F->Visible && F->Enabled && F->FScript > 0) ScriptStep(*F);
    }
    if (e.Moving) MotionStep(w.Current, w);
  }

  if (Enabled()) HoverPass();
  SortEntries();
  CameraStep();

  if (FBuffer) Compose();  // background, entries, OnAfterUpdate, present
  else OnAfterUpdate(this);
  OnAfterDisplay(this);
}

void TAniView::ScriptStep(TAniFigure& F) {
  // Script numbers beyond the table stop playback instead of being read.
  if (F.FScript > kScriptCount) {
    F.FScript = 0;
    return;
  }
  const TAniScript& script = F.FScripts[F.FScript];
  if (F.FScriptPos < script.Count) {
    ++F.FScriptPos;
  } else if (F.FLoop) {
    F.FScriptPos = 1;
  } else {
    F.FScript = 0;  // stopped: the last frame shown stays
    return;
  }
  // A looping script without frames has nothing to show; Frame keeps a valid number.
  if (F.FScriptPos <= script.Count) F.FFrame = script.Frames[F.FScriptPos - 1];
}

void TAniView::HoverPass() {
  const TPoint p = ClientToComposed(ScreenToClient(GetCursorPos()));
  bool searching = true, unfired = true;
  for (Walk w(*this, true); w.Current > 0; w.Advance()) {
    const TAniEntry& e = FEntries[w.Current];
    TAniFigure* F = FigureOfEntry(e);
    if (!F || !F->Visible || !F->Enabled) continue;
    F->FHover = false;
    if (!searching || !FigureUnder(e, *F, p.X, p.Y)) continue;
    if (F->AutoHighlight) {
      F->FHover = true;
      searching = false;
    }
    if (unfired) {
      unfired = false;
      if (F->OnMouseOver) {
        SettleClear();
        F->OnMouseOver(F);
      }
    }
  }
}

}  // namespace vel
