// Internal to the view: the side list of tall tiles that found no free
// display-list slot at binding, indexed by depth, and the keys that place
// each figure among them as a list with unlimited slots would.
#pragma once

#include <cstdint>
#include <vector>

#include "velscene/view.h"

namespace vel {

struct TSideList {
  // The tiles of depth d (= gx + gy) are Column[Start[d]] .. Column[Start[d + 1] - 1],
  // each its gx, in cell order (rows downward, so gx falls along a depth).
  std::vector<uint32_t> Start;
  std::vector<uint32_t> Column;
  int64_t DepthCount = 0;
  int32_t MaxWidth = 0, MaxHeight = 0;  // the largest tall tile

  // Where each figure entry stands among the side tiles: the side tiles of
  // depth below KeyDepth, and those of depth KeyDepth when KeyAfter is set,
  // lie before it. Figures placed before the binding stand before every side
  // tile, figures placed after it after every one; each sort moves a figure
  // past the side tiles of other depths and keeps its side of its own depth.
  float KeyDepth[kMaxEntries + 1];
  uint8_t KeyAfter[kMaxEntries + 1];

  // The side tiles that can reach the frame being collected, walked in
  // drawing order: depth by depth, each depth in cell order.
  struct {
    int64_t Depth = 0, DepthEnd = 0;     // current depth, one past the last
    uint32_t Index = 0, IndexEnd = 0;    // into Column, within the current depth
    int64_t U0 = 0, U1 = -1;             // reaching columns u = gx - gy
  } Cursor;
};

}  // namespace vel
