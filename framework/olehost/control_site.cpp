#include "olehost/control_site.h"

#include <olectl.h>

#include "olehost/ole_control.h"

namespace olehost {

STDMETHODIMP ControlSite::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite)) {
    *object = static_cast<IOleClientSite*>(this);
  } else if (IsEqualIID(riid, IID_IDispatch)) {
    *object = static_cast<IDispatch*>(this);
  } else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite)) {
    *object = static_cast<IOleInPlaceSite*>(this);
  } else if (IsEqualIID(riid, IID_IOleInPlaceFrame) || IsEqualIID(riid, IID_IOleInPlaceUIWindow)) {
    *object = static_cast<IOleInPlaceFrame*>(&frame_);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) ControlSite::AddRef() { return InterlockedIncrement(&references_); }

STDMETHODIMP_(ULONG) ControlSite::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

// ---- IOleClientSite ----

STDMETHODIMP ControlSite::SaveObject() { return E_NOTIMPL; }

STDMETHODIMP ControlSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker != nullptr) *moniker = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ControlSite::GetContainer(IOleContainer** container) {
  if (container != nullptr) *container = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP ControlSite::ShowObject() { return S_OK; }
STDMETHODIMP ControlSite::OnShowWindow(BOOL) { return S_OK; }
STDMETHODIMP ControlSite::RequestNewObjectLayout() { return E_NOTIMPL; }

// ---- IDispatch: ambient properties ----

STDMETHODIMP ControlSite::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP ControlSite::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info != nullptr) *info = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ControlSite::GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) {
  for (UINT i = 0; ids != nullptr && i < count; ++i) ids[i] = DISPID_UNKNOWN;
  return DISP_E_UNKNOWNNAME;
}

STDMETHODIMP ControlSite::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result,
                                 EXCEPINFO*, UINT*) {
  if (id != DISPID_AMBIENT_USERMODE) return DISP_E_MEMBERNOTFOUND;
  if ((flags & DISPATCH_PROPERTYGET) == 0) return DISP_E_MEMBERNOTFOUND;
  if (result == nullptr) return E_POINTER;
  VariantInit(result);
  V_VT(result) = VT_BOOL;
  V_BOOL(result) = VARIANT_TRUE;
  return S_OK;
}

// ---- IOleInPlaceSite ----

STDMETHODIMP ControlSite::GetWindow(HWND* window) {
  if (window == nullptr) return E_POINTER;
  *window = owner_ != nullptr ? owner_->parent_ : nullptr;
  return *window != nullptr ? S_OK : E_FAIL;
}

STDMETHODIMP ControlSite::ContextSensitiveHelp(BOOL) { return S_OK; }
STDMETHODIMP ControlSite::CanInPlaceActivate() { return owner_ != nullptr ? S_OK : S_FALSE; }
STDMETHODIMP ControlSite::OnInPlaceActivate() { return S_OK; }
STDMETHODIMP ControlSite::OnUIActivate() { return S_OK; }

STDMETHODIMP ControlSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                           LPRECT posRect, LPRECT clipRect,
                                           LPOLEINPLACEFRAMEINFO frameInfo) {
  if (frame == nullptr || document == nullptr || posRect == nullptr || clipRect == nullptr ||
      frameInfo == nullptr) {
    return E_POINTER;
  }
  *frame = &frame_;
  AddRef();
  *document = nullptr;  // the frame is the document window too
  HWND parent = owner_ != nullptr ? owner_->parent_ : nullptr;
  *posRect = owner_ != nullptr ? owner_->bounds_ : RECT{0, 0, 0, 0};
  if (parent == nullptr || !GetClientRect(parent, clipRect)) *clipRect = *posRect;
  frameInfo->cb = sizeof(OLEINPLACEFRAMEINFO);
  frameInfo->fMDIApp = FALSE;
  frameInfo->hwndFrame = parent != nullptr ? GetAncestor(parent, GA_ROOT) : nullptr;
  frameInfo->haccel = nullptr;
  frameInfo->cAccelEntries = 0;
  return S_OK;
}

STDMETHODIMP ControlSite::Scroll(SIZE) { return E_NOTIMPL; }
STDMETHODIMP ControlSite::OnUIDeactivate(BOOL) { return S_OK; }
STDMETHODIMP ControlSite::OnInPlaceDeactivate() { return S_OK; }
STDMETHODIMP ControlSite::DiscardUndoState() { return S_OK; }
STDMETHODIMP ControlSite::DeactivateAndUndo() { return S_OK; }

STDMETHODIMP ControlSite::OnPosRectChange(LPCRECT posRect) {
  if (posRect == nullptr) return E_POINTER;
  if (owner_ == nullptr || !owner_->oleObject_) return S_OK;
  // The container accepts every position the control asks for and tells it so.
  owner_->bounds_ = *posRect;
  activex::ComRef<IOleInPlaceObject> inPlace;
  if (SUCCEEDED(owner_->oleObject_.As(IID_IOleInPlaceObject, &inPlace)) && inPlace) {
    RECT clip = *posRect;
    if (owner_->parent_ != nullptr) GetClientRect(owner_->parent_, &clip);
    inPlace->SetObjectRects(posRect, &clip);
  }
  return S_OK;
}

// ---- The in-place frame ----

STDMETHODIMP ControlSite::Frame::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceUIWindow) ||
      IsEqualIID(riid, IID_IOleInPlaceFrame)) {
    *object = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    return S_OK;
  }
  return site_->QueryInterface(riid, object);
}

STDMETHODIMP ControlSite::Frame::GetWindow(HWND* window) {
  if (window == nullptr) return E_POINTER;
  HWND parent = site_->owner_ != nullptr ? site_->owner_->parent_ : nullptr;
  *window = parent != nullptr ? GetAncestor(parent, GA_ROOT) : nullptr;
  return *window != nullptr ? S_OK : E_FAIL;
}

STDMETHODIMP ControlSite::Frame::EnableModeless(BOOL enable) {
  // The binding's observer must not unwind into the control; it is noexcept-guarded here.
  try {
    if (site_->owner_ != nullptr) site_->owner_->EnableModeless(enable != FALSE);
  } catch (...) {
  }
  return S_OK;
}

}  // namespace olehost
