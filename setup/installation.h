// The installation the wizard's last "Next >" runs: the files copied (steps 1-4), the group, its
// item and the desktop link (5-9), the registry table (10-11), the registration and the merged
// registry file, waited for (12-13), and the closing message (14).
#pragma once

#include <string>

namespace setup {

class TMainfrm;
class TStatusfrm;
class TPopupfrm;
class TDdeClientConv;

class Installation {
 public:
  Installation(TMainfrm& wizard, TStatusfrm& status, TPopupfrm& popup, TDdeClientConv& dde);
  // The program's exit code: 0 when the installation ran to its end, 3 when a source file went
  // missing while being copied (after the abort message).
  int Run();

 private:
  // False when the program must end (a source file went missing).
  bool CopyFiles();
  void ShowRow(const std::string& row);
  // The file copy with its messages; false when the source is missing (after Abort).
  bool CopyInstalled(const std::string& source, const std::string& destination);
  bool Progman(const std::string& macro);
  void MakeIcons();
  void RegisterFiles();

  TMainfrm& wizard_;
  TStatusfrm& status_;
  TPopupfrm& popup_;
  TDdeClientConv& dde_;
  std::string windir_;
  std::string source_;
  std::string folder_;
  int total_ = 0;
  int count_ = 0;
};

// The folder of the running program, with a trailing backslash.
std::string ProgramFolder();

}  // namespace setup
