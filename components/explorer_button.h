// TExplorerButton: the flat, hot-tracking push button of every form. At rest no frame and a grey
// image; under the mouse a thin bevel and the coloured image; pushed or down a sunk bevel with
// image and text one pixel further. Group (radio-like) buttons, a drop-down menu with its mark,
// icon-only buttons (caption as hint), a disabled image. Windowless: painted by its parent.
// The older build (Vantrel's) is chosen by a create-arg: bevel always drawn, hover tracked on
// mouse moves with the mouse captured, right release pops only its own popup menu.
#pragma once

#include <memory>
#include <string>

#include "forms/bitmap.h"
#include "forms/control.h"
#include "forms/label.h"
#include "forms/menus.h"

using forms::Alignment;

enum class TBevelStyle { bsLowered, bsRaised };
enum class TExplorerButtonLayout { blBitmapTop, blBitmapBottom, blBitmapLeft, blBitmapRight };
enum TExplorerButtonOption : unsigned {
  boMonoDisplay = 1,
  boIconOnly = 2,
  boPopupMark = 4,
  boShowBevel = 8
};
using TExplorerButtonOptions = unsigned;
enum class TExplorerButtonShadingType { stLight, stMedium, stDark };

struct TExplorerButtonCreateArgs {
  int left = 0, top = 0, width = 50, height = 40;
  std::string caption;
  bool olderBuild = false;  // the build Vantrel uses
};

// Where Paint puts image and caption (all in the button's client coordinates).
struct TExplorerButtonLayoutResult {
  int tw = 0, th = 0, gap = 0, gw = 0, gh = 0;
  int tx = 0, ty = 0, dw = 0, ix = 0, iy = 0;
  RECT textRect = {0, 0, 0, 0};
};

class TExplorerButton : public forms::GraphicControl {
 public:
  using CreateArgs = TExplorerButtonCreateArgs;
  TExplorerButton(forms::Component* owner, forms::WinControl* parent,
                  const CreateArgs& args = CreateArgs());
  ~TExplorerButton() override;

  Alignment GetAlignment() const { return alignment_; }
  void SetAlignment(Alignment value);
  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool value);
  TBevelStyle BevelStyle() const { return bevelStyle_; }
  void SetBevelStyle(TBevelStyle value);
  // The images: change their contents in place (their change handlers run) or assign.
  forms::Bitmap& Bitmap() { return bitmap_; }
  forms::Bitmap& NoFocusBitmap() { return noFocusBitmap_; }
  forms::Bitmap& DisabledBitmap() { return disabledBitmap_; }
  forms::Bitmap& ShadedBitmap() { return shaded_; }
  void SetBitmap(const forms::Bitmap& image);
  void SetNoFocusBitmap(const forms::Bitmap& image);
  void SetDisabledBitmap(const forms::Bitmap& image);
  void SetCaption(const std::string& caption) override;
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int value);
  bool Down() const { return down_; }
  void SetDown(bool value);
  forms::PopupMenu* DropDownMenu() const { return dropDownMenu_; }
  void SetDropDownMenu(forms::PopupMenu* menu);
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool value) override;
  TExplorerButtonLayout Layout() const { return layout_; }
  void SetLayout(TExplorerButtonLayout value);
  TExplorerButtonOptions Options() const { return options_; }
  void SetOptions(TExplorerButtonOptions value);
  TExplorerButtonShadingType ShadingType() const { return shadingType_; }
  void SetShadingType(TExplorerButtonShadingType value);
  bool ShowDownPattern() const { return showDownPattern_; }
  void SetShowDownPattern(bool value);
  forms::Color UnselectedFontColor() const { return unselectedFontColor_; }
  void SetUnselectedFontColor(forms::Color value);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool value);
  bool OlderBuild() const { return olderBuild_; }

  forms::NotifyEvent OnEnter;
  forms::NotifyEvent OnExit;

  bool Hot() const { return hot_; }
  bool Pushed() const { return pushed_; }
  void WndProc(forms::Message& message) override;
  // Where image and caption go on a device context (for the font's measures).
  TExplorerButtonLayoutResult ComputeLayout(HDC dc);

  enum class Shade { White, Highlight, Shadow, Black };
  // Which grey a pixel with this sum of red, green and blue becomes.
  static Shade ClassifyShade(int sum, TExplorerButtonShadingType type);
  static bool DownPatternExists();
  static bool NewShell();

 protected:
  void Paint() override;
  void Notification(forms::Component* component, forms::Operation operation) override;

 private:
  void MakeShadedImage();
  void ImagesChanged(bool fromNoFocus);
  void MakeDormant();
  void DrawBevel(forms::Canvas& canvas, bool sunk);
  void DrawMark(forms::Canvas& canvas, int x, int y);
  void DrawCaption(forms::Canvas& canvas, RECT rect);
  void LeftDown();
  void LeftUp();
  void RightUp();
  bool CursorInside() const;
  void RaiseGroup();
  void DropPendingMouse();

  Alignment alignment_ = Alignment::taCenter;
  bool allowAllUp_ = false;
  TBevelStyle bevelStyle_ = TBevelStyle::bsRaised;
  forms::Bitmap bitmap_, noFocusBitmap_, disabledBitmap_, shaded_;
  int groupIndex_ = 0;
  bool down_ = false;
  forms::PopupMenu* dropDownMenu_ = nullptr;
  TExplorerButtonLayout layout_ = TExplorerButtonLayout::blBitmapTop;
  TExplorerButtonOptions options_ = boMonoDisplay | boPopupMark | boShowBevel;
  TExplorerButtonShadingType shadingType_ = TExplorerButtonShadingType::stMedium;
  bool showDownPattern_ = true;
  forms::Color unselectedFontColor_ = 0x80000008;
  bool wordWrap_ = false;
  bool pushed_ = false;
  bool hot_ = false;
  bool olderBuild_ = false;
  bool newShell_ = true;
};

// Draws an image with every pixel of the transparent colour left out.
void DrawTransparentBitmap(HDC dc, int x, int y, forms::Bitmap& image, COLORREF transparent);
