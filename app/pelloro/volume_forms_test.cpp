// The backup, restore and join dialogs. With an echo control of the test's own: the arguments
// each dialog hands the control (the backup's "\" between folder and mask) and the message of
// every result (restore 0-4, 12 and 41; join 0-9; backup 0 and a failure), with its icon. With
// the real control on drive A: (a 1,440 KB tmpfs, skipped where mounting is refused), the disks
// swapped at each of the control's prompts: a tree backed up over two disks and restored equal
// to its source, and a two-part set of an older version rejoined byte for byte.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app_test_support.h"
#include "backup_form.h"
#include "captions.h"
#include "dialog_robot.h"
#include "echo_control_test_support.h"
#include "forms/application.h"
#include "forms/label.h"
#include "gui_driver.h"
#include "join_form.h"
#include "new_zip_form.h"
#include "restore_form.h"
#include "volumes/small_drive_test_support.h"
#include "win_test_util.h"

namespace {

using pelloro::TBackupfilesfrm;
using pelloro::TJoinfrm;
using pelloro::TMainfrm;
using pelloro::TRestoreform;

constexpr DISPID kJoin = 43, kRestore = 44, kBackup = 49;

// What a message dialog of ours said: its text and caption ("Confirm" for the question icon,
// "Error" for the error icon).
struct Said {
  std::string text, caption;
  bool operator==(const Said&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Said& said) {
  return out << said.caption << ": " << said.text;
}

// Answers the next message dialog of ours with OK, recording it; a dialog that does not come
// leaves nothing armed.
class NextMessage {
 public:
  NextMessage() {
    guitest::OnModal([this](forms::Form& dialog) {
      auto* message = dynamic_cast<forms::Label*>(guitest::Find(dialog, "Message"));
      said = Said{message != nullptr ? message->Caption() : "<not a message>", dialog.Caption()};
      if (screenshot != nullptr) {
        guitest::Pump(150);  // painted first
        guitest::SaveScreenshot(nullptr, screenshot);
      }
      guitest::Click(dialog, "OK");
    });
  }
  ~NextMessage() { forms::App().SetModalHook(nullptr); }
  NextMessage(const NextMessage&) = delete;
  NextMessage& operator=(const NextMessage&) = delete;
  std::optional<Said> said;
  const char* screenshot = nullptr;
};

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// Picks a file in the common open dialog (captioned "Open": the join dialog gives it no title)
// that the next call shows.
class PickFile {
 public:
  explicit PickFile(const std::string& path)
      : answer_(testutil::ThisThreadsDialog("Open"), [path](HWND dialog) {
          Sleep(200);
          HWND edit = GetDlgItem(dialog, 0x47C);
          if (edit == nullptr) edit = GetDlgItem(dialog, 0x480);
          HWND inner = FindWindowExA(edit, nullptr, "Edit", nullptr);
          SetWindowTextA(inner != nullptr ? inner : edit, path.c_str());
          guitest::Press(dialog, IDOK);
        }) {}
  bool Done() {
    answer_.Wait();
    return answer_.found();
  }

 private:
  testutil::DialogAnswerer answer_;
};

// ---- the echo control: arguments and result texts ---------------------------------------------

class VolumeDialogsEchoTest : public apptest::DialogsWorkTest {
 protected:
  void SetUp() override {
    apptest::DialogsWorkTest::SetUp();
    if (IsSkipped()) return;
    ASSERT_TRUE(server_.registered());
    pelloro::TMainfrmOptions options;
    options.ControlClass = &echotest::kEchoClassId;
    main = &MakeMain(options);
    main->Show();
  }
  // The control answers method `id` with the code (and everything else with nothing).
  void Answer(DISPID id, short code) {
    server_.state.answer = [id, code](const echotest::RawCall& call, VARIANT* result, EXCEPINFO*) {
      if (call.id == id && result != nullptr) {
        V_VT(result) = VT_I2;
        V_I2(result) = code;
      }
      return S_OK;
    };
  }
  // The last call of method `id`, its arguments in declaration order.
  std::vector<echotest::RawArg> LastArgs(DISPID id) {
    for (auto call = server_.state.calls.rbegin(); call != server_.state.calls.rend(); ++call) {
      if (call->id == id) return {call->args.rbegin(), call->args.rend()};
    }
    return {};
  }
  // Opens the dialog by its menu item; `fill` runs inside it, then OK is clicked; the message
  // that follows (if any) is answered and returned.
  template <class Dialog>
  std::optional<Said> RunDialog(const std::string& menu, const std::function<void(Dialog&)>& fill,
                                const char* okName, const char* screenshot = nullptr) {
    std::optional<Said> said;
    bool shown = false;
    guitest::OnModal([&](forms::Form& form) {
      shown = true;
      auto& dialog = dynamic_cast<Dialog&>(form);
      fill(dialog);
      EXPECT_EQ(main->Caption(), pelloro::kCaptionBusy);
      NextMessage message;
      message.screenshot = screenshot;
      guitest::Click(dialog, okName);
      said = message.said;
      EXPECT_EQ(dialog.ModalResult(), forms::mrOk);
    });
    EXPECT_TRUE(guitest::ClickMenu(*main, menu)) << menu;
    EXPECT_TRUE(shown) << menu;
    EXPECT_EQ(main->Caption(), pelloro::kCaptionIdle);
    EXPECT_FALSE(main->Op()->Visible());
    EXPECT_EQ(main->QXCtrl1->CallsInProgress(), 0);
    return said;
  }

  echotest::EchoServer server_;
  TMainfrm* main = nullptr;
};

constexpr char kRestoreMenu[] = "&Plugins|&Restore from a Backup..";
constexpr char kJoinMenu[] = "&Plugins|Re&join Zip file from previous Pelloro version";
constexpr char kBackupMenu[] = "&Plugins|&Backup a Drive..";

TEST_F(VolumeDialogsEchoTest, RestoreResultTexts) {
  const std::string suffix = " Click OK to confirm close";
  const struct {
    short code;
    std::optional<Said> said;
  } cases[] = {
      {0, Said{"Restore 100% sucessful." + suffix, "Confirm"}},
      {1, Said{"Restore failed (error 1)." + suffix, "Error"}},
      {2,
       Said{"Can't create the temporary file name! - check you have rights to the drive." + suffix,
            "Confirm"}},
      {3, Said{"User Aborted Restore procedure." + suffix, "Confirm"}},
      {4, Said{"Nothing to do - check your disk for errors and try again." + suffix, "Confirm"}},
      {12, Said{"Restore failed (error 12)." + suffix, "Error"}},
      {41, Said{"Restore failed (error 41)." + suffix, "Error"}},
  };
  const std::string target = work_ + "caf\xE9\\restored";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    Answer(kRestore, c.code);
    char drive = 0;
    const std::optional<Said> said = RunDialog<TRestoreform>(
        kRestoreMenu,
        [&](TRestoreform& dialog) {
          EXPECT_EQ(dialog.Caption(), "Restore from a Pelloro '95 Backup");
          EXPECT_EQ(dialog.Edit1->Text(), "C:\\");
          EXPECT_EQ(dialog.RadioGroup1->ItemIndex(), 1);
          if (c.code == 0) guitest::SaveScreenshot(dialog.Handle(), "pelloro_restore_dialog.bmp");
          guitest::SetText(*dialog.Edit1, target);
          guitest::Click(*dialog.RadioGroup1->Buttons(2));
          drive = dialog.DriveComboBox1->Drive();
        },
        "OKbtn", c.code == 0 ? "pelloro_restore_done.bmp" : nullptr);
    EXPECT_EQ(said, c.said);
    const std::vector<echotest::RawArg> args = LastArgs(kRestore);
    ASSERT_EQ(args.size(), 8u);
    EXPECT_EQ(Narrow(args[0].text), std::string(1, drive) + ":\\");
    EXPECT_EQ(Narrow(args[1].text), target);
    EXPECT_EQ(args[2].number, 2) << "the third overwrite mode, ask";
    EXPECT_NE(args[3].number, 0) << "the set chooser";
    EXPECT_NE(args[4].number, 0) << "read-only files replaced";
    EXPECT_EQ(Narrow(args[5].text), "Disk Complete");
    EXPECT_EQ(Narrow(args[6].text), "Please insert disk %1 of %2...");
    EXPECT_NE(args[7].number, 0) << "background";
    EXPECT_NE(GetFileAttributesA(target.c_str()), INVALID_FILE_ATTRIBUTES) << "made first";
  }
  EXPECT_TRUE(exceptions.empty()) << (exceptions.empty() ? "" : exceptions[0]);
}

TEST_F(VolumeDialogsEchoTest, JoinResultTextsAndOkOnlyAfterAPick) {
  const std::string suffix = " Click OK to confirm close";
  const std::string rights = " - check you have rights to the drive and the disks are not corrupt.";
  const std::optional<Said> expected[] = {
      Said{"Join 100% successful." + suffix, "Confirm"},
      Said{"Join failure. No file found." + suffix, "Error"},
      Said{"Not enough memory, close some applications and try again." + suffix, "Error"},
      Said{"IO error!!" + rights + suffix, "Confirm"},
      Said{"Access Denied!!" + rights + suffix, "Confirm"},
      Said{"User Aborted Restore procedure." + suffix, "Confirm"},
      std::nullopt,
      Said{"This is not a Pelloro '95 Zip-Split." + suffix, "Confirm"},
      Said{"Already exists, delete the current zip file first." + suffix, "Confirm"},
      Said{"Disk full!! Remove some files and try again!." + suffix, "Confirm"},
  };
  const std::string part = work_ +
                           "Gr\xFC\xDF"
                           "e.0_1";
  ASSERT_TRUE(testutil::WriteWholeFile(part, std::string("part")));
  const std::string folder = work_ + "joined here";
  for (short code = 0; code <= 9; ++code) {
    SCOPED_TRACE(code);
    Answer(kJoin, code);
    const std::optional<Said> said = RunDialog<TJoinfrm>(
        kJoinMenu,
        [&](TJoinfrm& dialog) {
          EXPECT_EQ(dialog.Caption(), "Join Zip file");
          EXPECT_EQ(dialog.Edit2->Text(), "C:\\Windows\\Desktop");
          EXPECT_FALSE(dialog.Bitbtn3->Enabled()) << "OK waits for a pick";
          PickFile pick(part);
          guitest::Click(*dialog.Bitbtn4);
          EXPECT_TRUE(pick.Done());
          EXPECT_EQ(lstrcmpiA(dialog.Edit1->Text().c_str(), part.c_str()), 0)
              << dialog.Edit1->Text();
          EXPECT_TRUE(dialog.Bitbtn3->Enabled());
          guitest::SetText(*dialog.Edit2, folder);
          if (code == 0) guitest::SaveScreenshot(dialog.Handle(), "pelloro_join_dialog.bmp");
        },
        "Bitbtn3", code == 0 ? "pelloro_join_done.bmp" : nullptr);
    EXPECT_EQ(said, expected[code]);
    const std::vector<echotest::RawArg> args = LastArgs(kJoin);
    ASSERT_EQ(args.size(), 5u);
    EXPECT_EQ(lstrcmpiA(Narrow(args[0].text).c_str(), part.c_str()), 0);
    EXPECT_EQ(Narrow(args[1].text), folder);
    EXPECT_EQ(Narrow(args[2].text), "Disk complete...");
    EXPECT_EQ(Narrow(args[3].text), "Please insert disk %1 of %2");
    EXPECT_NE(args[4].number, 0);
    EXPECT_NE(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES) << "made first";
  }
  EXPECT_TRUE(exceptions.empty()) << (exceptions.empty() ? "" : exceptions[0]);
}

TEST_F(VolumeDialogsEchoTest, BackupJoinsFolderAndMaskAndReportsAFailure) {
  const struct {
    std::string folder, mask, wantedMask;
    short code;
    Said said;
  } cases[] = {
      {"C:\\data", "", "C:\\data\\*.*", 0, {"Backup complete. Click OK to close...", "Confirm"}},
      {"C:\\",
       "*.doc",
       "C:\\*.doc",
       13,
       {"Backup failed (error 13). Click OK to close...", "Error"}},
      {"C:\\Caf\xE9\\",
       "*.txt",
       "C:\\Caf\xE9\\*.txt",
       41,
       {"Backup failed (error 41). Click OK to close...", "Error"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.wantedMask);
    Answer(kBackup, c.code);
    char drive = 0;
    bool recurse = true;
    const std::optional<Said> said = RunDialog<TBackupfilesfrm>(
        kBackupMenu,
        [&](TBackupfilesfrm& dialog) {
          EXPECT_EQ(dialog.Caption(), "Backup files");
          EXPECT_EQ(dialog.Edit1->Text(), "C:\\");
          EXPECT_EQ(dialog.Edit2->Text(), "*.*");
          if (c.code == 0) guitest::SaveScreenshot(dialog.Handle(), "pelloro_backup_dialog.bmp");
          guitest::SetText(*dialog.Edit1, c.folder);
          guitest::SetText(*dialog.Edit2, c.mask);
          recurse = c.code == 0;
          if (!recurse) dialog.ComboBox1->SetItemIndex(1);
          drive = dialog.DriveComboBox1->Drive();
        },
        "OKbtn", c.code == 13 ? "pelloro_backup_failed.bmp" : nullptr);
    EXPECT_EQ(said, std::optional<Said>(c.said));
    const std::vector<echotest::RawArg> args = LastArgs(kBackup);
    ASSERT_EQ(args.size(), 10u);
    EXPECT_EQ(Narrow(args[0].text), c.wantedMask);
    EXPECT_EQ(Narrow(args[1].text), std::string(1, drive) + ":\\");
    EXPECT_EQ(args[2].number != 0, recurse);
    EXPECT_EQ(args[3].number, 0);
    EXPECT_EQ(args[4].number, 0);
    EXPECT_EQ(args[5].number, 0);
    EXPECT_EQ(Narrow(args[6].text), "Disk full");
    EXPECT_EQ(Narrow(args[7].text), "Please insert disk %1 of %2");
    EXPECT_EQ(args[8].number, 0);
    EXPECT_NE(args[9].number, 0);
  }
  EXPECT_TRUE(exceptions.empty()) << (exceptions.empty() ? "" : exceptions[0]);
}

TEST_F(VolumeDialogsEchoTest, CancelCallsNothingAndAFailedCallEndsOnlyItsCommand) {
  for (const char* menu : {kBackupMenu, kRestoreMenu, kJoinMenu}) {
    SCOPED_TRACE(menu);
    const size_t calls = server_.state.calls.size();
    bool shown = false;
    guitest::OnModal([&](forms::Form& dialog) {
      shown = true;
      for (const char* name : {"Cancelbtn", "Bitbtn2"}) {
        if (guitest::Find(dialog, name) != nullptr) {
          guitest::Click(dialog, name);
          return;
        }
      }
    });
    ASSERT_TRUE(guitest::ClickMenu(*main, menu));
    EXPECT_TRUE(shown);
    EXPECT_EQ(server_.state.calls.size(), calls);
    EXPECT_EQ(main->Caption(), pelloro::kCaptionIdle);
  }
  server_.state.answer = [](const echotest::RawCall&, VARIANT*, EXCEPINFO* exception) {
    exception->bstrDescription = SysAllocString(L"The diskette drive failed");
    return DISP_E_EXCEPTION;
  };
  const std::string part = work_ + "FAIL.0_1";
  ASSERT_TRUE(testutil::WriteWholeFile(part, std::string("part")));
  for (const char* menu : {kBackupMenu, kRestoreMenu, kJoinMenu}) {
    SCOPED_TRACE(menu);
    exceptions.clear();
    guitest::OnModal([&](forms::Form& form) {
      if (auto* join = dynamic_cast<TJoinfrm*>(&form)) {
        PickFile pick(part);
        guitest::Click(*join->Bitbtn4);
        EXPECT_TRUE(pick.Done());
        guitest::SetText(*join->Edit2, work_ + "j");
        guitest::Click(*join->Bitbtn3);
      } else if (auto* restore = dynamic_cast<TRestoreform*>(&form)) {
        guitest::SetText(*restore->Edit1, work_ + "r");
        guitest::Click(*restore->OKbtn);
      } else {
        guitest::Click(form, "OKbtn");
      }
      // The failed call ends the click; the dialog stays for the user to close.
      EXPECT_EQ(form.ModalResult(), forms::mrNone);
      form.SetModalResult(forms::mrCancel);
    });
    ASSERT_TRUE(guitest::ClickMenu(*main, menu));
    ASSERT_EQ(exceptions.size(), 1u);
    EXPECT_NE(exceptions[0].find("The diskette drive failed"), std::string::npos) << exceptions[0];
    EXPECT_EQ(main->QXCtrl1->CallsInProgress(), 0);
    EXPECT_FALSE(main->Op()->Visible());
    EXPECT_EQ(main->Caption(), pelloro::kCaptionIdle);
  }
  exceptions.clear();
  // The next command works.
  Answer(kRestore, 0);
  const std::optional<Said> said = RunDialog<TRestoreform>(
      kRestoreMenu, [&](TRestoreform& dialog) { guitest::SetText(*dialog.Edit1, work_ + "r"); },
      "OKbtn");
  ASSERT_TRUE(said.has_value());
  EXPECT_EQ(said->caption, "Confirm");
}

// ---- the real control on drive A: --------------------------------------------------------------

// Answers the control's own dialogs (message boxes and the backup-set chooser) from a thread of
// its own, one after another: `answer` gets each one's caption and text and gives the button to
// press (0 leaves it alone).
class ControlDialogs {
 public:
  using Answer = std::function<int(const std::string& caption, const std::string& text)>;
  explicit ControlDialogs(Answer answer) : answer_(std::move(answer)) {
    thread_ = std::thread([this] { Watch(); });
  }
  ~ControlDialogs() {
    stop_ = true;
    thread_.join();
  }
  ControlDialogs(const ControlDialogs&) = delete;
  ControlDialogs& operator=(const ControlDialogs&) = delete;
  std::vector<std::string> Seen() {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
  }

 private:
  void Watch() {
    std::set<HWND> left;
    while (!stop_) {
      HWND found = nullptr;
      testutil::EachTopLevelWindow([&](HWND window) {
        if (testutil::ProcessOf(window) == GetCurrentProcessId() && testutil::IsDialogBox(window) &&
            IsWindowVisible(window) && left.count(window) == 0) {
          found = window;
          return false;
        }
        return true;
      });
      if (found == nullptr) {
        Sleep(50);
        continue;
      }
      Sleep(150);  // let it finish its start
      std::string text;
      testutil::EachChildWindow(found, [&](HWND child) {
        if (GetDlgCtrlID(child) == 0xFFFF) text = testutil::WindowText(child);
        return true;
      });
      const std::string caption = testutil::WindowText(found);
      const int button = answer_(caption, text);
      if (button == 0) {
        left.insert(found);
        continue;
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        seen_.push_back(caption + ": " + text);
      }
      testutil::Press(found, button);
      for (int i = 0; i < 250 && IsWindow(found) && IsWindowVisible(found); ++i) Sleep(20);
    }
  }

  Answer answer_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::string> seen_;
  std::thread thread_;
};

// The number of the disk a prompt asks for ("... disk 2 of 3").
int DiskWanted(const std::string& text) {
  const size_t at = text.find("disk ");
  return at == std::string::npos ? 0 : std::atoi(text.c_str() + at + 5);
}

void MoveAll(const std::string& from, const std::string& to) {
  pelloro::ForceFolder(to);
  for (const std::string& name : testutil::FolderNames(from)) {
    const std::string source = from + name, target = to + name;
    DeleteFileA(target.c_str());
    EXPECT_TRUE(MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_COPY_ALLOWED)) << source;
  }
}

// Every file below the folder, by its path relative to it, with its bytes.
void ReadTree(const std::string& folder, const std::string& prefix,
              std::vector<std::pair<std::string, std::vector<uint8_t>>>& files) {
  WIN32_FIND_DATAA data;
  const HANDLE search = FindFirstFileA((folder + "*").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ReadTree(folder + name + "\\", prefix + name + "\\", files);
    } else {
      files.emplace_back(prefix + name, testutil::FileBytes(folder + name));
    }
  } while (FindNextFileA(search, &data));
  FindClose(search);
  std::sort(files.begin(), files.end());
}

std::vector<uint8_t> Noise(size_t size, unsigned seed) {
  std::vector<uint8_t> data(size);
  for (uint8_t& byte : data) {
    seed = seed * 1664525u + 1013904223u;
    byte = static_cast<uint8_t>(seed >> 24);
  }
  return data;
}

class VolumeDialogsDiskTest : public apptest::DialogsWorkTest {
 protected:
  void SetUp() override {
    apptest::DialogsWorkTest::SetUp();
    if (IsSkipped()) return;
    if (GetDriveTypeA("A:\\") != DRIVE_REMOVABLE) {
      GTEST_SKIP() << "drive A: is not typed floppy in this prefix (scripts/wine-env.sh maps it)";
    }
    drive_ = std::make_unique<volumetest::SmallDrive>('A', 1440);
    if (!drive_->mounted()) GTEST_SKIP() << drive_->reason();
    for (const std::string& name : testutil::FolderNames("A:\\"))
      DeleteFileA(("A:\\" + name).c_str());
    shelf_ = work_ + "shelf\\";
    main = &MakeMain();
    main->Show();
  }
  void TearDown() override {
    apptest::DialogsWorkTest::TearDown();
    drive_.reset();
  }
  std::string Disk(int number) { return shelf_ + std::to_string(number) + "\\"; }
  // The disk in the drive goes to its shelf; the wanted one (if any) comes in.
  void Swap(int wanted) {
    if (inDrive_ != 0) MoveAll("A:\\", Disk(inDrive_));
    inDrive_ = wanted;
    if (wanted != 0) MoveAll(Disk(wanted), "A:\\");
  }
  // Runs the dialog of the menu item with `fill` in it; OK (by Enter on `enterOn`'s control)
  // runs the command, and the message after it is returned.
  template <class Dialog>
  std::optional<Said> Run(const std::string& menu,
                          const std::function<forms::WinControl&(Dialog&)>& fill) {
    std::optional<Said> said;
    guitest::OnModal([&](forms::Form& form) {
      auto& dialog = dynamic_cast<Dialog&>(form);
      forms::WinControl& focus = fill(dialog);
      NextMessage message;
      guitest::Key(focus, VK_RETURN);  // Enter is OK
      said = message.said;
    });
    EXPECT_TRUE(guitest::ClickMenu(*main, menu));
    EXPECT_EQ(main->Caption(), pelloro::kCaptionIdle);
    EXPECT_EQ(main->QXCtrl1->CallsInProgress(), 0);
    return said;
  }

  std::unique_ptr<volumetest::SmallDrive> drive_;
  std::string shelf_;
  int inDrive_ = 1;
  TMainfrm* main = nullptr;
};

TEST_F(VolumeDialogsDiskTest, ABackupOverTwoDisksRestoresToItsSource) {
  const std::string source = work_ + "src\\";
  ASSERT_TRUE(pelloro::ForceFolder(source + "sub\\deeper"));
  ASSERT_TRUE(testutil::WriteWholeFile(source + "a.txt", std::string(30000, 'a')));
  ASSERT_TRUE(testutil::WriteWholeFile(source + "sub\\noise.bin", Noise(1200000, 1)));
  ASSERT_TRUE(testutil::WriteWholeFile(source + "sub\\deeper\\Gr\xFC\xDF"
                                                "e caf\xE9.bin",
                                       Noise(900000, 2)));
  std::vector<std::pair<std::string, std::vector<uint8_t>>> before;
  ReadTree(source, "", before);
  ASSERT_EQ(before.size(), 3u);

  std::optional<Said> said;
  {
    ControlDialogs disks([&](const std::string& caption, const std::string& text) {
      if (caption != "Disk full") return 0;
      Swap(DiskWanted(text));
      return IDYES;
    });
    said = Run<TBackupfilesfrm>(kBackupMenu, [&](TBackupfilesfrm& dialog) -> forms::WinControl& {
      guitest::SetText(*dialog.Edit1, work_ + "src");  // no "\" at the end
      dialog.DriveComboBox1->SetDrive('A');
      EXPECT_EQ(dialog.DriveComboBox1->Drive(), 'A');
      guitest::SaveScreenshot(dialog.Handle(), "pelloro_backup_to_a.bmp");
      return *dialog.Edit2;
    });
    EXPECT_EQ(disks.Seen(), std::vector<std::string>{"Disk full: Please insert disk 2 of 2"});
  }
  EXPECT_EQ(said, std::optional<Said>(Said{"Backup complete. Click OK to close...", "Confirm"}));
  Swap(0);
  EXPECT_EQ(testutil::FolderNames(Disk(1), true), std::vector<std::string>{"SRC.0_1"});
  EXPECT_EQ(testutil::FolderNames(Disk(2), true), std::vector<std::string>{"SRC.1_1"});

  const std::string target = work_ + "restored\\";
  Swap(1);
  {
    ControlDialogs disks([&](const std::string& caption, const std::string& text) {
      if (caption == "Please choose backup set...") return IDOK;
      if (caption != "Disk Complete") return 0;
      Swap(DiskWanted(text));
      return IDYES;
    });
    said = Run<TRestoreform>(kRestoreMenu, [&](TRestoreform& dialog) -> forms::WinControl& {
      guitest::SetText(*dialog.Edit1, target);
      dialog.DriveComboBox1->SetDrive('A');
      return *dialog.Edit1;
    });
    EXPECT_EQ(disks.Seen(),
              (std::vector<std::string>{"Please choose backup set...: ",
                                        "Disk Complete: Please insert disk 2 of 2..."}));
  }
  EXPECT_EQ(said, std::optional<Said>(
                      Said{"Restore 100% sucessful. Click OK to confirm close", "Confirm"}));
  std::vector<std::pair<std::string, std::vector<uint8_t>>> after;
  ReadTree(target, "", after);
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < after.size(); ++i) {
    EXPECT_EQ(lstrcmpiA(after[i].first.c_str(), before[i].first.c_str()), 0) << after[i].first;
    EXPECT_TRUE(after[i].second == before[i].second) << after[i].first;
  }
  EXPECT_TRUE(exceptions.empty()) << (exceptions.empty() ? "" : exceptions[0]);
}

TEST_F(VolumeDialogsDiskTest, JoinRebuildsATwoPartSetFromTwoDisks) {
  const std::string fixtures = apptest::FixturePath("join\\");
  ASSERT_TRUE(pelloro::ForceFolder(Disk(1)) && pelloro::ForceFolder(Disk(2)));
  ASSERT_TRUE(CopyFileA((fixtures + "DATA.0_1").c_str(), (Disk(1) + "DATA.0_1").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA((fixtures + "DATA.1_1").c_str(), (Disk(2) + "DATA.1_1").c_str(), FALSE));
  inDrive_ = 0;
  Swap(1);
  const std::string target = work_ + "rebuilt\\caf\xE9";
  std::optional<Said> said;
  {
    ControlDialogs disks([&](const std::string& caption, const std::string& text) {
      if (caption != "Disk complete...") return 0;
      Swap(DiskWanted(text));
      return IDYES;
    });
    said = Run<TJoinfrm>(kJoinMenu, [&](TJoinfrm& dialog) -> forms::WinControl& {
      PickFile pick("A:\\DATA.0_1");
      guitest::Click(*dialog.Bitbtn4);
      EXPECT_TRUE(pick.Done());
      guitest::SetText(*dialog.Edit2, target);
      return *dialog.Edit2;
    });
    EXPECT_EQ(disks.Seen(),
              std::vector<std::string>{"Disk complete...: Please insert disk 2 of 2"});
  }
  EXPECT_EQ(said, std::optional<Said>(
                      Said{"Join 100% successful. Click OK to confirm close", "Confirm"}));
  const std::string rebuilt = target + "\\DATA.ZIP";
  EXPECT_TRUE(testutil::FileBytes(rebuilt) == testutil::FileBytes(fixtures + "DATA.ZIP"));
  const std::string kept = testutil::BinaryDir() + "app\\pelloro\\peer_check\\";
  pelloro::ForceFolder(kept);
  EXPECT_TRUE(CopyFileA(rebuilt.c_str(), (kept + "rejoined.zip").c_str(), FALSE));
  EXPECT_TRUE(exceptions.empty()) << (exceptions.empty() ? "" : exceptions[0]);
}

}  // namespace
