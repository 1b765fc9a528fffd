#include "vantrel_test_support.h"

#include <functional>
#include <sstream>

#include "dialog_robot.h"
#include "forms/application.h"
#include "peer_runner.h"
#include "shell_add_rules.h"
#include "win_test_util.h"

namespace vantreltest {

namespace {

class VantrelEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    forms::App().Initialize();
    ASSERT_EQ(S_OK, testutil::RegisterBuiltControl());
  }
};

testing::Environment* const g_environment =
    testing::AddGlobalTestEnvironment(new VantrelEnvironment);

std::string Repeated(const std::string& text, int times) {
  std::string result;
  for (int i = 0; i < times; ++i) result += text;
  return result;
}

// Upper case as the engine's OEM upper-casing gives it for the characters of code page 1252
// that code page 437 holds, read back in Latin-1: ß has no capital.
std::string UpperLatin1(const std::string& text) {
  std::string result = text;
  for (char& c : result) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z') c = static_cast<char>(u - 32);
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7) c = static_cast<char>(u - 32);
  }
  return result;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string PeerFolder() { return testutil::BinaryDir() + "foldercompress\\peers\\"; }

}  // namespace

bool CanCreateWindows() {
  HWND probe = CreateWindowExA(0, "STATIC", "probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               nullptr, nullptr);
  if (probe == nullptr) return false;
  DestroyWindow(probe);
  return true;
}

void MakeTree(const std::string& root) {
  ASSERT_EQ(1252u, GetACP()) << "the fixture's names are written in code page 1252";
  ASSERT_EQ(437u, GetOEMCP()) << "the expected entry names are those of code page 437";
  ASSERT_TRUE(vantrel::CreateFolderLevels(root.substr(0, root.size() - 1)));
  const std::string sub = root +
                          "Gr\xfc\xdf"
                          "e\\";
  ASSERT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((sub + "deeper").c_str(), nullptr));
  ASSERT_TRUE(testutil::WriteWholeFile(root + "caf\xe9.txt", std::string("caf\xe9 au lait\r\n")));
  ASSERT_TRUE(testutil::WriteWholeFile(
      root + "plain.txt", Repeated("Every listed folder goes into the archive. ", 8000)));
  ASSERT_TRUE(testutil::WriteWholeFile(sub + "inner.txt", Repeated("Gr\xfc\xdf"
                                                                   "e ",
                                                                   500)));
  ASSERT_TRUE(testutil::WriteWholeFile(sub + "deeper\\last.dat", std::string(3000, '\x7f')));
}

std::vector<std::string> ExpectedNames(const std::string& root, const std::string& prefix,
                                       bool recurse) {
  std::vector<std::string> names;
  std::function<void(const std::string&, const std::string&)> walk =
      [&](const std::string& folder, const std::string& stored) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + "*.*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return;
        do {
          const std::string name = found.cFileName;
          if (name == "." || name == "..") continue;
          const std::string entry = stored + UpperLatin1(name);
          if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            names.push_back(entry + "/");
            if (recurse) walk(folder + name + "\\", entry + "/");
          } else {
            names.push_back(entry);
          }
        } while (FindNextFileA(search, &found));
        FindClose(search);
      };
  walk(root, prefix);
  return names;
}

std::string StoredFormOf(const std::string& folder) {
  size_t start = folder.size() > 1 && folder[1] == ':' ? 2 : 0;
  while (start < folder.size() && (folder[start] == '\\' || folder[start] == '/')) ++start;
  std::string stored = UpperLatin1(folder.substr(start));
  for (char& c : stored) {
    if (c == '\\') c = '/';
  }
  if (!stored.empty() && stored.back() != '/') stored += '/';
  return stored;
}

std::vector<std::string> PythonEntries(const std::string& archive) {
  vantrel::CreateFolderLevels(PeerFolder().substr(0, PeerFolder().size() - 1));
  const std::string output = testutil::RunPeer(
      PeerFolder(), "PYTHONIOENCODING=latin-1 python3 - '" + testutil::UnixPath(archive) +
                        "' <<'PY'\n"
                        "import sys, zipfile\n"
                        "z = zipfile.ZipFile(sys.argv[1])\n"
                        "assert z.testzip() is None\n"
                        "print('OK')\n"
                        "for i in z.infolist():\n"
                        "    print('%s|%d|%d' % (i.filename, i.compress_type, i.file_size))\n"
                        "PY\n");
  return Lines(output);
}

std::vector<std::string> NamesOf(const std::vector<std::string>& entries) {
  std::vector<std::string> names;
  for (size_t i = 1; i < entries.size(); ++i)
    names.push_back(entries[i].substr(0, entries[i].find('|')));
  return names;
}

void KeepForPeers(const std::string& archive, const std::string& name,
                  const std::vector<std::string>& names) {
  const std::string folder = testutil::BinaryDir() + "foldercompress\\peer_check\\";
  vantrel::CreateFolderLevels(folder.substr(0, folder.size() - 1));
  EXPECT_TRUE(CopyFileA(archive.c_str(), (folder + name).c_str(), FALSE)) << name;
  std::string text;
  for (const std::string& line : names) text += line + "\n";
  EXPECT_TRUE(testutil::WriteWholeFile(folder + name + ".names", text)) << name;
}

void VantrelTest::SetUp() {
  if (!CanCreateWindows()) GTEST_SKIP() << "no display: run under xvfb-run";
  forms::App().OnException = [this](const std::string& text) { exceptions.push_back(text); };
  work_ = testutil::BinaryDir() + "foldercompress\\work\\" +
          ::testing::UnitTest::GetInstance()->current_test_info()->name() + "\\";
  testutil::RemoveTree(work_);
  ASSERT_TRUE(vantrel::CreateFolderLevels(work_.substr(0, work_.size() - 1)));
}

void VantrelTest::TearDown() {
  forms::Application& app = forms::App();
  form_.reset();
  app.ProcessMessages();
  app.SetModalHook(nullptr);
  app.OnException = nullptr;
  EXPECT_TRUE(exceptions.empty()) << exceptions.front();
}

vantrel::TShellAddfrm& VantrelTest::MakeForm(const std::vector<std::string>& folders) {
  vantrel::TShellAddfrmOptions options;
  options.Folders = folders;
  options.Terminate = [this] { ++terminateRequests; };
  form_ = std::make_unique<vantrel::TShellAddfrm>(nullptr, options);
  return *form_;
}

}  // namespace vantreltest
