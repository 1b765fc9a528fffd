// Name normalising, the writer's temporary archive and its replacement (with failures injected at
// every step), copying between open files, and the small open-file helpers.
#include "writing/archive_replace.h"
#include "files/file_ops.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "files/drive_checks.h"
#include "files/file_fault.h"
#include "win_test_util.h"
#include "writing/writer_state.h"
#include "files/zfile.h"
#include "base/progress_messages.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& seed, size_t length) {
  std::vector<uint8_t> data(length);
  for (size_t i = 0; i < length; ++i) data[i] = static_cast<uint8_t>(seed[i % seed.size()] + i / 7);
  return data;
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA((folder + "*").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = data.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(search, &data));
  FindClose(search);
  return names;
}

class FileOpsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[MAX_PATH * 4] = {};
    GetCurrentDirectoryA(sizeof folder, folder);
    saved_ = folder;
    ResetFileFaults();
  }
  void TearDown() override {
    ResetFileFaults();
    SetCurrentDirectoryA(saved_.c_str());
  }
  testutil::TempFolder archives_;
  testutil::TempFolder temps_;
  std::string saved_;
};

}  // namespace

TEST(NormalizeFileName, LongAndShortForms) {
  struct Case {
    const char* input;
    BOOL strip;
    BOOL expectedResult;
    const char* longForm;
    const char* shortForm;
  };
  const std::vector<Case> cases = {
      {"readme.txt", FALSE, TRUE, "README.TXT", "README.TXT"},
      {"a*b?.t*", TRUE, TRUE, "AB.T", "AB.T"},
      {"a*.*", FALSE, TRUE, "A*.*", "A*.*"},
      {"\"a|b\\c/d:e<f>g+h\t", FALSE, TRUE, "ABCDEFGH", "ABCDEFGH"},
      {".profile", FALSE, TRUE, "PROFILE", "PROFILE"},
      {".git", FALSE, TRUE, "GIT", "GIT"},
      {"..txt", FALSE, TRUE, "", ""},  // an empty base leaves nothing
      {"a.", FALSE, TRUE, "A.", "A."},
      {"abcdefghij", FALSE, TRUE, "ABCDEFGHIJ", "ABCDEFGH"},
      {"abcdefgh.", FALSE, TRUE, "ABCDEFGH.", "ABCDEFGH."},
      {"abc.defg", FALSE, TRUE, "ABC.DEFG", "ABC.DEF"},
      {"a.b.c", FALSE, TRUE, "A.B.C", "A_B.C"},
      // Only-dot names would climb out of their folder: refused.
      {"...", FALSE, FALSE, "", ""},
      {"..", FALSE, FALSE, "", ""},
      {".", FALSE, FALSE, "", ""},
      {". .", FALSE, FALSE, "", ""},
      {".*.", TRUE, FALSE, "", ""},
      {"", FALSE, FALSE, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    CZText longName(c.input);
    EXPECT_EQ(NormalizeFileName(longName, c.strip), c.expectedResult);
    EXPECT_EQ(longName.str(), c.longForm);
    CZText shortName(c.input);
    EXPECT_EQ(NormalizeShortName(shortName, c.strip), c.expectedResult);
    EXPECT_EQ(shortName.str(), c.shortForm);
  }
  CZText longest(std::string(300, 'n') + ".ext");
  NormalizeFileName(longest, FALSE);
  EXPECT_EQ(longest.str(), std::string(256, 'N'));
}

TEST_F(FileOpsTest, MakeTempArchiveNameMakesAnEmptyFile) {
  WriterState writer;
  ASSERT_TRUE(MakeTempArchiveName(writer));
  ASSERT_FALSE(writer.temporaryName.IsEmpty());
  EXPECT_TRUE(Exists(writer.temporaryName.str()));
  EXPECT_TRUE(testutil::FileBytes(writer.temporaryName.str()).empty());
  CZText name(writer.temporaryName);
  EXPECT_EQ(name.GetNamePart(FALSE).str().substr(0, 3), "ZIP");
  CZText folder;
  folder.GetTempDir();
  EXPECT_EQ(CZText(writer.temporaryName).GetDirPart().str(), folder.str());
  DeleteFileA(writer.temporaryName.c_str());
}

TEST_F(FileOpsTest, ReplaceArchiveFilePutsTheNewArchiveInPlace) {
  struct Case {
    const char* name;
    bool oldExists;
    bool readOnlyOld;
    size_t oldSize;
    bool renameRefused;  // the careful path (as where the system refuses to rename over it)
  };
  for (const Case& c :
       std::vector<Case>{{"over a larger archive", true, false, 9000, false},
                         {"over a smaller archive", true, false, 10, false},
                         {"over a read-only archive", true, true, 500, false},
                         {"over a larger archive, the rename refused", true, false, 9000, true},
                         {"over a read-only archive, the rename refused", true, true, 500, true},
                         {"no archive yet", false, false, 0, false}}) {
    SCOPED_TRACE(c.name);
    ScopedFileFaults faults;
    if (c.renameRefused) FailFileStep(FileStep::kMove, 1);
    testutil::TempFolder folder;
    const std::string archive = folder / "ARCHIVE.ZIP";
    const std::string temporary = temps_ / "ZIP1.TMP";
    const std::vector<uint8_t> fresh = Bytes("new", 3000);
    if (c.oldExists) testutil::WriteWholeFile(archive, Bytes("old", c.oldSize));
    if (c.readOnlyOld) SetFileAttributesA(archive.c_str(), FILE_ATTRIBUTE_READONLY);
    testutil::WriteWholeFile(temporary, fresh);
    WriterState writer;
    writer.archiveName = archive.c_str();
    writer.temporaryName = temporary.c_str();
    EXPECT_EQ(ReplaceArchiveFile(writer), kReplaceDone);
    EXPECT_EQ(testutil::FileBytes(archive), fresh);
    EXPECT_FALSE(Exists(temporary));
    EXPECT_FALSE(writer.keepTemporary);
    EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::string>{"ARCHIVE.ZIP"})
        << "the old archive set aside is gone";
  }
}

// Free space is asked for only when the temporary file lies on another drive than the archive.
TEST_F(FileOpsTest, ReplaceArchiveFileAsksForRoomOnlyFromAnotherDrive) {
  ASSERT_NE(GetDriveTypeA("S:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR))
      << "drive S: is not mapped";
  const std::string archive = archives_ / "A.ZIP";
  ASSERT_NE(archive[0], 'S');
  struct Case {
    const char* name;
    std::string temporary;
    int expected;
  } cases[] = {{"beside the archive", archives_ / "~ZIP001.TMP", kReplaceDone},
               {"on another drive", "S:\\ZIPFAR.TMP", kReplaceNoSpace}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testutil::WriteWholeFile(archive, Bytes("old", 5000));
    testutil::WriteWholeFile(c.temporary, Bytes("new", 6000));
    WriterState writer;
    writer.archiveName = archive.c_str();
    writer.temporaryName = c.temporary.c_str();
    {
      ScopedSimulatedDrives drives;
      drives.MakeFull(archive[0]);
      EXPECT_EQ(ReplaceArchiveFile(writer), c.expected);
    }
    EXPECT_EQ(testutil::FileBytes(archive),
              c.expected == kReplaceDone ? Bytes("new", 6000) : Bytes("old", 5000));
    DeleteFileA(c.temporary.c_str());
  }
}

TEST_F(FileOpsTest, ReplaceArchiveFileCopyTruncatesItsTarget) {
  const std::string archive = archives_ / "A.ZIP";
  const std::string temporary = temps_ / "ZIP2.TMP";
  testutil::WriteWholeFile(archive, Bytes("old", 50000));
  const std::vector<uint8_t> fresh = Bytes("new", 30000);
  testutil::WriteWholeFile(temporary, fresh);
  WriterState writer;
  writer.archiveName = archive.c_str();
  writer.temporaryName = temporary.c_str();
  FailFileStep(FileStep::kMove, 1);  // no one-step rename: the old archive is moved aside
  FailFileStep(FileStep::kMove, 3);  // and the new archive cannot be moved: it is copied
  EXPECT_EQ(ReplaceArchiveFile(writer), kReplaceDone);
  EXPECT_EQ(testutil::FileBytes(archive), fresh)
      << "exactly the new bytes, no tail of the old archive";
  EXPECT_FALSE(Exists(temporary));
}

TEST_F(FileOpsTest, ReplaceArchiveFileWithLongPaths) {
  std::string deep = archives_.path();
  while (deep.size() < 150) deep += "LONGFOLDERNAME\\";
  ASSERT_TRUE(CZText(deep.c_str()).CreateDirectoryTree(FALSE));
  const std::string archive = deep + "ARCHIVE.ZIP";
  ASSERT_GT(archive.size(), 128u);
  const std::string temporary = temps_ / "ZIP3.TMP";
  testutil::WriteWholeFile(archive, Bytes("old", 100));
  testutil::WriteWholeFile(temporary, Bytes("new", 200));
  WriterState writer;
  writer.archiveName = archive.c_str();
  writer.temporaryName = temporary.c_str();
  FailFileStep(FileStep::kMove, 1);  // the careful path
  FailFileStep(FileStep::kMove, 3);  // through the copy, which must open the long names too
  EXPECT_EQ(ReplaceArchiveFile(writer), kReplaceDone);
  EXPECT_EQ(testutil::FileBytes(archive), Bytes("new", 200));
}

TEST_F(FileOpsTest, ReplaceArchiveFileWithoutATemporaryFileKeepsTheArchive) {
  const std::string archive = archives_ / "A.ZIP";
  testutil::WriteWholeFile(archive, Bytes("old", 100));
  WriterState writer;
  writer.archiveName = archive.c_str();
  writer.temporaryName = (temps_ / "MISSING.TMP").c_str();
  EXPECT_EQ(ReplaceArchiveFile(writer), kReplaceFileError);
  EXPECT_EQ(testutil::FileBytes(archive), Bytes("old", 100));
  writer.temporaryName.Empty();
  EXPECT_EQ(ReplaceArchiveFile(writer), kReplaceFileError);
}

// Every single failure, every pair of failures, and every pair after a failed move into place, of
// the steps ReplaceArchiveFile takes: the old archive is either replaced by the complete new one
// (result 0), or still there byte for byte; or, only when it could not be put back, both files are
// kept and the caller is told. The plans run twice: as they are, where the first move is the
// one-step rename (its failure leads to the careful path, whose moves then count from 2); and
// with that rename refused, the plans' moves shifted by one, so that every plan of the careful
// path is still tried as it was before the one-step rename came first.
TEST_F(FileOpsTest, ReplaceArchiveFileNeverLosesBothArchives) {
  const std::vector<uint8_t> old = Bytes("old", 60000);
  const std::vector<uint8_t> fresh = Bytes("new", 50000);  // copies take several blocks
  using Plan = std::vector<std::pair<FileStep, int>>;
  std::vector<std::pair<FileStep, int>> faults;
  for (int step = 0; step < kFileStepKinds; ++step) {
    for (int nth = 1; nth <= 4; ++nth) faults.push_back({static_cast<FileStep>(step), nth});
  }
  std::vector<Plan> plans;
  const std::pair<FileStep, int> moveInFails = {FileStep::kMove, 2};
  for (size_t i = 0; i < faults.size(); ++i) {
    plans.push_back({faults[i]});
    for (size_t j = i + 1; j < faults.size(); ++j) {
      plans.push_back({faults[i], faults[j]});
      // Three failures reach the last resort: the new archive neither moved nor copied in, and
      // the old one not put back.
      if (faults[i] != moveInFails && faults[j] != moveInFails) {
        plans.push_back({moveInFails, faults[i], faults[j]});
      }
    }
  }
  const std::pair<FileStep, int> renameRefused = {FileStep::kMove, 1};
  for (bool carefulPath : {false, true}) {
    SCOPED_TRACE(carefulPath ? "the one-step rename refused" : "the one-step rename first");
    int failures = 0;
    int kept = 0;
    int renamed = 0;
    for (Plan plan : plans) {
      if (carefulPath) {
        for (auto& fault : plan) {
          if (fault.first == FileStep::kMove) ++fault.second;
        }
        plan.insert(plan.begin(), renameRefused);
      }
      std::string trace;
      for (const auto& fault : plan) {
        trace += std::string(FileStepName(fault.first)) + "#" + std::to_string(fault.second) + " ";
      }
      SCOPED_TRACE(trace);
      testutil::TempFolder folder;
      const std::string archive = folder / "ARCHIVE.ZIP";
      const std::string temporary = temps_ / "ZIP.TMP";
      ASSERT_TRUE(testutil::WriteWholeFile(archive, old));
      ASSERT_TRUE(testutil::WriteWholeFile(temporary, fresh));
      WriterState writer;
      writer.archiveName = archive.c_str();
      writer.temporaryName = temporary.c_str();

      ResetFileFaults();
      for (const auto& fault : plan) FailFileStep(fault.first, fault.second);
      const int result = ReplaceArchiveFile(writer);
      const int moves = FileStepCalls(FileStep::kMove);
      ResetFileFaults();

      const bool renameArmed = std::find(plan.begin(), plan.end(), renameRefused) != plan.end();
      if (!renameArmed) {
        // The rename is the only step of the one-step path: nothing else can fail it.
        ++renamed;
        EXPECT_EQ(result, kReplaceDone);
        EXPECT_EQ(moves, 1) << "one rename, no move aside";
        EXPECT_FALSE(Exists(temporary));
        EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::string>{"ARCHIVE.ZIP"})
            << "nothing set aside";
      }
      if (result == kReplaceDone) {
        EXPECT_EQ(testutil::FileBytes(archive), fresh);
        EXPECT_FALSE(writer.keepTemporary);
      } else if (!writer.keepTemporary) {
        ++failures;
        EXPECT_EQ(result, kReplaceFileError);
        EXPECT_EQ(testutil::FileBytes(archive), old)
            << "a failed replacement leaves the old archive as it was";
        EXPECT_EQ(testutil::FileBytes(temporary), fresh) << "the writer's error exit deletes it";
      } else {
        ++kept;
        EXPECT_EQ(testutil::FileBytes(writer.displacedArchiveName.str()), old);
        EXPECT_EQ(testutil::FileBytes(temporary), fresh);
      }
      DeleteFileA(temporary.c_str());
    }
    EXPECT_GT(failures, 0) << "the plans reach the failure paths";
    if (carefulPath) {
      EXPECT_GT(kept, 0) << "the plans reach the case where the old archive cannot be put back";
      EXPECT_EQ(renamed, 0);
    } else {
      // Three failures are too few to refuse the rename and then fail the careful path's last
      // resort; the shifted plans reach it.
      EXPECT_GT(renamed, 0);
    }
  }
}

TEST_F(FileOpsTest, ReplaceArchiveFileTellsWhenTheOldArchiveCannotBePutBack) {
  const std::string archive = archives_ / "A.ZIP";
  const std::string temporary = temps_ / "ZIP4.TMP";
  testutil::WriteWholeFile(archive, Bytes("old", 700));
  testutil::WriteWholeFile(temporary, Bytes("new", 800));
  WriterState writer;
  writer.archiveName = archive.c_str();
  writer.temporaryName = temporary.c_str();
  FailFileStep(FileStep::kMove, 1);    // no one-step rename
  FailFileStep(FileStep::kMove, 3);    // the new archive cannot be moved in
  FailFileStep(FileStep::kCreate, 1);  // nor copied
  FailFileStep(FileStep::kMove, 4);    // and the old one cannot be put back
  EXPECT_EQ(ReplaceArchiveFile(writer), kReplaceFileError);
  EXPECT_TRUE(writer.keepTemporary);
  EXPECT_EQ(testutil::FileBytes(temporary), Bytes("new", 800));
  EXPECT_EQ(testutil::FileBytes(writer.displacedArchiveName.str()), Bytes("old", 700));
  EXPECT_EQ(CZText(writer.displacedArchiveName).GetDirPart().str(),
            CZText(archive.c_str()).GetDirPart().str())
      << "set aside beside the archive";
  // Another call starts afresh.
  ResetFileFaults();
  DeleteFileA(writer.displacedArchiveName.c_str());
  EXPECT_EQ(ReplaceArchiveFile(writer), kReplaceDone);
  EXPECT_FALSE(writer.keepTemporary);
  EXPECT_TRUE(writer.displacedArchiveName.IsEmpty());
}

namespace {

struct ProgressLog {
  std::vector<std::pair<WPARAM, std::string>> messages;
};

LRESULT CALLBACK RecordProgress(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == progress::kEncrypting) {
    auto* log = reinterpret_cast<ProgressLog*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    log->messages.push_back({wParam, reinterpret_cast<const char*>(lParam)});
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeProgressWindow(ProgressLog* log) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = RecordProgress;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "FileOpsProgressRecorder";
  RegisterClassA(&windowClass);  // a second registration fails harmlessly
  HWND window = CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                nullptr, windowClass.hInstance, nullptr);
  if (window != nullptr) SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(log));
  return window;
}

}  // namespace

TEST_F(FileOpsTest, CopyFileDataCopiesLengthsAndReportsEncryptionProgress) {
  const std::string sourceName = temps_ / "SOURCE.BIN";
  const std::string targetName = temps_ / "TARGET.BIN";
  const std::vector<uint8_t> data = Bytes("copy", 100000);
  testutil::WriteWholeFile(sourceName, data);
  ProgressLog log;
  HWND window = MakeProgressWindow(&log);
  ASSERT_NE(window, nullptr);

  struct Case {
    const char* name;
    DWORD length;
    bool encryption;
    size_t expectedBytes;
  };
  for (const Case& c :
       std::vector<Case>{{"to the end", 0xFFFFFFFF, false, 100000},
                         {"a part", 30000, false, 30000},
                         {"nothing", 0, false, 0},
                         {"more than there is", 200000, false, 100000},
                         {"during the encryption pass", 0xFFFFFFFF, true, 100000}}) {
    SCOPED_TRACE(c.name);
    log.messages.clear();
    CZFile source;
    CZFile target;
    ASSERT_TRUE(source.OpenForRead(sourceName.c_str()));
    ASSERT_TRUE(target.Create(targetName.c_str()));
    WriterState writer;
    writer.notifyWindow = window;
    writer.encryptionPass = c.encryption;
    const CZText name(targetName.c_str());
    EXPECT_EQ(CopyFileData(writer, source.AsHFile(), target.AsHFile(), c.length, &name),
              kReplaceDone);
    target.Close();
    EXPECT_EQ(testutil::FileBytes(targetName),
              std::vector<uint8_t>(data.begin(), data.begin() + c.expectedBytes));
    if (!c.encryption) {
      EXPECT_TRUE(log.messages.empty()) << "progress only during the encryption pass";
    } else {
      ASSERT_FALSE(log.messages.empty());
      EXPECT_EQ(log.messages.back().first, 100u);
      for (size_t i = 1; i < log.messages.size(); ++i) {
        EXPECT_LE(log.messages[i - 1].first, log.messages[i].first);
      }
      EXPECT_EQ(log.messages.front().second, targetName);
    }
  }
  DestroyWindow(window);
}

TEST_F(FileOpsTest, CopyFileDataFailures) {
  const std::string sourceName = temps_ / "SOURCE.BIN";
  testutil::WriteWholeFile(sourceName, Bytes("copy", 60000));
  WriterState writer;
  EXPECT_EQ(CopyFileData(writer, HFILE_ERROR, HFILE_ERROR, 100, nullptr), kReplaceFileError);
  for (FileStep step : {FileStep::kRead, FileStep::kWrite}) {
    SCOPED_TRACE(FileStepName(step));
    CZFile source;
    CZFile target;
    ASSERT_TRUE(source.OpenForRead(sourceName.c_str()));
    ASSERT_TRUE(target.Create((temps_ / "T.BIN").c_str()));
    ResetFileFaults();
    FailFileStep(step, 2);
    EXPECT_EQ(CopyFileData(writer, source.AsHFile(), target.AsHFile(), 0xFFFFFFFF, nullptr),
              kReplaceFileError);
    ResetFileFaults();
  }
}

TEST_F(FileOpsTest, CloseFileHandlesAndCopyFileAttributes) {
  CZFile a;
  CZFile b;
  ASSERT_TRUE(a.Create((temps_ / "A").c_str()));
  ASSERT_TRUE(b.Create((temps_ / "B").c_str()));
  HANDLE extra = CreateFileA((temps_ / "C").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(extra, INVALID_HANDLE_VALUE);
  HFILE first = HFileFromHandle(extra);
  HFILE second = HFILE_ERROR;
  CloseFileHandles(&first, &second, nullptr);
  EXPECT_EQ(first, HFILE_ERROR);
  EXPECT_EQ(second, HFILE_ERROR);
  EXPECT_TRUE(DeleteFileA((temps_ / "C").c_str())) << "the handle was closed";

  a.Close();
  b.Close();
  SetFileAttributesA((temps_ / "A").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_TRUE(CopyFileAttributes((temps_ / "A").c_str(), (temps_ / "B").c_str()));
  EXPECT_EQ(GetFileAttributesA((temps_ / "B").c_str()),
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  SetFileAttributesA((temps_ / "B").c_str(), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_FALSE(CopyFileAttributes((temps_ / "MISSING").c_str(), (temps_ / "B").c_str()));
  EXPECT_EQ(GetFileAttributesA((temps_ / "B").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE))
      << "unreadable attributes are not copied";
}
