// Internal to the view: the motion step's cell stage, which walks the cells a
// step crosses in path order and stops in front of the first blocked one.
#pragma once

#include <cstdint>

namespace vel::cells {

// The step goes from (X, Y) by (sx, sy) to (Nx, Ny); all finite, the step not
// zero. grid holds width x height two-byte cells, byte 1 non-zero = blocked;
// cells outside it are free. On a blocked cell the path enters, returns true
// with t, the step fraction 1/1024 short of that cell's border.
//
// The result is that of the walk over every cell the path crosses, from the
// start cell on, but only the cells inside the grid are visited: a start far
// outside is carried to just before the path enters the grid, and the walk
// ends where the path leaves it.
bool FirstBlocked(const uint8_t* grid, uint32_t width, uint32_t height, float X, float Y, float sx, float sy,
                  float Nx, float Ny, float& t);

}  // namespace vel::cells
