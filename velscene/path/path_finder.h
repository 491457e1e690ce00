// TPathFinder: shortest walks over a tile map's cells for figures, and the
// smoothing of such a walk into few waypoints that the view's motion step
// follows without being stopped by a cell.
//
// The search is A* over the cells, 8-connected: a step to a side neighbour
// costs 70, a diagonal step 99 (a fixed-point 1 : sqrt 2, the same on every
// machine) and needs both side neighbours it passes between to be passable,
// so no corner is cut. The heuristic is the octile distance in those units.
// Cells outside the map, blocked cells and the caller's extra blocked cells
// are not walkable; the start's own cell is never tested (a figure may
// stand in a blocked cell and walk out of it). Ties are broken the same way
// on every run: expansion by lowest estimate, the last-reached cell first
// among equals, neighbours in a fixed order. Node memory is kept between
// searches and grows only with the map, so a warmed finder allocates nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace vel {

class TAniMap;
class TAniView;
namespace path {
class GridSearch;
}

// A grid position (whole numbers are cell centres) and a cell.
struct TPathPoint {
  float X = 0.0f;
  float Y = 0.0f;
  bool operator==(const TPathPoint&) const = default;
};
struct TPathCell {
  int32_t X = 0;
  int32_t Y = 0;
  bool operator==(const TPathCell&) const = default;
};

// The cells a search runs over: Width x Height two-byte cells row by row, as
// TAniMap stores them (byte 1 non-zero = blocked). Borrowed for one call.
struct TPathGrid {
  const uint8_t* Cells = nullptr;
  uint32_t Width = 0;
  uint32_t Height = 0;
};
// A map's own cells, or the snapshot a view took of its bound map; a map or
// view without cells gives an empty grid.
TPathGrid PathGridOf(const TAniMap& Map);
TPathGrid PathGridOf(const TAniView& View);

enum class TPathStatus : int32_t {
  Found,       // the path ends at the goal
  Nearest,     // the goal's cell is blocked, outside the map or unreachable:
               // the path ends at the centre of the nearest reachable cell
  NoPath,      // as Nearest, but no reachable cell is nearer than the start's
               // own (or TPathOptions::Nearest is off): no path
  NoMap,       // the grid has no cells
  BadStart,    // the start is not finite or its cell lies outside the grid
  BadGoal,     // the goal is not finite
  OverBudget,  // the node budget ran out before the search ended: no path
  TooLarge,    // the grid has more than kMaxPathCells cells: no path
};

// Nearest reachable cell: the one with the shortest open-grid walk (octile
// distance, 70 / 99 units) to the goal's cell, then the smallest straight
// distance from its centre to the goal position, then the first in row order.
struct TPathOptions {
  uint32_t MaxNodes = 0;  // cell expansions one Find may spend, 0 = no limit
  bool Nearest = true;    // fall back to the nearest reachable cell
  // Speed of the figure that will walk the path. Each leg the smoother keeps
  // is replayed step by step at this speed with the motion step's own
  // arithmetic; a leg a step of which would enter a blocked cell is split.
  // 0, negative or not finite: no replay (the sideways margin alone guards).
  float Speed = 0.5f;
};

constexpr uint64_t kMaxPathCells = uint64_t(1) << 25;
constexpr uint32_t kPathStraight = 70;  // cost of a step to a side neighbour
constexpr uint32_t kPathDiagonal = 99;  // cost of a diagonal step

class TPathFinder {
 public:
  TPathFinder();
  ~TPathFinder();
  TPathFinder(const TPathFinder&) = delete;
  TPathFinder& operator=(const TPathFinder&) = delete;

  // Searches from Start to Goal over Grid with the Blocked cells (cells off
  // the grid in that list are ignored) not walkable, and smooths the result.
  // Start and Goal keep their exact positions in the waypoints, except that
  // a goal beyond the centres of the border cells is pulled onto them (the
  // motion step keeps figures there).
  TPathStatus Find(const TPathGrid& Grid, TPathPoint Start, TPathPoint Goal, std::span<const TPathCell> Blocked = {},
                   const TPathOptions& Options = {});

  // The last Find's result; the lists are empty unless it was Found or Nearest.
  TPathStatus Status() const { return FStatus; }
  // The smoothed path: the start, the turning points, the end.
  std::span<const TPathPoint> Waypoints() const { return FWaypoints; }
  // The cell path found, from the start's cell to the end cell.
  std::span<const TPathCell> Cells() const { return FCells; }
  // Cost of the cell path in kPathStraight / kPathDiagonal units.
  uint64_t Cost() const { return FCost; }
  // Cells expanded by the last Find, all its searches together.
  uint64_t Expanded() const;

 private:
  TPathStatus Finish(TPathStatus Status);

  std::unique_ptr<path::GridSearch> FSearch;
  std::vector<TPathPoint> FWaypoints;
  std::vector<TPathCell> FCells;
  std::vector<TPathPoint> FPoints;  // the cell path as points, for smoothing
  uint64_t FCost = 0;
  TPathStatus FStatus = TPathStatus::NoPath;
};

}  // namespace vel
