#include "mru_file_list.h"

#include <algorithm>
#include <map>
#include <vector>

#include "forms/reg_ini_file.h"

TMRUFileList::TMRUFileList(forms::Component* owner) : Component(owner) {}

TMRUFileList::~TMRUFileList() {
  if (AutoSave) SaveToRegistry();
  RemoveMenuItems();
  if (fileMenu_ != nullptr) RemoveFreeNotification(fileMenu_);
}

void TMRUFileList::Loaded() {
  Component::Loaded();
  if (AutoSave) LoadFromRegistry();
}

std::string TMRUFileList::EntryCaption(int index, const std::string& fileName) {
  std::string caption = "&";
  caption += std::to_string(index + 1);
  caption += ' ';
  for (char c : fileName) {
    caption += c;
    if (c == '&') caption += '&';
  }
  return caption;
}

void TMRUFileList::SetMaximum(int value) {
  value = std::clamp(value, 0, 255);
  if (value < maximum_) {
    while (items_.Count() > value) items_.Delete(items_.Count() - 1);
    maximum_ = value;
    RebuildMenu();
  }
  maximum_ = value;
}

void TMRUFileList::SetUseSubmenu(bool value) {
  if (value == useSubmenu_) return;
  useSubmenu_ = value;
  RebuildMenu();
}

void TMRUFileList::SetSubmenuName(const std::string& value) {
  if (value == submenuName_) return;
  submenuName_ = value;
  if (useSubmenu_) RebuildMenu();
}

void TMRUFileList::SetFileMenu(forms::MenuItem* menu) {
  RemoveMenuItems();
  if (fileMenu_ != nullptr) RemoveFreeNotification(fileMenu_);
  fileMenu_ = menu;
  if (menu != nullptr) FreeNotification(menu);
  RebuildMenu();
}

void TMRUFileList::Notification(forms::Component* component, forms::Operation operation) {
  if (operation == forms::Operation::opRemove && component == fileMenu_) fileMenu_ = nullptr;
}

void TMRUFileList::AddItem(const std::string& fileName) {
  const int found = items_.IndexOf(fileName);
  if (found >= 0) {
    items_.Move(found, 0);
  } else {
    items_.Insert(0, fileName);
    while (items_.Count() > maximum_) items_.Delete(items_.Count() - 1);
  }
  RebuildMenu();
}

void TMRUFileList::RemoveMenuItems() {
  if (fileMenu_ == nullptr) return;
  forms::MenuItem* container = fileMenu_->Count() > 0 ? fileMenu_ : fileMenu_->Parent();
  if (container == nullptr) return;
  for (int i = container->Count() - 1; i >= 0; --i) {
    auto* item = dynamic_cast<TMRUMenuItem*>(container->Items(i));
    if (item == nullptr) continue;
    container->Remove(item);
    // An item clicked right now lives until its click has returned.
    item->Free();
  }
}

void TMRUFileList::RebuildMenu() {
  if (fileMenu_ == nullptr) return;
  RemoveMenuItems();
  if (items_.Count() == 0) return;
  forms::MenuItem* container;
  int index;
  if (fileMenu_->Count() > 0) {
    container = fileMenu_;
    index = fileMenu_->Count();
  } else {
    container = fileMenu_->Parent();
    if (container == nullptr) return;
    index = fileMenu_->MenuIndex();
  }
  container->Insert(index++, new TMRUMenuItem(this, "-", 0));
  if (useSubmenu_) {
    auto* submenu = new TMRUMenuItem(this, submenuName_, 0);
    container->Insert(index, submenu);
    container = submenu;
    index = 0;
  }
  for (int k = 0; k < items_.Count(); ++k) {
    auto* entry =
        new TMRUMenuItem(this, EntryCaption(k, items_[k]), static_cast<unsigned char>(k + 1));
    entry->OnClick = [this](forms::Component& sender) { ItemClick(sender); };
    container->Insert(index++, entry);
  }
}

void TMRUFileList::ItemClick(forms::Component& sender) {
  if (!OnMRUItemClick) return;
  auto& item = static_cast<TMRUMenuItem&>(sender);
  const int entry = item.Position - 1;
  if (entry < 0 || entry >= items_.Count()) return;
  const std::string name = items_[entry];
  if (RemoveOnClick) {
    items_.Delete(entry);
    RebuildMenu();
  }
  OnMRUItemClick(sender, name);
}

bool TMRUFileList::LoadFromRegistry() {
  if (AutoSaveName.empty() || AutoSaveKey.empty()) return false;
  forms::RegIniFile ini(AutoSaveName);
  forms::StringList lines;
  ini.ReadSectionValues(AutoSaveKey, lines);
  // Values named F<number>, in number order; others are not ours.
  std::map<long, std::string> numbered;
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string line = lines[i];
    const size_t equals = line.find('=');
    const std::string name = equals == std::string::npos ? line : line.substr(0, equals);
    const std::string value = equals == std::string::npos ? line : line.substr(equals + 1);
    if (name.size() < 2 || (name[0] != 'F' && name[0] != 'f')) continue;
    if (name.find_first_not_of("0123456789", 1) != std::string::npos || name.size() > 10) continue;
    numbered.emplace(std::stol(name.substr(1)), value);
  }
  items_.Clear();
  for (const auto& [number, value] : numbered) {
    if (items_.Count() >= maximum_) break;
    if (value.empty() || items_.IndexOf(value) >= 0) continue;
    items_.Add(value);
  }
  RebuildMenu();
  return true;
}

bool TMRUFileList::SaveToRegistry() {
  if (AutoSaveName.empty() || AutoSaveKey.empty()) return false;
  forms::RegIniFile ini(AutoSaveName);
  ini.EraseSection(AutoSaveKey);
  bool ok = true;
  for (int k = 0; k < items_.Count(); ++k) {
    std::string name = "F";
    name += std::to_string(k);
    ok = ini.WriteString(AutoSaveKey, name, items_[k]) && ok;
  }
  return ok;
}
