#include "olehost/event_sink.h"

#include "olehost/ole_control.h"

namespace olehost {

STDMETHODIMP EventSink::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
      IsEqualIID(riid, events_)) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) EventSink::AddRef() { return InterlockedIncrement(&references_); }

STDMETHODIMP_(ULONG) EventSink::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

STDMETHODIMP EventSink::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP EventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info != nullptr) *info = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP EventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) {
  for (UINT i = 0; ids != nullptr && i < count; ++i) ids[i] = DISPID_UNKNOWN;
  return DISP_E_UNKNOWNNAME;
}

STDMETHODIMP EventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO*, UINT* argError) {
  if (result != nullptr) VariantInit(result);
  TOleControl* owner = owner_;
  if (owner == nullptr || owner->data_ == nullptr) return S_OK;
  const TControlData& data = *owner->data_;
  int index = -1;
  for (int i = 0; i < data.EventCount; ++i) {
    if (data.EventDispIDs[i] == id) {
      index = i;
      break;
    }
  }
  if (index < 0) return S_OK;  // an event the binding does not handle
  const TEventBinding& binding = data.Events[index];
  const UINT count = params != nullptr ? params->cArgs : 0;
  if (count != binding.ArgCount) return DISP_E_BADPARAMCOUNT;
  try {
    TEventArgs args(count);
    for (UINT i = 0; i < count; ++i) {
      // rgvarg holds the last argument first; a by-reference argument is converted from what it
      // points at.
      VARIANTARG& given = params->rgvarg[count - 1 - i];
      if (FAILED(VariantChangeType(args.at(i), &given, 0, binding.ArgTypes[i]))) {
        if (argError != nullptr) *argError = count - 1 - i;
        return DISP_E_TYPEMISMATCH;
      }
    }
    owner->InvokeEvent(index, id, args);
  } catch (...) {
    owner->HandleEventException(std::current_exception());
  }
  return S_OK;
}

}  // namespace olehost
