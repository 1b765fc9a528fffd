// CZPropPage, the control's only property page: it says that the control has methods, not
// properties. Reached through the Properties verb or ISpecifyPropertyPages.
#pragma once

#include "activex/property_page.h"

class CZPropPage final : public activex::DialogPropertyPage {
 public:
  static HRESULT Create(REFIID riid, void** object);
  CZPropPage();
};
