#include "view_commands.h"

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <memory>

#include "captions.h"
#include "command_scopes.h"
#include "ed_intern_form.h"
#include "forms/application.h"
#include "forms/guard.h"
#include "forms/message_dialogs.h"
#include "forms/reg_ini_file.h"
#include "main_form.h"
#include "new_zip_form.h"
#include "op_form.h"
#include "temp_folder.h"
#include "tool_commands.h"
#include "view_method_form.h"

namespace pelloro {

namespace {

constexpr char kNoWriteAccess[] =
    "Error: Can't get write access to C:\\ Drive.\r\n\r\nPelloro requires write access to your C: "
    "drive to view the selected file.  Please rectify this problem and try again.";
constexpr char kNothingSelected[] = "You must select a file to view first.";
constexpr char kInstallResume[] = "When Installation has completed, click here to resume.";
constexpr char kInstallFailed[] = "Error: Could not start the installation program.";

std::string Upper(std::string text) {
  CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

bool IsFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The working folder without its trailing backslash, as the control and the shell are given it.
std::string WorkingFolderBare() {
  std::string folder = kTempFolder;
  folder.pop_back();
  return folder;
}

// The actions are off while a viewing command runs and on again however it ends: viewing never
// lists the archive again, so the list it ran on still stands.
class ViewingActionsOff {
 public:
  explicit ViewingActionsOff(TMainfrm& main) : main_(main) { main_.DisableActions(); }
  ~ViewingActionsOff() {
    forms::Guard([this] { main_.EnableActions(); });
  }
  ViewingActionsOff(const ViewingActionsOff&) = delete;
  ViewingActionsOff& operator=(const ViewingActionsOff&) = delete;

 private:
  TMainfrm& main_;
};

// "&View/Execute selected file": the entry's association (the walk includes value Total), else
// the view-method window.
void ViewSelectedFile(TMainfrm& main) {
  const ViewingActionsOff off(main);
  const HWND list = main.MSListview1->Handle();
  const int index = ListView_GetNextItem(list, -1, LVNI_SELECTED);
  if (index < 0) {
    forms::MessageDlg(kNothingSelected, forms::MsgDlgType::mtError, forms::mbOK, 0);
    return;
  }
  std::string entry;
  {
    TQXCtrl::CallScope call(*main.QXCtrl1);
    const auto row = static_cast<short>(index);
    // The full stored name: the file part alone misses an entry inside a folder.
    entry = main.QXCtrl1->GetZIPITEMDir(list, row, true) +
            main.QXCtrl1->GetZIPITEMName(list, row, true);
  }
  bool notViewed = true;
  {
    const forms::RegIniFile settings(kSettingsKey);
    const int total = settings.ReadInteger(kAssociationsSection, "Total", 0);
    const std::string extension = Upper(ExtractFileExt(entry));
    for (int n = 0; n <= total && notViewed; ++n) {
      const std::string key = std::to_string(n);
      if (Upper(settings.ReadString(kAssociationsSection, key, "")) != extension) continue;
      const std::string method = Upper(settings.ReadString(kAssociationsSection, key + "Dat", ""));
      if (method == "ASSOCIATED PROGRAM") {
        notViewed = false;
        ViewExtractedFile(main, kViewAssociated, entry);
      } else if (method == "INTERNAL VIEWER") {
        notViewed = false;
        ViewExtractedFile(main, kViewInternal, entry);
      } else if (method == "WINDOWS NOTEPAD") {
        notViewed = false;
        ViewExtractedFile(main, kViewNotepad, entry);
      }
    }
  }
  if (notViewed) {
    const auto chooser = std::make_unique<TViewMethodfrm>(&main, main);
    chooser->EntryName = entry;
    chooser->ShowModal();
  }
}

// "&Install Program": the archive extracted with its folders into the emptied working folder,
// then the SETUP.EXE (else INSTALL.EXE) at its top; the folder emptied again afterwards.
void InstallProgram(TMainfrm& main) {
  const ViewingActionsOff off(main);
  struct Clean {
    ~Clean() {
      forms::Guard([] { CleanTempFolder(kTempFolder); });
    }
  } clean;
  CleanTempFolder(kTempFolder);
  std::string program;
  {
    TQXCtrl::CallScope call(*main.QXCtrl1);
    Progress progress(main, 0);
    ForceFolder(kTempFolder);
    main.QXCtrl1->UnzipFiles(main.CurrentArchive(), "*.*", WorkingFolderBare(), true, true, 1, "",
                             true, true);
    progress.Close();
    // Only a program at the top: IsFileInTheZIPFile also matches one inside a folder.
    for (const char* name : {"SETUP.EXE", "INSTALL.EXE"}) {
      if (main.QXCtrl1->IsFileInTheZIPFile(main.CurrentArchive(), name, true) &&
          IsFile(kTempFolder + std::string(name))) {
        program = kTempFolder + std::string(name);
        break;
      }
    }
  }
  bool started = false;
  if (!program.empty()) {
    const HINSTANCE result = forms::App().Shell(main.Handle(), "Open", program.c_str(), "",
                                                WorkingFolderBare().c_str(), SW_SHOWNORMAL);
    started = reinterpret_cast<INT_PTR>(result) > 32;
  }
  if (started) {
    forms::MessageDlg(kInstallResume, forms::MsgDlgType::mtConfirmation, forms::mbOK, 0);
  } else {
    forms::MessageDlg(kInstallFailed, forms::MsgDlgType::mtError, forms::mbOK, 0);
  }
}

// "&Contents" and "&Index": the help file beside the program, its contents page.
void ShowHelpContents() {
  forms::App().HelpFile = ProgramFolder() + kHelpFileName;
  forms::App().HelpCommand(HELP_CONTENTS, 0);
}

// "Launch Windows E&xplorer...": the shell's open with nothing named; where that opens nothing
// (32 or less), Explorer by its name.
void LaunchExplorer(TMainfrm& main) {
  const HINSTANCE result = forms::App().Shell(main.Handle(), "open", "", "", "", SW_SHOWNORMAL);
  if (reinterpret_cast<INT_PTR>(result) > 32) return;
  forms::App().Shell(main.Handle(), "open", "explorer.exe", "", "", SW_SHOWNORMAL);
}

}  // namespace

std::string ExtractFileName(const std::string& path) {
  const size_t cut = path.find_last_of("\\/:");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string ExtractFileExt(const std::string& fileName) {
  const std::string name = ExtractFileName(fileName);
  const size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

bool IsImageFile(const std::string& fileName) {
  static const char* const kImageExtensions[] = {".JPG", ".JIF", ".GIF", ".BMP",
                                                 ".DIB", ".RLE", ".TGA", ".PCX"};
  const std::string extension = Upper(ExtractFileExt(fileName));
  return std::any_of(std::begin(kImageExtensions), std::end(kImageExtensions),
                     [&](const char* known) { return extension == known; });
}

bool WorkingFolderReady() {
  ForceFolder(kTempFolder);
  const DWORD attributes = GetFileAttributesA(WorkingFolderBare().c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return true;
  }
  forms::MessageDlg(kNoWriteAccess, forms::MsgDlgType::mtError, forms::mbCancel, 0);
  return false;
}

std::string ExtractForViewing(TMainfrm& main, const std::string& entry, bool rebuildDir,
                              bool eraseReadOnly) {
  // Folders kept, the file lies at its stored path; without them, at its file part.
  std::string relative = rebuildDir ? entry : ExtractFileName(entry);
  std::replace(relative.begin(), relative.end(), '/', '\\');
  const std::string path = kTempFolder + relative;
  // A file left from an earlier view would otherwise be shown when this extraction fails.
  if (IsFile(path)) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
  }
  short result = 0;
  {
    TQXCtrl::CallScope call(*main.QXCtrl1);
    result = main.QXCtrl1->UnzipFiles(main.CurrentArchive(), entry,
                                      rebuildDir ? WorkingFolderBare() : std::string(kTempFolder),
                                      rebuildDir, eraseReadOnly, 1, "", true, true);
  }
  return result > 1 || !IsFile(path) ? std::string() : path;
}

void ReportNotExtracted(const std::string& entry) {
  forms::MessageDlg("Error: Could not extract " + entry + " to view it.",
                    forms::MsgDlgType::mtError, forms::mbOK, 0);
}

void ShowInternalViewer(const std::string& path) {
  const auto viewer = std::make_unique<TEdInternfrm>(nullptr);
  viewer->LoadFile(path);
  viewer->ShowModal();
}

void ShowExtracted(TMainfrm& main, ViewMethod method, const std::string& path) {
  switch (method) {
    case kViewAssociated:
      forms::App().Shell(main.Handle(), "open", path.c_str(), "", kTempFolder, SW_SHOWNORMAL);
      break;
    case kViewInternal:
      ShowInternalViewer(path);
      break;
    case kViewNotepad:
      forms::App().Shell(main.Handle(), "open", "Notepad.exe", path.c_str(), "", SW_SHOWNORMAL);
      break;
  }
}

void ViewExtractedFile(TMainfrm& main, ViewMethod method, const std::string& entry) {
  if (!WorkingFolderReady()) return;
  std::string path;
  {
    Progress progress(main, 'A');
    path = ExtractForViewing(main, entry, false, false);
  }
  if (path.empty()) {
    ReportNotExtracted(entry);
    return;
  }
  ShowExtracted(main, method, path);
}

void WireViewCommands(TMainfrm& main) {
  TMainfrm* window = &main;
  BindMenuItem(main, "ViewExecuteselectedfile1", [window] { ViewSelectedFile(*window); });
  main.Installbtn->OnClick = [window](forms::Component&) { InstallProgram(*window); };
  BindMenuItem(main, "Contents1", [] { ShowHelpContents(); });
  BindMenuItem(main, "Index1", [] { ShowHelpContents(); });
  BindMenuItem(main, "LaunchWindowsExplorer1", [window] { LaunchExplorer(*window); });
}

}  // namespace pelloro
