// Builders for property descriptions from a class's getter and setter member
// functions and event fields, with range-checked conversions.
#pragma once

#include <cmath>
#include <limits>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

#include "velscene/platform/host/events.h"
#include "velscene/platform/typinfo/typinfo.h"

namespace vel {

namespace propbuild_detail {

template <class V>
TPropValue ToValue(const V& v) {
  if constexpr (std::is_same_v<V, bool>)
    return v;
  else if constexpr (std::is_same_v<V, std::string>)
    return v;
  else if constexpr (std::is_floating_point_v<V>)
    return static_cast<double>(v);
  else
    return static_cast<int64_t>(v);
}

template <class V>
bool FromValue(const TPropValue& value, TTypeKind kind, const std::vector<std::string>& enumNames,
               V& out) {
  if constexpr (std::is_same_v<V, bool>) {
    return PropValueToBool(value, out);
  } else if constexpr (std::is_same_v<V, std::string>) {
    const auto* s = std::get_if<std::string>(&value);
    if (s == nullptr) return false;
    out = *s;
    return true;
  } else if constexpr (std::is_floating_point_v<V>) {
    double d = 0;
    if (!PropValueToDouble(value, d) || !std::isfinite(d)) return false;
    if (std::fabs(d) > static_cast<double>(std::numeric_limits<V>::max())) return false;
    out = static_cast<V>(d);
    return true;
  } else if constexpr (std::is_enum_v<V>) {
    int64_t i = -1;
    if (const auto* s = std::get_if<std::string>(&value))
      i = EnumIndexOf(enumNames, *s);
    else if (!PropValueToInt(value, i))
      return false;
    if (i < 0 || i >= static_cast<int64_t>(enumNames.size())) return false;
    out = static_cast<V>(i);
    return true;
  } else {
    static_assert(std::is_integral_v<V>, "unsupported property type");
    int64_t i = 0;
    if (!PropValueToInt(value, i)) return false;
    if (kind == tkColor && sizeof(V) == 4 && std::is_signed_v<V>) {
      // Colours are accepted as signed or unsigned 32-bit words.
      if (i < std::numeric_limits<int32_t>::min() || i > std::numeric_limits<uint32_t>::max())
        return false;
      out = static_cast<V>(static_cast<uint32_t>(i));
      return true;
    }
    if constexpr (std::is_unsigned_v<V>) {
      if (i < 0 || static_cast<uint64_t>(i) > std::numeric_limits<V>::max()) return false;
    } else {
      if (i < std::numeric_limits<V>::min() || i > std::numeric_limits<V>::max()) return false;
    }
    out = static_cast<V>(i);
    return true;
  }
}

}  // namespace propbuild_detail

// A property read through `getter` and written through `setter` (member
// functions of C or of a base of C).
template <class C, class R, class P>
TPropInfo MakeProp(std::string name, TTypeKind kind, std::string typeName, R (C::*getter)() const,
                   void (C::*setter)(P), std::vector<std::string> enumNames = {}) {
  using V = std::remove_cvref_t<R>;
  TPropInfo p;
  p.Name = std::move(name);
  p.Kind = kind;
  p.TypeName = std::move(typeName);
  p.EnumNames = std::move(enumNames);
  p.Get = [getter](const TComponent* c) -> TPropValue {
    const auto* x = dynamic_cast<const C*>(c);
    if (x == nullptr) return int64_t{0};
    return propbuild_detail::ToValue<V>((x->*getter)());
  };
  p.Set = [setter, names = p.EnumNames, kind](TComponent* c, const TPropValue& value) {
    auto* x = dynamic_cast<C*>(c);
    if (x == nullptr) return false;
    V v{};
    if (!propbuild_detail::FromValue<V>(value, kind, names, v)) return false;
    (x->*setter)(v);
    return true;
  };
  return p;
}

// An event property: reads as the handler's name, written by name through a
// resolver.
template <class C, class... A>
TPropInfo MakeEventProp(std::string name, std::string typeName, TEvent<A...> C::*field) {
  TPropInfo p;
  p.Name = std::move(name);
  p.Kind = tkMethod;
  p.TypeName = std::move(typeName);
  p.Stored = srFunction;
  p.Default = std::string();
  p.Get = [field](const TComponent* c) -> TPropValue {
    const auto* x = dynamic_cast<const C*>(c);
    if (x == nullptr) return std::string();
    return (x->*field).Name();
  };
  p.SetMethod = [field](TComponent* c, const std::string& handler, TMethodResolver* resolver) {
    auto* x = dynamic_cast<C*>(c);
    if (x == nullptr) return false;
    if (handler.empty()) {
      (x->*field).Clear();
      return true;
    }
    if (resolver == nullptr) return false;
    TEvent<A...> event;
    if (!resolver->Resolve(handler, typeid(TEvent<A...>), &event)) return false;
    event.SetName(handler);
    x->*field = std::move(event);
    return true;
  };
  // Stored when a named handler is assigned.
  p.StoredFn = [field](const TComponent* c) {
    const auto* x = dynamic_cast<const C*>(c);
    return x != nullptr && (x->*field).Assigned() && !(x->*field).Name().empty();
  };
  return p;
}

// A class-typed pseudo-property with no data (it reads as a nil reference and
// is never stored), e.g. a row for a design-time editor.
inline TPropInfo MakePseudoClassProp(std::string name, std::string typeName) {
  TPropInfo p;
  p.Name = std::move(name);
  p.Kind = tkClass;
  p.TypeName = std::move(typeName);
  p.Stored = srNever;
  p.Get = [](const TComponent*) -> TPropValue { return int64_t{0}; };
  p.Set = [](TComponent*, const TPropValue& v) {
    int64_t i = 0;
    return PropValueToInt(v, i) && i == 0;
  };
  return p;
}

// Stored unless equal to `value`.
inline TPropInfo WithDefault(TPropInfo p, TPropValue value) {
  p.Stored = srDefault;
  p.Default = std::move(value);
  return p;
}

inline TPropInfo WithStoredFn(TPropInfo p, std::function<bool(const TComponent*)> fn) {
  p.Stored = srFunction;
  p.StoredFn = std::move(fn);
  return p;
}

inline TPropInfo NeverStored(TPropInfo p) {
  p.Stored = srNever;
  return p;
}

}  // namespace vel
