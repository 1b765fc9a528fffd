// The flat bitmap button: shading, layout, hints, pixels painted into memory contexts, and the
// mouse and keyboard on real windows.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "component_test_fixture.h"
#include "explorer_button.h"
#include "forms/canvas.h"
#include "forms/form.h"
#include "forms/panel.h"
#include "gui_driver.h"

namespace {

using namespace forms;
using componenttest::ComponentTest;
using componenttest::MakeSquareImage;
using componenttest::MemoryCanvas;
using Shade = TExplorerButton::Shade;

constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr COLORREF kBackground = RGB(0, 128, 128);

COLORREF Sys(Color c) { return ColorToRGB(c) & 0xFFFFFF; }

TEST(ExplorerButtonShading, EachThresholdAndOneAbove) {
  struct Case {
    TExplorerButtonShadingType type;
    int white, highlight, shadow;
  } cases[] = {{TExplorerButtonShadingType::stLight, 205, 127, 68},
               {TExplorerButtonShadingType::stMedium, 553, 231, 57},
               {TExplorerButtonShadingType::stDark, 335, 274, 175}};
  for (const auto& c : cases) {
    EXPECT_EQ(TExplorerButton::ClassifyShade(c.white + 1, c.type), Shade::White);
    EXPECT_EQ(TExplorerButton::ClassifyShade(c.white, c.type), Shade::Highlight);
    EXPECT_EQ(TExplorerButton::ClassifyShade(c.highlight + 1, c.type), Shade::Highlight);
    EXPECT_EQ(TExplorerButton::ClassifyShade(c.highlight, c.type), Shade::Shadow);
    EXPECT_EQ(TExplorerButton::ClassifyShade(c.shadow + 1, c.type), Shade::Shadow);
    EXPECT_EQ(TExplorerButton::ClassifyShade(c.shadow, c.type), Shade::Black);
    EXPECT_EQ(TExplorerButton::ClassifyShade(0, c.type), Shade::Black);
    EXPECT_EQ(TExplorerButton::ClassifyShade(765, c.type), Shade::White);
  }
}

class ExplorerButtonTest : public ComponentTest {
 protected:
  std::unique_ptr<TExplorerButton> MakeButton(int w, int h, const std::string& caption = "") {
    TExplorerButtonCreateArgs args;
    args.width = w;
    args.height = h;
    args.caption = caption;
    return std::make_unique<TExplorerButton>(nullptr, nullptr, args);
  }
};

TEST_F(ExplorerButtonTest, ShadedImageIsMadeWhenTheImageChangesNotInPaint) {
  auto button = MakeButton(60, 50);
  EXPECT_TRUE(button->ShadedBitmap().Empty());
  Bitmap image;
  MakeSquareImage(image, 16, kMagenta, RGB(255, 0, 0), 4, 12);  // red: sum 255
  button->SetBitmap(image);
  ASSERT_FALSE(button->ShadedBitmap().Empty());
  Canvas& shaded = button->ShadedBitmap().GetCanvas();
  EXPECT_EQ(shaded.Pixel(0, 0) & 0xFFFFFF, kMagenta);             // the transparent colour stays
  EXPECT_EQ(shaded.Pixel(6, 6) & 0xFFFFFF, Sys(clBtnHighlight));  // 255 > 231
  button->SetShadingType(TExplorerButtonShadingType::stDark);     // 255 > 175: shadow
  EXPECT_EQ(button->ShadedBitmap().GetCanvas().Pixel(6, 6) & 0xFFFFFF, Sys(clBtnShadow));
  button->ShadedBitmap().Dormant();
  // With a NoFocusBitmap the shaded image is not remade.
  Bitmap noFocus;
  MakeSquareImage(noFocus, 16, kMagenta, RGB(0, 0, 255), 4, 12);
  button->SetNoFocusBitmap(noFocus);
  button->SetShadingType(TExplorerButtonShadingType::stLight);
  EXPECT_EQ(button->ShadedBitmap().GetCanvas().Pixel(6, 6) & 0xFFFFFF, Sys(clBtnShadow));
}

TEST_F(ExplorerButtonTest, LayoutTable) {
  struct Case {
    TExplorerButtonLayout layout;
    Alignment alignment;
    bool image, mark;
    int tx, ty, ix, iy;
  } cases[] = {
      {TExplorerButtonLayout::blBitmapTop, Alignment::taCenter, true, false, 30, 33, 22, 17},
      {TExplorerButtonLayout::blBitmapTop, Alignment::taLeftJustify, true, false, 3, 33, 3, 17},
      {TExplorerButtonLayout::blBitmapTop, Alignment::taRightJustify, true, false, 57, 33, 41, 17},
      {TExplorerButtonLayout::blBitmapTop, Alignment::taCenter, true, true, 30, 33, 17, 17},
      {TExplorerButtonLayout::blBitmapBottom, Alignment::taCenter, true, false, 30, 17, 22, 17},
      {TExplorerButtonLayout::blBitmapBottom, Alignment::taLeftJustify, true, false, 3, 17, 3, 17},
      {TExplorerButtonLayout::blBitmapBottom, Alignment::taRightJustify, true, true, 57, 17, 31,
       17},
      {TExplorerButtonLayout::blBitmapLeft, Alignment::taLeftJustify, true, false, 19, 25, 3, 17},
      {TExplorerButtonLayout::blBitmapLeft, Alignment::taRightJustify, true, false, 57, 25, 41, 17},
      {TExplorerButtonLayout::blBitmapLeft, Alignment::taCenter, true, false, 38, 25, 22, 17},
      {TExplorerButtonLayout::blBitmapLeft, Alignment::taCenter, true, true, 43, 25, 17, 17},
      {TExplorerButtonLayout::blBitmapRight, Alignment::taLeftJustify, true, false, 3, 25, 3, 17},
      {TExplorerButtonLayout::blBitmapRight, Alignment::taRightJustify, true, false, 41, 25, 41,
       17},
      {TExplorerButtonLayout::blBitmapRight, Alignment::taCenter, true, false, 22, 25, 22, 17},
      {TExplorerButtonLayout::blBitmapTop, Alignment::taCenter, false, false, 30, 25, 0, 0},
      {TExplorerButtonLayout::blBitmapTop, Alignment::taCenter, false, true, 25, 25, 0, 0},
      {TExplorerButtonLayout::blBitmapTop, Alignment::taLeftJustify, false, true, 3, 25, 0, 0},
      {TExplorerButtonLayout::blBitmapTop, Alignment::taRightJustify, false, true, 47, 25, 0, 0},
  };
  PopupMenu menu(nullptr);
  MemoryCanvas canvas(60, 50, kBackground);
  for (const auto& c : cases) {
    auto button = MakeButton(60, 50);
    button->SetLayout(c.layout);
    button->SetAlignment(c.alignment);
    if (c.image) {
      Bitmap image;
      MakeSquareImage(image, 16, kMagenta, RGB(255, 0, 0), 4, 12);
      button->SetBitmap(image);
    }
    if (c.mark) button->SetDropDownMenu(&menu);
    const auto L = button->ComputeLayout(canvas.dc());
    const std::string what = std::to_string(static_cast<int>(c.layout)) + "/" +
                             std::to_string(static_cast<int>(c.alignment)) +
                             (c.image ? " image" : "") + (c.mark ? " mark" : "");
    EXPECT_EQ(L.tx, c.tx) << what;
    EXPECT_EQ(L.ty, c.ty) << what;
    EXPECT_EQ(L.ix, c.ix) << what;
    EXPECT_EQ(L.iy, c.iy) << what;
  }
  // A caption without an image but with the mark: 10 pixels for the mark, the text capped at W-14.
  auto button = MakeButton(40, 30, "A rather long caption");
  button->SetDropDownMenu(&menu);
  const auto L = button->ComputeLayout(canvas.dc());
  EXPECT_EQ(L.tw, 36 + 10);  // measured width capped at W-4, then the mark's 10
  EXPECT_EQ(L.dw, 40 - 14);
}

TEST_F(ExplorerButtonTest, AmpersandsAndIconOnlyHints) {
  struct Case {
    const char* caption;
    const char* plain;
  } cases[] = {
      {"&Search Now", "Search Now"}, {"R&&D", "R&D"}, {"Last&", "Last&"}, {"&&&x", "&x"}, {"", ""}};
  for (const auto& c : cases) EXPECT_EQ(StripAccelerators(c.caption), c.plain) << c.caption;
  auto button = MakeButton(60, 50, "&Search Now");
  button->SetOptions(button->Options() | boIconOnly);
  EXPECT_EQ(button->Hint(), "Search Now");
  EXPECT_TRUE(button->ShowHint());
  button->SetCaption("R&&D");  // with icon-only a new caption becomes the hint
  EXPECT_EQ(button->Hint(), "R&D");
  button->SetOptions(button->Options() & ~boIconOnly);
  EXPECT_EQ(button->Hint(), "");
  EXPECT_FALSE(button->ShowHint());
  auto other = MakeButton(60, 50, "&Add");
  other->SetHint("Add files to the archive");
  other->SetOptions(other->Options() | boIconOnly);
  EXPECT_EQ(other->Hint(), "Add files to the archive");  // a hint already set is kept
  other->SetOptions(other->Options() & ~boIconOnly);
  EXPECT_EQ(other->Hint(), "Add files to the archive");
}

TEST_F(ExplorerButtonTest, GroupAndDownRules) {
  auto button = MakeButton(60, 50);
  button->SetDown(true);  // GroupIndex 0: ignored
  EXPECT_FALSE(button->Down());
  button->SetGroupIndex(1);
  button->SetDown(true);
  EXPECT_TRUE(button->Down());
  button->SetGroupIndex(0);
  EXPECT_FALSE(button->Down());
}

// The bevel's corners per state and style: (0,0) has the first colour, (W-1,H-1) the second.
TEST_F(ExplorerButtonTest, BevelPixelsPerStateAndStyle) {
  const int W = 40, H = 30;
  const COLORREF hi = Sys(clBtnHighlight), sh = Sys(clBtnShadow);
  struct Case {
    const char* state;
    TBevelStyle style;
    COLORREF first, second;
  } cases[] = {{"hot", TBevelStyle::bsRaised, hi, sh},
               {"hot", TBevelStyle::bsLowered, sh, hi},
               {"pushed", TBevelStyle::bsRaised, sh, hi},
               {"pushed", TBevelStyle::bsLowered, hi, sh},
               {"down", TBevelStyle::bsRaised, sh, hi},
               {"down", TBevelStyle::bsLowered, hi, sh},
               {"rest", TBevelStyle::bsRaised, kBackground, kBackground}};
  for (const auto& c : cases) {
    auto button = MakeButton(W, H);
    button->SetBevelStyle(c.style);
    button->SetShowDownPattern(false);
    const std::string state = c.state;
    if (state == "hot") button->Perform(CM_MOUSEENTER);
    if (state == "pushed") button->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    if (state == "down") {
      button->SetGroupIndex(1);
      button->SetDown(true);
    }
    MemoryCanvas canvas(W, H, kBackground);
    button->PaintTo(canvas.dc());
    EXPECT_EQ(canvas.Pixel(0, 0), c.first) << c.state << " " << static_cast<int>(c.style);
    EXPECT_EQ(canvas.Pixel(W - 1, H - 1), c.second) << c.state << " " << static_cast<int>(c.style);
    EXPECT_EQ(canvas.Pixel(W / 2, H / 2), kBackground) << c.state;
  }
  // Without boShowBevel no bevel; the older build always draws it.
  auto plain = MakeButton(W, H);
  plain->SetOptions(boMonoDisplay);
  plain->Perform(CM_MOUSEENTER);
  MemoryCanvas canvas(W, H, kBackground);
  plain->PaintTo(canvas.dc());
  EXPECT_EQ(canvas.Pixel(0, 0), kBackground);
}

// The drop-down mark: rows of 7, 5, 3 and 1 pixels, at (tr+3, ty) at rest, (tr+4, ty+1) pushed.
TEST_F(ExplorerButtonTest, DropDownMarkRows) {
  const int W = 40, H = 30;
  PopupMenu menu(nullptr);
  for (bool pushed : {false, true}) {
    auto button = MakeButton(W, H);
    button->SetDropDownMenu(&menu);
    button->SetUnselectedFontColor(clBlack);
    button->GetFont().SetColor(clBlack);
    MemoryCanvas canvas(W, H, kBackground);
    const auto L = button->ComputeLayout(canvas.dc());
    if (pushed) {
      button->SetGroupIndex(1);  // down paints like pushed, without opening the menu
      button->SetShowDownPattern(false);
      button->SetDown(true);
    }
    button->PaintTo(canvas.dc());
    const int x = L.tx + L.dw + (pushed ? 4 : 3);
    const int y = L.ty + (pushed ? 1 : 0);
    const int widths[] = {7, 5, 3, 1};
    for (int row = 0; row < 4; ++row) {
      const int first = x + row, last = x + 6 - row;
      for (int px = x - 1; px <= x + 7; ++px) {
        const bool inMark = px >= first && px <= last;
        EXPECT_EQ(canvas.Pixel(px, y - 1 + row) == RGB(0, 0, 0), inMark)
            << (pushed ? "pushed" : "rest") << " row " << row << " width " << widths[row] << " x "
            << px;
      }
    }
  }
}

TEST_F(ExplorerButtonTest, DownPatternIsSharedAndRemade) {
  const int W = 24, H = 20;
  auto button = MakeButton(W, H);
  button->SetGroupIndex(1);
  button->SetDown(true);
  MemoryCanvas canvas(W, H, kBackground);
  button->PaintTo(canvas.dc());
  EXPECT_TRUE(TExplorerButton::DownPatternExists());
  const COLORREF hi = Sys(clBtnHighlight), face = Sys(clBtnFace);
  for (int y = 2; y < 10; ++y) {
    for (int x = 2; x < 10; ++x) {
      EXPECT_EQ(canvas.Pixel(x, y), (x % 2 == y % 2) ? hi : face) << x << "," << y;
    }
  }
  auto other = MakeButton(W, H);
  other.reset();  // destroying any button discards the shared pattern
  EXPECT_FALSE(TExplorerButton::DownPatternExists());
  button->PaintTo(canvas.dc());
  EXPECT_TRUE(TExplorerButton::DownPatternExists());
}

TEST_F(ExplorerButtonTest, TransparentColourIsLeftOutAndRestShowsTheShadedImage) {
  const int W = 40, H = 40;
  auto button = MakeButton(W, H);
  Bitmap image;
  MakeSquareImage(image, 16, kMagenta, RGB(255, 0, 0), 4, 12);
  button->SetBitmap(image);
  MemoryCanvas canvas(W, H, kBackground);
  const auto L = button->ComputeLayout(canvas.dc());
  button->Perform(CM_MOUSEENTER);  // hot: the coloured image
  button->PaintTo(canvas.dc());
  EXPECT_EQ(canvas.Pixel(L.ix + 1, L.iy + 1), kBackground);
  EXPECT_EQ(canvas.Pixel(L.ix + 6, L.iy + 6), RGB(255, 0, 0));
  button->Perform(CM_MOUSELEAVE);  // at rest: the shaded image
  MemoryCanvas rest(W, H, kBackground);
  button->PaintTo(rest.dc());
  EXPECT_EQ(rest.Pixel(L.ix + 1, L.iy + 1), kBackground);
  EXPECT_EQ(rest.Pixel(L.ix + 6, L.iy + 6), Sys(clBtnHighlight));
}

TEST_F(ExplorerButtonTest, DisabledButtonShowsTheEmbossedImage) {
  const int W = 40, H = 40;
  auto button = MakeButton(W, H);
  Bitmap image;
  MakeSquareImage(image, 16, kMagenta, RGB(0, 0, 0), 4, 12);
  button->SetBitmap(image);
  button->SetEnabled(false);
  MemoryCanvas canvas(W, H, kBackground);
  const auto L = button->ComputeLayout(canvas.dc());
  button->PaintTo(canvas.dc());
  EXPECT_EQ(canvas.Pixel(L.ix + 4, L.iy + 4), Sys(clBtnShadow));
  EXPECT_EQ(canvas.Pixel(L.ix + 12, L.iy + 12),
            Sys(clBtnHighlight));  // the highlight pass, one further
  EXPECT_EQ(canvas.Pixel(L.ix + 1, L.iy + 1), kBackground);
  // With a DisabledBitmap that one is drawn instead.
  Bitmap disabled;
  MakeSquareImage(disabled, 16, kMagenta, RGB(0, 0, 255), 2, 14);
  button->SetDisabledBitmap(disabled);
  MemoryCanvas other(W, H, kBackground);
  button->PaintTo(other.dc());
  EXPECT_EQ(other.Pixel(L.ix + 3, L.iy + 3), RGB(0, 0, 255));
  EXPECT_EQ(other.Pixel(L.ix + 0, L.iy + 0), kBackground);
}

class ExplorerButtonWindowTest : public ComponentTest {
 protected:
  void SetUp() override {
    ComponentTest::SetUp();
    form = std::make_unique<Form>(nullptr, FormCreateArgs{"Buttons", 100, 100, 400, 200});
    panel = new Panel(form.get(), form.get(), PanelCreateArgs{"", 0, 0, 390, 160});
  }
  void TearDown() override {
    form.reset();
    ComponentTest::TearDown();
  }
  TExplorerButton* Add(int left, const std::string& caption, bool older = false) {
    TExplorerButtonCreateArgs args;
    args.left = left;
    args.top = 10;
    args.width = 70;
    args.height = 40;
    args.caption = caption;
    args.olderBuild = older;
    return new TExplorerButton(form.get(), panel, args);
  }
  std::unique_ptr<Form> form;
  Panel* panel = nullptr;
};

TEST_F(ExplorerButtonWindowTest, EnterAndLeaveFollowTheMouse) {
  auto* button = Add(10, "&Open");
  int enters = 0, exits = 0;
  button->OnEnter = [&](Component&) { ++enters; };
  button->OnExit = [&](Component&) { ++exits; };
  form->Show();
  guitest::MouseOver(*button);
  EXPECT_TRUE(button->Hot());
  EXPECT_EQ(enters, 1);
  guitest::MouseTo(*panel, {300, 120});
  EXPECT_FALSE(button->Hot());
  EXPECT_EQ(exits, 1);
}

TEST_F(ExplorerButtonWindowTest, ClicksAndGroups) {
  TExplorerButton* group[3] = {Add(10, "&One"), Add(90, "&Two"), Add(170, "T&hree")};
  int clicks = 0;
  for (auto* b : group) {
    b->SetGroupIndex(1);
    b->OnClick = [&](Component&) { ++clicks; };
  }
  form->Show();
  guitest::Click(*group[0]);
  EXPECT_TRUE(group[0]->Down());
  guitest::Click(*group[1]);
  EXPECT_TRUE(group[1]->Down());
  EXPECT_FALSE(group[0]->Down());
  guitest::Click(*group[1]);  // AllowAllUp False: stays down
  EXPECT_TRUE(group[1]->Down());
  group[1]->SetAllowAllUp(true);
  EXPECT_TRUE(group[2]->AllowAllUp());  // copied to the group
  guitest::Click(*group[1]);
  EXPECT_FALSE(group[1]->Down());
  EXPECT_EQ(clicks, 4);
  // A press released outside is no click.
  const int before = clicks;
  SendMessageA(panel->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
  SetCursorPos(0, 0);
  SendMessageA(panel->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(300, 130));
  SendMessageA(panel->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(300, 130));
  EXPECT_EQ(clicks, before);
}

TEST_F(ExplorerButtonWindowTest, DropDownButtonNeverClicks) {
  auto* button = Add(10, "&Menu");
  auto* menu = new PopupMenu(form.get());
  auto* item = new MenuItem(form.get(), "&First");
  menu->Items().Add(item);
  button->SetDropDownMenu(menu);
  int clicks = 0;
  button->OnClick = [&](Component&) { ++clicks; };
  form->Show();
  guitest::MenuCloser closer;
  guitest::Click(*button);
  EXPECT_TRUE(closer.Wait());
  EXPECT_TRUE(closer.Seen());
  EXPECT_EQ(clicks, 0);
  EXPECT_FALSE(button->Pushed());
  delete menu;  // the reference is cleared when the menu goes
  EXPECT_EQ(button->DropDownMenu(), nullptr);
}

TEST_F(ExplorerButtonWindowTest, RightReleaseWithAPopupMenuEndsThePush) {
  auto* button = Add(10, "&Right");
  auto* popup = new PopupMenu(form.get());
  popup->Items().Add(new MenuItem(form.get(), "&Properties"));
  button->SetPopupMenu(popup);
  int clicks = 0;
  button->OnClick = [&](Component&) { ++clicks; };
  form->Show();
  guitest::MouseOver(*button);
  SendMessageA(panel->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
  EXPECT_TRUE(button->Pushed());
  guitest::MenuCloser closer;
  SendMessageA(panel->Handle(), WM_RBUTTONUP, 0, MAKELPARAM(20, 20));
  EXPECT_TRUE(closer.Wait());
  EXPECT_TRUE(closer.Seen());
  EXPECT_FALSE(button->Pushed());
  EXPECT_TRUE(button->Hot());  // the cursor is still on it
  SendMessageA(panel->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
  EXPECT_EQ(clicks, 0);  // the push ended with the menu
}

TEST_F(ExplorerButtonWindowTest, AltAcceleratorClicksOnce) {
  auto* search = Add(10, "&Search");
  auto* other = Add(90, "&Other");
  int searches = 0, others = 0;
  search->OnClick = [&](Component&) { ++searches; };
  other->OnClick = [&](Component&) { ++others; };
  form->Show();
  SetCursorPos(0, 0);
  guitest::AltKey(*form, 's');
  EXPECT_EQ(searches, 1);
  EXPECT_EQ(others, 0);
  EXPECT_FALSE(search->Hot());
  search->SetEnabled(false);
  guitest::AltKey(*form, 's');
  EXPECT_EQ(searches, 1);
}

TEST_F(ExplorerButtonWindowTest, IconOnlyHintReachesTheFormsTooltip) {
  auto* button = Add(10, "&Search Now");
  button->SetOptions(button->Options() | boIconOnly);
  form->Show();
  HWND tip = form->ToolTipWindow();
  ASSERT_NE(tip, nullptr);
  EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
  char text[80] = {};
  TOOLINFOA info = {};
  info.cbSize = TTTOOLINFOA_V2_SIZE;
  info.hwnd = panel->Handle();
  info.uId = reinterpret_cast<UINT_PTR>(static_cast<Control*>(button));
  info.lpszText = text;
  SendMessageA(tip, TTM_GETTEXTA, sizeof(text), reinterpret_cast<LPARAM>(&info));
  EXPECT_STREQ(text, "Search Now");
}

TEST_F(ExplorerButtonWindowTest, OlderBuildTracksHoverByCapture) {
  auto* button = Add(10, "&Compress", true);
  EXPECT_FALSE(button->Options() & boShowBevel);
  form->Show();
  guitest::Pump(50);
  SetForegroundWindow(form->Handle());
  guitest::MouseOver(*button);
  EXPECT_TRUE(button->MouseCapture());
  EXPECT_TRUE(button->Hot());
  guitest::MouseTo(*panel, {300, 120});  // the captured moves come to the button, outside it
  EXPECT_FALSE(button->Hot());
  EXPECT_FALSE(button->MouseCapture());
  int clicks = 0;
  button->OnClick = [&](Component&) { ++clicks; };
  guitest::Click(*button);
  EXPECT_EQ(clicks, 1);
}

}  // namespace
