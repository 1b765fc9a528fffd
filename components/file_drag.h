// TFileDrag: lets its owner form accept files dropped from the shell and lists the names of the
// last drop. It watches the owner's window through a message hook (no window-procedure
// replacement); dropping starts switched off.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "forms/control.h"
#include "forms/string_list.h"

class TFileDrag : public forms::Component {
 public:
  explicit TFileDrag(forms::Component* owner);
  ~TFileDrag() override;
  const forms::StringList& NameWithPath() const { return nameWithPath_; }
  const forms::StringList& NameOnly() const { return nameOnly_; }
  const forms::StringList& Extension() const { return extension_; }
  int FileCount() const { return fileCount_; }
  bool EnableDrop() const { return enableDrop_; }
  void SetEnableDrop(bool value);
  forms::NotifyEvent OnDrop;

 private:
  void HandleDrop(HDROP drop);
  forms::WinControl* window_ = nullptr;
  int hook_ = 0;
  forms::StringList nameWithPath_, nameOnly_, extension_;
  int fileCount_ = 0;
  bool enableDrop_ = false;
};
