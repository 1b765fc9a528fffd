// The writing methods of the registered control, called by name as hosts call them: archives
// built by ZipFiles are read back and extracted through the reading methods of the same control;
// the rewriting methods change what those see; CreateBlankZIPFile hands its name to one
// GetNewZIPName. Then, with the control hosted in place, the events of the writing operations,
// cancel from an event handler and the refusal of a second operation started from one.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "control_test_support.h"
#include "core/cipher.h"
#include "core/le_fields.h"
#include "hosted_control_test_support.h"
#include "qx30w32_guids.h"
#include "win_test_util.h"

namespace {

using controltest::Ptr;
using Args = controltest::DispatchArgs;

constexpr DISPID kFileZipped = 17;
constexpr DISPID kWriting = 18;
constexpr DISPID kEncrypt = 21;
constexpr DISPID kDeleting = 24;

std::string Patterned(size_t size, unsigned seed) {
  std::string text;
  text.reserve(size);
  unsigned state = seed;
  while (text.size() < size) {
    state = state * 1103515245u + 12345u;
    text += "line " + std::to_string((state >> 16) % 50) + " of the test data\r\n";
  }
  text.resize(size);
  return text;
}

// A small tree below work\src: text in nested folders, an empty file, incompressible data.
struct SourceFile {
  std::string name;  // relative to the archive's folder, '\' separators
  std::string data;
};

std::vector<SourceFile> MakeSources(const testutil::TempFolder& work) {
  std::string noise(40000, '\0');
  unsigned state = 99;
  for (char& c : noise) {
    state = state * 1664525u + 1013904223u;
    c = static_cast<char>(state >> 24);
  }
  const std::vector<SourceFile> files = {
      {"src\\a.txt", Patterned(20000, 1)},
      {"src\\empty.dat", ""},
      {"src\\noise.bin", noise},
      {"src\\docs\\readme.txt", Patterned(3000, 2)},
      {"src\\docs\\deep\\notes.txt", Patterned(36, 3)},
  };
  CreateDirectoryA((work / "src").c_str(), nullptr);
  CreateDirectoryA((work / "src\\docs").c_str(), nullptr);
  CreateDirectoryA((work / "src\\docs\\deep").c_str(), nullptr);
  for (const SourceFile& file : files) {
    EXPECT_TRUE(testutil::WriteWholeFile(work / file.name, file.data)) << file.name;
  }
  return files;
}

// The scan adds an entry for each folder below the mask's folder: docs and docs\deep.
constexpr short kFolderEntries = 2;
short EntryCount(const std::vector<SourceFile>& files) {
  return static_cast<short>(files.size() + kFolderEntries);
}

// ZipFiles(archive, mask, recurse, store paths relative to the archive, overwrite mode,
// compression mode, no archive-flag options, password, background).
Args ZipArgs(const std::string& archive, const std::string& mask, short overwrite = 0,
             short compression = 0, const std::string& password = "", bool background = false) {
  Args args;
  args.Text(archive).Text(mask).Bool(true).Short(1).Short(overwrite).Short(compression);
  args.Bool(false).Bool(false).Text(password).Bool(background);
  return args;
}

// The registered control, reached through IDispatch by name.
class WriterMethods : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, CoCreateInstance(qx30w32::kControlClassId, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IDispatch, control_.OutVoid()));
    calls_.Bind(control_.get());
  }

  short Short(const wchar_t* name, const Args& args) { return calls_.Short(name, args); }
  bool Bool(const wchar_t* name, const Args& args) { return calls_.Bool(name, args); }
  std::string Text(const wchar_t* name, const Args& args) { return calls_.Text(name, args); }
  void Void(const wchar_t* name, const Args& args) { calls_.Void(name, args); }

  // Extracts the archive and compares every source file with what came out.
  void ExpectExtractsTo(const std::string& archive, const std::vector<SourceFile>& files,
                        const std::string& password = "") {
    testutil::TempFolder destination;
    EXPECT_EQ(
        0, Short(L"UnzipFiles", controltest::UnzipAllArgs(archive, destination.path(), password)));
    for (const SourceFile& file : files) {
      const std::vector<uint8_t> got = testutil::FileBytes(destination / file.name);
      EXPECT_TRUE(got == std::vector<uint8_t>(file.data.begin(), file.data.end())) << file.name;
    }
  }

  Ptr<IDispatch> control_;
  controltest::NamedCalls calls_;
};

TEST_F(WriterMethods, ZipFilesInEachCompressionModeBuildsAnArchiveThatExtractsToTheSameFiles) {
  testutil::TempFolder work;
  const std::vector<SourceFile> files = MakeSources(work);
  for (short mode : {0, 1, 2, 3}) {
    SCOPED_TRACE("compression mode " + std::to_string(mode));
    const std::string archive = work / ("mode" + std::to_string(mode) + ".zip");
    EXPECT_EQ(0, Short(L"ZipFiles", ZipArgs(archive, work / "src\\*.*", 0, mode)));
    EXPECT_EQ(EntryCount(files), Short(L"GetCount", Args().Text(archive).Bool(false)));
    EXPECT_EQ(0, Short(L"IsZIPFileSlow", Args().Text(archive).Text("").Bool(false).Bool(false)));
    EXPECT_TRUE(Bool(L"IsFileInTheZIPFile",
                     Args().Text(archive).Text("src\\docs\\deep\\notes.txt").Bool(false)));
    ExpectExtractsTo(archive, files);
  }
  // Stored entries are the files' own bytes; the deflated archive is smaller.
  ULARGE_INTEGER stored = {}, deflated = {};
  WIN32_FILE_ATTRIBUTE_DATA info;
  ASSERT_TRUE(GetFileAttributesExA((work / "mode3.zip").c_str(), GetFileExInfoStandard, &info));
  stored.LowPart = info.nFileSizeLow;
  ASSERT_TRUE(GetFileAttributesExA((work / "mode0.zip").c_str(), GetFileExInfoStandard, &info));
  deflated.LowPart = info.nFileSizeLow;
  EXPECT_LT(deflated.QuadPart, stored.QuadPart);
}

TEST_F(WriterMethods, ACancelLeftFromBeforeDoesNotStopZipFilesAndTheOverwriteModeIsKept) {
  testutil::TempFolder work;
  const std::vector<SourceFile> files = MakeSources(work);
  const std::string archive = work / "cancelled_before.zip";
  Void(L"ZipCancel", Args().Bool(true));
  EXPECT_EQ(0, Short(L"ZipFiles", ZipArgs(archive, work / "src\\*.*", 3)));
  EXPECT_EQ(EntryCount(files), Short(L"GetCount", Args().Text(archive).Bool(false)));
  EXPECT_EQ(3, Short(L"ZipGetReplaceFlag", Args()));
  // Freshening with nothing newer changes nothing and says the mode it was given.
  const std::vector<uint8_t> before = testutil::FileBytes(archive);
  Short(L"ZipFiles", ZipArgs(archive, work / "src\\*.*", 4));
  EXPECT_EQ(4, Short(L"ZipGetReplaceFlag", Args()));
  EXPECT_EQ(EntryCount(files), Short(L"GetCount", Args().Text(archive).Bool(false)));
  ExpectExtractsTo(archive, files);
  EXPECT_EQ(before.size(), testutil::FileBytes(archive).size());
}

// A password that the check bytes of none of the archive's encrypted entries accept. Any wrong
// password passes an entry's check about once in a hundred (the header's bytes are random), so
// a test of refusal picks one that is refused by every entry of this archive.
std::string PasswordEveryEntryRefuses(const std::string& archive) {
  const std::vector<uint8_t> bytes = testutil::FileBytes(archive);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string password = "wrong" + std::to_string(attempt);
    bool refused = true;
    size_t at = 0;
    while (refused && at + 30 <= bytes.size() && GetLE32(&bytes[at]) == 0x04034b50) {
      const uint16_t flags = GetLE16(&bytes[at + 6]);
      const uint16_t dosTime = GetLE16(&bytes[at + 10]);
      const uint32_t crc = GetLE32(&bytes[at + 14]);
      const uint32_t packed = GetLE32(&bytes[at + 18]);
      const size_t data = at + 30 + GetLE16(&bytes[at + 26]) + GetLE16(&bytes[at + 28]);
      if ((flags & 1) != 0 && data + kEncryptionHeaderSize <= bytes.size()) {
        uint8_t header[kEncryptionHeaderSize];
        std::copy(bytes.begin() + data, bytes.begin() + data + kEncryptionHeaderSize, header);
        CipherKeys keys;
        if (CheckEncryptionHeader(keys, password, header, crc, dosTime)) refused = false;
      }
      at = data + packed;
    }
    if (refused) return password;
  }
  return std::string();
}

TEST_F(WriterMethods, APasswordArchiveExtractsOnlyWithItsPassword) {
  testutil::TempFolder work;
  const std::vector<SourceFile> files = MakeSources(work);
  const std::string archive = work / "secret.zip";
  ASSERT_EQ(0, Short(L"ZipFiles", ZipArgs(archive, work / "src\\*.*", 0, 0, "open sesame")));
  ExpectExtractsTo(archive, files, "open sesame");
  // A wrong password, with asking off, skips the encrypted entries (a warning) and writes none.
  testutil::TempFolder destination;
  const std::string wrong = PasswordEveryEntryRefuses(archive);
  ASSERT_FALSE(wrong.empty());
  EXPECT_EQ(1, Short(L"UnzipFiles", controltest::UnzipAllArgs(archive, destination.path(), wrong)));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((destination / "src\\a.txt").c_str()));
}

TEST_F(WriterMethods, RewritingMethodsChangeWhatTheReadingMethodsSee) {
  testutil::TempFolder work;
  const std::vector<SourceFile> files = MakeSources(work);
  const std::string archive = work / "rewritten.zip";
  ASSERT_EQ(0, Short(L"ZipFiles", ZipArgs(archive, work / "src\\*.*")));

  // A bare line feed is stored as CR LF.
  EXPECT_EQ(0, Short(L"SetGlobalComment",
                     Args().Text(archive).Text("first line\nsecond line").Bool(false)));
  EXPECT_EQ("first line\r\nsecond line",
            Text(L"GetGlobalComment", Args().Text(archive).Short(100).Bool(false)));
  EXPECT_EQ(0,
            Short(L"SetLocalComment",
                  Args().Text(archive).Text("src\\docs\\readme.txt").Text("about it").Bool(false)));
  EXPECT_EQ("about it",
            Text(L"GetLocalComment",
                 Args().Text(archive).Text("src\\docs\\readme.txt").Short(100).Bool(false)));
  // No entry of that name: nothing to do.
  EXPECT_EQ(6, Short(L"SetLocalComment",
                     Args().Text(archive).Text("src\\nothing.txt").Text("x").Bool(false)));

  // Deleting by a mask with a folder part matches on the file-name part.
  EXPECT_EQ(0, Short(L"DeleteWithMask", Args().Text(archive).Text("deep\\*.txt").Bool(false)));
  EXPECT_EQ(EntryCount(files) - 3, Short(L"GetCount", Args().Text(archive).Bool(false)));
  EXPECT_FALSE(Bool(L"IsFileInTheZIPFile", Args().Text(archive).Text("src\\a.txt").Bool(false)));
  EXPECT_TRUE(Bool(L"IsFileInTheZIPFile", Args().Text(archive).Text("src\\noise.bin").Bool(false)));
  // The comments stayed with the archive and with their entry.
  EXPECT_EQ("first line\r\nsecond line",
            Text(L"GetGlobalComment", Args().Text(archive).Short(100).Bool(false)));
  EXPECT_EQ(6, Short(L"DeleteWithMask", Args().Text(archive).Text("*.none").Bool(false)));
  EXPECT_EQ(0, Short(L"DeleteWithMask", Args().Text(archive).Text("*.*").Bool(false)));
  EXPECT_EQ(0, Short(L"GetCount", Args().Text(archive).Bool(false)));
}

TEST_F(WriterMethods, RepareTurnsAnArchiveBehindAStubIntoAPlainOne) {
  testutil::TempFolder work;
  const std::vector<SourceFile> files = MakeSources(work);
  const std::string plain = work / "plain.zip";
  ASSERT_EQ(0, Short(L"ZipFiles", ZipArgs(plain, work / "src\\*.*")));
  // A program in front whose offsets were never adjusted: the reader says 17.
  std::vector<uint8_t> stubbed(3000, 'x');
  stubbed[0] = 'M';
  stubbed[1] = 'Z';
  const std::vector<uint8_t> archiveBytes = testutil::FileBytes(plain);
  stubbed.insert(stubbed.end(), archiveBytes.begin(), archiveBytes.end());
  const std::string archive = work / "stubbed.zip";
  ASSERT_TRUE(testutil::WriteWholeFile(archive, stubbed));
  ASSERT_EQ(17, Short(L"IsZIPFileQuick", Args().Text(archive).Bool(false)));

  EXPECT_EQ(0, Short(L"Repare", Args().Text(archive).Bool(false)));
  EXPECT_EQ(0, Short(L"IsZIPFileQuick", Args().Text(archive).Bool(false)));
  EXPECT_EQ(EntryCount(files), Short(L"GetCount", Args().Text(archive).Bool(false)));
  ExpectExtractsTo(archive, files);
  EXPECT_EQ(6, Short(L"Repare", Args().Text(work / "no_such.zip").Bool(false)));
}

TEST_F(WriterMethods, CreateBlankZIPFileHandsItsNameToOneGetNewZIPName) {
  testutil::TempFolder work;
  const std::string name = work / "blank.zip";
  EXPECT_TRUE(Bool(L"CreateBlankZIPFile", Args().Text(name).Bool(false)));
  EXPECT_EQ(22u, testutil::FileBytes(name).size());
  EXPECT_EQ(0, Short(L"GetCount", Args().Text(name).Bool(false)));
  EXPECT_EQ(0, lstrcmpiA(name.c_str(), Text(L"GetNewZIPName", Args()).c_str()));
  EXPECT_EQ("", Text(L"GetNewZIPName", Args()));

  // A failure keeps no name: a folder that does not exist, a name too long for the block.
  EXPECT_TRUE(Bool(L"CreateBlankZIPFile", Args().Text(name).Bool(false)));
  EXPECT_FALSE(Bool(L"CreateBlankZIPFile", Args().Text(work / "missing\\blank.zip").Bool(false)));
  EXPECT_EQ("", Text(L"GetNewZIPName", Args()));
  EXPECT_FALSE(Bool(L"CreateBlankZIPFile",
                    Args().Text(work / (std::string(1100, 'n') + ".zip")).Bool(false)));
  EXPECT_EQ("", Text(L"GetNewZIPName", Args()));
  EXPECT_FALSE(Bool(L"CreateBlankZIPFile", Args().NullText().Bool(false)));
}

// With bOpenDialog the control's save dialog asks for the name (the engine asks through the
// control's prompts); the typed name is completed with the dialog's folder and kept.
TEST_F(WriterMethods, CreateBlankZIPFileWithTheDialogTakesTheTypedName) {
  if (!controltest::CanCreateWindows()) GTEST_SKIP() << "no display: run under xvfb-run";
  testutil::TempFolder work;
  char before[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, before);
  bool created = false;
  bool answered = false;
  {
    testutil::DialogAnswerer answer("", IDOK, [](HWND dialog) {
      HWND box = GetDlgItem(dialog, 0x47C);
      if (box == nullptr) box = GetDlgItem(dialog, 0x480);
      if (box != nullptr) {
        SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("chosen.zip"));
      }
    });
    created = Bool(L"CreateBlankZIPFile", Args().Text(work.path()).Bool(true));
    answered = answer.found();
  }
  SetCurrentDirectoryA(before);
  ASSERT_TRUE(answered) << "no save dialog appeared";
  ASSERT_TRUE(created);
  std::string expected = work / "CHOSEN.ZIP";
  CharUpperA(expected.data());
  EXPECT_EQ(0, lstrcmpiA(expected.c_str(), Text(L"GetNewZIPName", Args()).c_str()));
  EXPECT_EQ(22u, testutil::FileBytes(work / "CHOSEN.ZIP", true).size());
}

// ---- hosted: events, cancel and refusal from a handler ----------------------------------------

class HostedWriting : public testing::Test {
 protected:
  void SetUp() override {
    if (!controltest::CanCreateWindows()) GTEST_SKIP() << "no display: run under xvfb-run";
    ASSERT_NO_FATAL_FAILURE(host_.Create());
  }

  size_t Count(DISPID id) const {
    size_t count = 0;
    for (const auto& r : host_.sink.records) count += r.id == id ? 1 : 0;
    return count;
  }

  controltest::HostedControl host_;
};

TEST_F(HostedWriting, ZipFilesInTheBackgroundReportsEachFileAndTheWriteAndNothingInTheForeground) {
  testutil::TempFolder work;
  const std::vector<SourceFile> files = MakeSources(work);
  const std::string quiet = work / "quiet.zip";
  EXPECT_EQ(0, host_.CallShort(L"ZipFiles", ZipArgs(quiet, work / "src\\*.*")));
  EXPECT_TRUE(host_.sink.records.empty()) << controltest::DescribeEvents(host_.sink.records);

  const std::string archive = work / "noisy.zip";
  EXPECT_EQ(0, host_.CallShort(L"ZipFiles", ZipArgs(archive, work / "src\\*.*", 0, 0, "", true)));
  const auto& records = host_.sink.records;
  // One per entry written, folders included.
  EXPECT_EQ(static_cast<size_t>(EntryCount(files)), Count(kFileZipped))
      << controltest::DescribeEvents(records);
  ASSERT_EQ(1u, Count(kWriting)) << controltest::DescribeEvents(records);
  // The write is announced last, with the archive's file name.
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(kWriting, records.back().id);
  EXPECT_EQ(0, lstrcmpiW(L"noisy.zip", records.back().args.at(0).c_str()));
  for (const auto& r : records) {
    for (VARTYPE type : r.types) EXPECT_TRUE(type == VT_BSTR || type == VT_I2) << r.id;
  }

  // With a password the encryption pass reports each file's progress up to 100.
  host_.sink.records.clear();
  const std::string secret = work / "secret.zip";
  EXPECT_EQ(0, host_.CallShort(L"ZipFiles", ZipArgs(secret, work / "src\\*.*", 0, 0, "pw", true)));
  EXPECT_GE(Count(kEncrypt), files.size() - 1) << controltest::DescribeEvents(records);
  std::wstring lastName;
  int lastPercent = -1;
  for (const auto& r : records) {
    if (r.id != kEncrypt) continue;
    const int percent = std::stoi(r.args.at(1));
    if (r.args.at(0) == lastName) {
      EXPECT_GE(percent, lastPercent);
    }
    EXPECT_LE(percent, 100);
    lastName = r.args.at(0);
    lastPercent = percent;
  }
  EXPECT_EQ(100, lastPercent);
}

TEST_F(HostedWriting, DeleteWithMaskReportsEachDroppedEntry) {
  testutil::TempFolder work;
  MakeSources(work);
  const std::string archive = work / "delete.zip";
  ASSERT_EQ(0, host_.CallShort(L"ZipFiles", ZipArgs(archive, work / "src\\*.*")));
  host_.sink.records.clear();
  EXPECT_EQ(0, host_.CallShort(L"DeleteWithMask", Args().Text(archive).Text("*.txt").Bool(true)));
  const auto& records = host_.sink.records;
  ASSERT_EQ(3u, Count(kDeleting)) << controltest::DescribeEvents(records);
  EXPECT_EQ(1u, Count(kWriting)) << controltest::DescribeEvents(records);
  for (const auto& r : records) {
    if (r.id == kDeleting) {
      EXPECT_EQ(L".TXT", r.args.at(0).substr(r.args.at(0).size() - 4)) << r.args.at(0);
    }
  }
}

TEST_F(HostedWriting, ZipCancelFromAnEventHandlerStopsAfterTheCurrentFileWithAValidArchive) {
  testutil::TempFolder work;
  const std::vector<SourceFile> files = MakeSources(work);
  const std::string archive = work / "cancelled.zip";
  host_.sink.onEvent = [&](const controltest::EventRecord& r) {
    if (r.id != kFileZipped) return;
    VARIANT result;
    host_.Call(L"ZipCancel", Args().Bool(true), &result);
    VariantClear(&result);
  };
  EXPECT_EQ(17, host_.CallShort(L"ZipFiles", ZipArgs(archive, work / "src\\*.*", 0, 0, "", true)));
  host_.sink.onEvent = nullptr;
  EXPECT_EQ(1u, Count(kFileZipped)) << controltest::DescribeEvents(host_.sink.records);
  EXPECT_EQ(1, host_.CallShort(L"GetCount", Args().Text(archive).Bool(false)));
  EXPECT_EQ(
      0, host_.CallShort(L"IsZIPFileSlow", Args().Text(archive).Text("").Bool(false).Bool(false)));
}

TEST_F(HostedWriting, AnOperationStartedFromAnEventHandlerIsRefusedAsBusy) {
  testutil::TempFolder work;
  MakeSources(work);
  const std::string archive = work / "busy.zip";
  std::vector<short> nested;
  host_.sink.onEvent = [&](const controltest::EventRecord& r) {
    if (r.id != kFileZipped || !nested.empty()) return;
    nested.push_back(host_.CallShort(L"ZipFiles", ZipArgs(work / "other.zip", work / "src\\*.*")));
    nested.push_back(
        host_.CallShort(L"DeleteWithMask", Args().Text(archive).Text("*.*").Bool(false)));
    nested.push_back(host_.CallShort(L"GetCount", Args().Text(archive).Bool(false)));
  };
  EXPECT_EQ(0, host_.CallShort(L"ZipFiles", ZipArgs(archive, work / "src\\*.*", 0, 0, "", true)));
  host_.sink.onEvent = nullptr;
  EXPECT_EQ((std::vector<short>{18, 18, -1}), nested);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((work / "other.zip").c_str()));
  EXPECT_EQ(5 + kFolderEntries, host_.CallShort(L"GetCount", Args().Text(archive).Bool(false)));
}

}  // namespace
