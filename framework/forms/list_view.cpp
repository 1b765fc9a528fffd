#include "forms/list_view.h"

#include "forms/guard.h"

namespace forms {

namespace {

DWORD ViewBits(ViewStyle style) {
  switch (style) {
    case ViewStyle::vsSmallIcon:
      return LVS_SMALLICON;
    case ViewStyle::vsList:
      return LVS_LIST;
    case ViewStyle::vsReport:
      return LVS_REPORT;
    default:
      return LVS_ICON;
  }
}

}  // namespace

ListView::ListView(Component* owner, WinControl* parent, const CreateArgs& args)
    : WinControl(owner, parent) {
  color_ = clWindow;
  TabStop = true;
  CreateParams params;
  params.className = WC_LISTVIEWA;
  params.style |= WS_TABSTOP | LVS_SHAREIMAGELISTS | ViewBits(args.viewStyle) |
                  (args.multiSelect ? 0 : LVS_SINGLESEL) | (args.readOnly ? 0 : LVS_EDITLABELS) |
                  (args.showColumnHeaders ? 0 : LVS_NOCOLUMNHEADER) |
                  (args.hideSelection ? 0 : LVS_SHOWSELALWAYS);
  params.exStyle = WS_EX_CLIENTEDGE;
  params.x = args.left;
  params.y = args.top;
  params.width = args.width;
  params.height = args.height;
  CreateHandle(params);
}

void ListView::AddColumn(const std::string& caption, int width, Alignment alignment) {
  LVCOLUMNA column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
  column.fmt = alignment == Alignment::taRightJustify ? LVCFMT_RIGHT
               : alignment == Alignment::taCenter     ? LVCFMT_CENTER
                                                      : LVCFMT_LEFT;
  column.cx = width;
  std::string text = caption;
  column.pszText = text.data();
  column.iSubItem = ColumnCount();
  SendMessageA(Handle(), LVM_INSERTCOLUMNA, static_cast<WPARAM>(column.iSubItem),
               reinterpret_cast<LPARAM>(&column));
}

int ListView::ColumnCount() const {
  HWND header = reinterpret_cast<HWND>(SendMessageA(Handle(), LVM_GETHEADER, 0, 0));
  return header != nullptr ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

int ListView::ColumnWidth(int column) const {
  return static_cast<int>(
      SendMessageA(Handle(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

void ListView::SetViewStyle(ViewStyle style) {
  LONG bits = GetWindowLongA(Handle(), GWL_STYLE);
  SetWindowLongA(Handle(), GWL_STYLE, (bits & ~LVS_TYPEMASK) | ViewBits(style));
}

ViewStyle ListView::GetViewStyle() const {
  switch (GetWindowLongA(Handle(), GWL_STYLE) & LVS_TYPEMASK) {
    case LVS_SMALLICON:
      return ViewStyle::vsSmallIcon;
    case LVS_LIST:
      return ViewStyle::vsList;
    case LVS_REPORT:
      return ViewStyle::vsReport;
    default:
      return ViewStyle::vsIcon;
  }
}

int ListView::Count() const {
  return static_cast<int>(SendMessageA(Handle(), LVM_GETITEMCOUNT, 0, 0));
}

int ListView::InsertItem(int index, const char* text, int image, LPARAM data) {
  LVITEMA item = {};
  item.mask = LVIF_TEXT | LVIF_PARAM | (image >= 0 ? LVIF_IMAGE : 0);
  item.iItem = index;
  item.pszText = text != nullptr ? const_cast<char*>(text) : LPSTR_TEXTCALLBACKA;
  item.iImage = image;
  item.lParam = data;
  return static_cast<int>(
      SendMessageA(Handle(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void ListView::SetItemText(int item, int subItem, const std::string& text) {
  LVITEMA lv = {};
  lv.iSubItem = subItem;
  std::string copy = text;
  lv.pszText = copy.data();
  SendMessageA(Handle(), LVM_SETITEMTEXTA, static_cast<WPARAM>(item),
               reinterpret_cast<LPARAM>(&lv));
}

std::string ListView::ItemText(int item, int subItem) const {
  std::string text(1024, '\0');
  LVITEMA lv = {};
  lv.iSubItem = subItem;
  lv.pszText = text.data();
  lv.cchTextMax = static_cast<int>(text.size());
  const LRESULT length = SendMessageA(Handle(), LVM_GETITEMTEXTA, static_cast<WPARAM>(item),
                                      reinterpret_cast<LPARAM>(&lv));
  text.resize(static_cast<size_t>(length > 0 ? length : 0));
  return text;
}

LPARAM ListView::ItemData(int item) const {
  LVITEMA lv = {};
  lv.mask = LVIF_PARAM;
  lv.iItem = item;
  SendMessageA(Handle(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&lv));
  return lv.lParam;
}

int ListView::ItemImage(int item) const {
  LVITEMA lv = {};
  lv.mask = LVIF_IMAGE;
  lv.iItem = item;
  SendMessageA(Handle(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&lv));
  return lv.iImage;
}

void ListView::DeleteItem(int item) {
  SendMessageA(Handle(), LVM_DELETEITEM, static_cast<WPARAM>(item), 0);
}
void ListView::Clear() { SendMessageA(Handle(), LVM_DELETEALLITEMS, 0, 0); }

int ListView::Selected() const {
  return static_cast<int>(
      SendMessageA(Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

std::vector<int> ListView::SelectedItems() const {
  std::vector<int> items;
  int next = -1;
  while ((next = static_cast<int>(SendMessageA(Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(next),
                                               LVNI_SELECTED))) >= 0)
    items.push_back(next);
  return items;
}

int ListView::SelCount() const {
  return static_cast<int>(SendMessageA(Handle(), LVM_GETSELECTEDCOUNT, 0, 0));
}

void ListView::SetSelected(int item, bool selected) {
  LVITEMA lv = {};
  lv.stateMask = LVIS_SELECTED;
  lv.state = selected ? LVIS_SELECTED : 0;
  SendMessageA(Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(item),
               reinterpret_cast<LPARAM>(&lv));
}

void ListView::SetFocusedItem(int item) {
  LVITEMA lv = {};
  lv.stateMask = LVIS_FOCUSED;
  lv.state = LVIS_FOCUSED;
  SendMessageA(Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(item),
               reinterpret_cast<LPARAM>(&lv));
}

void ListView::EditCaption(int item) {
  SetFocus();
  SendMessageA(Handle(), LVM_EDITLABELA, static_cast<WPARAM>(item), 0);
}

void ListView::SetSmallImages(ImageList* images) {
  if (smallImages_ != nullptr && smallImages_ != largeImages_) RemoveFreeNotification(smallImages_);
  smallImages_ = images;
  if (images != nullptr) FreeNotification(images);
  SendMessageA(Handle(), LVM_SETIMAGELIST, LVSIL_SMALL,
               reinterpret_cast<LPARAM>(images ? images->Handle() : nullptr));
}

void ListView::SetLargeImages(ImageList* images) {
  if (largeImages_ != nullptr && smallImages_ != largeImages_) RemoveFreeNotification(largeImages_);
  largeImages_ = images;
  if (images != nullptr) FreeNotification(images);
  SendMessageA(Handle(), LVM_SETIMAGELIST, LVSIL_NORMAL,
               reinterpret_cast<LPARAM>(images ? images->Handle() : nullptr));
}

void ListView::Notification(Component* component, Operation operation) {
  WinControl::Notification(component, operation);
  if (operation != Operation::opRemove) return;
  if (component == smallImages_) SetSmallImages(nullptr);
  if (component == largeImages_) SetLargeImages(nullptr);
}

int CALLBACK ListView::CompareItems(LPARAM first, LPARAM second, LPARAM self) {
  auto* view = reinterpret_cast<ListView*>(self);
  if (view->comparerFailed_ || view->comparer_ == nullptr) return 0;
  try {
    return (*view->comparer_)(first, second);
  } catch (...) {
    view->comparerFailed_ = true;
    ReportCurrentException();
    return 0;
  }
}

void ListView::SortItems(const Comparer& compare) {
  comparer_ = &compare;
  comparerFailed_ = false;
  SendMessageA(Handle(), LVM_SORTITEMS, reinterpret_cast<WPARAM>(this),
               reinterpret_cast<LPARAM>(&CompareItems));
  comparer_ = nullptr;
}

void ListView::WndProc(Message& message) {
  if (message.msg == CN_NOTIFY) {
    Notify(message);
    return;
  }
  WinControl::WndProc(message);
}

void ListView::Notify(Message& message) {
  auto* header = reinterpret_cast<NMHDR*>(message.lParam);
  switch (header->code) {
    case LVN_GETDISPINFOA: {
      auto* info = reinterpret_cast<NMLVDISPINFOA*>(header);
      if ((info->item.mask & LVIF_TEXT) && OnGetText && info->item.pszText != nullptr &&
          info->item.cchTextMax > 0) {
        textBuffer_ = OnGetText(info->item.iItem, info->item.iSubItem, info->item.lParam);
        lstrcpynA(info->item.pszText, textBuffer_.c_str(), info->item.cchTextMax);
      }
      break;
    }
    case LVN_DELETEITEM: {
      auto* view = reinterpret_cast<NMLISTVIEW*>(header);
      if (OnDeletion) OnDeletion(*this, view->iItem, view->lParam);
      break;
    }
    case LVN_DELETEALLITEMS:
      message.result = 0;  // go on with one LVN_DELETEITEM per item
      break;
    case LVN_COLUMNCLICK:
      if (OnColumnClick) OnColumnClick(*this, reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
      break;
    case LVN_ITEMCHANGED: {
      auto* view = reinterpret_cast<NMLISTVIEW*>(header);
      if ((view->uChanged & LVIF_STATE) && OnChange) OnChange(*this, view->iItem);
      break;
    }
    case LVN_BEGINLABELEDITA: {
      bool allow = true;
      if (OnEditing) OnEditing(*this, reinterpret_cast<NMLVDISPINFOA*>(header)->item.iItem, allow);
      message.result = allow ? 0 : 1;
      break;
    }
    case LVN_ENDLABELEDITA: {
      auto* info = reinterpret_cast<NMLVDISPINFOA*>(header);
      if (info->item.pszText == nullptr) break;  // editing cancelled
      std::string text = info->item.pszText;
      bool accept = true;
      if (OnEdited) OnEdited(*this, info->item.iItem, text, accept);
      if (accept) SetItemText(info->item.iItem, 0, text);
      message.result = 0;
      break;
    }
    case NM_CLICK:
      Click();
      break;
    case NM_DBLCLK:
      DblClick();
      break;
    default:
      break;
  }
}

}  // namespace forms
