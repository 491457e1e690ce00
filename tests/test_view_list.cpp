// The display list: slots, linking, removal, reuse, the 255-slot limit, the
// stable depth sort, and figures and views destroyed in either order.
#include <cmath>

#include "view_fixture.h"

using namespace vel;
using vel::testing::ViewTest;

using DisplayList = ViewTest;

TEST_F(DisplayList, FirstFigureTakesSlotOne) {
  TAniFigure*& f = Place();
  EXPECT_EQ(f->Slot(), 1);
  EXPECT_EQ(f->View(), view);
  EXPECT_EQ(view->EntryCount(), 1);
  EXPECT_EQ(view->First(), 1);
  EXPECT_EQ(view->Last(), 1);
  EXPECT_EQ(view->Entry(1)->Item, &f);
  EXPECT_TRUE(view->Entry(1)->IsFigure);
  EXPECT_FALSE(view->Entry(1)->Moving);
}

TEST_F(DisplayList, PoolHolds255AndReusesAfterRemoval) {
  for (int i = 0; i < 255; ++i) ASSERT_EQ(Place()->Slot(), i + 1);
  TAniFigure*& extra = NewFigure();
  view->AddFigure(extra);
  EXPECT_EQ(extra->Slot(), 0);
  EXPECT_EQ(extra->View(), nullptr);
  EXPECT_EQ(view->EntryCount(), 255);
  EXPECT_EQ(Forward().size(), 255u);
  view->RemoveFigure(vars[99]);  // slot 100
  view->AddFigure(extra);
  EXPECT_EQ(extra->Slot(), 100);
  EXPECT_EQ(view->Last(), 100);
  ExpectListSound();
}

TEST_F(DisplayList, LowestFreeSlotIsReusedAtTheNearEnd) {
  for (int i = 0; i < 5; ++i) Place();
  view->RemoveFigure(vars[2]);
  EXPECT_EQ(vars[2]->Slot(), 0);
  EXPECT_EQ(vars[2]->View(), nullptr);
  TAniFigure*& g = Place();
  EXPECT_EQ(g->Slot(), 3);
  EXPECT_EQ(Forward(), (std::vector<int32_t>{1, 2, 4, 5, 3}));
  EXPECT_EQ(view->Entry(3)->Prev, 5);
  ExpectListSound();
}

TEST_F(DisplayList, RemovingFirstLastMiddleAndOnly) {
  for (int i = 0; i < 5; ++i) Place();
  view->RemoveFigure(vars[0]);
  ExpectListSound();
  view->RemoveFigure(vars[4]);
  ExpectListSound();
  view->RemoveFigure(vars[2]);
  ExpectListSound();
  EXPECT_EQ(Forward(), (std::vector<int32_t>{2, 4}));
  view->RemoveFigure(vars[1]);
  view->RemoveFigure(vars[3]);
  EXPECT_EQ(view->First(), 0);
  EXPECT_EQ(view->Last(), 0);
  EXPECT_EQ(view->EntryCount(), 5);
  TAniFigure*& g = Place();
  EXPECT_EQ(view->First(), g->Slot());
  EXPECT_EQ(view->Last(), g->Slot());
  ExpectListSound();
}

TEST_F(DisplayList, PlacedOnceAndNeverInTwoViews) {
  TAniFigure*& f = Place();
  view->AddFigure(f);
  EXPECT_EQ(Forward().size(), 1u);
  TAniView* other = new TAniView(form);
  other->AddFigure(f);
  EXPECT_EQ(other->First(), 0);
  EXPECT_EQ(f->View(), view);
  // Removing, positioning, moving or following through the wrong view
  // changes nothing: not the figure's fields, its entry, or either key.
  TAniFigure*& g = NewFigure();
  other->AddFigure(g);
  other->SetKeyFigure(g);
  view->SetKeyFigure(f);
  const TAniEntry before = *view->Entry(1);
  other->RemoveFigure(f);
  other->SetFigurePos(f, 4, 4, 2);
  other->MoveFigure(f, 9, 9, 0);
  other->SetKeyFigure(f);
  view->SetKeyFigure(g);
  EXPECT_EQ(f->Slot(), 1);
  EXPECT_EQ(f->View(), view);
  EXPECT_EQ(f->X(), 0.0f);
  EXPECT_EQ(f->Y(), 0.0f);
  EXPECT_EQ(f->Z(), 0.0f);
  EXPECT_EQ(view->Entry(1)->ScreenX, before.ScreenX);
  EXPECT_EQ(view->Entry(1)->ScreenY, before.ScreenY);
  EXPECT_EQ(view->Entry(1)->Depth, before.Depth);
  EXPECT_FALSE(view->Entry(1)->Moving);
  EXPECT_EQ(other->KeyFigure(), g->Slot());
  EXPECT_EQ(view->KeyFigure(), f->Slot());
  ExpectListSound();
  delete other;
  EXPECT_EQ(f->View(), view);
}

TEST_F(DisplayList, EmptyVariablesAreIgnored) {
  TAniFigure* none = nullptr;
  view->AddFigure(none);
  view->RemoveFigure(none);
  view->SetFigurePos(none, 1, 1, 1);
  view->MoveFigure(none, 1, 1, 1);
  EXPECT_EQ(view->EntryCount(), 0);
}

// Depths 3, 1, 2, 1 in list order sort to 1 (second), 1 (fourth), 2, 3.
TEST_F(DisplayList, SortIsStableByDepth) {
  const float depths[] = {3, 1, 2, 1};
  for (float d : depths) Place(d, 0);
  view->DrawFrame();
  EXPECT_EQ(Forward(), (std::vector<int32_t>{2, 4, 3, 1}));
  view->DrawFrame();  // already sorted: unchanged
  EXPECT_EQ(Forward(), (std::vector<int32_t>{2, 4, 3, 1}));
  ExpectListSound();
}

TEST_F(DisplayList, SortHandlesReverseOrderAndNaN) {
  for (int i = 0; i < 20; ++i) Place(float(20 - i), 0);
  view->DrawFrame();
  std::vector<int32_t> want;
  for (int s = 20; s >= 1; --s) want.push_back(s);
  EXPECT_EQ(Forward(), want);
  TAniFigure*& n = Place();
  view->SetFigurePos(n, NAN, 0, 0);
  view->DrawFrame();
  ExpectListSound();
  EXPECT_EQ(Forward().size(), 21u);
}

TEST_F(DisplayList, DestroyingViewUnplacesFigures) {
  TAniFigure*& a = Place();
  TAniFigure*& b = Place();
  TAniFigure*& c = Place();
  delete view;
  view = nullptr;
  for (TAniFigure* f : {a, b, c}) {
    EXPECT_EQ(f->Slot(), 0);
    EXPECT_EQ(f->View(), nullptr);
  }
  delete b;  // touches no view
  b = nullptr;
  a->SetX(5);
  EXPECT_EQ(a->X(), 5.0f);
}

TEST_F(DisplayList, DestroyingFigureUnlinksIt) {
  Place();
  TAniFigure*& b = Place();
  Place();
  delete b;
  b = nullptr;
  EXPECT_EQ(Forward(), (std::vector<int32_t>{1, 3}));
  ExpectListSound();
  view->DrawFrame();
  ExpectListSound();
}

TEST_F(DisplayList, PlacedFigureRefusesDirectPositionChanges) {
  TAniFigure*& f = Place(1, 2, 0);
  f->SetX(7);
  EXPECT_EQ(f->X(), 1.0f);
  view->RemoveFigure(f);
  f->SetX(7);
  EXPECT_EQ(f->X(), 7.0f);
}
