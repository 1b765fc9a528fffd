// What the robot tests of Ravelin share: where the self-extractors and their expected files lie,
// a started self-extractor and its windows (found by caption and control id), clicking, typing and
// reading back, listing extracted files and screenshots into the build tree.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "dialog_robot.h"
#include "win_test_util.h"

namespace ravelinrobot {

inline constexpr int kTarget = 101;
inline constexpr int kBrowse = 103;
inline constexpr int kPromptText = 1003;
inline constexpr int kPasswordEdit = 1001;
inline constexpr int kMessageText = 0xFFFF;  // the text of a message box

inline std::string Fixtures() {
  const char* set = getenv("RAVELIN_ROBOT_FIXTURES");
  if (set != nullptr && *set != '\0') return set;
  return testutil::BinaryDir() + "sfxstub\\robot\\fixtures\\robot\\";
}
inline std::string Sfx(const std::string& name) { return Fixtures() + name + "\\sfx.exe"; }
inline std::string Title(const std::string& name) { return "Ravelin robot " + name; }

inline std::string TempPath() {
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  return temp;
}

// Windows are read and pictured by the toolkit every test program shares (testing/).
using testutil::ClassName;
using testutil::EachChildWindow;
using testutil::EachTopLevelWindow;
using testutil::WindowText;

// The whole screen in the build tree, for people reviewing the run.
inline void Screenshot(const std::string& name) {
  testutil::SaveScreenshot(nullptr, "sfxstub\\robot\\" + name + ".bmp");
}

// The text static of a message box (id 0xFFFF; a 32-bit process's id can read back sign-extended).
inline HWND MessageTextControl(HWND box) {
  HWND found = nullptr;
  EachChildWindow(box, [&](HWND child) {
    if ((GetDlgCtrlID(child) & 0xFFFF) == 0xFFFF && GetWindowTextLengthA(child) > 0) {
      found = child;
      return false;
    }
    return true;
  });
  return found;
}

// One self-extractor process and its windows.
class Robot {
 public:
  explicit Robot(const std::string& exe) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + exe + "\"";
    started_ = CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &process_) != 0;
  }
  ~Robot() {
    if (!started_) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
      TerminateProcess(process_.hProcess, 99);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  bool started() const { return started_; }
  // The process's top-level windows, for failure messages.
  std::string Describe() {
    std::string text;
    EachTopLevelWindow([&](HWND w) {
      DWORD pid = 0;
      GetWindowThreadProcessId(w, &pid);
      if (pid == process_.dwProcessId) {
        text.append("[").append(ClassName(w)).append(" '").append(WindowText(w)).append("'");
        text.append(IsWindowVisible(w) ? " visible] " : "] ");
      }
      return true;
    });
    return text;
  }

  // The process's visible top-level dialog for which accept holds, waited for up to ms.
  HWND WaitWindow(const std::function<bool(HWND)>& accept, DWORD ms = 60000) {
    for (DWORD waited = 0; waited < ms; waited += 50) {
      HWND found = Find(accept);
      if (found != nullptr) return found;
      if (WaitForSingleObject(process_.hProcess, 50) == WAIT_OBJECT_0) return Find(accept);
    }
    return nullptr;
  }
  HWND WaitMain(const std::string& title) {
    return WaitWindow(
        [&](HWND w) { return WindowText(w) == title && GetDlgItem(w, kTarget) != nullptr; });
  }
  HWND WaitMessageBox(DWORD ms = 60000) {
    return WaitWindow(
        [](HWND w) {
          return MessageTextControl(w) != nullptr && GetDlgItem(w, kTarget) == nullptr &&
                 GetDlgItem(w, kPromptText) == nullptr;
        },
        ms);
  }
  HWND WaitPrompt(int distinctControl) {
    return WaitWindow([&](HWND w) {
      return GetDlgItem(w, kPromptText) != nullptr && GetDlgItem(w, distinctControl) != nullptr;
    });
  }
  // Waits for the end; the exit code, or -1 when it did not end in time.
  long WaitExit(DWORD ms = 60000) {
    if (WaitForSingleObject(process_.hProcess, ms) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return static_cast<long>(code);
  }

 private:
  HWND Find(const std::function<bool(HWND)>& accept) {
    HWND found = nullptr;
    EachTopLevelWindow([&](HWND w) {
      DWORD pid = 0;
      GetWindowThreadProcessId(w, &pid);
      if (pid == process_.dwProcessId && IsWindowVisible(w) && ClassName(w) == "#32770" &&
          accept(w)) {
        found = w;
        return false;
      }
      return true;
    });
    return found;
  }

  PROCESS_INFORMATION process_ = {};
  bool started_ = false;
};

inline void Click(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
inline void SetField(HWND dialog, int id, const std::string& text) {
  SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}
// WM_GETTEXT: GetWindowText does not ask a control of another process (an edit's text stays
// unread).
inline std::string ControlText(HWND dialog, int id) {
  char text[1024] = {};
  HWND control = id == kMessageText ? MessageTextControl(dialog) : GetDlgItem(dialog, id);
  SendMessageA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

// Every file below folder: upper-case relative path -> contents.
inline void ListFiles(const std::string& root, const std::string& relative,
                      std::map<std::string, std::string>* files) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((root + relative + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ListFiles(root, relative + name + "\\", files);
    } else {
      std::vector<uint8_t> data;
      testutil::ReadWholeFile(root + relative + name, &data);
      std::string key = relative + name;
      CharUpperBuffA(key.data(), static_cast<DWORD>(key.size()));
      (*files)[key] = std::string(data.begin(), data.end());
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
}
inline std::map<std::string, std::string> Files(std::string folder) {
  if (folder.back() != '\\') folder += '\\';
  std::map<std::string, std::string> files;
  ListFiles(folder, "", &files);
  return files;
}
inline std::map<std::string, std::string> Expected(const std::string& name) {
  return Files(Fixtures() + name + "\\expected");
}

// Starts a case, puts target into the folder field and presses OK; returns the main dialog.
inline HWND StartInto(Robot& robot, const std::string& name, const std::string& target) {
  HWND main = robot.WaitMain(Title(name));
  if (main == nullptr) return nullptr;
  SetField(main, kTarget, target);
  Screenshot(name + "_main");
  Click(main, IDOK);
  return main;
}

inline std::string ReadMarker() {
  std::vector<uint8_t> data;
  if (!testutil::ReadWholeFile(TempPath() + "RAVELIN_MARKER.TXT", &data)) return "";
  return std::string(data.begin(), data.end());
}

}  // namespace ravelinrobot
