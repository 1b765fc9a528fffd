#include "activex/connection_point.h"

#include <olectl.h>

#include <algorithm>

namespace activex {

EventConnectionPoint::~EventConnectionPoint() { DisconnectAll(); }

void EventConnectionPoint::DisconnectAll() {
  std::vector<Sink> sinks;
  sinks.swap(sinks_);  // released when this ends
}

void EventConnectionPoint::Fire(DISPID id, VARIANT* args, UINT count) {
  if (sinks_.empty()) return;
  std::vector<ComRef<IDispatch>> targets;
  targets.reserve(sinks_.size());
  for (Sink& sink : sinks_) targets.push_back(sink.dispatch);
  // Automation wants the arguments last first.
  std::vector<VARIANT> reversed(args, args + count);
  std::reverse(reversed.begin(), reversed.end());
  DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr, count, 0};
  for (ComRef<IDispatch>& target : targets) {
    VARIANT result;
    VariantInit(&result);
    target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr,
                   nullptr);
    VariantClear(&result);
    target.reset();
  }
}

STDMETHODIMP EventConnectionPoint::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IConnectionPoint)) {
    *object = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) EventConnectionPoint::AddRef() { return owner_->AddRef(); }
STDMETHODIMP_(ULONG) EventConnectionPoint::Release() { return owner_->Release(); }

STDMETHODIMP EventConnectionPoint::GetConnectionInterface(IID* iid) {
  if (iid == nullptr) return E_POINTER;
  *iid = eventInterface_;
  return S_OK;
}

STDMETHODIMP EventConnectionPoint::GetConnectionPointContainer(
    IConnectionPointContainer** container) {
  if (container == nullptr) return E_POINTER;
  *container = owner_;
  owner_->AddRef();
  return S_OK;
}

STDMETHODIMP EventConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (cookie != nullptr) *cookie = 0;
  if (sink == nullptr || cookie == nullptr) return E_POINTER;
  try {
    sinks_.reserve(sinks_.size() + 1);  // may throw: before the sink is taken
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  {
    ComRef<IDispatch> dispatch;
    if (FAILED(sink->QueryInterface(eventInterface_, dispatch.outVoid())) &&
        FAILED(sink->QueryInterface(IID_IDispatch, dispatch.outVoid()))) {
      return CONNECT_E_CANNOTCONNECT;
    }
    sinks_.push_back({nextCookie_, std::move(dispatch)});
    *cookie = nextCookie_++;
    return S_OK;
  }
}

STDMETHODIMP EventConnectionPoint::Unadvise(DWORD cookie) {
  for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
    if (it->cookie == cookie) {
      ComRef<IDispatch> dispatch = std::move(it->dispatch);
      sinks_.erase(it);
      return S_OK;  // the sink is released once it is out of the list
    }
  }
  return CONNECT_E_NOCONNECTION;
}

STDMETHODIMP EventConnectionPoint::EnumConnections(IEnumConnections** connections) {
  if (connections != nullptr) *connections = nullptr;
  return E_NOTIMPL;
}

}  // namespace activex
