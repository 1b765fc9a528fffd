// The writer on a nearly full drive: the temporary archive beside the archive needs room once,
// and moving it over the archive needs none. Work whose result fits gives 0 and an archive the
// peers accept; work that does not fit gives the failed-write code, whatever the input, with the
// archive byte for byte as it was and no temporary archive left. A 3 MB tmpfs on S:, skipped
// where mounts are not allowed.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "reading/czunzip.h"
#include "volumes/small_drive_test_support.h"
#include "win_test_util.h"
#include "writing/czzip.h"
#include "writing/zip_writer.h"
#include "writing/zip_writer_test_support.h"

namespace {

// Text that deflate shrinks to about 60%: letters and blanks at random.
std::string RandomText(size_t length, uint32_t seed) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz ";
  std::string text(length, ' ');
  for (size_t i = 0; i < length; ++i) {
    seed = seed * 1664525u + 1013904223u;
    text[i] = (i % 72 == 71) ? '\n' : kLetters[(seed >> 24) % 27];
  }
  return text;
}

// Text that deflate shrinks to almost nothing.
std::string PlainText(size_t lines) {
  std::string text;
  for (size_t i = 0; i < lines; ++i)
    text += "line " + std::to_string(i % 100) + " of the notes\r\n";
  return text;
}

class NearlyFullDrive : public ::testing::Test {
 protected:
  void SetUp() override {
    drive = std::make_unique<volumetest::SmallDrive>('S', 3072);
    if (!drive->mounted()) GTEST_SKIP() << drive->reason();
    for (const std::string& name : testutil::FolderNames("S:\\")) {
      DeleteFileA(("S:\\" + name).c_str());
    }
    // 1.2 MB that cannot be compressed: the drive holds the archive and one more copy of it, not
    // two.
    ASSERT_TRUE(
        testutil::WriteWholeFile(sources / "OLD.BIN", writertest::RandomBytes(1200u << 10, 31)));
    zip.SetCompressionMode(kZipStoreOnly);
    ASSERT_EQ(zip.ZipFiles(archive.c_str(), (sources / "OLD.BIN").c_str(), kZipReplace, 0, FALSE,
                           nullptr, nullptr),
              kWriterDone);
    zip.SetCompressionMode(kZipDeflateNormal);
  }
  int Add(const std::string& file) {
    return zip.ZipFiles(archive.c_str(), file.c_str(), kZipReplace, 0, FALSE, nullptr, nullptr);
  }
  // Nothing on the drive but the archive (and the filler, when there is one).
  void ExpectOnlyTheArchive(bool filler = false) {
    std::vector<std::string> expected{"A.ZIP"};
    if (filler) expected.push_back("FILLER.BIN");
    EXPECT_EQ(testutil::FolderNames("S:\\", true), expected) << "no temporary archive is left";
  }

  std::unique_ptr<volumetest::SmallDrive> drive;
  testutil::TempFolder sources;
  const std::string archive = "S:\\A.ZIP";
  CZZip zip;
  CZUnzip reader;
};

TEST_F(NearlyFullDrive, WorkThatFitsIsDone) {
  ASSERT_TRUE(testutil::WriteWholeFile(sources / "NOTES.TXT", PlainText(10000)));
  EXPECT_EQ(Add(sources / "NOTES.TXT"), kWriterDone);
  ExpectOnlyTheArchive();
  EXPECT_EQ(reader.GetCountAndSize(archive.c_str(), nullptr, nullptr, nullptr), 2);
  EXPECT_EQ(zip.SetGlobalComment(archive.c_str(), "kept on a full drive", nullptr), kWriterDone);
  ExpectOnlyTheArchive();
  writertest::KeepForPeers(archive, "small_drive_added_commented.zip", {"OLD.BIN", "NOTES.TXT"});
  EXPECT_EQ(zip.DeleteEntries(archive.c_str(), "*.TXT", nullptr, nullptr, nullptr, FALSE),
            kWriterDone);
  ExpectOnlyTheArchive();
  EXPECT_EQ(reader.GetCountAndSize(archive.c_str(), nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(reader.IsZIPFile(archive.c_str(), TRUE), 0);
  writertest::KeepForPeers(archive, "small_drive_deleted.zip", {"OLD.BIN"});
}

TEST_F(NearlyFullDrive, WorkThatDoesNotFitGivesTheFailedWriteCode) {
  ASSERT_TRUE(testutil::WriteWholeFile(sources / "NOTES.TXT", PlainText(2000)));
  ASSERT_EQ(Add(sources / "NOTES.TXT"), kWriterDone);
  const std::vector<uint8_t> original = testutil::FileBytes(archive);

  // Files whose entries do not fit: incompressible data, and text compressed ahead on a worker
  // thread (up to 4 MB) or on the writer's own thread.
  ASSERT_TRUE(
      testutil::WriteWholeFile(sources / "NOISE.BIN", writertest::RandomBytes(1000u << 10, 32)));
  ASSERT_TRUE(testutil::WriteWholeFile(sources / "AHEAD.TXT", RandomText(3500u << 10, 33)));
  ASSERT_TRUE(testutil::WriteWholeFile(sources / "LARGE.TXT", RandomText(5u << 20, 34)));
  for (const char* name : {"NOISE.BIN", "AHEAD.TXT", "LARGE.TXT"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(Add(sources / name), kWriterFileError);
    EXPECT_EQ(testutil::FileBytes(archive), original) << "the archive, byte for byte";
    ExpectOnlyTheArchive();
  }

  // With less room than one more copy of the archive: the rewrites cannot be made either.
  ULARGE_INTEGER available = {}, total = {}, free = {};
  ASSERT_TRUE(GetDiskFreeSpaceExA("S:\\", &available, &total, &free));
  ASSERT_GT(available.QuadPart, original.size() + (200u << 10));
  ASSERT_TRUE(testutil::WriteWholeFile(
      "S:\\FILLER.BIN", std::vector<uint8_t>(available.QuadPart - original.size() + (100u << 10))));
  EXPECT_EQ(zip.SetGlobalComment(archive.c_str(), "no room for this", nullptr), kWriterFileError);
  EXPECT_EQ(testutil::FileBytes(archive), original);
  ExpectOnlyTheArchive(true);
  EXPECT_EQ(zip.DeleteEntries(archive.c_str(), "*.TXT", nullptr, nullptr, nullptr, FALSE),
            kWriterFileError);
  EXPECT_EQ(testutil::FileBytes(archive), original);
  ExpectOnlyTheArchive(true);

  // Room again: the same work is done.
  ASSERT_TRUE(DeleteFileA("S:\\FILLER.BIN"));
  EXPECT_EQ(zip.DeleteEntries(archive.c_str(), "*.TXT", nullptr, nullptr, nullptr, FALSE),
            kWriterDone);
  EXPECT_EQ(reader.GetCountAndSize(archive.c_str(), nullptr, nullptr, nullptr), 1);
  ExpectOnlyTheArchive();
}

}  // namespace
