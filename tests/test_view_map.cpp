// Map binding: origin, background size and flat tiles, tall tiles as
// entries, rebinding, release, colour changes and maps that go away.
#include "view_fixture.h"

using namespace vel;
using vel::testing::MakeTile;
using vel::testing::ViewTest;

namespace {

class MapBinding : public ViewTest {
 protected:
  void SetUp() override {
    ViewTest::SetUp();
    map = new TAniMap(form);
    MakeTile(flat, 48, 23, 0x00AA00);
    MakeTile(tall, 48, 24, 0x884400);
    map->SetTile(1, &flat);
    map->SetTile(2, &tall);
  }
  // One pixel of the background, drawn on demand into a 1 x 1 bitmap.
  uint32_t Bg(int x, int y) {
    HDC dc = CreateCompatibleDC(HDC{});
    HBITMAP one = CreateBitmap(1, 1, 1, 32, nullptr);
    SelectObject(dc, one);
    view->DrawBackground(dc, -x, -y);
    const uint32_t p = ReadPixels(one).pixels[0];
    SelectObject(dc, GetStockObject(DEFAULT_BITMAP));
    DeleteDC(dc);
    DeleteObject(one);
    return p;
  }
  int TileEntries() {
    int n = 0;
    for (int32_t s : Forward()) n += view->Entry(s)->IsFigure ? 0 : 1;
    return n;
  }
  TAniMap* map = nullptr;
  TBitmap flat, tall;
};

}  // namespace

TEST_F(MapBinding, OriginBackgroundAndFlatTiles) {
  map->SetTile(2, nullptr);  // every tile in the table is then at most 23 high
  view->SetColor(clWhite);
  map->SetGridTile(0, 0, 1);
  map->SetGridTile(9, 9, 1);
  view->SetMap(map);
  EXPECT_EQ(view->OriginX(), 216);
  EXPECT_EQ(view->OriginY(), 119);
  EXPECT_EQ(view->Background()->Width(), 480);
  EXPECT_EQ(view->Background()->Height(), 336);
  EXPECT_EQ(view->MapWidth(), 10u);
  // Cell (0, 0) at (216, 96); its bottom-left key pixel stays background.
  EXPECT_EQ(Bg(216, 96), 0x00AA00u);
  EXPECT_EQ(Bg(216, 96 + 22), 0xFFFFFFu);
  EXPECT_EQ(Bg(216 + 47, 96 + 22), 0x00AA00u);
  EXPECT_EQ(Bg(215, 96), 0xFFFFFFu);
  // Cell (9, 9) at (216, 312), rows 312..334 of 0..335.
  EXPECT_EQ(Bg(230, 312), 0x00AA00u);
  EXPECT_EQ(Bg(230, 334), 0x00AA00u);
  EXPECT_EQ(Bg(230, 335), 0xFFFFFFu);
  EXPECT_EQ(TileEntries(), 0);
}

TEST_F(MapBinding, TallestTileInTheTableSetsTheOrigin) {
  TBitmap high;
  MakeTile(high, 10, 60, 0x123456);
  map->SetTile(200, &high);  // used by no cell
  view->SetMap(map);
  EXPECT_EQ(view->OriginY(), 156);
  EXPECT_EQ(view->Background()->Height(), 20 * 12 + 156 - 23);
}

TEST_F(MapBinding, TallTilesBecomeEntriesAwayFromRowAndColumnZero) {
  map->SetGridTile(1, 1, 2);
  map->SetGridTile(0, 5, 2);
  map->SetGridTile(5, 0, 2);
  map->SetGridTile(3, 4, 2);
  view->SetColor(clWhite);
  view->SetMap(map);
  ASSERT_EQ(TileEntries(), 2);
  std::vector<int32_t> order = Forward();
  const TAniEntry* e11 = view->Entry(order[0]);
  const TAniEntry* e34 = view->Entry(order[1]);
  EXPECT_EQ(e11->Depth, 2.0f);
  EXPECT_EQ(e34->Depth, 7.0f);
  EXPECT_EQ(e34->ScreenX, -24 + view->OriginX());
  EXPECT_EQ(e34->ScreenY, 84 + view->OriginY() - 24);
  // (0, 5) and (5, 0) are drawn flat into the background; (1, 1) is not.
  const int x05 = (0 - 5) * 24 + view->OriginX(), y05 = 5 * 12 + view->OriginY() - 24;
  EXPECT_EQ(Bg(x05 + 3, y05 + 3), 0x884400u);
  const int x11 = view->OriginX(), y11 = 2 * 12 + view->OriginY() - 24;
  EXPECT_EQ(Bg(x11 + 3, y11 + 3), 0xFFFFFFu);
  // The entry is drawn every frame, at its own size, at the scroll offset.
  form->PaintAll();
  view->DrawFrame();
  PixelView buf = LockPixels(view->Buffer()->Handle());
  EXPECT_EQ(buf.pixels[(y11 + 3) * buf.width + x11 + 3], 0x884400u);
}

TEST_F(MapBinding, RebindingAndReleasing) {
  map->SetGridRange(0, 0, 9, 9, 1, true);
  map->SetGridRange(2, 2, 4, 4, 2, true);
  TAniFigure*& f = Place(1, 1);
  view->SetMap(map);
  const int tiles = TileEntries();
  EXPECT_EQ(tiles, 9);
  PixelView first = LockPixels(view->Background()->Handle());
  std::vector<uint32_t> before(first.pixels, first.pixels + first.width * first.height);
  view->SetMap(map);
  EXPECT_EQ(TileEntries(), tiles);
  PixelView second = LockPixels(view->Background()->Handle());
  EXPECT_EQ(std::vector<uint32_t>(second.pixels, second.pixels + second.width * second.height), before);
  view->SetMap(nullptr);
  EXPECT_EQ(TileEntries(), 0);
  EXPECT_EQ(Forward(), std::vector<int32_t>{f->Slot()});
  EXPECT_FALSE(view->MapBound());
  EXPECT_EQ(view->Background(), nullptr);
  EXPECT_EQ(view->OriginX(), 216);  // kept after release
  ExpectListSound();
}

TEST_F(MapBinding, SnapshotSurvivesTheMap) {
  map->SetPassable(4, 2, false);
  view->SetMap(map);
  map->SetPassable(4, 2, true);  // later changes do not reach the view
  delete map;
  map = nullptr;
  TAniFigure*& f = Place(2, 2);
  view->MoveFigure(f, 5, 2, 0);
  for (int i = 0; i < 4; ++i) view->DrawFrame();
  EXPECT_LT(f->X(), 3.5f);
}

TEST_F(MapBinding, ColourChangeRepaintsEveryTile) {
  map->SetGridTile(0, 0, 1);
  map->SetGridTile(2, 2, 2);
  view->SetColor(clWhite);
  view->SetMap(map);
  const int x22 = view->OriginX(), y22 = 4 * 12 + view->OriginY() - 24;
  EXPECT_EQ(Bg(x22 + 3, y22 + 3), 0xFFFFFFu);
  view->SetColor(clBlue);
  EXPECT_EQ(Bg(0, 0), PixelFromColorRef(ColorToRGB(clBlue)));
  EXPECT_EQ(Bg(x22 + 3, y22 + 3), 0x884400u);  // tall tiles are drawn flat too
  EXPECT_EQ(Bg(view->OriginX() + 1, view->OriginY() - 23), 0x00AA00u);
  EXPECT_EQ(TileEntries(), 1);
}

TEST_F(MapBinding, EmptyMapsAndAFullList) {
  map->SetWidth(0);
  view->SetMap(map);
  EXPECT_FALSE(view->MapBound());
  EXPECT_EQ(view->Background()->Width(), 10 * 24);
  TAniFigure*& f = Place(-4, -4);
  view->MoveFigure(f, -6, -6, 0);
  view->DrawFrame();  // no cells: figures walk freely
  EXPECT_LT(f->X(), -4.0f);
  // With every slot taken, tall tiles are dropped, the rest binds.
  for (int i = 0; i < 254; ++i) Place();
  map->SetWidth(10);
  map->SetGridRange(1, 1, 3, 3, 2, true);
  map->SetGridTile(0, 0, 1);
  view->SetMap(map);
  EXPECT_EQ(TileEntries(), 0);
  EXPECT_TRUE(view->MapBound());
  ExpectListSound();
}
