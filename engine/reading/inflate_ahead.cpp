#include "reading/inflate_ahead.h"

#include <algorithm>
#include <new>

#include "core/decoder_io.h"
#include "core/end_record.h"
#include "core/inflate.h"
#include "core/le_fields.h"
#include "core/zip_records.h"

namespace {

constexpr unsigned kMostWorkers = 4;
// Results that may wait per worker: enough that no worker idles while the reader writes one.
constexpr unsigned kHeldPerWorker = 2;

int g_workerLimit = -1;
volatile LONG g_taken = 0;
bool g_patient = false;

unsigned WorkerCount() {
  if (g_workerLimit >= 0) return static_cast<unsigned>(g_workerLimit);
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  // With one processor the reader's own thread is as fast, without the copies.
  if (info.dwNumberOfProcessors < 2) return 0;
  return std::min<unsigned>(info.dwNumberOfProcessors, kMostWorkers);
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow && a.nFileSizeHigh == b.nFileSizeHigh &&
         a.nFileSizeLow == b.nFileSizeLow &&
         CompareFileTime(&a.ftLastWriteTime, &b.ftLastWriteTime) == 0;
}

// Reads exactly n bytes at file position `at`; false when the file has fewer or the read fails.
bool ReadAt(HANDLE file, int64_t at, void* buffer, DWORD n) {
  LARGE_INTEGER target;
  target.QuadPart = at;
  if (!SetFilePointerEx(file, target, nullptr, FILE_BEGIN)) return false;
  DWORD got = 0;
  return ReadFile(file, buffer, n, &got, nullptr) && got == n;
}

// The entry's data in memory, handed to the decoder in the runs the reader's input gives: each
// run ends at a 24,576-byte boundary of the archive file. Before each run the reader serves its
// queue: the decoded bytes at that moment are noted.
class BlockRuns : public DecoderInput {
 public:
  BlockRuns(const std::vector<uint8_t>& data, int64_t filePosition, InflateAhead::Result& result,
            const bool& overflow, volatile LONG* stop)
      : data_(data), filePosition_(filePosition), result_(result), overflow_(overflow), stop_(stop) {}
  size_t NextRun(const uint8_t** run) override {
    result_.pumpPoints.push_back(result_.data.size());
    if (overflow_ || *stop_ != 0 || used_ >= data_.size()) return 0;
    const int64_t at = filePosition_ + static_cast<int64_t>(used_);
    size_t n = kInputBlockSize - static_cast<size_t>(at % kInputBlockSize);
    n = std::min(n, data_.size() - used_);
    *run = data_.data() + used_;
    used_ += n;
    return n;
  }

 private:
  const std::vector<uint8_t>& data_;
  int64_t filePosition_;
  size_t used_ = 0;
  InflateAhead::Result& result_;
  const bool& overflow_;
  volatile LONG* stop_;
};

// Collects the decoded bytes, never more than the entry declares.
class Collect : public DecoderOutput {
 public:
  Collect(InflateAhead::Result& result, size_t limit, bool& overflow)
      : result_(result), limit_(limit), overflow_(overflow) {}
  void Write(const uint8_t* data, size_t n) override {
    if (overflow_ || n > limit_ - result_.data.size()) {
      overflow_ = true;  // the input ends at the next run: the reader decodes this one itself
      return;
    }
    result_.data.insert(result_.data.end(), data, data + n);
  }

 private:
  InflateAhead::Result& result_;
  size_t limit_;
  bool& overflow_;
};

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

struct InflateAhead::Job {
  enum State { kPending, kRunning, kDone };
  Entry entry;
  State state = kPending;
  bool dropped = false;  // the reader went past it: nobody takes its result
  std::unique_ptr<Result> result;
};

void InflateAhead::SetWorkerLimit(int workers) { g_workerLimit = workers; }
unsigned long InflateAhead::TakenForTesting() { return static_cast<unsigned long>(g_taken); }
void InflateAhead::SetPatientForTesting(bool patient) { g_patient = patient; }

std::unique_ptr<InflateAhead> InflateAhead::Start(const std::string& archivePath, HANDLE archive,
                                                  const std::vector<Entry>& entries) {
  const unsigned workers = WorkerCount();
  if (workers == 0 || archivePath.empty()) return nullptr;
  std::unique_ptr<InflateAhead> ahead(new InflateAhead());
  for (const Entry& entry : entries) {
    if ((entry.flags & zip::kFlagEncrypted) != 0 || entry.compressedSize > kLargestEntry ||
        entry.uncompressedSize > kLargestEntry) {
      continue;
    }
    Job job;
    job.entry = entry;
    ahead->jobs_.push_back(std::move(job));
  }
  if (ahead->jobs_.empty()) return nullptr;
  if (!GetFileInformationByHandle(archive, &ahead->archiveIdentity_)) return nullptr;
  ahead->archivePath_ = archivePath;
  InitializeCriticalSection(&ahead->lock_);
  ahead->lockMade_ = true;
  ahead->wake_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ahead->jobDone_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (ahead->wake_ == nullptr || ahead->jobDone_ == nullptr) return nullptr;
  const unsigned used = std::min<unsigned>(workers, static_cast<unsigned>(ahead->jobs_.size()));
  ahead->maxHeld_ = used * kHeldPerWorker;
  ahead->liveWorkers_ = used;
  for (unsigned i = 0; i < used; ++i) {
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

InflateAhead::~InflateAhead() {
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

DWORD WINAPI InflateAhead::WorkerMain(LPVOID self) {
  auto* ahead = static_cast<InflateAhead*>(self);
  try {
    ahead->Work();
  } catch (...) {
    // Nothing of the work throws but memory running out, handled per job; never unwind out.
  }
  Locked locked(ahead->lock_);
  --ahead->liveWorkers_;
  SetEvent(ahead->jobDone_);  // a reader waiting for a job nobody will take must stop waiting
  return 0;
}

void InflateAhead::Work() {
  // The reader's own sharing: readers only. The worker reads only when the file it opened is the
  // one the reader has open.
  const HANDLE file = CreateFileA(archivePath_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  BY_HANDLE_FILE_INFORMATION identity;
  const bool same = file != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file, &identity) &&
                    SameFile(identity, archiveIdentity_);
  size_t index = 0;
  while (NextJob(&index)) {
    std::unique_ptr<Result> result;
    if (same) {
      try {
        result = Decode(file, jobs_[index]);
      } catch (...) {
        result.reset();  // out of memory: the reader decodes this one itself
      }
    }
    Finish(index, std::move(result));
  }
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

bool InflateAhead::NextJob(size_t* index) {
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
    ++waitingWorkers_;
    LeaveCriticalSection(&lock_);
    WaitForSingleObject(wake_, INFINITE);
    EnterCriticalSection(&lock_);
    --waitingWorkers_;
  }
}

void InflateAhead::Release() {
  --held_;
  if (waitingWorkers_ > 0 && held_ <= maxHeld_ / 2) SetEvent(wake_);
}

std::unique_ptr<InflateAhead::Result> InflateAhead::Decode(HANDLE file, const Job& job) {
  // The local header, read and judged as the reader will: only a deflated, unencrypted entry.
  uint8_t record[zip::local::kSize];
  const Entry& entry = job.entry;
  if (!ReadAt(file, entry.localHeaderPosition, record, sizeof record) ||
      !zip::HasSignature(record, zip::kLocalSignature)) {
    return nullptr;
  }
  const uint16_t flags = GetLE16(record + zip::local::kFlags);
  if ((flags & zip::kFlagEncrypted) != 0 || GetLE16(record + zip::local::kMethod) != zip::kMethodDeflated) {
    return nullptr;
  }
  uint32_t compressed = GetLE32(record + zip::local::kCompressedSize);
  uint32_t uncompressed = GetLE32(record + zip::local::kUncompressedSize);
  if ((flags & zip::kFlagDataDescriptor) != 0) {
    compressed = entry.compressedSize;
    uncompressed = entry.uncompressedSize;
  }
  if (compressed > kLargestEntry || uncompressed > kLargestEntry) return nullptr;
  auto result = std::make_unique<Result>();
  result->dataPosition = entry.localHeaderPosition + zip::local::kSize +
                         GetLE16(record + zip::local::kNameLength) +
                         GetLE16(record + zip::local::kExtraLength);
  result->compressedSize = compressed;
  std::vector<uint8_t> input(compressed);
  if (compressed > 0 && !ReadAt(file, result->dataPosition, input.data(), compressed)) return nullptr;

  result->data.reserve(uncompressed);
  std::vector<uint8_t> window(kDecoderWindowSize);
  bool overflow = false;
  BlockRuns in(input, result->dataPosition, *result, overflow, &stop_);
  Collect out(*result, uncompressed, overflow);
  // A stream that does not decode cleanly is left to the reader, whose own decoding of it shows
  // the damage as it always has.
  if (Inflate(in, out, window.data()) != kInflateOk || overflow || stop_ != 0) return nullptr;
  return result;
}

void InflateAhead::Finish(size_t index, std::unique_ptr<Result> result) {
  Locked locked(lock_);
  Job& job = jobs_[index];
  job.state = Job::kDone;
  if (result && !job.dropped) {
    job.result = std::move(result);
  } else {
    Release();
  }
  if (readerWaiting_) SetEvent(jobDone_);
}

void InflateAhead::Drop(size_t index) {
  Job& job = jobs_[index];
  job.dropped = true;
  if (job.result) {
    job.result.reset();
    Release();
  }
}

std::unique_ptr<InflateAhead::Result> InflateAhead::Take(int64_t localHeaderPosition) {
  Locked locked(lock_);
  size_t index = cursor_;
  while (index < jobs_.size() && jobs_[index].entry.localHeaderPosition != localHeaderPosition) ++index;
  if (index == jobs_.size()) return nullptr;
  for (size_t skipped = cursor_; skipped < index; ++skipped) Drop(skipped);
  cursor_ = index + 1;
  Job& job = jobs_[index];
  if (job.state == Job::kPending && !g_patient) {
    job.dropped = true;  // no worker reached it: the reader is as quick
    return nullptr;
  }
  while (job.state != Job::kDone) {
    if (liveWorkers_ == 0) {
      job.dropped = true;
      return nullptr;
    }
    readerWaiting_ = true;
    LeaveCriticalSection(&lock_);
    WaitForSingleObject(jobDone_, INFINITE);
    EnterCriticalSection(&lock_);
    readerWaiting_ = false;
  }
  job.dropped = true;
  std::unique_ptr<Result> result;
  if (job.result) {
    result = std::move(job.result);
    Release();
    InterlockedIncrement(&g_taken);
  }
  return result;
}
