// "Find Compressed Files" (TForm1): searches one drive for files whose names match a pattern
// ("*.Zip" at first), lists them in lower case, and opens a chosen one as the main window's
// current archive. The search itself is a function of its own.
#pragma once

#include <functional>
#include <string>

#include "explorer_button.h"
#include "forms/buttons.h"
#include "forms/common_controls.h"
#include "forms/edits.h"
#include "forms/form.h"
#include "forms/lists.h"

namespace pelloro {

class TMainfrm;

// Whether a long name matches a pattern of '*' and '?' (case ignored; "*.*" matches every name,
// and a pattern ending in ".*" also a name without a dot).
bool MatchesPattern(const std::string& name, const std::string& pattern);

// Searches the folder and its subfolders, depth first: a folder's matches (lower-cased full
// paths, folders whose attributes are exactly the directory attribute left out) before its
// subfolders'. Pending window messages are handled once a folder; stopped() ends the search at
// the next match. Returns the number of matches given to found().
int SearchFolder(const std::string& folder, const std::string& pattern,
                 const std::function<bool()>& stopped,
                 const std::function<void(const std::string& path)>& found);

class TForm1 : public forms::Form {
 public:
  TForm1(forms::Component* owner, TMainfrm& main);
  ~TForm1() override;

  TExplorerButton* Findbtn;
  TExplorerButton* Stopbtn;
  TExplorerButton* Cancelbtn;
  TExplorerButton* Openbtn;
  forms::PageControl* PageControl1;
  forms::Edit* Edit1;
  forms::DriveComboBox* DriveComboBox1;
  forms::CheckBox* CheckBox1;
  forms::ListBox* ListBox1;

  bool Running() const { return running_; }
  int FoundCount() const { return count_; }

 private:
  void FindbtnClick();
  void RunSearch();
  void StopbtnClick();
  void OpenbtnClick();

  TMainfrm& main_;
  bool running_ = false;
  bool stop_ = false;
  bool closed_ = false;
  int count_ = 0;
};

}  // namespace pelloro
