// The deflate compressor: turns one input stream into a raw deflate stream (RFC 1951, no zlib or
// gzip wrapper) with a greedy matcher over a 64 KB sliding window, three tuning modes and a block
// splitter that picks a stored, fixed-code or dynamic-code block per block. When the whole input
// does not get smaller it is written raw, without any block header, so that the archive writer can
// keep it as a stored entry (the result then equals the bytes read).
//
// Input and output go through the small interfaces below; the engine implements them over its
// file handles, tests and fuzz targets over memory. No allocation happens while compressing: every
// table is a member of DeflateCompressor, so one instance is all the state a compression needs.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

// Where the bytes to compress come from.
class DeflateSource {
 public:
  virtual ~DeflateSource() = default;
  // Reads up to n bytes into buffer: the count read, 0 at the end of the input, -1 on a read error.
  virtual long Read(uint8_t* buffer, size_t n) = 0;
};

// Where the compressed bytes go.
class DeflateSink {
 public:
  virtual ~DeflateSink() = default;
  // Writes all n bytes (n > 0); false when fewer were written.
  virtual bool Write(const uint8_t* data, size_t n) = 0;
};

// Told about progress while compressing (the engine turns this into progress messages and keeps
// its message loop alive).
class DeflateObserver {
 public:
  virtual ~DeflateObserver() = default;
  // After each refill of the window once compression has started. compressedBits counts the bits
  // written so far, inputLength the input bytes covered by the blocks already ended.
  virtual void Refilled(uint64_t compressedBits, uint64_t inputLength) = 0;
  // Once the whole input has been consumed, before the final block is written.
  virtual void InputDone() = 0;
};

// Receives every symbol the matcher chooses, in order (tests check the parse through it).
class DeflateSymbolTrace {
 public:
  virtual ~DeflateSymbolTrace() = default;
  virtual void Literal(uint8_t byte) = 0;
  virtual void Match(unsigned length, unsigned distance) = 0;
};

// Tuning modes: how hard the matcher looks for repeats.
enum class DeflateMode : int { kNormal = 0, kFast = 1, kMaximum = 2 };

struct DeflateResult {
  uint64_t compressedBytes = 0;  // bytes handed to the sink (or meant to be, after a failed write)
  uint64_t bytesRead = 0;        // sum of all successful reads
  uint32_t crc = 0;              // finished CRC-32 of everything read
  bool error = false;            // a read error, a short write, or an unknown mode
  bool rawCopy = false;          // the output is the input itself, without any block header
};

struct DeflateState;

class DeflateCompressor {
 public:
  DeflateCompressor();
  ~DeflateCompressor();
  DeflateCompressor(const DeflateCompressor&) = delete;
  DeflateCompressor& operator=(const DeflateCompressor&) = delete;

  // Compresses everything source gives into sink. mode is 0, 1 or 2 (DeflateMode); any other value
  // is an error and nothing is read or written. observer may be null.
  DeflateResult Compress(int mode, DeflateSource& source, DeflateSink& sink,
                         DeflateObserver* observer = nullptr);

  // Test seams: trace the chosen symbols, and take the raw whole-input choice for the final block
  // whenever nothing has been written yet, as if the input had not compressed.
  void SetSymbolTraceForTesting(DeflateSymbolTrace* trace);
  void ForceRawWholeInputForTesting(bool force);

 private:
  std::unique_ptr<DeflateState> state_;
};
