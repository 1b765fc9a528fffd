#include "files/drive_checks.h"

#include <windows.h>

#include <cctype>
#include <string>

namespace drive_simulation {
unsigned fullDrives = 0;
unsigned protectedDrives = 0;

unsigned DriveBit(const char* path) {
  if (path == nullptr) return 0;
  const int letter = std::toupper(static_cast<unsigned char>(path[0]));
  return letter >= 'A' && letter <= 'Z' ? 1u << (letter - 'A') : 0;
}
}  // namespace drive_simulation

int GetDriveKind(const char* path) {
  if (path == nullptr || path[0] == '\0') return kDriveOther;
  if (IsSimulatedProtectedDiskette(path)) return kDriveRemovable;
  const char root[4] = {static_cast<char>(std::toupper(static_cast<unsigned char>(path[0]))), ':',
                        '\\', '\0'};
  switch (GetDriveTypeA(root)) {
    case DRIVE_REMOVABLE:
      return kDriveRemovable;
    case DRIVE_FIXED:
      return kDriveFixed;
    case DRIVE_RAMDISK:
      return kDriveRamDisk;
    case DRIVE_CDROM:
      return kDriveCdRom;
    case DRIVE_REMOTE:
      return kDriveNetwork;
    default:
      return kDriveOther;
  }
}

bool IsDisketteWriteProtected(const char* path) {
  if (GetDriveKind(path) != kDriveRemovable) return false;
  if (IsSimulatedProtectedDiskette(path)) return true;
  std::string root = path;
  if (root.size() > 2) root.resize(2);
  root += '\\';
  for (char& c : root) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

  char label[256] = {};
  if (!GetVolumeInformationA(root.c_str(), label, 255, nullptr, nullptr, nullptr, nullptr, 0))
    return true;
  // Writing a label is the cheapest write that fails on a protected disk; the old label goes back.
  if (!SetVolumeLabelA(root.c_str(), "1")) return true;
  // An empty label goes back as "": a null label crashes Wine on a folder typed "floppy".
  SetVolumeLabelA(root.c_str(), label);
  return false;
}
