// The connection point of a control's event interface: sinks advise and unadvise, and the control
// fires events to every advised sink, synchronously, on the calling thread.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <vector>

#include "activex/com_ref.h"

namespace activex {

class EventConnectionPoint final : public IConnectionPoint {
 public:
  // owner: the container object, whose reference count this object shares.
  EventConnectionPoint(IConnectionPointContainer* owner, const IID& eventInterface)
      : owner_(owner), eventInterface_(eventInterface) {}
  ~EventConnectionPoint();
  EventConnectionPoint(const EventConnectionPoint&) = delete;
  EventConnectionPoint& operator=(const EventConnectionPoint&) = delete;

  const IID& eventInterface() const { return eventInterface_; }
  // Releases every sink (when the control goes).
  void DisconnectAll();
  size_t sinkCount() const { return sinks_.size(); }

  // Calls the event on every sink; args are in declaration order. A sink may unadvise from its
  // handler: the call goes to the sinks advised when the firing began.
  void Fire(DISPID id, VARIANT* args, UINT count);

  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetConnectionInterface(IID* iid) override;
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
  STDMETHODIMP Unadvise(DWORD cookie) override;
  STDMETHODIMP EnumConnections(IEnumConnections** connections) override;

 private:
  struct Sink {
    DWORD cookie;
    ComRef<IDispatch> dispatch;
  };
  IConnectionPointContainer* owner_;
  IID eventInterface_;
  std::vector<Sink> sinks_;
  DWORD nextCookie_ = 1;
};

}  // namespace activex
