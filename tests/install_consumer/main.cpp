// An application built against the installed library: binds a map, draws a
// frame, finds a path over the view's map and reads a scene file.
#include <cstdio>

#include <velscene/map.h>
#include <velscene/path/path_finder.h>
#include <velscene/platform/host/application.h>
#include <velscene/platform/host/forms.h>
#include <velscene/scene/scene_loader.h>
#include <velscene/version.h>
#include <velscene/view.h>
#if __has_include(<velscene/tiled/tiled_scene.h>)
#include <velscene/tiled/tiled_reader.h>
#include <velscene/tiled/tiled_scene.h>
#define CONSUMER_TILED 1
#endif

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
  vel::TPathFinder finder;
  const vel::TPathStatus status = finder.Find(vel::PathGridOf(*view), {0, 0}, {9, 9});
  std::printf(" path %d waypoints %zu", int(status), finder.Waypoints().size());
  if (argc > 1) std::printf(" figures %zu", vel::LoadSceneFile(argv[1]).Figures.size());
#ifdef CONSUMER_TILED
  const char* tmx = R"(<map orientation="isometric" width="2" height="3" tilewidth="16" tileheight="8"/>)";
  const vel::TiledScene tiled = vel::ConvertTiledMap(vel::ParseTiledMap(tmx, "inline.tmx", "."));
  std::printf(" tiled %ux%u", tiled.Width, tiled.Height);
#endif
  std::printf("\n");
}
