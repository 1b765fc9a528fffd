// InflateAhead: decodes the deflated entries of an extraction batch on worker threads while the
// caller's thread writes the files, so that extracting many entries uses more than one processor.
//
// The reader still decides and does everything a caller sees, on its own thread and in its own
// order: it reads each local header, asks its questions, creates the file, sends every message and
// writes every byte through its output buffer (CRC-32, progress, write errors) as before. Only the
// decoding moves: a worker reads the entry's data through a handle of its own and inflates it in
// memory, handing the data to the decoder in the runs the reader's 24,576-byte blocks would give
// and noting how much had been decoded as each run began. The reader then writes the decoded
// bytes and serves the host's queue at those points: once per block of input, as its own decoding
// does (which also serves it after each deflate block; under Wine every visit to the queue is a
// round trip to the server, so the once per block is kept, not the extra ones). Entries the workers
// did not reach, could not read, found encrypted, too large or damaged are decoded by the reader
// itself, as before. Workers never send messages and never touch the reader's state; at most a few
// results wait in memory at any time.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/ordered_pool.h"

class InflateAhead {
 public:
  // Entries larger than this (either size) are decoded by the reader: they would wait in memory.
  static constexpr uint32_t kLargestEntry = 4u << 20;

  // One entry of the batch, from its central header.
  struct Entry {
    int64_t localHeaderPosition = 0;  // file position (bytes in front of the archive included)
    uint16_t flags = 0;
    uint32_t crc32 = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
  };

  // What a worker decoded of one entry.
  struct Result : OrderedPool::Result {
    int64_t dataPosition = 0;  // file position of the entry's first data byte
    uint32_t compressedSize = 0;
    std::vector<uint8_t> data;  // the bytes the decoder gave, in order
    // Decoded bytes so far as each run of input began (the reader serves its queue there), in
    // order.
    std::vector<size_t> pumpPoints;
  };

  // Starts the workers on the batch's entries that may be deflated (not encrypted, small enough),
  // reading archivePath (ANSI), which must be the very file `archive` is open on. Null when there
  // is no second processor, nothing to do, or no worker could start.
  static std::unique_ptr<InflateAhead> Start(const std::string& archivePath, HANDLE archive,
                                             const std::vector<Entry>& entries);

  // Stops the workers (a decoding in progress ends at its next run of input) and waits for them.
  ~InflateAhead();
  InflateAhead(const InflateAhead&) = delete;
  InflateAhead& operator=(const InflateAhead&) = delete;

  // The decoding made ahead of the entry whose local header is at that position; waits for it
  // while a worker is on it. Null when there is none (the reader decodes the entry itself).
  // Entries of the batch before it that were not taken are dropped.
  std::unique_ptr<Result> Take(int64_t localHeaderPosition);

  // The number of workers Start uses: -1 (the default) as many as there are processors, at most
  // four; 0 none (the benchmark and the tests compare the two).
  static void SetWorkerLimit(int workers);
  // Test seams: how many decodings made ahead Take has handed out in this process; with patient
  // set, Take also waits for an entry no worker has begun yet (instead of leaving it to the
  // reader), so that tests see the workers' results used whatever the machine's timing.
  static unsigned long TakenForTesting();
  static void SetPatientForTesting(bool patient);

 private:
  InflateAhead() = default;
  // One worker's loop: the archive opened on its own handle, then the jobs the pool gives it.
  void Work(OrderedPool& pool);
  std::unique_ptr<Result> Decode(HANDLE file, const Entry& entry);

  std::string archivePath_;
  BY_HANDLE_FILE_INFORMATION archiveIdentity_{};
  std::vector<Entry> jobs_;  // the pool's jobs, in order
  OrderedPool pool_;
};
