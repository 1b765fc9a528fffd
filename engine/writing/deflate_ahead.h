// DeflateAhead: compresses the next files of a ZipFiles pass on worker threads while the host's
// thread writes the archive, so that a pass over many files uses more than one processor.
//
// The writer still decides everything, on its own thread and in its own order: it asks Take for
// the compression made ahead of a file, opens the file as before, and uses the result only when
// the worker read the very file the writer has open; otherwise, and for every file the workers
// did not finish or could not read, the writer compresses on its own thread as before. Both ways give the same bytes and the same messages.
// Workers never send messages, never touch the writer's state and never go through the file
// fault seams; at most a few results wait in memory at any time.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

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
  struct Result {
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
  struct Job;
  DeflateAhead() = default;
  static DWORD WINAPI WorkerMain(LPVOID self);
  void Work();
  bool NextJob(size_t* index);
  std::unique_ptr<Result> Compress(const Job& job, DeflateCompressor& compressor);
  void Finish(size_t index, std::unique_ptr<Result> result);
  void Drop(size_t index);

  int mode_ = 0;
  std::vector<Job> jobs_;
  CRITICAL_SECTION lock_{};
  bool lockMade_ = false;
  HANDLE wake_ = nullptr;     // manual reset: set when a worker may find something to do
  HANDLE jobDone_ = nullptr;  // auto reset: set when a worker finished a job
  std::vector<HANDLE> threads_;
  // Under lock_:
  size_t nextJob_ = 0;  // the next job a worker takes
  size_t cursor_ = 0;   // jobs before it were taken or dropped by the writer
  unsigned held_ = 0;   // jobs running or holding a result the writer has not taken
  unsigned maxHeld_ = 0;
  unsigned liveWorkers_ = 0;
  volatile LONG stop_ = 0;
};
