// Dorrel, the file splitter: the single-page window TSplitMainfrm and the four-page wizard
// TSplitWizardfrm share the checks and the split routine of TSplitterBase. A split writes into the
// target folder T Kobu (the rebuilder), DATA.EXT (the source's extension and CR LF) and part 0,
// then one part a disk: the source's name with the extensions .000, .001, ... Parts are written in
// blocks of 4,096 bytes and sized by the free space of each disk. The free space, the disk prompt,
// writes and the source's attributes go through seams that tests replace.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "browse_directory_dlg.h"
#include "file_drag.h"
#include "file_operator.h"
#include "forms/buttons.h"
#include "forms/common_controls.h"
#include "forms/edits.h"
#include "forms/file_dialogs.h"
#include "forms/form.h"
#include "forms/label.h"
#include "forms/panel.h"

namespace pelloro {

struct SplitterSeams {
  // Free bytes of the drive of that letter; nothing when it cannot be read (no disk).
  std::function<std::optional<uint64_t>(char letter)> FreeSpace;
  // Shows "Please insert disk number n and click OK when ready".
  std::function<void(const std::string& text)> InsertDisk;
  // Writes to a part; false (or fewer bytes written) is a failed write.
  std::function<bool(HANDLE file, const void* data, DWORD size, DWORD& written)> Write;
  // The attributes of the source as the read-only check sees them.
  std::function<DWORD(const std::string& path)> Attributes;
};
// The seams in use (the system's own calls unless a test replaced them).
SplitterSeams& Splitter();
void ResetSplitterSeams();

// The name of part n in the folder (with its backslash): the source's name with its extension
// replaced by "." and n in three digits or more.
std::string PartName(const std::string& folder, const std::string& source, int n);
// The source's extension as written in its name, with its dot; "" when it has none.
std::string SourceExtension(const std::string& source);

class TSplitterBase : public forms::Form {
 public:
  forms::Edit* Edit1 = nullptr;
  forms::Edit* Edit2 = nullptr;
  forms::Memo* Memo1 = nullptr;
  forms::Memo* Memo2 = nullptr;
  forms::Label* FileLabel1 = nullptr;
  forms::ProgressBar* ProgressBar1 = nullptr;
  forms::OpenDialog* OpenDialog1 = nullptr;
  TBrowseDirectoryDlg* BrowseDirectoryDlg1 = nullptr;
  TFileOperator* FileOperator1 = nullptr;

  // Whether the source's attributes were saved and their value.
  bool AttributesSaved() const { return saved_; }

 protected:
  TSplitterBase(forms::Component* owner, const forms::FormCreateArgs& args);
  // Saves the chosen source's attributes (restored on every way out).
  void SaveAttributes(const std::string& path);
  void RestoreAttributes();
  // The checks and the split of the source to Edit2; the window's own look through the hooks.
  void CheckAndSplit(const std::string& source, bool wizard);
  // The free space of T's drive: nothing when the user gave up at the no-disk message.
  std::optional<uint64_t> DriveFree(const std::string& target);

  virtual void SetBusy(bool busy) = 0;
  // The status view of a split (the single-page window swaps its page for its status panel).
  virtual void ShowStatus() {}
  // Back to the view to choose again (after "No" to the copy or a failed split).
  virtual void ShowIdle() = 0;

 private:
  enum class Result { kDone, kStopped, kFailed };
  Result SplitRoutine(const std::string& source, const std::string& target, uint64_t kobuSize);
  bool WriteDataFile(const std::string& target);
  bool CopyKobu(const std::string& target, uint64_t kobuSize);
  void ReportWriteFailure(const std::string& name);
  void ReportReadFailure(const std::string& source);

  bool saved_ = false;
  std::string savedPath_;
  DWORD savedAttributes_ = 0;
};

class TSplitMainfrm : public TSplitterBase {
 public:
  explicit TSplitMainfrm(forms::Component* owner);
  ~TSplitMainfrm() override;

  forms::Panel* Page3;
  forms::Button* Bitbtn1;
  forms::Button* Bitbtn5;
  forms::Panel* Panel1;
  forms::Panel* Toolbar;
  forms::Button* Bitbtn2;
  forms::Button* Bitbtn3;
  forms::Button* Wizardbtn;
  forms::Button* Exitbtn;
  forms::Button* Nextbtn;
  TFileDrag* FileDrag1;

 protected:
  void SetBusy(bool busy) override;
  void ShowStatus() override;
  void ShowIdle() override;

 private:
  void FormShow();
  void BitBtn1Click();
  void Edit1KeyUp();
  void FileDrag1Drop();
  void BitBtn5Click();
  void BitBtn2Click();
  void BitBtn3Click();
  void WizardbtnClick();
  void NextbtnClick();
};

class TSplitWizardfrm : public TSplitterBase {
 public:
  explicit TSplitWizardfrm(forms::Component* owner);
  ~TSplitWizardfrm() override;

  forms::Panel* Page1;
  forms::Panel* Page2;
  forms::Panel* Page3;
  forms::Panel* Page4;
  forms::Panel* Panel1;
  forms::Button* ExplorerButton1;
  forms::Button* ExplorerButton2;
  forms::RadioGroup* RadioGroup1;
  forms::Button* Nextbtn;
  forms::Button* Backbtn;
  forms::Button* Wizardoffbtn;
  forms::Button* Exitbtn;

  int PageNumber() const { return page_; }

 protected:
  void SetBusy(bool busy) override;
  void ShowIdle() override;

 private:
  void ShowOnly(forms::Panel* page);
  void NextbtnClick();
  void BackbtnClick();
  void ExplorerButton1Click();
  void ExplorerButton2Click();

  int page_ = 0;
};

}  // namespace pelloro
