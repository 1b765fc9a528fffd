// The control in a real container: Wine's atl.dll hosts it in place (AtlAxCreateControlEx), a C++
// sink is advised and unadvised through IConnectionPointContainer, the progress messages of the
// engine reach the sink as events, and the control's modal dialogs (About box, property frame)
// open and close. Needs a display (the test run's virtual one).
#include <gtest/gtest.h>

#include <olectl.h>

#include "control_test_support.h"
#include "qx30w32_guids.h"
#include "base/progress_messages.h"

namespace {

using controltest::Ptr;
using controltest::RecordingSink;

using AtlAxWinInitFunction = BOOL(WINAPI*)();
using AtlAxCreateControlExFunction = HRESULT(WINAPI*)(LPCOLESTR, HWND, IStream*, IUnknown**,
                                                      IUnknown**, REFIID, IUnknown*);

class Hosted : public testing::Test {
 protected:
  void SetUp() override {
    if (!controltest::CanCreateWindows()) GTEST_SKIP() << "no display: run under xvfb-run";
    atl_ = LoadLibraryA("atl.dll");
    ASSERT_NE(nullptr, atl_);
    auto init = reinterpret_cast<AtlAxWinInitFunction>(
        reinterpret_cast<void*>(GetProcAddress(atl_, "AtlAxWinInit")));
    auto create = reinterpret_cast<AtlAxCreateControlExFunction>(
        reinterpret_cast<void*>(GetProcAddress(atl_, "AtlAxCreateControlEx")));
    ASSERT_NE(nullptr, init);
    ASSERT_NE(nullptr, create);
    // Wine's AtlAxWinInit registers its window classes and fails when they exist: once only.
    static const bool initialised = init() != FALSE;
    ASSERT_TRUE(initialised);
    host_ = CreateWindowExA(0, "STATIC", "QX30W32 host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50,
                            400, 300, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, host_);
    ASSERT_EQ(S_OK, create(L"QX30W32.QXCtrl.1", host_, nullptr, container_.Out(), control_.Out(),
                           IID_NULL, nullptr));
    ASSERT_TRUE(control_);
    Ptr<IOleInPlaceObject> inPlace;
    ASSERT_EQ(S_OK, control_->QueryInterface(IID_IOleInPlaceObject, inPlace.OutVoid()));
    ASSERT_EQ(S_OK, inPlace->GetWindow(&window_));
    ASSERT_NE(nullptr, window_);
  }

  void TearDown() override {
    control_.Reset();
    container_.Reset();
    if (host_ != nullptr) DestroyWindow(host_);
    controltest::PumpFor(50);
    // atl.dll stays loaded: its window class is registered once per process.
  }

  HMODULE atl_ = nullptr;
  HWND host_ = nullptr;
  HWND window_ = nullptr;
  Ptr<IUnknown> container_;
  Ptr<IUnknown> control_;
};

TEST_F(Hosted, AfterPaintingTheWindowIsZeroByZeroAtMinusOne) {
  EXPECT_EQ(GetParent(window_), host_);
  InvalidateRect(window_, nullptr, TRUE);
  UpdateWindow(host_);
  controltest::PumpFor(300);
  RECT area;
  ASSERT_TRUE(GetWindowRect(window_, &area));
  POINT corner = {area.left, area.top};
  ScreenToClient(host_, &corner);
  EXPECT_EQ(-1, corner.x);
  EXPECT_EQ(-1, corner.y);
  EXPECT_EQ(0, area.right - area.left);
  EXPECT_EQ(0, area.bottom - area.top);

  // The stock hWnd property gives the same window.
  Ptr<IDispatch> dispatch;
  ASSERT_EQ(S_OK, control_->QueryInterface(IID_IDispatch, dispatch.OutVoid()));
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VARIANT result;
  VariantInit(&result);
  ASSERT_EQ(S_OK, dispatch->Invoke(-515, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr,
                                   nullptr));
  EXPECT_EQ(static_cast<LONG>(reinterpret_cast<LONG_PTR>(window_)), V_I4(&result));
}

TEST_F(Hosted, SinkIsAdvisedAndUnadvisedThroughTheContainer) {
  Ptr<IConnectionPointContainer> points;
  ASSERT_EQ(S_OK, control_->QueryInterface(IID_IConnectionPointContainer, points.OutVoid()));
  Ptr<IConnectionPoint> point;
  ASSERT_EQ(S_OK, points->FindConnectionPoint(qx30w32::kEventsId, point.Out()));
  Ptr<IConnectionPoint> none;
  EXPECT_EQ(CONNECT_E_NOCONNECTION, points->FindConnectionPoint(IID_IDispatch, none.Out()));
  IID iid = IID_NULL;
  ASSERT_EQ(S_OK, point->GetConnectionInterface(&iid));
  EXPECT_TRUE(IsEqualIID(qx30w32::kEventsId, iid));

  RecordingSink sink(qx30w32::kEventsId);
  DWORD cookie = 0;
  ASSERT_EQ(S_OK, point->Advise(&sink, &cookie));
  EXPECT_NE(0u, cookie);
  EXPECT_GT(sink.references, 1);  // the control holds it

  const char name[] = "DOCS/README.TXT";
  EXPECT_EQ(0, SendMessageA(window_, progress::kEntryOpened, 0, reinterpret_cast<LPARAM>(name)));
  ASSERT_EQ(1u, sink.records.size());
  EXPECT_EQ(1, sink.records[0].id);
  EXPECT_EQ(L"DOCS/README.TXT", sink.records[0].args.at(0));

  ASSERT_EQ(S_OK, point->Unadvise(cookie));
  EXPECT_EQ(1, sink.references);
  EXPECT_EQ(CONNECT_E_NOCONNECTION, point->Unadvise(cookie));
  SendMessageA(window_, progress::kEntryOpened, 0, reinterpret_cast<LPARAM>(name));
  EXPECT_EQ(1u, sink.records.size());  // nothing reaches an unadvised sink
}

TEST_F(Hosted, EveryProgressMessageFiresItsEvent) {
  Ptr<IConnectionPointContainer> points;
  ASSERT_EQ(S_OK, control_->QueryInterface(IID_IConnectionPointContainer, points.OutVoid()));
  Ptr<IConnectionPoint> point;
  ASSERT_EQ(S_OK, points->FindConnectionPoint(qx30w32::kEventsId, point.Out()));
  RecordingSink sink(qx30w32::kEventsId);
  DWORD cookie = 0;
  ASSERT_EQ(S_OK, point->Advise(&sink, &cookie));

  static const char kText[] = "A.ZIP";
  const LPARAM text = reinterpret_cast<LPARAM>(kText);
  struct Case {
    UINT offset;
    WPARAM wParam;
    LPARAM lParam;
    DISPID event;  // 0: none
    std::vector<std::wstring> args;
  };
  const std::vector<Case> cases = {
      {38, 0, text, 1, {L"A.ZIP"}},
      {39, 55, text, 2, {L"A.ZIP", L"55"}},
      {40, 1, text, 3, {L"A.ZIP", L"-1"}},
      {40, 0, text, 3, {L"A.ZIP", L"0"}},
      {41, 70000, text, 5, {L"4464", L"A.ZIP"}},  // only the low 16 bits
      {42, 2, 100, 0, {}},
      {43, 0, 123456, 7, {L"123456"}},
      {44, 0, text, 8, {L"A.ZIP"}},
      {45, 60, text, 17, {L"A.ZIP", L"60"}},
      {46, 12, text, 15, {L"A.ZIP", L"12"}},
      {47, 0, text, 24, {L"A.ZIP"}},
      {48, 0, text, 18, {L"A.ZIP"}},
      {49, 3, text, 19, {L"A.ZIP", L"3"}},
      {50, 99, text, 16, {L"A.ZIP", L"99"}},
      {52, 7, 0, 0, {}},
      {61, 8, text, 22, {L"8", L"A.ZIP"}},
      {62, 2, 1457664, 23, {L"2", L"1457664"}},
      {66, 40, text, 21, {L"A.ZIP", L"40"}},
      {69, 0, text, 4, {L"A.ZIP", L"-1"}},
      {69, 1, text, 4, {L"A.ZIP", L"-1"}},
      {69, 2, text, 4, {L"A.ZIP", L"0"}},
      {80, 0, text, 11, {L"A.ZIP"}},
      {81, 0, 5000, 12, {L"5000"}},
      {82, 0, text, 9, {L"A.ZIP"}},
      {83, 0, 6000, 10, {L"6000"}},
      {90, 0, 0, 13, {}},
      {91, 50, 0, 14, {L"50"}},
      {38, 0, 0, 1, {L""}},  // a null string gives ""
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("WM_USER+" + std::to_string(c.offset) + " wParam " + std::to_string(c.wParam));
    sink.records.clear();
    SendMessageA(window_, WM_USER + c.offset, c.wParam, c.lParam);
    if (c.event == 0) {
      EXPECT_TRUE(sink.records.empty());
      continue;
    }
    ASSERT_EQ(1u, sink.records.size());
    EXPECT_EQ(c.event, sink.records[0].id);
    EXPECT_EQ(c.args, sink.records[0].args);
  }
  ASSERT_EQ(S_OK, point->Unadvise(cookie));
}

TEST_F(Hosted, FrozenEventsAreNotFired) {
  Ptr<IConnectionPointContainer> points;
  ASSERT_EQ(S_OK, control_->QueryInterface(IID_IConnectionPointContainer, points.OutVoid()));
  Ptr<IConnectionPoint> point;
  ASSERT_EQ(S_OK, points->FindConnectionPoint(qx30w32::kEventsId, point.Out()));
  RecordingSink sink(qx30w32::kEventsId);
  DWORD cookie = 0;
  ASSERT_EQ(S_OK, point->Advise(&sink, &cookie));
  Ptr<IOleControl> oleControl;
  ASSERT_EQ(S_OK, control_->QueryInterface(IID_IOleControl, oleControl.OutVoid()));
  oleControl->FreezeEvents(TRUE);
  SendMessageA(window_, progress::kMakeExeStep1, 0, 0);
  EXPECT_TRUE(sink.records.empty());
  oleControl->FreezeEvents(FALSE);
  SendMessageA(window_, progress::kMakeExeStep1, 0, 0);
  EXPECT_EQ(1u, sink.records.size());
  ASSERT_EQ(S_OK, point->Unadvise(cookie));
}

TEST_F(Hosted, AboutBoxOpensAndClosesWithOk) {
  Ptr<IDispatch> dispatch;
  ASSERT_EQ(S_OK, control_->QueryInterface(IID_IDispatch, dispatch.OutVoid()));
  std::string version;
  testutil::DialogAnswerer watcher("About QX30W32", IDOK, [&](HWND dialog) {
    char text[128] = {};
    GetDlgItemTextA(dialog, 1002, text, sizeof text);
    version = text;
  });
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VARIANT result;
  VariantInit(&result);
  const DWORD start = GetTickCount();
  ASSERT_EQ(S_OK,
            dispatch->Invoke(-552, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr));
  EXPECT_TRUE(watcher.found());
  EXPECT_EQ("Version 3.0", version);
  EXPECT_LT(GetTickCount() - start, 20000u);
}

TEST_F(Hosted, PropertyPageOpensInAPropertyFrameAndCloses) {
  IUnknown* objects[] = {control_.get()};
  const CLSID pages[] = {qx30w32::kPropertyPageClassId};
  bool sawPageText = false;
  testutil::DialogAnswerer watcher("QX30W32 properties", IDOK, [&](HWND frame) {
    // The page is a child dialog somewhere inside the frame, showing the control's note.
    EnumChildWindows(
        frame,
        [](HWND child, LPARAM found) CALLBACK -> BOOL {
          char text[256] = {};
          GetWindowTextA(child, text, sizeof text);
          if (std::string(text).find("doesn' t use properties but methods") != std::string::npos) {
            *reinterpret_cast<bool*>(found) = true;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&sawPageText));
  });
  EXPECT_EQ(S_OK,
            OleCreatePropertyFrame(host_, 0, 0, L"QX30W32 properties", 1, objects, 1,
                                   const_cast<CLSID*>(pages), LOCALE_USER_DEFAULT, 0, nullptr));
  EXPECT_TRUE(watcher.found());
  EXPECT_TRUE(sawPageText);
}

TEST_F(Hosted, PropertiesVerbShowsThePropertyFrame) {
  Ptr<IOleObject> ole;
  ASSERT_EQ(S_OK, control_->QueryInterface(IID_IOleObject, ole.OutVoid()));
  Ptr<IOleClientSite> site;
  ASSERT_EQ(S_OK, ole->GetClientSite(site.Out()));
  testutil::DialogAnswerer watcher("QX30W32 Control", IDOK);
  RECT area = {0, 0, 10, 10};
  EXPECT_EQ(S_OK, ole->DoVerb(OLEIVERB_PROPERTIES, nullptr, site.get(), 0, host_, &area));
  EXPECT_TRUE(watcher.found());
}

TEST_F(Hosted, DeactivatingDestroysTheControlWindow) {
  Ptr<IOleInPlaceObject> inPlace;
  ASSERT_EQ(S_OK, control_->QueryInterface(IID_IOleInPlaceObject, inPlace.OutVoid()));
  ASSERT_EQ(S_OK, inPlace->InPlaceDeactivate());
  EXPECT_FALSE(IsWindow(window_));
  HWND window = nullptr;
  EXPECT_EQ(E_FAIL, inPlace->GetWindow(&window));
}

}  // namespace
