#include "writing/deflate_file.h"

#include <algorithm>
#include <memory>
#include <new>

#include "core/deflate.h"
#include "core/deflate_memory_io.h"
#include "base/engine_utils.h"
#include "base/exact_numbers.h"
#include "base/progress_messages.h"

namespace {

constexpr unsigned kRefillsPerReport = 10;
constexpr unsigned kRefillCounterWrap = 100;

class HFileSource : public DeflateSource {
 public:
  explicit HFileSource(HFILE file) : file_(file) {}
  long Read(uint8_t* buffer, size_t n) override {
    const UINT got = _lread(file_, buffer, static_cast<UINT>(n));
    if (got == static_cast<UINT>(HFILE_ERROR)) return -1;
    return static_cast<long>(got);
  }

 private:
  HFILE file_;
};

class HFileSink : public DeflateSink {
 public:
  explicit HFileSink(HFILE file) : file_(file) {}
  bool Write(const uint8_t* data, size_t n) override {
    return _lwrite(file_, reinterpret_cast<LPCCH>(data), static_cast<UINT>(n)) == n;
  }

 private:
  HFILE file_;
};

// Which refills are reported: the first and then every tenth, counted by a counter that goes from
// 100 back to 1.
class RefillReports {
 public:
  bool Next() {
    const bool report = refills_ % kRefillsPerReport == 0;
    refills_ = refills_ == kRefillCounterWrap ? 1 : refills_ + 1;
    return report;
  }

 private:
  unsigned refills_ = 0;
};

// Sends the progress pairs to the notification window (nothing when it is not a window).
class ProgressMessages {
 public:
  ProgressMessages(HWND window, LPCSTR name, DWORD expectedSize)
      : window_(window), name_(reinterpret_cast<LPARAM>(name)), expectedSize_(expectedSize) {}

  void Report(uint64_t compressedBits, uint64_t inputLength) {
    if (IsWindow(window_))
      SendPair(static_cast<WPARAM>(compressedBits / 8192 + 1), Percent(inputLength));
  }

  void Closing() {
    if (IsWindow(window_)) SendPair(100, 100);
  }

 private:
  WPARAM Percent(uint64_t inputLength) const {
    if (expectedSize_ == 0) return 100;
    return static_cast<WPARAM>(PercentOf(inputLength, expectedSize_));
  }

  void SendPair(WPARAM kilobytes, WPARAM percent) {
    SendMessageA(window_, progress::kZippingKilobytes, kilobytes, name_);
    PumpMessages(nullptr);
    SendMessageA(window_, progress::kZippingPercent, percent, name_);
    PumpMessages(nullptr);
  }

  HWND window_;
  LPARAM name_;
  DWORD expectedSize_;
};

// Reports live, while compressing on the host's thread.
class LiveProgress : public DeflateObserver {
 public:
  explicit LiveProgress(ProgressMessages& messages) : messages_(messages) {}
  void Refilled(uint64_t compressedBits, uint64_t inputLength) override {
    if (reports_.Next()) messages_.Report(compressedBits, inputLength);
  }
  void InputDone() override { messages_.Closing(); }

 private:
  ProgressMessages& messages_;
  RefillReports reports_;
};

// Keeps the reports for later, while compressing off the host's thread.
class RecordedProgress : public DeflateObserver {
 public:
  explicit RecordedProgress(std::vector<DeflateReport>& reports) : reports_(reports) {}
  void Refilled(uint64_t compressedBits, uint64_t inputLength) override {
    if (counter_.Next()) reports_.push_back({compressedBits, inputLength});
  }
  void InputDone() override {}

 private:
  std::vector<DeflateReport>& reports_;
  RefillReports counter_;
};

// One compressor state for the process: compressions run one at a time on the host's thread.
DeflateCompressor* SharedCompressor() {
  static DeflateCompressor* compressor = new (std::nothrow) DeflateCompressor();
  return compressor;
}

}  // namespace

DWORD DeflateFile(LPCSTR name, int mode, HFILE inputFile, HFILE outputFile, HWND notifyWindow,
                  BOOL* errorFlag, DWORD* bytesRead, DWORD* crc, const DWORD* expectedSize) {
  DeflateResult result;
  result.error = true;
  try {
    if (DeflateCompressor* compressor = SharedCompressor()) {
      HFileSource source(inputFile);
      HFileSink sink(outputFile);
      ProgressMessages messages(notifyWindow, name, expectedSize ? *expectedSize : 0);
      LiveProgress progress(messages);
      result = compressor->Compress(mode, source, sink, &progress);
    }
  } catch (...) {
    // Only the compressor's construction can throw; the entry fails, nothing escapes to the host.
    result.error = true;
  }
  if (errorFlag) *errorFlag = result.error ? TRUE : FALSE;
  if (bytesRead) *bytesRead = static_cast<DWORD>(result.bytesRead);
  if (crc) *crc = result.crc;
  return static_cast<DWORD>(result.compressedBytes);
}

bool PrecompressFile(DeflateCompressor& compressor, int mode, DeflateSource& source,
                     PrecompressedFile* file) {
  // The sink takes over file->data's storage, so that a caller's reservation is kept.
  MemoryDeflateSink sink;
  sink.bytes.swap(file->data);
  sink.bytes.clear();
  file->reports.clear();
  RecordedProgress progress(file->reports);
  const DeflateResult result = compressor.Compress(mode, source, sink, &progress);
  file->data.swap(sink.bytes);
  if (result.error) return false;
  file->compressedBytes = result.compressedBytes;
  file->bytesRead = result.bytesRead;
  file->crc = result.crc;
  // The caller stores what did not get smaller; the copy of the input is not needed.
  if (file->compressedBytes >= file->bytesRead) std::vector<uint8_t>().swap(file->data);
  return true;
}

DWORD WritePrecompressed(LPCSTR name, const PrecompressedFile& file, HFILE outputFile,
                         HWND notifyWindow, BOOL* errorFlag, DWORD* bytesRead, DWORD* crc,
                         const DWORD* expectedSize) {
  bool failed = false;
  if (file.compressedBytes < file.bytesRead) {
    const uint8_t* data = file.data.data();
    size_t left = file.data.size();
    while (left > 0 && !failed) {
      const UINT piece = static_cast<UINT>(std::min<size_t>(left, 1u << 20));
      failed = _lwrite(outputFile, reinterpret_cast<LPCCH>(data), piece) != piece;
      data += piece;
      left -= piece;
    }
  }
  ProgressMessages messages(notifyWindow, name, expectedSize ? *expectedSize : 0);
  for (const DeflateReport& report : file.reports)
    messages.Report(report.compressedBits, report.inputLength);
  messages.Closing();
  if (errorFlag) *errorFlag = failed ? TRUE : FALSE;
  if (bytesRead) *bytesRead = static_cast<DWORD>(file.bytesRead);
  if (crc) *crc = file.crc;
  return static_cast<DWORD>(file.compressedBytes);
}
