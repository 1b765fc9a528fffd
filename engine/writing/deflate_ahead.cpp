#include "writing/deflate_ahead.h"

#include <algorithm>
#include <new>

#include "core/deflate.h"
#include "base/engine_utils.h"
#include "files/file_ops.h"

namespace {

constexpr unsigned kMostWorkers = 4;
// Results that may wait per worker: enough that no worker idles while the writer writes one.
constexpr unsigned kHeldPerWorker = 2;

int g_workersForTesting = -1;
void (*g_takeHook)(const std::string&) = nullptr;

unsigned WorkerCount() {
  if (g_workersForTesting >= 0) return static_cast<unsigned>(g_workersForTesting);
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  // With one processor the writer's own thread is as fast, without the copies.
  if (info.dwNumberOfProcessors < 2) return 0;
  return std::min<unsigned>(info.dwNumberOfProcessors, kMostWorkers);
}

// Reads a file a worker opened; a stop request ends the input as a read error, so that the
// result is thrown away.
class HandleSource : public DeflateSource {
 public:
  HandleSource(HANDLE file, volatile LONG* stop) : file_(file), stop_(stop) {}
  long Read(uint8_t* buffer, size_t n) override {
    if (*stop_ != 0) return -1;
    DWORD got = 0;
    if (!ReadFile(file_, buffer, static_cast<DWORD>(n), &got, nullptr)) return -1;
    return static_cast<long>(got);
  }

 private:
  HANDLE file_;
  volatile LONG* stop_;
};

uint64_t FileSize(const BY_HANDLE_FILE_INFORMATION& info) {
  return (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

// Owns the lock for one scope.
class Locked {
 public:
  explicit Locked(CRITICAL_SECTION& lock) : lock_(lock) { EnterCriticalSection(&lock_); }
  ~Locked() { LeaveCriticalSection(&lock_); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;

 private:
  CRITICAL_SECTION& lock_;
};

}  // namespace

struct DeflateAhead::Job {
  enum State { kPending, kRunning, kDone };
  std::string oemPath;   // as the writer names it
  std::string fullPath;  // what the worker opens (ANSI, resolved when the pass starts)
  State state = kPending;
  bool dropped = false;  // the writer went past it: nobody takes its result
  std::unique_ptr<Result> result;
};

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

std::unique_ptr<DeflateAhead> DeflateAhead::Start(int mode, const std::vector<std::string>& oemPaths) {
  const unsigned workers = WorkerCount();
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
  InitializeCriticalSection(&ahead->lock_);
  ahead->lockMade_ = true;
  ahead->wake_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ahead->jobDone_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (ahead->wake_ == nullptr || ahead->jobDone_ == nullptr) return nullptr;
  ahead->maxHeld_ = workers * kHeldPerWorker;
  ahead->liveWorkers_ = workers;
  for (unsigned i = 0; i < workers; ++i) {
    const HANDLE thread = CreateThread(nullptr, 0, WorkerMain, ahead.get(), 0, nullptr);
    if (thread != nullptr) {
      ahead->threads_.push_back(thread);
    } else {
      Locked locked(ahead->lock_);
      --ahead->liveWorkers_;
    }
  }
  if (ahead->threads_.empty()) return nullptr;
  return ahead;
}

DeflateAhead::~DeflateAhead() {
  if (lockMade_) {
    Locked locked(lock_);
    InterlockedExchange(&stop_, 1);
    if (wake_ != nullptr) SetEvent(wake_);
  }
  for (HANDLE thread : threads_) {
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
  }
  if (wake_ != nullptr) CloseHandle(wake_);
  if (jobDone_ != nullptr) CloseHandle(jobDone_);
  if (lockMade_) DeleteCriticalSection(&lock_);
}

DWORD WINAPI DeflateAhead::WorkerMain(LPVOID self) {
  auto* ahead = static_cast<DeflateAhead*>(self);
  try {
    ahead->Work();
  } catch (...) {
    // Only the compressor's construction can get here, before any job was taken.
  }
  Locked locked(ahead->lock_);
  --ahead->liveWorkers_;
  SetEvent(ahead->jobDone_);  // a writer waiting for a job nobody will take must stop waiting
  return 0;
}

void DeflateAhead::Work() {
  const auto compressor = std::make_unique<DeflateCompressor>();
  size_t index = 0;
  while (NextJob(&index)) {
    std::unique_ptr<Result> result;
    try {
      result = Compress(jobs_[index], *compressor);
    } catch (...) {
      result.reset();  // out of memory: the writer compresses this one itself
    }
    Finish(index, std::move(result));
  }
}

bool DeflateAhead::NextJob(size_t* index) {
  Locked locked(lock_);
  for (;;) {
    if (stop_ != 0) return false;
    while (nextJob_ < jobs_.size() && jobs_[nextJob_].dropped) ++nextJob_;
    if (nextJob_ >= jobs_.size()) return false;
    if (held_ < maxHeld_) {
      *index = nextJob_++;
      jobs_[*index].state = Job::kRunning;
      ++held_;
      return true;
    }
    // Reset under the lock, so that a change made after this check sets it again.
    ResetEvent(wake_);
    LeaveCriticalSection(&lock_);
    WaitForSingleObject(wake_, INFINITE);
    EnterCriticalSection(&lock_);
  }
}

std::unique_ptr<DeflateAhead::Result> DeflateAhead::Compress(const Job& job, DeflateCompressor& compressor) {
  // The writer's own sharing: readers only.
  const HANDLE file = CreateFileA(job.fullPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  auto result = std::make_unique<Result>();
  bool ok = GetFileInformationByHandle(file, &result->source) != FALSE &&
            (result->source.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            FileSize(result->source) <= kLargestFile;
  if (ok) {
    result->file.data.reserve(static_cast<size_t>(FileSize(result->source) / 2 + 4096));
    HandleSource source(file, &stop_);
    ok = PrecompressFile(compressor, mode_, source, &result->file) &&
         result->file.bytesRead == FileSize(result->source);
  }
  CloseHandle(file);
  if (!ok) return nullptr;
  return result;
}

void DeflateAhead::Finish(size_t index, std::unique_ptr<Result> result) {
  Locked locked(lock_);
  Job& job = jobs_[index];
  job.state = Job::kDone;
  if (result && !job.dropped) {
    job.result = std::move(result);
  } else {
    --held_;
    SetEvent(wake_);
  }
  SetEvent(jobDone_);
}

void DeflateAhead::Drop(size_t index) {
  Job& job = jobs_[index];
  job.dropped = true;
  if (job.result) {
    job.result.reset();
    --held_;
    SetEvent(wake_);
  }
}

std::unique_ptr<DeflateAhead::Result> DeflateAhead::Take(const std::string& oemPath, HWND notifyWindow) {
  std::unique_ptr<Result> result;
  {
    Locked locked(lock_);
    size_t index = cursor_;
    while (index < jobs_.size() && jobs_[index].oemPath != oemPath) ++index;
    if (index == jobs_.size()) return nullptr;
    for (size_t skipped = cursor_; skipped < index; ++skipped) Drop(skipped);
    cursor_ = index + 1;
    Job& job = jobs_[index];
    while (job.state != Job::kDone) {
      if (liveWorkers_ == 0) {
        job.dropped = true;
        return nullptr;
      }
      LeaveCriticalSection(&lock_);
      if (notifyWindow != nullptr && IsWindow(notifyWindow)) {
        if (MsgWaitForMultipleObjects(1, &jobDone_, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
          PumpMessages(nullptr);
        }
      } else {
        WaitForSingleObject(jobDone_, INFINITE);
      }
      EnterCriticalSection(&lock_);
    }
    job.dropped = true;
    if (job.result) {
      result = std::move(job.result);
      --held_;
      SetEvent(wake_);
    }
  }
  if (result && g_takeHook != nullptr) g_takeHook(oemPath);
  return result;
}
