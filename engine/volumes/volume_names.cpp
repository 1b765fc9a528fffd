#include "volumes/volume_names.h"

#include <cctype>

#include "writing/czzip.h"

namespace volumes {

char VolumeDigit(int index) {
  if (index >= 0 && index <= 9) return static_cast<char>('0' + index);
  if (index >= 10 && index <= 35) return static_cast<char>('A' + index - 10);
  return '~';
}

int DigitValue(char digit) {
  const int c = std::toupper(static_cast<unsigned char>(digit));
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return -1;
}

bool SetVolumeDigit(CZText& name, int volume) {
  if (name.GetLength() < 4 || volume < 0 || volume > 35) return false;
  name.SetAt(name.GetLength() - 3, VolumeDigit(volume));
  return true;
}

namespace {

bool IsAsciiAlnum(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

std::string NamePart(const std::string& path) {
  const size_t slash = path.find_last_of("\\/:");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool MakeJoinOutputName(const char* volumeName, const char* folder, CZText& out) {
  out.Empty();
  const std::string name = NamePart(volumeName != nullptr ? volumeName : "");
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos || name.size() - dot - 1 != 3 || dot == 0) return false;
  const std::string extension = name.substr(dot + 1);
  if (!IsAsciiAlnum(extension[0]) || extension[1] != '_' || !IsAsciiAlnum(extension[2])) {
    return false;
  }
  std::string joined = folder != nullptr ? folder : "";
  if (!joined.empty() && joined.back() != '\\' && joined.back() != '/') joined += '\\';
  joined += name.substr(0, dot) + ".ZIP";
  CZText upper(joined);
  upper.MakeUpper();
  out = upper;
  return true;
}

}  // namespace volumes

void CZZip::MakeVolumeName(const char* sourceName, CZText& out, const char* folder, int volume,
                           int last) {
  std::string path = folder != nullptr ? folder : "";
  if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
  std::string name = sourceName != nullptr ? sourceName : "";
  const size_t slash = name.find_last_of("\\/:");
  if (slash != std::string::npos) name = name.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot != 0) name.resize(dot);
  path += name + '.' + volumes::VolumeDigit(volume) + '_' + volumes::VolumeDigit(last);
  CZText upper(path);
  upper.MakeUpper();
  out = upper;
}
