// The rewriting operations of CZZip: deleting entries by mask, the archive and entry comments,
// and the repair of damaged archives, on archives made by the peers (zip_rewrite_fixtures.sh).
// What they write is read back by our own readers and by the peers themselves (python's zipfile,
// unzip, zipnote), and kept for the peers' check afterwards.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "reading/czunzip.h"
#include "writing/czzip.h"
#include "files/file_fault.h"
#include "peer_runner.h"
#include "win_test_util.h"
#include "writing/zip_writer.h"
#include "writing/zip_writer_test_support.h"
#include "base/progress_messages.h"

namespace {

using writertest::Layout;
using writertest::Parse;

std::string RewriteFixtures() { return testutil::BinaryDir() + "engine\\fixtures\\zip_rewrite\\"; }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::vector<std::string> Names(const Layout& layout) {
  std::vector<std::string> names;
  for (const writertest::Item& item : layout.items) names.push_back(item.central.name);
  return names;
}

std::string AsText(const std::vector<uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// ---- the peers, run natively (testing/peer_runner.h) ------------------------------------------
// A peer script prints "PEER-OK" as its last line when everything it checked held.

std::string PeerFolder() {
  const std::string folder = testutil::BinaryDir() + "engine\\rewrite_peer\\";
  CreateDirectoryA((testutil::BinaryDir() + "engine").c_str(), nullptr);
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

using testutil::UnixPath;

bool PeerOk(const std::string& output) {
  const std::vector<std::string> lines = Lines(output);
  return !lines.empty() && lines.back() == "PEER-OK";
}

// A copy of an archive where the peers can read it; its Unix path.
std::string ForPeers(const std::string& archive, const std::string& name) {
  const std::string target = PeerFolder() + name;
  EXPECT_TRUE(CopyFileA(archive.c_str(), target.c_str(), FALSE)) << target;
  return UnixPath(target);
}

// ---- progress ----------------------------------------------------------------------------------

struct Progress {
  std::vector<std::string> deleting;  // progress::kDeleting
  std::vector<std::string> writing;   // progress::kWriting
  std::vector<WPARAM> repairing;      // progress::kRepairing
  int cancelAtDeleting = 0;           // set the cancel flag at this progress::kDeleting (0: never)
  int cancelAtRepairing = 0;          // ... at this progress::kRepairing
  CZZip* zip = nullptr;
};
void Record(Progress& p, UINT message, WPARAM wParam, const char* text) {
  if (message == progress::kDeleting) {
    p.deleting.push_back(text != nullptr ? text : "<null>");
    if (static_cast<int>(p.deleting.size()) == p.cancelAtDeleting) p.zip->SetCancel(TRUE);
  } else if (message == progress::kWriting) {
    p.writing.push_back(text != nullptr ? text : "<null>");
  } else if (message == progress::kRepairing) {
    p.repairing.push_back(wParam);
    if (static_cast<int>(p.repairing.size()) == p.cancelAtRepairing) p.zip->SetCancel(TRUE);
  }
}

// A message-only window that records the progress messages while it lives.
class ProgressWindow {
 public:
  explicit ProgressWindow(Progress& progress)
      : window_([&progress](UINT message, WPARAM wParam, const char* text) {
          Record(progress, message, wParam, text);
        }) {}
  HWND handle() const { return window_.get(); }

 private:
  testutil::MessageWindow window_;
};

class ZipRewriteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetFileFaults();
    FinishWriter(0);
    zip_.SetCancel(FALSE);
    saved_ = writertest::CurrentFolder();
  }
  void TearDown() override {
    ResetFileFaults();
    zip_.SetCancel(FALSE);
    FinishWriter(0);
    EXPECT_EQ(writertest::CurrentFolder(), saved_);  // every call puts the caller's folder back
    SetCurrentDirectoryA(saved_.c_str());
  }
  // A copy of a fixture in the test's folder, as archive.zip (or the name given).
  std::string Fixture(const std::string& fixture, const std::string& as = "archive.zip") {
    const std::string path = folder_ / as;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(CopyFileA((RewriteFixtures() + fixture).c_str(), path.c_str(), FALSE))
        << RewriteFixtures() + fixture;
    return path;
  }
  std::vector<std::string> FixtureLines(const std::string& name) {
    return Lines(AsText(testutil::FileBytes(RewriteFixtures() + name)));
  }
  // The layout of an archive a rewrite produced (offsets from the start of the file).
  Layout Read(const std::string& path) {
    Layout layout = Parse(testutil::FileBytes(path));
    EXPECT_EQ(layout.error, "") << path;
    return layout;
  }
  // The layout of a fixture whose offsets may count from the archive proper.
  Layout ReadFixture(const std::string& fixture) {
    const std::vector<uint8_t> bytes = testutil::FileBytes(RewriteFixtures() + fixture);
    Layout layout = Parse(bytes);
    EXPECT_EQ(layout.error, "") << fixture;
    return layout;
  }
  bool NoTemporaryFiles() { return writertest::FilesLike(folder_.path(), "~ZIP*").empty(); }

  testutil::TempFolder folder_;
  CZZip zip_;
  std::string saved_;
};

// Every entry of after is the entry of the same name in before, unchanged.
// Entries are paired by position when both lists hold the same names (names may repeat), else by
// name.
void ExpectEntriesUnchanged(const Layout& before, const Layout& after) {
  const bool samePlaces = Names(before) == Names(after);
  for (size_t i = 0; i < after.items.size(); ++i) {
    const writertest::Item& now = after.items[i];
    const writertest::Item* was = samePlaces ? &before.items[i] : before.Find(now.central.name);
    ASSERT_NE(was, nullptr) << now.central.name;
    EXPECT_EQ(now.local.name, was->local.name);
    EXPECT_EQ(now.data, was->data) << now.central.name;
    EXPECT_EQ(now.central.crc, was->central.crc) << now.central.name;
    EXPECT_EQ(now.local.flags, was->local.flags) << now.central.name;
    EXPECT_EQ(now.local.extra, was->local.extra) << now.central.name;
    EXPECT_EQ(now.central.extra, was->central.extra) << now.central.name;
    EXPECT_EQ(now.externalAttributes, was->externalAttributes) << now.central.name;
  }
}

// ---- delete
// --------------------------------------------------------------------------------------

TEST_F(ZipRewriteTest, DeleteWithMask) {
  const std::vector<std::string> all = {"a.txt", "b.txt",     "keep.dat",
                                        "sub/",  "sub/d.dat", "sub/c.txt"};
  const std::vector<std::string> noTxt = {"keep.dat", "sub/", "sub/d.dat"};
  const struct Case {
    const char* fixture;
    const char* mask;
    int result;
    std::vector<std::string> left;
  } cases[] = {
      {"names.zip", "*.*", kWriterDone, {}},
      {"stub.zip", "*.*", kWriterDone, {}},
      {"names.zip", "*.txt", kWriterDone, noTxt},
      // A folder part in the mask does not count: the file-name part matches in every folder.
      {"names.zip", "sub\\*.txt", kWriterDone, noTxt},
      {"names.zip",
       "C:\\elsewhere\\B.TXT",
       kWriterDone,
       {"a.txt", "keep.dat", "sub/", "sub/d.dat", "sub/c.txt"}},
      {"stub.zip", "*.txt", kWriterDone, noTxt},
      {"streamed.zip", "two.dat", kWriterDone, {"one.txt", "sub/three.txt"}},
      {"sevenz.zip", "*.dat", kWriterDone, {"a.txt", "sub/", "sub/c.txt"}},
      {"names.zip", "*.xyz", kWriterNothingToDo, all},
  };
  const size_t stub = testutil::FileBytes(RewriteFixtures() + "stub.bin").size();
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.fixture << " " << c.mask);
    const std::string archive = Fixture(c.fixture);
    const std::vector<uint8_t> original = testutil::FileBytes(archive);
    const Layout before = ReadFixture(c.fixture);
    ASSERT_EQ(zip_.DeleteEntries(archive.c_str(), c.mask, nullptr, nullptr, nullptr, FALSE),
              c.result);
    EXPECT_TRUE(NoTemporaryFiles());
    if (c.result != kWriterDone) {
      EXPECT_EQ(testutil::FileBytes(archive), original);  // nothing matched: not even rewritten
      continue;
    }
    const std::vector<uint8_t> bytes = testutil::FileBytes(archive);
    const Layout after = Read(archive);
    EXPECT_EQ(Names(after), c.left);
    ExpectEntriesUnchanged(before, after);
    EXPECT_EQ(after.comment, before.comment);
    // The program in front stays byte for byte, also in front of an archive without entries.
    const bool hasStub = std::string(c.fixture) == "stub.zip";
    const size_t front = hasStub ? stub : 0;
    ASSERT_GE(bytes.size(), front + 22);
    EXPECT_TRUE(std::equal(original.begin(), original.begin() + front, bytes.begin()));
    if (!after.items.empty()) {
      EXPECT_EQ(after.firstRecord, front);
    }
    if (c.left.empty()) {
      EXPECT_EQ(bytes.size(), front + 22 + before.comment.size());
      CZUnzip reader;
      EXPECT_EQ(reader.GetCountAndSize(archive.c_str(), nullptr, nullptr, nullptr), 0);
      std::vector<char> comment(kUnzipCommentBlockSize);
      ASSERT_TRUE(reader.GetGlobalComment(archive.c_str(), comment.data()));
      EXPECT_EQ(std::string(comment.data()), AsText(before.comment));
    }
    // The peers read the same entries with the same contents as in the original; python also
    // reads the archive without entries (unzip and 7z refuse those).
    const std::string was = ForPeers(RewriteFixtures() + c.fixture, "delete_before.zip");
    const std::string now = ForPeers(archive, "delete_after.zip");
    const std::string output = testutil::RunPeer(
        PeerFolder(),
        "python3 - " + was + " " + now +
            " <<'PY' || exit 1\n"
            "import sys, zipfile\n"
            "was, now = zipfile.ZipFile(sys.argv[1]), zipfile.ZipFile(sys.argv[2])\n"
            "assert now.testzip() is None\n"
            "assert now.comment == was.comment, (now.comment, was.comment)\n"
            "for name in now.namelist(): assert now.read(name) == was.read(name), name\n"
            "print('\\n'.join(now.namelist()))\n"
            "PY\n"
            "if [ -n \"$(python3 -c 'import sys,zipfile; "
            "print(zipfile.ZipFile(sys.argv[1]).namelist() or \"\")' " +
            now +
            ")\" ]; then\n"
            "  for name in $(unzip -Z1 " +
            now +
            "); do\n"
            "    case $name in */) continue;; esac\n"
            "    cmp <(unzip -p " +
            was + " \"$name\") <(unzip -p " + now +
            " \"$name\") || exit 1\n"
            "  done\n"
            "  unzip -tqq " +
            now +
            " || exit 1\n"
            "fi\n"
            "echo PEER-OK");
    EXPECT_TRUE(PeerOk(output)) << output;
    std::vector<std::string> expected = Lines(output);
    if (!expected.empty()) expected.pop_back();
    EXPECT_EQ(expected, c.left);
    writertest::KeepForPeers(archive, "rewrite_delete_" + std::to_string(n++) + ".zip", c.left);
  }
}

TEST_F(ZipRewriteTest, DeleteReportsEachDroppedEntryAndCancelKeepsTheRest) {
  const struct Case {
    const char* mask;
    int cancelAt;  // the progress::kDeleting whose handler cancels (0: none)
    std::vector<std::string> deleted;
    std::vector<std::string> left;
  } cases[] = {
      {"*.txt", 0, {"a.txt", "b.txt", "sub/c.txt"}, {"keep.dat", "sub/", "sub/d.dat"}},
      // Cancelled at the first: no further entry is dropped, the archive is still rewritten.
      {"*.*", 1, {"a.txt"}, {"b.txt", "keep.dat", "sub/", "sub/d.dat", "sub/c.txt"}},
      {"*.txt", 2, {"a.txt", "b.txt"}, {"keep.dat", "sub/", "sub/d.dat", "sub/c.txt"}},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.mask << " cancel at " << c.cancelAt);
    const std::string archive = Fixture("names.zip");
    Progress progress;
    progress.zip = &zip_;
    progress.cancelAtDeleting = c.cancelAt;
    zip_.SetCancel(FALSE);
    {
      ProgressWindow window(progress);
      ASSERT_NE(window.handle(), nullptr);
      EXPECT_EQ(
          zip_.DeleteEntries(archive.c_str(), c.mask, window.handle(), nullptr, nullptr, FALSE),
          kWriterDone);
    }
    EXPECT_EQ(progress.deleting, c.deleted);
    EXPECT_EQ(progress.writing, std::vector<std::string>{"archive.zip"});
    const Layout after = Read(archive);
    EXPECT_EQ(Names(after), c.left);
    ExpectEntriesUnchanged(ReadFixture("names.zip"), after);
    EXPECT_FALSE(WriteOperation().cancel);  // the next call starts afresh
    writertest::KeepForPeers(archive, "rewrite_delete_progress_" + std::to_string(n++) + ".zip",
                             c.left);
  }
}

TEST_F(ZipRewriteTest, CallsThatHaveNothingToWorkOnGive6AndTouchNothing) {
  const std::string archive = Fixture("names.zip");
  const std::vector<uint8_t> original = testutil::FileBytes(archive);
  Progress progress;
  ProgressWindow list(progress);  // stands for the host's item list
  const HWND window = list.handle();
  ASSERT_NE(window, nullptr);
  const char* a = archive.c_str();
  // Selecting by the host's item list is not available yet: nothing is deleted.
  EXPECT_EQ(zip_.DeleteEntries(a, "*.*", nullptr, window, nullptr, FALSE), kWriterNothingToDo);
  EXPECT_EQ(zip_.DeleteEntries(a, "", nullptr, nullptr, window, TRUE), kWriterNothingToDo);
  EXPECT_EQ(zip_.DeleteEntries(a, "", nullptr, nullptr, nullptr, FALSE), kWriterNothingToDo);
  EXPECT_EQ(zip_.SetLocalComment(a, "missing.txt", "text", nullptr), kWriterNothingToDo);
  EXPECT_EQ(zip_.SetLocalComment(a, "", "text", nullptr), kWriterNothingToDo);
  EXPECT_EQ(testutil::FileBytes(archive), original);
  // An empty archive name.
  EXPECT_EQ(zip_.DeleteEntries("", "*.*", nullptr, nullptr, nullptr, FALSE), kWriterNothingToDo);
  EXPECT_EQ(zip_.SetGlobalComment("", "text", nullptr), kWriterNothingToDo);
  EXPECT_EQ(zip_.SetLocalComment("", "a.txt", "text", nullptr), kWriterNothingToDo);
  EXPECT_EQ(zip_.Repare("", nullptr), kWriterNothingToDo);
  // A missing archive has no entries to delete, comment or recover.
  const std::string missing = folder_ / "missing.zip";
  EXPECT_EQ(zip_.DeleteEntries(missing.c_str(), "*.*", nullptr, nullptr, nullptr, FALSE),
            kWriterNothingToDo);
  EXPECT_EQ(zip_.SetLocalComment(missing.c_str(), "a.txt", "text", nullptr), kWriterNothingToDo);
  EXPECT_EQ(zip_.Repare(missing.c_str(), nullptr), kWriterNothingToDo);
  EXPECT_EQ(GetFileAttributesA(missing.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(progress.deleting.empty() && progress.writing.empty());
  EXPECT_TRUE(NoTemporaryFiles());
}

// ---- comments
// ------------------------------------------------------------------------------------

std::string Oem(const std::string& ansi) {
  std::string oem(ansi.size(), '\0');
  CharToOemBuffA(ansi.c_str(), oem.data(), static_cast<DWORD>(ansi.size()));
  return oem;
}

struct CommentCase {
  const char* label;
  std::string given;
  std::string stored;
};

std::vector<CommentCase> CommentCases() {
  return {
      {"one line", "a comment", "a comment"},
      {"bare line feeds", "first\nsecond\n", "first\r\nsecond\r\n"},
      {"CR LF", "first\r\nsecond\r\n", "first\r\nsecond\r\n"},
      {"mixed", "\nfirst\r\nsecond\nthird\r", "\r\nfirst\r\nsecond\r\nthird\r"},
      {"ANSI letters", "caf\xe9 \xfc", Oem("caf\xe9 \xfc")},
      {"empty", "", ""},
  };
}

// Python's view of an archive's comments: the archive comment, then name and comment of every
// entry, each as hex; zipnote's listing after it.
std::string PeerComments(const std::string& unixArchive) {
  return testutil::RunPeer(
      PeerFolder(),
      "python3 - " + unixArchive +
          " <<'PY' || exit 1\n"
          "import sys, zipfile\n"
          "z = zipfile.ZipFile(sys.argv[1])\n"
          "assert z.testzip() is None\n"
          "print('archive ' + z.comment.hex())\n"
          "for i in z.infolist(): print('entry %s %s' % (i.filename, i.comment.hex()))\n"
          "PY\n"
          "zipnote " +
          unixArchive + " > " + unixArchive +
          ".note || exit 1\n"
          "echo PEER-OK");
}

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : bytes) {
    hex += digits[c >> 4];
    hex += digits[c & 15];
  }
  return hex;
}

// zipnote lists a comment line by line with LF line ends (and no line end after the last).
std::string AsZipnoteShowsIt(const std::string& stored) {
  std::string shown;
  for (char c : stored) {
    if (c != '\r') shown += c;
  }
  while (!shown.empty() && shown.back() == '\n') shown.pop_back();
  return shown;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST_F(ZipRewriteTest, GlobalCommentIsStoredWithCrLfInTheOemCodePage) {
  int n = 0;
  for (const char* fixture : {"names.zip", "stub.zip", "streamed.zip"}) {
    for (const CommentCase& c : CommentCases()) {
      SCOPED_TRACE(testing::Message() << fixture << ": " << c.label);
      const std::string archive = Fixture(fixture);
      const std::vector<uint8_t> original = testutil::FileBytes(archive);
      const Layout before = ReadFixture(fixture);
      ASSERT_EQ(zip_.SetGlobalComment(archive.c_str(), c.given.c_str(), nullptr), kWriterDone);
      const Layout after = Read(archive);
      EXPECT_EQ(AsText(after.comment), c.stored);
      EXPECT_EQ(Names(after), Names(before));
      ExpectEntriesUnchanged(before, after);
      for (const writertest::Item& item : after.items) {
        EXPECT_EQ(item.comment, before.Find(item.central.name)->comment);
      }
      // The program in front of stub.zip stays byte for byte.
      EXPECT_EQ(after.firstRecord, before.firstRecord);
      const std::vector<uint8_t> bytes = testutil::FileBytes(archive);
      EXPECT_TRUE(
          std::equal(original.begin(), original.begin() + before.firstRecord, bytes.begin()));
      CZUnzip reader;
      std::vector<char> comment(kUnzipCommentBlockSize);
      ASSERT_TRUE(reader.GetGlobalComment(archive.c_str(), comment.data()));
      EXPECT_EQ(std::string(comment.data()), c.stored);
      if (std::string(fixture) == "names.zip") {  // the peers once per comment
        const std::string peer = ForPeers(archive, "comment.zip");
        const std::string output = PeerComments(peer);
        ASSERT_TRUE(PeerOk(output)) << output;
        EXPECT_TRUE(Contains(Lines(output), "archive " + Hex(c.stored))) << output;
        // zipnote lists the archive comment last, after its marker line.
        const std::string note = AsText(testutil::FileBytes(PeerFolder() + "comment.zip.note"));
        const std::string marker = "@ (zip file comment below this line)\n";
        const size_t at = note.find(marker);
        ASSERT_NE(at, std::string::npos) << note;
        const std::string listed = note.substr(at + marker.size());
        const std::string shown = AsZipnoteShowsIt(c.stored);
        EXPECT_EQ(listed.substr(0, shown.size()), shown) << note;
      }
      writertest::KeepForPeers(archive, "rewrite_comment_" + std::to_string(n++) + ".zip");
    }
  }
}

TEST_F(ZipRewriteTest, EntryCommentGoesToTheFirstEntryOfThatNameAndKeepsBothNamesEqual) {
  const struct Case {
    const char* fixture;
    const char* entry;  // as the caller gives it
    size_t index;       // the entry that gets the comment
  } cases[] = {
      {"names.zip", "sub\\c.txt", 5},
      {"names.zip", "SUB/C.TXT", 5},  // names compare without regard to case
      {"names.zip", "sub/", 3},
      {"twins.zip", "same.txt", 0},  // two entries share the name: only the first
      {"streamed.zip", "sub/three.txt", 2},
      {"stub.zip", "keep.dat", 2},
  };
  int n = 0;
  for (const Case& c : cases) {
    for (const CommentCase& comment : CommentCases()) {
      SCOPED_TRACE(testing::Message() << c.fixture << " " << c.entry << ": " << comment.label);
      const std::string archive = Fixture(c.fixture);
      const Layout before = ReadFixture(c.fixture);
      ASSERT_EQ(zip_.SetLocalComment(archive.c_str(), c.entry, comment.given.c_str(), nullptr),
                kWriterDone);
      // Parse refuses an entry whose two headers carry different names.
      const Layout after = Read(archive);
      ASSERT_EQ(Names(after), Names(before));
      ExpectEntriesUnchanged(before, after);
      EXPECT_EQ(after.comment, before.comment);
      EXPECT_EQ(after.firstRecord, before.firstRecord);
      for (size_t i = 0; i < after.items.size(); ++i) {
        const writertest::Item& item = after.items[i];
        EXPECT_EQ(item.local.name, before.items[i].local.name);
        EXPECT_EQ(AsText(item.comment),
                  i == c.index ? comment.stored : AsText(before.items[i].comment))
            << item.central.name;
      }
      if (std::string(comment.label) == "bare line feeds" ||
          std::string(comment.label) == "mixed") {
        const std::string peer = ForPeers(archive, "entry_comment.zip");
        const std::string output = PeerComments(peer);
        ASSERT_TRUE(PeerOk(output)) << output;
        const std::vector<std::string> lines = Lines(output);
        size_t i = 0;
        for (const writertest::Item& item : after.items) {
          const std::string line = "entry " + item.central.name + " " + Hex(AsText(item.comment));
          EXPECT_EQ(lines.at(1 + i++), line) << output;
        }
        // zipnote shows the comment under the entry's name.
        const std::string note =
            AsText(testutil::FileBytes(PeerFolder() + "entry_comment.zip.note"));
        const std::string shown =
            "@ " + after.items[c.index].central.name + "\n" + AsZipnoteShowsIt(comment.stored);
        EXPECT_NE(note.find(shown), std::string::npos) << note;
      }
      std::vector<std::string> names = Names(after);
      writertest::KeepForPeers(
          archive, "rewrite_entry_comment_" + std::to_string(n++) + ".zip",
          std::string(c.fixture) == "twins.zip" ? std::vector<std::string>{} : names);
    }
  }
  // The entry comment is read back by our own reader too.
  const std::string archive = Fixture("names.zip");
  ASSERT_EQ(zip_.SetLocalComment(archive.c_str(), "b.txt", "about b\nand more", nullptr),
            kWriterDone);
  CZUnzip reader;
  std::vector<char> text(kUnzipCommentBlockSize);
  ASSERT_TRUE(reader.GetLocalComment(archive.c_str(), "b.txt", text.data()));
  EXPECT_EQ(std::string(text.data()), "about b\r\nand more");
}

TEST_F(ZipRewriteTest, CommentLengthLimits) {
  const std::string archive = Fixture("names.zip");
  const std::vector<uint8_t> original = testutil::FileBytes(archive);
  const struct Case {
    const char* label;
    bool global;
    std::string comment;
    int result;
    size_t storedLength;
  } cases[] = {
      // The archive comment counts its characters as given, before the line ends grow.
      {"global 32767", true, std::string(32767, 'g'), kWriterDone, 32767},
      {"global 32767 line feeds", true, std::string(32767, '\n'), kWriterDone, 65534},
      {"global 32768", true, std::string(32768, 'g'), 8, 0},
      // An entry comment counts what is stored.
      {"entry 32767", false, std::string(32767, 'e'), kWriterDone, 32767},
      {"entry 32768", false, std::string(32768, 'e'), 8, 0},
      {"entry 16384 line feeds", false, std::string(16384, '\n'), 8, 0},
      {"entry 16383 line feeds", false, std::string(16383, '\n') + "x", kWriterDone, 32767},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ASSERT_TRUE(testutil::WriteWholeFile(archive, original));
    const int result =
        c.global ? zip_.SetGlobalComment(archive.c_str(), c.comment.c_str(), nullptr)
                 : zip_.SetLocalComment(archive.c_str(), "a.txt", c.comment.c_str(), nullptr);
    ASSERT_EQ(result, c.result);
    if (result != kWriterDone) {
      EXPECT_EQ(testutil::FileBytes(archive), original);
      continue;
    }
    const Layout after = Read(archive);
    EXPECT_EQ(c.global ? after.comment.size() : after.items[0].comment.size(), c.storedLength);
    writertest::KeepForPeers(archive, "rewrite_comment_limit_" + std::to_string(n++) + ".zip");
  }
  EXPECT_TRUE(NoTemporaryFiles());
}

TEST_F(ZipRewriteTest, GlobalCommentOnAMissingArchiveMakesAnArchiveOfTheEndRecord) {
  const std::string archive = folder_ / "new.zip";
  ASSERT_EQ(zip_.SetGlobalComment(archive.c_str(), "only\na comment", nullptr), kWriterDone);
  const std::vector<uint8_t> bytes = testutil::FileBytes(archive);
  const std::string stored = "only\r\na comment";
  ASSERT_EQ(bytes.size(), 22 + stored.size());
  const Layout layout = Read(archive);
  EXPECT_TRUE(layout.items.empty());
  EXPECT_EQ(AsText(layout.comment), stored);
  CZUnzip reader;
  EXPECT_EQ(reader.GetCountAndSize(archive.c_str(), nullptr, nullptr, nullptr), 0);
  // python reads it (zipnote, unzip and 7z refuse archives without entries).
  const std::string output =
      testutil::RunPeer(PeerFolder(),
                        "python3 -c 'import sys, zipfile; print(\"archive \" + "
                        "zipfile.ZipFile(sys.argv[1]).comment.hex())' " +
                            ForPeers(archive, "comment_only.zip") + " || exit 1\necho PEER-OK");
  EXPECT_TRUE(PeerOk(output)) << output;
  EXPECT_TRUE(Contains(Lines(output), "archive " + Hex(stored))) << output;
  writertest::KeepForPeers(archive, "rewrite_comment_only.zip");
  EXPECT_TRUE(NoTemporaryFiles());

  // In a folder that does not exist nothing can be made, and nothing is left behind.
  const std::string nowhere = folder_ / "no such folder\\new.zip";
  EXPECT_NE(zip_.SetGlobalComment(nowhere.c_str(), "text", nullptr), kWriterDone);
  EXPECT_EQ(GetFileAttributesA((folder_ / "no such folder").c_str()), INVALID_FILE_ATTRIBUTES);

  // A step that fails while it is made: either the archive is complete or there is no file of
  // that name at all.
  const std::string failing = folder_ / "failing.zip";
  for (FileStep step : {FileStep::kCreate, FileStep::kWrite, FileStep::kClose, FileStep::kMove}) {
    int failures = 0;
    for (int nth = 1; nth < 20; ++nth) {
      SCOPED_TRACE(testing::Message() << FileStepName(step) << " #" << nth);
      DeleteFileA(failing.c_str());
      ScopedFileFaults faults;
      FailFileStep(step, nth);
      const int result = zip_.SetGlobalComment(failing.c_str(), "text", nullptr);
      const bool reached = FileStepCalls(step) >= nth;
      ResetFileFaults();
      if (result == kWriterDone) {
        EXPECT_EQ(AsText(testutil::FileBytes(failing)).substr(22), "text");
      } else {
        ++failures;
        EXPECT_EQ(GetFileAttributesA(failing.c_str()), INVALID_FILE_ATTRIBUTES);
      }
      EXPECT_TRUE(NoTemporaryFiles());
      if (!reached) break;
    }
    // A failed move of the new archive into a free name falls back on copying it.
    if (step == FileStep::kCreate || step == FileStep::kWrite) {
      EXPECT_GT(failures, 0) << FileStepName(step);
    }
  }
}

TEST_F(ZipRewriteTest, ARewriteKeepsTheArchiveAttributesAlsoReadOnly) {
  const std::string archive = Fixture("names.zip");
  ASSERT_TRUE(SetFileAttributesA(archive.c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_NE(GetFileAttributesA(archive.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  const std::vector<uint8_t> original = testutil::FileBytes(archive);
  // Where the system enforces the attribute (not for a superuser), the archive cannot be written.
  const HANDLE probe = CreateFileA(archive.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  const bool enforced = probe == INVALID_HANDLE_VALUE;
  if (!enforced) CloseHandle(probe);
  const int result = zip_.SetGlobalComment(archive.c_str(), "read only", nullptr);
  if (enforced) {
    EXPECT_EQ(result, kWriterFileError);
    EXPECT_EQ(testutil::FileBytes(archive), original);
  } else {
    EXPECT_EQ(result, kWriterDone);
    EXPECT_EQ(AsText(Read(archive).comment), "read only");
  }
  EXPECT_NE(GetFileAttributesA(archive.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  SetFileAttributesA(archive.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_TRUE(NoTemporaryFiles());
}

// ---- repair
// --------------------------------------------------------------------------------------

TEST_F(ZipRewriteTest, RepareRecoversTheWholeEntriesFromTheirLocalHeaders) {
  const std::vector<std::string> zipNames = FixtureLines("cut_directory.ffnames");
  ASSERT_EQ(zipNames.size(), 6u);  // zip -FF recovers every entry there
  std::vector<std::string> pastEnd = FixtureLines("past_end.ffnames");
  // zip -FF keeps the entry whose data are cut off; a repair leaves it out.
  ASSERT_EQ(pastEnd.size(), 6u);
  ASSERT_EQ(pastEnd.back(), "sub/c.txt");
  pastEnd.pop_back();
  const struct Case {
    const char* fixture;
    std::vector<std::string> names;
  } cases[] = {
      {"stub.zip", zipNames},  // intact, with a program in front that is dropped
      {"cut_directory.zip", zipNames},
      // The "PK" bytes inside the program in front are not taken for records (zip -FF takes
      // them for the end record and recovers nothing).
      {"stub_cut.zip", zipNames},
      {"past_end.zip", pastEnd},
      // The records of the archive stored inside an entry are data, not entries.
      {"inner_cut.zip", FixtureLines("inner_cut.ffnames")},
      {"streamed.zip", {"one.txt", "two.dat", "sub/three.txt"}},
  };
  const Layout reference = ReadFixture("names.zip");
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fixture);
    const std::string archive = Fixture(c.fixture);
    ASSERT_EQ(zip_.Repare(archive.c_str(), nullptr), kWriterDone);
    const Layout after = Read(archive);
    EXPECT_EQ(after.firstRecord, 0u);
    EXPECT_EQ(Names(after), c.names);
    EXPECT_TRUE(after.comment.empty());
    for (const writertest::Item& item : after.items) {
      const writertest::Item* was = reference.Find(item.central.name);
      if (std::string(c.fixture) == "streamed.zip" || std::string(c.fixture) == "inner_cut.zip")
        break;
      ASSERT_NE(was, nullptr) << item.central.name;
      EXPECT_EQ(item.data, was->data) << item.central.name;
      EXPECT_EQ(item.central.crc, was->central.crc) << item.central.name;
    }
    const std::string peer = ForPeers(archive, "repaired.zip");
    const std::string output = testutil::RunPeer(
        PeerFolder(),
        "python3 -c 'import sys, zipfile; assert zipfile.ZipFile(sys.argv[1]).testzip() is None' " +
            peer + " || exit 1\nunzip -tqq " + peer + " >/dev/null || exit 1\n7z t " + peer +
            " >/dev/null || exit 1\necho PEER-OK");
    EXPECT_TRUE(PeerOk(output)) << output;
    writertest::KeepForPeers(archive, "rewrite_repaired_" + std::to_string(n++) + ".zip", c.names);
  }
  EXPECT_TRUE(NoTemporaryFiles());
}

TEST_F(ZipRewriteTest, RepareOfSomethingWithoutEntriesGives6) {
  const struct Case {
    const char* label;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"text", writertest::Text("no archive here, only some text with PK in it")},
      {"program alone", testutil::FileBytes(RewriteFixtures() + "stub.bin")},
      {"empty archive",
       std::vector<uint8_t>{'P', 'K', 5, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"empty file", {}},
  };
  const std::string archive = folder_ / "archive.zip";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ASSERT_TRUE(testutil::WriteWholeFile(archive, c.bytes));
    EXPECT_EQ(zip_.Repare(archive.c_str(), nullptr), kWriterNothingToDo);
    EXPECT_EQ(testutil::FileBytes(archive), c.bytes);
  }
  EXPECT_TRUE(NoTemporaryFiles());
}

TEST_F(ZipRewriteTest, RepareReportsItsProgressAndACancelLeavesTheArchiveAsItWas) {
  const struct Case {
    int cancelAt;  // the progress::kRepairing whose handler cancels (0: none)
    int result;
  } cases[] = {{0, kWriterDone}, {1, kZipUserAbort}, {4, kZipUserAbort}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cancelAt);
    const std::string archive = Fixture("stub_cut.zip");
    const std::vector<uint8_t> original = testutil::FileBytes(archive);
    Progress progress;
    progress.zip = &zip_;
    progress.cancelAtRepairing = c.cancelAt;
    zip_.SetCancel(FALSE);
    {
      ProgressWindow window(progress);
      ASSERT_NE(window.handle(), nullptr);
      EXPECT_EQ(zip_.Repare(archive.c_str(), window.handle()), c.result);
    }
    // One step 1 for every entry found, then step 2 once.
    EXPECT_EQ(progress.repairing, (std::vector<WPARAM>{1, 1, 1, 1, 1, 1, 2}));
    if (c.result == kWriterDone) {
      EXPECT_EQ(progress.writing, std::vector<std::string>{"archive.zip"});
      EXPECT_EQ(Read(archive).items.size(), 6u);
    } else {
      EXPECT_TRUE(progress.writing.empty());
      EXPECT_EQ(testutil::FileBytes(archive), original);
    }
    EXPECT_TRUE(NoTemporaryFiles());
    EXPECT_FALSE(WriteOperation().cancel);
    EXPECT_FALSE(WriteOperation().repair);
  }
}

// ---- failing file steps
// --------------------------------------------------------------------------

TEST_F(ZipRewriteTest, AFailingFileStepLeavesTheOriginalArchiveByteForByte) {
  const struct Operation {
    const char* label;
    const char* fixture;
    size_t entries;  // after success
    int (*run)(CZZip& zip, const char* archive);
  } operations[] = {
      {"delete", "stub.zip", 3,
       [](CZZip& zip, const char* a) {
         return zip.DeleteEntries(a, "*.txt", nullptr, nullptr, nullptr, FALSE);
       }},
      {"global comment", "names.zip", 6,
       [](CZZip& zip, const char* a) { return zip.SetGlobalComment(a, "new\ncomment", nullptr); }},
      {"entry comment", "streamed.zip", 3,
       [](CZZip& zip, const char* a) { return zip.SetLocalComment(a, "two.dat", "new", nullptr); }},
      {"repair", "stub_cut.zip", 6,
       [](CZZip& zip, const char* a) { return zip.Repare(a, nullptr); }},
  };
  for (const Operation& op : operations) {
    const std::string archive = Fixture(op.fixture);
    const std::vector<uint8_t> original = testutil::FileBytes(archive);
    for (FileStep step : {FileStep::kOpen, FileStep::kCreate, FileStep::kRead, FileStep::kWrite,
                          FileStep::kClose, FileStep::kMove}) {
      int failures = 0;
      for (int nth = 1; nth < 400; ++nth) {
        SCOPED_TRACE(testing::Message() << op.label << ": " << FileStepName(step) << " #" << nth);
        ASSERT_TRUE(testutil::WriteWholeFile(archive, original));
        ScopedFileFaults faults;
        FailFileStep(step, nth);
        // A failed move has a fallback (the replacement copies instead): every later move fails
        // too, so that the rewrite really cannot put the new archive in place.
        if (step == FileStep::kMove) {
          for (int later = nth + 1; later < nth + 10; ++later) FailFileStep(step, later);
        }
        const int result = op.run(zip_, archive.c_str());
        const bool reached = FileStepCalls(step) >= nth;
        ResetFileFaults();
        if (result == kWriterDone) {
          EXPECT_EQ(Read(archive).items.size(), op.entries);
        } else {
          ++failures;
          EXPECT_EQ(testutil::FileBytes(archive), original);
        }
        EXPECT_TRUE(NoTemporaryFiles());
        if (!reached) break;
      }
      // Every step that writes the new archive or puts it in place is checked.
      if (step == FileStep::kCreate || step == FileStep::kWrite || step == FileStep::kMove) {
        EXPECT_GT(failures, 0) << op.label << ": " << FileStepName(step);
      }
    }
  }
}

}  // namespace
