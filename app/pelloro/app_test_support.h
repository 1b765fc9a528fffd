// What Pelloro's tests share: the registered control (the environment registers the built
// QX30W32, as an installation leaves it), settings reset to "Software\Pelloro95" with ShowTips
// "0", the fixtures made by pelloro_fixtures.sh, and a main window with its progress window.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "forms/application.h"
#include "main_form.h"
#include "op_form.h"

namespace apptest {

std::string FixturePath(const std::string& name);
// Rows of a fixture manifest (fields split at '|'); empty when unreadable.
std::vector<std::vector<std::string>> Manifest(const std::string& name);
// Empties the settings key and sets ShowTips "0" (no tip window).
void ResetSettings();
std::string ReadSetting(const std::string& name, const std::string& section = "");
void WriteSetting(const std::string& name, const std::string& value);
// The texts of a list view's row in this process.
std::string ItemText(HWND list, int item, int column);
bool CanCreateWindows();

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A main window (options as given) with its progress window bound.
  pelloro::TMainfrm& MakeMain(pelloro::TMainfrmOptions options = pelloro::TMainfrmOptions());
  std::vector<std::string> exceptions;
  std::unique_ptr<pelloro::TMainfrm> main_;
  std::unique_ptr<pelloro::TOp> op_;
};

// A test of the dialogs with a working folder of its own below the build tree, named after the
// test and emptied before it.
class DialogsWorkTest : public AppTest {
 protected:
  void SetUp() override;
  std::string work_;
};

}  // namespace apptest
