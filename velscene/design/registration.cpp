// Register: the three components on the "Animation" palette page and the
// About editor on each component's About property.
#include "velscene/platform/design/design.h"
#include "velscene/design/about.h"
#include "velscene/design/package.h"
#include "velscene/figure.h"
#include "velscene/map.h"
#include "velscene/view.h"

extern "C" void Register() {
  using namespace vel;
  RegisterAniViewClass();
  RegisterAniFigureClass();
  RegisterAniMapClass();
  const TClassInfo* view = FindClassInfo("TAniView");
  const TClassInfo* figure = FindClassInfo("TAniFigure");
  const TClassInfo* map = FindClassInfo("TAniMap");

  RegisterComponents("Animation", {view, figure, map});
  RegisterPropertyEditor("TAbout", figure, "About", &TAbout::EditorClass);
  RegisterPropertyEditor("TAbout", map, "About", &TAbout::EditorClass);
  RegisterPropertyEditor("TAbout", view, "About", &TAbout::EditorClass);
}
