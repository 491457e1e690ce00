// Internal (no API guarantee): the A* engine behind TPathFinder. Per cell it
// keeps one state byte (blocked; unseen, open or closed; the step that
// reached the cell), laid out with a blocked border around the grid and
// built afresh for each search row by row as the search first needs a row,
// and the cost from the start. The open list
// is a ring of cost buckets (the octile estimate is consistent, so the
// lowest estimate never decreases; a bucket is emptied last in, first out).
// All of it is kept between searches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "velscene/path/path_finder.h"

namespace vel::path {

// The octile distance in kPathStraight / kPathDiagonal units.
inline uint64_t Octile(uint64_t dx, uint64_t dy) {
  return dx > dy ? kPathStraight * dx + (kPathDiagonal - kPathStraight) * dy
                 : kPathStraight * dy + (kPathDiagonal - kPathStraight) * dx;
}

// Step directions: the four sides first, then the diagonals; kNoStep marks
// the start.
inline constexpr int32_t kStepX[8] = {1, 0, -1, 0, 1, -1, -1, 1};
inline constexpr int32_t kStepY[8] = {0, 1, 0, -1, 1, 1, -1, -1};
inline constexpr uint8_t kNoStep = 8;

class GridSearch {
 public:
  enum class TOutcome { Reached, Exhausted, OverBudget };

  // Takes the grid (borrowed until the next Begin) and the extra blocked
  // cells for the search that follows, and resets the expansion count.
  void Begin(const TPathGrid& Grid, std::span<const TPathCell> Blocked);

  uint32_t Width() const { return FWidth; }
  uint32_t Height() const { return FHeight; }
  bool Inside(int64_t X, int64_t Y) const { return X >= 0 && Y >= 0 && X < FWidth && Y < FHeight; }
  // Inside, not blocked in the grid and not one of the extra blocked cells.
  bool Passable(int64_t X, int64_t Y) {
    if (!Inside(X, Y)) return false;
    Need(Y);
    return !(FState[Index(X, Y)] & kBlocked);
  }

  // A* from the start cell to the target cell (both inside), once per
  // Begin. At most Budget expansions. Extra blocked cells at the start's own
  // cell are ignored. Running dry, it has reached every reachable cell.
  TOutcome Run(uint32_t StartX, uint32_t StartY, uint32_t TargetX, uint32_t TargetY, uint64_t Budget);

  // After Run: whether a cell (inside) was reached, its cost, and the path to it.
  bool Reached(int64_t X, int64_t Y) const {
    return FRowGen[size_t(Y)] == FGen && (FState[Index(X, Y)] & (kOpen | kClosed));
  }
  uint32_t CostTo(int64_t X, int64_t Y) const { return FG[Index(X, Y)]; }
  // The cells from the start to (X, Y), which Run reached.
  void PathTo(uint32_t X, uint32_t Y, std::vector<TPathCell>& Out) const;
  uint64_t Expanded() const { return FExpanded; }

  // The grid's cells for the motion step's cell walk: the grid itself, or,
  // with extra blocked cells, a copy with those blocked too (made once per
  // Begin, in memory kept between searches).
  const uint8_t* WalkCells();

 private:
  // State byte: kBlocked for the border, blocked and extra blocked cells;
  // kOpen or kClosed once reached, with the step in the low bits.
  static constexpr uint8_t kOpen = 0x10, kClosed = 0x20, kBlocked = 0x40, kStepMask = 0x0F;
  // Cells are stored with a border: row Y + 1, column X + 1 of rows FStride long.
  size_t Index(int64_t X, int64_t Y) const { return size_t(Y + 1) * FStride + size_t(X + 1); }
  // Row Y of the state bytes, built for this search if it is not yet.
  void Need(int64_t Y) {
    if (FRowGen[size_t(Y)] != FGen) BuildRow(Y);
  }
  void BuildRow(int64_t Y);
  struct Open {
    uint32_t X, Y, G;
  };
  static constexpr uint32_t kBuckets = 256;  // more than twice the largest step cost

  const uint8_t* FCells = nullptr;
  uint32_t FWidth = 0, FHeight = 0;
  size_t FStride = 0;
  std::vector<uint8_t> FState;
  std::vector<uint32_t> FG;  // cost from the start, valid once reached
  std::vector<uint32_t> FRowGen;  // FGen for the rows built for this search
  uint32_t FGen = 0;
  std::vector<TPathCell> FExtra;  // extra blocked cells inside, by row then column
  std::vector<uint8_t> FWalkCells;
  bool FWalkCellsMade = false;
  std::vector<Open> FOpen[kBuckets];
  uint64_t FExpanded = 0;
};

}  // namespace vel::path
