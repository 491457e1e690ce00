// Object layers: tile objects become figure descriptions (frames with the
// object's flips and size, the anchor the editor aligns the tile by, a
// looping script for an animated tile, published properties from custom
// ones checked as scene files check them); other objects are kept.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>

#include "velscene/figure.h"
#include "velscene/platform/base/text.h"
#include "velscene/platform/typinfo/host_typinfo.h"
#include "velscene/platform/typinfo/prop_json.h"
#include "velscene/tiled/internal/tiled_convert.h"

namespace vel {

namespace {

constexpr size_t kMaxFigureFrames = 255;
constexpr size_t kMaxScriptLength = 64;

// The pixel of a w x h image that the editor puts on the object's position.
void Anchor(const std::string& alignment, bool isometric, int32_t w, int32_t h, int32_t& ax, int32_t& ay) {
  std::string a = alignment;
  if (a == "unspecified" || a.empty()) a = isometric ? "bottom" : "bottomleft";
  ax = a.find("left") != std::string::npos ? 0 : a.find("right") != std::string::npos ? w : w / 2;
  ay = a.rfind("top", 0) == 0 ? 0 : a.rfind("bottom", 0) == 0 ? h : h / 2;
}

// A custom property as the JSON a scene file would give for it.
std::optional<nlohmann::json> PropertyJson(const TiledProperty& p) {
  if (p.Type == "bool") return nlohmann::json(p.Value == "true");
  if (p.Type == "int" || p.Type == "object") return nlohmann::json(*ParseTiledInt(p.Value));
  if (p.Type == "float") return nlohmann::json(*ParseTiledDouble(p.Value));
  if (p.Type == "color") {
    const uint32_t c = ParseTiledColor(p.Value).value_or(0);
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%06X", unsigned(c & 0xFFFFFFu));
    return nlohmann::json(std::string(hex));
  }
  if (p.Type == "string" || p.Type == "file") return nlohmann::json(p.Value);
  return std::nullopt;
}

std::vector<TiledFigureProp> FigureProps(const TiledObject& o) {
  RegisterAniFigureClass();
  const TClassInfo* cls = FindClassInfo("TAniFigure");
  TAniFigure scratch(nullptr);
  std::vector<TiledFigureProp> props;
  for (const TiledProperty& p : o.Properties) {
    const TPropInfo* info = FindPropInfo(cls, p.Name);
    if (!info) continue;  // not a figure property: kept for the application
    auto fail = [&](const std::string& problem) { FailAt(o.Place, "property \"" + p.Name + "\": " + problem); };
    if (SameText(info->Name, "Name")) fail("the figure's name is the object's name");
    if (SameText(info->Name, "X") || SameText(info->Name, "Y")) fail("the figure's position is the object's");
    if (info->Kind == tkMethod || info->Kind == tkClass) fail("\"" + info->Name + "\" cannot be set from a map");
    const std::optional<nlohmann::json> j = PropertyJson(p);
    if (!j) fail("a " + p.Type + " property cannot set \"" + info->Name + "\"");
    std::string problem;
    const auto found = [&](const nlohmann::json&) { return "found a " + p.Type + " property"; };
    const std::optional<TPropValue> value = PropValueFromJson(*info, *j, found, problem);
    if (!value) fail(problem);
    if (!SetPropValue(&scratch, info, *value)) fail("value not accepted for \"" + info->Name + "\"");
    props.push_back({info, *value});
  }
  return props;
}

// Frames and script of a tile object; its size when the object has one.
void FigureFrames(const TiledObject& o, TiledTileSource& tiles, uint32_t interval, TiledFigureDesc& f) {
  const uint32_t flips = o.Gid & (kTiledFlipH | kTiledFlipV | kTiledFlipD);
  const TiledTileSource::Found found = tiles.Find(o.Gid, o.Place);
  std::vector<uint32_t> ids;  // frame gids, frame number k at ids[k - 1]
  if (found.Tile && !found.Tile->Animation.empty()) {
    uint64_t positions = 0;
    for (const TiledFrame& fr : found.Tile->Animation) {
      const uint32_t gid = found.Set->FirstGid + fr.TileId;
      auto it = std::find(ids.begin(), ids.end(), gid);
      if (it == ids.end()) {
        if (ids.size() == kMaxFigureFrames) FailAt(found.Tile->Place, "an animation shows at most 255 different tiles");
        ids.push_back(gid);
        it = ids.end() - 1;
      }
      // Each frame shows for its duration: that many ticks, at least one.
      const uint64_t ticks = std::max<uint64_t>(1, (uint64_t(fr.Duration) + interval / 2) / interval);
      positions += ticks;
      if (positions > kMaxScriptLength)
        FailAt(found.Tile->Place, "the animation lasts " + std::to_string(positions) + " or more ticks at the view's interval of " +
                                      std::to_string(interval) + " ms; a figure's script holds " +
                                      std::to_string(kMaxScriptLength));
      f.Script.insert(f.Script.end(), size_t(ticks), int32_t(it - ids.begin()) + 1);
    }
  } else {
    ids.push_back(o.Gid & kTiledGidMask);
  }
  const TiledPixels& first = tiles.Pixels(ids.front() | flips, o.Place);
  // The editor draws the tile at the object's size.
  const int32_t w = o.Width > 0 ? std::max(1, int32_t(std::lround(std::min(o.Width, double(kMaxTiledImageSide))))) : first.Width;
  const int32_t h = o.Height > 0 ? std::max(1, int32_t(std::lround(std::min(o.Height, double(kMaxTiledImageSide))))) : first.Height;
  if (int64_t(w) * h * int64_t(ids.size()) > kMaxTiledFramePixels)
    FailAt(o.Place, "the figure's frames would take more than " + std::to_string(kMaxTiledFramePixels >> 20) +
                        " million pixels");
  for (uint32_t id : ids) {
    const TiledPixels& px = tiles.Pixels(id | flips, o.Place);
    // A diagonal flip swaps the sides; the object's size is of the tile as drawn unflipped.
    const bool swap = (flips & kTiledFlipD) != 0;
    f.Frames.push_back(PixelsToBitmap(ScalePixels(px, swap ? h : w, swap ? w : h)));
  }
  f.Width = f.Frames.front()->Width();
  f.Height = f.Frames.front()->Height();
}

void AddObjects(const TiledLayer& layer, bool visible, double offX, double offY, TiledTileSource& tiles,
                uint32_t interval, const TiledGeometry& geo, TiledScene& scene) {
  for (const TiledObject& o : layer.Objects) {
    double gx, gy;
    geo.RawPixel(o.X, o.Y, gx, gy);
    gx -= scene.OffsetX, gy -= scene.OffsetY;
    if (o.Shape != TiledObjectShape::Tile || (o.Gid & kTiledGidMask) == 0) {
      scene.Objects.push_back({o, layer.Name, float(gx), float(gy)});
      continue;
    }
    TiledFigureDesc f;
    f.Name = o.Name;
    f.Id = o.Id;
    f.Type = o.Type;
    f.X = float(gx), f.Y = float(gy);
    f.Visible = visible && o.Visible;
    f.Properties = o.Properties;
    f.Place = o.Place;
    FigureFrames(o, tiles, interval, f);
    const TiledTileSource::Found found = tiles.Find(o.Gid, o.Place);
    int32_t ax, ay;
    // The anchor is taken on the tile as drawn unflipped, at the object's size.
    const bool swap = (o.Gid & kTiledFlipD) != 0;
    Anchor(found.Set->ObjectAlignment, !geo.Staggered, swap ? f.Height : f.Width, swap ? f.Width : f.Height, ax, ay);
    f.CenterX = ax - found.Set->OffsetX - int32_t(std::lround(offX));
    f.CenterY = ay - found.Set->OffsetY - int32_t(std::lround(offY));
    if (swap) f.CenterY += f.Height - f.Width;  // sides swapped with the bottom-left corner kept
    f.Props = FigureProps(o);
    scene.Figures.push_back(std::move(f));
  }
}

void WalkLayers(const std::vector<TiledLayer>& layers, bool visible, double offX, double offY, TiledTileSource& tiles,
                uint32_t interval, const TiledGeometry& geo, TiledScene& scene) {
  for (const TiledLayer& l : layers) {
    const bool v = visible && l.Visible;
    if (l.Kind == TiledLayerKind::Objects) AddObjects(l, v, offX + l.OffsetX, offY + l.OffsetY, tiles, interval, geo, scene);
    if (l.Kind == TiledLayerKind::Group) WalkLayers(l.Layers, v, offX + l.OffsetX, offY + l.OffsetY, tiles, interval, geo, scene);
  }
}

}  // namespace

void ConvertTiledObjects(const TiledMap& map, TiledTileSource& tiles, uint32_t interval, TiledScene& scene) {
  WalkLayers(map.Layers, true, 0, 0, tiles, interval == 0 ? 1 : interval, TiledGeometry::Of(scene), scene);
}

}  // namespace vel
