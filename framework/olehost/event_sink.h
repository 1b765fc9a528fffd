// The sink advised on the control's event interface: answers IUnknown, IDispatch and that
// interface; converts each event's arguments (given last first) to the binding's types with
// VariantChangeType and hands them to the owner. Events the binding does not know, and events
// after the owner is gone, answer S_OK; nothing a handler throws goes back into the control.
#pragma once

#include <windows.h>
#include <ole2.h>

namespace olehost {

class TOleControl;

class EventSink final : public IDispatch {
 public:
  EventSink(TOleControl* owner, const IID& events) : owner_(owner), events_(events) {}
  EventSink(const EventSink&) = delete;
  EventSink& operator=(const EventSink&) = delete;
  void Detach() { owner_ = nullptr; }

  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                             DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

 private:
  ~EventSink() = default;

  TOleControl* owner_;
  IID events_;
  LONG references_ = 1;
};

}  // namespace olehost
