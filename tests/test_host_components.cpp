// Components: owner destruction order, free notification (including a timer
// owned by the owner and destroyed by a view), designing state and names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "velscene/platform/host/application.h"
#include "velscene/platform/backends/headless/headless.h"
#include "velscene/platform/host/classes.h"
#include "velscene/platform/host/timer.h"

using namespace vel;

namespace {

// Records its destruction and every notification it receives into a log.
class Probe : public TComponent {
 public:
  Probe(TComponent* owner, std::string tag, std::vector<std::string>* log)
      : TComponent(owner), tag_(std::move(tag)), log_(log) {}
  ~Probe() override { log_->push_back("~" + tag_); }
  // Identity (address) of the component and the operation.
  std::vector<std::pair<uintptr_t, TOperation>> notes;
  TComponent* destroyOnNotice = nullptr;

 protected:
  void Notification(TComponent* c, TOperation op) override {
    notes.emplace_back(reinterpret_cast<uintptr_t>(c), op);
    if (op == opRemove && destroyOnNotice != nullptr) {
      TComponent* victim = destroyOnNotice;
      destroyOnNotice = nullptr;
      delete victim;
    }
  }

 private:
  std::string tag_;
  std::vector<std::string>* log_;
};

// A component that makes a timer owned by its own owner, destroys it itself
// and watches it with a free notification, as the scene view does.
class TimerUser : public TComponent {
 public:
  explicit TimerUser(TComponent* owner) : TComponent(owner) {
    designingAtConstruction = ComponentState() == csDesigning;
    if (designingAtConstruction) return;
    FTimer = new TTimer(owner);
    FTimer->SetEnabled(false);
    FTimer->FreeNotification(this);
  }
  ~TimerUser() override { delete FTimer; }
  TTimer* FTimer = nullptr;
  bool designingAtConstruction = false;
  int timerGoneNotices = 0;

 protected:
  void Notification(TComponent* c, TOperation op) override {
    if (op == opRemove && c == FTimer) {
      FTimer = nullptr;
      ++timerGoneNotices;
    }
  }
};

class Components : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(Application().SelectBackend("headless")); }
  std::vector<std::string> log;
};

}  // namespace

TEST_F(Components, OwnerDestroysOwnedLastCreatedFirst) {
  auto* root = new Probe(nullptr, "root", &log);
  auto* a = new Probe(root, "a", &log);
  new Probe(root, "b", &log);
  new Probe(a, "a1", &log);
  new Probe(root, "c", &log);
  EXPECT_EQ(root->ComponentCount(), 3);
  EXPECT_EQ(root->Components(0), a);
  EXPECT_EQ(root->Components(3), nullptr);
  EXPECT_EQ(root->Components(-1), nullptr);
  delete root;
  EXPECT_EQ(log, (std::vector<std::string>{"~root", "~c", "~b", "~a", "~a1"}));
}

TEST_F(Components, EarlyDestroyedComponentLeavesOwnerList) {
  auto* root = new Probe(nullptr, "root", &log);
  auto* a = new Probe(root, "a", &log);
  auto* b = new Probe(root, "b", &log);
  ASSERT_EQ(root->notes.size(), 2u);
  const uintptr_t aId = root->notes[0].first;  // recorded at a's insertion
  EXPECT_EQ(root->notes[1].first, reinterpret_cast<uintptr_t>(static_cast<TComponent*>(b)));
  EXPECT_EQ(root->notes[1].second, opInsert);
  delete a;
  ASSERT_EQ(root->ComponentCount(), 1);
  EXPECT_EQ(root->Components(0), b);
  EXPECT_EQ(b->ComponentIndex(), 0);
  // The owner hears of the insertion and of the removal.
  ASSERT_EQ(root->notes.size(), 3u);
  EXPECT_EQ(root->notes[0], std::make_pair(aId, opInsert));
  EXPECT_EQ(root->notes[2], std::make_pair(aId, opRemove));
  delete root;  // would free `a` twice if it were still listed
  EXPECT_EQ(log, (std::vector<std::string>{"~a", "~root", "~b"}));
}

TEST_F(Components, FreeNotificationReachesSubscribersOnceAndEndsOnBothSides) {
  auto* subject = new Probe(nullptr, "subject", &log);
  auto* early = new Probe(nullptr, "early", &log);
  auto* late = new Probe(nullptr, "late", &log);
  auto* removed = new Probe(nullptr, "removed", &log);
  subject->FreeNotification(early);
  subject->FreeNotification(late);
  subject->FreeNotification(late);  // a second subscription is the same one
  subject->FreeNotification(removed);
  subject->RemoveFreeNotification(removed);
  const auto subjectId = reinterpret_cast<uintptr_t>(static_cast<TComponent*>(subject));
  delete early;  // must be dropped from the subject's list
  delete subject;
  ASSERT_EQ(late->notes.size(), 1u);
  EXPECT_EQ(late->notes[0].first, subjectId);
  EXPECT_EQ(late->notes[0].second, opRemove);
  EXPECT_TRUE(removed->notes.empty());
  delete late;
  delete removed;
}

TEST_F(Components, NotificationHandlerMayDestroyAnotherSubscriber) {
  auto* subject = new Probe(nullptr, "subject", &log);
  auto* first = new Probe(nullptr, "first", &log);
  auto* second = new Probe(nullptr, "second", &log);
  subject->FreeNotification(first);
  subject->FreeNotification(second);
  // Subscribers are told last-subscribed first: `second` destroys `first`.
  second->destroyOnNotice = first;
  delete subject;
  EXPECT_EQ(log, (std::vector<std::string>{"~subject", "~first"}));
  EXPECT_EQ(second->notes.size(), 1u);
  delete second;
}

TEST_F(Components, RefTurnsNullWhenComponentDies) {
  auto* c = new TComponent(nullptr);
  TComponentRef<TComponent> ref = c->Ref();
  EXPECT_EQ(ref.Get(), c);
  delete c;
  EXPECT_EQ(ref.Get(), nullptr);
}

TEST_F(Components, DesigningOwnerMakesComponentDesigningBeforeItsConstructorBody) {
  TComponent owner(nullptr);
  owner.SetDesigning(true);
  auto* user = new TimerUser(&owner);
  EXPECT_TRUE(user->designingAtConstruction);
  EXPECT_EQ(user->FTimer, nullptr);
  EXPECT_TRUE(user->ComponentState() == csDesigning);

  TComponent runtimeOwner(nullptr);
  auto* runtimeUser = new TimerUser(&runtimeOwner);
  EXPECT_FALSE(runtimeUser->designingAtConstruction);
  EXPECT_NE(runtimeUser->FTimer, nullptr);
  EXPECT_TRUE(runtimeUser->ComponentState().Empty());
}

TEST_F(Components, SetDesigningReachesOwnedComponentsAndLoadingFlags) {
  TComponent owner(nullptr);
  auto* child = new TComponent(&owner);
  auto* grandchild = new TComponent(child);
  owner.SetDesigning(true);
  EXPECT_TRUE(grandchild->ComponentState().Contains(csDesigning));
  owner.SetDesigning(false);
  EXPECT_FALSE(child->ComponentState().Contains(csDesigning));
  child->SetLoading(true);
  EXPECT_TRUE(child->ComponentState() == (csLoading | csReading));
  child->Loaded();
  EXPECT_TRUE(child->ComponentState() == csReading);
  child->SetLoading(false);
  EXPECT_TRUE(child->ComponentState().Empty());
}

// The owner is destroyed first: it destroys the timer (created last) first,
// the user hears of it and does not free it again.
TEST_F(Components, TimerOwnedByOwnerOwnerDestroyedFirst) {
  auto* owner = new TComponent(nullptr);
  auto* user = new TimerUser(owner);
  TTimer* timer = user->FTimer;
  ASSERT_EQ(timer->Owner(), owner);
  EXPECT_EQ(owner->ComponentCount(), 2);
  delete owner;
  SUCCEED();  // ASan reports a double free or a use after free here
}

TEST_F(Components, TimerOwnedByOwnerUserDestroyedFirst) {
  auto* owner = new TComponent(nullptr);
  auto* user = new TimerUser(owner);
  auto* timer = user->FTimer;
  timer->SetEnabled(true);
  EXPECT_EQ(Application().RunningTimerCount(), 1);
  delete user;
  EXPECT_EQ(owner->ComponentCount(), 0);
  EXPECT_EQ(Application().RunningTimerCount(), 0);
  delete owner;
}

// The owner destroys the user before its timer (the user was moved to the
// end of the list): the user frees the timer, which leaves the owner's list
// while the owner is still destroying.
TEST_F(Components, TimerOwnedByOwnerUserDestroyedFirstByOwner) {
  auto* owner = new TComponent(nullptr);
  auto* user = new TimerUser(owner);
  owner->RemoveComponent(user);
  owner->InsertComponent(user);
  ASSERT_EQ(owner->Components(1), user);
  delete owner;
  SUCCEED();
}

TEST_F(Components, TimerDestroyedDirectlyTellsTheUser) {
  TComponent owner(nullptr);
  auto* user = new TimerUser(&owner);
  delete user->FTimer;
  EXPECT_EQ(user->FTimer, nullptr);
  EXPECT_EQ(user->timerGoneNotices, 1);
}

TEST_F(Components, NamesAreIdentifiersUniqueWithinOwner) {
  TComponent owner(nullptr);
  auto* a = new TComponent(&owner);
  auto* b = new TComponent(&owner);
  a->SetName("View1");
  EXPECT_EQ(owner.FindComponent("view1"), a);
  EXPECT_THROW(b->SetName("VIEW1"), EComponentError);
  EXPECT_THROW(b->SetName("1View"), EComponentError);
  EXPECT_THROW(b->SetName("my view"), EComponentError);
  EXPECT_EQ(b->Name(), "");
  b->SetName("_view2");
  a->SetName("view1");  // renaming itself in another case is fine
  EXPECT_EQ(a->Name(), "view1");
  EXPECT_EQ(owner.FindComponent(""), nullptr);

  // Moving a component into an owner that has its name is refused.
  TComponent other(nullptr);
  auto* c = new TComponent(&other);
  c->SetName("View1");
  EXPECT_THROW(owner.InsertComponent(c), EComponentError);
  EXPECT_EQ(c->Owner(), &other);
  EXPECT_THROW(a->InsertComponent(&owner), EComponentError);  // would own itself
}
