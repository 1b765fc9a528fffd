// The reading methods of the registered control, called by name through IDispatch as hosts call
// them, on archives made by zip, 7z and python's zipfile; the expected values are what python's
// zipfile and the raw end records say (control_fixtures.sh writes them into manifests). Then the
// steps of the call pattern on a control linked into this program, and a VBScript under cscript.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "control_test_support.h"
#include "reading/czunzip.h"
#include "reading/czunzip_test_access.h"
#include "dispatch_members.h"
#include "engine_objects.h"
#include "base/engine_state.h"
#include "process_state.h"
#include "qx30w32_guids.h"
#include "zctrl.h"

namespace {

using controltest::Ptr;

std::string FixtureDir() { return testutil::BinaryDir() + "control\\fixtures\\control\\"; }

using Args = controltest::DispatchArgs;

// A call's result; owns it.
struct Result {
  Result() { VariantInit(&value); }
  ~Result() { VariantClear(&value); }
  Result(const Result&) = delete;
  Result& operator=(const Result&) = delete;
  VARIANT value;
  HRESULT hr = E_FAIL;

  std::string Text() const {
    if (V_VT(&value) != VT_BSTR || V_BSTR(&value) == nullptr) return "<not a text>";
    const int length = static_cast<int>(SysStringLen(V_BSTR(&value)));
    std::string ansi(static_cast<size_t>(length) * 2 + 1, '\0');
    const int got = WideCharToMultiByte(CP_ACP, 0, V_BSTR(&value), length, ansi.data(),
                                        static_cast<int>(ansi.size()), nullptr, nullptr);
    ansi.resize(static_cast<size_t>(got));
    return ansi;
  }
};

// Invokes a member of an IDispatch by DISPID.
HRESULT InvokeById(IDispatch* object, DISPID id, const Args& args, Result* result) {
  std::vector<VARIANT> reversed = args.Reversed();
  DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr,
                       static_cast<UINT>(reversed.size()), 0};
  VariantClear(&result->value);
  result->hr =
      object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                     &params, &result->value, nullptr, nullptr);
  return result->hr;
}

// The registered control, reached as a script host reaches it: names through GetIDsOfNames.
class ReaderMethods : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, CoCreateInstance(qx30w32::kControlClassId, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IDispatch, control_.OutVoid()));
  }

  void Call(const wchar_t* name, const Args& args, Result* result) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    ASSERT_EQ(S_OK, control_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)) << name;
    ASSERT_EQ(S_OK, InvokeById(control_.get(), id, args, result)) << name;
  }
  short Short(const wchar_t* name, const Args& args) {
    Result r;
    Call(name, args, &r);
    EXPECT_EQ(VT_I2, V_VT(&r.value)) << name;
    return V_I2(&r.value);
  }
  double Double(const wchar_t* name, const Args& args) {
    Result r;
    Call(name, args, &r);
    EXPECT_EQ(VT_R8, V_VT(&r.value)) << name;
    return V_R8(&r.value);
  }
  bool Bool(const wchar_t* name, const Args& args) {
    Result r;
    Call(name, args, &r);
    EXPECT_EQ(VT_BOOL, V_VT(&r.value)) << name;
    return V_BOOL(&r.value) != VARIANT_FALSE;
  }
  std::string Text(const wchar_t* name, const Args& args) {
    Result r;
    Call(name, args, &r);
    EXPECT_EQ(VT_BSTR, V_VT(&r.value)) << name;
    return r.Text();
  }

  Ptr<IDispatch> control_;
};

TEST_F(ReaderMethods, QueriesAgreeWithThePeers) {
  const auto rows = testutil::ReadManifest(FixtureDir() + "archives.txt");
  ASSERT_GE(rows.size(), 13u) << "the fixtures were not made";
  for (const auto& row : rows) {
    ASSERT_EQ(10u, row.size());
    const std::string archive = FixtureDir() + row[0];
    for (bool background : {false, true}) {
      SCOPED_TRACE(row[0] + (background ? " in the background" : " in the foreground"));
      EXPECT_EQ(std::stoi(row[1]), Short(L"GetCount", Args().Text(archive).Bool(background)));
      EXPECT_EQ(std::stoi(row[9]), Short(L"IsZIPFileQuick", Args().Text(archive).Bool(background)));
      const bool readable = std::stoi(row[1]) >= 0;
      // The KB totals arrive as doubles; an unreadable archive gives 0.
      EXPECT_EQ(readable ? std::stod(row[2]) : 0.0,
                Double(L"GetTotalSize", Args().Text(archive).Bool(true).Bool(background)));
      EXPECT_EQ(readable ? std::stod(row[3]) : 0.0,
                Double(L"GetTotalSize", Args().Text(archive).Bool(false).Bool(background)));
      // The comment length travels as a 16-bit signed value: 65,535 arrives as -1.
      EXPECT_EQ(static_cast<short>(std::stoi(row[4])),
                Short(L"GetGlobalCommentSize", Args().Text(archive).Bool(background)));
      EXPECT_EQ(std::stoi(row[5]),
                Short(L"GetZIPINFOMadeUnder", Args().Text(archive).Bool(background)));
      EXPECT_EQ(std::stoi(row[6]),
                Short(L"GetZIPINFOVersionMajor", Args().Text(archive).Bool(background)));
      EXPECT_EQ(std::stoi(row[7]),
                Short(L"GetZIPINFOVersionMinor", Args().Text(archive).Bool(background)));
      EXPECT_EQ(std::stoi(row[8]),
                Short(L"GetZIPINFODiskID", Args().Text(archive).Bool(background)));
    }
  }
}

TEST_F(ReaderMethods, AMissingArchiveGivesTheFailureValues) {
  const std::string missing = FixtureDir() + "no_such_archive.zip";
  EXPECT_EQ(-1, Short(L"GetCount", Args().Text(missing).Bool(false)));
  EXPECT_EQ(2, Short(L"IsZIPFileQuick", Args().Text(missing).Bool(false)));
  EXPECT_EQ(0.0, Double(L"GetTotalSize", Args().Text(missing).Bool(true).Bool(false)));
  EXPECT_EQ(9, Short(L"GetZIPINFOMadeUnder", Args().Text(missing).Bool(false)));
  EXPECT_EQ(0, Short(L"GetGlobalCommentSize", Args().Text(missing).Bool(false)));
  EXPECT_EQ("", Text(L"GetGlobalComment", Args().Text(missing).Short(100).Bool(false)));
  EXPECT_EQ(-1, Short(L"GetLocalCommentSize", Args().Text(missing).Text("A.TXT").Bool(false)));
  EXPECT_FALSE(Bool(L"IsFileInTheZIPFile", Args().Text(missing).Text("*.*").Bool(false)));
}

TEST_F(ReaderMethods, GlobalCommentIsCutToTheSmallerOfItsSizeAndTheLimit) {
  struct Case {
    const char* archive;
    short maxLength;
  };
  // 0 reads nothing; a negative limit is no limit; the text never passes 24,576 characters.
  const Case cases[] = {
      {"zip_deflated.zip", 0},
      {"zip_deflated.zip", -1},
      {"zip_deflated.zip", 4},
      {"zip_deflated.zip", 32767},
      {"python_stored.zip", 16},
      {"python_stored.zip", -32768},
      {"python_comments.zip", 0},
      {"python_comments.zip", -1},
      {"python_comments.zip", 1000},
      {"python_comments.zip", 32767},
      {"stub_plain.zip", 10},
      {"damaged_directory.zip", 100},
      {"empty.zip", 50},
      {"hundred.zip", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.archive) + " limit " + std::to_string(c.maxLength));
    const std::string expected = testutil::FileText(FixtureDir() + c.archive + ".global");
    const size_t limit = c.maxLength < 0 ? expected.size() : static_cast<size_t>(c.maxLength);
    const size_t kept = std::min({expected.size(), limit, size_t{24576}});
    for (bool background : {false, true}) {
      const std::string got =
          Text(L"GetGlobalComment",
               Args().Text(FixtureDir() + c.archive).Short(c.maxLength).Bool(background));
      EXPECT_EQ(kept, got.size());
      EXPECT_EQ(expected.substr(0, kept), got);
    }
  }
}

TEST_F(ReaderMethods, LocalCommentsAgreeWithThePeers) {
  const auto rows = testutil::ReadManifest(FixtureDir() + "local.txt");
  ASSERT_GE(rows.size(), 100u);
  int withComment = 0;
  for (const auto& row : rows) {
    ASSERT_EQ(4u, row.size());
    if (row[0] != "python_comments.zip" && row[0] != "zip_deflated.zip" &&
        row[0] != "sevenzip_stored.zip") {
      continue;  // the others bring nothing new
    }
    SCOPED_TRACE(row[0] + " " + row[2]);
    const std::string archive = FixtureDir() + row[0];
    const std::string expected =
        testutil::FileText(FixtureDir() + row[0] + "." + row[1] + ".local");
    EXPECT_EQ(std::stoi(row[3]),
              Short(L"GetLocalCommentSize", Args().Text(archive).Text(row[2]).Bool(false)));
    EXPECT_EQ(expected,
              Text(L"GetLocalComment", Args().Text(archive).Text(row[2]).Short(32767).Bool(true)));
    if (expected.empty()) continue;
    ++withComment;
    EXPECT_EQ(expected.substr(0, 7),
              Text(L"GetLocalComment", Args().Text(archive).Text(row[2]).Short(7).Bool(false)));
    // A limit that is not positive gives "" for the entry comment.
    EXPECT_EQ("", Text(L"GetLocalComment", Args().Text(archive).Text(row[2]).Short(0).Bool(false)));
    EXPECT_EQ("",
              Text(L"GetLocalComment", Args().Text(archive).Text(row[2]).Short(-1).Bool(false)));
  }
  EXPECT_EQ(2, withComment);
  // Entry names are matched whole, in any case; a name that is not there gives -1 and "".
  const std::string archive = FixtureDir() + "python_comments.zip";
  EXPECT_EQ(
      20, Short(L"GetLocalCommentSize", Args().Text(archive).Text("docs\\noted.TXT").Bool(false)));
  EXPECT_EQ(-1, Short(L"GetLocalCommentSize", Args().Text(archive).Text("noted.txt").Bool(false)));
  EXPECT_EQ("",
            Text(L"GetLocalComment", Args().Text(archive).Text("noted.txt").Short(99).Bool(false)));
}

TEST_F(ReaderMethods, NameTests) {
  struct FilterCase {
    const char* name;
    const char* pattern;
    bool match;
  };
  const FilterCase filters[] = {
      {"DOCS\\README.TXT", "*.TXT", true},
      {"DOCS\\README.TXT", "SRC\\*.TXT", false},
      {"docs/readme.txt", "DOCS\\*.TXT", true},
      {"README", "README.", true},
      {"A.TXT", "*.*", true},
      {"A.TXT", "B.TXT", false},
      {"A.TXT", "?.TXT", true},
      {"AB.TXT", "?.TXT", false},
  };
  for (const FilterCase& c : filters) {
    EXPECT_EQ(c.match, Bool(L"IsFileNameInFilter", Args().Text(c.name).Text(c.pattern)))
        << c.name << " / " << c.pattern;
  }
  struct EntryCase {
    const char* archive;
    const char* mask;
    bool found;
  };
  const EntryCase entries[] = {
      {"zip_deflated.zip", "readme.txt", true},
      {"zip_deflated.zip", "DOCS\\DEEP\\*.TXT", true},
      {"zip_deflated.zip", "src\\*.c", true},
      {"zip_deflated.zip", "src\\*.txt", false},
      {"sevenzip_stored.zip", "RANDOM.BIN", true},
      {"hundred.zip", "F100.TXT", true},
      {"hundred.zip", "F101.TXT", false},
      {"stub_plain.zip", "notes.txt", true},
      {"empty.zip", "*.*", false},
      {"damaged_directory.zip", "*.*", false},
  };
  for (const EntryCase& c : entries) {
    for (bool background : {false, true}) {
      EXPECT_EQ(c.found, Bool(L"IsFileInTheZIPFile",
                              Args().Text(FixtureDir() + c.archive).Text(c.mask).Bool(background)))
          << c.archive << " / " << c.mask;
    }
  }
}

TEST_F(ReaderMethods, NullStringArgumentsCountAsEmpty) {
  const std::string archive = FixtureDir() + "python_comments.zip";
  EXPECT_EQ(-1, Short(L"GetCount", Args().NullText().Bool(false)));
  EXPECT_EQ(2, Short(L"IsZIPFileQuick", Args().NullText().Bool(true)));
  EXPECT_EQ("", Text(L"GetGlobalComment", Args().NullText().Short(-1).Bool(false)));
  EXPECT_EQ(0, Short(L"GetGlobalCommentSize", Args().NullText().Bool(false)));
  EXPECT_EQ(0.0, Double(L"GetTotalSize", Args().NullText().Bool(true).Bool(false)));
  // An empty entry name is in no archive; an empty mask matches no entry.
  EXPECT_EQ(-1, Short(L"GetLocalCommentSize", Args().Text(archive).NullText().Bool(false)));
  EXPECT_EQ("", Text(L"GetLocalComment", Args().Text(archive).NullText().Short(99).Bool(false)));
  EXPECT_FALSE(Bool(L"IsFileInTheZIPFile", Args().Text(archive).NullText().Bool(false)));
  // "*.*" matches every name, the empty one too; an empty pattern matches nothing.
  EXPECT_TRUE(Bool(L"IsFileNameInFilter", Args().NullText().Text("*.*")));
  EXPECT_FALSE(Bool(L"IsFileNameInFilter", Args().Text("A.TXT").NullText()));
}

TEST_F(ReaderMethods, ReplaceFlagAndCancel) {
  // No extraction yet: neither Always nor Never was answered.
  EXPECT_EQ(2, Short(L"UnzipGetReplaceFlag", Args()));
  Result r;
  Call(L"UnzipCancel", Args().Bool(true), &r);
  EXPECT_EQ(VT_EMPTY, V_VT(&r.value));
  // The next query clears the cancel flag before it works.
  EXPECT_EQ(100, Short(L"GetCount", Args().Text(FixtureDir() + "hundred.zip").Bool(true)));
}

// ---- extraction through the interface -------------------------------------------------------

TEST_F(ReaderMethods, UnzipFilesGivesWhatThePeerExtracts) {
  const auto rows = testutil::ReadManifest(FixtureDir() + "extract.txt");
  ASSERT_GE(rows.size(), 130u);
  std::vector<std::string> archives;
  for (const auto& row : rows) {
    if (std::find(archives.begin(), archives.end(), row[0]) == archives.end()) {
      archives.push_back(row[0]);
    }
  }
  for (const std::string& archive : archives) {
    SCOPED_TRACE(archive);
    testutil::TempFolder destination;
    EXPECT_EQ(0, Short(L"UnzipFiles",
                       controltest::UnzipAllArgs(FixtureDir() + archive, destination.path())));
    for (const auto& row : rows) {
      if (row[0] != archive) continue;
      const std::vector<uint8_t> got = testutil::FileBytes(destination / row[1]);
      EXPECT_EQ(static_cast<size_t>(std::stoul(row[2])), got.size()) << row[1];
      EXPECT_TRUE(got == testutil::FileBytes(FixtureDir() + "expected\\" + archive + "\\" + row[1]))
          << row[1];
    }
  }
}

TEST_F(ReaderMethods, UnzipToFileAndTheFullTest) {
  testutil::TempFolder destination;
  const std::string target = destination / "copy.txt";
  EXPECT_EQ(0, Short(L"UnzipToFile", Args()
                                         .Text(FixtureDir() + "zip_deflated.zip")
                                         .Text("DOCS\\README.TXT")  // no wildcard: the whole name
                                         .Text(target)
                                         .Bool(false)
                                         .Text("")
                                         .Bool(false)
                                         .Bool(false)));
  EXPECT_TRUE(testutil::FileBytes(target) ==
              testutil::FileBytes(FixtureDir() + "expected\\zip_deflated.zip\\docs\\readme.txt"));
  struct Case {
    const char* archive;
    short result;
  };
  // Valid; valid behind a program (17); a broken directory (5); no archive at all (6).
  const Case cases[] = {{"zip_deflated.zip", 0},      {"sevenzip_stored.zip", 0},
                        {"python_comments.zip", 0},   {"stub_plain.zip", 17},
                        {"damaged_directory.zip", 5}, {"no_such_archive.zip", 6}};
  for (const Case& c : cases) {
    for (bool background : {false, true}) {
      EXPECT_EQ(c.result,
                Short(L"IsZIPFileSlow",
                      Args().Text(FixtureDir() + c.archive).Text("").Bool(false).Bool(background)))
          << c.archive;
    }
  }
}

// The steps of the call pattern, seen on a control linked into this program (its engine state is
// this program's). No type library here: the calls go by DISPID.
class CallPattern : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, CZCtrl::Create(IID_IDispatch, object_.OutVoid()));
    control_ = static_cast<CZCtrl*>(static_cast<activex::ActiveXControl*>(object_.get()));
    ASSERT_NE(nullptr, control_->reader()) << "the reader engine was not made";
  }
  Result& Call(DISPID id, const Args& args) {
    EXPECT_EQ(S_OK, InvokeById(object_.get(), id, args, &result_)) << id;
    return result_;
  }
  CZUnzip& reader() { return *control_->reader(); }

  Ptr<IDispatch> object_;
  CZCtrl* control_ = nullptr;
  Result result_;
};

TEST_F(CallPattern, ForegroundFlagFollowsTheBackgroundArgument) {
  const std::string archive = FixtureDir() + "zip_deflated.zip";
  struct Case {
    DISPID id;
    int backgroundIndex;  // position of bBackGroundProcessing
  };
  // GetCount, GetTotalSize, IsFileInTheZIPFile, IsZIPFileQuick, GetZIPINFO*.
  const Case cases[] = {{39, 1}, {40, 2}, {41, 2}, {47, 1}, {34, 1}, {35, 1}, {59, 1}, {60, 1}};
  for (const Case& c : cases) {
    for (bool background : {true, false}) {
      Args args;
      args.Text(archive);
      if (c.backgroundIndex == 2) args.Text("*.*");
      args.Bool(background);
      if (c.id == 40) {  // GetTotalSize(szZipName, bOriginalSize, bBackGroundProcessing)
        Args sized;
        sized.Text(archive).Bool(true).Bool(background);
        Call(c.id, sized);
      } else {
        Call(c.id, args);
      }
      EXPECT_EQ(background ? FALSE : TRUE, IsForegroundProcessing()) << c.id;
    }
  }
}

TEST_F(CallPattern, GlobalCommentSetsTheForegroundFlagOnlyWhenItReadsTheComment) {
  const std::string archive = FixtureDir() + "zip_deflated.zip";
  SetForegroundProcessing(TRUE);
  EXPECT_EQ("", Call(36, Args().Text(archive).Short(0).Bool(true)).Text());
  EXPECT_EQ(TRUE, IsForegroundProcessing());  // nothing read, flag untouched
  EXPECT_EQ("made", Call(36, Args().Text(archive).Short(4).Bool(true)).Text());
  EXPECT_EQ(FALSE, IsForegroundProcessing());
  // GetLocalComment likewise, after its size.
  const std::string noted = FixtureDir() + "python_comments.zip";
  EXPECT_EQ("", Call(38, Args().Text(noted).Text("DOCS\\NOTED.TXT").Short(0).Bool(false)).Text());
  EXPECT_EQ(FALSE, IsForegroundProcessing());
  EXPECT_EQ("a no",
            Call(38, Args().Text(noted).Text("DOCS\\NOTED.TXT").Short(4).Bool(false)).Text());
  EXPECT_EQ(TRUE, IsForegroundProcessing());
}

TEST_F(CallPattern, CancelWindowAndPasswordSteps) {
  const std::string archive = FixtureDir() + "zip_deflated.zip";
  // U: the cancel flag set by UnzipCancel is cleared by the next query.
  Call(45, Args().Bool(true));
  EXPECT_TRUE(CZUnzipTestAccess::Cancel(reader()));
  Call(39, Args().Text(archive).Bool(false));
  EXPECT_FALSE(CZUnzipTestAccess::Cancel(reader()));
  // W: a control without a window (as a script host makes it) notifies no one, also when asked
  // to process in the background.
  ASSERT_EQ(nullptr, control_->window());
  Call(39, Args().Text(archive).Bool(true));
  EXPECT_EQ(nullptr, CZUnzipTestAccess::NotifyWindow(reader()));
  // P0: IsZIPFileQuick and GetLocalCommentSize ask no password and forget the last answer.
  for (DISPID id : {47, 61}) {
    CZUnzipTestAccess::AskPassword(reader()) = TRUE;
    CZUnzipTestAccess::LastPasswordAnswer(reader()) = 2;
    if (id == 47) {
      EXPECT_EQ(0, V_I2(&Call(id, Args().Text(archive).Bool(false)).value));
    } else {
      EXPECT_EQ(0, V_I2(&Call(id, Args().Text(archive).Text("A.TXT").Bool(false)).value));
    }
    EXPECT_EQ(-1, CZUnzipTestAccess::LastPasswordAnswer(reader())) << id;
    // The ask flag itself is back to 1 once the operation has reset the reader.
    EXPECT_TRUE(CZUnzipTestAccess::AskPassword(reader())) << id;
  }
}

TEST_F(CallPattern, ExtractionRecordsTheControlTheFlagsAndThePassword) {
  testutil::TempFolder destination;
  SetCurrentModalBracket(nullptr);
  CZUnzipTestAccess::LastPasswordAnswer(reader()) = 2;
  // UnzipFiles with bEraseReadOnlyFiles TRUE and a password; in the background.
  EXPECT_EQ(0, V_I2(&Call(63, Args()
                                  .Text(FixtureDir() + "python_stored.zip")
                                  .Text("ONE.TXT")
                                  .Text(destination.path())
                                  .Bool(true)
                                  .Bool(true)
                                  .Short(1)
                                  .Text("secret")
                                  .Bool(false)
                                  .Bool(true))
                         .value));
  EXPECT_EQ(static_cast<ModalBracket*>(control_), CurrentModalBracket());  // M
  EXPECT_TRUE(CZUnzipTestAccess::EraseReadOnly(reader()));                 // E
  EXPECT_STREQ("secret", reader().Password());                             // P
  EXPECT_EQ(FALSE, IsForegroundProcessing());                              // F
  EXPECT_EQ(nullptr, CZUnzipTestAccess::NotifyWindow(reader()));           // W without a window
  // UnzipToFile clears the erase flag when told so; IsZIPFileSlow takes a new password.
  EXPECT_EQ(0, V_I2(&Call(46, Args()
                                  .Text(FixtureDir() + "python_stored.zip")
                                  .Text("one.txt")
                                  .Text(destination / "single.txt")
                                  .Bool(false)
                                  .Text("")
                                  .Bool(false)
                                  .Bool(false))
                         .value));
  EXPECT_FALSE(CZUnzipTestAccess::EraseReadOnly(reader()));
  EXPECT_EQ(TRUE, IsForegroundProcessing());
  EXPECT_EQ(0, V_I2(&Call(48, Args()
                                  .Text(FixtureDir() + "python_stored.zip")
                                  .Text("other")
                                  .Bool(false)
                                  .Bool(false))
                         .value));
  EXPECT_STREQ("other", reader().Password());
  SetCurrentModalBracket(nullptr);
}

// What a message handler sees when it calls the control while an operation of the same control
// is running (the host's event handlers run in the same way, from the engine's message pump).
struct NestedCalls {
  IDispatch* control = nullptr;
  std::string archive;
  bool ran = false;
  short count = 0;
  short quick = 0;
  short slow = 0;
  std::string comment = "<not called>";
  bool filter = true;
  short bufferSize = 0;
  VARTYPE cancel = VT_ILLEGAL;
};

LRESULT CALLBACK NestedCallProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_APP) return DefWindowProcA(window, message, wParam, lParam);
  try {
    auto* nested = reinterpret_cast<NestedCalls*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    nested->ran = true;
    Result r;
    InvokeById(nested->control, 39, Args().Text(nested->archive).Bool(false), &r);
    nested->count = V_I2(&r.value);
    InvokeById(nested->control, 47, Args().Text(nested->archive).Bool(false), &r);
    nested->quick = V_I2(&r.value);
    InvokeById(nested->control, 48, Args().Text(nested->archive).Text("").Bool(false).Bool(false),
               &r);
    nested->slow = V_I2(&r.value);
    InvokeById(nested->control, 36, Args().Text(nested->archive).Short(-1).Bool(false), &r);
    nested->comment = r.Text();
    InvokeById(nested->control, 1, Args().Text("A.TXT").Text("*.*"), &r);
    nested->filter = V_BOOL(&r.value) != VARIANT_FALSE;
    // Still allowed: the buffer size and cancelling the running operation.
    InvokeById(nested->control, 3, Args(), &r);
    nested->bufferSize = V_I2(&r.value);
    InvokeById(nested->control, 45, Args().Bool(true), &r);
    nested->cancel = V_VT(&r.value);
  } catch (...) {
  }
  return 0;
}

TEST_F(CallPattern, ASecondOperationFromAMessageHandlerIsRefusedAndCancelGetsThrough) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = NestedCallProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "ReaderNestedCalls";
  RegisterClassA(&windowClass);  // may exist from an earlier run of the case
  // A message-only window: no display needed.
  HWND window = CreateWindowExA(0, "ReaderNestedCalls", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                windowClass.hInstance, nullptr);
  ASSERT_NE(nullptr, window);
  NestedCalls nested;
  nested.control = object_.get();
  nested.archive = FixtureDir() + "zip_deflated.zip";
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&nested));
  ASSERT_TRUE(PostMessageA(window, WM_APP, 0, 0));

  // In the background the comment reader lets the queued message run between its steps.
  const std::string expected = testutil::FileText(FixtureDir() + "zip_deflated.zip.global");
  EXPECT_EQ(expected, Call(36, Args().Text(nested.archive).Short(-1).Bool(true)).Text());
  DestroyWindow(window);
  ASSERT_TRUE(nested.ran);
  EXPECT_EQ(-1, nested.count);  // a count: its failure value
  EXPECT_EQ(18, nested.quick);  // result codes: busy
  EXPECT_EQ(18, nested.slow);
  EXPECT_EQ("", nested.comment);
  EXPECT_FALSE(nested.filter);
  EXPECT_EQ(24576, nested.bufferSize);
  EXPECT_EQ(VT_EMPTY, nested.cancel);
  EXPECT_TRUE(CZUnzipTestAccess::Cancel(reader()));  // the cancel reached the reader
  // Once the operation is over the methods work again (and clear the cancel flag).
  EXPECT_EQ(9, V_I2(&Call(39, Args().Text(nested.archive).Bool(false)).value));
  EXPECT_FALSE(CZUnzipTestAccess::Cancel(reader()));
}

// The texts of a dialog's child windows, joined.
std::string DialogTexts(HWND dialog) {
  std::string texts;
  EnumChildWindows(
      dialog,
      [](HWND child, LPARAM param) CALLBACK -> BOOL {
        char text[512] = {};
        GetWindowTextA(child, text, sizeof text);
        reinterpret_cast<std::string*>(param)->append(text).append("|");
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&texts));
  return texts;
}

// An engine object that could not be made: the control says so in a message box, and every
// method that needs the object gives its failure value without touching anything.
struct MissingEngineCase {
  void (*simulate)(bool on);
  const char* message;
  int requirement;
  int minimumMethods;
};

void CheckMissingEngine(const MissingEngineCase& c) {
  Ptr<IDispatch> object;
  std::string shown;
  {
    // The allocation message is a modal box with the system's error caption; OK closes it.
    testutil::DialogAnswerer watcher("Error", IDOK, [&](HWND box) { shown = DialogTexts(box); });
    c.simulate(true);
    const HRESULT created = CZCtrl::Create(IID_IDispatch, object.OutVoid());
    c.simulate(false);
    ASSERT_EQ(S_OK, created);
  }
  EXPECT_NE(std::string::npos, shown.find(c.message)) << shown;
  auto* control = static_cast<CZCtrl*>(static_cast<activex::ActiveXControl*>(object.get()));
  if (c.requirement == CZCtrl::kNeedsReader) {
    ASSERT_EQ(nullptr, control->reader());
    ASSERT_NE(nullptr, control->writer());
  } else {
    ASSERT_EQ(nullptr, control->writer());
    ASSERT_NE(nullptr, control->reader());
  }
  testutil::TempFolder work;
  const std::string original = FixtureDir() + "zip_deflated.zip";
  const std::string archive = work / "untouched.zip";
  ASSERT_TRUE(CopyFileA(original.c_str(), archive.c_str(), FALSE));
  const std::vector<uint8_t> before = [&] {
    std::vector<uint8_t> data;
    testutil::ReadWholeFile(archive, &data);
    return data;
  }();
  int checked = 0;
  for (const activex::DispatchMember& member : qx30w32::DispatchMembers()) {
    if (!(member.requirement & c.requirement)) continue;
    SCOPED_TRACE(member.name);
    Args args;  // a readable archive and TRUE everywhere: only the missing object can fail
    for (int p = 0; p < member.ParamCount(); ++p) {
      switch (member.params[p].type) {
        case activex::ArgType::kText:
          args.Text(p == 0 ? archive : "*.*");
          break;
        case activex::ArgType::kShort:
          args.Short(1);
          break;
        case activex::ArgType::kBool:
          args.Bool(true);
          break;
        default:
          args.Long(0);
          break;  // list handles: none
      }
    }
    Result r;
    ASSERT_EQ(S_OK, InvokeById(object.get(), member.id, args, &r));
    ++checked;
    switch (member.result) {
      case activex::ArgType::kText:
        EXPECT_EQ("", r.Text());
        break;
      case activex::ArgType::kBool:
        EXPECT_EQ(VARIANT_FALSE, V_BOOL(&r.value));
        break;
      case activex::ArgType::kShort:
        EXPECT_EQ(static_cast<short>(member.failure), V_I2(&r.value));
        break;
      case activex::ArgType::kLong:
        EXPECT_EQ(static_cast<long>(member.failure), V_I4(&r.value));
        break;
      case activex::ArgType::kDouble:
        EXPECT_EQ(member.failure, V_R8(&r.value));
        break;
      case activex::ArgType::kVoid:
        EXPECT_EQ(VT_EMPTY, V_VT(&r.value));
        break;
    }
  }
  EXPECT_GE(checked, c.minimumMethods);
  std::vector<uint8_t> after;
  EXPECT_TRUE(testutil::ReadWholeFile(archive, &after));
  EXPECT_TRUE(before == after);
}

TEST(MissingEngine, TheControlSaysSoAndEveryMethodThatNeedsTheObjectGivesItsFailureValue) {
  if (!controltest::CanCreateWindows()) GTEST_SKIP() << "the message box needs a display";
  const MissingEngineCase cases[] = {
      {qx30w32::SimulateReaderOutOfMemory, "Not enough memory for UNZIP functions",
       CZCtrl::kNeedsReader, 40},
      {qx30w32::SimulateWriterOutOfMemory, "Not enough memory for ZIP functions",
       CZCtrl::kNeedsWriter, 12},
  };
  for (const MissingEngineCase& c : cases) {
    SCOPED_TRACE(c.message);
    CheckMissingEngine(c);
  }
}

using testutil::ProgramRun;
using testutil::RunCaptured;

TEST(ReaderScript, AScriptReadsAnArchiveThroughTheControl) {
  // The script ends with its own code (cscript's own is 0 even after a script error): 0 only
  // when every answer is the expected one.
  testutil::TempFolder folder;
  const std::string script = folder / "read_archive.vbs";
  const std::string archive = FixtureDir() + "zip_deflated.zip";
  const std::string stub = FixtureDir() + "stub_plain.zip";
  ASSERT_TRUE(testutil::WriteWholeFile(
      script,
      "Option Explicit\r\n"
      "Dim qx, count, comment, quick, found\r\n"
      "Set qx = CreateObject(\"QX30W32.QXCtrl.1\")\r\n"
      "count = qx.GetCount(\"" +
          archive +
          "\", False)\r\n"
          "comment = qx.GetGlobalComment(\"" +
          archive +
          "\", 100, True)\r\n"
          "quick = qx.IsZIPFileQuick(\"" +
          stub +
          "\", False)\r\n"
          "found = qx.IsFileInTheZIPFile(\"" +
          archive +
          "\", \"docs\\*.txt\", False)\r\n"
          "WScript.Echo \"GetCount=\" & count\r\n"
          "WScript.Echo \"GetGlobalComment=\" & comment\r\n"
          "WScript.Echo \"IsZIPFileQuick=\" & quick\r\n"
          "WScript.Echo \"IsFileInTheZIPFile=\" & found\r\n"
          "If count = 9 And Left(comment, 4) = \"made\" And quick = 17 And found Then\r\n"
          "  WScript.Quit 0\r\n"
          "End If\r\n"
          "WScript.Quit 4\r\n"));
  const ProgramRun run = RunCaptured("cscript.exe //nologo \"" + script + "\"");
  EXPECT_EQ(0u, run.exitCode) << run.output;
  EXPECT_NE(std::string::npos, run.output.find("GetCount=9")) << run.output;
  EXPECT_NE(
      std::string::npos,
      run.output.find("GetGlobalComment=" +
                      testutil::FileText(FixtureDir() + "zip_deflated.zip.global").substr(0, 27)))
      << run.output;
  EXPECT_NE(std::string::npos, run.output.find("IsZIPFileQuick=17")) << run.output;
  EXPECT_NE(std::string::npos, run.output.find("IsFileInTheZIPFile=True")) << run.output;
}

}  // namespace
