// Blank archives (the bare end record, with and without the name asked through the prompt
// handler, whose answer the tests script) and the full test on a destination it cannot write to.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/crc32.h"
#include "core/le_fields.h"
#include "core/zip_records.h"
#include "reading/czunzip.h"
#include "writing/czzip.h"
#include "base/prompts.h"
#include "win_test_util.h"
#include "writing/zip_writer_test_support.h"

namespace {

const unsigned char kBlankArchive[22] = {0x50, 0x4B, 0x05, 0x06};

void ExpectBlankArchive(const std::string& path) {
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(testutil::ReadWholeFile(path, &bytes)) << path;
  ASSERT_EQ(sizeof kBlankArchive, bytes.size()) << path;
  EXPECT_EQ(0, std::memcmp(bytes.data(), kBlankArchive, sizeof kBlankArchive)) << path;
  CZUnzip reader;
  EXPECT_EQ(0, reader.GetCountAndSize(path.c_str(), nullptr, nullptr, nullptr)) << path;
}

// Answers the engine's question for a new archive's name as scripted, and remembers what it was
// asked (the proposed name and the current folder the dialog would start in). Installed while
// it lives.
class ScriptedArchiveName : public EnginePrompts {
 public:
  // answer: the typed name; null answers as a cancel.
  explicit ScriptedArchiveName(const char* answer) : answer_(answer) { SetEnginePrompts(this); }
  ~ScriptedArchiveName() override { SetEnginePrompts(nullptr); }

  PasswordAnswer AskPassword(CZText&, const CZText&) override { return kPasswordBypass; }
  ReplaceAnswer AskReplace(CZText&, bool, bool, bool) override { return kReplaceNo; }
  bool AskRename(CZText&, bool) override { return false; }
  bool AskBackupSet(CZText&) override { return false; }
  bool AskArchiveName(CZText& name) override {
    ++asked;
    proposed = name.str();
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    currentFolder = folder;
    if (answer_ == nullptr) return false;
    name = answer_;
    return true;
  }

  int asked = 0;
  std::string proposed;
  std::string currentFolder;

 private:
  const char* answer_;
};

// The folder path without its final '', for comparing with the current folder.
std::string WithoutSlash(std::string folder) {
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder;
}

}  // namespace

TEST(BlankArchive, WithoutTheDialogTheNameIsCreatedOrReplaced) {
  testutil::TempFolder folder;
  const std::string path = folder / "NEW.ZIP";
  ASSERT_TRUE(testutil::WriteWholeFile(path, std::string(5000, 'x')));
  char block[1024] = {};
  lstrcpynA(block, path.c_str(), sizeof block);
  EXPECT_TRUE(CZZip::CreateBlankZIPFile(block, FALSE, FALSE));
  EXPECT_STREQ(path.c_str(), block);
  ExpectBlankArchive(path);
  writertest::KeepForPeers(path, "blank_archive.zip");

  lstrcpynA(block, (folder / "MISSING\\X.ZIP").c_str(), sizeof block);
  EXPECT_FALSE(CZZip::CreateBlankZIPFile(block, FALSE, FALSE));
}

TEST(BlankArchive, DialogCancelCreatesNothingAndEmptiesTheName) {
  testutil::TempFolder folder;
  char block[1024] = {};
  lstrcpynA(block, (folder / "PROPOSED.ZIP").c_str(), sizeof block);
  char before[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, before);
  BOOL created;
  ScriptedArchiveName prompts(nullptr);
  created = CZZip::CreateBlankZIPFile(block, TRUE, FALSE);
  SetCurrentDirectoryA(before);
  EXPECT_EQ(1, prompts.asked);
  // The dialog is offered the proposed name, in the proposal's folder.
  EXPECT_EQ(0, lstrcmpiA((folder / "PROPOSED.ZIP").c_str(), prompts.proposed.c_str()))
      << prompts.proposed;
  EXPECT_EQ(0, lstrcmpiA(WithoutSlash(folder.path()).c_str(), prompts.currentFolder.c_str()))
      << prompts.currentFolder;
  EXPECT_FALSE(created);
  EXPECT_STREQ("", block);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((folder / "PROPOSED.ZIP").c_str()));
}

TEST(BlankArchive, WithoutAPromptHandlerTheDialogCountsAsCancelled) {
  testutil::TempFolder folder;
  char block[1024] = {};
  lstrcpynA(block, (folder / "PROPOSED.ZIP").c_str(), sizeof block);
  char before[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, before);
  SetEnginePrompts(nullptr);
  EXPECT_FALSE(CZZip::CreateBlankZIPFile(block, TRUE, FALSE));
  SetCurrentDirectoryA(before);
  EXPECT_STREQ("", block);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((folder / "PROPOSED.ZIP").c_str()));
}

TEST(BlankArchive, DialogNameWithoutFolderIsCompletedAndUpperCased) {
  testutil::TempFolder folder;
  char block[1024] = {};
  lstrcpynA(block, folder.path().c_str(), sizeof block);  // a folder: no initial name
  char before[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, before);
  BOOL created;
  ScriptedArchiveName prompts("chosen.zip");
  created = CZZip::CreateBlankZIPFile(block, TRUE, FALSE);
  SetCurrentDirectoryA(before);
  EXPECT_EQ(1, prompts.asked);
  EXPECT_EQ("", prompts.proposed);  // a folder proposes no name
  EXPECT_EQ(0, lstrcmpiA(WithoutSlash(folder.path()).c_str(), prompts.currentFolder.c_str()))
      << prompts.currentFolder;
  ASSERT_TRUE(created) << block;
  std::string expected = folder / "CHOSEN.ZIP";
  CharUpperA(expected.data());
  EXPECT_EQ(0, lstrcmpiA(expected.c_str(), block)) << block;
  std::string upper = block;
  std::string upperCopy = upper;
  CharUpperA(upperCopy.data());
  EXPECT_EQ(upperCopy, upper);
  ExpectBlankArchive(block);
}

namespace {

// One stored entry "A.TXT" holding "hello".
std::vector<uint8_t> OneStoredEntryArchive() {
  const char data[] = "hello";
  const uint32_t crc = Crc32(data, 5);
  std::vector<uint8_t> out(30 + 5 + 5);
  auto put16 = [&](size_t at, uint16_t v) { PutLE16(out.data() + at, v); };
  auto put32 = [&](size_t at, uint32_t v) { PutLE32(out.data() + at, v); };
  std::memcpy(out.data(), zip::kLocalSignature, 4);
  put16(4, 10);
  put32(14, crc);
  put32(18, 5);
  put32(22, 5);
  put16(26, 5);
  std::memcpy(out.data() + 30, "A.TXT", 5);
  std::memcpy(out.data() + 35, data, 5);
  const size_t central = out.size();
  out.resize(central + 46 + 5);
  std::memcpy(out.data() + central, zip::kCentralSignature, 4);
  put16(central + 4, 20);
  put16(central + 6, 10);
  put32(central + 16, crc);
  put32(central + 20, 5);
  put32(central + 24, 5);
  put16(central + 28, 5);
  std::memcpy(out.data() + central + 46, "A.TXT", 5);
  const size_t end = out.size();
  out.resize(end + 22);
  std::memcpy(out.data() + end, zip::kEndSignature, 4);
  put16(end + 8, 1);
  put16(end + 10, 1);
  put32(end + 12, static_cast<uint32_t>(end - central));
  put32(end + 16, static_cast<uint32_t>(central));
  return out;
}

}  // namespace

// The test run maps M: as a CD-ROM drive (scripts/wine-env.sh): extraction refuses to write there
// and leaves the drive as it was.
TEST(ExtractionTarget, ACdRomDestinationGives14) {
  testutil::TempFolder folder;
  const std::string archive = folder / "ONE.ZIP";
  ASSERT_TRUE(testutil::WriteWholeFile(archive, OneStoredEntryArchive()));
  CZUnzip reader;
  EXPECT_EQ(0, reader.UnzipFiles(archive.c_str(), "*.*", folder.path().c_str(), 1, TRUE));
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((folder / "A.TXT").c_str()));
  ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("M:\\"))
      << "the test drive M: is not mapped";
  EXPECT_EQ(14, reader.UnzipFiles(archive.c_str(), "*.*", "M:\\", 1, TRUE));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("M:\\A.TXT"));
}
