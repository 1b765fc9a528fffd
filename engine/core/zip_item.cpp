// The item record, its text form and the list-box order (zip_item.h).
#include "core/zip_item.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace zipitem {
namespace {

void CopyCut(char* out, size_t size, const std::string& text) {
  const size_t n = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

std::string Cut(const std::string& text, size_t limit) {
  return text.size() <= limit ? text : text.substr(0, limit);
}

int32_t StoredMethod(uint16_t method) { return method > 8 ? 9 : method; }
int32_t Day(uint16_t date) { return date & 0x1F; }
int32_t Month(uint16_t date) { return (date & 0x1E0) >> 5; }
int32_t Year(uint16_t date) { return ((date >> 9) + 80) % 100; }
int32_t Hour(uint16_t time) { return time >> 11; }
int32_t Minute(uint16_t time) { return (time & 0x7E0) >> 5; }

// The first ten ';'-separated fields of a text (fewer when it has fewer ';'); *rest receives
// what follows the tenth ';' (field 11) and *hasRest whether there is a tenth ';'.
std::vector<std::string> LeadingFields(const char* text, std::string* rest, bool* hasRest) {
  std::vector<std::string> fields;
  const char* p = text;
  *hasRest = false;
  while (fields.size() < 10) {
    const char* semicolon = std::strchr(p, ';');
    if (semicolon == nullptr) {
      fields.emplace_back(p);  // the last field, without the ';' the parser appends
      return fields;
    }
    fields.emplace_back(p, semicolon);
    p = semicolon + 1;
  }
  *hasRest = true;
  if (rest != nullptr) *rest = p;
  return fields;
}

long Number(const std::vector<std::string>& fields, size_t index) {
  return index < fields.size() ? std::atol(fields[index].c_str()) : 0;
}

bool EqualsNoCase(const std::string& a, const char* b) {
  const size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    char c = a[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != b[i]) return false;
  }
  return true;
}

}  // namespace

int32_t Rate(uint32_t uncompressed, uint32_t compressed) {
  if (uncompressed == 0) return 0;
  const double u = uncompressed;
  const double c = compressed;
  const int32_t rate = static_cast<int32_t>((u - c) / u * 100.0 + 0.5);
  return rate < 1 || rate > 100 ? 0 : rate;
}

void FillRecord(const EntryFacts& entry, const std::string& dir, const std::string& name,
                int32_t iconIndex, ZIPITEM* item) {
  std::memset(item, 0, sizeof *item);
  CopyCut(item->Name, sizeof item->Name, name);
  CopyCut(item->Dir, sizeof item->Dir, dir);
  const bool folder = IsFolder(entry);
  item->IsDir = static_cast<int32_t>(entry.externalAttributes & 0x10);
  item->IsEncrypted = entry.flags & 1;
  item->Method = StoredMethod(entry.method);
  item->Day = Day(entry.date);
  item->Month = Month(entry.date);
  item->Year = Year(entry.date);
  item->Hour = Hour(entry.time);
  item->Min = Minute(entry.time);
  item->OriginalSize = folder ? 0 : static_cast<int32_t>(entry.uncompressedSize);
  item->Rate = folder ? 0 : Rate(entry.uncompressedSize, entry.compressedSize);
  item->IsArchive = static_cast<int32_t>(entry.externalAttributes & 0x20);
  item->IsHidden = static_cast<int32_t>(entry.externalAttributes & 0x02);
  item->IsSystem = static_cast<int32_t>(entry.externalAttributes & 0x04);
  item->IsReadOnly = static_cast<int32_t>(entry.externalAttributes & 0x01);
  item->IsAnnotated = entry.commentLength != 0 ? 1 : 0;
  item->IconIndex = iconIndex;
  item->Crc = entry.crc;
}

std::string FormatText(const EntryFacts& entry, const std::string& dir, const std::string& name,
                       int32_t iconIndex) {
  const bool folder = IsFolder(entry);
  // Bits 0x40 and 0x80 are read back as encrypted and commented, whatever the stored byte held.
  const unsigned attributes = (entry.externalAttributes & 0xFF) | (IsEncrypted(entry) ? 0x40 : 0) |
                              (entry.commentLength != 0 ? 0x80 : 0);
  char numbers[160];
  std::snprintf(numbers, sizeof numbers, "%.2x%d;%d;%d;%d;%d;%d;%ld;%d;%d;%lu;", attributes,
                static_cast<int>(StoredMethod(entry.method)), static_cast<int>(Hour(entry.time)),
                static_cast<int>(Minute(entry.time)), static_cast<int>(Day(entry.date)),
                static_cast<int>(Month(entry.date)), static_cast<int>(Year(entry.date)),
                folder ? 0L : static_cast<long>(static_cast<int32_t>(entry.uncompressedSize)),
                static_cast<int>(folder ? 0 : Rate(entry.uncompressedSize, entry.compressedSize)),
                static_cast<int>(iconIndex), static_cast<unsigned long>(entry.crc));
  std::string text = numbers;
  text += Cut(dir, kMaxDirLength);
  text += ':';
  text += Cut(name, kMaxNameLength);
  return Cut(text, kMaxTextLength);
}

PathFields SplitPathField(const char* text) {
  PathFields path;
  std::string rest;
  LeadingFields(text, &rest, &path.present);
  if (!path.present) return path;
  if (rest.size() >= 2 && rest.compare(rest.size() - 2, 2, ": ") == 0) {
    path.dir = rest.substr(0, rest.size() - 2);
    path.name = " ";
    return path;
  }
  const size_t lastSeparator = rest.rfind('\\');
  const size_t colon = rest.find(':', lastSeparator == std::string::npos ? 0 : lastSeparator + 1);
  if (colon == std::string::npos) {  // no ':' at all: all of it is the folder
    path.dir = rest;
    return path;
  }
  path.dir = rest.substr(0, colon);
  path.name = rest.substr(colon + 1);
  return path;
}

void ParseText(const char* text, ZIPITEM* item) {
  std::memset(item, 0, sizeof *item);
  if (text == nullptr) return;
  bool hasRest = false;
  const std::vector<std::string> fields = LeadingFields(text, nullptr, &hasRest);
  const std::string& first = fields[0];
  if (first.size() >= 2) {
    char hex[3] = {first[0], first[1], '\0'};
    char* end = nullptr;
    const unsigned long bits = std::strtoul(hex, &end, 16);
    item->IsArchive = (bits & 0x20) != 0;
    item->IsHidden = (bits & 0x02) != 0;
    item->IsSystem = (bits & 0x04) != 0;
    item->IsReadOnly = (bits & 0x01) != 0;
    item->IsEncrypted = (bits & 0x40) != 0;
    item->IsAnnotated = (bits & 0x80) != 0;
    item->IsDir = (bits & 0x10) != 0;
  }
  if (first.size() >= 3) item->Method = first[2] - '0';
  if (fields.size() < 2) return;  // the rest of the fields are missing
  item->Hour = static_cast<int32_t>(Number(fields, 1));
  item->Min = static_cast<int32_t>(Number(fields, 2));
  item->Day = static_cast<int32_t>(Number(fields, 3));
  item->Month = static_cast<int32_t>(Number(fields, 4));
  item->Year = static_cast<int32_t>(Number(fields, 5));
  item->OriginalSize = static_cast<int32_t>(Number(fields, 6));
  item->Rate = static_cast<int32_t>(Number(fields, 7));
  item->IconIndex = static_cast<int32_t>(Number(fields, 8));
  if (fields.size() >= 10) {
    const double crc = std::atof(fields[9].c_str());
    item->Crc = crc >= 0.0 && crc < 4294967296.0 ? static_cast<uint32_t>(crc) : 0;
  }
  if (!hasRest) return;
  const PathFields path = SplitPathField(text);
  CopyCut(item->Dir, sizeof item->Dir, path.dir == " " ? std::string() : path.dir);
  CopyCut(item->Name, sizeof item->Name, path.name == " " ? std::string() : path.name);
}

bool OutOfOrder(const std::string& first, const std::string& second, int mode,
                CompareText compare) {
  switch (mode) {
    case 0:
    case 1:
    case 2: {
      const PathFields a = SplitPathField(first.c_str());
      const PathFields b = SplitPathField(second.c_str());
      auto key = [mode](const PathFields& p) {
        if (mode == 0) return ";" + p.dir + ":" + p.name;
        if (mode == 1) return ":" + p.name;
        return ";" + p.dir;
      };
      return compare(key(a).c_str(), key(b).c_str()) > 0;
    }
    case 3: {
      bool unused = false;
      const std::vector<std::string> fa = LeadingFields(first.c_str(), nullptr, &unused);
      const std::vector<std::string> fb = LeadingFields(second.c_str(), nullptr, &unused);
      auto year = [](long y) { return y < 50 ? y + 100 : y; };
      double a = 0;
      double b = 0;
      a += static_cast<double>(year(Number(fa, 5))) * 525600.0;
      b += static_cast<double>(year(Number(fb, 5))) * 525600.0;
      if (b < a) return false;
      a += static_cast<double>(static_cast<long>(Number(fa, 4) * 30.41 * 1440.0));
      b += static_cast<double>(static_cast<long>(Number(fb, 4) * 30.41 * 1440.0));
      if (b < a) return false;
      a += static_cast<double>(Number(fa, 3)) * 1440.0;
      b += static_cast<double>(Number(fb, 3)) * 1440.0;
      if (b < a) return false;
      a += static_cast<double>(Number(fa, 1)) * 60.0;
      b += static_cast<double>(Number(fb, 1)) * 60.0;
      if (b < a) return false;
      a += static_cast<double>(Number(fa, 2));
      b += static_cast<double>(Number(fb, 2));
      return b > a;
    }
    case 4:
    case 5: {
      bool unused = false;
      const size_t field = mode == 4 ? 6 : 7;
      const long a = Number(LeadingFields(first.c_str(), nullptr, &unused), field);
      const long b = Number(LeadingFields(second.c_str(), nullptr, &unused), field);
      return static_cast<int32_t>(b) > static_cast<int32_t>(a);
    }
    default:
      return false;
  }
}

std::string IconExtension(const std::string& name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) return "";
  std::string extension = name.substr(dot + 1);
  if (extension.empty() || extension.size() > 3) return "";
  for (char& c : extension) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return extension;
}

bool IsProbeSafe(const std::string& extension) {
  for (const char c : extension) {
    if (static_cast<unsigned char>(c) < 0x20 || std::strchr("\\/:*?\"<>|", c) != nullptr) {
      return false;
    }
  }
  return !extension.empty();
}

bool IsProgramExtension(const std::string& extension) {
  return extension == "EXE" || extension == "COM" || extension == "BAT" || extension == "PIF";
}

int32_t IconIndex(bool folder, bool encrypted, const std::string& name, int32_t n,
                  bool windowsIcons, IconLookups& lookups) {
  if (folder) return n + kIconFolder;
  if (encrypted) return n + kIconEncrypted;
  const std::string extension = IconExtension(name);
  if (extension.empty()) return windowsIcons ? 0 : n + kIconOther;
  if (IsProgramExtension(extension)) return n + kIconProgram;
  if (windowsIcons && IsProbeSafe(extension)) {
    const int32_t probed = lookups.ProbeSystemIcon(extension);
    if (probed >= 0 && probed < n) return probed;
  }
  return n + (lookups.HasAssociatedProgram(extension) ? kIconAssociated : kIconOther);
}

void Detection::Consider(const std::string& dir, const std::string& name) {
  for (const char* setup : {"SETUP.EXE", "INSTALL.EXE"}) {
    if (setup_.empty() && EqualsNoCase(name, setup)) setup_ = dir + setup;
  }
  if (!descriptionIsFinal_) {
    for (const char* final : {"FILE_ID.DIZ", "DESC.SDI"}) {
      if (!descriptionIsFinal_ && EqualsNoCase(name, final)) {
        description_ = dir + final;
        descriptionIsFinal_ = true;
      }
    }
    for (const char* readme : {"README", "READ.ME", "README.TXT"}) {
      if (!descriptionIsFinal_ && description_.empty() && EqualsNoCase(name, readme)) {
        description_ = dir + readme;
      }
    }
  }
  if (index_.empty() && EqualsNoCase(name, "INDEX.HTM")) index_ = dir + "INDEX.HTM";
}

}  // namespace zipitem
