// The scene file reader: syntax, view, tiles, map, placement, key figure and
// actions, and the checks that span sections (names, figure count).
#include "velscene/scene/scene_loader.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "velscene/platform/base/text.h"
#include "velscene/platform/graphics/image_files.h"
#include "velscene/platform/host/keys.h"
#include "velscene/scene/internal/scene_load_parts.h"
#include "velscene/view.h"

namespace vel {

int32_t SceneDesc::FindFigure(const std::string& name) const {
  for (size_t i = 0; i < Figures.size(); ++i)
    if (Figures[i].Name == name) return static_cast<int32_t>(i);
  return -1;
}

// ---------------------------------------------------------------------------
// Images and colours
// ---------------------------------------------------------------------------
std::shared_ptr<TBitmap> SceneImages::Load(const SceneNode& owner, const char* key) {
  const TImageAlpha alpha = owner.Optional("alpha") ? ReadImageAlpha(owner.Field("alpha")) : alpha_;
  const SceneNode node = owner.Field(key);
  const std::string name = node.String();
  std::filesystem::path p(name);
  if (p.is_relative()) p = std::filesystem::path(baseDir_) / p;
  const std::string resolved = p.lexically_normal().string();
  if (auto it = cache_.find({resolved, alpha}); it != cache_.end()) return it->second;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(p, ec)) node.Fail("no such image file \"" + resolved + "\"");
  auto bitmap = std::make_shared<TBitmap>();
  try {
    bitmap->LoadFromFile(resolved, alpha);
  } catch (const std::exception& e) {
    node.Fail(std::string("cannot load image: ") + e.what());
  }
  if (bitmap->Empty()) node.Fail("image \"" + resolved + "\" is empty");
  cache_.emplace(std::make_pair(resolved, alpha), bitmap);
  return bitmap;
}

TImageAlpha ReadImageAlpha(const SceneNode& node) {
  const std::string s = node.String();
  if (s == "keep") return iaKeep;
  if (s == "key") return iaKey;
  node.Fail("expected \"keep\" or \"key\", found \"" + s + "\"");
}

TColor ReadSceneColor(const SceneNode& node) {
  if (node.Value().is_string()) {
    const std::string s = node.String();
    const bool hex = s.size() == 7 && s[0] == '#' &&
                     std::all_of(s.begin() + 1, s.end(), [](char c) { return std::isxdigit(uint8_t(c)) != 0; });
    if (!hex) node.Fail("expected a colour \"#RRGGBB\", found \"" + s + "\"");
    const uint32_t v = static_cast<uint32_t>(std::stoul(s.substr(1), nullptr, 16));
    return static_cast<TColor>(RGB(uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)));
  }
  return static_cast<TColor>(node.Int(0, 0xFFFFFF));
}

namespace {

// ---------------------------------------------------------------------------
// Sections
// ---------------------------------------------------------------------------
SceneViewDesc ReadView(const SceneNode& n) {
  n.Allow({"width", "height", "interval", "color", "cellWidth", "zoom"});
  SceneViewDesc v;
  if (auto w = n.Optional("width")) v.Width = int32_t(w->Int(1, 4096));
  if (auto h = n.Optional("height")) v.Height = int32_t(h->Int(1, 4096));
  if (auto i = n.Optional("interval")) v.Interval = uint32_t(i->Int(1, 60000));
  if (auto c = n.Optional("color")) v.Color = ReadSceneColor(*c);
  if (auto c = n.Optional("cellWidth")) {
    v.CellWidth = int32_t(c->Int(kMinCellWidth, kMaxCellWidth));
    if (v.CellWidth % 2 != 0) c->Fail("the cell width must be even (the cell is half as high)");
  }
  if (auto z = n.Optional("zoom")) v.Zoom = int32_t(z->Int(1, kMaxZoom));
  return v;
}

std::vector<SceneTileDesc> ReadTiles(const SceneNode& list, SceneImages& images) {
  std::vector<SceneTileDesc> tiles;
  for (size_t i = 0; i < list.Size(); ++i) {
    const SceneNode t = list.At(i);
    t.Allow({"number", "image", "alpha"});
    SceneTileDesc tile;
    const SceneNode number = t.Field("number");
    tile.Number = int32_t(number.Int(1, 255));
    for (const SceneTileDesc& other : tiles)
      if (other.Number == tile.Number) number.Fail("tile " + std::to_string(tile.Number) + " is defined twice");
    tile.Image = images.Load(t, "image");
    tiles.push_back(std::move(tile));
  }
  return tiles;
}

constexpr int64_t kCoordLimit = 1'000'000;  // pointer positions may reach past the view

int32_t FigureByName(const SceneDesc& desc, const SceneNode& n) {
  const std::string name = n.String();
  const int32_t index = desc.FindFigure(name);
  if (index < 0) n.Fail("no figure named \"" + name + "\"");
  return index;
}

ScenePoint ReadPoint3(const SceneNode& n) {
  if (!n.IsArray() || n.Size() != 3) n.Fail("expected a list of three numbers [X, Y, Z]");
  return {n.At(0).Float(), n.At(1).Float(), n.At(2).Float()};
}

bool ScriptDefined(const SceneFigureDesc& f, int32_t script) {
  return std::any_of(f.Scripts.begin(), f.Scripts.end(), [&](const SceneScriptDesc& s) { return s.Number == script; });
}

struct Verb {
  const char* Key;
  SceneActionKind Kind;
};
constexpr Verb kVerbs[] = {
    {"move", SceneActionKind::Move},           {"setPos", SceneActionKind::SetPos},
    {"remove", SceneActionKind::Remove},       {"add", SceneActionKind::Add},
    {"cursor", SceneActionKind::Cursor},       {"mouseDown", SceneActionKind::MouseDown},
    {"mouseUp", SceneActionKind::MouseUp},     {"playScript", SceneActionKind::PlayScript},
    {"key", SceneActionKind::Key},             {"keyDown", SceneActionKind::KeyDown},
    {"keyUp", SceneActionKind::KeyUp},         {"wheel", SceneActionKind::Wheel},
};

// Two whole numbers [x, y]: a pixel of the view.
void ReadPixel(const SceneNode& n, SceneActionDesc& act) {
  if (!n.IsArray() || n.Size() != 2) n.Fail("expected a list of two whole numbers [x, y]");
  act.X = int32_t(n.At(0).Int(-kCoordLimit, kCoordLimit));
  act.Y = int32_t(n.At(1).Int(-kCoordLimit, kCoordLimit));
}

SceneActionDesc ReadAction(const SceneDesc& desc, const SceneNode& a) {
  a.ExpectObject();
  SceneActionDesc act;
  act.Tick = a.Field("tick").Int(0, 1'000'000'000);
  const Verb* verb = nullptr;
  for (const Verb& v : kVerbs) {
    if (!a.Has(v.Key)) continue;
    if (verb) a.Fail(std::string("an action does one thing: both \"") + verb->Key + "\" and \"" + v.Key + "\" given");
    verb = &v;
  }
  if (!verb)
    a.Fail("an action needs one of move, setPos, remove, add, cursor, mouseDown, mouseUp, playScript, key, "
           "keyDown, keyUp, wheel");
  act.Kind = verb->Kind;
  const SceneNode what = a.Field(verb->Key);
  switch (act.Kind) {
    case SceneActionKind::Move:
    case SceneActionKind::SetPos:
      if (act.Kind == SceneActionKind::Move)
        a.Allow({"tick", verb->Key, "to", "path"});
      else
        a.Allow({"tick", verb->Key, "to"});
      act.Figure = FigureByName(desc, what);
      act.To = ReadPoint3(a.Field("to"));
      if (auto path = a.Optional("path")) act.Path = path->Bool();
      break;
    case SceneActionKind::Remove:
    case SceneActionKind::Add:
      a.Allow({"tick", verb->Key});
      act.Figure = FigureByName(desc, what);
      break;
    case SceneActionKind::Cursor:
    case SceneActionKind::MouseDown:
    case SceneActionKind::MouseUp: {
      a.Allow({"tick", verb->Key, "button"});
      ReadPixel(what, act);
      if (auto b = a.Optional("button")) {
        if (act.Kind == SceneActionKind::Cursor) b->Fail("a cursor move has no button");
        const std::string s = b->String();
        if (s == "left") act.Button = mbLeft;
        else if (s == "right") act.Button = mbRight;
        else if (s == "middle") act.Button = mbMiddle;
        else b->Fail("expected \"left\", \"right\" or \"middle\", found \"" + s + "\"");
      }
      break;
    }
    case SceneActionKind::Key:
    case SceneActionKind::KeyDown:
    case SceneActionKind::KeyUp: {
      a.Allow({"tick", verb->Key, "shift"});
      const std::string name = what.String();
      act.KeyCode = KeyFromName(name);
      if (act.KeyCode == 0)
        what.Fail("no key named \"" + name + "\" (names such as \"Left\", \"A\", \"7\", \"F1\", \"Escape\", \"Plus\")");
      if (auto sh = a.Optional("shift")) act.Shift = sh->Bool();
      break;
    }
    case SceneActionKind::Wheel: {
      a.Allow({"tick", verb->Key, "at"});
      act.Notches = int32_t(what.Int(-100, 100));
      if (act.Notches == 0) what.Fail("a wheel turn of 0 notches does nothing");
      ReadPixel(a.Field("at"), act);
      break;
    }
    case SceneActionKind::PlayScript: {
      a.Allow({"tick", verb->Key, "script", "loop"});
      act.Figure = FigureByName(desc, what);
      const SceneNode script = a.Field("script");
      act.Script = int32_t(script.Int(0, 64));
      if (act.Script > 0 && !ScriptDefined(desc.Figures[size_t(act.Figure)], act.Script))
        script.Fail("figure \"" + desc.Figures[size_t(act.Figure)].Name + "\" has no script " +
                    std::to_string(act.Script));
      if (auto l = a.Optional("loop")) act.Loop = l->Bool();
      break;
    }
  }
  return act;
}

// The position of a 1-based byte number of the JSON library.
std::string ErrorPosition(const std::string& text, size_t byte) { return LineColumnAt(text, byte > 0 ? byte - 1 : 0); }

}  // namespace

SceneDesc ParseScene(const std::string& text, const std::string& file, const std::string& baseDir) {
  SceneJson root;
  try {
    root = SceneJson::parse(text);
  } catch (const SceneJson::parse_error& e) {
    // The library's message starts with its own tag and position; keep the reason.
    std::string why = e.what();
    if (size_t colon = why.find(": "); colon != std::string::npos) why = why.substr(colon + 2);
    throw ESceneError(file, ErrorPosition(text, e.byte), "invalid JSON: " + why);
  } catch (const SceneJson::out_of_range& e) {
    // A number too large for a double. The library quotes it but gives no
    // position: the first place it occurs in the text is where it is.
    std::string why = e.what();
    if (size_t tag = why.find("] "); tag != std::string::npos) why = why.substr(tag + 2);
    size_t at = std::string::npos;
    if (size_t open = why.find('\''), close = why.rfind('\''); open != std::string::npos && close > open)
      at = text.find(why.substr(open + 1, close - open - 1));
    throw ESceneError(file, ErrorPosition(text, at == std::string::npos ? text.size() + 1 : at + 1),
                      "invalid JSON: " + why);
  }
  const SceneNode top(root, "", file);
  top.Allow({"view", "tiles", "map", "figures", "place", "key", "actions", "alpha"});

  SceneImages images(baseDir);
  if (auto a = top.Optional("alpha")) images.SetAlpha(ReadImageAlpha(*a));
  SceneDesc desc;
  desc.File = file;
  if (auto v = top.Optional("view")) desc.View = ReadView(*v);
  if (auto t = top.Optional("tiles")) desc.Tiles = ReadTiles(*t, images);
  if (auto m = top.Optional("map")) {
    if (m->IsObject() && m->Has("tiled")) {
      if (top.Has("tiles")) m->Fail("a Tiled map brings its own tiles: leave out \"tiles\"");
      ReadSceneTiledMap(*m, baseDir, top.Optional("view"), desc);
    } else {
      desc.Map = ReadSceneMap(*m);
    }
  }
  if (auto f = top.Optional("figures")) {
    // The map's figures come first; the scene's own follow under other names.
    const size_t fromMap = desc.Figures.size();
    for (SceneFigureDesc& fig : ReadSceneFigures(*f, images)) desc.Figures.push_back(std::move(fig));
    for (size_t i = fromMap; i < desc.Figures.size(); ++i)
      for (size_t j = 0; j < fromMap; ++j)
        if (SameText(desc.Figures[i].Name, desc.Figures[j].Name))
          f->At(i - fromMap).Field("name").Fail("the name \"" + desc.Figures[i].Name + "\" is a figure of the Tiled map");
  }

  if (auto place = top.Optional("place")) {
    for (size_t i = 0; i < place->Size(); ++i) {
      const SceneNode n = place->At(i);
      const int32_t index = FigureByName(desc, n);
      if (std::find(desc.Place.begin(), desc.Place.end(), index) != desc.Place.end())
        n.Fail("figure \"" + desc.Figures[size_t(index)].Name + "\" is placed twice");
      desc.Place.push_back(index);
    }
  } else {
    for (size_t i = 0; i < desc.Figures.size(); ++i) desc.Place.push_back(int32_t(i));
  }
  if (auto key = top.Optional("key")) {
    desc.Key = FigureByName(desc, *key);
    if (std::find(desc.Place.begin(), desc.Place.end(), desc.Key) == desc.Place.end())
      key->Fail("the key figure \"" + desc.Figures[size_t(desc.Key)].Name + "\" is not placed");
  }
  if (auto actions = top.Optional("actions")) {
    for (size_t i = 0; i < actions->Size(); ++i) desc.Actions.push_back(ReadAction(desc, actions->At(i)));
    std::stable_sort(desc.Actions.begin(), desc.Actions.end(),
                     [](const SceneActionDesc& a, const SceneActionDesc& b) { return a.Tick < b.Tick; });
  }

  // Tall tiles never take a slot from a figure (the runner places figures
  // first when they would), but figures beyond the slots could not be placed.
  if (desc.Figures.size() > size_t(kMaxEntries))
    top.Fail(std::to_string(desc.Figures.size()) + " figures, at most " + std::to_string(kMaxEntries) + " can be placed");
  return desc;
}

SceneDesc LoadSceneFile(const std::string& path) {
  if (IsTiledMapFile(path)) return LoadTiledMapScene(path);
  std::ifstream in(path, std::ios::binary);
  std::error_code ec;
  if (!in || std::filesystem::is_directory(path, ec)) throw ESceneError(path, "", "cannot open the scene file");
  std::ostringstream text;
  text << in.rdbuf();
  const std::string base = std::filesystem::path(path).parent_path().string();
  return ParseScene(text.str(), path, base.empty() ? "." : base);
}

}  // namespace vel
