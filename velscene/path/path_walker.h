// TPathWalker: walks one placed figure along a found path, leg by leg from
// its OnArrival; when another figure stops it, it waits a tick and plans
// again around the figures standing still, a bounded number of times, and
// reports how the walk ended through OnDone.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "velscene/platform/host/classes.h"
#include "velscene/platform/host/events.h"
#include "velscene/figure.h"
#include "velscene/path/path_finder.h"

namespace vel {

class TAniView;

enum class TWalkResult : int32_t {
  Arrived,      // the figure stands at the goal
  ArrivedNear,  // it stands at the centre of the reachable cell nearest to the goal
  NoPath,       // no plan from where it stood could take it nearer (after a stop)
  Blocked,      // stopped again after the last retry
  Cancelled,    // Cancel, or Walk called again before this walk ended
  Lost,         // the figure or the view was destroyed, or the figure left the view
};

// Sender is the walker; Figure is nullptr when the figure itself was destroyed.
using TWalkDoneEvent = TEvent<TObject* /*Sender*/, TAniFigure* /*Figure*/, TWalkResult /*Result*/>;
// Sender is the walker.
using TWalkLegEvent = TEvent<TObject* /*Sender*/, TAniFigure* /*Figure*/>;
// Sender is the walker; Collider and CollisionTye as the figure's OnCollide had them.
using TWalkStopEvent =
    TEvent<TObject* /*Sender*/, TAniFigure* /*Figure*/, TObject* /*Collider*/, int32_t /*CollisionTye*/>;

class TPathWalker : public TComponent {
 public:
  explicit TPathWalker(TComponent* AOwner);
  // Ends a walk quietly: the figure's own handlers come back, OnDone is not raised.
  ~TPathWalker() override;
  const char* ClassName() const override { return "TPathWalker"; }

  // Plans a path for Figure, placed in View, from where it stands to (X, Y)
  // around the figures standing still in View, and starts it on the first
  // leg. The figure keeps its height. Only a Found or Nearest plan starts a
  // walk (and only a started walk ends with OnDone); the plan's status is
  // returned. While the walk lasts, the walker holds the figure's OnArrival
  // and OnCollide; the handlers it found are put back when the walk ends,
  // before OnDone. Figure is the application's variable, as for the view: it
  // must stay alive and hold the figure while the walk lasts.
  TPathStatus Walk(TAniView* View, TAniFigure*& Figure, float X, float Y);
  // Ends the walk: the figure stays where it is; OnDone reports Cancelled.
  void Cancel();
  bool Walking() const { return FState != TState::Idle; }

  int32_t MaxRetries = 4;  // plans after stops, per walk
  uint32_t MaxNodes = 0;   // node budget of each plan (0 = none)
  TWalkDoneEvent OnDone;
  // The figure was sent on a leg (its target just set, so that an
  // application can turn its walking animation), or was stopped (and will
  // wait a tick and plan again, or give up).
  TWalkLegEvent OnLeg;
  TWalkStopEvent OnStop;

  // The plan being walked (start, turning points, end), and the stops so far.
  std::span<const TPathPoint> Waypoints() const { return FPath; }
  int32_t Retries() const { return FRetries; }
  TAniFigure* Figure() const { return FFigure ? *FFigure : nullptr; }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  enum class TState { Idle, Moving, Settling, Waiting };

  TPathStatus Plan();
  void Head(size_t Index);
  void WaitTick();
  void Arrived();
  void Collided(TObject* Collider, int32_t Code);
  void Hook();
  void Unhook(bool FigureAlive);
  void End(TWalkResult Result, bool FigureAlive = true);
  bool InView() const;

  TState FState = TState::Idle;
  TAniView* FView = nullptr;
  TAniFigure** FFigure = nullptr;
  TAniFigure* FHooked = nullptr;  // the figure whose handlers the walker holds
  TPathPoint FGoal;
  bool FNearest = false;  // the plan ends at the nearest cell, not the goal
  size_t FNext = 0;       // waypoint the figure heads for
  int32_t FRetries = 0;
  uint64_t FSerial = 0;  // counts the walks started
  std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);  // false once destroyed
  TNotifyEvent FAppArrival;  // the figure's own handlers, while the walker holds it
  TCollideEvent FAppCollide;
  TNotifyEvent FArrivalHook;  // the walker's handlers for it
  TCollideEvent FCollideHook;
  TPathFinder FFinder;
  std::vector<TPathCell> FStanding;
  std::vector<TPathPoint> FPath;
};

}  // namespace vel
