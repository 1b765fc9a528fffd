// Menus: a tree of MenuItem objects mirrored to Win32 menus (each item with sub-items has a
// popup menu of its own; the tree is rebuilt into the handles after every change), the main
// menu of a form and popup menus. A click reaches the item's OnClick through the form's
// WM_COMMAND (main menus) or TrackPopupMenu's returned command (popups). An item's shortcut key
// is shown after its caption and run by the form of its main menu (Form::IsKeyMessage).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "forms/control.h"

namespace forms {

class Menu;

// A shortcut key: the virtual key in the low byte, with scShift, scCtrl and scAlt.
using ShortCut = WORD;
constexpr ShortCut scShift = 0x2000;
constexpr ShortCut scCtrl = 0x4000;
constexpr ShortCut scAlt = 0x8000;
// The shortcut of a key with the state of Shift, Ctrl and Alt.
ShortCut MakeShortCut(WORD key, ShiftState shift);
// Its text as menus show it ("Ctrl+O", "Del", "Shift+F5"); "" for none.
std::string ShortCutText(ShortCut shortCut);

struct MenuItemCreateArgs {
  std::string caption;  // "-" for a separator line
  ShortCut shortCut = 0;
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
  ShortCut GetShortCut() const { return shortCut_; }
  void SetShortCut(ShortCut shortCut);
  // The item below this one (depth first) with that shortcut, or null.
  MenuItem* FindShortCut(ShortCut shortCut);
  // Whether this item and every menu above it are enabled and visible (its shortcut can run).
  bool Available() const;
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
  ShortCut shortCut_ = 0;
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
