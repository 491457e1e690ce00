// Published-property tables of the host's classes, registered on request.
#include "velscene/platform/typinfo/host_typinfo.h"

#include "velscene/platform/host/classes.h"
#include "velscene/platform/host/controls.h"
#include "velscene/platform/host/forms.h"
#include "velscene/platform/typinfo/propbuild.h"
#include "velscene/platform/host/timer.h"

namespace vel {

namespace {

TPropInfo NameProp() {
  TPropInfo p;
  p.Name = "Name";
  p.Kind = tkString;
  p.TypeName = "TComponentName";
  p.Stored = srNever;  // form files keep it with the object's header
  p.Get = [](const TComponent* c) -> TPropValue { return c->Name(); };
  p.Set = [](TComponent* c, const TPropValue& v) {
    const auto* s = std::get_if<std::string>(&v);
    if (s == nullptr) return false;
    try {
      c->SetName(*s);
    } catch (const EComponentError&) {
      return false;
    }
    return true;
  };
  return p;
}

template <class T>
TComponent* Create(TComponent* owner) {
  return new T(owner);
}

}  // namespace

const TClassInfo* RegisterComponentClass() {
  TClassInfo info;
  info.ClassName = "TComponent";
  info.Create = &Create<TComponent>;
  info.Props.push_back(NameProp());
  info.Props.push_back(WithDefault(
      MakeProp("Tag", tkInteger, "NativeInt", &TComponent::Tag, &TComponent::SetTag), int64_t{0}));
  return RegisterClassInfo(std::move(info));
}

const TClassInfo* RegisterControlClass() {
  TClassInfo info;
  info.ClassName = "TControl";
  info.Parent = RegisterComponentClass();
  info.Create = &Create<TControl>;
  info.Props = {
      MakeProp("Left", tkInteger, "Integer", &TControl::Left, &TControl::SetLeft),
      MakeProp("Top", tkInteger, "Integer", &TControl::Top, &TControl::SetTop),
      MakeProp("Width", tkInteger, "Integer", &TControl::Width, &TControl::SetWidth),
      MakeProp("Height", tkInteger, "Integer", &TControl::Height, &TControl::SetHeight),
      WithDefault(MakeProp("Cursor", tkInteger, "TCursor", &TControl::Cursor, &TControl::SetCursor),
                  int64_t{crDefault}),
      WithDefault(MakeProp("Hint", tkString, "string", &TControl::Hint, &TControl::SetHint),
                  std::string()),
  };
  return RegisterClassInfo(std::move(info));
}

const TClassInfo* RegisterGraphicControlClass() {
  TClassInfo info;
  info.ClassName = "TGraphicControl";
  info.Parent = RegisterControlClass();
  info.Create = &Create<TGraphicControl>;
  return RegisterClassInfo(std::move(info));
}

const TClassInfo* RegisterTimerClass() {
  TClassInfo info;
  info.ClassName = "TTimer";
  info.Parent = RegisterComponentClass();
  info.Create = &Create<TTimer>;
  info.Props = {
      WithDefault(MakeProp("Enabled", tkBoolean, "Boolean", &TTimer::Enabled, &TTimer::SetEnabled),
                  true),
      WithDefault(
          MakeProp("Interval", tkCardinal, "Cardinal", &TTimer::Interval, &TTimer::SetInterval),
          int64_t{1000}),
      MakeEventProp("OnTimer", "TNotifyEvent", &TTimer::OnTimer),
  };
  return RegisterClassInfo(std::move(info));
}

const TClassInfo* RegisterFormClass() {
  TClassInfo info;
  info.ClassName = "TForm";
  info.Parent = RegisterComponentClass();
  info.Create = &Create<TForm>;
  info.Props = {
      MakeProp("Left", tkInteger, "Integer", &TForm::Left, &TForm::SetLeft),
      MakeProp("Top", tkInteger, "Integer", &TForm::Top, &TForm::SetTop),
      WithDefault(MakeProp("Caption", tkString, "TCaption", &TForm::Caption, &TForm::SetCaption),
                  std::string()),
      MakeProp("ClientHeight", tkInteger, "Integer", &TForm::ClientHeight, &TForm::SetClientHeight),
      MakeProp("ClientWidth", tkInteger, "Integer", &TForm::ClientWidth, &TForm::SetClientWidth),
      WithDefault(MakeProp("Color", tkColor, "TColor", &TForm::Color, &TForm::SetColor),
                  int64_t{clBtnFace}),
      WithDefault(MakeProp("ShowHint", tkBoolean, "Boolean", &TForm::ShowHint, &TForm::SetShowHint),
                  false),
      MakeEventProp("OnClose", "TNotifyEvent", &TForm::OnClose),
  };
  return RegisterClassInfo(std::move(info));
}

void RegisterHostClasses() {
  RegisterComponentClass();
  RegisterControlClass();
  RegisterGraphicControlClass();
  RegisterTimerClass();
  RegisterFormClass();
}

TPropInfo ControlEnabledProp() {
  return WithDefault(
      MakeProp("Enabled", tkBoolean, "Boolean", &TControl::Enabled, &TControl::SetEnabled), true);
}

TPropInfo ControlVisibleProp() {
  return WithDefault(
      MakeProp("Visible", tkBoolean, "Boolean", &TControl::Visible, &TControl::SetVisible), true);
}

TPropInfo ControlAlignProp() {
  return WithDefault(MakeProp("Align", tkEnum, "TAlign", &TControl::Align, &TControl::SetAlign,
                              {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"}),
                     int64_t{alNone});
}

TPropInfo ControlShowHintProp() {
  return WithStoredFn(
      MakeProp("ShowHint", tkBoolean, "Boolean", &TControl::ShowHint, &TControl::SetShowHint),
      [](const TComponent* c) {
        const auto* control = dynamic_cast<const TControl*>(c);
        return control != nullptr && control->IsShowHintStored();
      });
}

TPropInfo ControlParentShowHintProp() {
  return WithDefault(MakeProp("ParentShowHint", tkBoolean, "Boolean", &TControl::ParentShowHint,
                              &TControl::SetParentShowHint),
                     true);
}

TPropInfo ControlOnClickProp() {
  return MakeEventProp("OnClick", "TNotifyEvent", &TControl::OnClick);
}

}  // namespace vel
