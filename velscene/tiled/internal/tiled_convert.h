// Internal to the Tiled converter: the editor's grid geometry onto the
// diamond grid, the tile source (which tileset and pixels a global id
// names), and the two halves of a conversion (cells and tile images,
// figures and objects).
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "velscene/tiled/internal/tiled_files.h"
#include "velscene/tiled/internal/tiled_image.h"
#include "velscene/tiled/tiled_model.h"
#include "velscene/tiled/tiled_scene.h"

namespace vel {

// Largest converted grid side and tile image side.
constexpr int64_t kMaxTiledGridSide = 4096;
constexpr int32_t kMaxTiledImageSide = 4096;
// Pixels the tiles of one conversion, and the frames of one figure, may take.
constexpr int64_t kMaxTiledTilePixels = int64_t(64) << 20;
constexpr int64_t kMaxTiledFramePixels = int64_t(16) << 20;
// The tile widths the view can take as its cell width (even ones only).
constexpr int32_t kMinTiledCellWidth = 8;
constexpr int32_t kMaxTiledCellWidth = 1024;

// The editor's cell centres in half tiles (u across, v down) and from there
// the diamond grid: gx = (u + v - K) / 2, gy = (v - u - K) / 2, K making
// the sums even for staggered maps whose even rows or columns are shifted.
struct TiledGeometry {
  bool Staggered = false, StaggerX = false, StaggerEven = false;
  int32_t TileWidth = 0, TileHeight = 0;

  static TiledGeometry Of(const TiledScene& s) {
    return {s.Staggered, s.StaggerX, s.StaggerEven, s.TileWidth, s.TileHeight};
  }
  int64_t K() const { return Staggered && StaggerEven ? 1 : 0; }
  bool Shifted(int64_t index) const { return ((index & 1) != 0) != StaggerEven; }
  void RawCell(int64_t c, int64_t r, int64_t& gx, int64_t& gy) const {
    int64_t u = c - r, v = c + r;
    if (Staggered && !StaggerX) u = 2 * c + (Shifted(r) ? 1 : 0), v = r;
    if (Staggered && StaggerX) u = c, v = 2 * r + (Shifted(c) ? 1 : 0);
    gx = (u + v - K()) / 2;
    gy = (v - u - K()) / 2;
  }
  void RawPixel(double px, double py, double& gx, double& gy) const {
    double u, v;
    if (Staggered) {
      u = 2 * px / TileWidth - 1;
      v = 2 * py / TileHeight - 1;
    } else {
      u = (px - py) / TileHeight;
      v = (px + py) / TileHeight - 1;
    }
    gx = (u + v - double(K())) / 2;
    gy = (v - u - double(K())) / 2;
  }
};

// Which tileset a global id belongs to, and its pixels with the id's flips
// (each file and each flipped tile made once).
class TiledTileSource {
 public:
  explicit TiledTileSource(const TiledMap& map) : map_(map) {}

  struct Found {
    const TiledTileset* Set = nullptr;
    uint32_t Local = 0;
    const TiledTile* Tile = nullptr;  // the tile's own data, if any
  };
  // Fails at `where` when no tileset or no tile has that id.
  Found Find(uint32_t gid, const TiledPlace& where);
  const TiledPixels& Pixels(uint32_t gidWithFlips, const TiledPlace& where);
  // The id an animated tile shows first (flip bits kept); others unchanged.
  uint32_t FirstFrame(uint32_t gidWithFlips, const TiledPlace& where);
  // The tile's bool property passable is false.
  bool Blocks(uint32_t gid, const TiledPlace& where);

 private:
  const TiledPixels& File(const std::string& path, std::optional<uint32_t> trans, const TiledPlace& where);
  const TiledMap& map_;
  std::map<std::pair<std::string, uint32_t>, TiledPixels> files_;
  std::map<uint32_t, TiledPixels> tiles_;
  int64_t pixels_ = 0;  // held in tiles_
};

// Cells and tile images of the tile layers; sets the scene's size, offsets,
// cells and tiles.
void ConvertTiledLayers(const TiledMap& map, TiledTileSource& tiles, TiledScene& scene);
// Figures from tile objects and the other objects; needs the offsets.
void ConvertTiledObjects(const TiledMap& map, TiledTileSource& tiles, uint32_t interval, TiledScene& scene);

// A bool property that is true (`value` true) or false.
bool TiledFlag(const TiledProperties& props, const char* name, bool value);

}  // namespace vel
