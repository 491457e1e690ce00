// Events: member and callable handlers, names, reference arguments, and
// handlers that destroy the event's owner or reassign the event while running.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "velscene/platform/host/events.h"

using namespace vel;

namespace {

struct Receiver : TObject {
  TObject* lastSender = nullptr;
  int calls = 0;
  void Handle(TObject* sender) {
    lastSender = sender;
    ++calls;
  }
  void Sum(int a, int b, int& out) const { out = a + b; }
};

// An object whose event handler may delete it.
struct Holder : TObject {
  TNotifyEvent OnFire;
  void Fire() { OnFire(this); }
};

}  // namespace

TEST(Events, UnassignedEventDoesNothing) {
  TNotifyEvent e;
  EXPECT_FALSE(e.Assigned());
  EXPECT_EQ(e.Data(), nullptr);
  e(nullptr);  // no handler, no effect
  TNotifyEvent fromNullFunction = static_cast<void (*)(TObject*)>(nullptr);
  EXPECT_FALSE(fromNullFunction.Assigned());
  TNotifyEvent fromEmptyFunction = std::function<void(TObject*)>();
  EXPECT_FALSE(fromEmptyFunction.Assigned());
  TNotifyEvent fromNullObject(static_cast<Receiver*>(nullptr), &Receiver::Handle);
  EXPECT_FALSE(fromNullObject.Assigned());
}

TEST(Events, MemberHandlerGetsObjectAndSender) {
  Receiver r;
  TObject sender;
  TNotifyEvent e(&r, &Receiver::Handle);
  ASSERT_TRUE(e.Assigned());
  EXPECT_EQ(e.Data(), &r);
  e(&sender);
  EXPECT_EQ(r.calls, 1);
  EXPECT_EQ(r.lastSender, &sender);
  // Copies share the handler.
  TNotifyEvent copy = e;
  copy(nullptr);
  EXPECT_EQ(r.calls, 2);
  e = nullptr;
  EXPECT_FALSE(e.Assigned());
  EXPECT_TRUE(copy.Assigned());
}

TEST(Events, ConstMemberAndReferenceArguments) {
  const Receiver r;
  TEvent<int, int, int&> e(&r, &Receiver::Sum);
  int out = 0;
  e(2, 40, out);
  EXPECT_EQ(out, 42);
}

TEST(Events, LambdaHandlerWithDataAndName) {
  int seen = 0;
  int marker = 0;
  TEvent<int> e([&seen](int v) { seen = v; }, &marker);
  EXPECT_EQ(e.Data(), &marker);
  e(7);
  EXPECT_EQ(seen, 7);
  EXPECT_EQ(e.Name(), "");
  e.SetName("FormClick");
  EXPECT_EQ(e.Name(), "FormClick");
  e.Clear();
  EXPECT_FALSE(e.Assigned());
  EXPECT_EQ(e.Name(), "");
  e(9);
  EXPECT_EQ(seen, 7);
}

// The handler deletes the object that holds the event, then keeps using its
// own captured state: the call must keep the handler alive (ASan checks).
TEST(Events, HandlerMayDestroyTheEventsOwner) {
  auto* holder = new Holder;
  auto text = std::make_shared<std::string>();
  std::string captured = "still here after the owner is gone";
  holder->OnFire = [holder, captured, text](TObject* sender) {
    EXPECT_EQ(sender, holder);
    delete holder;
    *text = captured;
  };
  holder->Fire();
  EXPECT_EQ(*text, "still here after the owner is gone");
}

TEST(Events, HandlerMayReassignItsEvent) {
  Holder h;
  int first = 0, second = 0;
  h.OnFire = [&](TObject*) {
    ++first;
    h.OnFire = [&second](TObject*) { ++second; };
    ++first;  // the running handler is not affected
  };
  h.Fire();
  EXPECT_EQ(first, 2);
  EXPECT_EQ(second, 0);
  h.Fire();
  EXPECT_EQ(first, 2);
  EXPECT_EQ(second, 1);
}
