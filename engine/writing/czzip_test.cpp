// ZipFiles over new archives: the stored names of every store-path method with and without
// recursion and for absolute and relative masks, the compression modes, the files that are
// always stored, folder entries, the archive never added to itself, and the call's frame
// (arguments, current folder, the hand-over to the encryption pass).
#include "writing/czzip.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/crc32.h"
#include "core/inflate.h"
#include "reading/czunzip.h"
#include "base/entry_case.h"
#include "files/file_time.h"
#include "base/prompts.h"
#include "win_test_util.h"
#include "writing/zip_writer.h"
#include "writing/zip_writer_test_support.h"

namespace {

using writertest::Layout;
using writertest::Parse;

std::vector<uint8_t> Decoded(const writertest::Item& item) {
  if (item.central.method == 0) return item.data;
  struct Sink : DecoderOutput {
    std::vector<uint8_t> bytes;
    void Write(const uint8_t* data, size_t n) override {
      bytes.insert(bytes.end(), data, data + n);
    }
  } sink;
  MemoryDecoderInput input(item.data.data(), item.data.size());
  std::vector<uint8_t> window(kDecoderWindowSize);
  EXPECT_EQ(Inflate(input, sink, window.data()), kInflateOk) << item.central.name;
  return sink.bytes;
}

std::string Upper(std::string text) {
  UpperCaseOem(text);
  return text;
}

std::vector<uint8_t> TextOfLength(size_t length, char letter) {
  std::string line = "The archive holds this line of text, again and again. ";
  line[0] = letter;
  std::string text;
  while (text.size() < length) text += line;
  text.resize(length);
  return std::vector<uint8_t>(text.begin(), text.end());
}

class ZipFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = writertest::CurrentFolder();
    FinishWriter(0);
    SetEnginePrompts(nullptr);
    tree_ = folder_ / "tree\\";
    ASSERT_TRUE(CreateDirectoryA(tree_.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((tree_ + "sub").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((tree_ + "sub\\deeper").c_str(), nullptr));
    Put("a.txt", TextOfLength(1800, 'A'));
    Put("b.dat", writertest::RandomBytes(5000, 7));
    Put("small.txt", TextOfLength(36, 'S'));
    Put("s37.txt", std::vector<uint8_t>(37, 'x'));
    Put("empty.txt", {});
    Put("inner.zip", TextOfLength(400, 'Z'));
    Put("sub\\c.txt", TextOfLength(900, 'C'));
    Put("sub\\a.txt", TextOfLength(700, 'a'));
    Put("sub\\deeper\\d.txt", TextOfLength(3000, 'D'));
  }
  void TearDown() override {
    SetCurrentDirectoryA(saved_.c_str());
    FinishWriter(0);
  }
  void Put(const std::string& relative, const std::vector<uint8_t>& data) {
    ASSERT_TRUE(testutil::WriteWholeFile(tree_ + relative, data));
  }

  // Checks the archive's layout and that every entry holds its file's bytes and time. expected:
  // stored name -> file below the tree (empty for a folder entry).
  void ExpectArchive(const std::string& archive, const std::map<std::string, std::string>& expected,
                     const std::string& keepAs = "") {
    const Layout layout = Parse(testutil::FileBytes(archive));
    ASSERT_EQ(layout.error, "") << archive;
    std::set<std::string> names;
    std::vector<std::string> inOrder;
    for (const writertest::Item& item : layout.items) {
      names.insert(item.central.name);
      inOrder.push_back(item.central.name);
      const auto it = expected.find(item.central.name);
      if (it == expected.end()) {
        ADD_FAILURE() << "unexpected entry " << item.central.name;
        continue;
      }
      EXPECT_EQ(item.local.flags & 8, 0) << item.central.name;
      if (it->second.empty()) {
        EXPECT_EQ(item.central.method, 0);
        EXPECT_EQ(item.central.uncompressedSize, 0u);
        continue;
      }
      // One file, or one of several files separated by '|'.
      const std::vector<uint8_t> data = Decoded(item);
      std::string file;
      for (size_t start = 0; start <= it->second.size();) {
        size_t bar = it->second.find('|', start);
        if (bar == std::string::npos) bar = it->second.size();
        const std::string candidate = it->second.substr(start, bar - start);
        if (testutil::FileBytes(tree_ + candidate) == data) file = candidate;
        start = bar + 1;
      }
      ASSERT_FALSE(file.empty()) << item.central.name << " holds none of " << it->second;
      EXPECT_EQ(item.central.crc, Crc32(data.data(), data.size())) << item.central.name;
      long size = 0;
      DWORD attributes = 0;
      EXPECT_EQ(item.central.dosDateTime,
                GetFileDosTime((tree_ + file).c_str(), &size, &attributes))
          << item.central.name;
    }
    std::set<std::string> wanted;
    for (const auto& [name, file] : expected) wanted.insert(name);
    EXPECT_EQ(names, wanted) << archive;
    if (!keepAs.empty()) writertest::KeepForPeers(archive, keepAs, inOrder);
  }

  testutil::TempFolder folder_;
  std::string tree_;
  std::string saved_;
  CZZip zip_;
};

// ---- stored names ------------------------------------------------------------------------------

TEST_F(ZipFilesTest, StorePathMethodsRecursionAndMaskFormsGiveTheirNames) {
  // The part of the tree's path a method-2 absolute mask keeps: no drive, no leading '\'.
  const std::string prefix = Upper(tree_.substr(3));
  std::string slashed = prefix;
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  struct Case {
    const char* label;
    short method;
    bool recurse;
    bool absolute;  // the mask: "<tree>\*.txt", else relative to the archive's folder
    std::vector<std::pair<std::string, std::string>> names;
  };
  const std::vector<std::pair<std::string, std::string>> flat = {{"A.TXT", "a.txt"},
                                                                 {"SMALL.TXT", "small.txt"},
                                                                 {"S37.TXT", "s37.txt"},
                                                                 {"EMPTY.TXT", "empty.txt"}};
  auto under = [&](const std::string& folder, bool deep) {
    std::vector<std::pair<std::string, std::string>> names;
    for (const auto& [name, file] : flat) names.push_back({folder + name, file});
    if (deep) {
      names.push_back({folder + "SUB/", ""});
      names.push_back({folder + "SUB/C.TXT", "sub\\c.txt"});
      names.push_back({folder + "SUB/A.TXT", "sub\\a.txt"});
      names.push_back({folder + "SUB/DEEPER/", ""});
      names.push_back({folder + "SUB/DEEPER/D.TXT", "sub\\deeper\\d.txt"});
    }
    return names;
  };
  // Without paths the two files called a.txt give one entry, holding one of them.
  std::vector<std::pair<std::string, std::string>> flatDeep = flat;
  flatDeep[0].second = "a.txt|sub\\a.txt";
  flatDeep.push_back({"C.TXT", "sub\\c.txt"});
  flatDeep.push_back({"D.TXT", "sub\\deeper\\d.txt"});
  const std::vector<Case> cases = {
      {"m0", 0, false, true, flat},
      {"m0r", 0, true, true, flatDeep},
      {"m0rel", 0, false, false, flat},
      {"m1", 1, false, true, under("TREE/", false)},
      {"m1r", 1, true, true, under("TREE/", true)},
      {"m1rel", 1, true, false, under("TREE/", true)},
      {"m2", 2, false, true, under(slashed, false)},
      {"m2r", 2, true, true, under(slashed, true)},
      {"m2rel", 2, false, false, under("TREE/", false)},
      {"m2relr", 2, true, false, under("TREE/", true)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string archive = folder_ / (std::string("names_") + c.label + ".zip");
    const std::string mask = c.absolute ? tree_ + "*.txt" : std::string("tree\\*.txt");
    ASSERT_EQ(zip_.ZipFiles(archive.c_str(), mask.c_str(), kZipReplace, c.method, c.recurse,
                            nullptr, nullptr),
              kWriterDone);
    std::map<std::string, std::string> expected(c.names.begin(), c.names.end());
    ExpectArchive(archive, expected, std::string("add_names_") + c.label + ".zip");
  }
}

TEST_F(ZipFilesTest, FolderMaskWithDotAddsTheWholeFolderWithItsOwnEntry) {
  const std::string archive = folder_ / "dot.zip";
  ASSERT_EQ(zip_.ZipFiles(archive.c_str(), "tree\\.", kZipReplace, 2, TRUE, nullptr, nullptr),
            kWriterDone);
  ExpectArchive(archive,
                {{"TREE/", ""},
                 {"TREE/A.TXT", "a.txt"},
                 {"TREE/B.DAT", "b.dat"},
                 {"TREE/SMALL.TXT", "small.txt"},
                 {"TREE/S37.TXT", "s37.txt"},
                 {"TREE/EMPTY.TXT", "empty.txt"},
                 {"TREE/INNER.ZIP", "inner.zip"},
                 {"TREE/SUB/", ""},
                 {"TREE/SUB/C.TXT", "sub\\c.txt"},
                 {"TREE/SUB/A.TXT", "sub\\a.txt"},
                 {"TREE/SUB/DEEPER/", ""},
                 {"TREE/SUB/DEEPER/D.TXT", "sub\\deeper\\d.txt"}},
                "add_dot_folder.zip");
  // Each folder's own entry comes before its contents.
  const Layout layout = Parse(testutil::FileBytes(archive));
  std::map<std::string, size_t> position;
  for (size_t i = 0; i < layout.items.size(); ++i) position[layout.items[i].central.name] = i;
  EXPECT_LT(position["TREE/SUB/"], position["TREE/SUB/C.TXT"]);
  EXPECT_LT(position["TREE/SUB/DEEPER/"], position["TREE/SUB/DEEPER/D.TXT"]);
}

TEST_F(ZipFilesTest, StoredNamesNeverHoldDotComponents) {
  // The archive lies in a folder of its own; the mask climbs out of it with "..".
  const std::string out = folder_ / "out\\";
  ASSERT_TRUE(CreateDirectoryA(out.c_str(), nullptr));
  const std::string archive = out + "climb.zip";
  ASSERT_EQ(zip_.ZipFiles(archive.c_str(), "..\\tree\\.\\s*.txt", kZipReplace, 2, FALSE, nullptr,
                          nullptr),
            kWriterDone);
  ExpectArchive(archive, {{"TREE/SMALL.TXT", "small.txt"}, {"TREE/S37.TXT", "s37.txt"}},
                "add_no_dot_components.zip");
}

// ---- how entries are written -------------------------------------------------------------------

TEST_F(ZipFilesTest, CompressionModesAndAlwaysStoredFiles) {
  struct Case {
    short mode;
    const char* name;
    WORD method;
  };
  // name -> method for each mode: .zip files, files under 37 bytes, empty files and data that
  // does not get smaller are stored in every mode; mode 3 stores everything.
  const Case cases[] = {
      {0, "A.TXT", 8},     {0, "S37.TXT", 8}, {0, "SMALL.TXT", 0}, {0, "EMPTY.TXT", 0},
      {0, "INNER.ZIP", 0}, {0, "B.DAT", 0},   {1, "A.TXT", 8},     {1, "B.DAT", 0},
      {2, "A.TXT", 8},     {2, "S37.TXT", 8}, {3, "A.TXT", 0},     {3, "S37.TXT", 0},
      {3, "INNER.ZIP", 0},
  };
  const std::map<std::string, std::string> all = {
      {"A.TXT", "a.txt"},     {"B.DAT", "b.dat"},         {"SMALL.TXT", "small.txt"},
      {"S37.TXT", "s37.txt"}, {"EMPTY.TXT", "empty.txt"}, {"INNER.ZIP", "inner.zip"}};
  for (short mode = 0; mode <= 3; ++mode) {
    SCOPED_TRACE(mode);
    ASSERT_TRUE(zip_.SetCompressionMode(mode));
    const std::string archive = folder_ / ("mode" + std::to_string(mode) + ".zip");
    ASSERT_EQ(zip_.ZipFiles(archive.c_str(), (tree_ + "*.*").c_str(), kZipReplace, 0, FALSE,
                            nullptr, nullptr),
              kWriterDone);
    ExpectArchive(archive, all, "add_mode" + std::to_string(mode) + ".zip");
    const Layout layout = Parse(testutil::FileBytes(archive));
    for (const Case& c : cases) {
      if (c.mode != mode) continue;
      const writertest::Item* item = layout.Find(c.name);
      ASSERT_NE(item, nullptr) << c.name;
      EXPECT_EQ(item->local.method, c.method) << c.name;
      EXPECT_EQ(item->local.versionNeeded, c.method == 0 ? 10 : 20) << c.name;
      EXPECT_EQ(item->versionMadeBy, 0x0B32) << c.name;
    }
  }
  // Out-of-range modes fall back to normal deflating.
  EXPECT_FALSE(zip_.SetCompressionMode(4));
  EXPECT_EQ(zip_.GetCompressionMode(), kZipDeflateNormal);
  EXPECT_FALSE(zip_.SetCompressionMode(-1));
  EXPECT_EQ(zip_.GetCompressionMode(), kZipDeflateNormal);
}

TEST_F(ZipFilesTest, LargeFileRoundTrips) {
  std::vector<uint8_t> big = TextOfLength(20u * 1024 * 1024, 'B');
  const std::vector<uint8_t> noise = writertest::RandomBytes(1u << 20, 99);
  std::copy(noise.begin(), noise.end(), big.begin() + (8u << 20));
  Put("big.bin", big);
  const std::string archive = folder_ / "big.zip";
  ASSERT_EQ(zip_.ZipFiles(archive.c_str(), (tree_ + "big.bin").c_str(), kZipReplace, 0, FALSE,
                          nullptr, nullptr),
            kWriterDone);
  ExpectArchive(archive, {{"BIG.BIN", "big.bin"}}, "add_20mb.zip");
}

TEST_F(ZipFilesTest, ArchivesExtractWithOurOwnReaderToTheSameBytesAndTimes) {
  const std::string archive = folder_ / "roundtrip.zip";
  ASSERT_EQ(zip_.ZipFiles(archive.c_str(), "tree\\*.*", kZipReplace, 1, TRUE, nullptr, nullptr),
            kWriterDone);
  const std::string destination = folder_ / "extracted";
  ASSERT_TRUE(CreateDirectoryA(destination.c_str(), nullptr));
  CZUnzip unzip;
  ASSERT_EQ(unzip.UnzipFiles(archive.c_str(), "*.*", destination.c_str(), 1, TRUE), 0);
  for (const char* file : {"a.txt", "b.dat", "small.txt", "s37.txt", "empty.txt", "inner.zip",
                           "sub\\c.txt", "sub\\a.txt", "sub\\deeper\\d.txt"}) {
    SCOPED_TRACE(file);
    const std::string copy = destination + "\\tree\\" + file;
    EXPECT_EQ(testutil::FileBytes(copy), testutil::FileBytes(tree_ + file));
    long size = 0;
    DWORD attributes = 0;
    EXPECT_EQ(GetFileDosTime(copy.c_str(), &size, &attributes),
              GetFileDosTime((tree_ + file).c_str(), &size, &attributes));
  }
}

// ---- the call's frame --------------------------------------------------------------------------

TEST_F(ZipFilesTest, EmptyArgumentsAndNothingFoundGiveNothingToDo) {
  const std::string archive = folder_ / "none.zip";
  EXPECT_EQ(zip_.ZipFiles("", "*.*", 0, 0, FALSE, nullptr, nullptr), kWriterNothingToDo);
  EXPECT_EQ(zip_.ZipFiles(archive.c_str(), "", 0, 0, FALSE, nullptr, nullptr), kWriterNothingToDo);
  EXPECT_EQ(zip_.ZipFiles(nullptr, "*.*", 0, 0, FALSE, nullptr, nullptr), kWriterNothingToDo);
  EXPECT_EQ(zip_.ZipFiles(archive.c_str(), (tree_ + "*.none").c_str(), kZipReplace, 0, FALSE,
                          nullptr, nullptr),
            kWriterNothingToDo);
  // Update and freshen with nothing to do succeed.
  EXPECT_EQ(zip_.ZipFiles(archive.c_str(), (tree_ + "*.none").c_str(), kZipUpdate, 0, FALSE,
                          nullptr, nullptr),
            kWriterDone);
  EXPECT_EQ(zip_.ZipFiles(archive.c_str(), (tree_ + "*.txt").c_str(), kZipFreshen, 0, FALSE,
                          nullptr, nullptr),
            kWriterDone);
  EXPECT_EQ(GetFileAttributesA(archive.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(zip_.GetReplaceFlag(), kZipFreshen);
}

TEST_F(ZipFilesTest, RelativeArchiveNameMeansTheCallersFolderWhichIsRestored) {
  ASSERT_TRUE(SetCurrentDirectoryA(tree_.c_str()));
  const std::string before = writertest::CurrentFolder();
  // A missing archive folder is created; the caller's folder is current again afterwards.
  ASSERT_EQ(zip_.ZipFiles("made\\rel.zip", (tree_ + "a.txt").c_str(), kZipReplace, 0, FALSE,
                          nullptr, nullptr),
            kWriterDone);
  EXPECT_EQ(writertest::CurrentFolder(), before);
  ExpectArchive(tree_ + "made\\rel.zip", {{"A.TXT", "a.txt"}});
}

TEST_F(ZipFilesTest, ArchiveIsNeverAddedToItself) {
  const std::string archive = tree_ + "self.zip";
  ASSERT_EQ(zip_.ZipFiles(archive.c_str(), (tree_ + "s*.*").c_str(), kZipReplace, 0, FALSE, nullptr,
                          nullptr),
            kWriterDone);
  ExpectArchive(archive, {{"SMALL.TXT", "small.txt"}, {"S37.TXT", "s37.txt"}});
  // Again: now the archive itself matches the mask, both as a new name and by its short form.
  ASSERT_EQ(zip_.ZipFiles(archive.c_str(), (tree_ + "s*.*").c_str(), kZipReplace, 0, FALSE, nullptr,
                          nullptr),
            kWriterDone);
  ExpectArchive(archive, {{"SMALL.TXT", "small.txt"}, {"S37.TXT", "s37.txt"}},
                "add_not_itself.zip");
  // A mask naming only the archive finds nothing to do.
  EXPECT_EQ(
      zip_.ZipFiles(archive.c_str(), archive.c_str(), kZipReplace, 0, FALSE, nullptr, nullptr),
      kWriterNothingToDo);
}

// ---- the encryption pass's hand-over -----------------------------------------------------------

TEST_F(ZipFilesTest, PasswordHandsTheFinishedArchiveToTheEncryptionPass) {
  const std::string archive = folder_ / "secret.zip";
  // Flag bit 0 of each entry, by name.
  auto encrypted = [&]() {
    std::map<std::string, bool> flags;
    const Layout layout = Parse(testutil::FileBytes(archive));
    EXPECT_EQ(layout.error, "");
    for (const writertest::Item& item : layout.items) {
      flags[item.central.name] = (item.central.flags & 1) != 0;
    }
    return flags;
  };
  EXPECT_EQ(zip_.ZipFiles(archive.c_str(), (tree_ + "a.txt").c_str(), kZipReplace, 0, FALSE,
                          nullptr, "secret"),
            kWriterDone);
  EXPECT_EQ(encrypted(), (std::map<std::string, bool>{{"A.TXT", true}}));
  EXPECT_TRUE(WriteOperation().password.empty());  // not left in memory

  // No password, or an empty one: no pass.
  EXPECT_EQ(zip_.ZipFiles(archive.c_str(), (tree_ + "s37.txt").c_str(), kZipReplace, 0, FALSE,
                          nullptr, ""),
            kWriterDone);
  EXPECT_EQ(encrypted(), (std::map<std::string, bool>{{"A.TXT", true}, {"S37.TXT", false}}));
  // Nothing new in update mode still runs the pass: the plain entry is encrypted.
  EXPECT_EQ(zip_.ZipFiles(archive.c_str(), (tree_ + "s37.txt").c_str(), kZipUpdate, 0, FALSE,
                          nullptr, "x"),
            kWriterDone);
  EXPECT_EQ(encrypted(), (std::map<std::string, bool>{{"A.TXT", true}, {"S37.TXT", true}}));
  // Now nothing is left plain: the pass fails (9) and the archive stays as it is.
  const std::vector<uint8_t> before = testutil::FileBytes(archive);
  EXPECT_EQ(zip_.ZipFiles(archive.c_str(), (tree_ + "s37.txt").c_str(), kZipUpdate, 0, FALSE,
                          nullptr, "x"),
            kZipCannotEncrypt);
  EXPECT_EQ(testutil::FileBytes(archive), before);
  // Nothing to do: no pass.
  EXPECT_EQ(zip_.ZipFiles(archive.c_str(), (tree_ + "*.none").c_str(), kZipReplace, 0, FALSE,
                          nullptr, "x"),
            kWriterNothingToDo);
  EXPECT_EQ(testutil::FileBytes(archive), before);
  // A password longer than the reader holds would lock the archive for good: refused before
  // anything is written. The longest one taken opens the archive again.
  EXPECT_EQ(zip_.ZipFiles(archive.c_str(), (tree_ + "a.txt").c_str(), kZipReplace, 0, FALSE,
                          nullptr, std::string(kZipMaxPassword + 1, 'p').c_str()),
            kZipCannotEncrypt);
  EXPECT_EQ(testutil::FileBytes(archive), before);
  const std::string longest(kZipMaxPassword, 'q');
  const std::string fresh = folder_ / "longest.zip";
  ASSERT_EQ(zip_.ZipFiles(fresh.c_str(), (tree_ + "a.txt").c_str(), kZipReplace, 0, FALSE, nullptr,
                          longest.c_str()),
            kWriterDone);
  CZUnzip reader;
  EXPECT_TRUE(reader.SetPassword(longest.c_str()));
  reader.SetAskPassword(FALSE);  // a wrong password fails instead of asking
  EXPECT_EQ(reader.IsZIPFile(fresh.c_str(), FALSE), 0);
}

}  // namespace
