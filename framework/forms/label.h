// A windowless text label; "&" marks an accelerator that focuses FocusControl.
#pragma once

#include <string>

#include "forms/control.h"

namespace forms {

enum class Alignment { taLeftJustify, taRightJustify, taCenter };

struct LabelCreateArgs {
  std::string caption;
  int left = 0, top = 0, width = 65, height = 13;
  bool autoSize = true;
  bool wordWrap = false;
  bool transparent = false;
  Alignment alignment = Alignment::taLeftJustify;
};

class Label : public GraphicControl {
 public:
  using CreateArgs = LabelCreateArgs;
  Label(Component* owner, WinControl* parent, const CreateArgs& args = CreateArgs());
  void SetCaption(const std::string& caption) override;
  bool AutoSize = true;
  bool WordWrap = false;
  bool Transparent = false;
  bool ShowAccelChar = true;
  Alignment TextAlignment = Alignment::taLeftJustify;
  WinControl* FocusControl = nullptr;
  void WndProc(Message& message) override;
  void AdjustBounds();

 protected:
  void Paint() override;
  UINT DrawFlags() const;
};

}  // namespace forms
