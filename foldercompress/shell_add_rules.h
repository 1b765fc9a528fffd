// The rules of Vantrel's form that need no window: the list items made from the command line's
// folders and drives, the compression mode of each entry of "Compression Mode", and the making
// of the archive's folder.
#pragma once

#include <string>
#include <vector>

namespace vantrel {

// One list item for a folder or drive: a name ending in '\' (a drive root such as C:\) gets
// "*.*", any other "\*.*".
std::string ListItemOf(const std::string& argument);
// The arguments after the switch (2 up to the argument count) of this program's command line.
std::vector<std::string> CommandLineFolders();

struct CompressionChoice {
  const char* caption;
  short mode;  // the control's iCompressionMode
};
// "Compression Mode", in the order the box lists them; the first is the default.
inline constexpr CompressionChoice kCompressionChoices[] = {
    {"Normal Compression", 0}, {"No Compression", 3}, {"Maximum Compression", 2}};
// The mode of the box's selection (the default's for none).
short CompressionModeOf(int selection);

// The archive's folder: the name up to its last '\' or ':' ("" when it has neither).
std::string ArchiveFolderOf(const std::string& archive);
// Creates the folder and its missing parents, level by level from the outside in; a path of 2
// characters or less and an existing folder are left alone. True when the folder exists after.
bool CreateFolderLevels(const std::string& folder);

}  // namespace vantrel
