// The launch step of viewing: after View extracted an entry into the view folder, the file is run
// (a program, when the host allows it), opened with the program Windows associates with it, or
// shown in the text editor (the program WIN.INI associates with "TXT").
#pragma once

#include <windows.h>

#include <string>

namespace viewlaunch {

// The shell calls of the launch step, replaceable by tests (each returns what the system call
// returns: above 32 success, else a code).
struct LaunchCalls {
  UINT (*winExec)(const char* commandLine, UINT show);
  INT_PTR (*findExecutable)(const char* file, const char* folder, char* result);
  INT_PTR (*shellExecute)(const char* file, const char* folder);
};
// The system's own calls.
const LaunchCalls& SystemLaunchCalls();
// Null puts the system's calls back.
void SetLaunchCalls(const LaunchCalls* calls);

// TRUE when the launch of the file (OEM full path) did not fail; a failed one stops the view.
BOOL LaunchViewedFile(const char* oemPath, BOOL useTextEditor, BOOL runExecutables);

// Outcome of an open that failed with code (the launch step's table); -1 asks for the program.
// Exposed for the table's tests: TRUE when the code does not count as a failed launch.
BOOL CodeIsNotAFailure(INT_PTR code, const std::string& extensionForLookup);

// The program search: name as given when it exists, else the current, Windows and System
// folders and each PATH folder in turn; "" when not found. ANSI in and out.
std::string SearchProgram(const std::string& name);

}  // namespace viewlaunch
