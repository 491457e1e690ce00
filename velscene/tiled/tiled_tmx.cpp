// TMX maps and TSX tilesets (XML) into the model. Every element is read
// through XmlElem, which knows its path and line for messages; elements and
// attributes the format has but the model does not use are skipped, and so
// are unknown ones.
#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <map>

#include "velscene/platform/base/text.h"
#include "velscene/tiled/internal/tiled_data.h"
#include "velscene/tiled/internal/tiled_files.h"

namespace vel {

namespace {

struct XmlDoc {
  const std::string* Text;
  const std::string* File;
  std::string BaseDir;
};

class XmlElem {
 public:
  XmlElem(pugi::xml_node node, std::string path, const XmlDoc& doc) : node_(node), path_(std::move(path)), doc_(&doc) {}

  pugi::xml_node Node() const { return node_; }
  const XmlDoc& Doc() const { return *doc_; }
  TiledPlace Place() const {
    const ptrdiff_t offset = node_.offset_debug();
    std::string where = path_;
    if (offset >= 0) {
      const std::string pos = LineColumnAt(*doc_->Text, size_t(offset));
      where += " (" + pos.substr(0, pos.find(',')) + ")";
    }
    return TiledPlace{*doc_->File, where};
  }
  [[noreturn]] void Fail(const std::string& problem) const { FailAt(Place(), problem); }

  bool Has(const char* name) const { return bool(node_.attribute(name)); }
  std::string Str(const char* name, const std::string& fallback = "") const {
    const pugi::xml_attribute a = node_.attribute(name);
    return a ? a.value() : fallback;
  }
  int64_t Int(const char* name, int64_t lo, int64_t hi, int64_t fallback) const {
    const pugi::xml_attribute a = node_.attribute(name);
    if (!a) return fallback;
    const std::optional<int64_t> v = ParseTiledInt(a.value());
    if (!v) Fail(std::string("attribute ") + name + ": expected a whole number, found \"" + a.value() + "\"");
    if (*v < lo || *v > hi)
      Fail(std::string("attribute ") + name + ": out of range: must be from " + std::to_string(lo) + " to " +
           std::to_string(hi) + ", found " + std::to_string(*v));
    return *v;
  }
  int64_t Required(const char* name, int64_t lo, int64_t hi) const {
    if (!Has(name)) Fail(std::string("attribute ") + name + " is missing");
    return Int(name, lo, hi, 0);
  }
  double Num(const char* name, double fallback) const {
    const pugi::xml_attribute a = node_.attribute(name);
    if (!a) return fallback;
    const std::optional<double> v = ParseTiledDouble(a.value());
    if (!v || std::abs(*v) > double(kMaxTiledCoord))
      Fail(std::string("attribute ") + name + ": expected a number within +-" + std::to_string(kMaxTiledCoord) +
           ", found \"" + a.value() + "\"");
    return *v;
  }
  // "0"/"1" as the format writes flags (and "true"/"false").
  bool Flag(const char* name, bool fallback) const {
    const pugi::xml_attribute a = node_.attribute(name);
    if (!a) return fallback;
    const std::string v = a.value();
    if (v == "1" || v == "true") return true;
    if (v == "0" || v == "false") return false;
    Fail(std::string("attribute ") + name + ": expected 0 or 1, found \"" + v + "\"");
  }

  // The child elements in order, each with its path: name[k] counts among
  // siblings of the same name from 1.
  template <class F>
  void Children(F&& visit) const {
    std::map<std::string, int> seen;
    for (pugi::xml_node c = node_.first_child(); c; c = c.next_sibling()) {
      if (c.type() != pugi::node_element) continue;
      const int k = ++seen[c.name()];
      visit(XmlElem(c, path_ + "/" + c.name() + "[" + std::to_string(k) + "]", *doc_));
    }
  }
  std::optional<XmlElem> Child(const char* name) const {
    std::optional<XmlElem> found;
    Children([&](const XmlElem& c) {
      if (!found && std::string(c.Node().name()) == name) found = c;
    });
    return found;
  }

 private:
  pugi::xml_node node_;
  std::string path_;
  const XmlDoc* doc_;
};

// ---------------------------------------------------------------------------
// Properties
// ---------------------------------------------------------------------------
TiledProperties ReadProperties(const XmlElem& props);

TiledProperty ReadProperty(const XmlElem& e) {
  TiledProperty p;
  if (!e.Has("name")) e.Fail("attribute name is missing");
  p.Name = e.Str("name");
  p.Type = e.Str("type", "string");
  if (p.Type == "class") {
    if (auto members = e.Child("properties")) p.Members = ReadProperties(*members);
    return p;
  }
  // Multi-line strings are written as the element's text.
  p.Value = e.Has("value") ? e.Str("value") : std::string(e.Node().text().get());
  if (p.Type == "int" || p.Type == "object") {
    if (p.Type == "object" && p.Value.empty()) p.Value = "0";
    if (!ParseTiledInt(p.Value)) e.Fail("property \"" + p.Name + "\": expected a whole number, found \"" + p.Value + "\"");
  } else if (p.Type == "float") {
    if (!ParseTiledDouble(p.Value)) e.Fail("property \"" + p.Name + "\": expected a number, found \"" + p.Value + "\"");
  } else if (p.Type == "bool") {
    if (p.Value != "true" && p.Value != "false")
      e.Fail("property \"" + p.Name + "\": expected true or false, found \"" + p.Value + "\"");
  } else if (p.Type == "color") {
    if (!p.Value.empty() && !ParseTiledColor(p.Value))
      e.Fail("property \"" + p.Name + "\": expected a colour #AARRGGBB, found \"" + p.Value + "\"");
  } else if (p.Type != "string" && p.Type != "file") {
    e.Fail("property \"" + p.Name + "\": unknown type \"" + p.Type + "\"");
  }
  if (p.Type == "file" && !p.Value.empty()) p.Value = ResolveTiledPath(e.Doc().BaseDir, p.Value);
  return p;
}

TiledProperties ReadProperties(const XmlElem& props) {
  TiledProperties out;
  props.Children([&](const XmlElem& c) {
    if (std::string(c.Node().name()) == "property") out.push_back(ReadProperty(c));
  });
  return out;
}

void ReadPropertiesOf(const XmlElem& e, TiledProperties& out) {
  if (auto p = e.Child("properties")) out = ReadProperties(*p);
}

// ---------------------------------------------------------------------------
// Tilesets
// ---------------------------------------------------------------------------
void ReadImage(const XmlElem& img, std::string& path, int32_t& w, int32_t& h, std::optional<uint32_t>* trans) {
  if (!img.Has("source") || img.Str("source").empty())
    img.Fail("an image needs a source file (embedded image data is not read)");
  path = ResolveTiledPath(img.Doc().BaseDir, img.Str("source"));
  w = int32_t(img.Int("width", 0, 1 << 16, 0));
  h = int32_t(img.Int("height", 0, 1 << 16, 0));
  if (trans && img.Has("trans")) {
    const std::optional<uint32_t> c = ParseTiledColor(img.Str("trans"));
    if (!c || img.Str("trans").size() > 7) img.Fail("attribute trans: expected a colour RRGGBB, found \"" + img.Str("trans") + "\"");
    *trans = *c & 0xFFFFFFu;
  }
}

TiledTile ReadTile(const XmlElem& e) {
  TiledTile t;
  t.Place = e.Place();
  t.Id = uint32_t(e.Required("id", 0, kTiledGidMask));
  e.Children([&](const XmlElem& c) {
    const std::string name = c.Node().name();
    if (name == "properties") {
      t.Properties = ReadProperties(c);
    } else if (name == "image") {
      ReadImage(c, t.Image, t.ImageWidth, t.ImageHeight, nullptr);
    } else if (name == "animation") {
      c.Children([&](const XmlElem& f) {
        if (std::string(f.Node().name()) != "frame") return;
        t.Animation.push_back({uint32_t(f.Required("tileid", 0, kTiledGidMask)),
                               uint32_t(f.Required("duration", 0, 86'400'000))});
      });
    }
  });
  return t;
}

TiledTileset ReadTilesetElement(const XmlElem& e) {
  TiledTileset ts;
  ts.Place = e.Place();
  ts.Name = e.Str("name");
  ts.TileWidth = int32_t(e.Required("tilewidth", 1, kMaxTiledTileSide));
  ts.TileHeight = int32_t(e.Required("tileheight", 1, kMaxTiledTileSide));
  ts.Spacing = int32_t(e.Int("spacing", 0, kMaxTiledTileSide, 0));
  ts.Margin = int32_t(e.Int("margin", 0, kMaxTiledTileSide, 0));
  ts.TileCount = int32_t(e.Int("tilecount", 0, kTiledGidMask, 0));
  ts.Columns = int32_t(e.Int("columns", 0, kTiledGidMask, 0));
  ts.ObjectAlignment = e.Str("objectalignment", "unspecified");
  e.Children([&](const XmlElem& c) {
    const std::string name = c.Node().name();
    if (name == "image") {
      ReadImage(c, ts.Image, ts.ImageWidth, ts.ImageHeight, &ts.Trans);
    } else if (name == "tileoffset") {
      ts.OffsetX = int32_t(c.Int("x", -kMaxTiledCoord, kMaxTiledCoord, 0));
      ts.OffsetY = int32_t(c.Int("y", -kMaxTiledCoord, kMaxTiledCoord, 0));
    } else if (name == "properties") {
      ts.Properties = ReadProperties(c);
    } else if (name == "tile") {
      TiledTile t = ReadTile(c);
      for (const TiledTile& other : ts.Tiles)
        if (other.Id == t.Id) c.Fail("tile " + std::to_string(t.Id) + " is defined twice");
      ts.Tiles.push_back(std::move(t));
    }
  });
  std::sort(ts.Tiles.begin(), ts.Tiles.end(), [](const TiledTile& a, const TiledTile& b) { return a.Id < b.Id; });
  return ts;
}

void ParseXml(pugi::xml_document& doc, const std::string& text, const std::string& file) {
  const pugi::xml_parse_result r = doc.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
  if (!r) throw ETiledError(file, LineColumnAt(text, size_t(r.offset)), std::string("invalid XML: ") + r.description());
}

// ---------------------------------------------------------------------------
// Layers
// ---------------------------------------------------------------------------
std::vector<uint32_t> ReadGids(const XmlElem& holder, const std::string& encoding,
                               const std::string& compression, int64_t count) {
  if (encoding.empty()) {
    // The old form: one <tile gid=".."/> per cell.
    std::vector<uint32_t> ids;
    holder.Children([&](const XmlElem& t) {
      if (std::string(t.Node().name()) != "tile") return;
      if (int64_t(ids.size()) == count) t.Fail("more <tile> elements than the layer's " + std::to_string(count) + " cells");
      ids.push_back(uint32_t(t.Int("gid", 0, UINT32_MAX, 0)));
    });
    if (int64_t(ids.size()) != count)
      holder.Fail("the layer needs " + std::to_string(count) + " <tile> elements, found " + std::to_string(ids.size()));
    return ids;
  }
  std::string problem;
  std::optional<std::vector<uint32_t>> ids =
      DecodeTiledData(holder.Node().text().get(), encoding, compression, size_t(count), problem);
  if (!ids) holder.Fail(problem);
  return std::move(*ids);
}

TiledLayer ReadLayer(const XmlElem& e, const TiledMap& map);

void ReadCommonLayer(const XmlElem& e, TiledLayer& l) {
  l.Place = e.Place();
  l.Id = int32_t(e.Int("id", 0, INT32_MAX, 0));
  l.Name = e.Str("name");
  l.Visible = e.Flag("visible", true);
  l.Opacity = e.Num("opacity", 1.0);
  if (l.Opacity < 0 || l.Opacity > 1) e.Fail("attribute opacity: must be from 0 to 1");
  l.OffsetX = e.Num("offsetx", 0);
  l.OffsetY = e.Num("offsety", 0);
  ReadPropertiesOf(e, l.Properties);
}

void ReadTileLayer(const XmlElem& e, const TiledMap& map, TiledLayer& l) {
  const std::optional<XmlElem> data = e.Child("data");
  if (!data) return;  // a layer without data is empty
  const std::string encoding = data->Str("encoding"), compression = data->Str("compression");
  if (map.Infinite) {
    data->Children([&](const XmlElem& c) {
      if (std::string(c.Node().name()) != "chunk") return;
      TiledChunk chunk;
      chunk.X = int32_t(c.Required("x", -kMaxTiledCoord, kMaxTiledCoord));
      chunk.Y = int32_t(c.Required("y", -kMaxTiledCoord, kMaxTiledCoord));
      chunk.Width = int32_t(c.Required("width", 1, kMaxTiledMapSide));
      chunk.Height = int32_t(c.Required("height", 1, kMaxTiledMapSide));
      chunk.Gids = ReadGids(c, encoding, compression, int64_t(chunk.Width) * chunk.Height);
      l.Chunks.push_back(std::move(chunk));
    });
    return;
  }
  TiledChunk whole;
  whole.Width = int32_t(e.Int("width", 1, kMaxTiledMapSide, map.Width));
  whole.Height = int32_t(e.Int("height", 1, kMaxTiledMapSide, map.Height));
  whole.Gids = ReadGids(*data, encoding, compression, int64_t(whole.Width) * whole.Height);
  l.Chunks.push_back(std::move(whole));
}

std::vector<std::pair<double, double>> ReadPoints(const XmlElem& e) {
  std::vector<std::pair<double, double>> points;
  const std::string s = e.Str("points");
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && s[i] == ' ') ++i;
    if (i == s.size()) break;
    const size_t end = std::min(s.find(' ', i), s.size());
    const std::string pair = s.substr(i, end - i);
    const size_t comma = pair.find(',');
    const std::optional<double> x = comma == std::string::npos ? std::nullopt : ParseTiledDouble(pair.substr(0, comma));
    const std::optional<double> y = comma == std::string::npos ? std::nullopt : ParseTiledDouble(pair.substr(comma + 1));
    if (!x || !y) e.Fail("attribute points: expected \"x,y x,y ...\", found \"" + pair + "\"");
    points.emplace_back(*x, *y);
    i = end;
  }
  return points;
}

TiledObject ReadObject(const XmlElem& e) {
  TiledObject o;
  o.Place = e.Place();
  o.Id = uint32_t(e.Int("id", 0, UINT32_MAX, 0));
  o.Name = e.Str("name");
  o.Type = e.Has("class") ? e.Str("class") : e.Str("type");
  o.X = e.Num("x", 0);
  o.Y = e.Num("y", 0);
  o.Width = e.Num("width", 0);
  o.Height = e.Num("height", 0);
  o.Rotation = e.Num("rotation", 0);
  o.Visible = e.Flag("visible", true);
  if (e.Has("gid")) {
    o.Gid = uint32_t(e.Int("gid", 0, UINT32_MAX, 0));
    o.Shape = TiledObjectShape::Tile;
  }
  e.Children([&](const XmlElem& c) {
    const std::string name = c.Node().name();
    if (name == "properties") o.Properties = ReadProperties(c);
    else if (name == "ellipse") o.Shape = TiledObjectShape::Ellipse;
    else if (name == "point") o.Shape = TiledObjectShape::Point;
    else if (name == "polygon" || name == "polyline") {
      o.Shape = name == "polygon" ? TiledObjectShape::Polygon : TiledObjectShape::Polyline;
      o.Points = ReadPoints(c);
    } else if (name == "text") {
      o.Shape = TiledObjectShape::Text;
      o.Text = c.Node().text().get();
    }
  });
  return o;
}

TiledLayer ReadLayer(const XmlElem& e, const TiledMap& map) {
  TiledLayer l;
  ReadCommonLayer(e, l);
  const std::string name = e.Node().name();
  if (name == "layer") {
    l.Kind = TiledLayerKind::Tiles;
    ReadTileLayer(e, map, l);
  } else if (name == "objectgroup") {
    l.Kind = TiledLayerKind::Objects;
    const std::string order = e.Str("draworder", "topdown");
    if (order != "topdown" && order != "index") e.Fail("attribute draworder: expected topdown or index, found \"" + order + "\"");
    l.IndexOrder = order == "index";
    e.Children([&](const XmlElem& c) {
      if (std::string(c.Node().name()) == "object") l.Objects.push_back(ReadObject(c));
    });
  } else if (name == "imagelayer") {
    l.Kind = TiledLayerKind::Image;
    if (auto img = e.Child("image"); img && img->Has("source"))
      l.Image = ResolveTiledPath(e.Doc().BaseDir, img->Str("source"));
  } else {
    l.Kind = TiledLayerKind::Group;
    e.Children([&](const XmlElem& c) {
      const std::string n = c.Node().name();
      if (n == "layer" || n == "objectgroup" || n == "imagelayer" || n == "group") l.Layers.push_back(ReadLayer(c, map));
    });
  }
  return l;
}

}  // namespace

TiledTileset ReadTsx(const std::string& text, const std::string& file, const std::string& baseDir) {
  pugi::xml_document doc;
  ParseXml(doc, text, file);
  const XmlDoc d{&text, &file, baseDir};
  const pugi::xml_node root = doc.document_element();
  const XmlElem top(root, std::string("/") + root.name(), d);
  if (std::string(root.name()) != "tileset") top.Fail("expected a <tileset> element");
  if (top.Has("source")) top.Fail("a tileset file cannot name another tileset file");
  TiledTileset ts = ReadTilesetElement(top);
  ts.Source = file;
  return ts;
}

TiledMap ReadTmx(const std::string& text, const std::string& file, const std::string& baseDir) {
  pugi::xml_document doc;
  ParseXml(doc, text, file);
  const XmlDoc d{&text, &file, baseDir};
  const pugi::xml_node root = doc.document_element();
  const XmlElem top(root, std::string("/") + root.name(), d);
  if (std::string(root.name()) != "map") top.Fail("expected a <map> element");
  TiledMap map;
  map.File = file;
  map.Place = top.Place();
  if (!top.Has("orientation")) top.Fail("attribute orientation is missing");
  map.Orientation = top.Str("orientation");
  map.StaggerAxis = top.Str("staggeraxis", "y");
  map.StaggerIndex = top.Str("staggerindex", "odd");
  if (map.StaggerAxis != "x" && map.StaggerAxis != "y") top.Fail("attribute staggeraxis: expected x or y, found \"" + map.StaggerAxis + "\"");
  if (map.StaggerIndex != "odd" && map.StaggerIndex != "even")
    top.Fail("attribute staggerindex: expected odd or even, found \"" + map.StaggerIndex + "\"");
  map.Infinite = top.Flag("infinite", false);
  map.Width = int32_t(top.Required("width", map.Infinite ? 0 : 1, kMaxTiledMapSide));
  map.Height = int32_t(top.Required("height", map.Infinite ? 0 : 1, kMaxTiledMapSide));
  map.TileWidth = int32_t(top.Required("tilewidth", 1, kMaxTiledTileSide));
  map.TileHeight = int32_t(top.Required("tileheight", 1, kMaxTiledTileSide));
  if (top.Has("backgroundcolor")) {
    map.BackgroundColor = ParseTiledColor(top.Str("backgroundcolor"));
    if (!map.BackgroundColor) top.Fail("attribute backgroundcolor: expected a colour, found \"" + top.Str("backgroundcolor") + "\"");
  }
  top.Children([&](const XmlElem& c) {
    const std::string name = c.Node().name();
    if (name == "properties") {
      map.Properties = ReadProperties(c);
    } else if (name == "tileset") {
      const uint32_t firstGid = uint32_t(c.Required("firstgid", 1, kTiledGidMask));
      TiledTileset ts;
      if (c.Has("source")) ts = LoadExternalTileset(ResolveTiledPath(baseDir, c.Str("source")), c.Place());
      else ts = ReadTilesetElement(c);
      ts.FirstGid = firstGid;
      map.Tilesets.push_back(std::move(ts));
    } else if (name == "layer" || name == "objectgroup" || name == "imagelayer" || name == "group") {
      map.Layers.push_back(ReadLayer(c, map));
    }
  });
  return map;
}

}  // namespace vel
