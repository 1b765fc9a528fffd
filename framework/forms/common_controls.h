// Wrappers of the common controls: ProgressBar, StatusBar, TrackBar, UpDown, and PageControl
// (a tab control whose pages are panels of ours, one shown at a time).
#pragma once

#include <string>
#include <vector>

#include "forms/panel.h"
#include "forms/win_control.h"

namespace forms {

struct ProgressBarCreateArgs {
  int left = 0, top = 0, width = 150, height = 16;
  int min = 0, max = 100, position = 0;
};

class ProgressBar : public WinControl {
 public:
  using CreateArgs = ProgressBarCreateArgs;
  ProgressBar(Component* owner, WinControl* parent, const CreateArgs& args = CreateArgs());
  int Position() const;
  void SetPosition(int position);
  void SetRange(int min, int max);
  int Max() const;
};

struct StatusBarCreateArgs {
  std::vector<int> panelWidths;  // -1: to the right edge; none: one simple panel
};

class StatusBar : public WinControl {
 public:
  using CreateArgs = StatusBarCreateArgs;
  StatusBar(Component* owner, WinControl* parent, const CreateArgs& args = CreateArgs());
  void SetPanels(const std::vector<int>& widths);
  int PanelCount() const;
  std::string PanelText(int index) const;
  void SetPanelText(int index, const std::string& text);
  void WndProc(Message& message) override;
};

struct TrackBarCreateArgs {
  int left = 0, top = 0, width = 150, height = 45;
  int min = 0, max = 10, position = 0;
  bool vertical = false;
};

class TrackBar : public WinControl {
 public:
  using CreateArgs = TrackBarCreateArgs;
  TrackBar(Component* owner, WinControl* parent, const CreateArgs& args = CreateArgs());
  int Position() const;
  void SetPosition(int position);
  void SetRange(int min, int max);
  NotifyEvent OnChange;
  void WndProc(Message& message) override;
};

struct UpDownCreateArgs {
  int left = 0, top = 0, width = 16, height = 21;
  int min = 0, max = 100, position = 0;
  WinControl* associate = nullptr;  // the edit whose number it steps
};

class UpDown : public WinControl {
 public:
  using CreateArgs = UpDownCreateArgs;
  UpDown(Component* owner, WinControl* parent, const CreateArgs& args = CreateArgs());
  int Position() const;
  void SetPosition(int position);
  void SetRange(int min, int max);
  NotifyEvent OnChange;
  void WndProc(Message& message) override;
};

class PageControl;

class TabSheet : public Panel {
 public:
  TabSheet(Component* owner, PageControl* pageControl, const std::string& caption);
  PageControl* Pages() const { return pages_; }
  const std::string& Title() const { return title_; }

 private:
  PageControl* pages_;
  std::string title_;
};

struct PageControlCreateArgs {
  int left = 0, top = 0, width = 289, height = 193;
};

class PageControl : public WinControl {
 public:
  using CreateArgs = PageControlCreateArgs;
  PageControl(Component* owner, WinControl* parent, const CreateArgs& args = CreateArgs());
  int PageCount() const { return static_cast<int>(pages_.size()); }
  TabSheet* Page(int index) const { return pages_.at(static_cast<size_t>(index)); }
  int ActivePageIndex() const;
  void SetActivePageIndex(int index);
  NotifyEvent OnChange;
  void WndProc(Message& message) override;

 private:
  friend class TabSheet;
  void AddPage(TabSheet* sheet);
  void RemovePage(TabSheet* sheet);
  void ArrangePages();
  std::vector<TabSheet*> pages_;
};

}  // namespace forms
