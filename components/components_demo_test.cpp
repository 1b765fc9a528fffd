// A demo form with every component in telling states, saved as review\components_demo.bmp for
// people reviewing the looks (the picture asserts nothing; the states are checked).
#include <gtest/gtest.h>

#include <memory>

#include "check_list_box.h"
#include "component_test_fixture.h"
#include "explorer_button.h"
#include "file_drag.h"
#include "forms/form.h"
#include "forms/label.h"
#include "forms/panel.h"
#include "gui_driver.h"
#include "ms_list_view.h"
#include "mru_file_list.h"
#include "url_label.h"

namespace {

using namespace forms;
using componenttest::ComponentTest;
using componenttest::MakeSquareImage;

class ComponentsDemo : public Form {
 public:
  ComponentsDemo() : Form(nullptr, MakeArgs()) {
    Toolbar = new Panel(this, this, PanelCreateArgs{"", 0, 0, 560, 64});
    Toolbar->SetName("Toolbar");
    const char* captions[] = {"&Open", "&Add", "&View", "&Group", "&Menu", "&Off", "&Search Now"};
    for (int i = 0; i < 7; ++i) {
      TExplorerButtonCreateArgs args;
      args.left = 4 + i * 76;
      args.top = 4;
      args.width = 72;
      args.height = 54;
      args.caption = captions[i];
      Buttons[i] = new TExplorerButton(this, Toolbar, args);
      Bitmap image;
      MakeSquareImage(image, 24, RGB(255, 0, 255), RGB(40 * i, 120, 255 - 30 * i), 4, 20);
      Buttons[i]->SetBitmap(image);
    }
    Buttons[3]->SetGroupIndex(1);
    Buttons[3]->SetDown(true);
    DropMenu = new PopupMenu(this);
    DropMenu->Items().Add(new MenuItem(this, "&First"));
    Buttons[4]->SetDropDownMenu(DropMenu);
    Buttons[5]->SetEnabled(false);
    Buttons[6]->SetOptions(Buttons[6]->Options() | boIconOnly);
    ListViewCreateArgs listArgs;
    listArgs.left = 4;
    listArgs.top = 70;
    listArgs.width = 300;
    listArgs.height = 180;
    listArgs.viewStyle = ViewStyle::vsReport;
    List = new TMSListView(this, this, listArgs);
    List->AddColumn("File Name", 150);
    List->AddColumn("Size", 130, Alignment::taRightJustify);
    List->OnGetDispInfo = [this](Component&, NMHDR* header) {
      auto* info = reinterpret_cast<NMLVDISPINFOA*>(header);
      if (!(info->item.mask & LVIF_TEXT)) return;
      text_ = info->item.iSubItem == 0 ? "Gr\xFC\xDF"
                                         "e " +
                                             std::to_string(info->item.iItem) + ".txt"
                                       : std::to_string(1024 * (info->item.iItem + 1)) + " bytes";
      lstrcpynA(info->item.pszText, text_.c_str(), info->item.cchTextMax);
    };
    for (int i = 0; i < 6; ++i) List->InsertItem(i, nullptr, -1, 0);
    Checks = new TCheckListBox(this, this, TCheckListBoxCreateArgs{312, 70, 240, 120});
    Checks->Items().Add("1|checked.zip|1|0");
    Checks->Items().Add("0|unchecked.zip|1|0");
    Checks->Items().Add("2|grayed.zip|1|0");
    Checks->Items().Add("1|disabled.zip|0|0");
    Link = new TUrlLabel(this, this, LabelCreateArgs{"http://pelloro.example/", 312, 200});
    auto* mruLabel = new Label(this, this, LabelCreateArgs{"Recent: see File menu", 312, 224});
    (void)mruLabel;
    Menu = new MainMenu(this);
    auto* file = new MenuItem(this, "&File");
    Menu->Items().Add(file);
    file->Add(new MenuItem(this, "&Open..."));
    SetMenu(Menu);
    Recent = new TMRUFileList(this);
    Recent->AutoSave = false;
    Recent->SetFileMenu(file);
    Recent->AddItem("C:\\R&D\\café.zip");
    Drag = new TFileDrag(this);
    Drag->SetEnableDrop(true);
    Loaded();
  }
  TExplorerButton* Buttons[7] = {};
  PopupMenu* DropMenu;
  Panel* Toolbar;
  TMSListView* List;
  TCheckListBox* Checks;
  TUrlLabel* Link;
  MainMenu* Menu;
  TMRUFileList* Recent;
  TFileDrag* Drag;

 private:
  static FormCreateArgs MakeArgs() {
    FormCreateArgs a;
    a.caption = "Components demo";
    a.left = 40;
    a.top = 40;
    a.width = 570;
    a.height = 320;
    return a;
  }
  std::string text_;
};

class ComponentsDemoTest : public ComponentTest {};

TEST_F(ComponentsDemoTest, SavesTheReviewPicture) {
  ComponentsDemo demo;
  demo.Show();
  guitest::MouseOver(*demo.Buttons[1]);  // one button hot
  EXPECT_TRUE(demo.Buttons[1]->Hot());
  EXPECT_TRUE(demo.Buttons[3]->Down());
  EXPECT_FALSE(demo.Buttons[5]->Enabled());
  EXPECT_EQ(demo.Buttons[6]->Hint(), "Search Now");
  EXPECT_EQ(demo.List->ItemText(2),
            "Gr\xFC\xDF"
            "e 2.txt");
  EXPECT_EQ(demo.Checks->State(2), TCheckState::csGrayed);
  EXPECT_EQ(demo.Recent->Items().Count(), 1);
  const std::string path = guitest::SaveScreenshot(demo.Handle(), "components_demo.bmp");
  EXPECT_FALSE(path.empty());
  EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
