#include "writing/deflate_ahead.h"

#include <algorithm>
#include <new>

#include "core/deflate.h"
#include "base/engine_utils.h"
#include "files/file_ops.h"

namespace {

// Results that may wait per worker: enough that no worker idles while the writer writes one.
constexpr unsigned kHeldPerWorker = 2;

int g_workersForTesting = -1;
void (*g_takeHook)(const std::string&) = nullptr;

// Reads a file a worker opened; a stop request ends the input as a read error, so that the
// result is thrown away.
class HandleSource : public DeflateSource {
 public:
  HandleSource(HANDLE file, const volatile LONG* stop) : file_(file), stop_(stop) {}
  long Read(uint8_t* buffer, size_t n) override {
    if (*stop_ != 0) return -1;
    DWORD got = 0;
    if (!ReadFile(file_, buffer, static_cast<DWORD>(n), &got, nullptr)) return -1;
    return static_cast<long>(got);
  }

 private:
  HANDLE file_;
  const volatile LONG* stop_;
};

uint64_t FileSize(const BY_HANDLE_FILE_INFORMATION& info) {
  return (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

}  // namespace

void DeflateAhead::SetWorkerLimit(int workers) { g_workersForTesting = workers; }
void DeflateAhead::SetTakeHookForTesting(void (*hook)(const std::string&)) { g_takeHook = hook; }

bool DeflateAhead::Result::IsFrom(HANDLE opened) const {
  BY_HANDLE_FILE_INFORMATION now;
  if (!GetFileInformationByHandle(opened, &now)) return false;
  return now.dwVolumeSerialNumber == source.dwVolumeSerialNumber &&
         now.nFileIndexHigh == source.nFileIndexHigh && now.nFileIndexLow == source.nFileIndexLow &&
         FileSize(now) == FileSize(source) &&
         CompareFileTime(&now.ftLastWriteTime, &source.ftLastWriteTime) == 0 &&
         FileSize(now) == file.bytesRead;
}

std::unique_ptr<DeflateAhead> DeflateAhead::Start(int mode,
                                                  const std::vector<std::string>& oemPaths) {
  const unsigned workers = OrderedPool::WorkerCount(g_workersForTesting);
  if (workers == 0 || oemPaths.empty() || mode < 0 || mode > 2) return nullptr;
  std::unique_ptr<DeflateAhead> ahead(new DeflateAhead());
  ahead->mode_ = mode;
  ahead->jobs_.resize(oemPaths.size());
  for (size_t i = 0; i < oemPaths.size(); ++i) {
    Job& job = ahead->jobs_[i];
    job.oemPath = oemPaths[i];
    // Resolved now, on the writer's thread: the workers must open what the writer will open.
    const std::string ansi = AnsiFromOem(job.oemPath.c_str());
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(ansi.c_str(), MAX_PATH, full, nullptr);
    job.fullPath = length > 0 && length < MAX_PATH ? std::string(full, length) : ansi;
  }
  DeflateAhead* self = ahead.get();
  if (!ahead->pool_.Start(ahead->jobs_.size(), workers, kHeldPerWorker,
                          [self](OrderedPool& pool) { self->Work(pool); })) {
    return nullptr;
  }
  return ahead;
}

DeflateAhead::~DeflateAhead() { pool_.Stop(); }

void DeflateAhead::Work(OrderedPool& pool) {
  const auto compressor = std::make_unique<DeflateCompressor>();
  size_t index = 0;
  while (pool.NextJob(&index)) {
    std::unique_ptr<Result> result;
    try {
      result = Compress(jobs_[index], *compressor);
    } catch (...) {
      result.reset();  // out of memory: the writer compresses this one itself
    }
    pool.Finish(index, std::move(result));
  }
}

std::unique_ptr<DeflateAhead::Result> DeflateAhead::Compress(const Job& job,
                                                             DeflateCompressor& compressor) {
  // The writer's own sharing: readers only.
  const HANDLE file = CreateFileA(job.fullPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  auto result = std::make_unique<Result>();
  bool ok = GetFileInformationByHandle(file, &result->source) != FALSE &&
            (result->source.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            FileSize(result->source) <= kLargestFile;
  if (ok) {
    result->file.data.reserve(static_cast<size_t>(FileSize(result->source) / 2 + 4096));
    HandleSource source(file, pool_.StopFlag());
    ok = PrecompressFile(compressor, mode_, source, &result->file) &&
         result->file.bytesRead == FileSize(result->source);
  }
  CloseHandle(file);
  if (!ok) return nullptr;
  return result;
}

std::unique_ptr<DeflateAhead::Result> DeflateAhead::Take(const std::string& oemPath,
                                                         HWND notifyWindow) {
  size_t index = pool_.Cursor();
  while (index < jobs_.size() && jobs_[index].oemPath != oemPath) ++index;
  if (index == jobs_.size()) return nullptr;
  std::unique_ptr<OrderedPool::Result> taken = pool_.Take(index, true, notifyWindow);
  if (!taken) return nullptr;
  std::unique_ptr<Result> result(static_cast<Result*>(taken.release()));
  if (g_takeHook != nullptr) g_takeHook(oemPath);
  return result;
}
