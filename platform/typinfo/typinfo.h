// Published-property metadata: class infos with factories and ordered
// property descriptions, a registry by class name, and handler resolution.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <typeinfo>
#include <variant>
#include <vector>

namespace vel {

class TComponent;

enum TTypeKind {
  tkInteger,
  tkCardinal,
  tkSingle,
  tkBoolean,
  tkColor,
  tkEnum,
  tkString,
  tkClass,
  tkMethod,
};

// A property value: integers, cardinals, colours, enumerations and class
// references as int64; Single as double; Boolean; strings (and the handler
// name of an event).
using TPropValue = std::variant<int64_t, double, bool, std::string>;

// Finds handlers by name for a reader: fills `event` (a TEvent of the type
// given by `eventType`) and returns true, or returns false when no handler of
// that name and type exists.
class TMethodResolver {
 public:
  virtual ~TMethodResolver() = default;
  virtual bool Resolve(const std::string& name, const std::type_info& eventType, void* event) = 0;
};

// A resolver over handlers added by name: `table.Add("FormClick",
// TNotifyEvent(form, &TMyForm::FormClick))`.
class TMethodTable : public TMethodResolver {
 public:
  template <class E>
  void Add(const std::string& name, E event) {
    entries_.push_back({name, &typeid(E), [event](void* out) { *static_cast<E*>(out) = event; }});
  }
  bool Resolve(const std::string& name, const std::type_info& eventType, void* event) override;

 private:
  struct Entry {
    std::string name;
    const std::type_info* type;
    std::function<void(void*)> assign;
  };
  std::vector<Entry> entries_;
};

enum TStoredRule {
  srAlways,    // always written
  srDefault,   // written unless equal to Default
  srFunction,  // written when StoredFn says so
  srNever,     // never written (Name is kept by form files elsewhere; pseudo-properties)
};

struct TPropInfo {
  std::string Name;
  TTypeKind Kind = tkInteger;
  std::string TypeName;                // "Integer", "Cardinal", "TColor", "TAlign", ...
  std::vector<std::string> EnumNames;  // tkEnum: the names of values 0, 1, ...
  // Reads the value; a component of another class reads as int64 0.
  std::function<TPropValue(const TComponent*)> Get;
  // Writes the value; false when the component is of another class, the value
  // has the wrong kind or is out of range (nothing changes then).
  std::function<bool(TComponent*, const TPropValue&)> Set;
  // tkMethod: binds the handler of that name found by the resolver ("" clears).
  std::function<bool(TComponent*, const std::string&, TMethodResolver*)> SetMethod;
  TStoredRule Stored = srAlways;
  TPropValue Default = int64_t{0};
  std::function<bool(const TComponent*)> StoredFn;
};

using TComponentFactory = TComponent* (*)(TComponent* owner);

struct TClassInfo {
  std::string ClassName;
  const TClassInfo* Parent = nullptr;
  TComponentFactory Create = nullptr;  // null for a class that is not created by name
  std::vector<TPropInfo> Props;        // own published properties, in declaration order
};

// Registers a class; a class of the same name (case-insensitive) stays as it
// is and is returned. The returned pointer stays valid for the process, or
// until the class is unregistered when its package is unloaded.
const TClassInfo* RegisterClassInfo(TClassInfo info);
// Removes the classes that `match` selects and every class derived from them;
// returns how many went. (The host calls it when a package is unloaded.)
size_t UnregisterClassInfos(const std::function<bool(const TClassInfo*)>& match);
const TClassInfo* FindClassInfo(std::string_view className);
// The class info of a component (by its class name), or null.
const TClassInfo* ClassInfoOf(const TComponent* component);
std::vector<const TClassInfo*> RegisteredClasses();
bool InheritsFrom(const TClassInfo* info, const TClassInfo* ancestor);

// All published properties, inherited first; a property redeclared by a
// descendant replaces the inherited one at the inherited position.
std::vector<const TPropInfo*> GetPropList(const TClassInfo* info);
const TPropInfo* FindPropInfo(const TClassInfo* info, std::string_view name);

// Safe access: null components and properties read as int64 0 / fail.
TPropValue GetPropValue(const TComponent* c, const TPropInfo* prop);
bool SetPropValue(TComponent* c, const TPropInfo* prop, const TPropValue& value);
// tkMethod only: the handler's name ("" when unassigned or bound in code).
std::string GetMethodName(const TComponent* c, const TPropInfo* prop);
bool SetMethodProp(TComponent* c, const TPropInfo* prop, const std::string& handlerName,
                   TMethodResolver* resolver);
// Whether a writer stores the property of this component.
bool IsStoredProp(const TComponent* c, const TPropInfo* prop);

// Enumeration names: "" / -1 when out of range or unknown (names compare
// case-insensitively).
std::string GetEnumName(const TPropInfo* prop, int64_t value);
int64_t GetEnumValue(const TPropInfo* prop, std::string_view name);
int64_t EnumIndexOf(const std::vector<std::string>& names, std::string_view name);

// Value conversions used by the property setters: false when the value has
// another kind or does not fit.
bool PropValueToInt(const TPropValue& v, int64_t& out);
bool PropValueToDouble(const TPropValue& v, double& out);
bool PropValueToBool(const TPropValue& v, bool& out);

}  // namespace vel
