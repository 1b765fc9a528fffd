// SelfExtractorSettings: the 682-byte block between the stub program and the archive of a
// self-extracting file. The stub reads it at the offset of its own size. Text fields are ANSI,
// left-aligned and filled with blanks to their width; a longer text keeps its first characters.
// No header, no terminator, no separators.
#pragma once

#include <string>
#include <vector>

inline constexpr int kSelfExtractorSettingsSize = 682;
inline constexpr int kSelfExtractorFieldCount = 23;

// The title a self-extractor gets when no title is given.
inline constexpr const char kDefaultSelfExtractorTitle[] = "Quillet Self-extracting ZIP file";

// width characters: alignment 0 keeps the text on the left and adds blanks behind it, 2 puts the
// blanks in front, 6 centres it (the larger half of the blanks in front). A longer text is cut
// to its first width characters (alignment 2: its last). A width below 1 gives "".
std::string PadToWidth(const std::string& text, int width, int alignment);

struct SelfExtractorArguments {
  short overwriteMode = 0;
  bool askDirectory = false;
  const char* title = nullptr;            // null: the default title; "" is a given (blank) title
  const char* programToLaunch = nullptr;  // null or "": none
  std::string languageFile;               // ANSI path of the language file (section "Main")
};

// The 23 fields in block order, each exactly its width: the first four from the arguments, the
// rest from section "Main" of the language file (a missing or empty key takes its default).
std::vector<std::string> BuildSelfExtractorFields(const SelfExtractorArguments& arguments);
