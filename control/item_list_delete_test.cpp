// Deleting the entries a host selected in its item list, through the registered control in
// Wine's atl.dll container: from a list box with several selected items and from a list view,
// with the ZNDeleting and ZNWriting events; the whole list selected; nothing selected. Every
// archive written is judged by the peers afterwards (writer_check.sh, with the names python must
// read from it).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "control_test_support.h"
#include "hosted_control_test_support.h"
#include "item_list_test_support.h"

namespace {

using controltest::DispatchArgs;
using itemlisttest::FixtureDir;
using itemlisttest::Handle;
using itemlisttest::ListHost;

constexpr DISPID kZNWriting = 18;
constexpr DISPID kZNDeleting = 24;

std::vector<uint8_t> Bytes(const std::string& path) {
  std::vector<uint8_t> data;
  testutil::ReadWholeFile(path, &data);
  return data;
}

class ItemListDelete : public testing::Test {
 protected:
  void SetUp() override {
    if (!controltest::CanCreateWindows()) GTEST_SKIP() << "no display";
    ASSERT_NO_FATAL_FAILURE(host_.Create());
  }
  // A copy of a fixture among the archives the peers check afterwards.
  std::string Copy(const char* fixture, const std::string& name) {
    const std::string target = itemlisttest::OutputDir() + name;
    DeleteFileA((target + ".names").c_str());
    EXPECT_TRUE(CopyFileA((FixtureDir() + fixture).c_str(), target.c_str(), FALSE));
    return target;
  }
  short Build(const std::string& archive, HWND list, bool listView) {
    DispatchArgs args;
    args.Text(archive).Long(Handle(list)).Bool(listView).Text("").Bool(false).Short(7).Bool(true);
    return host_.CallShort(L"BuildZIPITEMList", args);
  }
  short Delete(const std::string& archive, HWND items, HWND selected, bool listView) {
    host_.sink.records.clear();
    DispatchArgs args;
    args.Text(archive).Long(Handle(items)).Long(Handle(selected)).Bool(listView).Bool(true);
    return host_.CallShort(L"DeleteWithSelection", args);
  }
  int Events(DISPID id) const {
    int count = 0;
    for (const auto& r : host_.sink.records) count += r.id == id;
    return count;
  }
  short Count(const std::string& archive) {
    return host_.CallShort(L"GetCount", DispatchArgs().Text(archive).Bool(false));
  }

  controltest::HostedControl host_;
};

TEST_F(ItemListDelete, SelectedItemsOfAListBoxAndOfAListView) {
  // Directory order of zip_nested.zip: my docs/, setup.exe, docs/, docs/readme.txt, docs/deep/,
  // docs/deep/notes.txt, a.txt.
  const struct {
    bool listView;
    std::vector<int> selected;
    const char* remaining;
  } cases[] = {
      {false, {0, 3, 6}, "setup.exe\ndocs/\ndocs/deep/\ndocs/deep/notes.txt\n"},
      {true, {2, 5}, "my docs/\nsetup.exe\ndocs/readme.txt\ndocs/deep/\na.txt\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.listView ? "list view" : "list box");
    const std::string archive = Copy("zip_nested.zip", c.listView ? "sel_view.zip" : "sel_box.zip");
    ListHost lists;
    HWND list = c.listView ? lists.listView() : lists.listBox();
    ASSERT_EQ(Build(archive, list, c.listView), 0);
    for (int index : c.selected) {
      if (c.listView) {
        itemlisttest::SelectListViewItem(list, index, true);
      } else {
        SendMessageA(list, LB_SETSEL, TRUE, index);
      }
    }
    testutil::SaveScreenshot(lists.frame(),
                             c.listView ? "item_list_delete_view.bmp" : "item_list_delete_box.bmp");
    EXPECT_EQ(Delete(archive, list, list, c.listView), 0);
    // Each entry is reported when it is recognised and again when it is dropped.
    EXPECT_EQ(Events(kZNDeleting), 2 * static_cast<int>(c.selected.size()))
        << controltest::DescribeEvents(host_.sink.records);
    EXPECT_EQ(Events(kZNWriting), 1);
    EXPECT_EQ(Count(archive), 7 - static_cast<short>(c.selected.size()));
    testutil::WriteWholeFile(archive + ".names", std::string(c.remaining));
    host_.calls().Void(L"DestroyZIPITEMLParam", DispatchArgs().Long(Handle(lists.listView())));
  }
}

TEST_F(ItemListDelete, TheWholeListSelectedDeletesEveryEntryWithoutReadingAnItem) {
  // Also an archive without a stub, for the peers' view of an empty archive (empty_check.sh).
  const std::string plain = Copy("python_stored.zip", "all_plain.zip");
  {
    ListHost lists;
    ASSERT_EQ(Build(plain, lists.listBox(), false), 0);
    SendMessageA(lists.listBox(), LB_SETSEL, TRUE, -1);  // every item
    EXPECT_EQ(Delete(plain, lists.listBox(), lists.listBox(), false), 0);
    EXPECT_EQ(Count(plain), 0);
    EXPECT_EQ(Events(kZNDeleting), 3);  // dropped only: nothing was recognised by reading
    testutil::WriteWholeFile(plain + ".names", std::string());
  }
  for (bool listView : {false, true}) {
    const std::string archive = Copy("stub_comment.zip", listView ? "all_view.zip" : "all_box.zip");
    const std::vector<uint8_t> before = Bytes(archive);
    ListHost lists;
    HWND list = listView ? lists.listView() : lists.listBox();
    ASSERT_EQ(Build(archive, list, listView), 0);
    for (int i = 0; i < 2; ++i) {
      if (listView) {
        itemlisttest::SelectListViewItem(list, i, true);
      } else {
        SendMessageA(list, LB_SETSEL, TRUE, i);
      }
    }
    int reads = 0;
    {
      itemlisttest::Subclass watch(list, [&](UINT m, WPARAM, LPARAM, LRESULT*) {
        reads += m == LB_GETTEXT || m == LB_GETTEXTLEN || m == LVM_GETITEMA;
        return false;
      });
      EXPECT_EQ(Delete(archive, list, list, listView), 0);
    }
    EXPECT_EQ(reads, 0);
    EXPECT_EQ(Count(archive), 0);
    const std::vector<uint8_t> after = Bytes(archive);
    // The stub in front and the archive comment stay.
    ASSERT_GE(after.size(), 514u + 22u + 12u);
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + 514, after.begin()));
    EXPECT_EQ(std::string(after.end() - 12, after.end()), "kept comment");
    testutil::WriteWholeFile(archive + ".names", std::string());
    host_.calls().Void(L"DestroyZIPITEMLParam", DispatchArgs().Long(Handle(lists.listView())));
  }
}

TEST_F(ItemListDelete, NothingSelectedOrAnEmptyListChangesNothing) {
  testutil::TempFolder work;
  const std::string archive = work / "NESTED.ZIP";
  ASSERT_TRUE(CopyFileA((FixtureDir() + "zip_nested.zip").c_str(), archive.c_str(), FALSE));
  const std::vector<uint8_t> before = Bytes(archive);
  ListHost lists;
  for (bool listView : {false, true}) {
    HWND list = listView ? lists.listView() : lists.listBox();
    ASSERT_EQ(Build(archive, list, listView), 0);
    EXPECT_EQ(Delete(archive, list, list, listView), 6);  // nothing selected
    EXPECT_EQ(Bytes(archive), before);
  }
  host_.calls().Void(L"DestroyZIPITEMLParam", DispatchArgs().Long(Handle(lists.listView())));
  SendMessageA(lists.listBox(), LB_RESETCONTENT, 0, 0);
  for (bool listView : {false, true}) {
    HWND list = listView ? lists.listView() : lists.listBox();
    EXPECT_EQ(Delete(archive, list, list, listView), 6);  // 0 of 0 items is not "all"
    EXPECT_EQ(Bytes(archive), before);
  }
  EXPECT_EQ(Delete("", lists.listBox(), lists.listBox(), false), 6);
}

}  // namespace
