// UnzipFiles benchmark: times CZUnzip::UnzipFiles as the control calls it (rebuild folders,
// overwrite always, no notification window: background processing off) on the archives of a
// folder tree, beside a copy floor: the same files copied with plain Win32 calls, in this same
// process, timed the same way. scripts/bench.sh puts both beside the native unzip.
//
// Usage: unzipfiles_bench.exe FOLDER [RUNS] [--window] [--parts] [--one-thread] [--only WHAT]
//   FOLDER  holds tree\ (the files) and STORED.ZIP and DEFLATED.ZIP (that tree, zip -0 and -6);
//           every run extracts into a fresh FOLDER\OUT (deleted before the run, not timed).
//   RUNS    runs of each (default 1); every run is printed, the caller takes the median.
//   --window     also times both archives with progress messages going to a message-only window,
//                as they would to a host that asked for background processing.
//   --parts      also times the pieces that extraction is made of, each alone over the tree's
//                files, to show where the time goes, and both archives without the message pump.
//   --one-thread also times both archives with every entry decoded on the caller's thread.
//   --only WHAT  times only "floor", "stored" or "deflated" (for profiling one of them).
//   --workers N  decodes ahead on at most N worker threads (default: one per processor, at most 4).
// Output lines: "unzip NAME run R seconds S", "floor run R seconds S", "part NAME seconds S".
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/decoder_io.h"
#include "core/inflate.h"
#include "reading/czunzip.h"
#include "reading/inflate_ahead.h"

namespace {

double Now() {
  LARGE_INTEGER frequency;
  LARGE_INTEGER counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Every file below folder (which ends in '\'), as paths relative to base.
void ListFiles(const std::string& folder, const std::string& relative,
               std::vector<std::string>& files) {
  WIN32_FIND_DATAA found;
  const HANDLE find = FindFirstFileA((folder + relative + "*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ListFiles(folder, relative + name + "\\", files);
    } else {
      files.push_back(relative + name);
    }
  } while (FindNextFileA(find, &found));
  FindClose(find);
}

// Deletes folder (no trailing '\') and everything below it; true when it is gone.
bool DeleteTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  const HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = folder + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        DeleteTree(path);
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(find, &found));
    FindClose(find);
  }
  RemoveDirectoryA(folder.c_str());
  return GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
}

// Makes every folder of the relative file path below base (which ends in '\').
void MakeFolders(const std::string& base, const std::string& relative) {
  for (size_t at = relative.find('\\'); at != std::string::npos; at = relative.find('\\', at + 1)) {
    CreateDirectoryA((base + relative.substr(0, at)).c_str(), nullptr);
  }
}

struct CopyOptions {
  DWORD block = 65536;
  bool seekEachRead = false;   // a SetFilePointerEx before every read, as a block reader does
  bool peekEachBlock = false;  // a PeekMessage after every block
};

// The copy floor: each file read in blocks and written to a new file below to, which then gets
// the source's time and attributes. False when a file fails.
bool CopyFiles(const std::string& from, const std::string& to,
               const std::vector<std::string>& files, const CopyOptions& options) {
  std::vector<char> block(options.block);
  CreateDirectoryA(to.substr(0, to.size() - 1).c_str(), nullptr);
  bool ok = true;
  for (const std::string& file : files) {
    MakeFolders(to, file);
    const HANDLE in = CreateFileA((from + file).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const HANDLE out = CreateFileA((to + file).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE) {
      if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
      if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
      return false;
    }
    LONGLONG position = 0;
    DWORD got = 0;
    for (;;) {
      if (options.seekEachRead) {
        LARGE_INTEGER target;
        target.QuadPart = position;
        SetFilePointerEx(in, target, nullptr, FILE_BEGIN);
      }
      if (!ReadFile(in, block.data(), options.block, &got, nullptr)) ok = false;
      if (!ok || got == 0) break;
      position += got;
      DWORD written = 0;
      if (!WriteFile(out, block.data(), got, &written, nullptr) || written != got) ok = false;
      if (options.peekEachBlock) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
      }
    }
    FILETIME created;
    FILETIME accessed;
    FILETIME modified;
    GetFileTime(in, &created, &accessed, &modified);
    SetFileTime(out, nullptr, nullptr, &modified);
    CloseHandle(in);
    CloseHandle(out);
    SetFileAttributesA((to + file).c_str(), FILE_ATTRIBUTE_ARCHIVE);
  }
  return ok;
}

LRESULT CALLBACK NotifyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeNotifyWindow() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = NotifyProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "UnzipFilesBenchNotify";
  if (!RegisterClassA(&windowClass)) return nullptr;
  return CreateWindowA(windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                       windowClass.hInstance, nullptr);
}

// A loop of one call per file, timed, as one "part" line.
template <typename Step>
void TimePart(const char* name, const std::vector<std::string>& files, Step step) {
  const double start = Now();
  for (const std::string& file : files) step(file);
  std::printf("part %s seconds %.4f\n", name, Now() - start);
  std::fflush(stdout);
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

class NullOutput : public DecoderOutput {
 public:
  void Write(const uint8_t*, size_t n) override { bytes += n; }
  size_t bytes = 0;
};

// Inflate alone, from memory: every deflated entry of the archive image (local headers walked).
double InflateArchiveImage(const std::vector<uint8_t>& zip, unsigned long long* bytes) {
  std::vector<uint8_t> window(kDecoderWindowSize);
  NullOutput out;
  double seconds = 0;
  size_t at = 0;
  while (at + 30 <= zip.size() && std::memcmp(zip.data() + at, "PK\3\4", 4) == 0) {
    const uint8_t* h = zip.data() + at;
    const unsigned method = h[8] | (h[9] << 8);
    const size_t packed = h[18] | (h[19] << 8) | (h[20] << 16) | (static_cast<size_t>(h[21]) << 24);
    const size_t name = h[26] | (h[27] << 8);
    const size_t extra = h[28] | (h[29] << 8);
    const size_t data = at + 30 + name + extra;
    if (data + packed > zip.size()) break;
    if (method == 8) {
      MemoryDecoderInput in(zip.data() + data, packed, 24576);
      const double start = Now();
      Inflate(in, out, window.data());
      seconds += Now() - start;
    }
    at = data + packed;
  }
  *bytes = out.bytes;
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: unzipfiles_bench FOLDER [RUNS] [--window] [--parts] [--one-thread]\n");
    return 2;
  }
  std::string folder = argv[1];
  if (folder.back() != '\\') folder += '\\';
  int runs = 1;
  bool withWindow = false;
  bool parts = false;
  bool oneThread = false;
  std::string only;
  int workerLimit = -1;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc)
      only = argv[++i];
    else if (std::strcmp(argv[i], "--workers") == 0 && i + 1 < argc)
      workerLimit = std::atoi(argv[++i]);
    else if (std::strcmp(argv[i], "--window") == 0)
      withWindow = true;
    else if (std::strcmp(argv[i], "--parts") == 0)
      parts = true;
    else if (std::strcmp(argv[i], "--one-thread") == 0)
      oneThread = true;
    else
      runs = std::max(1, std::atoi(argv[i]));
  }
  InflateAhead::SetWorkerLimit(workerLimit);
  const std::string tree = folder + "tree\\";
  const std::string out = folder + "OUT";
  std::vector<std::string> files;
  ListFiles(tree, "", files);
  if (files.empty()) {
    std::fprintf(stderr, "no files below %s\n", tree.c_str());
    return 1;
  }
  HWND window = withWindow ? MakeNotifyWindow() : nullptr;
  if (withWindow && window == nullptr) {
    std::fprintf(stderr, "the notification window could not be made\n");
    return 1;
  }

  int failures = 0;
  const auto fresh = [&]() {
    if (!DeleteTree(out)) {
      std::fprintf(stderr, "%s cannot be deleted\n", out.c_str());
      std::exit(1);
    }
  };
  // One timed extraction into a fresh folder; workers: the decoding-ahead limit for this run.
  const auto timeUnzip = [&](const char* archive, const std::string& label, HWND notify, int run,
                             bool pump = true, int workers = -2) {
    fresh();
    if (workers != -2) InflateAhead::SetWorkerLimit(workers);
    CZUnzip unzip;
    unzip.SetPumpMessages(pump ? TRUE : FALSE);
    unzip.SetNotifyWindow(notify);
    unzip.SetCancel(FALSE);
    unzip.SetPassword("");
    const double start = Now();
    const int result = unzip.UnzipFiles((folder + archive).c_str(), "*.*", out.c_str(), 1, TRUE);
    const double seconds = Now() - start;
    if (workers != -2) InflateAhead::SetWorkerLimit(workerLimit);
    if (result != 0) {
      std::fprintf(stderr, "%s: UnzipFiles returned %d\n", label.c_str(), result);
      ++failures;
    }
    std::printf("unzip %s run %d seconds %.3f\n", label.c_str(), run, seconds);
    std::fflush(stdout);
  };
  const auto timeFloor = [&](const char* label, const CopyOptions& options, bool asPart, int run) {
    fresh();
    const double start = Now();
    if (!CopyFiles(tree, out + "\\", files, options)) ++failures;
    const double seconds = Now() - start;
    if (asPart)
      std::printf("part %s seconds %.4f\n", label, seconds);
    else
      std::printf("floor run %d seconds %.3f\n", run, seconds);
    std::fflush(stdout);
  };

  // The runs of every kind take turns, so that each kind meets the machine in the same states.
  const auto wanted = [&](const char* what) { return only.empty() || only == what; };
  for (int run = 1; run <= runs; ++run) {
    if (wanted("floor")) timeFloor("floor", CopyOptions{}, false, run);
    if (wanted("stored")) timeUnzip("STORED.ZIP", "stored", nullptr, run);
    if (wanted("deflated")) timeUnzip("DEFLATED.ZIP", "deflated", nullptr, run);
    if (withWindow && wanted("stored")) timeUnzip("STORED.ZIP", "stored-window", window, run);
    if (withWindow && wanted("deflated")) timeUnzip("DEFLATED.ZIP", "deflated-window", window, run);
    if (oneThread && wanted("stored"))
      timeUnzip("STORED.ZIP", "stored-one-thread", nullptr, run, true, 0);
    if (oneThread && wanted("deflated")) {
      timeUnzip("DEFLATED.ZIP", "deflated-one-thread", nullptr, run, true, 0);
    }
    // With the message pump off: what serving the queue once per block costs.
    if (parts && wanted("stored"))
      timeUnzip("STORED.ZIP", "stored-without-pump", nullptr, run, false);
    if (parts && wanted("deflated")) {
      timeUnzip("DEFLATED.ZIP", "deflated-without-pump", nullptr, run, false);
    }
  }

  if (parts) {
    // The copy floor with the reader's block size, with a seek before every read, with a
    // message pump after every block.
    CopyOptions options;
    timeFloor("copy-64k", options, true, 1);
    options.block = 24576;
    timeFloor("copy-24k", options, true, 1);
    options.seekEachRead = true;
    timeFloor("copy-24k-seek", options, true, 1);
    options.peekEachBlock = true;
    timeFloor("copy-24k-seek-peek", options, true, 1);
    // The per-file calls alone, one per file of the extracted tree (which exists now).
    const std::string base = out + "\\";
    TimePart("free-space-query", files, [&](const std::string&) {
      DWORD a, b, c, d;
      GetDiskFreeSpaceA("Z:\\", &a, &b, &c, &d);
    });
    TimePart("attributes-query", files,
             [&](const std::string& file) { GetFileAttributesA((base + file).c_str()); });
    TimePart("time-query", files, [&](const std::string& file) {
      WIN32_FILE_ATTRIBUTE_DATA data;
      GetFileAttributesExA((base + file).c_str(), GetFileExInfoStandard, &data);
    });
    TimePart("set-time-by-name", files, [&](const std::string& file) {
      const HANDLE handle = CreateFileA((base + file).c_str(), FILE_WRITE_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, 0, nullptr);
      if (handle == INVALID_HANDLE_VALUE) return;
      FILETIME time = {0x12345678, 0x01D00000};
      SetFileTime(handle, nullptr, nullptr, &time);
      CloseHandle(handle);
    });
    TimePart("set-attributes", files, [&](const std::string& file) {
      SetFileAttributesA((base + file).c_str(), FILE_ATTRIBUTE_ARCHIVE);
    });
    TimePart("drive-type", files, [&](const std::string&) { GetDriveTypeA("Z:\\"); });
    TimePart("current-folder", files, [&](const std::string&) {
      char here[1025];
      GetCurrentDirectoryA(1024, here);
    });
    TimePart("window-alloc", files, [&](const std::string&) {
      HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 32768);
      if (block != nullptr) {
        GlobalLock(block);
        GlobalUnlock(block);
        GlobalFree(block);
      }
    });
    {
      const int blocks = 4200;  // about one per 24,576-byte block of the tree
      MSG message;
      const double start = Now();
      for (int i = 0; i < blocks; ++i) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
      }
      std::printf("part peek-x%d seconds %.4f\n", blocks, Now() - start);
      const double statusStart = Now();
      for (int i = 0; i < blocks; ++i) GetQueueStatus(QS_ALLINPUT);
      std::printf("part queue-status-x%d seconds %.4f\n", blocks, Now() - statusStart);
    }
    std::vector<uint8_t> zip;
    if (LoadFile(folder + "DEFLATED.ZIP", zip)) {
      unsigned long long bytes = 0;
      const double seconds = InflateArchiveImage(zip, &bytes);
      std::printf("part inflate-from-memory seconds %.4f bytes %llu\n", seconds, bytes);
    } else {
      ++failures;
    }
  }
  fresh();
  if (window != nullptr) DestroyWindow(window);
  return failures == 0 ? 0 : 1;
}
