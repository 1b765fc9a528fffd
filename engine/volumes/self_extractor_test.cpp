// The self-extractor builder: layout of the executable (stub, settings block, shifted archive),
// the block's fields, the names it finds and makes, and its failure codes, each of which leaves
// no output, no temporary copy and the archive as it was.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/progress_messages.h"
#include "core/le_fields.h"
#include "files/drive_checks.h"
#include "files/file_fault.h"
#include "reading/czunzip.h"
#include "volumes/self_extractor_settings.h"
#include "volumes/volumes_test_support.h"
#include "win_test_util.h"
#include "writing/czzip.h"
#include "writing/zip_writer_test_support.h"

namespace {

using volumetest::Exists;

std::string Pad(const std::string& text, size_t width) {
  std::string out = text.substr(0, width);
  out.resize(width, ' ');
  return out;
}

// The block the fixture language file gives, field by field in block order.
std::string ExpectedBlock(char mode, char ask, const std::string& title,
                          const std::string& program) {
  std::string b;
  b += mode;
  b += ask;
  b += Pad(title, 50);
  b += Pad(program, 50);
  b += Pad("Fine", 10);                                  // set
  b += Pad("Cancel", 10);                                // empty: default
  b += Pad("Would you like to stop this program?", 50);  // missing: default
  b += Pad("Can' t perform the required action (I/O error).", 50);
  b += std::string(50, 'x');  // too long: cut
  b += Pad("Can' t create this directory.", 50);
  b += Pad("Pick a folder", 30);
  b += Pad("Password...", 20);
  b += Pad("Password:", 20);
  b += Pad("A password is required to unzip the files.", 100);
  b += Pad("&Retry", 10);
  b += Pad("&Bypass", 10);
  b += Pad("&Never", 10);
  b += Pad("Replace...", 20);
  b += Pad("Replace %1 now?", 100);
  b += Pad("&Yes", 10);
  b += Pad("&No", 10);
  b += Pad("&Always", 10);
  b += Pad("Ne&ver", 10);
  return b;
}

uint32_t EndRecordDirectoryOffset(const std::vector<uint8_t>& file) {
  for (size_t i = file.size() - 22 + 1; i-- > 0;) {
    if (std::memcmp(&file[i], "PK\5\6", 4) == 0) return GetLE32(&file[i + 16]);
  }
  return 0;
}

class SelfExtractor : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Exists(volumetest::StandInStub())) << "the build makes the stand-in stub";
    ASSERT_TRUE(
        CopyFileA((volumetest::FixtureDir() + "plain.zip").c_str(), archive.c_str(), FALSE));
    stub = control.Stub();
    ASSERT_FALSE(stub.empty());
  }
  int Build(const char* exe, const char* title = "Café installer", short mode = 1,
            const char* language = nullptr, const char* archiveName = nullptr) {
    return zip.BuildSelfExtractor(nullptr, archiveName ? archiveName : archive.c_str(), exe,
                                  "SETUP.EXE", title, language, mode, TRUE, TRUE);
  }
  std::string Block(const std::string& exePath) {
    const std::vector<uint8_t> file = testutil::FileBytes(exePath);
    if (file.size() < stub.size() + kSelfExtractorSettingsSize) return std::string();
    return std::string(file.begin() + stub.size(),
                       file.begin() + stub.size() + kSelfExtractorSettingsSize);
  }

  volumetest::ControlFolderWithStub control;
  testutil::TempFolder temp;
  std::string archive = temp / "DATA.ZIP";
  std::vector<uint8_t> stub;
  CZZip zip;
};

TEST(PadToWidth, AlignsCutsAndCentres) {
  struct Case {
    const char* text;
    int width, alignment;
    const char* expected;
  } cases[] = {
      {"abc", 6, 0, "abc   "}, {"abc", 6, 2, "   abc"}, {"abc", 6, 6, "  abc "},
      {"abcdef", 3, 0, "abc"}, {"abcdef", 3, 2, "def"}, {"abc", 0, 0, ""},
      {"", 2, 0, "  "},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PadToWidth(c.text, c.width, c.alignment), c.expected)
        << c.text << " " << c.width << " " << c.alignment;
  }
}

TEST_F(SelfExtractor, LayoutIsStubBlockAndShiftedArchive) {
  const std::string exe = temp / "OUT.EXE";
  const std::string title60(60, 'T');
  ASSERT_EQ(Build(exe.c_str(), title60.c_str(), 12), kSfxDone);
  const std::vector<uint8_t> file = testutil::FileBytes(exe);
  ASSERT_GT(file.size(), stub.size() + 682);
  EXPECT_TRUE(std::equal(stub.begin(), stub.end(), file.begin())) << "the stub, byte for byte";
  EXPECT_EQ(Block(exe), ExpectedBlock('1', '1', title60, "SETUP.EXE"));

  // Offsets count from the start of the executable: the directory sits S + 682 + its position in
  // the copy (the copy of an archive without bytes in front keeps its positions).
  const std::vector<uint8_t> original = testutil::FileBytes(archive);
  const writertest::Layout before = writertest::Parse(original);
  ASSERT_TRUE(before.error.empty()) << before.error;
  const writertest::Layout after = writertest::Parse(file);
  ASSERT_TRUE(after.error.empty()) << after.error;
  EXPECT_EQ(EndRecordDirectoryOffset(file), stub.size() + 682 + before.directoryStart);
  EXPECT_EQ(after.firstRecord, stub.size() + 682);
  ASSERT_EQ(after.items.size(), before.items.size());
  for (size_t i = 0; i < after.items.size(); ++i) {
    EXPECT_EQ(after.items[i].data, before.items[i].data) << after.items[i].central.name;
  }
  EXPECT_EQ(testutil::FileBytes(archive), original) << "the archive is only read";

  CZUnzip reader;
  EXPECT_EQ(reader.IsZIPFileQuick(exe.c_str()), 0) << "the moved offsets leave no extra bytes";
  EXPECT_TRUE(
      CopyFileA(exe.c_str(), (writertest::PeerCheckDir() + "sfx_plain.exe").c_str(), FALSE));
}

TEST_F(SelfExtractor, ModesTitlesAndAskFlagInTheBlock) {
  struct Case {
    short mode;
    const char* title;  // null: the default title
    char modeByte;
    std::string expectedTitle;
  } cases[] = {
      {0, "Abc", '0', "Abc"},
      {1, nullptr, '1', kDefaultSelfExtractorTitle},
      {2, "", '2', kDefaultSelfExtractorTitle},  // empty: the default too (a blank caption is none)
      {3, "Grüße", '3', "Grüße"},
      {12, "x", '1', "x"},
      {-1, "x", '-', "x"},
  };
  const std::string exe = temp / "MODES.EXE";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    ASSERT_EQ(zip.BuildSelfExtractor(nullptr, archive.c_str(), exe.c_str(), nullptr, c.title,
                                     nullptr, c.mode, FALSE, TRUE),
              kSfxDone);
    const std::string block = Block(exe);
    ASSERT_EQ(block.size(), 682u);
    EXPECT_EQ(block[0], c.modeByte);
    EXPECT_EQ(block[1], '0');
    EXPECT_EQ(block.substr(2, 50), Pad(c.expectedTitle, 50));
    EXPECT_EQ(block.substr(52, 50), std::string(50, ' ')) << "no program: blank";
  }
}

TEST_F(SelfExtractor, BytesInFrontAreKeptBehindTheBlock) {
  const std::string adjusted = temp / "ADJUSTED.ZIP";
  ASSERT_TRUE(
      CopyFileA((volumetest::FixtureDir() + "adjusted.zip").c_str(), adjusted.c_str(), FALSE));
  const std::vector<uint8_t> front = testutil::FileBytes(volumetest::FixtureDir() + "front.bin");
  const std::string exe = temp / "ADJUSTED.EXE";
  ASSERT_EQ(Build(nullptr, "t", 1, nullptr, adjusted.c_str()), kSfxDone);
  const std::vector<uint8_t> file = testutil::FileBytes(exe);
  ASSERT_GT(file.size(), stub.size() + 682 + front.size());
  EXPECT_TRUE(std::equal(front.begin(), front.end(), file.begin() + stub.size() + 682));
  const writertest::Layout layout = writertest::Parse(file);
  EXPECT_TRUE(layout.error.empty()) << layout.error;
  EXPECT_EQ(layout.firstRecord, stub.size() + 682 + front.size());
  CZUnzip reader;
  EXPECT_EQ(reader.IsZIPFileQuick(exe.c_str()), 0);
  EXPECT_TRUE(
      CopyFileA(exe.c_str(), (writertest::PeerCheckDir() + "sfx_adjusted.exe").c_str(), FALSE));
}

TEST_F(SelfExtractor, AddingToTheResultKeepsStubAndBlock) {
  const std::string exe = temp / "GROW.EXE";
  ASSERT_EQ(Build(exe.c_str()), kSfxDone);
  const std::vector<uint8_t> before = testutil::FileBytes(exe);
  const size_t head = stub.size() + 682;
  ASSERT_TRUE(testutil::WriteWholeFile(temp / "added.txt", std::string("added later\n")));
  ASSERT_EQ(zip.ZipFiles(exe.c_str(), (temp / "added.txt").c_str(), kZipReplace, 0, FALSE, nullptr,
                         nullptr),
            0);
  const std::vector<uint8_t> after = testutil::FileBytes(exe);
  ASSERT_GT(after.size(), head);
  EXPECT_TRUE(std::equal(before.begin(), before.begin() + head, after.begin()));
  const writertest::Layout layout = writertest::Parse(after);
  EXPECT_TRUE(layout.error.empty()) << layout.error;
  EXPECT_NE(layout.Find("ADDED.TXT"), nullptr);
  EXPECT_TRUE(
      CopyFileA(exe.c_str(), (writertest::PeerCheckDir() + "sfx_grown.exe").c_str(), FALSE));
}

TEST_F(SelfExtractor, EncryptedStreamedEntriesAreCopiedByteForByte) {
  const std::string secret = temp / "SECRET.ZIP";
  ASSERT_TRUE(
      CopyFileA((volumetest::FixtureDir() + "piped_secret.zip").c_str(), secret.c_str(), FALSE));
  const std::string exe = temp / "SECRET.EXE";
  ASSERT_EQ(Build(nullptr, "t", 1, nullptr, secret.c_str()), kSfxDone);
  const writertest::Layout before = writertest::Parse(testutil::FileBytes(secret));
  const writertest::Layout after = writertest::Parse(testutil::FileBytes(exe));
  ASSERT_TRUE(after.error.empty()) << after.error;
  ASSERT_EQ(after.items.size(), before.items.size());
  for (size_t i = 0; i < after.items.size(); ++i) {
    EXPECT_EQ(after.items[i].local.flags, before.items[i].local.flags) << "bit 3 stays";
    EXPECT_EQ(after.items[i].data, before.items[i].data);
  }
  const std::string kept = writertest::PeerCheckDir() + "sfx_secret.exe";
  EXPECT_TRUE(CopyFileA(exe.c_str(), kept.c_str(), FALSE));
  EXPECT_TRUE(testutil::WriteWholeFile(kept + ".password", std::string("secret")));
}

TEST_F(SelfExtractor, OutputAndLanguageNames) {
  // No output name: the archive's name with .EXE; a bare name: the archive's folder.
  ASSERT_EQ(Build(nullptr), kSfxDone);
  EXPECT_TRUE(Exists(temp / "DATA.EXE"));
  testutil::TempFolder elsewhere;
  SetCurrentDirectoryA(elsewhere.path().c_str());
  ASSERT_EQ(Build("SETUP.EXE"), kSfxDone);
  EXPECT_TRUE(Exists(temp / "SETUP.EXE"));
  EXPECT_FALSE(Exists(elsewhere / "SETUP.EXE"));
  char current[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, current);
  EXPECT_EQ(std::string(current) + "\\", elsewhere.path()) << "the caller's folder stays";

  // A bare language name is looked for in the control folder, never in the current one.
  ASSERT_TRUE(CopyFileA((control.path() + "ENGLISH.ELF").c_str(),
                        (control.path() + "OTHER.ELF").c_str(), FALSE));
  ASSERT_TRUE(testutil::WriteWholeFile(elsewhere / "LOCAL.ELF", std::string("[Main]\n")));
  EXPECT_EQ(Build("L1.EXE", "t", 1, "OTHER.ELF"), kSfxDone);
  EXPECT_EQ(Build("L2.EXE", "t", 1, "LOCAL.ELF"), kSfxNoLanguageFile);
  EXPECT_FALSE(Exists(temp / "L2.EXE"));
  SetCurrentDirectoryA(temp.path().c_str());
}

TEST_F(SelfExtractor, FailureCodesLeaveNothingBehind) {
  const std::vector<uint8_t> original = testutil::FileBytes(archive);
  const size_t temporaries = volumetest::TemporaryCopies();
  const std::string exe = temp / "FAIL.EXE";
  ASSERT_TRUE(testutil::WriteWholeFile(
      temp / "EMPTY.ZIP",
      std::vector<uint8_t>{'P', 'K', 5, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  const std::string emptyArchive = temp / "EMPTY.ZIP";
  const std::string missing = temp / "MISSING.ZIP";

  // Counting the writes of a good build places the faults: the stub copy's writes come first,
  // then the 23 fields of the block, then the append.
  size_t stubWrites = 0, allWrites = 0;
  {
    ScopedFileFaults faults;
    ASSERT_EQ(Build(exe.c_str()), kSfxDone);
    allWrites = static_cast<size_t>(FileStepCalls(FileStep::kWrite));
    DeleteFileA(exe.c_str());
  }
  {
    ScopedFileFaults faults;
    CopyFileA((control.path() + "RAVELIN.32").c_str(), (temp / "COPY.BIN").c_str(), FALSE);
    CZText(std::string(temp / "COPY.BIN"))
        .CopyTo((temp / "COPY2.BIN").c_str(), FALSE, TRUE, FALSE, FALSE, FALSE, 16384);
    stubWrites = static_cast<size_t>(FileStepCalls(FileStep::kWrite));
  }
  ASSERT_GT(allWrites, stubWrites + 23);

  struct Case {
    const char* name;
    std::function<int()> run;
    int expected;
  } cases[] = {
      {"no language file", [&] { return Build(exe.c_str(), "t", 1, "NONE.ELF"); },
       kSfxNoLanguageFile},
      {"no stub",
       [&] {
         return zip.BuildSelfExtractor(nullptr, archive.c_str(), exe.c_str(), nullptr, nullptr,
                                       nullptr, 1, FALSE, FALSE);
       },
       kSfxNoStub},
      {"no archive name",
       [&] {
         return zip.BuildSelfExtractor(nullptr, nullptr, exe.c_str(), nullptr, nullptr, nullptr, 1,
                                       FALSE, TRUE);
       },
       kSfxBadArchive},
      {"missing archive", [&] { return Build(exe.c_str(), "t", 1, nullptr, missing.c_str()); },
       kSfxBadArchive},
      {"output is the archive", [&] { return Build(archive.c_str()); }, kSfxBadArchive},
      {"no entries", [&] { return Build(exe.c_str(), "t", 1, nullptr, emptyArchive.c_str()); },
       kSfxBadArchive},
      {"block write fails",
       [&] {
         ScopedFileFaults faults;
         FailFileStep(FileStep::kWrite, static_cast<int>(stubWrites + 1));
         return Build(exe.c_str());
       },
       kSfxWriteFailed},
      {"last block field fails",
       [&] {
         ScopedFileFaults faults;
         FailFileStep(FileStep::kWrite, static_cast<int>(stubWrites + 23));
         return Build(exe.c_str());
       },
       kSfxWriteFailed},
      {"append fails",
       [&] {
         ScopedFileFaults faults;
         FailFileStep(FileStep::kWrite, static_cast<int>(allWrites));
         return Build(exe.c_str());
       },
       kSfxWriteFailed},
      {"full drive",
       [&] {
         ScopedSimulatedDrives drives;
         drives.MakeFull(exe[0]);
         return Build(exe.c_str());
       },
       kSfxDriveFull},
      {"protected diskette",
       [&] {
         ScopedSimulatedDrives drives;
         drives.MakeWriteProtectedDiskette(exe[0]);
         return Build(exe.c_str());
       },
       kSfxReadOnlyDrive},
      {"CD-ROM drive",
       [&] {
         if (GetDriveTypeA("M:\\") != DRIVE_CDROM) return static_cast<int>(kSfxReadOnlyDrive);
         return Build("M:\\FAIL.EXE");
       },
       kSfxReadOnlyDrive},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.run(), c.expected);
    EXPECT_FALSE(Exists(exe)) << "no output";
    EXPECT_FALSE(Exists("M:\\FAIL.EXE"));
    EXPECT_EQ(volumetest::TemporaryCopies(), temporaries) << "no temporary copy";
    EXPECT_EQ(testutil::FileBytes(archive), original) << "the archive as it was";
  }
}

// A file at the output name stays byte for byte whatever fails, and nothing is left beside it or
// in the temporary folder; a build that completes replaces it.
TEST_F(SelfExtractor, AFailedBuildLeavesTheFileAtTheOutputName) {
  const std::vector<uint8_t> original = testutil::FileBytes(archive);
  const size_t temporaries = volumetest::TemporaryCopies();
  const std::string exe = temp / "NOTES.EXE";
  const std::vector<uint8_t> users = writertest::RandomBytes(150000, 21);
  ASSERT_TRUE(testutil::WriteWholeFile(exe, users));
  const std::vector<std::string> contents = testutil::FolderNames(temp.path(), true);
  const std::string notArchive = temp / "BAD.ZIP";
  ASSERT_TRUE(testutil::WriteWholeFile(notArchive, std::string(5000, 't')));
  const std::vector<std::string> withBad = testutil::FolderNames(temp.path(), true);

  auto expectUntouched = [&](const std::vector<std::string>& folder) {
    EXPECT_EQ(testutil::FileBytes(exe), users) << "the file at the output name as it was";
    EXPECT_EQ(testutil::FolderNames(temp.path(), true), folder) << "nothing left beside it";
    EXPECT_EQ(volumetest::TemporaryCopies(), temporaries) << "no temporary copy";
    EXPECT_EQ(testutil::FileBytes(archive), original) << "the archive as it was";
  };

  // Not an archive, and an archive another program holds open without sharing.
  EXPECT_EQ(Build(exe.c_str(), "t", 1, nullptr, notArchive.c_str()), kSfxBadArchive);
  expectUntouched(withBad);
  ASSERT_TRUE(DeleteFileA(notArchive.c_str()));
  {
    const HANDLE locked = CreateFileA(archive.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Build(exe.c_str()), kSfxBadArchive);
    CloseHandle(locked);
    expectUntouched(contents);
  }

  // A failure at each write of the build, at each create, open and close, and at the last move.
  int calls[kFileStepKinds] = {};
  {
    ScopedFileFaults faults;
    ASSERT_EQ(Build((temp / "COUNT.EXE").c_str()), kSfxDone);
    for (int step = 0; step < kFileStepKinds; ++step) calls[step] = FileStepCalls(FileStep(step));
    ASSERT_TRUE(DeleteFileA((temp / "COUNT.EXE").c_str()));
  }
  ASSERT_GT(calls[static_cast<int>(FileStep::kWrite)], 23);
  int failures = 0;
  for (FileStep step :
       {FileStep::kWrite, FileStep::kCreate, FileStep::kOpen, FileStep::kClose, FileStep::kMove}) {
    for (int nth = 1; nth <= calls[static_cast<int>(step)]; ++nth) {
      SCOPED_TRACE(std::string(FileStepName(step)) + " " + std::to_string(nth));
      int result;
      {
        ScopedFileFaults faults;
        FailFileStep(step, nth);
        result = Build(exe.c_str());
      }
      if (result == kSfxDone) {
        // A close that cannot lose data (the read side) is not a failure: the build completed.
        ASSERT_EQ(step, FileStep::kClose);
        EXPECT_NE(testutil::FileBytes(exe), users);
        ASSERT_TRUE(testutil::WriteWholeFile(exe, users));
        continue;
      }
      ++failures;
      EXPECT_TRUE(result == kSfxBadArchive || result == kSfxWriteFailed || result == kSfxCannotOpen)
          << result;
      expectUntouched(contents);
    }
  }
  EXPECT_GT(failures, calls[static_cast<int>(FileStep::kWrite)]);

  // The move over the output fails: 5.
  {
    ScopedFileFaults faults;
    FailFileStep(FileStep::kMove, calls[static_cast<int>(FileStep::kMove)]);
    EXPECT_EQ(Build(exe.c_str()), kSfxWriteFailed);
  }
  expectUntouched(contents);

  // A build that completes replaces the file: the self-extractor the reader accepts.
  ASSERT_EQ(Build(exe.c_str()), kSfxDone);
  EXPECT_EQ(testutil::FolderNames(temp.path(), true), contents);
  EXPECT_EQ(volumetest::TemporaryCopies(), temporaries);
  const std::vector<uint8_t> built = testutil::FileBytes(exe);
  ASSERT_GT(built.size(), stub.size() + 682);
  EXPECT_TRUE(std::equal(stub.begin(), stub.end(), built.begin()));
  CZUnzip reader;
  EXPECT_EQ(reader.IsZIPFileQuick(exe.c_str()), 0);
  EXPECT_TRUE(
      CopyFileA(exe.c_str(), (writertest::PeerCheckDir() + "sfx_replaced.exe").c_str(), FALSE));
}

TEST_F(SelfExtractor, ProgressRisesToHundred) {
  std::vector<std::pair<UINT, WPARAM>> seen;
  testutil::MessageWindow window([&](UINT message, WPARAM wParam, const char*) {
    if (message != progress::kEntriesRead) seen.emplace_back(message, wParam);  // no event
  });
  ASSERT_EQ(zip.BuildSelfExtractor(window.get(), archive.c_str(), nullptr, nullptr, nullptr,
                                   nullptr, 1, FALSE, TRUE),
            kSfxDone);
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen.front().first, progress::kMakeExeStep1);
  EXPECT_EQ(std::count_if(seen.begin(), seen.end(),
                          [](auto& m) { return m.first == progress::kMakeExeStep1; }),
            1);
  WPARAM previous = 0;
  for (size_t i = 1; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i].first, progress::kMakeExeStep2);
    EXPECT_GE(seen[i].second, previous);
    previous = seen[i].second;
  }
  EXPECT_EQ(seen.back().second, 100u);
  // The copy's half: one message per entry, count x 100 / (2 x entries), so up to 50; then the
  // append's chunks above 50.
  const size_t entries = writertest::Parse(testutil::FileBytes(archive)).items.size();
  ASSERT_GT(seen.size(), entries + 1);
  for (size_t i = 1; i <= entries; ++i) {
    EXPECT_EQ(seen[i].second, i * 100 / (2 * entries)) << "entry " << i;
  }
  for (size_t i = entries + 1; i < seen.size(); ++i) EXPECT_GT(seen[i].second, 50u);
}

}  // namespace
