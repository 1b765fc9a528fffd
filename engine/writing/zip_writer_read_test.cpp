// The writer's directory reader (normal and repair), copying and relocating entries, and updates
// of archives made by the peers.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/le_fields.h"
#include "files/file_fault.h"
#include "win_test_util.h"
#include "writing/zip_writer.h"
#include "writing/zip_writer_test_support.h"

namespace {

using writertest::FixtureDir;
using writertest::Layout;
using writertest::NewFile;
using writertest::Parse;

class WriterReadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetFileFaults();
    FinishWriter(0);
  }
  void TearDown() override {
    ResetFileFaults();
    FinishWriter(0);
  }
  // A copy of a fixture in the test's folder (the tests change archives).
  std::string Fixture(const std::string& name) {
    const std::string path = folder_ / name;
    EXPECT_TRUE(CopyFileA((FixtureDir() + name).c_str(), path.c_str(), FALSE))
        << FixtureDir() + name;
    return path;
  }
  size_t StubSize() { return testutil::FileBytes(FixtureDir() + "stub.bin").size(); }
  testutil::TempFolder folder_;
};

struct ReadCase {
  const char* fixture;
  int result;
  size_t entries;
  bool inFrontIsStub;
  const char* firstName;
};

TEST_F(WriterReadTest, ReadsPeerArchivesAndRefusesDamagedOnes) {
  const ReadCase cases[] = {
      {"zip_names.zip", kWriterDone, 5, false, "a.txt"},
      {"python_streamed.zip", kWriterDone, 3, false, "Streamed/One.txt"},
      {"sfx_adjusted.zip", kWriterDone, 5, true, "a.txt"},
      {"sfx_plain.zip", kWriterDone, 5, true, "a.txt"},
      {"empty_archive.zip", kWriterDone, 0, false, nullptr},
      {"cut_directory.zip", kWriterNotArchive, 0, false, nullptr},
      {"past_end.zip", kWriterNotArchive, 0, false, nullptr},
      {"method_mismatch.zip", kWriterNotArchive, 0, false, nullptr},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.fixture);
    ASSERT_NE(SetArchiveName(Fixture(c.fixture).c_str()), nullptr);
    EXPECT_EQ(ReadArchiveDirectory(), c.result);
    const WriterState& writer = WriteOperation();
    EXPECT_EQ(writer.entries.size(), c.entries);
    if (c.result == kWriterDone) {
      EXPECT_EQ(writer.bytesInFront, c.inFrontIsStub ? StubSize() : 0u);
      EXPECT_EQ(writer.sortedIndex.size(), c.entries);
    }
    if (c.firstName != nullptr && !writer.entries.empty()) {
      EXPECT_EQ(writer.entries.front().storedName, c.firstName);
    }
    FinishWriter(0);
  }
}

TEST_F(WriterReadTest, DataDescriptorsGiveTheSizesOfStreamedEntries) {
  ASSERT_NE(SetArchiveName(Fixture("python_streamed.zip").c_str()), nullptr);
  ASSERT_EQ(ReadArchiveDirectory(), kWriterDone);
  const ZipEntry& two = *FindEntry("TWO.BIN");
  EXPECT_EQ(two.uncompressedSize, 2048u);
  EXPECT_NE(two.compressedSize, 0u);
  EXPECT_NE(two.crc, 0u);
  EXPECT_TRUE(two.localFlags & 8);
}

TEST_F(WriterReadTest, MissingAndEmptyFilesAreNewArchivesButUnopenableOnesAreNot) {
  ASSERT_NE(SetArchiveName((folder_ / "missing.zip").c_str()), nullptr);
  EXPECT_EQ(ReadArchiveDirectory(), kWriterDone);
  EXPECT_TRUE(WriteOperation().entries.empty());
  ASSERT_NE(SetArchiveName((folder_ / "nofolder\\missing.zip").c_str()), nullptr);
  EXPECT_EQ(ReadArchiveDirectory(), kWriterDone);

  ASSERT_TRUE(testutil::WriteWholeFile(folder_ / "empty.zip", std::string()));
  ASSERT_NE(SetArchiveName((folder_ / "empty.zip").c_str()), nullptr);
  EXPECT_EQ(ReadArchiveDirectory(), kWriterDone);

  ASSERT_TRUE(CreateDirectoryA((folder_ / "folder.zip").c_str(), nullptr));
  ASSERT_NE(SetArchiveName((folder_ / "folder.zip").c_str()), nullptr);
  EXPECT_EQ(ReadArchiveDirectory(), kWriterFileError);

  const std::string archive = Fixture("zip_names.zip");
  const std::vector<uint8_t> original = testutil::FileBytes(archive);
  {
    ScopedFileFaults faults;
    FailFileStep(FileStep::kOpen, 1);
    const std::string added = folder_ / "new.txt";
    ASSERT_TRUE(testutil::WriteWholeFile(added, "new file"));
    // An update must fail, never replace the archive with the new file alone.
    EXPECT_EQ(writertest::UpdateArchive(archive, {{added, "new.txt"}}), kWriterFileError);
  }
  EXPECT_EQ(testutil::FileBytes(archive), original);
}

// Updating a peer's archive keeps its entries byte for byte: names as they were (both headers),
// extras, data descriptors and the program in front.
TEST_F(WriterReadTest, UpdatesKeepPeerEntriesIntact) {
  const std::string added = folder_ / "added.txt";
  ASSERT_TRUE(testutil::WriteWholeFile(added, std::string(500, 'n') + "\n"));
  const struct {
    const char* fixture;
    std::vector<std::string> names;
  } cases[] = {
      {"zip_names.zip", {"a.txt", "docs/", "docs/readme.txt", "empty.dat", "random.bin"}},
      {"python_streamed.zip", {"Streamed/One.txt", "two.bin", "stored.txt"}},
      {"sfx_adjusted.zip", {"a.txt", "docs/", "docs/readme.txt", "empty.dat", "random.bin"}},
      {"sfx_plain.zip", {"a.txt", "docs/", "docs/readme.txt", "empty.dat", "random.bin"}},
      {"empty_archive.zip", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fixture);
    const std::string archive = Fixture(c.fixture);
    const Layout before = Parse(testutil::FileBytes(archive));
    ASSERT_EQ(writertest::UpdateArchive(archive, {{added, "added.txt"}}), kWriterDone);
    const std::vector<uint8_t> bytes = testutil::FileBytes(archive);
    const Layout after = Parse(bytes);
    ASSERT_EQ(after.error, "");
    ASSERT_EQ(after.items.size(), c.names.size() + 1);
    for (size_t i = 0; i < c.names.size(); ++i) {
      const writertest::Item& item = after.items[i];
      EXPECT_EQ(item.central.name, c.names[i]);
      EXPECT_EQ(item.local.name, c.names[i]);
      if (before.error.empty()) {
        const writertest::Item* old = before.Find(c.names[i]);
        ASSERT_NE(old, nullptr);
        EXPECT_EQ(item.data, old->data);
        EXPECT_EQ(item.local.extra, old->local.extra);
        EXPECT_EQ(item.central.extra, old->central.extra);
        EXPECT_EQ(item.local.flags, old->local.flags);
      }
    }
    EXPECT_EQ(after.items.back().central.name, "ADDED.TXT");
    const bool stub = std::string(c.fixture).rfind("sfx", 0) == 0;
    EXPECT_EQ(after.firstRecord, stub ? StubSize() : 0u);
    if (stub) {
      const std::vector<uint8_t> program = testutil::FileBytes(FixtureDir() + "stub.bin");
      EXPECT_TRUE(std::equal(program.begin(), program.end(), bytes.begin()));
    }
    std::vector<std::string> names = c.names;
    names.push_back("ADDED.TXT");
    writertest::KeepForPeers(archive, std::string("updated_") + c.fixture, names);
  }
}

// A recompressed entry gets the new data, an upper-case name in both headers, and loses the time
// extras that would make the peers restore the old file's time.
TEST_F(WriterReadTest, RecompressedEntriesTakeTheNewFileAndDropTimeExtras) {
  const std::string archive = Fixture("zip_names.zip");
  const std::string fresh = folder_ / "fresh.txt";
  const std::string content = std::string(2000, 'f') + "changed\n";
  ASSERT_TRUE(testutil::WriteWholeFile(fresh, content));
  const Layout before = Parse(testutil::FileBytes(archive));
  ASSERT_EQ(before.error, "");
  ASSERT_FALSE(before.Find("a.txt")->local.extra.empty());
  ASSERT_EQ(writertest::UpdateArchive(archive, {}, {{fresh, "a.txt"}}), kWriterDone);
  const Layout after = Parse(testutil::FileBytes(archive));
  ASSERT_EQ(after.error, "");
  const writertest::Item* item = after.Find("A.TXT");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->central.crc, Crc32(content.data(), content.size()));
  for (const std::vector<uint8_t>* extra : {&item->local.extra, &item->central.extra}) {
    for (size_t at = 0; at + 4 <= extra->size(); at += 4 + GetLE16(&(*extra)[at + 2])) {
      EXPECT_NE(GetLE16(&(*extra)[at]), 0x5455);
    }
  }
  EXPECT_EQ(after.items.size(), 5u);
  writertest::KeepForPeers(archive, "recompressed.zip",
                           {"A.TXT", "docs/", "docs/readme.txt", "empty.dat", "random.bin"});
}

// Repair: entries from their local headers; an entry cut off by the end of the file is dropped;
// "PK" bytes inside a program in front are not taken for entries; the new directory lies where
// the entries end.
TEST_F(WriterReadTest, RepairRecoversWholeEntriesOnly) {
  const std::vector<uint8_t> stub = testutil::FileBytes(FixtureDir() + "stub.bin");
  std::vector<uint8_t> stubbedCut = stub;
  const std::vector<uint8_t> cut = testutil::FileBytes(FixtureDir() + "cut_directory.zip");
  stubbedCut.insert(stubbedCut.end(), cut.begin(), cut.end());
  ASSERT_TRUE(testutil::WriteWholeFile(folder_ / "stub_cut.zip", stubbedCut));
  const struct {
    std::string archive;
    std::vector<std::string> names;
  } cases[] = {
      {Fixture("cut_directory.zip"),
       {"a.txt", "docs/", "docs/readme.txt", "empty.dat", "random.bin"}},
      {Fixture("past_end.zip"), {"a.txt", "docs/", "docs/readme.txt", "empty.dat"}},
      {folder_ / "stub_cut.zip", {"a.txt", "docs/", "docs/readme.txt", "empty.dat", "random.bin"}},
      {Fixture("python_streamed.zip"), {"Streamed/One.txt", "two.bin", "stored.txt"}},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    ASSERT_NE(SetArchiveName(c.archive.c_str()), nullptr);
    WriterState& writer = WriteOperation();
    writer.repair = true;
    ASSERT_EQ(ReadArchiveDirectory(), kWriterDone);
    ASSERT_EQ(writer.entries.size(), c.names.size());
    size_t i = 0;
    for (const ZipEntry& entry : writer.entries) EXPECT_EQ(entry.storedName, c.names[i++]);
    writer.bytesInFront = 0;  // a repaired archive starts with its first entry
    ASSERT_EQ(BeginOutput(), kWriterDone);
    for (ZipEntry& entry : writer.entries) {
      ASSERT_EQ(CopyEntry(writer.archiveFile, writer.outputFile, entry), kWriterDone);
    }
    ASSERT_EQ(CompleteArchive(), kWriterDone);
    EXPECT_EQ(FinishWriter(0), 0);
    const Layout layout = Parse(testutil::FileBytes(c.archive));
    ASSERT_EQ(layout.error, "");
    EXPECT_EQ(layout.firstRecord, 0u);
    ASSERT_EQ(layout.items.size(), c.names.size());
    writertest::KeepForPeers(c.archive, "repaired_" + std::to_string(n++) + ".zip", c.names);
  }
}

TEST_F(WriterReadTest, ARepairThatCannotReadTheWholeFileFails) {
  const std::string archive = Fixture("cut_directory.zip");
  ScopedFileFaults faults;
  FailFileStep(FileStep::kRead, 12);
  ASSERT_NE(SetArchiveName(archive.c_str()), nullptr);
  WriteOperation().repair = true;
  EXPECT_EQ(ReadArchiveDirectory(), kWriterFileError);
  EXPECT_TRUE(WriteOperation().entries.empty());
}

TEST_F(WriterReadTest, AFailedReplacementLeavesTheOriginalAndAFallbackCopyCompletes) {
  const std::string added = folder_ / "added.txt";
  ASSERT_TRUE(testutil::WriteWholeFile(added, "one more"));
  const std::string archive = Fixture("zip_names.zip");
  const std::vector<uint8_t> original = testutil::FileBytes(archive);
  {
    ScopedFileFaults faults;
    FailFileStep(FileStep::kMove, 1);  // the one-step rename is refused
    FailFileStep(FileStep::kMove, 2);  // and the old archive cannot be moved aside
    EXPECT_EQ(writertest::UpdateArchive(archive, {{added, "added.txt"}}), kWriterFileError);
  }
  EXPECT_EQ(testutil::FileBytes(archive), original);
  EXPECT_TRUE(writertest::FilesLike(folder_.path(), "~ZIP*").empty());
  {
    ScopedFileFaults faults;
    FailFileStep(FileStep::kMove, 1);  // the one-step rename is refused
    FailFileStep(FileStep::kMove, 3);  // the new one cannot be renamed: it is copied instead
    EXPECT_EQ(writertest::UpdateArchive(archive, {{added, "added.txt"}}), kWriterDone);
  }
  const Layout layout = Parse(testutil::FileBytes(archive));
  ASSERT_EQ(layout.error, "");
  EXPECT_EQ(layout.items.size(), 6u);
  EXPECT_TRUE(writertest::FilesLike(folder_.path(), "~ZIP*").empty());
}

TEST_F(WriterReadTest, ACopyThatRunsShortIsAnError) {
  const std::string archive = Fixture("zip_names.zip");
  ASSERT_NE(SetArchiveName(archive.c_str()), nullptr);
  ASSERT_EQ(ReadArchiveDirectory(), kWriterDone);
  // The archive loses its end after it was read.
  ASSERT_TRUE(CopyFileA((FixtureDir() + "past_end.zip").c_str(), archive.c_str(), FALSE));
  WriterState& writer = WriteOperation();
  ASSERT_EQ(BeginOutput(), kWriterDone);
  int result = kWriterDone;
  for (ZipEntry& entry : writer.entries) {
    result = CopyEntry(writer.archiveFile, writer.outputFile, entry);
    if (result != kWriterDone) break;
  }
  EXPECT_EQ(result, kWriterNotArchive);
  EXPECT_EQ(FailWriter(result), kWriterNotArchive);
  EXPECT_TRUE(writertest::FilesLike(folder_.path(), "~ZIP*").empty());
}

TEST_F(WriterReadTest, RelocatedEntriesLoseTheirDataDescriptorAndBit3) {
  const std::string archive = Fixture("python_streamed.zip");
  const Layout before = Parse(testutil::FileBytes(archive));
  ASSERT_EQ(before.error, "");
  ASSERT_NE(SetArchiveName(archive.c_str()), nullptr);
  ASSERT_EQ(ReadArchiveDirectory(), kWriterDone);
  WriterState& writer = WriteOperation();
  ASSERT_EQ(BeginOutput(), kWriterDone);
  for (ZipEntry& entry : writer.entries) {
    ASSERT_EQ(RelocateEntry(writer.archiveFile, writer.outputFile, entry), kWriterDone);
  }
  ASSERT_EQ(CompleteArchive(), kWriterDone);
  FinishWriter(0);
  const Layout after = Parse(testutil::FileBytes(archive));
  ASSERT_EQ(after.error, "");
  ASSERT_EQ(after.items.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    const writertest::Item& item = after.items[i];
    EXPECT_EQ(item.local.flags & 8, 0);
    EXPECT_EQ(item.central.flags & 8, 0);
    EXPECT_EQ(item.local.crc, before.items[i].central.crc);
    EXPECT_EQ(item.local.compressedSize, before.items[i].central.compressedSize);
    EXPECT_EQ(item.data, before.items[i].data);
  }
  writertest::KeepForPeers(archive, "relocated.zip", {"Streamed/One.txt", "two.bin", "stored.txt"});
}

}  // namespace
