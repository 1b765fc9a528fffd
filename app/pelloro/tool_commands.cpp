#include "tool_commands.h"

#include <shellapi.h>

#include "captions.h"
#include "command_scopes.h"
#include "forms/application.h"
#include "forms/guard.h"
#include "forms/message_dialogs.h"
#include "archive_search.h"
#include "favourites.h"
#include "main_form.h"
#include "splitter.h"
#include "wasted_space.h"

namespace pelloro {

namespace {

std::string& FolderOverride() {
  static std::string folder;
  return folder;
}

constexpr char kNoKobuSplit[] =
    "Error: Kobu file was not found.\r\n\r\nThis file is needed to Rebuild split files.  You must "
    "obtain a "
    "copy from Brindle Corvex before you can use this function.If you have deleted this file, you "
    "can "
    "just re-install Pelloro '95 as it should have been included in the original Pelloro '95 "
    "package.";
constexpr char kNoKobuOther[] =
    "Error, the Kobu file was not found.\r\n\r\nThis file is needed to Rebuild split files.  You "
    "must "
    "obtain a copy from Brindle Corvex before you can use this function.If you have deleted this "
    "file, "
    "you can just re-install Pelloro '95 as it should have been included in the Pelloro '95 "
    "package.";

void OnClick(forms::MenuItem* item, std::function<void()> click) {
  if (item != nullptr) item->OnClick = [click](forms::Component&) { click(); };
}

// The rebuilder check around the three Kobu commands: false (with the message, the window idle
// again) when Kobu is missing.
bool RebuilderPresent(TMainfrm& main, const char* missingText) {
  main.SetCaption(kCaptionBusy);
  if (KobuExists()) return true;
  forms::MessageDlg(missingText, forms::MsgDlgType::mtError, forms::mbCancel, 0);
  main.SetCaption(kCaptionIdle);
  return false;
}

template <class TForm>
void ShowSplitter(TMainfrm& main, const char* missingText) {
  if (!RebuilderPresent(main, missingText)) return;
  struct Idle {
    TMainfrm& main;
    ~Idle() {
      forms::Guard([this] { main.SetCaption(kCaptionIdle); });
    }
  } idle{main};
  TForm form(nullptr);
  form.ShowModal();
}

// A window of ours shown modally between " - Busy" and " - Idle".
template <class Show>
void BusyWhile(TMainfrm& main, Show show) {
  const BusyCaption busy(main);
  show();
}

void ShowFavourites(TMainfrm& main) {
  TOpenAutofrm favourites(nullptr, main);
  favourites.ShowModal();
}

// "&Open Zip file...": the favourites browser when "UseFav" (absent: "True") is exactly "True",
// else the open dialog and the main window's road.
void OpenZipFile(TMainfrm& main) {
  main.SetCaption(kCaptionIdle);
  struct Idle {
    TMainfrm& main;
    ~Idle() {
      forms::Guard([this] { main.SetCaption(kCaptionIdle); });
    }
  } idle{main};
  if (UseFavSetting() == "True") {
    ShowFavourites(main);
    return;
  }
  if (main.OpenDialog1->Execute()) main.OpenByTheRoad(main.OpenDialog1->FileName);
}

}  // namespace

std::string ProgramFolder() {
  if (!FolderOverride().empty()) return FolderOverride();
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length < MAX_PATH ? length : 0);
  const size_t slash = folder.find_last_of('\\');
  folder.resize(slash == std::string::npos ? 0 : slash + 1);
  return folder;
}

void SetProgramFolder(const std::string& folder) {
  FolderOverride() = folder;
  if (!folder.empty() && folder.back() != '\\') FolderOverride() += '\\';
}

std::string KobuPath() { return ProgramFolder() + "Kobu"; }

bool KobuExists() {
  const DWORD attributes = GetFileAttributesA(KobuPath().c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool StartKobu(HWND owner) {
  const std::string kobu = KobuPath();
  const std::string folder = ProgramFolder();
  const HINSTANCE result =
      forms::App().Shell(owner, "open", kobu.c_str(), "", folder.c_str(), SW_SHOWNORMAL);
  if (reinterpret_cast<INT_PTR>(result) > 32) return true;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process = {};
  std::string commandLine = "\"" + kobu + "\"";
  if (!CreateProcessA(kobu.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

bool OpenArchiveInMain(TMainfrm& main, const std::string& path) { return main.OpenByTheRoad(path); }

void WireToolCommands(TMainfrm& main) {
  TMainfrm* window = &main;
  OnClick(main.File1->Find("&Open Zip file..."), [window] { OpenZipFile(*window); });
  main.ExplorerButton1->OnClick = [window](forms::Component&) { OpenZipFile(*window); };
  OnClick(main.File1->Find("Open from &Favourites.."),
          [window] { BusyWhile(*window, [window] { ShowFavourites(*window); }); });
  main.ExplorerButton12->OnClick = [window](forms::Component&) {
    TForm1 search(nullptr, *window);
    search.ShowModal();
  };
  main.ExplorerButton3->OnClick = [window](forms::Component&) {
    BusyWhile(*window, [] {
      TSnifferfrm wizard(nullptr);
      wizard.ShowModal();
    });
  };
  OnClick(main.Plugins1->Find("&Dorrel IT!"),
          [window] { ShowSplitter<TSplitMainfrm>(*window, kNoKobuSplit); });
  OnClick(main.Plugins1->Find("&Dorrel IT! - Wizard"),
          [window] { ShowSplitter<TSplitWizardfrm>(*window, kNoKobuOther); });
  OnClick(main.Plugins1->Find("Jossan IT&!"), [window] {
    if (!RebuilderPresent(*window, kNoKobuOther)) return;
    StartKobu(window->Handle());
    window->SetCaption(kCaptionIdle);
  });
}

}  // namespace pelloro
