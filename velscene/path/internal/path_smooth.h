// Internal (no API guarantee): turns a cell path into few waypoints that the
// motion step walks without a cell stopping it.
#pragma once

#include <span>
#include <vector>

#include "velscene/path/internal/grid_search.h"

namespace vel::path {

// Points: the start, the centres of the path's inner cells, the end (each
// next to the one before). Out gets the start, the points kept, the end.
// A point is dropped when the straight leg between the points around it
// passes the cell walk of the motion step (cells of Grid that are not
// Passable count as blocked) on the leg itself and on two copies moved
// sideways by a small margin, and, with a positive Speed, when the leg
// replayed step by step at that Speed enters no blocked cell either.
void SmoothPath(GridSearch& Grid, std::span<const TPathPoint> Points, float Speed,
                std::vector<TPathPoint>& Out);

}  // namespace vel::path
