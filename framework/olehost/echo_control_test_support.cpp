#include "echo_control_test_support.h"

#include <olectl.h>

#include "activex/server_module.h"
#include "qx30w32_guids.h"

namespace echotest {
namespace {

EchoServer* g_server = nullptr;

const activex::ControlClassInfo kEchoInfo = {&kEchoClassId,
                                             &qx30w32::kLibraryId,
                                             &qx30w32::kDispatchId,
                                             &qx30w32::kEventsId,
                                             &qx30w32::kPropertyPageClassId,
                                             OLEMISC_SETCLIENTSITEFIRST,
                                             {},
                                             L"Echo",
                                             L"EchoControlWindow",
                                             L"Echo"};

RawArg Describe(const VARIANT& given) {
  RawArg arg{V_VT(&given), 0, {}, false};
  switch (V_VT(&given)) {
    case VT_I2:
      arg.number = V_I2(&given);
      break;
    case VT_I4:
      arg.number = V_I4(&given);
      break;
    case VT_BOOL:
      arg.number = V_BOOL(&given);
      break;
    case VT_BSTR:
      arg.nullText = V_BSTR(&given) == nullptr;
      if (!arg.nullText) arg.text.assign(V_BSTR(&given), SysStringLen(V_BSTR(&given)));
      break;
    default:
      break;
  }
  return arg;
}

// The control's connection point with the container's Advise and Unadvise logged, and the
// advised sink kept for the test.
class LoggingPoint final : public IConnectionPoint {
 public:
  LoggingPoint(IConnectionPoint* inner, EchoState& state) : inner_(inner), state_(state) {}
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IConnectionPoint)) {
      *object = static_cast<IConnectionPoint*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&references_); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) {
      inner_->Release();
      delete this;
    }
    return static_cast<ULONG>(left);
  }
  STDMETHODIMP GetConnectionInterface(IID* iid) override {
    return inner_->GetConnectionInterface(iid);
  }
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** c) override {
    return inner_->GetConnectionPointContainer(c);
  }
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
    state_.log.push_back("Advise");
    HRESULT hr = inner_->Advise(sink, cookie);
    if (SUCCEEDED(hr) && state_.sink == nullptr) {
      sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&state_.sink));
    }
    return hr;
  }
  STDMETHODIMP Unadvise(DWORD cookie) override {
    state_.log.push_back("Unadvise");
    if (state_.sink != nullptr) {
      state_.sink->Release();
      state_.sink = nullptr;
    }
    return inner_->Unadvise(cookie);
  }
  STDMETHODIMP EnumConnections(IEnumConnections** connections) override {
    return inner_->EnumConnections(connections);
  }

 private:
  IConnectionPoint* inner_;
  EchoState& state_;
  LONG references_ = 1;
};

}  // namespace

EchoControl::EchoControl(EchoState& state) : ActiveXControl(kEchoInfo), state_(state) {
  state_.control = this;
}

EchoControl::~EchoControl() {
  state_.log.push_back("destroyed");
  if (state_.control == this) state_.control = nullptr;
}

STDMETHODIMP EchoControl::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                 VARIANT* result, EXCEPINFO* exception, UINT*) {
  try {
    if (id == DISPID_HWND && (flags & DISPATCH_PROPERTYGET) != 0) {
      if (result == nullptr) return E_POINTER;
      VariantInit(result);
      V_VT(result) = VT_I4;
      V_I4(result) = static_cast<LONG>(reinterpret_cast<LONG_PTR>(window()));
      return S_OK;
    }
    RawCall call{id, flags, 0, 0, result != nullptr, {}};
    if (params != nullptr) {
      call.argCount = params->cArgs;
      call.namedCount = params->cNamedArgs;
      for (UINT i = 0; i < params->cArgs; ++i) call.args.push_back(Describe(params->rgvarg[i]));
    }
    state_.calls.push_back(call);
    if (result != nullptr) VariantInit(result);
    if (!state_.answer) return S_OK;
    VARIANT answer;
    VariantInit(&answer);
    HRESULT hr = state_.answer(state_.calls.back(), &answer, exception);
    if (result != nullptr) {
      *result = answer;
    } else {
      VariantClear(&answer);
    }
    return hr;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

STDMETHODIMP EchoControl::SetClientSite(IOleClientSite* site) {
  state_.log.push_back(site != nullptr ? "SetClientSite" : "SetClientSite(NULL)");
  HRESULT hr = ActiveXControl::SetClientSite(site);
  if (site != nullptr) state_.log.push_back(AmbientUserMode() ? "UserMode TRUE" : "UserMode FALSE");
  return hr;
}

STDMETHODIMP EchoControl::Close(DWORD saveOption) {
  state_.log.push_back(saveOption == OLECLOSE_NOSAVE ? "Close(NOSAVE)" : "Close(other)");
  return ActiveXControl::Close(saveOption);
}

STDMETHODIMP EchoControl::DoVerb(LONG verb, LPMSG msg, IOleClientSite* site, LONG index,
                                 HWND parent, LPCRECT posRect) {
  state_.log.push_back(verb == OLEIVERB_INPLACEACTIVATE ? "DoVerb(INPLACEACTIVATE)"
                                                        : "DoVerb(" + std::to_string(verb) + ")");
  return ActiveXControl::DoVerb(verb, msg, site, index, parent, posRect);
}

STDMETHODIMP EchoControl::InPlaceDeactivate() {
  // The base deactivates again inside Close and SetClientSite: only the effective one is logged.
  if (window() != nullptr) state_.log.push_back("InPlaceDeactivate");
  return ActiveXControl::InPlaceDeactivate();
}

STDMETHODIMP EchoControl::Load(LPSTREAM stream) {
  state_.log.push_back("Load");
  return ActiveXControl::Load(stream);
}

STDMETHODIMP EchoControl::InitNew() {
  state_.log.push_back("InitNew");
  return ActiveXControl::InitNew();
}

STDMETHODIMP EchoControl::FindConnectionPoint(REFIID riid, IConnectionPoint** point) {
  IConnectionPoint* inner = nullptr;
  HRESULT hr = ActiveXControl::FindConnectionPoint(riid, &inner);
  if (point != nullptr) *point = nullptr;
  if (FAILED(hr)) return hr;
  if (point == nullptr) {
    inner->Release();
    return E_POINTER;
  }
  *point = new LoggingPoint(inner, state_);
  return S_OK;
}

void EchoControl::OnDraw(HDC dc, const RECT& bounds) {
  FillRect(dc, &bounds, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
}

void EchoControl::ExchangeProperties(activex::PropertyExchange& exchange) {
  uint32_t version = 0x00030000;
  exchange.Exchange(version);
  ExchangeBaseState(exchange);
}

EchoServer::EchoServer() : factory_(kEchoClassId, Create) {
  g_server = this;
  activex::SetModuleHandle(GetModuleHandleW(nullptr));
  activex::RegisterControlWindowClass(GetModuleHandleW(nullptr), kEchoInfo);
  if (FAILED(CoRegisterClassObject(kEchoClassId, &factory_, CLSCTX_INPROC_SERVER,
                                   REGCLS_MULTIPLEUSE, &cookie_))) {
    cookie_ = 0;
  }
}

EchoServer::~EchoServer() {
  if (cookie_ != 0) CoRevokeClassObject(cookie_);
  if (state.sink != nullptr) state.sink->Release();
  g_server = nullptr;
}

HRESULT EchoServer::Create(REFIID riid, void** object) {
  if (g_server == nullptr) return E_UNEXPECTED;
  auto* control = new EchoControl(g_server->state);
  HRESULT hr = static_cast<IDispatch*>(control)->QueryInterface(riid, object);
  static_cast<IDispatch*>(control)->Release();
  return hr;
}

}  // namespace echotest
