// Published properties of TAniView for form files and the builder's
// inspector: the host control's own eight, then the view's in their order.
#include "velscene/platform/typinfo/host_typinfo.h"
#include "velscene/platform/typinfo/propbuild.h"
#include "velscene/view.h"

namespace vel {

namespace {
TComponent* CreateAniView(TComponent* owner) { return new TAniView(owner); }
}  // namespace

void RegisterAniViewClass() {
  using V = TAniView;
  TClassInfo info;
  info.ClassName = "TAniView";
  info.Parent = RegisterGraphicControlClass();
  info.Create = &CreateAniView;
  info.Props = {
      MakeProp("Interval", tkCardinal, "Cardinal", &V::Interval, &V::SetInterval),  // always written
      ControlEnabledProp(),
      ControlAlignProp(),
      ControlShowHintProp(),
      ControlVisibleProp(),
      MakeProp("Color", tkColor, "TColor", &V::Color, &V::SetColor),  // always written
      WithDefault(MakeProp("CellWidth", tkInteger, "Integer", &V::CellWidth, &V::SetCellWidth),
                  int64_t{kDefaultCellWidth}),
      MakePseudoClassProp("About", "TAbout"),
      MakeEventProp("OnBeforeUpdate", "TNotifyEvent", &V::OnBeforeUpdate),
      MakeEventProp("OnAfterUpdate", "TNotifyEvent", &V::OnAfterUpdate),
      MakeEventProp("OnAfterDisplay", "TNotifyEvent", &V::OnAfterDisplay),
      MakeEventProp("OnMouseDown", "TExtMouseEvent", &V::OnMouseDown),
      MakeEventProp("OnMouseUp", "TExtMouseEvent", &V::OnMouseUp),
      MakeEventProp("OnMouseMove", "TExtMouseMoveEvent", &V::OnMouseMove),
      ControlOnClickProp(),
  };
  RegisterClassInfo(std::move(info));
}

}  // namespace vel
