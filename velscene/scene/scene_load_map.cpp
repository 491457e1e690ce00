// The "map" section: size up to 4096 x 4096 cells; the cells as rows of
// characters through a legend, as rectangles and as single cells, the last
// two as objects or as short lists of numbers.
#include <string>

#include "velscene/scene/internal/scene_load_parts.h"

namespace vel {

namespace {

constexpr int64_t kCoordLimit = 1'000'000;  // rectangle corners may reach past the map

// {"x1", "y1", "x2", "y2", "tile", "passable"} or [x1, y1, x2, y2, tile(, passable)].
SceneRangeDesc ReadRange(const SceneNode& r) {
  SceneRangeDesc s;
  auto corner = [](const SceneNode& v) { return int32_t(v.Int(-kCoordLimit, kCoordLimit)); };
  if (r.IsArray()) {
    if (r.Size() != 5 && r.Size() != 6) r.Fail("expected [x1, y1, x2, y2, tile] or [x1, y1, x2, y2, tile, passable]");
    s.X1 = corner(r.At(0));
    s.Y1 = corner(r.At(1));
    s.X2 = corner(r.At(2));
    s.Y2 = corner(r.At(3));
    s.Tile = uint8_t(r.At(4).Int(0, 255));
    if (r.Size() == 6) s.Passable = r.At(5).Bool();
    return s;
  }
  r.Allow({"x1", "y1", "x2", "y2", "tile", "passable"});
  s.X1 = corner(r.Field("x1"));
  s.Y1 = corner(r.Field("y1"));
  s.X2 = corner(r.Field("x2"));
  s.Y2 = corner(r.Field("y2"));
  s.Tile = uint8_t(r.Field("tile").Int(0, 255));
  if (auto p = r.Optional("passable")) s.Passable = p->Bool();
  return s;
}

// {"x", "y", "tile", "passable"} (tile, flag or both) or [x, y, tile(, passable)].
SceneCellDesc ReadCell(const SceneNode& c, const SceneMapDesc& m) {
  SceneCellDesc s;
  if (c.IsArray()) {
    if (c.Size() != 3 && c.Size() != 4) c.Fail("expected [x, y, tile] or [x, y, tile, passable]");
    s.X = int32_t(c.At(0).Int(0, m.Width - 1));
    s.Y = int32_t(c.At(1).Int(0, m.Height - 1));
    s.Tile = uint8_t(c.At(2).Int(0, 255));
    if (c.Size() == 4) s.Passable = c.At(3).Bool();
    return s;
  }
  c.Allow({"x", "y", "tile", "passable"});
  s.X = int32_t(c.Field("x").Int(0, m.Width - 1));
  s.Y = int32_t(c.Field("y").Int(0, m.Height - 1));
  if (auto t = c.Optional("tile")) s.Tile = uint8_t(t->Int(0, 255));
  if (auto p = c.Optional("passable")) s.Passable = p->Bool();
  if (!s.Tile && !s.Passable) c.Fail("a cell needs \"tile\" or \"passable\"");
  return s;
}

// "legend": {"c": tile or {"tile", "passable"}, ...}, one character a key.
void ReadLegend(const SceneNode& legend, SceneMapDesc& m) {
  legend.ExpectObject();
  for (auto it = legend.Value().begin(); it != legend.Value().end(); ++it) {
    const SceneNode entry(*it, legend.Path() + "." + it.key(), legend.File());
    if (it.key().size() != 1) entry.Fail("a legend key is one character (one byte)");
    SceneLegendDesc& d = m.Legend[uint8_t(it.key()[0])];
    if (entry.IsObject()) {
      entry.Allow({"tile", "passable"});
      d.Tile = uint8_t(entry.Field("tile").Int(0, 255));
      if (auto p = entry.Optional("passable")) d.Passable = p->Bool();
    } else {
      d.Tile = uint8_t(entry.Int(0, 255));
    }
    d.Defined = true;
  }
}

// "rows": one string per map row, one legend character per cell.
void ReadRows(const SceneNode& rows, SceneMapDesc& m) {
  if (rows.Size() != m.Height)
    rows.Fail("expected " + std::to_string(m.Height) + " rows (the map's height), found " + std::to_string(rows.Size()));
  m.Rows.reserve(m.Height);
  for (size_t y = 0; y < m.Height; ++y) {
    const SceneNode r = rows.At(y);
    std::string s = r.String();
    if (s.size() != m.Width)
      r.Fail("expected " + std::to_string(m.Width) + " characters (the map's width), found " + std::to_string(s.size()));
    for (size_t x = 0; x < s.size(); ++x)
      if (!m.Legend[uint8_t(s[x])].Defined)
        r.Fail("character '" + std::string(1, s[x]) + "' at column " + std::to_string(x) + " is not in the legend");
    m.Rows.push_back(std::move(s));
  }
}

}  // namespace

SceneMapDesc ReadSceneMap(const SceneNode& n) {
  n.Allow({"width", "height", "legend", "rows", "ranges", "cells"});
  SceneMapDesc m;
  m.Width = uint32_t(n.Field("width").Int(1, kSceneMapMaxSide));
  m.Height = uint32_t(n.Field("height").Int(1, kSceneMapMaxSide));
  if (n.Has("rows") || n.Has("legend")) {
    ReadLegend(n.Field("legend"), m);
    ReadRows(n.Field("rows"), m);
  }
  if (auto ranges = n.Optional("ranges"))
    for (size_t i = 0; i < ranges->Size(); ++i) m.Ranges.push_back(ReadRange(ranges->At(i)));
  if (auto cells = n.Optional("cells"))
    for (size_t i = 0; i < cells->Size(); ++i) m.Cells.push_back(ReadCell(cells->At(i), m));
  return m;
}

}  // namespace vel
