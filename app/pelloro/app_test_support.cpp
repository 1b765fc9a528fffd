#include "app_test_support.h"

#include <ole2.h>
#include <shlwapi.h>

#include "control_test_support.h"
#include "forms/reg_ini_file.h"
#include "dialog_robot.h"
#include "gui_driver.h"
#include "new_zip_form.h"
#include "win_test_util.h"

namespace apptest {

namespace {

class PelloroEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    forms::App().Initialize();
    ASSERT_EQ(S_OK, testutil::RegisterBuiltControl());
  }
};

testing::Environment* const g_environment =
    testing::AddGlobalTestEnvironment(new PelloroEnvironment);

}  // namespace

std::string FixturePath(const std::string& name) {
  return testutil::BinaryDir() + "app\\pelloro\\fixtures\\pelloro\\" + name;
}

std::vector<std::vector<std::string>> Manifest(const std::string& name) {
  bool readable = false;
  return testutil::ReadManifest(FixturePath(name), &readable);
}

void ResetSettings() {
  SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Pelloro95");
  forms::RegIniFile settings("Software\\Pelloro95");
  settings.WriteString("", "ShowTips", "0");
}

std::string ReadSetting(const std::string& name, const std::string& section) {
  forms::RegIniFile settings("Software\\Pelloro95");
  return settings.ReadString(section, name, "<none>");
}

void WriteSetting(const std::string& name, const std::string& value) {
  forms::RegIniFile settings("Software\\Pelloro95");
  settings.WriteString("", name, value);
}

std::string ItemText(HWND list, int item, int column) {
  char buffer[1100] = {};
  LVITEMA request = {};
  request.iSubItem = column;
  request.pszText = buffer;
  request.cchTextMax = sizeof(buffer);
  SendMessageA(list, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&request));
  return buffer;
}

bool CanCreateWindows() { return controltest::CanCreateWindows(); }

void AppTest::SetUp() {
  if (!CanCreateWindows()) GTEST_SKIP() << "no display: run under xvfb-run";
  forms::Application& app = forms::App();
  app.OnException = [this](const std::string& text) { exceptions.push_back(text); };
  ResetSettings();
}

void AppTest::TearDown() {
  forms::Application& app = forms::App();
  if (main_ != nullptr) main_->SetOp(nullptr);
  op_.reset();
  main_.reset();
  app.ProcessMessages();
  app.SetModalHook(nullptr);
  app.OnException = nullptr;
}

pelloro::TMainfrm& AppTest::MakeMain(pelloro::TMainfrmOptions options) {
  main_ = std::make_unique<pelloro::TMainfrm>(nullptr, options);
  op_ = std::make_unique<pelloro::TOp>(nullptr);
  main_->SetOp(op_.get());
  return *main_;
}

void DialogsWorkTest::SetUp() {
  AppTest::SetUp();
  if (IsSkipped()) return;
  work_ = testutil::BinaryDir() + "app\\pelloro\\dialogs_work\\" +
          ::testing::UnitTest::GetInstance()->current_test_info()->name() + "\\";
  testutil::RemoveTree(work_);
  ASSERT_TRUE(pelloro::ForceFolder(work_));
}

}  // namespace apptest
