// The tile source: a global id's tileset and tile, its pixels cut from the
// atlas or taken from its own image with the id's flips, the first frame of
// an animated tile and the tile's passable property.
#include <algorithm>

#include "velscene/platform/graphics/image_error.h"
#include "velscene/tiled/internal/tiled_convert.h"

namespace vel {

bool TiledFlag(const TiledProperties& props, const char* name, bool value) {
  const TiledProperty* p = FindTiledProperty(props, name);
  return p && p->Type == "bool" && p->Value == (value ? "true" : "false");
}

TiledTileSource::Found TiledTileSource::Find(uint32_t gid, const TiledPlace& where) {
  const uint32_t id = gid & kTiledGidMask;
  const TiledTileset* set = nullptr;
  for (const TiledTileset& ts : map_.Tilesets)
    if (ts.FirstGid <= id) set = &ts;
  if (!set) FailAt(where, "tile id " + std::to_string(id) + " belongs to no tileset");
  Found f{set, id - set->FirstGid, set->FindTile(id - set->FirstGid)};
  const std::string which = "tile id " + std::to_string(id) + " (tile " + std::to_string(f.Local) + " of tileset \"" +
                            set->Name + "\")";
  if (set->Image.empty()) {
    if (!f.Tile || f.Tile->Image.empty()) FailAt(where, which + " has no image");
    return f;
  }
  const TiledPixels& atlas = File(set->Image, set->Trans, set->Place);
  const int64_t stepX = int64_t(set->TileWidth) + set->Spacing, stepY = int64_t(set->TileHeight) + set->Spacing;
  const int64_t columns = std::max<int64_t>(0, (atlas.Width - 2 * int64_t(set->Margin) + set->Spacing) / stepX);
  const int64_t rows = std::max<int64_t>(0, (atlas.Height - 2 * int64_t(set->Margin) + set->Spacing) / stepY);
  if (int64_t(f.Local) >= columns * rows)
    FailAt(where, which + " lies outside the tileset's image (" + std::to_string(columns * rows) + " tiles)");
  return f;
}

const TiledPixels& TiledTileSource::File(const std::string& path, std::optional<uint32_t> trans,
                                         const TiledPlace& where) {
  const auto key = std::make_pair(path, trans ? *trans : 0xFFFFFFFFu);
  if (auto it = files_.find(key); it != files_.end()) return it->second;
  try {
    return files_.emplace(key, LoadTiledPixels(path, trans)).first->second;
  } catch (const EImageError& e) {
    FailAt(where, std::string("cannot load image: ") + e.what());
  }
}

const TiledPixels& TiledTileSource::Pixels(uint32_t gidWithFlips, const TiledPlace& where) {
  const uint32_t key = gidWithFlips & (kTiledGidMask | kTiledFlipH | kTiledFlipV | kTiledFlipD);
  if (auto it = tiles_.find(key); it != tiles_.end()) return it->second;
  const Found f = Find(key, where);
  TiledPixels px;
  if (f.Set->Image.empty()) {
    px = File(f.Tile->Image, f.Set->Trans, f.Tile->Place);
  } else {
    const TiledPixels& atlas = File(f.Set->Image, f.Set->Trans, f.Set->Place);
    const int64_t stepX = int64_t(f.Set->TileWidth) + f.Set->Spacing, stepY = int64_t(f.Set->TileHeight) + f.Set->Spacing;
    const int64_t columns = (atlas.Width - 2 * int64_t(f.Set->Margin) + f.Set->Spacing) / stepX;
    px = CutPixels(atlas, int32_t(f.Set->Margin + (f.Local % columns) * stepX),
                   int32_t(f.Set->Margin + (f.Local / columns) * stepY), f.Set->TileWidth, f.Set->TileHeight);
  }
  pixels_ += int64_t(px.Width) * px.Height;
  if (pixels_ > kMaxTiledTilePixels)
    FailAt(where, "the tiles used take more than " + std::to_string(kMaxTiledTilePixels >> 20) + " million pixels");
  px = FlipPixels(px, (key & kTiledFlipH) != 0, (key & kTiledFlipV) != 0, (key & kTiledFlipD) != 0);
  return tiles_.emplace(key, std::move(px)).first->second;
}

uint32_t TiledTileSource::FirstFrame(uint32_t gidWithFlips, const TiledPlace& where) {
  const Found f = Find(gidWithFlips, where);
  if (!f.Tile || f.Tile->Animation.empty()) return gidWithFlips;
  const uint32_t first = f.Set->FirstGid + f.Tile->Animation.front().TileId;
  return (gidWithFlips & ~kTiledGidMask) | (first & kTiledGidMask);
}

bool TiledTileSource::Blocks(uint32_t gid, const TiledPlace& where) {
  const Found f = Find(gid, where);
  return f.Tile && TiledFlag(f.Tile->Properties, "passable", false);
}

}  // namespace vel
