// The folder browse dialog: the shell's real dialog answered by a watcher, and a seam that shows
// what the component hands the shell.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include "browse_directory_dlg.h"
#include "component_test_fixture.h"
#include "gui_driver.h"

namespace {

using componenttest::ComponentTest;

struct TitleSearch {
  std::string title;
  bool found = false;
};

BOOL CALLBACK FindTitle(HWND child, LPARAM param) {
  auto* search = reinterpret_cast<TitleSearch*>(param);
  if (guitest::WindowText(child) == search->title) search->found = true;
  return TRUE;
}

class BrowseTest : public ComponentTest {};

TEST_F(BrowseTest, OkAtThePersonalFolderGivesItsPath) {
  TBrowseDirectoryDlg dialog(nullptr);
  dialog.Title = "Extract to Grüße";
  dialog.Root = TRootID::idPersonal;
  dialog.Options = bfDirectoriesOnly;
  bool titleSeen = false;
  testutil::DialogAnswerer answer(testutil::ThisThreadsDialog(""), [&](HWND window) {
    Sleep(300);  // the tree fills after the dialog shows
    TitleSearch search{"Extract to Grüße"};
    EnumChildWindows(window, FindTitle, reinterpret_cast<LPARAM>(&search));
    titleSeen = search.found;
    // Choose the tree's root item (the personal folder) as the user clicks it.
    HWND tree = FindWindowExA(window, nullptr, "SysTreeView32", nullptr);
    if (tree != nullptr) {
      const LRESULT root = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
      SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, root);
    }
    guitest::Press(window, IDOK);
  });
  const bool chosen = dialog.Execute();
  EXPECT_TRUE(answer.Wait());
  EXPECT_TRUE(answer.found());
  EXPECT_TRUE(titleSeen);
  char personal[MAX_PATH] = {};
  ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, 0, personal), S_OK);
  EXPECT_TRUE(chosen);
  // The shell may end the path with a backslash.
  std::string directory = dialog.Directory();
  if (directory.size() > 3 && directory.back() == '\\') directory.pop_back();
  EXPECT_EQ(directory, personal);
}

TEST_F(BrowseTest, CancelLeavesDirectoryUnchanged) {
  TBrowseDirectoryDlg dialog(nullptr);
  dialog.Title = "Cancel me";
  testutil::DialogAnswerer answer(testutil::ThisThreadsDialog(""),
                                  [](HWND window) { guitest::Press(window, IDCANCEL); });
  EXPECT_FALSE(dialog.Execute());
  EXPECT_TRUE(answer.Wait());
  EXPECT_TRUE(answer.found());
  EXPECT_EQ(dialog.Directory(), "");
}

TEST_F(BrowseTest, SeamShowsRootsFlagsAndAFailingPathConversion) {
  TBrowseDirectoryDlg dialog(nullptr);
  std::vector<int> roots;
  LPCITEMIDLIST rootPassed = reinterpret_cast<LPCITEMIDLIST>(1);
  UINT flagsPassed = 0;
  std::string titlePassed;
  bool convert = true;
  dialog.Shell.GetSpecialFolderLocation = [&](HWND, int csidl, LPITEMIDLIST* list) {
    roots.push_back(csidl);
    *list = static_cast<LPITEMIDLIST>(CoTaskMemAlloc(2));
    memset(*list, 0, 2);
    return S_OK;
  };
  dialog.Shell.BrowseForFolder = [&](BROWSEINFOA* info) {
    rootPassed = info->pidlRoot;
    flagsPassed = info->ulFlags;
    titlePassed = info->lpszTitle;
    auto* picked = static_cast<LPITEMIDLIST>(CoTaskMemAlloc(2));
    memset(picked, 0, 2);
    return picked;
  };
  dialog.Shell.GetPathFromIDList = [&](LPCITEMIDLIST, char* path) {
    if (!convert) return FALSE;
    lstrcpyA(path, "C:\\Grüße");
    return TRUE;
  };
  // The expanded desktop: no special folder is asked for, the root is the desktop itself.
  dialog.Title = "Where?";
  dialog.Options = bfDirectoriesOnly | bfAncestors;
  EXPECT_TRUE(dialog.Execute());
  EXPECT_TRUE(roots.empty());
  EXPECT_EQ(rootPassed, nullptr);
  EXPECT_EQ(flagsPassed, 0x9u);
  EXPECT_EQ(titlePassed, "Where?");
  EXPECT_EQ(dialog.Directory(), "C:\\Grüße");
  struct Case {
    TRootID root;
    int csidl;
  } cases[] = {{TRootID::idDesktop, 0},
               {TRootID::idDrives, 17},
               {TRootID::idPersonal, 5},
               {TRootID::idTemplates, 21}};
  for (const auto& c : cases) {
    roots.clear();
    dialog.Root = c.root;
    EXPECT_TRUE(dialog.Execute());
    ASSERT_EQ(roots.size(), 1u);
    EXPECT_EQ(roots[0], c.csidl);
    EXPECT_NE(rootPassed, nullptr);
  }
  // The path conversion fails: False, and Directory keeps the last folder chosen.
  convert = false;
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(dialog.Directory(), "C:\\Grüße");
}

}  // namespace
