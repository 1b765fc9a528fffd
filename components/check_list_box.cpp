#include "check_list_box.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "forms/canvas.h"
#include "forms/font.h"

using namespace forms;

namespace {

bool ParseNumber(const std::string& text, long& value) {
  if (text.empty()) return false;
  size_t i = (text[0] == '-' || text[0] == '+') ? 1 : 0;
  if (i >= text.size() || text.find_first_not_of("0123456789", i) != std::string::npos ||
      text.size() > 11)
    return false;
  value = std::stol(text);
  return true;
}

std::vector<std::string> SplitBars(const std::string& text) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t bar = text.find('|', start);
    fields.push_back(
        text.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  return fields;
}

bool SystemHasNewLook() {
  const DWORD version = GetVersion();
  return LOBYTE(LOWORD(version)) >= 4;
}

}  // namespace

TCheckListStrings::Fields TCheckListStrings::Unpack(const std::string& stored) {
  Fields f;
  f.text = stored;
  if (stored.find('|') == std::string::npos) return f;
  const auto fields = SplitBars(stored);
  long number = 0;
  if (ParseNumber(fields[0], number)) {
    f.state = number == 1   ? TCheckState::csChecked
              : number == 2 ? TCheckState::csGrayed
                            : TCheckState::csUnchecked;
  }
  if (fields.size() > 1 && !fields[1].empty()) f.text = fields[1];
  if (fields.size() > 2 && ParseNumber(fields[2], number)) f.enabled = number != 0;
  if (fields.size() > 3 && ParseNumber(fields[3], number)) f.tag = static_cast<int>(number);
  return f;
}

std::string TCheckListStrings::Pack(const Fields& f) {
  std::string packed = std::to_string(static_cast<int>(f.state));
  packed += '|';
  packed += f.text;
  packed += f.enabled ? "|1|" : "|0|";
  packed += std::to_string(f.tag);
  return packed;
}

std::string TCheckListStrings::PackText(const std::string& text) {
  if (text.find('|') == std::string::npos) return "0|" + text + "|1|0";
  return Pack(Unpack(text));
}

std::string TCheckListStrings::Get(int index) const { return Unpack(StringList::Get(index)).text; }

void TCheckListStrings::Put(int index, const std::string& text) {
  SetRaw(index, PackText(text));
  ItemChanged(index);
}

void TCheckListStrings::Insert(int index, const std::string& text) {
  StringList::Insert(index, PackText(text));
  ListChanged();
}

void TCheckListStrings::Delete(int index) {
  StringList::Delete(index);
  ListChanged();
}

void TCheckListStrings::Clear() {
  StringList::Clear();
  ListChanged();
}

TCheckState TCheckListStrings::State(int index) const { return Unpack(Raw(index)).state; }

void TCheckListStrings::SetState(int index, TCheckState state) {
  Fields f = Unpack(Raw(index));
  f.state = state;
  SetRaw(index, Pack(f));
  ItemChanged(index);
}

bool TCheckListStrings::Enabled(int index) const { return Unpack(Raw(index)).enabled; }

void TCheckListStrings::SetEnabled(int index, bool enabled) {
  Fields f = Unpack(Raw(index));
  f.enabled = enabled;
  SetRaw(index, Pack(f));
  ItemChanged(index);
}

int TCheckListStrings::Tag(int index) const { return Unpack(Raw(index)).tag; }

void TCheckListStrings::SetTag(int index, int tag) {
  Fields f = Unpack(Raw(index));
  f.tag = tag;
  SetRaw(index, Pack(f));
}

void TCheckListStrings::QuickSort(int low, int high) {
  while (low < high) {
    int i = low, j = high;
    const std::string pivot = Get((low + high) / 2);
    do {
      while (CompareText(Get(i), pivot) < 0) ++i;
      while (CompareText(Get(j), pivot) > 0) --j;
      if (i <= j) {
        std::swap(items_[static_cast<size_t>(i)], items_[static_cast<size_t>(j)]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (low < j) QuickSort(low, j);
    low = i;
  }
}

void TCheckListStrings::SetSortedOnce(bool sorted) {
  if (sorted && !sortedFlag_ && Count() >= 2) {
    BeginUpdate();
    QuickSort(0, Count() - 1);
    EndUpdate();
    ItemChanged(-1);
  }
  sortedFlag_ = sorted;
}

int TCheckListBox::ComputeItemHeight(int points, int pixelsPerInch) {
  const int fontHeight = MulDiv(points, pixelsPerInch, 72);
  return std::max(kMinItemHeight, MulDiv(fontHeight, 120, 100) + 3);
}

TCheckState TCheckListBox::NextState(TCheckState state, TCheckOrder order) {
  switch (order) {
    case TCheckOrder::coCheckUncheckGray:
      return state == TCheckState::csUnchecked ? TCheckState::csGrayed
             : state == TCheckState::csChecked ? TCheckState::csUnchecked
                                               : TCheckState::csChecked;
    case TCheckOrder::coCheckGrayUncheck:
      return state == TCheckState::csUnchecked ? TCheckState::csChecked
             : state == TCheckState::csChecked ? TCheckState::csGrayed
                                               : TCheckState::csUnchecked;
    default:
      return state == TCheckState::csUnchecked ? TCheckState::csChecked : TCheckState::csUnchecked;
  }
}

TCheckListBox::TCheckListBox(Component* owner, WinControl* parent, const CreateArgs& args)
    : RowList(owner, parent,
              RowListCreateArgs{args.left, args.top, args.width, args.height,
                                ComputeItemHeight(8, ScreenPixelsPerInch()), true}) {
  color_ = clWindow;
  items_.OnListChanged = [this] { UpdateRowCount(); };
  items_.OnItemChanged = [this](int index) {
    if (index < 0) {
      Repaint();
    } else {
      InvalidateRow(index);
    }
  };
  UpdateItemHeight();
  UpdateRowCount();
  // The window's first WM_SIZE came before the framework saw its messages.
  if (integralHeight_) FitHeight();
}

void TCheckListBox::CheckIndex(int index) const {
  if (index < 0 || index >= items_.Count())
    throw std::out_of_range("Check list index out of bounds (" + std::to_string(index) + ")");
}

TCheckState TCheckListBox::State(int index) const {
  CheckIndex(index);
  return items_.State(index);
}

void TCheckListBox::SetState(int index, TCheckState state) {
  CheckIndex(index);
  items_.SetState(index, state);
}

bool TCheckListBox::ItemEnabled(int index) const {
  CheckIndex(index);
  return items_.Enabled(index);
}

void TCheckListBox::SetItems(const StringList& items) {
  items_.BeginUpdate();
  items_.StringList::Clear();
  for (int i = 0; i < items.Count(); ++i)
    items_.StringList::Insert(items_.Count(), TCheckListStrings::PackText(items.Get(i)));
  items_.EndUpdate();
  UpdateRowCount();
}

void TCheckListBox::SetCheckCtl3D(bool value) {
  if (value == checkCtl3D_) return;
  checkCtl3D_ = value;
  Repaint();
}

void TCheckListBox::SetCheckStyle(TCheckStyle value) {
  if (value == checkStyle_) return;
  checkStyle_ = value;
  Repaint();
}

void TCheckListBox::SetGrayCheckMark(bool value) {
  if (value == grayCheckMark_) return;
  grayCheckMark_ = value;
  Repaint();
}

void TCheckListBox::SetShowFocusRect(bool value) {
  if (value == showFocusRect_) return;
  showFocusRect_ = value;
  if (Focused()) InvalidateRow(Row());
}

void TCheckListBox::SetIntegralHeight(bool value) {
  if (value && !integralHeight_) FitHeight();
  integralHeight_ = value;
}

bool TCheckListBox::NewLook() const {
  return checkStyle_ == TCheckStyle::csNew ||
         (checkStyle_ == TCheckStyle::csAutoDetect && SystemHasNewLook());
}

void TCheckListBox::UpdateItemHeight() {
  SetRowHeight(ComputeItemHeight(font_.Size(), ScreenPixelsPerInch()));
}

void TCheckListBox::FitHeight() {
  if (fitting_) return;
  const int rows = std::max(1, Height() / RowHeight());
  const int height = rows * RowHeight() + (HasBorder() ? 4 : 0);
  if (height == Height()) return;
  fitting_ = true;
  SetHeight(height);
  fitting_ = false;
}

void TCheckListBox::UpdateRowCount() {
  current_ = -1;
  if (items_.Count() == RowCount()) {
    Invalidate();
  } else {
    SetRowCount(std::max(1, items_.Count()));
  }
}

void TCheckListBox::SetCurrentItem(int index) {
  if (index == current_) return;
  const int old = current_;
  current_ = index;
  InvalidateRow(old);
  InvalidateRow(index);
}

void TCheckListBox::Toggle(int index) {
  if (index < 0 || index >= items_.Count() || !items_.Enabled(index)) return;
  TCheckState newState = NextState(items_.State(index), CheckOrder);
  if (OnStateChange) OnStateChange(*this, index, newState);
  items_.SetState(index, newState);
  if (OnStateChanged) OnStateChanged(*this, index, newState);
}

void TCheckListBox::DrawCell(Canvas& canvas, int row, const RECT& rect) {
  const int h = rect.bottom - rect.top;
  const int x0 = (h - kMinItemHeight) / 2;
  const int y0 = rect.top + (h - kMinItemHeight) / 2;
  const int x1 = x0 + kMinItemHeight, y1 = y0 + kMinItemHeight;
  canvas.Font = font_;
  canvas.Brush.clear = false;
  canvas.Brush.color = color_;
  if (row == current_) {
    canvas.Font.SetColor(clHighlightText);
    canvas.Brush.color = clHighlight;
  }
  canvas.FillRect(rect);
  const bool hasItems = items_.Count() > 0 && row < items_.Count();
  if (hasItems) {
    const BrushState savedBrush = canvas.Brush;
    const PenState savedPen = canvas.Pen;
    const TCheckState state = items_.State(row);
    const bool newLook = NewLook();
    if (checkCtl3D_) {
      canvas.Pen.color = clBtnShadow;
      canvas.MoveTo(x0, y1 - 1);
      canvas.LineTo(x0, y0);
      canvas.LineTo(x1, y0);
      canvas.Pen.color = clBlack;
      canvas.MoveTo(x0 + 1, y1 - 2);
      canvas.LineTo(x0 + 1, y0 + 1);
      canvas.LineTo(x1 - 1, y0 + 1);
      canvas.Pen.color = clBtnFace;
      canvas.MoveTo(x1 - 2, y0 + 1);
      canvas.LineTo(x1 - 2, y1 - 2);
      canvas.LineTo(x0, y1 - 2);
      canvas.Pen.color = clBtnHighlight;
      canvas.MoveTo(x0, y1 - 1);
      canvas.LineTo(x1 - 1, y1 - 1);
      canvas.LineTo(x1 - 1, y0 - 1);
    } else {
      canvas.Pen.color = newLook ? clBtnShadow : clBlack;
      canvas.Rectangle(x0 + 1, y0 + 1, x1 - 1, y1 - 1);
    }
    const RECT inside = {x0 + 2, y0 + 2, x1 - 2, y1 - 2};
    canvas.Brush.clear = false;
    canvas.Brush.color =
        (state == TCheckState::csGrayed && (newLook || checkCtl3D_)) ? clBtnFace : clWindow;
    canvas.FillRect(inside);
    if (state != TCheckState::csUnchecked) {
      const int l = x0 + 3, t = y0 + 3, rt = x1 - 3, b = y1 - 3;
      canvas.Pen.width = 1;
      canvas.Pen.color = (state == TCheckState::csGrayed && grayCheckMark_) ? clBtnShadow : clBlack;
      auto line = [&](int ax, int ay, int bx, int by) {
        canvas.MoveTo(ax, ay);
        canvas.LineTo(bx, by);
      };
      if (newLook) {
        const int m = t + (b - t) / 2;
        for (int i = 0; i < 3; ++i) {
          line(l, m - i + 1, l + 2, m - i + 3);
          line(l + 2, m - i + 3, l + 7, m - i - 2);
        }
      } else if (checkCtl3D_) {
        line(l, t, rt, b);
        line(l + 1, t, rt, b - 1);
        line(l, t + 1, rt - 1, b);
        line(l, b - 1, rt, t - 1);
        line(l, b - 2, rt - 1, t - 1);
        line(l + 1, b - 1, rt, t);
      } else if (state == TCheckState::csGrayed) {
        for (int i = 0; i <= rt - l + 1; ++i) {
          for (int j = 0; j <= b - t + 1; ++j) {
            if ((i + j) % 2 == 1) canvas.SetPixel(l - 1 + i, t - 1 + j, clBlack);
          }
        }
      } else {
        line(l - 1, t - 1, rt + 1, b + 1);
        line(l - 1, b, rt + 1, t - 2);
      }
    }
    canvas.Brush = savedBrush;
    canvas.Pen = savedPen;
    RECT textRect = rect;
    textRect.left += h;
    if (!Enabled() || !items_.Enabled(row)) canvas.Font.SetColor(clBtnShadow);
    canvas.Brush.clear = true;
    canvas.DrawText(items_.Get(row), textRect, DT_SINGLELINE | DT_VCENTER);
  }
  if (Focused() && (row == current_ || (current_ == -1 && row == 0))) {
    focusRect_ = rect;
    if (showFocusRect_) {
      canvas.Brush.clear = false;
      canvas.DrawFocusRect(rect);
    }
  }
}

void TCheckListBox::KeyPress(char& key) {
  RowList::KeyPress(key);
  if (key == ' ') Toggle(current_);
}

void TCheckListBox::MouseDown(MouseButton button, ShiftState shift, int x, int y) {
  RowList::MouseDown(button, shift, x, y);
  if (button != MouseButton::mbLeft) return;
  const int row = RowAt(y);
  if (row < 0) return;
  if (row < items_.Count() && !items_.Enabled(row) && !SelectDisabled) return;
  SetCurrentItem(items_.Count() == 0 ? -1 : row);
  if (x <= ItemHeight() &&
      (CheckMode == TCheckMode::cmBoth || CheckMode == TCheckMode::cmCheckboxClick))
    Toggle(current_);
}

void TCheckListBox::DblClick() {
  RowList::DblClick();
  if (Row() == current_ &&
      (CheckMode == TCheckMode::cmBoth || CheckMode == TCheckMode::cmDoubleClick))
    Toggle(current_);
}

void TCheckListBox::KeyDown(WORD& key, ShiftState shift) {
  RowList::KeyDown(key, shift);
  const int count = items_.Count();
  if (count == 0) return;
  auto enabled = [&](int i) { return items_.Enabled(i); };
  // The first enabled item scanning from..to (inclusive, either direction), or -1.
  auto scan = [&](int from, int to) {
    const int step = from <= to ? 1 : -1;
    for (int i = from; i != to + step; i += step) {
      if (i >= 0 && i < count && enabled(i)) return i;
    }
    return -1;
  };
  int target = -1;
  WORD k = key;
  if (current_ < 0 && (k == VK_UP || k == VK_DOWN)) k = VK_HOME;
  switch (k) {
    case VK_END:
      target = SelectDisabled ? count - 1 : scan(count - 1, current_ + 1);
      break;
    case VK_HOME: {
      const int before = current_ < 0 ? count : current_;
      target = SelectDisabled ? 0 : (before > 0 ? scan(0, before - 1) : -1);
      break;
    }
    case VK_UP:
      if (current_ > 0) target = SelectDisabled ? current_ - 1 : scan(current_ - 1, 0);
      break;
    case VK_DOWN:
      if (current_ < count - 1)
        target = SelectDisabled ? current_ + 1 : scan(current_ + 1, count - 1);
      break;
    default:
      return;
  }
  if (target >= 0) SetCurrentItem(target);
}

void TCheckListBox::WndProc(Message& message) {
  switch (message.msg) {
    case WM_SIZE:
      RowList::WndProc(message);
      if (integralHeight_) FitHeight();
      return;
    case CM_FONTCHANGED:
      RowList::WndProc(message);
      UpdateItemHeight();
      if (integralHeight_) FitHeight();
      return;
    case CM_ENABLEDCHANGED:
      RowList::WndProc(message);
      Repaint();
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      RowList::WndProc(message);
      InvalidateRow(current_ < 0 ? 0 : current_);
      return;
    default:
      break;
  }
  RowList::WndProc(message);
}
