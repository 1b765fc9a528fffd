// Viewing and launching in process with the real control: the view-method window's countdown and
// buttons (each launch recorded, holding the folder entry's bytes, never a leftover's), the
// associations walk, remembering a choice, the internal viewer's text and picture, the messages
// for nothing selected and for an entry that cannot be extracted, installing with a marker-writing
// SETUP.EXE built for the tests, the help items and Windows Explorer.
#include <gtest/gtest.h>

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <string>
#include <vector>

#include "app_test_support.h"
#include "echo_control_test_support.h"
#include "captions.h"
#include "ed_intern_form.h"
#include "forms/label.h"
#include "forms/menus.h"
#include "forms/reg_ini_file.h"
#include "gui_driver.h"
#include "new_zip_form.h"
#include "peer_runner.h"
#include "temp_folder.h"
#include "tool_commands.h"
#include "toolstest_support.h"
#include "view_commands.h"
#include "view_method_form.h"
#include "win_test_util.h"

namespace {

using pelloro::kTempFolder;
using pelloro::TEdInternfrm;
using pelloro::TMainfrm;
using pelloro::TViewMethodfrm;

constexpr char kViewMenu[] = "A&ctions|&View/Execute selected file";

struct Launch {
  std::string verb, file, parameters, folder;
  std::string bytes;  // of the file launched, read at the moment of the launch
};

std::string ReadBytes(const std::string& path) {
  const std::vector<uint8_t> bytes = testutil::FileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  }
  return bytes;
}

// The bytes python stored for an entry (view.txt).
std::string EntryBytes(const std::string& name) {
  for (const auto& row : apptest::Manifest("view.txt")) {
    if (row.size() == 2 && row[0] == name) return FromHex(row[1]);
  }
  ADD_FAILURE() << "no entry " << name << " in view.txt";
  return "";
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class ViewTest : public apptest::DialogsWorkTest {
 protected:
  void SetUp() override {
    DialogsWorkTest::SetUp();
    if (IsSkipped()) return;
    pelloro::CleanTempFolder(kTempFolder);
    forms::App().ShellExecuteHook = [this](HWND, const char* verb, const char* file,
                                           const char* parameters, const char* folder, int) {
      Launch launch{verb, file, parameters, folder != nullptr ? folder : "", ""};
      launch.bytes = ReadBytes(launch.file == "Notepad.exe" ? launch.parameters : launch.file);
      launches.push_back(launch);
      return reinterpret_cast<HINSTANCE>(42);
    };
  }
  void TearDown() override {
    forms::App().ShellExecuteHook = nullptr;
    forms::App().WinHelpHook = nullptr;
    DialogsWorkTest::TearDown();
    pelloro::CleanTempFolder(kTempFolder);
  }

  // A main window listing a copy of view.zip (or another fixture) from the working folder.
  TMainfrm& OpenView(const std::string& fixture = "view.zip") {
    TMainfrm& main = MakeMain();
    main.Show();
    archive_ = work_ + fixture;
    EXPECT_TRUE(CopyFileA(apptest::FixturePath(fixture).c_str(), archive_.c_str(), FALSE));
    EXPECT_TRUE(main.OpenByTheRoad(archive_));
    return main;
  }

  // Selects the one row whose full stored name (folder and file part) is given.
  void Select(TMainfrm& main, const std::string& fullName) {
    const HWND list = main.MSListview1->Handle();
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    int found = -1;
    for (int i = 0; i < count; ++i) {
      const auto row = static_cast<short>(i);
      const std::string name = main.QXCtrl1->GetZIPITEMDir(list, row, true) +
                               main.QXCtrl1->GetZIPITEMName(list, row, true);
      const bool match = name == fullName;
      if (match) found = i;
      ListView_SetItemState(list, i, match ? LVIS_SELECTED | LVIS_FOCUSED : 0,
                            LVIS_SELECTED | LVIS_FOCUSED);
    }
    ASSERT_GE(found, 0) << "no row " << fullName;
  }

  // A file left in the working folder by an earlier view.
  void Leave(const std::string& relative, const std::string& text) {
    ASSERT_TRUE(pelloro::ForceFolder(kTempFolder + relative.substr(0, relative.rfind('\\') + 1)));
    ASSERT_TRUE(testutil::WriteWholeFile(kTempFolder + relative, text));
  }

  static void WriteAssociations(const std::vector<std::pair<std::string, std::string>>& rows,
                                int total) {
    forms::RegIniFile settings(pelloro::kSettingsKey);
    settings.EraseSection(pelloro::kAssociationsSection);
    for (size_t n = 0; n < rows.size(); ++n) {
      settings.WriteString(pelloro::kAssociationsSection, std::to_string(n), rows[n].first);
      settings.WriteString(pelloro::kAssociationsSection, std::to_string(n) + "Dat",
                           rows[n].second);
    }
    settings.WriteInteger(pelloro::kAssociationsSection, "Total", total);
  }

  std::vector<Launch> launches;
  std::string archive_;
};

TEST(IsImageFileTest, TheEightExtensionsInAnyCase) {
  for (const char* name : {"a.JPG", "a.jif", "b.Gif", "c.BMP", "d.dib", "e.RLE", "f.tga", "G.PCX",
                           "SUB\\PICTURE.BMP", "sub/pic.jpg"}) {
    EXPECT_TRUE(pelloro::IsImageFile(name)) << name;
  }
  for (const char* name : {"a.PNG", "a.JPEG", "BMP", "a.BMP.txt", "dir.BMP\\file", "a.", ""}) {
    EXPECT_FALSE(pelloro::IsImageFile(name)) << name;
  }
  EXPECT_EQ(pelloro::ExtractFileExt("SUB.D\\NOTE.TXT"), ".TXT");
  EXPECT_EQ(pelloro::ExtractFileExt("SUB.D\\README"), "");
}

TEST_F(ViewTest, TheCountdownRunsTheAssociatedProgramOnTheFolderEntry) {
  TMainfrm& main = OpenView();
  Leave("NOTE.TXT", "leftover at the top");
  Leave("SUB\\NOTE.TXT", "leftover in the folder");
  Select(main, "SUB\\NOTE.TXT");
  std::vector<std::string> labels;
  std::string checkCaption, decompressingAtEnd;
  guitest::OnModal([&](forms::Form& form) {
    auto& chooser = dynamic_cast<TViewMethodfrm&>(form);
    EXPECT_EQ(chooser.Caption(), "Select View Method");
    checkCaption = chooser.CheckBox1->Caption();
    EXPECT_FALSE(chooser.Panel1->Visible());
    guitest::SaveScreenshot(chooser.Handle(), "pelloro_view_method.bmp");
    labels.push_back(chooser.Label2->Caption());
    // The real one-second timer, its WM_TIMER messages handled here.
    const DWORD start = GetTickCount();
    while (chooser.ModalResult() == forms::mrNone && GetTickCount() - start < 12000) {
      guitest::Pump(20);
      if (chooser.Label2->Caption() != labels.back()) labels.push_back(chooser.Label2->Caption());
    }
  });
  ASSERT_TRUE(guitest::ClickMenu(main, kViewMenu));
  EXPECT_EQ(checkCaption, "Always use the selected for .TXT files");
  const std::vector<std::string> expected = {
      "Or wait 5 seconds to run Associated program", "Or wait 4 seconds to run Associated program",
      "Or wait 3 seconds to run Associated program", "Or wait 2 seconds to run Associated program",
      "Or wait 1 seconds to run Associated program", "Running Associated program..."};
  EXPECT_EQ(labels, expected);
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(launches[0].verb, "open");
  // Folders kept: the file at its stored path, named by its full path.
  EXPECT_EQ(launches[0].file, std::string(kTempFolder) + "SUB\\NOTE.TXT");
  EXPECT_EQ(launches[0].parameters, "");
  EXPECT_EQ(launches[0].folder, "C:\\~TMPDIR.TMP");
  EXPECT_EQ(launches[0].bytes, EntryBytes("sub/note.txt"));
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(ViewTest, AClickOnTheBackgroundStopsTheCountdown) {
  TMainfrm& main = OpenView();
  Select(main, "NOTE.TXT");
  std::string label;
  guitest::OnModal([&](forms::Form& form) {
    auto& chooser = dynamic_cast<TViewMethodfrm&>(form);
    SendMessageA(chooser.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(400, 8));
    SendMessageA(chooser.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(400, 8));
    guitest::Pump(2300);
    label = chooser.Label2->Caption();
    EXPECT_EQ(chooser.Countdown(), 5);
    guitest::Click(*chooser.Bitbtn1);
  });
  ASSERT_TRUE(guitest::ClickMenu(main, kViewMenu));
  EXPECT_EQ(label, "Or wait 5 seconds to run Associated program");
  EXPECT_TRUE(launches.empty());
}

TEST_F(ViewTest, EachButtonViewsTheFolderEntryNotALeftover) {
  TMainfrm& main = OpenView();
  const std::string extracted = std::string(kTempFolder) + "NOTE.TXT";
  const struct {
    const char* button;
    const char* file;
    std::string parameters;
    const char* folder;
  } cases[] = {
      {"ExplorerButton1", "C:\\~TMPDIR.TMP\\NOTE.TXT", "", "C:\\~TMPDIR.TMP\\"},
      {"ExplorerButton3", "Notepad.exe", extracted, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    launches.clear();
    Leave("NOTE.TXT", "leftover at the top");
    Select(main, "SUB\\NOTE.TXT");
    guitest::OnModal([&](forms::Form& form) {
      EXPECT_EQ(dynamic_cast<TViewMethodfrm&>(form).Countdown(), 5);
      guitest::Click(form, c.button);
    });
    ASSERT_TRUE(guitest::ClickMenu(main, kViewMenu));
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].verb, "open");
    EXPECT_EQ(launches[0].file, c.file);
    EXPECT_EQ(launches[0].parameters, c.parameters);
    EXPECT_EQ(launches[0].folder, c.folder);
    EXPECT_EQ(launches[0].bytes, EntryBytes("sub/note.txt"));
  }
  // The internal viewer: the text in the rich edit, nothing launched.
  launches.clear();
  Leave("NOTE.TXT", "leftover at the top");
  std::string text;
  bool richShown = false, boxShown = true;
  guitest::OnModal([&](forms::Form& form) {
    guitest::OnModal([&](forms::Form& viewerForm) {
      auto& viewer = dynamic_cast<TEdInternfrm&>(viewerForm);
      EXPECT_EQ(viewer.Caption(), "Internal Viewer");
      text = viewer.RichEdit1->Text();
      richShown = viewer.RichEdit1->Visible();
      boxShown = viewer.ScrollBox1->Visible();
      guitest::SaveScreenshot(viewer.Handle(), "pelloro_internal_viewer_text.bmp");
      guitest::Click(*viewer.BitBtn1);
    });
    guitest::Click(form, "ExplorerButton2");
  });
  ASSERT_TRUE(guitest::ClickMenu(main, kViewMenu));
  EXPECT_TRUE(launches.empty());
  EXPECT_EQ(text, "folder note\r\nsecond line");
  EXPECT_TRUE(richShown);
  EXPECT_FALSE(boxShown);
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(ViewTest, RememberingTwiceAddsTwoRows) {
  TMainfrm& main = OpenView();
  for (const char* button : {"ExplorerButton3", "ExplorerButton1"}) {
    TViewMethodfrm chooser(&main, main);
    chooser.EntryName = "SUB\\NOTE.TXT";
    guitest::OnModal([&](forms::Form& form) {
      guitest::Click(form, "CheckBox1");
      guitest::Click(form, button);
    });
    chooser.ShowModal();
  }
  EXPECT_EQ(apptest::ReadSetting("Total", "Associations"), "2");
  EXPECT_EQ(apptest::ReadSetting("0", "Associations"), ".TXT");
  EXPECT_EQ(apptest::ReadSetting("0Dat", "Associations"), "Windows Notepad");
  EXPECT_EQ(apptest::ReadSetting("1", "Associations"), ".TXT");
  EXPECT_EQ(apptest::ReadSetting("1Dat", "Associations"), "Associated Program");
  EXPECT_EQ(launches.size(), 2u);
}

TEST_F(ViewTest, TheAssociationsWalkViewsOnceOrAsks) {
  const struct {
    const char* name;
    std::vector<std::pair<std::string, std::string>> rows;
    int total;
    const char* launched;  // nullptr: the view-method window comes instead
  } cases[] = {
      {"listed twice",
       {{".txt", "Windows Notepad"}, {".TXT", "Associated Program"}},
       2,
       "Notepad.exe"},
      {"the row at Total",
       {{".BMP", "Associated Program"}, {".txt", "associated program"}},
       1,
       "C:\\~TMPDIR.TMP\\NOTE.TXT"},
      {"an unknown method", {{".TXT", "Frobnicate"}}, 1, nullptr},
  };
  TMainfrm& main = OpenView();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    launches.clear();
    WriteAssociations(c.rows, c.total);
    Select(main, "SUB\\NOTE.TXT");
    bool asked = false;
    guitest::OnModal([&](forms::Form& form) {
      asked = true;
      guitest::Click(form, "Bitbtn1");
    });
    ASSERT_TRUE(guitest::ClickMenu(main, kViewMenu));
    forms::App().SetModalHook(nullptr);
    if (c.launched == nullptr) {
      EXPECT_TRUE(asked);
      EXPECT_TRUE(launches.empty());
    } else {
      EXPECT_FALSE(asked);
      ASSERT_EQ(launches.size(), 1u);
      EXPECT_EQ(launches[0].file, c.launched);
      EXPECT_EQ(launches[0].bytes, EntryBytes("sub/note.txt"));
    }
  }
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(ViewTest, AnEntryWithoutExtensionReachesTheViewMethodWindow) {
  TMainfrm& main = OpenView();
  WriteAssociations({{".TXT", "Associated Program"}}, 1);
  Select(main, "README");
  std::string caption;
  guitest::OnModal([&](forms::Form& form) {
    caption = dynamic_cast<TViewMethodfrm&>(form).CheckBox1->Caption();
    guitest::Click(form, "ExplorerButton1");
  });
  ASSERT_TRUE(guitest::ClickMenu(main, kViewMenu));
  EXPECT_EQ(caption, "Always use the selected for  files");
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(launches[0].file, std::string(kTempFolder) + "README");
  EXPECT_EQ(launches[0].bytes, EntryBytes("README"));
}

TEST_F(ViewTest, TheInternalViewerShowsThePictureAndALatinName) {
  TMainfrm& main = OpenView();
  WriteAssociations({{".bmp", "Internal Viewer"}, {".TXT", "INTERNAL VIEWER"}}, 2);
  Select(main, "SUB\\PICTURE.BMP");
  int width = 0, height = 0, imageWidth = 0, imageHeight = 0;
  COLORREF corner = 0;
  bool imageShown = false, richShown = true;
  guitest::OnModal([&](forms::Form& form) {
    auto& viewer = dynamic_cast<TEdInternfrm&>(form);
    width = viewer.Image1->Picture.Width();
    height = viewer.Image1->Picture.Height();
    imageWidth = viewer.Image1->Width();
    imageHeight = viewer.Image1->Height();
    if (!viewer.Image1->Picture.Empty()) {
      corner = GetPixel(viewer.Image1->Picture.GetCanvas().Handle(), 0, 0);
    }
    imageShown = viewer.Image1->Visible() && viewer.ScrollBox1->Visible();
    richShown = viewer.RichEdit1->Visible();
    guitest::Pump(100);
    guitest::SaveScreenshot(viewer.Handle(), "pelloro_internal_viewer_picture.bmp");
    guitest::Click(*viewer.BitBtn1);
  });
  ASSERT_TRUE(guitest::ClickMenu(main, kViewMenu));
  EXPECT_EQ(width, 37);
  EXPECT_EQ(height, 23);
  EXPECT_EQ(imageWidth, 2500);
  EXPECT_EQ(imageHeight, 2500);
  // The top row is the file's last: x 0, y 22 (red 200, green 242, blue 0).
  EXPECT_EQ(corner, RGB(200, 242, 0));
  EXPECT_TRUE(imageShown);
  EXPECT_FALSE(richShown);

  Select(main, "DOCS\\CAF\xc9.TXT");
  std::string text;
  guitest::OnModal([&](forms::Form& form) {
    auto& viewer = dynamic_cast<TEdInternfrm&>(form);
    text = viewer.RichEdit1->Text();
    guitest::Click(*viewer.BitBtn1);
  });
  ASSERT_TRUE(guitest::ClickMenu(main, kViewMenu));
  EXPECT_EQ(text, "caf\xe9 au lait");
  EXPECT_TRUE(launches.empty());
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(ViewTest, NothingSelectedOrNothingExtractedSaysSoAndLaunchesNothing) {
  TMainfrm& main = OpenView();
  WriteAssociations({{".TXT", "Associated Program"}}, 1);
  {
    toolstest::Answers answers({"OK"});
    ListView_SetItemState(main.MSListview1->Handle(), -1, 0, LVIS_SELECTED);
    ASSERT_TRUE(guitest::ClickMenu(main, kViewMenu));
    EXPECT_EQ(answers.texts, std::vector<std::string>{"You must select a file to view first."});
  }
  // The archive gone after listing: the leftover of that name is not shown.
  Leave("NOTE.TXT", "leftover at the top");
  Select(main, "SUB\\NOTE.TXT");
  ASSERT_TRUE(DeleteFileA(archive_.c_str()));
  {
    toolstest::Answers answers({"OK"});
    ASSERT_TRUE(guitest::ClickMenu(main, kViewMenu));
    EXPECT_EQ(answers.texts,
              std::vector<std::string>{"Error: Could not extract SUB\\NOTE.TXT to view it."});
  }
  EXPECT_TRUE(launches.empty());
  EXPECT_FALSE(Exists(std::string(kTempFolder) + "NOTE.TXT"));
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
  EXPECT_TRUE(main.Functions1->Enabled());
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(ViewTest, InstallRunsTheTopSetupAndEmptiesTheWorkingFolder) {
  // An archive of the marker-writing program as SETUP.EXE, written by python.
  const std::string marker = work_ + "marker.txt";
  const std::string program = testutil::UnixToWindowsPath(MARKER_SETUP_PATH);
  ASSERT_TRUE(CopyFileA(program.c_str(), (work_ + "SETUP.EXE").c_str(), FALSE));
  const std::string made = testutil::RunPeer(
      work_, "cd '" + testutil::UnixPath(work_) +
                 "' && python3 - <<'PY'\n"
                 "import zipfile\n"
                 "with zipfile.ZipFile('marker.zip', 'w', zipfile.ZIP_DEFLATED) as z:\n"
                 "    z.write('SETUP.EXE')\n"
                 "    z.writestr('docs/readme.txt', 'read me')\n"
                 "print('MADE')\n"
                 "PY\n");
  ASSERT_EQ(made, "MADE\n");
  TMainfrm& main = MakeMain();
  main.Show();
  ASSERT_TRUE(main.OpenByTheRoad(work_ + "marker.zip"));
  EXPECT_TRUE(main.Installbtn->Enabled());
  Leave("OLD.TXT", "from before");
  forms::App().ShellExecuteHook = nullptr;  // the real shell starts it
  SetEnvironmentVariableA("PELLORO_INSTALL_MARKER", marker.c_str());
  std::string written;
  bool oldGone = false;
  toolstest::Answers answers({"OK"});
  answers.before = [&](size_t) {
    oldGone = !Exists(std::string(kTempFolder) + "OLD.TXT");
    for (int i = 0; i < 300 && !Exists(marker); ++i) Sleep(50);
    Sleep(500);  // the program ends after writing
    written = ReadBytes(marker);
  };
  guitest::Click(*main.Installbtn);
  SetEnvironmentVariableA("PELLORO_INSTALL_MARKER", nullptr);
  EXPECT_EQ(answers.texts,
            std::vector<std::string>{"When Installation has completed, click here to resume."});
  EXPECT_TRUE(oldGone);
  EXPECT_TRUE(lstrcmpiA(written.c_str(), "C:\\~TMPDIR.TMP") == 0) << written;
  EXPECT_FALSE(Exists("C:\\~TMPDIR.TMP"));
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(ViewTest, ASetupOnlyInAFolderIsNotRun) {
  TMainfrm& main = OpenView("subsetup.zip");
  EXPECT_TRUE(main.Installbtn->Enabled());  // the control's query matches SUB/SETUP.EXE too
  toolstest::Answers answers({"OK"});
  guitest::Click(*main.Installbtn);
  EXPECT_EQ(answers.texts,
            std::vector<std::string>{"Error: Could not start the installation program."});
  EXPECT_TRUE(launches.empty());
  EXPECT_FALSE(Exists("C:\\~TMPDIR.TMP"));
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
}

TEST_F(ViewTest, BothHelpItemsOpenTheContents) {
  TMainfrm& main = MakeMain();
  main.Show();
  struct HelpCall {
    std::string file;
    UINT command;
    ULONG_PTR data;
  };
  std::vector<HelpCall> calls;
  forms::App().WinHelpHook = [&](HWND, const char* file, UINT command, ULONG_PTR data) {
    calls.push_back({file, command, data});
    return TRUE;
  };
  ASSERT_TRUE(guitest::ClickMenu(main, "&Help|&Contents"));
  ASSERT_TRUE(guitest::ClickMenu(main, "&Help|&Index"));
  ASSERT_EQ(calls.size(), 2u);
  for (const HelpCall& call : calls) {
    EXPECT_EQ(call.file, pelloro::ProgramFolder() + "Pelloro.hlp");
    EXPECT_EQ(call.command, 3u);
    EXPECT_EQ(call.data, 0u);
  }
  EXPECT_EQ(forms::App().HelpFile, pelloro::ProgramFolder() + "Pelloro.hlp");
}

TEST_F(ViewTest, ExplorerIsStartedByNameWhenTheEmptyOpenGivesNothing) {
  TMainfrm& main = MakeMain();
  main.Show();
  std::vector<Launch> calls;
  forms::App().ShellExecuteHook = [&](HWND window, const char* verb, const char* file,
                                      const char* parameters, const char* folder, int show) {
    calls.push_back({verb, file, parameters, folder, ""});
    if (calls.size() == 1) return reinterpret_cast<HINSTANCE>(11);  // what Wine gives
    return ShellExecuteA(window, verb, file, parameters, folder, show);
  };
  ASSERT_TRUE(guitest::ClickMenu(main, "&Plugins|Launch Windows E&xplorer..."));
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].verb, "open");
  EXPECT_EQ(calls[0].file, "");
  EXPECT_EQ(calls[0].parameters, "");
  EXPECT_EQ(calls[1].file, "explorer.exe");
  HWND explorer = nullptr;
  for (int i = 0; i < 300 && explorer == nullptr; ++i) {
    explorer = FindWindowA("ExplorerWClass", nullptr);
    if (explorer == nullptr) Sleep(50);
  }
  ASSERT_NE(explorer, nullptr) << "no Explorer window";
  for (int i = 0; i < 100 && !IsWindowVisible(explorer); ++i) Sleep(50);
  Sleep(1000);  // painted
  guitest::SaveScreenshot(explorer, "pelloro_explorer.bmp");
  PostMessageA(explorer, WM_CLOSE, 0, 0);
  for (int i = 0; i < 200 && IsWindow(explorer); ++i) Sleep(50);
  EXPECT_FALSE(IsWindow(explorer));
}

// The echo control in place of QX30W32: its extraction fails with an exception (as a broken
// control would), and every command here ends with one message, nothing left open or disabled.
class ViewFailureTest : public ViewTest {
 protected:
  void SetUp() override {
    ViewTest::SetUp();
    if (IsSkipped()) return;
    ASSERT_TRUE(server_.registered());
    pelloro::TMainfrmOptions options;
    options.ControlClass = &echotest::kEchoClassId;
    main = &MakeMain(options);
    main->Show();
    // One row, as a listing leaves it: the control names it SUB\NOTE.TXT.
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.pszText = const_cast<char*>("note.txt");
    const HWND list = main->MSListview1->Handle();
    ASSERT_EQ(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)), 0);
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    main->EnableActions();
    Answer(true);
  }
  // The echo's answers: the row's name and folder; the extraction throws, or writes the file
  // where it would land without folders and gives 0.
  void Answer(bool failing) {
    server_.state.answer = [failing](const echotest::RawCall& call, VARIANT* result,
                                     EXCEPINFO* exception) -> HRESULT {
      if (call.id == 67 || call.id == 68) {
        V_VT(result) = VT_BSTR;
        V_BSTR(result) = SysAllocString(call.id == 67 ? L"NOTE.TXT" : L"SUB\\");
      } else if (call.id == 63) {
        if (failing) {
          exception->bstrDescription = SysAllocString(L"The archive cannot be read");
          return DISP_E_EXCEPTION;
        }
        testutil::WriteWholeFile(std::string(kTempFolder) + "NOTE.TXT", "echo");
        V_VT(result) = VT_I2;
        V_I2(result) = 0;
      }
      return S_OK;
    };
  }
  void ExpectEndedCleanly(const char* command) {
    SCOPED_TRACE(command);
    ASSERT_EQ(exceptions.size(), 1u);
    EXPECT_NE(exceptions[0].find("The archive cannot be read"), std::string::npos) << exceptions[0];
    EXPECT_EQ(main->QXCtrl1->CallsInProgress(), 0);
    EXPECT_FALSE(main->Op()->Visible());
    EXPECT_TRUE(main->Visible());
    EXPECT_TRUE(main->Functions1->Enabled());
    EXPECT_TRUE(main->ExplorerButton5->Enabled());
    EXPECT_EQ(main->Caption(), pelloro::kCaptionIdle);
    for (HWND w :
         {FindWindowA(nullptr, "Select View Method"), FindWindowA(nullptr, "Internal Viewer")}) {
      EXPECT_TRUE(w == nullptr || !IsWindowVisible(w));
    }
    EXPECT_TRUE(launches.empty());
    exceptions.clear();
  }

  echotest::EchoServer server_;
  TMainfrm* main = nullptr;
};

TEST_F(ViewFailureTest, EachCommandEndsWithOneMessageAndTheNextWorks) {
  WriteAssociations({{".TXT", "Associated Program"}}, 1);
  ASSERT_TRUE(guitest::ClickMenu(*main, kViewMenu));
  ExpectEndedCleanly("by the association");

  WriteAssociations({}, 0);
  guitest::OnModal([](forms::Form& form) { guitest::Click(form, "ExplorerButton1"); });
  ASSERT_TRUE(guitest::ClickMenu(*main, kViewMenu));
  ExpectEndedCleanly("by the view-method window");

  main->Installbtn->SetEnabled(true);
  guitest::Click(*main->Installbtn);
  ExpectEndedCleanly("install");
  EXPECT_FALSE(Exists("C:\\~TMPDIR.TMP"));

  // The next command works: the file the extraction wrote is launched.
  Answer(false);
  WriteAssociations({{".TXT", "Associated Program"}}, 1);
  ASSERT_TRUE(guitest::ClickMenu(*main, kViewMenu));
  EXPECT_TRUE(exceptions.empty());
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(launches[0].file, std::string(kTempFolder) + "NOTE.TXT");
  EXPECT_EQ(launches[0].bytes, "echo");
  EXPECT_EQ(main->Caption(), pelloro::kCaptionIdle);
}

}  // namespace
