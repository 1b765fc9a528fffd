// DeflateAhead: compresses the next files of a ZipFiles pass on worker threads while the host's
// thread writes the archive, so that a pass over many files uses more than one processor.
//
// The writer still decides everything, on its own thread and in its own order: it asks Take for
// the compression made ahead of a file, opens the file as before, and uses the result only when
// the worker read the very file the writer has open; otherwise, and for every file the workers
// did not finish or could not read, the writer compresses on its own thread as before. Both ways
// give the same bytes and the same messages. Workers never send messages, never touch the writer's
// state and never go through the file fault seams; at most a few results wait in memory at any
// time.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/ordered_pool.h"
#include "writing/deflate_file.h"

class DeflateAhead {
 public:
  // Files larger than this are compressed by the writer itself: their result would wait in memory.
  static constexpr uint64_t kLargestFile = 4u << 20;

  // Starts the workers on oemPaths (the names the writer will open, in the order it will), in
  // compression mode 0-2. Null when there is no second processor, nothing to do, or no worker
  // could start; the writer then compresses everything itself.
  static std::unique_ptr<DeflateAhead> Start(int mode, const std::vector<std::string>& oemPaths);

  // Stops the workers (a compression in progress ends at its next read) and waits for them.
  ~DeflateAhead();
  DeflateAhead(const DeflateAhead&) = delete;
  DeflateAhead& operator=(const DeflateAhead&) = delete;

  // A compression made ahead, with the file it was made from.
  struct Result : OrderedPool::Result {
    PrecompressedFile file;
    BY_HANDLE_FILE_INFORMATION source{};
    // True when opened is the file the worker read, unchanged since (same volume, file index,
    // size and time of last change): only then may the writer use file.
    bool IsFrom(HANDLE opened) const;
  };

  // The compression made ahead of oemPath; waits for it while a worker is on it, pumping the
  // host's messages when notifyWindow is a window. Null when there is none. Names before oemPath
  // in the list that were not taken are dropped.
  std::unique_ptr<Result> Take(const std::string& oemPath, HWND notifyWindow);

  // The number of workers Start uses: -1 (the default) as many as there are processors, at most
  // four; 0 none (the benchmark compares the two).
  static void SetWorkerLimit(int workers);
  // Test seam: a hook called by Take once a result is there.
  static void SetTakeHookForTesting(void (*hook)(const std::string& oemPath));

 private:
  // One file of the pass.
  struct Job {
    std::string oemPath;   // as the writer names it
    std::string fullPath;  // what the worker opens (ANSI, resolved when the pass starts)
  };
  DeflateAhead() = default;
  // One worker's loop: a compressor of its own, then the jobs the pool gives it.
  void Work(OrderedPool& pool);
  std::unique_ptr<Result> Compress(const Job& job, DeflateCompressor& compressor);

  int mode_ = 0;
  std::vector<Job> jobs_;  // the pool's jobs, in order
  OrderedPool pool_;
};
