// The "figures" section: names, published properties by name, frames or
// sprite sheets, scripts, the script to play, walk scripts and routes.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "velscene/platform/base/text.h"
#include "velscene/platform/typinfo/host_typinfo.h"
#include "velscene/platform/typinfo/prop_json.h"
#include "velscene/figure.h"
#include "velscene/scene/internal/scene_load_parts.h"

namespace vel {

namespace {

constexpr const char* kFigureKeys[] = {"name", "frames", "scripts", "play", "route", "walk"};

bool IsReserved(const std::string& key) {
  for (const char* k : kFigureKeys)
    if (key == k) return true;
  return false;
}

ScenePropDesc ReadProp(const SceneNode& n, const std::string& key, const TClassInfo* cls, TAniFigure& scratch) {
  const TPropInfo* info = FindPropInfo(cls, key);
  if (!info) n.Fail("unknown key \"" + key + "\" (not a published property of TAniFigure)");
  if (SameText(info->Name, "Name")) n.Fail("the figure's name is given as \"name\"");
  if (info->Kind == tkMethod || info->Kind == tkClass)
    n.Fail("\"" + info->Name + "\" cannot be set from a scene file");
  std::string problem;
  const auto found = [](const SceneJson& v) { return "found " + DescribeJson(v); };
  const std::optional<TPropValue> value = PropValueFromJson(*info, n.Value(), found, problem);
  if (!value) n.Fail(problem);
  if (!SetPropValue(&scratch, info, *value)) n.Fail("value not accepted for \"" + info->Name + "\"");
  return ScenePropDesc{info, *value};
}

// A copy of one w x h cell of a sprite sheet, with the sheet's alpha.
std::shared_ptr<TBitmap> CutCell(const TBitmap& sheet, int32_t x, int32_t y, int32_t w, int32_t h) {
  auto cell = std::make_shared<TBitmap>();
  cell->SetAlphaFormat(sheet.AlphaFormat());
  cell->SetSize(w, h);
  const PixelView src = LockPixels(sheet.Handle());
  const PixelView dst = LockPixels(cell->Handle());
  if (!src.valid || !dst.valid) return cell;
  for (int32_t row = 0; row < h; ++row)
    std::memcpy(dst.pixels + size_t(row) * size_t(w), src.pixels + size_t(y + row) * size_t(src.width) + size_t(x),
                size_t(w) * sizeof(uint32_t));
  return cell;
}

std::vector<SceneFrameDesc> ReadFrames(const SceneNode& n, SceneImages& images) {
  std::vector<SceneFrameDesc> frames;
  if (n.IsArray()) {
    for (size_t i = 0; i < n.Size(); ++i) {
      const SceneNode f = n.At(i);
      f.Allow({"number", "image", "alpha"});
      const SceneNode number = f.Field("number");
      SceneFrameDesc frame{int32_t(number.Int(1, 255)), nullptr};
      for (const SceneFrameDesc& other : frames)
        if (other.Number == frame.Number) number.Fail("frame " + std::to_string(frame.Number) + " is defined twice");
      frame.Image = images.Load(f, "image");
      frames.push_back(std::move(frame));
    }
    return frames;
  }
  if (!n.IsObject()) n.Fail("expected a list of {number, image} or a sprite sheet {sheet, width, height}");
  n.Allow({"sheet", "width", "height", "first", "count", "alpha"});
  const std::shared_ptr<TBitmap> sheet = images.Load(n, "sheet");
  const int32_t w = int32_t(n.Field("width").Int(1, 4096));
  const int32_t h = int32_t(n.Field("height").Int(1, 4096));
  const int32_t columns = sheet->Width() / w, rows = sheet->Height() / h;
  if (columns * rows == 0) n.Field("width").Fail("the sheet is smaller than one " + std::to_string(w) + " x " + std::to_string(h) + " cell");
  int32_t first = 1;
  if (auto f = n.Optional("first")) first = int32_t(f->Int(1, 255));
  int32_t count = std::min(columns * rows, 256 - first);
  if (auto c = n.Optional("count")) {
    count = int32_t(c->Int(1, 255));
    if (count > columns * rows) c->Fail("the sheet holds only " + std::to_string(columns * rows) + " cells");
    if (first + count - 1 > 255) c->Fail("frame numbers would run past 255");
  }
  for (int32_t i = 0; i < count; ++i)
    frames.push_back({first + i, CutCell(*sheet, (i % columns) * w, (i / columns) * h, w, h)});
  return frames;
}

bool HasFrame(const std::vector<SceneFrameDesc>& frames, int64_t n) {
  return std::any_of(frames.begin(), frames.end(), [&](const SceneFrameDesc& f) { return f.Number == n; });
}

bool HasScript(const SceneFigureDesc& f, int64_t n) {
  return std::any_of(f.Scripts.begin(), f.Scripts.end(), [&](const SceneScriptDesc& s) { return s.Number == n; });
}

int32_t ReadScriptRef(const SceneNode& n, const SceneFigureDesc& f) {
  const int32_t s = int32_t(n.Int(1, 64));
  if (!HasScript(f, s)) n.Fail("no script " + std::to_string(s) + " is defined for this figure");
  return s;
}

std::vector<SceneScriptDesc> ReadScripts(const SceneNode& n, const std::vector<SceneFrameDesc>& frames) {
  std::vector<SceneScriptDesc> scripts;
  for (size_t i = 0; i < n.Size(); ++i) {
    const SceneNode s = n.At(i);
    s.Allow({"number", "frames"});
    const SceneNode number = s.Field("number");
    SceneScriptDesc script{int32_t(number.Int(1, 64)), {}};
    for (const SceneScriptDesc& other : scripts)
      if (other.Number == script.Number) number.Fail("script " + std::to_string(script.Number) + " is defined twice");
    const SceneNode list = s.Field("frames");
    if (list.Size() == 0 || list.Size() > 64) list.Fail("a script holds 1 to 64 frame numbers");
    for (size_t k = 0; k < list.Size(); ++k) {
      const SceneNode v = list.At(k);
      const int64_t frame = v.Int(1, 255);
      if (!HasFrame(frames, frame)) v.Fail("frame " + std::to_string(frame) + " is not loaded");
      script.Frames.push_back(int32_t(frame));
    }
    scripts.push_back(std::move(script));
  }
  return scripts;
}

SceneRouteDesc ReadRoute(const SceneNode& n) {
  n.Allow({"waypoints", "loop", "retries"});
  SceneRouteDesc route;
  if (auto w = n.Optional("waypoints")) {
    for (size_t i = 0; i < w->Size(); ++i) {
      // [X, Y, Z], or {"to": [X, Y, Z], "path": true} for one reached along a path.
      SceneNode p = w->At(i);
      bool byPath = false;
      if (p.IsObject()) {
        p.Allow({"to", "path"});
        if (auto path = p.Optional("path")) byPath = path->Bool();
        p = p.Field("to");
      }
      if (!p.IsArray() || p.Size() != 3) p.Fail("a waypoint is a list of three numbers [X, Y, Z]");
      route.Waypoints.push_back({p.At(0).Float(), p.At(1).Float(), p.At(2).Float()});
      route.ByPath.push_back(byPath);
    }
    if (std::none_of(route.ByPath.begin(), route.ByPath.end(), [](uint8_t b) { return b != 0; })) route.ByPath.clear();
  }
  if (auto l = n.Optional("loop")) route.Loop = l->Bool();
  if (auto r = n.Optional("retries")) {
    if (r->Value().is_number() && r->Value().get<double>() < 0) r->Fail("retries must not be negative");
    route.Retries = int32_t(r->Int(0, 1'000'000));
  }
  return route;
}

SceneWalkDesc ReadWalk(const SceneNode& n, const SceneFigureDesc& f) {
  n.Allow({"SE", "SW", "NE", "NW", "idle"});
  SceneWalkDesc w;
  if (auto s = n.Optional("SE")) w.SE = ReadScriptRef(*s, f);
  if (auto s = n.Optional("SW")) w.SW = ReadScriptRef(*s, f);
  if (auto s = n.Optional("NE")) w.NE = ReadScriptRef(*s, f);
  if (auto s = n.Optional("NW")) w.NW = ReadScriptRef(*s, f);
  if (auto s = n.Optional("idle")) w.Idle = ReadScriptRef(*s, f);
  return w;
}

}  // namespace

std::vector<SceneFigureDesc> ReadSceneFigures(const SceneNode& list, SceneImages& images) {
  RegisterAniFigureClass();
  const TClassInfo* cls = FindClassInfo("TAniFigure");
  TAniFigure scratch(nullptr);
  std::vector<SceneFigureDesc> figures;
  for (size_t i = 0; i < list.Size(); ++i) {
    const SceneNode n = list.At(i);
    n.ExpectObject();
    SceneFigureDesc f;
    const SceneNode name = n.Field("name");
    f.Name = name.String();
    if (!IsIdentifier(f.Name) || f.Name.size() > 63)
      name.Fail("a figure name is a letter or '_' followed by letters, digits or '_' (at most 63)");
    for (const SceneFigureDesc& other : figures)
      if (SameText(other.Name, f.Name)) name.Fail("the name \"" + f.Name + "\" is already used");
    for (auto it = n.Value().begin(); it != n.Value().end(); ++it)
      if (!IsReserved(it.key())) f.Props.push_back(ReadProp(n.Field(it.key().c_str()), it.key(), cls, scratch));
    if (auto frames = n.Optional("frames")) f.Frames = ReadFrames(*frames, images);
    if (auto scripts = n.Optional("scripts")) f.Scripts = ReadScripts(*scripts, f.Frames);
    if (auto play = n.Optional("play")) {
      play->Allow({"script", "loop"});
      f.Play = ScenePlayDesc{ReadScriptRef(play->Field("script"), f), false};
      if (auto loop = play->Optional("loop")) f.Play->Loop = loop->Bool();
    }
    if (auto route = n.Optional("route")) f.Route = ReadRoute(*route);
    if (auto walk = n.Optional("walk")) f.Walk = ReadWalk(*walk, f);
    figures.push_back(std::move(f));
  }
  return figures;
}

}  // namespace vel
