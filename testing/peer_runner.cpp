#include "peer_runner.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "win_test_util.h"

namespace testutil {

std::string UnixPath(const std::string& windowsPath) {
  std::string path = windowsPath;
  if (path.size() > 2 && (path[0] == 'Z' || path[0] == 'z') && path[1] == ':') path.erase(0, 2);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

std::string RunPeer(const std::string& folder, const std::string& script, unsigned long timeoutMs) {
  static int runs = 0;
  const std::string base = folder + "check" + std::to_string(++runs);
  const std::string done = base + ".done";
  DeleteFileA(done.c_str());
  EXPECT_TRUE(WriteWholeFile(base + ".sh", "set -u\n" + script + "\n"));
  EXPECT_TRUE(WriteWholeFile(base + ".run",
                             "bash " + UnixPath(base + ".sh") + " >" + UnixPath(base + ".out") +
                                 " 2>&1 </dev/null\necho done >" + UnixPath(done) + "\n"));
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::string line = "bash " + UnixPath(base + ".run");
  const BOOL started = CreateProcessA("Z:\\bin\\bash", line.data(), nullptr, nullptr, FALSE, 0,
                                      nullptr, nullptr, &startup, &process);
  if (!started) return "bash could not be started";
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  for (unsigned long waited = 0; GetFileAttributesA(done.c_str()) == INVALID_FILE_ATTRIBUTES;
       waited += 20) {
    if (waited > timeoutMs) return "the peer script did not end";
    Sleep(20);
  }
  std::vector<uint8_t> text;
  ReadWholeFile(base + ".out", &text);
  return std::string(text.begin(), text.end());
}

}  // namespace testutil
