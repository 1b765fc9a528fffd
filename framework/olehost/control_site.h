// The site of one control: IOleClientSite, the ambient-property IDispatch (UserMode TRUE: the
// control runs, it is not being designed), IOleInPlaceSite, and the in-place frame (a second
// object sharing the site's count) whose EnableModeless is the control's bracket around each
// prompt. The site outlives its owner when the control still holds it: Detach cuts the link.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleidl.h>

namespace olehost {

class TOleControl;

class ControlSite final : public IOleClientSite, public IDispatch, public IOleInPlaceSite {
 public:
  explicit ControlSite(TOleControl* owner) : owner_(owner), frame_(this) {}
  ControlSite(const ControlSite&) = delete;
  ControlSite& operator=(const ControlSite&) = delete;
  void Detach() { owner_ = nullptr; }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IOleClientSite
  STDMETHODIMP SaveObject() override;
  STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
  STDMETHODIMP GetContainer(IOleContainer** container) override;
  STDMETHODIMP ShowObject() override;
  STDMETHODIMP OnShowWindow(BOOL show) override;
  STDMETHODIMP RequestNewObjectLayout() override;

  // IDispatch: the ambient properties
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                             DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

  // IOleWindow, IOleInPlaceSite
  STDMETHODIMP GetWindow(HWND* window) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;
  STDMETHODIMP CanInPlaceActivate() override;
  STDMETHODIMP OnInPlaceActivate() override;
  STDMETHODIMP OnUIActivate() override;
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                LPRECT posRect, LPRECT clipRect,
                                LPOLEINPLACEFRAMEINFO frameInfo) override;
  STDMETHODIMP Scroll(SIZE extent) override;
  STDMETHODIMP OnUIDeactivate(BOOL undoable) override;
  STDMETHODIMP OnInPlaceDeactivate() override;
  STDMETHODIMP DiscardUndoState() override;
  STDMETHODIMP DeactivateAndUndo() override;
  STDMETHODIMP OnPosRectChange(LPCRECT posRect) override;

 private:
  class Frame final : public IOleInPlaceFrame {
   public:
    explicit Frame(ControlSite* site) : site_(site) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return site_->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return site_->Release(); }
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enter) override { return S_OK; }
    STDMETHODIMP GetBorder(LPRECT border) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS widths) override {
      return INPLACE_E_NOTOOLSPACE;
    }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS widths) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR name) override {
      return S_OK;
    }
    STDMETHODIMP InsertMenus(HMENU shared, LPOLEMENUGROUPWIDTHS widths) override { return S_OK; }
    STDMETHODIMP SetMenu(HMENU shared, HOLEMENU descriptor, HWND object) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU shared) override { return S_OK; }
    STDMETHODIMP SetStatusText(LPCOLESTR text) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL enable) override;
    STDMETHODIMP TranslateAccelerator(LPMSG msg, WORD id) override { return S_FALSE; }

   private:
    ControlSite* site_;
  };

  ~ControlSite() = default;

  TOleControl* owner_;
  Frame frame_;
  LONG references_ = 1;
};

}  // namespace olehost
