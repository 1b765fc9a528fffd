// What the tests of the tool windows share: a script of answers to the message dialogs of ours
// (each dialog's text recorded, its button pressed by name), the built Kobu, and Kobu run as a
// process and driven by control id.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "../kobu/kobu_resource.h"
#include "dialog_robot.h"
#include "forms/application.h"
#include "forms/label.h"
#include "gui_driver.h"
#include "win_test_util.h"

namespace toolstest {

// Answers the next modal forms of ours in order with the buttons named; a form beyond the script
// is a test failure (cancelled). texts holds each dialog's message (its caption for other forms).
class Answers {
 public:
  explicit Answers(std::vector<std::string> buttons) : buttons_(std::move(buttons)) { Arm(); }
  ~Answers() { forms::App().SetModalHook(nullptr); }
  Answers(const Answers&) = delete;
  Answers& operator=(const Answers&) = delete;
  std::vector<std::string> texts;
  // Runs before each answer with the dialog's number (from 0), e.g. for a screenshot.
  std::function<void(size_t index)> before;

 private:
  void Arm() {
    guitest::OnModal([this](forms::Form& dialog) { Answer(dialog); });
  }
  void Answer(forms::Form& dialog) {
    auto* message = dynamic_cast<forms::Label*>(guitest::Find(dialog, "Message"));
    texts.push_back(message != nullptr ? message->Caption() : dialog.Caption());
    const std::string button = next_ < buttons_.size() ? buttons_[next_++] : std::string();
    Arm();
    if (before) before(texts.size() - 1);
    if (button.empty()) {
      ADD_FAILURE() << "an unexpected dialog: " << texts.back();
      dialog.SetModalResult(forms::mrCancel);
      return;
    }
    guitest::Click(dialog, button);
  }
  std::vector<std::string> buttons_;
  size_t next_ = 0;
};

// Kobu as built beside Pelloro.exe.
inline std::string BuiltKobu() {
  std::string exe = testutil::UnixToWindowsPath(PELLORO_EXE_PATH);
  exe.resize(exe.find_last_of('\\') + 1);
  return exe + "Kobu";
}

// A started Kobu; killed when the object goes if it still runs.
class KobuRun {
 public:
  explicit KobuRun(const std::string& path) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string command = "\"" + path + "\"";
    started_ = CreateProcessA(path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &info_) != 0;
  }
  ~KobuRun() {
    if (!started_) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(info_.hProcess, 99);
      WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
  }
  KobuRun(const KobuRun&) = delete;
  KobuRun& operator=(const KobuRun&) = delete;
  bool Started() const { return started_; }
  // The visible dialog of Kobu's process with that exact caption, or null within the limit.
  HWND Window(const std::string& caption, DWORD limitMs = 15000) const {
    const DWORD start = GetTickCount();
    do {
      struct Search {
        DWORD pid;
        const std::string* caption;
        HWND found;
      } search{info_.dwProcessId, &caption, nullptr};
      EnumWindows(
          [](HWND window, LPARAM context) CALLBACK -> BOOL {
            auto* s = reinterpret_cast<Search*>(context);
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            if (pid == s->pid && IsWindowVisible(window) &&
                guitest::WindowText(window) == *s->caption) {
              s->found = window;
              return FALSE;
            }
            return TRUE;
          },
          reinterpret_cast<LPARAM>(&search));
      if (search.found != nullptr) return search.found;
      Sleep(30);
    } while (GetTickCount() - start < limitMs);
    return nullptr;
  }
  // Fills the destination folder of Kobu's dialog and presses OK; false when it did not come.
  bool Choose(const std::string& folder, int part = 0) {
    const HWND dialog = Window("Kobu - Rebuild a split file");
    if (dialog == nullptr) return false;
    Sleep(100);
    SendMessageTimeoutA(GetDlgItem(dialog, IDC_PARTS), LB_SETCURSEL, part, 0, SMTO_ABORTIFHUNG,
                        5000, nullptr);
    SendMessageTimeoutA(GetDlgItem(dialog, IDC_FOLDER), WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(folder.c_str()), SMTO_ABORTIFHUNG, 5000, nullptr);
    testutil::Press(dialog, IDOK);
    return true;
  }
  // The text of Kobu's next message box (its caption given), answered with the button.
  std::string Answer(const std::string& caption, int button) {
    const HWND box = Window(caption);
    if (box == nullptr) return "<no message box " + caption + ">";
    Sleep(100);
    std::string text;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
      if (GetDlgCtrlID(child) == 0xFFFF) text = guitest::WindowText(child);
    }
    testutil::Press(box, button);
    // Wait for it to go, so that the next message box is a new window.
    for (int i = 0; i < 200 && IsWindow(box) && IsWindowVisible(box); ++i) Sleep(20);
    return text;
  }
  // The exit code, or -1 when it still runs after the limit.
  long Ended(DWORD limitMs = 15000) const {
    if (WaitForSingleObject(info_.hProcess, limitMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return static_cast<long>(code);
  }

 private:
  PROCESS_INFORMATION info_ = {};
  bool started_ = false;
};

}  // namespace toolstest
