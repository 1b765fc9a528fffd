// The base of everything a form holds: an owner that frees what it owns (last first), a name
// unique among its owner's components, Loaded once the form's code has built it, and free
// notifications so that references to a component are cleared when it goes.
#pragma once

#include <string>
#include <vector>

namespace forms {

enum class Operation { opInsert, opRemove };

class Component {
 public:
  explicit Component(Component* owner);
  virtual ~Component();
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;

  Component* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  // Throws std::invalid_argument when another component of the same owner has the name.
  void SetName(const std::string& name);
  const std::vector<Component*>& Components() const { return components_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  // The owned component of that name (case ignored), or null.
  Component* FindComponent(const std::string& name) const;

  // Called once by the form's code after it has built its components; runs Loaded of every
  // owned component first.
  virtual void Loaded();
  bool IsLoaded() const { return loaded_; }

  // Asks other to tell this component (Notification with opRemove) when it is destroyed.
  void FreeNotification(Component* other);
  void RemoveFreeNotification(Component* other);

  // Deletes the component, or, while a callback of the system is running, detaches it from its
  // owner and deletes it once the outermost callback has returned (a menu item freed in its own
  // click handler lives until the handler is done).
  void Free();
  bool FreePending() const { return freePending_; }

  int Tag = 0;

 protected:
  virtual void Notification(Component* component, Operation operation) {}
  // Frees the owned components, last first (derived destructors call it before they tear down
  // what their components refer to).
  void DestroyComponents();

 private:
  void InsertComponent(Component* component);
  void RemoveComponent(Component* component);

  Component* owner_ = nullptr;
  std::string name_;
  std::vector<Component*> components_;
  std::vector<Component*> freeNotifies_;
  bool loaded_ = false;
  bool freePending_ = false;
};

}  // namespace forms
