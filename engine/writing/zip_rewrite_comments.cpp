// The comment operations: the archive comment and one entry's comment, each set by rewriting the
// archive with every entry copied unchanged.
//
// A comment is stored with CR LF line ends (a line feed that has no carriage return in front
// gets one; existing CR LF pairs stay as they are) and in the OEM code page, as the archive's
// names are; the comment of an entry whose flag bit 11 says its texts are UTF-8 is stored in
// UTF-8.
#include <windows.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "writing/czzip.h"
#include "base/entry_case.h"
#include "base/entry_text.h"
#include "core/zip_records.h"
#include "writing/zip_rewrite.h"
#include "writing/zip_writer.h"

namespace {

// The archive comment's limit in characters as given; an entry comment's limit after the
// conversion below.
constexpr size_t kMaxCommentCharacters = 32767;
// What a header's 16-bit length can record.
constexpr size_t kMaxCommentBytes = 65535;

// The comment with CR LF line ends.
std::string WithCrLf(const char* comment) {
  std::string text;
  const size_t length = std::strlen(comment);
  text.reserve(length + length / 8);
  for (size_t i = 0; i < length; ++i) {
    if (comment[i] == '\n' && (i == 0 || comment[i - 1] != '\r')) text += '\r';
    text += comment[i];
  }
  return text;
}

// The comment as it is stored: CR LF line ends, OEM code page.
std::vector<uint8_t> StoredComment(const char* comment) {
  const std::string text = WithCrLf(comment);
  std::vector<uint8_t> oem(text.size());
  if (!text.empty()) {
    CharToOemBuffA(text.c_str(), reinterpret_cast<char*>(oem.data()),
                   static_cast<DWORD>(text.size()));
  }
  return oem;
}

// True when the entry name equals name ignoring case (the engine's OEM upper-casing).
bool SameName(const std::string& entryName, const std::string& upperName) {
  if (entryName.size() != upperName.size()) return false;
  std::string upper = entryName;
  UpperCaseOem(upper);
  return upper == upperName;
}

}  // namespace

int CZZip::SetGlobalComment(const char* archiveName, const char* comment, HWND notifyWindow) {
  if (archiveName == nullptr || *archiveName == '\0') return kWriterNothingToDo;
  if (comment == nullptr) comment = "";
  if (std::strlen(comment) > kMaxCommentCharacters) return ziprewrite::kCommentTooLong;
  std::vector<uint8_t> stored;
  try {
    stored = StoredComment(comment);
  } catch (const std::bad_alloc&) {
    return kWriterNoMemory;
  }
  if (stored.size() > kMaxCommentBytes) return ziprewrite::kCommentTooLong;
  hNotifyWnd_ = notifyWindow;
  ziprewrite::ArchiveFolderFrame frame(archiveName);
  // A missing archive reads as one without entries: the rewrite then makes an archive of the
  // end record alone, carrying the comment (nothing is created before it is complete).
  const int result = ziprewrite::ReadArchive(frame.archive(), notifyWindow, false);
  if (result != kWriterDone) return result;
  WriteOperation().archiveComment = std::move(stored);
  return ziprewrite::RewriteArchive([](const ZipEntry&) { return ziprewrite::EntryAction::kCopy; });
}

int CZZip::SetLocalComment(const char* archiveName, const char* entryName, const char* comment,
                           HWND notifyWindow) {
  if (archiveName == nullptr || *archiveName == '\0') return kWriterNothingToDo;
  if (comment == nullptr) comment = "";
  std::vector<uint8_t> stored;
  std::string wanted;
  try {
    stored = StoredComment(comment);
    // The name rule of the adding side ('\' and '/' alike, no drive or leading separators),
    // compared without regard to case and without wildcards.
    wanted = zipadd::MakeStoredName(entryName != nullptr ? entryName : "", true);
    UpperCaseOem(wanted);
  } catch (const std::bad_alloc&) {
    return kWriterNoMemory;
  }
  if (stored.size() > kMaxCommentCharacters) return ziprewrite::kCommentTooLong;
  hNotifyWnd_ = notifyWindow;
  ziprewrite::ArchiveFolderFrame frame(archiveName);
  const int result = ziprewrite::ReadArchive(frame.archive(), notifyWindow, false);
  if (result != kWriterDone) return result;
  ZipEntry* target = nullptr;
  try {
    if (!wanted.empty()) {
      for (ZipEntry& entry : WriteOperation().entries) {
        if (SameName(entry.Name(), wanted)) {
          target = &entry;
          break;
        }
      }
    }
  } catch (const std::bad_alloc&) {
    return FailWriter(kWriterNoMemory);
  }
  if (target == nullptr) return FailWriter(kWriterNothingToDo);
  // Only the comment changes: the directory is written by the ordinary header writer, so both
  // headers of the entry keep the same name bytes.
  if ((target->flags & zip::kFlagUtf8) != 0) {
    // The entry's flag says its name and comment are UTF-8: the new comment is stored so too.
    std::string utf8;
    try {
      if (!Utf8FromAnsi(WithCrLf(comment), &utf8)) return FailWriter(kWriterNoMemory);
    } catch (const std::bad_alloc&) {
      return FailWriter(kWriterNoMemory);
    }
    if (utf8.size() > kMaxCommentBytes) return FailWriter(ziprewrite::kCommentTooLong);
    stored.assign(utf8.begin(), utf8.end());
  }
  target->comment = std::move(stored);
  return ziprewrite::RewriteArchive([](const ZipEntry&) { return ziprewrite::EntryAction::kCopy; });
}
