// The archive writer: record layouts, names and lookup, the compressing writer with its stored
// fallback and failure paths, the limits, and the temporary archive.
#include "writing/zip_writer.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/crc32.h"
#include "core/le_fields.h"
#include "files/file_fault.h"
#include "win_test_util.h"
#include "files/zfile.h"
#include "writing/zip_writer_test_support.h"
#include "base/progress_messages.h"

namespace {

using writertest::Layout;
using writertest::NewFile;
using writertest::Parse;

class WriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = writertest::CurrentFolder();
    ResetFileFaults();
    FinishWriter(0);
  }
  void TearDown() override {
    ResetFileFaults();
    FinishWriter(0);
    SetCurrentDirectoryA(saved_.c_str());
  }
  std::string File(const std::string& name, const std::vector<uint8_t>& data) {
    const std::string path = folder_ / name;
    EXPECT_TRUE(testutil::WriteWholeFile(path, data));
    return path;
  }
  testutil::TempFolder folder_;
  std::string saved_;
};

// ---- record writers
// -------------------------------------------------------------------------------

TEST_F(WriterTest, RecordWritersPutEveryFieldInItsPlace) {
  ZipEntry e;
  e.versionMadeBy = 0x0B32;
  e.versionNeeded = 20;
  e.flags = 0x0001;
  e.localFlags = 0x0008;
  e.method = 8;
  e.dosDateTime = 0x5A8B6C2D;
  e.crc = 0xCAFEBABE;
  e.compressedSize = 1234;
  e.uncompressedSize = 5678;
  e.diskStart = 3;
  e.internalAttributes = 1;
  e.externalAttributes = 0x81A40020;
  e.localHeaderOffset = 0x01020304;
  e.storedName = "dir/Name.txt";
  e.localExtra = {1, 2, 3};
  e.centralExtra = {4, 5};
  e.comment = {'h', 'i'};
  const std::string path = folder_ / "records.bin";
  {
    CZFile out;
    ASSERT_TRUE(out.Create(path.c_str()));
    ASSERT_TRUE(WriteLocalHeader(out.AsHFile(), e));
    ASSERT_TRUE(WriteCentralHeader(out.AsHFile(), e));
    ASSERT_TRUE(WriteDataDescriptor(out.AsHFile(), e));
    const uint8_t comment[] = {'z', 'z', 'z'};
    ASSERT_TRUE(WriteEndRecord(out.AsHFile(), 7, 0x11223344, 0x55667788, comment, 3));
  }
  const std::vector<uint8_t> b = testutil::FileBytes(path);
  ASSERT_EQ(b.size(), 30u + 12 + 3 + 46 + 12 + 2 + 2 + 16 + 22 + 3);
  const uint8_t* l = b.data();
  const uint8_t* c = l + 45;
  const uint8_t* d = c + 62;
  const uint8_t* z = d + 16;
  struct Field {
    const char* what;
    uint32_t got, want;
  };
  const Field fields[] = {
      {"local signature", GetLE32(l), 0x04034b50},
      {"local version", GetLE16(l + 4), 20},
      {"local flags", GetLE16(l + 6), 0x0008},
      {"local method", GetLE16(l + 8), 8},
      {"local time", GetLE32(l + 10), 0x5A8B6C2D},
      {"local crc", GetLE32(l + 14), 0xCAFEBABE},
      {"local csize", GetLE32(l + 18), 1234},
      {"local usize", GetLE32(l + 22), 5678},
      {"local name length", GetLE16(l + 26), 12},
      {"local extra length", GetLE16(l + 28), 3},
      {"central signature", GetLE32(c), 0x02014b50},
      {"made by", GetLE16(c + 4), 0x0B32},
      {"central version", GetLE16(c + 6), 20},
      {"central flags", GetLE16(c + 8), 1},
      {"central method", GetLE16(c + 10), 8},
      {"central time", GetLE32(c + 12), 0x5A8B6C2D},
      {"central crc", GetLE32(c + 16), 0xCAFEBABE},
      {"central csize", GetLE32(c + 20), 1234},
      {"central usize", GetLE32(c + 24), 5678},
      {"central name length", GetLE16(c + 28), 12},
      {"central extra length", GetLE16(c + 30), 2},
      {"comment length", GetLE16(c + 32), 2},
      {"disk", GetLE16(c + 34), 3},
      {"internal", GetLE16(c + 36), 1},
      {"external", GetLE32(c + 38), 0x81A40020},
      {"offset", GetLE32(c + 42), 0x01020304},
      {"descriptor signature", GetLE32(d), 0x08074b50},
      {"descriptor crc", GetLE32(d + 4), 0xCAFEBABE},
      {"descriptor csize", GetLE32(d + 8), 1234},
      {"descriptor usize", GetLE32(d + 12), 5678},
      {"end signature", GetLE32(z), 0x06054b50},
      {"this disk", GetLE16(z + 4), 0},
      {"directory disk", GetLE16(z + 6), 0},
      {"entries here", GetLE16(z + 8), 7},
      {"entries", GetLE16(z + 10), 7},
      {"directory size", GetLE32(z + 12), 0x55667788},
      {"directory offset", GetLE32(z + 16), 0x11223344},
      {"archive comment", GetLE16(z + 20), 3},
  };
  for (const Field& f : fields) EXPECT_EQ(f.got, f.want) << f.what;
  // The name is written as the entry holds it, in both headers: no case change here.
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(l + 30), 12), "dir/Name.txt");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(c + 46), 12), "dir/Name.txt");
  EXPECT_EQ(std::vector<uint8_t>(l + 42, l + 45), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(std::vector<uint8_t>(c + 58, c + 62), (std::vector<uint8_t>{4, 5, 'h', 'i'}));
}

TEST_F(WriterTest, RecordWritersReportAFailedWrite) {
  ScopedFileFaults faults;
  const std::string path = folder_ / "fail.bin";
  CZFile out;
  ASSERT_TRUE(out.Create(path.c_str()));
  ZipEntry e;
  e.storedName = "X";
  FailFileStep(FileStep::kWrite, 1);
  EXPECT_FALSE(WriteLocalHeader(out.AsHFile(), e));
  FailFileStep(FileStep::kWrite, 2);
  EXPECT_FALSE(WriteCentralHeader(out.AsHFile(), e));
  FailFileStep(FileStep::kWrite, 3);
  EXPECT_FALSE(WriteEndRecord(out.AsHFile(), 0, 0, 0, nullptr, 0));
  EXPECT_TRUE(WriteOperation().outputFailed);
}

TEST_F(WriterTest, DirectoryOfMoreThan65535EntriesOrPast2GiBIsRefused) {
  const std::string path = folder_ / "dir.bin";
  CZFile out;
  ASSERT_TRUE(out.Create(path.c_str()));
  WriterState& writer = WriteOperation();
  ZipEntry e;
  e.storedName = "A";
  writer.entries.assign(kMaxEntries + 1, e);
  EXPECT_EQ(WriteCentralDirectory(out.AsHFile()), kWriterFileError);
  writer.entries.assign(2, e);
  writer.outputOffset = kMaxArchiveSize - 60;  // two headers and the end record do not fit
  EXPECT_EQ(WriteCentralDirectory(out.AsHFile()), kWriterFileError);
  ULONGLONG size = 1;
  ASSERT_TRUE(out.GetSize(&size));
  EXPECT_EQ(size, 0u);  // nothing written
  writer.outputOffset = 0;
  EXPECT_EQ(WriteCentralDirectory(out.AsHFile()), kWriterDone);
  EXPECT_EQ(writer.outputOffset, 2u * (46 + 1) + 22);
}

// ---- names and lookup
// -------------------------------------------------------------------------------

TEST_F(WriterTest, SortedIndexFindsNamesWithoutRegardToCaseFirstInArchiveOrder) {
  WriterState& writer = WriteOperation();
  for (const char* name : {"zeta.txt", "Alpha/b.txt", "alpha/B.TXT", "m_n", "MAIN.C"}) {
    ZipEntry e;
    e.storedName = name;
    writer.entries.push_back(e);
  }
  ASSERT_TRUE(SortEntryIndex());
  ASSERT_EQ(writer.sortedIndex.size(), 5u);
  for (size_t i = 1; i < writer.sortedIndex.size(); ++i) {
    EXPECT_LE(_stricmp(writer.sortedIndex[i - 1]->storedName.c_str(),
                       writer.sortedIndex[i]->storedName.c_str()),
              0);
  }
  const struct {
    const char* query;
    const char* found;
  } cases[] = {
      {"ZETA.TXT", "zeta.txt"}, {"ALPHA/B.TXT", "Alpha/b.txt"},
      {"main.c", "MAIN.C"},     {"M_N", "m_n"},
      {"alpha", nullptr},       {"", nullptr},
      {"zz", nullptr},
  };
  for (const auto& c : cases) {
    ZipEntry* entry = FindEntry(c.query);
    if (c.found == nullptr) {
      EXPECT_EQ(entry, nullptr) << c.query;
    } else {
      ASSERT_NE(entry, nullptr) << c.query;
      EXPECT_EQ(entry->storedName, c.found);
    }
  }
}

TEST_F(WriterTest, ZipNamesAndCleanStoredNames) {
  const struct {
    const char* name;
    BOOL zip;
  } zips[] = {
      {"a.zip", TRUE}, {"C:\\X\\B.ZiP", TRUE}, {".zip", FALSE}, {"zip", FALSE}, {"a.zipx", FALSE},
  };
  for (const auto& z : zips) EXPECT_EQ(IsZipName(z.name), z.zip) << z.name;
  const struct {
    const char* in;
    const char* out;
  } names[] = {
      {"a/b.txt", "a/b.txt"},
      {"../../etc/x", "etc/x"},
      {"./a/./b", "a/b"},
      {"a\\..\\b", "a/b"},
      {"/lead//slash/", "lead/slash/"},
      {"..", ""},
      {"./", ""},
      {"dir/", "dir/"},
      {"a..b/c.", "a..b/c."},
  };
  for (const auto& n : names) EXPECT_EQ(CleanStoredName(n.in), n.out) << n.in;
}

TEST_F(WriterTest, ArchiveNameIsMadeFullAndRecognisedInEveryForm) {
  ASSERT_TRUE(SetCurrentDirectoryA(folder_.path().c_str()));
  const char* title = SetArchiveName("rel.zip");
  ASSERT_NE(title, nullptr);
  EXPECT_STREQ(title, "rel.zip");
  const std::string full = folder_ / "rel.zip";
  EXPECT_EQ(_stricmp(WriteOperation().archiveName.c_str(), full.c_str()), 0)
      << WriteOperation().archiveName.c_str();
  ASSERT_TRUE(testutil::WriteWholeFile(full, "x"));
  std::string upper = full;
  CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
  std::string slashes = full;
  for (char& ch : slashes) ch = ch == '\\' ? '/' : ch;
  for (const std::string& same :
       {std::string("rel.zip"), std::string(".\\REL.ZIP"), upper, slashes}) {
    EXPECT_TRUE(IsArchiveItself(nullptr, same.c_str())) << same;
  }
  EXPECT_FALSE(IsArchiveItself(nullptr, "other.zip"));
  EXPECT_FALSE(IsArchiveItself(nullptr, (folder_ / "sub\\rel.zip").c_str()));

  // The 8.3 spelling of a long archive name is the archive too, and a file beside it is not.
  const std::string longName = folder_ / "a long archive name.zip";
  ASSERT_NE(SetArchiveName(longName.c_str()), nullptr);
  ASSERT_TRUE(testutil::WriteWholeFile(longName, "x"));
  char shortName[MAX_PATH * 2] = {};
  const DWORD shortLength = GetShortPathNameA(longName.c_str(), shortName, sizeof shortName);
  ASSERT_GT(shortLength, 0u);
  ASSERT_LT(shortLength, sizeof shortName);
  ASSERT_NE(_stricmp(shortName, longName.c_str()), 0) << shortName;
  EXPECT_TRUE(IsArchiveItself(nullptr, shortName)) << shortName;
  EXPECT_FALSE(IsArchiveItself(nullptr, (folder_ / "a long archive name2.zip").c_str()));
  EXPECT_EQ(SetArchiveName(""), nullptr);
}

// ---- the compressing writer
// -----------------------------------------------------------------------

// 2 MB of text with random stretches: many blocks, window slides, matches across them.
std::vector<uint8_t> Mixed() {
  std::vector<uint8_t> data;
  uint32_t seed = 11;
  while (data.size() < 2000000) {
    const std::vector<uint8_t> noise = writertest::RandomBytes(700, seed++);
    data.insert(data.end(), noise.begin(), noise.end());
    const std::string line = "line " + std::to_string(seed % 97) + " of the mixed file\n";
    for (int i = 0; i < 40; ++i) data.insert(data.end(), line.begin(), line.end());
  }
  return data;
}

// Which method each kind of file gets, and that the archive reads back field by field.
TEST_F(WriterTest, SmallAndZipFilesAreStoredOthersDeflatedIncompressibleStoredAfterTrying) {
  const std::vector<uint8_t> compressible = writertest::Text(std::string(20000, 'q') + "tail");
  struct Case {
    const char* file;
    const char* stored;
    std::vector<uint8_t> data;
    uint16_t method;
  };
  const std::vector<Case> cases = {
      {"empty.txt", "empty.txt", {}, 0},
      {"s36.txt", "Sub/s36.txt", std::vector<uint8_t>(36, 'a'), 0},
      {"c37.txt", "c37.txt", std::vector<uint8_t>(37, 'a'), 8},
      {"r37.bin", "r37.bin", writertest::RandomBytes(37, 1), 0},
      {"random.bin", "deep/er/random.bin", writertest::RandomBytes(70000, 2), 0},
      {"inner.zip", "inner.zip", compressible, 0},
      {"text.txt", "text.txt", compressible, 8},
      {"after.txt", "after.txt", writertest::Text("written after the stored retry\n"), 0},
      {"mixed.bin", "mixed.bin", Mixed(), 8},
  };
  std::vector<NewFile> files;
  for (const Case& c : cases) files.push_back({File(c.file, c.data), c.stored});
  ASSERT_TRUE(CreateDirectoryA((folder_ / "folder").c_str(), nullptr));
  files.push_back({folder_ / "folder", "Folder"});
  const std::string archive = folder_ / "new.zip";
  ASSERT_EQ(writertest::UpdateArchive(archive, files), kWriterDone);

  const Layout layout = Parse(testutil::FileBytes(archive));
  ASSERT_EQ(layout.error, "");
  ASSERT_EQ(layout.items.size(), cases.size() + 1);
  EXPECT_EQ(layout.firstRecord, 0u);
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    std::string upper = c.stored;
    CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
    const writertest::Item& item = layout.items[i];
    SCOPED_TRACE(c.file);
    EXPECT_EQ(item.central.name, upper);  // upper case in both headers (Parse compares them)
    EXPECT_EQ(item.central.method, c.method);
    EXPECT_EQ(item.central.versionNeeded, c.method == 0 ? 10 : 20);
    EXPECT_EQ(item.local.flags, 0);
    EXPECT_EQ(item.central.flags, 0);
    EXPECT_EQ(item.versionMadeBy, 0x0B32);
    EXPECT_EQ(item.central.crc, Crc32(c.data.data(), c.data.size()));
    EXPECT_EQ(item.central.uncompressedSize, c.data.size());
    EXPECT_TRUE(item.local.extra.empty());
    EXPECT_EQ(item.externalAttributes & 0xFF,
              GetFileAttributesA((folder_ / c.file).c_str()) & 0x37);
    if (c.method == 0) {
      EXPECT_EQ(item.data, c.data);
    } else {
      EXPECT_LT(item.central.compressedSize, c.data.size());
    }
  }
  const writertest::Item& folder = layout.items.back();
  EXPECT_EQ(folder.central.name, "FOLDER/");
  EXPECT_EQ(folder.central.method, 0);
  EXPECT_EQ(folder.central.compressedSize, 0u);
  EXPECT_EQ(folder.central.uncompressedSize, 0u);
  EXPECT_EQ(folder.externalAttributes & 0x10, 0x10u);
  writertest::KeepForPeers(archive, "methods.zip",
                           {"EMPTY.TXT", "SUB/S36.TXT", "C37.TXT", "R37.BIN", "DEEP/ER/RANDOM.BIN",
                            "INNER.ZIP", "TEXT.TXT", "AFTER.TXT", "MIXED.BIN", "FOLDER/"});
}

TEST_F(WriterTest, StoreOnlyModeAndDotComponentsInNames) {
  const std::vector<uint8_t> data = writertest::Text(std::string(5000, 'z'));
  WriteOperation().compressionMode = 3;
  ASSERT_EQ(SetArchiveName((folder_ / "store.zip").c_str()) != nullptr, true);
  ASSERT_EQ(ReadArchiveDirectory(), kWriterDone);
  ASSERT_EQ(BeginOutput(), kWriterDone);
  WriterState& writer = WriteOperation();
  writer.compressionMode = 3;
  ZipEntry entry;
  entry.externalName = File("z.txt", data);
  entry.storedName = "../up/./z.txt";
  ASSERT_EQ(AddEntryData(writer.outputFile, entry), kWriterDone);
  writer.entries.push_back(entry);
  // New names are upper-cased by the OEM code page's own rules ('\x84' is a-umlaut in 437).
  ZipEntry oem;
  oem.externalName = entry.externalName;
  oem.storedName =
      "\x84"
      "b.txt";
  ASSERT_EQ(AddEntryData(writer.outputFile, oem), kWriterDone);
  writer.entries.push_back(oem);
  ZipEntry dots;
  dots.externalName = entry.externalName;
  dots.storedName = "../..";
  EXPECT_EQ(AddEntryData(writer.outputFile, dots), kWriterCompressError);
  ASSERT_EQ(CompleteArchive(), kWriterDone);
  FinishWriter(0);
  const Layout layout = Parse(testutil::FileBytes(folder_ / "store.zip"));
  ASSERT_EQ(layout.error, "");
  ASSERT_EQ(layout.items.size(), 2u);
  EXPECT_EQ(layout.items[0].central.name, "UP/Z.TXT");
  EXPECT_EQ(layout.items[0].central.method, 0);
  EXPECT_EQ(layout.items[0].data, data);
  if (GetOEMCP() == 437) {
    EXPECT_EQ(layout.items[1].central.name,
              "\x8E"
              "B.TXT");
  }
  writertest::KeepForPeers(folder_ / "store.zip", "store_only.zip");
}

// A file that cannot be had leaves the entry and the output as they were, and the archive goes on.
TEST_F(WriterTest, PerFileFailuresRestoreTheEntryAndTheOutputPosition) {
  const std::string archive = folder_ / "perfile.zip";
  const std::string good = File("good.txt", writertest::Text(std::string(3000, 'g')));
  const std::string small = File("small.bin", writertest::RandomBytes(30000, 7));
  // A sparse file of 2 GiB: too large to be recorded.
  const std::string huge = folder_ / "huge.bin";
  {
    CZFile file;
    ASSERT_TRUE(file.Create(huge.c_str()));
    LARGE_INTEGER size;
    size.QuadPart = 0x80000000ll;
    ASSERT_TRUE(SetFilePointerEx(file.Handle(), size, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(file.Handle()));
  }
  ASSERT_NE(SetArchiveName(archive.c_str()), nullptr);
  ASSERT_EQ(ReadArchiveDirectory(), kWriterDone);
  ASSERT_EQ(BeginOutput(), kWriterDone);
  WriterState& writer = WriteOperation();
  ZipEntry first;
  first.externalName = good;
  first.storedName = "good.txt";
  ASSERT_EQ(AddEntryData(writer.outputFile, first), kWriterDone);
  writer.entries.push_back(first);

  struct Case {
    const char* what;
    std::string path;
    int readToFail;  // 0: none
    int expected;
  };
  const Case cases[] = {
      {"missing file", folder_ / "missing.txt", 0, kWriterAccessDenied},
      {"file of 2 GiB", huge, 0, kWriterAccessDenied},
      {"read failing at once", small, 1, kWriterFileError},
      {"read failing mid-way", small, 2, kWriterFileError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScopedFileFaults faults;
    if (c.readToFail != 0) FailFileStep(FileStep::kRead, c.readToFail);
    writer.compressionMode = 3;  // stored: every read passes the failure seam
    const uint64_t offset = writer.outputOffset;
    ZipEntry entry;
    entry.externalName = c.path;
    entry.storedName = "kept/name.bin";
    entry.dosDateTime = 0x12345678;
    entry.localExtra = {9, 0, 1, 0, 7};
    EXPECT_EQ(AddEntryData(writer.outputFile, entry), c.expected);
    EXPECT_TRUE(IsPerFileFailure(c.expected));
    EXPECT_FALSE(writer.outputFailed);
    EXPECT_EQ(writer.outputOffset, offset);
    uint64_t position = 0;
    ASSERT_TRUE(TellFile(writer.outputFile, &position));
    EXPECT_EQ(position, offset);
    EXPECT_EQ(entry.storedName, "kept/name.bin");
    EXPECT_EQ(entry.dosDateTime, 0x12345678u);
    EXPECT_EQ(entry.localExtra, (std::vector<uint8_t>{9, 0, 1, 0, 7}));
    EXPECT_EQ(writer.inputFile, HFILE_ERROR);
  }
  writer.compressionMode = 0;
  ZipEntry last;
  last.externalName = small;
  last.storedName = "small.bin";
  ASSERT_EQ(AddEntryData(writer.outputFile, last), kWriterDone);
  writer.entries.push_back(last);
  ASSERT_EQ(CompleteArchive(), kWriterDone);
  FinishWriter(0);
  const Layout layout = Parse(testutil::FileBytes(archive));
  ASSERT_EQ(layout.error, "");
  ASSERT_EQ(layout.items.size(), 2u);
  EXPECT_EQ(layout.items[1].data, testutil::FileBytes(small));
  writertest::KeepForPeers(archive, "per_file_failures.zip", {"GOOD.TXT", "SMALL.BIN"});
}

// A write to the temporary archive that fails ends the operation; the archive stays as it was.
TEST_F(WriterTest, FailedWritesToTheTemporaryArchiveLeaveTheOriginalIntact) {
  const std::string source = File("data.txt", writertest::Text(std::string(4000, 'd') + "end"));
  const std::string archive = folder_ / "keep.zip";
  ASSERT_EQ(writertest::UpdateArchive(archive, {{source, "first.txt"}}), kWriterDone);
  const std::vector<uint8_t> original = testutil::FileBytes(archive);
  for (int nth = 1; nth <= 6; ++nth) {
    SCOPED_TRACE(nth);
    {
      ScopedFileFaults faults;
      FailFileStep(FileStep::kWrite, nth);
      WriteOperation().compressionMode = 3;
      const int result = writertest::UpdateArchive(archive, {{source, "second.txt"}});
      EXPECT_EQ(result, kWriterFileError);
    }
    EXPECT_EQ(testutil::FileBytes(archive), original);
    EXPECT_TRUE(writertest::FilesLike(folder_.path(), "~ZIP*").empty());
  }
}

TEST_F(WriterTest, AnArchiveThatWouldReach2GiBIsRefused) {
  const std::string source = File("one.txt", writertest::Text(std::string(1000, 'o')));
  ASSERT_NE(SetArchiveName((folder_ / "big.zip").c_str()), nullptr);
  ASSERT_EQ(ReadArchiveDirectory(), kWriterDone);
  ASSERT_EQ(BeginOutput(), kWriterDone);
  WriterState& writer = WriteOperation();
  writer.outputOffset = kMaxArchiveSize - 500;  // the output is sparse up to here
  ASSERT_TRUE(SeekFile(writer.outputFile, writer.outputOffset));
  writer.compressionMode = 3;
  ZipEntry entry;
  entry.externalName = source;
  entry.storedName = "one.txt";
  EXPECT_EQ(AddEntryData(writer.outputFile, entry), kWriterFileError);
  EXPECT_FALSE(IsPerFileFailure(kWriterFileError));
  EXPECT_EQ(FailWriter(kWriterFileError), kWriterFileError);
  EXPECT_TRUE(writertest::FilesLike(folder_.path(), "~ZIP*").empty());
  EXPECT_EQ(GetFileAttributesA((folder_ / "big.zip").c_str()), INVALID_FILE_ATTRIBUTES);
}

// ---- the temporary archive and the ends of an operation ----------------------------------------

TEST_F(WriterTest, TemporaryArchiveLiesBesideTheArchiveAndTheCurrentFolderStays) {
  testutil::TempFolder elsewhere;
  ASSERT_TRUE(SetCurrentDirectoryA(elsewhere.path().c_str()));
  const std::string before = writertest::CurrentFolder();
  ASSERT_NE(SetArchiveName((folder_ / "beside.zip").c_str()), nullptr);
  ASSERT_EQ(ReadArchiveDirectory(), kWriterDone);
  ASSERT_EQ(BeginOutput(), kWriterDone);
  EXPECT_EQ(writertest::CurrentFolder(), before);
  const std::string temporary = WriteOperation().temporaryName.c_str();
  EXPECT_EQ(_strnicmp(temporary.c_str(), folder_.path().c_str(), folder_.path().size()), 0)
      << temporary;
  EXPECT_EQ(temporary.find('\\', folder_.path().size()), std::string::npos);
  EXPECT_NE(GetFileAttributesA(temporary.c_str()), INVALID_FILE_ATTRIBUTES);
  WriteOperation().storePaths = false;
  WriteOperation().repair = true;
  EXPECT_EQ(FailWriter(17), 17);
  EXPECT_EQ(GetFileAttributesA(temporary.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(GetFileAttributesA((folder_ / "beside.zip").c_str()) != INVALID_FILE_ATTRIBUTES);
  const WriterState& writer = WriteOperation();
  EXPECT_TRUE(writer.archiveName.IsEmpty());
  EXPECT_TRUE(writer.temporaryName.IsEmpty());
  EXPECT_TRUE(writer.storePaths);
  EXPECT_FALSE(writer.repair);
  EXPECT_EQ(writer.outputFile, HFILE_ERROR);
}

TEST_F(WriterTest, EmptyArchiveKeepsItsCommentAndPassesPython) {
  ASSERT_NE(SetArchiveName((folder_ / "empty.zip").c_str()), nullptr);
  ASSERT_EQ(ReadArchiveDirectory(), kWriterDone);
  WriteOperation().archiveComment = writertest::Text("just a comment");
  ASSERT_EQ(BeginOutput(), kWriterDone);
  ASSERT_EQ(CompleteArchive(), kWriterDone);
  FinishWriter(0);
  const std::vector<uint8_t> bytes = testutil::FileBytes(folder_ / "empty.zip");
  ASSERT_EQ(bytes.size(), 22u + 14);
  const Layout layout = Parse(bytes);
  ASSERT_EQ(layout.error, "");
  EXPECT_TRUE(layout.items.empty());
  EXPECT_EQ(layout.comment, writertest::Text("just a comment"));
  writertest::KeepForPeers(folder_ / "empty.zip", "empty_with_comment.zip");
}

// ---- progress messages
// ------------------------------------------------------------------------------

using Seen = writertest::SeenMessage;

// Records the progress messages while it lives.
class RecordingWindow {
 public:
  RecordingWindow()
      : window_([this](UINT message, WPARAM wParam, const char* text) {
          if (message >= progress::kFirstMessage && message <= progress::kLastMessage) {
            seen_.push_back({message, wParam, text != nullptr ? text : ""});
          }
        }) {}
  HWND window() const { return window_.get(); }
  std::vector<Seen> Take(UINT message) {
    std::vector<Seen> matching;
    for (const Seen& s : seen_) {
      if (s.message == message) matching.push_back(s);
    }
    return matching;
  }

 private:
  std::vector<Seen> seen_;  // before the window: it is filled while the window lives
  testutil::MessageWindow window_;
};

TEST_F(WriterTest, ProgressIsReportedPerBlockPerEntryAndBeforeTheReplacement) {
  RecordingWindow recorder;
  ASSERT_NE(recorder.window(), nullptr);
  const std::string stored = File("stored.bin", writertest::RandomBytes(60000, 3));
  const std::string text = File("text.txt", writertest::Text(std::string(100000, 't')));
  ASSERT_NE(SetArchiveName((folder_ / "progress.zip").c_str()), nullptr);
  WriterState& writer = WriteOperation();
  writer.notifyWindow = recorder.window();
  ASSERT_EQ(ReadArchiveDirectory(), kWriterDone);
  ASSERT_EQ(BeginOutput(), kWriterDone);
  writer.compressionMode = 3;
  ZipEntry first;
  first.externalName = stored;
  first.storedName = "stored.bin";
  ASSERT_EQ(AddEntryData(writer.outputFile, first), kWriterDone);
  writer.entries.push_back(first);
  const std::vector<Seen> percents = recorder.Take(progress::kZippingPercent);
  ASSERT_EQ(percents.size(), 4u);  // three blocks of 24,576 bytes at most, then the closing 100
  EXPECT_EQ(percents[0].wParam, 24576u * 100 / 60000);
  EXPECT_EQ(percents.back().wParam, 100u);
  EXPECT_EQ(percents.back().text, stored);
  const std::vector<Seen> kilobytes = recorder.Take(progress::kZippingKilobytes);
  ASSERT_EQ(kilobytes.size(), 4u);
  EXPECT_EQ(kilobytes.back().wParam, 60000u / 1024 + 1);

  writer.compressionMode = 0;
  ZipEntry second;
  second.externalName = text;
  second.storedName = "text.txt";
  ASSERT_EQ(AddEntryData(writer.outputFile, second), kWriterDone);
  writer.entries.push_back(second);
  const std::vector<Seen> done = recorder.Take(progress::kFileZipped);
  ASSERT_EQ(done.size(), 2u);
  EXPECT_EQ(done[0].wParam, 100u);
  EXPECT_EQ(done[1].wParam, 100u);
  EXPECT_EQ(done[1].text, text);

  ASSERT_EQ(CompleteArchive(), kWriterDone);
  const std::vector<Seen> writing = recorder.Take(progress::kWriting);
  ASSERT_EQ(writing.size(), 1u);
  EXPECT_EQ(writing[0].text, "progress.zip");
  FinishWriter(0);

  ASSERT_NE(SetArchiveName((folder_ / "progress.zip").c_str()), nullptr);
  writer.notifyWindow = recorder.window();
  writer.repair = true;
  ASSERT_EQ(ReadArchiveDirectory(), kWriterDone);
  const std::vector<Seen> repairing = recorder.Take(progress::kRepairing);
  ASSERT_EQ(repairing.size(), 3u);
  EXPECT_EQ(repairing[0].wParam, 1u);
  EXPECT_EQ(repairing[0].text, "STORED.BIN");
  EXPECT_EQ(repairing[1].text, "TEXT.TXT");
  EXPECT_EQ(repairing[2].wParam, 2u);
  const std::vector<Seen> counted = recorder.Take(progress::kEntriesRead);
  ASSERT_EQ(counted.size(), 1u);
  EXPECT_EQ(counted[0].wParam, 2u);
}

}  // namespace
