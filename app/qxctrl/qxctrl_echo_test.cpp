// TQXCtrl against the echo control: every method reaches the control by its DISPID as
// DISPATCH_METHOD with its arguments last first, typed and valued as declared (I2 signed, window
// handles as I4, BOOL exactly 1 or 0, BSTRs with non-ASCII text and empty); each result kind comes
// back (a BOOL of -1 and of 1 both TRUE); all 24 events reach their event properties with their
// arguments in order and typed; a failed call throws with the control's description.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "control_test_support.h"
#include "echo_control_test_support.h"
#include "qxctrl.h"
#include "qxctrl_records.h"

namespace {

using echotest::RawArg;
using echotest::RawCall;

const wchar_t kWideText[] = L"\u00C4 b";  // "Ä b"

std::string Ansi(const std::wstring& wide) {
  const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size,
                      nullptr, nullptr);
  return text;
}

const std::string kText = Ansi(kWideText);
const std::string kEmpty;

// The k-th window-handle argument of a row (0x7FFFFFFF, 0x7FFFFFFE, ...).
HWND Handle(int k) { return reinterpret_cast<HWND>(static_cast<LONG_PTR>(0x7FFFFFFF - k)); }

std::string Shown(bool value) { return value ? "TRUE" : "FALSE"; }
std::string Shown(short value) { return std::to_string(value); }
std::string Shown(const std::string& value) { return value; }
std::string Shown(HIMAGELIST value) {
  return std::to_string(static_cast<long long>(reinterpret_cast<LONG_PTR>(value)));
}

class EchoBinding : public testing::Test {
 protected:
  void SetUp() override {
    if (!controltest::CanCreateWindows()) GTEST_SKIP() << "no display: run under xvfb-run";
    ASSERT_TRUE(server_.registered());
    parent_ = CreateWindowExA(0, "STATIC", "Echo host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60,
                              400, 300, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, parent_);
    olehost::TControlDataStream data;
    data.ExtentX = 2540;
    data.ExtentY = 1270;
    ASSERT_NO_THROW(control_.CreateControl(parent_, RECT{0, 0, 96, 48}, &data));
    ASSERT_NE(nullptr, server_.state.sink);
  }
  void TearDown() override {
    control_.DestroyControl();
    if (parent_ != nullptr) DestroyWindow(parent_);
    controltest::PumpFor(20);
  }

  echotest::EchoState& state() { return server_.state; }

  echotest::EchoServer server_;  // outlives the control it serves
  TQXCtrl control_{echotest::kEchoClassId};
  HWND parent_ = nullptr;
};

// One method: its type-library name, DISPID, argument types (B BSTR, S I2, L I4, O BOOL), result
// type (N none) and a call with the arguments the rule below gives, returning the host's result.
// Arguments by position among those of their type: BSTRs "Ä b", "", "Ä b", ...; BOOLs TRUE, FALSE,
// ...; I2s -2, -3, -4; I4s (window handles) 0x7FFFFFFF, 0x7FFFFFFE.
struct MethodRow {
  const char* name;
  DISPID id;
  const char* args;
  char result;
  std::function<std::string(TQXCtrl&)> call;
};

// Short names for the table's text arguments.
const std::string& T = kText;
const std::string& E = kEmpty;

const std::vector<MethodRow>& Rows() {
  static const std::vector<MethodRow> rows = {
      {"ZipCancel", 4, "O", 'N',
       [](TQXCtrl& c) {
         c.ZipCancel(true);
         return std::string();
       }},
      {"SetGlobalComment", 7, "BBO", 'S',
       [](TQXCtrl& c) { return Shown(c.SetGlobalComment(T, E, true)); }},
      {"Repare", 9, "BO", 'S', [](TQXCtrl& c) { return Shown(c.Repare(T, true)); }},
      {"MakeEXEFile", 10, "BBBBBSOOO", 'S',
       [](TQXCtrl& c) { return Shown(c.MakeEXEFile(T, E, T, E, T, -2, true, false, true)); }},
      {"DeleteWithMask", 11, "BBO", 'S',
       [](TQXCtrl& c) { return Shown(c.DeleteWithMask(T, E, true)); }},
      {"CreateBlankZIPFile", 12, "BO", 'O',
       [](TQXCtrl& c) { return Shown(c.CreateBlankZIPFile(T, true)); }},
      {"BuildZIPITEMImageList", 31, "", 'O',
       [](TQXCtrl& c) { return Shown(c.BuildZIPITEMImageList()); }},
      {"DestroyZIPITEMImageList", 32, "", 'O',
       [](TQXCtrl& c) { return Shown(c.DestroyZIPITEMImageList()); }},
      {"GetZIPINFOMadeUnder", 34, "BO", 'S',
       [](TQXCtrl& c) { return Shown(c.GetZIPINFOMadeUnder(T, true)); }},
      {"GetZIPINFOVersionMinor", 35, "BO", 'S',
       [](TQXCtrl& c) { return Shown(c.GetZIPINFOVersionMinor(T, true)); }},
      {"GetGlobalComment", 36, "BSO", 'B',
       [](TQXCtrl& c) { return Shown(c.GetGlobalComment(T, -2, true)); }},
      {"GetCount", 39, "BO", 'S', [](TQXCtrl& c) { return Shown(c.GetCount(T, true)); }},
      {"IsFileInTheZIPFile", 41, "BBO", 'O',
       [](TQXCtrl& c) { return Shown(c.IsFileInTheZIPFile(T, E, true)); }},
      {"Join", 43, "BBBBO", 'S', [](TQXCtrl& c) { return Shown(c.Join(T, E, T, E, true)); }},
      {"Restore", 44, "BBSOOBBO", 'S',
       [](TQXCtrl& c) { return Shown(c.Restore(T, E, -2, true, false, T, E, true)); }},
      {"UnzipCancel", 45, "O", 'N',
       [](TQXCtrl& c) {
         c.UnzipCancel(true);
         return std::string();
       }},
      {"Backup", 49, "BBOOOOBBSO", 'S',
       [](TQXCtrl& c) { return Shown(c.Backup(T, E, true, false, true, false, T, E, -2, true)); }},
      {"GetZIPINFOVersionMajor", 59, "BO", 'S',
       [](TQXCtrl& c) { return Shown(c.GetZIPINFOVersionMajor(T, true)); }},
      {"GetNewZIPName", 62, "", 'B', [](TQXCtrl& c) { return Shown(c.GetNewZIPName()); }},
      {"UnzipFiles", 63, "BBBOOSBOO", 'S',
       [](TQXCtrl& c) { return Shown(c.UnzipFiles(T, E, T, true, false, -2, E, true, false)); }},
      {"ZipFiles", 64, "BBOSSSOOBO", 'S',
       [](TQXCtrl& c) { return Shown(c.ZipFiles(T, E, true, -2, -3, -4, false, true, T, false)); }},
      {"BuildZIPITEMList", 65, "BLOBOSO", 'S',
       [](TQXCtrl& c) {
         return Shown(c.BuildZIPITEMList(T, Handle(0), true, E, false, -2, true));
       }},
      {"DeleteWithSelection", 66, "BLLOO", 'S',
       [](TQXCtrl& c) {
         return Shown(c.DeleteWithSelection(T, Handle(0), Handle(1), true, false));
       }},
      {"GetZIPITEMName", 67, "LSO", 'B',
       [](TQXCtrl& c) { return Shown(c.GetZIPITEMName(Handle(0), -2, true)); }},
      {"GetZIPITEMHImageList", 69, "O", 'L',
       [](TQXCtrl& c) { return Shown(c.GetZIPITEMHImageList(true)); }},
      {"DeleteTempDirectories", 70, "", 'O',
       [](TQXCtrl& c) { return Shown(c.DeleteTempDirectories()); }},
  };
  return rows;
}

// The value the rule gives the argument of that type at that position among its type.
void ExpectArgument(char type, int k, const RawArg& arg) {
  switch (type) {
    case 'B':
      EXPECT_EQ(VT_BSTR, arg.type);
      EXPECT_EQ(k % 2 == 0 ? std::wstring(kWideText) : std::wstring(), arg.text);
      break;
    case 'O':
      EXPECT_EQ(VT_BOOL, arg.type);
      EXPECT_EQ(k % 2 == 0 ? 1 : 0, arg.number);  // TRUE travels as 1, not as VARIANT_TRUE
      break;
    case 'S':
      EXPECT_EQ(VT_I2, arg.type);
      EXPECT_EQ(-2 - k, arg.number);
      break;
    case 'L':
      EXPECT_EQ(VT_I4, arg.type);
      EXPECT_EQ(0x7FFFFFFF - k, arg.number);
      break;
    default:
      ADD_FAILURE() << "unknown type " << type;
  }
}

// Answers each call with a value of its stub record's result type; BOOL as boolValue.
void AnswerByResultType(echotest::EchoState& state, VARIANT_BOOL boolValue) {
  state.answer = [boolValue](const RawCall& call, VARIANT* result, EXCEPINFO*) {
    for (const auto& [name, stub] : qxctrl::kMethodStubs) {
      if (stub->DispID != call.id) continue;
      V_VT(result) = stub->ResultType;
      switch (stub->ResultType) {
        case VT_I2:
          V_I2(result) = -2;
          break;
        case VT_I4:
          V_I4(result) = 0x7FFFFFFF;
          break;
        case VT_BOOL:
          V_BOOL(result) = boolValue;
          break;
        case VT_BSTR:
          V_BSTR(result) = SysAllocString(kWideText);
          break;
        default:
          V_VT(result) = VT_EMPTY;
      }
    }
    return S_OK;
  };
}

TEST_F(EchoBinding, EveryMethodTravelsAsItsStubRecordSays) {
  ASSERT_EQ(26u, Rows().size());
  for (VARIANT_BOOL boolAnswer : {VARIANT_BOOL(-1), VARIANT_BOOL(1), VARIANT_BOOL(0)}) {
    AnswerByResultType(state(), boolAnswer);
    for (const MethodRow& row : Rows()) {
      SCOPED_TRACE(std::string(row.name) + ", BOOL answered as " + std::to_string(boolAnswer));
      state().calls.clear();
      std::string result;
      ASSERT_NO_THROW(result = row.call(control_));
      ASSERT_EQ(1u, state().calls.size());
      const RawCall& call = state().calls[0];
      EXPECT_EQ(row.id, call.id);
      EXPECT_EQ(DISPATCH_METHOD, call.flags);
      EXPECT_EQ(0u, call.namedCount);
      EXPECT_EQ(row.result != 'N', call.resultWanted);
      const std::string types = row.args;
      ASSERT_EQ(types.size(), call.argCount);
      int seen[128] = {};
      for (size_t i = 0; i < types.size(); ++i) {
        SCOPED_TRACE("argument " + std::to_string(i + 1));
        // rgvarg holds the last argument first.
        ExpectArgument(types[i], seen[static_cast<int>(types[i])]++,
                       call.args[types.size() - 1 - i]);
      }
      switch (row.result) {
        case 'S':
          EXPECT_EQ("-2", result);
          break;
        case 'O':
          EXPECT_EQ(boolAnswer != 0 ? "TRUE" : "FALSE", result);
          break;
        case 'B':
          EXPECT_EQ(kText, result);
          break;
        case 'L':
          EXPECT_EQ(std::to_string(0x7FFFFFFF), result);
          break;
        default:
          EXPECT_EQ("", result);
      }
    }
  }
  EXPECT_EQ(0, control_.CallsInProgress());
}

TEST_F(EchoBinding, AnImageListHandleComesBackSignExtended) {
  state().answer = [](const RawCall&, VARIANT* result, EXCEPINFO*) {
    V_VT(result) = VT_I4;
    V_I4(result) = -2;
    return S_OK;
  };
  EXPECT_EQ(reinterpret_cast<HIMAGELIST>(static_cast<LONG_PTR>(-2)),
            control_.GetZIPITEMHImageList(false));
}

TEST_F(EchoBinding, HwndIsReadAsAProperty) {
  HWND window = nullptr;
  ASSERT_NO_THROW(window = control_.Hwnd());
  EXPECT_NE(nullptr, window);
  EXPECT_EQ(parent_, GetParent(window));
  EXPECT_TRUE(state().calls.empty());  // the property get is no method call
}

TEST_F(EchoBinding, ACallCountsAsInProgressUntilItReturns) {
  int during = -1;
  state().answer = [&](const RawCall&, VARIANT* result, EXCEPINFO*) {
    during = control_.CallsInProgress();
    V_VT(result) = VT_I2;
    V_I2(result) = 0;
    return S_OK;
  };
  control_.GetCount(kText, true);
  EXPECT_EQ(1, during);
  EXPECT_EQ(0, control_.CallsInProgress());
  {
    TQXCtrl::CallScope road(control_);
    control_.GetCount(kText, true);
    EXPECT_EQ(2, during);
    EXPECT_EQ(1, control_.CallsInProgress());
  }
  EXPECT_EQ(0, control_.CallsInProgress());
}

TEST_F(EchoBinding, AControlExceptionBecomesAnExceptionWithItsDescription) {
  const std::wstring description = L"Archive locked: Gr\u00FC\u00DFe";
  state().answer = [&](const RawCall&, VARIANT*, EXCEPINFO* exception) {
    exception->bstrDescription = SysAllocString(description.c_str());
    exception->bstrSource = SysAllocString(L"Echo");
    exception->scode = E_ACCESSDENIED;
    return DISP_E_EXCEPTION;
  };
  try {
    control_.UnzipFiles(kText, "*.*", kText, true, false, 1, "", false, true);
    ADD_FAILURE() << "no exception";
  } catch (const olehost::EOleException& error) {
    EXPECT_EQ(Ansi(description), error.what());
    EXPECT_EQ(E_ACCESSDENIED, error.ErrorCode);
    EXPECT_EQ("Echo", error.Source);
  }
  EXPECT_EQ(0, control_.CallsInProgress());  // a failed call ends only itself

  state().answer = [](const RawCall&, VARIANT*, EXCEPINFO*) { return DISP_E_MEMBERNOTFOUND; };
  try {
    control_.GetCount(kText, true);
    ADD_FAILURE() << "no exception";
  } catch (const olehost::EOleSysError& error) {
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, error.ErrorCode);
    EXPECT_STRNE("", error.what());
  }
  EXPECT_EQ(0, control_.CallsInProgress());
}

// ---- Events ----

class EventLog {
 public:
  // A handler for any event property: records the event's name, that the sender is the control,
  // and each argument with its host type (B text, S Smallint, L Integer, O WordBool).
  auto Handler(const char* name, TQXCtrl* expectedSender) {
    return [this, name, expectedSender](TQXCtrl& sender, auto... args) {
      std::string line = name;
      line += "(";
      bool first = true;
      ((line += (first ? "" : ","), line += Typed(args), first = false), ...);
      line += ")";
      if (&sender != expectedSender) line += " from another sender";
      lines.push_back(line);
    };
  }
  std::vector<std::string> lines;

 private:
  static std::string Typed(const std::string& text) { return "B:" + text; }
  static std::string Typed(short value) { return "S:" + std::to_string(value); }
  static std::string Typed(int32_t value) { return "L:" + std::to_string(value); }
  static std::string Typed(bool value) { return std::string("O:") + (value ? "TRUE" : "FALSE"); }
};

void BindAll(TQXCtrl& c, EventLog& log) {
  c.OnZNOpenFile = log.Handler("ZNOpenFile", &c);
  c.OnZNExpanding = log.Handler("ZNExpanding", &c);
  c.OnZNCloseFile = log.Handler("ZNCloseFile", &c);
  c.OnZNTest = log.Handler("ZNTest", &c);
  c.OnZNJoining = log.Handler("ZNJoining", &c);
  c.OnZNJoined = log.Handler("ZNJoined", &c);
  c.OnZNJoinDoneSize = log.Handler("ZNJoinDoneSize", &c);
  c.OnZNJoinDoneName = log.Handler("ZNJoinDoneName", &c);
  c.OnZNRestoreBuildZip = log.Handler("ZNRestoreBuildZip", &c);
  c.OnZNRestoreZipDone = log.Handler("ZNRestoreZipDone", &c);
  c.OnZNBackupBuildZip = log.Handler("ZNBackupBuildZip", &c);
  c.OnZNBackupZipDone = log.Handler("ZNBackupZipDone", &c);
  c.OnZNMakeEXEStep1 = log.Handler("ZNMakeEXEStep1", &c);
  c.OnZNMakeEXEStep2 = log.Handler("ZNMakeEXEStep2", &c);
  c.OnZNZipping = log.Handler("ZNZipping", &c);
  c.OnZNZipping2 = log.Handler("ZNZipping2", &c);
  c.OnZNFileZipped = log.Handler("ZNFileZipped", &c);
  c.OnZNWriting = log.Handler("ZNWriting", &c);
  c.OnZNReparing = log.Handler("ZNReparing", &c);
  c.OnZNCompute = log.Handler("ZNCompute", &c);
  c.OnZNEncrypt = log.Handler("ZNEncrypt", &c);
  c.OnZNSplitting = log.Handler("ZNSplitting", &c);
  c.OnZNSplitted = log.Handler("ZNSplitted", &c);
  c.OnZNDeleting = log.Handler("ZNDeleting", &c);
}

// Fires event i with the control's argument types: BSTR "Ä b", I2 -1, I4 -2147483648 and
// VARIANT_BOOL boolValue; returns the sink's answer.
HRESULT FireTyped(IDispatch* sink, int i, VARIANT_BOOL boolValue) {
  const olehost::TEventBinding& binding = qxctrl::kEventBindings[i];
  std::vector<VARIANT> args(binding.ArgCount);
  for (size_t p = 0; p < args.size(); ++p) {
    VARIANT& v = args[args.size() - 1 - p];  // last first
    VariantInit(&v);
    V_VT(&v) = binding.ArgTypes[p];
    switch (binding.ArgTypes[p]) {
      case VT_BSTR:
        V_BSTR(&v) = SysAllocString(kWideText);
        break;
      case VT_I2:
        V_I2(&v) = -1;
        break;
      case VT_I4:
        V_I4(&v) = INT_MIN;
        break;
      case VT_BOOL:
        V_BOOL(&v) = boolValue;
        break;
    }
  }
  DISPPARAMS params = {args.empty() ? nullptr : args.data(), nullptr,
                       static_cast<UINT>(args.size()), 0};
  VARIANT result;
  VariantInit(&result);
  HRESULT hr = sink->Invoke(qxctrl::kEventDispIDs[i], IID_NULL, LOCALE_USER_DEFAULT,
                            DISPATCH_METHOD, &params, &result, nullptr, nullptr);
  VariantClear(&result);
  for (VARIANT& v : args) VariantClear(&v);
  return hr;
}

std::string Expected(int i) {
  std::string line =
      std::string(qxctrl::kEventNames[i], qxctrl::kEventNames[i] + wcslen(qxctrl::kEventNames[i]));
  line += "(";
  const olehost::TEventBinding& binding = qxctrl::kEventBindings[i];
  for (int p = 0; p < binding.ArgCount; ++p) {
    if (p > 0) line += ",";
    switch (binding.ArgTypes[p]) {
      case VT_BSTR:
        line += "B:" + kText;
        break;
      case VT_I2:
        line += "S:-1";
        break;
      case VT_I4:
        line += "L:-2147483648";
        break;
      case VT_BOOL:
        line += "O:TRUE";
        break;
    }
  }
  return line + ")";
}

TEST_F(EchoBinding, AllEventsReachTheirPropertiesTyped) {
  EventLog log;
  BindAll(control_, log);
  for (VARIANT_BOOL truth : {VARIANT_BOOL(-1), VARIANT_BOOL(1)}) {
    SCOPED_TRACE("WordBool sent as " + std::to_string(truth));
    log.lines.clear();
    std::vector<std::string> expected;
    for (int i = 0; i < qxctrl::kEventCount; ++i) {
      EXPECT_EQ(S_OK, FireTyped(server_.state.sink, i, truth)) << Expected(i);
      expected.push_back(Expected(i));
    }
    EXPECT_EQ(expected, log.lines);
  }
}

TEST_F(EchoBinding, AWordBoolOfZeroIsFalse) {
  EventLog log;
  BindAll(control_, log);
  EXPECT_EQ(S_OK, FireTyped(server_.state.sink, 2, 0));  // ZNCloseFile
  EXPECT_EQ(std::vector<std::string>{"ZNCloseFile(B:" + kText + ",O:FALSE)"}, log.lines);
}

TEST_F(EchoBinding, EventsFiredByTheControlArriveThroughItsConnectionPoint) {
  EventLog log;
  BindAll(control_, log);
  VARIANT args[2];
  VariantInit(&args[0]);
  VariantInit(&args[1]);
  V_VT(&args[0]) = VT_BSTR;
  V_BSTR(&args[0]) = SysAllocString(L"caf\u00E9.txt");
  V_VT(&args[1]) = VT_I2;
  V_I2(&args[1]) = 57;
  ASSERT_NE(nullptr, state().control);
  state().control->FireEvent(17, args, 2);  // ZNFileZipped, arguments in declaration order
  VariantClear(&args[0]);
  EXPECT_EQ(std::vector<std::string>{"ZNFileZipped(B:" + Ansi(L"caf\u00E9.txt") + ",S:57)"},
            log.lines);
}

TEST_F(EchoBinding, UnboundEventsAnswerSOk) {
  // No property bound: every event is answered and nothing runs.
  for (int i = 0; i < qxctrl::kEventCount; ++i) {
    EXPECT_EQ(S_OK, FireTyped(server_.state.sink, i, VARIANT_TRUE));
  }
  EventLog log;
  control_.OnZNDeleting = log.Handler("ZNDeleting", &control_);
  EXPECT_EQ(S_OK, FireTyped(server_.state.sink, 23, VARIANT_TRUE));
  EXPECT_EQ(S_OK, FireTyped(server_.state.sink, 0, VARIANT_TRUE));  // ZNOpenFile stays unbound
  EXPECT_EQ(std::vector<std::string>{"ZNDeleting(B:" + kText + ")"}, log.lines);
}

}  // namespace
