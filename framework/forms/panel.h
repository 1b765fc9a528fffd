// Containers: Panel (a window of ours with a bevel and a centred caption), RadioGroup (a panel
// of radio buttons with one ItemIndex) and ScrollBox (a panel that scrolls its children).
#pragma once

#include <string>
#include <vector>

#include "forms/buttons.h"
#include "forms/win_control.h"

namespace forms {

enum class Bevel { bvNone, bvLowered, bvRaised };

struct PanelCreateArgs {
  std::string caption;
  int left = 0, top = 0, width = 185, height = 41;
  Bevel bevelOuter = Bevel::bvRaised;
  Bevel bevelInner = Bevel::bvNone;
  Color color = clBtnFace;
};

class Panel : public WinControl {
 public:
  using CreateArgs = PanelCreateArgs;
  Panel(Component* owner, WinControl* parent, const CreateArgs& args = CreateArgs());
  Bevel BevelOuter = Bevel::bvRaised;
  Bevel BevelInner = Bevel::bvNone;

 protected:
  void PaintWindow(Canvas& canvas, const RECT& area) override;
};

struct RadioGroupCreateArgs {
  std::string caption;
  int left = 0, top = 0, width = 185, height = 105;
  std::vector<std::string> items;
  int itemIndex = -1;
};

class RadioGroup : public Panel {
 public:
  using CreateArgs = RadioGroupCreateArgs;
  RadioGroup(Component* owner, WinControl* parent, const CreateArgs& args = CreateArgs());
  int Count() const { return static_cast<int>(buttons_.size()); }
  void AddItem(const std::string& text);
  int ItemIndex() const;
  void SetItemIndex(int index);
  RadioButton* Buttons(int index) const { return buttons_.at(static_cast<size_t>(index)); }

 protected:
  void PaintWindow(Canvas& canvas, const RECT& area) override;

 private:
  void Arrange();
  std::vector<RadioButton*> buttons_;
};

struct ScrollBoxCreateArgs {
  int left = 0, top = 0, width = 185, height = 105;
};

class ScrollBox : public WinControl {
 public:
  using CreateArgs = ScrollBoxCreateArgs;
  ScrollBox(Component* owner, WinControl* parent, const CreateArgs& args = CreateArgs());
  // Sets the scroll ranges from the extent of the children.
  void UpdateScrollRange();
  int ScrollPosition(int bar) const;
  void ScrollTo(int bar, int position);
  void WndProc(Message& message) override;

 private:
  POINT offset_ = {0, 0};
};

}  // namespace forms
