#include "splitter.h"

#include <shellapi.h>

#include <memory>
#include <vector>

#include "captions.h"
#include "forms/application.h"
#include "forms/guard.h"
#include "forms/message_dialogs.h"
#include "tool_commands.h"

namespace pelloro {

namespace {

constexpr DWORD kBlock = 4096;
constexpr uint64_t kDiskOneReserve = 200000;
constexpr uint64_t kPartReserve = 10000;

constexpr char kNoDrive[] =
    "The drive that you entered does not exist.\r\n\r\nPlease enter another drive";
constexpr char kReadOnly[] =
    "Error: You have selected a Read-Only file.\r\n\r\nBefore you can split this file, you must "
    "remove "
    "it's Read-Only attribute.  If you are trying to split a file from a CD-ROM, copy it to your "
    "hard "
    "drive and then reset it's attributes to normal.\r\n\r\nTo find out how to change attributes, "
    "consult your Windows '95 Manual";
constexpr char kWouldOverwrite[] =
    "Error: The split files would overwrite the file you are splitting.\r\n\r\nPlease choose "
    "another "
    "folder.";
constexpr char kFits[] =
    "This file would fit on the disk selected, it does not require splitting.\r\n\r\nWould you "
    "like to "
    "copy it instead?";
constexpr char kNoKobu[] =
    "Error: Could not locate the Rebuilder\r\n\r\nThe file Kobu could not be found in the folder "
    "where "
    "you are running Pelloro '95 from.\r\nYou must get this file before you can split "
    "files.\r\n\r\nYou "
    "should re-install Pelloro '95";
constexpr char kReady[] = "When you are ready to begin click ok.";
constexpr char kAborting[] = "Aborting at user request.";
constexpr char kNoDisk[] =
    "Error: No disk in drive or disk is corrupted.\r\n\r\nPlease insert another disk.";
constexpr char kInvalidDrive[] = "Invalid Drive Selected - Process will FAIL";

std::string WithBackslash(std::string path) {
  if (path.empty() || path.back() != '\\') path += '\\';
  return path;
}

std::string FileNamePart(const std::string& path) {
  const size_t slash = path.find_last_of("\\/:");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderPart(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string Upper(std::string text) {
  CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

// Creates the folder and its missing parents; true when it exists afterwards.
bool CreateFolders(const std::string& folder) {
  std::string path = folder;
  while (!path.empty() && path.back() == '\\') path.pop_back();
  if (path.empty()) return false;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const size_t slash = path.find_last_of('\\');
  if (slash != std::string::npos && slash > 2) CreateFolders(path.substr(0, slash));
  CreateDirectoryA(path.c_str(), nullptr);
  const DWORD now = GetFileAttributesA(path.c_str());
  return now != INVALID_FILE_ATTRIBUTES && (now & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<uint64_t> FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return std::nullopt;
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

int Message(const std::string& text, forms::MsgDlgType type, unsigned buttons) {
  return forms::MessageDlg(text, type, buttons, 0);
}

// Closes a handle on every way out.
struct FileHandle {
  HANDLE handle = INVALID_HANDLE_VALUE;
  FileHandle() = default;
  explicit FileHandle(HANDLE h) : handle(h) {}
  ~FileHandle() { Close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool Valid() const { return handle != INVALID_HANDLE_VALUE; }
  bool Close() {
    if (!Valid()) return true;
    const BOOL closed = CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
    return closed != FALSE;
  }
};

SplitterSeams DefaultSeams() {
  SplitterSeams seams;
  seams.FreeSpace = [](char letter) -> std::optional<uint64_t> {
    const char root[4] = {letter, ':', '\\', 0};
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)) {
      return std::nullopt;
    }
    return static_cast<uint64_t>(sectorsPerCluster) * bytesPerSector * freeClusters;
  };
  seams.InsertDisk = [](const std::string& text) {
    Message(text, forms::MsgDlgType::mtInformation, forms::mbOK);
  };
  seams.Write = [](HANDLE file, const void* data, DWORD size, DWORD& written) {
    written = 0;
    return WriteFile(file, data, size, &written, nullptr) != FALSE;
  };
  seams.Attributes = [](const std::string& path) { return GetFileAttributesA(path.c_str()); };
  return seams;
}

forms::Label* AddLabel(forms::Component* owner, forms::WinControl* parent,
                       const std::string& caption, int left, int top, int width = 0,
                       int height = 13) {
  forms::LabelCreateArgs args;
  args.caption = caption;
  args.left = left;
  args.top = top;
  if (width > 0) {
    args.autoSize = false;
    args.width = width;
    args.height = height;
    args.wordWrap = true;
  }
  return new forms::Label(owner, parent, args);
}

forms::Button* AddButton(forms::Component* owner, forms::WinControl* parent,
                         const std::string& name, const std::string& caption, int left, int top,
                         int width = 75, int height = 25) {
  forms::ButtonCreateArgs args;
  args.caption = caption;
  args.left = left;
  args.top = top;
  args.width = width;
  args.height = height;
  auto* button = new forms::Button(owner, parent, args);
  button->SetName(name);
  return button;
}

forms::Edit* AddEdit(forms::Component* owner, forms::WinControl* parent, const std::string& name,
                     const std::string& text, int left, int top, int width) {
  forms::EditCreateArgs args;
  args.text = text;
  args.left = left;
  args.top = top;
  args.width = width;
  auto* edit = new forms::Edit(owner, parent, args);
  edit->SetName(name);
  return edit;
}

forms::Panel* AddPanel(forms::Component* owner, forms::WinControl* parent, const std::string& name,
                       int left, int top, int width, int height,
                       forms::Bevel bevel = forms::Bevel::bvNone) {
  forms::PanelCreateArgs args;
  args.left = left;
  args.top = top;
  args.width = width;
  args.height = height;
  args.bevelOuter = bevel;
  auto* panel = new forms::Panel(owner, parent, args);
  panel->SetName(name);
  return panel;
}

forms::Memo* AddMemo(forms::Component* owner, forms::WinControl* parent, const std::string& name,
                     int left, int top, int width, int height) {
  forms::MemoCreateArgs args;
  args.left = left;
  args.top = top;
  args.width = width;
  args.height = height;
  args.readOnly = true;
  auto* memo = new forms::Memo(owner, parent, args);
  memo->SetName(name);
  return memo;
}

void AddLine(forms::Memo& memo, const std::string& line) {
  std::vector<std::string> lines = memo.Lines();
  lines.push_back(line);
  memo.SetLines(lines);
}

forms::FormCreateArgs SplitterArgs(const std::string& caption, int width, int height) {
  forms::FormCreateArgs args;
  args.caption = caption;
  args.width = width;
  args.height = height;
  args.clientSize = true;
  args.borderStyle = forms::BorderStyle::bsDialog;
  args.position = forms::FormPosition::poScreenCenter;
  return args;
}

}  // namespace

SplitterSeams& Splitter() {
  static SplitterSeams seams = DefaultSeams();
  return seams;
}

void ResetSplitterSeams() { Splitter() = DefaultSeams(); }

std::string SourceExtension(const std::string& source) {
  const std::string name = FileNamePart(source);
  const size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string PartName(const std::string& folder, const std::string& source, int n) {
  std::string name = FileNamePart(source);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos) name.resize(dot);
  std::string number = std::to_string(n);
  while (number.size() < 3) number.insert(number.begin(), '0');
  return folder + name + "." + number;
}

// --- the shared checks and split ---

TSplitterBase::TSplitterBase(forms::Component* owner, const forms::FormCreateArgs& args)
    : Form(owner, args) {
  OpenDialog1 = new forms::OpenDialog(this);
  OpenDialog1->SetName("OpenDialog1");
  BrowseDirectoryDlg1 = new TBrowseDirectoryDlg(this);
  BrowseDirectoryDlg1->SetName("BrowseDirectoryDlg1");
  FileOperator1 = new TFileOperator(this);
  FileOperator1->SetName("FileOperator1");
  FileOperator1->ParentForm = this;
  OnClose = [this](forms::Form&, forms::CloseAction&) { RestoreAttributes(); };
}

void TSplitterBase::SaveAttributes(const std::string& path) {
  if (saved_ && lstrcmpiA(savedPath_.c_str(), path.c_str()) == 0) return;
  RestoreAttributes();
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return;
  saved_ = true;
  savedPath_ = path;
  savedAttributes_ = attributes;
}

void TSplitterBase::RestoreAttributes() {
  if (!saved_) return;
  saved_ = false;
  SetFileAttributesA(savedPath_.c_str(), savedAttributes_);
}

std::optional<uint64_t> TSplitterBase::DriveFree(const std::string& target) {
  const char letter = target.empty() ? '\0' : target[0];
  if (!((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z'))) {
    Message(kInvalidDrive, forms::MsgDlgType::mtError, forms::mbOK);
    return 0;
  }
  const char upper = static_cast<char>(letter & ~0x20);
  for (;;) {
    if (std::optional<uint64_t> free = Splitter().FreeSpace(upper)) return free;
    if (Message(kNoDisk, forms::MsgDlgType::mtError, forms::mbOK | forms::mbCancel) !=
        forms::mrOk) {
      return std::nullopt;
    }
  }
}

void TSplitterBase::ReportWriteFailure(const std::string& name) {
  Message("Error: Could not write " + name + ".\r\n\r\nThe file has not been split completely.",
          forms::MsgDlgType::mtError, forms::mbOK);
}

void TSplitterBase::ReportReadFailure(const std::string& source) {
  Message("Error: Could not read " + source + ".\r\n\r\nThe file has not been split completely.",
          forms::MsgDlgType::mtError, forms::mbOK);
}

void TSplitterBase::CheckAndSplit(const std::string& source, bool wizard) {
  const std::string target = WithBackslash(Edit2->Text());
  Edit2->SetText(target);
  if (wizard) CreateFolders(target);
  const std::string root = target.size() >= 2 ? target.substr(0, 2) + "\\" : target;
  if (GetDriveTypeA(root.c_str()) < 2) {
    Message(kNoDrive, forms::MsgDlgType::mtError, forms::mbCancel);
    return;
  }
  if (Splitter().Attributes(source) == FILE_ATTRIBUTE_READONLY) {
    Message(kReadOnly, forms::MsgDlgType::mtError, forms::mbCancel);
    return;
  }
  const std::optional<uint64_t> sourceSize = FileSize(source);
  if (!sourceSize) {
    ReportReadFailure(source);
    return;
  }
  const std::string name = Upper(FileNamePart(source));
  const std::string extension = SourceExtension(source);
  const bool threeDigits = extension.size() == 4 &&
                           isdigit(static_cast<unsigned char>(extension[1])) &&
                           isdigit(static_cast<unsigned char>(extension[2])) &&
                           isdigit(static_cast<unsigned char>(extension[3]));
  if (lstrcmpiA(FolderPart(source).c_str(), target.c_str()) == 0 &&
      (name == "KOBU" || name == "DATA.EXT" || threeDigits)) {
    Message(kWouldOverwrite, forms::MsgDlgType::mtError, forms::mbCancel);
    return;
  }

  // Whatever happens from here, the buttons come back (the window may close).
  SetBusy(true);
  CreateFolders(target);
  std::optional<uint64_t> free = DriveFree(target);
  const auto stop = [&] {
    RestoreAttributes();
    SetBusy(false);
    Close();
  };
  if (!free) {
    Message(kAborting, forms::MsgDlgType::mtInformation, forms::mbOK);
    stop();
    return;
  }
  if (*free >= *sourceSize) {
    if (Message(kFits, forms::MsgDlgType::mtConfirmation, forms::mbYes | forms::mbNo) ==
        forms::mrYes) {
      FileOperator1->SetOperation(TFileOperation::foCopy);
      FileOperator1->SetSourceName(source);
      FileOperator1->SetDestinationName(target);
      FileOperator1->Execute();
      stop();
    } else {
      SetBusy(false);
      ShowIdle();
    }
    return;
  }

  ShowStatus();
  FileLabel1->SetCaption("(none)");
  ProgressBar1->SetPosition(0);
  Memo1->SetLines({});
  AddLine(*Memo1, "Preparing to copy rebuilder to " + target + " drive/folder...");
  const std::optional<uint64_t> kobuSize = FileSize(KobuPath());
  if (!kobuSize) {
    Message(kNoKobu, forms::MsgDlgType::mtError, forms::mbCancel);
    stop();
    return;
  }
  Message(kReady, forms::MsgDlgType::mtInformation, forms::mbOK);
  while (*free < *kobuSize + kDiskOneReserve) {
    const std::string text = std::string("Error: The disk in drive ") + target[0] +
                             " does not have enough space " +
                             "to be Disk 1.  Please insert a disk with more free space, or a newly "
                             "formatted disk " +
                             "to continue\r\n\r\n" + "Click Abort if you do not wish to continue";
    if (Message(text, forms::MsgDlgType::mtError, forms::mbOK | forms::mbAbort) != forms::mrOk) {
      Message(kAborting, forms::MsgDlgType::mtInformation, forms::mbOK);
      stop();
      return;
    }
    free = DriveFree(target);
    if (!free) {
      Message(kAborting, forms::MsgDlgType::mtInformation, forms::mbOK);
      stop();
      return;
    }
  }
  Memo2->SetLines({extension});
  const Result result = !WriteDataFile(target)         ? Result::kFailed
                        : !CopyKobu(target, *kobuSize) ? Result::kFailed
                                                       : SplitRoutine(source, target, *kobuSize);
  RestoreAttributes();
  SetBusy(false);
  if (result == Result::kDone) {
    Message("The file " + source + " has been split\r\n\r\n" +
                "You can Rebuild the split file file by running KOBU on the first disk.",
            forms::MsgDlgType::mtInformation, forms::mbOK);
    Close();
  } else if (result == Result::kStopped) {
    Message(kAborting, forms::MsgDlgType::mtInformation, forms::mbOK);
    Close();
  } else {
    ShowIdle();
  }
}

bool TSplitterBase::WriteDataFile(const std::string& target) {
  const std::string path = target + "DATA.EXT";
  const std::string line = Memo2->Lines().empty() ? std::string() : Memo2->Lines()[0];
  const std::string text = line + "\r\n";
  FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (!file.Valid() ||
      !Splitter().Write(file.handle, text.data(), static_cast<DWORD>(text.size()), written) ||
      written != text.size() || !file.Close()) {
    ReportWriteFailure(path);
    return false;
  }
  return true;
}

bool TSplitterBase::CopyKobu(const std::string& target, uint64_t kobuSize) {
  const std::string copy = target + "Kobu";
  FileOperator1->SetOperation(TFileOperation::foCopy);
  FileOperator1->SetFlags(foNoConfirmation | foSilent | foNoConfirmMkDir);
  FileOperator1->SetSourceName(KobuPath());
  FileOperator1->SetDestinationName(copy);
  const bool copied = FileOperator1->Execute();
  const std::optional<uint64_t> size = FileSize(copy);
  if (!copied || !size || *size != kobuSize) {
    ReportWriteFailure(copy);
    return false;
  }
  AddLine(*Memo1, "Copy completed...");
  AddLine(*Memo1, "");
  return true;
}

TSplitterBase::Result TSplitterBase::SplitRoutine(const std::string& source,
                                                  const std::string& target, uint64_t kobuSize) {
  AddLine(*Memo1, "Detecting and configuring Dorrel");
  AddLine(*Memo1, "Using 4k transfer blocks");
  AddLine(*Memo1, "Morvane enabled");
  AddLine(*Memo1, "");
  int n = 0;
  std::optional<uint64_t> free = DriveFree(target);
  if (!free) return Result::kStopped;
  // Capacities below zero leave one block a part.
  int64_t capacity = static_cast<int64_t>(*free) - static_cast<int64_t>(kobuSize + kPartReserve);
  const uint64_t total = FileSize(source).value_or(0);
  FileHandle input(CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!input.Valid()) {
    ReportReadFailure(source);
    return Result::kFailed;
  }
  std::string partName = PartName(target, source, n);
  FileHandle part(CreateFileA(partName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!part.Valid()) {
    ReportWriteFailure(partName);
    return Result::kFailed;
  }
  FileLabel1->SetCaption(partName);
  uint64_t partSize = 0;
  std::vector<char> block(kBlock);
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(input.handle, block.data(), kBlock, &got, nullptr)) {
      ReportReadFailure(source);
      return Result::kFailed;
    }
    if (got == 0) break;
    ProgressBar1->SetPosition(total == 0 ? 0 : static_cast<int>(partSize * 200 / total));
    if (forms::Control* status = dynamic_cast<forms::Control*>(ProgressBar1->Parent()))
      status->Repaint();
    if (static_cast<int64_t>(partSize) >= capacity) {
      AddLine(*Memo1, "Data stream loaded. Committing to disk...");
      if (!part.Close()) {
        ReportWriteFailure(partName);
        return Result::kFailed;
      }
      ++n;
      Splitter().InsertDisk("Please insert disk number " + std::to_string(n + 1) +
                            " and click OK when ready");
      AddLine(*Memo1, "Writing to new disk...");
      free = DriveFree(target);
      if (!free) return Result::kStopped;
      partName = PartName(target, source, n);
      part.handle = CreateFileA(partName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
      if (!part.Valid()) {
        ReportWriteFailure(partName);
        return Result::kFailed;
      }
      FileLabel1->SetCaption(partName);
      partSize = 0;
      capacity = static_cast<int64_t>(*free) - static_cast<int64_t>(kPartReserve);
    }
    DWORD written = 0;
    if (!Splitter().Write(part.handle, block.data(), got, written) || written != got) {
      ReportWriteFailure(partName);
      return Result::kFailed;
    }
    partSize += got;
  }
  AddLine(*Memo1, "");
  AddLine(*Memo1, "Split complete! Cleaning up.");
  input.Close();
  if (!part.Close()) {
    ReportWriteFailure(partName);
    return Result::kFailed;
  }
  ProgressBar1->SetPosition(100);
  AddLine(*Memo1, "** Done **");
  return Result::kDone;
}

// --- the single-page splitter ---

TSplitMainfrm::TSplitMainfrm(forms::Component* owner)
    : TSplitterBase(owner, SplitterArgs("Dorrel for Windows '95", 440, 300)) {
  SetName("SplitMainfrm");
  Toolbar = AddPanel(this, this, "Toolbar", 0, 0, 440, 36, forms::Bevel::bvRaised);
  Bitbtn2 = AddButton(this, Toolbar, "Bitbtn2", "Help", 4, 5);
  Bitbtn3 = AddButton(this, Toolbar, "Bitbtn3", "Rejoin", 83, 5);
  Wizardbtn = AddButton(this, Toolbar, "Wizardbtn", "&Wizard", 162, 5);
  Exitbtn = AddButton(this, Toolbar, "Exitbtn", "E&xit", 241, 5);
  Nextbtn = AddButton(this, Toolbar, "Nextbtn", "&Split", 361, 5);

  Page3 = AddPanel(this, this, "Page3", 0, 36, 440, 264);
  AddLabel(this, Page3, "Name of the file to split", 12, 12);
  Edit1 = AddEdit(this, Page3, "Edit1", "", 12, 30, 330);
  Bitbtn1 = AddButton(this, Page3, "Bitbtn1", "&Select", 352, 28);
  AddLabel(this, Page3, "Split the files to", 12, 66);
  Edit2 = AddEdit(this, Page3, "Edit2", "A:\\", 12, 84, 330);
  Bitbtn5 = AddButton(this, Page3, "Bitbtn5", "S&elect", 352, 82);
  Memo2 = AddMemo(this, Page3, "Memo2", 12, 200, 100, 40);
  Memo2->SetVisible(false);
  AddLabel(this, Page3,
           "Pelloro '95 now uses Morvane\xAE Technology to Automaticly size files for diskettes.  "
           "You do not "
           "have to specify disk size any more.",
           12, 130, 416, 40);

  Panel1 = AddPanel(this, this, "Panel1", 0, 36, 440, 264);
  AddLabel(this, Panel1, "Please wait while the selected file is split...", 12, 12);
  FileLabel1 = AddLabel(this, Panel1, "(none)", 12, 34, 416, 13);
  FileLabel1->SetName("FileLabel1");
  AddLabel(this, Panel1, "Overall Disk Completion", 12, 58);
  forms::ProgressBarCreateArgs progress;
  progress.left = 12;
  progress.top = 76;
  progress.width = 416;
  progress.height = 18;
  ProgressBar1 = new forms::ProgressBar(this, Panel1, progress);
  ProgressBar1->SetName("ProgressBar1");
  Memo1 = AddMemo(this, Panel1, "Memo1", 12, 104, 416, 148);
  Panel1->SetVisible(false);

  FileDrag1 = new TFileDrag(this);
  FileDrag1->SetName("FileDrag1");
  OpenDialog1->Title = "Which file to you want to split?";
  OpenDialog1->Filter = "All Files (*.*)|*.*";
  BrowseDirectoryDlg1->Title = "Split to where?";

  OnShow = [this](forms::Component&) { FormShow(); };
  Bitbtn1->OnClick = [this](forms::Component&) { BitBtn1Click(); };
  Edit1->OnKeyUp = [this](forms::Component&, WORD&, forms::ShiftState) { Edit1KeyUp(); };
  FileDrag1->OnDrop = [this](forms::Component&) { FileDrag1Drop(); };
  Bitbtn5->OnClick = [this](forms::Component&) { BitBtn5Click(); };
  Bitbtn2->OnClick = [this](forms::Component&) { BitBtn2Click(); };
  Bitbtn3->OnClick = [this](forms::Component&) { BitBtn3Click(); };
  Wizardbtn->OnClick = [this](forms::Component&) { WizardbtnClick(); };
  Exitbtn->OnClick = [this](forms::Component&) { Close(); };
  Nextbtn->OnClick = [this](forms::Component&) { NextbtnClick(); };
}

TSplitMainfrm::~TSplitMainfrm() { RestoreAttributes(); }

void TSplitMainfrm::FormShow() {
  FileDrag1->SetEnableDrop(true);
  Edit2->SetText("A:\\");
  Page3->SetVisible(true);
  Panel1->SetVisible(false);
  SetBusy(false);
}

void TSplitMainfrm::SetBusy(bool busy) {
  Nextbtn->SetEnabled(false);
  for (forms::Button* b : {Bitbtn2, Bitbtn3, Exitbtn, Wizardbtn}) b->SetEnabled(!busy);
}

void TSplitMainfrm::ShowStatus() {
  Page3->SetVisible(false);
  Panel1->SetVisible(true);
  Panel1->Repaint();
}

void TSplitMainfrm::ShowIdle() {
  Panel1->SetVisible(false);
  Page3->SetVisible(true);
  SetBusy(false);
  const DWORD attributes = GetFileAttributesA(Edit1->Text().c_str());
  Nextbtn->SetEnabled(attributes != INVALID_FILE_ATTRIBUTES &&
                      (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0);
}

void TSplitMainfrm::BitBtn1Click() {
  if (!OpenDialog1->Execute()) return;
  Edit1->SetText(OpenDialog1->FileName);
  SaveAttributes(OpenDialog1->FileName);
  Nextbtn->SetEnabled(true);
}

void TSplitMainfrm::Edit1KeyUp() {
  const std::string path = Edit1->Text();
  const DWORD attributes = GetFileAttributesA(path.c_str());
  const bool file = !path.empty() && attributes != INVALID_FILE_ATTRIBUTES &&
                    (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  if (file) SaveAttributes(path);
  Nextbtn->SetEnabled(file);
}

void TSplitMainfrm::FileDrag1Drop() {
  if (FileDrag1->FileCount() < 1) return;
  const std::string path = FileDrag1->NameWithPath()[0];
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  Edit1->SetText(path);
  OpenDialog1->FileName = path;
  SaveAttributes(path);
  SetFileAttributesA(path.c_str(), attributes & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                  FILE_ATTRIBUTE_SYSTEM));
  Nextbtn->SetEnabled(true);
}

void TSplitMainfrm::BitBtn5Click() {
  if (BrowseDirectoryDlg1->Execute())
    Edit2->SetText(WithBackslash(BrowseDirectoryDlg1->Directory()));
}

void TSplitMainfrm::BitBtn2Click() {
  forms::App().HelpFile = ProgramFolder() + kHelpFileName;
  forms::App().HelpCommand(HELP_CONTENTS, 0);
}

void TSplitMainfrm::BitBtn3Click() { StartKobu(Handle()); }

void TSplitMainfrm::WizardbtnClick() {
  SetVisible(false);
  {
    TSplitWizardfrm wizard(nullptr);
    wizard.ShowModal();
  }
  Close();
}

void TSplitMainfrm::NextbtnClick() {
  const std::string source = Edit1->Text();
  OpenDialog1->FileName = source;
  Memo2->SetLines({SourceExtension(source)});
  CheckAndSplit(source, false);
}

// --- the splitting wizard ---

TSplitWizardfrm::TSplitWizardfrm(forms::Component* owner)
    : TSplitterBase(owner, SplitterArgs("Dorrel '95 - Splitting Wizard", 420, 290)) {
  SetName("SplitWizardfrm");
  Page1 = AddPanel(this, this, "Page1", 0, 0, 420, 244);
  AddLabel(this, Page1, "Where is the file that you wish to split?", 16, 20);
  Edit1 = AddEdit(this, Page1, "Edit1", "", 16, 50, 300);
  Edit1->SetReadOnly(true);
  ExplorerButton1 = AddButton(this, Page1, "ExplorerButton1", "Select", 326, 48);

  Page2 = AddPanel(this, this, "Page2", 0, 0, 420, 244);
  AddLabel(this, Page2, "Split this file to where?", 16, 20);
  Edit2 = AddEdit(this, Page2, "Edit2", "A:\\", 16, 50, 300);
  ExplorerButton2 = AddButton(this, Page2, "ExplorerButton2", "Browse", 326, 48);

  Page3 = AddPanel(this, this, "Page3", 0, 0, 420, 244);
  AddLabel(this, Page3, "Select your Disk Size", 16, 20);
  forms::RadioGroupCreateArgs group;
  group.caption = "Disk Size";
  group.left = 16;
  group.top = 44;
  group.width = 200;
  group.height = 100;
  group.items = {"1.44mb Disks", "2.88mb Disks", "1.2mb Disks"};
  group.itemIndex = 0;
  RadioGroup1 = new forms::RadioGroup(this, Page3, group);
  RadioGroup1->SetName("RadioGroup1");

  Page4 = AddPanel(this, this, "Page4", 0, 0, 420, 244);
  FileLabel1 = AddLabel(this, Page4, "(wait)", 16, 12, 388, 13);
  FileLabel1->SetName("FileLabel1");
  Memo1 = AddMemo(this, Page4, "Memo1", 16, 32, 388, 160);
  forms::ProgressBarCreateArgs progress;
  progress.left = 16;
  progress.top = 204;
  progress.width = 388;
  progress.height = 18;
  ProgressBar1 = new forms::ProgressBar(this, Page4, progress);
  ProgressBar1->SetName("ProgressBar1");
  Memo2 = AddMemo(this, Page4, "Memo2", 16, 200, 60, 20);
  Memo2->SetVisible(false);

  Panel1 = AddPanel(this, this, "Panel1", 0, 244, 420, 46, forms::Bevel::bvRaised);
  Wizardoffbtn = AddButton(this, Panel1, "Wizardoffbtn", "Wizard &Off", 8, 10, 85);
  Backbtn = AddButton(this, Panel1, "Backbtn", "< Back", 170, 10);
  Nextbtn = AddButton(this, Panel1, "Nextbtn", "Next >", 250, 10);
  Exitbtn = AddButton(this, Panel1, "Exitbtn", "E&xit", 336, 10);

  OpenDialog1->Title = "Which file to you want to split?";
  OpenDialog1->Filter = "All Files (*.*)|*.*";
  BrowseDirectoryDlg1->Title = "Split to where?";

  OnShow = [this](forms::Component&) {
    page_ = 0;
    NextbtnClick();
  };
  Nextbtn->OnClick = [this](forms::Component&) { NextbtnClick(); };
  Backbtn->OnClick = [this](forms::Component&) { BackbtnClick(); };
  ExplorerButton1->OnClick = [this](forms::Component&) { ExplorerButton1Click(); };
  ExplorerButton2->OnClick = [this](forms::Component&) { ExplorerButton2Click(); };
  Exitbtn->OnClick = [this](forms::Component&) { Close(); };
  Wizardoffbtn->OnClick = [this](forms::Component&) { Close(); };
}

TSplitWizardfrm::~TSplitWizardfrm() { RestoreAttributes(); }

void TSplitWizardfrm::ShowOnly(forms::Panel* page) {
  for (forms::Panel* p : {Page1, Page2, Page3, Page4}) p->SetVisible(p == page);
}

void TSplitWizardfrm::NextbtnClick() {
  ++page_;
  switch (page_) {
    case 1:
      Nextbtn->SetEnabled(false);
      Backbtn->SetEnabled(false);
      Edit1->SetText("");
      ShowOnly(Page1);
      break;
    case 2:
      Backbtn->SetEnabled(true);
      Edit2->SetText("A:\\");
      ShowOnly(Page2);
      break;
    case 3:
      ShowOnly(Page3);
      break;
    case 4:
      ShowOnly(Page4);
      Memo1->SetLines({});
      Memo2->SetLines({});
      ProgressBar1->SetPosition(0);
      Memo2->SetLines({SourceExtension(OpenDialog1->FileName)});
      CheckAndSplit(OpenDialog1->FileName, true);
      break;
    default:
      break;
  }
}

void TSplitWizardfrm::BackbtnClick() {
  page_ -= 2;
  if (page_ < 0) page_ = 0;
  NextbtnClick();
}

void TSplitWizardfrm::ExplorerButton1Click() {
  if (!OpenDialog1->Execute()) return;
  Edit1->SetText(OpenDialog1->FileName);
  SaveAttributes(OpenDialog1->FileName);
  Nextbtn->SetEnabled(true);
}

void TSplitWizardfrm::ExplorerButton2Click() {
  if (!BrowseDirectoryDlg1->Execute()) return;
  Edit2->SetText(WithBackslash(BrowseDirectoryDlg1->Directory()));
  Nextbtn->SetEnabled(true);
}

void TSplitWizardfrm::SetBusy(bool busy) {
  for (forms::Button* b : {Nextbtn, Backbtn, Wizardoffbtn}) b->SetEnabled(!busy);
}

void TSplitWizardfrm::ShowIdle() {
  // Back on the disk-size page, ready to go on again.
  page_ = 3;
  ShowOnly(Page3);
  SetBusy(false);
}

}  // namespace pelloro
