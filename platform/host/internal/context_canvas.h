// A canvas that owns a memory context made for it: the canvas behind a
// control or a form, drawing on a surface lent to that context.
#pragma once

#include "velscene/platform/graphics/graphics.h"

namespace vel {

class TContextCanvas : public TCanvas {
 public:
  // Takes ownership of `dc` (deleted with the canvas).
  explicit TContextCanvas(HDC dc) { Attach(dc, true); }
  const char* ClassName() const override { return "TCanvas"; }
};

}  // namespace vel
