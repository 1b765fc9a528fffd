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

#include "win_test_util.h"

namespace controltest {

inline std::string DllPath() { return testutil::UnixToWindowsPath(QX30W32_DLL_PATH); }
inline std::string ControlSourceDir() {
  return testutil::UnixToWindowsPath(QX30W32_CONTROL_DIR "/");
}

inline std::wstring Wide(const std::string& text) {
  return std::wstring(text.begin(), text.end());
}

// Automation arguments in declaration order, each owning its value; Reversed() gives them as
// IDispatch::Invoke takes them (the last one first). Texts go in through the ANSI code page.
class DispatchArgs {
 public:
  DispatchArgs() = default;
  DispatchArgs(const DispatchArgs&) = delete;
  DispatchArgs& operator=(const DispatchArgs&) = delete;
  ~DispatchArgs() {
    for (VARIANT& v : values_) VariantClear(&v);
  }
  DispatchArgs& Text(const std::string& ansi) {
    const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                           nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(),
                        length);
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
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
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
    return S_OK;
  }
  LONG references = 1;

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

// Finds a top-level dialog of this process whose caption contains `caption` and presses its
// button `buttonId`, from a thread of its own; gives up after the time limit.
class DialogWatcher {
 public:
  DialogWatcher(std::string caption, int buttonId, std::function<void(HWND)> inspect = nullptr)
      : caption_(std::move(caption)), buttonId_(buttonId), inspect_(std::move(inspect)) {
    thread_ = std::thread([this] { Watch(); });
  }
  ~DialogWatcher() {
    stop_ = true;
    thread_.join();
  }
  bool found() const { return found_; }

 private:
  struct Search {
    const std::string* caption;
    HWND result;
  };
  static BOOL CALLBACK Visit(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId()) return TRUE;
    char className[64] = {};
    char title[256] = {};
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    if (std::string(className) == "#32770" && IsWindowVisible(window) &&
        std::string(title).find(*search->caption) != std::string::npos) {
      search->result = window;
      return FALSE;
    }
    return TRUE;
  }
  void Watch() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!stop_ && std::chrono::steady_clock::now() < deadline) {
      Search search{&caption_, nullptr};
      EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
      if (search.result != nullptr) {
        Sleep(200);  // let the dialog finish its start
        if (inspect_) inspect_(search.result);
        found_ = true;
        HWND button = GetDlgItem(search.result, buttonId_);
        if (button != nullptr) {
          PostMessageW(search.result, WM_COMMAND, MAKEWPARAM(buttonId_, BN_CLICKED),
                       reinterpret_cast<LPARAM>(button));
        } else {
          PostMessageW(search.result, WM_COMMAND, MAKEWPARAM(buttonId_, BN_CLICKED), 0);
        }
        return;
      }
      Sleep(50);
    }
  }

  std::string caption_;
  int buttonId_;
  std::function<void(HWND)> inspect_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> found_{false};
  std::thread thread_;
};

// Whether this session can make windows (a display is present).
inline bool CanCreateWindows() {
  HWND probe = CreateWindowExA(0, "STATIC", "probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               nullptr, nullptr);
  if (probe == nullptr) return false;
  DestroyWindow(probe);
  return true;
}

}  // namespace controltest
