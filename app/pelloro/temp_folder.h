// Emptying and removing Pelloro's temporary folder tree (where viewed and installed entries are
// extracted).
#pragma once

#include <string>

namespace pelloro {

// The folder the viewing and installing commands extract into.
inline constexpr char kTempFolder[] = "C:\\~TMPDIR.TMP\\";

// Deletes every file below the folder (read-only ones too) and removes the folder and each
// subfolder; true when the folder is gone afterwards.
bool CleanTempFolder(const std::string& folder);

}  // namespace pelloro
