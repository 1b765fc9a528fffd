// A property page shown from a dialog resource (a child dialog inside the container's property
// frame). The page has nothing to exchange unless a derived class adds it.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <vector>

#include "activex/com_ref.h"

namespace activex {

class DialogPropertyPage : public IPropertyPage {
 public:
  // dialogId: a child dialog template of the module; titleId: the page title's string resource.
  DialogPropertyPage(int dialogId, int titleId);
  virtual ~DialogPropertyPage();
  DialogPropertyPage(const DialogPropertyPage&) = delete;
  DialogPropertyPage& operator=(const DialogPropertyPage&) = delete;

  HWND window() const { return window_; }

  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP SetPageSite(IPropertyPageSite* site) override;
  STDMETHODIMP Activate(HWND parent, LPCRECT rect, BOOL modal) override;
  STDMETHODIMP Deactivate() override;
  STDMETHODIMP GetPageInfo(PROPPAGEINFO* info) override;
  STDMETHODIMP SetObjects(ULONG count, IUnknown** objects) override;
  STDMETHODIMP Show(UINT command) override;
  STDMETHODIMP Move(LPCRECT rect) override;
  STDMETHODIMP IsPageDirty() override;
  STDMETHODIMP Apply() override;
  STDMETHODIMP Help(LPCOLESTR helpFolder) override;
  STDMETHODIMP TranslateAccelerator(MSG* msg) override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  void ReleaseObjects();
  SIZE PageSize();

  LONG references_ = 1;
  int dialogId_;
  int titleId_;
  ComRef<IPropertyPageSite> site_;
  std::vector<ComRef<IUnknown>> objects_;
  HWND window_ = nullptr;
};

}  // namespace activex
