#include "writing/deflate_file.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/crc32.h"
#include "core/deflate.h"
#include "core/deflate_memory_io.h"
#include "win_test_util.h"
#include "base/progress_messages.h"

namespace {

constexpr UINT kPosted = WM_APP + 7;

struct Received {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

std::vector<Received>& Log() {
  static std::vector<Received> log;
  return log;
}

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    if (message == progress::kZippingKilobytes || message == progress::kZippingPercent ||
        message == kPosted) {
      Log().push_back({message, wParam, lParam});
    }
    return DefWindowProcA(window, message, wParam, lParam);
  } catch (...) {
    return 0;
  }
}

// A message-only window that records the progress messages; works without a display.
class RecordingWindow {
 public:
  RecordingWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PelloroDeflateProgressTest";
    RegisterClassA(&wc);
    window_ = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              wc.hInstance, nullptr);
    Log().clear();
  }
  ~RecordingWindow() {
    if (window_) DestroyWindow(window_);
  }
  HWND get() const { return window_; }

 private:
  HWND window_ = nullptr;
};

std::vector<uint8_t> TextData(size_t n) {
  static const char* const kWords[] = {"zip ", "entry ",     "window ", "the ",
                                       "of ",  "header\r\n", "data "};
  std::mt19937 rng(5);
  std::vector<uint8_t> b;
  while (b.size() < n) {
    const std::string w = kWords[rng() % 7];
    b.insert(b.end(), w.begin(), w.end());
  }
  b.resize(n);
  return b;
}

struct Outcome {
  DWORD result = 0;
  BOOL error = TRUE;
  DWORD read = 0;
  DWORD crc = 0;
  std::vector<uint8_t> output;
};

// Compresses the file at inputPath into a fresh file through DeflateFile.
Outcome RunDeflateFile(const testutil::TempFolder& folder, const std::string& inputPath, int mode,
                       HWND window, DWORD expectedSize, const char* name,
                       UINT inputOpenMode = OF_READ) {
  Outcome o;
  const std::string outputPath = folder / "out.bin";
  OFSTRUCT of{};
  const HFILE in = OpenFile(inputPath.c_str(), &of, inputOpenMode);
  const HFILE out = _lcreat(outputPath.c_str(), 0);
  EXPECT_NE(in, HFILE_ERROR);
  EXPECT_NE(out, HFILE_ERROR);
  o.result = DeflateFile(name, mode, in, out, window, &o.error, &o.read, &o.crc, &expectedSize);
  if (in != HFILE_ERROR) _lclose(in);
  if (out != HFILE_ERROR) _lclose(out);
  EXPECT_TRUE(testutil::ReadWholeFile(outputPath, &o.output));
  return o;
}

std::vector<uint8_t> CompressInMemory(int mode, const std::vector<uint8_t>& data) {
  auto compressor = std::make_unique<DeflateCompressor>();
  MemoryDeflateSource source(data.data(), data.size());
  MemoryDeflateSink sink;
  compressor->Compress(mode, source, sink);
  return sink.bytes;
}

TEST(DeflateFile, WritesTheStreamAndSendsProgressEndingAt100) {
  testutil::TempFolder folder;
  const std::vector<uint8_t> data = TextData(1 << 20);
  ASSERT_TRUE(testutil::WriteWholeFile(folder / "in.txt", data));
  static const char kName[] = "in.txt";
  for (DWORD expected : {static_cast<DWORD>(data.size()), DWORD{0}}) {
    for (int mode = 0; mode <= 2; ++mode) {
      SCOPED_TRACE("mode " + std::to_string(mode) + ", expected size " + std::to_string(expected));
      RecordingWindow window;
      ASSERT_NE(window.get(), nullptr);
      PostMessageA(window.get(), kPosted, 0, 0);  // dispatched by the pump while compressing
      const Outcome o =
          RunDeflateFile(folder, folder / "in.txt", mode, window.get(), expected, kName);
      EXPECT_FALSE(o.error);
      EXPECT_EQ(o.read, data.size());
      EXPECT_EQ(o.crc, Crc32(data.data(), data.size()));
      EXPECT_EQ(o.result, o.output.size());
      EXPECT_LT(o.output.size(), data.size() / 3);
      EXPECT_EQ(o.output, CompressInMemory(mode, data));

      std::vector<Received> progress;
      bool posted = false;
      for (const Received& r : Log()) {
        if (r.message == kPosted)
          posted = true;
        else
          progress.push_back(r);
      }
      EXPECT_TRUE(posted);
      // About 32 refills of a half window: reports at the 1st, 11th, 21st and 31st, then the end.
      ASSERT_GE(progress.size(), 8u);
      ASSERT_EQ(progress.size() % 2, 0u);
      for (size_t i = 0; i < progress.size(); i += 2) {
        EXPECT_EQ(progress[i].message, progress::kZippingKilobytes);
        EXPECT_EQ(progress[i + 1].message, progress::kZippingPercent);
        EXPECT_EQ(progress[i].lParam, reinterpret_cast<LPARAM>(kName));
        EXPECT_EQ(progress[i + 1].lParam, reinterpret_cast<LPARAM>(kName));
        if (expected == 0)
          EXPECT_EQ(progress[i + 1].wParam, 100u);
        else
          EXPECT_LE(progress[i + 1].wParam, 100u);
        if (i >= 2 && i + 2 < progress.size()) {
          EXPECT_GE(progress[i].wParam, progress[i - 2].wParam);
          EXPECT_GE(progress[i + 1].wParam, progress[i - 1].wParam);
        }
      }
      EXPECT_EQ(progress[0].wParam, 1u);  // nothing written at the first refill: 0 KB + 1
      EXPECT_EQ(progress[progress.size() - 2].wParam, 100u);
      EXPECT_EQ(progress.back().wParam, 100u);
      if (expected != 0) {
        EXPECT_LT(progress[progress.size() - 3].wParam, 100u);
      }
    }
  }
}

TEST(DeflateFile, IncompressibleInputIsCopiedRawAndNoWindowGetsNothing) {
  testutil::TempFolder folder;
  std::vector<uint8_t> data(400);
  std::mt19937 rng(3);
  for (auto& b : data) b = static_cast<uint8_t>(rng());
  ASSERT_TRUE(testutil::WriteWholeFile(folder / "random.bin", data));
  Log().clear();
  const Outcome o = RunDeflateFile(folder, folder / "random.bin", 1, nullptr, 400, "random.bin");
  EXPECT_FALSE(o.error);
  EXPECT_EQ(o.result, o.read);
  EXPECT_EQ(o.output, data);
  EXPECT_TRUE(Log().empty());
}

TEST(DeflateFile, EmptyInputWritesNothing) {
  testutil::TempFolder folder;
  ASSERT_TRUE(testutil::WriteWholeFile(folder / "empty", std::vector<uint8_t>{}));
  RecordingWindow window;
  const Outcome o = RunDeflateFile(folder, folder / "empty", 0, window.get(), 0, "empty");
  EXPECT_FALSE(o.error);
  EXPECT_EQ(o.result, 0u);
  EXPECT_EQ(o.read, 0u);
  EXPECT_EQ(o.crc, 0u);
  EXPECT_TRUE(o.output.empty());
  ASSERT_EQ(Log().size(), 2u);  // no refill in the loop: only the closing pair
  EXPECT_EQ(Log()[0].wParam, 100u);
  EXPECT_EQ(Log()[1].wParam, 100u);
}

TEST(DeflateFile, ReadAndWriteFailuresSetTheErrorFlag) {
  testutil::TempFolder folder;
  const std::vector<uint8_t> data = TextData(100000);
  ASSERT_TRUE(testutil::WriteWholeFile(folder / "in.txt", data));
  // A handle opened only for writing cannot be read: a read error, not an empty entry.
  const Outcome unreadable =
      RunDeflateFile(folder, folder / "in.txt", 0, nullptr, 0, "in.txt", OF_WRITE);
  EXPECT_TRUE(unreadable.error);
  EXPECT_EQ(unreadable.read, 0u);

  // No output file: every write fails.
  OFSTRUCT of{};
  const HFILE in = OpenFile((folder / "in.txt").c_str(), &of, OF_READ);
  ASSERT_NE(in, HFILE_ERROR);
  BOOL error = FALSE;
  DWORD read = 0, crc = 0, expected = 0;
  DeflateFile("in.txt", 0, in, HFILE_ERROR, nullptr, &error, &read, &crc, &expected);
  _lclose(in);
  EXPECT_TRUE(error);
  EXPECT_EQ(read, data.size());

  // An unknown mode fails without reading.
  const Outcome badMode = RunDeflateFile(folder, folder / "in.txt", 3, nullptr, 0, "in.txt");
  EXPECT_TRUE(badMode.error);
  EXPECT_EQ(badMode.read, 0u);
  EXPECT_TRUE(badMode.output.empty());
}

}  // namespace
