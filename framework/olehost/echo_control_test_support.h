// An echo control for the container's tests: a control on our ActiveX framework with a class id
// of its own (registered as a class object of the test process while an EchoServer lives), the
// interface ids of QX30W32, and an Invoke that records the raw DISPPARAMS of every call and gives
// back whatever the test asks for. It logs the container's creation and teardown calls in order and
// keeps the sink the container advised, so a test can call the sink directly.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <functional>
#include <string>
#include <vector>

#include "activex/activex_control.h"
#include "activex/class_factory.h"

namespace echotest {

// {7D1E5A43-2B9C-4F0E-9A61-3C5B8E2D4F17}
inline constexpr CLSID kEchoClassId = {
    0x7d1e5a43, 0x2b9c, 0x4f0e, {0x9a, 0x61, 0x3c, 0x5b, 0x8e, 0x2d, 0x4f, 0x17}};

// One argument as the control received it.
struct RawArg {
  VARTYPE type;
  long number;        // I2, I4 and VARIANT_BOOL as received (no narrowing to 0/1)
  std::wstring text;  // BSTR
  bool nullText;
};

// One Invoke as the control received it; args in the order of rgvarg (last argument first).
struct RawCall {
  DISPID id;
  WORD flags;
  UINT argCount;
  UINT namedCount;
  bool resultWanted;
  std::vector<RawArg> args;
};

class EchoControl;

// State shared by the test and the echo (which the container creates and releases).
struct EchoState {
  std::vector<std::string> log;  // the container's calls, in order
  std::vector<RawCall> calls;
  // Answers a method call (not the Hwnd property); the default gives VT_EMPTY.
  std::function<HRESULT(const RawCall&, VARIANT* result, EXCEPINFO* exception)> answer;
  EchoControl* control = nullptr;  // the live instance
  IDispatch* sink = nullptr;       // the sink the container advised (held while advised)
};

class EchoControl final : public activex::ActiveXControl {
 public:
  explicit EchoControl(EchoState& state);
  ~EchoControl() override;

  STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* argError) override;
  STDMETHODIMP SetClientSite(IOleClientSite* site) override;
  STDMETHODIMP Close(DWORD saveOption) override;
  STDMETHODIMP DoVerb(LONG verb, LPMSG msg, IOleClientSite* site, LONG index, HWND parent,
                      LPCRECT posRect) override;
  STDMETHODIMP InPlaceDeactivate() override;
  STDMETHODIMP Load(LPSTREAM stream) override;
  STDMETHODIMP InitNew() override;
  STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** point) override;

  EchoState& state() { return state_; }

 protected:
  void OnDraw(HDC dc, const RECT& bounds) override;
  void ExchangeProperties(activex::PropertyExchange& exchange) override;

 private:
  EchoState& state_;
};

// Registers the echo's class object for this process while it lives.
class EchoServer {
 public:
  EchoServer();
  ~EchoServer();
  EchoServer(const EchoServer&) = delete;
  EchoServer& operator=(const EchoServer&) = delete;
  bool registered() const { return cookie_ != 0; }
  EchoState state;

 private:
  static HRESULT Create(REFIID riid, void** object);
  activex::ClassFactory factory_;
  DWORD cookie_ = 0;
};

}  // namespace echotest
