// Components: the owner chain that destroys what it owns, names, the component
// state (designing, loading, ...) and free notification between components.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "velscene/platform/base/flags.h"
#include "velscene/platform/base/object.h"

namespace vel {

class EComponentError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum TComponentStateFlag { csLoading, csReading, csWriting, csDestroying, csDesigning };
template <>
struct TIsFlagEnum<TComponentStateFlag> : std::true_type {};
using TComponentState = TFlags<TComponentStateFlag>;

enum TOperation { opInsert, opRemove };

class TComponent;

// A reference that turns null when its component is destroyed (the
// component's destructor clears it before any memory goes away).
template <class T>
class TComponentRef {
 public:
  TComponentRef() = default;
  T* Get() const { return cell_ ? static_cast<T*>(*cell_) : nullptr; }
  explicit operator bool() const { return Get() != nullptr; }

 private:
  friend class TComponent;
  explicit TComponentRef(std::shared_ptr<TComponent*> cell) : cell_(std::move(cell)) {}
  std::shared_ptr<TComponent*> cell_;
};

class TComponent : public TObject {
 public:
  // Inserts itself into the owner's list. A component whose owner is designing
  // is designing from here on, before any derived constructor body runs.
  explicit TComponent(TComponent* AOwner);
  // Notifies free-notification subscribers, destroys the owned components
  // (last created first), then leaves the owner's list (the owner is notified).
  ~TComponent() override;
  const char* ClassName() const override { return "TComponent"; }

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  // Null for an index out of range.
  TComponent* Components(int index) const;
  // Index in the owner's list, -1 without owner.
  int ComponentIndex() const;
  // The owned component of that name (case-insensitive), or null.
  TComponent* FindComponent(std::string_view name) const;
  // Moves a component into this owner's list (out of its previous owner's).
  // Throws EComponentError if its name is taken here or it would own itself.
  void InsertComponent(TComponent* AComponent);
  // Takes the component out of this owner's list; it then has no owner.
  void RemoveComponent(TComponent* AComponent);
  // Destroys every owned component, last created first.
  void DestroyComponents();

  const std::string& Name() const { return name_; }
  // Empty, or an identifier (letter or '_', then letters, digits, '_') that no
  // other component of the same owner has (case-insensitive); throws
  // EComponentError otherwise.
  void SetName(const std::string& name);
  int64_t Tag() const { return tag_; }
  void SetTag(int64_t tag) { tag_ = tag; }

  TComponentState ComponentState() const { return state_; }
  // Sets or clears csDesigning on this component and everything it owns.
  void SetDesigning(bool designing);
  // Reading a form: csLoading and csReading while properties are being read;
  // Loaded() ends it.
  void SetLoading(bool loading);
  void SetWriting(bool writing);
  virtual void Loaded();

  // `AComponent` is notified (Notification with opRemove) when this component
  // is destroyed; the subscription ends on both sides when either dies.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  // A reference that becomes null when this component is destroyed.
  template <class T = TComponent>
  TComponentRef<T> Ref() {
    if (!selfCell_) selfCell_ = std::make_shared<TComponent*>(this);
    return TComponentRef<T>(selfCell_);
  }

 protected:
  // Called on the owner when a component is inserted (opInsert; the component
  // may still be under construction: use only its identity) or removed
  // (opRemove), and on every free-notification subscriber when a component is
  // destroyed.
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  // Marks this component and everything it owns as being destroyed; derived
  // destructors that tear down owned components first call it.
  void Destroying();

 private:
  void RemoveFromOwnerList(TComponent* AComponent);
  void ValidateName(const std::string& name, const TComponent* owner) const;

  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> notifyOnFree_;  // told when this component dies
  std::vector<TComponent*> watching_;      // components whose death this one is told of
  std::shared_ptr<TComponent*> selfCell_;
  std::string name_;
  int64_t tag_ = 0;
  TComponentState state_;
};

}  // namespace vel
