// The item list through the registered control, active in Wine's atl.dll container, as a host
// calls it: archives made by zip, 7z and python's zipfile listed into a list view and a list box,
// every accessor against what python's zipfile says (item_list_fixtures.sh), the records at their
// fixed offsets, the list-box order, the image lists and the temporary folders.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstring>
#include <string>
#include <vector>

#include "control_test_support.h"
#include "hosted_control_test_support.h"
#include "item_list_test_support.h"

namespace {

using controltest::DispatchArgs;
using itemlisttest::ExpectedItem;
using itemlisttest::FixtureDir;
using itemlisttest::Handle;
using itemlisttest::ListHost;

class ItemListControl : public testing::Test {
 protected:
  void SetUp() override {
    if (!controltest::CanCreateWindows()) GTEST_SKIP() << "no display";
    ASSERT_NO_FATAL_FAILURE(host_.Create());
  }
  const controltest::NamedCalls& calls() const { return host_.calls(); }

  short Build(const std::string& archive, HWND list, bool listView, short mode = 7,
              bool windowsIcons = false, const std::string& folder = "") {
    DispatchArgs args;
    args.Text(archive).Long(Handle(list)).Bool(listView).Text(folder).Bool(windowsIcons);
    args.Short(mode).Bool(true);
    return calls().Short(L"BuildZIPITEMList", args);
  }
  static DispatchArgs ItemArgs(HWND list, int index, bool listView) {
    DispatchArgs args;
    args.Long(Handle(list)).Short(static_cast<short>(index)).Bool(listView);
    return args;
  }
  void ExpectItem(HWND list, bool listView, int index, const ExpectedItem& e) {
    SCOPED_TRACE(e.archive + " item " + std::to_string(index) + (listView ? " view" : " box"));
    // A folder entry's record holds a blank name; its text form reads back as "".
    EXPECT_EQ(calls().Text(L"GetZIPITEMName", ItemArgs(list, index, listView)),
              listView && e.isDir ? " " : e.name);
    EXPECT_EQ(calls().Text(L"GetZIPITEMDir", ItemArgs(list, index, listView)), e.dir);
    const struct {
      const wchar_t* method;
      int expected;
    } flags[] = {{L"GetZIPITEMIsDir", e.isDir},          {L"GetZIPITEMIsEncrypted", e.encrypted},
                 {L"GetZIPITEMIsArchive", e.archiveBit}, {L"GetZIPITEMIsHidden", e.hidden},
                 {L"GetZIPITEMIsSystem", e.system},      {L"GetZIPITEMIsReadOnly", e.readOnly},
                 {L"GetZIPITEMIsAnnotated", e.annotated}};
    for (const auto& f : flags) {
      VARIANT v;
      calls().Call(f.method, ItemArgs(list, index, listView), &v);
      EXPECT_EQ(V_VT(&v), VT_BOOL);
      // The interface's BOOL: VARIANT_TRUE or 0, never the record's masked bit.
      EXPECT_EQ(V_BOOL(&v), f.expected ? VARIANT_TRUE : VARIANT_FALSE)
          << std::string(f.method, f.method + lstrlenW(f.method));
      VariantClear(&v);
    }
    const struct {
      const wchar_t* method;
      int expected;
    } numbers[] = {{L"GetZIPITEMMethod", e.method}, {L"GetZIPITEMDay", e.day},
                   {L"GetZIPITEMMonth", e.month},   {L"GetZIPITEMYear", e.year},
                   {L"GetZIPITEMHour", e.hour},     {L"GetZIPITEMMin", e.minute},
                   {L"GetZIPITEMRate", e.rate}};
    for (const auto& n : numbers) {
      EXPECT_EQ(calls().Short(n.method, ItemArgs(list, index, listView)), n.expected)
          << std::string(n.method, n.method + lstrlenW(n.method));
    }
    VARIANT size;
    calls().Call(L"GetZIPITEMOriginalSize", ItemArgs(list, index, listView), &size);
    EXPECT_EQ(V_VT(&size), VT_I4);
    EXPECT_EQ(V_I4(&size), e.size);
    EXPECT_EQ(calls().Double(L"GetZIPITEMCrc", ItemArgs(list, index, listView)), e.crc);
  }

  long ImageListHandle(bool big) {
    VARIANT v;
    calls().Call(L"GetZIPITEMHImageList", DispatchArgs().Bool(big), &v);
    EXPECT_EQ(V_VT(&v), VT_I4);
    return V_VT(&v) == VT_I4 ? V_I4(&v) : -1;
  }

  controltest::HostedControl host_;
};

TEST_F(ItemListControl, EveryAccessorAgreesWithPythonInAListViewAndAListBox) {
  const char* archives[] = {"zip_nested.zip",   "zip_password.zip",   "zip_noted.zip",
                            "python_names.zip", "python_patched.zip", "sevenzip_deflate64.zip",
                            "python_stored.zip"};
  for (const char* archive : archives) {
    const std::vector<ExpectedItem> expected = itemlisttest::ExpectedItems(archive);
    ASSERT_FALSE(expected.empty()) << archive << ": the fixtures were not made";
    ListHost lists;
    EXPECT_EQ(Build(FixtureDir() + archive, lists.listView(), true), 0) << archive;
    EXPECT_EQ(Build(FixtureDir() + archive, lists.listBox(), false), 0) << archive;
    ASSERT_EQ(itemlisttest::ListViewCount(lists.listView()), static_cast<int>(expected.size()));
    ASSERT_EQ(itemlisttest::ListBoxCount(lists.listBox()), static_cast<int>(expected.size()));
    for (const ExpectedItem& e : expected) {
      ExpectItem(lists.listView(), true, e.index, e);
      ExpectItem(lists.listBox(), false, e.index, e);
    }
    if (std::string(archive) == "python_names.zip") {
      testutil::SaveScreenshot(lists.frame(), "item_list_names.bmp");
    }
    calls().Void(L"DestroyZIPITEMLParam", DispatchArgs().Long(Handle(lists.listView())));
    EXPECT_EQ(itemlisttest::ListViewCount(lists.listView()), 0);
  }
}

TEST_F(ItemListControl, TheRecordLiesAtItsFixedOffsets) {
  ListHost lists;
  ASSERT_EQ(Build(FixtureDir() + "python_patched.zip", lists.listView(), true), 0);
  ASSERT_EQ(Build(FixtureDir() + "zip_nested.zip", lists.listBox(), false), 0);
  // Item 1 of the patched archive: CRC 0xFFFFFFFF; item 2: attribute byte 0x27.
  const auto* crcItem =
      reinterpret_cast<const unsigned char*>(itemlisttest::ListViewParam(lists.listView(), 1));
  const auto* attrItem =
      reinterpret_cast<const unsigned char*>(itemlisttest::ListViewParam(lists.listView(), 2));
  ASSERT_NE(crcItem, nullptr);
  ASSERT_NE(attrItem, nullptr);
  auto at = [](const unsigned char* record, size_t offset) {
    uint32_t value;
    std::memcpy(&value, record + offset, 4);
    return value;
  };
  EXPECT_STREQ(reinterpret_cast<const char*>(crcItem), "CRC_TOP.BIN");
  EXPECT_STREQ(reinterpret_cast<const char*>(crcItem + 260), "");
  EXPECT_EQ(at(crcItem, 1348), 0xFFFFFFFFu);
  EXPECT_EQ(at(crcItem, 1316), 10u);     // OriginalSize
  EXPECT_EQ(at(attrItem, 1324), 0x20u);  // IsArchive: the masked bit
  EXPECT_EQ(at(attrItem, 1328), 2u);
  EXPECT_EQ(at(attrItem, 1332), 4u);
  EXPECT_EQ(at(attrItem, 1336), 1u);
  EXPECT_EQ(at(attrItem, 1284), 0u);
  EXPECT_EQ(at(attrItem, 1292), 0u);  // stored
  // A folder entry of the list box: its text begins with 10 and the method, ends in ": ".
  const std::string folderText = itemlisttest::ListBoxText(lists.listBox(), 0);
  EXPECT_EQ(folderText.substr(0, 3), "100") << folderText;
  EXPECT_EQ(folderText.substr(folderText.size() - 11), ";MY DOCS\\: ") << folderText;
  EXPECT_EQ(calls().Double(L"GetZIPITEMCrc", ItemArgs(lists.listView(), 1, true)), 4294967295.0);
}

TEST_F(ItemListControl, EmptyMissingAndBrokenArchives) {
  ListHost lists;
  for (bool view : {true, false}) {
    HWND list = view ? lists.listView() : lists.listBox();
    EXPECT_EQ(Build(FixtureDir() + "zip_nested.zip", list, view), 0);
    EXPECT_EQ(Build(FixtureDir() + "empty.zip", list, view), 0);
    EXPECT_EQ(view ? itemlisttest::ListViewCount(list) : itemlisttest::ListBoxCount(list), 0);
    EXPECT_EQ(Build(FixtureDir() + "no_such.zip", list, view), -1);
    // The entries before the broken header stay (the list box sorted by name).
    EXPECT_EQ(Build(FixtureDir() + "broken_middle.zip", list, view, 1), -1);
    ASSERT_EQ(view ? itemlisttest::ListViewCount(list) : itemlisttest::ListBoxCount(list), 2);
    if (!view) {
      EXPECT_EQ(calls().Text(L"GetZIPITEMName", ItemArgs(list, 0, false)), "");  // MY DOCS\ ...
      EXPECT_EQ(calls().Text(L"GetZIPITEMName", ItemArgs(list, 1, false)), "SETUP.EXE");
    }
    // Bad windows and indexes read as nothing.
    EXPECT_EQ(calls().Text(L"GetZIPITEMName", ItemArgs(list, 5, view)), "");
    EXPECT_EQ(calls().Short(L"GetZIPITEMDay", ItemArgs(list, -1, view)), 0);
    EXPECT_EQ(calls().Double(L"GetZIPITEMCrc", ItemArgs(nullptr, 0, view)), 0.0);
  }
  EXPECT_EQ(Build(FixtureDir() + "zip_nested.zip", nullptr, true), -1);
}

TEST_F(ItemListControl, SortModesOfTheListBox) {
  ListHost lists;
  ASSERT_EQ(Build(FixtureDir() + "python_names.zip", lists.listBox(), false, 7), 0);
  auto names = [&] {
    std::vector<std::string> got;
    for (int i = 0; i < itemlisttest::ListBoxCount(lists.listBox()); ++i) {
      got.push_back(calls().Text(L"GetZIPITEMName", ItemArgs(lists.listBox(), i, false)));
    }
    return got;
  };
  const std::vector<std::string> directory = names();
  auto sort = [&](HWND list, short mode) {
    return calls().Bool(L"SortZIPITEMList",
                        DispatchArgs().Long(Handle(list)).Short(mode).Bool(true));
  };
  EXPECT_TRUE(sort(lists.listBox(), 7));
  EXPECT_EQ(names(), directory);
  EXPECT_FALSE(sort(nullptr, 1));
  EXPECT_TRUE(sort(lists.listBox(), 4));  // largest first
  EXPECT_EQ(names().front(), "N:1;2.TXT");
  EXPECT_TRUE(sort(lists.listBox(), 3));  // newest first: 2010, 2003, 2002, 2001, 1999, 1980
  EXPECT_EQ(names(), (std::vector<std::string>{"TOP", "A:B;C.TXT", "", "N:1;2.TXT", "CAF\xC9.TXT",
                                               "BIG.BIN"}));
  EXPECT_TRUE(sort(lists.listBox(), 1));
  const std::vector<std::string> byName = names();
  EXPECT_EQ(byName.front(), "");  // the folder entry's empty name
  EXPECT_EQ(byName.back(), "TOP");
}

TEST_F(ItemListControl, ImageListsHoldTheSystemIconsAndSixOwnOnes) {
  EXPECT_EQ(ImageListHandle(true), 0);
  ListHost lists;
  EXPECT_FALSE(
      calls().Bool(L"SetListViewImageList", DispatchArgs().Long(Handle(lists.listView()))));
  EXPECT_TRUE(calls().Bool(L"DestroyZIPITEMImageList", DispatchArgs()));
  EXPECT_TRUE(calls().Bool(L"DestroyZIPITEMImageList", DispatchArgs()));
  ASSERT_TRUE(calls().Bool(L"BuildZIPITEMImageList", DispatchArgs()));

  std::vector<UINT> order;
  {
    itemlisttest::Subclass watch(lists.listView(), [&](UINT m, WPARAM w, LPARAM, LRESULT*) {
      if (m == LVM_SETIMAGELIST) order.push_back(static_cast<UINT>(w));
      return false;
    });
    EXPECT_TRUE(
        calls().Bool(L"SetListViewImageList", DispatchArgs().Long(Handle(lists.listView()))));
  }
  EXPECT_EQ(order, (std::vector<UINT>{LVSIL_SMALL, LVSIL_NORMAL}));
  EXPECT_NE(GetWindowLongA(lists.listView(), GWL_STYLE) & LVS_SHAREIMAGELISTS, 0);
  auto small = reinterpret_cast<HIMAGELIST>(
      SendMessageA(lists.listView(), LVM_GETIMAGELIST, LVSIL_SMALL, 0));
  auto large = reinterpret_cast<HIMAGELIST>(
      SendMessageA(lists.listView(), LVM_GETIMAGELIST, LVSIL_NORMAL, 0));
  ASSERT_NE(small, nullptr);
  ASSERT_NE(large, nullptr);
  // The handles travel as their low 32 bits.
  EXPECT_EQ(static_cast<ULONG>(ImageListHandle(false)),
            static_cast<ULONG>(reinterpret_cast<ULONG_PTR>(small)));
  EXPECT_EQ(static_cast<ULONG>(ImageListHandle(true)),
            static_cast<ULONG>(reinterpret_cast<ULONG_PTR>(large)));

  // n: what the shell's small system list holds (the list is the process's one, whichever
  // program's name asks for it).
  SHFILEINFOA info = {};
  auto system = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA("X.EXE", FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                     SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES));
  ASSERT_NE(system, nullptr);
  const int n = ImageList_GetImageCount(system);
  ASSERT_GT(n, 0);
  EXPECT_EQ(ImageList_GetImageCount(small), n + 6);
  EXPECT_EQ(ImageList_GetImageCount(large), n + 6);

  // The own icons are the control's resources, pixel for pixel.
  HMODULE module = GetModuleHandleA("QX30W32.DLL");
  ASSERT_NE(module, nullptr);
  const int resources[6][2] = {{209, 210}, {212, 211}, {216, 215},
                               {214, 213}, {220, 219}, {218, 217}};
  for (int k = 0; k < 6; ++k) {
    for (int big = 0; big < 2; ++big) {
      const int size = GetSystemMetrics(big ? SM_CXICON : SM_CXSMICON);
      const int resource = resources[k][big ? 0 : 1];
      HICON icon = static_cast<HICON>(
          LoadImageA(module, MAKEINTRESOURCEA(resource), IMAGE_ICON, size, size, 0));
      ASSERT_NE(icon, nullptr);
      HDC screen = GetDC(nullptr);
      HDC a = CreateCompatibleDC(screen);
      HDC b = CreateCompatibleDC(screen);
      HBITMAP ba = CreateCompatibleBitmap(screen, size, size);
      HBITMAP bb = CreateCompatibleBitmap(screen, size, size);
      HGDIOBJ oa = SelectObject(a, ba);
      HGDIOBJ ob = SelectObject(b, bb);
      RECT all = {0, 0, size, size};
      FillRect(a, &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
      FillRect(b, &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
      ImageList_Draw(big ? large : small, n + k, a, 0, 0, ILD_TRANSPARENT);
      DrawIconEx(b, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
      int different = 0;
      for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) different += GetPixel(a, x, y) != GetPixel(b, x, y);
      }
      EXPECT_EQ(different, 0) << "own icon " << k << (big ? " large" : " small");
      SelectObject(a, oa);
      SelectObject(b, ob);
      DeleteObject(ba);
      DeleteObject(bb);
      DeleteDC(a);
      DeleteDC(b);
      ReleaseDC(nullptr, screen);
      DestroyIcon(icon);
    }
  }
  // Listed with the icons off: the folder entry n + 0, a file with no association n + 5, a
  // program n + 2.
  ASSERT_EQ(Build(FixtureDir() + "zip_nested.zip", lists.listView(), true), 0);
  EXPECT_EQ(calls().Short(L"GetZIPITEMIconIndex", ItemArgs(lists.listView(), 0, true)), n);
  EXPECT_EQ(calls().Short(L"GetZIPITEMIconIndex", ItemArgs(lists.listView(), 1, true)), n + 2);
  testutil::SaveScreenshot(lists.frame(), "item_list_icons.bmp");
  // With Windows icons every probed index lies below n, or the icons-off rule gives n + 4 / n + 5.
  ASSERT_EQ(Build(FixtureDir() + "zip_nested.zip", lists.listView(), true, 0, true), 0);
  for (int i = 0; i < itemlisttest::ListViewCount(lists.listView()); ++i) {
    const short icon = calls().Short(L"GetZIPITEMIconIndex", ItemArgs(lists.listView(), i, true));
    EXPECT_TRUE(icon < n || icon == n || icon == n + 2 || icon == n + 4 || icon == n + 5) << icon;
  }
  calls().Void(L"DestroyZIPITEMLParam", DispatchArgs().Long(Handle(lists.listView())));
  EXPECT_TRUE(calls().Bool(L"DestroyZIPITEMImageList", DispatchArgs()));
  EXPECT_EQ(ImageListHandle(true), 0);
  EXPECT_EQ(ImageListHandle(false), 0);
  EXPECT_TRUE(calls().Bool(L"DestroyZIPITEMImageList", DispatchArgs()));
}

TEST_F(ItemListControl, TemporaryFoldersOfTheControlFolderAreRemovedAPrivateOneStays) {
  testutil::TempFolder own;
  const std::string controlFolder = testutil::UnixToWindowsPath(QX30W32_DLL_PATH);
  const std::string folder = controlFolder.substr(0, controlFolder.rfind('\\') + 1);
  EXPECT_TRUE(calls().Bool(L"DeleteTempDirectories", DispatchArgs()));  // none there
  ListHost lists;
  ASSERT_EQ(Build(FixtureDir() + "zip_nested.zip", lists.listView(), true), 0);
  EXPECT_NE(GetFileAttributesA((folder + "QXICONS").c_str()), INVALID_FILE_ATTRIBUTES);
  const std::string privateFolder = own / "MY ICONS";
  ASSERT_EQ(Build(FixtureDir() + "zip_nested.zip", lists.listView(), true, 0, false, privateFolder),
            0);
  EXPECT_NE(GetFileAttributesA(privateFolder.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(calls().Bool(L"DeleteTempDirectories", DispatchArgs()));
  EXPECT_EQ(GetFileAttributesA((folder + "QXICONS").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA((folder + "QXVIEW").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesA(privateFolder.c_str()), INVALID_FILE_ATTRIBUTES);
  calls().Void(L"DestroyZIPITEMLParam", DispatchArgs().Long(Handle(lists.listView())));
}

}  // namespace

namespace {

TEST_F(ItemListControl, ViewCreatesItsFolderAndGivesTrueWhenNothingMatched) {
  testutil::TempFolder own;
  const std::string privateFolder = own / "MY VIEW";
  auto view = [&](const std::string& folder) {
    DispatchArgs args;
    args.Text(FixtureDir() + "zip_nested.zip").Text("*.NONE").Bool(false).Bool(false).Text(folder);
    args.Text("").Bool(false).Bool(true);
    return calls().Bool(L"View", args);
  };
  EXPECT_TRUE(view(privateFolder));
  EXPECT_NE(GetFileAttributesA(privateFolder.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(view(""));
  const std::string dll = testutil::UnixToWindowsPath(QX30W32_DLL_PATH);
  const std::string viewFolder = dll.substr(0, dll.rfind('\\') + 1) + "QXVIEW";
  EXPECT_NE(GetFileAttributesA(viewFolder.c_str()), INVALID_FILE_ATTRIBUTES);
  DispatchArgs missing;
  missing.Text(FixtureDir() + "no_such.zip").Text("*.*").Bool(false).Bool(false).Text("");
  missing.Text("").Bool(false).Bool(false);
  EXPECT_FALSE(calls().Bool(L"View", missing));
  EXPECT_TRUE(calls().Bool(L"DeleteTempDirectories", DispatchArgs()));
  EXPECT_EQ(GetFileAttributesA(viewFolder.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ItemListControl, WhileAnOperationRunsOnlyTheAccessorsAndTheHandlesAnswer) {
  ListHost lists;
  ASSERT_EQ(Build(FixtureDir() + "zip_nested.zip", lists.listBox(), false), 0);
  testutil::TempFolder destination;
  bool asked = false;
  host_.sink.onEvent = [&](const controltest::EventRecord& record) {
    if (asked || record.id != 1) return;  // the first ZNOpenFile
    asked = true;
    EXPECT_EQ(Build(FixtureDir() + "zip_nested.zip", lists.listView(), true), -1);
    DispatchArgs del;
    del.Text(FixtureDir() + "zip_nested.zip").Long(Handle(lists.listBox()));
    del.Long(Handle(lists.listBox())).Bool(false).Bool(true);
    EXPECT_EQ(calls().Short(L"DeleteWithSelection", del), 18);
    EXPECT_FALSE(calls().Bool(L"SortZIPITEMList",
                              DispatchArgs().Long(Handle(lists.listBox())).Short(1).Bool(true)));
    EXPECT_FALSE(calls().Bool(L"BuildZIPITEMImageList", DispatchArgs()));
    EXPECT_EQ(calls().Text(L"GetZIPITEMName", ItemArgs(lists.listBox(), 1, false)), "SETUP.EXE");
    EXPECT_EQ(ImageListHandle(false), 0);
  };
  EXPECT_EQ(calls().Short(L"UnzipFiles", controltest::UnzipAllArgs(FixtureDir() + "zip_nested.zip",
                                                                   destination.path(), "", true)),
            0);
  host_.sink.onEvent = nullptr;
  EXPECT_TRUE(asked);
  EXPECT_EQ(itemlisttest::ListViewCount(lists.listView()), 0);
}

}  // namespace
