// ZipFiles over existing archives: the overwrite modes against older and newer files, the
// scripted replace prompt, cancel from a progress handler, files that cannot be read, archives
// that must never be replaced, the archive-attribute options and folder links.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "core/le_fields.h"
#include "writing/czzip.h"
#include "base/engine_utils.h"
#include "files/file_fault.h"
#include "base/prompts.h"
#include "win_test_util.h"
#include "writing/zip_writer.h"
#include "writing/zip_writer_test_support.h"
#include "base/progress_messages.h"

namespace {

using writertest::Layout;
using writertest::Parse;
using writertest::Text;

// Stored data of an entry (the tests here add small files with compression mode 3).
std::string Stored(const Layout& layout, const char* name) {
  const writertest::Item* item = layout.Find(name);
  if (item == nullptr) return "<none>";
  return std::string(item->data.begin(), item->data.end());
}

FILETIME FileTimeOf(uint16_t year, uint16_t month, uint16_t day) {
  FILETIME time = {};
  const uint16_t date = static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day);
  EXPECT_TRUE(FileTimeFromDosDateTime(date, 12 << 11, &time));
  return time;
}

bool SetTime(const std::string& path, const FILETIME& time) {
  const HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const BOOL set = SetFileTime(file, nullptr, nullptr, &time);
  CloseHandle(file);
  return set != FALSE;
}

class ScriptedPrompts : public EnginePrompts {
 public:
  std::function<ReplaceAnswer(const std::string&)> answer;
  std::vector<std::string> asked;
  std::vector<bool> newer;
  PasswordAnswer AskPassword(CZText&, const CZText&) override { return kPasswordNever; }
  ReplaceAnswer AskReplace(CZText& fileName, bool archiveCopyOlder, bool, bool) override {
    asked.push_back(fileName.str());
    newer.push_back(archiveCopyOlder);
    return answer(fileName.str());
  }
  bool AskRename(CZText&, bool) override { return false; }
  bool AskBackupSet(CZText&) override { return false; }
};

class ZipUpdateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = writertest::CurrentFolder();
    FinishWriter(0);
    SetEnginePrompts(nullptr);
    zip_.SetCompressionMode(kZipStoreOnly);
    zip_.SetArchiveFlagOptions(FALSE, FALSE);
    archive_ = folder_ / "update.zip";
  }
  void TearDown() override {
    SetEnginePrompts(nullptr);
    SetCurrentDirectoryA(saved_.c_str());
    FinishWriter(0);
  }
  std::string Put(const std::string& name, const std::string& text) {
    const std::string path = folder_ / name;
    EXPECT_TRUE(testutil::WriteWholeFile(path, text));
    return path;
  }
  int Add(const std::string& mask, int mode, HWND window = nullptr) {
    return zip_.ZipFiles(archive_.c_str(), (folder_.path() + mask).c_str(),
                         static_cast<short>(mode), 0, FALSE, window, nullptr);
  }
  Layout Read() {
    Layout layout = Parse(testutil::FileBytes(archive_));
    EXPECT_EQ(layout.error, "");
    return layout;
  }

  testutil::TempFolder folder_;
  std::string saved_;
  std::string archive_;
  CZZip zip_;
};

// ---- overwrite modes ---------------------------------------------------------------------------

TEST_F(ZipUpdateTest, OverwriteModesAgainstOlderSameAndNewerFiles) {
  enum When { kOlder, kSame, kNewer };
  struct Case {
    int mode;
    When file;
    bool replaced;
    bool newAdded;
  };
  const Case cases[] = {
      {kZipReplace, kNewer, true, true},  {kZipReplace, kOlder, true, true},
      {kZipKeep, kNewer, false, true},    {kZipUpdate, kNewer, true, true},
      {kZipUpdate, kSame, false, true},   {kZipUpdate, kOlder, false, true},
      {kZipFreshen, kNewer, true, false}, {kZipFreshen, kOlder, false, false},
  };
  const FILETIME times[] = {FileTimeOf(2001, 1, 1), FileTimeOf(2010, 6, 1), FileTimeOf(2020, 6, 1)};
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << " file " << c.file);
    DeleteFileA(archive_.c_str());
    DeleteFileA((folder_ / "n.txt").c_str());
    const std::string x = Put("x.txt", "first version of x");
    ASSERT_TRUE(SetTime(x, times[kSame]));
    ASSERT_EQ(Add("*.txt", kZipReplace), kWriterDone);
    Put("x.txt", "second version of x, longer");
    ASSERT_TRUE(SetTime(x, times[c.file]));
    Put("n.txt", "a new file");
    ASSERT_EQ(Add("*.txt", c.mode), kWriterDone);
    const Layout layout = Read();
    EXPECT_EQ(Stored(layout, "X.TXT"),
              c.replaced ? "second version of x, longer" : "first version of x");
    EXPECT_EQ(layout.Find("N.TXT") != nullptr, c.newAdded);
    EXPECT_EQ(zip_.GetReplaceFlag(), c.mode);
    writertest::KeepForPeers(archive_, "add_overwrite_" + std::to_string(n++) + ".zip");
  }
}

TEST_F(ZipUpdateTest, UpdateAndFreshenWithNothingNewLeaveTheArchiveAsItIs) {
  Put("a.txt", "unchanged");
  Put("b.txt", "unchanged too");
  ASSERT_EQ(Add("*.txt", kZipReplace), kWriterDone);
  const std::vector<uint8_t> before = testutil::FileBytes(archive_);
  for (int mode : {kZipUpdate, kZipFreshen}) {
    EXPECT_EQ(Add("*.txt", mode), kWriterDone) << mode;
    EXPECT_EQ(testutil::FileBytes(archive_), before) << mode;
  }
  // Keep mode with nothing new has nothing to do.
  EXPECT_EQ(Add("*.txt", kZipKeep), kWriterNothingToDo);
  EXPECT_EQ(testutil::FileBytes(archive_), before);
  EXPECT_TRUE(writertest::FilesLike(folder_.path(), "~ZIP*").empty());
}

// ---- the replace prompt ------------------------------------------------------------------------

TEST_F(ZipUpdateTest, ReplacePromptDecidesPerEntryAndNeverOrAlwaysHoldForTheRestOfTheCall) {
  struct Case {
    const char* label;
    ReplaceAnswer first;   // answer for the first question
    ReplaceAnswer others;  // answer for every later one
    size_t questions;
    int replaced;  // entries replaced of three
  };
  const Case cases[] = {
      {"yes", kReplaceYes, kReplaceYes, 3, 3},        {"no", kReplaceNo, kReplaceNo, 3, 0},
      {"yes then no", kReplaceYes, kReplaceNo, 3, 1}, {"never", kReplaceNever, kReplaceYes, 1, 0},
      {"always", kReplaceAlways, kReplaceNo, 1, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    DeleteFileA(archive_.c_str());
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
      Put(name, "old");
      SetTime(folder_ / name, FileTimeOf(2005, 1, 1));
    }
    ASSERT_EQ(Add("*.txt", kZipReplace), kWriterDone);
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
      Put(name, "new!");
      SetTime(folder_ / name, FileTimeOf(2015, 1, 1));
    }
    ScriptedPrompts prompts;
    prompts.answer = [&](const std::string&) {
      return prompts.asked.size() == 1 ? c.first : c.others;
    };
    SetEnginePrompts(&prompts);
    // With every entry kept there is nothing to do (the archive stays as it is).
    ASSERT_EQ(Add("*.txt", kZipAsk), c.replaced == 0 ? kWriterNothingToDo : kWriterDone);
    SetEnginePrompts(nullptr);
    EXPECT_EQ(prompts.asked.size(), c.questions);
    for (bool isNewer : prompts.newer)
      EXPECT_TRUE(isNewer);  // the files are later than the entries
    int replaced = 0;
    const Layout layout = Read();
    for (const char* name : {"A.TXT", "B.TXT", "C.TXT"}) replaced += Stored(layout, name) == "new!";
    EXPECT_EQ(replaced, c.replaced);
    EXPECT_EQ(zip_.GetReplaceFlag(), kZipAsk);
  }
}

TEST_F(ZipUpdateTest, WithoutAPromptHandlerEntriesAreKeptAndFolderEntriesAreNeverAsked) {
  Put("a.txt", "old");
  ASSERT_TRUE(CreateDirectoryA((folder_ / "dir").c_str(), nullptr));
  Put("dir\\b.txt", "old b");
  // Paths relative to the archive's folder: A.TXT, DIR/, DIR/B.TXT (and not the archive itself).
  ASSERT_EQ(zip_.ZipFiles(archive_.c_str(), (folder_.path() + "*.*").c_str(), kZipReplace, 1, TRUE,
                          nullptr, nullptr),
            kWriterDone);
  ASSERT_EQ(Read().items.size(), 3u);
  Put("a.txt", "new");
  EXPECT_EQ(Add("a.txt", kZipAsk), kWriterNothingToDo);
  EXPECT_EQ(Stored(Read(), "A.TXT"), "old");

  ScriptedPrompts prompts;
  prompts.answer = [](const std::string&) { return kReplaceYes; };
  SetEnginePrompts(&prompts);
  ASSERT_EQ(zip_.ZipFiles(archive_.c_str(), (folder_.path() + "*.*").c_str(), kZipAsk, 1, TRUE,
                          nullptr, nullptr),
            kWriterDone);
  SetEnginePrompts(nullptr);
  ASSERT_EQ(prompts.asked.size(), 2u);  // a.txt and dir/b.txt; not the folder dir/
  for (const std::string& name : prompts.asked) EXPECT_NE(name.back(), '/');
  EXPECT_EQ(Stored(Read(), "A.TXT"), "new");
  writertest::KeepForPeers(archive_, "add_prompt_folders.zip");
}

// ---- cancel ------------------------------------------------------------------------------------

TEST_F(ZipUpdateTest, CancelFromAProgressHandlerSkipsTheRestAndLeavesAValidArchive) {
  Put("keep1.dat", "kept entry one");
  Put("keep2.dat", "kept entry two");
  ASSERT_EQ(Add("*.dat", kZipReplace), kWriterDone);
  for (int i = 0; i < 5; ++i)
    Put("new" + std::to_string(i) + ".txt", "new file " + std::to_string(i));

  // The handler cancels when the second entry is done.
  int entriesDone = 0;
  testutil::MessageWindow window([&](UINT message, WPARAM, const char*) {
    if (message == progress::kFileZipped && ++entriesDone == 2) zip_.SetCancel(TRUE);
  });
  ASSERT_NE(window.get(), nullptr);
  const int result = Add("*.txt", kZipReplace, window.get());
  EXPECT_EQ(result, kZipUserAbort);
  const Layout layout = Read();
  EXPECT_EQ(layout.items.size(), 4u);  // the two old entries and the two new ones written first
  EXPECT_EQ(Stored(layout, "KEEP1.DAT"), "kept entry one");
  EXPECT_EQ(Stored(layout, "KEEP2.DAT"), "kept entry two");
  EXPECT_FALSE(WriteOperation().cancel);  // the next call starts afresh
  writertest::KeepForPeers(archive_, "add_cancelled.zip");
}

// ---- failures ----------------------------------------------------------------------------------

TEST_F(ZipUpdateTest, FileThatCannotBeReadFailsAloneAndKeepsItsOldEntry) {
  Put("a.txt", "old a");
  Put("b.txt", "old b");
  ASSERT_EQ(Add("*.txt", kZipReplace), kWriterDone);
  Put("a.txt", "new a");
  Put("b.txt", "new b");
  Put("c.txt", "new c");
  Put("d.txt", "new d");
  {
    writertest::LockedFile lockB(folder_ / "b.txt");
    writertest::LockedFile lockD(folder_ / "d.txt");
    ASSERT_TRUE(lockB.locked() && lockD.locked());
    EXPECT_EQ(Add("*.txt", kZipReplace), kWriterAccessDenied);
  }
  const Layout layout = Read();
  EXPECT_EQ(Stored(layout, "A.TXT"), "new a");
  EXPECT_EQ(Stored(layout, "B.TXT"), "old b");  // kept as it was
  EXPECT_EQ(Stored(layout, "C.TXT"), "new c");
  EXPECT_EQ(layout.Find("D.TXT"), nullptr);  // left out
  EXPECT_EQ(layout.items.size(), 3u);
  writertest::KeepForPeers(archive_, "add_per_file_failure.zip", {"A.TXT", "B.TXT", "C.TXT"});
}

TEST_F(ZipUpdateTest, ArchiveThatCannotBeReadIsNeverReplaced) {
  Put("a.txt", "some text");
  // Not an archive.
  const std::vector<uint8_t> junk = Text("this is no archive, but someone's file");
  ASSERT_TRUE(testutil::WriteWholeFile(archive_, junk));
  EXPECT_EQ(Add("a.txt", kZipReplace), kWriterNotArchive);
  EXPECT_EQ(testutil::FileBytes(archive_), junk);

  // A valid archive that cannot be opened, or is read-only.
  DeleteFileA(archive_.c_str());
  ASSERT_EQ(Add("a.txt", kZipReplace), kWriterDone);
  const std::vector<uint8_t> before = testutil::FileBytes(archive_);
  Put("b.txt", "more");
  {
    writertest::LockedFile lock(archive_);
    ASSERT_TRUE(lock.locked());
    EXPECT_EQ(Add("b.txt", kZipReplace), kWriterFileError);
  }
  EXPECT_EQ(testutil::FileBytes(archive_), before);
  ASSERT_TRUE(SetFileAttributesA(archive_.c_str(), FILE_ATTRIBUTE_READONLY));
  // Where the system enforces the attribute (not for a superuser), a read-only archive stays.
  const HANDLE probe = CreateFileA(archive_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  const bool enforced = probe == INVALID_HANDLE_VALUE;
  if (!enforced) CloseHandle(probe);
  if (enforced) {
    EXPECT_EQ(Add("b.txt", kZipReplace), kWriterFileError);
    EXPECT_EQ(testutil::FileBytes(archive_), before);
  }
  SetFileAttributesA(archive_.c_str(), FILE_ATTRIBUTE_NORMAL);
  // No temporary archive is left behind.
  EXPECT_TRUE(writertest::FilesLike(folder_.path(), "~ZIP*").empty());
}

TEST_F(ZipUpdateTest, AFailingFileStepLeavesTheOriginalArchiveByteForByte) {
  Put("a.txt", std::string(3000, 'a'));
  Put("b.txt", "old b");
  ASSERT_EQ(Add("*.txt", kZipReplace), kWriterDone);
  const std::vector<uint8_t> original = testutil::FileBytes(archive_);
  Put("b.txt", "new b, to be recompressed");
  Put("c.txt", std::string(5000, 'c'));
  zip_.SetCompressionMode(kZipDeflateNormal);
  for (FileStep step : {FileStep::kCreate, FileStep::kWrite, FileStep::kMove, FileStep::kClose}) {
    int failures = 0;
    // A refused one-step rename only leads to the careful path; the moves failed here are that
    // path's.
    const bool moves = step == FileStep::kMove;
    for (int nth = moves ? 2 : 1; nth < 200; ++nth) {
      SCOPED_TRACE(testing::Message() << FileStepName(step) << " #" << nth);
      ASSERT_TRUE(testutil::WriteWholeFile(archive_, original));
      ScopedFileFaults faults;
      if (moves) FailFileStep(FileStep::kMove, 1);
      FailFileStep(step, nth);
      const int result = Add("*.txt", kZipReplace);
      const bool reached = FileStepCalls(step) >= nth;
      ResetFileFaults();
      if (result == kWriterDone) {
        const Layout layout = Read();
        EXPECT_EQ(layout.items.size(), 3u);
        EXPECT_EQ(Stored(layout, "B.TXT"), "new b, to be recompressed");
        if (!reached) break;
        continue;
      }
      ++failures;
      EXPECT_EQ(result, kWriterFileError);
      EXPECT_EQ(testutil::FileBytes(archive_), original);
      EXPECT_TRUE(writertest::FilesLike(folder_.path(), "~ZIP*").empty());
      if (!reached) break;
    }
    EXPECT_GT(failures, 0) << FileStepName(step);  // the step is on the path and is checked
  }
}

// ---- archive attribute
// ---------------------------------------------------------------------------

constexpr DWORD kMarked = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN;

bool HasArchiveFlag(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_ARCHIVE);
}

TEST_F(ZipUpdateTest, ArchiveAttributeOptions) {
  const std::string marked = Put("marked.txt", "changed since the last backup");
  const std::string clean = Put("clean.txt", "backed up already");
  // Hidden as well: some file systems show every file with the archive attribute unless it
  // has other attributes to keep.
  ASSERT_TRUE(SetFileAttributesA(marked.c_str(), kMarked));
  ASSERT_TRUE(SetFileAttributesA(clean.c_str(), FILE_ATTRIBUTE_HIDDEN));
  if (HasArchiveFlag(clean) || !HasArchiveFlag(marked)) {
    GTEST_SKIP() << "the file system here does not keep the archive attribute ("
                 << GetFileAttributesA(marked.c_str()) << ", " << GetFileAttributesA(clean.c_str())
                 << ")";
  }
  // Only files with the attribute are taken.
  zip_.SetArchiveFlagOptions(TRUE, FALSE);
  ASSERT_EQ(Add("*.txt", kZipReplace), kWriterDone);
  Layout layout = Read();
  EXPECT_NE(layout.Find("MARKED.TXT"), nullptr);
  EXPECT_EQ(layout.Find("CLEAN.TXT"), nullptr);
  EXPECT_TRUE(HasArchiveFlag(marked));  // not asked to clear it

  // Clearing: only for the files written into the archive, once it is in place.
  DeleteFileA(archive_.c_str());
  const std::string locked = Put("locked.txt", "cannot be read now");
  ASSERT_TRUE(SetFileAttributesA(locked.c_str(), kMarked));
  zip_.SetArchiveFlagOptions(FALSE, TRUE);
  {
    writertest::LockedFile lock(locked);
    ASSERT_TRUE(lock.locked());
    EXPECT_EQ(Add("*.txt", kZipReplace), kWriterAccessDenied);
  }
  layout = Read();
  EXPECT_NE(layout.Find("MARKED.TXT"), nullptr);
  EXPECT_EQ(layout.Find("LOCKED.TXT"), nullptr);
  EXPECT_FALSE(HasArchiveFlag(marked));
  EXPECT_TRUE(HasArchiveFlag(locked));

  // A call that fails before the archive is in place clears nothing.
  ASSERT_TRUE(SetFileAttributesA(marked.c_str(), kMarked));
  const std::vector<uint8_t> junk = Text("no archive");
  ASSERT_TRUE(testutil::WriteWholeFile(archive_, junk));
  EXPECT_EQ(Add("*.txt", kZipReplace), kWriterNotArchive);
  EXPECT_TRUE(HasArchiveFlag(marked));
  zip_.SetArchiveFlagOptions(FALSE, FALSE);
}

// ---- folder links ------------------------------------------------------------------------------

TEST_F(ZipUpdateTest, RecursiveScanDoesNotFollowFolderLinks) {
  // tree\link is a folder link (made natively) to a folder outside the tree.
  const std::string tree = testutil::BinaryDir() + "engine\\fixtures\\zip_add\\links\\tree\\";
  ASSERT_NE(GetFileAttributesA((tree + "in.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  const DWORD link = GetFileAttributesA((tree + "link").c_str());
  ASSERT_NE(link, INVALID_FILE_ATTRIBUTES);
  ASSERT_NE(GetFileAttributesA((tree + "link\\out.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  if (!(link & FILE_ATTRIBUTE_REPARSE_POINT)) {
    GTEST_SKIP() << "this system does not show folder links as links";
  }
  for (short method : {0, 2}) {
    SCOPED_TRACE(method);
    DeleteFileA(archive_.c_str());
    ASSERT_EQ(zip_.ZipFiles(archive_.c_str(), (tree + "*.*").c_str(), kZipReplace, method, TRUE,
                            nullptr, nullptr),
              kWriterDone);
    const Layout layout = Read();
    ASSERT_EQ(layout.items.size(), 1u) << layout.items.back().central.name;
    const std::string& name = layout.items[0].central.name;
    EXPECT_TRUE(name == "IN.TXT" ||
                (name.size() > 12 && name.substr(name.size() - 12) == "/TREE/IN.TXT"))
        << name;
  }
}

// ---- archives made by peers -------------------------------------------------------------------

TEST_F(ZipUpdateTest, UpdatingPeerArchivesKeepsTheirEntriesIntact) {
  const char* fixtures[] = {"zip_names.zip", "python_streamed.zip", "sfx_adjusted.zip",
                            "sfx_plain.zip"};
  Put("added.txt", "a file added to a peer's archive");
  for (const char* fixture : fixtures) {
    SCOPED_TRACE(fixture);
    ASSERT_TRUE(CopyFileA((writertest::FixtureDir() + fixture).c_str(), archive_.c_str(), FALSE));
    const std::vector<uint8_t> original = testutil::FileBytes(archive_);
    // Offsets counted from the archive proper (behind the program in front) are read as such.
    const bool countedFromArchive = std::string(fixture) == "sfx_plain.zip";
    const size_t front =
        countedFromArchive ? testutil::FileBytes(writertest::FixtureDir() + "stub.bin").size() : 0;
    Layout before = Parse(std::vector<uint8_t>(original.begin() + front, original.end()));
    before.firstRecord += static_cast<uint32_t>(front);
    ASSERT_EQ(before.error, "");
    ASSERT_FALSE(before.items.empty());
    ASSERT_EQ(Add("added.txt", kZipReplace), kWriterDone);
    const std::vector<uint8_t> updated = testutil::FileBytes(archive_);
    const Layout after = Parse(updated);
    ASSERT_EQ(after.error, "");
    ASSERT_EQ(after.items.size(), before.items.size() + 1);
    // The program in front is kept byte for byte.
    ASSERT_EQ(after.firstRecord, before.firstRecord);
    EXPECT_TRUE(
        std::equal(original.begin(), original.begin() + before.firstRecord, updated.begin()));
    for (size_t i = 0; i < before.items.size(); ++i) {
      const writertest::Item& was = before.items[i];
      const writertest::Item& now = after.items[i];
      EXPECT_EQ(now.central.name, was.central.name);  // lower-case names stay as they were
      EXPECT_EQ(now.local.name, was.local.name);
      EXPECT_EQ(now.data, was.data) << was.central.name;
      EXPECT_EQ(now.central.crc, was.central.crc);
      EXPECT_EQ(now.local.extra, was.local.extra);
      EXPECT_EQ(now.central.extra, was.central.extra);
      EXPECT_EQ(now.central.dosDateTime, was.central.dosDateTime);
    }
    EXPECT_EQ(after.items.back().central.name, "ADDED.TXT");
    EXPECT_EQ(after.comment, before.comment);
    writertest::KeepForPeers(archive_, std::string("add_to_peer_") + fixture);
  }
}

TEST_F(ZipUpdateTest, RecompressedPeerEntryGetsTheNewFileAndLosesItsOldTimeExtras) {
  ASSERT_TRUE(
      CopyFileA((writertest::FixtureDir() + "zip_names.zip").c_str(), archive_.c_str(), FALSE));
  const Layout before = Parse(testutil::FileBytes(archive_));
  const writertest::Item* old = before.Find("a.txt");
  ASSERT_NE(old, nullptr);
  ASSERT_FALSE(old->local.extra.empty());  // zip's time extras
  Put("a.txt", "the new a.txt");
  ASSERT_EQ(Add("a.txt", kZipReplace), kWriterDone);
  const Layout after = Read();
  ASSERT_EQ(after.items.size(), before.items.size());
  const writertest::Item* now = after.Find("A.TXT");
  ASSERT_NE(now, nullptr);
  EXPECT_EQ(std::string(now->data.begin(), now->data.end()), "the new a.txt");
  auto hasTimeBlock = [](const std::vector<uint8_t>& extra) {
    for (size_t at = 0; at + 4 <= extra.size(); at += 4 + GetLE16(&extra[at + 2])) {
      if (GetLE16(&extra[at]) == 0x5455) return true;
    }
    return false;
  };
  EXPECT_FALSE(hasTimeBlock(now->local.extra));
  EXPECT_FALSE(hasTimeBlock(now->central.extra));
  writertest::KeepForPeers(archive_, "add_recompressed_peer_entry.zip");
}

}  // namespace
