// A handler that throws, wherever the system calls it, gives one standard exception message and
// the program goes on: the form still answers afterwards.
#include <gtest/gtest.h>

#include <stdexcept>

#include "forms/buttons.h"
#include "forms/form.h"
#include "forms/form_test_fixture.h"
#include "forms/guard.h"
#include "forms/list_view.h"
#include "forms/menus.h"
#include "forms/timer.h"
#include "gui_driver.h"

namespace {

using namespace forms;
using formstest::FormsTest;

class ThrowingPad : public GraphicControl {
 public:
  ThrowingPad(Component* owner, WinControl* parent) : GraphicControl(owner, parent) {
    SetBounds(10, 10, 50, 30);
  }
};

class BoundaryTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    form = std::make_unique<Form>(nullptr, FormCreateArgs{"Boundary", 100, 100, 300, 200});
    answer = new Button(form.get(), form.get(), ButtonCreateArgs{"&Answer", 100, 100});
    answer->OnClick = [this](Component&) { ++answers; };
    form->Show();
  }
  void TearDown() override {
    form.reset();
    FormsTest::TearDown();
  }
  // The form still works: its button still clicks.
  void ExpectFormAnswers() {
    const int before = answers;
    guitest::Click(*answer);
    EXPECT_EQ(answers, before + 1);
    EXPECT_TRUE(IsWindow(form->Handle()));
  }
  std::unique_ptr<Form> form;
  Button* answer = nullptr;
  int answers = 0;
};

TEST_F(BoundaryTest, PrivateMessageHandler) {
  form->MessageHandlers[0x600] = [](Message&) { throw std::runtime_error("hand-off failed"); };
  EXPECT_EQ(SendMessageA(form->Handle(), 0x600, 0, 0), 0);
  ASSERT_EQ(exceptions.size(), 1u);
  EXPECT_EQ(exceptions[0], "hand-off failed");
  ExpectFormAnswers();
}

TEST_F(BoundaryTest, ButtonClick) {
  answer->OnClick = [](Component&) { throw std::logic_error("button"); };
  guitest::Click(*answer);
  ASSERT_EQ(exceptions.size(), 1u);
  EXPECT_EQ(exceptions[0], "button");
  answer->OnClick = [this](Component&) { ++answers; };
  ExpectFormAnswers();
}

TEST_F(BoundaryTest, WindowlessControlClick) {
  auto* pad = new ThrowingPad(form.get(), form.get());
  pad->OnClick = [](Component&) { throw std::runtime_error("graphic click"); };
  guitest::Click(*pad);
  ASSERT_EQ(exceptions.size(), 1u);
  EXPECT_EQ(exceptions[0], "graphic click");
  EXPECT_FALSE(pad->MouseCapture());
  ExpectFormAnswers();
}

TEST_F(BoundaryTest, Timer) {
  auto* timer = new Timer(form.get(), 10);
  timer->SetOnTimer([timer](Component&) {
    timer->SetEnabled(false);
    throw std::runtime_error("timer");
  });
  const DWORD start = GetTickCount();
  while (exceptions.empty() && GetTickCount() - start < 5000) guitest::Pump(20);
  guitest::Pump(100);
  ASSERT_EQ(exceptions.size(), 1u);
  EXPECT_EQ(exceptions[0], "timer");
  ExpectFormAnswers();
}

TEST_F(BoundaryTest, MenuItem) {
  auto* menu = new MainMenu(form.get());
  auto* file = new MenuItem(form.get(), "&File");
  auto* broken = new MenuItem(form.get(), "&Broken");
  menu->Items().Add(file);
  file->Add(broken);
  form->SetMenu(menu);
  broken->OnClick = [](Component&) { throw std::runtime_error("menu"); };
  EXPECT_TRUE(guitest::ClickMenu(*form, "&File|&Broken"));
  ASSERT_EQ(exceptions.size(), 1u);
  EXPECT_EQ(exceptions[0], "menu");
  ExpectFormAnswers();
}

TEST_F(BoundaryTest, ListViewComparer) {
  ListViewCreateArgs args;
  args.viewStyle = ViewStyle::vsReport;
  auto* view = new ListView(form.get(), form.get(), args);
  for (int i = 0; i < 20; ++i) view->AddItem("item " + std::to_string(i), -1, i);
  view->SortItems([](LPARAM, LPARAM) -> int { throw std::runtime_error("comparer"); });
  ASSERT_EQ(exceptions.size(), 1u);  // reported once, not once per comparison
  EXPECT_EQ(exceptions[0], "comparer");
  EXPECT_EQ(view->Count(), 20);
  ExpectFormAnswers();
}

TEST_F(BoundaryTest, ThingsThatAreNotStandardExceptions) {
  answer->OnClick = [](Component&) { throw 42; };
  guitest::Click(*answer);
  ASSERT_EQ(exceptions.size(), 1u);
  EXPECT_EQ(exceptions[0], "Unknown exception");
  EXPECT_EQ(Guard(7, []() -> int { throw std::runtime_error("fallback"); }), 7);
  EXPECT_EQ(exceptions.size(), 2u);
}

class ThrowingPainter : public GraphicControl {
 public:
  ThrowingPainter(Component* owner, WinControl* parent) : GraphicControl(owner, parent) {
    SetBounds(10, 50, 40, 20);
  }
  int paints = 0;

 protected:
  void Paint() override {
    ++paints;
    throw std::runtime_error("paint");
  }
};

TEST_F(BoundaryTest, PaintReportsOnceAndIsNotRetriedForever) {
  auto* painter = new ThrowingPainter(form.get(), form.get());
  painter->Repaint();
  guitest::Pump(100);
  ASSERT_EQ(exceptions.size(), 1u);  // the failed paint validated its area: no endless repaints
  EXPECT_EQ(exceptions[0], "paint");
  EXPECT_EQ(painter->paints, 1);
  delete painter;
  ExpectFormAnswers();
}

TEST_F(BoundaryTest, ThreadStart) {
  HANDLE thread = CreateGuardedThread([] { throw std::runtime_error("thread"); });
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
  CloseHandle(thread);
  ASSERT_EQ(exceptions.size(), 1u);
  EXPECT_EQ(exceptions[0], "thread");
  ExpectFormAnswers();
}

}  // namespace
