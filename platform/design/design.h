// Design-time facilities for builders: the component palette, property
// editors (the inspector's view of one published property) and their
// registration by property type, component class and property name.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "velscene/platform/base/flags.h"
#include "velscene/platform/base/object.h"
#include "velscene/platform/typinfo/typinfo.h"

namespace vel {

class TComponent;

// How the inspector treats a row. As a bit set, {paDialog, paReadOnly} is 68.
enum TPropertyAttribute {
  paValueList,      // offers a list of values (GetValues)
  paSubProperties,  // has nested rows (GetProperties)
  paDialog,         // has a button that calls Edit
  paMultiSelect,    // may be edited for several components at once
  paAutoUpdate,     // SetValue on every keystroke
  paSortList,       // the value list is sorted
  paReadOnly,       // the value text cannot be typed over
  paRevertable,     // can be reverted to the inherited value
};
template <>
struct TIsFlagEnum<TPropertyAttribute> : std::true_type {};
using TPropertyAttributes = TFlags<TPropertyAttribute>;

// A value text that the property refuses; the inspector shows the message.
class EPropertyError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The editor of one published property of one component. The base class is
// the generic editor: it shows the value as text, takes text back through the
// property's setter and lists enumeration and Boolean values.
class TPropertyEditor : public TObject {
 public:
  TPropertyEditor() = default;
  const char* ClassName() const override { return "TPropertyEditor"; }

  // What is edited; the inspector sets it before any other call.
  void SetPropEntry(TComponent* component, const TPropInfo* prop);
  TComponent* GetComponent() const { return component_; }
  const TPropInfo* GetPropInfo() const { return prop_; }

  // The inspector's operations, in slot order.
  virtual void Activate();
  virtual bool AllEqual();
  virtual void Edit();
  virtual TPropertyAttributes GetAttributes();
  virtual int32_t GetEditLimit();
  virtual std::string GetName();
  virtual void GetProperties(const std::function<void(TPropertyEditor*)>& proc);
  virtual std::string GetValue();
  virtual void GetValues(const std::function<void(const std::string&)>& proc);
  virtual void Initialize();
  // Throws EPropertyError when the text does not fit or the setter refuses it.
  virtual void SetValue(const std::string& value);

 private:
  TComponent* component_ = nullptr;
  const TPropInfo* prop_ = nullptr;
};

// An editor class: its name and how to make one.
struct TPropertyEditorClass {
  const char* ClassName;
  TPropertyEditor* (*Create)();
};

// Adds classes to a palette page (made on first use), in the order given;
// a class already on the page is not added twice. Null classes are skipped.
void RegisterComponents(const std::string& page, std::initializer_list<const TClassInfo*> classes);
void RegisterComponents(const std::string& page, const std::vector<const TClassInfo*>& classes);

// Attaches an editor class to the properties of type `propertyType` (the
// property's type name), of `componentClass` and its descendants (null: any
// class), named `propertyName` ("" : any name). Ignored without an editor.
void RegisterPropertyEditor(const std::string& propertyType, const TClassInfo* componentClass,
                            const std::string& propertyName,
                            const TPropertyEditorClass* editorClass);

// Registrations carry a serial number that grows with every registration
// call, so that a builder (or a test) can tell in which order they came.
struct TPalettePage {
  std::string Name;
  std::vector<const TClassInfo*> Classes;
  uint64_t Serial = 0;  // of the call that made the page
};
// Pages in the order they were first registered.
std::vector<TPalettePage> PalettePages();

struct TPropertyEditorRegistration {
  std::string PropertyType;
  const TClassInfo* ComponentClass = nullptr;
  std::string PropertyName;
  const TPropertyEditorClass* EditorClass = nullptr;
  uint64_t Serial = 0;
};
// Every registration, in call order.
std::vector<TPropertyEditorRegistration> PropertyEditorRegistrations();

// The editor class for a property of a component's class: of the registrations
// that match, the one for the most derived component class, and of those the
// latest. Null when none matches (the generic editor applies).
const TPropertyEditorClass* FindPropertyEditorClass(const TClassInfo* componentClass,
                                                    const TPropInfo* prop);
// A ready editor for the row (registered or generic); null for a null
// component or property.
std::unique_ptr<TPropertyEditor> CreatePropertyEditor(TComponent* component, const TPropInfo* prop);

// Removes palette classes and editor registrations that `classGoes` (for
// classes) or `addressGoes` (for editor classes) selects. The module list
// calls it when a package is unloaded.
void UnregisterDesignEntries(const std::function<bool(const TClassInfo*)>& classGoes,
                             const std::function<bool(const void*)>& addressGoes);

}  // namespace vel
