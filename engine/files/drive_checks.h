// Drive classification and the diskette write-protection probe.
#pragma once

// The engine's own drive numbering (RAM disk and network are the other way round from
// GetDriveTypeA's values).
enum DriveKind {
  kDriveOther = 0,
  kDriveRemovable = 2,
  kDriveFixed = 3,
  kDriveRamDisk = 4,
  kDriveCdRom = 5,
  kDriveNetwork = 6,
};

// Kind of the drive named by the first character of path ("x" alone classifies drive X).
int GetDriveKind(const char* path);

// TRUE when a removable disk cannot be written: its label cannot be read, or a test label cannot
// be written (no disk in the drive counts as protected). Drives of any other kind are never
// protected, and their volumes are left untouched.
bool IsDisketteWriteProtected(const char* path);

// ---- simulated drives, for tests ---------------------------------------------------------------
// A full drive or a write-protected diskette cannot be had on a test machine, so a test can make
// chosen drive letters look like one. The free-space query (GetFreeSpaceKB64) then finds no free
// space on a "full" drive; GetDriveKind calls a "protected" drive removable and
// IsDisketteWriteProtected reports it protected without touching the volume. Nothing else about
// the drive changes: files are still read and written there as before. Nothing is simulated unless
// a test asks; without a simulation each query pays one test of a zero word.
namespace drive_simulation {
extern unsigned fullDrives;       // bit n: drive 'A' + n
extern unsigned protectedDrives;  // bit n: drive 'A' + n
// The bit of the drive named by the first character of path; 0 when that is not a letter.
unsigned DriveBit(const char* path);
}  // namespace drive_simulation

inline bool IsSimulatedFullDrive(const char* path) {
  return drive_simulation::fullDrives != 0 &&
         (drive_simulation::fullDrives & drive_simulation::DriveBit(path)) != 0;
}
inline bool IsSimulatedProtectedDiskette(const char* path) {
  return drive_simulation::protectedDrives != 0 &&
         (drive_simulation::protectedDrives & drive_simulation::DriveBit(path)) != 0;
}

// Ends every simulation when made and when destroyed, so that none outlives the test that set it.
class ScopedSimulatedDrives {
 public:
  ScopedSimulatedDrives() { Clear(); }
  ~ScopedSimulatedDrives() { Clear(); }
  ScopedSimulatedDrives(const ScopedSimulatedDrives&) = delete;
  ScopedSimulatedDrives& operator=(const ScopedSimulatedDrives&) = delete;

  void MakeFull(char letter) { drive_simulation::fullDrives |= Bit(letter); }
  void MakeWriteProtectedDiskette(char letter) { drive_simulation::protectedDrives |= Bit(letter); }

 private:
  static unsigned Bit(char letter) {
    const char path[2] = {letter, '\0'};
    return drive_simulation::DriveBit(path);
  }
  static void Clear() {
    drive_simulation::fullDrives = 0;
    drive_simulation::protectedDrives = 0;
  }
};
