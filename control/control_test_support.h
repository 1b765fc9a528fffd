// Helpers of the control's tests: the built DLL, COM set-up, registry probes, an event sink that
// records what it receives and a watcher that answers a modal dialog from another thread.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "dialog_robot.h"
#include "win_test_util.h"

namespace controltest {

inline std::string DllPath() { return testutil::UnixToWindowsPath(QX30W32_DLL_PATH); }
inline std::string ControlSourceDir() {
  return testutil::UnixToWindowsPath(QX30W32_CONTROL_DIR "/");
}

inline std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// Automation arguments in declaration order, each owning its value; Reversed() gives them as
// IDispatch::Invoke takes them (the last one first). Texts go in through the ANSI code page.
class DispatchArgs {
 public:
  DispatchArgs() = default;
  DispatchArgs(const DispatchArgs&) = delete;
  DispatchArgs& operator=(const DispatchArgs&) = delete;
  // A moved-from set holds no values, so only the new owner clears them.
  DispatchArgs(DispatchArgs&& other) noexcept : values_(std::move(other.values_)) {
    other.values_.clear();
  }
  ~DispatchArgs() {
    for (VARIANT& v : values_) VariantClear(&v);
  }
  DispatchArgs& Text(const std::string& ansi) {
    const int length =
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), length);
    VARIANT& v = Add(VT_BSTR);
    V_BSTR(&v) = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    return *this;
  }
  DispatchArgs& NullText() {
    V_BSTR(&Add(VT_BSTR)) = nullptr;
    return *this;
  }
  DispatchArgs& Short(short value) {
    V_I2(&Add(VT_I2)) = value;
    return *this;
  }
  DispatchArgs& Long(long value) {
    V_I4(&Add(VT_I4)) = value;
    return *this;
  }
  DispatchArgs& Bool(bool value) {
    V_BOOL(&Add(VT_BOOL)) = value ? VARIANT_TRUE : VARIANT_FALSE;
    return *this;
  }
  std::vector<VARIANT> Reversed() const { return {values_.rbegin(), values_.rend()}; }

 private:
  VARIANT& Add(VARTYPE type) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = type;
    values_.push_back(v);
    return values_.back();
  }

  std::vector<VARIANT> values_;
};

// UnzipFiles' arguments for extracting everything: every entry into destination, folders
// rebuilt, read-only files kept, every file replaced, no password prompt.
inline DispatchArgs UnzipAllArgs(const std::string& archive, const std::string& destination,
                                 const std::string& password = "", bool background = false) {
  DispatchArgs args;
  args.Text(archive).Text("*.*").Text(destination).Bool(true).Bool(false).Short(1);
  args.Text(password).Bool(false).Bool(background);
  return args;
}

// Calls the methods of an automation object by name, as script hosts do, and narrows their
// results; a failed call is reported to the running test and gives a value no method returns.
class NamedCalls {
 public:
  NamedCalls() = default;
  explicit NamedCalls(IDispatch* object) : object_(object) {}
  void Bind(IDispatch* object) { object_ = object; }

  // *result is initialised here; the caller clears it.
  void Call(const wchar_t* name, const DispatchArgs& args, VARIANT* result) const {
    VariantInit(result);
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    ReportFailure(hr != S_OK, name, "GetIDsOfNames", hr);
    if (hr != S_OK) return;
    std::vector<VARIANT> reversed = args.Reversed();
    DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr,
                         static_cast<UINT>(reversed.size()), 0};
    hr = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result,
                         nullptr, nullptr);
    ReportFailure(hr != S_OK, name, "Invoke", hr);
  }
  short Short(const wchar_t* name, const DispatchArgs& args) const {
    return Narrow<short>(
        name, args, VT_I2, [](const VARIANT& v) { return V_I2(&v); }, -999);
  }
  double Double(const wchar_t* name, const DispatchArgs& args) const {
    return Narrow<double>(
        name, args, VT_R8, [](const VARIANT& v) { return V_R8(&v); }, -999.0);
  }
  bool Bool(const wchar_t* name, const DispatchArgs& args) const {
    return Narrow<bool>(
        name, args, VT_BOOL, [](const VARIANT& v) { return V_BOOL(&v) != VARIANT_FALSE; }, false);
  }
  // A text result in the ANSI code page.
  std::string Text(const wchar_t* name, const DispatchArgs& args) const {
    return Narrow<std::string>(
        name, args, VT_BSTR,
        [](const VARIANT& v) {
          if (V_BSTR(&v) == nullptr) return std::string();
          const int length = static_cast<int>(SysStringLen(V_BSTR(&v)));
          std::string ansi(static_cast<size_t>(length) * 2 + 1, '\0');
          const int got = WideCharToMultiByte(CP_ACP, 0, V_BSTR(&v), length, ansi.data(),
                                              static_cast<int>(ansi.size()), nullptr, nullptr);
          ansi.resize(static_cast<size_t>(got));
          return ansi;
        },
        std::string("<not a text>"));
  }
  void Void(const wchar_t* name, const DispatchArgs& args) const {
    VARIANT result;
    Call(name, args, &result);
    VariantClear(&result);
  }

 private:
  static void ReportFailure(bool failed, const wchar_t* name, const char* step, HRESULT hr) {
    if (failed) {
      ADD_FAILURE() << step << " of " << std::string(name, name + lstrlenW(name)) << ": 0x"
                    << std::hex << static_cast<unsigned long>(hr);
    }
  }
  template <class T, class Get>
  T Narrow(const wchar_t* name, const DispatchArgs& args, VARTYPE type, Get get,
           T otherwise) const {
    VARIANT result;
    Call(name, args, &result);
    T value = otherwise;
    if (V_VT(&result) == type) {
      value = get(result);
    } else {
      ADD_FAILURE() << std::string(name, name + lstrlenW(name)) << " gave type " << V_VT(&result);
    }
    VariantClear(&result);
    return value;
  }

  IDispatch* object_ = nullptr;
};

inline bool KeyExists(const std::string& subkey) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

// A string value of HKEY_CLASSES_ROOT\subkey; "<missing>" when absent.
inline std::string KeyValue(const std::string& subkey, const char* name = nullptr) {
  char value[1024] = {};
  DWORD size = sizeof value - 1;
  DWORD type = 0;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return "<missing>";
  }
  LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return "<missing>";
  return value;
}

// Owns one interface pointer.
template <class T>
class Ptr {
 public:
  Ptr() = default;
  ~Ptr() { Reset(); }
  Ptr(const Ptr&) = delete;
  Ptr& operator=(const Ptr&) = delete;
  T** Out() {
    Reset();
    return &p_;
  }
  void** OutVoid() { return reinterpret_cast<void**>(Out()); }
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void Reset() {
    if (p_ != nullptr) p_->Release();
    p_ = nullptr;
  }

 private:
  T* p_ = nullptr;
};

// The IOleClientSite part of the test containers: a site without moniker or container that
// accepts being shown. QueryInterface, AddRef and Release are the container's own.
class PassiveClientSite : public IOleClientSite {
 public:
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP GetContainer(IOleContainer** container) override {
    *container = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }
};

// One event as the sink saw it.
struct EventRecord {
  DISPID id;
  std::vector<std::wstring> args;  // each argument as text; VT_BOOL as "-1"/"0"
  std::vector<VARTYPE> types;
};

// An event sink of _DQXEvents that records every call.
class RecordingSink final : public IDispatch {
 public:
  explicit RecordingSink(const IID& events) : events_(events) {}
  std::vector<EventRecord> records;

  STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, events_)) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references; }
  STDMETHODIMP_(ULONG) Release() override { return --references; }  // owned by the test
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    EventRecord record{id, {}, {}};
    for (UINT i = params->cArgs; i-- > 0;) {  // given last first
      VARIANT text;
      VariantInit(&text);
      record.types.push_back(V_VT(&params->rgvarg[i]));
      if (SUCCEEDED(VariantChangeType(&text, &params->rgvarg[i], 0, VT_BSTR))) {
        record.args.emplace_back(V_BSTR(&text), SysStringLen(V_BSTR(&text)));
      } else {
        record.args.emplace_back(L"<?>");
      }
      VariantClear(&text);
    }
    if (params->rgvarg != nullptr) {
      for (UINT i = 0; i < params->cArgs; ++i) {
        if (V_VT(&params->rgvarg[i]) == VT_BOOL) {
          record.args[params->cArgs - 1 - i] =
              V_BOOL(&params->rgvarg[i]) == VARIANT_TRUE ? L"-1" : L"0";
        }
      }
    }
    records.push_back(record);
    if (onEvent) onEvent(records.back());
    return S_OK;
  }
  LONG references = 1;
  // Called after each event is recorded, inside the event (as a host's handler runs).
  std::function<void(const EventRecord&)> onEvent;

 private:
  IID events_;
};

// Pumps the thread's messages for a while (painting, posted activation messages).
inline void PumpFor(int milliseconds) {
  const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
  while (static_cast<LONG>(end - GetTickCount()) > 0) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(10);
  }
}

// Whether this session can make windows (a display is present).
inline bool CanCreateWindows() {
  HWND probe = CreateWindowExA(0, "STATIC", "probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               nullptr, nullptr);
  if (probe == nullptr) return false;
  DestroyWindow(probe);
  return true;
}

}  // namespace controltest
