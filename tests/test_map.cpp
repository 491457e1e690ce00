// TAniMap: the cell block byte layout, accessor bounds, rectangle fills,
// grid re-creation and refused sizes, and the private tile copies.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "velscene/platform/graphics/graphics.h"
#include "velscene/platform/typinfo/typinfo.h"
#include "velscene/map.h"

using namespace vel;

namespace {

std::vector<uint8_t> Block(const TAniMap& m) {
  if (!m.Cells()) return {};
  return std::vector<uint8_t>(m.Cells(), m.Cells() + m.CellBytes());
}

// Number of cells whose two bytes are not both zero.
int Touched(const TAniMap& m) {
  int n = 0;
  const std::vector<uint8_t> b = Block(m);
  for (size_t i = 0; i + 1 < b.size(); i += 2) n += (b[i] | b[i + 1]) != 0;
  return n;
}

const int32_t kOdd[] = {-1, INT_MIN, INT_MAX, 10, 11, 1000};

}  // namespace

// ---------------------------------------------------------------------------
// Layout
// ---------------------------------------------------------------------------
TEST(MapLayout, NewMapIsTenByTenAndEmpty) {
  TAniMap m(nullptr);
  EXPECT_STREQ(m.ClassName(), "TAniMap");
  EXPECT_EQ(m.Width(), 10u);
  EXPECT_EQ(m.Height(), 10u);
  EXPECT_EQ(m.About, nullptr);
  ASSERT_NE(m.Cells(), nullptr);
  EXPECT_EQ(m.CellBytes(), 200u);
  EXPECT_EQ(Touched(m), 0);
  EXPECT_EQ(m.GetGridTile(9, 9), 0);
  EXPECT_TRUE(m.GetPassable(9, 9));
  EXPECT_TRUE(m.GetPassable(0, 0));
}

TEST(MapLayout, CellBytesRowByRow) {
  TAniMap m(nullptr);
  m.SetGridTile(3, 4, 7);
  std::vector<uint8_t> b = Block(m);
  EXPECT_EQ(b[86], 7);
  EXPECT_EQ(b[87], 0);
  EXPECT_EQ(Touched(m), 1);
  m.SetPassable(3, 4, false);
  b = Block(m);
  EXPECT_EQ(b[86], 7);  // tile kept
  EXPECT_EQ(b[87], 1);
  EXPECT_FALSE(m.GetPassable(3, 4));
  EXPECT_EQ(m.GetGridTile(3, 4), 7);
  m.SetGridTile(3, 4, 200);
  EXPECT_EQ(Block(m)[87], 1);  // blocked flag kept
  m.SetPassable(3, 4, true);
  EXPECT_EQ(Block(m)[87], 0);
  EXPECT_EQ(Block(m)[86], 200);

  // A non-square grid: X runs along a row of Width cells.
  m.SetWidth(7);
  m.SetHeight(3);
  EXPECT_EQ(m.CellBytes(), 42u);
  m.SetGridTile(6, 0, 1);
  m.SetGridTile(0, 1, 2);
  m.SetGridTile(6, 2, 3);
  b = Block(m);
  EXPECT_EQ(b[12], 1);
  EXPECT_EQ(b[14], 2);
  EXPECT_EQ(b[40], 3);
  EXPECT_EQ(Touched(m), 3);
}

// ---------------------------------------------------------------------------
// Bounds
// ---------------------------------------------------------------------------
TEST(MapBounds, EveryAccessorIgnoresCellsOutsideTheGrid) {
  TAniMap m(nullptr);
  m.SetGridRange(0, 0, 9, 9, 5, true);
  const std::vector<uint8_t> before = Block(m);
  for (int32_t x : kOdd)
    for (int32_t y : {0, 5, 9}) {
      EXPECT_EQ(m.GetGridTile(x, y), 0) << x << "," << y;
      EXPECT_FALSE(m.GetPassable(x, y)) << x << "," << y;
      EXPECT_EQ(m.GetGridTile(y, x), 0) << y << "," << x;
      EXPECT_FALSE(m.GetPassable(y, x)) << y << "," << x;
      m.SetGridTile(x, y, 9);
      m.SetGridTile(y, x, 9);
      m.SetPassable(x, y, false);
      m.SetPassable(y, x, false);
    }
  EXPECT_EQ(Block(m), before);
  EXPECT_EQ(m.GetGridTile(0, 0), 5);
  EXPECT_EQ(m.GetGridTile(9, 9), 5);
}

TEST(MapBounds, ZeroSizeHasNoBlock) {
  TAniMap m(nullptr);
  m.SetWidth(0);
  EXPECT_EQ(m.Cells(), nullptr);
  EXPECT_EQ(m.CellBytes(), 0u);
  EXPECT_EQ(m.Width(), 0u);
  EXPECT_EQ(m.Height(), 10u);
  for (int32_t x : {0, 1, -1, INT_MAX}) {
    EXPECT_EQ(m.GetGridTile(x, 0), 0);
    EXPECT_FALSE(m.GetPassable(x, 0));
    m.SetGridTile(x, 0, 3);
    m.SetPassable(x, 0, true);
  }
  m.SetGridRange(0, 0, 9, 9, 1, false);
  m.SetGridRange(INT_MIN, INT_MIN, INT_MAX, INT_MAX, 1, false);
  EXPECT_EQ(m.Cells(), nullptr);

  m.SetWidth(5);
  ASSERT_NE(m.Cells(), nullptr);
  EXPECT_EQ(m.CellBytes(), 100u);
  EXPECT_EQ(Touched(m), 0);
  EXPECT_TRUE(m.GetPassable(4, 9));
  EXPECT_FALSE(m.GetPassable(5, 9));

  m.SetHeight(0);
  EXPECT_EQ(m.Cells(), nullptr);
  EXPECT_EQ(m.GetGridTile(0, 0), 0);
}

TEST(MapBounds, SizesNegativeAsSignedOrTooLargeGiveNoBlock) {
  TAniMap m(nullptr);
  m.SetWidth(0x80000000u);  // negative as a signed value
  EXPECT_EQ(m.Cells(), nullptr);
  EXPECT_EQ(m.Width(), 0x80000000u);
  m.SetGridTile(5, 5, 1);
  EXPECT_EQ(m.GetGridTile(5, 5), 0);
  m.SetGridRange(0, 0, INT_MAX, INT_MAX, 1, true);

  m.SetWidth(70000);
  m.SetHeight(70000);  // 9.8e9 bytes: over 2^31 - 1
  EXPECT_EQ(m.Cells(), nullptr);
  EXPECT_EQ(m.CellBytes(), 0u);
  EXPECT_EQ(m.GetGridTile(69999, 69999), 0);
  EXPECT_FALSE(m.GetPassable(0, 0));
  m.SetGridRange(0, 0, 69999, 69999, 1, true);

  m.SetWidth(UINT32_MAX);
  m.SetHeight(UINT32_MAX);
  EXPECT_EQ(m.Cells(), nullptr);

  // 32768 x 32768 x 2 is exactly 2^31: one byte too many.
  m.SetWidth(32768);
  m.SetHeight(32768);
  EXPECT_EQ(m.Cells(), nullptr);

  m.SetWidth(3);
  m.SetHeight(2);
  ASSERT_NE(m.Cells(), nullptr);
  EXPECT_EQ(m.CellBytes(), 12u);
}

TEST(MapBounds, SettingASizeAgainEmptiesTheCells) {
  TAniMap m(nullptr);
  m.SetGridRange(0, 0, 9, 9, 4, false);
  EXPECT_EQ(Touched(m), 100);
  m.SetWidth(10);
  EXPECT_EQ(m.Width(), 10u);
  EXPECT_EQ(m.CellBytes(), 200u);
  EXPECT_EQ(Touched(m), 0);
  EXPECT_TRUE(m.GetPassable(3, 3));
  m.SetGridTile(1, 1, 1);
  m.SetHeight(10);
  EXPECT_EQ(Touched(m), 0);
}

// ---------------------------------------------------------------------------
// Rectangle fill
// ---------------------------------------------------------------------------
TEST(MapRange, InclusiveCornersInsideTheGrid) {
  TAniMap m(nullptr);
  m.SetGridRange(2, 2, 4, 3, 9, false);
  EXPECT_EQ(Touched(m), 6);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      const bool in = x >= 2 && x <= 4 && y >= 2 && y <= 3;
      EXPECT_EQ(m.GetGridTile(x, y), in ? 9 : 0) << x << "," << y;
      EXPECT_EQ(m.GetPassable(x, y), !in) << x << "," << y;
    }
  // Passable true writes byte 1 back to 0 over blocked cells.
  m.SetGridRange(2, 2, 2, 2, 1, true);
  EXPECT_TRUE(m.GetPassable(2, 2));
  EXPECT_EQ(m.GetGridTile(2, 2), 1);
}

TEST(MapRange, RectangleReachingBeyondTheGridIsClipped) {
  TAniMap m(nullptr);
  m.SetGridRange(8, 8, 20, 20, 1, true);
  EXPECT_EQ(Touched(m), 4);
  for (auto [x, y] : {std::pair{8, 8}, {8, 9}, {9, 8}, {9, 9}}) EXPECT_EQ(m.GetGridTile(x, y), 1);
}

TEST(MapRange, ReversedCornersChangeNothing) {
  TAniMap m(nullptr);
  m.SetGridRange(4, 0, 2, 9, 1, true);
  m.SetGridRange(0, 5, 9, 4, 1, true);
  EXPECT_EQ(Touched(m), 0);
}

TEST(MapRange, NegativeCornersAreClipped) {
  TAniMap m(nullptr);
  m.SetGridRange(-3, -1, 1, 0, 6, false);
  EXPECT_EQ(Touched(m), 2);  // (0,0) and (1,0)
  EXPECT_EQ(m.GetGridTile(0, 0), 6);
  EXPECT_EQ(m.GetGridTile(1, 0), 6);
  m.SetGridRange(-5, -5, -1, 9, 7, false);  // wholly left of the grid
  EXPECT_EQ(Touched(m), 2);
  // The extreme corners fill the grid at once, without walking outside cells.
  m.SetGridRange(INT_MIN, INT_MIN, INT_MAX, INT_MAX, 3, true);
  EXPECT_EQ(Touched(m), 100);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_TRUE(m.GetGridTile(x, y) == 3 && m.GetPassable(x, y));
}

// ---------------------------------------------------------------------------
// Tiles
// ---------------------------------------------------------------------------
TEST(MapTiles, CopiesAreIndependentOfTheCaller) {
  TBitmap b;
  b.SetSize(2, 2);
  LockPixels(b.Handle()).pixels[0] = 0x112233;
  TouchBitmap(b.Handle());
  TAniMap m(nullptr);
  m.SetTile(5, &b);
  TBitmap* t = m.Tile(5);
  ASSERT_NE(t, nullptr);
  EXPECT_NE(t, &b);
  EXPECT_NE(t->Handle(), b.Handle());
  EXPECT_EQ(t->Width(), 2);
  EXPECT_EQ(LockPixels(t->Handle()).pixels[0], 0x112233u);
  // Drawing on and resizing the caller's bitmap leaves the tile as it was.
  LockPixels(b.Handle()).pixels[0] = 0x445566;
  TouchBitmap(b.Handle());
  b.SetSize(8, 8);
  EXPECT_EQ(LockPixels(t->Handle()).pixels[0], 0x112233u);
  EXPECT_EQ(t->Width(), 2);
  EXPECT_EQ(m.Tile(4), nullptr);
  EXPECT_EQ(m.Tile(6), nullptr);
}

TEST(MapTiles, OutOfRangeNumbersAndClearing) {
  TBitmap b;
  b.SetSize(3, 1);
  TAniMap m(nullptr);
  const uint32_t base = LiveObjectCount();
  for (int32_t n : {0, 256, -1, INT_MIN, INT_MAX}) {
    m.SetTile(n, &b);
    EXPECT_EQ(m.Tile(n), nullptr);
  }
  EXPECT_EQ(LiveObjectCount(), base);
  m.SetTile(1, &b);
  m.SetTile(255, &b);
  EXPECT_NE(m.Tile(1), nullptr);
  EXPECT_NE(m.Tile(255), nullptr);
  EXPECT_EQ(LiveObjectCount(), base + 2);
  m.SetTile(255, &b);  // replacing releases the old copy
  EXPECT_EQ(LiveObjectCount(), base + 2);
  m.SetTile(255, nullptr);
  EXPECT_EQ(m.Tile(255), nullptr);
  EXPECT_EQ(LiveObjectCount(), base + 1);
  // Tiles survive grid changes.
  m.SetWidth(0);
  EXPECT_NE(m.Tile(1), nullptr);
}

TEST(MapTiles, DestroyingTheMapReleasesEveryTile) {
  TBitmap b;
  b.SetSize(4, 4);
  const uint32_t base = LiveObjectCount();
  {
    TComponent owner(nullptr);
    auto* m = new TAniMap(&owner);
    for (int n = 1; n <= 255; n += 2) m->SetTile(n, &b);
    m->SetTile(3, nullptr);
    EXPECT_EQ(LiveObjectCount(), base + 127);
  }
  EXPECT_EQ(LiveObjectCount(), base);
}

// ---------------------------------------------------------------------------
// Published properties
// ---------------------------------------------------------------------------
TEST(MapProperties, NamesAndSettersThroughTheMetadata) {
  RegisterAniMapClass();
  const TClassInfo* info = FindClassInfo("TAniMap");
  ASSERT_NE(info, nullptr);
  std::vector<std::string> names;
  for (const TPropInfo* p : GetPropList(info)) names.push_back(p->Name);
  EXPECT_EQ(names, (std::vector<std::string>{"Name", "Tag", "Width", "Height", "About"}));

  TComponent owner(nullptr);
  auto* m = dynamic_cast<TAniMap*>(info->Create(&owner));
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->Owner(), &owner);
  m->SetGridTile(1, 1, 5);
  const TPropInfo* width = FindPropInfo(info, "Width");
  EXPECT_TRUE(IsStoredProp(m, width));
  // Loading a window writes the sizes through the setters: a fresh grid.
  EXPECT_TRUE(SetPropValue(m, width, int64_t{10}));
  EXPECT_EQ(m->GetGridTile(1, 1), 0);
  EXPECT_TRUE(SetPropValue(m, FindPropInfo(info, "Height"), int64_t{4}));
  EXPECT_TRUE(SetPropValue(m, width, int64_t{6}));
  EXPECT_EQ(m->CellBytes(), 48u);
  EXPECT_EQ(std::get<int64_t>(GetPropValue(m, width)), 6);
  EXPECT_FALSE(SetPropValue(m, width, int64_t{-1}));
  EXPECT_FALSE(SetPropValue(m, width, int64_t{0x100000000}));
  EXPECT_EQ(m->Width(), 6u);
  EXPECT_FALSE(IsStoredProp(m, FindPropInfo(info, "About")));
}
