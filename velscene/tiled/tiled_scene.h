// A Tiled map converted for the view: the cell grid (staggered maps turned
// onto the diamond grid, infinite maps cut to their chunks' bounding box),
// one tile image per distinct stack of tiles in a cell, blocked cells,
// figures from tile objects and the other objects kept for the application.
// Conversion either succeeds whole or throws ETiledError.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "velscene/map.h"
#include "velscene/platform/graphics/graphics.h"
#include "velscene/platform/typinfo/typinfo.h"
#include "velscene/tiled/tiled_error.h"
#include "velscene/tiled/tiled_model.h"

namespace vel {

class TAniFigure;

// A published figure property set from an object's custom property.
struct TiledFigureProp {
  const TPropInfo* Info = nullptr;
  TPropValue Value;
};

// A figure made from a tile object: its frames (frame numbers 1..n), a
// looping script 1 when the tile is animated, where it stands and what its
// custom properties set.
struct TiledFigureDesc {
  std::string Name;  // the object's name, as written (may be empty)
  uint32_t Id = 0;   // the object's id
  std::string Type;
  float X = 0, Y = 0;  // grid position
  bool Visible = true;
  int32_t Width = 0, Height = 0;    // of every frame
  int32_t CenterX = 0, CenterY = 0;  // the frame pixel on the grid position
  std::vector<std::shared_ptr<TBitmap>> Frames;
  std::vector<int32_t> Script;  // empty when the tile is not animated
  std::vector<TiledFigureProp> Props;  // in the object's order
  TiledProperties Properties;         // every custom property
  TiledPlace Place;
};

// Any other object, with its position on the grid.
struct TiledObjectDesc {
  TiledObject Object;
  std::string Layer;
  float X = 0, Y = 0;
};

struct TiledScene {
  std::string File;
  int32_t CellWidth = 0;  // the view's cell width: the map's tile width
  uint32_t Width = 0, Height = 0;
  std::vector<TMapCell> Cells;                  // Width x Height, row by row
  std::vector<std::shared_ptr<TBitmap>> Tiles;  // tile number k is Tiles[k - 1]
  std::vector<TiledFigureDesc> Figures;         // in layer and object order
  std::vector<TiledObjectDesc> Objects;
  std::optional<uint32_t> BackgroundColor;  // 0xAARRGGBB
  TiledProperties Properties;               // the map's own
  // Grid position = (a + b) / 2 - OffsetX, (b - a) / 2 - OffsetY, where
  // (a, b) is an editor cell's centre in half tiles (see TileToGrid).
  double OffsetX = 0, OffsetY = 0;
  bool Staggered = false;
  bool StaggerX = false, StaggerEven = false;
  int32_t TileWidth = 0, TileHeight = 0;

  // The grid position of an editor cell (column, row) and of a point in the
  // editor's object coordinates (pixels).
  void TileToGrid(double column, double row, double& gx, double& gy) const;
  void PixelToGrid(double px, double py, double& gx, double& gy) const;

  // Sizes the map, sets its cells and tiles (tile images beyond 255 cannot
  // occur: conversion refuses them).
  void FillMap(TAniMap& map) const;
  // Loads a figure's frames, script, size, centre, position and properties.
  void ApplyFigure(const TiledFigureDesc& desc, TAniFigure& figure) const;
};

// `interval` is the view's tick in milliseconds: an animated figure tile's
// script repeats each frame for its duration at that interval.
TiledScene ConvertTiledMap(const TiledMap& map, uint32_t interval = 100);
// ReadTiledMap and ConvertTiledMap in one.
TiledScene LoadTiledScene(const std::string& path, uint32_t interval = 100);

}  // namespace vel
