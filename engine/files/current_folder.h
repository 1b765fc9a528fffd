// The process's current folder: reading it and changing it. The engine runs one operation at a
// time and several of its steps work relative to the current folder (extraction, adding files,
// the path methods of CZText).
#pragma once

#include <windows.h>

#include <string>

// The current folder as the system gives it (ANSI), whatever its length; "" when it cannot be
// read.
std::string CurrentFolderAnsi();

// What ChangeToFolder does when the folder does not exist.
enum class MissingFolder {
  kFail,            // nothing: FALSE
  kMakeLastLevel,   // the last level is made (its parent must exist)
  kMakeEveryLevel,  // every missing level is made, from the first below the drive on
};

// Makes an OEM folder path the current folder; one trailing '\' is ignored except at a root.
// TRUE when the folder is current afterwards.
BOOL ChangeToFolder(std::string oemPath, MissingFolder missing);
