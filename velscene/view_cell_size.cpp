// The cell size: CellWidth, and what a change of it redoes (the binding of
// the map from the view's snapshot, the places of the figures).
#include "velscene/internal/cell_size.h"
#include "velscene/internal/view_walk.h"

namespace vel {

void TAniView::SetCellWidth(int32_t Value) {
  if (!ValidCellWidth(Value) || Value == FCellWidth) return;
  FCellWidth = Value;
  // A bound map: its tall-tile entries, side list and background are made
  // again at the new size from the cells and tile images the view copied.
  if (FBackgroundBound) {
    PurgeTileEntries();
    BindBackground();
  }
  // Placed figures at their positions by the new projection; a move in
  // progress goes on.
  for (int32_t s = FFirst; s > 0; s = FEntries[s].Next)
    if (const TAniFigure* F = FigureOfEntry(FEntries[s])) PlaceEntry(FEntries[s], *F, F->FX, F->FY, F->FZ);
}

}  // namespace vel
