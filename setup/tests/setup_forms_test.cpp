// The installer and uninstaller in process: the wizard's pages and counter, the installation's
// steps over a scratch Windows folder and distribution (the registry's roots turned to scratch
// keys, the Program Manager and the started programs recorded), its messages, the command line
// and the removal.
#include <gtest/gtest.h>

#include "background_form.h"
#include "environment.h"
#include "gui_driver.h"
#include "main_form.h"
#include "setup_test_support.h"
#include "status_form.h"
#include "setup_texts.h"
#include "uninstall_form.h"

namespace {

using setuptest::SetupTest;
namespace texts = setup::texts;

std::vector<std::string> Texts(const std::vector<setuptest::ShownMessage>& shown) {
  std::vector<std::string> out;
  for (const auto& m : shown) out.push_back(m.text);
  return out;
}

TEST_F(SetupTest, PagesFollowTheCounterAndPageThreeMakesTheFolderLevelByLevel) {
  MakeForms();
  wizard->Show();
  guitest::Pump();
  EXPECT_EQ(wizard->PageShown(), 1);
  EXPECT_FALSE(wizard->BackButton->Enabled());
  guitest::SaveScreenshot(wizard->Handle(), "setup\\wizard_page1.bmp");
  // Enter on the form acts as Next.
  guitest::Key(*wizard, VK_RETURN);
  guitest::Pump(50);
  EXPECT_EQ(wizard->PageShown(), 2);
  EXPECT_TRUE(wizard->BackButton->Enabled());
  guitest::SaveScreenshot(wizard->Handle(), "setup\\wizard_page2.bmp");
  wizard->NextClick();
  EXPECT_EQ(wizard->PageShown(), 3);
  wizard->BackClick();
  EXPECT_EQ(wizard->PageShown(), 2);
  EXPECT_EQ(wizard->Counter(), 2);
  wizard->NextClick();
  EXPECT_EQ(wizard->PageShown(), 3);
  guitest::SaveScreenshot(wizard->Handle(), "setup\\wizard_page3.bmp");
  // Three levels, none there yet, typed without the trailing backslash.
  const std::string deep = scratch->path() + "Ünë\\twö\\thrëe";
  wizard->Edit1->SetText(deep);
  guitest::Key(*wizard->Edit1, VK_RETURN);
  guitest::Pump(50);
  EXPECT_EQ(wizard->PageShown(), 4);
  EXPECT_EQ(wizard->Edit1->Text(), deep + "\\");
  EXPECT_TRUE(setup::FolderExists(deep));
  guitest::SaveScreenshot(wizard->Handle(), "setup\\wizard_page4.bmp");
  wizard->NextClick();
  EXPECT_EQ(wizard->PageShown(), 5);
  guitest::SaveScreenshot(wizard->Handle(), "setup\\wizard_page5.bmp");
  EXPECT_TRUE(messages.empty());
  EXPECT_TRUE(macros.empty());
}

TEST_F(SetupTest, InstallationCopiesLinksWritesTheTableAndRegistersWaiting) {
  // Another program's class for ".zip", with a subkey; an older Ravelin.32 in System.
  ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, ".zip", REG_SZ, "OtherZip", 8), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, ".zip\\OpenWithProgids", REG_SZ, "x", 1),
            ERROR_SUCCESS);
  CreateDirectoryA(system.c_str(), nullptr);
  ASSERT_TRUE(testutil::WriteWholeFile(system + "Ravelin.32", "an older stub"));

  EXPECT_EQ(Install(), texts::kExitOk);
  EXPECT_EQ(Texts(messages), std::vector<std::string>{texts::kComplete});
  for (const char* row : texts::kFilesToCopy) {
    EXPECT_EQ(testutil::FileBytes(install + row), shipped[row]) << row;
  }
  EXPECT_EQ(testutil::FileBytes(system + "QX30w32.ocx"), shipped["QX30w32.ocx"]);
  // Expanded while copied.
  EXPECT_EQ(testutil::FileBytes(system + "English.elf"), shipped["English.elf"]);
  EXPECT_EQ(testutil::FileText(system + "Ravelin.32"), "an older stub");
  EXPECT_EQ(testutil::FileBytes(windows + "pellmove.exe"), shipped["setup.exe"]);
  EXPECT_TRUE(setup::FileExists(desktop + "\\" + texts::kLinkFile));

  EXPECT_EQ(macros, (std::vector<std::string>{
                        "[CreateGroup(\"Grüße, [Pelloro]\")]\r\n",
                        "[AddItem(\"" + install + "Pelloro.exe\",\"Pelloro for Windows '95\")]"}));

  // Every System row, then the registry file; file arguments quoted.
  ASSERT_EQ(started.size(), 5u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(started[i].program, "regsvr32.exe");
    EXPECT_EQ(started[i].parameters, "/s \"" + system + texts::kSystemCopy[i] + "\"");
    EXPECT_EQ(started[i].folder + "\\", system);
  }
  EXPECT_EQ(started[4].program, windows + "regedit.exe");
  EXPECT_EQ(started[4].parameters, "\"" + source + "mergeme.reg\"");

  const std::string p = setup::WithBackslash(setup::ShortPath(install));
  EXPECT_EQ(wizard->Edit1->Text(), p);
  EXPECT_EQ(Default(HKEY_CLASSES_ROOT, ".zip"), "ZipFile");
  EXPECT_EQ(Default(HKEY_CLASSES_ROOT, "ZipFile"), "Pelloro '95 Compressed File");
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "ZipFile\\Shell\\open"));
  EXPECT_EQ(Default(HKEY_CLASSES_ROOT, "ZipFile\\Shell\\open\\command"),
            p + "PELLORO.EXE /open \"%1\"");
  EXPECT_EQ(Default(HKEY_CLASSES_ROOT, "ZipFile\\DefaultIcon"), p + "PELLORO.EXE,0");
  EXPECT_EQ(Default(HKEY_CLASSES_ROOT, "Directory\\shell\\Compress"),
            "Pelloro '95 Tavrell folder compress");
  EXPECT_EQ(Default(HKEY_CLASSES_ROOT, "Directory\\shell\\Compress\\command"),
            p + "Vantrel.exe /spf \"%1\"");
  EXPECT_EQ(Default(HKEY_CLASSES_ROOT, "Drive\\shell\\Compress\\command"),
            p + "Vantrel.exe /spd \"%1\"");
  EXPECT_EQ(Default(HKEY_LOCAL_MACHINE,
                    "Software\\Microsoft\\Windows\\CurrentVersion\\App paths\\Vantrel.exe"),
            p + "Vantrel.exe");
  EXPECT_EQ(Default(HKEY_LOCAL_MACHINE, "Software\\Classes\\.zip"), "ZipFile");
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, texts::kUninstallKey, &key), ERROR_SUCCESS);
  char previous[64] = {};
  DWORD size = sizeof previous - 1;
  EXPECT_EQ(RegQueryValueExA(key, texts::kPreviousZipClass, nullptr, nullptr,
                             reinterpret_cast<BYTE*>(previous), &size),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_STREQ(previous, "OtherZip");

  // The uninstaller: what was installed goes, the user's archive and folder stay with the
  // program folder, ".zip" goes back to the other program with its subkey.
  ASSERT_TRUE(testutil::WriteWholeFile(install + "mine.zip", "user archive"));
  CreateDirectoryA((install + "kept").c_str(), nullptr);
  ASSERT_TRUE(testutil::WriteWholeFile(install + "AutoFolders.lst", "C:\\\r\n"));
  std::string typed = install;
  typed.pop_back();  // typed without the trailing backslash
  uninstaller->Edit1->SetText(typed);
  uninstaller->Edit2->SetText(group);
  finished = -1;
  uninstaller->Show();
  guitest::SaveScreenshot(uninstaller->Handle(), "setup\\uninstall.bmp");
  guitest::Click(*uninstaller->UninstallButton);
  EXPECT_EQ(finished, 0);
  for (const char* row : texts::kFilesToCopy) EXPECT_FALSE(setup::FileExists(install + row)) << row;
  EXPECT_FALSE(setup::FileExists(install + "AutoFolders.lst"));
  EXPECT_EQ(testutil::FileText(install + "mine.zip"), "user archive");
  EXPECT_TRUE(setup::FolderExists(install + "kept"));
  EXPECT_FALSE(setup::FolderExists(programs + "\\" + group));
  EXPECT_FALSE(setup::FileExists(desktop + "\\" + texts::kLinkFile));
  EXPECT_TRUE(setup::FileExists(system + "QX30w32.ocx"));
  EXPECT_TRUE(setup::FileExists(windows + "pellmove.exe"));
  EXPECT_EQ(Default(HKEY_CLASSES_ROOT, ".zip"), "OtherZip");
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, ".zip\\OpenWithProgids"));
  for (const char* gone : {"ZipFile", "Directory\\shell\\Compress", "Drive\\shell\\Compress"}) {
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, gone)) << gone;
  }
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "Directory\\shell"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, texts::kUninstallKey));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE,
                         "Software\\Microsoft\\Windows\\CurrentVersion\\App paths\\Pelloro.exe"));
  EXPECT_EQ(Texts(messages), std::vector<std::string>{texts::kComplete});
}

TEST_F(SetupTest, WithoutAnEarlierClassTheUninstallerDeletesZipOnlyWhenNothingElseIsInIt) {
  EXPECT_EQ(Install(), texts::kExitOk);
  // HKEY_LOCAL_MACHINE's ".zip" got a value of another program after the installation.
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\Classes\\.zip", &key), ERROR_SUCCESS);
  RegSetValueExA(key, "Content Type", 0, REG_SZ, reinterpret_cast<const BYTE*>("a/b"), 4);
  RegCloseKey(key);
  uninstaller->Edit1->SetText(install);
  uninstaller->Edit2->SetText(group);
  uninstaller->UninstallClick();
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ".zip"));
  ASSERT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Classes\\.zip"));
  EXPECT_EQ(Default(HKEY_LOCAL_MACHINE, "Software\\Classes\\.zip"), "");
  EXPECT_FALSE(setup::FolderExists(install));
  // Once more, with another program's class set since: it stays.
  ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, ".zip", REG_SZ, "Another", 7), ERROR_SUCCESS);
  uninstaller->UninstallClick();
  EXPECT_EQ(Default(HKEY_CLASSES_ROOT, ".zip"), "Another");
}

TEST_F(SetupTest, ARootFolderAndAnEmptyGroupNameDeleteNothingOfTheUsers) {
  // A "drive" of the user's with files of the installed names' look-alikes beside its own.
  const std::string drive = scratch->path() + "drive\\";
  CreateDirectoryA(drive.c_str(), nullptr);
  ASSERT_TRUE(testutil::WriteWholeFile(drive + "letter.txt", "keep"));
  CreateDirectoryA((drive + "Windows").c_str(), nullptr);
  CreateDirectoryA((programs + "\\Other").c_str(), nullptr);
  MakeForms();
  uninstaller->Edit1->SetText(drive);
  uninstaller->Edit2->SetText("");
  uninstaller->UninstallClick();
  EXPECT_EQ(testutil::FileText(drive + "letter.txt"), "keep");
  EXPECT_TRUE(setup::FolderExists(drive + "Windows"));
  EXPECT_TRUE(setup::FolderExists(programs + "\\Other"));
  EXPECT_TRUE(setup::FolderExists(programs));
  EXPECT_EQ(finished, 0);
}

TEST_F(SetupTest, AMissingRowShowsTheIgnoreMessageAndTheInstallationGoesOn) {
  DeleteFileA((source + "Kobu").c_str());
  EXPECT_EQ(Install(), texts::kExitOk);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].text,
            "Error: Could not install file \r\n\r\nKobu\r\n\r\nReason: File could not be found in "
            "Installation directory. Install will continue.");
  EXPECT_EQ(messages[0].button, "Ignore");
  EXPECT_EQ(messages[1].text, texts::kComplete);
  EXPECT_TRUE(setup::FileExists(install + "Nviewlib.dll"));
  EXPECT_FALSE(setup::FileExists(install + "Kobu"));
}

TEST_F(SetupTest, ASourceVanishingBetweenCheckAndCopyAbortsWithExitCodeThree) {
  setup::Env().beforeCopy = [this](const std::string& file) {
    if (file == source + "Nviewlib.dll") DeleteFileA(file.c_str());
  };
  EXPECT_EQ(Install(), texts::kExitAborted);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "Error: File " + source +
                                  "Nviewlib.dll could not be found.\r\n\r\nInstallation will "
                                  "abort now.");
  EXPECT_EQ(messages[0].button, "Abort");
  // Nothing after it.
  EXPECT_FALSE(setup::FileExists(system + "QX30w32.ocx"));
  EXPECT_TRUE(macros.empty());
  EXPECT_TRUE(started.empty());
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "ZipFile"));
}

TEST_F(SetupTest, AFailedRegistrationOfTheControlIsReportedBeforeTheEnd) {
  exitCodes["QX30w32.ocx"] = 3;
  exitCodes["Ravelin.32"] = 3;  // not a library: its failure is not reported
  EXPECT_EQ(Install(), texts::kExitOk);
  EXPECT_EQ(Texts(messages), (std::vector<std::string>{texts::kNotRegistered, texts::kComplete}));
}

TEST_F(SetupTest, ADestinationHeldOpenShowsCouldNotCopyAndStaysUnchanged) {
  CreateDirectoryA((scratch->path() + "Prog Files").c_str(), nullptr);
  CreateDirectoryA(install.c_str(), nullptr);
  ASSERT_TRUE(testutil::WriteWholeFile(install + "Pelloro.exe", "the old program"));
  HANDLE held = CreateFileA((install + "Pelloro.exe").c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const int code = Install();
  CloseHandle(held);
  EXPECT_EQ(code, texts::kExitOk);
  EXPECT_EQ(Texts(messages), (std::vector<std::string>{texts::kCouldNotCopy, texts::kComplete}));
  EXPECT_EQ(testutil::FileText(install + "Pelloro.exe"), "the old program");
  EXPECT_FALSE(setup::FileExists(install + "Pelloro.ex_"));
  EXPECT_TRUE(setup::FileExists(install + "Vantrel.exe"));
}

TEST_F(SetupTest, TheCommandLineChoosesTheWindow) {
  struct Case {
    const char* argument;
    bool uninstaller, wizard;
    std::vector<std::string> shown;
    int finished;
  };
  const Case cases[] = {
      {"/rEmOvE", true, false, {}, -1},
      {"/REMOVE", true, false, {}, -1},
      {"/?", false, false, {texts::kOptionsMessage}, 0},
      {"", false, true, {}, -1},
      {"/other", false, true, {}, -1},
  };
  for (const Case& c : cases) {
    MakeForms();
    messages.clear();
    finished = -1;
    background->Argument = c.argument;
    background->ChooseWindow();
    guitest::Pump();
    EXPECT_EQ(uninstaller->Visible(), c.uninstaller) << c.argument;
    EXPECT_EQ(wizard->Visible(), c.wizard) << c.argument;
    EXPECT_EQ(Texts(messages), c.shown) << c.argument;
    EXPECT_EQ(finished, c.finished) << c.argument;
  }
  EXPECT_EQ(forms::Application::SplitCommandLine("setup.exe /rEmOvE").at(1), "/rEmOvE");
}

}  // namespace
