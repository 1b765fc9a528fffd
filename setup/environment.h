// What the installer and uninstaller take from the system, in one process-wide place: the Windows
// folder, the shell's special folders, the programs they start and wait for, the Program
// Manager's macros. Each empty entry means the system's own; tests of the forms set them in
// process (a scratch Windows folder, recorded macros and programs, a call between a file's check
// and its copy).
#pragma once

#include <functional>
#include <string>

namespace setup {

struct Environment {
  // The Windows folder with a trailing backslash (empty: GetWindowsDirectoryA's).
  std::string windowsFolder;
  // The folder the installation files are read from (empty: the program's own).
  std::string sourceFolder;
  // A special folder of the shell by CSIDL, without a trailing backslash.
  std::function<std::string(int csidl)> specialFolder;
  // Starts a program hidden and waits for it; gives its exit code (-1 when it did not start).
  std::function<long(const std::string& program, const std::string& parameters,
                     const std::string& folder)>
      runAndWait;
  // Sends one macro to the Program Manager; true when it was carried out.
  std::function<bool(const std::string& macro)> progman;
  // Called after a source file was found and before it is copied.
  std::function<void(const std::string& source)> beforeCopy;
};

Environment& Env();

// The Windows folder, with a trailing backslash.
std::string WindowsFolder();
// The System folder windir + "System\" (created when missing): where the shared files go and
// where regsvr32 registers them from.
std::string SystemFolder(bool create);
std::string SpecialFolder(int csidl);
long RunAndWait(const std::string& program, const std::string& parameters,
                const std::string& folder);

std::string WithBackslash(std::string folder);
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
// GetShortPathNameA's form of a path, or the path itself when there is none.
std::string ShortPath(const std::string& path);

}  // namespace setup
