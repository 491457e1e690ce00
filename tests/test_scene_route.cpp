// Figure routes: the waypoint logic alone, and walkers that meet head-on,
// retry and arrive, checked tick by tick against values worked out by hand.
#include <string>

#include "scene_test_files.h"
#include "runner/scene_route.h"

using namespace vel;
using nlohmann::json;
using vel::testing::SceneDir;
using vel::testing::TraceOf;

namespace {

SceneRouteDesc RouteOf(std::vector<ScenePoint> w, bool loop, int32_t retries) { return {std::move(w), loop, retries, {}}; }

// Events compared as JSON values, so that key order does not matter.
void ExpectEvents(const json& line, const std::string& expected) {
  EXPECT_EQ(line["events"], json::parse(expected)) << "tick " << line["tick"];
}

}  // namespace

TEST(SceneRoute, WaypointsInOrderThenDone) {
  TSceneRoute r(RouteOf({{1, 0, 0}, {2, 0, 0}}, false, 0));
  EXPECT_EQ(r.Start(), (ScenePoint{1, 0, 0}));
  EXPECT_EQ(r.Arrived(), (ScenePoint{2, 0, 0}));
  EXPECT_EQ(r.Arrived(), std::nullopt);
  EXPECT_FALSE(r.Heading());
  EXPECT_EQ(r.Arrived(), std::nullopt);  // stays done
}

TEST(SceneRoute, LoopStartsAgainAtTheFirst) {
  TSceneRoute r(RouteOf({{1, 0, 0}, {2, 0, 0}, {3, 0, 0}}, true, 0));
  r.Start();
  EXPECT_EQ(r.Arrived(), (ScenePoint{2, 0, 0}));
  EXPECT_EQ(r.Arrived(), (ScenePoint{3, 0, 0}));
  EXPECT_EQ(r.Arrived(), (ScenePoint{1, 0, 0}));
  EXPECT_EQ(r.Arrived(), (ScenePoint{2, 0, 0}));
}

TEST(SceneRoute, RetriesAreSpentOneByOne) {
  TSceneRoute r(RouteOf({{4, 0, 0}}, false, 2));
  r.Start();
  EXPECT_EQ(r.Collided(), (ScenePoint{4, 0, 0}));
  EXPECT_EQ(r.Collided(), (ScenePoint{4, 0, 0}));
  EXPECT_EQ(r.RetriesLeft(), 0);
  EXPECT_EQ(r.Collided(), std::nullopt);
}

TEST(SceneRoute, MoveReplacesTheWaypointBeingHeadedFor) {
  TSceneRoute r(RouteOf({{1, 0, 0}, {2, 0, 0}, {3, 0, 0}}, false, 1));
  r.Start();
  r.Replace({9, 9, 0});
  EXPECT_EQ(r.Collided(), (ScenePoint{9, 9, 0}));  // a retry heads for the replacement
  EXPECT_EQ(r.Arrived(), (ScenePoint{2, 0, 0}));   // then on after the replaced waypoint
}

TEST(SceneRoute, RetriesOnlyRouteServesMoves) {
  TSceneRoute r(RouteOf({}, false, 1));
  EXPECT_EQ(r.Start(), std::nullopt);
  EXPECT_EQ(r.Collided(), std::nullopt);  // heading nowhere: nothing to retry
  r.Replace({5, 5, 0});
  EXPECT_EQ(r.Collided(), (ScenePoint{5, 5, 0}));
  EXPECT_EQ(r.Arrived(), std::nullopt);
}

namespace {

// a (0,0) walks to (5,0); b (6,0) walks to (3,0) and then back to (9,0).
// Speed 0.5, radius 0.5, no map. b is nearer (larger X + Y) and moves first.
//  ticks 1-5: b 5.5 5 4.5 4 3.5, a 0.5 1 1.5 2 2.5. At tick 5 a's step ends
//    exactly 1.0 from b: t = 1, no hit; they touch.
//  tick 6: b is 0.5 from (3,0): arrival, and the route sends it to (9,0); its
//    step toward a then hits at t = 0 (b = -1, c = 0), so b stays at 3.5 and
//    its retry heads for (9,0). a's step hits b at t = 0 too: a stays at 2.5
//    and retries (5,0).
//  tick 7 on: b moves away (t = -4), a follows a full unit behind (t = 1).
//  tick 11: a arrives at 5. tick 17: b arrives at 9.
std::string RouteScene(int aRetries) {
  return R"({"view": {"width": 200, "height": 150},
    "figures": [
      {"name": "a", "X": 0, "Y": 0, "frames": [{"number": 1, "image": "f.png"}],
       "route": {"waypoints": [[5, 0, 0]], "retries": )" + std::to_string(aRetries) + R"(}},
      {"name": "b", "X": 6, "Y": 0, "frames": [{"number": 1, "image": "f.png"}],
       "route": {"waypoints": [[3, 0, 0], [9, 0, 0]], "retries": 1}}
    ]})";
}

class RouteScenes : public ::testing::Test {
 protected:
  void SetUp() override { dir.Image("f.png", 16, 16, 0x4080C0); }
  std::vector<json> Run(const std::string& text, int64_t ticks) {
    desc = LoadSceneFile(dir.Write("route.json", text));
    return TraceOf(desc, ticks);
  }
  SceneDir dir;
  SceneDesc desc;
};

}  // namespace

TEST_F(RouteScenes, HeadOnMeetingRetryAndArrival) {
  const std::vector<json> t = Run(RouteScene(1), 18);
  ASSERT_EQ(t.size(), 19u);
  const float ax[19] = {0, 0.5f, 1, 1.5f, 2, 2.5f, 2.5f, 3, 3.5f, 4, 4.5f, 5, 5, 5, 5, 5, 5, 5, 5};
  const float bx[19] = {6, 5.5f, 5, 4.5f, 4, 3.5f, 3.5f, 4, 4.5f, 5, 5.5f, 6, 6.5f, 7, 7.5f, 8, 8.5f, 9, 9};
  for (size_t k = 0; k < t.size(); ++k) {
    const json& a = t[k]["figures"]["a"];
    const json& b = t[k]["figures"]["b"];
    EXPECT_EQ(a["X"].get<float>(), ax[k]) << "tick " << k;
    EXPECT_EQ(b["X"].get<float>(), bx[k]) << "tick " << k;
    EXPECT_EQ(a["Y"], 0);
    EXPECT_EQ(b["Y"], 0);
    EXPECT_EQ(a["Moving"], k < 11) << "tick " << k;
    EXPECT_EQ(b["Moving"], k < 17) << "tick " << k;
    std::string expected = "[]";
    if (k == 6)
      expected = R"([{"event":"arrival","figure":"b"},{"event":"collide","figure":"b","collider":"a","code":1},)"
                 R"({"event":"collide","figure":"a","collider":"b","code":1}])";
    if (k == 11) expected = R"([{"event":"arrival","figure":"a"}])";
    if (k == 17) expected = R"([{"event":"arrival","figure":"b"}])";
    ExpectEvents(t[k], expected);
  }
}

// Without a retry, a stays where it was stopped; b, which had one, goes on.
TEST_F(RouteScenes, NoRetryLeavesTheWalkerStanding) {
  const std::vector<json> t = Run(RouteScene(0), 18);
  for (size_t k = 6; k < t.size(); ++k) {
    EXPECT_EQ(t[k]["figures"]["a"]["X"].get<float>(), 2.5f) << "tick " << k;
    EXPECT_EQ(t[k]["figures"]["a"]["Moving"], false);
  }
  EXPECT_EQ(t[17]["figures"]["b"]["X"].get<float>(), 9.0f);
  ExpectEvents(t[17], R"([{"event":"arrival","figure":"b"}])");
  ExpectEvents(t[11], "[]");  // a never arrives
}

// c heads for (4,0); after tick 2 (X = 1) a move sends it to (1,2) instead:
// ticks 3-6 walk up Y and arrive. The route then goes on after the replaced
// waypoint, to (4,2): ticks 7-12, arriving at 12. A loop route on d wraps.
TEST_F(RouteScenes, MoveActionReplacesTheWaypoint) {
  const std::vector<json> t = Run(R"({"view": {"width": 200, "height": 150},
    "figures": [
      {"name": "c", "frames": [{"number": 1, "image": "f.png"}],
       "route": {"waypoints": [[4, 0, 0], [4, 2, 0]]}},
      {"name": "d", "X": 20, "Y": 0, "Speed": 1, "frames": [{"number": 1, "image": "f.png"}],
       "route": {"waypoints": [[21, 0, 0], [20, 0, 0]], "loop": true}}
    ],
    "actions": [{"tick": 2, "move": "c", "to": [1, 2, 0]}]})",
                                     13);
  const float cx[14] = {0, 0.5f, 1, 1, 1, 1, 1, 1.5f, 2, 2.5f, 3, 3.5f, 4, 4};
  const float cy[14] = {0, 0, 0, 0.5f, 1, 1.5f, 2, 2, 2, 2, 2, 2, 2, 2};
  for (size_t k = 0; k < t.size(); ++k) {
    EXPECT_EQ(t[k]["figures"]["c"]["X"].get<float>(), cx[k]) << "tick " << k;
    EXPECT_EQ(t[k]["figures"]["c"]["Y"].get<float>(), cy[k]) << "tick " << k;
    // d (speed 1) arrives on every tick, alternating between 21 and 20 forever.
    EXPECT_EQ(t[k]["figures"]["d"]["X"].get<float>(), k == 0 ? 20.0f : (k % 2 ? 21.0f : 20.0f)) << "tick " << k;
    std::string expected = k == 0 ? "[" : R"([{"event":"arrival","figure":"d"})";
    if (k == 6 || k == 12) expected += R"(,{"event":"arrival","figure":"c"})";
    expected += "]";
    if (k == 0) expected = "[]";
    ExpectEvents(t[k], expected);
  }
  EXPECT_EQ(t[13]["figures"]["c"]["Moving"], false);
}

// A wall across the map with one gap: a waypoint and a move with "path" take
// the figure through the gap and back, each walk reported by one arrival at
// its end; the same waypoint without "path" ends at the wall (code 2).
TEST_F(RouteScenes, PathWaypointAndMoveGoThroughTheGap) {
  const std::string map = R"("map": {"width": 10, "height": 6,
      "ranges": [{"x1": 4, "y1": 0, "x2": 4, "y2": 4, "tile": 0, "passable": false}]})";
  const std::vector<json> t = Run(R"({"view": {"width": 200, "height": 150}, )" + map + R"(,
    "figures": [
      {"name": "a", "X": 1, "Y": 1, "frames": [{"number": 1, "image": "f.png"}],
       "route": {"waypoints": [{"to": [8, 1, 0], "path": true}]}}
    ],
    "actions": [{"tick": 60, "move": "a", "to": [1, 1, 0], "path": true}]})",
                                  120);
  std::vector<int64_t> arrivals;
  double deepest = 0;
  for (const json& line : t) {
    for (const json& e : line["events"]) {
      EXPECT_EQ(e["event"], "arrival") << line.dump();
      arrivals.push_back(line["tick"]);
    }
    deepest = std::max(deepest, line["figures"]["a"]["Y"].get<double>());
    if (line["tick"] == 59) {
      EXPECT_EQ(line["figures"]["a"]["X"].get<float>(), 8.0f);
    }
  }
  ASSERT_EQ(arrivals.size(), 2u);
  EXPECT_LT(arrivals[0], 60);
  EXPECT_GE(deepest, 4.5);  // through the gap in row 5
  EXPECT_EQ(t.back()["figures"]["a"]["X"].get<float>(), 1.0f);
  EXPECT_EQ(t.back()["figures"]["a"]["Y"].get<float>(), 1.0f);

  const std::vector<json> straight = Run(R"({"view": {"width": 200, "height": 150}, )" + map + R"(,
    "figures": [{"name": "a", "X": 1, "Y": 1, "frames": [{"number": 1, "image": "f.png"}],
                 "route": {"waypoints": [[8, 1, 0]]}}]})",
                                         20);
  ExpectEvents(straight[5], R"([{"event":"collide","figure":"a","collider":null,"code":2}])");  // from X = 3 on
}

