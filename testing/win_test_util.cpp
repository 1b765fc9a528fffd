#include "win_test_util.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace testutil {

namespace {

std::string NewTempFolderPath() {
  char base[MAX_PATH + 1] = {};
  GetTempPathA(MAX_PATH, base);
  static unsigned counter = 0;
  for (;;) {
    char name[MAX_PATH * 2];
    std::snprintf(name, sizeof name, "%spt%lx_%u\\", base, GetCurrentProcessId(), ++counter);
    if (CreateDirectoryA(name, nullptr)) return name;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return std::string();
  }
}

}  // namespace

TempFolder::TempFolder() : path_(NewTempFolderPath()) {}

TempFolder::~TempFolder() {
  if (!path_.empty()) RemoveTree(path_);
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& data) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok =
      data.empty() || WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
  CloseHandle(h);
  return ok && written == data.size();
}

bool WriteWholeFile(const std::string& path, const std::string& text) {
  return WriteWholeFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<std::vector<std::string>> ReadManifest(const std::string& path, bool* readable,
                                                   char separator) {
  std::vector<uint8_t> bytes;
  const bool read = ReadWholeFile(path, &bytes);
  if (readable != nullptr) *readable = read;
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(std::string(bytes.begin(), bytes.end()));
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    std::vector<std::string> fields;
    std::istringstream parts(line);
    std::string field;
    while (std::getline(parts, field, separator)) fields.push_back(field);
    rows.push_back(fields);
  }
  return rows;
}

std::vector<std::string> FolderNames(const std::string& folder, bool upperCase) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    if (upperCase) CharUpperBuffA(name.data(), static_cast<DWORD>(name.size()));
    names.push_back(name);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* data) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(h, &size) != 0;
  if (ok) {
    data->resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    ok = data->empty() ||
         (ReadFile(h, data->data(), static_cast<DWORD>(data->size()), &got, nullptr) &&
          got == data->size());
  }
  CloseHandle(h);
  return ok;
}

bool RemoveTree(const std::string& path) {
  std::string dir = path;
  if (!dir.empty() && dir.back() != '\\') dir += '\\';
  WIN32_FIND_DATAA fd;
  HANDLE find = FindFirstFileA((dir + "*").c_str(), &fd);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = fd.cFileName;
      if (name == "." || name == "..") continue;
      const std::string full = dir + name;
      SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        RemoveTree(full);
      else
        DeleteFileA(full.c_str());
    } while (FindNextFileA(find, &fd));
    FindClose(find);
  }
  return RemoveDirectoryA(dir.c_str()) != 0;
}

ProgramRun RunCaptured(const std::string& commandLine, unsigned long timeoutMs) {
  ProgramRun run;
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return run;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  startup.hStdInput = nullptr;
  PROCESS_INFORMATION process = {};
  std::string line = commandLine;
  const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &startup, &process);
  CloseHandle(writeEnd);
  if (started) {
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) {
      run.output.append(buffer, got);
    }
    WaitForSingleObject(process.hProcess, timeoutMs);
    DWORD code = 0;
    if (GetExitCodeProcess(process.hProcess, &code)) run.exitCode = code;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(readEnd);
  return run;
}

std::vector<uint8_t> FileBytes(const std::string& path, bool mustRead) {
  std::vector<uint8_t> data;
  if (ReadWholeFile(path, &data)) return data;
  if (mustRead) ADD_FAILURE() << "cannot read " << path;
  const std::string marker = "<unreadable " + path + ">";
  return std::vector<uint8_t>(marker.begin(), marker.end());
}

std::string FileText(const std::string& path, bool mustRead) {
  const std::vector<uint8_t> data = FileBytes(path, mustRead);
  return std::string(data.begin(), data.end());
}

std::string UnixToWindowsPath(const std::string& unixPath) {
  std::string out = "Z:";
  for (char c : unixPath) out += (c == '/') ? '\\' : c;
  return out;
}

std::string SharedDir() { return UnixToWindowsPath(PELLORO_SOURCE_DIR "/../shared/"); }

std::string BinaryDir() { return UnixToWindowsPath(PELLORO_BINARY_DIR "/"); }

}  // namespace testutil
