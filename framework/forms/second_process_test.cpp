// A windowless button of a form in another process, pressed by the robot from outside: by
// mouse messages at the bounds the form's own layout gives, and by its accelerator. That
// program names the layer's window classes after itself; this one has the framework's names.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "forms/form.h"
#include "forms/form_test_fixture.h"
#include "forms/canvas.h"
#include "forms/label.h"
#include "forms/timer.h"
#include "gui_driver.h"

namespace {

using namespace forms;

constexpr char kChildCaption[] = "Pelloro forms child";
constexpr char kChildVariable[] = "PELLORO_FORMS_CHILD";

// The child form's layout, shared with the robot.
RECT PressPadBounds() { return {40, 30, 140, 70}; }

// A windowless push button with an accelerator, as the application's toolbar buttons are.
class PressPad : public GraphicControl {
 public:
  PressPad(Component* owner, WinControl* parent) : GraphicControl(owner, parent) {
    const RECT r = PressPadBounds();
    SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
    caption_ = "&Press";
  }
  void WndProc(Message& message) override {
    if (message.msg == CM_DIALOGCHAR &&
        IsAccelerator(static_cast<char>(message.wParam), caption_)) {
      Click();
      message.result = 1;
      return;
    }
    GraphicControl::WndProc(message);
  }

 protected:
  void Paint() override {
    RECT r = ClientRect();
    DrawEdge(GetCanvas().Handle(), &r, EDGE_RAISED, BF_RECT);
    GetCanvas().Brush.clear = true;
    GetCanvas().DrawText(caption_, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
};

// Runs only as the child: shows the form and waits for two presses (or gives up).
TEST(SecondProcess, ChildServesForm) {
  const char* mode = getenv(kChildVariable);
  if (mode == nullptr) GTEST_SKIP() << "runs only as the child of RobotPressesWindowlessButton";
  Application::Instance().Initialize("FormsChild");
  Form form(nullptr, FormCreateArgs{kChildCaption, 200, 200, 240, 160});
  auto* pad = new PressPad(&form, &form);
  int presses = 0;
  pad->OnClick = [&](Component&) {
    ++presses;
    form.SetCaption(std::string(kChildCaption) + " " + std::to_string(presses));
  };
  form.Show();
  const DWORD start = GetTickCount();
  while (presses < 2 && GetTickCount() - start < 20000) guitest::Pump(20);
  EXPECT_EQ(presses, 2);
}

// Runs only as a child: a WM_QUIT met by ProcessMessages is kept, and modal loops then end.
TEST(SecondProcess, ChildKeepsQuit) {
  if (getenv(kChildVariable) == nullptr)
    GTEST_SKIP() << "runs only as the child of QuitIsKeptByProcessMessages";
  Application& app = Application::Instance();
  app.Initialize();
  PostQuitMessage(3);
  app.ProcessMessages();
  EXPECT_TRUE(app.Terminated());
  Form form(nullptr, FormCreateArgs{"After quit"});
  EXPECT_EQ(form.ShowModal(), mrCancel);
}

// Runs this program again with one test and the child variable set; its exit code.
DWORD RunChild(const char* test, DWORD limitMs, PROCESS_INFORMATION* started = nullptr) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, sizeof(self));
  std::string command = std::string("\"") + self + "\" --gtest_filter=" + test;
  SetEnvironmentVariableA(kChildVariable, "1");
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  const BOOL ok = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &startup, &process);
  SetEnvironmentVariableA(kChildVariable, nullptr);
  if (!ok) return static_cast<DWORD>(-1);
  if (started != nullptr) {
    *started = process;
    return 0;
  }
  if (WaitForSingleObject(process.hProcess, limitMs) != WAIT_OBJECT_0)
    TerminateProcess(process.hProcess, 1);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

// Runs only as a child: Run shows the main form and returns once it is closed.
TEST(SecondProcess, ChildRunsMainForm) {
  if (getenv(kChildVariable) == nullptr)
    GTEST_SKIP() << "runs only as the child of RunEndsWithTheMainForm";
  Application& app = Application::Instance();
  app.Initialize();
  Form form(nullptr, FormCreateArgs{"Main form"});
  app.MainForm = &form;
  bool shown = false;
  form.OnShow = [&](Component&) { shown = true; };
  auto* timer = new Timer(&form, 50);
  timer->SetOnTimer([&form](Component&) { form.Close(); });
  app.Run();
  EXPECT_TRUE(shown);
  EXPECT_TRUE(app.Terminated());
  EXPECT_FALSE(IsWindowVisible(form.Handle()));
}

using formstest::FormsTest;

TEST_F(FormsTest, TheLayersClassesHaveTheFrameworksNamesWhenNoneIsGiven) {
  Form form(nullptr, FormCreateArgs{"Class names"});
  EXPECT_EQ(guitest::ClassName(form.Handle()), "FormsWindow");
  EXPECT_EQ(WinControl::FromHandle(form.Handle()), static_cast<WinControl*>(&form));
  EXPECT_EQ(guitest::ClassName(Application::Instance().Handle()), "FormsApplication");
  // The first Initialize decided: a later name changes nothing.
  Application::Instance().Initialize("Other");
  EXPECT_EQ(Application::Instance().ClassNamePrefix(), "Forms");
}

TEST(SecondProcess, RunEndsWithTheMainForm) {
  EXPECT_EQ(RunChild("SecondProcess.ChildRunsMainForm", 30000), 0u);
}

TEST(SecondProcess, QuitIsKeptByProcessMessages) {
  EXPECT_EQ(RunChild("SecondProcess.ChildKeepsQuit", 30000), 0u);
}

TEST(SecondProcess, RobotPressesWindowlessButton) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, sizeof(self));
  std::string command =
      std::string("\"") + self + "\" --gtest_filter=SecondProcess.ChildServesForm";
  SetEnvironmentVariableA(kChildVariable, "1");
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  const BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                      nullptr, &startup, &process);
  SetEnvironmentVariableA(kChildVariable, nullptr);
  ASSERT_TRUE(started);
  HWND child = guitest::WaitForWindow(kChildCaption, 20000);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(guitest::ClassName(child), "FormsChildWindow");
  guitest::PressAt(child, PressPadBounds());
  HWND afterOne = guitest::WaitForWindow(std::string(kChildCaption) + " 1", 10000);
  EXPECT_EQ(afterOne, child);
  guitest::PressAccelerator(child, 'p');
  const bool ended = WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0;
  if (!ended) TerminateProcess(process.hProcess, 1);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_TRUE(ended);
  EXPECT_EQ(code, 0u);
}

}  // namespace
