// The archive item record a host's list window carries (ZIPITEM), its one-line text form for list
// boxes, the parser of that form, the list-box order keys and the icon choice per entry. Portable:
// the Win32 side (building lists, list messages) is in the control; these rules are shared by it
// and by the writer's delete-by-selection, which reads the records back.
//
// The binary record is an interface with the host: the host's list view reads its fields by
// position, so the layout is fixed (little-endian, no gaps, 1,352 bytes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct ZIPITEM {
  char Name[260];  // file-name part, OEM, upper case; " " for a folder entry
  char Dir[1024];  // folder part with '\' separators (a folder entry: its whole name)
  int32_t IsDir;   // external attributes & 0x10 (text form: 0 or 1)
  int32_t IsEncrypted;
  int32_t Method;  // above 8 stored as 9
  int32_t Day;
  int32_t Month;
  int32_t Year;  // two digits
  int32_t Hour;
  int32_t Min;
  int32_t OriginalSize;
  int32_t Rate;
  int32_t IsArchive;   // & 0x20
  int32_t IsHidden;    // & 0x02
  int32_t IsSystem;    // & 0x04
  int32_t IsReadOnly;  // & 0x01
  int32_t IsAnnotated;
  int32_t IconIndex;
  uint32_t Crc;
};

static_assert(sizeof(ZIPITEM) == 1352, "the host reads the record by position");
static_assert(offsetof(ZIPITEM, Dir) == 260);
static_assert(offsetof(ZIPITEM, IsDir) == 1284);
static_assert(offsetof(ZIPITEM, IsEncrypted) == 1288);
static_assert(offsetof(ZIPITEM, Method) == 1292);
static_assert(offsetof(ZIPITEM, Day) == 1296);
static_assert(offsetof(ZIPITEM, Month) == 1300);
static_assert(offsetof(ZIPITEM, Year) == 1304);
static_assert(offsetof(ZIPITEM, Hour) == 1308);
static_assert(offsetof(ZIPITEM, Min) == 1312);
static_assert(offsetof(ZIPITEM, OriginalSize) == 1316);
static_assert(offsetof(ZIPITEM, Rate) == 1320);
static_assert(offsetof(ZIPITEM, IsArchive) == 1324);
static_assert(offsetof(ZIPITEM, IsHidden) == 1328);
static_assert(offsetof(ZIPITEM, IsSystem) == 1332);
static_assert(offsetof(ZIPITEM, IsReadOnly) == 1336);
static_assert(offsetof(ZIPITEM, IsAnnotated) == 1340);
static_assert(offsetof(ZIPITEM, IconIndex) == 1344);
static_assert(offsetof(ZIPITEM, Crc) == 1348);

namespace zipitem {

inline constexpr size_t kMaxNameLength = sizeof(ZIPITEM::Name) - 1;  // 259
inline constexpr size_t kMaxDirLength = sizeof(ZIPITEM::Dir) - 1;
inline constexpr size_t kMaxTextLength = 1023;  // the text form is cut here (1,024 with its NUL)
inline constexpr int kItemTextBufferSize = 2048;

// What one central header gives the record.
struct EntryFacts {
  uint32_t externalAttributes = 0;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint16_t time = 0;
  uint16_t date = 0;
  uint32_t crc = 0;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  uint16_t commentLength = 0;
};

inline bool IsFolder(const EntryFacts& e) { return (e.externalAttributes & 0x10) != 0; }
inline bool IsEncrypted(const EntryFacts& e) { return (e.flags & 1) != 0; }

// Saving in percent: (U - C) / U * 100 + 0.5, truncated; below 1 or above 100 gives 0.
int32_t Rate(uint32_t uncompressed, uint32_t compressed);

// The binary record of a list-view item (flags as their masked bits). dir and name are cut to
// what the record holds.
void FillRecord(const EntryFacts& entry, const std::string& dir, const std::string& name,
                int32_t iconIndex, ZIPITEM* item);

// The list-box text of an entry: "%.2x%i;%i;%i;%i;%i;%i;%ld;%i;%i;%lu;%s:%s" of the attribute
// byte ((attributes & 0xFF) | 0x40 encrypted | 0x80 commented), method, hour, minute, day, month,
// year, size, rate, icon index, CRC, folder part and name part; cut at 1,023 characters.
std::string FormatText(const EntryFacts& entry, const std::string& dir, const std::string& name,
                       int32_t iconIndex);

// Parses a list-box text into item (every field set; missing fields stay 0). Field 11 is all of
// the text after the tenth ';'; it is split at the first ':' after its last '\', and a field
// that ends in ": " is a folder entry (its folder is everything before that). A single blank
// for the folder or the name reads as "".
void ParseText(const char* text, ZIPITEM* item);

// The folder and name of field 11 of a text as ParseText splits them (blank not yet emptied).
struct PathFields {
  std::string dir;
  std::string name;
  bool present = false;  // the text has ten ';'
};
PathFields SplitPathField(const char* text);

// ---- list-box order (modes 0..5; others keep the directory order) ------------------------------
// Text comparison as the list uses it (lstrcmpA on Windows): <0, 0, >0.
using CompareText = int (*)(const char*, const char*);

inline bool IsSortMode(int mode) { return mode >= 0 && mode <= 5; }
// Whether item texts first and second (first before second now) must change places in mode.
bool OutOfOrder(const std::string& first, const std::string& second, int mode, CompareText compare);

// The Shell sort of the list box over any list: access.Count(), access.Read(i) -> std::string,
// access.Swap(j, j + h, textJ, textJh) puts textJh at j and textJ at j + h, access.Tick() is
// called every 25 values of i (message pumping).
template <class Access>
void ShellSort(Access& access, int mode, CompareText compare) {
  if (!IsSortMode(mode)) return;
  const int count = access.Count();
  int h = 1;
  while (h < count) h = 3 * h + 1;
  for (h /= 3; h >= 1; h /= 3) {
    for (int i = h; i < count; ++i) {
      if (i % 25 == 0) access.Tick();
      for (int j = i - h; j >= 0; j -= h) {
        const std::string a = access.Read(j);
        const std::string b = access.Read(j + h);
        if (!OutOfOrder(a, b, mode, compare)) break;
        access.Swap(j, j + h, a, b);
      }
    }
  }
}

// ---- icon index --------------------------------------------------------------------------------
// The control's own icons after the n system icons of the image lists.
enum OwnIcon : int32_t {
  kIconFolder = 0,
  kIconEncrypted = 1,
  kIconProgram = 2,
  kIconUnassigned = 3,
  kIconAssociated = 4,
  kIconOther = 5,
  kOwnIconCount = 6,
};

// The extension a file's icon is probed for: the text after the last '.', upper case ASCII, when
// it has 1 to 3 characters; "" otherwise.
std::string IconExtension(const std::string& name);
// An extension that can name a probe file (no \ / : * ? " < > | or control character).
bool IsProbeSafe(const std::string& extension);
bool IsProgramExtension(const std::string& extension);  // EXE COM BAT PIF

// The lookups the icon choice needs: whether WIN.INI associates a program with the extension,
// and the probed system icon index (<0: the probe failed).
struct IconLookups {
  virtual ~IconLookups() = default;
  virtual bool HasAssociatedProgram(const std::string& extension) = 0;
  virtual int32_t ProbeSystemIcon(const std::string& extension) = 0;
};

// The icon of an entry with n system icons. With Windows icons, a failed probe or an index at or
// above n falls back to the icons-off rule (n + 4 or n + 5).
int32_t IconIndex(bool folder, bool encrypted, const std::string& name, int32_t n,
                  bool windowsIcons, IconLookups& lookups);

// ---- detection of a set-up program, a description and an index page --------------------------
// Names compared without regard to ASCII case on the name part; each result is folder + the
// literal matched.
class Detection {
 public:
  void Consider(const std::string& dir, const std::string& name);
  const std::string& setup() const { return setup_; }
  const std::string& description() const { return description_; }
  const std::string& index() const { return index_; }

 private:
  std::string setup_;
  std::string description_;
  bool descriptionIsFinal_ = false;  // FILE_ID.DIZ or DESC.SDI taken: nothing replaces it
  std::string index_;
};

}  // namespace zipitem
