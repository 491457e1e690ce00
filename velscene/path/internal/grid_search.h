// Internal (no API guarantee): the A* engine behind TPathFinder. Per-cell
// state is stamped with a search generation instead of being cleared, the
// open list is a ring of cost buckets (the octile estimate is consistent, so
// the lowest estimate never decreases and a bucket is emptied last in,
// first out), and all of it is kept between searches.
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

class GridSearch {
 public:
  enum class TOutcome { Reached, Exhausted, OverBudget };

  // Takes the grid and the extra blocked cells for the searches that follow
  // (both borrowed until the next Begin) and resets the expansion count.
  void Begin(const TPathGrid& Grid, std::span<const TPathCell> Blocked);

  uint32_t Width() const { return FWidth; }
  uint32_t Height() const { return FHeight; }
  bool Inside(int64_t X, int64_t Y) const { return X >= 0 && Y >= 0 && X < FWidth && Y < FHeight; }
  // Inside, not blocked in the grid and not one of the extra blocked cells.
  bool Passable(int64_t X, int64_t Y) const {
    if (!Inside(X, Y)) return false;
    const size_t i = size_t(Y) * FWidth + size_t(X);
    return FCells[i * 2 + 1] == 0 && FNodes[i].Gen != FBlockedGen;
  }

  // A* from the start cell to the target cell (both inside). At most
  // Budget further expansions (counted in Expanded across the searches).
  TOutcome Run(uint32_t StartX, uint32_t StartY, uint32_t TargetX, uint32_t TargetY, uint64_t Budget);

  // After a Run: whether a cell was reached, its cost, and the path to it.
  bool Reached(size_t Index) const { return FNodes[Index].Gen == FGen; }
  uint32_t CostTo(size_t Index) const { return FNodes[Index].G; }
  // The cells from the last Run's start to (X, Y), which it reached.
  void PathTo(uint32_t X, uint32_t Y, std::vector<TPathCell>& Out) const;
  uint64_t Expanded() const { return FExpanded; }

 private:
  struct Node {
    uint32_t Gen;  // FGen: reached in this search; FBlockedGen: an extra blocked cell
    uint32_t G;    // cost from the start, valid when reached
  };
  struct Open {
    uint32_t X, Y, G;
  };
  static constexpr uint32_t kBuckets = 256;  // more than twice the largest step cost
  static constexpr uint32_t kBlockedBit = 0x80000000u;

  void NextGeneration();

  const uint8_t* FCells = nullptr;
  uint32_t FWidth = 0, FHeight = 0;
  std::span<const TPathCell> FBlocked;
  std::vector<Node> FNodes;
  std::vector<uint8_t> FFrom;  // direction of the step that reached the cell
  std::vector<Open> FOpen[kBuckets];
  uint32_t FGen = 0, FBlockedGen = kBlockedBit;
  bool FFresh = false;  // the generation has not been searched yet
  uint64_t FExpanded = 0;
};

}  // namespace vel::path
