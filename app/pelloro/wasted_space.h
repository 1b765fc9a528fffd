// Fennoway, the wasted-space wizard (TSnifferfrm): three pages that find temporary and left-over
// files on one drive, list them with their sizes in kilobytes, and delete the ones the user
// selects.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "explorer_button.h"
#include "forms/buttons.h"
#include "forms/form.h"
#include "forms/label.h"
#include "forms/lists.h"
#include "forms/panel.h"

namespace pelloro {

// The masks of the standard search (16) and of the extra one (2), in their order.
const std::vector<std::string>& StandardMasks();
const std::vector<std::string>& ExtraMasks();
// Whether a folder's path (lower case) marks a temporary folder, listed whole.
bool IsTemporaryFolder(const std::string& path);
// "%5d  " of the kilobytes ((size + 1023) div 1024), then the path in lower case.
std::string WasteLine(uint64_t size, const std::string& path);
// The path of a result line.
std::string WastePath(const std::string& line);

class TSnifferfrm : public forms::Form {
 public:
  explicit TSnifferfrm(forms::Component* owner);
  ~TSnifferfrm() override;

  forms::Panel* Page1;
  forms::Panel* page2;
  forms::Panel* Page3;
  TExplorerButton* Backbtn;
  TExplorerButton* Nextbtn;
  TExplorerButton* Cancelbtn;
  forms::RadioGroup* RadioGroup1;
  forms::RadioButton* btnNormal;
  forms::RadioButton* btnExtra;
  forms::DriveComboBox* DriveComboBox2;
  forms::ListBox* ListBox1;
  forms::Label* lblSize;
  TExplorerButton* btnSelectAll;
  TExplorerButton* btnDelete;
  forms::Panel* Search;
  forms::Label* Curdir;
  forms::Button* Stop;

  int PageNumber() const { return page_; }
  bool Running() const { return running_; }
  int FoundCount() const { return count_; }
  uint64_t TotalKilobytes() const { return total_; }

 private:
  void FormShow();
  void NextbtnClick();
  void BackbtnClick();
  void ShowOnly(forms::Panel* page);
  void RunSearch();
  void MaskSearch(const std::string& folder);
  void AllFilesSearch(const std::string& folder);
  void ListMatches(const std::string& folder, const std::string& mask);
  void UpdateDelete();
  void btnSelectAllClick();
  void btnDeleteClick();

  int page_ = 0;
  bool running_ = false;
  bool stop_ = false;
  int mode_ = 0;
  bool ignoreAll_ = false;
  int count_ = 0;
  uint64_t total_ = 0;
};

}  // namespace pelloro
