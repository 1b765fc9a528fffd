// Vantrel's fixed texts: the window's caption (which other programs find it by), the program's
// title, and the messages and questions it shows.
#pragma once

#include <string>

namespace vantrel {

inline constexpr char kAppTitle[] = "Pelloro Tavrell Folder Compress";
inline constexpr char kFormCaption[] = "Pelloro '95 Tavrell Folder Compress";
inline constexpr char kDefaultArchive[] = "C:\\Windows\\Desktop\\Myzip.zip";
inline constexpr char kErrorMessage[] =
    "Error occured. Check you have write access and the drive is not full.";
inline constexpr char kDropQuestion[] = "Is this a directory/folder?";
inline constexpr char kIdlePanel[] = "(Idle)";
inline constexpr char kCompletePanel[] = "(complete)";

// The question after every listed item went into the archive.
inline std::string CompletionQuestion(const std::string& archive) {
  return "File(s)/Folder(s) compressed to " + archive + "\n\r" + "Exit now?";
}

}  // namespace vantrel
