// Item lists of the system: ComboBox and ListBox, and the drive, folder and file lists built on
// them (CB_DIR, LB_DIR).
#pragma once

#include <string>
#include <vector>

#include "forms/win_control.h"

namespace forms {

enum class ComboStyle { csDropDown, csSimple, csDropDownList };

struct ComboBoxCreateArgs {
  int left = 0, top = 0, width = 145, height = 200;  // height includes the dropped list
  ComboStyle style = ComboStyle::csDropDown;
  std::vector<std::string> items;
  bool sorted = false;
};

class ComboBox : public WinControl {
 public:
  using CreateArgs = ComboBoxCreateArgs;
  ComboBox(Component* owner, WinControl* parent, const CreateArgs& args = CreateArgs());
  int Count() const;
  std::string Item(int index) const;
  int AddItem(const std::string& text);
  void Clear();
  int IndexOf(const std::string& text) const;
  int ItemIndex() const;
  void SetItemIndex(int index);
  std::string Text() const { return Caption(); }
  void SetText(const std::string& text);
  NotifyEvent OnChange;
  void WndProc(Message& message) override;
};

struct ListBoxCreateArgs {
  int left = 0, top = 0, width = 121, height = 97;
  std::vector<std::string> items;
  bool multiSelect = false;
  bool sorted = false;
};

class ListBox : public WinControl {
 public:
  using CreateArgs = ListBoxCreateArgs;
  ListBox(Component* owner, WinControl* parent, const CreateArgs& args = CreateArgs());
  int Count() const;
  std::string Item(int index) const;
  int AddItem(const std::string& text);
  void DeleteItem(int index);
  void Clear();
  int ItemIndex() const;
  void SetItemIndex(int index);
  bool Selected(int index) const;
  void SetSelected(int index, bool selected);
  void WndProc(Message& message) override;
};

// The drives of the machine, as the system lists them ("[-c-]"); Drive is the letter chosen.
class DriveComboBox : public ComboBox {
 public:
  DriveComboBox(Component* owner, WinControl* parent, const CreateArgs& args = CreateArgs());
  char Drive() const;
  void SetDrive(char letter);
  void Refresh();
};

// The sub-folders of Directory ("[name]", with "[..]").
class DirectoryListBox : public ListBox {
 public:
  DirectoryListBox(Component* owner, WinControl* parent, const CreateArgs& args = CreateArgs());
  const std::string& Directory() const { return directory_; }
  void SetDirectory(const std::string& directory);
  // The folder of an item ("[sub]" gives Directory\sub, "[..]" its parent).
  std::string ItemPath(int index) const;

 private:
  std::string directory_;
};

// The files of Directory that match Mask.
class FileListBox : public ListBox {
 public:
  FileListBox(Component* owner, WinControl* parent, const CreateArgs& args = CreateArgs());
  const std::string& Directory() const { return directory_; }
  void SetDirectory(const std::string& directory);
  const std::string& Mask() const { return mask_; }
  void SetMask(const std::string& mask);
  void Refresh();

 private:
  std::string directory_;
  std::string mask_ = "*.*";
};

}  // namespace forms
