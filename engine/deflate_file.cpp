#include "deflate_file.h"

#include <memory>
#include <new>

#include "core/deflate.h"
#include "engine_utils.h"

namespace {

constexpr UINT kZippingMessage = WM_USER + 46;   // wParam: kilobytes written so far + 1
constexpr UINT kZipping2Message = WM_USER + 50;  // wParam: percent of the input done
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

// Sends the progress pair at the first refill and then at every tenth, and the closing pair.
class ProgressMessages : public DeflateObserver {
 public:
  ProgressMessages(HWND window, LPCSTR name, DWORD expectedSize)
      : window_(window), name_(reinterpret_cast<LPARAM>(name)), expectedSize_(expectedSize) {}

  void Refilled(uint64_t compressedBits, uint64_t inputLength) override {
    const bool report = refills_ % kRefillsPerReport == 0;
    refills_ = refills_ == kRefillCounterWrap ? 1 : refills_ + 1;
    if (!report || !IsWindow(window_)) return;
    SendPair(static_cast<WPARAM>(compressedBits / 8192 + 1), Percent(inputLength));
  }

  void InputDone() override {
    if (IsWindow(window_)) SendPair(100, 100);
  }

 private:
  WPARAM Percent(uint64_t inputLength) const {
    if (expectedSize_ == 0) return 100;
    return static_cast<WPARAM>(static_cast<double>(inputLength) * 100.0 / static_cast<double>(expectedSize_));
  }

  void SendPair(WPARAM kilobytes, WPARAM percent) {
    SendMessageA(window_, kZippingMessage, kilobytes, name_);
    PumpMessages(nullptr);
    SendMessageA(window_, kZipping2Message, percent, name_);
    PumpMessages(nullptr);
  }

  HWND window_;
  LPARAM name_;
  DWORD expectedSize_;
  unsigned refills_ = 0;
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
      ProgressMessages progress(notifyWindow, name, expectedSize ? *expectedSize : 0);
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
