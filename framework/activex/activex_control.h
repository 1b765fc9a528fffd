// The base of an ActiveX control: one COM object answering the interfaces a container uses
// (IDispatch over a descriptor table, IOleObject with in-place activation, IOleInPlaceObject,
// IOleControl, IViewObject2, IPersistStreamInit, IProvideClassInfo2, ISpecifyPropertyPages and
// the connection point of its events). No aggregation, licensing or windowless activation.
// Every method also works with no container at all (no site: no window).
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstdint>
#include <span>

#include "activex/com_ref.h"
#include "activex/connection_point.h"
#include "activex/dispatch_table.h"

namespace activex {

// What a control class tells the base about itself.
struct ControlClassInfo {
  const CLSID* clsid;
  const GUID* typeLibrary;
  const IID* dispatchInterface;
  const IID* eventInterface;
  const CLSID* propertyPage;
  DWORD miscStatus;
  std::span<const DispatchMember> members;
  const wchar_t* frameCaption;  // caption of the property frame of the Properties verb
  const wchar_t* windowClass;   // class of the in-place window (RegisterControlWindowClass)
  const wchar_t* errorSource;   // the source an automation error names (EXCEPINFO bstrSource)
};

// Reads or writes the persisted state as consecutive 32-bit little-endian words.
class PropertyExchange {
 public:
  PropertyExchange(IStream* stream, bool loading) : stream_(stream), loading_(loading) {}
  bool loading() const { return loading_; }
  // Exchanges one word; after the first failure every later exchange fails too.
  bool Exchange(uint32_t& value);
  bool Exchange(int32_t& value);
  HRESULT status() const { return status_; }

 private:
  IStream* stream_;
  bool loading_;
  HRESULT status_ = S_OK;
};

class ActiveXControl : public IDispatch,
                       public IOleObject,
                       public IOleInPlaceObject,
                       public IOleControl,
                       public IViewObject2,
                       public IPersistStreamInit,
                       public IProvideClassInfo2,
                       public ISpecifyPropertyPages,
                       public IConnectionPointContainer {
 public:
  explicit ActiveXControl(const ControlClassInfo& info);
  const ControlClassInfo& classInfo() const { return info_; }
  virtual ~ActiveXControl();
  ActiveXControl(const ActiveXControl&) = delete;
  ActiveXControl& operator=(const ActiveXControl&) = delete;

  // The control window; null while not in-place active (and always without a container).
  HWND window() const { return window_; }
  // The container's ambient UserMode; TRUE when the site offers none or there is no site.
  bool AmbientUserMode();
  // Container notifications around a modal dialog of the control.
  void PreModalDialog();
  void PostModalDialog();
  // The owner window for the control's modal dialogs (null without a container).
  HWND ModalParent();
  // Fires an event to the advised sinks (nothing while the container freezes events).
  void FireEvent(DISPID id, VARIANT* args, UINT count);
  size_t EventSinkCount() const { return events_.sinkCount(); }
  // Shows the property pages in a modal frame (the Properties verb).
  HRESULT ShowPropertyPages();
  SIZEL extent() const { return extent_; }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                             DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

  // IOleObject
  STDMETHODIMP SetClientSite(IOleClientSite* site) override;
  STDMETHODIMP GetClientSite(IOleClientSite** site) override;
  STDMETHODIMP SetHostNames(LPCOLESTR app, LPCOLESTR object) override;
  STDMETHODIMP Close(DWORD saveOption) override;
  STDMETHODIMP SetMoniker(DWORD which, IMoniker* moniker) override;
  STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
  STDMETHODIMP InitFromData(IDataObject* data, BOOL creation, DWORD reserved) override;
  STDMETHODIMP GetClipboardData(DWORD reserved, IDataObject** data) override;
  STDMETHODIMP DoVerb(LONG verb, LPMSG msg, IOleClientSite* site, LONG index, HWND parent,
                      LPCRECT posRect) override;
  STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override;
  STDMETHODIMP Update() override;
  STDMETHODIMP IsUpToDate() override;
  STDMETHODIMP GetUserClassID(CLSID* clsid) override;
  STDMETHODIMP GetUserType(DWORD form, LPOLESTR* type) override;
  STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
  STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
  STDMETHODIMP Advise(IAdviseSink* sink, DWORD* connection) override;
  STDMETHODIMP Unadvise(DWORD connection) override;
  STDMETHODIMP EnumAdvise(IEnumSTATDATA** advises) override;
  STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override;
  STDMETHODIMP SetColorScheme(LOGPALETTE* palette) override;

  // IOleWindow, IOleInPlaceObject
  STDMETHODIMP GetWindow(HWND* window) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;
  STDMETHODIMP InPlaceDeactivate() override;
  STDMETHODIMP UIDeactivate() override;
  STDMETHODIMP SetObjectRects(LPCRECT posRect, LPCRECT clipRect) override;
  STDMETHODIMP ReactivateAndUndo() override;

  // IOleControl
  STDMETHODIMP GetControlInfo(CONTROLINFO* info) override;
  STDMETHODIMP OnMnemonic(MSG* msg) override;
  STDMETHODIMP OnAmbientPropertyChange(DISPID id) override;
  STDMETHODIMP FreezeEvents(BOOL freeze) override;

  // IViewObject, IViewObject2
  STDMETHODIMP Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device,
                    HDC targetDC, HDC drawDC, LPCRECTL bounds, LPCRECTL windowBounds,
                    BOOL(STDMETHODCALLTYPE* keepGoing)(ULONG_PTR), ULONG_PTR keepGoingArg) override;
  STDMETHODIMP GetColorSet(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device,
                           HDC targetDC, LOGPALETTE** colors) override;
  STDMETHODIMP Freeze(DWORD aspect, LONG index, void* aspectInfo, DWORD* freeze) override;
  STDMETHODIMP Unfreeze(DWORD freeze) override;
  STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
  STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
  STDMETHODIMP GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device, LPSIZEL size) override;

  // IPersist, IPersistStreamInit
  STDMETHODIMP GetClassID(CLSID* clsid) override;
  STDMETHODIMP IsDirty() override;
  STDMETHODIMP Load(LPSTREAM stream) override;
  STDMETHODIMP Save(LPSTREAM stream, BOOL clearDirty) override;
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;
  STDMETHODIMP InitNew() override;

  // IProvideClassInfo, IProvideClassInfo2
  STDMETHODIMP GetClassInfo(ITypeInfo** info) override;
  STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override;

  // ISpecifyPropertyPages
  STDMETHODIMP GetPages(CAUUID* pages) override;

  // IConnectionPointContainer
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override;
  STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** point) override;

 protected:
  // Drawing into a device context, in the window's paint and in IViewObject::Draw.
  virtual void OnDraw(HDC dc, const RECT& bounds) = 0;
  // The control's persisted state; the derived class exchanges its own words and then calls
  // ExchangeBaseState.
  virtual void ExchangeProperties(PropertyExchange& exchange) { ExchangeBaseState(exchange); }
  void ExchangeBaseState(PropertyExchange& exchange);
  // Messages of the control window; true when handled (with *result).
  virtual bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    return false;
  }
  // Whether a dispatch member can do its work on this object now.
  virtual bool MemberAvailable(const DispatchMember& member) { return true; }
  // The control's initial size in HIMETRIC units.
  void SetInitialExtent(SIZEL extent) { extent_ = extent; }

 private:
  friend LRESULT CALLBACK ControlWindowProc(HWND, UINT, WPARAM, LPARAM);
  static bool InvokeAllowed(ActiveXControl& control, const DispatchMember& member);
  HRESULT LoadDispatchTypeInfo();
  HRESULT InPlaceActivate(HWND parentHint, LPCRECT posHint);
  LRESULT WindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void ReleaseSite();

  const ControlClassInfo& info_;
  LONG references_ = 1;
  ComRef<ITypeInfo> dispatchInfo_;
  EventConnectionPoint events_;
  ComRef<IOleClientSite> site_;
  ComRef<IOleInPlaceSite> inPlaceSite_;
  ComRef<IOleInPlaceFrame> inPlaceFrame_;
  ComRef<IOleInPlaceUIWindow> inPlaceUIWindow_;
  ComRef<IOleAdviseHolder> oleAdvise_;
  ComRef<IAdviseSink> viewAdvise_;
  DWORD viewAdviseAspects_ = 0;
  DWORD viewAdviseFlags_ = 0;
  HWND window_ = nullptr;
  SIZEL extent_ = {2540, 2540};
  bool dirty_ = false;
  LONG freezeCount_ = 0;
  int modalDepth_ = 0;
};

// Registers the control window class for the module; call once when the module loads.
bool RegisterControlWindowClass(HINSTANCE module, const ControlClassInfo& info);
void UnregisterControlWindowClass(HINSTANCE module, const ControlClassInfo& info);

}  // namespace activex
