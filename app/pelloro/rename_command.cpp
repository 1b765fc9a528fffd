// Renaming an entry in place (the list's caption edited): only the file part of the entry's name
// changes. All the work happens on a copy of the archive in a fresh working folder (the entry
// extracted there, renamed, added to the copy, the old entry deleted from it); only when every
// step succeeded does the copy replace the archive, through a temporary file beside it, so any
// failure leaves the archive byte-identical.
#include <windows.h>

#include <cstring>
#include <string>

#include "archive_list_display.h"
#include "command_scopes.h"
#include "forms/message_dialogs.h"
#include "main_form.h"
#include "new_zip_form.h"

namespace pelloro {

namespace {

constexpr char kInvalidName[] = "Error: Invalid file name.  Aborting Rename process.";
constexpr char kEncrypted[] = "Error: Encrypted files cannot be renamed.  Aborting Rename process.";
constexpr char kNoExtract[] = "Error: Could not extract file from Zip.  Aborting Rename process.";
constexpr char kNoCompress[] = "Error: Could not re-compress file.  Aborting Rename process.";
constexpr char kNoRemove[] = "Error: Could not remove file from Zip.  Aborting Rename process.";

void RenameError(const char* text) {
  forms::MessageDlg(text, forms::MsgDlgType::mtError, forms::mbCancel, 0);
}

bool ValidFileName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  return name.find_first_of("\\/:*?\"<>|") == std::string::npos;
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Removes a folder and everything in it (read-only files too); true when it is gone.
bool RemoveFolder(const std::string& folder) {
  WIN32_FIND_DATAA found = {};
  HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = folder + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveFolder(path + "\\");
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(folder.c_str());
  return !Exists(folder);
}

bool EmptyFolder(const std::string& folder) {
  WIN32_FIND_DATAA found = {};
  HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool empty = true;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") empty = false;
  } while (empty && FindNextFileA(search, &found));
  FindClose(search);
  return empty;
}

// The working folder: made fresh and empty for one rename, removed however the rename ends.
class WorkingFolder {
 public:
  explicit WorkingFolder(std::string path) : path_(std::move(path)) {
    ready_ = (!Exists(path_) || RemoveFolder(path_)) && ForceFolder(path_) && EmptyFolder(path_);
  }
  ~WorkingFolder() { RemoveFolder(path_); }
  WorkingFolder(const WorkingFolder&) = delete;
  WorkingFolder& operator=(const WorkingFolder&) = delete;
  bool Ready() const { return ready_; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  bool ready_ = false;
};

// Counts the control's ZNFileZipped events while it lives, passing them on as before.
class ZippedCounter {
 public:
  explicit ZippedCounter(TQXCtrl& control) : control_(control), saved_(control.OnZNFileZipped) {
    control_.OnZNFileZipped = [this](TQXCtrl& sender, const std::string& file, short rate) {
      ++count_;
      if (saved_) saved_(sender, file, rate);
    };
  }
  ~ZippedCounter() { control_.OnZNFileZipped = saved_; }
  ZippedCounter(const ZippedCounter&) = delete;
  ZippedCounter& operator=(const ZippedCounter&) = delete;
  int Count() const { return count_; }

 private:
  TQXCtrl& control_;
  decltype(TQXCtrl::OnZNFileZipped) saved_;
  int count_ = 0;
};

// The copy replaces the archive through a temporary file in the archive's folder (a rename on
// the same drive), keeping the archive's attributes; false (archive untouched) on any failure.
bool MoveIn(const std::string& copy, const std::string& archive) {
  const DWORD attributes = GetFileAttributesA(archive.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY)) {
    return false;
  }
  const size_t slash = archive.find_last_of("\\/");
  const std::string folder = slash == std::string::npos ? "." : archive.substr(0, slash + 1);
  char temp[MAX_PATH] = {};
  if (GetTempFileNameA(folder.c_str(), "ZIP", 0, temp) == 0) return false;
  if (!CopyFileA(copy.c_str(), temp, FALSE) ||
      !MoveFileExA(temp, archive.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileA(temp);
    return false;
  }
  SetFileAttributesA(archive.c_str(), attributes);
  return true;
}

}  // namespace

void TMainfrm::MSListview1Edited(int item, const std::string& text) {
  renameItem_ = item;
  renameText_ = text;
  PostMessageA(Handle(), WM_RENAMEENTRY, 0, 0);
}

void TMainfrm::RenamePending() {
  const int item = renameItem_;
  const std::string text = renameText_;
  renameItem_ = -1;
  renameText_.clear();
  if (item >= 0) RenameEntry(item, text);
}

void TMainfrm::RenameEntry(int item, const std::string& newName) {
  if (!Functions1->Enabled() || item < 0 || item >= MSListview1->Count()) return;
  const auto* record = reinterpret_cast<const ZipItemRecord*>(MSListview1->ItemData(item));
  if (record == nullptr) return;
  std::string shown;
  CellText(*record, 0, shown);
  if (lstrcmpiA(shown.c_str(), newName.c_str()) == 0) return;  // unchanged: nothing to do
  const ActionsOff off(*this);
  if (record->IsDir || !ValidFileName(newName)) return RenameError(kInvalidName);
  if (record->IsEncrypted) return RenameError(kEncrypted);
  const HWND list = MSListview1->Handle();
  const short index = static_cast<short>(item);
  const std::string folder = QXCtrl1->GetZIPITEMDir(list, index, true);
  const std::string fullName = folder + QXCtrl1->GetZIPITEMName(list, index, true);
  const std::string archive = CurrentArchive();

  // The copy lies in the working folder's root, so the entries' paths are relative to it; its
  // name must not be the first part of the entry's path.
  const WorkingFolder work(options_.TempFolder + "RENAME\\");
  std::string copyName = "~RENAME.ZIP";
  for (int n = 2;
       lstrcmpiA(fullName.substr(0, fullName.find('\\')).c_str(), copyName.c_str()) == 0 ||
       lstrcmpiA(newName.c_str(), copyName.c_str()) == 0;
       ++n) {
    copyName = "~RENAME" + std::to_string(n) + ".ZIP";
  }
  const std::string copy = work.Path() + copyName;
  // The control hands the names over in the ANSI code page, as files are named.
  const std::string oldFile = work.Path() + fullName;
  const std::string newFile = work.Path() + folder + newName;
  {
    const Progress progress(*this, 'E');
    TQXCtrl::CallScope call(*QXCtrl1);
    if (!work.Ready() || !CopyFileA(archive.c_str(), copy.c_str(), FALSE) ||
        !SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_NORMAL)) {
      RenameError(kNoExtract);
    } else if (QXCtrl1->UnzipFiles(copy, fullName, work.Path(), true, true, 1, "", true, true) !=
                   0 ||
               !Exists(oldFile)) {
      RenameError(kNoExtract);
    } else if (!MoveFileA(oldFile.c_str(), newFile.c_str())) {
      RenameError(kNoCompress);
    } else {
      // The selection names the one old entry (when it is the only row, it would name every
      // entry: then it goes before the renamed copy is added).
      for (int selected : MSListview1->SelectedItems()) MSListview1->SetSelected(selected, false);
      MSListview1->SetSelected(item, true);
      const bool deleteFirst = MSListview1->Count() == 1;
      auto removeOld = [&] { return QXCtrl1->DeleteWithSelection(copy, list, list, true, true); };
      ShowActivity('B');
      if (deleteFirst && removeOld() != 0) {
        RenameError(kNoRemove);
      } else {
        const ZippedCounter zipped(*QXCtrl1);
        const short added =
            QXCtrl1->ZipFiles(copy, newFile, false, 1, 2, 1, false, false, "", true);
        if (zipped.Count() == 0 && added == 6) {
          // The replace prompt kept the entry of that name (nothing left to do): nothing changes.
        } else if ((added != 0 && added != 1) || zipped.Count() == 0) {  // 1: a warning
          RenameError(kNoCompress);
        } else if (!deleteFirst && removeOld() != 0) {
          RenameError(kNoRemove);
        } else if (!MoveIn(copy, archive)) {
          RenameError(kNoRemove);
        } else {
          // Renamed.
        }
      }
    }
    ShowActivity('A');
    OpenAndList();
  }
}

}  // namespace pelloro
