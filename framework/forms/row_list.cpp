#include "forms/row_list.h"

#include <windowsx.h>

#include <algorithm>

namespace forms {

RowList::RowList(Component* owner, WinControl* parent, const CreateArgs& args)
    : WinControl(owner, parent), rowHeight_(std::max(1, args.rowHeight)), border_(args.border) {
  color_ = clWindow;
  TabStop = true;
  ControlStyle = csClickEvents | csDoubleClicks;
  CreateParams params;
  params.style |= WS_TABSTOP | WS_VSCROLL;
  params.exStyle = args.border ? WS_EX_CLIENTEDGE : 0;
  params.x = args.left;
  params.y = args.top;
  params.width = args.width;
  params.height = args.height;
  CreateHandle(params);
  UpdateScrollBar();
}

int RowList::VisibleRows() const {
  return std::max(1, static_cast<int>(ClientRect().bottom / rowHeight_));
}

void RowList::UpdateScrollBar() {
  if (Handle() == nullptr) return;
  SCROLLINFO info = {
      sizeof(info), SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL, 0, 0, 0, 0, 0};
  info.nMax = rowCount_ - 1;
  info.nPage = static_cast<UINT>(VisibleRows());
  info.nPos = topRow_;
  SetScrollInfo(Handle(), SB_VERT, &info, TRUE);
}

void RowList::SetRowCount(int count) {
  rowCount_ = std::max(0, count);
  if (row_ >= rowCount_) row_ = std::max(0, rowCount_ - 1);
  topRow_ = std::clamp(topRow_, 0, std::max(0, rowCount_ - VisibleRows()));
  UpdateScrollBar();
  Invalidate();
}

void RowList::SetRowHeight(int height) {
  rowHeight_ = std::max(1, height);
  UpdateScrollBar();
  Invalidate();
}

void RowList::SetTopRow(int row) {
  row = std::clamp(row, 0, std::max(0, rowCount_ - VisibleRows()));
  if (row == topRow_) return;
  topRow_ = row;
  UpdateScrollBar();
  Invalidate();
}

void RowList::SetRow(int row) {
  if (rowCount_ == 0) return;
  row = std::clamp(row, 0, rowCount_ - 1);
  const int old = row_;
  row_ = row;
  if (row < topRow_)
    SetTopRow(row);
  else if (row >= topRow_ + VisibleRows())
    SetTopRow(row - VisibleRows() + 1);
  InvalidateRow(old);
  InvalidateRow(row);
}

RECT RowList::CellRect(int row) const {
  const RECT client = ClientRect();
  const int top = (row - topRow_) * rowHeight_;
  return {0, top, client.right, top + rowHeight_};
}

void RowList::InvalidateRow(int row) {
  if (Handle() == nullptr || row < 0) return;
  const RECT r = CellRect(row);
  InvalidateRect(Handle(), &r, FALSE);
}

int RowList::RowAt(int y) const {
  if (y < 0) return -1;
  const int row = topRow_ + y / rowHeight_;
  return row < rowCount_ ? row : -1;
}

void RowList::PaintWindow(Canvas& canvas, const RECT& area) {
  const RECT client = ClientRect();
  for (int row = topRow_;; ++row) {
    const RECT cell = CellRect(row);
    if (cell.top >= client.bottom) break;
    RECT overlap;
    if (!IntersectRect(&overlap, &cell, &area)) continue;
    if (row < rowCount_) {
      const int saved = SaveDC(canvas.Handle());
      IntersectClipRect(canvas.Handle(), cell.left, cell.top, cell.right, cell.bottom);
      {
        Canvas cellCanvas(canvas.Handle());
        cellCanvas.Font = font_;
        DrawCell(cellCanvas, row, cell);
      }
      RestoreDC(canvas.Handle(), saved);
    } else {
      canvas.Brush.color = color_;
      canvas.Brush.clear = false;
      canvas.FillRect(cell);
    }
  }
}

void RowList::KeyDown(WORD& key, ShiftState shift) {
  WinControl::KeyDown(key, shift);
  switch (key) {
    case VK_UP:
      SetRow(row_ - 1);
      break;
    case VK_DOWN:
      SetRow(row_ + 1);
      break;
    case VK_HOME:
      SetRow(0);
      break;
    case VK_END:
      SetRow(rowCount_ - 1);
      break;
    case VK_PRIOR:
      SetRow(row_ - VisibleRows());
      break;
    case VK_NEXT:
      SetRow(row_ + VisibleRows());
      break;
    default:
      break;
  }
}

void RowList::MouseDown(MouseButton button, ShiftState shift, int x, int y) {
  if (CanFocus() && !Focused()) SetFocus();
  const int row = RowAt(y);
  if (row >= 0 && button == MouseButton::mbLeft) SetRow(row);
  WinControl::MouseDown(button, shift, x, y);
}

void RowList::WndProc(Message& message) {
  switch (message.msg) {
    case WM_GETDLGCODE:
      message.result = DLGC_WANTARROWS | DLGC_WANTCHARS;
      return;
    case WM_VSCROLL: {
      SCROLLINFO info = {sizeof(info), SIF_ALL, 0, 0, 0, 0, 0};
      GetScrollInfo(Handle(), SB_VERT, &info);
      int top = topRow_;
      switch (LOWORD(message.wParam)) {
        case SB_LINEUP:
          --top;
          break;
        case SB_LINEDOWN:
          ++top;
          break;
        case SB_PAGEUP:
          top -= VisibleRows();
          break;
        case SB_PAGEDOWN:
          top += VisibleRows();
          break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
          top = info.nTrackPos;
          break;
        case SB_TOP:
          top = 0;
          break;
        case SB_BOTTOM:
          top = rowCount_;
          break;
        default:
          break;
      }
      SetTopRow(top);
      return;
    }
    case WM_MOUSEWHEEL:
      SetTopRow(topRow_ - GET_WHEEL_DELTA_WPARAM(message.wParam) / WHEEL_DELTA * 3);
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      WinControl::WndProc(message);
      InvalidateRow(row_);
      return;
    default:
      break;
  }
  WinControl::WndProc(message);
  if (message.msg == WM_SIZE) UpdateScrollBar();
}

}  // namespace forms
