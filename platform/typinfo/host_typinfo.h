// Published properties of the host's own classes (TComponent, TControl,
// TGraphicControl, TTimer, TForm) and ready-made control properties.
#pragma once

#include "velscene/platform/typinfo/typinfo.h"

namespace vel {

// Each registers its class (and its ancestors) once and returns the info.
const TClassInfo* RegisterComponentClass();       // Name, Tag
const TClassInfo* RegisterControlClass();         // + Left, Top, Width, Height, Cursor, Hint
const TClassInfo* RegisterGraphicControlClass();  // the same 8
const TClassInfo* RegisterTimerClass();           // + Enabled, Interval, OnTimer
// + Left, Top, Caption, ClientHeight, ClientWidth, Color, ShowHint, OnClose
const TClassInfo* RegisterFormClass();
// All of the above; the class registry calls it on its first use.
void RegisterHostClasses();

// Control properties that TControl keeps unpublished, for descendants that
// publish them: Enabled (default true), Visible (default true), Align
// (TAlign, default alNone), ShowHint (stored when IsShowHintStored),
// ParentShowHint (default true), OnClick.
TPropInfo ControlEnabledProp();
TPropInfo ControlVisibleProp();
TPropInfo ControlAlignProp();
TPropInfo ControlShowHintProp();
TPropInfo ControlParentShowHintProp();
TPropInfo ControlOnClickProp();

}  // namespace vel
