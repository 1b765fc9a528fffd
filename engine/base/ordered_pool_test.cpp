// The ordered worker pool: every job's result arrives in order with never more waiting than the
// limit, jobs the consumer goes past are never begun, a job no worker began is left to the
// consumer unless it waits for it, and a worker that fails or a pool that stops never leaves the
// consumer waiting.
#include "base/ordered_pool.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

namespace {

struct Numbered : OrderedPool::Result {
  explicit Numbered(size_t n) : index(n) {}
  size_t index;
};

size_t IndexOf(const std::unique_ptr<OrderedPool::Result>& result) {
  return static_cast<const Numbered*>(result.get())->index;
}

// What the workers did, under a lock of its own.
class Record {
 public:
  Record() { InitializeCriticalSection(&lock_); }
  ~Record() { DeleteCriticalSection(&lock_); }
  Record(const Record&) = delete;
  Record& operator=(const Record&) = delete;
  void Begun(size_t index) {
    EnterCriticalSection(&lock_);
    begun_.push_back(index);
    LeaveCriticalSection(&lock_);
  }
  std::vector<size_t> BegunSorted() {
    EnterCriticalSection(&lock_);
    std::vector<size_t> begun = begun_;
    LeaveCriticalSection(&lock_);
    std::sort(begun.begin(), begun.end());
    return begun;
  }

 private:
  CRITICAL_SECTION lock_;
  std::vector<size_t> begun_;
};

TEST(OrderedPool, ResultsComeInOrderWithNoMoreWaitingThanTheLimit) {
  const struct {
    unsigned workers, heldPerWorker;
    size_t jobs;
  } cases[] = {{1, 1, 20}, {3, 2, 200}, {4, 2, 3}, {2, 5, 100}};
  for (const auto& c : cases) {
    Record record;
    OrderedPool pool;
    ASSERT_TRUE(pool.Start(c.jobs, c.workers, c.heldPerWorker, [&](OrderedPool& p) {
      size_t index = 0;
      while (p.NextJob(&index)) {
        record.Begun(index);
        if (index % 7 == 0) Sleep(1);  // some jobs take longer: the workers overtake each other
        p.Finish(index, std::make_unique<Numbered>(index));
      }
    }));
    // Nothing taken yet: the workers stop once the limit's worth of jobs is begun.
    const unsigned used = static_cast<unsigned>(std::min<size_t>(c.workers, c.jobs));
    const size_t limit = std::min<size_t>(used * c.heldPerWorker, c.jobs);
    for (int wait = 0; wait < 500 && record.BegunSorted().size() < limit; ++wait) Sleep(10);
    Sleep(50);
    EXPECT_EQ(record.BegunSorted().size(), limit) << c.jobs;
    for (size_t i = 0; i < c.jobs; ++i) {
      EXPECT_EQ(pool.Cursor(), i);
      const std::unique_ptr<OrderedPool::Result> result = pool.Take(i, true, nullptr);
      ASSERT_NE(result, nullptr) << i;
      EXPECT_EQ(IndexOf(result), i);
      // Each result taken lets at most one more job begin.
      EXPECT_LE(record.BegunSorted().size(), std::min(c.jobs, limit + i + 1)) << i;
    }
    pool.Stop();
    std::vector<size_t> expected(c.jobs);
    for (size_t i = 0; i < c.jobs; ++i) expected[i] = i;
    EXPECT_EQ(record.BegunSorted(), expected) << c.jobs;  // each job once
  }
}

// One worker, one result at a time, whose job 0 waits for the test's release.
struct GatedPool {
  explicit GatedPool(size_t jobs) : release(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    started = pool.Start(jobs, 1, 1, [this](OrderedPool& p) {
      size_t index = 0;
      while (p.NextJob(&index)) {
        record.Begun(index);
        if (index == 0) WaitForSingleObject(release, 10000);
        p.Finish(index, std::make_unique<Numbered>(index));
      }
    });
  }
  ~GatedPool() {
    SetEvent(release);
    pool.Stop();
    CloseHandle(release);
  }
  HANDLE release;
  Record record;
  OrderedPool pool;
  bool started = false;
};

TEST(OrderedPool, JobsGonePastAreNeverBegun) {
  {
    GatedPool gated(12);
    ASSERT_TRUE(gated.started);
    SetEvent(gated.release);
    ASSERT_NE(gated.pool.Take(0, true, nullptr), nullptr);
    // Job 1 may be running or done; 2 to 4 wait behind the one-result limit: going past them
    // leaves them undone.
    const std::unique_ptr<OrderedPool::Result> fifth = gated.pool.Take(5, true, nullptr);
    ASSERT_NE(fifth, nullptr);
    EXPECT_EQ(IndexOf(fifth), 5u);
    EXPECT_EQ(gated.pool.Cursor(), 6u);
    const std::unique_ptr<OrderedPool::Result> last = gated.pool.Take(11, true, nullptr);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(IndexOf(last), 11u);
    const std::vector<size_t> begun = gated.record.BegunSorted();
    for (size_t skipped : {2u, 3u, 4u}) {
      EXPECT_EQ(std::count(begun.begin(), begun.end(), skipped), 0) << skipped;
    }
    EXPECT_EQ(gated.pool.Take(3, true, nullptr), nullptr);  // behind the cursor: nothing
  }
  {
    // A job no worker began is left to the consumer when it does not wait for it, and no
    // worker begins it afterwards.
    GatedPool gated(4);
    ASSERT_TRUE(gated.started);
    EXPECT_EQ(gated.pool.Take(1, false, nullptr), nullptr);  // the worker is on job 0
    SetEvent(gated.release);
    const std::unique_ptr<OrderedPool::Result> third = gated.pool.Take(2, false, nullptr);
    if (third != nullptr) {
      EXPECT_EQ(IndexOf(third), 2u);
    }
    const std::unique_ptr<OrderedPool::Result> fourth = gated.pool.Take(3, true, nullptr);
    ASSERT_NE(fourth, nullptr);
    EXPECT_EQ(IndexOf(fourth), 3u);
    const std::vector<size_t> begun = gated.record.BegunSorted();
    EXPECT_EQ(std::count(begun.begin(), begun.end(), 1u), 0);
  }
}

TEST(OrderedPool, AFailedWorkerOrAStopNeverLeavesTheConsumerWaiting) {
  {
    // The only worker's work throws on its first job: the consumer waiting for it gets nothing.
    OrderedPool pool;
    ASSERT_TRUE(pool.Start(5, 1, 2, [](OrderedPool& p) {
      size_t index = 0;
      if (p.NextJob(&index)) throw std::bad_alloc();
    }));
    EXPECT_EQ(pool.Take(0, true, nullptr), nullptr);
    EXPECT_EQ(pool.Take(4, true, nullptr), nullptr);
  }
  {
    // Workers blocked at the limit and one in a long work that watches the stop flag end when
    // the pool goes, results untaken.
    const DWORD start = GetTickCount();
    {
      OrderedPool pool;
      ASSERT_TRUE(pool.Start(100, 3, 1, [](OrderedPool& p) {
        size_t index = 0;
        while (p.NextJob(&index)) {
          if (index == 2) {
            while (*p.StopFlag() == 0) Sleep(1);
            p.Finish(index, nullptr);
            continue;
          }
          p.Finish(index, std::make_unique<Numbered>(index));
        }
      }));
      Sleep(50);
    }
    EXPECT_LT(GetTickCount() - start, 5000u);
  }
  EXPECT_EQ(OrderedPool::WorkerCount(0), 0u);
  EXPECT_EQ(OrderedPool::WorkerCount(3), 3u);
  EXPECT_LE(OrderedPool::WorkerCount(-1), 4u);
  OrderedPool unused;
  EXPECT_FALSE(unused.Start(0, 2, 2, [](OrderedPool&) {}));  // no jobs: no workers
}

}  // namespace
