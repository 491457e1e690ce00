// Published-property metadata: the class registry, property lists with
// inheritance, safe get/set, stored rules and value conversions.
#include "velscene/platform/typinfo/typinfo.h"

#include "velscene/platform/base/text.h"
#include "velscene/platform/host/classes.h"
#include "velscene/platform/typinfo/host_typinfo.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace vel {

namespace {


// The registry knows the host's own classes from its first use on, so that
// every class registered later finds its ancestors.
std::vector<std::unique_ptr<TClassInfo>>& Registry() {
  static std::vector<std::unique_ptr<TClassInfo>> registry;
  static bool hostClasses = false;
  if (!hostClasses) {
    hostClasses = true;
    RegisterHostClasses();
  }
  return registry;
}

}  // namespace

bool TMethodTable::Resolve(const std::string& name, const std::type_info& eventType, void* event) {
  if (event == nullptr) return false;
  for (const Entry& e : entries_) {
    if (SameText(e.name, name) && *e.type == eventType) {
      e.assign(event);
      return true;
    }
  }
  return false;
}

const TClassInfo* RegisterClassInfo(TClassInfo info) {
  if (const TClassInfo* existing = FindClassInfo(info.ClassName)) return existing;
  Registry().push_back(std::make_unique<TClassInfo>(std::move(info)));
  return Registry().back().get();
}

size_t UnregisterClassInfos(const std::function<bool(const TClassInfo*)>& match) {
  auto& registry = Registry();
  std::vector<const TClassInfo*> doomed;
  for (const auto& info : registry) {
    if (match && match(info.get())) doomed.push_back(info.get());
  }
  // Descendants of a removed class would keep a dangling parent: they go too.
  for (bool grew = true; grew;) {
    grew = false;
    for (const auto& info : registry) {
      if (std::find(doomed.begin(), doomed.end(), info.get()) != doomed.end()) continue;
      if (std::find(doomed.begin(), doomed.end(), info->Parent) != doomed.end()) {
        doomed.push_back(info.get());
        grew = true;
      }
    }
  }
  std::erase_if(registry, [&](const std::unique_ptr<TClassInfo>& info) {
    return std::find(doomed.begin(), doomed.end(), info.get()) != doomed.end();
  });
  return doomed.size();
}

const TClassInfo* FindClassInfo(std::string_view className) {
  if (className.empty()) return nullptr;
  for (const auto& info : Registry()) {
    if (SameText(info->ClassName, className)) return info.get();
  }
  return nullptr;
}

const TClassInfo* ClassInfoOf(const TComponent* component) {
  return component ? FindClassInfo(component->ClassName()) : nullptr;
}

std::vector<const TClassInfo*> RegisteredClasses() {
  std::vector<const TClassInfo*> out;
  for (const auto& info : Registry()) out.push_back(info.get());
  return out;
}

bool InheritsFrom(const TClassInfo* info, const TClassInfo* ancestor) {
  if (ancestor == nullptr) return false;
  for (; info != nullptr; info = info->Parent) {
    if (info == ancestor) return true;
  }
  return false;
}

std::vector<const TPropInfo*> GetPropList(const TClassInfo* info) {
  std::vector<const TClassInfo*> chain;
  for (; info != nullptr && chain.size() < 256; info = info->Parent) chain.push_back(info);
  std::vector<const TPropInfo*> list;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    for (const TPropInfo& p : (*it)->Props) {
      bool replaced = false;
      for (const TPropInfo*& q : list) {
        if (SameText(q->Name, p.Name)) {
          q = &p;
          replaced = true;
          break;
        }
      }
      if (!replaced) list.push_back(&p);
    }
  }
  return list;
}

const TPropInfo* FindPropInfo(const TClassInfo* info, std::string_view name) {
  for (int depth = 0; info != nullptr && depth < 256; info = info->Parent, ++depth) {
    for (const TPropInfo& p : info->Props) {
      if (SameText(p.Name, name)) return &p;
    }
  }
  return nullptr;
}

TPropValue GetPropValue(const TComponent* c, const TPropInfo* prop) {
  if (c == nullptr || prop == nullptr || !prop->Get) return int64_t{0};
  return prop->Get(c);
}

bool SetPropValue(TComponent* c, const TPropInfo* prop, const TPropValue& value) {
  if (c == nullptr || prop == nullptr) return false;
  if (prop->Kind == tkMethod) {
    const auto* name = std::get_if<std::string>(&value);
    return name != nullptr && SetMethodProp(c, prop, *name, nullptr);
  }
  return prop->Set ? prop->Set(c, value) : false;
}

std::string GetMethodName(const TComponent* c, const TPropInfo* prop) {
  if (prop == nullptr || prop->Kind != tkMethod) return {};
  TPropValue v = GetPropValue(c, prop);
  if (auto* s = std::get_if<std::string>(&v)) return *s;
  return {};
}

bool SetMethodProp(TComponent* c, const TPropInfo* prop, const std::string& handlerName,
                   TMethodResolver* resolver) {
  if (c == nullptr || prop == nullptr || prop->Kind != tkMethod || !prop->SetMethod) return false;
  return prop->SetMethod(c, handlerName, resolver);
}

bool IsStoredProp(const TComponent* c, const TPropInfo* prop) {
  if (c == nullptr || prop == nullptr) return false;
  switch (prop->Stored) {
    case srAlways:
      return true;
    case srNever:
      return false;
    case srFunction:
      return prop->StoredFn ? prop->StoredFn(c) : true;
    case srDefault:
      return GetPropValue(c, prop) != prop->Default;
  }
  return true;
}

std::string GetEnumName(const TPropInfo* prop, int64_t value) {
  if (prop == nullptr || value < 0 || value >= static_cast<int64_t>(prop->EnumNames.size()))
    return {};
  return prop->EnumNames[static_cast<size_t>(value)];
}

int64_t GetEnumValue(const TPropInfo* prop, std::string_view name) {
  return prop == nullptr ? -1 : EnumIndexOf(prop->EnumNames, name);
}

int64_t EnumIndexOf(const std::vector<std::string>& names, std::string_view name) {
  for (size_t i = 0; i < names.size(); ++i) {
    if (SameText(names[i], name)) return static_cast<int64_t>(i);
  }
  return -1;
}

bool PropValueToInt(const TPropValue& v, int64_t& out) {
  if (auto* i = std::get_if<int64_t>(&v)) {
    out = *i;
    return true;
  }
  if (auto* b = std::get_if<bool>(&v)) {
    out = *b ? 1 : 0;
    return true;
  }
  if (auto* d = std::get_if<double>(&v)) {
    // Whole numbers only, within the int64 range (2^63 is not).
    if (!std::isfinite(*d) || std::trunc(*d) != *d || *d < -9223372036854775808.0 ||
        *d >= 9223372036854775808.0)
      return false;
    out = static_cast<int64_t>(*d);
    return true;
  }
  return false;
}

bool PropValueToDouble(const TPropValue& v, double& out) {
  if (auto* d = std::get_if<double>(&v)) {
    out = *d;
    return true;
  }
  if (auto* i = std::get_if<int64_t>(&v)) {
    out = static_cast<double>(*i);
    return true;
  }
  return false;
}

bool PropValueToBool(const TPropValue& v, bool& out) {
  if (auto* b = std::get_if<bool>(&v)) {
    out = *b;
    return true;
  }
  if (auto* i = std::get_if<int64_t>(&v); i && (*i == 0 || *i == 1)) {
    out = *i == 1;
    return true;
  }
  return false;
}

}  // namespace vel
