// Published properties of TAniFigure for form streaming and the inspector,
// in their declaration order after TComponent's own.
#include "velscene/platform/typinfo/host_typinfo.h"
#include "velscene/platform/typinfo/propbuild.h"
#include "velscene/internal/field_prop.h"
#include "velscene/figure.h"

namespace vel {

namespace {

TComponent* CreateAniFigure(TComponent* owner) { return new TAniFigure(owner); }

}  // namespace

void RegisterAniFigureClass() {
  using F = TAniFigure;
  TClassInfo info;
  info.ClassName = "TAniFigure";
  info.Parent = RegisterComponentClass();
  info.Create = &CreateAniFigure;
  info.Props = {
      MakeProp("Frame", tkCardinal, "Cardinal", &F::Frame, &F::SetCurrentFrame),
      MakeProp("X", tkSingle, "Single", &F::X, &F::SetX),
      MakeProp("Y", tkSingle, "Single", &F::Y, &F::SetY),
      MakeProp("Z", tkSingle, "Single", &F::Z, &F::SetZ),
      MakeFieldProp("Width", tkCardinal, "Cardinal", &F::Width),
      MakeFieldProp("Height", tkCardinal, "Cardinal", &F::Height),
      MakeFieldProp("CenterX", tkInteger, "Integer", &F::CenterX),
      MakeFieldProp("CenterY", tkInteger, "Integer", &F::CenterY),
      MakeFieldProp("Speed", tkSingle, "Single", &F::Speed),
      MakeFieldProp("Shadow", tkBoolean, "Boolean", &F::Shadow),
      MakeFieldProp("ShadowRadius", tkSingle, "Single", &F::ShadowRadius),
      MakeFieldProp("Enabled", tkBoolean, "Boolean", &F::Enabled),
      MakeFieldProp("Visible", tkBoolean, "Boolean", &F::Visible),
      MakePseudoClassProp("About", "TAbout"),
      MakeProp("HighlightColor", tkColor, "TColor", &F::HighlightColor, &F::SetHighlightColor),
      MakeFieldProp("Highlighted", tkBoolean, "Boolean", &F::Highlighted),
      MakeFieldProp("AutoHighlight", tkBoolean, "Boolean", &F::AutoHighlight),
      MakeFieldProp("Passable", tkBoolean, "Boolean", &F::Passable),
      MakeFieldProp("Radius", tkSingle, "Single", &F::Radius),
      MakeFieldProp("Transparent", tkBoolean, "Boolean", &F::Transparent),
      MakeEventProp("OnClick", "TNotifyEvent", &F::OnClick),
      MakeEventProp("OnMouseOver", "TNotifyEvent", &F::OnMouseOver),
      MakeEventProp("OnCollide", "TCollideEvent", &F::OnCollide),
      MakeEventProp("OnArrival", "TNotifyEvent", &F::OnArrival),
  };
  RegisterClassInfo(std::move(info));
}

}  // namespace vel
