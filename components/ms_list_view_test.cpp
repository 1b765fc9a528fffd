// The display-info list view: deletions never touch item data; texts come from OnGetDispInfo.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "component_test_fixture.h"
#include "forms/form.h"
#include "gui_driver.h"
#include "ms_list_view.h"

namespace {

using namespace forms;
using componenttest::ComponentTest;

class MSListViewTest : public ComponentTest {
 protected:
  void SetUp() override {
    ComponentTest::SetUp();
    form = std::make_unique<Form>(nullptr, FormCreateArgs{"Display info", 100, 100, 400, 300});
    ListViewCreateArgs args;
    args.viewStyle = ViewStyle::vsReport;
    args.width = 380;
    args.height = 260;
    view = new TMSListView(form.get(), form.get(), args);
    view->AddColumn("File Name", 200);
    view->AddColumn("Size", 130);
    view->OnDeletion = [this](Component&, int, LPARAM) { ++deletions; };
    view->OnGetText = [this](int, int, LPARAM) {
      ++frameworkTexts;
      return std::string("framework");
    };
    // Item data that nobody may touch: a page without access.
    page =
        static_cast<char*>(VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    DWORD old = 0;
    VirtualProtect(page, 4096, PAGE_NOACCESS, &old);
    form->Show();
  }
  void TearDown() override {
    form.reset();
    VirtualFree(page, 0, MEM_RELEASE);
    ComponentTest::TearDown();
  }
  // Inserts as the compression control does: straight into the window, callback texts.
  void InsertDirect(int count) {
    for (int i = 0; i < count; ++i) {
      LVITEMA item = {};
      item.mask = LVIF_TEXT | LVIF_PARAM;
      item.iItem = i;
      item.pszText = LPSTR_TEXTCALLBACKA;
      item.lParam = reinterpret_cast<LPARAM>(page + i * 32);
      SendMessageA(view->Handle(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
  }
  std::unique_ptr<Form> form;
  TMSListView* view = nullptr;
  char* page = nullptr;
  int deletions = 0;
  int frameworkTexts = 0;
};

TEST_F(MSListViewTest, DeletionsLeaveItemDataAlone) {
  InsertDirect(10);
  ASSERT_EQ(view->Count(), 10);
  EXPECT_EQ(view->ItemData(3), reinterpret_cast<LPARAM>(page + 96));  // read only when asked
  SendMessageA(view->Handle(), LVM_DELETEITEM, 2, 0);
  EXPECT_EQ(view->Count(), 9);
  SendMessageA(view->Handle(), LVM_DELETEALLITEMS, 0, 0);
  EXPECT_EQ(view->Count(), 0);
  InsertDirect(5);
  view->Clear();  // OnGetDispInfo unassigned: still nothing frees or reads the data
  EXPECT_EQ(view->Count(), 0);
  EXPECT_EQ(deletions, 0);
}

TEST_F(MSListViewTest, TextsComeFromOnGetDispInfo) {
  std::string buffer;
  int asked = 0;
  view->OnGetDispInfo = [&](Component& sender, NMHDR* header) {
    EXPECT_EQ(&sender, view);
    auto* info = reinterpret_cast<NMLVDISPINFOA*>(header);
    ++asked;
    if (info->item.mask & LVIF_TEXT) {
      buffer =
          "Gr\xFC\xDF"
          "e " +
          std::to_string(info->item.iItem) + "." + std::to_string(info->item.iSubItem);
      lstrcpynA(info->item.pszText, buffer.c_str(), info->item.cchTextMax);
    }
  };
  InsertDirect(3);
  EXPECT_EQ(view->ItemText(1, 0),
            "Gr\xFC\xDF"
            "e 1.0");
  EXPECT_EQ(view->ItemText(2, 1),
            "Gr\xFC\xDF"
            "e 2.1");
  EXPECT_GT(asked, 0);
  guitest::SaveScreenshot(form->Handle(), "ms_list_view.bmp");
  EXPECT_EQ(frameworkTexts, 0);  // the framework's own supply is never consulted
  view->Clear();
  EXPECT_EQ(deletions, 0);
}

}  // namespace
