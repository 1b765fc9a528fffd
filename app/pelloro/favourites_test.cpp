// The favourites in process, over folders made on T: (a drive of these tests) and a program
// folder there: the list file (CR LF lines) and its manager (add, remove, sort, OK writes, Cancel
// does not); the browser listing two favourite folders (a third, missing, skipped) with the size,
// type and time texts, today's files, "*.*" showing hidden folders, every icon freed; Open on a
// folder, another file and an archive (a truncated one leaving the closed state); rename to a
// bare name and onto an existing one; delete to the trash; "UseFav" and the main window's Open.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app_test_support.h"
#include "captions.h"
#include "favourites.h"
#include "forms/message_dialogs.h"
#include "gui_driver.h"
#include "main_form.h"
#include "tool_commands.h"
#include "toolstest_support.h"
#include "win_test_util.h"

namespace {

using pelloro::TManageAuto;
using pelloro::TOpenAutofrm;
using toolstest::Answers;

constexpr char kBase[] = "T:\\fav\\";
constexpr char kProgram[] = "T:\\fav\\prog\\";
constexpr char kOne[] = "T:\\fav\\one";
// A name in the system's code page (cp1252): café.
constexpr char kCafe[] = "T:\\fav\\caf\xe9";
constexpr char kMissing[] = "T:\\fav\\missing";

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Lower(std::string text) {
  CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

FILETIME LastWrite(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
  return data.ftLastWriteTime;
}

// The shell's type name of a file, as the browser asks for it.
std::string ShellType(const std::string& path) {
  SHFILEINFOA info = {};
  if (SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_TYPENAME) == 0) return "<none>";
  return info.szTypeName;
}

void SetWritten(const std::string& path, const FILETIME& time) {
  HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
  CloseHandle(file);
}

FILETIME DaysAgo(int days) {
  FILETIME now = {};
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER value = {{now.dwLowDateTime, now.dwHighDateTime}};
  value.QuadPart -= static_cast<ULONGLONG>(days) * 24 * 3600 * 10000000ULL;
  return FILETIME{value.LowPart, value.HighPart};
}

class FavouritesTest : public apptest::AppTest {
 protected:
  void SetUp() override {
    apptest::AppTest::SetUp();
    if (IsSkipped()) return;
    if (GetDriveTypeA("T:\\") == DRIVE_NO_ROOT_DIR)
      GTEST_SKIP() << "drive T: is not mapped in this prefix (scripts/wine-env.sh)";
    testutil::RemoveTree(kBase);
    for (const std::string& folder : {std::string(kBase), std::string(kProgram), std::string(kOne),
                                      std::string(kOne) + "\\plain", std::string(kOne) + "\\HidDir",
                                      std::string(kCafe), std::string(kCafe) + "\\deep"}) {
      ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
    }
    SetFileAttributesA((std::string(kOne) + "\\HidDir").c_str(),
                       FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
    hiddenFolder_ =
        (GetFileAttributesA((std::string(kOne) + "\\HidDir").c_str()) & FILE_ATTRIBUTE_HIDDEN) != 0;
    const struct {
      std::string name;
      size_t size;
    } files[] = {{std::string(kOne) + "\\Zero.zip", 0},
                 {std::string(kOne) + "\\half.zip", 500},
                 {std::string(kOne) + "\\most.ZIP", 2047},
                 {std::string(kOne) + "\\a.zipx", 10},
                 {std::string(kOne) + "\\yesterday.zip", 3000},
                 {std::string(kOne) + "\\notes.txt", 20},
                 {std::string(kOne) + "\\HidDir\\inner.zip", 5000},
                 {std::string(kCafe) + "\\Gr\xfc\xdf"
                                       "e.zip",
                  3 * 1024},
                 {std::string(kCafe) + "\\deep\\deep.zip", 1}};
    for (const auto& f : files)
      ASSERT_TRUE(testutil::WriteWholeFile(f.name, std::string(f.size, 'x'))) << f.name;
    SetWritten(std::string(kOne) + "\\yesterday.zip", DaysAgo(1));
    pelloro::SetProgramFolder(kProgram);
    pelloro::ResetFavouritesShell();
    // Every icon handed out and every icon freed is counted.
    pelloro::FavouritesShellCalls().FileInfo = [this](const char* path, SHFILEINFOA* info,
                                                      UINT flags) {
      const DWORD_PTR result = SHGetFileInfoA(path, 0, info, sizeof *info, flags);
      if (result != 0 && info->hIcon != nullptr) ++iconsGiven_;
      return result;
    };
    pelloro::FavouritesShellCalls().DestroyIcon = [this](HICON icon) {
      ++iconsFreed_;
      DestroyIcon(icon);
    };
  }
  void TearDown() override {
    pelloro::ResetFavouritesShell();
    pelloro::SetProgramFolder("");
    forms::App().ShellExecuteHook = nullptr;
    apptest::AppTest::TearDown();
  }
  static void WriteList() {
    ASSERT_TRUE(
        testutil::WriteWholeFile(std::string(kProgram) + "AutoFolders.lst",
                                 std::string(kOne) + "\r\n" + kCafe + "\r\n" + kMissing + "\r\n"));
  }
  // Waits for the browser's first listing (its timer runs once).
  static bool WaitListed(TOpenAutofrm& form) {
    for (int i = 0; i < 250 && (form.Timer1->Enabled() || form.Panel1->Visible()); ++i)
      guitest::Pump(20);
    return !form.Timer1->Enabled() && !form.Panel1->Visible();
  }
  static std::vector<std::string> Captions(TOpenAutofrm& form) {
    std::vector<std::string> captions;
    for (int i = 0; i < form.ListView1->Count(); ++i)
      captions.push_back(form.ListView1->ItemText(i));
    return captions;
  }
  static void Select(TOpenAutofrm& form, const std::string& path) {
    const int index = form.IndexOfPath(path);
    ASSERT_GE(index, 0) << path;
    form.ListView1->SetSelected(index, true);
    form.ListView1->SetFocusedItem(index);
  }
  static void Choose(forms::ComboBox& box, int index) {
    box.SetItemIndex(index);
    if (box.OnChange) box.OnChange(box);
  }
  // The browser shown over the favourites and listed.
  std::unique_ptr<TOpenAutofrm> Browser(pelloro::TMainfrm& main) {
    auto form = std::make_unique<TOpenAutofrm>(nullptr, main);
    form->Show();
    EXPECT_TRUE(WaitListed(*form));
    return form;
  }
  // The one-line answer of the next input box of ours.
  static void AnswerInput(const std::string& text, std::string* prompt) {
    guitest::OnModal([text, prompt](forms::Form& box) {
      *prompt = box.Caption();
      guitest::SetText(guitest::Get<forms::Edit>(box, "Value"), text);
      guitest::SaveScreenshot(box.Handle(), "favourites_rename_box.bmp");
      guitest::Click(box, "OK");
    });
  }

  bool hiddenFolder_ = false;
  int iconsGiven_ = 0;
  int iconsFreed_ = 0;
};

TEST(FavouritesTexts, SizesAndTodaysStamp) {
  const struct {
    uint64_t size;
    const char* text;
  } sizes[] = {{0, "0 KB"},    {1, "1 KB"},    {500, "1 KB"},  {1023, "1 KB"},
               {1024, "1 KB"}, {2047, "1 KB"}, {2048, "2 KB"}, {5ULL << 30, "5242880 KB"}};
  for (const auto& c : sizes) EXPECT_EQ(pelloro::FavouriteSizeText(c.size), c.text) << c.size;
  EXPECT_TRUE(pelloro::WrittenToday(DaysAgo(0)));
  EXPECT_FALSE(pelloro::WrittenToday(DaysAgo(1)));
  // Today at 00:00 local time counts as today.
  SYSTEMTIME midnight = {};
  GetLocalTime(&midnight);
  midnight.wHour = midnight.wMinute = midnight.wSecond = midnight.wMilliseconds = 0;
  FILETIME local = {}, utc = {};
  ASSERT_TRUE(SystemTimeToFileTime(&midnight, &local));
  ASSERT_TRUE(LocalFileTimeToFileTime(&local, &utc));
  EXPECT_TRUE(pelloro::WrittenToday(utc));
}

TEST_F(FavouritesTest, TheListFileHoldsCrLfLines) {
  EXPECT_FALSE(pelloro::FavouritesListExists());
  EXPECT_TRUE(pelloro::ReadFavourites().empty());
  ASSERT_TRUE(pelloro::WriteFavourites({kOne, kCafe}));
  EXPECT_TRUE(pelloro::FavouritesListExists());
  EXPECT_EQ(testutil::FileText(std::string(kProgram) + "AutoFolders.lst", true),
            std::string(kOne) + "\r\n" + kCafe + "\r\n");
  EXPECT_EQ(pelloro::ReadFavourites(), (std::vector<std::string>{kOne, kCafe}));
}

TEST_F(FavouritesTest, ManageAddsRemovesSortsAndWritesOnlyOnOk) {
  pelloro::TMainfrm& main = MakeMain();
  (void)main;
  // The folder browser answers with the next of these folders.
  std::vector<std::string> picks = {"T:\\fav\\zeta", kCafe, "T:\\fav\\alpha"};
  size_t next = 0;
  const auto script = [&](TManageAuto& manager) {
    manager.BrowseDirectoryDlg1->Shell.BrowseForFolder = [](BROWSEINFOA*) {
      auto* picked = static_cast<LPITEMIDLIST>(CoTaskMemAlloc(2));
      memset(picked, 0, 2);
      return picked;
    };
    manager.BrowseDirectoryDlg1->Shell.GetPathFromIDList = [&](LPCITEMIDLIST, char* path) {
      lstrcpyA(path, picks.at(next++ % picks.size()).c_str());
      return TRUE;
    };
  };
  {
    // A missing list file: the manager starts empty; Cancel writes nothing.
    TManageAuto manager(nullptr);
    script(manager);
    manager.Show();
    EXPECT_EQ(manager.ListBox1->Count(), 0);
    guitest::Click(*manager.ExplorerButton1);
    EXPECT_EQ(manager.Folders(), std::vector<std::string>{"T:\\fav\\zeta"});
    guitest::Click(*manager.BitBtn1);
    EXPECT_FALSE(pelloro::FavouritesListExists());
  }
  WriteList();
  TManageAuto manager(nullptr);
  script(manager);
  next = 0;
  manager.Show();
  EXPECT_EQ(manager.Folders(), (std::vector<std::string>{kOne, kCafe, kMissing}));
  guitest::Click(*manager.ExplorerButton1);  // zeta, at the end
  EXPECT_EQ(manager.Folders().back(), "T:\\fav\\zeta");
  // Remove: the selected line; nothing without a selection.
  manager.ListBox1->SetItemIndex(2);
  guitest::Click(*manager.ExplorerButton2);
  EXPECT_EQ(manager.Folders(), (std::vector<std::string>{kOne, kCafe, "T:\\fav\\zeta"}));
  manager.ListBox1->SetItemIndex(-1);
  guitest::Click(*manager.ExplorerButton2);
  EXPECT_EQ(manager.Folders().size(), 3u);
  // Sort on: sorted at once and on every addition; the check mark moves.
  EXPECT_TRUE(manager.Off1->Checked());
  manager.On1->Click();
  EXPECT_TRUE(manager.Sorted());
  EXPECT_TRUE(manager.On1->Checked());
  EXPECT_FALSE(manager.Off1->Checked());
  EXPECT_EQ(manager.Folders(), (std::vector<std::string>{kCafe, kOne, "T:\\fav\\zeta"}));
  guitest::Click(*manager.ExplorerButton1);  // café again (the list keeps doubles)
  guitest::Click(*manager.ExplorerButton1);  // alpha, first
  EXPECT_EQ(manager.Folders().front(), "T:\\fav\\alpha");
  manager.Off1->Click();
  EXPECT_TRUE(manager.Off1->Checked());
  EXPECT_FALSE(manager.On1->Checked());
  guitest::Click(*manager.ExplorerButton1);  // zeta again: appended
  EXPECT_EQ(manager.Folders().back(), "T:\\fav\\zeta");
  guitest::SaveScreenshot(manager.Handle(), "favourites_manage.bmp");
  // Enter is OK: the list written in CR LF lines.
  const std::vector<std::string> shown = manager.Folders();
  guitest::Key(*manager.ListBox1, VK_RETURN);
  std::string expected;
  for (const std::string& folder : shown) expected += folder + "\r\n";
  EXPECT_EQ(testutil::FileText(std::string(kProgram) + "AutoFolders.lst", true), expected);
  EXPECT_FALSE(manager.Visible());
}

TEST_F(FavouritesTest, AListThatCannotBeWrittenKeepsTheManagerOpen) {
  // A folder of the list file's name: the file cannot be made.
  ASSERT_TRUE(CreateDirectoryA((std::string(kProgram) + "AutoFolders.lst").c_str(), nullptr));
  TManageAuto manager(nullptr);
  manager.Show();
  manager.ListBox1->AddItem(kOne);
  Answers answers({"OK"});
  guitest::Click(*manager.BitBtn2);
  ASSERT_EQ(answers.texts.size(), 1u);
  EXPECT_EQ(answers.texts[0], "Error: Could not write T:\\fav\\prog\\AutoFolders.lst.");
  EXPECT_TRUE(manager.Visible());
  EXPECT_EQ(manager.Folders(), std::vector<std::string>{kOne});
}

TEST_F(FavouritesTest, TheBrowserListsTheFavouriteFoldersWithTheirTexts) {
  WriteList();
  pelloro::TMainfrm& main = MakeMain();
  auto form = Browser(main);  // "UseFav" absent: the favourites
  EXPECT_EQ(form->Edit1->Text(), "(Favorites)");
  EXPECT_TRUE(form->CheckBox1->Checked());
  EXPECT_EQ(form->Mask(), "*.ZIP");
  const std::string one = Lower(kOne) + "\\", cafe = Lower(kCafe) + "\\";
  std::vector<std::string> captions = Captions(*form);
  // One's archives (in the system's order), its subfolder's, then café's and its subfolder's;
  // the missing folder is skipped; a.zipx (a short-name match), notes.txt and the folders are not
  // listed.
  ASSERT_EQ(captions.size(), 7u) << ::testing::PrintToString(captions);
  std::vector<std::string> first(captions.begin(), captions.begin() + 4);
  std::sort(first.begin(), first.end());
  EXPECT_EQ(first, (std::vector<std::string>{one + "half.zip", one + "most.zip",
                                             one + "yesterday.zip", one + "zero.zip"}));
  EXPECT_EQ(captions[4], one + "hiddir\\inner.zip");
  EXPECT_EQ(captions[5], cafe +
                             "gr\xfc\xdf"
                             "e.zip");
  EXPECT_EQ(captions[6], cafe + "deep\\deep.zip");
  const struct {
    std::string path;
    const char* size;
  } rows[] = {{one + "zero.zip", "0 KB"},
              {one + "half.zip", "1 KB"},
              {one + "most.zip", "1 KB"},
              {one + "yesterday.zip", "2 KB"},
              {one + "hiddir\\inner.zip", "4 KB"},
              {cafe + "gr\xfc\xdf"
                      "e.zip",
               "3 KB"},
              {cafe + "deep\\deep.zip", "1 KB"}};
  for (const auto& row : rows) {
    const int index = form->IndexOfPath(row.path);
    ASSERT_GE(index, 0) << row.path;
    EXPECT_EQ(form->ListView1->ItemText(index, 1), row.size) << row.path;
    EXPECT_EQ(form->ListView1->ItemText(index, 2), ShellType(row.path)) << row.path;
    EXPECT_FALSE(form->ListView1->ItemText(index, 2).empty()) << row.path;
    EXPECT_EQ(form->ListView1->ItemText(index, 3), pelloro::FavouriteTimeText(LastWrite(row.path)))
        << row.path;
  }
  // The time text: the short date, two blanks, the time without seconds.
  SYSTEMTIME time = {};
  FILETIME local = {};
  const FILETIME written = LastWrite(one + "zero.zip");
  FileTimeToLocalFileTime(&written, &local);
  FileTimeToSystemTime(&local, &time);
  char date[80] = {}, clock[80] = {};
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date, sizeof date);
  GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &time, nullptr, clock, sizeof clock);
  EXPECT_EQ(pelloro::FavouriteTimeText(written), std::string(date) + "  " + clock);
  guitest::SaveScreenshot(form->Handle(), "favourites_listed.bmp");

  // Today's files only: yesterday's goes.
  Choose(*form->ComboBox1, 1);
  captions = Captions(*form);
  EXPECT_EQ(captions.size(), 6u);
  EXPECT_EQ(std::count(captions.begin(), captions.end(), one + "yesterday.zip"), 0);
  Choose(*form->ComboBox1, 0);
  EXPECT_EQ(Captions(*form).size(), 7u);

  // "*.*": every file and the folders with more than the directory bit (no size text).
  Choose(*form->ComboBox2, 1);
  EXPECT_EQ(form->Mask(), "*.*");
  captions = Captions(*form);
  EXPECT_GE(form->IndexOfPath(one + "notes.txt"), 0);
  EXPECT_GE(form->IndexOfPath(one + "a.zipx"), 0);
  EXPECT_EQ(form->IndexOfPath(one + "plain"), -1);
  if (hiddenFolder_) {
    const int hidden = form->IndexOfPath(one + "hiddir");
    ASSERT_GE(hidden, 0) << ::testing::PrintToString(captions);
    EXPECT_EQ(form->ListView1->ItemText(hidden, 1), "");
  }
  guitest::SaveScreenshot(form->Handle(), "favourites_all_files.bmp");

  // The view styles: the check mark moves to the chosen one.
  const struct {
    forms::MenuItem* item;
    forms::ViewStyle style;
  } styles[] = {{form->List1, forms::ViewStyle::vsList},
                {form->LargeIcons1, forms::ViewStyle::vsIcon},
                {form->SmallIcons1, forms::ViewStyle::vsSmallIcon},
                {form->Report1, forms::ViewStyle::vsReport}};
  for (const auto& s : styles) {
    s.item->Click();
    EXPECT_EQ(form->ListView1->GetViewStyle(), s.style) << s.item->Caption();
    for (const auto& other : styles)
      EXPECT_EQ(other.item->Checked(), other.item == s.item) << other.item->Caption();
  }
  // "&Favourites" drops the menu.
  {
    guitest::MenuCloser closer;
    guitest::Click(*form->BitBtn5);
    EXPECT_TRUE(closer.Wait());
    EXPECT_TRUE(closer.Seen());
  }
  // "&Browse": the folder chosen is listed alone.
  form->BrowseDirectoryDlg1->Shell.BrowseForFolder = [](BROWSEINFOA*) {
    auto* picked = static_cast<LPITEMIDLIST>(CoTaskMemAlloc(2));
    memset(picked, 0, 2);
    return picked;
  };
  form->BrowseDirectoryDlg1->Shell.GetPathFromIDList = [](LPCITEMIDLIST, char* path) {
    lstrcpyA(path, kCafe);
    return TRUE;
  };
  Choose(*form->ComboBox2, 0);
  guitest::Click(*form->BitBtn4);
  EXPECT_EQ(form->Edit1->Text(), std::string(kCafe) + "\\");
  EXPECT_EQ(Captions(*form), (std::vector<std::string>{cafe + "gr\xfc\xdf"
                                                              "e.zip",
                                                       cafe + "deep\\deep.zip"}));
  EXPECT_EQ(form->Status(), "(idle)");

  // Every icon the shell handed out was freed (Wine hands one out a file).
  EXPECT_GT(iconsGiven_, 0);
  EXPECT_EQ(iconsFreed_, iconsGiven_);
}

TEST_F(FavouritesTest, OpenAddsAFolderAsksForAnotherFileAndListsAnArchive) {
  WriteList();
  ASSERT_TRUE(CopyFileA(apptest::FixturePath("setup.zip").c_str(),
                        (std::string(kCafe) + "\\arch.zip").c_str(), FALSE));
  pelloro::TMainfrm& main = MakeMain();
  main.Show();
  auto form = Browser(main);
  const std::string one = Lower(kOne) + "\\";
  Choose(*form->ComboBox2, 1);
  // A folder: its files are added to what the list shows.
  if (hiddenFolder_) {
    const size_t before = Captions(*form).size();
    Select(*form, one + "hiddir");
    guitest::Click(*form->Openbtn);
    EXPECT_EQ(form->Edit1->Text(), one + "hiddir\\");
    EXPECT_EQ(Captions(*form).size(), before + 1);
    EXPECT_EQ(Captions(*form).back(), one + "hiddir\\inner.zip");
  }
  // Another file: asked; No does nothing, Yes opens it through the shell.
  std::vector<std::string> shell;
  forms::App().ShellExecuteHook = [&](HWND, const char* verb, const char* file,
                                      const char* parameters, const char* folder, int show) {
    shell.push_back(std::string(verb) + "|" + file + "|" + parameters + "|" + folder + "|" +
                    std::to_string(show));
    return reinterpret_cast<HINSTANCE>(42);
  };
  Select(*form, one + "notes.txt");
  {
    Answers answers({"No"});
    guitest::Click(*form->Openbtn);
    ASSERT_EQ(answers.texts.size(), 1u);
    EXPECT_EQ(answers.texts[0],
              "The file you have selected is NOT a zip file.\n\rWould you like to Open it with the "
              "associated application if any?");
    EXPECT_TRUE(shell.empty());
  }
  {
    Answers answers({"Yes"});
    answers.before = [&](size_t) {
      guitest::Pump(100);
      guitest::SaveScreenshot(nullptr, "favourites_not_a_zip.bmp");
    };
    form->ListView1->OnDblClick(*form->ListView1);  // a double click opens too
    EXPECT_EQ(answers.texts.size(), 1u);
  }
  EXPECT_EQ(shell, std::vector<std::string>{"open|" + one + "notes.txt||" + one + "|1"});
  EXPECT_TRUE(form->Visible());

  // An archive: the main window's current one, listed, dropping on, in the recent list.
  const std::string archive = Lower(kCafe) + "\\arch.zip";
  Select(*form, archive);
  guitest::Click(*form->Openbtn);
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(main.CurrentArchive(), archive);
  EXPECT_EQ(main.MSListview1->Count(), 2);
  EXPECT_TRUE(main.MSListview1->Visible());
  EXPECT_TRUE(main.FileDrag1->EnableDrop());
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
  ASSERT_GT(main.MRUFileList1->Items().Count(), 0);
  EXPECT_EQ(main.MRUFileList1->Items()[0], archive);
}

TEST_F(FavouritesTest, ATruncatedArchiveLeavesTheClosedState) {
  WriteList();
  ASSERT_TRUE(CopyFileA(apptest::FixturePath("truncated.zip").c_str(),
                        (std::string(kOne) + "\\broken.zip").c_str(), FALSE));
  pelloro::TMainfrm& main = MakeMain();
  main.Show();
  auto form = Browser(main);
  Select(*form, Lower(kOne) + "\\broken.zip");
  Answers answers({"OK"});
  guitest::Click(*form->Openbtn);
  ASSERT_EQ(answers.texts.size(), 1u);
  EXPECT_EQ(answers.texts[0], "Zip file corrupt.  Please try to Repair it from the File menu.");
  EXPECT_FALSE(main.MSListview1->Visible());
  EXPECT_FALSE(main.FileDrag1->EnableDrop());
  EXPECT_FALSE(main.Functions1->Enabled());
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
}

TEST_F(FavouritesTest, RenameStaysInTheItemsFolderAndRefusesAnExistingName) {
  WriteList();
  pelloro::TMainfrm& main = MakeMain();
  auto form = Browser(main);
  const std::string one = Lower(kOne) + "\\";
  // Nothing selected: the message.
  {
    Answers answers({"OK"});
    form->Rename1->Click();
    ASSERT_EQ(answers.texts.size(), 1u);
    EXPECT_EQ(answers.texts[0], "You must select a file first..");
  }
  // The input box: a bare name goes into the item's folder.
  Select(*form, one + "half.zip");
  std::string caption;
  AnswerInput("Renamed.zip", &caption);
  form->Rename1->Click();
  EXPECT_EQ(caption, "Rename file");
  EXPECT_TRUE(Exists(std::string(kOne) + "\\Renamed.zip"));
  EXPECT_FALSE(Exists(std::string(kOne) + "\\half.zip"));
  EXPECT_GE(form->IndexOfPath(one + "renamed.zip"), 0);
  EXPECT_EQ(form->IndexOfPath(one + "half.zip"), -1);
  EXPECT_EQ(form->Status(), " - (idle)");
  // Onto an existing name: refused, the list unchanged.
  const std::vector<std::string> before = Captions(*form);
  Select(*form, one + "renamed.zip");
  AnswerInput("most.zip", &caption);
  form->Rename1->Click();
  EXPECT_TRUE(Exists(std::string(kOne) + "\\Renamed.zip"));
  EXPECT_EQ(testutil::FileText(std::string(kOne) + "\\most.ZIP").size(), 2047u);
  EXPECT_EQ(Captions(*form), before);
  // In place: the edited caption, a bare name, stays in the folder too.
  const int index = form->IndexOfPath(one + "zero.zip");
  ASSERT_GE(index, 0);
  form->ListView1->SetFocus();
  form->ListView1->EditCaption(index);
  HWND edit =
      reinterpret_cast<HWND>(SendMessageA(form->ListView1->Handle(), LVM_GETEDITCONTROL, 0, 0));
  ASSERT_NE(edit, nullptr);
  SetWindowTextA(edit, "In Place.zip");
  SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
  guitest::Pump(50);
  EXPECT_TRUE(Exists(std::string(kOne) + "\\In Place.zip"));
  EXPECT_FALSE(Exists(std::string(kOne) + "\\Zero.zip"));
  EXPECT_GE(form->IndexOfPath(one + "in place.zip"), 0);
  EXPECT_EQ(form->Status(), "(idle)");
}

TEST_F(FavouritesTest, DeleteSendsTheFileToTheTrash) {
  WriteList();
  pelloro::TMainfrm& main = MakeMain();
  auto form = Browser(main);
  const std::string one = Lower(kOne) + "\\";
  char trashHome[MAX_PATH] = {};
  const std::string xdg = GetEnvironmentVariableA("XDG_DATA_HOME", trashHome, MAX_PATH) > 0
                              ? testutil::UnixToWindowsPath(trashHome)
                              : std::string();
  // The system makes the trash's own folders, not the data folder above them.
  if (!xdg.empty()) {
    CreateDirectoryA(xdg.c_str(), nullptr);
    testutil::RemoveTree(xdg + "\\Trash");
  }
  // The shell asks; Yes sends the file to the trash.
  const auto confirm = [](HWND dialog) {
    guitest::SaveScreenshot(dialog, "favourites_delete_confirm.bmp");
    guitest::Press(dialog, IDYES);
    Sleep(200);
    if (IsWindow(dialog) && IsWindowVisible(dialog)) guitest::Press(dialog, IDOK);
  };
  Select(*form, one + "most.zip");
  {
    testutil::DialogAnswerer answer(testutil::ThisThreadsDialog("Confirm"), confirm);
    form->Delete1->Click();
    EXPECT_TRUE(answer.Wait());
  }
  EXPECT_FALSE(Exists(std::string(kOne) + "\\most.ZIP"));
  EXPECT_EQ(form->IndexOfPath(one + "most.zip"), -1);
  if (!xdg.empty()) {
    EXPECT_EQ(testutil::FolderNames(xdg + "\\Trash\\files\\"), std::vector<std::string>{"most.zip"})
        << xdg;
  }
  // The Delete key on the list does the same.
  Select(*form, one + "yesterday.zip");
  {
    testutil::DialogAnswerer answer(testutil::ThisThreadsDialog("Confirm"), confirm);
    guitest::Key(*form->ListView1, VK_DELETE);
    EXPECT_TRUE(answer.Wait());
  }
  EXPECT_FALSE(Exists(std::string(kOne) + "\\yesterday.zip"));
  EXPECT_EQ(form->IndexOfPath(one + "yesterday.zip"), -1);
  EXPECT_EQ(form->Status(), "(idle)");
}

TEST_F(FavouritesTest, AMissingListFileIsOfferedAndTheCheckBoxWritesUseFav) {
  pelloro::TMainfrm& main = MakeMain();
  apptest::WriteSetting("UseFav", "False");
  TOpenAutofrm form(nullptr, main);
  form.Show();
  form.Edit1->SetText(kOne);
  {
    // "UseFav" not true: the folder of Edit1 is listed, after the offer of the missing file.
    Answers answers({"No"});
    answers.before = [&](size_t) {
      guitest::Pump(100);
      guitest::SaveScreenshot(nullptr, "favourites_missing_list.bmp");
    };
    ASSERT_TRUE(WaitListed(form));
    ASSERT_EQ(answers.texts.size(), 1u);
    EXPECT_EQ(answers.texts[0],
              "Your Favorites folder could not be found.\r\n\r\nWould you like to create it now?? "
              "(Recommended)");
  }
  EXPECT_FALSE(form.CheckBox1->Checked());
  EXPECT_EQ(form.ListView1->Count(), 0);
  // Yes: the manager, whose OK makes the file; then the folder is listed.
  guitest::OnModal([&](forms::Form& question) {
    guitest::OnModal([&](forms::Form& manager) {
      EXPECT_EQ(manager.Caption(), "Manage Auto-Folders");
      guitest::Click(manager, "BitBtn2");
    });
    guitest::Click(question, "Yes");
  });
  guitest::Click(*form.Updatebtn);
  EXPECT_TRUE(pelloro::FavouritesListExists());
  EXPECT_EQ(form.Edit1->Text(), std::string(kOne) + "\\");
  EXPECT_EQ(form.ListView1->Count(), 5);
  // F5 asks before listing again.
  {
    Answers answers({"Yes"});
    guitest::Key(*form.ListView1, VK_F5);
    ASSERT_EQ(answers.texts.size(), 1u);
    EXPECT_EQ(answers.texts[0], "Really refresh listing?");
  }
  EXPECT_EQ(form.ListView1->Count(), 5);
  // The check box writes the setting.
  guitest::Click(*form.CheckBox1);
  EXPECT_EQ(apptest::ReadSetting("UseFav"), "True");
  guitest::Click(*form.CheckBox1);
  EXPECT_EQ(apptest::ReadSetting("UseFav"), "False");
}

TEST_F(FavouritesTest, TheMainWindowsOpenCommands) {
  WriteList();
  pelloro::TMainfrm& main = MakeMain();
  main.Show();
  // "UseFav" absent: "&Open Zip file..." and the toolbar's "&Open..." show the favourites.
  for (const char* how : {"menu", "toolbar"}) {
    std::string seen, caption;
    size_t listed = 0;
    guitest::OnModal([&](forms::Form& shown) {
      seen = shown.Caption();
      auto* browser = dynamic_cast<TOpenAutofrm*>(&shown);
      ASSERT_NE(browser, nullptr);
      caption = main.Caption();
      EXPECT_TRUE(WaitListed(*browser));
      listed = Captions(*browser).size();
      if (std::string(how) == "menu")
        guitest::SaveScreenshot(shown.Handle(), "favourites_modal.bmp");
      guitest::Click(*browser->Cancelbtn);
    });
    if (std::string(how) == "menu") {
      ASSERT_TRUE(guitest::ClickMenu(main, "&File|&Open Zip file..."));
    } else {
      guitest::Click(*main.ExplorerButton1);
    }
    EXPECT_EQ(seen, "Pelloro Favourites PLUS!") << how;
    EXPECT_EQ(caption, pelloro::kCaptionIdle) << how;
    EXPECT_EQ(listed, 7u) << how;
    EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle) << how;
  }
  // "Open from &Favourites.." between " - Busy" and " - Idle".
  std::string during;
  guitest::OnModal([&](forms::Form& shown) {
    during = main.Caption();
    shown.Close();
  });
  ASSERT_TRUE(guitest::ClickMenu(main, "&File|Open from &Favourites.."));
  EXPECT_EQ(during, pelloro::kCaptionBusy);
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
  // Anything but exactly "True": the open dialog.
  for (const char* value : {"TRUE", "False"}) {
    apptest::WriteSetting("UseFav", value);
    testutil::DialogAnswerer answer(testutil::ThisThreadsDialog("Select a Zip file to Open..."),
                                    [](HWND dialog) { guitest::Press(dialog, IDCANCEL); });
    ASSERT_TRUE(guitest::ClickMenu(main, "&File|&Open Zip file..."));
    EXPECT_TRUE(answer.Wait());
    EXPECT_TRUE(answer.found()) << value;
    EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
  }
}

}  // namespace
