// The container with the echo control and a small binding of its own: the order of creation
// (site first, ControlData loaded or InitNew, sink advised, in-place activation) and of teardown,
// the site's ambient UserMode and in-place frame, the sink's conversions and answers, and failed
// creation.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "control_test_support.h"
#include "echo_control_test_support.h"
#include "olehost/ole_control.h"
#include "qx30w32_guids.h"
#include "dialog_robot.h"

namespace {

using controltest::Ptr;

// Two events: DISPID 7 (I2, BOOL) and DISPID 3 (BSTR).
constexpr DISPID kTestDispIDs[] = {7, 3};
constexpr olehost::TEventBinding kTestEvents[] = {{2, {VT_I2, VT_BOOL}}, {1, {VT_BSTR}}};

class TestBinding : public olehost::TOleControl {
 public:
  explicit TestBinding(const CLSID& control)
      : data_{control, qx30w32::kEventsId, 2, kTestDispIDs, kTestEvents, 0, nullptr} {}
  std::vector<std::string> events;
  std::vector<bool> modeless;
  std::vector<std::string> failures;
  bool throwFromHandler = false;

 protected:
  const olehost::TControlData& InitControlData() override { return data_; }
  void InvokeEvent(int index, DISPID id, olehost::TEventArgs& args) override {
    if (throwFromHandler) throw std::runtime_error("handler failed");
    std::string line = std::to_string(index) + "@" + std::to_string(id) + ":";
    if (index == 0) {
      line += std::to_string(args.Short(0)) + "," + (args.Bool(1) ? "TRUE" : "FALSE");
    } else {
      line += args.Text(0);
    }
    events.push_back(line);
  }
  void EnableModeless(bool enable) override { modeless.push_back(enable); }
  void HandleEventException(std::exception_ptr error) noexcept override {
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      failures.push_back(e.what());
    } catch (...) {
      failures.push_back("?");
    }
  }

 private:
  olehost::TControlData data_;
};

class Container : public testing::Test {
 protected:
  void SetUp() override {
    if (!controltest::CanCreateWindows()) GTEST_SKIP() << "no display: run under xvfb-run";
    ASSERT_TRUE(server_.registered());
    parent_ = CreateWindowExA(0, "STATIC", "Container host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 70,
                              70, 400, 300, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, parent_);
  }
  void TearDown() override {
    binding_.DestroyControl();
    if (parent_ != nullptr) DestroyWindow(parent_);
    controltest::PumpFor(20);
  }
  void Create(const olehost::TControlDataStream* data = nullptr) {
    ASSERT_NO_THROW(binding_.CreateControl(parent_, RECT{4, 6, 104, 56}, data));
    ASSERT_NE(nullptr, server_.state.sink);
  }
  HRESULT Fire(DISPID id, std::vector<VARIANT> reversed, UINT* argError = nullptr) {
    DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr,
                         static_cast<UINT>(reversed.size()), 0};
    return server_.state.sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                      nullptr, nullptr, argError);
  }

  echotest::EchoServer server_;
  TestBinding binding_{echotest::kEchoClassId};
  HWND parent_ = nullptr;
};

VARIANT Short(short value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_I2;
  V_I2(&v) = value;
  return v;
}
VARIANT Long(long value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return v;
}
VARIANT Bool(VARIANT_BOOL value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_BOOL;
  V_BOOL(&v) = value;
  return v;
}
// Not owning: the tests keep the string alive.
VARIANT Text(BSTR text) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = text;
  return v;
}

TEST_F(Container, CreatesSiteFirstLoadsAdvisesActivatesAndTearsDownInOrder) {
  olehost::TControlDataStream data;
  data.ExtentX = 1234;
  data.ExtentY = 567;
  Create(&data);
  const std::vector<std::string> created = {"SetClientSite", "UserMode TRUE", "Load", "Advise",
                                            "DoVerb(INPLACEACTIVATE)"};
  EXPECT_EQ(created, server_.state.log);
  SIZEL extent = {0, 0};
  ASSERT_EQ(S_OK, binding_.OleObject()->GetExtent(DVASPECT_CONTENT, &extent));
  EXPECT_EQ(1234, extent.cx);
  EXPECT_EQ(567, extent.cy);

  binding_.DestroyControl();
  EXPECT_FALSE(binding_.HandleAllocated());
  std::vector<std::string> all = created;
  for (const char* step :
       {"Unadvise", "InPlaceDeactivate", "Close(NOSAVE)", "SetClientSite(NULL)", "destroyed"}) {
    all.push_back(step);
  }
  EXPECT_EQ(all, server_.state.log);
  EXPECT_EQ(nullptr, server_.state.control);
}

TEST_F(Container, WithoutControlDataTheControlStartsNew) {
  Create();
  const std::vector<std::string> created = {"SetClientSite", "UserMode TRUE", "InitNew", "Advise",
                                            "DoVerb(INPLACEACTIVATE)"};
  EXPECT_EQ(created, server_.state.log);
}

TEST_F(Container, TheControlWindowLivesInTheParentAtTheBounds) {
  Create();
  HWND window = binding_.Hwnd();
  ASSERT_NE(nullptr, window);
  Ptr<IOleInPlaceObject> inPlace;
  ASSERT_EQ(S_OK, binding_.OleObject()->QueryInterface(IID_IOleInPlaceObject, inPlace.OutVoid()));
  HWND reported = nullptr;
  ASSERT_EQ(S_OK, inPlace->GetWindow(&reported));
  EXPECT_EQ(reported, window);
  EXPECT_EQ(parent_, GetParent(window));
  RECT rect;
  GetWindowRect(window, &rect);
  MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT*>(&rect), 2);
  EXPECT_EQ(4, rect.left);
  EXPECT_EQ(6, rect.top);
  EXPECT_EQ(100, rect.right - rect.left);
  EXPECT_EQ(50, rect.bottom - rect.top);
  controltest::PumpFor(200);
  testutil::SaveScreenshot(parent_, "olehost_echo_control.bmp");
}

TEST_F(Container, TheSiteSaysUserModeAndNothingElse) {
  Create();
  Ptr<IOleClientSite> site;
  ASSERT_EQ(S_OK, binding_.OleObject()->GetClientSite(site.Out()));
  Ptr<IDispatch> ambient;
  ASSERT_EQ(S_OK, site->QueryInterface(IID_IDispatch, ambient.OutVoid()));
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VARIANT value;
  VariantInit(&value);
  ASSERT_EQ(S_OK, ambient->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none,
                                  &value, nullptr, nullptr));
  EXPECT_EQ(VT_BOOL, V_VT(&value));
  EXPECT_EQ(VARIANT_TRUE, V_BOOL(&value));
  EXPECT_EQ(DISP_E_MEMBERNOTFOUND,
            ambient->Invoke(DISPID_AMBIENT_DISPLAYNAME, IID_NULL, 0, DISPATCH_PROPERTYGET, &none,
                            &value, nullptr, nullptr));
  EXPECT_TRUE(server_.state.control->AmbientUserMode());
}

TEST_F(Container, TheFrameAnswersTheModalBracket) {
  Create();
  // The control brackets a prompt through the frame the site gave it.
  server_.state.control->PreModalDialog();
  server_.state.control->PostModalDialog();
  EXPECT_EQ((std::vector<bool>{false, true}), binding_.modeless);

  Ptr<IOleClientSite> site;
  ASSERT_EQ(S_OK, binding_.OleObject()->GetClientSite(site.Out()));
  Ptr<IOleInPlaceSite> inPlaceSite;
  ASSERT_EQ(S_OK, site->QueryInterface(IID_IOleInPlaceSite, inPlaceSite.OutVoid()));
  Ptr<IOleInPlaceFrame> frame;
  Ptr<IOleInPlaceUIWindow> document;
  RECT pos, clip;
  OLEINPLACEFRAMEINFO info = {};
  info.cb = sizeof info;
  ASSERT_EQ(S_OK, inPlaceSite->GetWindowContext(frame.Out(), document.Out(), &pos, &clip, &info));
  ASSERT_TRUE(frame);
  EXPECT_EQ(S_OK, frame->EnableModeless(FALSE));
  EXPECT_EQ(S_OK, frame->EnableModeless(TRUE));
  EXPECT_EQ(parent_, info.hwndFrame);
  EXPECT_EQ(4, pos.left);
  EXPECT_EQ(56, pos.bottom);
}

TEST_F(Container, APositionTheControlAsksForIsGranted) {
  Create();
  Ptr<IOleClientSite> site;
  ASSERT_EQ(S_OK, binding_.OleObject()->GetClientSite(site.Out()));
  Ptr<IOleInPlaceSite> inPlaceSite;
  ASSERT_EQ(S_OK, site->QueryInterface(IID_IOleInPlaceSite, inPlaceSite.OutVoid()));
  const RECT wanted = {10, 20, 40, 35};
  EXPECT_EQ(S_OK, inPlaceSite->OnPosRectChange(&wanted));
  RECT rect;
  GetWindowRect(binding_.Hwnd(), &rect);
  MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT*>(&rect), 2);
  EXPECT_EQ(10, rect.left);
  EXPECT_EQ(20, rect.top);
  EXPECT_EQ(30, rect.right - rect.left);
  EXPECT_EQ(15, rect.bottom - rect.top);
  EXPECT_EQ(10, binding_.Bounds().left);
}

TEST_F(Container, EventArgumentsAreConvertedInDeclarationOrder) {
  Create();
  // Exact types; last argument first.
  EXPECT_EQ(S_OK, Fire(7, {Bool(VARIANT_TRUE), Short(-1)}));
  // Other types the control might send: converted as VariantChangeType does.
  EXPECT_EQ(S_OK, Fire(7, {Long(1), Long(-32768)}));
  EXPECT_EQ(S_OK, Fire(7, {Bool(0), Long(12)}));
  // By reference.
  short referenced = -7;
  VARIANT byRef;
  VariantInit(&byRef);
  V_VT(&byRef) = VT_I2 | VT_BYREF;
  V_I2REF(&byRef) = &referenced;
  EXPECT_EQ(S_OK, Fire(7, {Bool(1), byRef}));
  BSTR text = SysAllocString(L"Gr\u00FC\u00DFe");
  EXPECT_EQ(S_OK, Fire(3, {Text(text)}));
  SysFreeString(text);
  std::wstring wide = L"Gr\u00FC\u00DFe";
  std::string ansi(16, '\0');
  ansi.resize(static_cast<size_t>(
      WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, ansi.data(), 16, nullptr, nullptr) - 1));
  const std::vector<std::string> expected = {"0@7:-1,TRUE", "0@7:-32768,TRUE", "0@7:12,FALSE",
                                             "0@7:-7,TRUE", "1@3:" + ansi};
  EXPECT_EQ(expected, binding_.events);
}

TEST_F(Container, UnknownEventsAnswerSOkAndBadOnesAreRefused) {
  Create();
  EXPECT_EQ(S_OK, Fire(99, {Long(1)}));
  EXPECT_EQ(S_OK, Fire(1, {}));
  EXPECT_EQ(DISP_E_BADPARAMCOUNT, Fire(7, {Short(1)}));
  BSTR text = SysAllocString(L"not a number");
  UINT argError = 99;
  EXPECT_EQ(DISP_E_TYPEMISMATCH, Fire(7, {Bool(0), Text(text)}, &argError));
  EXPECT_EQ(1u, argError);  // the first declared argument is the last in rgvarg
  SysFreeString(text);
  EXPECT_TRUE(binding_.events.empty());
}

TEST_F(Container, AHandlersExceptionStaysOnTheHostSide) {
  Create();
  binding_.throwFromHandler = true;
  EXPECT_EQ(S_OK, Fire(7, {Bool(0), Short(1)}));
  EXPECT_EQ(std::vector<std::string>{"handler failed"}, binding_.failures);
}

TEST_F(Container, AnUnregisteredControlFailsCreationWithClassNotRegistered) {
  // {3F1B2C4D-0000-4E5F-8A9B-0C1D2E3F4A5B}: registered nowhere.
  const CLSID missing = {
      0x3f1b2c4d, 0x0000, 0x4e5f, {0x8a, 0x9b, 0x0c, 0x1d, 0x2e, 0x3f, 0x4a, 0x5b}};
  TestBinding binding(missing);
  try {
    binding.CreateControl(parent_, RECT{0, 0, 10, 10}, nullptr);
    ADD_FAILURE() << "no exception";
  } catch (const olehost::EOleSysError& error) {
    EXPECT_EQ(REGDB_E_CLASSNOTREG, error.ErrorCode);
    EXPECT_STRNE("", error.what());
  }
  EXPECT_FALSE(binding.HandleAllocated());
}

TEST_F(Container, AnArgumentOfTheWrongTypeIsAProgrammingError) {
  Create();
  const olehost::TInvokeStub stub = {5, VT_I2, DISPATCH_METHOD, 1, 0, {VT_BSTR}};
  EXPECT_THROW(binding_.InvokeMethod(stub, {olehost::TInvokeArg::Short(1)}), std::logic_error);
  EXPECT_THROW(binding_.InvokeMethod(stub, {}), std::logic_error);
  EXPECT_TRUE(server_.state.calls.empty());
}

}  // namespace
