// The archive writer against a process that dies mid-way and a drive that runs full. A child
// process (this test program, run again with a filter and a variable that tells it what to do)
// updates an archive and is killed while it compresses, or stops itself right before or right
// after the rename that puts the new archive in place. Afterwards the archive's name must hold
// the original byte for byte or the complete new archive; never nothing, never a cut file. The
// leftovers of a killed update must not stop the next one.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "reading/czunzip.h"
#include "writing/czzip.h"
#include "writing/archive_replace.h"
#include "files/file_ops.h"
#include "win_test_util.h"
#include "writing/zip_writer.h"
#include "writing/zip_writer_test_support.h"

namespace {

// "mode|archive|mask": set only in the child's environment.
constexpr char kChildVariable[] = "PELLORO_WRITER_CRASH_CHILD";
constexpr char kChildTest[] = "WriterCrashChild.UpdateAndStop";
constexpr DWORD kStoppedByHook = 7001;   // the child stopped itself at the replacement step
constexpr DWORD kKilledByParent = 7002;  // the parent killed the child
constexpr DWORD kChildTimeoutMs = 180000;

// Text-like data that deflate has to work on (neither a run of one byte nor incompressible).
std::vector<uint8_t> WordData(size_t length, uint32_t seed) {
  static const char* const kWords[] = {"archive ", "entry ",  "deflate ", "header ", "folder ",
                                       "name ",    "crc ",    "block ",   "stored ", "window ",
                                       "length ",  "offset ", "\r\n",     "0x1f ",   "data "};
  std::vector<uint8_t> data;
  data.reserve(length);
  while (data.size() < length) {
    seed = seed * 1664525u + 1013904223u;
    const char* word = kWords[(seed >> 16) % (sizeof kWords / sizeof kWords[0])];
    for (const char* c = word; *c != '\0' && data.size() < length; ++c) data.push_back(*c);
    if ((seed & 0xFF) < 12) data.push_back(static_cast<uint8_t>('A' + (seed >> 8) % 26));
  }
  return data;
}

std::string ModuleFile() {
  char path[MAX_PATH * 4] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  return path;
}

std::string CurrentFolder() {
  char folder[MAX_PATH * 4] = {};
  GetCurrentDirectoryA(sizeof folder, folder);
  return folder;
}

// The temporary archives the writer makes beside an archive, with their sizes.
struct Leftover {
  std::string name;
  ULONGLONG size = 0;
};
std::vector<Leftover> Temporaries(const std::string& folder) {
  std::vector<Leftover> found;
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA((folder + "~ZIP*").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return found;
  do {
    found.push_back(
        {data.cFileName, (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow});
  } while (FindNextFileA(search, &data));
  FindClose(search);
  return found;
}

// Our reader's full test of an archive (every entry decoded and its CRC checked) and its entry
// count; run with a scratch folder current, where the test decodes into.
struct ReaderVerdict {
  int test = -1;
  long entries = -1;
};
ReaderVerdict ReaderTest(const std::string& archive) {
  testutil::TempFolder scratch;
  const std::string saved = CurrentFolder();
  SetCurrentDirectoryA(scratch.path().c_str());
  ReaderVerdict verdict;
  {
    CZUnzip unzip;
    verdict.test = unzip.IsZIPFile(archive.c_str(), FALSE);
    verdict.entries = unzip.GetCountAndSize(archive.c_str(), nullptr, nullptr, nullptr);
  }
  SetCurrentDirectoryA(saved.c_str());
  return verdict;
}

// The child process: started suspended inside a job that kills it when the job's handle closes,
// so that it never outlives the test, whatever happens to the test; killed and waited for on
// destruction when it is still running. Its output goes to a log file beside the archive.
class ChildRun {
 public:
  ChildRun(const std::string& setting, const std::string& logName) {
    job_ = CreateJobObjectA(nullptr, nullptr);
    if (job_ != nullptr) {
      JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
      limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
      SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    log_ = CreateFileA(logName.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (log_ != INVALID_HANDLE_VALUE) {
      startup.dwFlags = STARTF_USESTDHANDLES;
      startup.hStdOutput = log_;
      startup.hStdError = log_;
    }
    std::string line = "\"";
    line += ModuleFile();
    line += "\" --gtest_color=no --gtest_filter=";
    line += kChildTest;
    SetEnvironmentVariableA(kChildVariable, setting.c_str());
    started_ = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                              nullptr, nullptr, &startup, &process_) != FALSE;
    SetEnvironmentVariableA(kChildVariable, nullptr);
    if (!started_) return;
    if (job_ != nullptr) AssignProcessToJobObject(job_, process_.hProcess);
    ResumeThread(process_.hThread);
  }
  ~ChildRun() {
    if (started_) {
      if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, kKilledByParent);
      }
      WaitForSingleObject(process_.hProcess, kChildTimeoutMs);
      CloseHandle(process_.hThread);
      CloseHandle(process_.hProcess);
    }
    if (job_ != nullptr) CloseHandle(job_);
    if (log_ != INVALID_HANDLE_VALUE) CloseHandle(log_);
  }
  ChildRun(const ChildRun&) = delete;
  ChildRun& operator=(const ChildRun&) = delete;

  bool started() const { return started_; }
  bool Running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }
  void Kill() {
    TerminateProcess(process_.hProcess, kKilledByParent);
    WaitForSingleObject(process_.hProcess, kChildTimeoutMs);
  }
  // The exit code once the child ended within timeoutMs; STILL_ACTIVE otherwise.
  DWORD Wait(DWORD timeoutMs) {
    WaitForSingleObject(process_.hProcess, timeoutMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }

 private:
  HANDLE job_ = nullptr;
  HANDLE log_ = INVALID_HANDLE_VALUE;
  PROCESS_INFORMATION process_ = {};
  bool started_ = false;
};

std::string LogText(const std::string& logName) {
  std::vector<uint8_t> data;
  testutil::ReadWholeFile(logName, &data);
  return std::string(data.begin(), data.end());
}

// An archive of two small files, made by our writer, and a large file to add to it.
class WriterCrashTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FinishWriter(0);
    archive_ = folder_ / "CRASH.ZIP";
    ASSERT_TRUE(testutil::WriteWholeFile(sources_ / "first.txt", WordData(20000, 1)));
    ASSERT_TRUE(testutil::WriteWholeFile(sources_ / "second.txt", WordData(30000, 2)));
    CZZip zip;
    ASSERT_EQ(zip.ZipFiles(archive_.c_str(), (sources_.path() + "*.txt").c_str(), kZipReplace, 0,
                           FALSE, nullptr, nullptr),
              0);
    original_ = testutil::FileBytes(archive_);
    ASSERT_FALSE(original_.empty());
    ASSERT_EQ(ReaderTest(archive_).entries, 2);
  }
  void TearDown() override { FinishWriter(0); }

  std::string AddBigFile(size_t length) {
    const std::string big = adds_ / "big.dat";
    EXPECT_TRUE(testutil::WriteWholeFile(big, WordData(length, 7)));
    return big;
  }
  std::string Setting(const char* mode, const std::string& mask) const {
    return std::string(mode) + "|" + archive_ + "|" + mask;
  }

  // The next update after a killed one: it must work beside the leftovers and leave them alone.
  void ExpectTheNextUpdateWorks(const std::vector<Leftover>& leftovers, long entriesBefore) {
    ASSERT_TRUE(testutil::WriteWholeFile(adds_ / "later.txt", "added after the crash"));
    CZZip zip;
    EXPECT_EQ(zip.ZipFiles(archive_.c_str(), (adds_.path() + "later.txt").c_str(), kZipReplace, 0,
                           FALSE, nullptr, nullptr),
              0);
    const ReaderVerdict verdict = ReaderTest(archive_);
    EXPECT_EQ(verdict.test, 0);
    EXPECT_EQ(verdict.entries, entriesBefore + 1);
    const std::vector<Leftover> after = Temporaries(folder_.path());
    ASSERT_EQ(after.size(), leftovers.size()) << "the update adds no leftover of its own";
    for (size_t i = 0; i < after.size(); ++i) {
      EXPECT_EQ(after[i].name, leftovers[i].name) << "a leftover is not the writer's to take";
      EXPECT_EQ(after[i].size, leftovers[i].size);
    }
  }

  testutil::TempFolder folder_;   // the archive's folder
  testutil::TempFolder sources_;  // the files of the original archive
  testutil::TempFolder adds_;     // the files the updates add
  std::string archive_;
  std::vector<uint8_t> original_;
};

}  // namespace

// ---- the child ---------------------------------------------------------------------------------

namespace {

void StopAt(ReplaceStage stage, const std::string& mode) {
  if ((stage == ReplaceStage::kBeforeRename && mode == "before") ||
      (stage == ReplaceStage::kAfterRename && mode == "after")) {
    TerminateProcess(GetCurrentProcess(), kStoppedByHook);
  }
}

std::string g_childMode;

void StopHook(ReplaceStage stage) { StopAt(stage, g_childMode); }

}  // namespace

// Does its work only as the child of the tests below; they read its effects on the files.
TEST(WriterCrashChild, UpdateAndStop) {
  const char* setting = std::getenv(kChildVariable);
  if (setting == nullptr || *setting == '\0') {
    GTEST_SKIP() << "runs only as the child process of the WriterCrash tests";
  }
  const std::string text = setting;
  const size_t first = text.find('|');
  const size_t second = text.find('|', first + 1);
  ASSERT_NE(second, std::string::npos) << text;
  g_childMode = text.substr(0, first);
  const std::string archive = text.substr(first + 1, second - first - 1);
  const std::string mask = text.substr(second + 1);
  SetReplaceStageHook(StopHook);
  CZZip zip;
  zip.SetCompressionMode(kZipDeflateNormal);
  const int result =
      zip.ZipFiles(archive.c_str(), mask.c_str(), kZipReplace, 0, FALSE, nullptr, nullptr);
  SetReplaceStageHook(nullptr);
  EXPECT_EQ(result, 0);
  std::cout << "the update ran to its end (mode " << g_childMode << ")\n";
}

// ---- killed while compressing -------------------------------------------------------------------

TEST_F(WriterCrashTest, KilledWhileCompressingLeavesTheOriginal) {
  const std::string big = AddBigFile(48u << 20);
  const std::string log = adds_ / "child.log";
  ULONGLONG sizeAtKill = 0;
  {
    ChildRun child(Setting("run", big), log);
    ASSERT_TRUE(child.started());
    // Kill once the temporary archive exists and is seen to grow.
    ULONGLONG lastSize = 0;
    bool growing = false;
    const DWORD start = GetTickCount();
    while (child.Running() && GetTickCount() - start < kChildTimeoutMs) {
      const std::vector<Leftover> temporaries = Temporaries(folder_.path());
      if (temporaries.size() == 1) {
        const ULONGLONG size = temporaries[0].size;
        if (lastSize > 64 * 1024 && size > lastSize) {
          growing = true;
          break;
        }
        lastSize = size;
      }
      Sleep(5);
    }
    ASSERT_TRUE(growing) << "the temporary archive was never seen growing; the child said:\n"
                         << LogText(log);
    child.Kill();
    EXPECT_EQ(child.Wait(0), kKilledByParent);
    sizeAtKill = lastSize;
  }
  EXPECT_EQ(testutil::FileBytes(archive_), original_) << "the original archive, byte for byte";
  const std::vector<Leftover> leftovers = Temporaries(folder_.path());
  ASSERT_EQ(leftovers.size(), 1u) << "the cut temporary archive stays behind";
  EXPECT_GE(leftovers[0].size, sizeAtKill);
  EXPECT_LT(leftovers[0].size, 48u << 20) << "killed before the end of the data";
  std::cout << "left behind: " << leftovers[0].name << " (" << leftovers[0].size
            << " bytes, a cut archive)\n";
  ExpectTheNextUpdateWorks(leftovers, 2);
}

// ---- stopped at the replacement step
// -------------------------------------------------------------

TEST_F(WriterCrashTest, StoppedAtTheRenameLeavesTheOldOrTheCompleteNewArchive) {
  struct Case {
    const char* mode;
    bool replaced;  // the archive's name holds the new archive afterwards
  };
  for (const Case& c : {Case{"before", false}, Case{"after", true}}) {
    SCOPED_TRACE(c.mode);
    ASSERT_TRUE(testutil::WriteWholeFile(archive_, original_));
    const std::string big = AddBigFile(3u << 20);
    const std::string log = adds_ / "child.log";
    DWORD code = 0;
    {
      ChildRun child(Setting(c.mode, big), log);
      ASSERT_TRUE(child.started());
      code = child.Wait(kChildTimeoutMs);
    }
    ASSERT_EQ(code, kStoppedByHook) << "the child did not stop at the rename; it said:\n"
                                    << LogText(log);
    const std::vector<Leftover> leftovers = Temporaries(folder_.path());
    const ReaderVerdict verdict = ReaderTest(archive_);
    if (!c.replaced) {
      EXPECT_EQ(testutil::FileBytes(archive_), original_) << "the original archive, byte for byte";
      // The new archive was complete: it is left under its temporary name, itself sound.
      ASSERT_EQ(leftovers.size(), 1u);
      const ReaderVerdict left = ReaderTest(folder_ / leftovers[0].name);
      EXPECT_EQ(left.test, 0);
      EXPECT_EQ(left.entries, 3);
      std::cout << "left behind: " << leftovers[0].name << " (" << leftovers[0].size
                << " bytes, the complete new archive)\n";
      ExpectTheNextUpdateWorks(leftovers, 2);
      for (const Leftover& leftover : leftovers) DeleteFileA((folder_ / leftover.name).c_str());
    } else {
      EXPECT_NE(testutil::FileBytes(archive_), original_);
      EXPECT_EQ(verdict.test, 0) << "the complete new archive passes the reader's test";
      EXPECT_EQ(verdict.entries, 3);
      EXPECT_TRUE(leftovers.empty()) << "the temporary archive became the archive";
      ExpectTheNextUpdateWorks(leftovers, 3);
    }
  }
}

// ---- a drive that runs full
// ----------------------------------------------------------------------

namespace {

constexpr char kSmallDrive[] = "S:\\";

using UnixNameFunction = char*(CDECL*)(const WCHAR*);

// The Unix folder a drive of the prefix is mapped to; empty outside Wine.
std::string UnixFolderOf(const wchar_t* drive) {
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  const auto unixName = reinterpret_cast<UnixNameFunction>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
  if (unixName == nullptr) return std::string();
  char* name = unixName(drive);
  if (name == nullptr) return std::string();
  std::string folder = name;
  HeapFree(GetProcessHeap(), 0, name);
  return folder;
}

// Whether the mount's error file exists and holds something.
bool ErrorsWritten(const std::string& path) {
  std::vector<uint8_t> text;
  return testutil::ReadWholeFile(path, &text) && !text.empty();
}

ULONGLONG DriveTotalBytes(const char* root) {
  ULARGE_INTEGER available = {};
  ULARGE_INTEGER total = {};
  ULARGE_INTEGER free = {};
  if (!GetDiskFreeSpaceExA(root, &available, &total, &free)) return 0;
  return total.QuadPart;
}

bool DriveIsSmall() {
  const ULONGLONG total = DriveTotalBytes(kSmallDrive);
  return total != 0 && total <= (4u << 20);
}

// Starts a Unix program through Wine and waits until done() holds, at most timeoutMs. Wine does
// not wait for a Unix program's end nor report its exit code, so its effect is what is awaited.
template <typename Done>
bool RunUnixUntil(const std::string& command, Done done, DWORD timeoutMs) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::string line = command;
  if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                     &process)) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  const DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(20);
  }
}

// A small tmpfs mounted on the folder of drive S: (Wine runs Unix programs too) and unmounted
// again on destruction. A mount left behind by a run that was stopped is removed first.
class SmallDrive {
 public:
  SmallDrive(const std::string& unixFolder, const testutil::TempFolder& scratch)
      : folder_(unixFolder) {
    if (DriveIsSmall() && !Unmount()) return;
    const std::string errors = scratch / "mount.txt";
    const std::string unixErrors = UnixFolderOf(std::wstring(errors.begin(), errors.end()).c_str());
    if (unixErrors.empty()) return;
    mounted_ = RunUnixUntil(
                   "/bin/sh -c \"mount -t tmpfs -o size=2m pelloro-small '" + folder_ + "' 2>'" +
                       unixErrors + "' || echo mount failed >>'" + unixErrors + "'\"",
                   [&] { return DriveIsSmall() || ErrorsWritten(errors); }, 10000) &&
               DriveIsSmall();
    if (!mounted_) {
      const std::vector<uint8_t> text = testutil::FileBytes(errors);
      output_ = text.empty() ? "no answer from mount" : std::string(text.begin(), text.end());
    }
  }
  ~SmallDrive() {
    if (mounted_ && !Unmount()) ADD_FAILURE() << "the small drive stays mounted on " << folder_;
  }
  SmallDrive(const SmallDrive&) = delete;
  SmallDrive& operator=(const SmallDrive&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& output() const { return output_; }

 private:
  bool Unmount() {
    return RunUnixUntil(
        "/bin/sh -c \"umount '" + folder_ + "' 2>/dev/null || umount -l '" + folder_ + "'\"",
        [] { return !DriveIsSmall(); }, 10000);
  }

  std::string folder_;
  std::string output_;
  bool mounted_ = false;
};

}  // namespace

// On a 2 MB drive: an archive too large to be written twice, and a file too large to fit. The
// update fails with an error, the original stays byte for byte, and no temporary archive is left.
TEST(WriterFullDrive, AnUpdateThatRunsOutOfSpaceLeavesTheOriginal) {
  if (GetDriveTypeA(kSmallDrive) == DRIVE_NO_ROOT_DIR) {
    GTEST_SKIP() << "drive S: is not mapped in this prefix (scripts/wine-env.sh maps it)";
  }
  const std::string unixFolder = UnixFolderOf(L"S:\\");
  if (unixFolder.empty()) GTEST_SKIP() << "not under Wine: no Unix folder to mount a drive on";
  testutil::TempFolder sources;
  SmallDrive drive(unixFolder, sources);
  if (!drive.mounted()) {
    GTEST_SKIP() << "a small drive cannot be mounted here (mount -t tmpfs needs root and a "
                    "container that allows mounts): "
                 << drive.output();
  }
  struct Case {
    const char* name;
    size_t archiveData;  // incompressible bytes in the archive
    size_t addedData;    // incompressible bytes of the file added
  };
  for (const Case& c : {Case{"an archive too large to be written twice", 1200u << 10, 1000},
                        Case{"a file too large for the drive", 100u << 10, 3u << 20}}) {
    SCOPED_TRACE(c.name);
    const std::string archive = std::string(kSmallDrive) + "FULL.ZIP";
    DeleteFileA(archive.c_str());
    ASSERT_TRUE(
        testutil::WriteWholeFile(sources / "old.bin", writertest::RandomBytes(c.archiveData, 11)));
    ASSERT_TRUE(
        testutil::WriteWholeFile(sources / "new.bin", writertest::RandomBytes(c.addedData, 12)));
    CZZip zip;
    zip.SetCompressionMode(kZipStoreOnly);
    ASSERT_EQ(zip.ZipFiles(archive.c_str(), (sources.path() + "old.bin").c_str(), kZipReplace, 0,
                           FALSE, nullptr, nullptr),
              0);
    const std::vector<uint8_t> original = testutil::FileBytes(archive);
    ASSERT_FALSE(original.empty());

    const int result = zip.ZipFiles(archive.c_str(), (sources.path() + "new.bin").c_str(),
                                    kZipReplace, 0, FALSE, nullptr, nullptr);
    EXPECT_EQ(result, kWriterFileError) << "the update cannot fit: the code of a failed write";
    std::cout << c.name << ": result " << result << "\n";
    EXPECT_EQ(testutil::FileBytes(archive), original) << "the original archive, byte for byte";
    EXPECT_TRUE(Temporaries(kSmallDrive).empty()) << "no temporary archive left on the drive";
    EXPECT_EQ(ReaderTest(archive).entries, 1);
    DeleteFileA(archive.c_str());
  }
}
