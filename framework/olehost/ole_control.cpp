#include "olehost/ole_control.h"

#include <olectl.h>

#include <cstring>
#include <stdexcept>

#include "olehost/control_site.h"
#include "olehost/event_sink.h"

namespace olehost {
namespace {

// CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER.
constexpr DWORD kCreationContext = 5;

using activex::ComRef;

// A stream over a copy of the persisted ControlData.
HRESULT StreamOf(const TControlDataStream& data, IStream** stream) {
  *stream = nullptr;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof data);
  if (memory == nullptr) return E_OUTOFMEMORY;
  void* bytes = GlobalLock(memory);
  if (bytes == nullptr) {
    GlobalFree(memory);
    return E_OUTOFMEMORY;
  }
  std::memcpy(bytes, &data, sizeof data);
  GlobalUnlock(memory);
  HRESULT hr = CreateStreamOnHGlobal(memory, TRUE, stream);  // the stream frees the memory
  if (FAILED(hr)) GlobalFree(memory);
  return hr;
}

// The text of a failed invoke: the control's EXCEPINFO description when it gave one.
[[noreturn]] void ThrowInvokeFailure(HRESULT hr, EXCEPINFO& info) {
  if (hr == DISP_E_EXCEPTION) {
    if (info.pfnDeferredFillIn != nullptr) info.pfnDeferredFillIn(&info);
    std::string description = AnsiFromBstr(info.bstrDescription);
    std::string source = AnsiFromBstr(info.bstrSource);
    const HRESULT code = info.scode != 0
                             ? info.scode
                             : (info.wCode != 0 ? MAKE_HRESULT(1, FACILITY_ITF, info.wCode) : hr);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrHelpFile);
    if (description.empty()) description = HResultText(code);
    throw EOleException(description, code, source);
  }
  throw EOleSysError(HResultText(hr), hr);
}

}  // namespace

TOleControl::TOleControl() = default;

TOleControl::~TOleControl() { DestroyControl(); }

void TOleControl::CreateControl(HWND parent, const RECT& bounds,
                                const TControlDataStream* controlData) {
  if (oleObject_) throw std::logic_error("the control exists already");
  data_ = &InitControlData();
  parent_ = parent;
  bounds_ = bounds;
  try {
    OleCheck(CoCreateInstance(data_->ClassID, nullptr, kCreationContext, IID_IOleObject,
                              oleObject_.outVoid()));
    site_.reset(new ControlSite(this));
    // The client site first: the control reads its ambient properties while it loads.
    OleCheck(oleObject_->SetClientSite(static_cast<IOleClientSite*>(site_.get())));
    {
      ComRef<IPersistStreamInit> persist;
      OleCheck(oleObject_.As(IID_IPersistStreamInit, &persist));
      if (controlData != nullptr) {
        ComRef<IStream> stream;
        OleCheck(StreamOf(*controlData, stream.out()));
        OleCheck(persist->Load(stream.get()));
      } else {
        OleCheck(persist->InitNew());
      }
    }
    OleCheck(oleObject_.As(IID_IDispatch, &dispatch_));
    {
      ComRef<IConnectionPointContainer> points;
      OleCheck(oleObject_.As(IID_IConnectionPointContainer, &points));
      OleCheck(points->FindConnectionPoint(data_->EventIID, eventPoint_.out()));
      sink_.reset(new EventSink(this, data_->EventIID));
      OleCheck(eventPoint_->Advise(static_cast<IDispatch*>(sink_.get()), &eventCookie_));
    }
    RECT position = bounds_;
    OleCheck(oleObject_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr,
                                static_cast<IOleClientSite*>(site_.get()), 0, parent_, &position));
  } catch (...) {
    DestroyControl();
    throw;
  }
}

void TOleControl::DestroyControl() noexcept {
  if (eventPoint_ && eventCookie_ != 0) eventPoint_->Unadvise(eventCookie_);
  eventCookie_ = 0;
  if (oleObject_) {
    ComRef<IOleInPlaceObject> inPlace;
    if (SUCCEEDED(oleObject_.As(IID_IOleInPlaceObject, &inPlace)) && inPlace) {
      inPlace->InPlaceDeactivate();
    }
    oleObject_->Close(OLECLOSE_NOSAVE);
    oleObject_->SetClientSite(nullptr);
  }
  ReleaseAll();
}

void TOleControl::ReleaseAll() noexcept {
  eventPoint_.reset();
  dispatch_.reset();
  oleObject_.reset();
  if (sink_) {
    sink_->Detach();
    sink_.reset();
  }
  if (site_) {
    site_->Detach();
    site_.reset();
  }
}

void TOleControl::HandleEventException(std::exception_ptr error) noexcept {
  if (!error) return;
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    OutputDebugStringA(e.what());
  } catch (...) {
    OutputDebugStringA("unknown exception in an event handler");
  }
}

HWND TOleControl::Hwnd() {
  if (!dispatch_) throw std::logic_error("the control does not exist");
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  TInvokeResult result;
  EXCEPINFO info = {};
  UINT argError = 0;
  HRESULT hr = dispatch_->Invoke(DISPID_HWND, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                                 &none, result.get(), &info, &argError);
  if (FAILED(hr)) ThrowInvokeFailure(hr, info);
  OleCheck(VariantChangeType(result.get(), result.get(), 0, VT_I4));
  // Window handles are 32-bit values, sign-extended on 64 bits.
  return reinterpret_cast<HWND>(static_cast<LONG_PTR>(result.AsLong()));
}

TInvokeResult TOleControl::InvokeMethod(const TInvokeStub& stub,
                                        std::initializer_list<TInvokeArg> args) {
  if (!dispatch_) throw std::logic_error("the control does not exist");
  if (args.size() != stub.ArgCount || stub.ArgCount > kMaxStubArgs || stub.NamedArgCount != 0) {
    throw std::logic_error("arguments do not match the stub record");
  }
  // rgvarg holds the last argument first.
  VARIANTARG values[kMaxStubArgs];
  const UINT count = stub.ArgCount;
  for (UINT i = 0; i < count; ++i) VariantInit(&values[i]);
  struct Cleared {
    VARIANTARG* values;
    UINT count;
    ~Cleared() {
      for (UINT i = 0; i < count; ++i) VariantClear(&values[i]);
    }
  } cleared{values, count};
  UINT i = 0;
  for (const TInvokeArg& arg : args) {
    if (arg.type() != stub.ArgTypes[i]) throw std::logic_error("argument type differs from stub");
    VARIANTARG& v = values[count - 1 - i];
    switch (arg.type()) {
      case VT_BSTR:
        V_BSTR(&v) = BstrFromAnsi(arg.text());
        break;
      case VT_I2:
        V_I2(&v) = static_cast<SHORT>(arg.number());
        break;
      case VT_I4:
        V_I4(&v) = arg.number();
        break;
      case VT_BOOL:
        V_BOOL(&v) = static_cast<VARIANT_BOOL>(arg.number());
        break;
      default:
        throw std::logic_error("unsupported argument type");
    }
    V_VT(&v) = arg.type();
    ++i;
  }
  DISPPARAMS params = {count != 0 ? values : nullptr, nullptr, count, 0};
  TInvokeResult result;
  EXCEPINFO info = {};
  UINT argError = 0;
  HRESULT hr =
      dispatch_->Invoke(stub.DispID, IID_NULL, LOCALE_USER_DEFAULT, stub.CallKind, &params,
                        stub.ResultType != VT_EMPTY ? result.get() : nullptr, &info, &argError);
  if (FAILED(hr)) ThrowInvokeFailure(hr, info);
  if (stub.ResultType != VT_EMPTY && V_VT(result.get()) != stub.ResultType) {
    OleCheck(VariantChangeType(result.get(), result.get(), 0, stub.ResultType));
  }
  return result;
}

}  // namespace olehost
