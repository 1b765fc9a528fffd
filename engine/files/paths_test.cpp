// The path and file methods of CZText: full paths, normalising, unique and temporary names,
// folder trees, and copy, move and delete with their result codes.
#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "base/cztext.h"
#include "base/entry_case.h"
#include "files/file_fault.h"
#include "files/file_ops.h"
#include "win_test_util.h"

namespace {

std::string Upper(std::string text) {
  UpperCaseOem(text);
  return text;
}

std::string CurrentFolder() {
  char folder[MAX_PATH * 4] = {};
  GetCurrentDirectoryA(sizeof folder, folder);
  return folder;
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Many of these methods change the current folder; every test gets it back.
class PathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = CurrentFolder();
    // The engine's own form of the folder: upper case, no trailing '\'.
    root_ = Upper(folder_.path().substr(0, folder_.path().size() - 1));
  }
  void TearDown() override {
    SetCurrentDirectoryA(saved_.c_str());
    ResetFileFaults();
  }
  std::string At(const std::string& name) const { return root_ + "\\" + name; }
  std::string MakeFolder(const std::string& name) const {
    CreateDirectoryA(At(name).c_str(), nullptr);
    return At(name);
  }

  testutil::TempFolder folder_;
  std::string root_;
  std::string saved_;
};

// A probe: as root, Wine lets a read-only file be deleted or written; cases that rely on the
// attribute are skipped then.
bool ReadOnlyBlocksDelete(const std::string& folder) {
  const std::string probe = folder + "\\readonly.probe";
  testutil::WriteWholeFile(probe, "x");
  SetFileAttributesA(probe.c_str(), FILE_ATTRIBUTE_READONLY);
  const bool blocked = !DeleteFileA(probe.c_str());
  SetFileAttributesA(probe.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(probe.c_str());
  return blocked;
}

struct FullPathCase {
  const char* input;
  BOOL strip;
  BOOL trailing;
  std::string expected;
};

}  // namespace

TEST_F(PathTest, GetFullPathTable) {
  const std::string w = MakeFolder("W");
  MakeFolder("W\\V");
  ASSERT_TRUE(SetCurrentDirectoryA(w.c_str()));
  const std::string drive = root_.substr(0, 2);
  const std::vector<FullPathCase> cases = {
      {"readme.txt", FALSE, FALSE, drive + "\\README.TXT"},  // relative names hang from the root
      {"\\x\\y", FALSE, FALSE, drive + "\\X\\Y"},
      {".\\a", FALSE, FALSE, w + "\\A"},
      {"..\\a", FALSE, FALSE, root_ + "\\A"},
      {"c:/dir/file.txt", FALSE, FALSE, "C:\\DIR\\FILE.TXT"},
      {"C:\\a\\\\b", FALSE, FALSE, "C:\\A"},  // the walk stops at the empty field
      {"C:\\a\\\\b", FALSE, TRUE, "C:\\A\\"},
      {"C:", FALSE, FALSE, ""},
      {"C:\\", FALSE, TRUE, "C:\\"},
      {"C:\\", FALSE, FALSE, "C:"},
      {"C:\\a+b<c:d\\e", FALSE, FALSE, "C:\\ABCD\\E"},
      {"C:\\d*r\\*.txt", FALSE, FALSE, "C:\\DR\\*.TXT"},
      {"C:\\d*r\\a?.txt", TRUE, FALSE, "C:\\DR\\A.TXT"},
      // All-dot components are dropped: '...' must never turn into '..'.
      {"C:\\a\\...\\b", FALSE, FALSE, "C:\\A\\B"},
      {"C:\\a\\..\\b", FALSE, FALSE, "C:\\A\\B"},
      {"C:\\a\\. .\\b", FALSE, FALSE, "C:\\A\\B"},
      {"C:name.txt", FALSE, FALSE, "C:\\NAME.TXT"},
      {"", FALSE, FALSE, ""},
  };
  for (const FullPathCase& c : cases) {
    SCOPED_TRACE(c.input);
    CZText path(c.input);
    CZText copy = path.GetFullPath(c.strip, c.trailing);
    EXPECT_EQ(path.str(), c.expected);
    EXPECT_EQ(copy.str(), c.expected);
  }
  ASSERT_TRUE(SetCurrentDirectoryA((w + "\\V").c_str()));
  EXPECT_EQ(CZText("..\\a").GetFullPath(FALSE, FALSE).str(), w + "\\A");
}

TEST_F(PathTest, GetFullPathFromADriveRootAndLongComponents) {
  ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
  EXPECT_EQ(CZText(".\\a").GetFullPath(FALSE, FALSE).str(), "C:\\A");
  EXPECT_EQ(CZText("..\\a").GetFullPath(FALSE, FALSE).str(), "C:\\A");
  const std::string longName(300, 'x');
  EXPECT_EQ(CZText("C:\\" + longName).GetFullPath(FALSE, FALSE).str(),
            "C:\\" + std::string(256, 'X'));
  EXPECT_EQ(CZText("C:\\longfilename.text\\abc.defg").GetShortFullPath(FALSE, FALSE).str(),
            "C:\\LONGFILE\\ABC.DEF");
}

TEST_F(PathTest, ValidAndNormalizedPaths) {
  struct Case {
    const char* path;
    BOOL valid;
    BOOL normalized;  // with wildcards kept in the last component
  };
  const std::vector<Case> cases = {
      {"C:\\DIR\\", TRUE, FALSE},
      {"C:\\", TRUE, FALSE},
      {"c:\\dir", FALSE, TRUE},
      {"C:\\DIR", FALSE, TRUE},
      {"c:\\a\\\\b", FALSE, FALSE},
      {"C:\\D*R\\", FALSE, FALSE},
      {"C:\\DIR\\*.TXT", FALSE, TRUE},
      {"C:\\...\\", FALSE, FALSE},
      {"C:\\..\\", FALSE, FALSE},
      {"C:\\A+B\\", FALSE, FALSE},
      {"CD\\", FALSE, FALSE},
      {"C:X\\", FALSE, FALSE},
      {"", FALSE, FALSE},
      {"C:/DIR/", TRUE, FALSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(CZText(c.path).IsValidPath(), c.valid);
    EXPECT_EQ(CZText(c.path).IsNormalizedPath(FALSE), c.normalized);
  }
}

TEST_F(PathTest, FolderNameAndExtensionParts) {
  struct Case {
    const char* name;
    std::function<CZText(CZText&)> edit;
    const char* input;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"dir part", [](CZText& t) { return t.GetDirPart(); }, "C:\\dir\\a.zip", "C:\\DIR\\"},
      {"dir part of a root file", [](CZText& t) { return t.GetDirPart(); }, "C:\\a", "C:\\"},
      {"dir part of a root", [](CZText& t) { return t.GetDirPart(); }, "C:\\", ""},
      {"name part kept", [](CZText& t) { return t.GetNamePart(FALSE); }, "c:/dir/a.zip", "a.zip"},
      {"name without folder", [](CZText& t) { return t.GetNamePart(FALSE); }, "a.zip", "a.zip"},
      {"name of a folder", [](CZText& t) { return t.GetNamePart(FALSE); }, "C:\\DIR\\", ""},
      {"name expanded", [](CZText& t) { return t.GetNamePart(TRUE); }, "c:\\dir\\a.zip", "A.ZIP"},
      {"extension replaced", [](CZText& t) { return t.ChangeExtension("ZIP", TRUE); },
       "C:\\DIR\\A.TXT", "C:\\DIR\\A.ZIP"},
      {"extension kept", [](CZText& t) { return t.ChangeExtension("ZIP", FALSE); },
       "C:\\DIR\\A.TXT", "C:\\DIR\\A.TXT"},
      {"extension added", [](CZText& t) { return t.ChangeExtension("ZIP", FALSE); }, "C:\\DIR\\A",
       "C:\\DIR\\A.ZIP"},
      {"bare name", [](CZText& t) { return t.ChangeExtension("EXE", TRUE); }, "a.b.txt", "A.B.EXE"},
      {"wildcard extension", [](CZText& t) { return t.ChangeExtension("?_?", TRUE); },
       "C:\\DIR\\A.TXT", "C:\\DIR\\A.?_?"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CZText text(c.input);
    EXPECT_EQ(c.edit(text).str(), c.expected);
    EXPECT_EQ(text.str(), c.expected);
  }
}

TEST_F(PathTest, CurrentAndTemporaryFolders) {
  ASSERT_TRUE(SetCurrentDirectoryA(root_.c_str()));
  CZText current;
  EXPECT_EQ(current.GetCurrentDir().str(), root_ + "\\");
  CZText temp;
  temp.GetTempDir();
  ASSERT_FALSE(temp.IsEmpty());
  EXPECT_EQ(temp.str().back(), '\\');
  EXPECT_EQ(temp.str(), Upper(temp.str()));
  EXPECT_TRUE(temp.DirectoryExists(FALSE));
}

TEST_F(PathTest, MakeUniqueNameNumbersAndPrefixes) {
  CZText name;
  EXPECT_EQ(name.MakeUniqueName("A.ZIP", FALSE, nullptr).str(), "") << "no folder: no name";
  EXPECT_EQ(name.MakeUniqueName(At("A.ZIP").c_str(), FALSE, nullptr).str(), At("A.001"));
  testutil::WriteWholeFile(At("A.001"), "x");
  MakeFolder("A.002");  // folders count as taken too
  EXPECT_EQ(name.MakeUniqueName(At("a.zip").c_str(), FALSE, nullptr).str(), At("A.003"));
  EXPECT_EQ(name.MakeUniqueName(At("A.ZIP").c_str(), TRUE, "ABCDEFGH").str(), At("ABCDE001.ZIP"));
  EXPECT_EQ(name.MakeUniqueName(At("A.ZIP").c_str(), TRUE, "X").str(), At("~T001.ZIP"));
  // A '.' in a folder name is no extension.
  const std::string dotted = MakeFolder("D.X");
  EXPECT_EQ(name.MakeUniqueName((dotted + "\\C").c_str(), FALSE, nullptr).str(),
            dotted + "\\C.001");
  // The string's own text may be the name.
  CZText self(At("S.ZIP"));
  EXPECT_EQ(self.MakeUniqueName(self.c_str(), FALSE, nullptr).str(), At("S.001"));

  CZText temporary;
  temporary.MakeUniqueName(nullptr, FALSE, "QQ");
  ASSERT_FALSE(temporary.IsEmpty());
  EXPECT_FALSE(temporary.FileExists()) << "only the name is kept";
  EXPECT_NE(temporary.GetNamePart(FALSE).str().find("QQ"), std::string::npos);
}

TEST_F(PathTest, MakeUniqueNameGivesUpAfter999) {
  MakeFolder("FULL");
  for (int n = 1; n <= 999; ++n) {
    char candidate[32];
    std::snprintf(candidate, sizeof candidate, "FULL\\B.%03d", n);
    ASSERT_TRUE(testutil::WriteWholeFile(At(candidate), ""));
  }
  CZText name;
  EXPECT_EQ(name.MakeUniqueName(At("FULL\\B.ZIP").c_str(), FALSE, nullptr).str(), "");
}

TEST_F(PathTest, FolderTreesAreCreatedEnteredAndRemoved) {
  ASSERT_TRUE(SetCurrentDirectoryA(root_.c_str()));
  const std::string before = CurrentFolder();
  EXPECT_TRUE(CZText(At("X\\Y\\Z\\")).CreateDirectoryTree(FALSE));
  EXPECT_TRUE(Exists(At("X\\Y\\Z")));
  EXPECT_EQ(CurrentFolder(), before) << "CreateDirectoryTree puts the current folder back";
  EXPECT_TRUE(CZText(At("X\\Y2\\file.txt")).CreateDirectoryTree(TRUE));
  EXPECT_TRUE(Exists(At("X\\Y2")));

  EXPECT_TRUE(CZText(At("P\\Q\\")).ChangeDirectory(FALSE, TRUE));
  EXPECT_EQ(Upper(CurrentFolder()), At("P\\Q"));
  EXPECT_FALSE(CZText(At("NOT-THERE\\")).ChangeDirectory(FALSE, FALSE));
  EXPECT_FALSE(CZText("C:\\A*\\").ChangeDirectory(FALSE, TRUE));

  // A tree with a dot folder, hidden and read-only files; removed while it is the current folder.
  MakeFolder("T");
  MakeFolder("T\\.git");
  MakeFolder("T\\sub");
  testutil::WriteWholeFile(At("T\\.git\\config"), "x");
  testutil::WriteWholeFile(At("T\\sub\\file.txt"), "x");
  testutil::WriteWholeFile(At("T\\hidden.txt"), "x");
  SetFileAttributesA(At("T\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
  SetFileAttributesA(At("T\\sub").c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(SetCurrentDirectoryA(At("T\\sub").c_str()));
  EXPECT_TRUE(CZText(At("T")).RemoveDirectoryTree(FALSE, TRUE));
  EXPECT_FALSE(Exists(At("T")));
  EXPECT_FALSE(CZText(At("T\\")).DirectoryExists(FALSE));

  EXPECT_FALSE(CZText("").RemoveDirectoryTree(FALSE, TRUE));
  EXPECT_FALSE(CZText("C:\\A*B\\").RemoveDirectoryTree(FALSE, TRUE));
}

TEST_F(PathTest, RemoveDirectoryTreeWithoutForceKeepsReadOnlyFiles) {
  if (!ReadOnlyBlocksDelete(root_)) {
    GTEST_SKIP() << "this system deletes read-only files anyway (Wine running as root)";
  }
  MakeFolder("R");
  testutil::WriteWholeFile(At("R\\locked.txt"), "x");
  SetFileAttributesA(At("R\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(CZText(At("R")).RemoveDirectoryTree(FALSE, FALSE));
  EXPECT_TRUE(Exists(At("R\\locked.txt")));
  EXPECT_TRUE(CZText(At("R")).RemoveDirectoryTree(FALSE, TRUE));
}

TEST_F(PathTest, RemoveDirectoryTreeLeavesWhatLinksPointTo) {
  // Made by paths_fixtures.sh: linktree/dirlink -> ../outside, linktree/filelink ->
  // ../outside/keep.txt. Wine cannot make links itself.
  const std::string fixtures = testutil::BinaryDir() + "engine\\fixtures\\paths\\";
  if (!Exists(fixtures + "linktree")) GTEST_SKIP() << "the link fixture was not made";
  const std::string keep = fixtures + "outside\\keep.txt";
  const std::string inner = fixtures + "outside\\inner";
  ASSERT_EQ(testutil::FileText(keep), "keep\n");
  CZText(fixtures + "linktree").RemoveDirectoryTree(FALSE, TRUE);
  EXPECT_EQ(testutil::FileText(keep), "keep\n") << "the file a link points to survives";
  EXPECT_TRUE(Exists(inner)) << "the folder a link points to survives";
  EXPECT_FALSE(Exists(fixtures + "linktree\\sub")) << "the tree's own folders go";
}

TEST_F(PathTest, ExistenceAttributesAndSizes) {
  const std::string file = At("file.txt");
  testutil::WriteWholeFile(file, "hello");
  EXPECT_TRUE(CZText(file).FileExists());
  EXPECT_TRUE(CZText(At("F*.TXT")).FileExists());
  EXPECT_FALSE(CZText(root_).FileExists()) << "a folder is no file";
  EXPECT_FALSE(CZText("").FileExists());
  EXPECT_FALSE(CZText(file).DirectoryExists(FALSE)) << "a file is no folder";
  EXPECT_TRUE(CZText(root_).DirectoryExists(FALSE));
  EXPECT_TRUE(CZText(file).DirectoryExists(TRUE));

  EXPECT_EQ(CZText(At("missing")).GetAttributes(), 0u);
  EXPECT_TRUE(CZText(file).SetAttributes(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(CZText(file).GetAttributes(),
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_TRUE(CZText(root_ + "\\").GetAttributes() & FILE_ATTRIBUTE_DIRECTORY);

  struct SizeCase {
    size_t bytes;
    DWORD kilobytes;
  };
  for (const SizeCase& c : std::vector<SizeCase>{
           {0, 0}, {1, 1}, {511, 1}, {1535, 1}, {1536, 2}, {2048, 2}, {10 * 1024 + 511, 10}}) {
    SCOPED_TRACE(c.bytes);
    testutil::WriteWholeFile(At("size.bin"), std::string(c.bytes, 'z'));
    DWORD bytes = 77;
    EXPECT_EQ(CZText(At("size.bin")).GetFileSizeKB(&bytes), c.kilobytes);
    EXPECT_EQ(bytes, c.bytes);
    EXPECT_EQ(CZText(At("size.bin")).GetFileSize(), c.bytes);
  }
  DWORD bytes = 77;
  EXPECT_EQ(CZText(At("missing")).GetFileSizeKB(&bytes), 0u);
  EXPECT_EQ(bytes, 0u);
}

TEST_F(PathTest, FreeSpaceIsComputedIn64Bits) {
  DWORD sectors = 0, bytesPerSector = 0, freeClusters = 0, total = 0;
  ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", &sectors, &bytesPerSector, &freeClusters, &total));
  const ULONGLONG freeBytes = static_cast<ULONGLONG>(sectors) * bytesPerSector * freeClusters;
  const ULONGLONG expectedKB = freeBytes > 8192 ? (freeBytes - 8192) / 1024 : 0;
  const long expected = static_cast<long>(expectedKB > LONG_MAX ? LONG_MAX : expectedKB);
  // Free space changes while tests run: allow a few megabytes of drift.
  EXPECT_NEAR(static_cast<double>(CZText("c:\\anything").GetFreeSpaceKB()),
              static_cast<double>(expected), 64.0 * 1024);
  if (freeBytes > (5ull << 30)) {
    EXPECT_GT(CZText("C:\\").GetFreeSpaceKB(), 4L * 1024 * 1024) << "no 32-bit wrap";
    EXPECT_TRUE(CZText("C:\\").HasFreeSpace(-1)) << "a size of 4 GiB less 1 fits";
  }
  EXPECT_EQ(CZText("1:\\").GetFreeSpaceKB(), 0);
  EXPECT_EQ(CZText("C").GetFreeSpaceKB(), 0);
  EXPECT_TRUE(CZText("C:\\").HasFreeSpace(0));
  EXPECT_TRUE(CZText("C:\\").HasFreeSpace(1023));
  EXPECT_TRUE(CZText("1:\\").HasFreeSpace(1023)) << "1,023 bytes need 0 KB";
  EXPECT_FALSE(CZText("1:\\").HasFreeSpace(0)) << "0 asks for some free space";
}

TEST_F(PathTest, DeleteMoveAndCreate) {
  EXPECT_TRUE(CZText(At("missing")).DeleteFile(FALSE));
  testutil::WriteWholeFile(At("d.txt"), "x");
  EXPECT_TRUE(CZText(At("d.txt")).DeleteFile(FALSE));
  EXPECT_FALSE(Exists(At("d.txt")));

  testutil::WriteWholeFile(At("m.txt"), "source");
  testutil::WriteWholeFile(At("n.txt"), "old target");
  EXPECT_TRUE(CZText(At("m.txt")).MoveTo(At("n.txt").c_str()));
  EXPECT_EQ(testutil::FileText(At("n.txt")), "source");
  EXPECT_FALSE(Exists(At("m.txt")));
  EXPECT_FALSE(CZText(At("m.txt")).MoveTo(At("o.txt").c_str()));

  testutil::WriteWholeFile(At("e.txt"), "content");
  EXPECT_TRUE(CZText(At("e.txt")).CreateEmptyFile());
  EXPECT_EQ(testutil::FileText(At("e.txt")), "") << "an existing file is emptied";
  EXPECT_TRUE(CZText(At("NEW\\DEEP\\e.txt")).CreateEmptyFile()) << "its folders are made";
  EXPECT_TRUE(Exists(At("NEW\\DEEP\\e.txt")));
}

TEST_F(PathTest, DeleteReadOnlyFileNeedsForce) {
  if (!ReadOnlyBlocksDelete(root_)) {
    GTEST_SKIP() << "this system deletes read-only files anyway (Wine running as root)";
  }
  testutil::WriteWholeFile(At("ro.txt"), "x");
  SetFileAttributesA(At("ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(CZText(At("ro.txt")).DeleteFile(FALSE));
  EXPECT_TRUE(Exists(At("ro.txt")));
  EXPECT_TRUE(CZText(At("ro.txt")).DeleteFile(TRUE));
  EXPECT_FALSE(Exists(At("ro.txt")));
}

TEST_F(PathTest, GetShortPathNamesTheSameFile) {
  const std::string longName = At("a long file name.text");
  testutil::WriteWholeFile(longName, "x");
  CZText path(longName);
  path.GetShortPath();
  ASSERT_FALSE(path.IsEmpty());
  EXPECT_TRUE(path.FileExists());
  char resolved[MAX_PATH * 2] = {};
  ASSERT_NE(GetLongPathNameA(path.c_str(), resolved, sizeof resolved), 0u);
  EXPECT_EQ(Upper(resolved), Upper(longName));
  const std::string last = path.str().substr(path.str().rfind('\\') + 1);
  EXPECT_LE(last.size(), 12u);

  CZText folder(At(""));
  folder.GetShortPath();
  EXPECT_EQ(folder.str().back(), '\\');
  EXPECT_TRUE(folder.DirectoryExists(FALSE));

  CZText missing("C:\\nosuchfolderhere\\longfilename.text");
  missing.GetShortPath();
  EXPECT_EQ(missing.str(), "C:\\NOSUCHFO\\LONGFILE");
}

struct CopyCase {
  const char* name;
  std::string target;  // relative to the test folder unless it starts with '|' (taken as is)
  BOOL overwrite;
  int expected;
  const char* targetText;  // what the target then holds (null: not checked)
};

TEST_F(PathTest, CopyToResultCodes) {
  const std::string source = At("src.txt");
  const std::string content = "0123456789abcdefghijklmnopqrstuvwxyz";
  const std::vector<CopyCase> cases = {
      {"new target", "copy.txt", FALSE, 0, "0123456789abcdefghijklmnopqrstuvwxyz"},
      {"into a folder", "DEST\\", FALSE, 0, nullptr},
      {"onto itself, other case", "SRC.TXT", TRUE, 0, "0123456789abcdefghijklmnopqrstuvwxyz"},
      {"not a full path", "|copy.txt", TRUE, 3, nullptr},
      {"exists, no overwrite", "old.txt", FALSE, 9, "old"},
      {"exists, overwrite", "old.txt", TRUE, 0, "0123456789abcdefghijklmnopqrstuvwxyz"},
  };
  for (const CopyCase& c : cases) {
    SCOPED_TRACE(c.name);
    testutil::WriteWholeFile(source, content);
    testutil::WriteWholeFile(At("old.txt"), "old");
    MakeFolder("DEST");
    const std::string target = c.target[0] == '|' ? c.target.substr(1) : At(c.target);
    EXPECT_EQ(CZText(source).CopyTo(target.c_str(), FALSE, c.overwrite, FALSE, FALSE, FALSE, 7),
              c.expected);
    if (c.targetText != nullptr) {
      EXPECT_EQ(testutil::FileText(target), c.targetText);
    }
    EXPECT_EQ(testutil::FileText(source), content) << "the source is left alone";
  }
  EXPECT_EQ(testutil::FileText(At("DEST\\SRC.TXT")), content);
  EXPECT_EQ(
      CZText(At("none.txt")).CopyTo(At("x.txt").c_str(), FALSE, TRUE, FALSE, FALSE, FALSE, 1024),
      1);
}

TEST_F(PathTest, CopyToMovesTimesAttributesAndEmptyFiles) {
  const std::string source = At("src.bin");
  std::string content;
  for (int i = 0; i < 5000; ++i) content += static_cast<char>(i * 7);
  testutil::WriteWholeFile(source, content);
  SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
  HANDLE h =
      CreateFileA(source.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  FILETIME stamp = {0x12345600, 0x01D00000};  // some day in 2014
  SetFileTime(h, nullptr, nullptr, &stamp);
  CloseHandle(h);

  EXPECT_EQ(CZText(source).CopyTo(At("t.bin").c_str(), TRUE, FALSE, TRUE, TRUE, FALSE, 1000), 0);
  EXPECT_EQ(testutil::FileText(At("t.bin")), content);
  EXPECT_EQ(GetFileAttributesA(At("t.bin").c_str()),
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExA(At("t.bin").c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(data.ftLastWriteTime.dwLowDateTime, stamp.dwLowDateTime);
  EXPECT_EQ(data.ftLastWriteTime.dwHighDateTime, stamp.dwHighDateTime);

  EXPECT_EQ(CZText(source).CopyTo(At("moved.bin").c_str(), FALSE, FALSE, FALSE, FALSE, TRUE, 4096),
            0);
  EXPECT_FALSE(Exists(source)) << "a move deletes its source";
  EXPECT_EQ(testutil::FileText(At("moved.bin")), content);

  testutil::WriteWholeFile(At("empty"), "");
  EXPECT_EQ(CZText(At("empty")).CopyTo(At("empty2").c_str(), FALSE, FALSE, FALSE, FALSE, FALSE, 0),
            0);
  EXPECT_EQ(testutil::FileText(At("empty2")), "");
  EXPECT_EQ(
      CZText(At("moved.bin")).CopyTo(At("nobuf").c_str(), FALSE, FALSE, FALSE, FALSE, FALSE, 0), 4);
  EXPECT_FALSE(Exists(At("nobuf"))) << "the target is deleted when no buffer can be had";
}

TEST_F(PathTest, CopyToReportsFailedSteps) {
  const std::string source = At("src.txt");
  const std::string content(3000, 'q');
  struct Case {
    const char* name;
    std::vector<std::pair<FileStep, int>> faults;
    BOOL move;
    int expected;
  };
  const std::vector<Case> cases = {
      {"source open", {{FileStep::kOpen, 1}}, FALSE, 6},
      {"target create", {{FileStep::kCreate, 1}}, FALSE, 5},
      {"target open", {{FileStep::kOpen, 2}}, FALSE, 7},
      {"read", {{FileStep::kRead, 2}}, FALSE, 8},
      {"write", {{FileStep::kWrite, 1}}, FALSE, 8},
      {"close", {{FileStep::kClose, 3}}, FALSE, 7},
      {"time", {{FileStep::kSetTime, 1}}, FALSE, 11},
      {"attributes", {{FileStep::kSetAttributes, 1}}, FALSE, 10},
      {"time and attributes", {{FileStep::kSetTime, 1}, {FileStep::kSetAttributes, 1}}, FALSE, 11},
      {"source kept after a move", {{FileStep::kDelete, 1}, {FileStep::kDelete, 2}}, TRUE, 12},
      {"first delete retried with force", {{FileStep::kDelete, 1}}, TRUE, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testutil::WriteWholeFile(source, content);
    DeleteFileA(At("t.txt").c_str());
    ResetFileFaults();
    for (const auto& fault : c.faults) FailFileStep(fault.first, fault.second);
    EXPECT_EQ(CZText(source).CopyTo(At("t.txt").c_str(), FALSE, FALSE, TRUE, TRUE, c.move, 1024),
              c.expected);
    ResetFileFaults();
    if (!c.move || c.expected == 12) {
      EXPECT_EQ(testutil::FileText(source), content);
    }
    if (c.expected == 0 || c.expected >= 10) {
      EXPECT_EQ(testutil::FileText(At("t.txt")), content);
    }
  }
}

TEST_F(PathTest, LongPathsWorkBeyond128Characters) {
  std::string deep = root_;
  while (deep.size() < 160) deep += "\\SUBFOLDER";
  ASSERT_TRUE(CZText(deep + "\\").CreateDirectoryTree(FALSE));
  const std::string file = deep + "\\ARCHIVE.ZIP";
  ASSERT_GT(file.size(), 128u);
  testutil::WriteWholeFile(file, "long");
  EXPECT_TRUE(CZText(file).FileExists());
  EXPECT_EQ(
      CZText(file).CopyTo((deep + "\\COPY.ZIP").c_str(), FALSE, FALSE, TRUE, TRUE, FALSE, 512), 0);
  EXPECT_EQ(testutil::FileText(deep + "\\COPY.ZIP"), "long");
  EXPECT_TRUE(CZText(deep + "\\COPY.ZIP").DeleteFile(TRUE));
}
