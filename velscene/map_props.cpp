// Published properties of TAniMap for form streaming and the inspector:
// Width and Height through their setters, then the About pseudo-property.
#include "velscene/platform/typinfo/host_typinfo.h"
#include "velscene/platform/typinfo/propbuild.h"
#include "velscene/map.h"

namespace vel {

namespace {

TComponent* CreateAniMap(TComponent* owner) { return new TAniMap(owner); }

}  // namespace

void RegisterAniMapClass() {
  TClassInfo info;
  info.ClassName = "TAniMap";
  info.Parent = RegisterComponentClass();
  info.Create = &CreateAniMap;
  info.Props = {
      MakeProp("Width", tkCardinal, "Cardinal", &TAniMap::Width, &TAniMap::SetWidth),
      MakeProp("Height", tkCardinal, "Cardinal", &TAniMap::Height, &TAniMap::SetHeight),
      MakePseudoClassProp("About", "TAbout"),
  };
  RegisterClassInfo(std::move(info));
}

}  // namespace vel
