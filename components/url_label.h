// TUrlLabel: a label that behaves as a link: blue and underlined, a hand cursor, another colour
// while the left button is held, opening its target through the shell on a click, and a
// one-item context menu copying its caption.
#pragma once

#include <string>

#include "forms/label.h"
#include "forms/menus.h"

class TUrlLabel : public forms::Label {
 public:
  TUrlLabel(forms::Component* owner, forms::WinControl* parent,
            const CreateArgs& args = CreateArgs());
  std::string URL;
  forms::Color ActiveColor = 0x800080;
  void Click() override;
  forms::PopupMenu* LinkMenu() const { return menu_; }
  // The screen cursor number of the hand cursor.
  static constexpr int kHandCursor = 5;

 protected:
  void MouseDown(forms::MouseButton button, forms::ShiftState shift, int x, int y) override;
  void MouseUp(forms::MouseButton button, forms::ShiftState shift, int x, int y) override;

 private:
  forms::Color savedColor_ = 0;
  forms::PopupMenu* menu_;
};
