// The palette, the property-editor registry and the generic property editor.
#include "velscene/platform/design/design.h"

#include <algorithm>

#include "velscene/platform/host/classes.h"
#include "velscene/platform/typinfo/prop_text.h"
#include "velscene/platform/base/text.h"

namespace vel {

namespace {


std::vector<TPalettePage>& Pages() {
  static std::vector<TPalettePage> pages;
  return pages;
}

std::vector<TPropertyEditorRegistration>& Editors() {
  static std::vector<TPropertyEditorRegistration> editors;
  return editors;
}

uint64_t g_serial = 0;

int Depth(const TClassInfo* info) {
  int d = 0;
  for (; info != nullptr && d < 256; info = info->Parent) ++d;
  return d;
}

}  // namespace

// ---------------------------------------------------------------------------
// The generic editor
// ---------------------------------------------------------------------------
void TPropertyEditor::SetPropEntry(TComponent* component, const TPropInfo* prop) {
  component_ = component;
  prop_ = prop;
}

void TPropertyEditor::Activate() {}

bool TPropertyEditor::AllEqual() { return true; }

void TPropertyEditor::Edit() {
  // Without a dialog, editing steps to the next value of a value list.
  if (prop_ == nullptr || component_ == nullptr || !GetAttributes().Contains(paValueList)) return;
  std::vector<std::string> values;
  GetValues([&values](const std::string& v) { values.push_back(v); });
  if (values.empty()) return;
  const std::string current = GetValue();
  size_t next = 0;
  for (size_t i = 0; i < values.size(); ++i) {
    if (SameText(values[i], current)) next = (i + 1) % values.size();
  }
  SetValue(values[next]);
}

TPropertyAttributes TPropertyEditor::GetAttributes() {
  TPropertyAttributes attrs = TPropertyAttributes(paMultiSelect) | paRevertable;
  if (prop_ == nullptr) return attrs;
  if (prop_->Kind == tkEnum || prop_->Kind == tkBoolean) attrs |= paValueList;
  if (prop_->Kind == tkEnum) attrs |= paSortList;
  if (prop_->Kind == tkClass || (prop_->Kind != tkMethod && !prop_->Set)) attrs |= paReadOnly;
  return attrs;
}

int32_t TPropertyEditor::GetEditLimit() { return 255; }

std::string TPropertyEditor::GetName() { return prop_ ? prop_->Name : std::string(); }

void TPropertyEditor::GetProperties(const std::function<void(TPropertyEditor*)>& /*proc*/) {}

std::string TPropertyEditor::GetValue() {
  if (prop_ == nullptr || component_ == nullptr) return {};
  return PropValueToText(prop_, GetPropValue(component_, prop_));
}

void TPropertyEditor::GetValues(const std::function<void(const std::string&)>& proc) {
  if (prop_ == nullptr || !proc) return;
  if (prop_->Kind == tkBoolean) {
    proc("False");
    proc("True");
  } else if (prop_->Kind == tkEnum) {
    for (const std::string& name : prop_->EnumNames) proc(name);
  }
}

void TPropertyEditor::Initialize() {}

void TPropertyEditor::SetValue(const std::string& value) {
  if (prop_ == nullptr || component_ == nullptr) throw EPropertyError("no property to set");
  TPropValue v;
  std::string error;
  if (!PropValueFromText(prop_, value, v, error)) throw EPropertyError(prop_->Name + ": " + error);
  if (!SetPropValue(component_, prop_, v))
    throw EPropertyError(prop_->Name + ": '" + value + "' is out of range or refused");
}

// ---------------------------------------------------------------------------
// Registration
// ---------------------------------------------------------------------------
void RegisterComponents(const std::string& page, std::initializer_list<const TClassInfo*> classes) {
  RegisterComponents(page, std::vector<const TClassInfo*>(classes));
}

void RegisterComponents(const std::string& page, const std::vector<const TClassInfo*>& classes) {
  auto& pages = Pages();
  auto it = std::find_if(pages.begin(), pages.end(),
                         [&](const TPalettePage& p) { return SameText(p.Name, page); });
  ++g_serial;
  if (it == pages.end()) it = pages.insert(pages.end(), TPalettePage{page, {}, g_serial});
  for (const TClassInfo* info : classes) {
    if (info == nullptr) continue;
    if (std::find(it->Classes.begin(), it->Classes.end(), info) == it->Classes.end())
      it->Classes.push_back(info);
  }
}

void RegisterPropertyEditor(const std::string& propertyType, const TClassInfo* componentClass,
                            const std::string& propertyName,
                            const TPropertyEditorClass* editorClass) {
  if (editorClass == nullptr || editorClass->Create == nullptr) return;
  Editors().push_back({propertyType, componentClass, propertyName, editorClass, ++g_serial});
}

std::vector<TPalettePage> PalettePages() { return Pages(); }

std::vector<TPropertyEditorRegistration> PropertyEditorRegistrations() { return Editors(); }

const TPropertyEditorClass* FindPropertyEditorClass(const TClassInfo* componentClass,
                                                    const TPropInfo* prop) {
  if (prop == nullptr) return nullptr;
  const TPropertyEditorRegistration* best = nullptr;
  int bestDepth = -1;
  for (const TPropertyEditorRegistration& r : Editors()) {
    if (!SameText(r.PropertyType, prop->TypeName)) continue;
    if (!r.PropertyName.empty() && !SameText(r.PropertyName, prop->Name)) continue;
    if (r.ComponentClass != nullptr && !InheritsFrom(componentClass, r.ComponentClass)) continue;
    const int depth = Depth(r.ComponentClass);
    if (depth >= bestDepth) {
      best = &r;
      bestDepth = depth;
    }
  }
  return best ? best->EditorClass : nullptr;
}

std::unique_ptr<TPropertyEditor> CreatePropertyEditor(TComponent* component, const TPropInfo* prop) {
  if (component == nullptr || prop == nullptr) return nullptr;
  std::unique_ptr<TPropertyEditor> editor;
  if (const TPropertyEditorClass* cls = FindPropertyEditorClass(ClassInfoOf(component), prop))
    editor.reset(cls->Create());
  if (!editor) editor = std::make_unique<TPropertyEditor>();
  editor->SetPropEntry(component, prop);
  editor->Initialize();
  return editor;
}

void UnregisterDesignEntries(const std::function<bool(const TClassInfo*)>& classGoes,
                             const std::function<bool(const void*)>& addressGoes) {
  auto goes = [&](const TClassInfo* info) {
    for (int d = 0; info != nullptr && d < 256; info = info->Parent, ++d) {
      if (classGoes && classGoes(info)) return true;
    }
    return false;
  };
  for (TPalettePage& page : Pages()) std::erase_if(page.Classes, goes);
  std::erase_if(Pages(), [](const TPalettePage& p) { return p.Classes.empty(); });
  std::erase_if(Editors(), [&](const TPropertyEditorRegistration& r) {
    return goes(r.ComponentClass) || (addressGoes && addressGoes(r.EditorClass));
  });
}

}  // namespace vel
