// TSceneRunner: building the window, view, map and figures from the desc,
// start-up order and the actions of each tick.
#include "runner/scene_runner.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "velscene/platform/graphics/image_files.h"
#include "velscene/platform/host/application.h"
#include "velscene/platform/backends/headless/headless.h"

namespace vel {

TSceneRunner::TSceneRunner(const SceneDesc& desc) : desc_(desc) {
  form_ = new TForm(nullptr);
  try {
    Build();
  } catch (...) {
    delete form_;  // a desc built by hand may hold a name the host refuses
    throw;
  }
}

void TSceneRunner::Build() {
  const SceneDesc& desc = desc_;
  form_->SetCaption("Velscene - " + desc.File);
  form_->SetClientSize(desc.View.Width, desc.View.Height);
  view_ = new TAniView(form_);
  view_->SetParent(form_);
  view_->SetBounds(0, 0, desc.View.Width, desc.View.Height);
  view_->SetInterval(desc.View.Interval);
  view_->SetColor(desc.View.Color);
  view_->SetCellWidth(desc.View.CellWidth);
  view_->SetZoom(desc.View.Zoom);
  BuildMap();
  for (size_t i = 0; i < desc.Figures.size(); ++i) BuildFigure(i);
  for (size_t i = 0; i < figures_.size(); ++i) BindEvents(i);
  // Room for a busy tick's events (each figure's motion and hover, a few
  // pointer events), so that a runner whose record is cleared every step
  // records them without allocating.
  events_.reserve(figures_.size() * 4 + 16);

  view_->OnBeforeUpdate = [this](TObject*) {
    PanStep();
    // A press on the ground (no figure took the click) walks the key figure
    // there along a path.
    if (!groundClick_) return;
    const auto [gx, gy] = *groundClick_;
    groundClick_.reset();
    if (Valid(desc_.Key) && figures_[size_t(desc_.Key)]->Var->Slot() > 0)
      MoveFromOutside(size_t(desc_.Key), {gx, gy, 0.0f}, true);
  };
  BindControls();
  view_->OnAfterDisplay = [this](TObject*) { AfterTick(); };
  view_->OnMouseDown = [this](TObject*, TMouseButton b, TShiftState, int32_t x, int32_t y, float gx, float gy) {
    events_.push_back({SceneEvent::MouseDown, -1, -1, 0, x, y, gx, gy, b});
    if (b == mbLeft) groundClick_ = std::make_pair(gx, gy);  // cancelled by a figure's click
  };
  view_->OnMouseUp = [this](TObject*, TMouseButton b, TShiftState, int32_t x, int32_t y, float gx, float gy) {
    events_.push_back({SceneEvent::MouseUp, -1, -1, 0, x, y, gx, gy, b});
  };
  view_->OnMouseMove = [this](TObject*, TShiftState, int32_t x, int32_t y, float gx, float gy) {
    events_.push_back({SceneEvent::MouseMove, -1, -1, 0, x, y, gx, gy, mbLeft});
  };
  // Headless, the pointer rests far off the view until a cursor action moves it.
  if (THeadlessBackend* headless = HeadlessBackend()) headless->SetCursorPos({-1000000, -1000000});
}

TSceneRunner::~TSceneRunner() {
  // The form owns view, map and figures; the figure variables outlive them.
  delete form_;
}

void TSceneRunner::BuildMap() {
  if (!desc_.Map) return;
  const SceneMapDesc& m = *desc_.Map;
  map_ = new TAniMap(form_);
  map_->SetWidth(m.Width);
  map_->SetHeight(m.Height);
  for (const SceneTileDesc& t : desc_.Tiles) map_->SetTile(t.Number, t.Image.get());
  // Rows go in as runs of one character each.
  for (size_t y = 0; y < m.Rows.size(); ++y) {
    const std::string& row = m.Rows[y];
    for (size_t x = 0; x < row.size();) {
      size_t end = x + 1;
      while (end < row.size() && row[end] == row[x]) ++end;
      const SceneLegendDesc& l = m.Legend[uint8_t(row[x])];
      map_->SetGridRange(int32_t(x), int32_t(y), int32_t(end - 1), int32_t(y), l.Tile, l.Passable);
      x = end;
    }
  }
  for (const SceneRangeDesc& r : m.Ranges) map_->SetGridRange(r.X1, r.Y1, r.X2, r.Y2, r.Tile, r.Passable);
  for (const SceneCellDesc& c : m.Cells) {
    if (c.Tile) map_->SetGridTile(c.X, c.Y, *c.Tile);
    if (c.Passable) map_->SetPassable(c.X, c.Y, *c.Passable);
  }
  // Binding first lets the tall tiles take the slots they find; when they
  // would leave too few for the figures, the figures are placed first (Start).
  bindAfterPlacing_ = TallTiles() + int64_t(desc_.Figures.size()) > kMaxEntries;
  if (!bindAfterPlacing_) view_->SetMap(map_);
}

// Tall tiles of the map as binding counts them: as high as the view's cell
// (half its width) or higher, away from row 0 and column 0.
int64_t TSceneRunner::TallTiles() const {
  bool tall[256] = {};
  for (int32_t t = 1; t <= kMaxMapTiles; ++t)
    if (const TBitmap* b = map_->Tile(t)) tall[t] = b->Height() >= view_->CellWidth() / 2;
  int64_t count = 0;
  const uint8_t* cells = map_->Cells();
  if (!cells) return 0;
  for (uint32_t y = 1; y < map_->Height(); ++y)
    for (uint32_t x = 1; x < map_->Width(); ++x) count += tall[cells[(size_t(y) * map_->Width() + x) * 2]];
  return count;
}

void TSceneRunner::BuildFigure(size_t index) {
  const SceneFigureDesc& f = desc_.Figures[index];
  auto rec = std::make_unique<FigureRec>();
  rec->Var = new TAniFigure(form_);
  rec->Var->SetName(f.Name);
  for (const ScenePropDesc& p : f.Props) SetPropValue(rec->Var, p.Info, p.Value);
  for (const SceneFrameDesc& fr : f.Frames) rec->Var->SetFrame(fr.Number, fr.Image.get());
  for (const SceneScriptDesc& s : f.Scripts) rec->Var->SetScript(s.Number, std::span<const int32_t>(s.Frames));
  if (f.Play) rec->Var->PlayScript(f.Play->Script, f.Play->Loop);
  if (f.Route) rec->Route.emplace(*f.Route);
  figures_.push_back(std::move(rec));
}

void TSceneRunner::FitViewToMap() {
  const int32_t w = view_->BackgroundWidth(), h = view_->BackgroundHeight();
  if (w <= 0 || h <= 0) return;
  if (w > kMaxImageSide || h > kMaxImageSide)
    throw std::runtime_error("the map's whole area is " + std::to_string(w) + " x " + std::to_string(h) +
                             " pixels; one picture holds at most " + std::to_string(kMaxImageSide) + " a side");
  form_->SetClientSize(w, h);
  view_->SetBounds(0, 0, w, h);
  Application().UpdateForms();  // the back buffer takes the new size
}

int32_t TSceneRunner::IndexOf(const TObject* figure) const {
  if (figure == nullptr) return -1;
  for (size_t i = 0; i < figures_.size(); ++i)
    if (figures_[i]->Var == figure) return static_cast<int32_t>(i);
  return -1;
}

const TSceneRoute* TSceneRunner::Route(size_t index) const {
  if (index >= figures_.size() || !figures_[index]->Route) return nullptr;
  return &*figures_[index]->Route;
}

bool TSceneRunner::Valid(int32_t index) const { return index >= 0 && size_t(index) < figures_.size(); }

void TSceneRunner::Start() {
  form_->Show();
  view_->SetFocus();  // keys go to the view
  Application().UpdateForms();  // the first paint gives the back buffer its size
  for (int32_t i : desc_.Place)
    if (Valid(i)) view_->AddFigure(figures_[size_t(i)]->Var);
  if (bindAfterPlacing_) {
    // Figures added later by actions keep a slot too: placed for the binding,
    // then taken out again. The placed ones are positioned again under the
    // map's projection origin.
    for (size_t i = 0; i < figures_.size(); ++i) view_->AddFigure(figures_[i]->Var);
    view_->SetMap(map_);
    for (size_t i = 0; i < figures_.size(); ++i) {
      TAniFigure*& f = figures_[i]->Var;
      if (std::find(desc_.Place.begin(), desc_.Place.end(), int32_t(i)) == desc_.Place.end()) view_->RemoveFigure(f);
      else view_->SetFigurePos(f, f->X(), f->Y(), f->Z());
    }
  }
  if (Valid(desc_.Key)) view_->SetKeyFigure(figures_[size_t(desc_.Key)]->Var);
  for (size_t i = 0; i < figures_.size(); ++i) {
    if (!figures_[i]->Route) continue;
    if (std::optional<ScenePoint> first = figures_[i]->Route->Start())
      Walk(i, *first, figures_[i]->Route->HeadingByPath());
  }
  RunActions(0);
  if (OnStep) OnStep(0);
}

void TSceneRunner::AfterTick() {
  ++ticks_;
  RunActions(ticks_);
  if (OnStep) OnStep(ticks_);
}

void TSceneRunner::RunActions(int64_t tick) {
  // Actions are sorted by tick; a tick may hold several, run in file order.
  while (nextAction_ < desc_.Actions.size() && desc_.Actions[nextAction_].Tick <= tick)
    RunAction(desc_.Actions[nextAction_++]);
}

void TSceneRunner::RunAction(const SceneActionDesc& a) {
  const bool pointer = a.Kind == SceneActionKind::Cursor || a.Kind == SceneActionKind::MouseDown ||
                       a.Kind == SceneActionKind::MouseUp || a.Kind == SceneActionKind::Key ||
                       a.Kind == SceneActionKind::KeyDown || a.Kind == SceneActionKind::KeyUp ||
                       a.Kind == SceneActionKind::Wheel;
  if (!pointer && !Valid(a.Figure)) return;
  const size_t i = pointer ? 0 : size_t(a.Figure);
  THeadlessBackend* headless = HeadlessBackend();
  switch (a.Kind) {
    case SceneActionKind::Move:
      MoveFromOutside(i, a.To, a.Path);
      break;
    case SceneActionKind::SetPos:
      StopPathWalk(i);
      view_->SetFigurePos(figures_[i]->Var, a.To[0], a.To[1], a.To[2]);
      UpdateWalkScript(i);
      break;
    case SceneActionKind::Remove:
      StopPathWalk(i);
      view_->RemoveFigure(figures_[i]->Var);
      break;
    case SceneActionKind::Add:
      view_->AddFigure(figures_[i]->Var);
      // A figure on a route walks on toward the target it was heading for.
      if (figures_[i]->Route && figures_[i]->Route->Heading())
        Walk(i, *figures_[i]->Route->Heading(), figures_[i]->Route->HeadingByPath());
      break;
    case SceneActionKind::PlayScript:
      figures_[i]->Var->PlayScript(a.Script, a.Loop);
      break;
    // Headless input moves the virtual pointer too; on a window system the
    // real pointer stays where the user has it.
    case SceneActionKind::Cursor:
      if (headless)
        headless->MouseMove(form_, {}, a.X, a.Y);
      else
        form_->DispatchMouseMove({}, a.X, a.Y);
      break;
    case SceneActionKind::MouseDown:
      if (headless)
        headless->MouseDown(form_, a.Button, {}, a.X, a.Y);
      else
        form_->DispatchMouseDown(a.Button, {}, a.X, a.Y);
      break;
    case SceneActionKind::MouseUp:
      if (headless)
        headless->MouseUp(form_, a.Button, {}, a.X, a.Y);
      else
        form_->DispatchMouseUp(a.Button, {}, a.X, a.Y);
      break;
    case SceneActionKind::Key:
    case SceneActionKind::KeyDown:
    case SceneActionKind::KeyUp: {
      const TShiftState shift = a.Shift ? TShiftState(ssShift) : TShiftState();
      const char32_t ch = KeyChar(a.KeyCode, a.Shift);
      if (a.Kind != SceneActionKind::KeyUp) {
        if (headless)
          headless->KeyDown(form_, a.KeyCode, ch, shift);
        else
          form_->DispatchKeyDown(a.KeyCode, ch, shift);
      }
      if (a.Kind != SceneActionKind::KeyDown) {
        if (headless)
          headless->KeyUp(form_, a.KeyCode, ch, shift);
        else
          form_->DispatchKeyUp(a.KeyCode, ch, shift);
      }
      break;
    }
    case SceneActionKind::Wheel:
      if (headless)
        headless->MouseWheel(form_, {}, a.Notches * WHEEL_DELTA, a.X, a.Y);
      else
        form_->DispatchMouseWheel({}, a.Notches * WHEEL_DELTA, a.X, a.Y);
      break;
  }
}

}  // namespace vel
