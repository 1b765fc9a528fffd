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
