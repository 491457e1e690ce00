// Paths walked by the real motion step in a ticking headless view: smoothed
// legs on random maps never end in a stop at a cell, and the path walker
// arrives, goes round figures that stand in its way, and reports failures.
#include <cmath>
#include <random>
#include <vector>

#include "velscene/path/path_finder.h"
#include "velscene/path/path_walker.h"
#include "view_fixture.h"

using namespace vel;
using vel::testing::ViewTest;

namespace {

class PathWalk : public ViewTest {
 protected:
  void SetUp() override {
    ViewTest::SetUp();
    view->SetBounds(0, 0, 8, 8);  // the ticks here are about motion, not pixels
  }
  // Binds a w x h map with the listed cells blocked; the map goes, the view's
  // snapshot stays.
  void Bind(uint32_t w, uint32_t h, const std::vector<TPathCell>& blocked) {
    TAniMap map(form);
    map.SetWidth(w);
    map.SetHeight(h);
    for (TPathCell c : blocked) map.SetPassable(c.X, c.Y, false);
    view->SetMap(&map);
  }
  // Ticks until done() or the limit; false on the limit.
  template <class Done>
  bool TickUntil(Done done, int limit) {
    for (int k = 0; k < limit; ++k) {
      if (done()) return true;
      view->DrawFrame();
    }
    return done();
  }
};

}  // namespace

// Random maps, random figure speeds (one round in three planned without the
// replay, with the margin alone): a figure sent leg by leg along the
// smoothed path by MoveFigure is never stopped and lands on the path's end.
TEST_F(PathWalk, SmoothedPathsNeverStopAtACell) {
  std::mt19937 rng(99);
  const float speeds[] = {0.07f, 0.2f, 0.5f, 0.61f, 1.0f, 1.7f};
  std::uniform_real_distribution<float> off(-0.49f, 0.49f);
  TPathFinder finder;
  int walked = 0, legs = 0;
  for (int round = 0; round < 160; ++round) {
    const uint32_t w = 4 + rng() % (round < 150 ? 21 : 100), h = 4 + rng() % 21;
    std::vector<TPathCell> blocked;
    const uint32_t density = rng() % 40;
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x)
        if (rng() % 100 < density) blocked.push_back({int32_t(x), int32_t(y)});
    Bind(w, h, blocked);
    const TPathPoint start{float(rng() % w) + off(rng), float(rng() % h) + off(rng)};
    const TPathPoint goal{float(rng() % w) + off(rng), float(rng() % h) + off(rng)};
    TAniFigure*& f = Place(start.X, start.Y, 0.25f);
    f->Speed = speeds[rng() % 6];
    TPathOptions options;
    options.Speed = round % 3 == 0 ? 0.0f : f->Speed;
    const TPathStatus status = finder.Find(PathGridOf(*view), start, goal, {}, options);
    SCOPED_TRACE(::testing::Message() << "round " << round << " speed " << f->Speed);
    if (status == TPathStatus::Found || status == TPathStatus::Nearest) {
      const std::vector<TPathPoint> path(finder.Waypoints().begin(), finder.Waypoints().end());
      std::vector<int32_t> codes;
      size_t next = 1;
      bool done = false;
      f->OnArrival = [&](TObject*) {
        if (next + 1 < path.size()) {
          ++next;
          view->MoveFigure(f, path[next].X, path[next].Y, 0.25f);
        } else {
          done = true;
        }
      };
      f->OnCollide = [&](TObject*, TObject*, int32_t code) { codes.push_back(code); };
      view->MoveFigure(f, path[1].X, path[1].Y, 0.25f);
      double length = 0;
      for (size_t k = 1; k < path.size(); ++k) length += std::hypot(path[k].X - path[k - 1].X, path[k].Y - path[k - 1].Y);
      EXPECT_TRUE(TickUntil([&] { return done || !codes.empty(); }, int(length / f->Speed) + 2 * int(path.size()) + 4));
      EXPECT_TRUE(codes.empty()) << "stopped with code " << codes.front();
      EXPECT_EQ(f->X(), path.back().X);
      EXPECT_EQ(f->Y(), path.back().Y);
      ++walked;
      legs += int(path.size()) - 1;
    }
    view->RemoveFigure(f);
  }
  EXPECT_GT(walked, 100);
  EXPECT_GT(legs, 2 * walked);  // paths with turns, not just straight lines
}

// A wall with one gap: the walker takes the figure through it to the goal,
// holds the figure's events only while it walks, and reports the arrival.
TEST_F(PathWalk, WalkerArrivesThroughTheGap) {
  std::vector<TPathCell> wall;
  for (int32_t y = 0; y < 9; ++y)
    if (y != 7) wall.push_back({5, y});
  Bind(11, 9, wall);
  TAniFigure*& f = Place(1, 1);
  int ownArrivals = 0;
  f->OnArrival = [&](TObject*) { ++ownArrivals; };
  TPathWalker walker(form);
  std::vector<std::pair<TAniFigure*, TWalkResult>> done;
  walker.OnDone = [&](TObject* sender, TAniFigure* fig, TWalkResult r) {
    EXPECT_EQ(sender, &walker);
    done.push_back({fig, r});
  };
  std::vector<TPathPoint> legs;  // the targets the figure was sent to, leg by leg
  walker.OnLeg = [&](TObject*, TAniFigure* fig) {
    const TAniEntry* e = view->Entry(fig->Slot());
    legs.push_back({e->TargetX, e->TargetY});
  };
  ASSERT_EQ(walker.Walk(view, f, 9.0f, 1.5f), TPathStatus::Found);
  EXPECT_TRUE(walker.Walking());
  EXPECT_TRUE(TickUntil([&] { return !done.empty(); }, 200));
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].first, f);
  EXPECT_EQ(done[0].second, TWalkResult::Arrived);
  EXPECT_EQ(f->X(), 9.0f);
  EXPECT_EQ(f->Y(), 1.5f);
  bool throughGap = false;
  for (TPathPoint p : walker.Waypoints()) throughGap = throughGap || (p.Y >= 6.5f && p.X >= 4 && p.X <= 6);
  EXPECT_TRUE(throughGap);
  EXPECT_EQ(legs, std::vector<TPathPoint>(walker.Waypoints().begin() + 1, walker.Waypoints().end()));
  EXPECT_EQ(ownArrivals, 0);
  view->MoveFigure(f, 9, 2, 0);  // the figure's own handler is back
  TickUntil([&] { return ownArrivals > 0; }, 10);
  EXPECT_EQ(ownArrivals, 1);
}

// A figure that steps into the straight way after the plan was made stops
// the walker; it waits, plans round the figure and still arrives. A goal
// walled in gives the nearest cell; a cancelled walk reports so.
TEST_F(PathWalk, WalkerGoesRoundAFigureAndReports) {
  Bind(12, 7, {});
  TAniFigure*& f = Place(1, 3);
  TPathWalker walker(form);
  std::vector<TWalkResult> done;
  walker.OnDone = [&](TObject*, TAniFigure*, TWalkResult r) { done.push_back(r); };
  std::vector<int32_t> stops;
  walker.OnStop = [&](TObject*, TAniFigure*, TObject*, int32_t code) { stops.push_back(code); };
  ASSERT_EQ(walker.Walk(view, f, 10, 3), TPathStatus::Found);
  EXPECT_EQ(walker.Waypoints().size(), 2u);  // straight across
  Place(6, 3);                               // now something stands in the way
  EXPECT_TRUE(TickUntil([&] { return !done.empty(); }, 300));
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0], TWalkResult::Arrived);
  EXPECT_GE(walker.Retries(), 1);
  EXPECT_EQ(stops, std::vector<int32_t>(size_t(walker.Retries()), 1));  // each stop by the figure
  EXPECT_EQ(f->X(), 10.0f);
  EXPECT_EQ(f->Y(), 3.0f);

  // A goal on top of a standing figure: the nearest open cell instead.
  done.clear();
  TAniFigure*& other = Place(3, 3);
  ASSERT_EQ(walker.Walk(view, f, 3, 3), TPathStatus::Nearest);
  EXPECT_TRUE(TickUntil([&] { return !done.empty(); }, 300));
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0], TWalkResult::ArrivedNear);
  EXPECT_GE(std::hypot(f->X() - other->X(), f->Y() - other->Y()), 1.0);

  // Cancel, and a figure that is not placed.
  done.clear();
  ASSERT_EQ(walker.Walk(view, f, 10, 6), TPathStatus::Found);
  view->DrawFrame();
  walker.Cancel();
  EXPECT_EQ(done, std::vector<TWalkResult>{TWalkResult::Cancelled});
  const float x = f->X();
  view->DrawFrame();
  EXPECT_EQ(f->X(), x);
  TAniFigure*& loose = NewFigure(1, 1);
  EXPECT_EQ(walker.Walk(view, loose, 5, 5), TPathStatus::BadStart);
  EXPECT_FALSE(walker.Walking());
}

// Figures boxed in by others keep being stopped: the walker gives up after
// its retries; a walk whose figure is destroyed ends as lost.
TEST_F(PathWalk, WalkerGivesUpAndLosesItsFigure) {
  Bind(9, 9, {});
  TAniFigure*& f = Place(4, 4);
  TPathWalker walker(form);
  walker.MaxRetries = 2;
  std::vector<std::pair<TAniFigure*, TWalkResult>> done;
  walker.OnDone = [&](TObject*, TAniFigure* fig, TWalkResult r) { done.push_back({fig, r}); };
  ASSERT_EQ(walker.Walk(view, f, 8, 4), TPathStatus::Found);
  // A ring of figures closes in before the first step.
  for (int32_t k = 0; k < 8; ++k) {
    const double a = k * 0.785398;
    Place(float(4 + 1.01 * std::cos(a)), float(4 + 1.01 * std::sin(a)));
  }
  EXPECT_TRUE(TickUntil([&] { return !done.empty(); }, 100));
  ASSERT_EQ(done.size(), 1u);
  EXPECT_TRUE(done[0].second == TWalkResult::Blocked || done[0].second == TWalkResult::NoPath);
  EXPECT_LE(walker.Retries(), 2);

  // A walker destroyed by its own OnStop handler: the figure stays stopped
  // and gets its own handlers back.
  done.clear();
  auto* doomed = new TPathWalker(nullptr);
  TAniFigure*& h = Place(0, 0);
  int hCollisions = 0;
  h->OnCollide = [&](TObject*, TObject*, int32_t) { ++hCollisions; };
  doomed->OnStop = [&](TObject*, TAniFigure*, TObject*, int32_t) { delete doomed; };
  ASSERT_EQ(doomed->Walk(view, h, 0, 3), TPathStatus::Found);
  Place(0, 1.2f);  // in its way
  TickUntil([&] { return !view->Entry(h->Slot())->Moving; }, 20);
  view->MoveFigure(h, 2, 0, 0);
  view->DrawFrame();
  EXPECT_EQ(hCollisions, 0);
  EXPECT_GT(h->X(), 0.0f);

  done.clear();
  TAniFigure*& g = Place(0, 8);
  ASSERT_EQ(walker.Walk(view, g, 0, 5), TPathStatus::Found);
  view->DrawFrame();
  delete g;
  g = nullptr;
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].first, nullptr);
  EXPECT_EQ(done[0].second, TWalkResult::Lost);
  EXPECT_FALSE(walker.Walking());
  view->DrawFrame();
}
