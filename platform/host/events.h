// Events as method pointers: a handler bound to an object and a member
// function, or to any callable, called only when assigned.
#pragma once

#include <concepts>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

#include "velscene/platform/base/object.h"

namespace vel {

template <class T>
struct TIsStdFunction : std::false_type {};
template <class R, class... A>
struct TIsStdFunction<std::function<R(A...)>> : std::true_type {};

// The handler lives in a shared block; a call holds its own reference for the
// call's duration, so a handler may destroy the event's owner (and with it the
// event) while it runs. Copying that reference allocates nothing.
template <class... Args>
class TEvent {
 public:
  using Handler = std::function<void(Args...)>;

  TEvent() = default;
  TEvent(std::nullptr_t) {}  // NOLINT: `OnClick = nullptr` clears

  // Bound to an object and one of its member functions; a null object leaves
  // the event unassigned.
  template <class C, class M>
    requires std::derived_from<C, M>
  TEvent(C* object, void (M::*method)(Args...)) {
    if (object == nullptr || method == nullptr) return;
    data_ = const_cast<void*>(static_cast<const void*>(object));
    fn_ = std::make_shared<const Handler>(
        [object, method](Args... args) { (object->*method)(std::forward<Args>(args)...); });
  }

  template <class C, class M>
    requires std::derived_from<C, M>
  TEvent(C* object, void (M::*method)(Args...) const) {
    if (object == nullptr || method == nullptr) return;
    data_ = const_cast<void*>(static_cast<const void*>(object));
    fn_ = std::make_shared<const Handler>(
        [object, method](Args... args) { (object->*method)(std::forward<Args>(args)...); });
  }

  // Bound to any callable; `data` is reported by Data() as the handler object.
  template <class F>
    requires(!std::is_same_v<std::remove_cvref_t<F>, TEvent> &&
             !std::is_same_v<std::remove_cvref_t<F>, std::nullptr_t> &&
             std::is_invocable_v<std::remove_cvref_t<F>&, Args...>)
  TEvent(F&& f, void* data = nullptr) {  // NOLINT: lambdas convert implicitly
    using D = std::remove_cvref_t<F>;
    if constexpr (std::is_pointer_v<D> || TIsStdFunction<D>::value) {
      if (!f) return;
    }
    data_ = data;
    fn_ = std::make_shared<const Handler>(std::forward<F>(f));
  }

  bool Assigned() const { return fn_ != nullptr; }
  explicit operator bool() const { return Assigned(); }
  // The object the handler belongs to (null for a free callable).
  void* Data() const { return data_; }
  // The handler's name as form files store it ("" when bound in code).
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  void Clear() {
    fn_.reset();
    data_ = nullptr;
    name_.clear();
  }

  void operator()(Args... args) const {
    if (!fn_) return;
    std::shared_ptr<const Handler> keep = fn_;  // survives the event's destruction
    (*keep)(std::forward<Args>(args)...);
  }

 private:
  std::shared_ptr<const Handler> fn_;
  void* data_ = nullptr;
  std::string name_;
};

using TNotifyEvent = TEvent<TObject*>;

}  // namespace vel
