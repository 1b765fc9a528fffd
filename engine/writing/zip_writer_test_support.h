// Helpers of the archive-writer tests: reading back what the writer wrote, field by field, a
// small driver that runs one whole update the way the archive operations do, and the folders of
// the peer-made fixtures and of the archives kept for the peers' check.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/crc32.h"
#include "core/le_fields.h"
#include "win_test_util.h"
#include "writing/zip_writer.h"

namespace writertest {

inline std::string FixtureDir() { return testutil::BinaryDir() + "engine\\fixtures\\writer\\"; }
// Archives written here are checked afterwards by unzip -t, 7z t and python's zipfile
// (writer_check.sh, run natively after the test program).
inline std::string PeerCheckDir() {
  const std::string dir = testutil::BinaryDir() + "engine\\writer_out\\";
  CreateDirectoryA((testutil::BinaryDir() + "engine").c_str(), nullptr);
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

inline std::vector<uint8_t> Text(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

inline std::vector<uint8_t> RandomBytes(size_t length, uint32_t seed) {
  std::vector<uint8_t> data(length);
  for (auto& byte : data) {
    seed = seed * 1664525u + 1013904223u;
    byte = static_cast<uint8_t>(seed >> 24);
  }
  return data;
}

struct Header {
  uint16_t versionNeeded = 0, flags = 0, method = 0;
  uint32_t dosDateTime = 0, crc = 0, compressedSize = 0, uncompressedSize = 0;
  std::string name;
  std::vector<uint8_t> extra;
};

struct Item {
  Header local, central;
  uint16_t versionMadeBy = 0;
  uint32_t offset = 0, externalAttributes = 0;
  std::vector<uint8_t> data, comment;
};

struct Layout {
  std::string error;  // empty when the archive is laid out soundly
  uint32_t firstRecord = 0;
  uint32_t directoryStart = 0;
  std::vector<Item> items;
  std::vector<uint8_t> comment;
  const Item* Find(const std::string& name) const {
    for (const Item& item : items) {
      if (item.central.name == name) return &item;
    }
    return nullptr;
  }
};

// Reads an archive the way a strict reader would: the end record closes the file, offsets count
// from the start of the file, the entries follow each other without gaps in directory order, the
// directory follows the last entry, and both headers of every entry agree.
inline Layout Parse(const std::vector<uint8_t>& b) {
  Layout out;
  auto fail = [&](const std::string& why) {
    out.error = why;
    return out;
  };
  if (b.size() < 22) return fail("too short");
  size_t end = b.size();
  for (size_t i = b.size() - 22 + 1; i-- > 0;) {
    if (std::memcmp(&b[i], "PK\5\6", 4) == 0 && i + 22 + GetLE16(&b[i + 20]) == b.size()) {
      end = i;
      break;
    }
  }
  if (end == b.size()) return fail("no end record at the end of the file");
  const uint32_t count = GetLE16(&b[end + 8]);
  if (GetLE16(&b[end + 10]) != count) return fail("entry counts differ");
  const uint32_t size = GetLE32(&b[end + 12]);
  const uint32_t start = GetLE32(&b[end + 16]);
  if (static_cast<uint64_t>(start) + size != end) return fail("directory not where it is said");
  out.directoryStart = start;
  out.comment.assign(b.begin() + end + 22, b.end());
  size_t p = start;
  uint64_t expectedOffset = 0;
  for (uint32_t n = 0; n < count; ++n) {
    if (p + 46 > end || std::memcmp(&b[p], "PK\1\2", 4) != 0) return fail("bad central header");
    Item item;
    Header& c = item.central;
    item.versionMadeBy = GetLE16(&b[p + 4]);
    c.versionNeeded = GetLE16(&b[p + 6]);
    c.flags = GetLE16(&b[p + 8]);
    c.method = GetLE16(&b[p + 10]);
    c.dosDateTime = GetLE32(&b[p + 12]);
    c.crc = GetLE32(&b[p + 16]);
    c.compressedSize = GetLE32(&b[p + 20]);
    c.uncompressedSize = GetLE32(&b[p + 24]);
    const uint32_t nameLength = GetLE16(&b[p + 28]);
    const uint32_t extraLength = GetLE16(&b[p + 30]);
    const uint32_t commentLength = GetLE16(&b[p + 32]);
    item.externalAttributes = GetLE32(&b[p + 38]);
    item.offset = GetLE32(&b[p + 42]);
    c.name.assign(reinterpret_cast<const char*>(&b[p + 46]), nameLength);
    c.extra.assign(b.begin() + p + 46 + nameLength, b.begin() + p + 46 + nameLength + extraLength);
    item.comment.assign(b.begin() + p + 46 + nameLength + extraLength,
                        b.begin() + p + 46 + nameLength + extraLength + commentLength);
    p += 46 + nameLength + extraLength + commentLength;

    const size_t l = item.offset;
    if (n == 0) {
      out.firstRecord = item.offset;
      expectedOffset = item.offset;
    }
    if (l != expectedOffset) return fail("gap or overlap before entry " + c.name);
    if (l + 30 > end || std::memcmp(&b[l], "PK\3\4", 4) != 0) return fail("bad local header");
    Header& h = item.local;
    h.versionNeeded = GetLE16(&b[l + 4]);
    h.flags = GetLE16(&b[l + 6]);
    h.method = GetLE16(&b[l + 8]);
    h.dosDateTime = GetLE32(&b[l + 10]);
    h.crc = GetLE32(&b[l + 14]);
    h.compressedSize = GetLE32(&b[l + 18]);
    h.uncompressedSize = GetLE32(&b[l + 22]);
    const uint32_t localName = GetLE16(&b[l + 26]);
    const uint32_t localExtra = GetLE16(&b[l + 28]);
    h.name.assign(reinterpret_cast<const char*>(&b[l + 30]), localName);
    h.extra.assign(b.begin() + l + 30 + localName, b.begin() + l + 30 + localName + localExtra);
    const size_t data = l + 30 + localName + localExtra;
    if (data + c.compressedSize > end) return fail("data past the directory");
    item.data.assign(b.begin() + data, b.begin() + data + c.compressedSize);
    expectedOffset = data + c.compressedSize + ((h.flags & 8) ? 16 : 0);
    if (h.name != c.name)
      return fail("names differ in the two headers: " + h.name + " / " + c.name);
    if (h.versionNeeded != c.versionNeeded || h.method != c.method ||
        h.dosDateTime != c.dosDateTime || (h.flags & 0x1FFF) != (c.flags & 0x1FFF)) {
      return fail("headers differ for " + c.name);
    }
    if (!(h.flags & 8) && (h.crc != c.crc || h.compressedSize != c.compressedSize ||
                           h.uncompressedSize != c.uncompressedSize)) {
      return fail("sizes differ for " + c.name);
    }
    out.items.push_back(std::move(item));
  }
  if (count != 0 && expectedOffset != start) return fail("directory does not follow the entries");
  if (p != end) return fail("directory size is wrong");
  return out;
}

// Keeps a copy of an archive for the peers' check, with the names python must read from it.
inline void KeepForPeers(const std::string& archive, const std::string& keptName,
                         const std::vector<std::string>& names = {}) {
  const std::string target = PeerCheckDir() + keptName;
  ASSERT_TRUE(CopyFileA(archive.c_str(), target.c_str(), FALSE)) << target;
  const std::string list = target + ".names";
  DeleteFileA(list.c_str());
  if (!names.empty()) {
    std::string text;
    for (const std::string& name : names) text += name + "\n";
    ASSERT_TRUE(testutil::WriteWholeFile(list, text));
  }
}

struct NewFile {
  std::string path;    // the file to add
  std::string stored;  // its entry name
};

// One update of an archive, as the archive operations run it: every existing entry is copied
// (or recompressed from the file given for its name in recompress), then the new files are
// added. Returns the operation's code (0, a per-file code, or the fatal one).
inline int UpdateArchive(const std::string& archive, const std::vector<NewFile>& files,
                         const std::vector<NewFile>& recompress = {}) {
  if (SetArchiveName(archive.c_str()) == nullptr) return FailWriter(kWriterNoMemory);
  int result = ReadArchiveDirectory();
  if (result != kWriterDone) return FailWriter(result);
  WriterState& writer = WriteOperation();
  for (const NewFile& file : recompress) {
    ZipEntry* entry = FindEntry(file.stored.c_str());
    if (entry == nullptr) return FailWriter(kWriterNothingToDo);
    entry->mark = 1;
    entry->externalName = file.path;
  }
  ReleaseEntryIndex();
  result = BeginOutput();
  if (result != kWriterDone) return FailWriter(result);
  int perFile = kWriterDone;
  for (ZipEntry& entry : writer.entries) {
    if (entry.mark != 0) {
      result = AddEntryData(writer.outputFile, entry);
      if (result == kWriterDone) continue;
      if (!IsPerFileFailure(result)) return FailWriter(result);
      perFile = result;
    }
    result = CopyEntry(writer.archiveFile, writer.outputFile, entry);
    if (result != kWriterDone) return FailWriter(result);
  }
  for (const NewFile& file : files) {
    ZipEntry entry;
    entry.externalName = file.path;
    entry.storedName = file.stored;
    result = AddEntryData(writer.outputFile, entry);
    if (result == kWriterDone) {
      writer.entries.push_back(entry);
    } else if (IsPerFileFailure(result)) {
      perFile = result;
    } else {
      return FailWriter(result);
    }
  }
  result = CompleteArchive();
  if (result != kWriterDone) return FailWriter(result);
  return FinishWriter(perFile);
}

// The names of the files in a folder that match a pattern.
inline std::vector<std::string> FilesLike(const std::string& folder, const char* pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA((folder + pattern).c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    names.push_back(data.cFileName);
  } while (FindNextFileA(search, &data));
  FindClose(search);
  return names;
}

inline std::string CurrentFolder() {
  char folder[MAX_PATH * 4] = {};
  GetCurrentDirectoryA(sizeof folder, folder);
  return folder;
}

// One progress message as a testutil::MessageWindow saw it.
struct SeenMessage {
  UINT message;
  WPARAM wParam;
  std::string text;  // "" for a null text
};

// Holds a file open without sharing while it lives: nobody else can read or write it.
class LockedFile {
 public:
  explicit LockedFile(const std::string& path)
      : handle_(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~LockedFile() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  LockedFile(const LockedFile&) = delete;
  LockedFile& operator=(const LockedFile&) = delete;
  bool locked() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

}  // namespace writertest
