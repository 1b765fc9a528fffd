#include "volumes/self_extractor_settings.h"

#include <windows.h>

#include <cstdio>

namespace {

struct LanguageField {
  const char* key;
  int width;
  const char* fallback;
};

// Fields 5 to 23, in block order.
constexpr LanguageField kLanguageFields[] = {
    {"OKButton", 10, "Ok"},
    {"CancelButton", 10, "Cancel"},
    {"CancelActionMsg", 50, "Would you like to stop this program?"},
    {"IOErrorMsg", 50, "Can' t perform the required action (I/O error)."},
    {"DiskFullMsg", 50, "Disk full."},
    {"CantCreateDirMsg", 50, "Can' t create this directory."},
    {"BrowseDirTitle", 30, "Choose directory..."},
    {"UnzipPasswordTitle", 20, "Password..."},
    {"UnzipPasswordLabel", 20, "Password:"},
    {"UnzipPasswordText", 100, "A password is required to unzip the files."},
    {"UnzipPasswordRetryBtn", 10, "&Retry"},
    {"UnzipPasswordBypassBtn", 10, "&Bypass"},
    {"UnzipPasswordNeverBtn", 10, "&Never"},
    {"UnzipReplaceTitle", 20, "Replace..."},
    {"UnzipReplaceText", 100,
     "The file %1 already exist on your disk. Would you like to replace it?"},
    {"UnzipReplaceYesBtn", 10, "&Yes"},
    {"UnzipReplaceNoBtn", 10, "&No"},
    {"UnzipReplaceAlwaysBtn", 10, "&Always"},
    {"UnzipReplaceNeverBtn", 10, "Ne&ver"},
};

constexpr int kTextWidth = 50;
constexpr DWORD kProfileBuffer = 512;

}  // namespace

std::string PadToWidth(const std::string& text, int width, int alignment) {
  if (width < 1) return std::string();
  const size_t w = static_cast<size_t>(width);
  if (text.size() >= w) return alignment == 2 ? text.substr(text.size() - w) : text.substr(0, w);
  const size_t blanks = w - text.size();
  switch (alignment) {
    case 2:
      return std::string(blanks, ' ') + text;
    case 6: {
      const size_t front = blanks - blanks / 2;
      return std::string(front, ' ') + text + std::string(blanks - front, ' ');
    }
    default:
      return text + std::string(blanks, ' ');
  }
}

std::vector<std::string> BuildSelfExtractorFields(const SelfExtractorArguments& arguments) {
  std::vector<std::string> fields;
  fields.reserve(kSelfExtractorFieldCount);
  // The first character of the mode's decimal text: 12 stores "1", a negative mode "-" (which
  // the stub reads as "ask").
  char digits[16];
  std::snprintf(digits, sizeof digits, "%d", static_cast<int>(arguments.overwriteMode));
  fields.emplace_back(1, digits[0]);
  fields.emplace_back(arguments.askDirectory ? "1" : "0");
  fields.push_back(PadToWidth(
      arguments.title != nullptr ? arguments.title : kDefaultSelfExtractorTitle, kTextWidth, 0));
  fields.push_back(PadToWidth(arguments.programToLaunch != nullptr ? arguments.programToLaunch : "",
                              kTextWidth, 0));
  for (const LanguageField& field : kLanguageFields) {
    char value[kProfileBuffer] = {};
    GetPrivateProfileStringA("Main", field.key, "", value, kProfileBuffer,
                             arguments.languageFile.c_str());
    fields.push_back(PadToWidth(value[0] != '\0' ? value : field.fallback, field.width, 0));
  }
  return fields;
}
