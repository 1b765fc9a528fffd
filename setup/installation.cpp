#include "installation.h"

#include <windows.h>
#include <shlobj.h>

#include "environment.h"
#include "file_copy.h"
#include "forms/application.h"
#include "forms/message_dialogs.h"
#include "main_form.h"
#include "progman_dde.h"
#include "registry_entries.h"
#include "setup_texts.h"
#include "shortcut.h"
#include "status_form.h"

namespace setup {

using forms::MessageDlg;
using forms::MsgDlgType;

std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string name(path, length < MAX_PATH ? length : 0);
  const size_t slash = name.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
}

Installation::Installation(TMainfrm& wizard, TStatusfrm& status, TPopupfrm& popup,
                           TDdeClientConv& dde)
    : wizard_(wizard), status_(status), popup_(popup), dde_(dde) {}

int Installation::Run() {
  // 1.
  windir_ = WindowsFolder();
  source_ = Env().sourceFolder.empty() ? ProgramFolder() : WithBackslash(Env().sourceFolder);
  folder_ = WithBackslash(wizard_.Edit1->Text());
  total_ = wizard_.FilestoCopy->Count() + wizard_.SystemCopy->Count() - 2;
  if (total_ < 1) total_ = 1;
  status_.Show();
  // 2.-4.
  if (!CopyFiles()) return texts::kExitAborted;
  // 5.
  status_.Hide();
  popup_.Show();
  popup_.Repaint();
  MakeIcons();
  // 10.
  folder_ = WithBackslash(ShortPath(folder_));
  wizard_.Edit1->SetText(folder_);
  // 11.
  WriteRegistry(folder_);
  // 12., 13.
  RegisterFiles();
  // 14.
  popup_.Hide();
  MessageDlg(texts::kComplete, MsgDlgType::mtInformation, forms::mbOK);
  return texts::kExitOk;
}

void Installation::ShowRow(const std::string& row) {
  status_.FileName->SetCaption(row);
  status_.Percent->SetPosition(count_ * 100 / total_);
  status_.Repaint();
  forms::App().ProcessMessages();
}

bool Installation::CopyFiles() {
  const auto missing = [](const std::string& row) {
    MessageDlg(std::string(texts::kCouldNotInstallHead) + row + "\r\n\r\n" +
                   texts::kCouldNotInstallReason + texts::kInstallWillContinue,
               MsgDlgType::mtError, forms::mbIgnore);
  };
  for (int i = 0; i < wizard_.FilestoCopy->Count(); ++i, ++count_) {
    const std::string row = wizard_.FilestoCopy->Item(i);
    ShowRow(row);
    if (!FileExists(source_ + row)) {
      missing(row);
      continue;
    }
    if (!CopyInstalled(source_ + row, folder_ + row)) return false;
  }
  const std::string system = SystemFolder(true);
  for (int i = 0; i < wizard_.SystemCopy->Count(); ++i, ++count_) {
    const std::string row = wizard_.SystemCopy->Item(i);
    if (row.empty()) continue;  // the list's empty last row
    ShowRow(row);
    if (!FileExists(source_ + row)) {
      missing(row);
      continue;
    }
    // An existing system file (an older control, say) is never replaced.
    if (FileExists(system + row)) continue;
    if (!CopyInstalled(source_ + row, system + row)) return false;
  }
  return CopyInstalled(source_ + "setup.exe", windir_ + "pellmove.exe");
}

bool Installation::CopyInstalled(const std::string& source, const std::string& destination) {
  if (FileExists(source) && Env().beforeCopy) Env().beforeCopy(source);
  switch (CopyExpanding(source, destination)) {
    case CopyResult::Copied:
      return true;
    case CopyResult::SourceMissing:
      MessageDlg(
          "Error: File " + source + " could not be found.\r\n\r\n" + "Installation will abort now.",
          MsgDlgType::mtError, forms::mbAbort);
      return false;
    case CopyResult::Failed:
      MessageDlg(texts::kCouldNotCopy, MsgDlgType::mtConfirmation, forms::mbOK);
      return true;
  }
  return true;
}

bool Installation::Progman(const std::string& macro) {
  if (Env().progman) return Env().progman(macro);
  return dde_.ExecuteMacro(macro);
}

void Installation::MakeIcons() {
  // 6.
  DeleteFileA((windir_ + "Startm~1\\Programs\\pellor~1\\uninst~1.lnk").c_str());
  // 7.
  const std::string group = wizard_.Edit2->Text();
  if (!Progman(CreateGroupMacro(group))) {
    MessageDlg(texts::kNoProgramGroup, MsgDlgType::mtInformation, forms::mbOK);
  }
  // 8. (no help file ships: one item)
  const std::string program = folder_ + wizard_.FilestoCopy->Item(0);
  if (!Progman(AddItemMacro(program, texts::kProductName))) {
    MessageDlg(texts::kNoProgramItem, MsgDlgType::mtInformation, forms::mbOK);
  }
  // 9. The desktop link goes to the shell's desktop folder: windir + "Desktop" is Windows 95's.
  const HRESULT com = CoInitialize(nullptr);
  CreateLink(program, WithBackslash(SpecialFolder(CSIDL_DESKTOPDIRECTORY)) + texts::kLinkFile,
             texts::kProductName);
  if (SUCCEEDED(com)) CoUninitialize();
}

void Installation::RegisterFiles() {
  // 12. The System folder the files went to; each registration is waited for.
  const std::string system = SystemFolder(true);
  std::string folder = system;
  folder.pop_back();
  for (int i = 0; i < wizard_.SystemCopy->Count(); ++i) {
    const std::string row = wizard_.SystemCopy->Item(i);
    const long code = RunAndWait("regsvr32.exe", "/s \"" + system + row + "\"", folder);
    if (row == texts::kControlFile && code != 0) {
      MessageDlg(texts::kNotRegistered, MsgDlgType::mtInformation, forms::mbOK);
    }
  }
  // 13.
  RunAndWait(windir_ + "regedit.exe", "\"" + source_ + "mergeme.reg\"", "");
}

}  // namespace setup
