// The control in its container: the client site, in-place activation with the control window,
// ambient properties, modal-dialog notifications and the Properties verb.
#include "activex/activex_control.h"

#include <olectl.h>

#include "activex/server_module.h"

namespace activex {

LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* control = reinterpret_cast<ActiveXControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (control != nullptr) {
      if (message == WM_NCCREATE) control->window_ = window;
      if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        if (control->window_ == window) control->window_ = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
      }
      return control->WindowMessage(message, wParam, lParam);
    }
  } catch (...) {
    // Nothing may unwind into the system's frames.
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterControlWindowClass(HINSTANCE module, const ControlClassInfo& info) {
  WNDCLASSW windowClass = {};
  windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  windowClass.lpfnWndProc = ControlWindowProc;
  windowClass.hInstance = module;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.lpszClassName = info.windowClass;
  return RegisterClassW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void UnregisterControlWindowClass(HINSTANCE module, const ControlClassInfo& info) {
  UnregisterClassW(info.windowClass, module);
}

LRESULT ActiveXControl::WindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (OnWindowMessage(message, wParam, lParam, &result)) return result;
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window_, &paint);
      if (dc != nullptr) {
        RECT bounds;
        GetClientRect(window_, &bounds);
        OnDraw(dc, bounds);
        EndPaint(window_, &paint);
      }
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // the drawing fills its bounds itself
    default:
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

void ActiveXControl::ReleaseSite() {
  inPlaceFrame_.reset();
  inPlaceUIWindow_.reset();
  inPlaceSite_.reset();
  site_.reset();
}

bool ActiveXControl::AmbientUserMode() {
  if (!site_) return true;
  ComRef<IDispatch> ambient;
  if (FAILED(site_.As(IID_IDispatch, &ambient)) || !ambient) return true;
  VARIANT value;
  VariantInit(&value);
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  HRESULT hr = ambient->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, LOCALE_USER_DEFAULT,
                               DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr);
  ambient.reset();
  bool userMode = true;
  if (SUCCEEDED(hr) && SUCCEEDED(VariantChangeType(&value, &value, 0, VT_BOOL))) {
    userMode = V_BOOL(&value) != VARIANT_FALSE;
  }
  VariantClear(&value);
  return userMode;
}

void ActiveXControl::PreModalDialog() {
  if (modalDepth_++ == 0 && inPlaceFrame_) inPlaceFrame_->EnableModeless(FALSE);
}

void ActiveXControl::PostModalDialog() {
  if (modalDepth_ > 0 && --modalDepth_ == 0 && inPlaceFrame_) {
    inPlaceFrame_->EnableModeless(TRUE);
  }
}

HWND ActiveXControl::ModalParent() {
  HWND owner = nullptr;
  if (window_ != nullptr) {
    owner = GetAncestor(window_, GA_ROOT);
  } else if (inPlaceSite_) {
    inPlaceSite_->GetWindow(&owner);
  }
  return owner;
}

HRESULT ActiveXControl::ShowPropertyPages() {
  IUnknown* self = static_cast<IDispatch*>(this);
  CAUUID pages = {0, nullptr};
  HRESULT hr = GetPages(&pages);
  if (FAILED(hr)) return hr;
  PreModalDialog();
  hr = OleCreatePropertyFrame(ModalParent(), 0, 0, info_.frameCaption, 1, &self, pages.cElems,
                              pages.pElems, LOCALE_USER_DEFAULT, 0, nullptr);
  PostModalDialog();
  CoTaskMemFree(pages.pElems);
  return hr;
}

// ---- IOleObject ----

STDMETHODIMP ActiveXControl::SetClientSite(IOleClientSite* site) {
  if (site == site_.get()) return S_OK;
  if (site_) InPlaceDeactivate();
  ReleaseSite();
  site_ = ComRef<IOleClientSite>::Share(site);
  return S_OK;
}

STDMETHODIMP ActiveXControl::GetClientSite(IOleClientSite** site) {
  if (site == nullptr) return E_POINTER;
  *site = ComRef<IOleClientSite>(site_).take();
  return S_OK;
}

STDMETHODIMP ActiveXControl::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

STDMETHODIMP ActiveXControl::Close(DWORD saveOption) {
  InPlaceDeactivate();
  if (oleAdvise_) oleAdvise_->SendOnClose();
  return S_OK;
}

STDMETHODIMP ActiveXControl::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }

STDMETHODIMP ActiveXControl::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker != nullptr) *moniker = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ActiveXControl::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }

STDMETHODIMP ActiveXControl::GetClipboardData(DWORD, IDataObject** data) {
  if (data != nullptr) *data = nullptr;
  return E_NOTIMPL;
}

HRESULT ActiveXControl::InPlaceActivate(HWND parentHint, LPCRECT posHint) {
  if (window_ != nullptr) return S_OK;
  if (!site_) return E_UNEXPECTED;
  if (!inPlaceSite_ && FAILED(site_.As(IID_IOleInPlaceSite, &inPlaceSite_))) {
    return OLEOBJ_S_CANNOT_DOVERB_NOW;
  }
  if (inPlaceSite_->CanInPlaceActivate() != S_OK) return OLEOBJ_S_CANNOT_DOVERB_NOW;
  HRESULT hr = inPlaceSite_->OnInPlaceActivate();
  if (FAILED(hr)) return hr;

  HWND parent = nullptr;
  if (FAILED(inPlaceSite_->GetWindow(&parent)) || parent == nullptr) parent = parentHint;
  RECT pos = {0, 0, 0, 0};
  RECT clip = {0, 0, 0, 0};
  OLEINPLACEFRAMEINFO frameInfo = {};
  frameInfo.cb = sizeof frameInfo;
  if (FAILED(inPlaceSite_->GetWindowContext(inPlaceFrame_.out(), inPlaceUIWindow_.out(), &pos,
                                            &clip, &frameInfo))) {
    // Nothing was handed out.
    inPlaceFrame_.take();
    inPlaceUIWindow_.take();
    if (posHint != nullptr) pos = *posHint;
  }
  if (parent == nullptr) {
    inPlaceSite_->OnInPlaceDeactivate();
    return E_FAIL;
  }
  CreateWindowExW(0, info_.windowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, pos.left,
                  pos.top, pos.right - pos.left, pos.bottom - pos.top, parent, nullptr,
                  ModuleHandle(), this);
  if (window_ == nullptr) {
    // No window (no display): the control stays usable without one.
    inPlaceSite_->OnInPlaceDeactivate();
    return E_FAIL;
  }
  return S_OK;
}

STDMETHODIMP ActiveXControl::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                                    LPCRECT posRect) {
  try {
    switch (verb) {
      case OLEIVERB_PRIMARY:
      case OLEIVERB_SHOW:
      case OLEIVERB_INPLACEACTIVATE:
      case OLEIVERB_UIACTIVATE:
        if (!site_ && site != nullptr) SetClientSite(site);
        return InPlaceActivate(parent, posRect);
      case OLEIVERB_HIDE:
        if (window_ != nullptr) ShowWindow(window_, SW_HIDE);
        return S_OK;
      case OLEIVERB_PROPERTIES:
        return ShowPropertyPages();
      default:
        return verb < 0 ? E_NOTIMPL : OLEOBJ_S_INVALIDVERB;
    }
  } catch (...) {
    return E_FAIL;
  }
}

STDMETHODIMP ActiveXControl::EnumVerbs(IEnumOLEVERB** verbs) {
  if (verbs == nullptr) return E_POINTER;
  return OleRegEnumVerbs(*info_.clsid, verbs);
}

STDMETHODIMP ActiveXControl::Update() { return S_OK; }
STDMETHODIMP ActiveXControl::IsUpToDate() { return S_OK; }

STDMETHODIMP ActiveXControl::GetUserClassID(CLSID* clsid) { return GetClassID(clsid); }

STDMETHODIMP ActiveXControl::GetUserType(DWORD form, LPOLESTR* type) {
  return OleRegGetUserType(*info_.clsid, form, type);
}

STDMETHODIMP ActiveXControl::SetExtent(DWORD aspect, SIZEL* size) {
  if (size == nullptr) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (size->cx < 0 || size->cy < 0) return E_INVALIDARG;
  extent_ = *size;
  dirty_ = true;
  return S_OK;
}

STDMETHODIMP ActiveXControl::GetExtent(DWORD aspect, SIZEL* size) {
  if (size == nullptr) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  *size = extent_;
  return S_OK;
}

STDMETHODIMP ActiveXControl::Advise(IAdviseSink* sink, DWORD* connection) {
  if (!oleAdvise_) {
    HRESULT hr = CreateOleAdviseHolder(oleAdvise_.out());
    if (FAILED(hr)) {
      oleAdvise_.take();  // nothing was handed out
      return hr;
    }
  }
  return oleAdvise_->Advise(sink, connection);
}

STDMETHODIMP ActiveXControl::Unadvise(DWORD connection) {
  if (!oleAdvise_) return OLE_E_NOCONNECTION;
  return oleAdvise_->Unadvise(connection);
}

STDMETHODIMP ActiveXControl::EnumAdvise(IEnumSTATDATA** advises) {
  if (advises == nullptr) return E_POINTER;
  *advises = nullptr;
  if (!oleAdvise_) return E_FAIL;
  return oleAdvise_->EnumAdvise(advises);
}

STDMETHODIMP ActiveXControl::GetMiscStatus(DWORD aspect, DWORD* status) {
  if (status == nullptr) return E_POINTER;
  *status = aspect == DVASPECT_CONTENT ? info_.miscStatus : 0;
  return S_OK;
}

STDMETHODIMP ActiveXControl::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

// ---- IOleInPlaceObject ----

STDMETHODIMP ActiveXControl::GetWindow(HWND* window) {
  if (window == nullptr) return E_POINTER;
  *window = window_;
  return window_ != nullptr ? S_OK : E_FAIL;
}

STDMETHODIMP ActiveXControl::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

STDMETHODIMP ActiveXControl::InPlaceDeactivate() {
  if (window_ == nullptr) return S_OK;
  HWND window = window_;
  DestroyWindow(window);
  window_ = nullptr;
  if (inPlaceSite_) inPlaceSite_->OnInPlaceDeactivate();
  inPlaceFrame_.reset();
  inPlaceUIWindow_.reset();
  return S_OK;
}

STDMETHODIMP ActiveXControl::UIDeactivate() { return S_OK; }

STDMETHODIMP ActiveXControl::SetObjectRects(LPCRECT posRect, LPCRECT) {
  if (posRect == nullptr) return E_POINTER;
  if (window_ != nullptr) {
    SetWindowPos(window_, nullptr, posRect->left, posRect->top, posRect->right - posRect->left,
                 posRect->bottom - posRect->top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  return S_OK;
}

STDMETHODIMP ActiveXControl::ReactivateAndUndo() { return INPLACE_E_NOTUNDOABLE; }

// ---- IOleControl ----

STDMETHODIMP ActiveXControl::GetControlInfo(CONTROLINFO* info) {
  if (info == nullptr) return E_POINTER;
  info->hAccel = nullptr;
  info->cAccel = 0;
  info->dwFlags = 0;
  return S_OK;
}

STDMETHODIMP ActiveXControl::OnMnemonic(MSG*) { return E_NOTIMPL; }

STDMETHODIMP ActiveXControl::OnAmbientPropertyChange(DISPID) {
  // The drawing reads the ambient state when it paints.
  if (window_ != nullptr) InvalidateRect(window_, nullptr, TRUE);
  return S_OK;
}

STDMETHODIMP ActiveXControl::FreezeEvents(BOOL freeze) {
  if (freeze) {
    ++freezeCount_;
  } else if (freezeCount_ > 0) {
    --freezeCount_;
  }
  return S_OK;
}

}  // namespace activex
