// The view at other cell widths: projection, placement, the inverse, map
// binding, motion and the shadow's box, each against the rules for a W x W/2
// cell written out here, and a change of CellWidth on a bound, populated view.
#include <algorithm>
#include <cmath>
#include <random>

#include "velscene/platform/raster/raster.h"
#include "view_fixture.h"

using namespace vel;
using vel::testing::MakeTile;
using vel::testing::ViewTest;

namespace {

constexpr uint32_t kFlatColour = 0x00AA00, kTallColour = 0x884400, kHighColour = 0x2040C0;

// Rounding to the nearest, ties to even; the operands below are floats or
// small integers, so the doubles hold every product exactly.
int64_t Round(double v) { return int64_t(std::nearbyint(v)); }

// The rules for a cell W pixels wide and W / 2 high.
struct Rules {
  int W;
  int H() const { return W / 2; }
  int64_t Px(int64_t ox, float x, float y) const { return ox + Round((double(x) - y + 1) * (W / 2.0)); }
  int64_t Py(int64_t oy, float x, float y, float z) const { return oy + Round((double(x) + y - 1 - z) * (W / 4.0)); }
  // Top-left of a tile of height h in cell (gx, gy): its bottom on the cell's bottom corner.
  int64_t TileX(int64_t ox, int gx, int gy) const { return ox + int64_t(gx - gy) * (W / 2); }
  int64_t TileY(int64_t oy, int gx, int gy, int h) const { return oy + Round((gx + gy) * (W / 4.0)) - h; }
};

class Cells : public ViewTest {
 protected:
  // A 7 x 6 map: a flat tile alone in (2, 3), tall tiles in (1, 1), (4, 5)
  // and, drawn flat, (0, 4); a higher tile in the table that no cell uses;
  // cell (4, 2) blocked.
  void FillMap(TAniMap& map, int W) {
    MakeTile(flat, W, W / 2 - 1, kFlatColour);
    MakeTile(tall, W, W / 2, kTallColour);
    MakeTile(high, W, W + 5, kHighColour);
    map.SetWidth(7);
    map.SetHeight(6);
    map.SetTile(1, &flat);
    map.SetTile(2, &tall);
    map.SetTile(3, &high);
    map.SetGridTile(2, 3, 1);
    map.SetGridTile(1, 1, 2);
    map.SetGridTile(4, 5, 2);
    map.SetGridTile(0, 4, 2);
    map.SetPassable(4, 2, false);
  }
  uint32_t Bg(TAniView* v, int64_t x, int64_t y) {
    const ConstPixelView p = ReadPixels(v->Background()->Handle());
    return p.pixels[size_t(y) * size_t(p.width) + size_t(x)];
  }
  const TAniEntry* TileEntryAt(TAniView* v, float depth) {
    for (int32_t s = v->First(); s > 0; s = v->Entry(s)->Next)
      if (!v->Entry(s)->IsFigure && v->Entry(s)->Depth == depth) return v->Entry(s);
    return nullptr;
  }
  TBitmap flat, tall, high;
};

}  // namespace

TEST_F(Cells, GeometryFollowsTheCellWidth) {
  const uint32_t bgColour = PixelFromColorRef(ColorToRGB(clNavy));
  view->SetColor(clNavy);
  for (const int W : {32, 50, 64, 128}) {
    SCOPED_TRACE(W);
    const Rules r{W};
    view->SetCellWidth(W);
    ASSERT_EQ(view->CellWidth(), W);
    TAniMap map(form);
    FillMap(map, W);
    view->SetMap(&map);

    // Binding: origin, background size, the two tall entries, the tiles drawn.
    const int64_t ox = 5 * (W / 2), oy = (W + 5) + 2 * W;
    ASSERT_EQ(view->OriginX(), ox);
    ASSERT_EQ(view->OriginY(), oy);
    EXPECT_EQ(view->Background()->Width(), 13 * (W / 2));
    EXPECT_EQ(view->Background()->Height(), Round(13 * W / 4.0) + oy - (r.H() - 1));
    for (const auto& [gx, gy] : {std::pair{1, 1}, std::pair{4, 5}}) {
      const TAniEntry* e = TileEntryAt(view, float(gx + gy));
      ASSERT_NE(e, nullptr) << gx << "," << gy;
      EXPECT_EQ(e->ScreenX, r.TileX(ox, gx, gy));
      EXPECT_EQ(e->ScreenY, r.TileY(oy, gx, gy, r.H()));
    }
    const int64_t fx = r.TileX(ox, 2, 3), fy = r.TileY(oy, 2, 3, r.H() - 1);
    EXPECT_EQ(Bg(view, fx, fy), kFlatColour);
    EXPECT_EQ(Bg(view, fx + W - 1, fy + r.H() - 2), kFlatColour);
    EXPECT_EQ(Bg(view, fx, fy + r.H() - 2), bgColour);  // the key pixel
    EXPECT_EQ(Bg(view, fx - 1, fy), bgColour);
    EXPECT_EQ(Bg(view, fx, fy - 1), bgColour);
    EXPECT_EQ(Bg(view, fx + W, fy), bgColour);
    EXPECT_EQ(Bg(view, fx + 1, fy + r.H() - 1), bgColour);
    EXPECT_EQ(Bg(view, r.TileX(ox, 0, 4), r.TileY(oy, 0, 4, r.H())), kTallColour);

    // Projection and placement of seeded points, the inverse at whole points.
    std::mt19937 rng{uint32_t(W)};
    std::uniform_real_distribution<float> coord(-20.0f, 20.0f);
    for (int i = 0; i < 200; ++i) {
      const float x = coord(rng), y = coord(rng), z = i % 3 ? 0.0f : coord(rng) / 4;
      int32_t px, py;
      view->GridToScreen(x, y, z, px, py);
      ASSERT_EQ(px, r.Px(ox, x, y)) << x << " " << y;
      ASSERT_EQ(py, r.Py(oy, x, y, z)) << x << " " << y << " " << z;
    }
    TAniFigure*& f = Place(0, 0, 0);
    f->CenterX = W / 3;
    f->CenterY = W;
    view->SetFigurePos(f, 2.25f, 1.5f, 0.5f);
    EXPECT_EQ(view->Entry(f->Slot())->ScreenX, r.Px(ox, 2.25f, 1.5f) - W / 3);
    EXPECT_EQ(view->Entry(f->Slot())->ScreenY, r.Py(oy, 2.25f, 1.5f, 0.5f) - W);
    EXPECT_EQ(view->Entry(f->Slot())->Depth, 3.75f);
    for (const auto& [gx, gy] : {std::pair{0, 0}, std::pair{3, 1}, std::pair{-2, 5}}) {
      int32_t px, py;
      float bx, by;
      view->GridToScreen(float(gx), float(gy), 0, px, py);
      view->ScreenToGrid(px, py, bx, by);
      if ((gx + gy - 1) * W % 4 == 0) {  // a whole pixel: the inverse is exact
        EXPECT_EQ(bx, float(gx));
        EXPECT_EQ(by, float(gy));
      }
      // One pixel right: X up and Y down by 1 / W; one pixel down: both up by 2 / W.
      float rx, ry, dx, dy;
      view->ScreenToGrid(px + 1, py, rx, ry);
      view->ScreenToGrid(px, py + 1, dx, dy);
      EXPECT_NEAR(rx - bx, 1.0 / W, 1e-6);
      EXPECT_NEAR(ry - by, -1.0 / W, 1e-6);
      EXPECT_NEAR(dx - bx, 2.0 / W, 1e-6);
      EXPECT_NEAR(dy - by, 2.0 / W, 1e-6);
    }

    // Motion in grid units, placement in pixels: toward (5, 2) past the
    // blocked cell (4, 2), stopped short of its border on the third tick.
    view->SetFigurePos(f, 2, 2, 0);
    view->MoveFigure(f, 5, 2, 0);
    int stops = 0;
    f->OnCollide = [&](TObject*, TObject*, int32_t code) { stops += code == 2; };
    for (const float want : {2.5f, 3.0f, 3.49951171875f}) {
      view->DrawFrame();
      EXPECT_EQ(f->X(), want);
      EXPECT_EQ(view->Entry(f->Slot())->ScreenX, r.Px(ox, want, 2) - W / 3);
      EXPECT_EQ(view->Entry(f->Slot())->ScreenY, r.Py(oy, want, 2, 0) - W);
    }
    EXPECT_EQ(stops, 1);
    view->RemoveFigure(f);
    view->SetMap(nullptr);
  }
}

// The shadow's box at Z = 1 and ShadowRadius 0.5: centre a quarter cell width
// below the anchor, radii W / 2 and (W / 2 - 1) / 2, truncated.
TEST_F(Cells, ShadowBoxFollowsTheCellWidth) {
  view->SetColor(clWhite);
  form->PaintAll();
  for (const int W : {32, 50, 128}) {
    SCOPED_TRACE(W);
    view->SetCellWidth(W);
    TAniFigure*& f = Place(4, 4, 1);
    f->Shadow = true;
    view->DrawFrame();
    const TAniEntry* e = view->Entry(f->Slot());
    const int64_t cx = e->ScreenX + f->CenterX, cy = e->ScreenY + f->CenterY + int64_t(W / 4.0);
    const int64_t rx = W / 2, ry = int64_t(0.5 * (W / 2 - 1));
    // The same ellipse drawn straight into a white surface.
    HDC dc = CreateCompatibleDC(HDC{});
    HBITMAP want = CreateBitmap(400, 300, 1, 32, nullptr);
    HGDIOBJ old = SelectObject(dc, want);
    PatBlt(dc, 0, 0, 400, 300, WHITENESS);
    HBITMAP bits = CreateBitmap(8, 8, 1, 1, nullptr);
    PixelView b = LockPixels(bits);
    for (int k = 0; k < 64; ++k) b.pixels[k] = (k % 8 + k / 8) % 2 ? kPixelWhite : kPixelBlack;
    HBRUSH brush = CreatePatternBrush(bits);
    SelectObject(dc, brush);
    SelectObject(dc, GetStockObject(NULL_PEN));
    SetROP2(dc, R2_MASKPEN);
    Ellipse(dc, int32_t(cx - rx), int32_t(cy - ry), int32_t(cx + rx), int32_t(cy + ry));
    const ConstPixelView got = ReadPixels(view->Buffer()->Handle()), exp = ReadPixels(want);
    int diff = 0;
    for (int i = 0; i < 400 * 300; ++i) diff += got.pixels[i] != exp.pixels[i];
    EXPECT_EQ(diff, 0);
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(brush);
    DeleteObject(bits);
    DeleteObject(want);
    view->RemoveFigure(f);
  }
}

// Changing CellWidth on a bound view with figures gives what setting it first
// gives; widths it does not take change nothing.
TEST_F(Cells, ChangingTheWidthRebindsAndReplaces) {
  TAniMap map(form);
  FillMap(map, 64);
  auto* other = new TAniView(form);
  other->SetCellWidth(64);
  other->SetMap(&map);
  view->SetMap(&map);
  TAniFigure*& a = Place(2.5f, 1, 0);
  TAniFigure* b = new TAniFigure(form);
  b->SetX(2.5f);
  b->SetY(1);
  TAniFigure*& bref = vars[used++] = b;
  other->AddFigure(bref);
  for (const int bad : {63, 6, 1026, -64, 0}) view->SetCellWidth(bad);
  EXPECT_EQ(view->CellWidth(), 48);
  view->SetCellWidth(64);
  EXPECT_EQ(view->OriginX(), other->OriginX());
  EXPECT_EQ(view->OriginY(), other->OriginY());
  EXPECT_EQ(view->Entry(a->Slot())->ScreenX, other->Entry(b->Slot())->ScreenX);
  EXPECT_EQ(view->Entry(a->Slot())->ScreenY, other->Entry(b->Slot())->ScreenY);
  int tiles = 0;
  for (int32_t s : Forward()) tiles += !view->Entry(s)->IsFigure;
  EXPECT_EQ(tiles, 2);
  const ConstPixelView p = ReadPixels(view->Background()->Handle()), q = ReadPixels(other->Background()->Handle());
  ASSERT_EQ(p.width, q.width);
  ASSERT_EQ(p.height, q.height);
  EXPECT_TRUE(std::equal(p.pixels, p.pixels + size_t(p.width) * size_t(p.height), q.pixels));
  ExpectListSound();
}
