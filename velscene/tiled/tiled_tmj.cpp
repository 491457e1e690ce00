// TMJ maps and TSJ tilesets (JSON) into the model. Every value is read
// through JsonNode, which knows its JSON path for messages; keys the model
// does not use are skipped, and so are unknown ones.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>

#include "velscene/platform/base/text.h"
#include "velscene/tiled/internal/tiled_data.h"
#include "velscene/tiled/internal/tiled_files.h"

namespace vel {

namespace {

using Json = nlohmann::json;

struct JsonDoc {
  const std::string* File;
  std::string BaseDir;
};

std::string Describe(const Json& v) {
  switch (v.type()) {
    case Json::value_t::null: return "null";
    case Json::value_t::object: return "an object";
    case Json::value_t::array: return "a list";
    case Json::value_t::string: return "a string";
    case Json::value_t::boolean: return "true or false";
    default: return "a number";
  }
}

class JsonNode {
 public:
  JsonNode(const Json& v, std::string path, const JsonDoc& doc) : v_(&v), path_(std::move(path)), doc_(&doc) {}

  const Json& Value() const { return *v_; }
  const JsonDoc& Doc() const { return *doc_; }
  TiledPlace Place() const { return TiledPlace{*doc_->File, path_}; }
  [[noreturn]] void Fail(const std::string& problem) const { FailAt(Place(), problem); }

  void ExpectObject() const {
    if (!v_->is_object()) Fail("expected an object, found " + Describe(*v_));
  }
  bool Has(const char* key) const { return v_->is_object() && v_->contains(key); }
  std::optional<JsonNode> Opt(const char* key) const {
    if (!Has(key)) return std::nullopt;
    return JsonNode((*v_)[key], path_.empty() ? key : path_ + "." + key, *doc_);
  }
  JsonNode Field(const char* key) const {
    if (!Has(key)) Fail(std::string("\"") + key + "\" is missing");
    return *Opt(key);
  }
  size_t Size() const {
    if (!v_->is_array()) Fail("expected a list, found " + Describe(*v_));
    return v_->size();
  }
  JsonNode At(size_t i) const { return JsonNode((*v_)[i], path_ + "[" + std::to_string(i) + "]", *doc_); }

  int64_t Int(int64_t lo, int64_t hi) const {
    int64_t v = 0;
    if (v_->is_number_unsigned() && v_->get<uint64_t>() > uint64_t(INT64_MAX)) v = INT64_MAX;
    else if (v_->is_number_integer()) v = v_->get<int64_t>();
    else if (v_->is_number_float() && std::isfinite(v_->get<double>()) && v_->get<double>() == std::trunc(v_->get<double>()) &&
             std::fabs(v_->get<double>()) < 9e15)
      v = int64_t(v_->get<double>());
    else Fail("expected a whole number, found " + Describe(*v_));
    if (v < lo || v > hi)
      Fail("out of range: must be from " + std::to_string(lo) + " to " + std::to_string(hi) + ", found " + std::to_string(v));
    return v;
  }
  double Num() const {
    if (!v_->is_number()) Fail("expected a number, found " + Describe(*v_));
    const double d = v_->get<double>();
    if (!std::isfinite(d) || std::fabs(d) > double(kMaxTiledCoord))
      Fail("expected a number within +-" + std::to_string(kMaxTiledCoord));
    return d;
  }
  bool Bool() const {
    if (!v_->is_boolean()) Fail("expected true or false, found " + Describe(*v_));
    return v_->get<bool>();
  }
  std::string Str() const {
    if (!v_->is_string()) Fail("expected a string, found " + Describe(*v_));
    return v_->get<std::string>();
  }

  int64_t IntOr(const char* key, int64_t lo, int64_t hi, int64_t fallback) const {
    auto n = Opt(key);
    return n ? n->Int(lo, hi) : fallback;
  }
  double NumOr(const char* key, double fallback) const {
    auto n = Opt(key);
    return n ? n->Num() : fallback;
  }
  bool BoolOr(const char* key, bool fallback) const {
    auto n = Opt(key);
    return n ? n->Bool() : fallback;
  }
  std::string StrOr(const char* key, const std::string& fallback) const {
    auto n = Opt(key);
    return n ? n->Str() : fallback;
  }

 private:
  const Json* v_;
  std::string path_;
  const JsonDoc* doc_;
};

Json ParseJson(const std::string& text, const std::string& file) {
  try {
    return Json::parse(text);
  } catch (const Json::parse_error& e) {
    std::string why = e.what();
    if (size_t colon = why.find(": "); colon != std::string::npos) why = why.substr(colon + 2);
    throw ETiledError(file, LineColumnAt(text, e.byte > 0 ? e.byte - 1 : 0), "invalid JSON: " + why);
  } catch (const Json::exception& e) {
    throw ETiledError(file, "", std::string("invalid JSON: ") + e.what());
  }
}

// ---------------------------------------------------------------------------
// Properties: the list form [{name, type, value}], and the old object form
// {name: value} whose types come from the JSON values.
// ---------------------------------------------------------------------------
TiledProperty ReadProperty(const JsonNode& n) {
  n.ExpectObject();
  TiledProperty p;
  p.Name = n.Field("name").Str();
  p.Type = n.StrOr("type", "string");
  const std::optional<JsonNode> v = n.Opt("value");
  if (p.Type == "class") {
    if (v && v->Value().is_object())
      for (auto it = v->Value().begin(); it != v->Value().end(); ++it) {
        TiledProperty m;
        m.Name = it.key();
        const JsonNode mv(it.value(), v->Place().Where + "." + it.key(), n.Doc());
        if (it->is_boolean()) m = TiledProperty{it.key(), "bool", mv.Bool() ? "true" : "false", {}};
        else if (it->is_number_integer()) m = TiledProperty{it.key(), "int", std::to_string(mv.Int(INT64_MIN, INT64_MAX)), {}};
        else if (it->is_number()) m = TiledProperty{it.key(), "float", it->dump(), {}};
        else if (it->is_string()) m = TiledProperty{it.key(), "string", mv.Str(), {}};
        else continue;
        p.Members.push_back(std::move(m));
      }
    return p;
  }
  if (!v) n.Fail("\"value\" is missing");
  if (p.Type == "int" || p.Type == "object") {
    p.Value = std::to_string(v->Int(INT64_MIN / 2, INT64_MAX / 2));
  } else if (p.Type == "float") {
    v->Num();
    p.Value = v->Value().dump();
  } else if (p.Type == "bool") {
    p.Value = v->Bool() ? "true" : "false";
  } else if (p.Type == "color") {
    p.Value = v->Str();
    if (!p.Value.empty() && !ParseTiledColor(p.Value)) v->Fail("expected a colour #AARRGGBB, found \"" + p.Value + "\"");
  } else if (p.Type == "string" || p.Type == "file") {
    p.Value = v->Str();
    if (p.Type == "file" && !p.Value.empty()) p.Value = ResolveTiledPath(n.Doc().BaseDir, p.Value);
  } else {
    n.Field("type").Fail("unknown property type \"" + p.Type + "\"");
  }
  return p;
}

TiledProperties ReadProperties(const std::optional<JsonNode>& n) {
  TiledProperties out;
  if (!n) return out;
  if (n->Value().is_object()) {
    for (auto it = n->Value().begin(); it != n->Value().end(); ++it) {
      const JsonNode v(it.value(), n->Place().Where + "." + it.key(), n->Doc());
      if (it->is_boolean()) out.push_back({it.key(), "bool", v.Bool() ? "true" : "false", {}});
      else if (it->is_number_integer()) out.push_back({it.key(), "int", std::to_string(v.Int(INT64_MIN / 2, INT64_MAX / 2)), {}});
      else if (it->is_number()) out.push_back({it.key(), "float", (v.Num(), it->dump()), {}});
      else out.push_back({it.key(), "string", v.Str(), {}});
    }
    return out;
  }
  for (size_t i = 0; i < n->Size(); ++i) out.push_back(ReadProperty(n->At(i)));
  return out;
}

// ---------------------------------------------------------------------------
// Tilesets
// ---------------------------------------------------------------------------
TiledTile ReadTile(const JsonNode& n) {
  n.ExpectObject();
  TiledTile t;
  t.Place = n.Place();
  t.Id = uint32_t(n.Field("id").Int(0, kTiledGidMask));
  if (auto img = n.Opt("image")) {
    if (img->Str().empty()) img->Fail("an image needs a file name");
    t.Image = ResolveTiledPath(n.Doc().BaseDir, img->Str());
  }
  t.ImageWidth = int32_t(n.IntOr("imagewidth", 0, 1 << 16, 0));
  t.ImageHeight = int32_t(n.IntOr("imageheight", 0, 1 << 16, 0));
  t.Properties = ReadProperties(n.Opt("properties"));
  if (auto anim = n.Opt("animation"))
    for (size_t i = 0; i < anim->Size(); ++i) {
      const JsonNode f = anim->At(i);
      f.ExpectObject();
      t.Animation.push_back({uint32_t(f.Field("tileid").Int(0, kTiledGidMask)), uint32_t(f.Field("duration").Int(0, 86'400'000))});
    }
  return t;
}

TiledTileset ReadTilesetObject(const JsonNode& n) {
  n.ExpectObject();
  TiledTileset ts;
  ts.Place = n.Place();
  ts.Name = n.StrOr("name", "");
  ts.TileWidth = int32_t(n.Field("tilewidth").Int(1, kMaxTiledTileSide));
  ts.TileHeight = int32_t(n.Field("tileheight").Int(1, kMaxTiledTileSide));
  ts.Spacing = int32_t(n.IntOr("spacing", 0, kMaxTiledTileSide, 0));
  ts.Margin = int32_t(n.IntOr("margin", 0, kMaxTiledTileSide, 0));
  ts.TileCount = int32_t(n.IntOr("tilecount", 0, kTiledGidMask, 0));
  ts.Columns = int32_t(n.IntOr("columns", 0, kTiledGidMask, 0));
  ts.ObjectAlignment = n.StrOr("objectalignment", "unspecified");
  if (auto img = n.Opt("image")) {
    if (img->Str().empty()) img->Fail("an image needs a file name");
    ts.Image = ResolveTiledPath(n.Doc().BaseDir, img->Str());
  }
  ts.ImageWidth = int32_t(n.IntOr("imagewidth", 0, 1 << 16, 0));
  ts.ImageHeight = int32_t(n.IntOr("imageheight", 0, 1 << 16, 0));
  if (auto trans = n.Opt("transparentcolor")) {
    const std::optional<uint32_t> c = ParseTiledColor(trans->Str());
    if (!c || trans->Str().size() > 7) trans->Fail("expected a colour #RRGGBB, found \"" + trans->Str() + "\"");
    ts.Trans = *c & 0xFFFFFFu;
  }
  if (auto off = n.Opt("tileoffset")) {
    off->ExpectObject();
    ts.OffsetX = int32_t(off->IntOr("x", -kMaxTiledCoord, kMaxTiledCoord, 0));
    ts.OffsetY = int32_t(off->IntOr("y", -kMaxTiledCoord, kMaxTiledCoord, 0));
  }
  ts.Properties = ReadProperties(n.Opt("properties"));
  if (auto tiles = n.Opt("tiles")) {
    auto add = [&](TiledTile t, const JsonNode& at) {
      for (const TiledTile& other : ts.Tiles)
        if (other.Id == t.Id) at.Fail("tile " + std::to_string(t.Id) + " is defined twice");
      ts.Tiles.push_back(std::move(t));
    };
    if (tiles->Value().is_object()) {
      // The old form: an object keyed by tile id.
      for (auto it = tiles->Value().begin(); it != tiles->Value().end(); ++it) {
        const JsonNode t(it.value(), tiles->Place().Where + "." + it.key(), n.Doc());
        Json withId = it.value();
        const std::optional<int64_t> id = ParseTiledInt(it.key());
        if (!withId.is_object() || !id || *id < 0 || *id > int64_t(kTiledGidMask)) t.Fail("expected a tile id as the key and an object");
        withId["id"] = *id;
        add(ReadTile(JsonNode(withId, t.Place().Where, n.Doc())), t);
      }
    } else {
      for (size_t i = 0; i < tiles->Size(); ++i) add(ReadTile(tiles->At(i)), tiles->At(i));
    }
  }
  std::sort(ts.Tiles.begin(), ts.Tiles.end(), [](const TiledTile& a, const TiledTile& b) { return a.Id < b.Id; });
  return ts;
}

// ---------------------------------------------------------------------------
// Layers
// ---------------------------------------------------------------------------
std::vector<uint32_t> ReadGids(const JsonNode& data, const std::string& encoding, const std::string& compression,
                               int64_t count) {
  if (data.Value().is_array()) {
    if (int64_t(data.Size()) != count)
      data.Fail("the layer needs " + std::to_string(count) + " tile ids, found " + std::to_string(data.Size()));
    std::vector<uint32_t> ids(static_cast<size_t>(count), 0u);
    for (size_t i = 0; i < ids.size(); ++i) ids[i] = uint32_t(data.At(i).Int(0, UINT32_MAX));
    return ids;
  }
  std::string problem;
  std::optional<std::vector<uint32_t>> ids =
      DecodeTiledData(data.Str(), encoding.empty() ? "csv" : encoding, compression, size_t(count), problem);
  if (!ids) data.Fail(problem);
  return std::move(*ids);
}

TiledLayer ReadLayer(const JsonNode& n, const TiledMap& map);

std::vector<std::pair<double, double>> ReadPoints(const JsonNode& list) {
  std::vector<std::pair<double, double>> points;
  for (size_t i = 0; i < list.Size(); ++i) {
    const JsonNode p = list.At(i);
    p.ExpectObject();
    points.emplace_back(p.Field("x").Num(), p.Field("y").Num());
  }
  return points;
}

TiledObject ReadObject(const JsonNode& n) {
  n.ExpectObject();
  TiledObject o;
  o.Place = n.Place();
  o.Id = uint32_t(n.IntOr("id", 0, UINT32_MAX, 0));
  o.Name = n.StrOr("name", "");
  o.Type = n.Has("class") ? n.Field("class").Str() : n.StrOr("type", "");
  o.X = n.NumOr("x", 0);
  o.Y = n.NumOr("y", 0);
  o.Width = n.NumOr("width", 0);
  o.Height = n.NumOr("height", 0);
  o.Rotation = n.NumOr("rotation", 0);
  o.Visible = n.BoolOr("visible", true);
  o.Properties = ReadProperties(n.Opt("properties"));
  if (n.Has("gid")) {
    o.Gid = uint32_t(n.Field("gid").Int(0, UINT32_MAX));
    o.Shape = TiledObjectShape::Tile;
  } else if (n.BoolOr("ellipse", false)) {
    o.Shape = TiledObjectShape::Ellipse;
  } else if (n.BoolOr("point", false)) {
    o.Shape = TiledObjectShape::Point;
  } else if (auto poly = n.Opt("polygon")) {
    o.Shape = TiledObjectShape::Polygon;
    o.Points = ReadPoints(*poly);
  } else if (auto line = n.Opt("polyline")) {
    o.Shape = TiledObjectShape::Polyline;
    o.Points = ReadPoints(*line);
  } else if (auto text = n.Opt("text")) {
    text->ExpectObject();
    o.Shape = TiledObjectShape::Text;
    o.Text = text->StrOr("text", "");
  }
  return o;
}

TiledLayer ReadLayer(const JsonNode& n, const TiledMap& map) {
  n.ExpectObject();
  TiledLayer l;
  l.Place = n.Place();
  l.Id = int32_t(n.IntOr("id", 0, INT32_MAX, 0));
  l.Name = n.StrOr("name", "");
  l.Visible = n.BoolOr("visible", true);
  l.Opacity = n.NumOr("opacity", 1.0);
  if (l.Opacity < 0 || l.Opacity > 1) n.Field("opacity").Fail("must be from 0 to 1");
  l.OffsetX = n.NumOr("offsetx", 0);
  l.OffsetY = n.NumOr("offsety", 0);
  l.Properties = ReadProperties(n.Opt("properties"));
  const std::string type = n.Field("type").Str();
  if (type == "tilelayer") {
    l.Kind = TiledLayerKind::Tiles;
    const std::string encoding = n.StrOr("encoding", ""), compression = n.StrOr("compression", "");
    if (map.Infinite) {
      if (auto chunks = n.Opt("chunks"))
        for (size_t i = 0; i < chunks->Size(); ++i) {
          const JsonNode c = chunks->At(i);
          c.ExpectObject();
          TiledChunk chunk;
          chunk.X = int32_t(c.Field("x").Int(-kMaxTiledCoord, kMaxTiledCoord));
          chunk.Y = int32_t(c.Field("y").Int(-kMaxTiledCoord, kMaxTiledCoord));
          chunk.Width = int32_t(c.Field("width").Int(1, kMaxTiledMapSide));
          chunk.Height = int32_t(c.Field("height").Int(1, kMaxTiledMapSide));
          chunk.Gids = ReadGids(c.Field("data"), encoding, compression, int64_t(chunk.Width) * chunk.Height);
          l.Chunks.push_back(std::move(chunk));
        }
    } else if (auto data = n.Opt("data")) {
      TiledChunk whole;
      whole.Width = int32_t(n.IntOr("width", 1, kMaxTiledMapSide, map.Width));
      whole.Height = int32_t(n.IntOr("height", 1, kMaxTiledMapSide, map.Height));
      whole.Gids = ReadGids(*data, encoding, compression, int64_t(whole.Width) * whole.Height);
      l.Chunks.push_back(std::move(whole));
    }
  } else if (type == "objectgroup") {
    l.Kind = TiledLayerKind::Objects;
    const std::string order = n.StrOr("draworder", "topdown");
    if (order != "topdown" && order != "index") n.Field("draworder").Fail("expected topdown or index, found \"" + order + "\"");
    l.IndexOrder = order == "index";
    if (auto objects = n.Opt("objects"))
      for (size_t i = 0; i < objects->Size(); ++i) l.Objects.push_back(ReadObject(objects->At(i)));
  } else if (type == "imagelayer") {
    l.Kind = TiledLayerKind::Image;
    if (auto img = n.Opt("image"); img && !img->Str().empty()) l.Image = ResolveTiledPath(n.Doc().BaseDir, img->Str());
  } else if (type == "group") {
    l.Kind = TiledLayerKind::Group;
    if (auto layers = n.Opt("layers"))
      for (size_t i = 0; i < layers->Size(); ++i) l.Layers.push_back(ReadLayer(layers->At(i), map));
  } else {
    n.Field("type").Fail("unknown layer type \"" + type + "\"");
  }
  return l;
}

}  // namespace

TiledTileset ReadTsj(const std::string& text, const std::string& file, const std::string& baseDir) {
  const Json root = ParseJson(text, file);
  const JsonDoc d{&file, baseDir};
  const JsonNode top(root, "", d);
  top.ExpectObject();
  if (top.Has("source")) top.Fail("a tileset file cannot name another tileset file");
  TiledTileset ts = ReadTilesetObject(top);
  ts.Source = file;
  return ts;
}

TiledMap ReadTmj(const std::string& text, const std::string& file, const std::string& baseDir) {
  const Json root = ParseJson(text, file);
  const JsonDoc d{&file, baseDir};
  const JsonNode top(root, "", d);
  top.ExpectObject();
  TiledMap map;
  map.File = file;
  map.Place = top.Place();
  map.Orientation = top.Field("orientation").Str();
  map.StaggerAxis = top.StrOr("staggeraxis", "y");
  map.StaggerIndex = top.StrOr("staggerindex", "odd");
  if (map.StaggerAxis != "x" && map.StaggerAxis != "y")
    top.Field("staggeraxis").Fail("expected x or y, found \"" + map.StaggerAxis + "\"");
  if (map.StaggerIndex != "odd" && map.StaggerIndex != "even")
    top.Field("staggerindex").Fail("expected odd or even, found \"" + map.StaggerIndex + "\"");
  map.Infinite = top.BoolOr("infinite", false);
  map.Width = int32_t(top.Field("width").Int(map.Infinite ? 0 : 1, kMaxTiledMapSide));
  map.Height = int32_t(top.Field("height").Int(map.Infinite ? 0 : 1, kMaxTiledMapSide));
  map.TileWidth = int32_t(top.Field("tilewidth").Int(1, kMaxTiledTileSide));
  map.TileHeight = int32_t(top.Field("tileheight").Int(1, kMaxTiledTileSide));
  if (auto bg = top.Opt("backgroundcolor")) {
    map.BackgroundColor = ParseTiledColor(bg->Str());
    if (!map.BackgroundColor) bg->Fail("expected a colour, found \"" + bg->Str() + "\"");
  }
  map.Properties = ReadProperties(top.Opt("properties"));
  if (auto sets = top.Opt("tilesets"))
    for (size_t i = 0; i < sets->Size(); ++i) {
      const JsonNode s = sets->At(i);
      s.ExpectObject();
      const uint32_t firstGid = uint32_t(s.Field("firstgid").Int(1, kTiledGidMask));
      TiledTileset ts;
      if (auto src = s.Opt("source")) ts = LoadExternalTileset(ResolveTiledPath(baseDir, src->Str()), src->Place());
      else ts = ReadTilesetObject(s);
      ts.FirstGid = firstGid;
      map.Tilesets.push_back(std::move(ts));
    }
  if (auto layers = top.Opt("layers"))
    for (size_t i = 0; i < layers->Size(); ++i) map.Layers.push_back(ReadLayer(layers->At(i), map));
  return map;
}

}  // namespace vel
