#include "base/engine_utils.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "base/cztext.h"
#include "base/dialog_items.h"
#include "win_test_util.h"

namespace {

// ---- a window class that records what reaches it ---------------------------------------------

std::map<HWND, std::vector<UINT>>& Received() {
  static std::map<HWND, std::vector<UINT>> received;
  return received;
}

int CountOf(HWND window, UINT message) {
  int n = 0;
  for (UINT m : Received()[window]) n += m == message;
  return n;
}

// GWLP_USERDATA 1: the window handles WM_PAINT without validating (a faulty painter).
LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    if (message == WM_PAINT || message == WM_LBUTTONDOWN || message >= WM_USER) {
      Received()[window].push_back(message);
    }
    if (message == WM_PAINT && GetWindowLongPtrA(window, GWLP_USERDATA) == 1) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
  } catch (...) {
    return 0;
  }
}

const char* RecordingClass() {
  static const char* name = [] {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PelloroRecordingWindow";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassA(&wc);
    return "PelloroRecordingWindow";
  }();
  return name;
}

// Owns a window and destroys it.
class Window {
 public:
  Window(DWORD style, HWND parent, int x, int y, int w, int h, const char* cls = nullptr,
         int id = 0) {
    handle_ = CreateWindowExA(0, cls ? cls : RecordingClass(), "", style, x, y, w, h, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              GetModuleHandleA(nullptr), nullptr);
  }
  ~Window() {
    if (handle_ != nullptr) DestroyWindow(handle_);
  }
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  HWND get() const { return handle_; }

 private:
  HWND handle_ = nullptr;
};

void DrainQueue() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message != WM_QUIT) DispatchMessageA(&msg);
  }
  Received().clear();
}

bool QueueIsEmpty() {
  MSG msg;
  return !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
}

}  // namespace

// ---- PumpMessages ------------------------------------------------------------------------------

TEST(PumpMessages, DispatchesEverythingAndRepostsQuit) {
  Window a(0, HWND_MESSAGE, 0, 0, 0, 0);
  ASSERT_NE(a.get(), nullptr);
  DrainQueue();
  PostMessageA(a.get(), WM_APP + 1, 0, 0);
  PostMessageA(a.get(), WM_APP + 2, 0, 0);
  PostQuitMessage(7);
  PumpMessages(nullptr);
  EXPECT_EQ(CountOf(a.get(), WM_APP + 1), 1);
  EXPECT_EQ(CountOf(a.get(), WM_APP + 2), 1);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "WM_QUIT was swallowed";
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_TRUE(QueueIsEmpty());
}

TEST(PumpMessages, QuitIsRepostedWithASkippedWindowToo) {
  Window a(0, HWND_MESSAGE, 0, 0, 0, 0);
  ASSERT_NE(a.get(), nullptr);
  DrainQueue();
  PostQuitMessage(3);
  PumpMessages(a.get());
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
}

TEST(PumpMessages, DropsInputForTheWindowAndItsParentOnly) {
  Window parent(0, HWND_MESSAGE, 0, 0, 10, 10);
  ASSERT_NE(parent.get(), nullptr);
  Window child(WS_CHILD, parent.get(), 0, 0, 5, 5);
  Window other(0, HWND_MESSAGE, 0, 0, 10, 10);
  ASSERT_NE(child.get(), nullptr);
  ASSERT_NE(other.get(), nullptr);
  ASSERT_EQ(GetParent(child.get()), parent.get());
  DrainQueue();
  for (HWND w : {child.get(), parent.get(), other.get()}) {
    PostMessageA(w, WM_LBUTTONDOWN, 0, 0);
    PostMessageA(w, WM_APP + 5, 0, 0);
  }
  PumpMessages(child.get());
  EXPECT_EQ(CountOf(child.get(), WM_LBUTTONDOWN), 0);
  EXPECT_EQ(CountOf(child.get(), WM_APP + 5), 0);
  EXPECT_EQ(CountOf(parent.get(), WM_LBUTTONDOWN), 0);
  EXPECT_EQ(CountOf(parent.get(), WM_APP + 5), 0);
  EXPECT_EQ(CountOf(other.get(), WM_LBUTTONDOWN), 1);
  EXPECT_EQ(CountOf(other.get(), WM_APP + 5), 1);
  EXPECT_TRUE(QueueIsEmpty()) << "dropped messages are removed from the queue";
}

// A window that never validates its update region makes WM_PAINT again and again; a pump that
// waits for an empty queue must still return, with the skipped window as with any other.
TEST(PumpMessages, ReturnsDespiteAPainterThatNeverValidates) {
  Window painter(WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 10, 10, 200, 150);
  if (painter.get() == nullptr) GTEST_SKIP() << "no display: visible windows cannot be made";
  for (bool skipIt : {false, true}) {
    SCOPED_TRACE(skipIt ? "window skipped" : "no window skipped");
    SetWindowLongPtrA(painter.get(), GWLP_USERDATA, 0);
    DrainQueue();  // earlier paints, while the window still validates
    SetWindowLongPtrA(painter.get(), GWLP_USERDATA, 1);
    InvalidateRect(painter.get(), nullptr, TRUE);

    // Should the pump spin, the watchdog validates the window from outside after a while, and
    // the elapsed time shows it.
    std::atomic<bool> done{false};
    std::atomic<bool> rescued{false};
    HWND target = painter.get();
    std::thread watchdog([&] {
      for (int i = 0; i < 100 && !done; ++i) Sleep(50);
      if (!done) {
        rescued = true;
        ValidateRect(target, nullptr);
      }
    });
    PumpMessages(skipIt ? painter.get() : nullptr);
    done = true;
    watchdog.join();
    EXPECT_FALSE(rescued) << "PumpMessages kept pumping WM_PAINT";
    RECT desk = {};
    GetWindowRect(GetDesktopWindow(), &desk);
    EXPECT_GE(CountOf(painter.get(), WM_PAINT), 1)
        << "the window is still painted; visible " << IsWindowVisible(painter.get()) << ", screen "
        << GetSystemMetrics(SM_CXSCREEN) << "x" << GetSystemMetrics(SM_CYSCREEN) << ", desktop "
        << desk.right << "x" << desk.bottom << ", foreground "
        << (GetForegroundWindow() == painter.get());
    EXPECT_FALSE(GetUpdateRect(painter.get(), nullptr, FALSE));
  }
}

// ---- INI access
// ----------------------------------------------------------------------------------

class ProfileTest : public ::testing::Test {
 protected:
  std::string Ini() const { return folder_ / "TEST.INI"; }
  std::string Raw(const char* key) const {
    char buffer[1024] = {};
    GetPrivateProfileStringA("Sect", key, "<missing>", buffer, sizeof buffer, Ini().c_str());
    return buffer;
  }
  testutil::TempFolder folder_;
};

TEST_F(ProfileTest, WriteEscapesLineBreaksAndReadRestoresThem) {
  struct Case {
    const char* key;
    const char* text;
    const char* stored;
    const char* readBack;
  } cases[] = {
      {"Plain", "value", "value", "value"},
      {"Lines", "line1\nline2", "line1\\nline2", "line1\nline2"},
      {"Three", "a\nb\nc", "a\\nb\\nc", "a\nb\nc"},
      {"Trailing", "end\n", "end\\n", "end\n"},
      {"StandIn", "x\by", "x\\ny", "x\ny"},  // character 8 stands for a line break
      {"Path", "C:\\DIR\\NAME.ZIP", "C:\\DIR\\NAME.ZIP", "C:\\DIR\\NAME.ZIP"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    CZText value(c.text);
    EXPECT_TRUE(value.WriteProfileString("Sect", c.key, Ini().c_str()));
    EXPECT_EQ(Raw(c.key), c.stored);
    CZText read;
    CZText result = read.ReadProfileString("Sect", c.key, Ini().c_str(), 512);
    EXPECT_EQ(read.str(), c.readBack);
    EXPECT_EQ(result.str(), c.readBack);
  }
}

TEST_F(ProfileTest, StoredTextIsReadWithItsEscapes) {
  ASSERT_TRUE(testutil::WriteWholeFile(Ini(), std::string("[Sect]\r\nText=line1\\nline2\r\n")));
  CZText read("old");
  read.ReadProfileString("Sect", "Text", Ini().c_str(), 512);
  EXPECT_EQ(read.str(), "line1\nline2");
  read.WriteProfileString("Sect", "Again", Ini().c_str());
  EXPECT_EQ(Raw("Again"), "line1\\nline2");
}

TEST_F(ProfileTest, MissingValuesReadAsEmptyAndLongOnesAreCutToMaxLen) {
  CZText value("abcdefgh");
  ASSERT_TRUE(value.WriteProfileString("Sect", "Long", Ini().c_str()));
  struct Case {
    const char* name;
    const char* section;
    const char* key;
    std::string file;
    int maxLen;
    const char* expected;
  } cases[] = {
      {"missing key", "Sect", "Nope", Ini(), 512, ""},
      {"missing section", "None", "Long", Ini(), 512, ""},
      {"missing file", "Sect", "Long", folder_ / "NONE.INI", 512, ""},
      {"cut to maxLen", "Sect", "Long", Ini(), 5, "abcde"},
      {"exact maxLen", "Sect", "Long", Ini(), 8, "abcdefgh"},
      {"maxLen 0", "Sect", "Long", Ini(), 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CZText read("previous");
    read.ReadProfileString(c.section, c.key, c.file.c_str(), c.maxLen);
    EXPECT_EQ(read.str(), c.expected);
  }
}

// ---- formatting and display forms --------------------------------------------------------------

TEST(CZTextFormat, FormatsWholeResults) {
  CZText target;
  target.SetFlag(9);
  CZText result = CZText::Format(target, "%s.%03i", "C:\\DIR\\A", 7);
  EXPECT_EQ(target.str(), "C:\\DIR\\A.007");
  EXPECT_EQ(result.str(), "C:\\DIR\\A.007");
  EXPECT_EQ(result.GetFlag(), 9);
  CZText::Format(target, "%s%s%03i%s", "C:\\DIR\\", "~T", 1, ".ZIP");
  EXPECT_EQ(target.str(), "C:\\DIR\\~T001.ZIP");
  CZText::Format(target, "%lu %d %x %c", 4000000000ul, -5, 255, 'z');
  EXPECT_EQ(target.str(), "4000000000 -5 ff z");
  CZText::Format(target, "");
  EXPECT_EQ(target.str(), "");

  // Far more than 511 characters: the result is whole, and nothing is written past a buffer.
  const std::string longName(2000, 'N');
  CZText::Format(target, "[%s]", longName.c_str());
  EXPECT_EQ(target.str(), "[" + longName + "]");

  // The target may be one of the arguments.
  CZText self("abc");
  CZText::Format(self, "%s-%s", self.c_str(), self.c_str());
  EXPECT_EQ(self.str(), "abc-abc");
}

TEST(CZTextCompactPath, ShortensForDisplay) {
  struct Case {
    const char* input;
    int maxLen;
    BOOL upper;
    const char* expected;
  } cases[] = {
      {"C:\\PROGRAM FILES\\APP\\DATA\\ARCHIVE.ZIP", 28, FALSE, "C:\\...\\ARCHIVE.ZIP"},
      {"C:\\APP\\DATA\\LONGER\\ARCHIVE.ZIP", 28, FALSE, "C:\\APP\\DATA\\...\\ARCHIVE.ZIP"},
      {"C:\\TWENTY\\CHARS.ZIP", 28, FALSE, "C:\\TWENTY\\CHARS.ZIP"},
      {"c:\\short.zip", 28, TRUE, "C:\\SHORT.ZIP"},
      {"ARCHIVEWITHAVERYLONGNAME.ZIP0123", 28, FALSE, "ARCHIVEWITHAVERYLONGNAME.ZIP"},
      {"archivewithaverylongname.zip0123", 28, TRUE, "ARCHIVEWITHAVERYLONGNAME.ZIP"},
      {"C:/APP/DATA/LONGER/ARCHIVE.ZIP", 28, FALSE, "C:\\APP\\DATA\\...\\ARCHIVE.ZIP"},
      {"C:\\SOME\\VERY\\LONG\\FOLDER\\NAMES\\", 20, FALSE, "C:\\SOME\\...\\NAMES\\"},
      {"C:\\A\\AVERYVERYVERYLONGFILENAME.ZIP", 20, FALSE, "\\...\\AVERYVERYVERYLONGFILENAME.ZIP"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    CZText text(c.input);
    CZText result = text.CompactPath(c.maxLen, c.upper);
    EXPECT_EQ(text.str(), c.expected);
    EXPECT_EQ(result.str(), c.expected);
  }
}

// ---- numbers and calendar --------------------------------------------------------------------

TEST(EngineNumbers, RoundTo) {
  struct Case {
    double value;
    int decimals;
    double expected;
  } cases[] = {{2.5, 0, 3.0},  {-2.5, 0, -2.0},         {2.4, 0, 2.0},
               {1.25, 1, 1.3}, {1234.5678, 2, 1234.57}, {0.0, 3, 0.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_NEAR(RoundTo(c.value, c.decimals), c.expected, 1e-9);
  }
}

// The 32-bit build gives the 64-bit build's bits, also where the formula's own rounding shows
// (0.125 / 0.01 is 12.4999... in doubles, and 0.01 as pow gives it is above 0.01).
TEST(EngineNumbers, RoundToGivesTheSameBitsInEveryBuild) {
  struct Case {
    double value;
    int decimals;
    double expected;
  } cases[] = {
      {1.25, 1, 0x1.4cccccccccccdp+0},
      {6.55, 1, 0x1.a666666666667p+2},
      {2.675, 2, 0x1.55c28f5c28f5dp+1},
      {0.125, 2, 0x1.eb851eb851ebap-4},
      {-0.125, 2, -0x1.eb851eb851ebap-4},
      {1.005, 2, 0x1.0000000000001p+0},
      {47.445, 2, 0x1.7b851eb851ebap+5},
      {0.49999999999999994, 0, 1.0},
      {1e-300, 9, 0.0},
      {123456789.125, 2, 0x1.d6f34547ae149p+26},
      {1234.5678, 2, 0x1.34a47ae147ae2p+10},
      {-0.4, 0, 0.0},
      {1250.0, -2, 1300.0},
      {0.1 + 0.2, 1, 0x1.3333333333334p-2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.value << " to " << c.decimals);
    const double got = RoundTo(c.value, c.decimals);
    EXPECT_EQ(0, std::memcmp(&got, &c.expected, sizeof got)) << got << " for " << c.expected;
  }
}

TEST(EngineNumbers, PercentOfRoundsDownInIntegers) {
  struct Case {
    uint64_t done, total, expected;
  } cases[] = {{0, 100, 0},
               {50, 100, 50},
               {1, 3, 33},
               {2, 3, 66},
               {24576, 104857600, 0},
               {24576ull * 1000, 104857600, 23},
               {150, 100, 150},  // a file that grew while it was read
               {5, 0, 100},
               {(1ull << 62) - 1, 1ull << 62, 99},
               {uint64_t{1} << 40, (uint64_t{1} << 40) * 3, 33}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.done << " of " << c.total);
    EXPECT_EQ(PercentOf(c.done, c.total), c.expected);
  }
}

TEST(EngineCalendar, IsValidDate) {
  struct Case {
    int year, month, day;
    BOOL expected;
  } cases[] = {
      {1900, 2, 29, FALSE}, {2000, 2, 29, TRUE},  {1996, 2, 29, TRUE},  {1997, 2, 29, FALSE},
      {1997, 2, 28, TRUE},  {1997, 4, 31, FALSE}, {1997, 4, 30, TRUE},  {1997, 13, 1, FALSE},
      {1997, 0, 1, FALSE},  {1997, 1, 0, FALSE},  {1997, 12, 31, TRUE}, {1997, 1, 32, FALSE},
      {2107, 12, 31, TRUE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.year << "-" << c.month << "-" << c.day);
    EXPECT_EQ(IsValidDate(c.year, c.month, c.day), c.expected);
  }
}

TEST(EngineCalendar, IsValidTime) {
  struct Case {
    WORD hour, minute, second;
    WORD day;
    BOOL expected;
  } cases[] = {{0, 0, 0, 1, TRUE},   {23, 59, 59, 1, TRUE}, {12, 0, 60, 1, FALSE},
               {24, 0, 0, 1, FALSE}, {12, 60, 0, 1, FALSE}, {12, 0, 0, 32, FALSE}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.hour << ":" << c.minute << ":" << c.second);
    SYSTEMTIME t = {};
    t.wYear = 2001;
    t.wMonth = 1;
    t.wDay = c.day;
    t.wHour = c.hour;
    t.wMinute = c.minute;
    t.wSecond = c.second;
    EXPECT_EQ(IsValidTime(t), c.expected);
    DosDateTime d = {2001, 1, c.day, c.hour, c.minute, c.second};
    EXPECT_EQ(IsValidTime(d), c.expected);
  }
  // MS-DOS seconds are stored halved: the field value 30 means 60 seconds.
  DosDateTime fromDos = UnpackDosDateTime(PackDosDate({2001, 1, 1, 0, 0, 0}), 30);
  EXPECT_FALSE(IsValidTime(fromDos));
}

// ---- MS-DOS times through 64-bit file times -----------------------------------------------------

namespace {

FILETIME LocalTime(int year, int month, int day, int hour, int minute, int second) {
  SYSTEMTIME local = {};
  local.wYear = static_cast<WORD>(year);
  local.wMonth = static_cast<WORD>(month);
  local.wDay = static_cast<WORD>(day);
  local.wHour = static_cast<WORD>(hour);
  local.wMinute = static_cast<WORD>(minute);
  local.wSecond = static_cast<WORD>(second);
  FILETIME utc = {};
  EXPECT_TRUE(LocalCalendarToFileTime(local, &utc)) << year << "-" << month << "-" << day;
  return utc;
}

uint32_t Dos(int year, int month, int day, int hour, int minute, int second) {
  DosDateTime t = {year, month, day, hour, minute, second};
  return (static_cast<uint32_t>(PackDosDate(t)) << 16) | PackDosTime(t);
}

}  // namespace

TEST(DosTime, FileTimesOfEveryYearTheFormatHolds) {
  struct Case {
    const char* name;
    int y, mo, d, h, mi, s;
    uint32_t expected;
  } cases[] = {
      {"first day", 1980, 1, 1, 0, 0, 0, Dos(1980, 1, 1, 0, 0, 0)},
      {"1980 evening", 1980, 6, 30, 18, 45, 12, Dos(1980, 6, 30, 18, 45, 12)},
      {"2037", 2037, 12, 31, 23, 59, 58, Dos(2037, 12, 31, 23, 59, 58)},
      {"past the 32-bit end", 2038, 1, 19, 3, 14, 8, Dos(2038, 1, 19, 3, 14, 8)},
      {"2040, odd second", 2040, 6, 15, 12, 30, 45, Dos(2040, 6, 15, 12, 30, 44)},
      {"leap day 2096", 2096, 2, 29, 1, 2, 4, Dos(2096, 2, 29, 1, 2, 4)},
      {"last moment", 2107, 12, 31, 23, 59, 58, Dos(2107, 12, 31, 23, 59, 58)},
      {"1979 clamps up", 1979, 6, 15, 10, 0, 0, Dos(1980, 1, 1, 0, 0, 0)},
      {"1601 clamps up", 1601, 1, 2, 0, 0, 0, Dos(1980, 1, 1, 0, 0, 0)},
      {"2108 clamps down", 2108, 3, 1, 0, 0, 0, Dos(2107, 12, 31, 23, 59, 58)},
      {"3000 clamps down", 3000, 1, 1, 0, 0, 0, Dos(2107, 12, 31, 23, 59, 58)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const FILETIME utc = LocalTime(c.y, c.mo, c.d, c.h, c.mi, c.s);
    EXPECT_EQ(DosDateTimeFromFileTime(utc), c.expected);
  }
  const FILETIME beyondCalendar = {0xFFFFFFFFu, 0xFFFFFFFFu};
  EXPECT_EQ(DosDateTimeFromFileTime(beyondCalendar), Dos(2107, 12, 31, 23, 59, 58));
  const FILETIME zero = {0, 0};
  EXPECT_EQ(DosDateTimeFromFileTime(zero), Dos(1980, 1, 1, 0, 0, 0));
}

TEST(DosTime, DosTimesBackToFileTimes) {
  struct Case {
    int y, mo, d, h, mi, s;
  } cases[] = {{1980, 1, 1, 0, 0, 0},
               {2037, 12, 31, 23, 59, 58},
               {2040, 6, 15, 12, 30, 44},
               {2107, 12, 31, 23, 59, 58}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.y);
    const uint32_t dos = Dos(c.y, c.mo, c.d, c.h, c.mi, c.s);
    FILETIME utc = {};
    ASSERT_TRUE(FileTimeFromDosDateTime(static_cast<uint16_t>(dos >> 16),
                                        static_cast<uint16_t>(dos & 0xFFFF), &utc));
    EXPECT_EQ(DosDateTimeFromFileTime(utc), dos);
  }
  FILETIME unused = {};
  EXPECT_FALSE(FileTimeFromDosDateTime(PackDosDate({1999, 13, 1, 0, 0, 0}), 0, &unused));
  EXPECT_FALSE(FileTimeFromDosDateTime(PackDosDate({1999, 2, 30, 0, 0, 0}), 0, &unused));
  EXPECT_FALSE(FileTimeFromDosDateTime(PackDosDate({1999, 1, 1, 0, 0, 0}), 30, &unused));
}

TEST(DosTime, FilesDatedAfter2038KeepTheirDates) {
  testutil::TempFolder folder;
  for (int year : {1980, 2037, 2040, 2107}) {
    SCOPED_TRACE(year);
    const std::string name = folder / ("dated" + std::to_string(year) + ".txt");
    ASSERT_TRUE(testutil::WriteWholeFile(name, std::string("d")));
    HANDLE h =
        CreateFileA(name.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const FILETIME when = LocalTime(year, 3, 4, 5, 6, 8);
    EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &when));
    CloseHandle(h);
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ASSERT_TRUE(GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(DosDateTimeFromFileTime(data.ftLastWriteTime), Dos(year, 3, 4, 5, 6, 8));
  }
}

// ---- windows and dialog items ---------------------------------------------------------------

TEST(CenterWindow, KeepsALargeWindowOnTheScreen) {
  EXPECT_FALSE(CenterWindow(nullptr, FALSE));
  // Hidden windows move at once; only the desktop form shows its window.
  Window parent(WS_POPUP, nullptr, 0, 0, 100, 100);
  if (parent.get() == nullptr) GTEST_SKIP() << "no display: windows cannot be made";
  Window large(WS_POPUP, parent.get(), 300, 300, 400, 300);
  ASSERT_NE(large.get(), nullptr);
  ASSERT_EQ(GetParent(large.get()), parent.get());
  EXPECT_TRUE(CenterWindow(large.get(), FALSE));
  RECT r;
  GetWindowRect(large.get(), &r);
  EXPECT_EQ(r.left, 40) << "screen " << GetSystemMetrics(SM_CXSCREEN) << "x"
                        << GetSystemMetrics(SM_CYSCREEN);
  EXPECT_EQ(r.top, 30);
  EXPECT_EQ(r.right - r.left, 400) << "the size stays";

  Window small(WS_POPUP, parent.get(), 0, 0, 20, 40);
  EXPECT_TRUE(CenterWindow(small.get(), FALSE));
  GetWindowRect(small.get(), &r);
  EXPECT_EQ(r.left, 40) << "(100 - 20) / 2 + 4 = 44, down to a multiple of 8";
  EXPECT_EQ(r.top, 30);

  EXPECT_TRUE(CenterDialog(large.get(), TRUE));
  GetWindowRect(large.get(), &r);
  RECT desktop;
  GetWindowRect(GetDesktopWindow(), &desktop);
  EXPECT_EQ(r.left, (desktop.right - desktop.left) / 2 - 200);
  EXPECT_EQ(r.top, (desktop.bottom - desktop.top) / 2 - 150);
  EXPECT_TRUE(IsWindowVisible(large.get())) << "the desktop form shows the window";
}

TEST(DialogItems, TextEnableAndSelection) {
  Window dialog(WS_POPUP, nullptr, 0, 0, 300, 200);
  if (dialog.get() == nullptr) GTEST_SKIP() << "no display: windows cannot be made";
  Window edit(WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, dialog.get(), 0, 0, 200, 20, "EDIT", 100);
  Window ok(WS_CHILD | WS_VISIBLE, dialog.get(), 0, 30, 60, 20, "BUTTON", IDOK);
  ASSERT_NE(edit.get(), nullptr);
  ASSERT_NE(ok.get(), nullptr);

  CZText("C:\\ARCHIVE.ZIP").ToDlgItem(dialog.get(), 100);
  char buffer[64] = {};
  GetWindowTextA(edit.get(), buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "C:\\ARCHIVE.ZIP");

  CZText read("old");
  EXPECT_EQ(read.FromDlgItem(dialog.get(), 100).str(), "C:\\ARCHIVE.ZIP");
  CZText unchanged("keep");
  EXPECT_EQ(unchanged.FromDlgItem(nullptr, 100).str(), "keep") << "no window: no change";
  EXPECT_EQ(unchanged.FromDlgItem(dialog.get(), 999).str(), "keep") << "no item: no change";
  CZText length;
  EXPECT_EQ(length.FromDlgItemLength(dialog.get(), 100), 14);
  EXPECT_EQ(length.str(), "C:\\ARCHIVE.ZIP");
  EXPECT_EQ(length.FromDlgItemLength(dialog.get(), 999), -1);

  CZText("Caption").ToDlgItem(dialog.get(), 0);
  GetWindowTextA(dialog.get(), buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "Caption") << "item 0 is the window itself";
  CZText empty("x");
  EXPECT_EQ(empty.FromDlgItem(dialog.get(), 0).str(), "Caption");
  SetWindowTextA(edit.get(), "");
  EXPECT_EQ(empty.FromDlgItem(dialog.get(), 100).str(), "");

  EnableOKButton(dialog.get(), FALSE);
  EXPECT_FALSE(IsWindowEnabled(ok.get()));
  EnableOKButton(dialog.get(), TRUE);
  EXPECT_TRUE(IsWindowEnabled(ok.get()));
  EnableDlgItem(dialog.get(), 100, FALSE);
  EXPECT_FALSE(IsWindowEnabled(edit.get()));
  EnableDlgItem(dialog.get(), 100, TRUE);
  EnableDlgItem(dialog.get(), 999, FALSE);  // a missing item is passed over

  SetWindowTextA(edit.get(), "abcdef");
  SelectDlgItemText(dialog.get(), 100);
  DWORD start = 0, end = 0;
  SendMessageA(edit.get(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 6u);
  CZText("abcd").CaretToEndInDlgItem(dialog.get(), 100);
  SendMessageA(edit.get(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 4u);
  EXPECT_EQ(end, 4u);
  SelectDlgItemText(dialog.get(), 999);  // passed over
}
