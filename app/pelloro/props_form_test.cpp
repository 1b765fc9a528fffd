// The properties dialog in process with the real control over python's archives: the host
// names, a comment shown whole and left byte-identical by Close, long comments read-only, an
// edited comment written and shown again, and the save error of a read-only archive.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app_test_support.h"
#include "captions.h"
#include "forms/label.h"
#include "forms/menus.h"
#include "gui_driver.h"
#include "new_zip_form.h"
#include "props_form.h"
#include "win_test_util.h"

namespace {

using pelloro::TMainfrm;
using pelloro::Tpropsfrm;

class PropsFormTest : public apptest::DialogsWorkTest {
 protected:
  // A copy of a fixture in the working folder.
  std::string Copy(const std::string& fixture) {
    const std::string path = work_ + fixture;
    EXPECT_TRUE(CopyFileA(apptest::FixturePath(fixture).c_str(), path.c_str(), FALSE)) << fixture;
    return path;
  }
};

std::string Pattern(size_t size) {
  std::string text;
  for (size_t i = 0; i < size; ++i) text += static_cast<char>('A' + i % 26);
  return text;
}

// Replaces a memo's text as pasting does (WM_SETTEXT gives a multi-line edit no EN_CHANGE).
void Paste(forms::Memo& memo, const std::string& text) {
  SendMessageA(memo.Handle(), EM_SETSEL, 0, -1);
  SendMessageA(memo.Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
  guitest::Pump();
}

TEST_F(PropsFormTest, NamesTheHostSystem) {
  TMainfrm& main = MakeMain();
  main.Show();
  const struct {
    const char* fixture;
    const char* name;
  } cases[] = {{"made0.zip", "DOS"},
               {"made3.zip", "Unix"},
               {"made11.zip", "Windows 95/NT"},
               {"made10.zip", "Unknown"}};  // the control reports host 10 as 9
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fixture);
    ASSERT_TRUE(main.OpenByTheRoad(apptest::FixturePath(c.fixture)));
    std::string shown, count, file;
    guitest::OnModal([&](forms::Form& form) {
      auto& dialog = dynamic_cast<Tpropsfrm&>(form);
      shown = dialog.Label8->Caption();
      count = dialog.Label11->Caption();
      file = dialog.Edit1->Caption();
      if (std::string(c.fixture) == "made3.zip")
        guitest::SaveScreenshot(dialog.Handle(), "pelloro_properties.bmp");
      guitest::Click(*dialog.Bitbtn1);
    });
    ASSERT_TRUE(guitest::ClickMenu(main, "A&ctions|&Properties"));
    EXPECT_EQ(shown, c.name);
    EXPECT_EQ(count, "1");
    EXPECT_EQ(file, apptest::FixturePath(c.fixture));
  }
  for (int unnamed : {10, 12, -1}) EXPECT_EQ(pelloro::HostSystemName(unnamed), "") << unnamed;
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(PropsFormTest, LongCommentsAreShownWholeOrReadOnlyAndCloseWritesNothing) {
  TMainfrm& main = MakeMain();
  main.Show();
  const struct {
    const char* fixture;
    size_t size;
    bool readOnly;
  } cases[] = {{"comment1500.zip", 1500, false},
               {"comment30000.zip", 30000, true},
               {"comment40000.zip", 40000, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fixture);
    const std::string archive = Copy(c.fixture);
    const std::vector<uint8_t> before = testutil::FileBytes(archive, true);
    ASSERT_TRUE(main.OpenByTheRoad(archive));
    std::string text, caption;
    bool readOnly = false;
    guitest::OnModal([&](forms::Form& form) {
      auto& dialog = dynamic_cast<Tpropsfrm&>(form);
      text = dialog.Memo1->Text();
      readOnly = dialog.Memo1->ReadOnly();
      caption = dialog.Bitbtn1->Caption();
      guitest::Key(*dialog.Bitbtn1, VK_RETURN);
    });
    ASSERT_TRUE(guitest::ClickMenu(main, "A&ctions|&Properties"));
    EXPECT_EQ(caption, "Close");
    EXPECT_EQ(readOnly, c.readOnly);
    if (!c.readOnly) {
      EXPECT_EQ(text, Pattern(c.size));
    }
    EXPECT_EQ(testutil::FileBytes(archive, true), before);
  }
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(PropsFormTest, AnEditedCommentIsWrittenAndShownAgain) {
  TMainfrm& main = MakeMain();
  main.Show();
  const std::string archive = Copy("made0.zip");
  ASSERT_TRUE(main.OpenByTheRoad(archive));
  guitest::OnModal([&](forms::Form& form) {
    auto& dialog = dynamic_cast<Tpropsfrm&>(form);
    Paste(*dialog.Memo1, "A fresh comment");
    EXPECT_EQ(dialog.Bitbtn1->Caption(), "Apply");
    guitest::Click(*dialog.Bitbtn1);
  });
  ASSERT_TRUE(guitest::ClickMenu(main, "A&ctions|&Properties"));
  std::string shown;
  guitest::OnModal([&](forms::Form& form) {
    auto& dialog = dynamic_cast<Tpropsfrm&>(form);
    shown = dialog.Memo1->Text();
    guitest::Click(*dialog.Bitbtn1);
  });
  ASSERT_TRUE(guitest::ClickMenu(main, "A&ctions|&Properties"));
  EXPECT_EQ(shown, "A fresh comment");
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(PropsFormTest, AFailedSaveSaysSoAndKeepsTheDialogOpen) {
  TMainfrm& main = MakeMain();
  main.Show();
  const std::string archive = Copy("made3.zip");
  ASSERT_TRUE(main.OpenByTheRoad(archive));
  const std::vector<uint8_t> before = testutil::FileBytes(archive, true);
  // Held open without sharing writes, the archive cannot be rewritten (root ignores read-only).
  HANDLE lock = CreateFileA(archive.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  std::string error;
  bool stillOpen = false;
  guitest::OnModal([&](forms::Form& form) {
    auto& dialog = dynamic_cast<Tpropsfrm&>(form);
    Paste(*dialog.Memo1, "never written");
    guitest::OnModal([&](forms::Form& message) {
      error = guitest::Get<forms::Label>(message, "Message").Caption();
      guitest::Click(message, "OK");
    });
    guitest::Click(*dialog.Bitbtn1);
    stillOpen = dialog.ModalResult() == forms::mrNone;
    dialog.SetModalResult(forms::mrCancel);
  });
  ASSERT_TRUE(guitest::ClickMenu(main, "A&ctions|&Properties"));
  CloseHandle(lock);
  EXPECT_EQ(error.rfind("Error: The comment could not be saved (error ", 0), 0u) << error;
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(testutil::FileBytes(archive, true), before);
  EXPECT_TRUE(exceptions.empty());
}

}  // namespace
