#include "zproppage.h"

#include <new>

#include "resource.h"

HRESULT CZPropPage::Create(REFIID riid, void** object) {
  auto* page = new (std::nothrow) CZPropPage();
  if (page == nullptr) return E_OUTOFMEMORY;
  HRESULT hr = page->QueryInterface(riid, object);
  page->Release();
  return hr;
}

CZPropPage::CZPropPage() : DialogPropertyPage(IDD_PROPPAGE, IDS_PROPPAGE_CAPTION) {}
