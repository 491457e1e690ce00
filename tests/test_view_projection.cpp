// Projection and placement: grid to pixels with ties-to-even rounding, the
// placement rule, the pixel-to-grid inverse, positioning, and the camera.
#include "view_fixture.h"

using namespace vel;
using vel::testing::ViewTest;

namespace {
// A map of the given rows whose tiles are all 23 pixels high or lower gives
// the origin ((rows - 1) x 24, 119).
void BindFlatMap(TAniView* view, TComponent* owner, uint32_t rows) {
  TAniMap map(owner);
  map.SetHeight(rows);
  view->SetMap(&map);
}
}  // namespace

using Projection = ViewTest;

TEST_F(Projection, GridToBackgroundPixels) {
  BindFlatMap(view, form, 10);
  ASSERT_EQ(view->OriginX(), 216);
  ASSERT_EQ(view->OriginY(), 119);
  int32_t x, y;
  view->GridToScreen(0, 0, 0, x, y);
  EXPECT_EQ(x, 240);
  EXPECT_EQ(y, 107);
  view->GridToScreen(1, 0, 0, x, y);
  EXPECT_EQ(x, 264);
  EXPECT_EQ(y, 119);
  view->GridToScreen(0, 1, 0, x, y);
  EXPECT_EQ(x, 216);
  EXPECT_EQ(y, 119);
  view->GridToScreen(0, 0, 1, x, y);
  EXPECT_EQ(y, 95);
}

TEST_F(Projection, TiesRoundToEven) {
  int32_t x, y;
  view->GridToScreen(0.0625f, 1, 0, x, y);  // 1.5 -> 2
  EXPECT_EQ(x, 2);
  view->GridToScreen(0.1875f, 1, 0, x, y);  // 4.5 -> 4
  EXPECT_EQ(x, 4);
  view->GridToScreen(0.125f, 0.5f, 0, x, y);  // (0.625 x 24 = 15) and (-0.375 x 12 = -4.5 -> -4)
  EXPECT_EQ(x, 15);
  EXPECT_EQ(y, -4);
  // Sums in extended precision: in single precision 2^24 - 0.5 + 1 would lose the half.
  view->GridToScreen(16777216.0f, 0.5f, 0, x, y);
  EXPECT_EQ(x, 402653196);
  EXPECT_EQ(y, 201326586);
}

TEST_F(Projection, FigurePlacementRule) {
  TAniFigure*& f = Place(2, 3, 0);
  const TAniEntry* e = view->Entry(f->Slot());
  EXPECT_EQ(e->ScreenX, -48);
  EXPECT_EQ(e->ScreenY, -48);
  EXPECT_EQ(e->Depth, 5.0f);
  view->SetFigurePos(f, 2, 3, 1);
  EXPECT_EQ(e->ScreenY, -60);  // one unit of Z lifts by 12 pixels
  EXPECT_EQ(e->Depth, 5.0f);
  // A new anchor shows only when the entry is placed again.
  f->CenterX = 0;
  EXPECT_EQ(e->ScreenX, -48);
  view->SetFigurePos(f, 2, 3, 1);
  EXPECT_EQ(e->ScreenX, 0);
}

TEST_F(Projection, ScreenToGridInvertsTheProjection) {
  BindFlatMap(view, form, 10);
  float gx, gy;
  view->ScreenToGrid(240, 107, gx, gy);
  EXPECT_EQ(gx, 0.0f);
  EXPECT_EQ(gy, 0.0f);
  view->ScreenToGrid(240, 119, gx, gy);
  EXPECT_EQ(gx, 0.5f);
  EXPECT_EQ(gy, 0.5f);
  float rx, ry, dx, dy;
  view->ScreenToGrid(241, 107, rx, ry);
  EXPECT_NEAR(rx - gx + 0.5f, 1.0f / 48, 1e-6);
  view->ScreenToGrid(240, 108, dx, dy);
  EXPECT_NEAR(dx, 1.0f / 24, 1e-6);
  EXPECT_NEAR(dy, 1.0f / 24, 1e-6);
  // Integer projections come back exactly.
  for (int X = -3; X <= 12; ++X)
    for (int Y = -3; Y <= 12; ++Y) {
      int32_t px, py;
      view->GridToScreen(float(X), float(Y), 0, px, py);
      view->ScreenToGrid(px, py, gx, gy);
      ASSERT_EQ(gx, float(X));
      ASSERT_EQ(gy, float(Y));
    }
}

TEST_F(Projection, NewViewPixelZeroIsGridZeroOne) {
  float gx, gy;
  view->ScreenToGrid(0, 0, gx, gy);
  EXPECT_EQ(gx, 0.0f);
  EXPECT_EQ(gy, 1.0f);
}

TEST_F(Projection, SetFigurePosStopsAMoveWithoutArrival) {
  TAniFigure*& f = Place();
  int arrivals = 0;
  f->OnArrival = [&](TObject*) { ++arrivals; };
  view->MoveFigure(f, 5, 0, 0);
  EXPECT_TRUE(view->Entry(f->Slot())->Moving);
  EXPECT_EQ(view->Entry(f->Slot())->TargetX, 5.0f);
  view->SetFigurePos(f, 1, 1, 0);
  EXPECT_FALSE(view->Entry(f->Slot())->Moving);
  view->DrawFrame();
  EXPECT_EQ(arrivals, 0);
  EXPECT_EQ(f->X(), 1.0f);
  TAniFigure*& loose = NewFigure();
  view->MoveFigure(loose, 3, 3, 0);
  view->SetFigurePos(loose, 2, 2, 0);  // unplaced: only the fields change
  EXPECT_EQ(loose->X(), 2.0f);
  EXPECT_EQ(loose->Slot(), 0);
}

// View 400 x 300, key figure 96 x 96 whose entry is at (500, 260).
TEST_F(Projection, CameraCentresTheKeyFigure) {
  TAniFigure*& k = NewFigure();
  k->CenterX = 24 - 500;  // grid (0, 0) projects to (24, -12) with origin 0
  k->CenterY = -12 - 260;
  view->AddFigure(k);
  ASSERT_EQ(view->Entry(k->Slot())->ScreenX, 500);
  ASSERT_EQ(view->Entry(k->Slot())->ScreenY, 260);
  view->SetKeyFigure(k);
  EXPECT_EQ(view->ScrollX(), 0);  // applied by the next tick
  view->DrawFrame();
  EXPECT_EQ(view->ScrollX(), -348);
  EXPECT_EQ(view->ScrollY(), -158);
  view->ClearKeyFigure();
  EXPECT_EQ(view->ScrollX(), 0);
  EXPECT_EQ(view->ScrollY(), 0);
}

TEST_F(Projection, CameraDivisionTruncatesTowardZero) {
  TAniFigure*& k = Place(3, 1, 0);
  view->SetKeyFigure(k);
  view->SetBounds(0, 0, 101, 300);
  view->DrawFrame();
  EXPECT_EQ(view->Entry(k->Slot())->ScreenX + view->ScrollX(), 2);
  view->SetBounds(0, 0, 51, 300);
  view->DrawFrame();
  EXPECT_EQ(view->Entry(k->Slot())->ScreenX + view->ScrollX(), -22);
}

TEST_F(Projection, KeyFigureUnplacedRemovedOrReplaced) {
  TAniFigure*& k = Place(3, 1, 0);
  view->SetKeyFigure(k);
  view->DrawFrame();
  const int32_t sx = view->ScrollX(), sy = view->ScrollY();
  TAniFigure*& loose = NewFigure();
  view->SetKeyFigure(loose);  // unplaced: the camera stops, the scroll stays
  EXPECT_EQ(view->KeyFigure(), 0);
  view->DrawFrame();
  EXPECT_EQ(view->ScrollX(), sx);
  view->SetKeyFigure(k);
  view->RemoveFigure(k);  // the key slot is now free: the camera step is skipped
  view->DrawFrame();
  EXPECT_EQ(view->ScrollX(), sx);
  EXPECT_EQ(view->ScrollY(), sy);
  TAniFigure*& next = Place(9, 9, 0);  // reuses the slot: the camera follows it
  ASSERT_EQ(next->Slot(), view->KeyFigure());
  view->DrawFrame();
  EXPECT_EQ(view->Entry(next->Slot())->ScreenX + view->ScrollX(), (400 - 96) / 2);
}
