// The view's display list: the fixed 255-slot pool, linking and unlinking,
// placing and removing figures, the tile-entry purge and the stable
// depth sort. Nothing here allocates.
#include <limits>

#include "velscene/internal/side_list.h"
#include "velscene/internal/view_walk.h"

namespace vel {

const TAniEntry* TAniView::Entry(int32_t Slot) const {
  if (Slot < 1 || Slot > kMaxEntries) return nullptr;
  return &FEntries[Slot];
}

TAniFigure* TAniView::FigureOfEntry(const TAniEntry& E) const {
  if (E.Free || !E.IsFigure || !E.Item) return nullptr;
  return *static_cast<TAniFigure* const*>(E.Item);
}

TAniFigure* TAniView::FigureAt(int32_t Slot) const {
  if (Slot < 1 || Slot > FEntryCount) return nullptr;
  return FigureOfEntry(FEntries[Slot]);
}

// A figure this view may act on: placed here, or not placed at all. A figure
// placed in another view is left alone so that neither list is corrupted.
bool TAniView::OwnsFigure(const TAniFigure* F) const {
  return F->FSlot > 0 && F->FView == this && F->FSlot <= FEntryCount && !FEntries[F->FSlot].Free;
}

int32_t TAniView::AllocEntry() {
  for (int32_t s = 1; s <= FEntryCount; ++s)
    if (FEntries[s].Free) return s;
  if (FEntryCount < kMaxEntries) {
    ++FEntryCount;
    FEntries[FEntryCount].Free = -1;
    return FEntryCount;
  }
  return 0;
}

void TAniView::AppendEntry(int32_t S) {
  TAniEntry& e = FEntries[S];
  e.Prev = FLast;
  e.Next = 0;
  if (FLast != 0)
    FEntries[FLast].Next = S;
  else
    FFirst = S;
  FLast = S;
}

void TAniView::UnlinkEntry(int32_t S) {
  for (Walk* w = FWalks; w; w = w->Outer) w->OnUnlink(S);
  TAniEntry& e = FEntries[S];
  if (S == FFirst)
    FFirst = e.Next;
  else
    FEntries[e.Prev].Next = e.Next;
  if (S == FLast)
    FLast = e.Prev;
  else
    FEntries[e.Next].Prev = e.Prev;
  e.Free = -1;
  e.Item = nullptr;
}

void TAniView::AddFigure(TAniFigure*& Figure) {
  TAniFigure* F = Figure;
  if (!F || F->FSlot > 0) return;
  const int32_t s = AllocEntry();
  if (s == 0) {
    F->FSlot = 0;
    return;
  }
  TAniEntry& e = FEntries[s];
  e.Item = &Figure;
  PlaceEntry(e, *F, F->FX, F->FY, F->FZ);
  e.Moving = 0;
  e.IsFigure = -1;
  e.Free = 0;
  AppendEntry(s);
  F->FView = this;
  F->FSlot = s;
  // Appended after every tall tile, those in the side list included.
  if (FSide) {
    FSide->KeyDepth[s] = std::numeric_limits<float>::infinity();
    FSide->KeyAfter[s] = 1;
  }
}

void TAniView::RemoveFigure(TAniFigure*& Figure) {
  TAniFigure* F = Figure;
  if (!F || F->FSlot == 0 || F->FView != this) return;
  if (OwnsFigure(F)) UnlinkEntry(F->FSlot);
  F->FSlot = 0;
  F->FView = nullptr;
}

void TAniView::PurgeTileEntries() {
  for (Walk w(*this, false); w.Current > 0; w.Advance())
    if (!FEntries[w.Current].IsFigure) UnlinkEntry(w.Current);
}

void TAniView::SortEntries() {
  SortList();
  UpdateSideKeys();
}

void TAniView::SortList() {
  if (FFirst == 0 || FEntries[FFirst].Next == 0) return;
  int32_t a = FFirst;
  for (int32_t b = FEntries[a].Next; b > 0; b = FEntries[a].Next) {
    TAniEntry& ea = FEntries[a];
    TAniEntry& eb = FEntries[b];
    // Unordered depths (NaN) count as in order.
    if (!(ea.Depth > eb.Depth)) {
      a = b;
      continue;
    }
    int32_t c = ea.Prev;
    while (c > 0 && FEntries[c].Depth > eb.Depth) c = FEntries[c].Prev;
    // Take b out.
    if (eb.Next == 0) {
      FLast = a;
      ea.Next = 0;
    } else {
      FEntries[eb.Next].Prev = a;
      ea.Next = eb.Next;
    }
    // Insert b after c, or first.
    if (c == 0) {
      FEntries[FFirst].Prev = b;
      eb.Prev = 0;
      eb.Next = FFirst;
      FFirst = b;
    } else {
      FEntries[FEntries[c].Next].Prev = b;
      eb.Prev = c;
      eb.Next = FEntries[c].Next;
      FEntries[c].Next = b;
    }
  }
}

}  // namespace vel
