// Display-list soundness for the fuzzer, the soak program and tests: the
// links, the pool, and the figure/slot pairing, reported as the first fault.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "velscene/figure.h"
#include "velscene/view.h"

namespace vel::check {

// Empty when the view's list is sound with respect to the figure variables
// in `vars` (the only places figures placed in it are kept):
// - forward and backward walks visit the same slots in mirror order, each once;
// - every slot in the list is in use, every in-use slot is in the list, free
//   slots hold no item;
// - a figure entry's item is one of the variables, holding a live figure whose
//   slot and view point back at the entry; a tile entry's item is one of the
//   view's tile images;
// - every variable's figure placed in this view sits in a figure entry that
//   refers to that variable.
// `var(k)` gives the address of the k-th of `count` variables, which need
// not lie side by side.
template <class VarAt>
std::string ListFaultOf(const TAniView& view, size_t count, VarAt var) {
  const int32_t entries = view.EntryCount();
  if (entries < 0 || entries > kMaxEntries) return "entry count " + std::to_string(entries) + " out of range";
  auto inRange = [&](int32_t s) { return s >= 1 && s <= entries; };
  if ((view.First() == 0) != (view.Last() == 0)) return "first and last disagree about emptiness";

  bool seen[kMaxEntries + 1] = {};
  int32_t forward[kMaxEntries + 1];
  int32_t n = 0;
  int32_t prev = 0;
  for (int32_t s = view.First(); s != 0; s = view.Entry(s)->Next) {
    if (!inRange(s)) return "forward walk reaches slot " + std::to_string(s);
    if (seen[s]) return "forward walk visits slot " + std::to_string(s) + " twice";
    const TAniEntry& e = *view.Entry(s);
    if (e.Free) return "forward walk reaches free slot " + std::to_string(s);
    if (e.Prev != prev) return "slot " + std::to_string(s) + " has a wrong Prev link";
    seen[s] = true;
    forward[n++] = s;
    prev = s;
  }
  if (prev != view.Last()) return "forward walk does not end at Last";
  int32_t back = 0;
  for (int32_t s = view.Last(); s != 0; s = view.Entry(s)->Prev) {
    if (!inRange(s) || back >= n || forward[n - 1 - back] != s) return "backward walk disagrees with forward walk";
    ++back;
  }
  if (back != n) return "backward walk is shorter than the forward walk";

  const auto firstTile = reinterpret_cast<uintptr_t>(&view.TileImage(1));
  const auto lastTile = reinterpret_cast<uintptr_t>(&view.TileImage(kMaxTiles));
  for (int32_t s = 1; s <= entries; ++s) {
    const TAniEntry& e = *view.Entry(s);
    if (e.Free) {
      if (seen[s]) return "free slot " + std::to_string(s) + " is linked";
      if (e.Item) return "free slot " + std::to_string(s) + " keeps an item";
      continue;
    }
    if (!seen[s]) return "in-use slot " + std::to_string(s) + " is not in the list";
    if (e.IsFigure) {
      const auto* item = static_cast<TAniFigure* const*>(e.Item);
      bool known = false;
      for (size_t k = 0; k < count; ++k) known = known || var(k) == item;
      if (!known) return "figure slot " + std::to_string(s) + " refers to no figure variable";
      const TAniFigure* f = *item;
      if (!f) return "figure slot " + std::to_string(s) + " refers to an emptied variable";
      if (f->Slot() != s || f->View() != &view)
        return "figure in slot " + std::to_string(s) + " does not point back at it";
    } else {
      const auto t = reinterpret_cast<uintptr_t>(e.Item);
      if (t < firstTile || t > lastTile || (t - firstTile) % sizeof(TTileImage) != 0)
        return "tile slot " + std::to_string(s) + " refers outside the tile images";
    }
  }

  for (size_t k = 0; k < count; ++k) {
    TAniFigure* const* v = var(k);
    const TAniFigure* f = v ? *v : nullptr;
    if (!f) continue;
    if ((f->Slot() == 0) != (f->View() == nullptr)) return "figure has a slot without a view or a view without a slot";
    if (f->View() != &view) continue;
    const int32_t s = f->Slot();
    if (!inRange(s) || view.Entry(s)->Free || !view.Entry(s)->IsFigure || view.Entry(s)->Item != v)
      return "placed figure's slot " + std::to_string(s) + " does not hold it";
  }
  if (view.KeyFigure() < 0 || view.KeyFigure() > kMaxEntries) return "key figure slot out of range";
  return {};
}

inline std::string ListFault(const TAniView& view, std::span<TAniFigure* const> vars) {
  return ListFaultOf(view, vars.size(), [&](size_t k) { return &vars[k]; });
}

}  // namespace vel::check
