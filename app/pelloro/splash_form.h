// Start-up's splash window and the single-instance hand-off: when it is shown it looks for a
// running Pelloro that is idle; when one is found and an archive was named, TOrvalinfrm asks
// whether that instance should open it instead of this one.
#pragma once

#include <windows.h>

#include <string>

#include "explorer_button.h"
#include "forms/edits.h"
#include "forms/form.h"
#include "forms/label.h"
#include "forms/panel.h"

namespace pelloro {

// The files of the hand-off: the one written for the running instance, and the one "&No" removes.
inline constexpr char kHandoffSaveFile[] = "C:\\Test.dat";
inline constexpr char kHandoffNoFile[] = "C:\\Temp.dat";

class TSplash : public forms::Form {
 public:
  // argument: the second command-line argument ("" for none).
  TSplash(forms::Component* owner, const std::string& argument);

  const std::string& Argument() const { return argument_; }
  // The idle instance's main window found when shown (null for none).
  HWND FoundWindow = nullptr;
  // 1 when the archive was handed to the running instance and this one must end.
  unsigned char HandoffFlag = 0;
  std::string HandoffFile = kHandoffSaveFile;
  std::string NoFile = kHandoffNoFile;

  forms::Panel* Panel1;
  forms::Label* Label1;
  forms::Label* Label2;
  forms::Label* Label3;

 private:
  void SearchIdleInstance();
  std::string argument_;
};

class TOrvalinfrm : public forms::Form {
 public:
  explicit TOrvalinfrm(TSplash* splash);

  forms::Memo* Memo1;
  TExplorerButton* YesButton;
  TExplorerButton* NoButton;

 private:
  void YesClick();
  void NoClick();
  TSplash* splash_;
};

// Writes the lines (each ended by CR LF) to the file; false when it could not be written whole.
bool SaveLines(const std::string& path, const std::vector<std::string>& lines);

}  // namespace pelloro
