#include "ms_list_view.h"

void TMSListView::Notify(forms::Message& message) {
  auto* header = reinterpret_cast<NMHDR*>(message.lParam);
  switch (header->code) {
    case LVN_GETDISPINFOA:
      if (OnGetDispInfo) {
        OnGetDispInfo(*this, header);
        return;
      }
      break;
    case LVN_DELETEITEM:
    case LVN_DELETEALLITEMS:
      message.result = 0;  // swallowed: the item data are not ours
      return;
    default:
      break;
  }
  ListView::Notify(message);
}
