// Shared set-up for the view tests: a headless form with a 400 x 300 view,
// figures owned by the form, and checks of the display list's invariants.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <vector>

#include "velscene/platform/host/application.h"
#include "velscene/platform/backends/headless/headless.h"
#include "velscene/platform/host/forms.h"
#include "velscene/figure.h"
#include "velscene/map.h"
#include "velscene/view.h"

namespace vel::testing {

// A tile w x h of one colour; its bottom-left pixel is the transparent key,
// magenta.
inline void MakeTile(TBitmap& b, int w, int h, uint32_t colour) {
  b.SetSize(w, h);
  PixelView v = LockPixels(b.Handle());
  for (int i = 0; i < w * h; ++i) v.pixels[i] = colour;
  v.pixels[(h - 1) * w] = 0xFF00FF;
}

class ViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().SelectBackend("headless");
    form = new TForm(nullptr);
    form->SetClientSize(400, 300);
    view = new TAniView(form);
    view->SetParent(form);
    view->SetBounds(0, 0, 400, 300);
    form->Show();
  }
  void TearDown() override {
    delete form;
    form = nullptr;
  }

  // A figure owned by the form, kept in a stable variable slot (the view keeps
  // the variable's address while the figure is placed).
  TAniFigure*& NewFigure(float x = 0, float y = 0, float z = 0) {
    TAniFigure*& ref = vars[used++];
    ref = new TAniFigure(form);
    ref->SetX(x);
    ref->SetY(y);
    ref->SetZ(z);
    return ref;
  }
  TAniFigure*& Place(float x = 0, float y = 0, float z = 0) {
    TAniFigure*& ref = NewFigure(x, y, z);
    view->AddFigure(ref);
    return ref;
  }

  // Slots from the farthest entry to the nearest.
  std::vector<int32_t> Forward() const {
    std::vector<int32_t> out;
    for (int32_t s = view->First(); s > 0 && out.size() <= 255; s = view->Entry(s)->Next) out.push_back(s);
    return out;
  }

  // Forward and backward walks agree, visit each in-use slot once, never a free
  // one, and every placed figure's slot points back to it.
  void ExpectListSound() const {
    std::vector<int32_t> fwd = Forward(), back;
    for (int32_t s = view->Last(); s > 0 && back.size() <= 255; s = view->Entry(s)->Prev) back.push_back(s);
    std::vector<int32_t> rev(back.rbegin(), back.rend());
    EXPECT_EQ(fwd, rev);
    EXPECT_EQ(view->First() == 0, view->Last() == 0);
    std::set<int32_t> seen(fwd.begin(), fwd.end());
    EXPECT_EQ(seen.size(), fwd.size());
    int inUse = 0;
    for (int32_t s = 1; s <= view->EntryCount(); ++s)
      if (!view->Entry(s)->Free) ++inUse;
    EXPECT_EQ(inUse, int(fwd.size()));
    for (int32_t s : fwd) {
      EXPECT_FALSE(view->Entry(s)->Free) << s;
      if (TAniFigure* f = view->FigureAt(s)) {
        EXPECT_EQ(f->Slot(), s);
        EXPECT_EQ(f->View(), view);
      }
    }
  }

  TForm* form = nullptr;
  TAniView* view = nullptr;
  std::array<TAniFigure*, 300> vars{};
  size_t used = 0;
};

}  // namespace vel::testing
