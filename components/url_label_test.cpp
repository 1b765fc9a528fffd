// The link label: colours, the hand cursor, launches (recorded) and Copy through the clipboard.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "component_test_fixture.h"
#include "forms/form.h"
#include "gui_driver.h"
#include "url_label.h"

namespace {

using namespace forms;
using componenttest::ComponentTest;

class UrlLabelTest : public ComponentTest {
 protected:
  void SetUp() override {
    ComponentTest::SetUp();
    Application::Instance().ShellExecuteHook = [this](HWND, const char* verb, const char* file,
                                                      const char* params, const char* folder,
                                                      int show) {
      launches.push_back(std::string(verb) + " " + file);
      EXPECT_EQ(params, nullptr);
      EXPECT_EQ(folder, nullptr);
      EXPECT_EQ(show, SW_SHOWNORMAL);
      return reinterpret_cast<HINSTANCE>(33);
    };
    form = std::make_unique<Form>(nullptr, FormCreateArgs{"About", 100, 100, 300, 120});
    label =
        new TUrlLabel(form.get(), form.get(), LabelCreateArgs{"http://pelloro.example/", 20, 20});
    label->OnClick = [this](Component&) { ++clicks; };
    form->Show();
  }
  void TearDown() override {
    form.reset();
    Application::Instance().ShellExecuteHook = nullptr;
    ComponentTest::TearDown();
  }
  std::vector<std::string> launches;
  std::unique_ptr<Form> form;
  TUrlLabel* label = nullptr;
  int clicks = 0;
};

TEST_F(UrlLabelTest, LooksLikeALink) {
  EXPECT_EQ(label->GetFont().GetColor(), 0xFF0000u);
  EXPECT_TRUE(label->GetFont().Style() & fsUnderline);
  EXPECT_EQ(label->ActiveColor, 0x800080u);
  EXPECT_EQ(label->Cursor, 5);
  EXPECT_EQ(Application::Instance().Cursor(5), LoadCursorA(nullptr, IDC_HAND));
}

TEST_F(UrlLabelTest, LeftButtonShowsTheActiveColourRightDoesNot) {
  const LPARAM at = MAKELPARAM(label->Left() + 3, label->Top() + 3);
  SendMessageA(form->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, at);
  EXPECT_EQ(label->GetFont().GetColor(), 0xFF0000u);
  SendMessageA(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  EXPECT_EQ(label->GetFont().GetColor(), 0x800080u);
  guitest::SaveScreenshot(form->Handle(), "url_label_active.bmp");
  SendMessageA(form->Handle(), WM_LBUTTONUP, 0, at);
  EXPECT_EQ(label->GetFont().GetColor(), 0xFF0000u);
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(launches[0], "open http://pelloro.example/");
}

TEST_F(UrlLabelTest, TargetsTable) {
  struct Case {
    const char* caption;
    const char* url;
    const char* launched;  // null: nothing
  } cases[] = {{"caption", "  http://x  ", "open http://x"},
               {"  http://caption.example  ", "   ", "open http://caption.example"},
               {"caption text", "", "open caption text"},
               {"  ", " ", nullptr},
               {"", "", nullptr}};
  for (const auto& c : cases) {
    launches.clear();
    clicks = 0;
    label->SetCaption(c.caption);
    label->URL = c.url;
    label->Click();
    EXPECT_EQ(clicks, 1) << c.caption;  // OnClick fires whatever the target
    if (c.launched == nullptr) {
      EXPECT_TRUE(launches.empty()) << c.caption;
    } else {
      ASSERT_EQ(launches.size(), 1u) << c.caption;
      EXPECT_EQ(launches[0], c.launched);
    }
  }
}

TEST_F(UrlLabelTest, CopyPutsTheCaptionOnTheClipboard) {
  label->SetCaption("http://café.example/");
  label->URL = "http://other.example/";
  ASSERT_NE(label->LinkMenu(), nullptr);
  EXPECT_EQ(label->GetPopupMenu(), label->LinkMenu());
  MenuItem* copy = label->LinkMenu()->Items().Find("Copy");
  ASSERT_NE(copy, nullptr);
  copy->Click();
  EXPECT_EQ(Application::ClipboardText(), "http://café.example/");
}

}  // namespace
