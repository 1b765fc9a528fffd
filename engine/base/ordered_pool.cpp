#include "base/ordered_pool.h"

#include <algorithm>

#include "base/engine_utils.h"

namespace {

constexpr unsigned kMostWorkers = 4;

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

unsigned OrderedPool::WorkerCount(int limit) {
  if (limit >= 0) return static_cast<unsigned>(limit);
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  if (info.dwNumberOfProcessors < 2) return 0;
  return std::min<unsigned>(info.dwNumberOfProcessors, kMostWorkers);
}

bool OrderedPool::Start(size_t jobCount, unsigned workers, unsigned heldPerWorker,
                        WorkerMain work) {
  if (lockMade_ || jobCount == 0 || workers == 0 || heldPerWorker == 0) return false;
  work_ = std::move(work);
  jobs_.resize(jobCount);
  InitializeCriticalSection(&lock_);
  lockMade_ = true;
  wake_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  jobDone_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (wake_ == nullptr || jobDone_ == nullptr) return false;
  const unsigned used = static_cast<unsigned>(std::min<size_t>(workers, jobCount));
  maxHeld_ = used * heldPerWorker;
  liveWorkers_ = used;
  for (unsigned i = 0; i < used; ++i) {
    const HANDLE thread = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
    if (thread != nullptr) {
      threads_.push_back(thread);
    } else {
      Locked locked(lock_);
      --liveWorkers_;
    }
  }
  return !threads_.empty();
}

void OrderedPool::Stop() {
  if (lockMade_) {
    Locked locked(lock_);
    InterlockedExchange(&stop_, 1);
    if (wake_ != nullptr) SetEvent(wake_);
  }
  for (HANDLE thread : threads_) {
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
  }
  threads_.clear();
}

OrderedPool::~OrderedPool() {
  Stop();
  if (wake_ != nullptr) CloseHandle(wake_);
  if (jobDone_ != nullptr) CloseHandle(jobDone_);
  if (lockMade_) DeleteCriticalSection(&lock_);
}

DWORD WINAPI OrderedPool::ThreadMain(LPVOID self) {
  auto* pool = static_cast<OrderedPool*>(self);
  try {
    pool->work_(*pool);
  } catch (...) {
    // The owner's work catches per job; whatever else escapes ends this worker, never unwinds out.
  }
  Locked locked(pool->lock_);
  --pool->liveWorkers_;
  SetEvent(pool->jobDone_);  // a consumer waiting for a job nobody will take must stop waiting
  return 0;
}

bool OrderedPool::NextJob(size_t* index) {
  Locked locked(lock_);
  for (;;) {
    if (stop_ != 0) return false;
    while (nextJob_ < jobs_.size() && jobs_[nextJob_].goneBy) ++nextJob_;
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

void OrderedPool::Release() {
  --held_;
  if (waitingWorkers_ > 0 && held_ <= maxHeld_ / 2) SetEvent(wake_);
}

void OrderedPool::Finish(size_t index, std::unique_ptr<Result> result) {
  Locked locked(lock_);
  Job& job = jobs_[index];
  job.state = Job::kDone;
  if (result && !job.goneBy) {
    job.result = std::move(result);
  } else {
    Release();
  }
  if (consumerWaiting_) SetEvent(jobDone_);
  // A result nobody takes goes with the argument, after the lock is left.
}

void OrderedPool::GoPast(size_t index) {
  Job& job = jobs_[index];
  job.goneBy = true;
  if (job.result) {
    job.result.reset();
    Release();
  }
}

std::unique_ptr<OrderedPool::Result> OrderedPool::Take(size_t index, bool waitForPending,
                                                       HWND pumpWindow) {
  Locked locked(lock_);
  if (index >= jobs_.size() || index < cursor_) return nullptr;
  for (size_t skipped = cursor_; skipped < index; ++skipped) GoPast(skipped);
  cursor_ = index + 1;
  Job& job = jobs_[index];
  if (job.state == Job::kPending && !waitForPending) {
    job.goneBy = true;  // no worker reached it: the consumer is as quick
    return nullptr;
  }
  while (job.state != Job::kDone) {
    if (liveWorkers_ == 0) {
      job.goneBy = true;
      return nullptr;
    }
    consumerWaiting_ = true;
    LeaveCriticalSection(&lock_);
    if (pumpWindow != nullptr && IsWindow(pumpWindow)) {
      if (MsgWaitForMultipleObjects(1, &jobDone_, FALSE, INFINITE, QS_ALLINPUT) ==
          WAIT_OBJECT_0 + 1) {
        PumpMessages(nullptr);
      }
    } else {
      WaitForSingleObject(jobDone_, INFINITE);
    }
    EnterCriticalSection(&lock_);
    consumerWaiting_ = false;
  }
  job.goneBy = true;
  std::unique_ptr<Result> result;
  if (job.result) {
    result = std::move(job.result);
    Release();
  }
  return result;
}
