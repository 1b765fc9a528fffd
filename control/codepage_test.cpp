// Names and comments that hold Latin-1 letters, through the registered control: every text of
// the interface is ANSI (code page 1252 here) while the engine keeps names in OEM (437) inside.
// A VBScript under cscript calls the methods that take names, masks and folders twice, once with
// Latin-1 spellings and once with ASCII stand-ins of the same length; both runs must give the
// same results and the same files, and python's zipfile (reading names as CP437) must find the
// Latin-1 names in the archives. Event texts are checked through a C++ sink, comments written by
// python in CP437 are read back, and GetCount stops at 32,767.
//
// The test program runs with LC_ALL=C.UTF-8 (control/CMakeLists.txt): Wine takes a process's
// code pages from the locale of its Unix environment (the registry's Nls\CodePage values are
// not read) and gives the C locale ANSI 1252 and OEM 437; the script host started from here
// inherits it. The first test checks that it took effect.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "control_test_support.h"
#include "dispatch_members.h"
#include "hosted_control_test_support.h"
#include "item_list_test_support.h"
#include "qx30w32_guids.h"

namespace {

using Args = controltest::DispatchArgs;

// ---- the two spellings ---------------------------------------------------------------------
// A token of a name template, its Latin-1 letter (a byte of code page 1252) and its ASCII
// stand-in. The script spells its names with the same tokens.
struct Letter {
  const char* token;
  unsigned char latin;
  char ascii;
};
constexpr Letter kLetters[] = {
    {"{e}", 0xE9, 'e'},  {"{E}", 0xC9, 'E'}, {"{e2}", 0xE8, 'i'},
    {"{E2}", 0xC8, 'I'}, {"{u}", 0xFC, 'u'}, {"{U}", 0xDC, 'U'},
    {"{ss}", 0xDF, 's'}, {"{A}", 0xC4, 'A'}, {"{a}", 0xE4, 'a'},
};

// A template in one spelling, as ANSI text.
std::string Spell(const std::string& name, bool latin) {
  std::string text = name;
  for (const Letter& letter : kLetters) {
    const std::string by(1, latin ? static_cast<char>(letter.latin) : letter.ascii);
    for (size_t at = text.find(letter.token); at != std::string::npos;
         at = text.find(letter.token, at + 1)) {
      text.replace(at, std::strlen(letter.token), by);
    }
  }
  return text;
}

std::string Upper(std::string text) {
  if (!text.empty()) CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

// UTF-8 (what the peers print) as ANSI.
std::string AnsiFromUtf8(const std::string& utf8) {
  if (utf8.empty()) return std::string();
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  std::string ansi(wide.size() * 2 + 1, '\0');
  const int got = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                      ansi.data(), static_cast<int>(ansi.size()), nullptr, nullptr);
  ansi.resize(static_cast<size_t>(got));
  return ansi;
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

// ---- the peers, run natively ---------------------------------------------------------------
// Wine starts Linux programs, but their exit codes do not come back: the script's last line says
// whether it got through, and a wrapper marks its end with a file.
std::string UnixPath(const std::string& windowsPath) {
  std::string path = windowsPath;
  if (path.size() > 2 && (path[0] == 'Z' || path[0] == 'z') && path[1] == ':') path.erase(0, 2);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

std::string RunPeer(const std::string& folder, const std::string& script) {
  const std::string base = folder + "peer";
  const std::string done = base + ".done";
  DeleteFileA(done.c_str());
  EXPECT_TRUE(testutil::WriteWholeFile(base + ".sh", script + "\n"));
  EXPECT_TRUE(testutil::WriteWholeFile(
      base + ".run", "bash " + UnixPath(base + ".sh") + " >" + UnixPath(base + ".out") +
                         " 2>&1 </dev/null\necho done >" + UnixPath(done) + "\n"));
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::string line = "bash " + UnixPath(base + ".run");
  if (!CreateProcessA("Z:\\bin\\bash", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return "bash could not be started";
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  for (int waited = 0; GetFileAttributesA(done.c_str()) == INVALID_FILE_ATTRIBUTES; waited += 20) {
    if (waited > 120000) return "the peer script did not end";
    Sleep(20);
  }
  return testutil::FileText(base + ".out");
}

// ---- the test tree -------------------------------------------------------------------------
// The files below caf{e}\ and their contents (the same in both spellings).
struct TreeFile {
  const char* name;
  const char* content;
};
const TreeFile kTree[] = {
    {"u\\f1.txt", "f1 in u\r\n"},
    {"src\\a.txt", "alpha alpha alpha alpha alpha alpha alpha alpha alpha alpha\r\n"},
    {"src\\b.dat", "b data\r\n"},
    {"src\\sub1\\c.txt", "c in sub1\r\n"},
    {"src\\r{e}sum{e}.txt", "the resume, long enough to be deflated: resume resume resume\r\n"},
    {"src\\gr{u}{ss}e.txt", "greetings\r\n"},
    {"src\\{A}rger.txt", "trouble\r\n"},
    {"src\\n{e2}ve\\{e}t{e}.txt", "summer in a folder of its own\r\n"},
};

bool MakeFolders(const std::string& path) {
  for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1)) {
    const std::string folder = path.substr(0, at);
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    if (!CreateDirectoryA(folder.c_str(), nullptr)) return false;
  }
  return true;
}

// The names in a folder, upper case, folders with a trailing '\'.
std::set<std::string> UpperNames(const std::string& folder) {
  std::set<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    names.insert(Upper(name) + ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? "\\" : ""));
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return names;
}

std::set<std::string> SpellAll(const std::vector<std::string>& templates, bool latin) {
  std::set<std::string> names;
  for (const std::string& name : templates) names.insert(Upper(Spell(name, latin)));
  return names;
}

// One spelling's run: the tree made, the script run in its folder, its output.
struct SpellingRun {
  bool latin;
  std::string root;    // the ASCII folder of this spelling, ending in '\'
  std::string folder;  // root + caf{e}\ : the script's T
  std::vector<std::string> lines;
};

std::string CodepageFolder() { return testutil::BinaryDir() + "control\\codepage\\"; }

class CodePageNames : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (bool latin : {true, false}) runs_.push_back(Run(latin));
  }
  static void TearDownTestSuite() { runs_.clear(); }

  static SpellingRun Run(bool latin) {
    SpellingRun run;
    run.latin = latin;
    run.root = CodepageFolder() + (latin ? "latin\\" : "ascii\\");
    testutil::RemoveTree(run.root);
    run.folder = run.root + Spell("caf{e}\\", latin);
    for (const TreeFile& file : kTree) {
      const std::string path = run.folder + Spell(file.name, latin);
      if (!MakeFolders(path) || !testutil::WriteWholeFile(path, std::string(file.content))) {
        ADD_FAILURE() << "cannot make " << path;
        return run;
      }
    }
    // The relative archive and mask of the ".." cases name the script's current folder.
    char saved[MAX_PATH * 2] = {};
    GetCurrentDirectoryA(sizeof saved, saved);
    SetCurrentDirectoryA(run.folder.c_str());
    const std::string script = controltest::ControlSourceDir() + "codepage_names.vbs";
    const testutil::ProgramRun program = testutil::RunCaptured(
        "cscript.exe //nologo \"" + script + "\" \"" + run.root.substr(0, run.root.size() - 1) +
            "\" " + (latin ? "latin" : "ascii"),
        180000);
    SetCurrentDirectoryA(saved);
    EXPECT_EQ(0u, program.exitCode) << program.output;
    run.lines = Lines(program.output);
    return run;
  }

  static const SpellingRun& Latin() { return runs_[0]; }
  static const SpellingRun& Ascii() { return runs_[1]; }

  static std::vector<SpellingRun> runs_;
};

std::vector<SpellingRun> CodePageNames::runs_;

TEST(CodePages, TheTestsRunWithAnsi1252AndOem437) {
  // Everything below spells its expectations in these two code pages.
  EXPECT_EQ(1252u, GetACP());
  EXPECT_EQ(437u, GetOEMCP());
}

TEST(CodePages, EveryNameParameterIsMarkedForTheEngineCodePage) {
  // The texts that reach their work as the caller gave them: passwords (the prompt converts its
  // own answer), comments (the comment setters convert them), captions and messages, the
  // self-extractor's program to launch (run by the stub in ANSI), prompt texts, the help file
  // and the settings file (both used by ANSI calls outside the engine). Every other text
  // parameter names an archive, file, folder, drive, mask or entry, so a new one is marked too.
  const std::set<std::string> asGiven = {"szPassword", "szComment",  "szTitle",
                                         "szMsg",      "szEXETitle", "szProgramToLaunch",
                                         "szValue",    "szHelpFile", "szFile"};
  int marked = 0;
  for (const activex::DispatchMember& member : qx30w32::DispatchMembers()) {
    for (int p = 0; p < member.ParamCount(); ++p) {
      const activex::ParamSpec& param = member.params[p];
      if (param.type != activex::ArgType::kText) {
        EXPECT_EQ(activex::TextForm::kAnsi, param.form) << member.name << " " << param.name;
        continue;
      }
      const bool name = asGiven.count(param.name) == 0;
      EXPECT_EQ(name ? activex::TextForm::kOem : activex::TextForm::kAnsi, param.form)
          << member.name << " " << param.name;
      if (name) ++marked;
    }
  }
  EXPECT_GE(marked, 40);
}

TEST_F(CodePageNames, BothSpellingsGiveTheSameResults) {
  ASSERT_FALSE(Latin().lines.empty());
  EXPECT_EQ("OK", Latin().lines.back());
  EXPECT_EQ(Latin().lines, Ascii().lines);
  // The results that show the names were found (each failed before names were converted).
  const char* const expected[] = {
      "ZipFiles=0",
      "GetCount=9",
      "IsZIPFileQuick=0",
      "IsZIPFileSlow=0",
      "IsFileInTheZIPFile upper mask=True",
      "IsFileInTheZIPFile entry=True",
      "IsFileNameInFilter=True",
      "IsFileNameInFilter case=True",
      "UnzipFiles tree=0",
      "UnzipFiles one=0",
      "UnzipToFile=0",
      "SetGlobalComment=0",
      "GetGlobalComment same=True",
      "GetGlobalComment length=11",
      "GetGlobalCommentSize=11",
      "SetLocalComment=0",
      "GetLocalComment same=True",
      "GetLocalComment length=15",
      "GetLocalCommentSize=15",
      "DeleteWithMask=0",
      "IsFileInTheZIPFile deleted=False",
      "GetCount after delete=8",
      "CreateBlankZIPFile=True",
      "GetNewZIPName same=True",
      "GetCount blank=0",
      "ZipFiles one file=0",
      "ZipFiles folder=0",
      "ZipFiles dd=0",
      "ZipFiles dd1=0",
      "ZipFiles rel2=0",
  };
  std::string text;
  for (const std::string& line : Latin().lines) text += line + "\n";
  SCOPED_TRACE(text);
  for (const char* line : expected) {
    EXPECT_TRUE(std::find(Latin().lines.begin(), Latin().lines.end(), line) != Latin().lines.end())
        << line;
  }
}

TEST_F(CodePageNames, TheFilesMadeHaveTheNamesGiven) {
  for (const SpellingRun& run : runs_) {
    SCOPED_TRACE(run.latin ? "latin" : "ascii");
    EXPECT_EQ(SpellAll({"src\\", "u\\", "caf{e2}.zip", "d{e}st\\", "fl{a}t\\", "one{u}.txt",
                        "n{e}u.zip", "l.zip", "fl.zip", "dd.zip", "dd1.zip", "rel2.zip"},
                       run.latin),
              UpperNames(run.folder));
    // The tree extracted with its folders (relative paths were stored), one entry on its own,
    // one entry into a file of its own name.
    const std::string dest = run.folder + Spell("d{e}st\\src\\", run.latin);
    EXPECT_EQ(SpellAll({"a.txt", "b.dat", "sub1\\", "r{e}sum{e}.txt", "gr{u}{ss}e.txt",
                        "{A}rger.txt", "n{e2}ve\\"},
                       run.latin),
              UpperNames(dest));
    for (const TreeFile& file : kTree) {
      const std::string name = Spell(file.name, run.latin);
      if (name.rfind("src\\", 0) != 0) continue;
      EXPECT_EQ(file.content, testutil::FileText(run.folder + Spell("d{e}st\\", run.latin) + name))
          << name;
    }
    EXPECT_EQ(SpellAll({"r{e}sum{e}.txt"}, run.latin),
              UpperNames(run.folder + Spell("fl{a}t\\", run.latin)));
    EXPECT_EQ(kTree[4].content,
              testutil::FileText(run.folder + Spell("fl{a}t\\r{e}sum{e}.txt", run.latin)));
    EXPECT_EQ(kTree[7].content, testutil::FileText(run.folder + Spell("one{u}.txt", run.latin)));
  }
}

// What python's zipfile reads of the archives below a folder: per archive (its path below the
// folder, upper case) the entry names (upper case, CP437 decoded), the entry comments by name
// and the archive comment, all as ANSI.
struct PeerArchive {
  std::vector<std::string> names;
  std::map<std::string, std::string> comments;
  std::string comment;
};

std::map<std::string, PeerArchive> ReadWithPython(const std::string& folder) {
  const std::string output = RunPeer(
      CodepageFolder(), "python3 - " + UnixPath(folder) +
                            " <<'PY'\n"
                            "import os, sys, zipfile\n"
                            "root = sys.argv[1]\n"
                            "for top, dirs, files in sorted(os.walk(root)):\n"
                            "    for f in sorted(files):\n"
                            "        if not f.lower().endswith('.zip'): continue\n"
                            "        path = os.path.join(top, f)\n"
                            "        with zipfile.ZipFile(path) as z:\n"
                            "            assert z.testzip() is None, path\n"
                            "            print('A|' + os.path.relpath(path, root))\n"
                            "            if z.comment: print('G|' + z.comment.decode('cp437'))\n"
                            "            for i in z.infolist():\n"
                            "                assert not i.flag_bits & 0x800, i.filename\n"
                            "                print('N|' + i.filename)\n"
                            "                if i.comment: print('C|' + i.filename + '|' + "
                            "i.comment.decode('cp437'))\n"
                            "print('PEER-OK')\n"
                            "PY\n");
  std::map<std::string, PeerArchive> archives;
  std::vector<std::string> lines = Lines(output);
  EXPECT_TRUE(!lines.empty() && lines.back() == "PEER-OK") << output;
  PeerArchive* current = nullptr;
  for (const std::string& utf8 : lines) {
    const std::string line = AnsiFromUtf8(utf8);
    if (line.size() < 2 || line[1] != '|') continue;
    const std::string value = line.substr(2);
    if (line[0] == 'A') {
      std::string key = Upper(value);
      std::replace(key.begin(), key.end(), '/', '\\');
      current = &archives[key];
    } else if (current == nullptr) {
      continue;
    } else if (line[0] == 'G') {
      current->comment = value;
    } else if (line[0] == 'N') {
      current->names.push_back(Upper(value));
    } else if (line[0] == 'C') {
      const size_t bar = value.find('|');
      current->comments[Upper(value.substr(0, bar))] = value.substr(bar + 1);
    }
  }
  return archives;
}

TEST_F(CodePageNames, PythonReadsTheLatinNamesAndCommentsInCp437) {
  for (const SpellingRun& run : runs_) {
    SCOPED_TRACE(run.latin ? "latin" : "ascii");
    const std::map<std::string, PeerArchive> archives = ReadWithPython(run.root);
    const auto names = [&](const std::string& archive) {
      const auto found = archives.find(Upper(Spell("caf{e}\\" + archive, run.latin)));
      std::vector<std::string> list =
          found == archives.end() ? std::vector<std::string>{"<none>"} : found->second.names;
      std::sort(list.begin(), list.end());
      return list;
    };
    const auto spelled = [&](std::vector<std::string> list) {
      for (std::string& name : list) name = Upper(Spell(name, run.latin));
      std::sort(list.begin(), list.end());
      return list;
    };
    EXPECT_EQ(
        spelled({"SRC/A.TXT", "SRC/B.DAT", "SRC/SUB1/", "SRC/SUB1/C.TXT", "SRC/R{E}SUM{E}.TXT",
                 "SRC/{A}RGER.TXT", "SRC/N{E2}VE/", "SRC/N{E2}VE/{E}T{E}.TXT"}),
        names("caf{e2}.zip"));
    EXPECT_EQ(spelled({"{A}RGER.TXT"}), names("l.zip"));
    EXPECT_EQ(spelled({"{E}T{E}.TXT"}), names("fl.zip"));
    EXPECT_EQ(std::vector<std::string>{}, names("n{e}u.zip"));
    // ".." inside the masks: the stored paths are those of the files read.
    std::string full = Upper(run.folder.substr(3)) + "SRC\\A.TXT";  // without "Z:\"
    std::replace(full.begin(), full.end(), '\\', '/');
    EXPECT_EQ(std::vector<std::string>{full}, names("dd.zip"));
    EXPECT_EQ(std::vector<std::string>{"SRC/B.DAT"}, names("dd1.zip"));
    EXPECT_EQ(std::vector<std::string>{"U/F1.TXT"}, names("rel2.zip"));

    const auto archive = archives.find(Upper(Spell("caf{e}\\caf{e2}.zip", run.latin)));
    ASSERT_NE(archives.end(), archive);
    EXPECT_EQ(Spell("Gr{u}{ss}e, caf{e}", run.latin), archive->second.comment);
    const auto comment =
        archive->second.comments.find(Upper(Spell("SRC/R{E}SUM{E}.TXT", run.latin)));
    ASSERT_NE(archive->second.comments.end(), comment);
    EXPECT_EQ(Spell("{A}rger {u}ber caf{e2}", run.latin), comment->second);
  }
}

// ---- comments written by a peer, counts ------------------------------------------------------

std::string FixtureDir() { return testutil::BinaryDir() + "control\\fixtures\\codepage\\"; }

class CodePageControl : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, CoCreateInstance(qx30w32::kControlClassId, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IDispatch, object_.OutVoid()));
    calls_.Bind(object_.get());
  }

  controltest::Ptr<IDispatch> object_;
  controltest::NamedCalls calls_;
};

TEST_F(CodePageControl, CommentsWrittenInCp437ReadBackAsTheSameText) {
  const std::string archive = FixtureDir() + "comments_cp437.zip";
  const std::string global = AnsiFromUtf8(testutil::FileText(FixtureDir() + "comment_global.txt"));
  const std::string local = AnsiFromUtf8(testutil::FileText(FixtureDir() + "comment_local.txt"));
  ASSERT_FALSE(global.empty());
  EXPECT_EQ(global, calls_.Text(L"GetGlobalComment", Args().Text(archive).Short(200).Bool(false)));
  EXPECT_EQ(local, calls_.Text(L"GetLocalComment",
                               Args().Text(archive).Text("note.txt").Short(200).Bool(false)));
  // The sizes are those of the stored bytes (one byte a letter in CP437).
  EXPECT_EQ(static_cast<short>(global.size()),
            calls_.Short(L"GetGlobalCommentSize", Args().Text(archive).Bool(false)));
}

TEST_F(CodePageControl, GetCountStopsAt32767) {
  const struct {
    const char* archive;
    short count;
  } cases[] = {{"count_40000.zip", 32767},
               {"count_32767.zip", 32767},
               {"count_100.zip", 100},
               {"missing.zip", -1}};
  for (const auto& c : cases) {
    EXPECT_EQ(c.count, calls_.Short(L"GetCount", Args().Text(FixtureDir() + c.archive).Bool(false)))
        << c.archive;
  }
}

// ---- event texts ---------------------------------------------------------------------------

constexpr DISPID kOpenFile = 1;
constexpr DISPID kCloseFile = 3;
constexpr DISPID kFileZipped = 17;
constexpr DISPID kWriting = 18;

// The event's first text argument as ANSI, upper case.
std::string UpperText(const controltest::EventRecord& record) {
  for (size_t i = 0; i < record.args.size(); ++i) {
    if (record.types[i] != VT_BSTR) continue;
    const std::wstring& wide = record.args[i];
    std::string ansi(wide.size() * 2 + 1, '\0');
    const int got =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(),
                            static_cast<int>(ansi.size()), nullptr, nullptr);
    ansi.resize(static_cast<size_t>(got));
    return Upper(ansi);
  }
  return "<no text>";
}

std::string LastPart(std::string name) {
  std::replace(name.begin(), name.end(), '/', '\\');
  if (name.size() > 1 && name.back() == '\\') name.pop_back();
  const size_t slash = name.rfind('\\');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

TEST(CodePageEvents, EventTextsCarryTheNamesPassedIn) {
  if (!controltest::CanCreateWindows()) GTEST_SKIP() << "no display: run under xvfb-run";
  controltest::HostedControl host;
  ASSERT_NO_FATAL_FAILURE(host.Create());
  const std::string root = CodepageFolder() + "events\\";
  testutil::RemoveTree(root);
  const std::string folder = root + Spell("caf{e}\\", true);
  for (const TreeFile& file : kTree) {
    const std::string path = folder + Spell(file.name, true);
    ASSERT_TRUE(MakeFolders(path) && testutil::WriteWholeFile(path, std::string(file.content)))
        << path;
  }
  const std::string archive = folder + Spell("caf{e2}.zip", true);
  const std::set<std::string> files = SpellAll(
      {"a.txt", "b.dat", "c.txt", "r{e}sum{e}.txt", "gr{u}{ss}e.txt", "{A}rger.txt", "{e}t{e}.txt"},
      true);

  ASSERT_EQ(0, host.CallShort(L"ZipFiles", Args()
                                               .Text(archive)
                                               .Text(folder + "src\\*.*")
                                               .Bool(true)
                                               .Short(1)
                                               .Short(0)
                                               .Short(0)
                                               .Bool(false)
                                               .Bool(false)
                                               .Text("")
                                               .Bool(true)));
  SCOPED_TRACE(controltest::DescribeEvents(host.sink.records));
  // Every file and folder is reported by its stored name, and the archive by its own name.
  std::set<std::string> zipped;
  std::set<std::string> written;
  for (const controltest::EventRecord& record : host.sink.records) {
    if (record.id == kFileZipped) zipped.insert(LastPart(UpperText(record)));
    if (record.id == kWriting) written.insert(LastPart(UpperText(record)));
  }
  std::set<std::string> entries = files;
  entries.insert({"SUB1", Upper(Spell("n{e2}ve", true))});
  EXPECT_EQ(entries, zipped);
  EXPECT_EQ(SpellAll({"caf{e2}.zip"}, true), written);

  host.sink.records.clear();
  ASSERT_EQ(0,
            host.CallShort(L"UnzipFiles", controltest::UnzipAllArgs(
                                              archive, folder + Spell("d{e}st", true), "", true)));
  std::set<std::string> opened;
  std::set<std::string> closed;
  for (const controltest::EventRecord& record : host.sink.records) {
    if (record.id == kOpenFile) opened.insert(LastPart(UpperText(record)));
    if (record.id == kCloseFile) closed.insert(LastPart(UpperText(record)));
  }
  // Folder entries are announced too; every file is among the names.
  for (const std::string& file : files) {
    EXPECT_EQ(1u, opened.count(file)) << file;
    EXPECT_EQ(1u, closed.count(file)) << file;
  }
  testutil::RemoveTree(root);
}

// ---- names stored in UTF-8 (general-purpose flag bit 11) ------------------------------------
// python's zipfile and 7z store non-ASCII names in UTF-8 and say so with bit 11; the engine holds
// them in the OEM code page like every other name. The archives and what the peers read of them
// are codepage_fixtures.sh's.

// Each name the peers read (UTF-8, '/') and its form in the engine, as the interface gives it
// (ANSI, '\'): upper case by the rules of the OEM code page. Code page 437 has no capital of 'ï',
// so that letter stays as it is, as in every name the engine holds; 'ß' has no capital.
struct HeldName {
  const char* peer;
  const char* held;
};
// clang-format off
const HeldName kHeldNames[] = {
    {"caf\xC3\xA9.txt", "CAF\xC9.TXT"},
    {"\xC3\x9Cn\xC3\xAF" "c\xC3\xB6" "d\xC3\xA9/", "\xDCN\xEF" "C\xD6" "D\xC9\\"},
    {"\xC3\x9Cn\xC3\xAF" "c\xC3\xB6" "d\xC3\xA9/na\xC3\xAFve.txt",
     "\xDCN\xEF" "C\xD6" "D\xC9\\NA\xEFVE.TXT"},
    {"stra\xC3\x9F" "e.txt", "STRA\xDF" "E.TXT"},
    {"se\xC3\xB1or \xC3\xB1.txt", "SE\xD1OR \xD1.TXT"},
    {"plain.txt", "PLAIN.TXT"},
};
// clang-format on
const char* const kNameArchives[] = {"utf8_python", "utf8_7z", "cp437_names"};

std::string HeldNameOf(const std::string& peer) {
  for (const HeldName& name : kHeldNames) {
    if (peer == name.peer) return name.held;
  }
  ADD_FAILURE() << "no held form for the peer's name " << peer;
  return "<unknown>";
}

// A name the peers read as a user types it: ANSI, '\' between folders.
std::string AnsiPath(const std::string& utf8) {
  std::string ansi = AnsiFromUtf8(utf8);
  std::replace(ansi.begin(), ansi.end(), '/', '\\');
  return ansi;
}

// The names python's zipfile read from an archive of the fixtures (UTF-8, archive order).
std::vector<std::string> PeerNames(const std::string& stem) {
  std::vector<std::string> names;
  for (const std::string& line : Lines(testutil::FileText(FixtureDir() + stem + ".names"))) {
    if (!line.empty()) names.push_back(line);
  }
  return names;
}

// Every file below root: its path below root (ANSI, exactly as found) -> contents.
void FilesBelow(const std::string& root, const std::string& relative,
                std::map<std::string, std::string>* files) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((root + relative + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      FilesBelow(root, relative + name + "\\", files);
    } else {
      (*files)[relative + name] = testutil::FileText(root + relative + name);
    }
  } while (FindNextFileA(find, &data));
  FindClose(find);
}

std::map<std::string, std::string> FilesBelow(const std::string& root) {
  std::map<std::string, std::string> files;
  FilesBelow(root, "", &files);
  return files;
}

// The same with each path in upper case by Unicode's rules (what unzip wrote keeps its case).
std::map<std::wstring, std::string> UpperFilesBelow(const std::string& root) {
  std::map<std::wstring, std::string> upper;
  for (const auto& [path, contents] : FilesBelow(root)) {
    std::wstring wide(path.size() + 1, L'\0');
    wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(),
                                                        static_cast<int>(wide.size())) -
                                    1));
    CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
    upper[wide] = contents;
  }
  return upper;
}

class Utf8Names : public CodePageControl {
 protected:
  void SetUp() override {
    if (!controltest::CanCreateWindows()) GTEST_SKIP() << "no display: run under xvfb-run";
    CodePageControl::SetUp();
  }

  // The items of the archive as the item list gives them: folder and name, in directory order.
  std::vector<std::string> Listed(const std::string& archive, bool listView) {
    itemlisttest::ListHost lists;
    HWND list = listView ? lists.listView() : lists.listBox();
    controltest::DispatchArgs build;
    build.Text(archive).Long(itemlisttest::Handle(list)).Bool(listView).Text("").Bool(false);
    build.Short(7).Bool(false);
    EXPECT_EQ(0, calls_.Short(L"BuildZIPITEMList", build)) << archive;
    const int count =
        listView ? itemlisttest::ListViewCount(list) : itemlisttest::ListBoxCount(list);
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
      Args item;
      item.Long(itemlisttest::Handle(list)).Short(static_cast<short>(i)).Bool(listView);
      std::string name = calls_.Text(L"GetZIPITEMName", item);
      if (name == " ") name.clear();  // a folder entry's record in a list view
      names.push_back(calls_.Text(L"GetZIPITEMDir", item) + name);
    }
    if (listView) calls_.Void(L"DestroyZIPITEMLParam", Args().Long(itemlisttest::Handle(list)));
    return names;
  }

  short Unzip(const std::string& archive, const std::string& mask, const std::string& folder,
              bool rebuildFolders) {
    return calls_.Short(L"UnzipFiles", Args()
                                           .Text(archive)
                                           .Text(mask)
                                           .Text(folder)
                                           .Bool(rebuildFolders)
                                           .Bool(false)
                                           .Short(1)
                                           .Text("")
                                           .Bool(false)
                                           .Bool(false));
  }

  static std::string WorkFolder(const std::string& name) {
    const std::string folder = CodepageFolder() + "utf8\\" + name + "\\";
    testutil::RemoveTree(folder);
    CreateDirectoryA((CodepageFolder() + "utf8").c_str(), nullptr);
    EXPECT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
    return folder;
  }
};

TEST_F(Utf8Names, ListAsTheEngineHoldsEveryName) {
  for (const char* stem : kNameArchives) {
    SCOPED_TRACE(stem);
    const std::string archive = FixtureDir() + stem + ".zip";
    const std::vector<std::string> peer = PeerNames(stem);
    ASSERT_GE(peer.size(), 5u) << "the fixtures were not made";
    std::vector<std::string> held;
    for (const std::string& name : peer) {
      held.push_back(HeldNameOf(name));
      // The peers' name and the engine's are the same name, but for case.
      const std::string ansi = AnsiPath(name);
      EXPECT_EQ(CSTR_EQUAL, CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, ansi.c_str(), -1,
                                           held.back().c_str(), -1))
          << ansi << " / " << held.back();
    }
    EXPECT_EQ(held, Listed(archive, true));
    EXPECT_EQ(held, Listed(archive, false));
    EXPECT_EQ(static_cast<short>(peer.size()),
              calls_.Short(L"GetCount", Args().Text(archive).Bool(false)));
    // Each entry is found by its name as a user types it, and by a mask.
    for (const std::string& name : peer) {
      const std::string ansi = AnsiPath(name);
      EXPECT_TRUE(calls_.Bool(L"IsFileInTheZIPFile", Args().Text(archive).Text(ansi).Bool(false)))
          << ansi;
    }
    EXPECT_TRUE(calls_.Bool(L"IsFileInTheZIPFile",
                            Args().Text(archive).Text(AnsiFromUtf8("*\xC3\xB1.TXT")).Bool(false)));
    EXPECT_FALSE(
        calls_.Bool(L"IsFileInTheZIPFile",
                    Args().Text(archive).Text(AnsiFromUtf8("caf\xC3\xA8.txt")).Bool(false)));
    // The slow test decodes every entry under its name.
    EXPECT_EQ(
        0, calls_.Short(L"IsZIPFileSlow", Args().Text(archive).Text("").Bool(false).Bool(false)));
  }
}

TEST_F(Utf8Names, ExtractUnderTheNamesTheEngineHolds) {
  std::vector<std::string> heldFiles;
  for (const HeldName& name : kHeldNames) {
    if (std::string(name.held).back() != '\\') heldFiles.push_back(name.held);
  }
  std::sort(heldFiles.begin(), heldFiles.end());
  const std::string naive = AnsiPath(kHeldNames[2].peer);
  for (const char* stem : kNameArchives) {
    SCOPED_TRACE(stem);
    const std::string archive = FixtureDir() + stem + ".zip";
    const std::string folder = WorkFolder(std::string("tree_") + stem);
    ASSERT_EQ(0, Unzip(archive, "*.*", folder, true));
    // What unzip -d (python for the CP437 archive) made, but for case.
    const auto expected = UpperFilesBelow(FixtureDir() + stem + ".d\\");
    ASSERT_EQ(5u, expected.size());
    EXPECT_EQ(expected, UpperFilesBelow(folder));
    // The names on disk are the engine's, exactly.
    std::vector<std::string> written;
    for (const auto& [path, contents] : FilesBelow(folder)) written.push_back(path);
    EXPECT_EQ(heldFiles, written);
    // One entry by its name, without its folder.
    const std::string one = WorkFolder(std::string("one_") + stem);
    ASSERT_EQ(0, Unzip(archive, naive, one, false));
    const auto single = FilesBelow(one);
    ASSERT_EQ(1u, single.size());
    EXPECT_EQ("NA\xEFVE.TXT", single.begin()->first);
    EXPECT_EQ(testutil::FileText(FixtureDir() + stem + ".d\\" + naive), single.begin()->second);
  }
}

TEST_F(Utf8Names, AnEntryCommentStoredInUtf8ReadsBackAsItsText) {
  const std::string archive = FixtureDir() + "utf8_python.zip";
  const std::string comment = AnsiFromUtf8(testutil::FileText(FixtureDir() + "comment_utf8.txt"));
  ASSERT_EQ(11u, comment.size());
  const std::string entry = AnsiFromUtf8("caf\xC3\xA9.txt");
  EXPECT_EQ(comment, calls_.Text(L"GetLocalComment",
                                 Args().Text(archive).Text(entry).Short(200).Bool(false)));
  // The size is that of the text given, not of the 14 bytes stored.
  EXPECT_EQ(11, calls_.Short(L"GetLocalCommentSize", Args().Text(archive).Text(entry).Bool(false)));
}

TEST_F(Utf8Names, CharactersTheOemCodePageLacksBecomeUnderscoresAndOtherBytesStayOem) {
  const struct {
    const char* stem;
    std::vector<std::string> names;
  } cases[] = {
      // No look-alike letter: '_' for the 'a' with a macron too, one for a character beyond U+FFFF.
      {"utf8_lacking", {"_URO.TXT", "_1.TXT", "_2.TXT"}},
      // Flag bit 11 on bytes that are not UTF-8: read as OEM, as without the flag.
      {"utf8_invalid", {"CAF\xC9.TXT", "PLAIN.TXT"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stem);
    const std::string archive = FixtureDir() + c.stem + ".zip";
    EXPECT_EQ(c.names, Listed(archive, true));
    const std::string folder = WorkFolder(c.stem);
    ASSERT_EQ(0, Unzip(archive, "*.*", folder, true));
    std::vector<std::string> written;
    for (const auto& [path, contents] : FilesBelow(folder)) written.push_back(path);
    std::vector<std::string> sorted = c.names;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, written);
  }
}

TEST_F(Utf8Names, RewritesKeepTheStoredNamesAndTheirFlag) {
  const std::string folder = WorkFolder("rewrite");
  const std::string archive = folder + "names.zip";
  ASSERT_TRUE(CopyFileA((FixtureDir() + "utf8_python.zip").c_str(), archive.c_str(), FALSE));
  const std::string note =
      "a\xC3\xB1o \xC3\xBC"
      "ber";  // UTF-8
  const std::string senor = AnsiPath(kHeldNames[4].peer);
  EXPECT_EQ(0, calls_.Short(L"DeleteWithMask",
                            Args().Text(archive).Text(AnsiPath(kHeldNames[3].peer)).Bool(false)));
  EXPECT_EQ(0, calls_.Short(L"SetLocalComment",
                            Args().Text(archive).Text(senor).Text(AnsiFromUtf8(note)).Bool(false)));
  EXPECT_EQ(
      AnsiFromUtf8(note),
      calls_.Text(L"GetLocalComment", Args().Text(archive).Text(senor).Short(200).Bool(false)));
  // A file added now gets its name in OEM, without the flag.
  const std::string added = folder + "\xC4RGER.TXT";
  ASSERT_TRUE(testutil::WriteWholeFile(added, std::string("added\r\n")));
  Args add;
  add.Text(archive).Text(added).Bool(false).Short(0).Short(0).Short(0).Bool(false).Bool(false);
  EXPECT_EQ(0, calls_.Short(L"ZipFiles", add.Text("").Bool(false)));
  {  // An entry deleted by its item in a list: the list holds the name the engine holds.
    itemlisttest::ListHost lists;
    const long list = itemlisttest::Handle(lists.listBox());
    ASSERT_EQ(
        0,
        calls_.Short(
            L"BuildZIPITEMList",
            Args().Text(archive).Long(list).Bool(false).Text("").Bool(false).Short(7).Bool(false)));
    ASSERT_EQ(5, itemlisttest::ListBoxCount(lists.listBox()));
    Args item;
    item.Long(list).Short(1).Bool(false);
    ASSERT_EQ(kHeldNames[2].held,
              calls_.Text(L"GetZIPITEMDir", item) + calls_.Text(L"GetZIPITEMName", item));
    SendMessageA(lists.listBox(), LB_SETSEL, TRUE, 1);
    EXPECT_EQ(0, calls_.Short(L"DeleteWithSelection",
                              Args().Text(archive).Long(list).Long(list).Bool(false).Bool(false)));
  }
  // python's zipfile: the names as stored, flag bit 11 where it was, each comment in the text
  // form its flag says, every entry's data intact.
  const std::string output =
      RunPeer(folder, "python3 - " + UnixPath(archive) +
                          " <<'PY'\n"
                          "import sys, zipfile\n"
                          "with zipfile.ZipFile(sys.argv[1]) as z:\n"
                          "    assert z.testzip() is None\n"
                          "    for i in z.infolist():\n"
                          "        utf8 = i.flag_bits & 0x800\n"
                          "        text = i.comment.decode('utf-8' if utf8 else 'cp437')\n"
                          "        print('%d|%s|%s' % (bool(utf8), i.filename, text))\n"
                          "print('PEER-OK')\n"
                          "PY\n");
  const std::string comment = testutil::FileText(FixtureDir() + "comment_utf8.txt");
  EXPECT_EQ(std::vector<std::string>({"1|" + std::string(kHeldNames[0].peer) + "|" + comment,
                                      "1|" + std::string(kHeldNames[4].peer) + "|" + note,
                                      "0|plain.txt|", "0|\xC3\x84RGER.TXT|", "PEER-OK"}),
            Lines(output));
}

}  // namespace
