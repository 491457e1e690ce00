// Property values as text, the way the inspector shows and takes them, and the
// names of the host's colour constants.
#pragma once

#include <string>
#include <string_view>

#include "velscene/platform/graphics/graphics.h"
#include "velscene/platform/typinfo/typinfo.h"

namespace vel {

// "clRed", "clBtnFace", ... for a named colour; false otherwise.
bool ColorToIdent(TColor color, std::string& ident);
// The colour of a name (case-insensitive); false for an unknown name.
bool IdentToColor(std::string_view ident, TColor& color);

// Integers in decimal, Single as the shortest text that reads back as the same
// float, Boolean as "True"/"False", colours by name or as "$" and 8 hex digits,
// enumerations by name, strings as they are, events by handler name, class
// references as "" (nil) or "(ClassName)".
std::string PropValueToText(const TPropInfo* prop, const TPropValue& value);
// The reverse, by the property's kind: decimal or "$hex" integers, floats,
// "True"/"False" (any case), colour names or numbers, enumeration names.
// False with `error` set when the text does not fit the kind; the range is
// left to the property's setter. Class and event properties take no text.
bool PropValueFromText(const TPropInfo* prop, std::string_view text, TPropValue& value,
                       std::string& error);

}  // namespace vel
