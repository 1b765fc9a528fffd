// Extraction as a host sees it: the control active in place in Wine's atl.dll container, a C++
// sink advised through IConnectionPointContainer, and UnzipFiles / IsZIPFileSlow called by name
// on archives made by the peers. In the background every extracted entry is announced by
// ZNOpenFile, its progress by rising ZNExpanding percentages ending at 100, and its end by
// ZNCloseFile; the test pass adds ZNTest after each entry; in the foreground nothing fires.
// Then a VBScript under cscript extracts an archive and the files are compared with the peer's.
// Needs a display (the test run's virtual one).
#include <gtest/gtest.h>

#include <olectl.h>

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <sstream>
#include <string>
#include <vector>

#include "control_test_support.h"
#include "hosted_control_test_support.h"
#include "qx30w32_guids.h"

namespace {

using controltest::RecordingSink;

constexpr DISPID kOpenFile = 1;
constexpr DISPID kExpanding = 2;
constexpr DISPID kCloseFile = 3;
constexpr DISPID kTest = 4;

std::string FixtureDir() { return testutil::BinaryDir() + "control\\fixtures\\control\\"; }

// One file entry of an archive as python's zipfile extracted it (extract.txt), in directory
// order: its name with '\' and its size.
struct ExpectedFile {
  std::string name;
  size_t size;
};

std::vector<ExpectedFile> ExpectedFiles(const std::string& archive) {
  std::vector<ExpectedFile> files;
  // Rows: archive | name | size.
  for (const std::vector<std::string>& row : testutil::ReadManifest(FixtureDir() + "extract.txt")) {
    if (row.size() < 3 || row[0] != archive) continue;
    std::string name = row[1];
    for (size_t i = 2; i + 1 < row.size(); ++i) name += "|" + row[i];  // a '|' inside the name
    files.push_back({name, static_cast<size_t>(std::stoul(row.back()))});
  }
  return files;
}

std::wstring Upper(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
  return text;
}

// The last component of a name with '\' separators.
std::string LastComponent(const std::string& name) {
  const size_t slash = name.rfind('\\');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

using Args = controltest::DispatchArgs;

// The control in place active in atl.dll's container with a recording sink advised.
class HostedExtraction : public testing::Test {
 protected:
  void SetUp() override {
    if (!controltest::CanCreateWindows()) GTEST_SKIP() << "no display: run under xvfb-run";
    ASSERT_NO_FATAL_FAILURE(host_.Create());
  }

  short CallShort(const wchar_t* name, const Args& args) { return host_.CallShort(name, args); }

  short UnzipAll(const std::string& archive, const std::string& destination, bool background) {
    return CallShort(L"UnzipFiles", controltest::UnzipAllArgs(FixtureDir() + archive, destination,
                                                              "", background));
  }

  controltest::HostedControl host_;
  RecordingSink& sink_ = host_.sink;
};

// The events of one entry: where they start in the record list and how many there are.
struct EntryEvents {
  size_t first;
  size_t count;
};

// Splits the records into one group per entry, each starting with ZNOpenFile.
std::vector<EntryEvents> GroupByEntry(const std::vector<controltest::EventRecord>& records) {
  std::vector<EntryEvents> groups;
  for (size_t i = 0; i < records.size(); ++i) {
    if (records[i].id == kOpenFile || groups.empty()) {
      groups.push_back({i, 0});
    }
    ++groups.back().count;
  }
  return groups;
}

std::string Describe(const std::vector<controltest::EventRecord>& records) {
  return controltest::DescribeEvents(records);
}

TEST_F(HostedExtraction, UnzipFilesInTheBackgroundAnnouncesEveryEntryInOrder) {
  // Deflated with folder entries, an empty file and a 50,000-byte file written in several
  // blocks; stored by python; deflated by 7z.
  for (const char* archive : {"zip_deflated.zip", "python_stored.zip", "sevenzip_deflated.zip"}) {
    SCOPED_TRACE(archive);
    const std::vector<ExpectedFile> files = ExpectedFiles(archive);
    ASSERT_GE(files.size(), 2u);
    testutil::TempFolder destination;
    sink_.records.clear();
    EXPECT_EQ(0, UnzipAll(archive, destination.path(), true));
    const auto& records = sink_.records;
    const std::vector<EntryEvents> groups = GroupByEntry(records);
    // Folder entries are created, not extracted: one group per file entry, in directory order.
    ASSERT_EQ(files.size(), groups.size()) << Describe(records);
    for (size_t e = 0; e < files.size(); ++e) {
      SCOPED_TRACE(files[e].name);
      const EntryEvents& group = groups[e];
      // The output name: the destination folder and the entry's path (upper-cased by the
      // engine; Windows names compare without case).
      const std::wstring expectedName = Upper(controltest::Wide(destination / files[e].name));
      ASSERT_GE(group.count, 4u) << Describe(records);  // open, 0 .. 100, close
      const auto& open = records[group.first];
      EXPECT_EQ(kOpenFile, open.id);
      ASSERT_EQ(1u, open.args.size());
      EXPECT_EQ(expectedName, Upper(open.args[0]));
      EXPECT_EQ(VT_BSTR, open.types[0]);
      int previous = -1;
      size_t expandings = 0;
      for (size_t i = group.first + 1; i + 1 < group.first + group.count; ++i) {
        const auto& progress = records[i];
        ASSERT_EQ(kExpanding, progress.id) << Describe(records);
        ASSERT_EQ(2u, progress.args.size());
        EXPECT_EQ(expectedName, Upper(progress.args[0]));
        EXPECT_EQ(VT_I2, progress.types[1]);
        const int percent = std::stoi(progress.args[1]);
        if (previous < 0) {
          EXPECT_EQ(0, percent);  // the first block: nothing written before it
        }
        EXPECT_GE(percent, previous);
        EXPECT_LE(percent, 100);
        previous = percent;
        ++expandings;
      }
      EXPECT_EQ(100, previous);  // an entry ended without error
      if (files[e].size > 2 * 24576) {
        // Written in three blocks (0, 49, 98 per cent before each) and then the 100.
        EXPECT_GE(expandings, 4u) << Describe(records);
      }
      const auto& close = records[group.first + group.count - 1];
      EXPECT_EQ(kCloseFile, close.id);
      ASSERT_EQ(2u, close.args.size());
      EXPECT_EQ(expectedName, Upper(close.args[0]));
      EXPECT_EQ(L"-1", close.args[1]);  // no error
      EXPECT_EQ(VT_BOOL, close.types[1]);
      // And the file is the one the peer extracts.
      EXPECT_TRUE(
          testutil::FileBytes(destination / files[e].name) ==
          testutil::FileBytes(FixtureDir() + "expected\\" + archive + "\\" + files[e].name));
    }
  }
}

TEST_F(HostedExtraction, ForegroundCallsFireNoEvent) {
  testutil::TempFolder destination;
  EXPECT_EQ(0, UnzipAll("zip_deflated.zip", destination.path(), false));
  EXPECT_EQ(
      0,
      CallShort(L"IsZIPFileSlow",
                Args().Text(FixtureDir() + "zip_deflated.zip").Text("").Bool(false).Bool(false)));
  EXPECT_TRUE(sink_.records.empty()) << Describe(sink_.records);
  // Yet the extraction took place.
  for (const ExpectedFile& file : ExpectedFiles("zip_deflated.zip")) {
    EXPECT_EQ(file.size, testutil::FileBytes(destination / file.name).size()) << file.name;
  }
}

TEST_F(HostedExtraction, IsZIPFileSlowInTheBackgroundReportsEachTestedEntry) {
  for (const char* archive : {"zip_deflated.zip", "python_comments.zip"}) {
    SCOPED_TRACE(archive);
    const std::vector<ExpectedFile> files = ExpectedFiles(archive);
    ASSERT_GE(files.size(), 2u);
    sink_.records.clear();
    EXPECT_EQ(0, CallShort(L"IsZIPFileSlow",
                           Args().Text(FixtureDir() + archive).Text("").Bool(false).Bool(true)));
    const auto& records = sink_.records;
    // No progress while testing: open, close and the test result, named by the bare file name.
    ASSERT_EQ(3 * files.size(), records.size()) << Describe(records);
    for (size_t e = 0; e < files.size(); ++e) {
      SCOPED_TRACE(files[e].name);
      const std::wstring expectedName = Upper(controltest::Wide(LastComponent(files[e].name)));
      const auto& open = records[3 * e];
      const auto& close = records[3 * e + 1];
      const auto& test = records[3 * e + 2];
      EXPECT_EQ(kOpenFile, open.id);
      EXPECT_EQ(kCloseFile, close.id);
      EXPECT_EQ(kTest, test.id);
      ASSERT_EQ(1u, open.args.size());
      ASSERT_EQ(2u, close.args.size());
      ASSERT_EQ(2u, test.args.size());
      EXPECT_EQ(expectedName, Upper(open.args[0]));
      EXPECT_EQ(expectedName, Upper(close.args[0]));
      EXPECT_EQ(expectedName, Upper(test.args[0]));
      EXPECT_EQ(L"-1", close.args[1]);
      EXPECT_EQ(L"-1", test.args[1]);  // result level 0: no error
      EXPECT_EQ(VT_BOOL, test.types[1]);
    }
  }
}

TEST_F(HostedExtraction, AnEntryThatFailsItsCheckIsReportedOnlyByItsCloseEvent) {
  // python's stored archive with the first data byte of its first entry (one.txt) changed:
  // the CRC no longer matches; the second entry is whole.
  std::vector<uint8_t> data = testutil::FileBytes(FixtureDir() + "python_stored.zip");
  ASSERT_GT(data.size(), 64u);
  ASSERT_EQ(0, std::memcmp(data.data(), "PK\3\4", 4));
  const size_t dataStart = 30 + (data[26] | data[27] << 8) + (data[28] | data[29] << 8);
  ASSERT_LT(dataStart, data.size());
  data[dataStart] ^= 0x20;
  testutil::TempFolder folder;
  const std::string archive = folder / "bad_crc.zip";
  ASSERT_TRUE(testutil::WriteWholeFile(archive, data));
  testutil::TempFolder destination;

  EXPECT_EQ(5, CallShort(L"UnzipFiles",
                         controltest::UnzipAllArgs(archive, destination.path(), "", true)));
  std::vector<EntryEvents> groups = GroupByEntry(sink_.records);
  ASSERT_EQ(2u, groups.size()) << Describe(sink_.records);
  const auto& bad = sink_.records;
  EXPECT_EQ(kOpenFile, bad[groups[0].first].id);
  for (size_t i = groups[0].first + 1; i + 1 < groups[0].first + groups[0].count; ++i) {
    EXPECT_EQ(kExpanding, bad[i].id) << Describe(bad);
  }
  // Every byte was written before the checksum is compared, so the progress still reaches 100:
  // only the close event tells a host that the entry is damaged.
  ASSERT_GE(groups[0].count, 3u) << Describe(bad);
  EXPECT_EQ(L"100", bad[groups[0].first + groups[0].count - 2].args.at(1)) << Describe(bad);
  const auto& close = bad[groups[0].first + groups[0].count - 1];
  EXPECT_EQ(kCloseFile, close.id);
  EXPECT_EQ(L"0", close.args.at(1));  // an error
  // The whole second entry still ends at 100 and without error.
  EXPECT_EQ(L"100", bad[groups[1].first + groups[1].count - 2].args.at(1)) << Describe(bad);
  EXPECT_EQ(L"-1", bad[groups[1].first + groups[1].count - 1].args.at(1));

  // The test pass: the damaged entry is reported with bNoError FALSE, the other with TRUE.
  sink_.records.clear();
  EXPECT_EQ(5, CallShort(L"IsZIPFileSlow", Args().Text(archive).Text("").Bool(false).Bool(true)));
  ASSERT_EQ(6u, sink_.records.size()) << Describe(sink_.records);
  const std::vector<std::pair<DISPID, std::wstring>> expected = {
      {kOpenFile, L""}, {kCloseFile, L"0"},  {kTest, L"0"},
      {kOpenFile, L""}, {kCloseFile, L"-1"}, {kTest, L"-1"}};
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(expected[i].first, sink_.records[i].id);
    if (!expected[i].second.empty()) {
      EXPECT_EQ(expected[i].second, sink_.records[i].args.at(1));
    }
  }
  EXPECT_EQ(L"ONE.TXT", Upper(sink_.records[2].args.at(0)));
  EXPECT_EQ(L"THREE.TXT", Upper(sink_.records[5].args.at(0)));
}

using testutil::ProgramRun;
using testutil::RunCaptured;

// A folder without its final '\': on a command line "C:\x\" would read as C:\x" (a backslash
// before a quote escapes it).
std::string QuotableFolder(const testutil::TempFolder& folder) {
  std::string path = folder.path();
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

TEST(ExtractScript, ExtractsAnArchiveIntoTheFolderGivenOnItsCommandLine) {
  const std::string script = controltest::ControlSourceDir() + "extract_archive.vbs";
  for (const char* archive : {"zip_deflated.zip", "python_comments.zip"}) {
    SCOPED_TRACE(archive);
    testutil::TempFolder destination;
    const ProgramRun run = RunCaptured("cscript.exe //nologo \"" + script + "\" \"" + FixtureDir() +
                                       archive + "\" \"" + QuotableFolder(destination) + "\"");
    // The script quits with UnzipFiles' result; cscript's own code would be 0 even after a
    // script error, so the printed result is checked too.
    EXPECT_EQ(0u, run.exitCode) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("UnzipFiles=0")) << run.output;
    const std::vector<ExpectedFile> files = ExpectedFiles(archive);
    ASSERT_GE(files.size(), 2u);
    for (const ExpectedFile& file : files) {
      const std::vector<uint8_t> got = testutil::FileBytes(destination / file.name);
      EXPECT_EQ(file.size, got.size()) << file.name;
      EXPECT_TRUE(got ==
                  testutil::FileBytes(FixtureDir() + "expected\\" + archive + "\\" + file.name))
          << file.name;
    }
  }
}

TEST(ExtractScript, ItsResultCodeBecomesTheExitCode) {
  const std::string script = controltest::ControlSourceDir() + "extract_archive.vbs";
  testutil::TempFolder destination;
  struct Case {
    const char* archive;
    std::string folder;
    DWORD result;
  };
  const Case cases[] = {
      // No archive there: it cannot be prepared for reading (as IsZIPFileSlow says of it).
      {"no_such_archive.zip", QuotableFolder(destination), 6},
      // A destination two missing levels deep cannot be made current (only one level is
      // created): nothing is extracted, neither there nor into the current folder.
      {"python_stored.zip", destination / "missing\\deeper", 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.archive);
    const ProgramRun run = RunCaptured("cscript.exe //nologo \"" + script + "\" \"" + FixtureDir() +
                                       c.archive + "\" \"" + c.folder + "\"");
    EXPECT_EQ(c.result, run.exitCode) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("UnzipFiles=" + std::to_string(c.result)))
        << run.output;
  }
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((destination / "missing").c_str()));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("one.txt"));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("two"));
  // Without its two arguments it says how to call it and does not touch the control.
  const ProgramRun usage = RunCaptured("cscript.exe //nologo \"" + script + "\"");
  EXPECT_EQ(100u, usage.exitCode) << usage.output;
  EXPECT_NE(std::string::npos, usage.output.find("usage:")) << usage.output;
}

}  // namespace
