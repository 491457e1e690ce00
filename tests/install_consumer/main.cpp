// An application built against the installed library: binds a map, draws a
// frame and reads a scene file.
#include <cstdio>

#include <velscene/map.h>
#include <velscene/platform/host/application.h>
#include <velscene/platform/host/forms.h>
#include <velscene/scene/scene_loader.h>
#include <velscene/version.h>
#include <velscene/view.h>

int main(int argc, char** argv) {
  vel::Application().SelectBackend("headless");
  vel::TForm form(nullptr);
  auto* view = new vel::TAniView(&form);
  view->SetParent(&form);
  view->SetBounds(0, 0, 200, 100);
  vel::TAniMap map(&form);
  view->SetMap(&map);
  view->DrawFrame();
  std::printf("version %s origin %d %d", VELSCENE_VERSION, view->OriginX(), view->OriginY());
  if (argc > 1) std::printf(" figures %zu", vel::LoadSceneFile(argv[1]).Figures.size());
  std::printf("\n");
}
