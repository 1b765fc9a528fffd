// What a caller of UnzipFiles sees, pinned exactly so that work on the extraction's speed cannot
// change it: every progress message in order with its value and name, the files with their bytes,
// times and attributes, where a cancel request lands, and how often the host's queue is served.
// The archive (sequence_fixtures.sh) holds both methods at the sizes where the 24,576-byte blocks
// begin and end, an empty folder, an entry larger than what is decoded ahead and a wrong CRC-32.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "files/file_time.h"
#include "base/progress_messages.h"
#include "reading/czunzip.h"
#include "reading/czunzip_test_access.h"
#include "reading/inflate_ahead.h"
#include "reading/unzip_pump.h"
#include "win_test_util.h"

namespace {

constexpr uint32_t kBlock = 24576;

std::string Fixture(const std::string& name) {
  return testutil::BinaryDir() + "engine\\fixtures\\sequence\\" + name;
}

std::string WithBackslashes(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

std::string Upper(std::string text) {
  CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

struct Entry {
  std::string name;  // as archived, '/' separators
  uint32_t size = 0;
  uint32_t compressedSize = 0;
  bool good = true;  // extracts with a matching CRC-32
  int64_t time = 0;  // seconds since 1970
  DWORD attributes = 0;
};

std::vector<Entry> Entries() {
  bool readable = false;
  std::vector<Entry> entries;
  for (const auto& row : testutil::ReadManifest(Fixture("sequence.txt"), &readable)) {
    entries.push_back({row[0], static_cast<uint32_t>(std::stoul(row[1])),
                       static_cast<uint32_t>(std::stoul(row[2])), row[3] == "1", std::stoll(row[4]),
                       static_cast<DWORD>(std::stoul(row[5]))});
  }
  EXPECT_TRUE(readable);
  EXPECT_EQ(entries.size(), 10u);
  return entries;
}

int64_t UnixTime(const std::string& path) {
  FILETIME t;
  if (!GetFileModTime(t, path.c_str())) return -1;
  const uint64_t ticks = (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  return static_cast<int64_t>(ticks / 10000000 - 11644473600ull);
}

struct Message {
  UINT message;
  WPARAM wParam;
  std::string name;
  bool operator==(const Message& other) const {
    return message == other.message && wParam == other.wParam && name == other.name;
  }
};

std::ostream& operator<<(std::ostream& out, const Message& m) {
  return out << "WM_USER+" << (m.message - WM_USER) << "(" << m.wParam << ", " << m.name << ")";
}

// What extraction announces for one entry of that size written to path: the entry opened, the
// share written before each 24,576-byte block and before the last flush, 100, the entry closed.
void AppendExpected(std::vector<Message>& out, const Entry& entry, const std::string& path) {
  out.push_back({progress::kEntryOpened, 1, path});
  for (uint64_t written = 0; written <= entry.size; written += kBlock) {
    const WPARAM percent = entry.size == 0 ? 0 : static_cast<WPARAM>(written * 100 / entry.size);
    out.push_back({progress::kEntryExpanding, percent, path});
  }
  out.push_back({progress::kEntryExpanding, 100, path});
  out.push_back({progress::kEntryClosed, entry.good ? 1u : 0u, path});
}

// The full path the engine names a file of the destination by: upper case, '\' separators.
std::string MessagePath(const std::string& destination, const std::string& name) {
  char full[MAX_PATH + 1] = {};
  GetFullPathNameA(destination.c_str(), MAX_PATH, full, nullptr);
  std::string path = Upper(full);
  if (path.back() != '\\') path += '\\';
  return path + Upper(WithBackslashes(name));
}

// Every case runs twice: with the deflated entries decoded ahead on worker threads (where the
// machine has a second processor) and with every entry decoded on the caller's thread. Both must
// give the caller exactly the same.
class ExtractSequence : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    InflateAhead::SetWorkerLimit(GetParam());
    InflateAhead::SetPatientForTesting(true);
    takenBefore_ = InflateAhead::TakenForTesting();
  }
  void TearDown() override {
    InflateAhead::SetWorkerLimit(-1);
    InflateAhead::SetPatientForTesting(false);
    // With workers, decodings made ahead were used (the cases are not all the caller's own).
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    if (GetParam() != 0 && info.dwNumberOfProcessors > 1) {
      EXPECT_GT(InflateAhead::TakenForTesting(), takenBefore_);
    } else {
      EXPECT_EQ(InflateAhead::TakenForTesting(), takenBefore_);
    }
  }
  CZUnzip unzip;
  testutil::TempFolder temp;

 private:
  unsigned long takenBefore_ = 0;
};

INSTANTIATE_TEST_SUITE_P(Decoding, ExtractSequence, ::testing::Values(-1, 0),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return info.param == 0 ? "OnTheCallersThread" : "AheadOnWorkers";
                         });

TEST_P(ExtractSequence, EveryEntrySendsItsMessagesInOrder) {
  const auto entries = Entries();
  ASSERT_FALSE(entries.empty());
  const std::string dest = temp / "messages\\";
  std::vector<Message> seen;
  testutil::MessageWindow window([&](UINT message, WPARAM wParam, const char* text) {
    if (message >= progress::kFirstMessage && message <= progress::kLastMessage) {
      seen.push_back({message, wParam, text != nullptr ? text : ""});
    }
  });
  ASSERT_NE(window.get(), nullptr);
  ASSERT_TRUE(unzip.SetNotifyWindow(window.get()));
  // The damaged entry is the last failure: the operation's result.
  EXPECT_EQ(unzip.UnzipFiles(Fixture("sequence.zip").c_str(), "*.*", dest.c_str(), 1, TRUE), 5);
  unzip.SetNotifyWindow(nullptr);

  std::vector<Message> expected;
  for (const Entry& entry : entries) AppendExpected(expected, entry, MessagePath(dest, entry.name));
  ASSERT_EQ(seen.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(seen[i], expected[i]) << "message " << i;
}

TEST_P(ExtractSequence, FilesKeepTheirBytesTimesAttributesAndUpperCaseNames) {
  const auto entries = Entries();
  // The destination exists in lower case and is named in mixed case: the files go into that very
  // folder, in upper case, and no second folder appears.
  const std::vector<std::pair<std::string, std::string>> destinations = {
      {"plain dest", "Plain Dest\\"}, {"mixed case", "MIXED case\\"}};
  for (const auto& [onDisk, named] : destinations) {
    SCOPED_TRACE(onDisk);
    ASSERT_TRUE(CreateDirectoryA((temp / onDisk).c_str(), nullptr));
    EXPECT_EQ(
        unzip.UnzipFiles(Fixture("sequence.zip").c_str(), "*.*", (temp / named).c_str(), 1, TRUE),
        5);
    const std::string dest = temp / (onDisk + "\\");
    EXPECT_EQ(testutil::FolderNames(dest), std::vector<std::string>({"A", "C", "D", "FOLDER"}));
    EXPECT_EQ(testutil::FolderNames(dest + "C\\"),
              std::vector<std::string>({"FLIPPED.TXT", "LARGE.BIN", "RANDOM.BIN", "TEXT.TXT"}));
    for (const Entry& entry : entries) {
      SCOPED_TRACE(entry.name);
      const std::string path = dest + Upper(WithBackslashes(entry.name));
      std::vector<uint8_t> got;
      std::vector<uint8_t> want;
      ASSERT_TRUE(testutil::ReadWholeFile(path, &got));
      ASSERT_TRUE(testutil::ReadWholeFile(Fixture("src\\" + WithBackslashes(entry.name)), &want));
      EXPECT_TRUE(got == want);
      EXPECT_EQ(UnixTime(path), entry.time);
      EXPECT_EQ(GetFileAttributesA(path.c_str()) & 0x07, entry.attributes & 0x07);
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
  }
  EXPECT_EQ(testutil::FolderNames(temp.path()),
            std::vector<std::string>({"mixed case", "plain dest"}));
}

// The host's cancel request arrives as a message while an entry is extracted: the entry in
// progress is finished, no later one is begun.
TEST_P(ExtractSequence, APostedCancelEndsTheOperationAfterTheEntryInProgress) {
  struct Case {
    const char* mask;
    std::vector<std::string> complete;  // the entries extracted, the one in progress last
    const char* notBegun;
  };
  const std::vector<Case> cases = {
      // The empty stored entry reads no block; the one-byte entry's first block serves the queue.
      {"*.*", {"a/empty.txt", "a/one.txt"}, "a/b/block.bin"},
      {"*.bin", {"a/b/block.bin"}, "a/b/blockplus.bin"},
      {"*.txt", {"a/empty.txt", "a/one.txt"}, "c/text.txt"},
      {"c\\r*.*", {"c/random.bin"}, "c/large.bin"},
  };
  // A private message of the test's, in the range the message window hands on, that no operation
  // sends.
  constexpr UINT kCancelNow = progress::kLastMessage + 9;
  int run = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mask);
    const std::string dest = temp / ("cancel" + std::to_string(++run) + "\\");
    uint32_t writtenAtCancel = 0xFFFFFFFF;
    testutil::MessageWindow host([&](UINT message, WPARAM, const char*) {
      if (message != kCancelNow) return;
      writtenAtCancel =
          CZUnzipTestAccess::BytesWritten(unzip) + CZUnzipTestAccess::OutputCount(unzip);
      unzip.SetCancel(TRUE);
    });
    ASSERT_NE(host.get(), nullptr);
    unzip.SetCancel(FALSE);
    ASSERT_TRUE(PostMessageA(host.get(), kCancelNow, 0, 0));
    EXPECT_EQ(unzip.UnzipFiles(Fixture("sequence.zip").c_str(), c.mask, dest.c_str(), 1, TRUE), 0);
    unzip.SetCancel(FALSE);
    EXPECT_LE(writtenAtCancel, kBlock);  // seen within the first block of the entry
    for (const std::string& name : c.complete) {
      std::vector<uint8_t> got;
      std::vector<uint8_t> want;
      EXPECT_TRUE(testutil::ReadWholeFile(dest + Upper(WithBackslashes(name)), &got)) << name;
      ASSERT_TRUE(testutil::ReadWholeFile(Fixture("src\\" + WithBackslashes(name)), &want));
      EXPECT_TRUE(got == want) << name;
    }
    EXPECT_EQ(GetFileAttributesA((dest + Upper(WithBackslashes(c.notBegun))).c_str()),
              INVALID_FILE_ATTRIBUTES);
  }
}

std::map<std::string, int>* pumpsByEntry = nullptr;
void CountPump(const CZUnzip& unzip) {
  if (pumpsByEntry != nullptr) ++(*pumpsByEntry)[CZUnzipTestAccess::MessageName(unzip).c_str()];
}

// Without a notification window (a host that does not ask for background processing) the queue
// is still served at least once for every 24,576-byte block of each entry's data.
TEST_P(ExtractSequence, TheQueueIsServedAtLeastOncePerInputBlock) {
  const auto entries = Entries();
  // Pumps per entry, here and with every entry decoded on the caller's thread (which also serves
  // the queue after each deflate block): never more than there.
  const auto countPumps = [&](const std::string& dest) {
    std::map<std::string, int> pumps;
    pumpsByEntry = &pumps;
    SetUnzipPumpHookForTesting(CountPump);
    EXPECT_EQ(unzip.UnzipFiles(Fixture("sequence.zip").c_str(), "*.*", dest.c_str(), 1, TRUE), 5);
    SetUnzipPumpHookForTesting(nullptr);
    pumpsByEntry = nullptr;
    std::map<std::string, int> byName;
    for (const Entry& entry : entries) byName[entry.name] = pumps[MessagePath(dest, entry.name)];
    return byName;
  };
  const auto pumps = countPumps(temp / "pumps\\");
  for (const Entry& entry : entries) {
    const int blocks = static_cast<int>((entry.compressedSize + kBlock - 1) / kBlock);
    EXPECT_GE(pumps.at(entry.name), blocks) << entry.name;
  }
  InflateAhead::SetWorkerLimit(0);
  const auto alone = countPumps(temp / "pumps-one-thread\\");
  for (const Entry& entry : entries)
    EXPECT_LE(pumps.at(entry.name), alone.at(entry.name)) << entry.name;
  InflateAhead::SetWorkerLimit(GetParam());
}

}  // namespace
