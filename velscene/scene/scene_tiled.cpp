// Tiled maps in scenes: a scene file's map given as {"tiled": "file.tmx"},
// and a Tiled map opened on its own as a scene. The converted map gives the
// scene its tiles, cells and figures; figure names come from the objects'
// names when they make valid, unused figure names.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>

#include "velscene/platform/base/text.h"
#include "velscene/platform/typinfo/host_typinfo.h"
#include "velscene/scene/internal/scene_load_parts.h"
#include "velscene/scene/scene_loader.h"
#include "velscene/view.h"

#ifdef VELSCENE_SCENE_TILED
#include "velscene/tiled/tiled_reader.h"
#include "velscene/tiled/tiled_scene.h"
#endif

namespace vel {

namespace {

constexpr int32_t kMaxSceneMapSide = 4096;  // as scene files' own maps

#ifdef VELSCENE_SCENE_TILED
// 0xAARRGGBB as the host's colour; the view's background is opaque.
TColor TiledColor(uint32_t argb) {
  return static_cast<TColor>(RGB(uint8_t(argb >> 16), uint8_t(argb >> 8), uint8_t(argb)));
}

const TPropInfo* FigureProp(const char* name) {
  RegisterAniFigureClass();
  return FindPropInfo(FindClassInfo("TAniFigure"), name);
}

void AddProp(std::vector<ScenePropDesc>& props, const char* name, const TPropValue& value) {
  ScenePropDesc& p = props.emplace_back();
  p.Info = FigureProp(name);
  p.Value = value;
}

std::string FigureName(const TiledFigureDesc& f, const std::vector<SceneFigureDesc>& taken) {
  auto used = [&](const std::string& n) {
    return std::any_of(taken.begin(), taken.end(), [&](const SceneFigureDesc& o) { return SameText(o.Name, n); });
  };
  if (IsIdentifier(f.Name) && f.Name.size() <= 63 && !used(f.Name)) return f.Name;
  // Unnamed, oddly named or repeated: the object's id makes the name.
  std::string name = "Object" + std::to_string(f.Id);
  for (int k = 2; used(name); ++k) name = "Object" + std::to_string(f.Id) + "_" + std::to_string(k);
  return name;
}

SceneFigureDesc SceneFigure(const TiledFigureDesc& f, const std::vector<SceneFigureDesc>& taken) {
  SceneFigureDesc s;
  s.Name = FigureName(f, taken);
  // The object's size, anchor and place first; its own properties after.
  AddProp(s.Props, "Width", TPropValue(int64_t(f.Width)));
  AddProp(s.Props, "Height", TPropValue(int64_t(f.Height)));
  AddProp(s.Props, "CenterX", TPropValue(int64_t(f.CenterX)));
  AddProp(s.Props, "CenterY", TPropValue(int64_t(f.CenterY)));
  AddProp(s.Props, "X", TPropValue(double(f.X)));
  AddProp(s.Props, "Y", TPropValue(double(f.Y)));
  AddProp(s.Props, "Visible", TPropValue(f.Visible));
  for (const TiledFigureProp& p : f.Props) s.Props.push_back({p.Info, p.Value});
  for (size_t i = 0; i < f.Frames.size(); ++i) s.Frames.push_back({int32_t(i) + 1, f.Frames[i]});
  if (!f.Script.empty()) {
    s.Scripts.push_back({1, f.Script});
    s.Play = ScenePlayDesc{1, true};
  }
  return s;
}

// The converted map's tiles, cells and figures into the scene.
void FillFromTiled(const TiledScene& t, SceneDesc& desc, const std::function<void(const std::string&)>& fail) {
  if (t.Width > uint32_t(kMaxSceneMapSide) || t.Height > uint32_t(kMaxSceneMapSide))
    fail("the map takes " + std::to_string(t.Width) + " x " + std::to_string(t.Height) +
         " cells of the diamond grid; a scene's map has at most " + std::to_string(kMaxSceneMapSide) + " a side");
  for (size_t k = 0; k < t.Tiles.size(); ++k) desc.Tiles.push_back({int32_t(k) + 1, t.Tiles[k]});
  SceneMapDesc m;
  m.Width = t.Width;
  m.Height = t.Height;
  m.Cells.reserve(t.Cells.size());
  for (uint32_t y = 0; y < t.Height; ++y)
    for (uint32_t x = 0; x < t.Width; ++x) {
      const TMapCell& c = t.Cells[size_t(y) * t.Width + x];
      m.Cells.push_back({int32_t(x), int32_t(y), c.Tile, c.Blocked == 0});
    }
  desc.Map = std::move(m);
  for (const TiledFigureDesc& f : t.Figures) desc.Figures.push_back(SceneFigure(f, desc.Figures));
}
#endif

}  // namespace

bool IsTiledMapFile(const std::string& path) {
  std::string name = std::filesystem::path(path).filename().string();
  for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
  if (name.size() > 3 && name.ends_with(".gz")) name.resize(name.size() - 3);
  return name.ends_with(".tmx") || name.ends_with(".tmj");
}

void ReadSceneTiledMap(const SceneNode& n, const std::string& baseDir, const std::optional<SceneNode>& view,
                       SceneDesc& desc) {
  n.Allow({"tiled"});
  const SceneNode file = n.Field("tiled");
  std::filesystem::path p(file.String());
  if (p.is_relative()) p = std::filesystem::path(baseDir) / p;
#ifdef VELSCENE_SCENE_TILED
  TiledScene t;
  try {
    t = LoadTiledScene(p.lexically_normal().string(), desc.View.Interval);
  } catch (const ETiledError& e) {
    file.Fail(e.what());
  }
  if (view && view->IsObject() && view->Has("cellWidth") && view->Field("cellWidth").Int(0, kMaxCellWidth) != t.CellWidth)
    view->Field("cellWidth").Fail("the Tiled map's tiles are " + std::to_string(t.CellWidth) +
                                  " pixels wide: the view's cell width is theirs");
  FillFromTiled(t, desc, [&](const std::string& problem) { file.Fail(problem); });
  desc.View.CellWidth = t.CellWidth;
  const bool colorGiven = view && view->IsObject() && view->Has("color");
  if (!colorGiven && t.BackgroundColor) desc.View.Color = TiledColor(*t.BackgroundColor);
#else
  (void)view;
  (void)desc;
  file.Fail("this build reads no Tiled maps (it was built without pugixml or libzstd)");
#endif
}

SceneDesc LoadTiledMapScene(const std::string& path) {
#ifdef VELSCENE_SCENE_TILED
  SceneDesc desc;
  desc.File = path;
  TiledScene t;
  try {
    t = LoadTiledScene(path, desc.View.Interval);
  } catch (const ETiledError& e) {
    throw ESceneError(e.File, e.Where, e.Problem);
  }
  FillFromTiled(t, desc, [&](const std::string& problem) { throw ESceneError(path, "", problem); });
  desc.View.CellWidth = t.CellWidth;
  if (t.BackgroundColor) desc.View.Color = TiledColor(*t.BackgroundColor);
  for (size_t i = 0; i < desc.Figures.size(); ++i) desc.Place.push_back(int32_t(i));
  // The camera follows the first figure; without figures an invisible one
  // stands at the map's centre for it to follow.
  if (desc.Figures.empty()) {
    SceneFigureDesc centre;
    centre.Name = "MapCentre";
    AddProp(centre.Props, "X", TPropValue(double(t.Width) / 2));
    AddProp(centre.Props, "Y", TPropValue(double(t.Height) / 2));
    AddProp(centre.Props, "Visible", TPropValue(false));
    AddProp(centre.Props, "Passable", TPropValue(true));
    desc.Figures.push_back(std::move(centre));
    desc.Place.push_back(0);
  }
  desc.Key = 0;
  return desc;
#else
  throw ESceneError(path, "", "this build reads no Tiled maps (it was built without pugixml or libzstd)");
#endif
}

}  // namespace vel
