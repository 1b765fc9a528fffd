// A one-column grid of rows of one height, a window of ours: a current row, vertical
// scrolling, keyboard and mouse moving the current row, and cells painted by DrawCell.
#pragma once

#include "forms/canvas.h"
#include "forms/win_control.h"

namespace forms {

struct RowListCreateArgs {
  int left = 0, top = 0, width = 121, height = 97;
  int rowHeight = 16;
  bool border = true;
};

class RowList : public WinControl {
 public:
  using CreateArgs = RowListCreateArgs;
  RowList(Component* owner, WinControl* parent, const CreateArgs& args = CreateArgs());

  int RowCount() const { return rowCount_; }
  void SetRowCount(int count);
  int RowHeight() const { return rowHeight_; }
  void SetRowHeight(int height);
  int Row() const { return row_; }
  void SetRow(int row);
  int TopRow() const { return topRow_; }
  void SetTopRow(int row);
  int VisibleRows() const;
  RECT CellRect(int row) const;
  void InvalidateRow(int row);
  // The row at a client y, -1 below the last one.
  int RowAt(int y) const;
  bool HasBorder() const { return border_; }

  void WndProc(Message& message) override;

 protected:
  virtual void DrawCell(Canvas& canvas, int row, const RECT& rect) {}
  void PaintWindow(Canvas& canvas, const RECT& area) override;
  void KeyDown(WORD& key, ShiftState shift) override;
  void MouseDown(MouseButton button, ShiftState shift, int x, int y) override;

 private:
  void UpdateScrollBar();
  int rowCount_ = 1;
  int rowHeight_;
  int row_ = 0;
  int topRow_ = 0;
  bool border_;
};

}  // namespace forms
