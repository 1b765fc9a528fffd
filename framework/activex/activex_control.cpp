// Identity, automation, persistence and class information of the control base.
#include "activex/activex_control.h"

#include <oleauto.h>

#include "activex/server_module.h"

namespace activex {

bool PropertyExchange::Exchange(uint32_t& value) {
  if (FAILED(status_)) return false;
  uint8_t bytes[4];
  ULONG done = 0;
  HRESULT hr;
  if (loading_) {
    hr = stream_->Read(bytes, sizeof bytes, &done);
    if (SUCCEEDED(hr) && done == sizeof bytes) {
      value = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
              static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
      return true;
    }
    status_ = FAILED(hr) ? hr : STG_E_READFAULT;  // a short stream is a damaged one
    return false;
  }
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
  hr = stream_->Write(bytes, sizeof bytes, &done);
  if (SUCCEEDED(hr) && done == sizeof bytes) return true;
  status_ = FAILED(hr) ? hr : STG_E_WRITEFAULT;
  return false;
}

bool PropertyExchange::Exchange(int32_t& value) {
  uint32_t word = static_cast<uint32_t>(value);
  if (!Exchange(word)) return false;
  value = static_cast<int32_t>(word);
  return true;
}

ActiveXControl::ActiveXControl(const ControlClassInfo& info)
    : info_(info), events_(this, *info.eventInterface) {
  ObjectCreated();
}

ActiveXControl::~ActiveXControl() {
  if (window_ != nullptr) {
    HWND window = window_;
    window_ = nullptr;
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
  }
  events_.DisconnectAll();
  ReleaseSite();
  oleAdvise_.reset();
  viewAdvise_.reset();
  dispatchInfo_.reset();
  ObjectDestroyed();
}

STDMETHODIMP ActiveXControl::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
      IsEqualIID(riid, *info_.dispatchInterface)) {
    *object = static_cast<IDispatch*>(this);
  } else if (IsEqualIID(riid, IID_IOleObject)) {
    *object = static_cast<IOleObject*>(this);
  } else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceObject)) {
    *object = static_cast<IOleInPlaceObject*>(this);
  } else if (IsEqualIID(riid, IID_IOleControl)) {
    *object = static_cast<IOleControl*>(this);
  } else if (IsEqualIID(riid, IID_IViewObject) || IsEqualIID(riid, IID_IViewObject2)) {
    *object = static_cast<IViewObject2*>(this);
  } else if (IsEqualIID(riid, IID_IPersist) || IsEqualIID(riid, IID_IPersistStreamInit)) {
    *object = static_cast<IPersistStreamInit*>(this);
  } else if (IsEqualIID(riid, IID_IProvideClassInfo) || IsEqualIID(riid, IID_IProvideClassInfo2)) {
    *object = static_cast<IProvideClassInfo2*>(this);
  } else if (IsEqualIID(riid, IID_ISpecifyPropertyPages)) {
    *object = static_cast<ISpecifyPropertyPages*>(this);
  } else if (IsEqualIID(riid, IID_IConnectionPointContainer)) {
    *object = static_cast<IConnectionPointContainer*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) ActiveXControl::AddRef() { return InterlockedIncrement(&references_); }

STDMETHODIMP_(ULONG) ActiveXControl::Release() {
  LONG left = InterlockedDecrement(&references_);
  if (left == 0) {
    try {
      delete this;
    } catch (...) {
    }
  }
  return static_cast<ULONG>(left);
}

// ---- IDispatch ----

HRESULT ActiveXControl::LoadDispatchTypeInfo() {
  if (dispatchInfo_) return S_OK;
  std::wstring path = ModulePathW();
  if (path.empty()) return TYPE_E_CANTLOADLIBRARY;
  ComRef<ITypeLib> library;
  HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.out());
  if (FAILED(hr)) return hr;
  hr = library->GetTypeInfoOfGuid(*info_.dispatchInterface, dispatchInfo_.out());
  if (FAILED(hr)) dispatchInfo_.take();  // nothing was handed out
  return hr;
}

STDMETHODIMP ActiveXControl::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 1;
  return S_OK;
}

STDMETHODIMP ActiveXControl::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) {
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  HRESULT hr = LoadDispatchTypeInfo();
  if (FAILED(hr)) return hr;
  *info = ComRef<ITypeInfo>::Share(dispatchInfo_.get()).take();
  return S_OK;
}

STDMETHODIMP ActiveXControl::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                           DISPID* ids) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  HRESULT hr = LoadDispatchTypeInfo();
  if (FAILED(hr)) return hr;
  return dispatchInfo_->GetIDsOfNames(names, count, ids);
}

bool ActiveXControl::InvokeAllowed(ActiveXControl& control, const DispatchMember& member) {
  return control.MemberAvailable(member);
}

STDMETHODIMP ActiveXControl::Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags,
                                    DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                    UINT* argError) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  // The call may release the last outside reference (a script ending inside an event).
  const ComRef<ActiveXControl> alive = ComRef<ActiveXControl>::Share(this);
  return InvokeFromTable(*this, info_.members, id, flags, params, result, exception, argError,
                         &ActiveXControl::InvokeAllowed);
}

// ---- IPersistStreamInit ----

void ActiveXControl::ExchangeBaseState(PropertyExchange& exchange) {
  int32_t cx = extent_.cx;
  int32_t cy = extent_.cy;
  uint32_t reserved = 0;  // no stock properties are persisted
  exchange.Exchange(cx);
  exchange.Exchange(cy);
  exchange.Exchange(reserved);
  if (exchange.loading() && SUCCEEDED(exchange.status())) {
    extent_.cx = cx;
    extent_.cy = cy;
  }
}

STDMETHODIMP ActiveXControl::GetClassID(CLSID* clsid) {
  if (clsid == nullptr) return E_POINTER;
  *clsid = *info_.clsid;
  return S_OK;
}

STDMETHODIMP ActiveXControl::IsDirty() { return dirty_ ? S_OK : S_FALSE; }

STDMETHODIMP ActiveXControl::Load(LPSTREAM stream) {
  if (stream == nullptr) return E_POINTER;
  try {
    const SIZEL before = extent_;
    PropertyExchange exchange(stream, true);
    ExchangeProperties(exchange);
    if (FAILED(exchange.status())) {
      extent_ = before;  // a damaged stream changes nothing
      return exchange.status();
    }
    dirty_ = false;
    if (window_ != nullptr) InvalidateRect(window_, nullptr, TRUE);
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

STDMETHODIMP ActiveXControl::Save(LPSTREAM stream, BOOL clearDirty) {
  if (stream == nullptr) return E_POINTER;
  try {
    PropertyExchange exchange(stream, false);
    ExchangeProperties(exchange);
    if (FAILED(exchange.status())) return exchange.status();
    if (clearDirty) dirty_ = false;
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

STDMETHODIMP ActiveXControl::GetSizeMax(ULARGE_INTEGER* size) {
  if (size == nullptr) return E_POINTER;
  size->QuadPart = 16;
  return S_OK;
}

STDMETHODIMP ActiveXControl::InitNew() {
  dirty_ = false;
  return S_OK;
}

// ---- Class information, property pages, connection points ----

STDMETHODIMP ActiveXControl::GetClassInfo(ITypeInfo** info) {
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  std::wstring path = ModulePathW();
  if (path.empty()) return TYPE_E_CANTLOADLIBRARY;
  ComRef<ITypeLib> library;
  HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.out());
  if (FAILED(hr)) return hr;
  return library->GetTypeInfoOfGuid(*info_.clsid, info);
}

STDMETHODIMP ActiveXControl::GetGUID(DWORD kind, GUID* guid) {
  if (guid == nullptr) return E_POINTER;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
    *guid = GUID_NULL;
    return E_INVALIDARG;
  }
  *guid = *info_.eventInterface;
  return S_OK;
}

STDMETHODIMP ActiveXControl::GetPages(CAUUID* pages) {
  if (pages == nullptr) return E_POINTER;
  pages->cElems = 0;
  pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
  if (pages->pElems == nullptr) return E_OUTOFMEMORY;
  pages->pElems[0] = *info_.propertyPage;
  pages->cElems = 1;
  return S_OK;
}

STDMETHODIMP ActiveXControl::EnumConnectionPoints(IEnumConnectionPoints** points) {
  if (points != nullptr) *points = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ActiveXControl::FindConnectionPoint(REFIID riid, IConnectionPoint** point) {
  if (point == nullptr) return E_POINTER;
  *point = nullptr;
  if (!IsEqualIID(riid, events_.eventInterface())) return CONNECT_E_NOCONNECTION;
  *point = &events_;
  events_.AddRef();
  return S_OK;
}

void ActiveXControl::FireEvent(DISPID id, VARIANT* args, UINT count) {
  if (freezeCount_ > 0) return;  // the container does not want events now
  const ComRef<ActiveXControl> alive = ComRef<ActiveXControl>::Share(this);
  events_.Fire(id, args, count);
}

}  // namespace activex
