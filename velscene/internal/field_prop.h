// Property descriptions for published properties that are plain data members
// (read and written directly, no setter), with the host's value conversions.
#pragma once

#include <string>
#include <type_traits>
#include <utility>

#include "velscene/platform/typinfo/propbuild.h"

namespace vel {

// A property backed by the data member `field` of C, always stored.
template <class C, class V>
TPropInfo MakeFieldProp(std::string name, TTypeKind kind, std::string typeName, V C::*field) {
  static_assert(std::is_arithmetic_v<V>, "field properties hold numbers or flags");
  TPropInfo p;
  p.Name = std::move(name);
  p.Kind = kind;
  p.TypeName = std::move(typeName);
  p.Get = [field](const TComponent* c) -> TPropValue {
    const auto* x = dynamic_cast<const C*>(c);
    if (x == nullptr) return int64_t{0};
    return propbuild_detail::ToValue<V>(x->*field);
  };
  p.Set = [field, kind](TComponent* c, const TPropValue& value) {
    auto* x = dynamic_cast<C*>(c);
    if (x == nullptr) return false;
    V v{};
    if (!propbuild_detail::FromValue<V>(value, kind, {}, v)) return false;
    x->*field = v;
    return true;
  };
  return p;
}

}  // namespace vel
