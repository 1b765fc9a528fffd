// Runs a bash script natively from a Windows test program under Wine, for the peer tools (zip,
// unzip, 7z, python's zipfile). Wine starts Linux programs too, but neither their exit codes nor
// their end come back to the caller: the script's output goes to a file and a wrapper marks its end
// with a file of its own. A peer script therefore prints a line of its own choosing (such as
// "PEER-OK") as its last when everything it checked held. Files the peers read lie below the
// build tree (drive Z:, whose Unix path is the path without the drive).
#pragma once

#include <string>

namespace testutil {

// The Unix path of a path on drive Z: (the Unix root); other paths only get '/' for '\'.
std::string UnixPath(const std::string& windowsPath);
// Runs `script` with bash (set -u first) in `folder` (a Windows path ending in '\', where the
// script, its output and its end mark are written); its output, errors included, or a line
// saying why it could not run or did not end within timeoutMs.
std::string RunPeer(const std::string& folder, const std::string& script,
                    unsigned long timeoutMs = 120000);

}  // namespace testutil
