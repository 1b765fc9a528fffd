// Menus: a tree of MenuItem objects mirrored to Win32 menus (each item with sub-items has a
// popup menu of its own; the tree is rebuilt into the handles after every change), the main
// menu of a form and popup menus. A click reaches the item's OnClick through the form's
// WM_COMMAND (main menus) or TrackPopupMenu's returned command (popups).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "forms/control.h"

namespace forms {

class Menu;

struct MenuItemCreateArgs {
  std::string caption;  // "-" for a separator line
  bool checked = false;
};

class MenuItem : public Component {
 public:
  using CreateArgs = MenuItemCreateArgs;
  explicit MenuItem(Component* owner, const std::string& caption = std::string());
  MenuItem(Component* owner, const CreateArgs& args);
  ~MenuItem() override;

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  std::string Hint;

  int Count() const { return static_cast<int>(items_.size()); }
  MenuItem* Items(int index) const { return items_.at(static_cast<size_t>(index)); }
  MenuItem* Parent() const { return parent_; }
  int MenuIndex() const;
  int IndexOf(const MenuItem* item) const;
  void Add(MenuItem* item) { Insert(Count(), item); }
  void Insert(int index, MenuItem* item);
  // Takes the item out of this menu (the item stays alive).
  void Remove(MenuItem* item);
  // The sub-item whose caption, without accelerator marks, is the text (case ignored).
  MenuItem* Find(const std::string& caption) const;
  bool IsLine() const { return caption_ == "-"; }

  UINT Command() const { return command_; }
  static MenuItem* FromCommand(UINT command);
  // The popup menu holding the sub-items (made on first use).
  HMENU Handle();

  virtual void Click();
  NotifyEvent OnClick;

 private:
  friend class Menu;
  void Rebuild();
  void Changed();

  std::string caption_;
  bool enabled_ = true;
  bool checked_ = false;
  bool visible_ = true;
  std::vector<MenuItem*> items_;
  MenuItem* parent_ = nullptr;
  Menu* menu_ = nullptr;  // set on the root item of a menu
  HMENU handle_ = nullptr;
  UINT command_ = 0;
};

// The twin of Add for controls: a menu item made with its creation arguments, owned by owner,
// named (unnamed for null) and added at the end of parent's items.
template <class T = MenuItem>
T* Add(Component* owner, MenuItem* parent, const char* name, typename T::CreateArgs args = {}) {
  auto* item = new T(owner, args);
  if (name != nullptr) item->SetName(name);
  parent->Add(item);
  return item;
}

class Menu : public Component {
 public:
  explicit Menu(Component* owner, bool menuBar);
  ~Menu() override;
  MenuItem& Items() { return *items_; }
  HMENU Handle() { return items_->Handle(); }
  virtual void Changed() {}

 protected:
  MenuItem* items_;
  bool menuBar_;
  friend class MenuItem;
};

class MainMenu : public Menu {
 public:
  explicit MainMenu(Component* owner) : Menu(owner, true) {}
  void SetWindow(HWND window) { window_ = window; }
  void Changed() override;

 private:
  HWND window_ = nullptr;
};

class PopupMenu : public Menu {
 public:
  explicit PopupMenu(Component* owner) : Menu(owner, false) {}
  // Shows the menu at a screen point and runs the chosen item's click.
  virtual void Popup(int x, int y);
  Component* PopupComponent = nullptr;
  NotifyEvent OnPopup;
};

}  // namespace forms
