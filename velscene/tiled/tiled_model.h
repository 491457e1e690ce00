// The Tiled map model: a map, its tilesets (embedded or from their own
// files) and its layers and objects as the file gives them, checked for
// type and range but not yet converted. Paths are resolved against the file
// that names them; every part remembers where it came from for messages.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vel {

// Where a part of the model was read: the file and the element or JSON path.
struct TiledPlace {
  std::string File;
  std::string Where;
};

// A custom property. Value holds the text form: "true"/"false" for bool,
// decimal numbers for int, float and object, "#AARRGGBB" for color; a class
// property keeps its members instead.
struct TiledProperty {
  std::string Name;
  std::string Type = "string";  // string, int, float, bool, color, file, object, class
  std::string Value;
  std::vector<TiledProperty> Members;
};
using TiledProperties = std::vector<TiledProperty>;

// The property of that name (exact), or nullptr.
const TiledProperty* FindTiledProperty(const TiledProperties& props, const std::string& name);

// Global tile ids carry three flip bits; 0x10000000 (hexagonal rotation) is
// masked like the rest of the high nibble.
constexpr uint32_t kTiledFlipH = 0x80000000u;
constexpr uint32_t kTiledFlipV = 0x40000000u;
constexpr uint32_t kTiledFlipD = 0x20000000u;
constexpr uint32_t kTiledGidMask = 0x0FFFFFFFu;

struct TiledFrame {
  uint32_t TileId = 0;
  uint32_t Duration = 0;  // milliseconds
};

// One tile's own data: its image in an image collection, its properties
// and its animation. Atlas tiles without such data have no entry.
struct TiledTile {
  uint32_t Id = 0;
  std::string Image;  // resolved path; empty in an atlas
  int32_t ImageWidth = 0, ImageHeight = 0;  // as the file states them; 0 = not stated
  TiledProperties Properties;
  std::vector<TiledFrame> Animation;
  TiledPlace Place;
};

struct TiledTileset {
  uint32_t FirstGid = 1;
  std::string Source;  // resolved path of an external tileset; empty when embedded
  std::string Name;
  int32_t TileWidth = 0, TileHeight = 0;
  int32_t Spacing = 0, Margin = 0;
  int32_t TileCount = 0, Columns = 0;  // as stated; the atlas image decides
  int32_t OffsetX = 0, OffsetY = 0;    // tileoffset
  std::string ObjectAlignment = "unspecified";
  std::string Image;  // resolved path of the atlas; empty for an image collection
  int32_t ImageWidth = 0, ImageHeight = 0;
  std::optional<uint32_t> Trans;  // 0xRRGGBB drawn transparent
  std::vector<TiledTile> Tiles;   // sorted by id
  TiledProperties Properties;
  TiledPlace Place;  // the tileset element (in its own file when external)

  const TiledTile* FindTile(uint32_t id) const;
};

// A rectangle of global tile ids, row by row: a finite layer's whole grid or
// one chunk of an infinite map.
struct TiledChunk {
  int32_t X = 0, Y = 0, Width = 0, Height = 0;
  std::vector<uint32_t> Gids;
};

enum class TiledObjectShape { Rectangle, Ellipse, Point, Polygon, Polyline, Text, Tile };

struct TiledObject {
  uint32_t Id = 0;
  std::string Name;
  std::string Type;  // the object's type or class
  TiledObjectShape Shape = TiledObjectShape::Rectangle;
  double X = 0, Y = 0, Width = 0, Height = 0, Rotation = 0;
  uint32_t Gid = 0;  // tile objects, with their flip bits
  bool Visible = true;
  std::vector<std::pair<double, double>> Points;  // polygon and polyline, relative to X, Y
  std::string Text;
  TiledProperties Properties;
  TiledPlace Place;
};

enum class TiledLayerKind { Tiles, Objects, Image, Group };

struct TiledLayer {
  TiledLayerKind Kind = TiledLayerKind::Tiles;
  int32_t Id = 0;
  std::string Name;
  bool Visible = true;
  double Opacity = 1.0;
  double OffsetX = 0, OffsetY = 0;
  TiledProperties Properties;
  TiledPlace Place;
  // Tile layers: one chunk covering the map, or an infinite map's chunks.
  std::vector<TiledChunk> Chunks;
  // Object layers.
  bool IndexOrder = false;  // draworder="index"; topdown otherwise
  std::vector<TiledObject> Objects;
  // Image layers keep their image; they are not drawn.
  std::string Image;
  // Group layers.
  std::vector<TiledLayer> Layers;
};

struct TiledMap {
  std::string File;
  std::string Orientation;  // orthogonal, isometric, staggered, hexagonal
  std::string StaggerAxis = "y", StaggerIndex = "odd";
  int32_t Width = 0, Height = 0;
  int32_t TileWidth = 0, TileHeight = 0;
  bool Infinite = false;
  std::optional<uint32_t> BackgroundColor;  // 0xAARRGGBB
  TiledProperties Properties;
  std::vector<TiledTileset> Tilesets;  // by ascending firstgid
  std::vector<TiledLayer> Layers;      // bottom first
  TiledPlace Place;
};

}  // namespace vel
