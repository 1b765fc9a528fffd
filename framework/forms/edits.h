// Text entry: Edit (one line), Memo (several lines) and RichEdit (the system's rich edit
// control, plain text in and out). State is read back from the control.
#pragma once

#include <string>
#include <vector>

#include "forms/win_control.h"

namespace forms {

struct EditCreateArgs {
  std::string text;
  int left = 0, top = 0, width = 121, height = 21;
  bool readOnly = false;
  bool password = false;
  int maxLength = 0;
  bool border = true;
};

class CustomEdit : public WinControl {
 public:
  std::string Text() const { return Caption(); }
  void SetText(const std::string& text) { SetCaption(text); }
  bool ReadOnly() const;
  void SetReadOnly(bool readOnly);
  void SetMaxLength(int length);
  int SelStart() const;
  int SelLength() const;
  void SetSelection(int start, int length);
  void SelectAll() { SetSelection(0, -1); }
  bool Modified() const;
  void SetModified(bool modified);
  NotifyEvent OnChange;
  void WndProc(Message& message) override;

 protected:
  CustomEdit(Component* owner, WinControl* parent) : WinControl(owner, parent) {
    color_ = clWindow;
    TabStop = true;
  }
  void CreateEdit(const char* className, DWORD style, const EditCreateArgs& args);
};

class Edit : public CustomEdit {
 public:
  using CreateArgs = EditCreateArgs;
  Edit(Component* owner, WinControl* parent, const CreateArgs& args = CreateArgs());
};

struct MemoCreateArgs {
  std::string text;
  int left = 0, top = 0, width = 185, height = 89;
  bool readOnly = false;
  bool wordWrap = true;
  bool wantReturns = true;
  bool scrollBars = true;
};

class Memo : public CustomEdit {
 public:
  using CreateArgs = MemoCreateArgs;
  Memo(Component* owner, WinControl* parent, const CreateArgs& args = CreateArgs());
  // The text as lines (CR LF separated in the control).
  std::vector<std::string> Lines() const;
  void SetLines(const std::vector<std::string>& lines);
  int LineCount() const;

 protected:
  Memo(Component* owner, WinControl* parent, const char* className, const CreateArgs& args);
};

class RichEdit : public Memo {
 public:
  using CreateArgs = MemoCreateArgs;
  RichEdit(Component* owner, WinControl* parent, const CreateArgs& args = CreateArgs());
};

}  // namespace forms
