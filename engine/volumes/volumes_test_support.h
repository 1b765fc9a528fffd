// Helpers of the self-extractor, split, backup, join and restore tests: the peer-made fixtures,
// a control folder holding the stand-in stub and the language file, and scripted disk prompts.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/module_state.h"
#include "base/prompts.h"
#include "win_test_util.h"

namespace volumetest {

inline std::string FixtureDir() { return testutil::BinaryDir() + "engine\\fixtures\\volumes\\"; }
// The stand-in stub the build makes (a program whose main returns 0).
inline std::string StandInStub() { return testutil::BinaryDir() + "engine\\stand_in_stub.exe"; }

inline bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline FILETIME ModTime(const std::string& path) {
  FILETIME t = {};
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) t = data.ftLastWriteTime;
  return t;
}

inline bool SameTime(const FILETIME& a, const FILETIME& b) {
  return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

inline void SetModTime(const std::string& path, int64_t unixSeconds) {
  const uint64_t ticks = (static_cast<uint64_t>(unixSeconds) + 11644473600ull) * 10000000ull;
  const FILETIME t{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  const HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  SetFileTime(file, nullptr, nullptr, &t);
  CloseHandle(file);
}

// The temporary files the writer makes ("ZIP*.TMP" in the temporary folder): none may be left.
inline size_t TemporaryCopies() {
  char folder[MAX_PATH + 1] = {};
  GetTempPathA(MAX_PATH, folder);
  size_t count = 0;
  for (const std::string& name : testutil::FolderNames(folder, true)) {
    if (name.rfind("ZIP", 0) == 0 && name.size() > 4 && name.substr(name.size() - 4) == ".TMP") {
      ++count;
    }
  }
  return count;
}

// A scratch control folder with the stand-in stub as RAVELIN.32 and the fixture language file,
// made the control folder while the object lives.
class ControlFolderWithStub {
 public:
  ControlFolderWithStub() {
    CopyFileA(StandInStub().c_str(), (folder_ / "RAVELIN.32").c_str(), FALSE);
    CopyFileA((FixtureDir() + "ENGLISH.ELF").c_str(), (folder_ / "ENGLISH.ELF").c_str(), FALSE);
    scoped_ = std::make_unique<ScopedControlFolder>(folder_.path().c_str());
  }
  const std::string& path() const { return folder_.path(); }
  std::vector<uint8_t> Stub() const { return testutil::FileBytes(folder_ / "RAVELIN.32"); }

 private:
  testutil::TempFolder folder_;
  std::unique_ptr<ScopedControlFolder> scoped_;
};

// Answers the disk prompt from a handler (none: No) and the backup-set chooser from a script;
// records every disk prompt's title and text.
class ScriptedDiskPrompts : public EnginePrompts {
 public:
  ScriptedDiskPrompts() { SetEnginePrompts(this); }
  ~ScriptedDiskPrompts() override { SetEnginePrompts(nullptr); }
  PasswordAnswer AskPassword(CZText&, const CZText&) override {
    ++passwordAsks;
    return kPasswordBypass;
  }
  ReplaceAnswer AskReplace(CZText&, bool, bool, bool) override { return kReplaceNo; }
  bool AskRename(CZText&, bool) override { return false; }
  bool AskBackupSet(CZText&) override { return false; }
  bool AskNextDisk(HWND, const CZText& title, const CZText& text) override {
    titles.push_back(title.str());
    texts.push_back(text.str());
    return onDisk ? onDisk(static_cast<int>(texts.size())) : false;
  }
  BackupSetChoice ChooseBackupSet(CZText& pattern) override {
    ++chooserAsks;
    chooserPattern = pattern.str();
    if (choice == BackupSetChoice::kChosen) pattern = chosenSet.c_str();
    return choice;
  }

  std::function<bool(int askNumber)> onDisk;
  std::vector<std::string> titles, texts;
  BackupSetChoice choice = BackupSetChoice::kCancelled;
  std::string chosenSet, chooserPattern;
  int chooserAsks = 0;
  int passwordAsks = 0;
};

}  // namespace volumetest
