// The framework on its own, with a small control class of the test's making (no product's): the
// table-driven Invoke and its errors, the names the control class gives (error source, window
// class), and the registry round trip of a server class.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "activex/activex_control.h"
#include "activex/dispatch_table.h"
#include "activex/server_registration.h"

namespace {

// GUIDs of the test's own; nothing else registers them.
const CLSID kTestClassId = {
    0x6A1E2F30, 0x52B4, 0x4C71, {0x9D, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F, 0x60}};
const GUID kTestLibraryId = {
    0x6A1E2F31, 0x52B4, 0x4C71, {0x9D, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F, 0x60}};
const IID kTestDispatchId = {
    0x6A1E2F32, 0x52B4, 0x4C71, {0x9D, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F, 0x60}};
const IID kTestEventsId = {
    0x6A1E2F33, 0x52B4, 0x4C71, {0x9D, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F, 0x60}};
const CLSID kTestPageId = {
    0x6A1E2F34, 0x52B4, 0x4C71, {0x9D, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F, 0x60}};

using activex::ArgType;
using activex::DispatchCall;
using activex::DispatchMember;
using activex::MemberKind;

void Add(activex::ActiveXControl&, DispatchCall& call) {
  call.Return(call.Short(0) + call.Short(1));
}
void Name(activex::ActiveXControl&, DispatchCall& call) { call.ReturnText("Grüße"); }
void Refuse(activex::ActiveXControl&, DispatchCall& call) {
  call.Raise(L"refused on purpose", E_ACCESSDENIED);
}
void Throw(activex::ActiveXControl&, DispatchCall&) { throw std::runtime_error("a fault"); }
void Unavailable(activex::ActiveXControl&, DispatchCall& call) { call.Return(1); }

constexpr int kNeedsSomething = 1;

const DispatchMember kMembers[] = {
    {1, "Add", ArgType::kShort, {{ArgType::kShort, "a"}, {ArgType::kShort, "b"}}, Add, -1, 0},
    {2, "Name", ArgType::kText, {}, Name, 0, 0, MemberKind::kReadOnlyProperty},
    {3, "Refuse", ArgType::kVoid, {}, Refuse, 0, 0},
    {4, "Throw", ArgType::kVoid, {}, Throw, 0, 0},
    {5, "Unavailable", ArgType::kShort, {}, Unavailable, -7, kNeedsSomething},
};

const activex::ControlClassInfo& TestClassInfo() {
  static const activex::ControlClassInfo info = {&kTestClassId,
                                                 &kTestLibraryId,
                                                 &kTestDispatchId,
                                                 &kTestEventsId,
                                                 &kTestPageId,
                                                 0,
                                                 kMembers,
                                                 L"Test control",
                                                 L"FrameworkTestControlWindow",
                                                 L"FrameworkTestSource"};
  return info;
}

class TestControl final : public activex::ActiveXControl {
 public:
  TestControl() : ActiveXControl(TestClassInfo()) {}

 protected:
  void OnDraw(HDC, const RECT&) override {}
  bool MemberAvailable(const DispatchMember& member) override {
    return member.requirement != kNeedsSomething;
  }
};

// A call's arguments in the caller's order (DISPPARAMS holds them reversed) and its outcome.
struct Call {
  explicit Call(DISPID id, WORD flags = DISPATCH_METHOD) : id(id), flags(flags) {
    VariantInit(&result);
  }
  ~Call() {
    VariantClear(&result);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    for (int i = 0; i < count; ++i) VariantClear(&args[i]);
  }
  Call& Short(short value) {
    Push().vt = VT_I2;
    args[count - 1].iVal = value;
    return *this;
  }
  Call& Text(const wchar_t* value) {
    VARIANT& v = Push();
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(value);
    return *this;
  }
  VARIANT& Push() {
    // Shift the earlier arguments up: the last argument comes first.
    for (int i = count; i > 0; --i) args[i] = args[i - 1];
    VariantInit(&args[0]);
    ++count;
    return args[0];
  }
  HRESULT Run(IDispatch* object, DISPID* named = nullptr, UINT namedCount = 0) {
    DISPPARAMS params = {args, named, static_cast<UINT>(count), namedCount};
    return object->Invoke(id, IID_NULL, 0, flags, &params, &result, &exception, &argError);
  }
  std::wstring Source() const { return exception.bstrSource ? exception.bstrSource : L""; }
  std::wstring Description() const {
    return exception.bstrDescription ? exception.bstrDescription : L"";
  }

  DISPID id;
  WORD flags;
  VARIANT args[4];
  int count = 0;
  VARIANT result;
  EXCEPINFO exception = {};
  UINT argError = 99;
};

class Framework : public testing::Test {
 protected:
  void TearDown() override { control_->Release(); }
  TestControl* control_ = new TestControl();
};

TEST_F(Framework, TableDrivenInvokeConvertsAndReturns) {
  Call add(1);
  add.Short(2).Text(L"40");  // a text that reads as a number is converted
  ASSERT_EQ(S_OK, add.Run(control_));
  EXPECT_EQ(VT_I2, add.result.vt);
  EXPECT_EQ(42, add.result.iVal);

  Call name(2, DISPATCH_PROPERTYGET);
  ASSERT_EQ(S_OK, name.Run(control_));
  ASSERT_EQ(VT_BSTR, name.result.vt);
  EXPECT_EQ(activex::AnsiFromWide(name.result.bstrVal, SysStringLen(name.result.bstrVal)), "Grüße");

  // A member the object cannot serve now gives its failure value, without running.
  Call unavailable(5);
  ASSERT_EQ(S_OK, unavailable.Run(control_));
  EXPECT_EQ(-7, unavailable.result.iVal);
}

TEST_F(Framework, DispatchTableErrors) {
  struct Case {
    const char* what;
    DISPID id;
    WORD flags;
    int args;
    bool named;
    HRESULT expected;
  } cases[] = {
      {"unknown member", 77, DISPATCH_METHOD, 0, false, DISP_E_MEMBERNOTFOUND},
      {"too few arguments", 1, DISPATCH_METHOD, 1, false, DISP_E_BADPARAMCOUNT},
      {"too many arguments", 2, DISPATCH_PROPERTYGET, 1, false, DISP_E_BADPARAMCOUNT},
      {"named arguments", 1, DISPATCH_METHOD, 2, true, DISP_E_NONAMEDARGS},
      {"a put on a method", 1, DISPATCH_PROPERTYPUT, 2, false, DISP_E_MEMBERNOTFOUND},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Call call(c.id, c.flags);
    for (int i = 0; i < c.args; ++i) call.Short(1);
    DISPID named[2] = {0, 1};
    EXPECT_EQ(c.expected, call.Run(control_, c.named ? named : nullptr, c.named ? 2 : 0));
  }

  Call mismatch(1);
  mismatch.Short(1).Text(L"not a number");
  EXPECT_EQ(DISP_E_TYPEMISMATCH, mismatch.Run(control_));
  EXPECT_EQ(0u, mismatch.argError);  // the caller's index: the last argument is the first
}

TEST_F(Framework, ErrorsNameTheSourceTheControlClassGives) {
  struct Case {
    const char* what;
    DISPID id;
    WORD flags;
    HRESULT code;
    const wchar_t* description;
  } cases[] = {
      {"raised", 3, DISPATCH_METHOD, E_ACCESSDENIED, L"refused on purpose"},
      {"thrown", 4, DISPATCH_METHOD, E_UNEXPECTED, L"Internal error"},
      {"read-only put", 2, DISPATCH_PROPERTYPUT, static_cast<HRESULT>(0x800A017FL),
       L"The property Name is read-only"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Call call(c.id, c.flags);
    DISPID put = DISPID_PROPERTYPUT;
    if (c.flags == DISPATCH_PROPERTYPUT) call.Text(L"x");
    ASSERT_EQ(DISP_E_EXCEPTION, call.Run(control_, c.flags == DISPATCH_PROPERTYPUT ? &put : nullptr,
                                         c.flags == DISPATCH_PROPERTYPUT ? 1 : 0));
    EXPECT_EQ(L"FrameworkTestSource", call.Source());
    EXPECT_EQ(c.description, call.Description());
    EXPECT_EQ(c.code, call.exception.scode);
  }
}

TEST(FrameworkWindowClass, IsTheOneTheControlClassNames) {
  HINSTANCE module = GetModuleHandleA(nullptr);
  ASSERT_TRUE(activex::RegisterControlWindowClass(module, TestClassInfo()));
  WNDCLASSW found = {};
  EXPECT_TRUE(GetClassInfoW(module, L"FrameworkTestControlWindow", &found));
  activex::UnregisterControlWindowClass(module, TestClassInfo());
  EXPECT_FALSE(GetClassInfoW(module, L"FrameworkTestControlWindow", &found));
}

std::string KeyValue(const std::string& subkey, const char* name = nullptr) {
  char value[512] = {};
  DWORD type = 0;
  DWORD bytes = sizeof value;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return "<missing>";
  }
  const LONG read =
      RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes);
  RegCloseKey(key);
  return read == ERROR_SUCCESS ? std::string(value) : "<no value>";
}

TEST(FrameworkRegistration, ServerClassRoundTrip) {
  const activex::ServerClass serverClass = {
      &kTestClassId, "FrameworkTest.Control.1", "Framework test control", true, &kTestLibraryId,
      "1.0",         OLEMISC_INSIDEOUT};
  const std::string clsid = "CLSID\\" + activex::GuidText(kTestClassId);
  const std::string modulePath = "C:\\Some Folder\\Café.dll";
  ASSERT_EQ(S_OK, activex::RegisterServerClass(serverClass, modulePath));
  EXPECT_EQ("Framework test control", KeyValue(clsid));
  EXPECT_EQ(modulePath, KeyValue(clsid + "\\InprocServer32"));
  EXPECT_EQ("Apartment", KeyValue(clsid + "\\InprocServer32", "ThreadingModel"));
  EXPECT_EQ("FrameworkTest.Control.1", KeyValue(clsid + "\\ProgID"));
  EXPECT_EQ(activex::GuidText(kTestLibraryId), KeyValue(clsid + "\\TypeLib"));
  EXPECT_EQ("1.0", KeyValue(clsid + "\\Version"));
  EXPECT_EQ(activex::GuidText(kTestClassId), KeyValue("FrameworkTest.Control.1\\CLSID"));

  EXPECT_EQ(S_OK, activex::UnregisterServerClass(serverClass));
  EXPECT_EQ("<missing>", KeyValue(clsid));
  EXPECT_EQ("<missing>", KeyValue("FrameworkTest.Control.1"));
  // Keys already missing count as removed.
  EXPECT_EQ(S_OK, activex::UnregisterServerClass(serverClass));
}

}  // namespace
