// Internal to the view: a registered walk over the display list. Event
// handlers run inside walks and may unlink entries; UnlinkEntry keeps every
// registered walk on linked slots, so no walk reaches a freed or reused slot.
#pragma once

#include "velscene/view.h"

namespace vel {

struct TAniView::Walk {
  TAniView& View;
  Walk* Outer;
  int32_t Current;     // slot the walk stands on, 0 at the end
  bool Backward;       // along Prev (nearest first) or along Next
  bool Detached = false;  // Current was unlinked; continue with Cont
  int32_t Cont = 0;

  // GCC cannot see that the destructor takes the walk off the view again
  // (clang has no such warning).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdangling-pointer"
#endif
  Walk(TAniView& view, bool backward)
      : View(view), Outer(view.FWalks), Current(backward ? view.FLast : view.FFirst), Backward(backward) {
    view.FWalks = this;
  }
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
  ~Walk() { View.FWalks = Outer; }
  Walk(const Walk&) = delete;
  Walk& operator=(const Walk&) = delete;

  void Advance() {
    if (Detached) {
      Current = Cont;
      Detached = false;
    } else {
      const TAniEntry& e = View.FEntries[Current];
      Current = Backward ? e.Prev : e.Next;
    }
  }

  // Called by UnlinkEntry before slot s loses its place in the list.
  void OnUnlink(int32_t s) {
    const TAniEntry& e = View.FEntries[s];
    const int32_t step = Backward ? e.Prev : e.Next;
    if (!Detached && Current == s) {
      Detached = true;
      Cont = step;
    } else if (Detached && Cont == s) {
      Cont = step;
    }
  }
};

}  // namespace vel
