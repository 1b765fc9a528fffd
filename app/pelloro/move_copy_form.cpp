#include "move_copy_form.h"

#include <windows.h>

#include <cctype>

#include "forms/guard.h"
#include "forms/message_dialogs.h"
#include "main_form.h"
#include "new_zip_form.h"
#include "tool_commands.h"

namespace pelloro {

namespace {

forms::FormCreateArgs MoveCopyArgs() {
  forms::FormCreateArgs args;
  args.caption = "Move/Copy Zip file";
  args.width = 420;
  args.height = 250;
  args.clientSize = true;
  args.borderStyle = forms::BorderStyle::bsDialog;
  args.position = forms::FormPosition::poScreenCenter;
  return args;
}

FreeSpaceQuery& Query() {
  static FreeSpaceQuery query;
  return query;
}

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

std::string FileNamePart(const std::string& path) {
  const size_t slash = path.find_last_of("\\/:");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file's size in 64 bits (0 when it cannot be read: the shell then reports the file).
int64_t FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

int64_t DriveFreeSpace(int drive) {
  const char root[] = {static_cast<char>('A' + drive - 1), ':', '\\', '\0'};
  ULARGE_INTEGER available = {};
  if (drive < 1 || drive > 26 || !GetDiskFreeSpaceExA(root, &available, nullptr, nullptr)) {
    return -1;
  }
  return available.QuadPart > static_cast<ULONGLONG>(INT64_MAX)
             ? INT64_MAX
             : static_cast<int64_t>(available.QuadPart);
}

void SetFreeSpaceQuery(FreeSpaceQuery query) { Query() = std::move(query); }

bool RoomFor(bool move, int64_t freeBytes, int64_t size) {
  if (freeBytes < 0) return false;  // a failed query refuses the target
  const int64_t spare = freeBytes - size;
  return move ? spare >= kSpareBytes : spare > kSpareBytes;
}

TMoveCopyfrm::TMoveCopyfrm(forms::Component* owner, TMainfrm& main)
    : Form(owner, MoveCopyArgs()), main_(main) {
  SetName("MoveCopyfrm");
  KeyPreview = true;
  using forms::Add;
  using forms::Label;
  auto* heading = Add<Label>(this, this, "Label1",
                             {.caption = "Move or Copy Open Zip file", .left = 12, .top = 10});
  heading->GetFont().SetStyle(forms::fsBold);
  Add<Label>(this, this, "Label2",
             {.caption = "The open Zip file can be moved or copied to another folder or drive. "
                         "The Zip file in its new place then becomes the open Zip file.",
              .left = 12,
              .top = 32,
              .width = 396,
              .height = 30,
              .autoSize = false,
              .wordWrap = true});
  Add<Label>(this, this, "Label3",
             {.caption = "You will be moving/copying...", .left = 12, .top = 72});
  Edit1 = Add<forms::Edit>(this, this, "Edit1", {.left = 12, .top = 90, .width = 396});
  Add<Label>(this, this, "Label4",
             {.caption = "To this folder (or drive)", .left = 12, .top = 124});
  Edit2 = Add<forms::Edit>(this, this, "Edit2", {.left = 12, .top = 142, .width = 300});
  Bitbtn2 = Add<forms::Button>(this, this, "Bitbtn2",
                               {.caption = "&Browse", .left = 320, .top = 140, .width = 88});
  Movebtn = Add<forms::Button>(this, this, "Movebtn",
                               {.caption = "&Move", .left = 136, .top = 212, .width = 84});
  Copybtn = Add<forms::Button>(
      this, this, "Copybtn",
      {.caption = "&Copy", .left = 230, .top = 212, .width = 84, .isDefault = true});
  Bitbtn3 = Add<forms::Button>(this, this, "Bitbtn3",
                               {.caption = "&Cancel",
                                .left = 324,
                                .top = 212,
                                .width = 84,
                                .cancel = true,
                                .modalResult = forms::mrCancel});
  BrowseDirectoryDlg1 = new TBrowseDirectoryDlg(this);
  BrowseDirectoryDlg1->SetName("BrowseDirectoryDlg1");
  BrowseDirectoryDlg1->Title = "Where would you like to place the Zip file?";
  BrowseDirectoryDlg1->Options = bfDirectoriesOnly;
  Operator = new TFileOperator(this);
  Operator->SetName("Operator");
  Operator->ProgressTitle = "Please wait...";
  Operator->ParentForm = this;
  Bitbtn2->OnClick = [this](forms::Component&) { Bitbtn2Click(); };
  Movebtn->OnClick = [this](forms::Component&) { Send(true); };
  Copybtn->OnClick = [this](forms::Component&) { Send(false); };

  Edit1->SetText(main_.CurrentArchive());
  Edit2->SetText(ProgramFolder());
}

void TMoveCopyfrm::Bitbtn2Click() {
  if (BrowseDirectoryDlg1->Execute()) Edit2->SetText(WithSlash(BrowseDirectoryDlg1->Directory()));
}

void TMoveCopyfrm::Send(bool move) {
  Edit2->SetText(WithSlash(Edit2->Text()));
  const std::string source = Edit1->Text();
  const std::string target = Edit2->Text();
  main_.DisableActions();
  // Whatever goes wrong below, the window returns to the archive it had (the new one once that
  // is current).
  struct Restore {
    TMainfrm& main;
    bool active = true;
    ~Restore() {
      if (active) forms::Guard([this] { main.EnableActions(); });
    }
  } restore{main_};
  ForceFolder(target);
  size_ = FileSize(source);
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(target[0])));
  if (letter < 'A' || letter > 'Z') {
    forms::MessageDlg("Unable to determine space free on drive. Will attempt Blind copy",
                      forms::MsgDlgType::mtError, forms::mbOK, 0);
  } else {
    const int drive = letter - 'A' + 1;
    const int64_t freeBytes = Query() ? Query()(drive) : DriveFreeSpace(drive);
    if (!RoomFor(move, freeBytes, size_)) {
      forms::MessageDlg("There is not enough free space on this disk.  Please try another.",
                        forms::MsgDlgType::mtError, forms::mbOK, 0);
      return;  // the dialog stays open, the window as before
    }
  }
  ForceFolder(target);
  // The shell wants whole paths: a folder named relative to the current one is made whole.
  char whole[MAX_PATH] = {};
  const DWORD length = GetFullPathNameA(target.c_str(), MAX_PATH, whole, nullptr);
  const std::string destination = length > 0 && length < MAX_PATH ? whole : target;
  Operator->SetSourceName(source);
  Operator->SetDestinationName(destination);
  Operator->SetOperation(move ? TFileOperation::foMove : TFileOperation::foCopy);
  // Failed, or the shell's question answered No: the old archive stays the current one.
  if (!Operator->Execute()) return;
  restore.active = false;
  main_.ListArchive(destination + FileNamePart(source));
  SetModalResult(forms::mrOk);
}

}  // namespace pelloro
