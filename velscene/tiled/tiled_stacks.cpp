// Tile layers into the view's cells: the editor's cells onto the diamond
// grid, each cell's visible tiles (bottom layer first, with flips, offsets
// and opacity) interned as a stack, equal stacks sharing one tile number in
// order of first appearance, blocked cells, and one composited image per
// stack standing on its cell like the editor draws the tiles.
#include <algorithm>
#include <climits>
#include <cmath>
#include <unordered_map>

#include "velscene/tiled/internal/tiled_convert.h"

namespace vel {

namespace {

// One tile of a stack: what is drawn and where, relative to the bottom-left
// corner of the cell's diamond box.
struct StackItem {
  uint32_t Gid = 0;  // with flip bits; the first frame of an animated tile
  int32_t X = 0, Y = 0;
  uint32_t Opacity = 255;
  bool operator==(const StackItem&) const = default;
};

struct StackNode {
  uint32_t Parent = 0;  // 0 = the empty stack
  StackItem Item;
};

struct NodeKey {
  uint32_t Parent;
  StackItem Item;
  bool operator==(const NodeKey&) const = default;
};

struct NodeKeyHash {
  size_t operator()(const NodeKey& k) const {
    uint64_t h = k.Parent;
    for (uint64_t v : {uint64_t(k.Item.Gid), uint64_t(uint32_t(k.Item.X)), uint64_t(uint32_t(k.Item.Y)),
                       uint64_t(k.Item.Opacity)})
      h = (h ^ v) * 0x100000001B3ull;
    return size_t(h);
  }
};

// Stacks as a tree of prefixes: a cell holds the id of its stack so far.
class StackTable {
 public:
  StackTable() : nodes_(1) {}
  uint32_t Push(uint32_t stack, const StackItem& item) {
    const NodeKey key{stack, item};
    if (auto it = index_.find(key); it != index_.end()) return it->second;
    nodes_.push_back({stack, item});
    const uint32_t id = uint32_t(nodes_.size() - 1);
    index_.emplace(key, id);
    return id;
  }
  std::vector<StackItem> Items(uint32_t stack) const {
    std::vector<StackItem> items;
    for (; stack != 0; stack = nodes_[stack].Parent) items.push_back(nodes_[stack].Item);
    std::reverse(items.begin(), items.end());
    return items;
  }

 private:
  std::vector<StackNode> nodes_;
  std::unordered_map<NodeKey, uint32_t, NodeKeyHash> index_;
};

// The editor's cells: the map, or the bounding box of an infinite map's chunks.
struct EditorBox {
  int64_t X0 = 0, Y0 = 0, W = 0, H = 0;
};

void ForEachTileLayer(const std::vector<TiledLayer>& layers, auto&& visit) {
  for (const TiledLayer& l : layers) {
    if (l.Kind == TiledLayerKind::Tiles) visit(l);
    if (l.Kind == TiledLayerKind::Group) ForEachTileLayer(l.Layers, visit);
  }
}

EditorBox BoxOf(const TiledMap& map) {
  if (!map.Infinite) return {0, 0, map.Width, map.Height};
  int64_t x0 = INT64_MAX, y0 = INT64_MAX, x1 = INT64_MIN, y1 = INT64_MIN;
  ForEachTileLayer(map.Layers, [&](const TiledLayer& l) {
    for (const TiledChunk& c : l.Chunks) {
      x0 = std::min<int64_t>(x0, c.X), y0 = std::min<int64_t>(y0, c.Y);
      x1 = std::max<int64_t>(x1, int64_t(c.X) + c.Width), y1 = std::max<int64_t>(y1, int64_t(c.Y) + c.Height);
    }
  });
  if (x0 == INT64_MAX) FailAt(map.Place, "the infinite map has no chunks, so it has no size");
  if (x1 - x0 > kMaxTiledMapSide || y1 - y0 > kMaxTiledMapSide)
    FailAt(map.Place, "the chunks span " + std::to_string(x1 - x0) + " x " + std::to_string(y1 - y0) +
                          " cells; at most " + std::to_string(kMaxTiledMapSide) + " a side");
  return {x0, y0, x1 - x0, y1 - y0};
}

// The layer state inherited through groups.
struct Inherited {
  bool Visible = true;
  double Opacity = 1.0;
  double OffsetX = 0, OffsetY = 0;
};

struct Conversion {
  Conversion(const TiledMap& map, TiledTileSource& tiles, const TiledGeometry& geo, const EditorBox& box)
      : Map(map), Tiles(tiles), Geo(geo), Box(box) {}
  const TiledMap& Map;
  TiledTileSource& Tiles;
  TiledGeometry Geo;
  EditorBox Box;
  int64_t MinGx = 0, MinGy = 0, RawW = 0, RawH = 0;
  std::vector<uint32_t> Stack;    // per raw cell: its stack id
  std::vector<uint8_t> State;     // per raw cell: 0 outside the map, 1 inside, 2 blocked
  StackTable Stacks;

  size_t RawIndex(int64_t c, int64_t r) const {
    int64_t gx, gy;
    Geo.RawCell(c, r, gx, gy);
    return size_t(gy - MinGy) * size_t(RawW) + size_t(gx - MinGx);
  }
};

void AddLayer(Conversion& cv, const TiledLayer& l, const Inherited& in) {
  const bool collision = TiledFlag(l.Properties, "collision", true);
  if (!collision && !in.Visible) return;
  const int32_t ox = int32_t(std::lround(in.OffsetX)), oy = int32_t(std::lround(in.OffsetY));
  const uint32_t opacity = uint32_t(std::lround(std::clamp(in.Opacity, 0.0, 1.0) * 255));
  for (const TiledChunk& chunk : l.Chunks)
    for (int64_t y = 0; y < chunk.Height; ++y)
      for (int64_t x = 0; x < chunk.Width; ++x) {
        // The flip bits stay; the other high bits mean nothing here.
        const uint32_t gid = chunk.Gids[size_t(y * chunk.Width + x)] & (kTiledGidMask | kTiledFlipH | kTiledFlipV | kTiledFlipD);
        if ((gid & kTiledGidMask) == 0) continue;
        const int64_t c = chunk.X + x, r = chunk.Y + y;
        if (c < cv.Box.X0 || r < cv.Box.Y0 || c >= cv.Box.X0 + cv.Box.W || r >= cv.Box.Y0 + cv.Box.H) continue;
        const size_t i = cv.RawIndex(c, r);
        if (collision) {
          cv.Tiles.Find(gid, l.Place);
          cv.State[i] = 2;
          continue;
        }
        const TiledTileSource::Found f = cv.Tiles.Find(gid, l.Place);
        if (cv.Tiles.Blocks(gid, l.Place)) cv.State[i] = 2;
        StackItem item{cv.Tiles.FirstFrame(gid, l.Place), ox + f.Set->OffsetX, oy + f.Set->OffsetY, opacity};
        cv.Tiles.Pixels(item.Gid, l.Place);  // any image problem is the layer's
        cv.Stack[i] = cv.Stacks.Push(cv.Stack[i], item);
      }
}

void AddLayers(Conversion& cv, const std::vector<TiledLayer>& layers, const Inherited& outer) {
  for (const TiledLayer& l : layers) {
    const Inherited in{outer.Visible && l.Visible, outer.Opacity * l.Opacity, outer.OffsetX + l.OffsetX,
                       outer.OffsetY + l.OffsetY};
    if (l.Kind == TiledLayerKind::Tiles) AddLayer(cv, l, in);
    if (l.Kind == TiledLayerKind::Group) AddLayers(cv, l.Layers, in);
  }
}

// Where a stack's tiles lie, relative to the bottom-left corner of its
// cell's box: every tile's bottom-left corner on that corner plus its
// offset. A diagonal flip swaps a tile's sides about its centre line.
struct Placed {
  const TiledPixels* Px;
  int32_t X, Y;  // top-left
  uint32_t Opacity;
};

std::vector<Placed> Place(Conversion& cv, const std::vector<StackItem>& items) {
  std::vector<Placed> out;
  for (const StackItem& it : items) {
    const TiledPixels& px = cv.Tiles.Pixels(it.Gid, cv.Map.Place);
    int32_t x = it.X;
    if (it.Gid & kTiledFlipD) x += (px.Height - px.Width) / 2;  // sides swapped: keep the centre
    out.push_back({&px, x, it.Y - px.Height, it.Opacity});
  }
  return out;
}

}  // namespace

void ConvertTiledLayers(const TiledMap& map, TiledTileSource& tiles, TiledScene& scene) {
  Conversion cv(map, tiles, TiledGeometry::Of(scene), BoxOf(map));
  // The diamond grid the editor's cells fall on.
  int64_t maxGx = INT64_MIN, maxGy = INT64_MIN;
  cv.MinGx = cv.MinGy = INT64_MAX;
  for (int64_t r = cv.Box.Y0; r < cv.Box.Y0 + cv.Box.H; ++r)
    for (int64_t c = cv.Box.X0; c < cv.Box.X0 + cv.Box.W; ++c) {
      int64_t gx, gy;
      cv.Geo.RawCell(c, r, gx, gy);
      cv.MinGx = std::min(cv.MinGx, gx), cv.MinGy = std::min(cv.MinGy, gy);
      maxGx = std::max(maxGx, gx), maxGy = std::max(maxGy, gy);
    }
  cv.RawW = maxGx - cv.MinGx + 1;
  cv.RawH = maxGy - cv.MinGy + 1;
  if (cv.RawW > kMaxTiledGridSide || cv.RawH > kMaxTiledGridSide)
    FailAt(map.Place, "the map covers " + std::to_string(cv.RawW) + " x " + std::to_string(cv.RawH) +
                          " cells of the diamond grid; at most " + std::to_string(kMaxTiledGridSide) + " a side");
  cv.Stack.assign(size_t(cv.RawW * cv.RawH), 0);
  cv.State.assign(size_t(cv.RawW * cv.RawH), 0);
  for (int64_t r = cv.Box.Y0; r < cv.Box.Y0 + cv.Box.H; ++r)
    for (int64_t c = cv.Box.X0; c < cv.Box.X0 + cv.Box.W; ++c) cv.State[cv.RawIndex(c, r)] = 1;
  AddLayers(cv, map.Layers, Inherited{});

  // Tile numbers in order of first appearance, and each stack's extent.
  std::unordered_map<uint32_t, uint8_t> number;
  std::vector<uint32_t> distinct;
  for (size_t i = 0; i < cv.Stack.size(); ++i) {
    const uint32_t s = cv.Stack[i];
    if (s == 0 || number.count(s)) continue;
    distinct.push_back(s);
    number.emplace(s, uint8_t(std::min<size_t>(distinct.size(), 255)));
  }
  if (distinct.size() > size_t(kMaxMapTiles))
    FailAt(map.Place, "the map has " + std::to_string(distinct.size()) + " different stacks of tiles in its cells; the view holds " +
                          std::to_string(kMaxMapTiles) + " tile images");
  std::vector<std::vector<Placed>> placed;
  int64_t left = 0, below = 0;  // how far tiles reach left of and below their cell's box
  for (uint32_t s : distinct) {
    placed.push_back(Place(cv, cv.Stacks.Items(s)));
    for (const Placed& p : placed.back()) {
      left = std::max<int64_t>(left, -int64_t(p.X));
      below = std::max<int64_t>(below, int64_t(p.Y) + p.Px->Height);
    }
  }

  // The view stands a tile image on its cell's bottom-left corner and draws
  // nothing left of or below it. Tiles that reach there move to a cell
  // further down the grid, (dx, dy) cells on, whose corner lies left of and
  // below all they draw; the grid moves along, so everything stays in place.
  const int64_t halfW = scene.TileWidth / 2, halfH = scene.TileHeight / 2;
  // Fewest cells on first, then the most even split between the axes.
  const int64_t needLeft = (left + halfW - 1) / halfW, needDown = (below + halfH - 1) / halfH;
  int64_t sum = std::max(needLeft, needDown), diff = needLeft;
  if ((sum - diff) % 2 != 0) {
    if (diff + 1 <= sum) ++diff;
    else ++sum;
  }
  const int64_t dx = (sum - diff) / 2, dy = (sum + diff) / 2;
  if (cv.RawW + dx > kMaxTiledGridSide || cv.RawH + dy > kMaxTiledGridSide)
    FailAt(map.Place, "tiles reach too far left of or below their cells");
  const int32_t moveX = int32_t((dx - dy) * halfW), moveY = int32_t((dx + dy) * halfH);

  scene.Width = uint32_t(cv.RawW + dx);
  scene.Height = uint32_t(cv.RawH + dy);
  scene.OffsetX = double(cv.MinGx - dx);
  scene.OffsetY = double(cv.MinGy - dy);
  scene.Cells.assign(size_t(scene.Width) * scene.Height, TMapCell{0, 1});
  for (int64_t gy = 0; gy < cv.RawH; ++gy)
    for (int64_t gx = 0; gx < cv.RawW; ++gx) {
      const size_t i = size_t(gy * cv.RawW + gx);
      if (cv.State[i] == 0) continue;  // outside the editor's map: empty and blocked
      TMapCell& cell = scene.Cells[size_t(gy + dy) * scene.Width + size_t(gx + dx)];
      cell.Tile = cv.Stack[i] ? number[cv.Stack[i]] : 0;
      cell.Blocked = cv.State[i] == 2 ? 1 : 0;
    }

  for (const std::vector<Placed>& stack : placed) {
    int64_t right = 0, top = 0;
    for (const Placed& p : stack) {
      right = std::max<int64_t>(right, int64_t(p.X) - moveX + p.Px->Width);
      top = std::min<int64_t>(top, int64_t(p.Y) - moveY);
    }
    if (right > kMaxTiledImageSide || -top > kMaxTiledImageSide)
      FailAt(map.Place, "a cell's tiles span " + std::to_string(right) + " x " + std::to_string(-top) +
                            " pixels; at most " + std::to_string(kMaxTiledImageSide) + " a side");
    TiledPixels image{int32_t(right), int32_t(-top), std::vector<uint32_t>(size_t(right) * size_t(-top), 0)};
    for (const Placed& p : stack) DrawPixels(image, *p.Px, p.X - moveX, int32_t(p.Y - moveY - top), p.Opacity);
    scene.Tiles.push_back(PixelsToBitmap(image));
  }
}

}  // namespace vel
