// The stub's reader and extractor over self-extractors made from the real stub
// (extract_fixtures.sh): trees compared with what unzip -d made of the same archives, and the
// extractor's codes, prompts and overwrite decisions driven by a scripted host.
#include "stub_extract.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "stub_archive.h"
#include "stub_settings.h"
#include "stub_text.h"
#include "win_test_util.h"

namespace {

std::string Case(const std::string& name) {
  return testutil::BinaryDir() + "sfxstub\\fixtures\\extract\\" + name + "\\";
}
std::string Sfx(const std::string& name) { return Case(name) + "sfx.exe"; }

// Prompts answered from a script; everything the extractor reports is counted.
class ScriptHost : public ExtractorHost {
 public:
  struct PasswordReply {
    int answer;
    std::string password;
  };
  std::deque<PasswordReply> passwordReplies;
  std::deque<int> replaceReplies;
  std::vector<std::string> passwordAsks, replaceAsks;
  std::vector<bool> replaceOlder;
  int started = 0, refused = 0, unsupported = 0, cantCreate = 0, progress100 = 0;
  int stopAfterStarted = -1;
  uint64_t freeBytes = ~uint64_t{0};

  void EntryStarted(bool supported, const char* name) override {
    ++(supported ? started : refused);
  }
  void EntryProgress(int percent, const char* name) override {
    EXPECT_GE(percent, 0);
    EXPECT_LE(percent, 100);
    if (percent == 100) ++progress100;
  }
  bool StopRequested() override { return stopAfterStarted >= 0 && started >= stopAfterStarted; }
  int AskPassword(const char* name, char* password) override {
    passwordAsks.push_back(name);
    if (passwordReplies.empty()) return kPasswordBypass;
    PasswordReply reply = passwordReplies.front();
    passwordReplies.pop_front();
    if (reply.answer == kPasswordRetry)
      lstrcpynA(password, reply.password.c_str(), kStubPasswordCapacity);
    return reply.answer;
  }
  int AskReplace(const char* fullPath, bool older) override {
    replaceAsks.push_back(fullPath);
    replaceOlder.push_back(older);
    if (replaceReplies.empty()) return kReplaceNo;
    const int answer = replaceReplies.front();
    replaceReplies.pop_front();
    return answer;
  }
  void UnsupportedMethod() override { ++unsupported; }
  void CantCreateFolder() override { ++cantCreate; }
  uint64_t FreeBytes(const char* folder) override {
    return freeBytes == ~uint64_t{0} ? ExtractorHost::FreeBytes(folder) : freeBytes;
  }
};

std::string Upper(const std::string& text) {
  std::string s = text;
  CharToOemBuffA(s.data(), s.data(), static_cast<DWORD>(s.size()));
  CharUpperBuffA(s.data(), static_cast<DWORD>(s.size()));
  return s;
}

// Extracts a case into target (a Windows ANSI path), as the stub does: OEM, upper case.
int Extract(const std::string& name, const std::string& target, int mode, ScriptHost& host) {
  std::string oem = target;
  CharToOemBuffA(oem.data(), oem.data(), static_cast<DWORD>(oem.size()));
  CharUpperBuffA(oem.data(), static_cast<DWORD>(oem.size()));
  return ExtractAll(Sfx(name).c_str(), oem.c_str(), mode, host);
}

// Every file and folder below root: upper-case relative path (wide) -> contents ("/" for folders).
void ListTree(const std::wstring& root, const std::wstring& relative,
              std::map<std::wstring, std::string>* tree) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((root + relative + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    std::wstring key = relative + name;
    std::wstring upper = key;
    CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      (*tree)[upper] = "/";
      ListTree(root, key + L"\\", tree);
    } else {
      HANDLE file = CreateFileW((root + key).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
      std::string contents;
      if (file != INVALID_HANDLE_VALUE) {
        char buffer[65536];
        DWORD got;
        while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
          contents.append(buffer, got);
        CloseHandle(file);
      }
      (*tree)[upper] = contents;
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

std::map<std::wstring, std::string> Tree(const std::string& folder) {
  std::wstring wide(folder.size() + 1, L'\0');
  wide.resize(MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, wide.data(),
                                  static_cast<int>(wide.size())) -
              1);
  if (!wide.empty() && wide.back() != L'\\') wide += L'\\';
  std::map<std::wstring, std::string> tree;
  ListTree(wide, L"", &tree);
  return tree;
}

std::string Narrow(const std::wstring& w) {
  std::string s(w.size() * 3 + 1, '\0');
  s.resize(WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, s.data(), static_cast<int>(s.size()),
                               nullptr, nullptr) -
           1);
  return s;
}

void ExpectSameTree(const std::string& actual, const std::string& expected) {
  const auto a = Tree(actual);
  const auto e = Tree(expected);
  ASSERT_FALSE(e.empty()) << "no expected tree in " << expected;
  for (const auto& [name, contents] : e) {
    auto it = a.find(name);
    if (it == a.end()) {
      ADD_FAILURE() << "missing " << Narrow(name);
      continue;
    }
    EXPECT_TRUE(it->second == contents) << "contents differ: " << Narrow(name);
  }
  for (const auto& [name, contents] : a) {
    EXPECT_TRUE(e.count(name)) << "not expected: " << Narrow(name);
  }
}

std::string ReadText(const std::string& path) {
  std::vector<uint8_t> data;
  if (!testutil::ReadWholeFile(path, &data)) return "<missing>";
  return std::string(data.begin(), data.end());
}

TEST(StubExtract, ExtractsWhatUnzipExtracts) {
  struct Row {
    const char* name;
    int result;
  };
  const Row rows[] = {{"stored", 0},    {"deflated", 0},    {"sevenzip", 0},
                      {"names", 0},     {"piped", 0},       {"python_pipe", 0},
                      {"unshifted", 1}, {"utf8_python", 0}, {"utf8_7z", 0}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testutil::TempFolder temp;
    ScriptHost host;
    const std::string target = temp / "TARGET";
    EXPECT_EQ(Extract(row.name, target, 1, host), row.result);
    ExpectSameTree(target, Case(row.name) + "expected");
    EXPECT_EQ(host.replaceAsks.size(), 0u);
    EXPECT_GE(host.progress100, host.started);  // each entry ends at 100
  }
}

TEST(StubExtract, CountsEntriesAndRefusesWhatIsNoArchive) {
  EXPECT_EQ(CountStubEntries(Sfx("names").c_str()), 102);
  EXPECT_EQ(CountStubEntries(Sfx("unshifted").c_str()), CountStubEntries(Sfx("deflated").c_str()));
  EXPECT_GT(CountStubEntries(Sfx("deflated").c_str()), 5);
  EXPECT_EQ(CountStubEntries(Sfx("bare").c_str()), -1);
  EXPECT_EQ(CountStubEntries(Sfx("block_only").c_str()), -1);
  EXPECT_EQ(CountStubEntries((Case("stored") + "missing.exe").c_str()), -1);
  testutil::TempFolder temp;
  ScriptHost host;
  EXPECT_EQ(Extract("block_only", temp / "T", 1, host), kStubExtractBadData);
  EXPECT_EQ(ExtractAll((Case("stored") + "missing.exe").c_str(), (temp / "T").c_str(), 1, host),
            kStubExtractNoArchive);
}

TEST(StubExtract, NamesStayInsideTheTarget) {
  testutil::TempFolder temp;
  ScriptHost host;
  const std::string target = temp / "INSIDE";
  EXPECT_EQ(Extract("escape", target, 1, host), 0);
  const std::map<std::string, std::string> expected = {{"EVIL.TXT", "1"},   {"ABS.TXT", "2"},
                                                       {"C_X.TXT", "3"},    {"X", "4"},
                                                       {"A_B\\C.TXT", "5"}, {"OK.TXT", "6"}};
  for (const auto& [name, contents] : expected) {
    EXPECT_EQ(ReadText(target + "\\" + name), contents) << name;
  }
  EXPECT_EQ(Tree(target).size(), expected.size() + 1);  // and the folder A_B
  EXPECT_EQ(testutil::FolderNames(temp.path(), true), std::vector<std::string>{"INSIDE"});
}

TEST(StubExtract, LongNamesAndPathsAreNeverWritten) {
  {
    testutil::TempFolder temp;
    ScriptHost host;
    const std::string target = temp / "T";
    EXPECT_EQ(Extract("longname", target, 1, host), kStubExtractSkipped);
    EXPECT_EQ(testutil::FolderNames(target + "\\", true),
              (std::vector<std::string>{"AFTER.TXT", "BEFORE.TXT"}));
  }
  {  // Names in UTF-8: the characters count, not the bytes stored.
    testutil::TempFolder temp;
    ScriptHost host;
    const std::string target = temp / "T";
    EXPECT_EQ(Extract("utf8_long", target, 1, host), kStubExtractSkipped);
    EXPECT_EQ(testutil::FolderNames(target + "\\", true),
              (std::vector<std::string>{"AFTER.TXT", "BEFORE.TXT"}));
  }
  {  // A target so long that the entry's path passes 259 characters.
    testutil::TempFolder temp;
    std::string target = temp.path();
    target += std::string(259 - target.size() - 10, 'L');  // 259 with "\\AFTER.TXT"
    ScriptHost host;
    EXPECT_EQ(Extract("longname", target, 1, host), kStubExtractSkipped);
    EXPECT_EQ(ReadText(target + "\\AFTER.TXT"), "a");
    EXPECT_EQ(ReadText(target + "\\BEFORE.TXT"), "<missing>");
  }
}

TEST(StubExtract, OtherMethodsAndVersionsArePassedOverWithResultTen) {
  {
    testutil::TempFolder temp;
    ScriptHost host;
    const std::string target = temp / "T";
    EXPECT_EQ(Extract("methods", target, 1, host), kStubExtractSkipped);
    EXPECT_EQ(testutil::FolderNames(target + "\\", true),
              (std::vector<std::string>{"DEFLATED.TXT", "STORED.TXT"}));
    EXPECT_EQ(host.unsupported, 0);  // the directory's method or version: silent
  }
  {
    testutil::TempFolder temp;
    ScriptHost host;
    const std::string target = temp / "T";
    EXPECT_EQ(Extract("deflate64", target, 1, host), kStubExtractSkipped);
    EXPECT_EQ(testutil::FolderNames(target + "\\", true), std::vector<std::string>{"PLAIN.TXT"});
    EXPECT_EQ(host.unsupported, 0);
  }
  {  // Method 6 in both headers over an existing file: refused before the file is touched.
    testutil::TempFolder temp;
    const std::string target = temp / "T";
    CreateDirectoryA(target.c_str(), nullptr);
    ASSERT_TRUE(testutil::WriteWholeFile(target + "\\TARGET.TXT", std::string("old")));
    ScriptHost host;
    EXPECT_EQ(Extract("imploded", target, 1, host), kStubExtractSkipped);
    EXPECT_EQ(ReadText(target + "\\TARGET.TXT"), "old");
    EXPECT_EQ(ReadText(target + "\\OTHER.TXT"), "other");
    EXPECT_EQ(host.unsupported, 1);
    EXPECT_EQ(host.refused, 1);
    EXPECT_EQ(testutil::FolderNames(target + "\\", true),
              (std::vector<std::string>{"OTHER.TXT", "TARGET.TXT"}));
  }
}

TEST(StubExtract, Passwords) {
  using R = ScriptHost::PasswordReply;
  {  // Retry with the right password: asked once, for the first encrypted entry.
    for (const char* name : {"password_deflated", "password_stored"}) {
      SCOPED_TRACE(name);
      testutil::TempFolder temp;
      ScriptHost host;
      host.passwordReplies = {R{kPasswordRetry, "wrong"}, R{kPasswordRetry, "secret"}};
      const std::string target = temp / "T";
      EXPECT_EQ(Extract(name, target, 1, host), 0);
      ExpectSameTree(target, Case(name) + "expected");
      EXPECT_EQ(host.passwordAsks.size(), 2u);
    }
  }
  {  // Bypass passes over each entry and asks again for the next one.
    testutil::TempFolder temp;
    ScriptHost host;
    host.passwordReplies = {R{kPasswordBypass, ""}, R{kPasswordBypass, ""}};
    const std::string target = temp / "T";
    EXPECT_EQ(Extract("password_stored", target, 1, host), 0);
    EXPECT_GE(host.passwordAsks.size(), 2u);
    EXPECT_EQ(host.started, 0);
  }
  {  // Never: no more questions; no file is written.
    testutil::TempFolder temp;
    ScriptHost host;
    host.passwordReplies = {R{kPasswordNever, ""}};
    const std::string target = temp / "T";
    EXPECT_EQ(Extract("password_deflated", target, 1, host), 0);
    EXPECT_EQ(host.passwordAsks.size(), 1u);
    EXPECT_EQ(host.started, 0);
  }
  {  // A wrong password that passes the header check, over an existing file: 5, file unchanged.
    testutil::TempFolder temp;
    const std::string target = temp / "T";
    CreateDirectoryA(target.c_str(), nullptr);
    ASSERT_TRUE(testutil::WriteWholeFile(target + "\\README.TXT", std::string("old")));
    ScriptHost host;
    const std::string wrong = ReadText(Case("wrong_password") + "info");
    host.passwordReplies = {R{kPasswordRetry, wrong}};
    EXPECT_EQ(Extract("wrong_password", target, 1, host), kStubExtractBadData);
    EXPECT_EQ(ReadText(target + "\\README.TXT"), "old");
    EXPECT_EQ(testutil::FolderNames(target + "\\", true), std::vector<std::string>{"README.TXT"});
  }
}

TEST(StubExtract, DamagedDataGivesFive) {
  testutil::TempFolder temp;
  const std::string target = temp / "T";
  ScriptHost host;
  EXPECT_EQ(Extract("flipped", target, 1, host), kStubExtractBadData);
  // With no file there before, the written file stays; no temporary file is left.
  EXPECT_EQ(testutil::FolderNames(target + "\\", true), std::vector<std::string>{"FLIPPED.TXT"});
}

TEST(StubExtract, AttributesAsRecordedAndFolderEntries) {
  testutil::TempFolder temp;
  const std::string target = temp / "T";
  ScriptHost host;
  EXPECT_EQ(Extract("attributes", target, 1, host), 0);
  const DWORD readOnly = GetFileAttributesA((target + "\\READONLY.TXT").c_str());
  const DWORD plain = GetFileAttributesA((target + "\\PLAIN.TXT").c_str());
  const DWORD unixOnly = GetFileAttributesA((target + "\\UNIXONLY.TXT").c_str());
  ASSERT_NE(readOnly, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(readOnly & FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(plain & FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(unixOnly & FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(GetFileAttributesA((target + "\\FOLDER").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  SetFileAttributesA((target + "\\READONLY.TXT").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(StubExtract, StopsForFullDiskUserStopAndMissingTarget) {
  {
    testutil::TempFolder temp;
    ScriptHost host;
    host.freeBytes = 1000;  // less than the 1 MB entry
    const std::string target = temp / "T";
    EXPECT_EQ(Extract("deflated", target, 1, host), kStubExtractDiskFull);
    const auto tree = Tree(target);
    EXPECT_EQ(tree.count(L"DOCS\\BIG.BIN"), 0u);
  }
  {  // The user's stop ends the run after the entry in progress.
    testutil::TempFolder temp;
    ScriptHost host;
    host.stopAfterStarted = 1;
    const std::string target = temp / "T";
    EXPECT_EQ(Extract("names", target, 1, host), 0);
    EXPECT_EQ(host.started, 1);
  }
  {  // A target that cannot be made (its parent is missing), or none: nothing is written.
    testutil::TempFolder temp;
    for (const std::string& target : {temp / "NO\\SUCH\\PLACE", std::string()}) {
      ScriptHost host;
      EXPECT_EQ(Extract("stored", target, 1, host), kStubExtractCantCreate);
      EXPECT_EQ(host.cantCreate, 1);
      EXPECT_EQ(host.started, 0);
    }
    EXPECT_TRUE(testutil::FolderNames(temp.path()).empty());
  }
}

// The entry README.TXT is dated 15 July 2021 10:30:00 (local time; summer time where there is one).
FILETIME EntryTime(int64_t offsetSeconds) {
  FILETIME local, utc;
  const WORD date = static_cast<WORD>(((2021 - 1980) << 9) | (7 << 5) | 15);
  const WORD time = static_cast<WORD>((10 << 11) | (30 << 5));
  DosDateTimeToFileTime(date, time, &local);
  LocalFileTimeToFileTime(&local, &utc);
  ULARGE_INTEGER t;
  t.LowPart = utc.dwLowDateTime;
  t.HighPart = utc.dwHighDateTime;
  t.QuadPart += offsetSeconds * 10000000LL;
  utc.dwLowDateTime = t.LowPart;
  utc.dwHighDateTime = t.HighPart;
  return utc;
}

TEST(StubExtract, OverwriteModesAgainstOlderNewerAndAbsentFiles) {
  enum State { kAbsent, kOlder, kSame, kNewer };
  struct Row {
    int mode;
    State state;
    int answer;  // when asked
    bool asked;
    bool replaced;
  };
  const Row rows[] = {
      {0, kAbsent, -1, false, true},
      {0, kOlder, -1, false, false},
      {0, kSame, -1, false, false},
      {0, kNewer, -1, false, false},
      {1, kAbsent, -1, false, true},
      {1, kOlder, -1, false, true},
      {1, kNewer, -1, false, true},
      {2, kAbsent, -1, false, true},
      {2, kOlder, kReplaceYes, true, true},
      {2, kOlder, kReplaceNo, true, false},
      {2, kNewer, kReplaceAlways, true, true},
      {2, kNewer, kReplaceNever, true, false},
      {2, kSame, kReplaceYes, true, true},
      {3, kAbsent, -1, false, true},
      {3, kOlder, -1, false, true},
      {3, kSame, -1, false, false},
      {3, kNewer, -1, false, false},
  };
  char zone[64] = {};
  GetEnvironmentVariableA("TZ", zone, sizeof zone);
  TIME_ZONE_INFORMATION info = {};
  const DWORD zoneKind = GetTimeZoneInformation(&info);
  if (std::string(zone) == "Europe/Berlin") {
    // The run is meant for a zone with summer time: July is in it.
    ASSERT_NE(zoneKind, TIME_ZONE_ID_UNKNOWN);
    ASSERT_NE(info.DaylightBias, 0);
  }
  for (const Row& row : rows) {
    SCOPED_TRACE("TZ " + std::string(zone) + " mode " + std::to_string(row.mode) + " state " +
                 std::to_string(row.state) + " answer " + std::to_string(row.answer));
    testutil::TempFolder temp;
    const std::string target = temp / "T";
    CreateDirectoryA(target.c_str(), nullptr);
    const std::string file = target + "\\README.TXT";
    if (row.state != kAbsent) {
      ASSERT_TRUE(testutil::WriteWholeFile(file, std::string("old")));
      const int64_t offset = row.state == kOlder ? -3600 : row.state == kNewer ? 3600 : 0;
      const FILETIME when = EntryTime(offset);
      HANDLE h =
          CreateFileA(file.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      ASSERT_NE(h, INVALID_HANDLE_VALUE);
      ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &when));
      CloseHandle(h);
    }
    ScriptHost host;
    if (row.answer >= 0) host.replaceReplies = {row.answer};
    EXPECT_EQ(Extract("replace_mode" + std::to_string(row.mode), target, row.mode, host), 0);
    EXPECT_EQ(host.replaceAsks.size(), row.asked ? 1u : 0u);
    if (row.asked && !host.replaceAsks.empty()) {
      EXPECT_EQ(host.replaceAsks[0], Upper(file));
      EXPECT_EQ(host.replaceOlder[0], row.state == kOlder);
    }
    EXPECT_EQ(ReadText(file) == "old", !row.replaced);
    EXPECT_EQ(testutil::FolderNames(target + "\\", true), std::vector<std::string>{"README.TXT"});
  }
}

TEST(StubText, ProgressTitlePromptSubstitutionAndSettings) {
  char title[300];
  ProgressTitle("DOCS\\GUIDE.TXT", 50, title, sizeof title);
  EXPECT_STREQ(title, "GUIDE.TXT [50 %]");
  ProgressTitle("A/B\\C.TXT", 100, title, sizeof title);
  EXPECT_STREQ(title, "B\\C.TXT [100 %]");
  ProgressTitle("PLAIN", 0, title, sizeof title);
  EXPECT_STREQ(title, "PLAIN [0 %]");

  struct Row {
    const char* text;
    const char* value;
    size_t capacity;
    const char* result;
  };
  const Row rows[] = {
      {"Replace %1?", "C:\\README.TXT", 450, "Replace C:\\README.TXT?"},
      {"No marker %d", "X", 450, "No marker %d"},       // without "%1" the text stays
      {"%1 and %2", "V", 450, "V and V"},               // every '%' takes the value
      {"%1 at the end %", "V", 450, "V at the end %"},  // a final '%' stays
      {"%1%1%1", "ABCD", 7, "ABCDAB"},                  // cut at the end of the buffer
  };
  for (const Row& row : rows) {
    char out[450];
    SubstituteValue(row.text, row.value, out, row.capacity);
    EXPECT_STREQ(out, row.result) << row.text;
  }

  uint8_t block[kSettingsBlockSize];
  for (uint8_t& b : block) b = ' ';
  const char* title3 = "Setup of Grüße";
  block[0] = '7';
  block[1] = '0';
  for (size_t i = 0; title3[i] != '\0'; ++i) block[2 + i] = static_cast<uint8_t>(title3[i]);
  StubSettings settings;
  ParseSettings(block, &settings);
  EXPECT_EQ(settings.overwriteMode, 2);
  EXPECT_FALSE(settings.askDirectory);
  EXPECT_STREQ(settings.field[kTitleField], title3);
  EXPECT_STREQ(settings.field[kProgramField], "");  // all blanks
  for (const char mode : {'0', '1', '3', '2', 'x'}) {
    block[0] = static_cast<uint8_t>(mode);
    ParseSettings(block, &settings);
    EXPECT_EQ(settings.overwriteMode, mode == 'x' ? 2 : mode - '0');
  }
  size_t total = 0;
  for (int f = 0; f < kSettingsFieldCount; ++f) total += SettingsFieldWidth(f);
  EXPECT_EQ(total, kSettingsBlockSize);
}

TEST(StubText, NamesStoredInUtf8BecomeOem) {
  ASSERT_EQ(437u, GetOEMCP());  // the names below are spelled in it
  struct Row {
    const char* utf8;
    size_t capacity;
    int result;
    const char* oem;
  };
  const Row rows[] = {
      {"caf\xC3\xA9.txt", 261, 8, "caf\x82.txt"},
      {"\xC3\x9Cn\xC3\xAF"
       "c\xC3\xB6"
       "d\xC3\xA9/stra\xC3\x9F"
       "e",
       261, 14,
       "\x9An\x8B"
       "c\x94"
       "d\x82/stra\xE1"
       "e"},
      {"plain.txt", 261, 9, "plain.txt"},
      {"", 261, 0, ""},
      // Characters code page 437 lacks, with or without a look-alike, and one beyond U+FFFF.
      {"\xE2\x82\xAC-\xC4\x81-\xF0\x9F\x98\x80.txt", 261, 9, "_-_-_.txt"},
      // Not UTF-8: the caller keeps the bytes.
      {"caf\x82.txt", 261, -1, "untouched"},
      {"\xC3", 261, -1, "untouched"},
      {"\xED\xA0\x80", 261, -1, "untouched"},  // a surrogate
      // The OEM text and its terminator must fit.
      {"caf\xC3\xA9", 5, 4, "caf\x82"},
      {"caf\xC3\xA9", 4, -2, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.utf8);
    const size_t length = std::strlen(row.utf8);
    std::vector<wchar_t> wide(length + 1);
    char out[261];
    std::strcpy(out, "untouched");
    EXPECT_EQ(row.result, OemFromUtf8(row.utf8, length, wide.data(), out, row.capacity));
    if (row.oem != nullptr) {
      EXPECT_STREQ(row.oem, out);
    }
  }
}

TEST(StubText, EntryNamesBecomeSafeRelativePaths) {
  struct Row {
    const char* name;
    const char* path;
    bool folderOnly;
  };
  const Row rows[] = {
      {"A:B\\C.TXT", "A_B\\C.TXT", false},
      {"..\\..\\X", "X", false},
      {"\\ABS.TXT", "ABS.TXT", false},
      {"DIR\\", "DIR", true},
      {"DIR\\..", "DIR", true},
      {"CON.TXT", "_CON.TXT", false},
      {"A\\B<>|?*.TXT", "A\\B_____.TXT", false},
      {"TRAIL. .", "TRAIL", false},
      {"", "", true},
  };
  for (const Row& row : rows) {
    char path[kStubPathCapacity];
    bool folderOnly = false;
    EXPECT_TRUE(CleanEntryPath(row.name, path, sizeof path, &folderOnly)) << row.name;
    EXPECT_STREQ(path, row.path) << row.name;
    EXPECT_EQ(folderOnly, row.folderOnly) << row.name;
  }
  char small[8];
  bool folderOnly;
  EXPECT_FALSE(CleanEntryPath("LONGER\\NAME.TXT", small, sizeof small, &folderOnly));
  char text[] =
      "caf\x82 gr\x81\xe1"
      "e";  // OEM (code page 437): café grüße
  UpperCaseOemText(text);
  if (GetOEMCP() == 437) {
    EXPECT_STREQ(text,
                 "CAF\x90 GR\x9a\xe1"
                 "E");  // ß has no single capital
  }
}

}  // namespace
