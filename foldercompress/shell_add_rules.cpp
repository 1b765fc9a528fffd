#include "shell_add_rules.h"

#include <windows.h>

#include <iterator>

#include "forms/application.h"

namespace vantrel {

std::string ListItemOf(const std::string& argument) {
  if (!argument.empty() && argument.back() == '\\') return argument + "*.*";
  return argument + "\\*.*";
}

std::vector<std::string> CommandLineFolders() {
  std::vector<std::string> folders;
  const int count = forms::Application::ParamCount();
  for (int index = 2; index <= count; ++index) {
    folders.push_back(forms::Application::ParamStr(index));
  }
  return folders;
}

short CompressionModeOf(int selection) {
  constexpr int count = static_cast<int>(std::size(kCompressionChoices));
  if (selection < 0 || selection >= count) return kCompressionChoices[0].mode;
  return kCompressionChoices[selection].mode;
}

std::string ArchiveFolderOf(const std::string& archive) {
  const size_t separator = archive.find_last_of("\\:");
  return separator == std::string::npos ? std::string() : archive.substr(0, separator);
}

namespace {

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

bool CreateFolderLevels(const std::string& folder) {
  // Each level is the text up to a '\' (and the whole text last), outermost first.
  for (size_t end = folder.find('\\');; end = folder.find('\\', end + 1)) {
    const std::string level = folder.substr(0, end);
    if (level.size() > 2 && !IsFolder(level)) CreateDirectoryA(level.c_str(), nullptr);
    if (end == std::string::npos) break;
  }
  return folder.size() <= 2 || IsFolder(folder);
}

}  // namespace vantrel
