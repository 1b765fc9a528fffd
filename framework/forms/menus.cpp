#include "forms/menus.h"

#include <algorithm>
#include <map>
#include <stdexcept>

namespace forms {

namespace {

std::map<UINT, MenuItem*>& Commands() {
  static std::map<UINT, MenuItem*> commands;
  return commands;
}

UINT AllocateCommand(MenuItem* item) {
  static UINT next = 100;
  auto& commands = Commands();
  for (int tries = 0; tries < 0xE000; ++tries) {
    const UINT id = next;
    next = next >= 0xEFFF ? 100 : next + 1;
    if (commands.find(id) == commands.end()) {
      commands[id] = item;
      return id;
    }
  }
  throw std::runtime_error("Too many menu items");
}

}  // namespace

MenuItem::MenuItem(Component* owner, const std::string& caption)
    : Component(owner), caption_(caption) {
  command_ = AllocateCommand(this);
}

MenuItem::MenuItem(Component* owner, const CreateArgs& args) : MenuItem(owner, args.caption) {
  shortCut_ = args.shortCut;
  checked_ = args.checked;
}

ShortCut MakeShortCut(WORD key, ShiftState shift) {
  ShortCut shortCut = key & 0xFF;
  if (shift & ssShift) shortCut |= scShift;
  if (shift & ssCtrl) shortCut |= scCtrl;
  if (shift & ssAlt) shortCut |= scAlt;
  return shortCut;
}

std::string ShortCutText(ShortCut shortCut) {
  const WORD key = shortCut & 0xFF;
  if (key == 0) return std::string();
  std::string name;
  switch (key) {
    case VK_BACK:
      name = "BkSp";
      break;
    case VK_TAB:
      name = "Tab";
      break;
    case VK_RETURN:
      name = "Enter";
      break;
    case VK_ESCAPE:
      name = "Esc";
      break;
    case VK_SPACE:
      name = "Space";
      break;
    case VK_PRIOR:
      name = "PgUp";
      break;
    case VK_NEXT:
      name = "PgDn";
      break;
    case VK_END:
      name = "End";
      break;
    case VK_HOME:
      name = "Home";
      break;
    case VK_LEFT:
      name = "Left";
      break;
    case VK_UP:
      name = "Up";
      break;
    case VK_RIGHT:
      name = "Right";
      break;
    case VK_DOWN:
      name = "Down";
      break;
    case VK_INSERT:
      name = "Ins";
      break;
    case VK_DELETE:
      name = "Del";
      break;
    default:
      if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) {
        name = std::string(1, static_cast<char>(key));
      } else if (key >= VK_F1 && key <= VK_F24) {
        name = "F" + std::to_string(key - VK_F1 + 1);
      } else {
        // Any other key by the keyboard's own name for it.
        char text[32] = {};
        const UINT scan = MapVirtualKeyA(key, MAPVK_VK_TO_VSC);
        if (GetKeyNameTextA(static_cast<LONG>(scan << 16), text, sizeof text) > 0) name = text;
      }
  }
  if (name.empty()) return std::string();
  std::string text;
  if (shortCut & scShift) text += "Shift+";
  if (shortCut & scCtrl) text += "Ctrl+";
  if (shortCut & scAlt) text += "Alt+";
  return text + name;
}

MenuItem::~MenuItem() {
  Commands().erase(command_);
  if (parent_ != nullptr) parent_->Remove(this);
  while (!items_.empty()) {
    MenuItem* last = items_.back();
    items_.pop_back();
    last->parent_ = nullptr;
    if (!last->FreePending()) delete last;
  }
  if (handle_ != nullptr) DestroyMenu(handle_);
}

MenuItem* MenuItem::FromCommand(UINT command) {
  auto found = Commands().find(command);
  return found != Commands().end() ? found->second : nullptr;
}

int MenuItem::IndexOf(const MenuItem* item) const {
  auto found = std::find(items_.begin(), items_.end(), item);
  return found == items_.end() ? -1 : static_cast<int>(found - items_.begin());
}

int MenuItem::MenuIndex() const { return parent_ != nullptr ? parent_->IndexOf(this) : -1; }

void MenuItem::Insert(int index, MenuItem* item) {
  if (item->parent_ != nullptr) throw std::logic_error("Menu item is already in a menu");
  index = std::clamp(index, 0, Count());
  items_.insert(items_.begin() + index, item);
  item->parent_ = this;
  Changed();
}

void MenuItem::Remove(MenuItem* item) {
  auto found = std::find(items_.begin(), items_.end(), item);
  if (found == items_.end()) return;
  items_.erase(found);
  item->parent_ = nullptr;
  Changed();
}

MenuItem* MenuItem::Find(const std::string& caption) const {
  const std::string wanted = StripAccelerators(caption);
  for (MenuItem* item : items_) {
    if (lstrcmpiA(StripAccelerators(item->caption_).c_str(), wanted.c_str()) == 0) return item;
  }
  return nullptr;
}

void MenuItem::SetCaption(const std::string& caption) {
  caption_ = caption;
  if (parent_ != nullptr) parent_->Rebuild();
}

void MenuItem::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (parent_ != nullptr) parent_->Rebuild();
}

void MenuItem::SetChecked(bool checked) {
  checked_ = checked;
  if (parent_ != nullptr) parent_->Rebuild();
}

void MenuItem::SetVisible(bool visible) {
  visible_ = visible;
  if (parent_ != nullptr) parent_->Rebuild();
}

void MenuItem::SetShortCut(ShortCut shortCut) {
  shortCut_ = shortCut;
  if (parent_ != nullptr) parent_->Rebuild();
}

MenuItem* MenuItem::FindShortCut(ShortCut shortCut) {
  if (shortCut == 0) return nullptr;
  for (MenuItem* item : items_) {
    if (item->shortCut_ == shortCut && !item->IsLine()) return item;
    if (MenuItem* found = item->FindShortCut(shortCut)) return found;
  }
  return nullptr;
}

bool MenuItem::Available() const {
  for (const MenuItem* item = this; item != nullptr; item = item->parent_) {
    if (!item->enabled_ || !item->visible_) return false;
  }
  return true;
}

HMENU MenuItem::Handle() {
  if (handle_ == nullptr) {
    handle_ = (menu_ != nullptr && menu_->menuBar_) ? CreateMenu() : CreatePopupMenu();
    Rebuild();
  }
  return handle_;
}

void MenuItem::Changed() {
  Rebuild();
  if (parent_ != nullptr)
    parent_->Rebuild();  // this item may have become (or stopped being) a submenu
}

void MenuItem::Rebuild() {
  if (handle_ == nullptr) {
    if (menu_ == nullptr && items_.empty()) return;
    Handle();
    return;
  }
  while (GetMenuItemCount(handle_) > 0) RemoveMenu(handle_, 0, MF_BYPOSITION);
  for (MenuItem* item : items_) {
    if (!item->visible_) continue;
    UINT flags = MF_STRING;
    UINT_PTR id = item->command_;
    if (item->IsLine()) {
      flags = MF_SEPARATOR;
    } else if (!item->items_.empty()) {
      flags |= MF_POPUP;
      id = reinterpret_cast<UINT_PTR>(item->Handle());
    }
    if (!item->enabled_) flags |= MF_GRAYED;
    if (item->checked_) flags |= MF_CHECKED;
    std::string text = item->caption_;
    if (!item->IsLine() && item->items_.empty() && item->shortCut_ != 0) {
      text += "\t" + ShortCutText(item->shortCut_);
    }
    AppendMenuA(handle_, flags, id, text.c_str());
  }
  if (menu_ != nullptr) menu_->Changed();
}

void MenuItem::Click() {
  if (enabled_ && OnClick) OnClick(*this);
}

Menu::Menu(Component* owner, bool menuBar) : Component(owner), menuBar_(menuBar) {
  items_ = new MenuItem(this);
  items_->menu_ = this;
}

Menu::~Menu() {
  DestroyComponents();  // the root item and whatever else this menu owns
}

void MainMenu::Changed() {
  if (window_ != nullptr) DrawMenuBar(window_);
}

void PopupMenu::Popup(int x, int y) {
  if (OnPopup) OnPopup(*this);
  HWND owner = GetActiveWindow();
  if (owner == nullptr) owner = Application::Instance().Handle();
  const UINT command = TrackPopupMenu(
      Handle(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, x, y,
      0, owner, nullptr);
  if (command == 0) return;
  MenuItem* item = MenuItem::FromCommand(command);
  if (item != nullptr) item->Click();
}

}  // namespace forms
