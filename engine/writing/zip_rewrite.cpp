// The rewriting operations that keep entries as they are: the frame they share (zip_rewrite.h),
// deleting entries by mask, and the repair of a damaged archive. The comment operations are in
// zip_rewrite_comments.cpp.
//
// Every rewrite builds the new archive in a temporary file beside the archive and replaces the
// archive only once that file is complete; on every failure the archive stays byte for byte as
// it was and the temporary file is deleted (FailWriter).
#include "writing/zip_rewrite.h"

#include <windows.h>

#include <new>
#include <string>

#include "writing/czzip.h"
#include "writing/zip_delete_selection.h"
#include "base/engine_utils.h"
#include "files/file_ops.h"
#include "writing/writer_paths.h"
#include "writing/zip_writer.h"
#include "base/progress_messages.h"

namespace ziprewrite {

namespace {

bool IsWindowSet(HWND window) { return window != nullptr && IsWindow(window); }

}  // namespace

ArchiveFolderFrame::ArchiveFolderFrame(const char* archiveName) {
  // Absolute before the folder changes: a relative name means the caller's folder.
  archive_ = FullEnginePath(archiveName);
  const size_t cut = archive_.rfind('\\');
  if (cut == std::string::npos) return;
  std::string ansi = AnsiFromOem(archive_.substr(0, cut + 1).c_str());
  if (ansi.size() > 3) ansi.pop_back();  // "C:\" keeps its separator, "C:\A\" loses it
  SetCurrentDirectoryA(ansi.c_str());    // a missing folder stays missing: nothing is created
}

void Notify(UINT message, WPARAM wParam, const char* text) {
  const HWND window = WriteOperation().notifyWindow;
  if (!IsWindowSet(window)) return;
  SendMessageA(window, message, wParam, reinterpret_cast<LPARAM>(text));
  PumpMessages(nullptr);
}

int ReadArchive(const std::string& archive, HWND notifyWindow, bool repair) {
  WriterState& writer = WriteOperation();
  writer.notifyWindow = notifyWindow;
  writer.encryptionPass = false;
  writer.repair = repair;
  writer.temporaryName.Empty();
  if (archive.empty() || SetArchiveName(archive.c_str()) == nullptr) {
    return FailWriter(kWriterNoMemory);
  }
  const int result = ReadArchiveDirectory();
  if (result != kWriterDone) return FailWriter(result);
  // The rewrites copy in list order and never look names up.
  ReleaseEntryIndex();
  return kWriterDone;
}

int RewriteArchive(const std::function<EntryAction(const ZipEntry&)>& decide) {
  WriterState& writer = WriteOperation();
  try {
    if (writer.archiveName.FileExists() && !ArchiveIsWritable(writer.archiveName)) {
      return FailWriter(kWriterFileError);
    }
    int result = BeginOutput();
    if (result != kWriterDone) return FailWriter(result);
    for (auto entry = writer.entries.begin(); entry != writer.entries.end();) {
      if (IsWindowSet(writer.notifyWindow)) PumpMessages(nullptr);
      switch (decide(*entry)) {
        case EntryAction::kAbandon:
          return FailWriter(kZipUserAbort);
        case EntryAction::kDrop:
          entry = writer.entries.erase(entry);
          continue;
        case EntryAction::kCopy:
          break;
      }
      result = CopyEntry(writer.archiveFile, writer.outputFile, *entry);
      if (result != kWriterDone) return FailWriter(result);
      ++entry;
    }
    result = CompleteArchive();
    if (result != kWriterDone) return FailWriter(result);
    return FinishWriter(kWriterDone);
  } catch (const std::bad_alloc&) {
    return FailWriter(kWriterNoMemory);
  }
}

}  // namespace ziprewrite

using ziprewrite::EntryAction;

int CZZip::DeleteEntries(const char* archiveName, const char* mask, HWND notifyWindow,
                         HWND listItems, HWND listSelected, BOOL listIsListCtrl) {
  // With either list handle the host's selection decides; otherwise the mask.
  const bool bySelection = listItems != nullptr || listSelected != nullptr;
  if (archiveName == nullptr || *archiveName == '\0') return kWriterNothingToDo;
  if (!bySelection && (mask == nullptr || *mask == '\0')) return kWriterNothingToDo;
  hNotifyWnd_ = notifyWindow;
  ziprewrite::ArchiveFolderFrame frame(archiveName);
  int result = ziprewrite::ReadArchive(frame.archive(), notifyWindow, false);
  if (result != kWriterDone) return result;
  try {
    bool any = false;
    if (bySelection) {
      const ziprewrite::SelectionMatcher selection(listItems, listSelected, listIsListCtrl);
      for (ZipEntry& entry : WriteOperation().entries) {
        entry.mark = selection.Selects(entry.Name()) ? 1 : 0;
        any = any || entry.mark != 0;
      }
    } else {
      // Only the file-name part of the mask counts, against the file-name part of each entry.
      const std::string pattern = zipadd::MakeStoredName(mask, true);
      for (ZipEntry& entry : WriteOperation().entries) {
        entry.mark = !pattern.empty() && zipadd::MatchFileName(entry.Name(), pattern) ? 1 : 0;
        any = any || entry.mark != 0;
      }
    }
    if (!any) return FailWriter(kWriterNothingToDo);
  } catch (const std::bad_alloc&) {
    return FailWriter(kWriterNoMemory);
  }
  return ziprewrite::RewriteArchive([](const ZipEntry& entry) {
    // Once cancelled, every entry left is kept and the archive is still completed.
    if (entry.mark == 0 || WriteOperation().cancel) return EntryAction::kCopy;
    ziprewrite::Notify(progress::kDeleting, 0, entry.Name().c_str());
    return EntryAction::kDrop;
  });
}

int CZZip::Repare(const char* archiveName, HWND notifyWindow) {
  if (archiveName == nullptr || *archiveName == '\0') return kWriterNothingToDo;
  hNotifyWnd_ = notifyWindow;
  ziprewrite::ArchiveFolderFrame frame(archiveName);
  // The repair-mode reading finds the entries by their local headers and takes only those that
  // lie wholly inside the file; it reports its progress itself.
  const int result = ziprewrite::ReadArchive(frame.archive(), notifyWindow, true);
  if (result != kWriterDone) return result;
  WriterState& writer = WriteOperation();
  if (writer.entries.empty()) return FailWriter(kWriterNothingToDo);
  // The repaired archive starts with its first entry, and has no comment (the old end record is
  // not read).
  writer.bytesInFront = 0;
  writer.archiveComment.clear();
  // A cancelled repair is given up as a whole: the damaged archive still holds everything a
  // complete repair could recover, and it stays exactly as it was.
  return ziprewrite::RewriteArchive([](const ZipEntry&) {
    return WriteOperation().cancel ? EntryAction::kAbandon : EntryAction::kCopy;
  });
}
