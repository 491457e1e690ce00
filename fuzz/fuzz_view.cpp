// API fuzzer: the input drives public calls on two views, ten figures, three
// maps, a path finder and two path walkers through the headless host, handlers
// included; the lists are checked after every step, every path found as well.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <limits>

#include "fuzz/fuzz_values.h"
#include "fuzz/list_check.h"
#include "velscene/platform/host/application.h"
#include "velscene/platform/backends/headless/headless.h"
#include "velscene/platform/host/forms.h"
#include "velscene/figure.h"
#include "velscene/map.h"
#include "velscene/path/path_finder.h"
#include "velscene/path/path_walker.h"
#include "velscene/view.h"

namespace vel::fuzz {
namespace {

constexpr int kFigures = 10;
constexpr int kMaps = 3;
constexpr int kViews = 2;
constexpr int kWalkers = 2;
constexpr int kMaxSteps = 300;
constexpr int kMaxDepth = 4;  // handler nesting
// Ticks one input may run, timer and DrawFrame together. Past it a ticking
// view stops its own timer and DrawFrame is skipped, so a 1 ms interval with
// a long Advance cannot spend thousands of ticks on one input.
constexpr int kTickBudget = 24;
// Map cells one input may bind through SetMap with a map; past it SetMap
// unbinds. A first bind always goes through. (Binding draws nothing: frames
// render the background they show, bounded by the view's size.)
constexpr uint64_t kBackgroundBudget = uint64_t(1) << 18;

struct Thrown {};  // what a throwing handler throws; each step catches it

// Figure variables: the views keep their addresses, so they live for good.
TAniFigure* gFigures[kFigures];

struct World {
  Values* in = nullptr;
  TForm* form = nullptr;
  TAniView* views[kViews] = {};
  TAniMap* maps[kMaps] = {};
  TPathWalker* walkers[kWalkers] = {};
  bool tearing = false;  // the input's objects are going: walkers report nothing
  int depth = 0;
  int ticks = 0;             // ticks this input has run
  uint64_t backgrounds = 0;  // background pixels it has built or repainted
};
World w;

// Sprite and tile pictures, made once and kept for the process: empty, 1 x 1,
// small, flat tile, tall tile, thin.
constexpr int32_t kPictures = 6;
TBitmap* gPictures[kPictures];
uint32_t gBaseline = 0;  // raster objects alive without form and views

TBitmap* MakePicture(int32_t width, int32_t height, TColor colour) {
  auto* b = new TBitmap();
  b->SetSize(width, height);
  if (!b->Empty()) {
    b->Canvas()->SetBrushColor(colour);
    b->Canvas()->FillRect({0, 0, width, height});
    b->Canvas()->SetPixel(0, height - 1, 0xFF00FF);  // the transparent colour
    b->Canvas()->SetPixel(width / 2, height / 2, 0x00FF00);
  }
  return b;
}

// VELSCENE_FUZZ_TRACE=1 prints every step, for reading a finding.
const bool gTrace = std::getenv("VELSCENE_FUZZ_TRACE") != nullptr;
int Traced(const char* what, int index, int op) {
  if (gTrace) std::fprintf(stderr, "%*s%s %d: %d\n", w.depth * 2, "", what, index, op);
  return op;
}

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
  std::abort();
}

void CheckAll() {
  for (TAniView* v : w.views)
    if (v)
      if (std::string fault = check::ListFault(*v, gFigures); !fault.empty()) Fail(fault);
  for (TAniFigure* f : gFigures) {
    if (!f || !f->View()) continue;
    bool known = false;
    for (TAniView* v : w.views) known = known || f->View() == v;
    if (!known) Fail("a figure points at a view that is gone");
  }
}

TAniView* PickView() { return w.views[w.in->Range(0, kViews - 1)]; }
int PickFigure() { return w.in->Range(0, kFigures - 1); }
TBitmap* PickPicture() {
  const int32_t n = w.in->Range(0, kPictures);
  return n == kPictures ? nullptr : gPictures[n];
}

int IndexOf(const TObject* figure) {
  for (int i = 0; i < kFigures; ++i)
    if (gFigures[i] && gFigures[i] == figure) return i;
  return -1;
}

void DestroyFigure(int i) {
  TAniFigure* f = gFigures[i];
  if (!f) return;
  delete f;  // unplaces it first; the variable holds it until then
  gFigures[i] = nullptr;
}

bool TicksLeft() { return w.ticks < kTickBudget; }
bool TakeBackground(uint64_t pixels) {
  if (w.backgrounds >= kBackgroundBudget) return false;
  w.backgrounds += pixels;
  return true;
}

// What binding the map costs: its cells.
uint64_t BindCost(const TAniMap& m) { return uint64_t(m.Width()) * m.Height(); }

// Counts the view's tick against the budget; a view over budget stops its timer.
void CountTick(TAniView* v) {
  if (!w.in) return;
  if (++w.ticks > kTickBudget) v->SetActive(false);
}

void RunStep();

// Every handler lands here: mostly nothing, else act on the handled figure,
// another figure or the key figure, throw, or run any step.
void Handle(TObject* handled) {
  if (!w.in || w.depth >= kMaxDepth || w.in->Empty()) return;
  ++w.depth;
  struct Leave {
    ~Leave() { --w.depth; }
  } leave;
  const int self = IndexOf(handled);
  switch (Traced("handler", self, w.in->Byte() % 16)) {
    case 6:
      if (self >= 0 && gFigures[self]->View()) gFigures[self]->View()->RemoveFigure(gFigures[self]);
      break;
    case 7:
      if (self >= 0) DestroyFigure(self);
      break;
    case 8: {
      const int i = PickFigure();
      if (w.in->Bool())
        DestroyFigure(i);
      else if (gFigures[i] && gFigures[i]->View())
        gFigures[i]->View()->RemoveFigure(gFigures[i]);
      break;
    }
    case 9: {
      TAniView* v = PickView();
      if (!v) break;
      const int key = IndexOf(v->FigureAt(v->KeyFigure()));
      if (key < 0) break;
      if (w.in->Bool())
        DestroyFigure(key);
      else
        v->RemoveFigure(gFigures[key]);
      break;
    }
    case 10:
      throw Thrown{};
    case 11:
    case 12:
    case 13:
      RunStep();
      break;
    case 14:
      if (TAniView* v = PickView(); v && TicksLeft()) v->DrawFrame();
      break;
    default:
      break;
  }
}

void BindFigure(TAniFigure* f) {
  f->OnClick = [](TObject* s) { Handle(s); };
  f->OnMouseOver = [](TObject* s) { Handle(s); };
  f->OnArrival = [](TObject* s) { Handle(s); };
  f->OnCollide = [f](TObject*, TObject* collider, int32_t code) {
    if (code < 1 || code > 3 || (code == 1) != (collider != nullptr)) Fail("collision code and collider disagree");
    Handle(f);
  };
}

void BindView(TAniView* v) {
  v->OnBeforeUpdate = [v](TObject*) {
    CountTick(v);
    Handle(nullptr);
  };
  v->OnAfterUpdate = [](TObject*) { Handle(nullptr); };
  v->OnAfterDisplay = [](TObject*) { Handle(nullptr); };
  v->OnMouseDown = [](TObject*, TMouseButton, TShiftState, int32_t, int32_t, float, float) { Handle(nullptr); };
  v->OnMouseUp = [](TObject*, TMouseButton, TShiftState, int32_t, int32_t, float, float) { Handle(nullptr); };
  v->OnMouseMove = [](TObject*, TShiftState, int32_t, int32_t, float, float) { Handle(nullptr); };
}

void FigureStep(int i) {
  Values& in = *w.in;
  TAniFigure*& f = gFigures[i];
  if (!f) {
    Traced("new figure", i, 0);
    f = new TAniFigure(in.Bool() ? w.form : nullptr);
    BindFigure(f);
    f->SetFrame(1, gPictures[2]);
    return;
  }
  switch (Traced("figure", i, in.Byte() % 20)) {
    case 0: DestroyFigure(i); break;
    case 1: f->SetX(in.Float()); break;
    case 2: f->SetY(in.Float()); break;
    case 3: f->SetZ(in.Float()); break;
    case 4: f->SetFrame(in.Int(0, 257), PickPicture()); break;
    case 5: {
      int32_t frames[80];
      const int32_t n = in.Range(0, 80);
      for (int32_t k = 0; k < n; ++k) frames[k] = in.Int(-2, 260);
      f->SetScript(in.Int(-1, 66), std::span<const int32_t>(frames, size_t(n)));
      break;
    }
    case 6: f->PlayScript(in.Int(-1, 66), in.Bool()); break;
    case 7: f->SetCurrentFrame(in.Unsigned(257)); break;
    case 8: f->Width = in.Unsigned(200); break;
    case 9: f->Height = in.Unsigned(200); break;
    case 10: f->CenterX = in.Int(-50, 150); break;
    case 11: f->CenterY = in.Int(-50, 150); break;
    case 12: f->Speed = in.Float(); break;
    case 13: f->Radius = in.Float(); break;
    case 14: f->ShadowRadius = in.Float(); break;
    case 15: f->SetHighlightColor(in.Int(0, 0xFFFFFF)); break;
    case 16: f->Shadow = in.Bool(); f->Highlighted = in.Bool(); f->AutoHighlight = in.Bool(); break;
    case 17: f->Visible = in.Bool(); f->Enabled = in.Bool(); break;
    case 18: f->Passable = in.Bool(); f->Transparent = in.Bool(); break;
    default: f->SetFrame(in.Range(1, 4), PickPicture()); break;
  }
}

// Map sides stay small enough to bind quickly, or, rarely, are so large that
// something is refused: the block (a side that is negative as int32, or
// 46341 squared cells), the background's side (2731 + n cells across) or its
// pixel count (700 + n). A huge side whose product with the other side would
// still be allocated and walked cell by cell becomes a small one.
uint32_t MapSide(uint32_t other) {
  static constexpr uint32_t kHuge[] = {0, 0xFFFFFFFFu, 0x80000000u, 46341, 2731, 700};
  const uint8_t b = w.in->Byte();
  if (b >= 8) return uint32_t(w.in->Range(0, b < 24 ? 40 : 8));
  const uint32_t side = kHuge[b % 6];
  const uint64_t cells = uint64_t(side) * other;
  const bool blockRefused =
      int32_t(side) < 0 || int32_t(other) < 0 || cells * 2 > uint64_t(std::numeric_limits<int32_t>::max());
  return cells > (1u << 17) && !blockRefused ? side % 17 : side;
}

void MapStep(int j) {
  Values& in = *w.in;
  TAniMap*& m = w.maps[j];
  if (!m) {
    Traced("new map", j, 0);
    m = new TAniMap(in.Bool() ? w.form : nullptr);
    return;
  }
  switch (Traced("map", j, in.Byte() % 9)) {
    case 0: delete m; m = nullptr; break;
    case 1: m->SetWidth(MapSide(m->Height())); break;
    case 2: m->SetHeight(MapSide(m->Width())); break;
    case 3: m->SetGridTile(in.Int(-2, 42), in.Int(-2, 42), in.Byte()); break;
    case 4: m->SetPassable(in.Int(-2, 42), in.Int(-2, 42), in.Bool()); break;
    case 5:
      m->SetGridRange(in.Int(-2, 42), in.Int(-2, 42), in.Int(-2, 42), in.Int(-2, 42), in.Range(0, 6), in.Bool());
      break;
    case 6: m->SetTile(in.Int(0, 6), PickPicture()); break;
    default: {
      TAniView* v = PickView();
      if (v) v->SetMap(in.Bool() && TakeBackground(BindCost(*m)) ? m : nullptr);
      break;
    }
  }
}

// Control sides: mostly about the form's size, sometimes larger, rarely too
// large for a buffer (refused) or the int32 extremes.
int32_t ViewSide() {
  const uint8_t b = w.in->Byte();
  if (b < 8) return b % 2 ? std::numeric_limits<int32_t>::max() : std::numeric_limits<int32_t>::min();
  if (b < 12) return 70000;
  return w.in->Range(-5, b < 40 ? 400 : 120);
}

TPathFinder gFinder;  // kept across inputs, as an application keeps one

// A path found is sound: waypoints exactly when it was Found or Nearest, from
// the start on, finite; its cells a walk of neighbour steps.
void CheckPath(TPathStatus status, TPathPoint start) {
  const bool walk = status == TPathStatus::Found || status == TPathStatus::Nearest;
  if (walk == gFinder.Waypoints().empty() || walk == gFinder.Cells().empty()) Fail("path status and path disagree");
  if (!walk) return;
  if (!(gFinder.Waypoints().front() == start)) Fail("path does not begin at the start");
  for (const TPathPoint& p : gFinder.Waypoints())
    if (!std::isfinite(p.X) || !std::isfinite(p.Y)) Fail("waypoint not finite");
  const auto cells = gFinder.Cells();
  for (size_t k = 1; k < cells.size(); ++k) {
    const int64_t dx = int64_t(cells[k].X) - cells[k - 1].X, dy = int64_t(cells[k].Y) - cells[k - 1].Y;
    if (dx < -1 || dx > 1 || dy < -1 || dy > 1 || (dx == 0 && dy == 0)) Fail("path cells are not neighbours");
  }
}

// A search on the view's snapshot or on a map, with any ends, extra blocked
// cells and options.
void FindStep(TAniView* v) {
  Values& in = *w.in;
  TPathGrid grid;
  if (in.Bool()) {
    grid = PathGridOf(*v);
  } else if (TAniMap* m = w.maps[in.Range(0, kMaps - 1)]) {
    grid = PathGridOf(*m);
  }
  const TPathPoint start{in.Float(), in.Float()}, goal{in.Float(), in.Float()};
  TPathCell blocked[6];
  const int32_t n = in.Range(0, 6);
  for (int32_t k = 0; k < n; ++k) blocked[k] = {in.Int(-2, 42), in.Int(-2, 42)};
  TPathOptions options;
  options.MaxNodes = in.Bool() ? 0 : in.Unsigned(5000);
  options.Nearest = in.Bool();
  options.Speed = in.Float();
  const TPathStatus status = gFinder.Find(grid, start, goal, std::span<const TPathCell>(blocked, size_t(n)), options);
  CheckPath(status, start);
}

void WalkerStep(TAniView* v) {
  Values& in = *w.in;
  TPathWalker* walker = w.walkers[in.Range(0, kWalkers - 1)];
  switch (Traced("walker", 0, in.Byte() % 4)) {
    case 0: case 1: {
      const int i = PickFigure();
      const float x = in.Float(), y = in.Float();
      walker->Walk(v, gFigures[i], x, y);
      break;
    }
    case 2: walker->Cancel(); break;
    default: walker->MaxRetries = in.Int(-2, 6); break;
  }
}

void ViewStep(TAniView* v) {
  Values& in = *w.in;
  const int i = PickFigure();
  switch (Traced("view", v == w.views[0] ? 0 : 1, in.Byte() % 24)) {
    case 0: case 1: case 2: v->AddFigure(gFigures[i]); break;
    case 3: v->RemoveFigure(gFigures[i]); break;
    case 4: {
      const float x = in.Float(), y = in.Float(), z = in.Float();
      v->SetFigurePos(gFigures[i], x, y, z);
      break;
    }
    case 5: case 6: {
      const float x = in.Float(), y = in.Float(), z = in.Float();
      v->MoveFigure(gFigures[i], x, y, z);
      break;
    }
    case 7: v->SetKeyFigure(gFigures[i]); break;
    case 8: v->ClearKeyFigure(); break;
    case 9: case 10: if (TicksLeft()) v->DrawFrame(); break;
    case 11: v->SetActive(in.Bool()); break;
    case 12: v->SetInterval(in.Byte() < 16 ? in.Unsigned(0xFFFFFFFFu) : uint32_t(in.Range(0, 300))); break;
    case 13: {
      v->SetColor(in.Int(0, 0xFFFFFF));
      break;
    }
    case 14: v->SetEnabled(in.Bool()); break;
    case 15: {
      const int32_t l = in.Int(-50, 400), t = in.Int(-50, 300);
      const int32_t width = ViewSide(), height = ViewSide();
      v->SetBounds(l, t, width, height);
      if (gTrace) std::fprintf(stderr, "  bounds %d %d %d %d\n", l, t, width, height);
      break;
    }
    case 16:
      if (in.Bool()) v->Invalidate();
      else v->SetBackgroundCache(in.Byte() < 32 ? in.Unsigned(0xFFFFFFFFu) : uint64_t(in.Range(0, 8)) << 17);
      break;
    case 17: v->MouseDown(TMouseButton(in.Range(0, 2)), {}, in.Int(-50, 450), in.Int(-50, 350)); break;
    case 18: v->MouseUp(TMouseButton(in.Range(0, 2)), {}, in.Int(-50, 450), in.Int(-50, 350)); break;
    case 19: v->MouseMove({}, in.Int(-50, 450), in.Int(-50, 350)); break;
    case 20: {
      float gx, gy;
      int32_t sx, sy;
      v->ScreenToGrid(in.Int(-50, 450), in.Int(-50, 350), gx, gy);
      v->GridToScreen(in.Float(), in.Float(), in.Float(), sx, sy);
      break;
    }
    case 21: FindStep(v); break;
    case 22: WalkerStep(v); break;
    default: v->SetVisible(in.Bool()); break;
  }
}

void HostStep() {
  Values& in = *w.in;
  THeadlessBackend* host = HeadlessBackend();
  const int32_t x = in.Int(-50, 450), y = in.Int(-50, 350);
  switch (Traced("host", 0, in.Byte() % 6)) {
    case 0: case 1: host->Advance(in.Byte() < 200 ? uint64_t(in.Range(0, 250)) : uint64_t(in.Range(0, 10000))); break;
    case 2: host->MouseDown(w.form, TMouseButton(in.Range(0, 2)), {}, x, y); break;
    case 3: host->MouseUp(w.form, TMouseButton(in.Range(0, 2)), {}, x, y); break;
    case 4: host->MouseMove(w.form, {}, x, y); break;
    default: host->SetCursorPos({x, y}); break;
  }
}

void RunStep() {
  switch (w.in->Byte() % 8) {
    case 0: case 1: case 2: FigureStep(PickFigure()); break;
    case 3: MapStep(w.in->Range(0, kMaps - 1)); break;
    case 4: case 5: if (TAniView* v = PickView()) ViewStep(v); break;
    default: HostStep(); break;
  }
}

// Ends an input: figures and maps go, in an order the input picks. Views and
// their form are kept for the next input unless the input takes them down
// (destroyed views must leave no figure pointing at them).
void TearDown() {
  const uint8_t order = uint8_t(Traced("teardown", 0, w.in->Byte() % 8));
  w.tearing = true;
  if (order % 2 == 0)  // walkers go first, or last, when their figures are gone
    for (TPathWalker*& walker : w.walkers) {
      delete walker;
      walker = nullptr;
    }
  if (order == 1) {
    for (TAniView*& v : w.views) {
      delete v;
      v = nullptr;
    }
    for (TAniFigure* f : gFigures)
      if (f && (f->View() || f->Slot())) Fail("a destroyed view left a figure placed");
  }
  if (order == 1 || order == 2) {
    // The form destroys what it owns; their variables hold them until then.
    bool owned[kFigures];
    for (int i = 0; i < kFigures; ++i) owned[i] = gFigures[i] && gFigures[i]->Owner();
    for (TAniMap*& m : w.maps)
      if (m && m->Owner()) m = nullptr;
    delete w.form;
    w.form = nullptr;
    for (TAniView*& v : w.views) v = nullptr;
    for (int i = 0; i < kFigures; ++i)
      if (owned[i]) gFigures[i] = nullptr;
  }
  for (int i = 0; i < kFigures; ++i) DestroyFigure(i);
  for (TAniMap*& m : w.maps) {
    delete m;
    m = nullptr;
  }
  for (TAniView* v : w.views)
    if (v) v->SetMap(nullptr);
  for (TPathWalker*& walker : w.walkers) {
    delete walker;
    walker = nullptr;
  }
  w.tearing = false;
}

// Makes the form and views that are missing and puts every view back into
// its starting state.
void SetUp() {
  if (!w.form) {
    w.form = new TForm(nullptr);
    w.form->SetClientSize(160, 80);  // small: every paint and tick clears it
    w.form->Show();
  }
  for (int k = 0; k < kViews; ++k) {
    TAniView*& v = w.views[k];
    if (!v) {
      v = new TAniView(w.form);
      v->SetParent(w.form);
      BindView(v);
    }
    v->SetBounds(k * 80, 0, 80, 80);
    v->SetActive(false);
    v->SetInterval(100);
    v->SetEnabled(true);
    v->SetVisible(true);
    v->ClearKeyFigure();
    v->SetColor(clBlack);  // also makes the background brush a first tick would make
  }
  for (TPathWalker*& walker : w.walkers)
    if (!walker) {
      walker = new TPathWalker(nullptr);
      walker->OnDone = [](TObject*, TAniFigure*, TWalkResult) {
        if (!w.tearing) Handle(nullptr);
      };
    }
  // A first paint makes the canvases' brushes, kept for the form's lifetime.
  HeadlessBackend()->Advance(0);
}

}  // namespace
}  // namespace vel::fuzz

using namespace vel;
using namespace vel::fuzz;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Application().SelectBackend("headless");
  const int32_t sizes[kPictures][2] = {{0, 0}, {1, 1}, {8, 8}, {48, 23}, {48, 40}, {3, 70}};
  for (int32_t k = 0; k < kPictures; ++k) gPictures[k] = MakePicture(sizes[k][0], sizes[k][1], 0x203040 * (k + 1));
  // The host makes some objects once, on first use: count after a first round.
  SetUp();
  delete w.form;
  for (TPathWalker* walker : w.walkers) delete walker;
  w = World{};
  gBaseline = LiveObjectCount();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider provider(data, size);
  Values in(provider);
  SetUp();  // before the input is attached: its handlers do nothing
  w.in = &in;
  w.ticks = 0;
  w.backgrounds = 0;
  const uint32_t withViews = LiveObjectCount();

  // The lists are checked after every step, so a fault is caught at the
  // call that made it.
  for (int step = 0; step < kMaxSteps && !in.Empty(); ++step) {
    try {
      RunStep();
    } catch (const Thrown&) {
    }
    CheckAll();
  }
  TearDown();
  w.in = nullptr;
  // Back in the starting state, a kept form and views hold what they held.
  if (w.form) SetUp();
  if (gTrace)
    for (TAniView* v : w.views)
      if (v)
        std::fprintf(stderr, "buffer %d x %d, view %d x %d\n", v->Buffer()->Width(), v->Buffer()->Height(), v->Width(),
                     v->Height());
  const uint32_t expected = w.form ? withViews : gBaseline;
  if (LiveObjectCount() != expected)
    Fail("raster objects leaked: " + std::to_string(int64_t(LiveObjectCount()) - expected));
  return 0;
}
