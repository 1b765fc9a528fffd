// Vantrel's main block as a function: the application's title, the one form (with the folders of
// the command line), the message loop. The program's exit code comes back.
#pragma once

namespace vantrel {

// Exit code besides 0: the form could not be made (no registered control).
inline constexpr int kExitStartFailed = 2;

int RunVantrel();

}  // namespace vantrel
