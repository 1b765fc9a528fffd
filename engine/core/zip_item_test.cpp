#include "core/zip_item.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using zipitem::EntryFacts;

uint16_t DosDate(int year, int month, int day) {
  return static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day);
}
uint16_t DosTime(int hour, int minute, int second) {
  return static_cast<uint16_t>((hour << 11) | (minute << 5) | (second / 2));
}

EntryFacts File(uint32_t size, uint32_t packed, int year = 2001) {
  EntryFacts e;
  e.externalAttributes = 0x20;
  e.method = 8;
  e.date = DosDate(year, 6, 15);
  e.time = DosTime(13, 47, 58);
  e.crc = 0x1234ABCD;
  e.uncompressedSize = size;
  e.compressedSize = packed;
  return e;
}

int Strcmp(const char* a, const char* b) { return std::strcmp(a, b); }

TEST(ItemText, FolderFileAndTopLevelForms) {
  EntryFacts folder;
  folder.externalAttributes = 0x10;
  folder.date = DosDate(1999, 1, 2);
  const std::string folderText = zipitem::FormatText(folder, "DOCS\\", " ", 40);
  EXPECT_EQ(folderText.substr(0, 3), "100");
  EXPECT_EQ(folderText.substr(folderText.size() - 8), ";DOCS\\: ");
  ZIPITEM item;
  zipitem::ParseText(folderText.c_str(), &item);
  EXPECT_STREQ(item.Dir, "DOCS\\");
  EXPECT_STREQ(item.Name, "");
  EXPECT_EQ(item.IsDir, 1);
  EXPECT_EQ(item.Year, 99);
  EXPECT_EQ(item.IconIndex, 40);

  const std::string nested = zipitem::FormatText(File(1000, 333), "A\\B\\", "C.TXT", 3);
  zipitem::ParseText(nested.c_str(), &item);
  EXPECT_STREQ(item.Dir, "A\\B\\");
  EXPECT_STREQ(item.Name, "C.TXT");
  EXPECT_EQ(item.Rate, 67);
  EXPECT_EQ(item.OriginalSize, 1000);
  EXPECT_EQ(item.Method, 8);
  EXPECT_EQ(item.Hour, 13);
  EXPECT_EQ(item.Min, 47);
  EXPECT_EQ(item.Day, 15);
  EXPECT_EQ(item.Month, 6);
  EXPECT_EQ(item.Year, 1);
  EXPECT_EQ(item.IsArchive, 1);
  EXPECT_EQ(item.Crc, 0x1234ABCDu);

  const std::string top = zipitem::FormatText(File(5, 5), "", "README", 0);
  EXPECT_EQ(top.substr(top.size() - 7), ":README");
  zipitem::ParseText(top.c_str(), &item);
  EXPECT_STREQ(item.Dir, "");
  EXPECT_STREQ(item.Name, "README");
}

TEST(ItemText, NumbersAndFlagsRoundTrip) {
  struct Case {
    EntryFacts entry;
    int32_t rate;
    int32_t year;
  } cases[] = {
      {File(1000, 333), 67, 1},
      {File(100, 200), 0, 1},  // grew: 0
      {File(0, 0), 0, 1},      // empty file
      {File(1000, 1000, 1999), 0, 99},
      {File(1000, 1, 2003), 100, 3},
  };
  for (const Case& c : cases) {
    ZIPITEM parsed;
    zipitem::ParseText(zipitem::FormatText(c.entry, "", "X", 0).c_str(), &parsed);
    EXPECT_EQ(parsed.Rate, c.rate) << c.entry.uncompressedSize;
    EXPECT_EQ(parsed.Year, c.year);
    ZIPITEM record;
    zipitem::FillRecord(c.entry, "", "X", 0, &record);
    EXPECT_EQ(record.Rate, c.rate);
    EXPECT_EQ(record.Year, c.year);
  }
  EntryFacts odd = File(7, 7);
  odd.crc = 0xFFFFFFFF;
  odd.flags = 1;
  odd.commentLength = 3;
  odd.externalAttributes = 0x27;  // archive, read-only, hidden, system
  odd.method = 9;                 // Deflate64 and beyond read as 9
  ZIPITEM parsed;
  const std::string text = zipitem::FormatText(odd, "", "X", 0);
  EXPECT_EQ(text.substr(0, 3), "e79");
  EXPECT_NE(text.find(";4294967295;"), std::string::npos) << text;
  zipitem::ParseText(text.c_str(), &parsed);
  EXPECT_EQ(parsed.Crc, 4294967295u);
  EXPECT_EQ(parsed.IsEncrypted, 1);
  EXPECT_EQ(parsed.IsAnnotated, 1);
  EXPECT_EQ(parsed.IsReadOnly + parsed.IsHidden + parsed.IsSystem + parsed.IsArchive, 4);
  EXPECT_EQ(parsed.Method, 9);
  ZIPITEM record;
  odd.method = 12;
  zipitem::FillRecord(odd, "", "X", 0, &record);
  EXPECT_EQ(record.Method, 9);
  EXPECT_EQ(record.IsArchive, 0x20);
  EXPECT_EQ(record.IsReadOnly, 1);
  EXPECT_EQ(record.IsHidden, 2);
  EXPECT_EQ(record.IsSystem, 4);
  EXPECT_EQ(record.IsEncrypted, 1);
  EXPECT_EQ(record.IsAnnotated, 1);
  EXPECT_EQ(record.Crc, 0xFFFFFFFFu);
  EXPECT_EQ(record.Min, 47);  // seconds are not kept
}

TEST(ItemText, ColonsAndSemicolonsInNames) {
  struct Case {
    const char* dir;
    const char* name;
    bool folder;
  } cases[] = {
      {"", "A:B.TXT", false},    {"", "A;B.TXT", false}, {"X;Y\\", "N:1;2.TXT", false},
      {"X:Y\\", "N.TXT", false}, {"A;B:C\\", " ", true}, {"", ";", false},
  };
  for (const Case& c : cases) {
    EntryFacts e = File(10, 5);
    if (c.folder) e.externalAttributes = 0x10;
    const std::string text = zipitem::FormatText(e, c.dir, c.name, 9);
    ZIPITEM item;
    zipitem::ParseText(text.c_str(), &item);
    EXPECT_STREQ(item.Dir, c.dir) << text;
    EXPECT_STREQ(item.Name, std::string(c.name) == " " ? "" : c.name) << text;
    EXPECT_EQ(item.OriginalSize, c.folder ? 0 : 10) << text;
    EXPECT_EQ(item.IconIndex, 9) << text;
  }
}

TEST(ItemText, LongPartsAndMissingFieldsAreSafe) {
  const std::string longName(400, 'N');
  ZIPITEM record;
  zipitem::FillRecord(File(1, 1), std::string(1500, 'D'), longName, 0, &record);
  EXPECT_EQ(std::strlen(record.Name), 259u);
  EXPECT_EQ(std::strlen(record.Dir), 1023u);
  const std::string text = zipitem::FormatText(File(1, 1), std::string(1500, 'D'), longName, 0);
  EXPECT_EQ(text.size(), zipitem::kMaxTextLength);
  ZIPITEM parsed;
  zipitem::ParseText(text.c_str(), &parsed);
  EXPECT_LE(std::strlen(parsed.Dir), 1023u);
  const char* partial[] = {"", "3", "2f8;1;2", "zz8;1;2;3;4;5;6;7;8", ";;;;;;;;;;", "xx"};
  for (const char* p : partial) {
    zipitem::ParseText(p, &parsed);  // never reads past the text
    EXPECT_EQ(parsed.Crc, 0u) << p;
  }
  zipitem::ParseText("2f8;1;2", &parsed);
  EXPECT_EQ(parsed.Hour, 1);
  EXPECT_EQ(parsed.Min, 2);
  EXPECT_EQ(parsed.Day, 0);
  EXPECT_STREQ(parsed.Name, "");
}

// The list's texts sorted as the list box is, through a vector.
struct VectorList {
  std::vector<std::string> items;
  int ticks = 0;
  int Count() const { return static_cast<int>(items.size()); }
  std::string Read(int i) const { return items[static_cast<size_t>(i)]; }
  void Swap(int j, int jh, const std::string& a, const std::string& b) {
    items[static_cast<size_t>(j)] = b;
    items[static_cast<size_t>(jh)] = a;
  }
  void Tick() { ++ticks; }
};

std::vector<std::string> Names(const std::vector<std::string>& texts) {
  std::vector<std::string> names;
  for (const auto& t : texts) {
    ZIPITEM item;
    zipitem::ParseText(t.c_str(), &item);
    names.push_back(std::string(item.Dir) + "|" + item.Name);
  }
  return names;
}

TEST(ItemSort, ModesZeroToFiveOnOneList) {
  EntryFacts older = File(500, 100, 1999);
  EntryFacts newer = File(20, 19, 2003);
  EntryFacts middle = File(9000, 900, 2001);
  EntryFacts sameDayLater = File(1, 1, 2001);
  sameDayLater.time = DosTime(14, 0, 0);
  const std::vector<std::string> texts = {
      zipitem::FormatText(older, "B\\", "Z.TXT", 0),
      zipitem::FormatText(newer, "", "M.TXT", 0),
      zipitem::FormatText(middle, "A:X\\", "Q;1.TXT", 0),
      zipitem::FormatText(sameDayLater, "B\\", "A.TXT", 0),
  };
  struct Case {
    int mode;
    std::vector<std::string> order;
  } cases[] = {
      {0, {"|M.TXT", "A:X\\|Q;1.TXT", "B\\|A.TXT", "B\\|Z.TXT"}},
      {1, {"B\\|A.TXT", "|M.TXT", "A:X\\|Q;1.TXT", "B\\|Z.TXT"}},
      {2, {"|M.TXT", "A:X\\|Q;1.TXT", "B\\|Z.TXT", "B\\|A.TXT"}},  // folder only: stable pair
      {3, {"|M.TXT", "B\\|A.TXT", "A:X\\|Q;1.TXT", "B\\|Z.TXT"}},  // newest first
      {4, {"A:X\\|Q;1.TXT", "B\\|Z.TXT", "|M.TXT", "B\\|A.TXT"}},  // largest first
      {5, {"A:X\\|Q;1.TXT", "B\\|Z.TXT", "|M.TXT", "B\\|A.TXT"}},  // 90, 80, 5, 0
      {7, {"B\\|Z.TXT", "|M.TXT", "A:X\\|Q;1.TXT", "B\\|A.TXT"}},  // unknown mode: unchanged
      {-1, {"B\\|Z.TXT", "|M.TXT", "A:X\\|Q;1.TXT", "B\\|A.TXT"}},
  };
  for (const Case& c : cases) {
    VectorList list{texts};
    zipitem::ShellSort(list, c.mode, Strcmp);
    EXPECT_EQ(Names(list.items), c.order) << "mode " << c.mode;
  }
}

TEST(ItemSort, YearsBelowFiftyAreThisCentury) {
  const std::string y1999 = zipitem::FormatText(File(1, 1, 1999), "", "OLD", 0);
  const std::string y2003 = zipitem::FormatText(File(1, 1, 2003), "", "NEW", 0);
  EXPECT_TRUE(zipitem::OutOfOrder(y1999, y2003, 3, Strcmp));
  EXPECT_FALSE(zipitem::OutOfOrder(y2003, y1999, 3, Strcmp));
  EXPECT_FALSE(zipitem::OutOfOrder(y2003, y2003, 3, Strcmp));
}

TEST(ItemSort, ManyItemsTickEveryTwentyFive) {
  VectorList list;
  for (int i = 0; i < 300; ++i) {
    list.items.push_back(zipitem::FormatText(File(static_cast<uint32_t>((i * 37) % 300), 1), "",
                                             "F" + std::to_string(i), 0));
  }
  zipitem::ShellSort(list, 4, Strcmp);
  for (size_t i = 1; i < list.items.size(); ++i) {
    ZIPITEM a, b;
    zipitem::ParseText(list.items[i - 1].c_str(), &a);
    zipitem::ParseText(list.items[i].c_str(), &b);
    EXPECT_GE(a.OriginalSize, b.OriginalSize);
  }
  EXPECT_GT(list.ticks, 0);
}

struct FakeLookups : zipitem::IconLookups {
  int32_t probeAnswer = 7;
  int probes = 0;
  bool HasAssociatedProgram(const std::string& extension) override { return extension == "TXT"; }
  int32_t ProbeSystemIcon(const std::string&) override {
    ++probes;
    return probeAnswer;
  }
};

TEST(ItemIcons, ChoiceByKindAndExtension) {
  struct Case {
    bool folder, encrypted;
    const char* name;
    bool windows;
    int32_t probe;
    int32_t expected;
    int probes;
  } cases[] = {
      {true, false, " ", true, 7, 40, 0},
      {false, true, "A.TXT", true, 7, 41, 0},
      {false, false, "SETUP.EXE", true, 7, 42, 0},
      {false, false, "A.PIF", false, 7, 42, 0},
      {false, false, "README", true, 7, 0, 0},
      {false, false, "README", false, 7, 45, 0},
      {false, false, "A.LONGER", true, 7, 0, 0},
      {false, false, "A.", false, 7, 45, 0},
      {false, false, "A.TXT", false, 7, 44, 0},
      {false, false, "A.DOC", false, 7, 45, 0},
      {false, false, "A.DOC", true, 7, 7, 1},
      {false, false, "A.DOC", true, 40, 45, 1},  // at or above n: the icons-off rule
      {false, false, "A.TXT", true, -1, 44, 1},  // failed probe
      {false, false, "A.T*T", true, 7, 45, 0},   // cannot name a file: no probe
      {false, false, "A.t\x01", true, 7, 45, 0},
      {false, false, "a.doc", true, 3, 3, 1},
  };
  for (const Case& c : cases) {
    FakeLookups lookups;
    lookups.probeAnswer = c.probe;
    EXPECT_EQ(zipitem::IconIndex(c.folder, c.encrypted, c.name, 40, c.windows, lookups), c.expected)
        << c.name;
    EXPECT_EQ(lookups.probes, c.probes) << c.name;
  }
}

TEST(ItemDetection, Precedence) {
  zipitem::Detection d;
  d.Consider("", "readme");
  d.Consider("A\\", "SETUP.EXE");
  d.Consider("B\\", "INSTALL.EXE");
  d.Consider("C\\", "README.TXT");
  EXPECT_EQ(d.description(), "README");
  d.Consider("D\\", "file_id.diz");
  EXPECT_EQ(d.description(), "D\\FILE_ID.DIZ");
  d.Consider("E\\", "DESC.SDI");
  d.Consider("F\\", "README");
  EXPECT_EQ(d.description(), "D\\FILE_ID.DIZ");
  EXPECT_EQ(d.setup(), "A\\SETUP.EXE");
  d.Consider("G\\", "INDEX.HTM");
  d.Consider("H\\", "index.htm");
  EXPECT_EQ(d.index(), "G\\INDEX.HTM");
  zipitem::Detection none;
  none.Consider("", "A.TXT");
  EXPECT_EQ(none.setup(), "");
  EXPECT_EQ(none.description(), "");
}

}  // namespace
