// An application built against the installed library: binds a map and draws a frame.
#include <cstdio>
#include "velscene/platform/host/forms.h"
#include "velscene/platform/host/application.h"
#include "velscene/view.h"
#include "velscene/map.h"
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
}
