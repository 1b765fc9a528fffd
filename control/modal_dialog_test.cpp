// The control's modal dialogs are bracketed by its container: a container of the test's own
// records the in-place activation calls and EnableModeless on its frame around the About box.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control_test_support.h"
#include "qx30w32_guids.h"

namespace {

using controltest::Ptr;

// A minimal in-place container: one site with a frame; the test owns it.
class RecordingContainer final : public controltest::PassiveClientSite,
                                 public IOleInPlaceSite,
                                 public IOleInPlaceFrame {
 public:
  explicit RecordingContainer(HWND window) : window_(window) {}
  std::vector<std::string> calls;

  STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite)) {
      *object = static_cast<IOleClientSite*>(this);
    } else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite)) {
      *object = static_cast<IOleInPlaceSite*>(this);
    } else if (IsEqualIID(riid, IID_IOleInPlaceUIWindow) ||
               IsEqualIID(riid, IID_IOleInPlaceFrame)) {
      *object = static_cast<IOleInPlaceFrame*>(this);
    } else {
      *object = nullptr;  // no ambient properties: UserMode counts as TRUE
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references; }
  STDMETHODIMP_(ULONG) Release() override { return --references; }

  // IOleWindow (site and frame)
  STDMETHODIMP GetWindow(HWND* window) override {
    *window = window_;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override {
    calls.push_back("CanInPlaceActivate");
    return S_OK;
  }
  STDMETHODIMP OnInPlaceActivate() override {
    calls.push_back("OnInPlaceActivate");
    return S_OK;
  }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                LPRECT pos, LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
    calls.push_back("GetWindowContext");
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *document = nullptr;
    *pos = {10, 20, 110, 70};
    *clip = *pos;
    info->fMDIApp = FALSE;
    info->hwndFrame = window_;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override {
    calls.push_back("OnInPlaceDeactivate");
    return S_OK;
  }
  STDMETHODIMP DiscardUndoState() override { return S_OK; }
  STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
  STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

  // IOleInPlaceUIWindow, IOleInPlaceFrame
  STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL enable) override {
    calls.push_back(enable ? "EnableModeless(TRUE)" : "EnableModeless(FALSE)");
    return S_OK;
  }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  LONG references = 1;

 private:
  HWND window_;
};

TEST(ModalDialogs, AboutBoxIsBracketedByTheContainersFrame) {
  if (!controltest::CanCreateWindows()) GTEST_SKIP() << "no display: run under xvfb-run";
  HWND host =
      CreateWindowExA(0, "STATIC", "QX30W32 test container", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60,
                      60, 300, 200, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, host);
  RecordingContainer container(host);
  {
    Ptr<IOleObject> ole;
    ASSERT_EQ(S_OK, CoCreateInstance(qx30w32::kControlClassId, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IOleObject, ole.OutVoid()));
    ASSERT_EQ(S_OK, ole->SetClientSite(&container));
    RECT pos = {10, 20, 110, 70};
    ASSERT_EQ(S_OK, ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &container, 0, host, &pos));
    Ptr<IOleInPlaceObject> inPlace;
    ASSERT_EQ(S_OK, ole->QueryInterface(IID_IOleInPlaceObject, inPlace.OutVoid()));
    HWND window = nullptr;
    ASSERT_EQ(S_OK, inPlace->GetWindow(&window));
    EXPECT_EQ(host, GetParent(window));
    const std::vector<std::string> activation = {"CanInPlaceActivate", "OnInPlaceActivate",
                                                 "GetWindowContext"};
    EXPECT_EQ(activation, container.calls);

    container.calls.clear();
    std::vector<std::string> callsWhileOpen;
    testutil::DialogAnswerer watcher("About QX30W32", IDOK,
                                     [&](HWND) { callsWhileOpen = container.calls; });
    Ptr<IDispatch> dispatch;
    ASSERT_EQ(S_OK, ole->QueryInterface(IID_IDispatch, dispatch.OutVoid()));
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    ASSERT_EQ(S_OK, dispatch->Invoke(-552, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr,
                                     nullptr));
    EXPECT_TRUE(watcher.found());
    EXPECT_EQ(std::vector<std::string>{"EnableModeless(FALSE)"}, callsWhileOpen);
    const std::vector<std::string> bracket = {"EnableModeless(FALSE)", "EnableModeless(TRUE)"};
    EXPECT_EQ(bracket, container.calls);

    container.calls.clear();
    ASSERT_EQ(S_OK, ole->Close(OLECLOSE_NOSAVE));
    EXPECT_EQ(std::vector<std::string>{"OnInPlaceDeactivate"}, container.calls);
    EXPECT_FALSE(IsWindow(window));
    ASSERT_EQ(S_OK, ole->SetClientSite(nullptr));
  }
  EXPECT_EQ(1, container.references);  // the control let go of every site and frame reference
  DestroyWindow(host);
}

}  // namespace
