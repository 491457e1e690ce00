// Form files: writing a form's stored published properties as JSON and reading
// them back, validated in a scratch form before the real form is touched.
#include "velscene/platform/typinfo/formfile.h"

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <vector>

#include "velscene/platform/host/classes.h"
#include "velscene/platform/host/controls.h"
#include "velscene/platform/host/forms.h"
#include "velscene/platform/typinfo/prop_json.h"
#include "velscene/platform/typinfo/prop_text.h"
#include "velscene/platform/base/text.h"

namespace vel {

namespace {

using json = nlohmann::ordered_json;

constexpr const char* kFormat = "velscene-form";
constexpr int kVersion = 1;
constexpr size_t kMaxFileBytes = size_t{16} << 20;

std::string MakeMessage(const std::string& file, const std::string& component,
                        const std::string& property, const std::string& problem) {
  std::string m = file.empty() ? std::string("<form>") : file;
  if (!component.empty()) m += ": component " + component;
  if (!property.empty()) m += ": property '" + property + "'";
  return m + ": " + problem;
}

const TClassInfo* FormClassInfo(const TForm* form) {
  const TClassInfo* info = ClassInfoOf(form);
  return info ? info : FindClassInfo("TForm");
}

// ---------------------------------------------------------------------------
// Writing
// ---------------------------------------------------------------------------
json ValueToJson(const TPropInfo* prop, const TPropValue& value) {
  int64_t i = 0;
  double d = 0;
  bool b = false;
  switch (prop->Kind) {
    case tkSingle: {
      if (!PropValueToDouble(value, d)) return 0;
      // The shortest text of the float, so that the file reads back as the same float.
      char buf[64];
      auto [end, ec] = std::to_chars(buf, buf + sizeof buf, static_cast<float>(d));
      if (ec != std::errc()) return d;
      return std::strtod(std::string(buf, end).c_str(), nullptr);
    }
    case tkBoolean:
      return PropValueToBool(value, b) && b;
    case tkColor: {
      if (!PropValueToInt(value, i)) return 0;
      std::string ident;
      if (ColorToIdent(static_cast<TColor>(i), ident)) return ident;
      return i;
    }
    case tkEnum:
      return PropValueToInt(value, i) ? json(GetEnumName(prop, i)) : json(nullptr);
    case tkString:
    case tkMethod:
      if (const auto* s = std::get_if<std::string>(&value)) return *s;
      return "";
    case tkClass:
      return nullptr;
    case tkInteger:
    case tkCardinal:
      break;
  }
  return PropValueToInt(value, i) ? json(i) : json(0);
}

json PropertiesToJson(const TComponent* c, const TClassInfo* info) {
  json props = json::object();
  for (const TPropInfo* prop : GetPropList(info)) {
    if (prop->Kind == tkClass || !IsStoredProp(c, prop)) continue;
    props[prop->Name] = ValueToJson(prop, GetPropValue(c, prop));
  }
  return props;
}

void WriteOwned(const TForm* form, const TComponent* owner, const std::string& ownerName,
                json& list) {
  for (int i = 0; i < owner->ComponentCount(); ++i) {
    const TComponent* c = owner->Components(i);
    if (c == nullptr || c->Name().empty()) continue;
    const TClassInfo* info = ClassInfoOf(c);
    if (info == nullptr)
      throw EFormFileError("", "'" + c->Name() + "' (" + c->ClassName() + ")", "",
                           "class is not registered");
    json entry = json::object();
    entry["class"] = info->ClassName;
    entry["name"] = c->Name();
    entry["owner"] = ownerName;
    if (const auto* control = dynamic_cast<const TControl*>(c); control && control->Parent() == form)
      entry["parent"] = form->Name();
    entry["properties"] = PropertiesToJson(c, info);
    list.push_back(std::move(entry));
    WriteOwned(form, c, c->Name(), list);
  }
}

// ---------------------------------------------------------------------------
// Reading: the file is turned into a plan first, then built.
// ---------------------------------------------------------------------------
struct TAssign {
  const TPropInfo* prop = nullptr;
  TPropValue value;  // the handler's name for an event
};

struct TComponentPlan {
  std::string label;  // "'View1' (TAniView)" for messages
  const TClassInfo* info = nullptr;
  std::string name;
  int owner = -1;  // index of an earlier component, -1 for the form
  bool parented = false;
  std::vector<TAssign> props;
};

struct TFormPlan {
  std::string name;
  std::vector<TAssign> props;
  std::vector<TComponentPlan> components;
};

class TPlanner {
 public:
  explicit TPlanner(std::string file) : file_(std::move(file)) {}

  [[noreturn]] void Fail(const std::string& component, const std::string& property,
                         const std::string& problem) const {
    throw EFormFileError(file_, component, property, problem);
  }

  static std::string Shown(const json& j) {
    std::string s = j.dump();
    if (s.size() > 40) s = s.substr(0, 37) + "...";
    return s;
  }

  [[noreturn]] void Expected(const std::string& label, const TPropInfo* prop, const std::string& what,
                             const json& j) const {
    Fail(label, prop->Name, "expected " + what + ", got " + std::string(j.type_name()) + " " + Shown(j));
  }

  TPropValue Value(const std::string& label, const TPropInfo* prop, const json& j) const {
    if (prop->Kind == tkClass) Fail(label, prop->Name, "is not stored in form files");
    std::string problem;
    const auto got = [](const json& v) { return "got " + std::string(v.type_name()) + " " + Shown(v); };
    if (std::optional<TPropValue> v = PropValueFromJson(*prop, j, got, problem)) return *v;
    Fail(label, prop->Name, problem);
  }

  std::vector<TAssign> Properties(const std::string& label, const TClassInfo* info,
                                  const json* props) const {
    std::vector<TAssign> out;
    if (props == nullptr) return out;
    if (!props->is_object()) Fail(label, "", "\"properties\" must be an object");
    const std::vector<const TPropInfo*> list = GetPropList(info);
    for (const auto& [key, value] : props->items()) {
      const TPropInfo* prop = FindPropInfo(info, key);
      if (prop == nullptr) Fail(label, key, "unknown property of " + info->ClassName);
      if (prop->Stored == srNever) Fail(label, key, "is not stored in form files");
    }
    // Applied in declaration order, whatever the order in the file.
    for (const TPropInfo* prop : list) {
      for (const auto& [key, value] : props->items()) {
        if (FindPropInfo(info, key) == prop) out.push_back({prop, Value(label, prop, value)});
      }
    }
    return out;
  }

  static void CheckKeys(const TPlanner& p, const std::string& label, const json& j,
                        std::initializer_list<const char*> allowed) {
    for (const auto& [key, value] : j.items()) {
      bool ok = false;
      for (const char* a : allowed) ok = ok || key == a;
      if (!ok) p.Fail(label, "", "unknown key \"" + key + "\"");
    }
  }

  std::string StringField(const std::string& label, const json& j, const char* key,
                          bool required) const {
    auto it = j.find(key);
    if (it == j.end()) {
      if (required) Fail(label, "", std::string("missing \"") + key + "\"");
      return {};
    }
    if (!it->is_string()) Fail(label, "", std::string("\"") + key + "\" must be a string");
    return it->get<std::string>();
  }

  TFormPlan Plan(const json& doc, const TClassInfo* formInfo, const std::string& formClass) const {
    if (!doc.is_object()) Fail("", "", "the file must hold a JSON object");
    CheckKeys(*this, "", doc, {"format", "version", "class", "name", "properties", "components"});
    if (StringField("", doc, "format", true) != kFormat)
      Fail("", "", std::string("\"format\" must be \"") + kFormat + "\"");
    auto version = doc.find("version");
    if (version == doc.end() || !version->is_number_integer() || version->get<int64_t>() != kVersion)
      Fail("", "", "\"version\" must be " + std::to_string(kVersion));
    const std::string cls = StringField("", doc, "class", true);
    if (!SameText(cls, formClass))
      Fail("", "", "form class '" + cls + "' does not match the form's class '" + formClass + "'");
    TFormPlan plan;
    plan.name = StringField("", doc, "name", false);
    const std::string formLabel = "'" + plan.name + "' (" + cls + ")";
    auto props = doc.find("properties");
    plan.props = Properties(formLabel, formInfo, props == doc.end() ? nullptr : &*props);

    auto comps = doc.find("components");
    if (comps == doc.end()) return plan;
    if (!comps->is_array()) Fail("", "", "\"components\" must be an array");
    for (size_t i = 0; i < comps->size(); ++i) {
      const json& e = (*comps)[i];
      std::string label = "#" + std::to_string(i + 1);
      if (!e.is_object()) Fail(label, "", "must be an object");
      TComponentPlan c;
      c.name = StringField(label, e, "name", true);
      const std::string className = StringField(label, e, "class", true);
      label = "'" + c.name + "' (" + className + ")";
      c.label = label;
      CheckKeys(*this, label, e, {"class", "name", "owner", "parent", "properties"});
      c.info = FindClassInfo(className);
      if (c.info == nullptr) Fail(label, "", "unknown class '" + className + "'");
      if (c.info->Create == nullptr) Fail(label, "", "class '" + className + "' cannot be created");
      const std::string owner = StringField(label, e, "owner", false);
      if (!owner.empty() && owner != plan.name) {
        for (size_t k = plan.components.size(); k-- > 0;) {
          if (plan.components[k].name == owner) {
            c.owner = static_cast<int>(k);
            break;
          }
        }
        if (c.owner < 0) Fail(label, "", "unknown owner '" + owner + "'");
      }
      if (e.contains("parent")) {
        const std::string parent = StringField(label, e, "parent", false);
        if (parent != plan.name) Fail(label, "", "unknown parent '" + parent + "'");
        c.parented = true;
      }
      auto cprops = e.find("properties");
      c.props = Properties(label, c.info, cprops == e.end() ? nullptr : &*cprops);
      plan.components.push_back(std::move(c));
    }
    return plan;
  }

  void Apply(TComponent* c, const std::string& label, const std::vector<TAssign>& props,
             TMethodResolver* resolver) const {
    for (const TAssign& a : props) {
      if (a.prop->Kind == tkMethod) {
        const std::string& handler = std::get<std::string>(a.value);
        if (!SetMethodProp(c, a.prop, handler, resolver))
          Fail(label, a.prop->Name, "no handler '" + handler + "' of type " + a.prop->TypeName);
      } else if (!SetPropValue(c, a.prop, a.value)) {
        Fail(label, a.prop->Name, "value " + PropValueToText(a.prop, a.value) + " is out of range");
      }
    }
  }

  // Creates the plan's components in `form` (which has none of its own).
  void Build(TForm* form, const TFormPlan& plan, TMethodResolver* resolver) const {
    const std::string formLabel = "'" + plan.name + "' (" + form->ClassName() + ")";
    try {
      form->SetName(plan.name);
    } catch (const EComponentError& e) {
      Fail(formLabel, "Name", e.what());
    }
    Apply(form, formLabel, plan.props, resolver);
    std::vector<TComponent*> made;
    for (const TComponentPlan& p : plan.components) {
      TComponent* owner = p.owner < 0 ? static_cast<TComponent*>(form) : made[static_cast<size_t>(p.owner)];
      TComponent* c = p.info->Create(owner);
      made.push_back(c);
      c->SetLoading(true);
      try {
        c->SetName(p.name);
      } catch (const EComponentError& e) {
        Fail(p.label, "Name", e.what());
      }
      if (p.parented) {
        auto* control = dynamic_cast<TControl*>(c);
        if (control == nullptr) Fail(p.label, "", "only controls have a parent");
        control->SetParent(form);
      }
      Apply(c, p.label, p.props, resolver);
    }
    for (TComponent* c : made) c->Loaded();
    for (TComponent* c : made) c->SetLoading(false);
  }

 private:
  std::string file_;
};

}  // namespace

EFormFileError::EFormFileError(const std::string& file, const std::string& component,
                               const std::string& property, const std::string& problem)
    : std::runtime_error(MakeMessage(file, component, property, problem)),
      file_(file),
      component_(component),
      property_(property),
      problem_(problem) {}

std::string FormToText(const TForm* form) {
  if (form == nullptr) throw EFormFileError("", "", "", "no form");
  json doc = json::object();
  doc["format"] = kFormat;
  doc["version"] = kVersion;
  doc["class"] = form->ClassName();
  doc["name"] = form->Name();
  doc["properties"] = PropertiesToJson(form, FormClassInfo(form));
  json list = json::array();
  WriteOwned(form, form, form->Name(), list);
  doc["components"] = std::move(list);
  return doc.dump(2) + "\n";
}

void WriteFormFile(const TForm* form, const std::string& path) {
  std::string text;
  try {
    text = FormToText(form);
  } catch (const EFormFileError& e) {
    throw EFormFileError(path, e.Component(), e.Property(), e.Problem());
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw EFormFileError(path, "", "", "cannot open the file for writing");
  out << text;
  out.flush();
  if (!out) throw EFormFileError(path, "", "", "cannot write the file");
}

void ReadFormFromText(TForm* form, const std::string& text, const std::string& fileName,
                      TMethodResolver* resolver) {
  TPlanner planner(fileName);
  if (form == nullptr) planner.Fail("", "", "no form to load into");
  json doc;
  try {
    doc = json::parse(text);
  } catch (const json::exception& e) {
    std::string what = e.what();
    // "[json.exception.parse_error.101] parse error at line 3, column 5: ..."
    if (const size_t p = what.find("] "); p != std::string::npos) what = what.substr(p + 2);
    planner.Fail("", "", "malformed JSON: " + what);
  }
  const TFormPlan plan = planner.Plan(doc, FormClassInfo(form), form->ClassName());

  // A trial run in a scratch form of the same designing state catches what
  // only the setters know (ranges, names, handlers) before the form changes.
  {
    auto scratch = std::make_unique<TForm>(nullptr);
    scratch->SetDesigning(form->ComponentState().Contains(csDesigning));
    planner.Build(scratch.get(), plan, resolver);
  }
  form->DestroyComponents();
  planner.Build(form, plan, resolver);
}

void ReadFormFile(TForm* form, const std::string& path, TMethodResolver* resolver) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw EFormFileError(path, "", "", "cannot open the file");
  std::string text;
  char buf[65536];
  while (in.read(buf, sizeof buf) || in.gcount() > 0) {
    text.append(buf, static_cast<size_t>(in.gcount()));
    if (text.size() > kMaxFileBytes) throw EFormFileError(path, "", "", "the file is too large");
  }
  if (in.bad()) throw EFormFileError(path, "", "", "cannot read the file");
  ReadFormFromText(form, text, path, resolver);
}

}  // namespace vel
