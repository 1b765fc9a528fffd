// OrderedPool: worker threads that work through a numbered list of jobs in order, ahead of one
// consumer thread that takes the results in the same order.
//
// The owner keeps what each job is and what it gives (a Result of its own kind); the pool keeps
// the threads, the lock, the events and the jobs' states: which job a worker takes next, which
// jobs the consumer went past (nobody takes their results, so workers skip them), and how many
// results wait at once (at most a few per worker: a worker waits while that many are running or
// waiting untaken, and is woken once half of them are taken). Every signal is a call into the
// system (under Wine a round trip to the server, which the consumer's own calls wait behind):
// events are set only for someone waiting on them.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

class OrderedPool {
 public:
  // What a job gives; the owner's results derive from it.
  struct Result {
    virtual ~Result() = default;
  };
  // What each worker thread runs: a loop of NextJob, the work, Finish.
  using WorkerMain = std::function<void(OrderedPool& pool)>;

  // The workers to start for one processor count: limit when it is 0 or more, else one per
  // processor, at most four, and none with a single processor (the consumer's thread is as
  // quick there, without the copies).
  static unsigned WorkerCount(int limit);

  OrderedPool() = default;
  // Stops the workers and waits for them.
  ~OrderedPool();
  OrderedPool(const OrderedPool&) = delete;
  OrderedPool& operator=(const OrderedPool&) = delete;

  // Starts up to `workers` threads (never more than there are jobs), each running work, letting
  // heldPerWorker results per started worker wait. False when none could start (the owner then
  // does every job itself). Called once.
  bool Start(size_t jobCount, unsigned workers, unsigned heldPerWorker, WorkerMain work);
  // Stops the workers (each ends at its next NextJob; a work in progress sees StopFlag) and waits
  // for them. The owner calls it before its jobs' data go.
  void Stop();

  // Worker side. The next job not gone past, once fewer results than the limit wait; false when
  // there is none or the pool stops.
  bool NextJob(size_t* index);
  // The job's result (null: none; the consumer does that job itself).
  void Finish(size_t index, std::unique_ptr<Result> result);
  // Nonzero once the pool stops: a long work ends early (its result is thrown away).
  const volatile LONG* StopFlag() const { return &stop_; }

  // Consumer side (one thread). Jobs before Cursor() were taken or gone past.
  size_t Cursor() const { return cursor_; }
  // The result of job index (at or after Cursor()); the jobs between are gone past. Waits while a
  // worker is on it, and for a job no worker began only when waitForPending is set (else that job
  // is left to the consumer). While waiting, serves the thread's queue when pumpWindow is a window.
  // Null when the job gives no result.
  std::unique_ptr<Result> Take(size_t index, bool waitForPending, HWND pumpWindow);

 private:
  struct Job {
    enum State { kPending, kRunning, kDone };
    State state = kPending;
    bool goneBy = false;  // the consumer went past it or took it: nobody takes its result
    std::unique_ptr<Result> result;
  };
  static DWORD WINAPI ThreadMain(LPVOID self);
  // Under lock_: the job is gone past; a result it holds goes.
  void GoPast(size_t index);
  // Under lock_: one held result fewer; wakes the waiting workers once half the results are taken.
  void Release();

  WorkerMain work_;
  std::vector<Job> jobs_;
  CRITICAL_SECTION lock_{};
  bool lockMade_ = false;
  HANDLE wake_ = nullptr;     // manual reset: set when a waiting worker may find something to do
  HANDLE jobDone_ = nullptr;  // auto reset: set when a worker finished a job the consumer awaits
  std::vector<HANDLE> threads_;
  size_t cursor_ = 0;  // written by the consumer only (under lock_)
  // Under lock_:
  size_t nextJob_ = 0;  // the next job a worker takes
  unsigned held_ = 0;   // jobs running or holding a result the consumer has not taken
  unsigned maxHeld_ = 0;
  unsigned liveWorkers_ = 0;
  unsigned waitingWorkers_ = 0;
  bool consumerWaiting_ = false;
  volatile LONG stop_ = 0;
};
