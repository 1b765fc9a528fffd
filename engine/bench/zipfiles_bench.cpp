// ZipFiles benchmark: times CZZip::ZipFiles in each compression mode over a folder tree, a fresh
// archive every time, and prints one line per mode for scripts/bench.sh to put beside the peers.
//
// Usage: zipfiles_bench.exe FOLDER [RUNS] [--mode M] [--window] [--breakdown] [--one-thread]
//   FOLDER  holds the tree to add as FOLDER\tree; the archives are FOLDER\MODE<m>.ZIP (kept, so
//           that they can be checked afterwards), with the paths stored relative to FOLDER.
//   RUNS    runs per mode (default 1); every run is printed, the caller takes the median.
//   --mode M     only compression mode M (default: 0, 1, 2 and 3).
//   --window     progress messages go to a message-only window, as they would to a host's.
//   --breakdown  also times the parts of the work on their own: reading the tree's files the way
//                the compressor does, and compressing them from memory.
//   --one-thread also times mode 0 with every file compressed on the writer's thread (as
//                "mode 0-one-thread"; the archive is MODE0T.ZIP).
// Output lines: "mode M run R seconds S bytes B" and "part NAME seconds S bytes B".
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/deflate.h"
#include "core/deflate_memory_io.h"
#include "writing/czzip.h"
#include "writing/deflate_ahead.h"

namespace {

double Now() {
  LARGE_INTEGER frequency;
  LARGE_INTEGER counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

unsigned long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Every file below folder (which ends in '\').
void ListFiles(const std::string& folder, std::vector<std::string>& files) {
  WIN32_FIND_DATAA found;
  const HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ListFiles(folder + name + "\\", files);
    } else {
      files.push_back(folder + name);
    }
  } while (FindNextFileA(find, &found));
  FindClose(find);
}

// Reads every file whole in blocks of blockSize; false when one cannot be read.
bool ReadAll(const std::vector<std::string>& files, DWORD blockSize, unsigned long long* total) {
  std::vector<char> block(blockSize);
  *total = 0;
  for (const std::string& file : files) {
    const HANDLE handle = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(handle, block.data(), blockSize, &got, nullptr) != FALSE) && got != 0) {
      *total += got;
    }
    CloseHandle(handle);
    if (!ok) return false;
  }
  return true;
}

bool LoadFile(const std::string& path, std::vector<uint8_t>& data) {
  const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  bool ok = GetFileSizeEx(handle, &size) != FALSE;
  if (ok) {
    data.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    ok = data.empty() ||
         (ReadFile(handle, data.data(), static_cast<DWORD>(data.size()), &got, nullptr) &&
          got == data.size());
  }
  CloseHandle(handle);
  return ok;
}

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeNotifyWindow() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = CountingProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "ZipFilesBenchNotify";
  if (!RegisterClassA(&windowClass)) return nullptr;
  return CreateWindowA(windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                       windowClass.hInstance, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(
        stderr,
        "usage: zipfiles_bench FOLDER [RUNS] [--mode M] [--window] [--breakdown] [--one-thread]\n");
    return 2;
  }
  std::string folder = argv[1];
  if (folder.back() != '\\') folder += '\\';
  int runs = 1;
  bool useWindow = false;
  bool breakdown = false;
  bool oneThread = false;
  int firstMode = 0;
  int lastMode = 3;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--mode") == 0 && i + 1 < argc)
      firstMode = lastMode = std::atoi(argv[++i]);
    else if (std::strcmp(argv[i], "--window") == 0)
      useWindow = true;
    else if (std::strcmp(argv[i], "--breakdown") == 0)
      breakdown = true;
    else if (std::strcmp(argv[i], "--one-thread") == 0)
      oneThread = true;
    else
      runs = std::max(1, std::atoi(argv[i]));
  }
  HWND window = nullptr;
  if (useWindow) {
    window = MakeNotifyWindow();
    if (window == nullptr) {
      std::fprintf(stderr, "the notification window could not be made\n");
      return 1;
    }
  }

  const std::string mask = folder + "tree\\*.*";
  int failures = 0;
  // Times `runs` fresh archives in one mode; false when the archive cannot be deleted.
  const auto timeRuns = [&](int mode, const std::string& archive, const std::string& label) {
    for (int run = 1; run <= runs; ++run) {
      if (!DeleteFileA(archive.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) {
        std::fprintf(stderr, "%s cannot be deleted\n", archive.c_str());
        return false;
      }
      CZZip zip;
      zip.SetCompressionMode(static_cast<short>(mode));
      const double start = Now();
      const int result =
          zip.ZipFiles(archive.c_str(), mask.c_str(), kZipReplace, 1, TRUE, window, nullptr);
      const double seconds = Now() - start;
      if (result != 0) {
        std::fprintf(stderr, "mode %s: ZipFiles returned %d\n", label.c_str(), result);
        ++failures;
      }
      std::printf("mode %s run %d seconds %.3f bytes %llu\n", label.c_str(), run, seconds,
                  FileSize(archive));
      std::fflush(stdout);
    }
    return true;
  };
  for (int mode = firstMode; mode <= lastMode; ++mode) {
    if (!timeRuns(mode, folder + "MODE" + std::to_string(mode) + ".ZIP", std::to_string(mode)))
      return 1;
  }
  if (oneThread) {
    DeflateAhead::SetWorkerLimit(0);
    if (!timeRuns(0, folder + "MODE0T.ZIP", "0-one-thread")) return 1;
    DeflateAhead::SetWorkerLimit(-1);
  }
  if (window != nullptr) DestroyWindow(window);

  if (breakdown) {
    std::vector<std::string> files;
    ListFiles(folder + "tree\\", files);
    for (DWORD block : {32768u, 1u << 20}) {
      unsigned long long total = 0;
      const double start = Now();
      const bool ok = ReadAll(files, block, &total);
      const double seconds = Now() - start;
      if (!ok) ++failures;
      std::printf("part read-%luk seconds %.3f bytes %llu\n",
                  static_cast<unsigned long>(block / 1024), seconds, total);
    }
    // The compressor alone, from memory: each distinct file once per copy, as the tree holds it.
    auto compressor = std::make_unique<DeflateCompressor>();
    MemoryDeflateSink sink;
    std::vector<uint8_t> data;
    for (int mode = 0; mode <= 2; ++mode) {
      double seconds = 0;
      unsigned long long out = 0;
      for (const std::string& file : files) {
        if (!LoadFile(file, data)) {
          ++failures;
          continue;
        }
        MemoryDeflateSource source(data.data(), data.size());
        sink.Clear();
        const double start = Now();
        const DeflateResult r = compressor->Compress(mode, source, sink);
        seconds += Now() - start;
        if (r.error) ++failures;
        out += r.compressedBytes;
      }
      std::printf("part compress-mode%d seconds %.3f bytes %llu\n", mode, seconds, out);
    }
  }
  return failures == 0 ? 0 : 1;
}
