// The installer's file copy: the source read through the LZ expansion calls (a compressed source
// is expanded), the destination made by CreateFileA. LZOpenFileA(OF_CREATE) on a name it cannot
// create makes NAME.ex_ instead and the copy "succeeds"; CreateFileA fails there, and the copy
// is reported as failed.
#pragma once

#include <string>

namespace setup {

enum class CopyResult { Copied, Failed, SourceMissing };

// Copies source to destination; no message.
CopyResult CopyExpanding(const std::string& source, const std::string& destination);

}  // namespace setup
