// The item list linked into this program, where its seams can be reached: lists that refuse an
// item, records that cannot be allocated, the report style of a large fill, the probes of Windows
// icons, the icon handles of many builds, and a host's own item whose data must never be read.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "base/module_state.h"
#include "control_test_support.h"
#include "icon_cache.h"
#include "item_list.h"
#include "item_list_test_support.h"
#include "reading/czunzip.h"
#include "reading/zip_item_records.h"
#include "writing/czzip.h"

namespace {

using itemlisttest::FixtureDir;
using itemlisttest::ListHost;

class ItemListSeams : public testing::Test {
 protected:
  void SetUp() override {
    if (!controltest::CanCreateWindows()) GTEST_SKIP() << "no display";
    baseRecords_ = LiveZipItemRecords();
  }
  void TearDown() override {
    LimitZipItemRecords(-1);
    EXPECT_EQ(LiveZipItemRecords(), baseRecords_) << "records left behind";
  }
  short Build(const std::string& archive, HWND list, bool listView, bool windowsIcons = false,
              short mode = 7) {
    qx30w32::ItemListRequest request;
    request.archiveName = archive.c_str();
    request.list = list;
    request.listView = listView ? TRUE : FALSE;
    request.probeFolder = probes_.path().c_str();
    request.windowsIcons = windowsIcons ? TRUE : FALSE;
    request.sortMode = mode;
    return qx30w32::BuildZIPITEMList(reader_, request);
  }

  CZUnzip reader_;
  testutil::TempFolder probes_;
  size_t baseRecords_ = 0;
};

TEST_F(ItemListSeams, ARefusedThirdInsertKeepsTwoItemsAndRestoresTheStyle) {
  for (bool view : {true, false}) {
    ListHost lists(LVS_SMALLICON);
    HWND list = view ? lists.listView() : lists.listBox();
    int inserts = 0;
    {
      itemlisttest::Subclass refuse(list, [&](UINT m, WPARAM, LPARAM, LRESULT* result) {
        if (m != (view ? LVM_INSERTITEMA : LB_ADDSTRING) || ++inserts != 3) return false;
        *result = -1;
        return true;
      });
      EXPECT_EQ(Build(FixtureDir() + "many_101.zip", list, view, false, 4), -2);
    }
    EXPECT_EQ(view ? itemlisttest::ListViewCount(list) : itemlisttest::ListBoxCount(list), 2);
    if (view) {
      EXPECT_EQ(GetWindowLongA(list, GWL_STYLE) & LVS_TYPEMASK, LVS_SMALLICON);
      EXPECT_EQ(LiveZipItemRecords(), baseRecords_ + 2);  // the refused item's record is freed
      qx30w32::DestroyZIPITEMLParam(list);
    } else {  // the two are sorted as at the normal end (largest first)
      ZIPITEM first, second;
      ASSERT_TRUE(ReadZIPITEM(list, 0, &first, FALSE));
      ASSERT_TRUE(ReadZIPITEM(list, 1, &second, FALSE));
      EXPECT_GE(first.OriginalSize, second.OriginalSize);
      EXPECT_GT(second.OriginalSize, 0);
    }
  }
}

TEST_F(ItemListSeams, NoMemoryForARecordStopsTheBuild) {
  ListHost lists;
  LimitZipItemRecords(2);
  EXPECT_EQ(Build(FixtureDir() + "zip_nested.zip", lists.listView(), true), -2);
  LimitZipItemRecords(-1);
  EXPECT_EQ(itemlisttest::ListViewCount(lists.listView()), 2);
  EXPECT_EQ(LiveZipItemRecords(), baseRecords_ + 2);
  // Rebuilds free the earlier records first.
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(Build(FixtureDir() + "zip_nested.zip", lists.listView(), true), 0);
  }
  EXPECT_EQ(LiveZipItemRecords(), baseRecords_ + 7);
  qx30w32::DestroyZIPITEMLParam(lists.listView());
  EXPECT_EQ(itemlisttest::ListViewCount(lists.listView()), 0);
}

TEST_F(ItemListSeams, MoreThanAHundredEntriesAreFilledInReportStyle) {
  for (const char* archive : {"many_100.zip", "many_101.zip"}) {
    ListHost lists(LVS_SMALLICON);
    std::vector<LONG> styles;
    {
      itemlisttest::Subclass watch(lists.listView(), [&](UINT m, WPARAM, LPARAM, LRESULT*) {
        if (m == LVM_INSERTITEMA) styles.push_back(GetWindowLongA(lists.listView(), GWL_STYLE));
        return false;
      });
      EXPECT_EQ(Build(FixtureDir() + archive, lists.listView(), true), 0);
    }
    ASSERT_FALSE(styles.empty());
    const bool large = std::string(archive) == "many_101.zip";
    for (LONG style : styles) {
      EXPECT_EQ(style & LVS_TYPEMASK, large ? LVS_REPORT : LVS_SMALLICON) << archive;
    }
    EXPECT_EQ(GetWindowLongA(lists.listView(), GWL_STYLE) & LVS_TYPEMASK, LVS_SMALLICON);
    testutil::SaveScreenshot(lists.frame(), std::string("item_list_") + archive + ".bmp");
    qx30w32::DestroyZIPITEMLParam(lists.listView());
  }
}

TEST_F(ItemListSeams, WindowsIconsAreProbedBelowFiveHundredEntriesOnly) {
  ASSERT_TRUE(qx30w32::BuildZIPITEMImageList(reader_));
  const int n = reader_.SystemIconCount();
  ListHost lists;
  const long before = qx30w32::ItemIconProbes();
  ASSERT_EQ(Build(FixtureDir() + "many_500.zip", lists.listView(), true, true), 0);
  EXPECT_EQ(qx30w32::ItemIconProbes(), before);
  ZIPITEM item;
  ASSERT_TRUE(ReadZIPITEM(lists.listView(), 0, &item, TRUE));
  EXPECT_TRUE(item.IconIndex == n + 4 || item.IconIndex == n + 5) << item.IconIndex;
  ASSERT_EQ(Build(FixtureDir() + "many_101.zip", lists.listView(), true, true), 0);
  EXPECT_GT(qx30w32::ItemIconProbes(), before);
  // The probe files are gone again.
  EXPECT_TRUE(testutil::FolderNames(probes_.path()).empty());
  for (int i = 0; i < 101; ++i) {
    ASSERT_TRUE(ReadZIPITEM(lists.listView(), i, &item, TRUE));
    EXPECT_TRUE(item.IconIndex < n || item.IconIndex == n + 4 || item.IconIndex == n + 5);
  }
  qx30w32::DestroyZIPITEMLParam(lists.listView());
  EXPECT_TRUE(qx30w32::DestroyZIPITEMImageList(reader_));
}

TEST_F(ItemListSeams, ManyBuildsAndProbesLeaveNoIconHandle) {
  const long before = qx30w32::LiveItemIconHandles();
  for (int i = 0; i < 1000; ++i) {
    ASSERT_TRUE(qx30w32::BuildZIPITEMImageList(reader_));
    ASSERT_TRUE(qx30w32::DestroyZIPITEMImageList(reader_));
    qx30w32::ProbeExtensionIcon(probes_.path().c_str(), i % 2 ? "DOC" : "TXT");
  }
  EXPECT_EQ(qx30w32::LiveItemIconHandles(), before);
  // A probe file that cannot be created (no such folder) is still answered by its extension.
  EXPECT_GE(qx30w32::ProbeExtensionIcon("Z:\\NO\\SUCH\\FOLDER\\", "TXT"), 0);
}

// The system lists come from WIN.COM, else WINHELP.EXE of the Windows folder, else the shell's
// answer for WINHELP.EXE's extension: a folder of each kind builds both lists with the system's
// n images and the six own ones, whatever the machine's Windows folder holds.
TEST_F(ItemListSeams, SystemListsComeFromWinComWinHelpOrTheExtensionAlone) {
  // n: the system small list, asked for by a program's extension.
  SHFILEINFOA info = {};
  auto system = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA("X.EXE", FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                     SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES));
  ASSERT_NE(system, nullptr);
  const int n = ImageList_GetImageCount(system);
  ASSERT_GT(n, 0);
  // A real program serves as the Windows folder's files (an empty one gives the shell no icon).
  char self[MAX_PATH] = {};
  ASSERT_NE(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
  struct Case {
    std::vector<const char*> files;
    const char* expected;
    bool byExtension;
  };
  const Case cases[] = {
      {{"WIN.COM", "WINHELP.EXE"}, "WIN.COM", false},
      {{"WINHELP.EXE"}, "WINHELP.EXE", false},
      {{}, "WINHELP.EXE", true},
  };
  for (const Case& c : cases) {
    testutil::TempFolder windows;
    for (const char* file : c.files) ASSERT_TRUE(CopyFileA(self, (windows / file).c_str(), FALSE));
    const qx30w32::SystemListSource source = qx30w32::FindSystemListSource(windows.path());
    EXPECT_EQ(source.file, windows / c.expected) << c.files.size();
    EXPECT_EQ(source.byExtension, c.byExtension) << c.files.size();
    ASSERT_TRUE(qx30w32::BuildZIPITEMImageList(reader_, source)) << c.files.size();
    EXPECT_EQ(reader_.SystemIconCount(), n);
    EXPECT_EQ(ImageList_GetImageCount(qx30w32::GetZIPITEMHImageList(reader_, FALSE)), n + 6);
    EXPECT_EQ(ImageList_GetImageCount(qx30w32::GetZIPITEMHImageList(reader_, TRUE)), n + 6);
    EXPECT_TRUE(qx30w32::DestroyZIPITEMImageList(reader_));
  }
  // A file the shell cannot read at all gives no list: nothing is built.
  EXPECT_FALSE(qx30w32::BuildZIPITEMImageList(
      reader_, qx30w32::SystemListSource{"Z:\\NO\\SUCH\\FOLDER\\WIN.COM", false}));
  EXPECT_EQ(qx30w32::GetZIPITEMHImageList(reader_, TRUE), nullptr);
}

TEST_F(ItemListSeams, AHostsOwnItemIsNeverReadNorFreed) {
  ListHost lists;
  // Item data that points into a page nobody may touch.
  void* page = VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  ASSERT_NE(page, nullptr);
  DWORD old = 0;
  ASSERT_TRUE(VirtualProtect(page, 4096, PAGE_NOACCESS, &old));
  auto insertHostItem = [&](int position) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = position;
    item.pszText = const_cast<char*>("host item");
    item.lParam = reinterpret_cast<LPARAM>(page);
    return static_cast<int>(
        SendMessageA(lists.listView(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  };
  ASSERT_EQ(insertHostItem(0), 0);
  ZIPITEM item;
  EXPECT_FALSE(ReadZIPITEM(lists.listView(), 0, &item, TRUE));
  ASSERT_EQ(Build(FixtureDir() + "zip_nested.zip", lists.listView(), true), 0);
  const int index = insertHostItem(7);
  ASSERT_EQ(index, 7);
  EXPECT_FALSE(ReadZIPITEM(lists.listView(), index, &item, TRUE));
  EXPECT_TRUE(ReadZIPITEM(lists.listView(), 6, &item, TRUE));
  // Deleting by a selection of the host's item alone: nothing matches.
  testutil::TempFolder work;
  const std::string archive = work / "NESTED.ZIP";
  ASSERT_TRUE(CopyFileA((FixtureDir() + "zip_nested.zip").c_str(), archive.c_str(), FALSE));
  itemlisttest::SelectListViewItem(lists.listView(), index, true);
  CZZip writer;
  EXPECT_EQ(writer.DeleteEntries(archive.c_str(), "", nullptr, lists.listView(), nullptr, TRUE), 6);
  qx30w32::DestroyZIPITEMLParam(lists.listView());
  EXPECT_EQ(itemlisttest::ListViewCount(lists.listView()), 0);
  VirtualFree(page, 0, MEM_RELEASE);
}

TEST_F(ItemListSeams, AFirstEntryPositionAndTheDetectionOutputs) {
  ListHost lists;
  zipitem::Detection detection;
  qx30w32::ItemListRequest request;
  const std::string archive = FixtureDir() + "zip_nested.zip";
  request.archiveName = archive.c_str();
  request.list = lists.listBox();
  request.sortMode = 7;
  request.firstEntry = 2;  // my docs/ and setup.exe are read but not listed
  request.detection = &detection;
  ASSERT_EQ(qx30w32::BuildZIPITEMList(reader_, request), 0);
  EXPECT_EQ(itemlisttest::ListBoxCount(lists.listBox()), 5);
  EXPECT_EQ(detection.setup(), "");
  EXPECT_EQ(detection.description(), "DOCS\\README.TXT");
  request.firstEntry = 0;
  zipitem::Detection all;
  request.detection = &all;
  ASSERT_EQ(qx30w32::BuildZIPITEMList(reader_, request), 0);
  EXPECT_EQ(all.setup(), "SETUP.EXE");
}

TEST_F(ItemListSeams, DestroyLaysAVisibleViewOutAgain) {
  for (bool visible : {true, false}) {
    ListHost lists;
    ASSERT_EQ(Build(FixtureDir() + "zip_nested.zip", lists.listView(), true), 0);
    if (!visible) ShowWindow(lists.listView(), SW_HIDE);
    int sizes = 0;
    {
      itemlisttest::Subclass watch(lists.listView(), [&](UINT m, WPARAM, LPARAM, LRESULT*) {
        sizes += m == WM_SIZE;
        return false;
      });
      qx30w32::DestroyZIPITEMLParam(lists.listView());
    }
    EXPECT_EQ(sizes, visible ? 1 : 0);
    EXPECT_EQ(itemlisttest::ListViewCount(lists.listView()), 0);
  }
}

TEST_F(ItemListSeams, WithoutAControlFolderNothingRelativeIsTouched) {
  if (!ControlFolder().IsEmpty()) GTEST_SKIP() << "a module is recorded in this program";
  EXPECT_TRUE(qx30w32::ControlSubfolder("QXICONS\\").IsEmpty());
  EXPECT_TRUE(qx30w32::DeleteTempDirectories());
}

}  // namespace
