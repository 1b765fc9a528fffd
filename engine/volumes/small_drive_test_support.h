// A small tmpfs mounted on the folder a drive letter of the test prefix is mapped to (Wine runs
// Unix programs too), unmounted again when the object goes; a mount left behind by a stopped run
// is removed first. Where mounts are not allowed, mounted() is false and reason() says why.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "volumes/volumes_test_support.h"
#include "win_test_util.h"

namespace volumetest {

// The Unix name of a Windows path (ASCII); empty outside Wine.
inline std::string UnixPathOf(const std::string& windowsPath) {
  using UnixNameFunction = char*(CDECL*)(const WCHAR*);
  const auto unixName = reinterpret_cast<UnixNameFunction>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (unixName == nullptr) return std::string();
  const std::wstring wide(windowsPath.begin(), windowsPath.end());
  char* name = unixName(wide.c_str());
  if (name == nullptr) return std::string();
  std::string folder = name;
  HeapFree(GetProcessHeap(), 0, name);
  return folder;
}

inline ULONGLONG DriveTotalBytes(char letter) {
  const char root[4] = {letter, ':', '\\', 0};
  ULARGE_INTEGER available = {}, total = {}, free = {};
  if (!GetDiskFreeSpaceExA(root, &available, &total, &free)) return 0;
  return total.QuadPart;
}

class SmallDrive {
 public:
  SmallDrive(char letter, unsigned sizeKB) : letter_(letter), sizeKB_(sizeKB) {
    const char root[4] = {letter, ':', '\\', 0};
    if (GetDriveTypeA(root) == DRIVE_NO_ROOT_DIR) {
      reason_ = std::string("drive ") + letter + ": is not mapped in this prefix";
      return;
    }
    folder_ = UnixPathOf(root);
    if (folder_.empty()) {
      reason_ = "not under Wine: no Unix folder to mount on";
      return;
    }
    if (IsSmall() && !Unmount()) return;
    const std::string errors = scratch_ / "mount.txt";
    const std::string unixPath = UnixPathOf(errors);
    Run("/bin/sh -c \"mount -t tmpfs -o size=" + std::to_string(sizeKB) + "k pelloro-small '" +
            folder_ + "' 2>'" + unixPath + "' || echo mount failed >>'" + unixPath + "'\"",
        [&] {
          std::vector<uint8_t> written;
          return IsSmall() || (testutil::ReadWholeFile(errors, &written) && !written.empty());
        });
    mounted_ = IsSmall();
    if (!mounted_) {
      const std::vector<uint8_t> text = testutil::FileBytes(errors);
      reason_ =
          "a small drive cannot be mounted here (mount -t tmpfs needs root and a container "
          "that allows mounts): " +
          (text.empty() ? std::string("no answer from mount")
                        : std::string(text.begin(), text.end()));
    }
  }
  ~SmallDrive() {
    if (mounted_) Unmount();
  }
  SmallDrive(const SmallDrive&) = delete;
  SmallDrive& operator=(const SmallDrive&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& reason() const { return reason_; }
  std::string root() const { return std::string(1, letter_) + ":\\"; }

 private:
  bool IsSmall() const {
    const ULONGLONG total = DriveTotalBytes(letter_);
    return total != 0 && total <= static_cast<ULONGLONG>(sizeKB_) * 1024 * 2;
  }
  bool Unmount() {
    return Run("/bin/sh -c \"umount '" + folder_ + "' 2>/dev/null || umount -l '" + folder_ + "'\"",
               [&] { return !IsSmall(); });
  }
  // Wine neither waits for a Unix program nor reports its exit code: its effect is awaited.
  template <typename Done>
  static bool Run(const std::string& command, Done done) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string line = command;
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process)) {
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
    const DWORD start = GetTickCount();
    for (;;) {
      if (done()) return true;
      if (GetTickCount() - start > 10000) return false;
      Sleep(20);
    }
  }

  char letter_;
  unsigned sizeKB_;
  testutil::TempFolder scratch_;
  std::string folder_, reason_;
  bool mounted_ = false;
};

}  // namespace volumetest
