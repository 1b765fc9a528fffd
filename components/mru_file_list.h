// TMRUFileList: a short most-recently-used list of file names shown as numbered items in a menu
// (directly or in a submenu), reporting a click on one, saved to the registry and loaded back.
#pragma once

#include <functional>
#include <string>

#include "forms/menus.h"
#include "forms/string_list.h"

// A menu item made by the list: its 1-based position in the list (0 for separator and submenu).
class TMRUMenuItem : public forms::MenuItem {
 public:
  TMRUMenuItem(forms::Component* owner, const std::string& caption, unsigned char position)
      : MenuItem(owner, caption), Position(position) {}
  unsigned char Position;
};

using TMRUClick = std::function<void(forms::Component& sender, const std::string& fileName)>;

class TMRUFileList : public forms::Component {
 public:
  explicit TMRUFileList(forms::Component* owner);
  ~TMRUFileList() override;

  int Maximum() const { return maximum_; }
  void SetMaximum(int value);
  bool RemoveOnClick = true;
  bool UseSubmenu() const { return useSubmenu_; }
  void SetUseSubmenu(bool value);
  const std::string& SubmenuName() const { return submenuName_; }
  void SetSubmenuName(const std::string& value);
  TMRUClick OnMRUItemClick;
  forms::MenuItem* FileMenu() const { return fileMenu_; }
  void SetFileMenu(forms::MenuItem* menu);
  bool AutoSave = true;
  std::string AutoSaveName = "\\Software\\My Application";
  std::string AutoSaveKey = "MRU Items";

  const forms::StringList& Items() const { return items_; }
  void AddItem(const std::string& fileName);
  virtual void RebuildMenu();
  bool LoadFromRegistry();
  bool SaveToRegistry();
  void Loaded() override;
  // The caption of entry k (0-based): "&" + (k + 1) + " " + the name with its "&" doubled.
  static std::string EntryCaption(int index, const std::string& fileName);

 protected:
  void Notification(forms::Component* component, forms::Operation operation) override;

 private:
  void RemoveMenuItems();
  void ItemClick(forms::Component& sender);
  forms::StringList items_;
  int maximum_ = 5;
  bool useSubmenu_ = false;
  std::string submenuName_ = "Reopen";
  forms::MenuItem* fileMenu_ = nullptr;
};
