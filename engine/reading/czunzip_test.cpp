// The archive reader over archives made by zip, 7z and python's zipfile (reader_fixtures.sh),
// checked against what the peers read from them.
#include "reading/czunzip.h"
#include "reading/czunzip_test_access.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/le_fields.h"
#include "core/zip_records.h"
#include "base/engine_state.h"
#include "files/file_fault.h"
#include "win_test_util.h"

namespace {

std::string Fixture(const std::string& name) {
  return testutil::BinaryDir() + "engine\\fixtures\\reader\\" + name;
}

// The '|'-separated lines of a manifest written by the fixture script.
std::vector<std::vector<std::string>> Manifest(const std::string& name) {
  bool readable = false;
  auto rows = testutil::ReadManifest(Fixture(name), &readable);
  EXPECT_TRUE(readable) << name;
  return rows;
}

// True when nothing holds the file open any more (an exclusive open succeeds).
bool IsClosed(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

class Reader : public ::testing::Test {
 protected:
  CZUnzip unzip;
  CZUnzipTestAccess::Cursor cursor{unzip};
};

// ---- agreement with the peers ------------------------------------------------------------------

TEST_F(Reader, CountsSizesCommentsAndVersionsAgreeWithPeers) {
  const auto rows = Manifest("peers.txt");
  ASSERT_GE(rows.size(), 10u);
  for (const auto& row : rows) {
    ASSERT_EQ(row.size(), 9u);
    const std::string path = Fixture(row[0]);
    SCOPED_TRACE(row[0]);
    ULONGLONG totalKB = 0, compressedKB = 0;
    BOOL hasComment = -1;
    EXPECT_EQ(unzip.GetCountAndSize(path.c_str(), &totalKB, &compressedKB, &hasComment),
              std::stol(row[1]));
    EXPECT_EQ(totalKB, std::stoull(row[2]));
    EXPECT_EQ(compressedKB, std::stoull(row[3]));
    EXPECT_EQ(hasComment, row[4] != "0" ? TRUE : FALSE);
    int madeUnder = -1, major = -1, minor = -1, disk = -1;
    long count = -1, commentLength = -1;
    ASSERT_TRUE(
        unzip.GetZIPINFO(path.c_str(), &madeUnder, &major, &minor, &count, &disk, &commentLength));
    EXPECT_EQ(madeUnder, zip::ReportedHost(static_cast<uint8_t>(std::stoi(row[5]))));
    EXPECT_EQ(major, std::stoi(row[6]));
    EXPECT_EQ(minor, std::stoi(row[7]));
    EXPECT_EQ(count, std::stol(row[1]));
    EXPECT_EQ(disk, std::stoi(row[8]));
    EXPECT_EQ(commentLength, std::stol(row[4]));
    EXPECT_EQ(unzip.GetGlobalCommentSize(path.c_str()), std::stol(row[4]));
    EXPECT_TRUE(IsClosed(path));
  }
}

TEST_F(Reader, MadeUnderReportsElevenAndFoldsOtherHighHostsToNine) {
  const struct {
    const char* file;
    int madeUnder;
  } cases[] = {{"host_0.zip", 0},
               {"host_3.zip", 3},
               {"host_10.zip", 9},
               {"host_11.zip", 11},
               {"host_12.zip", 9}};
  for (const auto& c : cases) {
    int madeUnder = -1, major = -1, minor = -1;
    ASSERT_TRUE(unzip.GetZIPINFO(Fixture(c.file).c_str(), &madeUnder, &major, &minor, nullptr,
                                 nullptr, nullptr));
    EXPECT_EQ(madeUnder, c.madeUnder) << c.file;
    EXPECT_EQ(major, 2);
    EXPECT_EQ(minor, 3);
  }
}

TEST_F(Reader, KilobyteTotalsAreFloorPlusOneInSixtyFourBits) {
  const struct {
    const char* file;
    ULONGLONG kb;
  } cases[] = {{"total_0.zip", 1},
               {"total_1023.zip", 1},
               {"total_1024.zip", 2},
               // 33,554,445 bytes: single-precision sums would lose the low bytes.
               {"total_large.zip", 33554445ull / 1024 + 1}};
  for (const auto& c : cases) {
    ULONGLONG totalKB = 0;
    EXPECT_GE(unzip.GetCountAndSize(Fixture(c.file).c_str(), &totalKB, nullptr, nullptr), 2);
    EXPECT_EQ(totalKB, c.kb) << c.file;
  }
  // Without size outputs the count comes from the end record alone.
  EXPECT_EQ(unzip.GetCountAndSize(Fixture("zip_basic.zip").c_str(), nullptr, nullptr, nullptr), 7);
}

// ---- the end-record search ---------------------------------------------------------------------

TEST_F(Reader, BothSearchesFindEndRecordsAroundEveryBlockBoundary) {
  const auto rows = Manifest("placement.txt");
  ASSERT_GE(rows.size(), 40u);
  std::vector<char> comment(kUnzipCommentBlockSize);
  for (const auto& row : rows) {
    const std::string path = Fixture(row[0]);
    SCOPED_TRACE(row[0]);
    const long commentLength = std::stol(row[1]);
    const bool hasEntry = row[0].rfind("place_", 0) == 0;
    // The directory search (with its checks) ...
    EXPECT_EQ(unzip.IsZIPFileQuick(path.c_str()), 0);
    EXPECT_EQ(unzip.GetCountAndSize(path.c_str(), nullptr, nullptr, nullptr), hasEntry ? 1 : 0);
    if (hasEntry) {
      EXPECT_EQ(unzip.GetLocalCommentSize(path.c_str(), "DATA.BIN"), 0);
    }
    // ... and the comment's copy of the search.
    EXPECT_EQ(unzip.GetGlobalCommentSize(path.c_str()), commentLength);
    ASSERT_TRUE(unzip.GetGlobalComment(path.c_str(), comment.data()));
    const size_t returned = commentLength < kUnzipMaxComment ? commentLength : kUnzipMaxComment;
    EXPECT_EQ(std::strlen(comment.data()), returned);
    EXPECT_EQ(std::string(comment.data(), returned), std::string(returned, 'c'));
  }
}

TEST_F(Reader, CommentOf65535BytesGivesItsFirst24576) {
  const std::string path = Fixture("python_comments.zip");
  const std::vector<uint8_t> bytes = testutil::FileBytes(path, true);
  ASSERT_GT(bytes.size(), 65535u);
  const std::string expected(bytes.end() - 65535, bytes.end() - 65535 + kUnzipMaxComment);
  EXPECT_EQ(unzip.GetGlobalCommentSize(path.c_str()), 65535);
  std::vector<char> comment(kUnzipCommentBlockSize, 'X');
  ASSERT_TRUE(unzip.GetGlobalComment(path.c_str(), comment.data()));
  EXPECT_EQ(std::string(comment.data()), expected);

  // Archives without a comment give an empty text.
  ASSERT_TRUE(unzip.GetGlobalComment(Fixture("zip_basic.zip").c_str(), comment.data()));
  EXPECT_EQ(comment[0], '\0');
}

TEST_F(Reader, DamagedOrTinyFilesAreRefused) {
  const struct {
    const char* file;
    int quick;
  } cases[] = {
      {"short_21.bin", 3},              // too short for an end record
      {"end_before_directory.zip", 3},  // the record precedes the directory it describes
      {"damaged_directory.zip", 3},     // no directory where the record says
      {"missing.zip", 2},
  };
  for (const auto& c : cases) {
    const std::string path = Fixture(c.file);
    SCOPED_TRACE(c.file);
    EXPECT_EQ(unzip.IsZIPFileQuick(path.c_str()), c.quick);
    EXPECT_EQ(unzip.GetCountAndSize(path.c_str(), nullptr, nullptr, nullptr), -1);
    EXPECT_FALSE(
        unzip.GetZIPINFO(path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_FALSE(unzip.IsFileInTheZIPFile(path.c_str(), "*.*"));
    EXPECT_FALSE(unzip.IsArchiveOpen());
  }
  EXPECT_EQ(unzip.GetGlobalCommentSize(Fixture("short_21.bin").c_str()), 0);

  testutil::TempFolder temp;
  ASSERT_TRUE(testutil::WriteWholeFile(temp / "empty.zip", std::string()));
  EXPECT_EQ(unzip.IsZIPFileQuick((temp / "empty.zip").c_str()), 3);
  EXPECT_TRUE(IsClosed(temp / "empty.zip"));
}

TEST_F(Reader, ArchivesOfTwoGibibytesOrMoreAreRefused) {
  testutil::TempFolder temp;
  const std::string path = temp / "huge.zip";
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  // A valid empty end record at the very end of a (sparse) file of 2 GiB + 22 bytes.
  LARGE_INTEGER at;
  at.QuadPart = 0x80000000LL;
  ASSERT_TRUE(SetFilePointerEx(h, at, nullptr, FILE_BEGIN));
  uint8_t record[22] = {'P', 'K', 5, 6};
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(h, record, sizeof record, &written, nullptr));
  ASSERT_EQ(written, sizeof record);
  CloseHandle(h);
  EXPECT_EQ(unzip.IsZIPFileQuick(path.c_str()), 3);
  EXPECT_EQ(unzip.GetCountAndSize(path.c_str(), nullptr, nullptr, nullptr), -1);
  EXPECT_EQ(unzip.GetGlobalCommentSize(path.c_str()), 0);
  EXPECT_TRUE(IsClosed(path));
}

// ---- bytes in front --------------------------------------------------------------------------

// Opens the archive, finds the directory and checks that every local-header offset (with the
// extra bytes) leads to a local header. Returns the search's result.
int WalkLocalHeaders(CZUnzip& unzip, const std::string& path, int64_t* extraBytes) {
  CZUnzipTestAccess::Cursor cursor(unzip);
  EXPECT_TRUE(cursor.InitArchive(path.c_str()));
  EXPECT_TRUE(cursor.OpenArchiveFile());
  const int result = cursor.FindEndCentralDir();
  *extraBytes = unzip.ExtraBytes();
  int entries = 0;
  for (unsigned i = 0; i < unzip.EndRecord().totalEntries; ++i) {
    char signature[4];
    EXPECT_EQ(cursor.ReadBytes(signature, 4), 4);
    EXPECT_TRUE(zip::HasSignature(signature, zip::kCentralSignature));
    EXPECT_EQ(cursor.ReadCentralHeader(TRUE), 0);
    EXPECT_EQ(cursor.ReadFileName(unzip.CentralHeader().nameLength, unzip.CentralHeader().flags),
              0);
    EXPECT_EQ(cursor.ReadExtraField(unzip.CentralHeader().extraLength), 0);
    EXPECT_EQ(cursor.SkipBytes(unzip.CentralHeader().commentLength), 0);
    const int64_t directory = cursor.InputPosition();
    EXPECT_EQ(cursor.SeekTo(unzip.CentralHeader().localHeaderOffset + unzip.ExtraBytes()), 0);
    EXPECT_EQ(cursor.ReadBytes(signature, 4), 4);
    EXPECT_TRUE(zip::HasSignature(signature, zip::kLocalSignature)) << unzip.EntryName();
    EXPECT_EQ(cursor.SeekTo(directory), 0);
    ++entries;
  }
  EXPECT_EQ(entries, 7);
  cursor.EndArchive();
  EXPECT_TRUE(IsClosed(path));
  return result;
}

TEST_F(Reader, StubInFrontGives17AndOffsetsFromTheArchiveProper) {
  int64_t extra = -1;
  EXPECT_EQ(WalkLocalHeaders(unzip, Fixture("stub_plain.zip"), &extra), 17);
  EXPECT_EQ(extra, 300);
  EXPECT_EQ(unzip.IsZIPFileQuick(Fixture("stub_plain.zip").c_str()), 17);
  EXPECT_TRUE(unzip.IsFileInTheZIPFile(Fixture("stub_plain.zip").c_str(), "DOCS\\README.TXT"));
}

TEST_F(Reader, StubWithAbsoluteOffsetsReadsWithoutExtraBytes) {
  int64_t extra = -1;
  EXPECT_EQ(WalkLocalHeaders(unzip, Fixture("stub_adjusted.zip"), &extra), 0);
  EXPECT_EQ(extra, 0);
  // The directory offset zeroed: the directory is found where the record's distance says, and
  // the local offsets are taken as they are.
  EXPECT_EQ(WalkLocalHeaders(unzip, Fixture("stub_zeroed_offset.zip"), &extra), 1);
  EXPECT_EQ(extra, 0);
  EXPECT_EQ(unzip.IsZIPFileQuick(Fixture("stub_zeroed_offset.zip").c_str()), 0);
}

// ---- comments and names ------------------------------------------------------------------------

TEST_F(Reader, LocalComments) {
  const std::string path = Fixture("python_comments.zip");
  std::vector<char> comment(kUnzipCommentBlockSize, 'X');
  EXPECT_EQ(unzip.GetLocalCommentSize(path.c_str(), "PLAIN.TXT"), 0);
  ASSERT_TRUE(unzip.GetLocalComment(path.c_str(), "plain.txt", comment.data()));
  EXPECT_EQ(comment[0], '\0');
  EXPECT_EQ(unzip.GetLocalCommentSize(path.c_str(), "docs\\noted.txt"), 18);
  ASSERT_TRUE(unzip.GetLocalComment(path.c_str(), "DOCS\\NOTED.TXT", comment.data()));
  EXPECT_STREQ(comment.data(), "entry comment text");
  EXPECT_EQ(unzip.GetLocalCommentSize(path.c_str(), "LONG\\COMMENT.BIN"), 65535);
  ASSERT_TRUE(unzip.GetLocalComment(path.c_str(), "LONG\\COMMENT.BIN", comment.data()));
  ASSERT_EQ(std::strlen(comment.data()), static_cast<size_t>(kUnzipMaxComment));
  for (int i = 0; i < kUnzipMaxComment; ++i) {
    ASSERT_EQ(static_cast<uint8_t>(comment[i]), (i * 7 + 1) % 200 + 32) << i;
  }
  EXPECT_EQ(unzip.GetLocalCommentSize(path.c_str(), "NOT\\THERE.TXT"), -1);
  EXPECT_FALSE(unzip.GetLocalComment(path.c_str(), "NOT\\THERE.TXT", comment.data()));
  EXPECT_FALSE(unzip.GetLocalComment(path.c_str(), nullptr, comment.data()));
}

TEST_F(Reader, LongNamesAreCutWithAWarningAndMatchedWhole) {
  const std::string path = Fixture("long_names.zip");
  const std::string longA = "D\\" + std::string(1094, 'L') + "A.TXT";
  const std::string exact = "D\\" + std::string(1018, 'N') + ".TX";
  ASSERT_EQ(exact.size(), 1023u);

  ASSERT_TRUE(cursor.InitArchive(path.c_str()));
  ASSERT_TRUE(cursor.OpenArchiveFile());
  ASSERT_EQ(cursor.FindEndCentralDir(), 0);
  const int expected[] = {0, 10, 10, 0};
  for (int result : expected) {
    char signature[4];
    ASSERT_EQ(cursor.ReadBytes(signature, 4), 4);
    ASSERT_EQ(cursor.ReadCentralHeader(TRUE), 0);
    EXPECT_EQ(cursor.ReadFileName(unzip.CentralHeader().nameLength, unzip.CentralHeader().flags),
              result);
    EXPECT_EQ(std::strlen(unzip.EntryName()), result == 10 ? 1023u : unzip.FullEntryName().size());
    EXPECT_EQ(cursor.ReadExtraField(unzip.CentralHeader().extraLength), 0);
    EXPECT_EQ(cursor.SkipBytes(unzip.CentralHeader().commentLength), 0);
  }
  EXPECT_STREQ(unzip.EntryName(), "AFTER.TXT");
  // An empty name leaves no earlier name behind to be taken for it.
  EXPECT_EQ(cursor.ReadFileName(0, 0), 0);
  EXPECT_STREQ(unzip.EntryName(), "");
  EXPECT_TRUE(unzip.FullEntryName().empty());
  cursor.EndArchive();

  // The walks go on past a cut name, and compare whole names.
  EXPECT_TRUE(unzip.IsFileInTheZIPFile(path.c_str(), "AFTER.TXT"));
  EXPECT_TRUE(unzip.IsFileInTheZIPFile(path.c_str(), exact.c_str()));
  EXPECT_TRUE(unzip.IsFileInTheZIPFile(path.c_str(), longA.c_str()));
  EXPECT_FALSE(unzip.IsFileInTheZIPFile(path.c_str(), longA.substr(0, 1023).c_str()));
  EXPECT_FALSE(unzip.IsFileInTheZIPFile(path.c_str(), (longA + "X").c_str()));
  EXPECT_EQ(unzip.GetLocalCommentSize(path.c_str(), longA.c_str()), 0);
  EXPECT_EQ(unzip.GetLocalCommentSize(path.c_str(), longA.substr(0, 1023).c_str()), -1);
  EXPECT_EQ(unzip.GetLocalCommentSize(path.c_str(), "AFTER.TXT"), 0);
}

TEST_F(Reader, NamesInUtf8AreCutByTheCharactersHeld) {
  const std::string path = Fixture("utf8_long_names.zip");
  ASSERT_TRUE(cursor.InitArchive(path.c_str()));
  ASSERT_TRUE(cursor.OpenArchiveFile());
  ASSERT_EQ(cursor.FindEndCentralDir(), 0);
  const struct {
    int result;
    size_t held;  // the whole name as held: one byte a character once decoded
    uint16_t flag;
  } entries[] = {{0, 1023, zip::kFlagUtf8}, {10, 1024, zip::kFlagUtf8}, {10, 2 + 2 * 1021, 0}};
  for (const auto& e : entries) {
    SCOPED_TRACE(e.held);
    char signature[4];
    ASSERT_EQ(cursor.ReadBytes(signature, 4), 4);
    ASSERT_EQ(cursor.ReadCentralHeader(TRUE), 0);
    const UnzipCentralHeader& header = unzip.CentralHeader();
    EXPECT_EQ(header.flags & zip::kFlagUtf8, e.flag);
    EXPECT_EQ(cursor.ReadFileName(header.nameLength, header.flags), e.result);
    EXPECT_EQ(unzip.FullEntryName().size(), e.held);
    EXPECT_EQ(std::strlen(unzip.EntryName()), 1023u);
    EXPECT_EQ(std::string(unzip.EntryName(), 2), "D\\");
    EXPECT_EQ(cursor.ReadExtraField(header.extraLength), 0);
    EXPECT_EQ(cursor.SkipBytes(header.commentLength), 0);
  }
  cursor.EndArchive();
}

TEST_F(Reader, ForEachCentralEntryVisitsEachEntryOnItsCommentAndEndsTheArchive) {
  // Every entry in order with its name's status; the archive is closed after the walk.
  std::vector<int> statuses;
  std::vector<std::string> names;
  CentralWalk walk = unzip.ForEachCentralEntry(Fixture("long_names.zip").c_str(),
                                               [&](unsigned index, int nameResult) {
                                                 EXPECT_EQ(index, statuses.size());
                                                 statuses.push_back(nameResult);
                                                 names.push_back(unzip.FullEntryName());
                                                 return true;
                                               });
  EXPECT_EQ(walk.search, kUnzipOk);
  EXPECT_EQ(walk.end, CentralWalkEnd::kAll);
  EXPECT_EQ(walk.endRecord.totalEntries, 4);
  EXPECT_EQ(statuses, (std::vector<int>{0, 10, 10, 0}));
  EXPECT_EQ(names.back(), "AFTER.TXT");
  EXPECT_FALSE(unzip.IsArchiveOpen());
  EXPECT_EQ(unzip.ArchiveName(), nullptr);

  // A visitor stands on the entry's comment; wherever it leaves the input, the walk goes on with
  // the next entry. false stops the walk there.
  const std::string comments = Fixture("python_comments.zip");
  std::vector<std::string> read;
  walk = unzip.ForEachCentralEntry(comments.c_str(), [&](unsigned, int) {
    std::string comment(unzip.CentralHeader().commentLength, '\0');
    EXPECT_EQ(cursor.ReadBytes(comment.data(), static_cast<long>(comment.size())),
              static_cast<long>(comment.size()));
    read.push_back(comment.substr(0, 18));
    EXPECT_EQ(cursor.SeekTo(0), 0);  // anywhere else
    return true;
  });
  EXPECT_EQ(walk.end, CentralWalkEnd::kAll);
  ASSERT_EQ(read.size(), 3u);
  EXPECT_EQ(read[1], "entry comment text");
  unsigned visits = 0;
  walk = unzip.ForEachCentralEntry(comments.c_str(), [&](unsigned index, int) {
    ++visits;
    return index < 1;
  });
  EXPECT_EQ(walk.end, CentralWalkEnd::kStopped);
  EXPECT_EQ(visits, 2u);
  EXPECT_FALSE(unzip.IsArchiveOpen());

  // An empty visitor finds the directory alone; a refused archive is never walked.
  walk = unzip.ForEachCentralEntry(comments.c_str(), nullptr);
  EXPECT_EQ(walk.search, kUnzipOk);
  EXPECT_EQ(walk.endRecord.commentLength, 65535);
  const struct {
    const char* file;
    int search;
  } refused[] = {{"damaged_directory.zip", 3}, {"missing.zip", 2}};
  for (const auto& c : refused) {
    walk = unzip.ForEachCentralEntry(Fixture(c.file).c_str(), [&](unsigned, int) {
      ADD_FAILURE() << c.file;
      return true;
    });
    EXPECT_EQ(walk.search, c.search) << c.file;
    EXPECT_FALSE(walk.Accepted()) << c.file;
    EXPECT_FALSE(unzip.IsArchiveOpen()) << c.file;
  }
}

TEST_F(Reader, IsFileInTheZIPFileMatchesMasksAgainstEntries) {
  const std::string path = Fixture("zip_basic.zip");
  const struct {
    const char* mask;
    BOOL found;
  } cases[] = {{"*.*", TRUE},
               {"a.txt", TRUE},
               {"*.TXT", TRUE},
               {"DOCS\\*.TXT", TRUE},
               {"docs/readme.txt", TRUE},
               {"SRC\\*.TXT", FALSE},
               {"SRC\\*.C", TRUE},
               {"*.EXE", FALSE},
               {"MAIN.C", TRUE},
               {"", FALSE}};
  for (const auto& c : cases) {
    EXPECT_EQ(unzip.IsFileInTheZIPFile(path.c_str(), c.mask), c.found) << c.mask;
  }
  EXPECT_FALSE(unzip.IsFileInTheZIPFile(path.c_str(), nullptr));
  EXPECT_TRUE(IsClosed(path));
}

TEST(ReaderNames, MatchFileFilterFollowsTheMaskRules) {
  const struct {
    const char* name;
    const char* pattern;
    BOOL matches;
  } cases[] = {
      {"DOCS\\README.TXT", "*.TXT", TRUE},
      {"DOCS\\README.TXT", "SRC\\*.TXT", FALSE},
      {"docs\\readme.txt", "DOCS\\README.TXT", TRUE},
      {"docs/readme.txt", "Docs\\*.txt", TRUE},
      {"README", "*.", TRUE},
      {"README", "README.*", TRUE},
      {"A.B.TXT", "*.TXT", TRUE},
      {"ANY", "*.*", TRUE},
      {"", "", TRUE},
      {"A.TXT", "", FALSE},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CZUnzip::MatchFileFilter(c.name, c.pattern), c.matches)
        << c.name << " / " << c.pattern;
  }
  EXPECT_FALSE(CZUnzip::MatchFileFilter(nullptr, "*.*"));
  EXPECT_FALSE(CZUnzip::MatchFileFilter("A", nullptr));
  const std::string base(400, 'q');
  EXPECT_TRUE(CZUnzip::MatchWildcard((base + ".txt").c_str(), "*.TXT"));
  EXPECT_FALSE(CZUnzip::MatchWildcard((base + "1.txt").c_str(), (base + "2.TXT").c_str()));
  EXPECT_TRUE(CZUnzip::MatchWildcard((base + "1.txt").c_str(), (base + "?.TXT").c_str()));
}

TEST(ReaderNames, SplitItemPathGivesFolderAndName) {
  const struct {
    const char* path;
    const char* folder;
    const char* name;
  } cases[] = {
      {"docs/readme.txt", "DOCS\\", "README.TXT"},
      {"A\\B\\C.TXT", "A\\B\\", "C.TXT"},
      {"plain.txt", "", "PLAIN.TXT"},
      {"folder/", "FOLDER\\", " "},
  };
  for (const auto& c : cases) {
    CZText folder = "x", name = "x";
    CZUnzip::SplitItemPath(c.path, folder, name);
    EXPECT_STREQ(folder.c_str(), c.folder) << c.path;
    EXPECT_STREQ(name.c_str(), c.name) << c.path;
  }
  CZText folder = "x", name = "x";
  CZUnzip::SplitItemPath(nullptr, folder, name);
  EXPECT_STREQ(folder.c_str(), "");
  EXPECT_STREQ(name.c_str(), " ");
  const std::string deep = std::string(1500, 'F') + "\\N.TXT";
  CZUnzip::SplitItemPath(deep.c_str(), folder, name);
  EXPECT_EQ(folder.GetLength(), 1022);
  EXPECT_STREQ(name.c_str(), "N.TXT");
}

// ---- settings ----------------------------------------------------------------------------------

TEST(ReaderSettings, PasswordWindowAndReplaceFlag) {
  CZUnzip unzip;
  const std::string long79(79, 'p');
  EXPECT_FALSE(unzip.SetPassword(long79.c_str()));
  EXPECT_EQ(std::string(unzip.Password()), std::string(78, 'p'));
  EXPECT_TRUE(unzip.SetPassword(std::string(78, 'q').c_str()));
  EXPECT_EQ(std::string(unzip.Password()), std::string(78, 'q'));
  EXPECT_TRUE(unzip.SetPassword(nullptr));
  EXPECT_STREQ(unzip.Password(), "");

  EXPECT_TRUE(unzip.SetNotifyWindow(nullptr));
  HWND window =
      CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(unzip.SetNotifyWindow(window));
  EXPECT_EQ(CZUnzipTestAccess::NotifyWindow(unzip), window);
  DestroyWindow(window);
  EXPECT_FALSE(unzip.SetNotifyWindow(window));  // no longer a window: unchanged
  EXPECT_EQ(CZUnzipTestAccess::NotifyWindow(unzip), window);

  EXPECT_EQ(unzip.GetReplaceFlag(), 2);
  CZUnzipTestAccess::LastReplaceAnswer(unzip) = 3;
  EXPECT_EQ(unzip.GetReplaceFlag(), 1);
  CZUnzipTestAccess::LastReplaceAnswer(unzip) = 2;
  EXPECT_EQ(unzip.GetReplaceFlag(), 0);

  // Asking for passwords or not, the last password answer is forgotten either way.
  for (BOOL ask : {FALSE, TRUE, TRUE}) {
    CZUnzipTestAccess::LastPasswordAnswer(unzip) = 2;  // "never"
    unzip.SetAskPassword(ask);
    EXPECT_EQ(CZUnzipTestAccess::AskPassword(unzip), ask);
    EXPECT_EQ(CZUnzipTestAccess::LastPasswordAnswer(unzip), -1);
  }
  unzip.SetEraseReadOnly(7);  // any non-zero value counts as TRUE
  EXPECT_EQ(CZUnzipTestAccess::EraseReadOnly(unzip), TRUE);
  unzip.SetEraseReadOnly(FALSE);
  EXPECT_EQ(CZUnzipTestAccess::EraseReadOnly(unzip), FALSE);
}

// ---- the archive is closed on every path -----------------------------------------------------

TEST_F(Reader, ReadFailuresGiveThreeAndCloseTheArchive) {
  const std::string path = Fixture("zip_basic.zip");
  for (int nth = 1; nth <= 4; ++nth) {
    ScopedFileFaults faults;
    FailFileStep(FileStep::kRead, nth);
    const int quick = unzip.IsZIPFileQuick(path.c_str());
    EXPECT_TRUE(quick == 3 || quick == 0) << nth;  // later reads may not be needed at all
    EXPECT_FALSE(unzip.IsArchiveOpen());
    EXPECT_TRUE(IsClosed(path));
  }
  ScopedFileFaults faults;
  FailFileStep(FileStep::kRead, 1);
  EXPECT_EQ(unzip.IsZIPFileQuick(path.c_str()), 3);
  FailFileStep(FileStep::kOpen, FileStepCalls(FileStep::kOpen) + 1);
  EXPECT_EQ(unzip.IsZIPFileQuick(path.c_str()), 2);
  EXPECT_EQ(unzip.IsZIPFileQuick(path.c_str()), 0);
}

TEST_F(Reader, EveryQueryLeavesTheArchiveClosedAndTheObjectReset) {
  const char* files[] = {"zip_basic.zip",        "sevenzip_basic.zip", "stub_plain.zip",
                         "bare_0.zip",           "short_21.bin",       "end_before_directory.zip",
                         "damaged_directory.zip"};
  std::vector<char> comment(kUnzipCommentBlockSize);
  for (const char* file : files) {
    const std::string path = Fixture(file);
    SCOPED_TRACE(file);
    ULONGLONG kb = 0;
    unzip.IsZIPFileQuick(path.c_str());
    unzip.GetCountAndSize(path.c_str(), &kb, &kb, nullptr);
    unzip.GetZIPINFO(path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    unzip.GetGlobalCommentSize(path.c_str());
    unzip.GetGlobalComment(path.c_str(), comment.data());
    unzip.GetLocalCommentSize(path.c_str(), "A.TXT");
    unzip.GetLocalComment(path.c_str(), "A.TXT", comment.data());
    unzip.IsFileInTheZIPFile(path.c_str(), "*.TXT");
    EXPECT_FALSE(unzip.IsArchiveOpen());
    EXPECT_EQ(unzip.ArchiveName(), nullptr);
    EXPECT_EQ(unzip.ExtraField(), nullptr);
    EXPECT_TRUE(IsClosed(path));
  }
  // An archive with no entries is valid: the search gives 1 and closes it at once.
  EXPECT_EQ(unzip.IsZIPFileQuick(Fixture("bare_0.zip").c_str()), 0);
  ASSERT_TRUE(cursor.InitArchive(Fixture("bare_0.zip").c_str()));
  ASSERT_TRUE(cursor.OpenArchiveFile());
  EXPECT_EQ(cursor.FindEndCentralDir(), 1);
  EXPECT_FALSE(unzip.IsArchiveOpen());
  cursor.EndArchive();
}

// ---- buffered input ----------------------------------------------------------------------------

TEST_F(Reader, SeeksSkipsAndReadsThroughTheBlocks) {
  const std::string path = Fixture("zip_basic.zip");
  const std::vector<uint8_t> bytes = testutil::FileBytes(path, true);
  ASSERT_GT(bytes.size(), 2u * kInputBlockSize);
  ASSERT_TRUE(cursor.InitArchive(path.c_str()));
  ASSERT_TRUE(cursor.OpenArchiveFile());
  uint8_t got[64];
  // Sequential reads start at the beginning of the file.
  ASSERT_EQ(cursor.ReadBytes(got, 4), 4);
  EXPECT_EQ(std::memcmp(got, bytes.data(), 4), 0);
  EXPECT_EQ(cursor.SkipBytes(0), 0);
  EXPECT_EQ(cursor.InputPosition(), 4);
  // Across a block boundary, by skip and by read.
  EXPECT_EQ(cursor.SkipBytes(kInputBlockSize - 10), 0);
  ASSERT_EQ(cursor.ReadBytes(got, 20), 20);
  EXPECT_EQ(std::memcmp(got, bytes.data() + kInputBlockSize - 6, 20), 0);
  EXPECT_EQ(cursor.InputPosition(), kInputBlockSize + 14);
  EXPECT_EQ(cursor.SkipBytes(-20), 0);
  ASSERT_EQ(cursor.ReadBytes(got, 1), 1);
  EXPECT_EQ(got[0], bytes[kInputBlockSize - 6]);
  // Targets before the file and past the data of the short last block.
  EXPECT_EQ(cursor.SeekTo(-1), 1);
  const int64_t size = static_cast<int64_t>(bytes.size());
  EXPECT_EQ(cursor.SeekTo(size - 3), 0);
  EXPECT_EQ(cursor.ReadBytes(got, 64), 3);
  EXPECT_EQ(std::memcmp(got, bytes.data() + size - 3, 3), 0);
  EXPECT_EQ(cursor.SeekTo(size + 1), 3);
  EXPECT_EQ(cursor.SeekTo(size - size % kInputBlockSize + kInputBlockSize - 1), 3);
  EXPECT_EQ(cursor.SeekTo(size), 0);  // the end itself: nothing more to read
  EXPECT_EQ(cursor.ReadBytes(got, 1), 0);
  // Extra fields are read into a block of their own.
  EXPECT_EQ(cursor.SeekTo(10), 0);
  EXPECT_EQ(cursor.ReadExtraField(30), 0);
  ASSERT_NE(unzip.ExtraField(), nullptr);
  EXPECT_EQ(std::memcmp(unzip.ExtraField(), bytes.data() + 10, 30), 0);
  EXPECT_EQ(cursor.ReadExtraField(0), 0);
  EXPECT_EQ(unzip.ExtraField(), nullptr);
  EXPECT_EQ(cursor.SeekTo(size - 5), 0);
  EXPECT_EQ(cursor.ReadExtraField(10), 3);
  cursor.EndArchive();
}

TEST_F(Reader, EntryDataIsFetchedNeverPastItsCompressedSize) {
  const std::string path = Fixture("zip_basic.zip");
  const std::vector<uint8_t> bytes = testutil::FileBytes(path, true);
  ASSERT_TRUE(cursor.InitArchive(path.c_str()));
  ASSERT_TRUE(cursor.OpenArchiveFile());
  ASSERT_EQ(cursor.SeekTo(kInputBlockSize - 100), 0);
  // Byte by byte: 150 bytes across the block boundary, then the end.
  CZUnzipTestAccess::CompressedLeft(unzip) = 150;
  for (int i = 0; i < 150; ++i) {
    uint16_t byte = 0xFFFF;
    ASSERT_EQ(cursor.FillInputBuffer(&byte), 8);
    ASSERT_EQ(byte, bytes[kInputBlockSize - 100 + i]) << i;
  }
  uint16_t byte = 0x1234;
  EXPECT_EQ(cursor.FillInputBuffer(&byte), 0);
  EXPECT_EQ(byte, 0x1234);
  // In runs: the rest of the block, then the rest of the entry.
  ASSERT_EQ(cursor.SeekTo(2 * kInputBlockSize - 40), 0);
  CZUnzipTestAccess::CompressedLeft(unzip) = 100;
  const uint8_t* run = nullptr;
  ASSERT_EQ(cursor.NextInputRun(&run), 40u);
  EXPECT_EQ(std::memcmp(run, bytes.data() + 2 * kInputBlockSize - 40, 40), 0);
  ASSERT_EQ(cursor.NextInputRun(&run), 60u);
  EXPECT_EQ(std::memcmp(run, bytes.data() + 2 * kInputBlockSize, 60), 0);
  EXPECT_EQ(cursor.NextInputRun(&run), 0u);
  // The bit buffer takes bytes low first and reports the end of the entry's data.
  ASSERT_EQ(cursor.SeekTo(0), 0);
  CZUnzipTestAccess::CompressedLeft(unzip) = 3;
  CZUnzipTestAccess::BitBuffer(unzip) = 0;
  CZUnzipTestAccess::BitCount(unzip) = 0;
  cursor.FillBitBuffer();
  EXPECT_EQ(CZUnzipTestAccess::BitCount(unzip), 24);
  EXPECT_EQ(CZUnzipTestAccess::BitBuffer(unzip),
            static_cast<uint32_t>(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16)));
  EXPECT_FALSE(CZUnzipTestAccess::EndOfInput(unzip));
  cursor.FillBitBuffer();
  EXPECT_TRUE(CZUnzipTestAccess::EndOfInput(unzip));
  cursor.EndArchive();
}

TEST_F(Reader, RefillsOfAnEncryptedEntryDecryptOnlyItsOwnBytes) {
  const std::string path = Fixture("zip_basic.zip");
  const std::vector<uint8_t> bytes = testutil::FileBytes(path, true);
  ASSERT_TRUE(cursor.InitArchive(path.c_str()));
  ASSERT_TRUE(cursor.OpenArchiveFile());
  ASSERT_EQ(cursor.SeekTo(kInputBlockSize - 40), 0);
  CZUnzipTestAccess::CompressedLeft(unzip) = 100;
  CZUnzipTestAccess::Local(unzip).flags = zip::kFlagEncrypted;
  InitKeys(CZUnzipTestAccess::Keys(unzip), "secret");
  CipherKeys expectedKeys = CZUnzipTestAccess::Keys(unzip);
  CZUnzipTestAccess::DecryptRefills(unzip) = TRUE;
  const uint8_t* run = nullptr;
  // The bytes already in the block are the password check's to decrypt, not the refill's.
  ASSERT_EQ(cursor.NextInputRun(&run), 40u);
  EXPECT_EQ(std::memcmp(run, bytes.data() + kInputBlockSize - 40, 40), 0);
  ASSERT_EQ(cursor.NextInputRun(&run), 60u);
  std::vector<uint8_t> expected(bytes.begin() + kInputBlockSize,
                                bytes.begin() + kInputBlockSize + 60);
  DecryptBuffer(expectedKeys, expected.data(), expected.size());
  EXPECT_EQ(std::memcmp(run, expected.data(), 60), 0);
  // What follows the entry in the block stays as stored.
  EXPECT_EQ(std::memcmp(run + 60, bytes.data() + kInputBlockSize + 60, 100), 0);
  cursor.EndArchive();
}

// ---- the comment reader lets messages run in the background ------------------------------------

int g_posted = 0;
LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP + 7) ++g_posted;
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(Reader, GlobalCommentPumpsMessagesOnlyInTheBackground) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = CountingProc;
  wc.lpszClassName = "ReaderPumpProbe";
  RegisterClassA(&wc);
  HWND window = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  std::vector<char> comment(kUnzipCommentBlockSize);
  const std::string path = Fixture("python_comments.zip");

  g_posted = 0;
  SetForegroundProcessing(TRUE);
  PostMessageA(window, WM_APP + 7, 0, 0);
  EXPECT_TRUE(unzip.GetGlobalComment(path.c_str(), comment.data()));
  EXPECT_EQ(g_posted, 0);
  SetForegroundProcessing(FALSE);
  EXPECT_TRUE(unzip.GetGlobalComment(path.c_str(), comment.data()));
  EXPECT_EQ(g_posted, 1);
  SetForegroundProcessing(TRUE);
  DestroyWindow(window);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

}  // namespace
