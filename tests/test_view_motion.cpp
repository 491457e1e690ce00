// Motion and collision, with the worked cases: swept circles, the map edge,
// blocked cells in path order, corners, arrival and collision events, and
// unsound numbers that must neither crash nor hang.
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "view_fixture.h"

using namespace vel;
using vel::testing::ViewTest;

namespace {

struct Hit {
  TObject* sender;
  TObject* collider;
  int32_t code;
  float x, y;
};

class Motion : public ViewTest {
 protected:
  // Binds a W x H map with the listed cells blocked.
  void BindMap(uint32_t w, uint32_t h, std::vector<std::pair<int, int>> blocked = {}) {
    TAniMap map(form);
    map.SetWidth(w);
    map.SetHeight(h);
    for (auto [x, y] : blocked) map.SetPassable(x, y, false);
    view->SetMap(&map);
  }
  void Watch(TAniFigure* f) {
    f->OnCollide = [this, f](TObject* s, TObject* c, int32_t code) { hits.push_back({s, c, code, f->X(), f->Y()}); };
    f->OnArrival = [this, f](TObject* s) {
      EXPECT_EQ(s, f);
      ++arrivals;
    };
  }
  bool Moving(TAniFigure* f) { return view->Entry(f->Slot())->Moving != 0; }

  std::vector<Hit> hits;
  int arrivals = 0;
};

}  // namespace

// Radius 0.5 each, the second at (3, 0): X = 2.0 after four ticks without a
// collision (t = 1 is no hit), then stopped on the fifth with code 1.
TEST_F(Motion, TwoFiguresMeet) {
  TAniFigure*& a = Place(0, 0);
  TAniFigure*& b = Place(3, 0);
  Watch(a);
  view->MoveFigure(a, 5, 0, 0);
  for (int i = 1; i <= 4; ++i) {
    view->DrawFrame();
    EXPECT_EQ(a->X(), 0.5f * i);
    EXPECT_TRUE(hits.empty());
  }
  view->DrawFrame();
  EXPECT_EQ(a->X(), 2.0f);
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].sender, view);
  EXPECT_EQ(hits[0].collider, b);
  EXPECT_EQ(hits[0].code, 1);
  EXPECT_FALSE(Moving(a));
  view->DrawFrame();  // a stopped figure raises nothing further
  EXPECT_EQ(hits.size(), 1u);
}

TEST_F(Motion, ArrivalAndSpeedCases) {
  TAniFigure*& f = Place(1, 1);
  Watch(f);
  f->OnArrival = [&](TObject*) {
    ++arrivals;
    EXPECT_EQ(f->X(), 1.0f);  // still the old position
  };
  view->MoveFigure(f, 1, 1, 0);
  view->DrawFrame();
  EXPECT_EQ(arrivals, 1);
  view->MoveFigure(f, 1.3f, 1, 0);  // closer than Speed: lands exactly
  view->DrawFrame();
  EXPECT_EQ(arrivals, 2);
  EXPECT_EQ(f->X(), 1.3f);
  f->Speed = 0;
  view->MoveFigure(f, 4, 1, 0);
  for (int i = 0; i < 5; ++i) view->DrawFrame();
  EXPECT_EQ(f->X(), 1.3f);
  EXPECT_TRUE(Moving(f));
  EXPECT_EQ(arrivals, 2);
  f->Speed = -0.5f;  // walks away from the target, never arrives
  view->DrawFrame();
  EXPECT_FLOAT_EQ(f->X(), 0.8f);
  EXPECT_EQ(arrivals, 2);
}

TEST_F(Motion, CollideSeesTheNewPositionAndScreenPlace) {
  BindMap(10, 10);
  TAniFigure*& f = Place(0, 3);
  f->OnCollide = [&](TObject*, TObject* c, int32_t code) {
    EXPECT_EQ(c, nullptr);
    EXPECT_EQ(code, 3);
    EXPECT_EQ(f->X(), 0.0f);
    int32_t px, py;
    view->GridToScreen(0, 3, 0, px, py);
    EXPECT_EQ(view->Entry(f->Slot())->ScreenX, px - 48);
    ++arrivals;
  };
  view->MoveFigure(f, -3, 3, 0);  // at X = 0 walking out: stays, code 3
  view->DrawFrame();
  EXPECT_EQ(arrivals, 1);
}

TEST_F(Motion, MapEdgeStopsOnTheBorderCentres) {
  BindMap(10, 10);
  TAniFigure*& f = Place(8.75f, 2);
  Watch(f);
  view->MoveFigure(f, 15, 2, 0);
  view->DrawFrame();
  EXPECT_EQ(f->X(), 9.0f);  // t = 0.5
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].code, 3);
  // A passable figure crosses figures and blocked cells, not the edge.
  BindMap(10, 10, {{4, 5}});
  TAniFigure*& p = Place(2, 5);
  Place(3, 5);
  p->Passable = true;
  p->Speed = 1;
  Watch(p);
  hits.clear();
  view->MoveFigure(p, 12, 5, 0);
  for (int i = 0; i < 10; ++i) view->DrawFrame();
  EXPECT_EQ(p->X(), 9.0f);
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].code, 3);
}

// From (2, 2) toward (5, 2), cell (4, 2) blocked: X = 2.5, 3.0, then stopped at
// 3.0 + 0.5 x (1 - 1/1024) on the third tick.
TEST_F(Motion, BlockedCellStopsShortOfItsBorder) {
  BindMap(10, 10, {{4, 2}});
  TAniFigure*& f = Place(2, 2);
  Watch(f);
  view->MoveFigure(f, 5, 2, 0);
  view->DrawFrame();
  EXPECT_EQ(f->X(), 2.5f);
  view->DrawFrame();
  EXPECT_EQ(f->X(), 3.0f);
  EXPECT_TRUE(hits.empty());
  view->DrawFrame();
  EXPECT_EQ(f->X(), 3.49951171875f);
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].code, 2);
  EXPECT_EQ(hits[0].collider, nullptr);
}

TEST_F(Motion, StartCellIsNeverTestedAndBlockedCellsCanBeLeft) {
  BindMap(10, 10, {{3, 3}});
  TAniFigure*& f = Place(3, 3);
  Watch(f);
  view->MoveFigure(f, 3.4f, 3, 0);
  view->DrawFrame();
  EXPECT_EQ(f->X(), 3.4f);
  view->MoveFigure(f, 6, 3, 0);
  for (int i = 0; i < 8; ++i) view->DrawFrame();
  EXPECT_EQ(f->X(), 6.0f);
  EXPECT_TRUE(hits.empty());
}

// A diagonal step exactly through a cell corner tests only the diagonal cell.
TEST_F(Motion, CornerStepTestsOnlyTheDiagonalCell) {
  BindMap(10, 10, {{3, 2}, {2, 3}});
  TAniFigure*& f = Place(2, 2);
  f->Speed = 2;
  Watch(f);
  view->MoveFigure(f, 3, 3, 0);
  view->DrawFrame();
  EXPECT_EQ(f->X(), 3.0f);
  EXPECT_EQ(arrivals, 1);
  EXPECT_TRUE(hits.empty());
  BindMap(10, 10, {{4, 4}});
  view->MoveFigure(f, 4, 4, 0);
  view->DrawFrame();
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].code, 2);
  EXPECT_EQ(f->X(), 3.0f + (0.5f - 1.0f / 1024));  // s = 1, t = 0.5 - 1/1024
  EXPECT_EQ(f->X(), f->Y());
}

// Blocked cell on the already shortened step beats the edge stop.
TEST_F(Motion, BlockedCellReplacesEdgeStop) {
  BindMap(10, 10, {{9, 4}});
  TAniFigure*& f = Place(8, 4);
  f->Speed = 3;
  Watch(f);
  view->MoveFigure(f, 12, 4, 0);
  view->DrawFrame();
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].code, 2);
  EXPECT_LT(f->X(), 8.5f);
}

// Two hits on one step: the one found last (nearer FFirst) wins, not the smaller t.
TEST_F(Motion, LastHitInWalkOrderWins) {
  TAniFigure*& g2 = Place(2.6f, 0);  // farther in the list, visited last
  TAniFigure*& g1 = Place(1.3f, 0);
  TAniFigure*& f = Place(0, 0);
  f->Speed = 3;
  Watch(f);
  view->MoveFigure(f, 4, 0, 0);
  view->DrawFrame();
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].collider, g2);
  EXPECT_NEAR(f->X(), 1.6f, 1e-5);
  (void)g1;
}

TEST_F(Motion, OverlappingFiguresPassTouchingOnesStop) {
  TAniFigure*& a = Place(0, 0);
  Place(0.5f, 0);  // overlapping by half: t is far below -1/1024
  Watch(a);
  view->MoveFigure(a, 2, 0, 0);
  view->DrawFrame();
  EXPECT_TRUE(hits.empty());
  EXPECT_EQ(a->X(), 0.5f);
  TAniFigure*& c = Place(5, 0);
  TAniFigure*& d = Place(6, 0);  // touching exactly
  Watch(c);
  view->MoveFigure(c, 8, 0, 0);
  view->DrawFrame();
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(c->X(), 5.0f);
  hits.clear();
  view->MoveFigure(c, 3, 0, 0);  // moving apart is free
  view->DrawFrame();
  EXPECT_TRUE(hits.empty());
  EXPECT_EQ(c->X(), 4.5f);
  (void)d;
}

TEST_F(Motion, ZOnlyMoveIsNeverStopped) {
  BindMap(4, 4, {{1, 1}});
  TAniFigure*& f = Place(1, 1);
  Place(1.2f, 1);
  Watch(f);
  view->MoveFigure(f, 1, 1, 3);
  for (int i = 0; i < 6; ++i) view->DrawFrame();
  EXPECT_EQ(f->Z(), 3.0f);
  EXPECT_TRUE(hits.empty());
  EXPECT_EQ(arrivals, 1);
}

TEST_F(Motion, ChainedMoveFromArrival) {
  TAniFigure*& f = Place(0, 0);
  int legs = 0;
  f->OnArrival = [&](TObject*) {
    if (++legs == 1) view->MoveFigure(f, 0.5f, 1, 0);
  };
  view->MoveFigure(f, 0.5f, 0, 0);
  view->DrawFrame();
  EXPECT_EQ(f->X(), 0.5f);
  EXPECT_TRUE(Moving(f));
  view->DrawFrame();
  EXPECT_EQ(f->Y(), 0.5f);
  view->DrawFrame();
  EXPECT_EQ(legs, 2);
}

// Figures outside the map walk back in through cells that count as free; the
// edge stage never divides by a zero step.
TEST_F(Motion, OutsideTheMapAndZeroDivisors) {
  BindMap(5, 5, {{0, 2}});
  TAniFigure*& f = Place(-3, 2);
  f->Speed = 1;
  Watch(f);
  view->MoveFigure(f, 2, 2, 0);
  view->DrawFrame();
  EXPECT_EQ(f->X(), -2.0f);
  view->DrawFrame();
  view->DrawFrame();
  ASSERT_EQ(hits.size(), 1u);  // stopped in front of the blocked cell (0, 2)
  EXPECT_EQ(hits[0].code, 2);
  EXPECT_LT(f->X(), -0.5f);
  hits.clear();
  TAniFigure*& g = Place(-2, 1);  // outside in X, moving only in Y
  Watch(g);
  view->MoveFigure(g, -2, 3, 0);
  view->DrawFrame();
  EXPECT_TRUE(std::isfinite(g->X()));
  EXPECT_TRUE(std::isfinite(g->Y()));
  EXPECT_EQ(g->Y(), 1.5f);
}

TEST_F(Motion, UnsoundNumbersNeitherCrashNorHang) {
  BindMap(8, 8, {{3, 3}});
  const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  TAniFigure*& a = Place(1, 1);
  TAniFigure*& b = Place(2, 2);
  TAniFigure*& c = Place(4, 4);
  b->Radius = nan;
  c->Radius = inf;
  const float targets[][3] = {{nan, 1, 0}, {inf, 1, 0}, {1, -inf, 0}, {3e38f, -3e38f, 0}, {6, 6, nan}};
  for (auto& t : targets) {
    view->SetFigurePos(a, 1, 1, 0);
    view->MoveFigure(a, t[0], t[1], t[2]);
    for (int i = 0; i < 3; ++i) view->DrawFrame();
  }
  a->Speed = inf;
  view->MoveFigure(a, 6, 1, 0);
  view->DrawFrame();
  a->Speed = 1e30f;
  view->SetFigurePos(a, -1e30f, 1, 0);  // far outside with a huge step
  view->MoveFigure(a, 5, 1, 0);
  view->DrawFrame();
  view->SetFigurePos(a, nan, nan, nan);
  view->MoveFigure(a, 1, 1, 0);
  view->DrawFrame();
  ExpectListSound();
  EXPECT_EQ(Forward().size(), 3u);
}

// Non-finite speeds and positions go through the arrival comparison; only a
// non-finite target or an overflowing step ends the move without an event.
// A step from far outside the map is still stopped by the blocked cells it
// crosses. Map 10 x 10, cells (2, 5) and (0, 3) blocked; one tick per row.
TEST_F(Motion, UnsoundStepsAndFarStarts) {
  const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  struct Row {
    const char* what;
    float x, y, speed, tx, ty;
    float wantX, wantY;  // NaN: compared as NaN
    int arrivals, code;
  } rows[] = {
      {"infinite speed", 0, 0, inf, 6, 1, 6, 1, 1, 0},
      {"NaN speed", 0, 0, nan, 6, 1, 6, 1, 1, 0},
      {"NaN position heals", nan, nan, 0.5f, 3, 3, 3, 3, 1, 0},
      {"NaN X alone", nan, 4, 0.5f, 3, 3, 3, 3, 1, 0},
      {"infinite position, infinite speed", -inf, 2, inf, 3, 2, 3, 2, 1, 0},
      {"infinite position, finite speed", -inf, 2, 0.5f, 3, 2, -inf, 2, 0, 0},
      {"NaN target", 1, 1, inf, nan, 2, 1, 1, 0, 0},
      {"infinite target", 1, 1, 0.5f, 3, -inf, 1, 1, 0, 0},
      {"overflowing step", -3e38f, 1, inf, 3e38f, 1, -3e38f, 1, 0, 0},
      {"speed -inf on the target", 4, 4, -inf, 4, 4, 4, 4, 1, 0},
      {"speed -inf elsewhere", 4, 4, -inf, 6, 4, 4, 4, 0, 0},
      {"far start stops at the blocked cell", -20, 5, 30, 5, 5, 1.4755859f, 5, 1, 2},
      {"far start along a free row", -1e6f, 4, 1e7f, 4, 4, 4, 4, 1, 0},
      // The step rounds to 2e7, so the crossing into column 0 rounds to 1:
      // the walk ends in its end cell (-1, 3) before it.
      {"far start ending in front of the map", -2e7f, 3, inf, -0.6f, 3, -0.6f, 3, 1, 0},
  };
  BindMap(10, 10, {{2, 5}, {0, 3}});
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    TAniFigure*& f = Place();
    view->SetFigurePos(f, r.x, r.y, 0);
    f->Speed = r.speed;
    Watch(f);
    hits.clear();
    arrivals = 0;
    view->MoveFigure(f, r.tx, r.ty, 0);
    view->DrawFrame();
    auto same = [](float got, float want) {
      return std::isnan(want) ? std::isnan(got) : got == want || std::fabs(got - want) <= 1e-4f;
    };
    EXPECT_TRUE(same(f->X(), r.wantX)) << f->X();
    EXPECT_TRUE(same(f->Y(), r.wantY)) << f->Y();
    EXPECT_EQ(arrivals, r.arrivals);
    ASSERT_EQ(hits.size(), r.code ? 1u : 0u);
    if (r.code) {
      EXPECT_EQ(hits[0].code, r.code);
    }
    EXPECT_FALSE(Moving(f));
    view->RemoveFigure(f);
  }
}

namespace {

struct CellMap {
  int64_t w, h;
  std::vector<bool> blocked;
};

// The cell stage as a plain walk over every cell the path from (x, y) to
// (nx, ny) crosses, from the start cell on, cells outside the map free.
// Returns whether a blocked cell stops the step, and the fraction to stop at.
bool PlainCellWalk(const CellMap& map, float x, float y, float nx, float ny, float sx, float sy, float& t) {
  if (sx == 0 && sy == 0) return false;
  auto round = [](float v) { return static_cast<int64_t>(std::nearbyint(double(v))); };
  auto frac = [](float v) { return static_cast<float>(double(v) - std::trunc(double(v))); };
  int64_t cx = round(x), cy = round(y), ex = round(nx), ey = round(ny);
  if (cx == ex && cy == ey) return false;
  const int dx = sx > 0 ? 1 : sx < 0 ? -1 : 0, dy = sy > 0 ? 1 : sy < 0 ? -1 : 0;
  const float ox = 0.5f * dx, oy = 0.5f * dy;
  if (dx < 0 && frac(nx) == 0.5f) --ex;
  if (dy < 0 && frac(ny) == 0.5f) --ey;
  for (int64_t guard = 0; guard < 200000000; ++guard) {
    const float tx = dx ? static_cast<float>(((double(cx) - x) + ox) / sx) : 2.0f;
    const float ty = dy ? static_cast<float>(((double(cy) - y) + oy) / sy) : 2.0f;
    if (tx > 1 && ty > 1) return false;
    const float first = tx <= ty ? tx : ty;
    if (tx <= ty) cx += dx;
    if (ty <= tx) cy += dy;
    if (cx >= 0 && cx < map.w && cy >= 0 && cy < map.h && map.blocked[size_t(cy * map.w + cx)]) {
      t = static_cast<float>(double(first) - 1.0 / 1024);
      return true;
    }
    if (cx == ex && cy == ey) return false;
  }
  ADD_FAILURE() << "the plain walk did not end";
  return false;
}

// One step of a lone figure from (x, y) that reaches its target (nx, ny) in
// this tick: the edge stage, then the plain cell walk. Returns the code.
int LoneStep(const CellMap& map, float x, float y, float& nx, float& ny) {
  auto along = [&](float t) {
    const float sx = static_cast<float>(double(nx) - x), sy = static_cast<float>(double(ny) - y);
    nx = static_cast<float>(double(x) + double(sx) * t);
    ny = static_cast<float>(double(y) + double(sy) * t);
  };
  auto min = [](float a, float b) { return a < b ? a : b; };
  int code = 0;
  float sx = static_cast<float>(double(nx) - x), sy = static_cast<float>(double(ny) - y), t = 1;
  if (nx < 0 && sx != 0) t = min(t, static_cast<float>(-double(x) / sx));
  if (nx > map.w - 1 && sx != 0) t = min(t, static_cast<float>(((double(map.w) - x) - 1) / sx));
  if (ny < 0 && sy != 0) t = min(t, static_cast<float>(-double(y) / sy));
  if (ny > map.h - 1 && sy != 0) t = min(t, static_cast<float>(((double(map.h) - y) - 1) / sy));
  if (t < 1) {
    along(t);
    code = 3;
  }
  sx = static_cast<float>(double(nx) - x);
  sy = static_cast<float>(double(ny) - y);
  if (PlainCellWalk(map, x, y, nx, ny, sx, sy, t)) {
    along(t);
    code = 2;
  }
  return code;
}

}  // namespace

// Steps from far outside (up to 10^5 cells, a few beyond 1.7 x 10^7 where
// neighbouring crossings round to the same fraction) onto, past and short of
// random maps: the tick stops the figure exactly where the edge stage and
// the plain walk over every crossed cell do.
TEST_F(Motion, FarStartsMatchThePlainCellWalk) {
  std::mt19937 rng(20240614);
  auto uni = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
  int codes[4] = {};
  for (int m = 0; m < 12; ++m) {
    CellMap map{1 + int64_t(rng() % 12), 1 + int64_t(rng() % 12), {}};
    map.blocked.resize(size_t(map.w * map.h));
    std::vector<std::pair<int, int>> cells;
    for (int y = 0; y < map.h; ++y)
      for (int x = 0; x < map.w; ++x)
        if (rng() % 100 < 35) {
          map.blocked[size_t(y * map.w + x)] = true;
          cells.push_back({x, y});
        }
    BindMap(uint32_t(map.w), uint32_t(map.h), cells);
    TAniFigure*& f = Place();
    f->Speed = 1e30f;
    for (int k = 0; k < 150; ++k) {
      const bool halves = rng() % 4 == 0;  // on cell borders, where ties round
      auto snap = [&](double v) { return float(halves ? std::round(v * 2) / 2 : v); };
      // Targets on the map, around it, or far away.
      const int where = int(rng() % 5);
      const double margin = where < 2 ? 0 : where < 4 ? 3 : 1e4;
      const float tx = snap(uni(-margin, map.w - 1 + margin)), ty = snap(uni(-margin, map.h - 1 + margin));
      const double dist = k == 0 && m % 4 == 0 ? uni(1.7e7, 2.5e7) : std::pow(10.0, uni(0.3, 5));
      const double angle = uni(0, 2 * M_PI);
      const float x = snap(tx + dist * std::cos(angle)), y = snap(ty + dist * std::sin(angle));
      float wantX = tx, wantY = ty;
      const int code = LoneStep(map, x, y, wantX, wantY);
      Watch(f);
      hits.clear();
      view->SetFigurePos(f, x, y, 0);
      view->MoveFigure(f, tx, ty, 0);
      view->DrawFrame();
      SCOPED_TRACE(::testing::Message() << "from " << x << ", " << y << " to " << tx << ", " << ty);
      ASSERT_EQ(hits.size(), code ? 1u : 0u);
      if (code) {
        EXPECT_EQ(hits[0].code, code);
      }
      EXPECT_EQ(f->X(), wantX);
      EXPECT_EQ(f->Y(), wantY);
      ++codes[code];
    }
    view->RemoveFigure(f);
  }
  // Every outcome occurs often enough to matter.
  EXPECT_GT(codes[0], 100);
  EXPECT_GT(codes[2], 300);
  EXPECT_GT(codes[3], 100);
}
