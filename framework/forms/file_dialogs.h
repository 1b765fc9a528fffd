// The system's open and save dialogs.
#pragma once

#include <string>
#include <vector>

#include "forms/component.h"
#include "forms/string_list.h"

namespace forms {

enum OpenOption : unsigned {
  ofReadOnly = 1,
  ofOverwritePrompt = 2,
  ofHideReadOnly = 4,
  ofNoChangeDir = 8,
  ofAllowMultiSelect = 16,
  ofPathMustExist = 32,
  ofFileMustExist = 64,
  ofCreatePrompt = 128,
  ofNoReadOnlyReturn = 256,
  ofNoValidate = 512,
};

class OpenDialog : public Component {
 public:
  explicit OpenDialog(Component* owner) : Component(owner) {}
  std::string FileName;
  // "Text files (*.txt)|*.txt|All files|*.*"
  std::string Filter;
  int FilterIndex = 1;
  std::string InitialDir;
  std::string DefaultExt;
  std::string Title;
  unsigned Options = ofHideReadOnly;
  // With ofAllowMultiSelect: every file chosen, with its path.
  StringList Files;
  // True when the user chose; FileName (and Files) then hold the choice.
  virtual bool Execute();

 protected:
  bool Run(bool save);
};

class SaveDialog : public OpenDialog {
 public:
  explicit SaveDialog(Component* owner) : OpenDialog(owner) {}
  bool Execute() override { return Run(true); }
};

}  // namespace forms
