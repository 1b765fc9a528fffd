#include "activex/property_page.h"

#include <new>
#include <string>

#include "activex/server_module.h"

namespace activex {

DialogPropertyPage::DialogPropertyPage(int dialogId, int titleId)
    : dialogId_(dialogId), titleId_(titleId) {
  ObjectCreated();
}

DialogPropertyPage::~DialogPropertyPage() {
  if (window_ != nullptr) DestroyWindow(window_);
  ReleaseObjects();
  site_.reset();
  ObjectDestroyed();
}

STDMETHODIMP DialogPropertyPage::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPropertyPage)) {
    *object = static_cast<IPropertyPage*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) DialogPropertyPage::AddRef() { return InterlockedIncrement(&references_); }

STDMETHODIMP_(ULONG) DialogPropertyPage::Release() {
  LONG left = InterlockedDecrement(&references_);
  if (left == 0) {
    try {
      delete this;
    } catch (...) {
    }
  }
  return static_cast<ULONG>(left);
}

INT_PTR CALLBACK DialogPropertyPage::DialogProc(HWND, UINT message, WPARAM, LPARAM) {
  // The page only shows its texts and icon.
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

void DialogPropertyPage::ReleaseObjects() { objects_.clear(); }

STDMETHODIMP DialogPropertyPage::SetPageSite(IPropertyPageSite* site) {
  site_ = ComRef<IPropertyPageSite>::Share(site);
  return S_OK;
}

STDMETHODIMP DialogPropertyPage::Activate(HWND parent, LPCRECT rect, BOOL) {
  if (window_ != nullptr) return E_UNEXPECTED;
  window_ = CreateDialogParamW(ModuleHandle(), MAKEINTRESOURCEW(dialogId_), parent, DialogProc, 0);
  if (window_ == nullptr) return E_OUTOFMEMORY;
  if (rect != nullptr) Move(rect);
  return S_OK;
}

STDMETHODIMP DialogPropertyPage::Deactivate() {
  if (window_ == nullptr) return E_UNEXPECTED;
  DestroyWindow(window_);
  window_ = nullptr;
  return S_OK;
}

SIZE DialogPropertyPage::PageSize() {
  // The template's size in pixels comes from a dialog made from it (its font decides); without
  // windows (no display) a typical page size stands in.
  SIZE size = {250, 110};
  HWND probe = window_;
  bool temporary = false;
  if (probe == nullptr) {
    probe = CreateDialogParamW(ModuleHandle(), MAKEINTRESOURCEW(dialogId_), GetDesktopWindow(),
                               DialogProc, 0);
    temporary = probe != nullptr;
  }
  if (probe != nullptr) {
    RECT area;
    GetWindowRect(probe, &area);
    size = {area.right - area.left, area.bottom - area.top};
  }
  if (temporary) DestroyWindow(probe);
  return size;
}

STDMETHODIMP DialogPropertyPage::GetPageInfo(PROPPAGEINFO* info) {
  if (info == nullptr) return E_POINTER;
  wchar_t title[128] = L"";
  LoadStringW(ModuleHandle(), static_cast<UINT>(titleId_), title, 128);
  const size_t bytes = (wcslen(title) + 1) * sizeof(wchar_t);
  auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
  if (copy == nullptr) return E_OUTOFMEMORY;
  memcpy(copy, title, bytes);
  info->cb = sizeof *info;
  info->pszTitle = copy;
  info->size = PageSize();
  info->pszDocString = nullptr;
  info->pszHelpFile = nullptr;
  info->dwHelpContext = 0;
  return S_OK;
}

STDMETHODIMP DialogPropertyPage::SetObjects(ULONG count, IUnknown** objects) {
  if (count > 0 && objects == nullptr) return E_POINTER;
  try {
    std::vector<ComRef<IUnknown>> copy;
    copy.reserve(count);
    for (ULONG i = 0; i < count; ++i) copy.push_back(ComRef<IUnknown>::Share(objects[i]));
    objects_.swap(copy);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

STDMETHODIMP DialogPropertyPage::Show(UINT command) {
  if (window_ == nullptr) return E_UNEXPECTED;
  ShowWindow(window_, static_cast<int>(command));
  return S_OK;
}

STDMETHODIMP DialogPropertyPage::Move(LPCRECT rect) {
  if (rect == nullptr) return E_POINTER;
  if (window_ == nullptr) return E_UNEXPECTED;
  MoveWindow(window_, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
             TRUE);
  return S_OK;
}

STDMETHODIMP DialogPropertyPage::IsPageDirty() { return S_FALSE; }
STDMETHODIMP DialogPropertyPage::Apply() { return S_OK; }
STDMETHODIMP DialogPropertyPage::Help(LPCOLESTR) { return E_NOTIMPL; }

STDMETHODIMP DialogPropertyPage::TranslateAccelerator(MSG* msg) {
  if (msg == nullptr) return E_POINTER;
  return (window_ != nullptr && IsDialogMessageW(window_, msg)) ? S_OK : S_FALSE;
}

}  // namespace activex
