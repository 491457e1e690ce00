// An application built against the installed library: binds a map, draws a
// frame and finds a path over the view's map.
#include <cstdio>
#include "velscene/platform/host/forms.h"
#include "velscene/platform/host/application.h"
#include "velscene/view.h"
#include "velscene/map.h"
#include "velscene/path/path_finder.h"
int main() {
  vel::Application().SelectBackend("headless");
  vel::TForm form(nullptr);
  auto* view = new vel::TAniView(&form);
  view->SetParent(&form);
  view->SetBounds(0, 0, 200, 100);
  vel::TAniMap map(&form);
  view->SetMap(&map);
  view->DrawFrame();
  std::printf("origin %d %d\n", view->OriginX(), view->OriginY());
  vel::TPathFinder finder;
  const vel::TPathStatus status = finder.Find(vel::PathGridOf(*view), {0, 0}, {9, 9});
  std::printf("path %d, %zu waypoints\n", int(status), finder.Waypoints().size());
  return status == vel::TPathStatus::Found ? 0 : 1;
}
