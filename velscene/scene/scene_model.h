// The scene model: view, tiles, map, figures (frames, scripts, routes),
// placement, key figure and actions, checked and with images decoded.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "velscene/platform/host/controls.h"
#include "velscene/platform/graphics/graphics.h"
#include "velscene/platform/typinfo/typinfo.h"

namespace vel {

using ScenePoint = std::array<float, 3>;  // X, Y, Z in grid units

struct SceneViewDesc {
  int32_t Width = 640;
  int32_t Height = 480;
  uint32_t Interval = 100;
  TColor Color = clBlack;
  int32_t CellWidth = 48;  // even, 8 to 1024
};

struct SceneTileDesc {
  int32_t Number = 0;
  std::shared_ptr<TBitmap> Image;
};

struct SceneRangeDesc {
  int32_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
  uint8_t Tile = 0;
  bool Passable = true;
};

struct SceneCellDesc {
  int32_t X = 0, Y = 0;
  std::optional<uint8_t> Tile;
  std::optional<bool> Passable;
};

// What one character of the map's rows stands for.
struct SceneLegendDesc {
  bool Defined = false;
  uint8_t Tile = 0;
  bool Passable = true;
};

constexpr uint32_t kSceneMapMaxSide = 4096;

struct SceneMapDesc {
  uint32_t Width = 0, Height = 0;
  // Rows, when given: Height strings of Width characters, each cell's tile
  // and flag through the legend. Applied first, then the ranges in order,
  // then the cells.
  std::vector<std::string> Rows;
  std::array<SceneLegendDesc, 256> Legend{};
  std::vector<SceneRangeDesc> Ranges;
  std::vector<SceneCellDesc> Cells;
};

// A published property of the figure, set by name as a form file sets it.
struct ScenePropDesc {
  const TPropInfo* Info = nullptr;
  TPropValue Value;
};

struct SceneFrameDesc {
  int32_t Number = 0;
  std::shared_ptr<TBitmap> Image;
};

struct SceneScriptDesc {
  int32_t Number = 0;
  std::vector<int32_t> Frames;
};

struct ScenePlayDesc {
  int32_t Script = 0;
  bool Loop = false;
};

struct SceneRouteDesc {
  std::vector<ScenePoint> Waypoints;
  bool Loop = false;
  int32_t Retries = 0;
  // Per waypoint, non-zero where the figure goes there along a found path
  // (round blocked cells and standing figures); empty for none.
  std::vector<uint8_t> ByPath;
};

// Walk scripts by the screen direction of a move the runner starts: +X runs
// to the lower right (SE), -X upper left (NW), +Y lower left (SW), -Y upper
// right (NE). Idle plays when a walk ends. 0 = none.
struct SceneWalkDesc {
  int32_t SE = 0, SW = 0, NE = 0, NW = 0, Idle = 0;
};

struct SceneFigureDesc {
  std::string Name;
  std::vector<ScenePropDesc> Props;  // in file order
  std::vector<SceneFrameDesc> Frames;
  std::vector<SceneScriptDesc> Scripts;
  std::optional<ScenePlayDesc> Play;
  std::optional<SceneRouteDesc> Route;
  std::optional<SceneWalkDesc> Walk;
};

enum class SceneActionKind { Move, SetPos, Remove, Add, Cursor, MouseDown, MouseUp, PlayScript };

struct SceneActionDesc {
  int64_t Tick = 0;
  SceneActionKind Kind = SceneActionKind::Move;
  int32_t Figure = -1;  // index into Figures, for the figure actions
  ScenePoint To{};      // Move, SetPos
  int32_t X = 0, Y = 0;  // Cursor, MouseDown, MouseUp: view pixels
  TMouseButton Button = mbLeft;
  int32_t Script = 0;  // PlayScript
  bool Loop = false;
  bool Path = false;  // Move: along a found path
};

struct SceneDesc {
  std::string File;  // as named when loading
  SceneViewDesc View;
  std::vector<SceneTileDesc> Tiles;
  std::optional<SceneMapDesc> Map;
  std::vector<SceneFigureDesc> Figures;
  std::vector<int32_t> Place;  // figure indices in AddFigure order
  int32_t Key = -1;            // figure index, -1 = none
  std::vector<SceneActionDesc> Actions;  // sorted by tick, file order within a tick

  // Index of the figure of that name, -1 if none.
  int32_t FindFigure(const std::string& name) const;
};

}  // namespace vel
