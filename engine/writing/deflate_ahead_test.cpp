// Compressing ahead on worker threads: the archive and the progress messages are the same as when
// the writer compresses every file itself, a file changed after a worker read it is compressed
// again, results come in the writer's order whatever it skips, and stopping never hangs.
#include "writing/deflate_ahead.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/crc32.h"
#include "writing/czzip.h"
#include "win_test_util.h"
#include "writing/zip_writer.h"
#include "writing/zip_writer_test_support.h"
#include "base/progress_messages.h"

namespace {

struct Message {
  UINT message;
  WPARAM wParam;
  std::string text;
  bool operator==(const Message&) const = default;
};

std::vector<uint8_t> Repetitive(size_t length, uint32_t seed) {
  static const char* const kWords[] = {"archive ", "entry ",  "folder ", "window ", "deflate ",
                                       "header ",  "stored ", "name ",   "\r\n"};
  std::vector<uint8_t> data;
  data.reserve(length);
  while (data.size() < length) {
    seed = seed * 1664525u + 1013904223u;
    const char* word = kWords[(seed >> 24) % std::size(kWords)];
    while (*word != '\0' && data.size() < length) data.push_back(static_cast<uint8_t>(*word++));
  }
  return data;
}

// Which hook calls came, for the tests that need to know the workers' results were used.
int g_takes = 0;
std::string g_changePath;
std::vector<uint8_t> g_changeTo;

void CountTake(const std::string&) { ++g_takes; }

// Rewrites one file after its worker read it and before the writer opens it, the way another
// program could: other bytes of the same length, with a later time.
void ChangeOnTake(const std::string& oemPath) {
  ++g_takes;
  std::string path = oemPath;
  std::replace(path.begin(), path.end(), '/', '\\');
  if (lstrcmpiA(path.c_str(), g_changePath.c_str()) != 0) return;
  ASSERT_TRUE(testutil::WriteWholeFile(path, g_changeTo));
  const HANDLE file =
      CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  FILETIME written;
  GetFileTime(file, nullptr, nullptr, &written);
  ULARGE_INTEGER later{};
  later.LowPart = written.dwLowDateTime;
  later.HighPart = written.dwHighDateTime;
  later.QuadPart += 3600ull * 10000000ull;
  written.dwLowDateTime = later.LowPart;
  written.dwHighDateTime = later.HighPart;
  EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &written));
  CloseHandle(file);
}

class DeflateAheadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = writertest::CurrentFolder();
    FinishWriter(0);
    g_takes = 0;
  }
  void TearDown() override {
    DeflateAhead::SetWorkerLimit(-1);
    DeflateAhead::SetTakeHookForTesting(nullptr);
    SetCurrentDirectoryA(saved_.c_str());
    FinishWriter(0);
  }
  std::string Put(const std::string& name, const std::vector<uint8_t>& data) {
    const std::string path = tree_ / name;
    EXPECT_TRUE(testutil::WriteWholeFile(path, data));
    return path;
  }
  // A tree with every kind of file the writer treats differently, and enough of them that the
  // workers run ahead of the writer and wait for it.
  void MakeTree() {
    ASSERT_TRUE(CreateDirectoryA((tree_ / "sub").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((tree_ / "sub\\deep").c_str(), nullptr));
    Put("text.txt", Repetitive(300000, 1));
    Put("noise.bin", writertest::RandomBytes(100000, 2));
    Put("empty.txt", {});
    Put("short36.txt", Repetitive(36, 3));
    Put("short37.txt", Repetitive(37, 4));
    Put("inner.zip", Repetitive(5000, 5));
    Put("large.txt", Repetitive(DeflateAhead::kLargestFile + 1, 6));
    Put("sub\\deep\\half.bin", [] {
      std::vector<uint8_t> data = Repetitive(60000, 7);
      const std::vector<uint8_t> noise = writertest::RandomBytes(60000, 8);
      data.insert(data.end(), noise.begin(), noise.end());
      return data;
    }());
    for (int i = 0; i < 24; ++i)
      Put("sub\\many" + std::to_string(i) + ".txt", Repetitive(2000 + 3000 * i, 10 + i));
  }
  struct Run {
    int result = -1;
    std::vector<uint8_t> archive;
    std::vector<Message> messages;
  };
  Run Zip(int workers, short mode, const std::string& archiveName) {
    DeflateAhead::SetWorkerLimit(workers);
    Run run;
    testutil::MessageWindow window([&run](UINT message, WPARAM wParam, const char* text) {
      run.messages.push_back({message, wParam, text != nullptr ? text : ""});
    });
    EXPECT_NE(window.get(), nullptr);
    const std::string archive = folder_ / archiveName;
    DeleteFileA(archive.c_str());
    CZZip zip;
    zip.SetCompressionMode(mode);
    run.result = zip.ZipFiles(archive.c_str(), (tree_.path() + "*.*").c_str(), kZipReplace, 2, TRUE,
                              window.get(), nullptr);
    run.archive = testutil::FileBytes(archive);
    return run;
  }

  testutil::TempFolder folder_;
  testutil::TempFolder tree_;
  std::string saved_;
};

// ---- through ZipFiles -------------------------------------------------------------------------

TEST_F(DeflateAheadTest, ArchivesAndMessagesAreThoseOfTheWriterAlone) {
  MakeTree();
  DeflateAhead::SetTakeHookForTesting(CountTake);
  struct Case {
    short mode;
    bool lockOneFile;
  };
  for (const Case& c : {Case{0, false}, Case{1, false}, Case{2, false}, Case{0, true}}) {
    SCOPED_TRACE(testing::Message()
                 << "mode " << c.mode << (c.lockOneFile ? ", one file locked" : ""));
    // A file another program holds without sharing fails alone, whoever tries to read it first.
    std::unique_ptr<writertest::LockedFile> locked;
    if (c.lockOneFile) {
      locked = std::make_unique<writertest::LockedFile>(tree_ / "sub\\many7.txt");
      ASSERT_TRUE(locked->locked());
    }
    // One archive name for both: the closing message carries it.
    const Run alone = Zip(0, c.mode, "run.zip");
    g_takes = 0;
    const Run ahead = Zip(4, c.mode, "run.zip");
    EXPECT_EQ(alone.result, c.lockOneFile ? kWriterAccessDenied : kWriterDone);
    EXPECT_EQ(ahead.result, alone.result);
    EXPECT_FALSE(alone.archive.empty());
    EXPECT_TRUE(ahead.archive == alone.archive);
    EXPECT_EQ(ahead.messages.size(), alone.messages.size());
    for (size_t i = 0; i < std::min(ahead.messages.size(), alone.messages.size()); ++i) {
      const Message& a = ahead.messages[i];
      const Message& b = alone.messages[i];
      if (a == b) continue;
      ADD_FAILURE() << "message " << i << ": " << a.message - WM_USER << " " << a.wParam << " "
                    << a.text << ", alone " << b.message - WM_USER << " " << b.wParam << " "
                    << b.text;
      break;
    }
    // text, noise, short37, half and the 24 small ones (one of them locked) came from the workers.
    EXPECT_EQ(g_takes, c.lockOneFile ? 27 : 28);
    EXPECT_EQ(writertest::Parse(ahead.archive).error, "");
  }
  ASSERT_TRUE(CopyFileA((folder_ / "run.zip").c_str(),
                        (writertest::PeerCheckDir() + "ahead_tree.zip").c_str(), FALSE));
}

TEST_F(DeflateAheadTest, AFileChangedAfterItsWorkerReadItIsCompressedAgain) {
  MakeTree();
  g_changePath = tree_ / "sub\\many3.txt";
  g_changeTo = Repetitive(2000 + 3000 * 3, 99);
  ASSERT_NE(testutil::FileBytes(g_changePath), g_changeTo);
  DeflateAhead::SetTakeHookForTesting(ChangeOnTake);
  const Run ahead = Zip(4, 0, "ahead.zip");
  ASSERT_EQ(ahead.result, kWriterDone);
  ASSERT_GT(g_takes, 0);
  EXPECT_EQ(testutil::FileBytes(g_changePath), g_changeTo);
  // The writer alone, over the files as they are now, writes the same entries (the changed one's
  // time was taken before the change).
  DeflateAhead::SetTakeHookForTesting(nullptr);
  const Run alone = Zip(0, 0, "alone.zip");
  ASSERT_EQ(alone.result, kWriterDone);
  const writertest::Layout a = writertest::Parse(ahead.archive);
  const writertest::Layout b = writertest::Parse(alone.archive);
  ASSERT_EQ(a.error, "");
  ASSERT_EQ(b.error, "");
  ASSERT_EQ(a.items.size(), b.items.size());
  bool seen = false;
  for (size_t i = 0; i < a.items.size(); ++i) {
    SCOPED_TRACE(a.items[i].central.name);
    EXPECT_EQ(a.items[i].central.name, b.items[i].central.name);
    EXPECT_EQ(a.items[i].central.crc, b.items[i].central.crc);
    EXPECT_TRUE(a.items[i].data == b.items[i].data);
    if (a.items[i].central.name.ends_with("/SUB/MANY3.TXT")) {
      seen = true;
      EXPECT_EQ(a.items[i].central.crc, Crc32(g_changeTo.data(), g_changeTo.size()));
    }
  }
  EXPECT_TRUE(seen);
}

TEST_F(DeflateAheadTest, CancellingFromAProgressHandlerStopsTheWorkers) {
  MakeTree();
  DeflateAhead::SetWorkerLimit(4);
  const std::string archive = folder_ / "cancel.zip";
  CZZip zip;
  int entriesDone = 0;
  testutil::MessageWindow window([&](UINT message, WPARAM, const char*) {
    if (message == progress::kFileZipped && ++entriesDone == 3) zip.SetCancel(TRUE);
  });
  zip.SetCompressionMode(0);
  EXPECT_EQ(zip.ZipFiles(archive.c_str(), (tree_.path() + "*.*").c_str(), kZipReplace, 2, TRUE,
                         window.get(), nullptr),
            kZipUserAbort);
  const writertest::Layout layout = writertest::Parse(testutil::FileBytes(archive));
  EXPECT_EQ(layout.error, "");
  EXPECT_GE(layout.items.size(), 3u);
  EXPECT_LT(layout.items.size(), 20u);
}

// ---- the workers on their own -----------------------------------------------------------------

class DeflateAheadUnitTest : public DeflateAheadTest {
 protected:
  std::vector<std::string> MakeFiles(int count) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
      paths.push_back(Put("f" + std::to_string(i) + ".txt", Repetitive(5000 + 7000 * i, 50 + i)));
    }
    return paths;
  }
  static bool IsFromFile(const DeflateAhead::Result& result, const std::string& path) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool same = result.IsFrom(file);
    CloseHandle(file);
    return same;
  }
};

TEST_F(DeflateAheadUnitTest, ResultsFollowTheWritersOrderWhateverItSkips) {
  std::vector<std::string> paths = MakeFiles(12);
  paths.insert(paths.begin() + 5, tree_ / "missing.txt");
  for (int workers : {1, 3}) {
    SCOPED_TRACE(workers);
    DeflateAhead::SetWorkerLimit(workers);
    const std::unique_ptr<DeflateAhead> ahead = DeflateAhead::Start(0, paths);
    ASSERT_NE(ahead, nullptr);
    EXPECT_EQ(ahead->Take(tree_ / "not-in-the-list.txt", nullptr), nullptr);
    for (size_t i = 0; i < paths.size(); ++i) {
      SCOPED_TRACE(paths[i]);
      if (i % 3 == 1) continue;  // files the writer stores or fails are never asked for
      const std::unique_ptr<DeflateAhead::Result> result = ahead->Take(paths[i], nullptr);
      if (i == 5) {
        EXPECT_EQ(result, nullptr);
        continue;
      }
      ASSERT_NE(result, nullptr);
      EXPECT_EQ(result->file.bytesRead, testutil::FileBytes(paths[i]).size());
      EXPECT_TRUE(IsFromFile(*result, paths[i]));
      EXPECT_FALSE(IsFromFile(*result, paths[(i + 2) % paths.size()]));
    }
    // Names behind the writer's position are gone.
    EXPECT_EQ(ahead->Take(paths[0], nullptr), nullptr);
  }
}

TEST_F(DeflateAheadUnitTest, OneProcessorOrNothingToDoStartsNoWorkers) {
  const std::vector<std::string> paths = MakeFiles(2);
  DeflateAhead::SetWorkerLimit(0);
  EXPECT_EQ(DeflateAhead::Start(0, paths), nullptr);
  DeflateAhead::SetWorkerLimit(2);
  EXPECT_EQ(DeflateAhead::Start(0, {}), nullptr);
  EXPECT_EQ(DeflateAhead::Start(3, paths), nullptr);  // store only: nothing to compress
  EXPECT_NE(DeflateAhead::Start(2, paths), nullptr);
}

TEST_F(DeflateAheadUnitTest, StoppingWhileTheWorkersRunReleasesEveryFile) {
  std::vector<std::string> paths;
  for (int i = 0; i < 8; ++i)
    paths.push_back(Put("big" + std::to_string(i) + ".txt", Repetitive(3 << 20, 70 + i)));
  DeflateAhead::SetWorkerLimit(4);
  {
    const std::unique_ptr<DeflateAhead> ahead = DeflateAhead::Start(2, paths);
    ASSERT_NE(ahead, nullptr);
    Sleep(20);
  }
  // The workers were in the middle of their files: every file can be written again, so no worker
  // holds one open.
  for (const std::string& path : paths)
    EXPECT_TRUE(testutil::WriteWholeFile(path, Repetitive(10, 1)));
}

}  // namespace
