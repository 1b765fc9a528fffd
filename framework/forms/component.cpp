#include "forms/component.h"

#include <algorithm>
#include <stdexcept>

#include <windows.h>

#include "forms/application.h"

namespace forms {

Component::Component(Component* owner) {
  if (owner != nullptr) owner->InsertComponent(this);
}

Component::~Component() {
  // Whoever asked to be told forgets this component; this one forgets them.
  auto notifies = std::move(freeNotifies_);
  for (Component* other : notifies) {
    auto& theirs = other->freeNotifies_;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
    other->Notification(this, Operation::opRemove);
  }
  DestroyComponents();
  if (owner_ != nullptr) owner_->RemoveComponent(this);
}

void Component::DestroyComponents() {
  while (!components_.empty()) {
    Component* last = components_.back();
    RemoveComponent(last);
    delete last;
  }
}

void Component::InsertComponent(Component* component) {
  components_.push_back(component);
  component->owner_ = this;
}

void Component::RemoveComponent(Component* component) {
  components_.erase(std::remove(components_.begin(), components_.end(), component),
                    components_.end());
  component->owner_ = nullptr;
}

void Component::SetName(const std::string& name) {
  if (owner_ != nullptr && !name.empty()) {
    Component* existing = owner_->FindComponent(name);
    if (existing != nullptr && existing != this)
      throw std::invalid_argument("A component named " + name + " already exists");
  }
  name_ = name;
}

Component* Component::FindComponent(const std::string& name) const {
  for (Component* c : components_) {
    if (!c->name_.empty() && lstrcmpiA(c->name_.c_str(), name.c_str()) == 0) return c;
  }
  return nullptr;
}

void Component::Loaded() {
  for (Component* c : std::vector<Component*>(components_)) {
    if (!c->loaded_) c->Loaded();
  }
  loaded_ = true;
}

void Component::FreeNotification(Component* other) {
  if (other == nullptr || other == this) return;
  if (std::find(freeNotifies_.begin(), freeNotifies_.end(), other) == freeNotifies_.end()) {
    freeNotifies_.push_back(other);
    other->freeNotifies_.push_back(this);
  }
}

void Component::RemoveFreeNotification(Component* other) {
  freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), other),
                      freeNotifies_.end());
  if (other != nullptr) {
    auto& theirs = other->freeNotifies_;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
  }
}

void Component::Free() {
  Application& app = Application::Instance();
  if (app.DispatchDepth() == 0) {
    delete this;
    return;
  }
  if (freePending_) return;
  freePending_ = true;
  if (owner_ != nullptr) owner_->RemoveComponent(this);
  app.DeferFree(this);
}

}  // namespace forms
