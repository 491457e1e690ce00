// Converting a Tiled map: the checks on its orientation and tile size, the
// tile layers and the objects, and handing the result to a map and figures.
#include "velscene/tiled/tiled_scene.h"

#include <cmath>
#include <span>

#include "velscene/figure.h"
#include "velscene/tiled/internal/tiled_convert.h"
#include "velscene/tiled/tiled_reader.h"

namespace vel {

void TiledScene::TileToGrid(double column, double row, double& gx, double& gy) const {
  // A cell's centre in the editor's object coordinates, then as a point.
  const TiledGeometry geo = TiledGeometry::Of(*this);
  if (!Staggered) {
    PixelToGrid((column + 0.5) * TileHeight, (row + 0.5) * TileHeight, gx, gy);
    return;
  }
  int64_t c = int64_t(std::floor(column)), r = int64_t(std::floor(row)), ix, iy;
  geo.RawCell(c, r, ix, iy);
  gx = double(ix) - OffsetX + (column - double(c)), gy = double(iy) - OffsetY + (row - double(r));
}

void TiledScene::PixelToGrid(double px, double py, double& gx, double& gy) const {
  TiledGeometry::Of(*this).RawPixel(px, py, gx, gy);
  gx -= OffsetX, gy -= OffsetY;
}

void TiledScene::FillMap(TAniMap& map) const {
  map.SetWidth(Width);
  map.SetHeight(Height);
  for (uint32_t y = 0; y < Height; ++y)
    for (uint32_t x = 0; x < Width; ++x) {
      const TMapCell& c = Cells[size_t(y) * Width + x];
      map.SetGridTile(int32_t(x), int32_t(y), c.Tile);
      map.SetPassable(int32_t(x), int32_t(y), c.Blocked == 0);
    }
  for (int32_t t = 1; t <= kMaxMapTiles; ++t)
    map.SetTile(t, size_t(t) <= Tiles.size() ? Tiles[size_t(t) - 1].get() : nullptr);
}

void TiledScene::ApplyFigure(const TiledFigureDesc& desc, TAniFigure& figure) const {
  figure.Width = uint32_t(desc.Width);
  figure.Height = uint32_t(desc.Height);
  figure.CenterX = desc.CenterX;
  figure.CenterY = desc.CenterY;
  figure.Visible = desc.Visible;
  figure.SetX(desc.X);
  figure.SetY(desc.Y);
  for (size_t i = 0; i < desc.Frames.size(); ++i) figure.SetFrame(int32_t(i) + 1, desc.Frames[i].get());
  if (!desc.Script.empty()) {
    figure.SetScript(1, std::span<const int32_t>(desc.Script.data(), desc.Script.size()));
    figure.PlayScript(1, true);
  }
  for (const TiledFigureProp& p : desc.Props) SetPropValue(&figure, p.Info, p.Value);
}

TiledScene ConvertTiledMap(const TiledMap& map, uint32_t interval) {
  if (map.Orientation == "orthogonal" || map.Orientation == "hexagonal")
    FailAt(map.Place, (map.Orientation[0] == 'o' ? "an " : "a ") + map.Orientation + " map cannot be shown: the view draws isometric (diamond) maps, and staggered ones turned onto the diamond grid");
  if (map.Orientation != "isometric" && map.Orientation != "staggered")
    FailAt(map.Place, "unknown orientation \"" + map.Orientation + "\"");
  if (map.TileWidth % 2 != 0 || map.TileWidth < kMinTiledCellWidth || map.TileWidth > kMaxTiledCellWidth)
    FailAt(map.Place, "the tile width must be even and from " + std::to_string(kMinTiledCellWidth) + " to " +
                          std::to_string(kMaxTiledCellWidth) + ", found " + std::to_string(map.TileWidth));
  if (map.TileHeight * 2 != map.TileWidth)
    FailAt(map.Place, "the tile height must be half the tile width (" + std::to_string(map.TileWidth / 2) +
                          "), found " + std::to_string(map.TileHeight));
  TiledScene scene;
  scene.File = map.File;
  scene.CellWidth = map.TileWidth;
  scene.TileWidth = map.TileWidth;
  scene.TileHeight = map.TileHeight;
  scene.Staggered = map.Orientation == "staggered";
  scene.StaggerX = map.StaggerAxis == "x";
  scene.StaggerEven = map.StaggerIndex == "even";
  scene.BackgroundColor = map.BackgroundColor;
  scene.Properties = map.Properties;
  TiledTileSource tiles(map);
  ConvertTiledLayers(map, tiles, scene);
  ConvertTiledObjects(map, tiles, interval, scene);
  return scene;
}

TiledScene LoadTiledScene(const std::string& path, uint32_t interval) {
  return ConvertTiledMap(ReadTiledMap(path), interval);
}

}  // namespace vel
