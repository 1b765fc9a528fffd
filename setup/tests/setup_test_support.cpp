#include "setup_test_support.h"

#include <shlobj.h>

#include "background_form.h"
#include "environment.h"
#include "forms/application.h"
#include "forms/label.h"
#include "gui_driver.h"
#include "main_form.h"
#include "registry_entries.h"
#include "setup_texts.h"
#include "status_form.h"
#include "uninstall_form.h"

namespace setuptest {

std::vector<uint8_t> SzddCompress(const std::vector<uint8_t>& data) {
  std::vector<uint8_t> out = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33, 'A', 0};
  const uint32_t length = static_cast<uint32_t>(data.size());
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(length >> (8 * i)));
  for (size_t at = 0; at < data.size(); at += 8) {
    out.push_back(0xFF);  // eight literals follow
    for (size_t i = at; i < at + 8 && i < data.size(); ++i) out.push_back(data[i]);
  }
  return out;
}

void SetupTest::SetUp() {
  FormsTest::SetUp();
  scratch = std::make_unique<testutil::TempFolder>();
  source = scratch->path() + "dist\\";
  windows = scratch->path() + "win\\";
  system = windows + "System\\";
  programs = scratch->path() + "programs";
  desktop = scratch->path() + "desktop";
  install = scratch->path() + "Prog Files\\Grüße 95\\";
  group = "Grüße, [Pelloro]";
  for (const std::string& folder : {source, windows, programs, desktop}) {
    CreateDirectoryA(folder.c_str(), nullptr);
  }
  // The distribution: small files of their own content each, English.elf SZDD-compressed.
  int n = 0;
  for (const char* name : {"Pelloro.exe", "Vantrel.exe", "Kobu", "Nviewlib.dll", "QX30w32.ocx",
                           "Ravelin.32", "English.elf", "setup.exe", "mergeme.reg"}) {
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 300 + 37 * n; ++i) bytes.push_back(static_cast<uint8_t>(i * (n + 3)));
    ++n;
    shipped[name] = bytes;
    const bool compressed = std::string(name) == "English.elf";
    ASSERT_TRUE(testutil::WriteWholeFile(source + name, compressed ? SzddCompress(bytes) : bytes));
  }
  setup::Environment& env = setup::Env();
  env.windowsFolder = windows;
  env.sourceFolder = source;
  env.specialFolder = [this](int csidl) {
    if (csidl == CSIDL_PROGRAMS) return programs;
    if (csidl == CSIDL_DESKTOPDIRECTORY) return desktop;
    return std::string();
  };
  // As the Program Manager does: the group a folder, the item a link in it.
  env.progman = [this](const std::string& macro) {
    macros.push_back(macro);
    if (macro.rfind("[CreateGroup(", 0) == 0) {
      CreateDirectoryA((programs + "\\" + group).c_str(), nullptr);
    } else {
      testutil::WriteWholeFile(programs + "\\" + group + "\\" + setup::texts::kLinkFile, "link");
    }
    return true;
  };
  env.runAndWait = [this](const std::string& program, const std::string& parameters,
                          const std::string& folder) {
    started.push_back({program, parameters, folder});
    for (const auto& [file, code] : exitCodes) {
      if (parameters.find(file) != std::string::npos) return code;
    }
    return 0L;
  };
  // HKEY_CLASSES_ROOT and HKEY_LOCAL_MACHINE turned to scratch keys of this test.
  scratchKey_ = "Software\\PelloroSetupTests\\" + std::to_string(GetCurrentProcessId());
  ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, (scratchKey_ + "\\cr").c_str(), &classesRoot_),
            ERROR_SUCCESS);
  ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, (scratchKey_ + "\\lm").c_str(), &machine_),
            ERROR_SUCCESS);
  ASSERT_EQ(RegOverridePredefKey(HKEY_CLASSES_ROOT, classesRoot_), ERROR_SUCCESS);
  ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine_), ERROR_SUCCESS);
  ArmMessageHook();
}

void SetupTest::TearDown() {
  uninstaller.reset();
  wizard.reset();
  popup.reset();
  status.reset();
  background.reset();
  RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
  RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
  if (classesRoot_ != nullptr) RegCloseKey(classesRoot_);
  if (machine_ != nullptr) RegCloseKey(machine_);
  setup::DeleteKeyTree(HKEY_CURRENT_USER, scratchKey_);
  setup::Env() = setup::Environment();
  FormsTest::TearDown();
  scratch.reset();
  EXPECT_TRUE(exceptions.empty()) << (exceptions.empty() ? "" : exceptions.front());
}

void SetupTest::ArmMessageHook() {
  forms::App().SetModalHook([this](forms::Form& form) {
    ShownMessage shown;
    if (auto* label = dynamic_cast<forms::Label*>(guitest::Find(form, "Message"))) {
      shown.text = label->Caption();
    }
    for (const char* name : {"OK", "Ignore", "Abort", "Yes", "No", "Cancel"}) {
      if (guitest::Find(form, name) != nullptr) {
        shown.button = name;
        break;
      }
    }
    messages.push_back(shown);
    ArmMessageHook();
    if (!shown.button.empty()) {
      guitest::Click(form, shown.button);
    } else {
      form.SetModalResult(forms::mrCancel);
    }
  });
}

void SetupTest::MakeForms() {
  background = std::make_unique<setup::TBackgroundfrm>(nullptr);
  status = std::make_unique<setup::TStatusfrm>(nullptr);
  popup = std::make_unique<setup::TPopupfrm>(nullptr);
  wizard = std::make_unique<setup::TMainfrm>(nullptr, *background->DdeClient, *status, *popup);
  uninstaller = std::make_unique<setup::TUninstallfrm>(nullptr);
  background->Wizard = wizard.get();
  background->Uninstaller = uninstaller.get();
  background->OnFinished = [this](int code) { finished = code; };
  wizard->OnFinished = [this](int code) { finished = code; };
  uninstaller->OnFinished = [this] { finished = 0; };
}

int SetupTest::Install() {
  if (!wizard) MakeForms();
  wizard->Show();
  guitest::Pump();
  for (int page = 1; page <= 2; ++page) wizard->NextClick();
  wizard->Edit1->SetText(install);
  wizard->NextClick();
  wizard->Edit2->SetText(group);
  wizard->NextClick();
  wizard->NextClick();  // page 5: the installation runs
  guitest::Pump();
  return finished;
}

std::string SetupTest::Default(HKEY root, const std::string& key) {
  std::string value;
  setup::ReadDefault(root, key, value);
  return value;
}

bool SetupTest::KeyExists(HKEY root, const std::string& key) {
  std::string value;
  return setup::ReadDefault(root, key, value);
}

}  // namespace setuptest
