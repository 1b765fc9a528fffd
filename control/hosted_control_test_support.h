// The registered control active in place in Wine's atl.dll container, with a recording sink
// advised on its events: the way a host with a form sees it (a control without a container has
// no window, so it fires nothing). Methods are called by name, as script hosts call them.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control_test_support.h"
#include "qx30w32_guids.h"

namespace controltest {

using AtlAxCreateControlExFunction = HRESULT(WINAPI*)(LPCOLESTR, HWND, IStream*, IUnknown**,
                                                      IUnknown**, REFIID, IUnknown*);

class HostedControl {
 public:
  HostedControl() = default;
  HostedControl(const HostedControl&) = delete;
  HostedControl& operator=(const HostedControl&) = delete;
  ~HostedControl() {
    if (cookie_ != 0) point_->Unadvise(cookie_);
    point_.Reset();
    dispatch_.Reset();
    control_.Reset();
    container_.Reset();
    if (host_ != nullptr) DestroyWindow(host_);
    PumpFor(50);
  }

  // Creates the host window and the control in it and advises the sink. Call it through
  // ASSERT_NO_FATAL_FAILURE.
  void Create() {
    HMODULE atl = LoadLibraryA("atl.dll");  // stays loaded: its window class is registered once
    ASSERT_NE(nullptr, atl);
    auto create = reinterpret_cast<AtlAxCreateControlExFunction>(
        reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxCreateControlEx")));
    ASSERT_NE(nullptr, create);
    // No AtlAxWinInit: creating a control in a given window needs none of its window classes,
    // and it registers them once per process only (the hosting tests of this program do).
    host_ = CreateWindowExA(0, "STATIC", "QX30W32 host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50,
                            400, 300, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, host_);
    ASSERT_EQ(S_OK, create(L"QX30W32.QXCtrl.1", host_, nullptr, container_.Out(), control_.Out(),
                           IID_NULL, nullptr));
    ASSERT_TRUE(control_);
    Ptr<IOleInPlaceObject> inPlace;
    ASSERT_EQ(S_OK, control_->QueryInterface(IID_IOleInPlaceObject, inPlace.OutVoid()));
    HWND window = nullptr;
    ASSERT_EQ(S_OK, inPlace->GetWindow(&window));
    ASSERT_NE(nullptr, window);
    ASSERT_EQ(S_OK, control_->QueryInterface(IID_IDispatch, dispatch_.OutVoid()));
    Ptr<IConnectionPointContainer> points;
    ASSERT_EQ(S_OK, control_->QueryInterface(IID_IConnectionPointContainer, points.OutVoid()));
    ASSERT_EQ(S_OK, points->FindConnectionPoint(qx30w32::kEventsId, point_.Out()));
    ASSERT_EQ(S_OK, point_->Advise(&sink, &cookie_));
    calls_.Bind(dispatch_.get());
  }

  // The methods by name (valid after Create).
  const NamedCalls& calls() const { return calls_; }
  short CallShort(const wchar_t* name, const DispatchArgs& args) const {
    return calls_.Short(name, args);
  }
  void Call(const wchar_t* name, const DispatchArgs& args, VARIANT* result) const {
    calls_.Call(name, args, result);
  }

  IDispatch* dispatch() const { return dispatch_.get(); }

  RecordingSink sink{qx30w32::kEventsId};

 private:
  HWND host_ = nullptr;
  Ptr<IUnknown> container_;
  Ptr<IUnknown> control_;
  Ptr<IDispatch> dispatch_;
  Ptr<IConnectionPoint> point_;
  DWORD cookie_ = 0;
  NamedCalls calls_;
};

// The events as text, one per line, for failure messages.
inline std::string DescribeEvents(const std::vector<EventRecord>& records) {
  std::string text;
  for (const auto& r : records) {
    text += std::to_string(r.id);
    for (const auto& a : r.args) text += " [" + std::string(a.begin(), a.end()) + "]";
    text += "\n";
  }
  return text;
}

}  // namespace controltest
