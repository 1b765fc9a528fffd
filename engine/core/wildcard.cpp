#include "core/wildcard.h"

#include <string>

namespace {

constexpr std::string_view kEverything = "*.*";

// The texts as the filter compares them: '/' is a folder separator like '\'.
std::string WithBackslashes(std::string_view text) {
  std::string copy(text);
  for (char& c : copy) {
    if (c == '/') c = '\\';
  }
  return copy;
}

// Everything up to and including the last '\' (empty when there is none), and the rest.
std::string_view FolderPart(std::string_view path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

std::string_view FilePart(std::string_view path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool WildcardMatch(std::string_view name, std::string_view pattern) {
  if (pattern == kEverything) return true;
  const size_t lastDot = name.rfind('.');
  size_t p = 0;  // position in the pattern
  size_t n = 0;  // position in the name
  for (;;) {
    if (p == pattern.size()) return n == name.size();
    const char c = pattern[p];
    if (c == '*') {
      while (p < pattern.size() && pattern[p] != '.') ++p;
      while (n < name.size() && name[n] != '.') ++n;
      // A '*' before a dot takes the whole base name, so it goes on to the extension dot.
      if (n < name.size() && lastDot != std::string_view::npos && n < lastDot) n = lastDot;
    } else if (c == '?') {
      if (n == name.size()) return false;
      ++p;
      ++n;
    } else if (n < name.size() && name[n] == c) {
      ++p;
      ++n;
    } else {
      // "NAME." and "NAME.*" also match a name that has no extension.
      const bool patternEndsHere = p + 1 == pattern.size() || pattern[p + 1] == '*';
      return c == '.' && patternEndsHere && n == name.size();
    }
  }
}

bool MatchEntryFilter(std::string_view upperName, std::string_view upperPattern) {
  if (upperPattern == kEverything) return true;
  const std::string name = WithBackslashes(upperName);
  const std::string pattern = WithBackslashes(upperPattern);
  if (name == pattern) return true;
  if (name.empty() || pattern.empty()) return false;

  // Folder parts are compared whole: cutting them could let a pattern match a different name.
  const std::string_view nameFolder = FolderPart(name);
  const std::string_view patternFolder = FolderPart(pattern);
  if (nameFolder != patternFolder && !patternFolder.empty() &&
      !WildcardMatch(nameFolder, patternFolder)) {
    return false;
  }
  const std::string_view nameFile = FilePart(name);
  const std::string_view patternFile = FilePart(pattern);
  if (nameFile == patternFile) return true;
  return WildcardMatch(nameFile, patternFile);
}
