// The main window's commands in process with the real control over python's archives: moving and
// copying the archive (the space check by its seam, a blind copy, a refused replace), deleting
// the archive, deleting the selection, repairing, dropping files and renaming in place, each
// judged by python; the archives written are kept for the peers.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app_test_support.h"
#include "captions.h"
#include "dialog_robot.h"
#include "forms/label.h"
#include "forms/menus.h"
#include "gui_driver.h"
#include "move_copy_form.h"
#include "new_zip_form.h"
#include "peer_runner.h"
#include "tool_commands.h"
#include "win_test_util.h"

namespace {

using pelloro::TMainfrm;
using pelloro::TMoveCopyfrm;

class EditCommandsTest : public apptest::DialogsWorkTest {
 protected:
  void TearDown() override {
    pelloro::SetFreeSpaceQuery(nullptr);
    DialogsWorkTest::TearDown();
  }
  // A copy of a fixture in the working folder (under another name when given).
  std::string Copy(const std::string& fixture, const std::string& as = "") {
    const std::string path = work_ + (as.empty() ? fixture : as);
    const size_t slash = path.find_last_of('\\');
    pelloro::ForceFolder(path.substr(0, slash + 1));
    EXPECT_TRUE(CopyFileA(apptest::FixturePath(fixture).c_str(), path.c_str(), FALSE)) << path;
    return path;
  }
  // A main window, shown, with the archive listed.
  TMainfrm& Open(const std::string& archive) {
    TMainfrm& main = MakeMain();
    main.Show();
    EXPECT_TRUE(main.OpenByTheRoad(archive)) << archive;
    return main;
  }
  std::vector<std::string> messages;
  // Answers the next message dialogs in turn: each one's text is kept, its button clicked.
  void Answer(std::vector<std::string> buttons) {
    if (buttons.empty()) return;
    guitest::OnModal([this, buttons](forms::Form& dialog) mutable {
      messages.push_back(guitest::Get<forms::Label>(dialog, "Message").Caption());
      const std::string button = buttons.front();
      buttons.erase(buttons.begin());
      Answer(buttons);
      guitest::Click(dialog, button);
    });
  }
};

bool SameText(const std::string& a, const std::string& b) {
  return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

// Python's view of an archive: "OK" (testzip passed) and one line per entry in archive order:
// lower-cased name (UTF-8), date_time, external attributes, CRC-32 and size.
std::string PythonEntries(const std::string& archive) {
  return testutil::RunPeer(testutil::BinaryDir() + "app\\pelloro\\dialogs_work\\",
                           "python3 - '" + testutil::UnixPath(archive) +
                               "' <<'PY'\n"
                               "import sys, zipfile\n"
                               "z = zipfile.ZipFile(sys.argv[1])\n"
                               "assert z.testzip() is None\n"
                               "print('OK')\n"
                               "for i in z.infolist():\n"
                               "    print(i.filename.lower(), tuple(i.date_time), "
                               "hex(i.external_attr & 0xFFFF), hex(i.CRC), i.file_size)\n"
                               "PY\n");
}

// The lines of a text, without the one named (which must be there).
std::string Without(const std::string& text, const std::string& start) {
  std::string kept;
  bool found = false;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = text.find('\n', at);
    const std::string line = text.substr(at, end - at);
    at = end + 1;
    if (line.rfind(start + " ", 0) == 0) {
      found = true;
    } else {
      kept += line + "\n";
    }
  }
  EXPECT_TRUE(found) << start << " in\n" << text;
  return kept;
}

// The line of the entry named.
std::string LineOf(const std::string& text, const std::string& name) {
  const size_t at = text.find("\n" + name + " ");
  if (at == std::string::npos) return "";
  return text.substr(at + 1, text.find('\n', at + 1) - at - 1);
}

void KeepForPeers(const std::string& archive, const std::string& name) {
  const std::string folder = testutil::BinaryDir() + "app\\pelloro\\peer_check\\";
  pelloro::ForceFolder(folder);
  EXPECT_TRUE(CopyFileA(archive.c_str(), (folder + name).c_str(), FALSE)) << name;
}

int RowOf(TMainfrm& main, const std::string& name, const std::string& folder = "") {
  HWND list = main.MSListview1->Handle();
  for (int i = 0; i < main.MSListview1->Count(); ++i) {
    if (apptest::ItemText(list, i, 0) == name && apptest::ItemText(list, i, 2) == folder) return i;
  }
  return -1;
}

void SelectOnly(TMainfrm& main, int row) {
  for (int i = 0; i < main.MSListview1->Count(); ++i) main.MSListview1->SetSelected(i, i == row);
}

int64_t SizeOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The open look of a listed archive, or the closed look.
void ExpectOpen(TMainfrm& main, const std::string& archive) {
  EXPECT_TRUE(SameText(main.CurrentArchive(), archive)) << main.CurrentArchive();
  EXPECT_TRUE(main.Listed());
  EXPECT_TRUE(main.Functions1->Enabled());
  EXPECT_TRUE(main.MSListview1->Visible());
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
}

void ExpectClosed(TMainfrm& main) {
  EXPECT_FALSE(main.Listed());
  EXPECT_FALSE(main.Functions1->Enabled());
  EXPECT_FALSE(main.ExplorerButton4->Enabled());
  EXPECT_FALSE(main.MSListview1->Visible());
  EXPECT_FALSE(main.FileDrag1->EnableDrop());
  EXPECT_EQ(main.StatusBar1->PanelText(0), "(no open file)");
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
}

TEST_F(EditCommandsTest, CopiesAndMovesTheArchiveAndListsItsNewPlace) {
  const std::string archive = Copy("same.zip", "from\\same.zip");
  const std::vector<uint8_t> bytes = testutil::FileBytes(archive, true);
  TMainfrm& main = Open(archive);
  const std::string copied = work_ + "to\\deep\\";
  guitest::OnModal([&](forms::Form& form) {
    auto& dialog = dynamic_cast<TMoveCopyfrm&>(form);
    EXPECT_EQ(dialog.Caption(), "Move/Copy Zip file");
    EXPECT_EQ(dialog.Edit1->Text(), archive);
    EXPECT_EQ(dialog.Edit2->Text(), pelloro::ProgramFolder());
    EXPECT_EQ(main.Caption(), pelloro::kCaptionBusy);
    guitest::SetText(*dialog.Edit2, work_ + "to\\deep");  // no backslash, missing folders
    guitest::SaveScreenshot(dialog.Handle(), "pelloro_move_copy_dialog.bmp");
    guitest::Key(*dialog.Edit2, VK_RETURN);  // Enter copies
  });
  ASSERT_TRUE(guitest::ClickMenu(main, "&Send to...|&Move/Copy Zip"));
  EXPECT_EQ(testutil::FileBytes(copied + "same.zip", true), bytes);
  EXPECT_EQ(testutil::FileBytes(archive, true), bytes);
  ExpectOpen(main, copied + "same.zip");
  EXPECT_EQ(main.MSListview1->Count(), 5);

  // A move from the context menu: the copy leaves its folder.
  const std::string moved = work_ + "moved\\";
  guitest::OnModal([&](forms::Form& form) {
    auto& dialog = dynamic_cast<TMoveCopyfrm&>(form);
    EXPECT_EQ(dialog.Edit1->Text(), copied + "same.zip");
    guitest::SetText(*dialog.Edit2, moved);
    guitest::Click(*dialog.Movebtn);
  });
  guitest::Get<forms::MenuItem>(main, "MoveCopyZipfile1").Click();
  EXPECT_FALSE(Exists(copied + "same.zip"));
  EXPECT_EQ(testutil::FileBytes(moved + "same.zip", true), bytes);
  ExpectOpen(main, moved + "same.zip");
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(EditCommandsTest, TheSpaceCheckLeavesTwentyBytesAndARefusalChangesNothing) {
  EXPECT_TRUE(pelloro::RoomFor(true, 120, 100));
  EXPECT_FALSE(pelloro::RoomFor(false, 120, 100));
  EXPECT_TRUE(pelloro::RoomFor(false, 121, 100));
  EXPECT_FALSE(pelloro::RoomFor(true, 119, 100));
  EXPECT_FALSE(pelloro::RoomFor(true, -1, 0));
  // Sizes beyond 32 bits.
  EXPECT_TRUE(pelloro::RoomFor(false, 0x180000015LL, 0x100000000LL));
  EXPECT_FALSE(pelloro::RoomFor(false, 0x100000014LL, 0x100000000LL));

  const std::string archive = Copy("same.zip", "space\\same.zip");
  const int64_t size = SizeOf(archive);
  TMainfrm& main = Open(archive);
  const struct {
    bool move;
    int64_t spare;  // free bytes beyond the archive's size
    bool goes;
  } cases[] = {{false, 20, false}, {true, 20, true}, {false, 21, true}, {true, 19, false}};
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(n);
    const std::string source = main.CurrentArchive();
    const std::string target = work_ + "target" + std::to_string(n++) + "\\";
    int asked = 0;
    pelloro::SetFreeSpaceQuery([&](int drive) {
      ++asked;
      EXPECT_EQ(drive, std::toupper(static_cast<unsigned char>(target[0])) - 'A' + 1);
      return size + c.spare;
    });
    messages.clear();
    bool stayedOpen = false;
    guitest::OnModal([&](forms::Form& form) {
      auto& dialog = dynamic_cast<TMoveCopyfrm&>(form);
      guitest::SetText(*dialog.Edit2, target);
      if (!c.goes) Answer({"OK"});
      guitest::Click(c.move ? *dialog.Movebtn : *dialog.Copybtn);
      stayedOpen = dialog.ModalResult() == forms::mrNone;
      if (stayedOpen) {
        EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);  // the state before
        EXPECT_TRUE(main.Functions1->Enabled());
        guitest::Click(*dialog.Bitbtn3);
      }
    });
    ASSERT_TRUE(guitest::ClickMenu(main, "&Send to...|&Move/Copy Zip"));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(stayedOpen, !c.goes);
    if (c.goes) {
      EXPECT_TRUE(messages.empty());
      ExpectOpen(main, target + "same.zip");
      EXPECT_EQ(Exists(source), !c.move);
    } else {
      ASSERT_EQ(messages.size(), 1u);
      EXPECT_EQ(messages[0], "There is not enough free space on this disk.  Please try another.");
      EXPECT_FALSE(Exists(target + "same.zip"));
      ExpectOpen(main, source);
    }
  }
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(EditCommandsTest, ATargetWithoutADriveLetterIsCopiedBlind) {
  const std::string archive = Copy("same.zip", "blind source\\same.zip");
  TMainfrm& main = Open(archive);
  char saved[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, saved);
  ASSERT_TRUE(SetCurrentDirectoryA(work_.c_str()));
  bool asked = false;
  pelloro::SetFreeSpaceQuery([&](int) {
    asked = true;
    return int64_t{0};
  });
  guitest::OnModal([&](forms::Form& form) {
    auto& dialog = dynamic_cast<TMoveCopyfrm&>(form);
    guitest::SetText(*dialog.Edit2, "_blind");  // below the current folder
    Answer({"OK"});
    guitest::Click(*dialog.Copybtn);
  });
  ASSERT_TRUE(guitest::ClickMenu(main, "&Send to...|&Move/Copy Zip"));
  SetCurrentDirectoryA(saved);
  EXPECT_FALSE(asked);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "Unable to determine space free on drive. Will attempt Blind copy");
  EXPECT_EQ(testutil::FileBytes(work_ + "_blind\\same.zip", true),
            testutil::FileBytes(archive, true));
  EXPECT_TRUE(SameText(main.CurrentArchive(), work_ + "_blind\\same.zip")) << main.CurrentArchive();
  EXPECT_TRUE(main.Listed());
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(EditCommandsTest, ARefusedReplaceKeepsTheOldArchive) {
  const std::string archive = Copy("same.zip", "mine\\same.zip");
  const std::string other = Copy("single.zip", "theirs\\same.zip");
  const std::vector<uint8_t> theirs = testutil::FileBytes(other, true);
  TMainfrm& main = Open(archive);
  pelloro::SetFreeSpaceQuery([](int) { return int64_t{1} << 40; });
  std::string shellCaption;
  guitest::OnModal([&](forms::Form& form) {
    auto& dialog = dynamic_cast<TMoveCopyfrm&>(form);
    guitest::SetText(*dialog.Edit2, work_ + "theirs\\");
    // The shell asks before replacing the file there: No.
    testutil::DialogAnswerer answer(testutil::ThisThreadsDialog(""), [&](HWND shell) {
      shellCaption = guitest::WindowText(shell);
      guitest::SaveScreenshot(shell, "pelloro_move_copy_replace.bmp");
      guitest::Press(shell, IDNO);
      Sleep(200);
      if (IsWindow(shell)) guitest::Press(shell, IDCANCEL);
    });
    guitest::Click(*dialog.Copybtn);
    EXPECT_TRUE(answer.Wait());
    EXPECT_TRUE(answer.found());
    guitest::Click(*dialog.Bitbtn3);
  });
  ASSERT_TRUE(guitest::ClickMenu(main, "&Send to...|&Move/Copy Zip"));
  EXPECT_EQ(testutil::FileBytes(other, true), theirs);
  ExpectOpen(main, archive);
  EXPECT_EQ(main.MSListview1->Count(), 5);
  EXPECT_TRUE(exceptions.empty()) << shellCaption;
}

TEST_F(EditCommandsTest, DeletingTheArchiveAsksTwiceAndClosesOnlyWhenItIsGone) {
  const std::string name = "trash me " + std::to_string(GetTickCount()) + ".zip";
  const std::string archive = Copy("same.zip", name);
  TMainfrm& main = Open(archive);
  // Our question answered No: nothing happens.
  Answer({"No"});
  ASSERT_TRUE(guitest::ClickMenu(main, "&Send to...|&Recycling Bin (Delete Zip file)"));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "You are about to delete\r\n\r\n" + archive + "\r\n\r\nAre you sure?");
  EXPECT_TRUE(Exists(archive));
  ExpectOpen(main, archive);

  // Yes, then the shell's own question No: the archive stays open and listed.
  for (const int shellAnswer : {IDNO, IDYES}) {
    SCOPED_TRACE(shellAnswer);
    Answer({"Yes"});
    testutil::DialogAnswerer answer(testutil::ThisThreadsDialog(""), [&](HWND shell) {
      guitest::Press(shell, shellAnswer);
      Sleep(200);
      if (IsWindow(shell)) guitest::Press(shell, IDCANCEL);
    });
    ASSERT_TRUE(guitest::ClickMenu(main, "&Send to...|&Recycling Bin (Delete Zip file)"));
    EXPECT_TRUE(answer.Wait());
    EXPECT_TRUE(answer.found());
    if (shellAnswer == IDNO) {
      EXPECT_TRUE(Exists(archive));
      ExpectOpen(main, archive);
    }
  }
  EXPECT_FALSE(Exists(archive));
  ExpectClosed(main);
  // In the trash of the desktop (XDG_DATA_HOME, or ~/.local/share).
  std::string data;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg != '\0') {
    data = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') {
    data = std::string(home) + "/.local/share";
  }
  if (!data.empty() && data[0] == '/') {
    std::string trashed = "Z:" + data + "/Trash/files/" + name;
    for (char& c : trashed) {
      if (c == '/') c = '\\';
    }
    EXPECT_TRUE(Exists(trashed)) << trashed;
    DeleteFileA(trashed.c_str());
  }
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(EditCommandsTest, DeletesTheSelectedEntriesOnlyOnYes) {
  const std::string archive = Copy("same.zip");
  const std::string before = PythonEntries(archive);
  ASSERT_EQ(before.rfind("OK\n", 0), 0u) << before;
  const std::vector<uint8_t> bytes = testutil::FileBytes(archive, true);
  TMainfrm& main = Open(archive);
  // Nothing selected: no question, nothing changes.
  SelectOnly(main, -1);
  int listings = main.ListingCount();
  ASSERT_TRUE(guitest::ClickMenu(main, "A&ctions|&Remove files|&Remove selected Files"));
  EXPECT_EQ(main.ListingCount(), listings);
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
  const int other = RowOf(main, "other.txt");
  const int inA = RowOf(main, "same.txt", "a\\");
  ASSERT_GE(other, 0);
  ASSERT_GE(inA, 0);
  for (const char* answer : {"No", "Yes"}) {
    SCOPED_TRACE(answer);
    SelectOnly(main, other);
    main.MSListview1->SetSelected(inA, true);
    messages.clear();
    Answer({answer});
    guitest::Click(*main.ExplorerButton9);  // the toolbar's "&Delete"
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Really delete all selected files?");
    ExpectOpen(main, archive);
  }
  EXPECT_EQ(Without(Without(before, "other.txt"), "a/same.txt"), PythonEntries(archive));
  EXPECT_NE(testutil::FileBytes(archive, true), bytes);
  EXPECT_EQ(main.MSListview1->Count(), 3);
  KeepForPeers(archive, "deleted_selection.zip");
  EXPECT_TRUE(exceptions.empty());
}

// The open dialog of the repair given a path.
testutil::DialogAnswerer PickInOpenDialog(const std::string& path) {
  return testutil::DialogAnswerer(testutil::ThisThreadsDialog("Select a Zip file to Open..."),
                                  [path](HWND dialog) {
                                    HWND edit = GetDlgItem(dialog, 0x47C);
                                    if (edit == nullptr) edit = GetDlgItem(dialog, 0x480);
                                    HWND inner = FindWindowExA(edit, nullptr, "Edit", nullptr);
                                    SetWindowTextA(inner != nullptr ? inner : edit, path.c_str());
                                    guitest::Press(dialog, IDOK);
                                  });
}

TEST_F(EditCommandsTest, RepairsATruncatedArchiveAndReportsAFailure) {
  TMainfrm& main = MakeMain();
  main.Show();
  const std::string truncated = Copy("truncated.zip");
  {
    Answer({"Yes"});
    auto answer = PickInOpenDialog(truncated);
    ASSERT_TRUE(guitest::ClickMenu(main, "&File|&Repair Corrupt Zip file"));
    EXPECT_TRUE(answer.Wait());
  }
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "Repair completed.  Would you like to try and open this Zip file now?");
  ExpectOpen(main, truncated);
  EXPECT_GT(main.MSListview1->Count(), 0);
  const std::string repaired = PythonEntries(truncated);
  EXPECT_EQ(repaired.rfind("OK\n", 0), 0u) << repaired;
  KeepForPeers(truncated, "repaired.zip");

  // Not an archive at all: nothing found, the error, no offer to open it.
  const std::string text = work_ + "not a zip.zip";
  ASSERT_TRUE(testutil::WriteWholeFile(text, std::string(300, 'x')));
  messages.clear();
  {
    Answer({"OK"});
    auto answer = PickInOpenDialog(text);
    guitest::Click(*main.ExplorerButton8);  // the toolbar's "&Repair"
    EXPECT_TRUE(answer.Wait());
  }
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind("Repair failed (error ", 0), 0u) << messages[0];
  EXPECT_EQ(messages[0].back(), '.');
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(EditCommandsTest, ADropAddsEveryFileAndReportsTheLockedOne) {
  const std::string archive = Copy("same.zip");
  const std::string before = PythonEntries(archive);
  TMainfrm& main = Open(archive);
  const std::string drop = apptest::FixturePath("drop\\");
  const std::string locked = work_ + "locked.txt";
  ASSERT_TRUE(testutil::WriteWholeFile(locked, std::string("locked\r\n")));
  HANDLE lock = CreateFileA(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  std::string captionAtError;
  bool enabledAtError = true;
  guitest::OnModal([&](forms::Form& dialog) {
    messages.push_back(guitest::Get<forms::Label>(dialog, "Message").Caption());
    guitest::OnModal([&](forms::Form& error) {
      messages.push_back(guitest::Get<forms::Label>(error, "Message").Caption());
      captionAtError = main.Caption();
      enabledAtError = IsWindowEnabled(main.Handle()) != FALSE;
      guitest::Click(error, "OK");
    });
    guitest::Click(dialog, "Yes");
  });
  guitest::DropFiles(main.Handle(), {drop + "one.txt", locked,
                                     drop + "Gr\xfc\xdf"
                                            "e.txt"});
  guitest::Pump(100);
  CloseHandle(lock);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0], "Add all dropped files?");
  EXPECT_EQ(captionAtError, pelloro::kCaptionBusy);
  EXPECT_FALSE(enabledAtError);
  EXPECT_TRUE(IsWindowEnabled(main.Handle()));
  ExpectOpen(main, archive);
  const std::string after = PythonEntries(archive);
  EXPECT_NE(LineOf(after, "one.txt"), "") << after;
  EXPECT_NE(LineOf(after,
                   "gr\xc3\xbc\xc3\x9f"
                   "e.txt"),
            "")
      << after;
  EXPECT_EQ(LineOf(after, "locked.txt"), "") << after;
  EXPECT_EQ(after.substr(0, before.size()), before);
  KeepForPeers(archive, "dropped.zip");
  EXPECT_TRUE(exceptions.empty());
}

class RenameTest : public EditCommandsTest {
 protected:
  // Edits the row's caption as the user does (LVM_EDITLABEL, the text, Enter) and lets the
  // rename run.
  void Rename(TMainfrm& main, int row, const std::string& text) {
    ASSERT_GE(row, 0);
    SelectOnly(main, row);
    main.MSListview1->SetFocus();
    HWND edit =
        reinterpret_cast<HWND>(SendMessageA(main.MSListview1->Handle(), LVM_EDITLABELA, row, 0));
    ASSERT_NE(edit, nullptr);
    // Every message of a rename is an error with Cancel only: kept and cancelled.
    guitest::OnModal([this](forms::Form& dialog) {
      messages.push_back(guitest::Get<forms::Label>(dialog, "Message").Caption());
      guitest::Click(dialog, guitest::Find(dialog, "Cancel") != nullptr ? "Cancel" : "OK");
    });
    guitest::Pump(30);
    SetWindowTextA(edit, text.c_str());
    PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageA(edit, WM_KEYUP, VK_RETURN, 0xC0000001);
    guitest::Pump(300);
  }
};

TEST_F(RenameTest, OnlyTheFilePartChangesAndOthersOfThatNameStay) {
  const std::string archive = Copy("same.zip");
  const std::string before = PythonEntries(archive);
  ASSERT_EQ(before.rfind("OK\n", 0), 0u) << before;
  TMainfrm& main = Open(archive);
  const struct {
    const char* name;
    const char* folder;
    const char* newName;
    const char* oldEntry;
    const char* newEntry;  // python's lower-cased name (UTF-8)
  } cases[] = {
      {"same.txt", "", "renamed.txt", "same.txt", "renamed.txt"},
      {"same.txt", "a\\",
       "Gr\xfc\xdf"
       "e.txt",
       "a/same.txt",
       "a/gr\xc3\xbc\xc3\x9f"
       "e.txt"},
      {"caf\xe9.txt", "", "tea.txt", "caf\xc3\xa9.txt", "tea.txt"},
  };
  std::string expected = before;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.newName);
    const std::string old = LineOf(expected, c.oldEntry);
    ASSERT_NE(old, "") << expected;
    Rename(main, RowOf(main, c.name, c.folder), c.newName);
    const std::string now = PythonEntries(archive);
    // The same date, attributes, CRC and size under the new name; the rest unchanged.
    const std::string renamed = LineOf(now, c.newEntry);
    ASSERT_NE(renamed, "") << now << (messages.empty() ? "" : messages[0]);
    EXPECT_EQ(renamed.substr(renamed.find(' ')), old.substr(old.find(' '))) << now;
    expected = Without(expected, c.oldEntry);
    EXPECT_EQ(Without(now, c.newEntry), expected);
    expected = now;
    ExpectOpen(main, archive);
  }
  EXPECT_TRUE(messages.empty()) << (messages.empty() ? "" : messages[0]);
  EXPECT_GE(RowOf(main, "renamed.txt"), 0);
  KeepForPeers(archive, "renamed.zip");

  // The only entry of an archive.
  const std::string single = Copy("single.zip");
  ASSERT_TRUE(main.OpenByTheRoad(single));
  const std::string only = LineOf(PythonEntries(single), "only.txt");
  Rename(main, RowOf(main, "only.txt"), "alone.txt");
  const std::string alone = PythonEntries(single);
  EXPECT_EQ(alone, "OK\nalone.txt" + only.substr(only.find(' ')) + "\n");
  KeepForPeers(single, "renamed_single.zip");
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(RenameTest, RefusedRenamesLeaveTheArchiveByteIdentical) {
  const std::string same = Copy("same.zip");
  const std::string list = Copy("list folder\\list.zip", "list.zip");
  const std::string encrypted = Copy("encrypted.zip");
  const struct {
    std::string archive;
    const char* row;
    const char* folder;
    const char* text;
    const char* message;  // null: none
  } cases[] = {
      {same, "other.txt", "", "other.txt", nullptr},  // unchanged
      {same, "other.txt", "", "OTHER.TXT", nullptr},  // the stored name's case: unchanged too
      {same, "other.txt", "", "bad?name.txt",
       "Error: Invalid file name.  Aborting Rename process."},
      {same, "other.txt", "", "a\\b.txt", "Error: Invalid file name.  Aborting Rename process."},
      {same, "other.txt", "", "..", "Error: Invalid file name.  Aborting Rename process."},
      {list, "docs\\", "", "papers", "Error: Invalid file name.  Aborting Rename process."},
      {encrypted, "secret.txt", "", "open.txt",
       "Error: Encrypted files cannot be renamed.  Aborting Rename process."},
  };
  TMainfrm& main = MakeMain();
  main.Show();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.row) + " -> " + c.text);
    ASSERT_TRUE(main.OpenByTheRoad(c.archive));
    const std::vector<uint8_t> bytes = testutil::FileBytes(c.archive, true);
    messages.clear();
    Rename(main, RowOf(main, c.row, c.folder), c.text);
    if (c.message == nullptr) {
      EXPECT_TRUE(messages.empty());
    } else {
      ASSERT_EQ(messages.size(), 1u);
      EXPECT_EQ(messages[0], c.message);
    }
    EXPECT_EQ(testutil::FileBytes(c.archive, true), bytes);
    ExpectOpen(main, c.archive);
  }

  // An archive another program holds open (reading allowed, replacing not).
  ASSERT_TRUE(main.OpenByTheRoad(same));
  const std::vector<uint8_t> bytes = testutil::FileBytes(same, true);
  HANDLE held =
      CreateFileA(same.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  messages.clear();
  Rename(main, RowOf(main, "other.txt"), "held.txt");
  CloseHandle(held);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "Error: Could not remove file from Zip.  Aborting Rename process.");
  EXPECT_EQ(testutil::FileBytes(same, true), bytes);
  ExpectOpen(main, same);
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(RenameTest, ANameTheFolderHasIsTheReplacePromptsToDecide) {
  const std::string archive = Copy("same.zip");
  const std::string before = PythonEntries(archive);
  const std::vector<uint8_t> bytes = testutil::FileBytes(archive, true);
  TMainfrm& main = Open(archive);
  for (const int answer : {7, 6}) {  // the control's "No", then "Yes"
    SCOPED_TRACE(answer);
    messages.clear();
    testutil::DialogAnswerer replace(testutil::ThisThreadsDialog("Replace..."),
                                     [answer](HWND dialog) { guitest::Press(dialog, answer); });
    Rename(main, RowOf(main, "other.txt"), "same.txt");
    EXPECT_TRUE(replace.Wait());
    EXPECT_TRUE(replace.found());
    EXPECT_TRUE(messages.empty()) << (messages.empty() ? "" : messages[0]);
    ExpectOpen(main, archive);
    if (answer == 7) EXPECT_EQ(testutil::FileBytes(archive, true), bytes);  // kept the other
  }
  // Replaced: other.txt's date, attributes, CRC and size under the name; the folders' same.txt
  // untouched.
  const std::string now = PythonEntries(archive);
  const std::string other = LineOf(before, "other.txt");
  EXPECT_EQ(LineOf(now, "same.txt"), "same.txt" + other.substr(other.find(' '))) << now;
  EXPECT_EQ(LineOf(now, "other.txt"), "");
  EXPECT_EQ(LineOf(now, "a/same.txt"), LineOf(before, "a/same.txt"));
  EXPECT_EQ(LineOf(now, "b/same.txt"), LineOf(before, "b/same.txt"));
  KeepForPeers(archive, "renamed_replacing.zip");
  EXPECT_TRUE(exceptions.empty());
}

}  // namespace
