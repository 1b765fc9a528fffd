// Refresh, and the wildcard removal dialog in process with the real control over copies of python's
// list.zip:
// "*.txt" removes the .txt entries of every folder, "*." the names without an extension, and an
// empty mask or one matching nothing leave the archive byte-identical; python judges the rest.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app_test_support.h"
#include "captions.h"
#include "forms/label.h"
#include "forms/menus.h"
#include "gui_driver.h"
#include "new_zip_form.h"
#include "peer_runner.h"
#include "wildcard_remove_form.h"
#include "win_test_util.h"

namespace {

using pelloro::TMainfrm;
using pelloro::TWildcardremove;

class WildcardRemoveTest : public apptest::AppTest {};

// Python's sorted names of the archive's entries (folders end in '/'; UTF-8), one a line, after
// "OK".
std::string PythonNames(const std::string& archive) {
  return testutil::RunPeer(
      testutil::BinaryDir() + "app\\pelloro\\dialogs_work\\",
      "python3 - '" + testutil::UnixPath(archive) +
          "' <<'PY'\n"
          "import sys, zipfile\n"
          "z = zipfile.ZipFile(sys.argv[1])\n"
          "assert z.testzip() is None\n"
          "print('OK')\n"
          "for n in sorted(i.filename.lower() for i in z.infolist()): print(n)\n"
          "PY\n");
}

TEST_F(WildcardRemoveTest, RemovesTheMatchingEntriesOfEveryFolder) {
  TMainfrm& main = MakeMain();
  main.Show();
  const std::string work = testutil::BinaryDir() + "app\\pelloro\\dialogs_work\\wildcard\\";
  testutil::RemoveTree(work);
  ASSERT_TRUE(pelloro::ForceFolder(work));
  const std::string all = PythonNames(apptest::FixturePath("list folder\\list.zip"));
  ASSERT_EQ(all.rfind("OK\n", 0), 0u) << all;
  const struct {
    const char* mask;
    std::vector<std::string> gone;  // names python no longer lists
  } cases[] = {
      {"*.txt", {"docs/deep/nested note.txt", "docs/caf\xc3\xa9.txt", "top.txt"}},
      {"*.", {"readme", "docs/", "docs/deep/"}},  // folder entries have no extension either
      {"", {}},
      {"*.zzz", {}},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mask);
    const std::string archive = work + "case" + std::to_string(n++) + ".zip";
    ASSERT_TRUE(
        CopyFileA(apptest::FixturePath("list folder\\list.zip").c_str(), archive.c_str(), FALSE));
    const std::vector<uint8_t> before = testutil::FileBytes(archive, true);
    ASSERT_TRUE(main.OpenByTheRoad(archive));
    guitest::OnModal([&](forms::Form& form) {
      auto& dialog = dynamic_cast<TWildcardremove&>(form);
      if (n == 1) {
        EXPECT_EQ(dialog.Edit1->Text(), "*.");
        guitest::SaveScreenshot(dialog.Handle(), "pelloro_wildcard_dialog.bmp");
      }
      guitest::SetText(*dialog.Edit1, c.mask);
      guitest::Key(*dialog.Edit1, VK_RETURN);
    });
    ASSERT_TRUE(guitest::ClickMenu(main, "A&ctions|&Remove files|Remove with &wildcard"));
    EXPECT_TRUE(exceptions.empty());
    EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
    if (c.gone.empty()) {
      EXPECT_EQ(testutil::FileBytes(archive, true), before);
      continue;
    }
    const std::string now = PythonNames(archive);
    std::string expected;
    size_t start = 0;
    while (start < all.size()) {
      const size_t end = all.find('\n', start);
      const std::string line = all.substr(start, end - start);
      start = end + 1;
      bool removed = false;
      for (const std::string& name : c.gone) removed = removed || line == name;
      if (!removed) expected += line + "\n";
    }
    EXPECT_EQ(now, expected);
  }
}

// Refresh asks whether to read the archive again: Yes lists it once more, No does not.
TEST_F(WildcardRemoveTest, RefreshRereadsOnlyOnYes) {
  TMainfrm& main = MakeMain();
  main.Show();
  ASSERT_TRUE(main.OpenByTheRoad(apptest::FixturePath("list folder\\list.zip")));
  for (const char* answer : {"No", "Yes"}) {
    SCOPED_TRACE(answer);
    const int listings = main.ListingCount();
    std::string question, during;
    guitest::OnModal([&](forms::Form& dialog) {
      question = guitest::Get<forms::Label>(dialog, "Message").Caption();
      during = main.Caption();
      guitest::Click(dialog, answer);
    });
    ASSERT_TRUE(guitest::ClickMenu(main, "A&ctions|Re&fresh"));
    EXPECT_EQ(question, "Would you like to re-read the contents of the Zip file as well?");
    EXPECT_EQ(during, pelloro::kCaptionBusy);
    EXPECT_EQ(main.ListingCount(), listings + (std::string(answer) == "Yes" ? 1 : 0));
    EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
    EXPECT_TRUE(main.Functions1->Enabled());
  }
  EXPECT_TRUE(exceptions.empty());
}

}  // namespace
