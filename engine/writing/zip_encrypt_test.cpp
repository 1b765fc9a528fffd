// The encryption pass of ZipFiles: every entry that is neither encrypted nor a folder entry comes
// out encrypted (new entries and plain ones that were in the archive before), decrypting to exactly
// the bytes it held; encrypted entries are kept as they are; data descriptors go; the adding result
// stays the call's result; any failure leaves the unencrypted archive and no temporary file; the
// progress messages. The archives kept here are also tested by the peers with the password
// (writer_check.sh).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/cipher.h"
#include "reading/czunzip.h"
#include "writing/czzip.h"
#include "files/file_fault.h"
#include "base/prompts.h"
#include "win_test_util.h"
#include "writing/zip_encrypt.h"
#include "writing/zip_writer.h"
#include "writing/zip_writer_test_support.h"
#include "base/progress_messages.h"

namespace {

using writertest::Item;
using writertest::Layout;
using writertest::Parse;

constexpr const char* kPassword = "Pelloro-Crypt 7";  // also the fixtures' password
constexpr const char* kWrongPassword = "Pelloro-Crypt 8";
constexpr uint16_t kEncrypted = 1;
constexpr uint16_t kDescriptor = 8;

std::string FixtureDir() { return testutil::BinaryDir() + "engine\\fixtures\\zip_encrypt\\"; }

std::string WithBackslashes(std::string name) {
  for (char& c : name) {
    if (c == '/') c = '\\';
  }
  return name;
}

std::vector<uint8_t> TextOfLength(size_t length, char letter) {
  std::string line = "Every entry of this archive is encrypted with the password. ";
  line[0] = letter;
  std::string text;
  while (text.size() < length) text += line;
  text.resize(length);
  return std::vector<uint8_t>(text.begin(), text.end());
}

// The seed of the header bytes fixed for the object's life.
class FixedSeed {
 public:
  explicit FixedSeed(uint32_t seed) { zipencrypt::FixRandomSeed(seed); }
  ~FixedSeed() { zipencrypt::FixRandomSeed(std::nullopt); }
  FixedSeed(const FixedSeed&) = delete;
  FixedSeed& operator=(const FixedSeed&) = delete;
};

// An encrypted entry's stored bytes decrypted: the 12 header bytes and the data behind them.
struct Opened {
  std::vector<uint8_t> header;
  std::vector<uint8_t> data;
};

Opened Decrypt(const Item& item, const std::string& password) {
  Opened opened;
  std::vector<uint8_t> bytes = item.data;
  if (bytes.size() < kEncryptionHeaderSize) return opened;
  CipherKeys keys;
  InitKeys(keys, password);
  DecryptBuffer(keys, bytes.data(), bytes.size());
  opened.header.assign(bytes.begin(), bytes.begin() + kEncryptionHeaderSize);
  opened.data.assign(bytes.begin() + kEncryptionHeaderSize, bytes.end());
  return opened;
}

uint16_t CheckWord(const Opened& opened) {
  return static_cast<uint16_t>(opened.header[10] | (opened.header[11] << 8));
}

// Checks that after holds before's entry encrypted with the password: same CRC and sizes (plus
// the header), no data descriptor, the CRC's high word as the header's last two bytes, and the
// same data once decrypted.
void ExpectEncryptedCopy(const Item& before, const Item& after, const std::string& password) {
  SCOPED_TRACE(before.central.name);
  EXPECT_EQ(after.central.flags & kEncrypted, kEncrypted);
  EXPECT_EQ(after.local.flags & kEncrypted, kEncrypted);
  EXPECT_EQ(after.central.flags & kDescriptor, 0);
  EXPECT_EQ(after.local.flags & kDescriptor, 0);
  EXPECT_EQ(after.central.flags & ~(kEncrypted | kDescriptor),
            before.central.flags & ~(kEncrypted | kDescriptor));
  EXPECT_GE(after.central.versionNeeded & 0xFF, 20);
  EXPECT_EQ(after.central.method, before.central.method);
  EXPECT_EQ(after.central.crc, before.central.crc);
  EXPECT_EQ(after.central.compressedSize, before.central.compressedSize + kEncryptionHeaderSize);
  EXPECT_EQ(after.central.uncompressedSize, before.central.uncompressedSize);
  EXPECT_EQ(after.central.dosDateTime, before.central.dosDateTime);
  const Opened opened = Decrypt(after, password);
  ASSERT_EQ(opened.header.size(), kEncryptionHeaderSize);
  EXPECT_EQ(CheckWord(opened), before.central.crc >> 16);
  EXPECT_EQ(opened.data, before.data);
}

Layout Read(const std::string& archive) {
  Layout layout = Parse(testutil::FileBytes(archive));
  EXPECT_EQ(layout.error, "") << archive;
  return layout;
}

// Flag bit 0 of every entry, by name.
std::map<std::string, bool> Encryption(const std::string& archive) {
  std::map<std::string, bool> flags;
  for (const Item& item : Read(archive).items) {
    flags[item.central.name] = (item.central.flags & kEncrypted) != 0;
  }
  return flags;
}

// Keeps an archive for the peers' check, to be tested with the password (and refused without).
void KeepEncrypted(const std::string& archive, const std::string& keptName,
                   const std::vector<std::string>& names = {}) {
  writertest::KeepForPeers(archive, keptName, names);
  ASSERT_TRUE(testutil::WriteWholeFile(writertest::PeerCheckDir() + keptName + ".password",
                                       std::string(kPassword)));
}

class ZipEncryptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = writertest::CurrentFolder();
    FinishWriter(0);
    SetEnginePrompts(nullptr);
    zipencrypt::FixRandomSeed(std::nullopt);
    tree_ = folder_ / "tree\\";
    ASSERT_TRUE(CreateDirectoryA(tree_.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((tree_ + "sub").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((tree_ + "sub\\deeper").c_str(), nullptr));
    for (const auto& [name, data] : Files())
      ASSERT_TRUE(testutil::WriteWholeFile(tree_ + name, data));
    archive_ = folder_ / "secret.zip";
  }
  void TearDown() override {
    SetCurrentDirectoryA(saved_.c_str());
    zipencrypt::FixRandomSeed(std::nullopt);
    FinishWriter(0);
  }

  // The files below the tree, by relative path: an empty file, files of 36 and 37 bytes, text
  // that deflates well, and incompressible data longer than several copy pieces.
  static std::map<std::string, std::vector<uint8_t>> Files() {
    return {{"a.txt", TextOfLength(1800, 'A')},
            {"empty.txt", {}},
            {"s36.txt", TextOfLength(36, 'S')},
            {"s37.txt", std::vector<uint8_t>(37, 'x')},
            {"noise.bin", writertest::RandomBytes(40000, 31)},
            {"sub\\c.txt", TextOfLength(900, 'C')},
            {"sub\\deeper\\d.txt", TextOfLength(3000, 'D')}};
  }

  // The whole tree with its folder entries ("TREE/", "TREE/SUB/", ...).
  int AddTree(const char* password, HWND window = nullptr) {
    return zip_.ZipFiles(archive_.c_str(), "tree\\.", kZipReplace, 2, TRUE, window, password);
  }

  // Extracts the archive with our own reader into a fresh folder; returns the folder.
  std::string Extract(const std::string& archive, const char* password, int* result) {
    const std::string destination = folder_ / ("out" + std::to_string(++extractions_));
    EXPECT_TRUE(CreateDirectoryA(destination.c_str(), nullptr));
    CZUnzip unzip;
    unzip.SetPassword(password);
    *result = unzip.UnzipFiles(archive.c_str(), "*.*", destination.c_str(), 1, TRUE);
    return destination + "\\";
  }

  testutil::TempFolder folder_;
  std::string tree_;
  std::string saved_;
  std::string archive_;
  int extractions_ = 0;
  CZZip zip_;
};

// ---- what the pass writes ----------------------------------------------------------------------

TEST_F(ZipEncryptTest, EveryFileEntryIsEncryptedAndDecryptsToTheUnencryptedEntry) {
  ASSERT_EQ(AddTree(nullptr), kWriterDone);
  const Layout plain = Read(archive_);
  ASSERT_EQ(plain.items.size(), 10u);  // seven files and three folder entries

  std::vector<uint8_t> first;
  for (int run = 0; run < 2; ++run) {
    FixedSeed seed(20261210);
    ASSERT_TRUE(DeleteFileA(archive_.c_str()));
    ASSERT_EQ(AddTree(kPassword), kWriterDone);
    if (run == 0) first = testutil::FileBytes(archive_);
  }
  // With the seed fixed, the pass writes the same bytes every time.
  EXPECT_EQ(testutil::FileBytes(archive_), first);

  const Layout sealed = Read(archive_);
  ASSERT_EQ(sealed.items.size(), plain.items.size());
  std::vector<std::string> names;
  for (size_t i = 0; i < plain.items.size(); ++i) {
    const Item& before = plain.items[i];
    const Item& after = sealed.items[i];
    ASSERT_EQ(after.central.name, before.central.name);
    names.push_back(after.central.name);
    if (before.central.name.back() == '/') {
      EXPECT_EQ(after.central.flags, before.central.flags) << before.central.name;
      EXPECT_EQ(after.data, before.data);
      continue;
    }
    ExpectEncryptedCopy(before, after, kPassword);
  }

  // Our own reader extracts the same bytes with the password, and none with a wrong one.
  int result = -1;
  std::string out = Extract(archive_, kPassword, &result);
  EXPECT_EQ(result, 0);
  for (const auto& [name, data] : Files())
    EXPECT_EQ(testutil::FileBytes(out + "tree\\" + name), data) << name;
  out = Extract(archive_, kWrongPassword, &result);
  EXPECT_NE(result, 0);
  for (const auto& [name, data] : Files()) {
    if (!data.empty()) {
      EXPECT_NE(testutil::FileBytes(out + "tree\\" + name), data) << name;
    }
  }
  KeepEncrypted(archive_, "encrypt_tree.zip", names);

  // Without a fixed seed the random header bytes of one pass differ from entry to entry.
  ASSERT_TRUE(DeleteFileA(archive_.c_str()));
  ASSERT_EQ(AddTree(kPassword), kWriterDone);
  // Fixed-size parts: the 32-bit compiler warns about comparing vectors of unknown length.
  std::set<std::array<uint8_t, 10>> randomParts;
  size_t encrypted = 0;
  for (const Item& item : Read(archive_).items) {
    if (!(item.central.flags & kEncrypted)) continue;
    ++encrypted;
    const Opened opened = Decrypt(item, kPassword);
    EXPECT_EQ(CheckWord(opened), item.central.crc >> 16) << item.central.name;
    std::array<uint8_t, 10> part{};
    std::copy_n(opened.header.begin(), part.size(), part.begin());
    randomParts.insert(part);
  }
  EXPECT_EQ(encrypted, 7u);
  EXPECT_EQ(randomParts.size(), encrypted);
}

TEST_F(ZipEncryptTest, PlainEntriesOfPeerArchivesAreEncryptedAndEncryptedOnesKept) {
  std::vector<uint8_t> password;
  ASSERT_TRUE(testutil::ReadWholeFile(FixtureDir() + "password.txt", &password));
  ASSERT_EQ(std::string(password.begin(), password.end()), kPassword);
  const std::string added = folder_ / "new.txt";
  const std::vector<uint8_t> addedData = TextOfLength(5000, 'N');
  ASSERT_TRUE(testutil::WriteWholeFile(added, addedData));
  struct Case {
    const char* fixture;
    const char* shows;
  };
  const Case cases[] = {
      {"streamed.zip", "every file with a data descriptor, a folder entry"},
      {"piped.zip", "an encrypted entry with a data descriptor, a plain entry"},
      {"stub.zip", "a program in front, offsets counted from the start of the file"},
      {"seven.zip", "an encrypted entry, a plain one and a folder entry"},
  };
  FixedSeed seed(77);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.fixture << ": " << c.shows);
    const std::string archive = folder_ / c.fixture;
    ASSERT_TRUE(CopyFileA((FixtureDir() + c.fixture).c_str(), archive.c_str(), FALSE));
    const std::vector<uint8_t> original = testutil::FileBytes(archive);
    const Layout before = Read(archive);
    ASSERT_FALSE(before.items.empty());

    ASSERT_EQ(
        zip_.ZipFiles(archive.c_str(), added.c_str(), kZipReplace, 0, FALSE, nullptr, kPassword),
        kWriterDone);
    const std::vector<uint8_t> bytes = testutil::FileBytes(archive);
    const Layout after = Read(archive);
    ASSERT_EQ(after.items.size(), before.items.size() + 1);
    // The program in front is kept byte for byte.
    ASSERT_EQ(after.firstRecord, before.firstRecord);
    EXPECT_TRUE(std::equal(original.begin(), original.begin() + before.firstRecord, bytes.begin()));

    std::vector<std::string> names;
    for (size_t i = 0; i < before.items.size(); ++i) {
      const Item& old = before.items[i];
      const Item& now = after.items[i];
      ASSERT_EQ(now.central.name, old.central.name);
      names.push_back(now.central.name);
      if (old.central.flags & kEncrypted) {
        // Unchanged, descriptor and all: its check byte may be the time's, as bit 3 says.
        EXPECT_EQ(now.local.flags, old.local.flags) << old.central.name;
        EXPECT_EQ(now.central.flags, old.central.flags) << old.central.name;
        EXPECT_EQ(now.data, old.data) << old.central.name;
      } else if (old.central.name.back() == '/') {
        EXPECT_EQ(now.central.flags & (kEncrypted | kDescriptor), 0) << old.central.name;
        EXPECT_EQ(now.local.flags & (kEncrypted | kDescriptor), 0) << old.central.name;
        EXPECT_EQ(now.data, old.data) << old.central.name;
      } else {
        ExpectEncryptedCopy(old, now, kPassword);
      }
    }
    const Item& fresh = after.items.back();
    EXPECT_EQ(fresh.central.name, "NEW.TXT");
    EXPECT_EQ(fresh.central.flags & (kEncrypted | kDescriptor), kEncrypted);
    names.push_back(fresh.central.name);

    int result = -1;
    const std::string out = Extract(archive, kPassword, &result);
    EXPECT_EQ(result, 0);
    for (const std::string& name : names) {
      if (name.back() == '/') continue;
      const std::string source =
          name == "NEW.TXT" ? added : FixtureDir() + "src\\" + WithBackslashes(name);
      EXPECT_EQ(testutil::FileBytes(out + WithBackslashes(name)), testutil::FileBytes(source))
          << name;
    }
    KeepEncrypted(archive, std::string("encrypt_") + c.fixture, names);
  }
}

// ---- the call's result -------------------------------------------------------------------------

TEST_F(ZipEncryptTest, AddingResultStaysAndEveryEntryEndsUpEncrypted) {
  FixedSeed seed(4711);
  // count 0: some entries, but fewer than the five files.
  auto allEncrypted = [&](size_t count) {
    const std::map<std::string, bool> flags = Encryption(archive_);
    if (count != 0) {
      EXPECT_EQ(flags.size(), count);
    }
    EXPECT_TRUE(!flags.empty() && flags.size() < 5) << flags.size();
    for (const auto& [name, encrypted] : flags) EXPECT_TRUE(encrypted) << name;
  };
  const std::string mask = tree_ + "*.*";
  // An unencrypted archive: its old entry is encrypted too, though one new file cannot be read.
  ASSERT_EQ(zip_.ZipFiles(archive_.c_str(), (tree_ + "a.txt").c_str(), kZipReplace, 0, FALSE,
                          nullptr, nullptr),
            kWriterDone);
  {
    writertest::LockedFile lock(tree_ + "s36.txt");
    ASSERT_TRUE(lock.locked());
    EXPECT_EQ(zip_.ZipFiles(archive_.c_str(), mask.c_str(), kZipKeep, 0, FALSE, nullptr, kPassword),
              kWriterAccessDenied);
  }
  allEncrypted(4);  // a.txt, empty.txt, s37.txt, noise.bin

  // Cancelled after two new files: those are in the archive, encrypted, and the result is 17.
  ASSERT_TRUE(DeleteFileA(archive_.c_str()));
  int entriesDone = 0;
  int cancelled = 0;
  {
    testutil::MessageWindow window([&](UINT message, WPARAM, const char*) {
      if (message == progress::kFileZipped && ++entriesDone == 2) zip_.SetCancel(TRUE);
    });
    ASSERT_NE(window.get(), nullptr);
    cancelled = zip_.ZipFiles(archive_.c_str(), mask.c_str(), kZipReplace, 0, FALSE, window.get(),
                              kPassword);
  }
  EXPECT_EQ(cancelled, kZipUserAbort);
  allEncrypted(0);
  KeepEncrypted(archive_, "encrypt_cancelled.zip");

  // Nothing new over an archive whose entries are all encrypted: 9, and the file stays as it is.
  const std::vector<uint8_t> sealed = testutil::FileBytes(archive_);
  EXPECT_EQ(
      zip_.ZipFiles(archive_.c_str(), mask.c_str(), kZipFreshen, 0, FALSE, nullptr, kPassword),
      kZipCannotEncrypt);
  EXPECT_EQ(testutil::FileBytes(archive_), sealed);
  // An archive without entries, and none at all: nothing to encrypt either.
  const std::string none = tree_ + "*.none";
  std::vector<uint8_t> empty(22, 0);
  std::copy_n("PK\5\6", 4, empty.begin());
  ASSERT_TRUE(testutil::WriteWholeFile(archive_, empty));
  EXPECT_EQ(zip_.ZipFiles(archive_.c_str(), none.c_str(), kZipUpdate, 0, FALSE, nullptr, kPassword),
            kZipCannotEncrypt);
  EXPECT_EQ(testutil::FileBytes(archive_), empty);
  ASSERT_TRUE(DeleteFileA(archive_.c_str()));
  EXPECT_EQ(zip_.ZipFiles(archive_.c_str(), none.c_str(), kZipUpdate, 0, FALSE, nullptr, kPassword),
            kZipCannotEncrypt);
  EXPECT_EQ(GetFileAttributesA(archive_.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(writertest::FilesLike(folder_.path(), "~ZIP*").empty());
  EXPECT_TRUE(WriteOperation().password.empty());
}

// ---- failures ----------------------------------------------------------------------------------

TEST_F(ZipEncryptTest, AFailingStepLeavesTheUnencryptedArchiveAndNoTemporaryFile) {
  const FileStep steps[] = {FileStep::kOpen,  FileStep::kCreate, FileStep::kRead,
                            FileStep::kWrite, FileStep::kClose,  FileStep::kMove};
  // The calls of each step the compressing pass makes, and those the whole call makes.
  std::map<FileStep, int> adding, whole;
  {
    ScopedFileFaults faults;
    ASSERT_EQ(AddTree(nullptr), kWriterDone);
    for (FileStep step : steps) adding[step] = FileStepCalls(step);
  }
  const std::vector<uint8_t> plain = testutil::FileBytes(archive_);
  ASSERT_TRUE(DeleteFileA(archive_.c_str()));
  {
    ScopedFileFaults faults;
    ASSERT_EQ(AddTree(kPassword), kWriterDone);
    for (FileStep step : steps) whole[step] = FileStepCalls(step);
  }
  ASSERT_GT(whole[FileStep::kWrite] - adding[FileStep::kWrite], 10);

  const Layout plainLayout = Parse(plain);
  for (FileStep step : steps) {
    // Some failures are recovered from: a read of the directory tried another way, the close of a
    // file only read, a move the replacement does by copying instead. Then the archive in place
    // must be the complete encrypted one. Every other failure must fail the pass.
    const bool mayPass =
        step == FileStep::kRead || step == FileStep::kClose || step == FileStep::kMove;
    int failures = 0;
    for (int nth = adding[step] + 1; nth <= whole[step]; ++nth) {
      SCOPED_TRACE(testing::Message() << FileStepName(step) << " #" << nth);
      DeleteFileA(archive_.c_str());
      int result;
      {
        ScopedFileFaults faults;
        FailFileStep(step, nth);
        result = AddTree(kPassword);
      }
      EXPECT_TRUE(writertest::FilesLike(folder_.path(), "~ZIP*").empty());
      if (result == kWriterDone && mayPass) {
        const Layout sealed = Read(archive_);
        ASSERT_EQ(sealed.items.size(), plainLayout.items.size());
        for (size_t i = 0; i < sealed.items.size(); ++i) {
          if (plainLayout.items[i].central.name.back() == '/') {
            EXPECT_EQ(sealed.items[i].central.flags & kEncrypted, 0);
          } else {
            ExpectEncryptedCopy(plainLayout.items[i], sealed.items[i], kPassword);
          }
        }
        continue;
      }
      ++failures;
      EXPECT_EQ(result, kZipCannotEncrypt);
      EXPECT_EQ(testutil::FileBytes(archive_), plain);
    }
    // Each step is on the pass's path and checked (the replacement recovers from every move).
    if (step != FileStep::kMove) {
      EXPECT_GT(failures, 0) << FileStepName(step);
    }
  }
}

// ---- progress ----------------------------------------------------------------------------------

TEST_F(ZipEncryptTest, ProgressOfEveryEntryRisesTo100AndTheWritingIsAnnouncedOnce) {
  std::vector<writertest::SeenMessage> seen;
  int result = 0;
  {
    // The pass's progress and its announcement of the writing.
    testutil::MessageWindow window([&](UINT message, WPARAM wParam, const char* text) {
      if (message == progress::kEncrypting || message == progress::kWriting) {
        seen.push_back({message, wParam, text != nullptr ? text : ""});
      }
    });
    ASSERT_NE(window.get(), nullptr);
    result = AddTree(kPassword, window.get());
  }
  ASSERT_EQ(result, kWriterDone);

  // The compressing pass announces its own writing first; the pass's copies follow, then its one
  // announcement before the archive is replaced.
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen.front().message, static_cast<UINT>(progress::kWriting));
  EXPECT_EQ(seen.back().message, static_cast<UINT>(progress::kWriting));
  EXPECT_EQ(seen.back().text, "SECRET.ZIP");
  std::map<std::string, std::vector<WPARAM>> percents;
  for (size_t i = 1; i + 1 < seen.size(); ++i) {
    ASSERT_EQ(seen[i].message, static_cast<UINT>(progress::kEncrypting)) << i;
    percents[seen[i].text].push_back(seen[i].wParam);
  }
  // Every entry with data, piece by piece of 16,384 bytes; folders and the empty file have none.
  std::map<std::string, std::vector<WPARAM>> expected;
  for (const Item& item : Read(archive_).items) {
    const uint64_t length = item.central.compressedSize - kEncryptionHeaderSize;
    if (!(item.central.flags & kEncrypted) || length == 0) continue;
    for (uint64_t done = 0; done < length;) {
      done = std::min<uint64_t>(done + 16384, length);
      expected[item.central.name].push_back(static_cast<WPARAM>(done * 100 / length));
    }
  }
  EXPECT_EQ(percents, expected);
  EXPECT_EQ(percents["TREE/NOISE.BIN"].size(), 3u);
  for (const auto& [name, values] : percents) EXPECT_EQ(values.back(), 100u) << name;
}

}  // namespace
