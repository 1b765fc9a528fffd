// TMoveCopyfrm, the "Move/Copy Zip file" dialog: the current archive moved or copied to another
// folder, whose copy then becomes the current archive.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "browse_directory_dlg.h"
#include "file_operator.h"
#include "forms/buttons.h"
#include "forms/edits.h"
#include "forms/form.h"
#include "forms/label.h"

namespace pelloro {

class TMainfrm;

// The free bytes of a drive (1 = A: ... 26 = Z:), negative when the query fails.
using FreeSpaceQuery = std::function<int64_t(int drive)>;
int64_t DriveFreeSpace(int drive);
// Tests answer the free-space question themselves; null goes back to DriveFreeSpace.
void SetFreeSpaceQuery(FreeSpaceQuery query);
// The bytes a copy or a move must leave free on the target drive.
inline constexpr int64_t kSpareBytes = 20;
// Whether the target has room: a copy needs more than kSpareBytes left, a move at least that.
bool RoomFor(bool move, int64_t freeBytes, int64_t size);

class TMoveCopyfrm : public forms::Form {
 public:
  TMoveCopyfrm(forms::Component* owner, TMainfrm& main);

  forms::Edit* Edit1;
  forms::Edit* Edit2;
  forms::Button* Bitbtn2;  // &Browse
  forms::Button* Movebtn;
  forms::Button* Copybtn;
  forms::Button* Bitbtn3;  // &Cancel
  TBrowseDirectoryDlg* BrowseDirectoryDlg1;
  TFileOperator* Operator;

 private:
  void Bitbtn2Click();
  void Send(bool move);

  TMainfrm& main_;
  int64_t size_ = 0;
};

}  // namespace pelloro
