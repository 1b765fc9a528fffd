// Viewing entries: the extraction into the view folder and the launch step after each entry,
// with the shell calls behind the launch seam (so that no program starts); the program search
// through PATH; the table of launch codes. WIN.INI associations the tests need are written with
// WriteProfileStringA for extensions the prefix's registry does not know, and removed again.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "control_test_support.h"
#include "hosted_control_test_support.h"
#include "item_list_test_support.h"
#include "reading/czunzip.h"
#include "reading/view_launch.h"

namespace {

using itemlisttest::FixtureDir;

// What the seam's calls saw, and what they answer.
struct Recorded {
  std::vector<std::string> winExec;
  std::vector<std::string> findExecutable;
  std::vector<std::string> shellExecute;
  UINT winExecAnswer = 33;
  INT_PTR findAnswer = 31;  // no association
  std::string foundProgram;
  INT_PTR shellAnswer = 42;
};
Recorded* g_recorded = nullptr;

// Engine paths are upper case: command lines are compared without regard to case.
std::string Upper(std::string text) {
  CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

UINT RecordWinExec(const char* commandLine, UINT) {
  g_recorded->winExec.push_back(commandLine);
  return g_recorded->winExecAnswer;
}
INT_PTR RecordFindExecutable(const char* file, const char*, char* result) {
  g_recorded->findExecutable.push_back(file);
  lstrcpynA(result, g_recorded->foundProgram.c_str(), 1024);
  return g_recorded->findAnswer;
}
INT_PTR RecordShellExecute(const char* file, const char*) {
  g_recorded->shellExecute.push_back(file);
  return g_recorded->shellAnswer;
}

// A WIN.INI association in section "Extensions" for the life of the object.
class Association {
 public:
  Association(std::string extension, const std::string& program)
      : extension_(std::move(extension)) {
    char old[1024] = {};
    had_ = GetProfileStringA("Extensions", extension_.c_str(), "", old, sizeof old) > 0;
    old_ = old;
    WriteProfileStringA("Extensions", extension_.c_str(), (program + " ^." + extension_).c_str());
  }
  ~Association() {
    WriteProfileStringA("Extensions", extension_.c_str(), had_ ? old_.c_str() : nullptr);
  }
  Association(const Association&) = delete;
  Association& operator=(const Association&) = delete;

 private:
  std::string extension_;
  std::string old_;
  bool had_ = false;
};

class ViewEntry : public testing::Test {
 protected:
  void SetUp() override {
    g_recorded = &recorded_;
    calls_ = {RecordWinExec, RecordFindExecutable, RecordShellExecute};
    viewlaunch::SetLaunchCalls(&calls_);
    // A "program" in a folder with blanks.
    programFolder_ = work_ / "MY PROGRAMS\\";
    CreateDirectoryA(programFolder_.c_str(), nullptr);
    program_ = programFolder_ + "RECORD.EXE";
    testutil::WriteWholeFile(program_, std::string("MZ"));
    viewFolder_ = work_ / "VIEW HERE\\";
  }
  void TearDown() override {
    viewlaunch::SetLaunchCalls(nullptr);
    g_recorded = nullptr;
  }

  Recorded recorded_;
  viewlaunch::LaunchCalls calls_{};
  testutil::TempFolder work_;
  std::string programFolder_, program_, viewFolder_;
};

TEST_F(ViewEntry, EachExtractedEntryIsOpenedThroughItsAssociation) {
  recorded_.findAnswer = 42;
  recorded_.foundProgram = program_;
  CZUnzip reader;
  reader.SetRunExecutables(FALSE);
  // A launch that succeeded ends the view with FALSE (the result hosts of the interface read).
  EXPECT_FALSE(
      reader.View((FixtureDir() + "zip_nested.zip").c_str(), "*.TXT", FALSE, viewFolder_.c_str()));
  ASSERT_EQ(recorded_.shellExecute.size(), 3u);  // docs\readme.txt, docs\deep\notes.txt, a.txt
  EXPECT_NE(recorded_.shellExecute[0].find("VIEW HERE\\DOCS\\README.TXT"), std::string::npos)
      << recorded_.shellExecute[0];
  EXPECT_NE(GetFileAttributesA((viewFolder_ + "A.TXT").c_str()), INVALID_FILE_ATTRIBUTES);
  // SETUP.EXE without bRunEXE is opened like any other file.
  recorded_.shellExecute.clear();
  EXPECT_FALSE(reader.View((FixtureDir() + "zip_nested.zip").c_str(), "SETUP.EXE", FALSE,
                           viewFolder_.c_str()));
  EXPECT_EQ(recorded_.shellExecute.size(), 1u);
  EXPECT_TRUE(recorded_.winExec.empty());
}

TEST_F(ViewEntry, ProgramsRunDirectlyWithRunExe) {
  CZUnzip reader;
  reader.SetRunExecutables(TRUE);
  EXPECT_FALSE(reader.View((FixtureDir() + "zip_nested.zip").c_str(), "SETUP.EXE", FALSE,
                           viewFolder_.c_str()));
  ASSERT_EQ(recorded_.winExec.size(), 1u);
  EXPECT_EQ(Upper(recorded_.winExec[0]), Upper("\"" + viewFolder_ + "SETUP.EXE\""));
  EXPECT_TRUE(recorded_.findExecutable.empty());
  // WinExec's 0 or 8 is a failed launch: the view ends with TRUE.
  recorded_.winExecAnswer = 8;
  EXPECT_TRUE(reader.View((FixtureDir() + "zip_nested.zip").c_str(), "SETUP.EXE", FALSE,
                          viewFolder_.c_str()));
}

TEST_F(ViewEntry, TheTextEditorOpensADocAndQuotesProgramAndFile) {
  const std::string document = work_ / "LETTER.DOC";
  testutil::WriteWholeFile(document, std::string("text"));
  Association txt("TXT", program_);
  EXPECT_TRUE(viewlaunch::LaunchViewedFile(document.c_str(), TRUE, FALSE));
  ASSERT_EQ(recorded_.winExec.size(), 1u);
  EXPECT_EQ(Upper(recorded_.winExec[0]), Upper("\"" + program_ + "\" \"" + document + "\""));
  EXPECT_TRUE(recorded_.findExecutable.empty());  // the text path asks no association
}

TEST_F(ViewEntry, WinIniAssociationsServeWhatTheShellDoesNotKnow) {
  const std::string file = work_ / "PICTURE.QVW";
  testutil::WriteWholeFile(file, std::string("data"));
  {
    Association qvw("QVW", program_);
    EXPECT_TRUE(viewlaunch::LaunchViewedFile(file.c_str(), FALSE, FALSE));
    ASSERT_EQ(recorded_.findExecutable.size(), 1u);  // asked first
    ASSERT_EQ(recorded_.winExec.size(), 1u);
    EXPECT_EQ(Upper(recorded_.winExec[0]), Upper("\"" + program_ + "\" \"" + file + "\""));
  }
  // No association at all (and none for TXT): a failed launch.
  Association noText("TXT", work_ / "NO SUCH PROGRAM.EXE");
  recorded_.winExec.clear();
  EXPECT_FALSE(viewlaunch::LaunchViewedFile(file.c_str(), FALSE, FALSE));
  EXPECT_TRUE(recorded_.winExec.empty());
}

TEST_F(ViewEntry, AFailedLaunchStopsTheRest) {
  recorded_.findAnswer = 42;
  recorded_.foundProgram = program_;
  recorded_.shellAnswer = 0;  // out of memory: a failed launch
  CZUnzip reader;
  EXPECT_TRUE(
      reader.View((FixtureDir() + "zip_nested.zip").c_str(), "*.TXT", FALSE, viewFolder_.c_str()));
  EXPECT_EQ(recorded_.shellExecute.size(), 1u);
  EXPECT_EQ(GetFileAttributesA((viewFolder_ + "A.TXT").c_str()), INVALID_FILE_ATTRIBUTES);
  // Nothing matched: TRUE, nothing launched.
  recorded_.shellExecute.clear();
  EXPECT_TRUE(
      reader.View((FixtureDir() + "zip_nested.zip").c_str(), "*.NONE", FALSE, viewFolder_.c_str()));
  EXPECT_TRUE(recorded_.shellExecute.empty());
  EXPECT_FALSE(
      reader.View((FixtureDir() + "no_such.zip").c_str(), "*.*", FALSE, viewFolder_.c_str()));
  EXPECT_FALSE(reader.View((FixtureDir() + "zip_nested.zip").c_str(),
                           std::string(1024, '*').c_str(), FALSE, viewFolder_.c_str()));
}

TEST_F(ViewEntry, TheCodesOfAFailedOpen) {
  for (INT_PTR code = 0; code <= 32; ++code) {
    const bool notAFailure = code == 2 || code == 3 || code == 5 || code == 16;
    EXPECT_EQ(viewlaunch::CodeIsNotAFailure(code, "QQZ") != FALSE, notAFailure) << code;
  }
  EXPECT_TRUE(viewlaunch::CodeIsNotAFailure(33, "QQZ"));
  EXPECT_FALSE(viewlaunch::CodeIsNotAFailure(-1, "QQZ"));  // no program at all
  Association qqz("QQZ", program_);
  EXPECT_TRUE(viewlaunch::CodeIsNotAFailure(-1, "QQZ"));
}

TEST_F(ViewEntry, AProgramOnlyInPathsLastFolderIsFound) {
  char saved[8192] = {};
  const DWORD had = GetEnvironmentVariableA("PATH", saved, sizeof saved);
  const std::string first = work_ / "FIRST";
  const std::string last = work_ / "LAST ONE";
  CreateDirectoryA(first.c_str(), nullptr);
  CreateDirectoryA(last.c_str(), nullptr);
  testutil::WriteWholeFile(last + "\\ONLYHERE.EXE", std::string("MZ"));
  SetEnvironmentVariableA("PATH", (first + ";" + work_.path() + "NOPE;" + last).c_str());
  const std::string found = viewlaunch::SearchProgram("ONLYHERE.EXE");
  SetEnvironmentVariableA("PATH", had > 0 && had < sizeof saved ? saved : nullptr);
  EXPECT_EQ(lstrcmpiA(found.c_str(), (last + "\\ONLYHERE.EXE").c_str()), 0) << found;
  EXPECT_EQ(viewlaunch::SearchProgram("NOWHERE-AT-ALL.EXE"), "");
}

}  // namespace

// ---- a real launch through the registered control ----------------------------------------------
// This program doubles as the program the launches start: started with ITEMLIST_RECORD in its
// environment, it writes the arguments it was given into that file and ends before any test runs.
namespace {

const bool g_recorder = [] {
  char file[MAX_PATH] = {};
  if (GetEnvironmentVariableA("ITEMLIST_RECORD", file, MAX_PATH) == 0) return false;
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  std::string text;
  for (int i = 1; argv != nullptr && i < count; ++i) {
    char ansi[2048] = {};
    WideCharToMultiByte(CP_ACP, 0, argv[i], -1, ansi, sizeof ansi, nullptr, nullptr);
    text += std::string(ansi) + "\n";
  }
  HANDLE out = CreateFileA(file, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  if (out != INVALID_HANDLE_VALUE) {
    WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(out);
  }
  ExitProcess(0);
  return true;
}();

// The lines the recording program wrote, once it has (waits at most 30 seconds).
std::vector<std::string> WaitForRecord(const std::string& file, size_t lines) {
  for (int i = 0; i < 300; ++i) {
    std::vector<uint8_t> data;
    if (testutil::ReadWholeFile(file, &data)) {
      std::vector<std::string> got;
      std::string line;
      for (uint8_t c : data) {
        if (c == '\n') {
          got.push_back(line);
          line.clear();
        } else {
          line += static_cast<char>(c);
        }
      }
      if (got.size() >= lines) return got;
    }
    Sleep(100);
  }
  return {};
}

TEST(ViewThroughTheControl, AssociatedProgramsGetTheFileAsOneArgument) {
  if (!controltest::CanCreateWindows()) GTEST_SKIP() << "no display";
  controltest::HostedControl host;
  ASSERT_NO_FATAL_FAILURE(host.Create());
  testutil::TempFolder work;
  const std::string programFolder = work / "MY PROGRAMS\\";
  CreateDirectoryA(programFolder.c_str(), nullptr);
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  const std::string program = programFolder + "RECORD.EXE";
  ASSERT_TRUE(CopyFileA(self, program.c_str(), FALSE));
  const std::string viewFolder = work / "VIEW HERE";
  const std::string record = work / "record.txt";
  SetEnvironmentVariableA("ITEMLIST_RECORD", record.c_str());
  auto view = [&](const char* mask, bool textEditor) {
    controltest::DispatchArgs args;
    args.Text(FixtureDir() + "view.zip").Text(mask).Bool(textEditor).Bool(false).Text(viewFolder);
    args.Text("").Bool(false).Bool(false);
    return host.calls().Bool(L"View", args);
  };
  {
    Association qvw("QVW", program);
    EXPECT_FALSE(view("*.QVW", false));  // launched: FALSE
    const std::vector<std::string> got = WaitForRecord(record, 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(Upper(got[0]), Upper(viewFolder + "\\PICTURES\\PHOTO.QVW"));
  }
  DeleteFileA(record.c_str());
  {
    Association txt("TXT", program);
    EXPECT_FALSE(view("LETTER.DOC", true));
    const std::vector<std::string> got = WaitForRecord(record, 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(Upper(got[0]), Upper(viewFolder + "\\LETTER.DOC"));
  }
  SetEnvironmentVariableA("ITEMLIST_RECORD", nullptr);
  Sleep(300);  // the recording program has ended
}

}  // namespace
