#include "forms/common_controls.h"

#include <commctrl.h>

#include <algorithm>

namespace forms {

namespace {
WinControl::CreateParams Params(const char* cls, DWORD style, int l, int t, int w, int h) {
  WinControl::CreateParams p;
  p.className = cls;
  p.style |= style;
  p.x = l;
  p.y = t;
  p.width = w;
  p.height = h;
  return p;
}
}  // namespace

ProgressBar::ProgressBar(Component* owner, WinControl* parent, const CreateArgs& args)
    : WinControl(owner, parent) {
  CreateHandle(Params(PROGRESS_CLASSA, 0, args.left, args.top, args.width, args.height));
  SetRange(args.min, args.max);
  SetPosition(args.position);
}

int ProgressBar::Position() const {
  return static_cast<int>(SendMessageA(Handle(), PBM_GETPOS, 0, 0));
}
void ProgressBar::SetPosition(int position) {
  SendMessageA(Handle(), PBM_SETPOS, static_cast<WPARAM>(position), 0);
}
void ProgressBar::SetRange(int min, int max) {
  SendMessageA(Handle(), PBM_SETRANGE32, static_cast<WPARAM>(min), max);
}
int ProgressBar::Max() const {
  return static_cast<int>(SendMessageA(Handle(), PBM_GETRANGE, FALSE, 0));
}

StatusBar::StatusBar(Component* owner, WinControl* parent, const CreateArgs& args)
    : WinControl(owner, parent) {
  CreateHandle(Params(STATUSCLASSNAMEA, CCS_BOTTOM | SBARS_SIZEGRIP, 0, 0, 0, 19));
  align_ = Align::alBottom;
  SetPanels(args.panelWidths);
}

void StatusBar::SetPanels(const std::vector<int>& widths) {
  std::vector<int> edges;
  int right = 0;
  for (int w : widths) {
    if (w < 0) {
      edges.push_back(-1);
      break;
    }
    right += w;
    edges.push_back(right);
  }
  if (edges.empty()) edges.push_back(-1);
  SendMessageA(Handle(), SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

int StatusBar::PanelCount() const {
  return static_cast<int>(SendMessageA(Handle(), SB_GETPARTS, 0, 0));
}

std::string StatusBar::PanelText(int index) const {
  const LRESULT info = SendMessageA(Handle(), SB_GETTEXTLENGTHA, static_cast<WPARAM>(index), 0);
  std::string text(LOWORD(info) + 1, '\0');
  SendMessageA(Handle(), SB_GETTEXTA, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(text.data()));
  text.resize(LOWORD(info));
  return text;
}

void StatusBar::SetPanelText(int index, const std::string& text) {
  SendMessageA(Handle(), SB_SETTEXTA, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(text.c_str()));
}

void StatusBar::WndProc(Message& message) { WinControl::WndProc(message); }

TrackBar::TrackBar(Component* owner, WinControl* parent, const CreateArgs& args)
    : WinControl(owner, parent) {
  TabStop = true;
  CreateHandle(Params(TRACKBAR_CLASSA,
                      WS_TABSTOP | TBS_AUTOTICKS | (args.vertical ? TBS_VERT : TBS_HORZ), args.left,
                      args.top, args.width, args.height));
  SetRange(args.min, args.max);
  SetPosition(args.position);
}

int TrackBar::Position() const {
  return static_cast<int>(SendMessageA(Handle(), TBM_GETPOS, 0, 0));
}
void TrackBar::SetPosition(int position) { SendMessageA(Handle(), TBM_SETPOS, TRUE, position); }

void TrackBar::SetRange(int min, int max) {
  SendMessageA(Handle(), TBM_SETRANGEMIN, FALSE, min);
  SendMessageA(Handle(), TBM_SETRANGEMAX, TRUE, max);
}

void TrackBar::WndProc(Message& message) {
  if (message.msg == CN_BASE + WM_HSCROLL || message.msg == CN_BASE + WM_VSCROLL) {
    if (OnChange) OnChange(*this);
    return;
  }
  WinControl::WndProc(message);
}

UpDown::UpDown(Component* owner, WinControl* parent, const CreateArgs& args)
    : WinControl(owner, parent) {
  CreateHandle(Params(UPDOWN_CLASSA,
                      UDS_SETBUDDYINT | UDS_ARROWKEYS | (args.associate ? UDS_ALIGNRIGHT : 0),
                      args.left, args.top, args.width, args.height));
  if (args.associate != nullptr)
    SendMessageA(Handle(), UDM_SETBUDDY, reinterpret_cast<WPARAM>(args.associate->Handle()), 0);
  SetRange(args.min, args.max);
  SetPosition(args.position);
}

int UpDown::Position() const {
  return static_cast<int>(SendMessageA(Handle(), UDM_GETPOS32, 0, 0));
}
void UpDown::SetPosition(int position) { SendMessageA(Handle(), UDM_SETPOS32, 0, position); }
void UpDown::SetRange(int min, int max) {
  SendMessageA(Handle(), UDM_SETRANGE32, static_cast<WPARAM>(min), max);
}

void UpDown::WndProc(Message& message) {
  if (message.msg == CN_BASE + WM_VSCROLL || message.msg == CN_BASE + WM_HSCROLL) {
    if (OnChange) OnChange(*this);
    return;
  }
  WinControl::WndProc(message);
}

TabSheet::TabSheet(Component* owner, PageControl* pageControl, const std::string& caption)
    : Panel(owner, pageControl,
            PanelCreateArgs{"", 0, 0, 10, 10, Bevel::bvNone, Bevel::bvNone, clBtnFace}),
      pages_(pageControl) {
  title_ = caption;
  pageControl->AddPage(this);
}

PageControl::PageControl(Component* owner, WinControl* parent, const CreateArgs& args)
    : WinControl(owner, parent) {
  TabStop = true;
  CreateHandle(Params(WC_TABCONTROLA, WS_TABSTOP | WS_CLIPCHILDREN, args.left, args.top, args.width,
                      args.height));
}

void PageControl::AddPage(TabSheet* sheet) {
  TCITEMA item = {};
  item.mask = TCIF_TEXT;
  std::string text = sheet->Title();
  item.pszText = text.data();
  SendMessageA(Handle(), TCM_INSERTITEMA, pages_.size(), reinterpret_cast<LPARAM>(&item));
  pages_.push_back(sheet);
  ArrangePages();
  SetActivePageIndex(std::max(0, ActivePageIndex()));
}

void PageControl::RemovePage(TabSheet* sheet) {
  auto found = std::find(pages_.begin(), pages_.end(), sheet);
  if (found == pages_.end()) return;
  SendMessageA(Handle(), TCM_DELETEITEM, static_cast<WPARAM>(found - pages_.begin()), 0);
  pages_.erase(found);
}

void PageControl::ArrangePages() {
  RECT r = ClientRect();
  SendMessageA(Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
  for (TabSheet* page : pages_) page->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

int PageControl::ActivePageIndex() const {
  return static_cast<int>(SendMessageA(Handle(), TCM_GETCURSEL, 0, 0));
}

void PageControl::SetActivePageIndex(int index) {
  SendMessageA(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
  for (size_t i = 0; i < pages_.size(); ++i) pages_[i]->SetVisible(static_cast<int>(i) == index);
}

void PageControl::WndProc(Message& message) {
  if (message.msg == CN_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(message.lParam);
    if (header->code == TCN_SELCHANGE) {
      SetActivePageIndex(ActivePageIndex());
      if (OnChange) OnChange(*this);
    }
    return;
  }
  WinControl::WndProc(message);
  if (message.msg == WM_SIZE) ArrangePages();
}

}  // namespace forms
