#include "zproppage.h"

#include <new>

#include "resource.h"

HRESULT CZPropPage::Create(REFIID riid, void** object) {
  // The creation reference goes when this ends; QueryInterface's one stays.
  activex::ComRef<CZPropPage> page(new (std::nothrow) CZPropPage());
  if (!page) return E_OUTOFMEMORY;
  return page->QueryInterface(riid, object);
}

CZPropPage::CZPropPage() : DialogPropertyPage(IDD_PROPPAGE, IDS_PROPPAGE_CAPTION) {}
