// Components: owner lists, destruction order, names, state and free
// notification.
#include "velscene/platform/host/classes.h"
#include "velscene/platform/base/text.h"

#include <algorithm>
#include <cctype>

namespace vel {

namespace {

void EraseOne(std::vector<TComponent*>& list, TComponent* c) {
  auto it = std::find(list.begin(), list.end(), c);
  if (it != list.end()) list.erase(it);
}

}  // namespace

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner == nullptr) return;
  if (AOwner->state_.Contains(csDesigning)) state_.Include(csDesigning);
  AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  state_.Include(csDestroying);
  if (selfCell_) *selfCell_ = nullptr;
  // Subscribers first: each is unlinked before it hears of it, so a handler
  // that destroys other components finds consistent lists.
  while (!notifyOnFree_.empty()) {
    TComponent* s = notifyOnFree_.back();
    notifyOnFree_.pop_back();
    EraseOne(s->watching_, this);
    s->Notification(this, opRemove);
  }
  while (!watching_.empty()) {
    TComponent* w = watching_.back();
    watching_.pop_back();
    EraseOne(w->notifyOnFree_, this);
  }
  DestroyComponents();
  if (owner_ != nullptr) owner_->RemoveComponent(this);
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) return nullptr;
  return components_[static_cast<size_t>(index)];
}

int TComponent::ComponentIndex() const {
  if (owner_ == nullptr) return -1;
  const auto& list = owner_->components_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_) {
    if (SameText(c->name_, name)) return c;
  }
  return nullptr;
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (AComponent == nullptr || AComponent->owner_ == this) return;
  for (const TComponent* o = this; o != nullptr; o = o->owner_) {
    if (o == AComponent) throw EComponentError("a component cannot own itself");
  }
  ValidateName(AComponent->name_, this);
  if (AComponent->owner_ != nullptr) AComponent->owner_->RemoveComponent(AComponent);
  components_.push_back(AComponent);
  AComponent->owner_ = this;
  Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (AComponent == nullptr || AComponent->owner_ != this) return;
  RemoveFromOwnerList(AComponent);
  AComponent->owner_ = nullptr;
  Notification(AComponent, opRemove);
}

void TComponent::RemoveFromOwnerList(TComponent* AComponent) {
  // Last created are destroyed first, so search from the back.
  auto it = std::find(components_.rbegin(), components_.rend(), AComponent);
  if (it != components_.rend()) components_.erase(std::next(it).base());
}

void TComponent::DestroyComponents() {
  // Each destructor removes its component from this list.
  while (!components_.empty()) {
    TComponent* c = components_.back();
    c->Destroying();
    delete c;
  }
}

void TComponent::Destroying() {
  if (state_.Contains(csDestroying)) return;
  state_.Include(csDestroying);
  for (TComponent* c : components_) c->Destroying();
}

void TComponent::ValidateName(const std::string& name, const TComponent* owner) const {
  if (name.empty()) return;
  if (!IsIdentifier(name)) throw EComponentError("\"" + name + "\" is not a valid component name");
  if (owner == nullptr) return;
  TComponent* other = owner->FindComponent(name);
  if (other != nullptr && other != this)
    throw EComponentError("a component named " + name + " already exists");
}

void TComponent::SetName(const std::string& name) {
  if (name == name_) return;
  ValidateName(name, owner_);
  name_ = name;
}

void TComponent::SetDesigning(bool designing) {
  if (designing)
    state_.Include(csDesigning);
  else
    state_.Exclude(csDesigning);
  for (TComponent* c : components_) c->SetDesigning(designing);
}

void TComponent::SetLoading(bool loading) {
  if (loading)
    state_ |= csLoading | csReading;
  else
    state_ -= csLoading | csReading;
}

void TComponent::SetWriting(bool writing) {
  if (writing)
    state_.Include(csWriting);
  else
    state_.Exclude(csWriting);
}

void TComponent::Loaded() { state_.Exclude(csLoading); }

void TComponent::FreeNotification(TComponent* AComponent) {
  // The owner hears of its components' removal anyway.
  if (AComponent == nullptr || AComponent == this || AComponent == owner_) return;
  if (state_.Contains(csDestroying) || AComponent->state_.Contains(csDestroying)) return;
  if (std::find(notifyOnFree_.begin(), notifyOnFree_.end(), AComponent) != notifyOnFree_.end())
    return;
  notifyOnFree_.push_back(AComponent);
  AComponent->watching_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (AComponent == nullptr) return;
  auto it = std::find(notifyOnFree_.begin(), notifyOnFree_.end(), AComponent);
  if (it == notifyOnFree_.end()) return;
  notifyOnFree_.erase(it);
  EraseOne(AComponent->watching_, this);
}

void TComponent::Notification(TComponent* /*AComponent*/, TOperation /*Operation*/) {}

}  // namespace vel
