#include "reading/inflate_ahead.h"

#include <algorithm>
#include <new>

#include "core/decoder_io.h"
#include "core/end_record.h"
#include "core/inflate.h"
#include "core/le_fields.h"
#include "core/zip_records.h"

namespace {

// Results that may wait per worker: enough that no worker idles while the reader writes one.
constexpr unsigned kHeldPerWorker = 2;

int g_workerLimit = -1;
volatile LONG g_taken = 0;
bool g_patient = false;

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow && a.nFileSizeHigh == b.nFileSizeHigh &&
         a.nFileSizeLow == b.nFileSizeLow &&
         CompareFileTime(&a.ftLastWriteTime, &b.ftLastWriteTime) == 0;
}

// Reads exactly n bytes at file position `at`; false when the file has fewer or the read fails.
bool ReadAt(HANDLE file, int64_t at, void* buffer, DWORD n) {
  LARGE_INTEGER target;
  target.QuadPart = at;
  if (!SetFilePointerEx(file, target, nullptr, FILE_BEGIN)) return false;
  DWORD got = 0;
  return ReadFile(file, buffer, n, &got, nullptr) && got == n;
}

// The entry's data in memory, handed to the decoder in the runs the reader's input gives: each
// run ends at a 24,576-byte boundary of the archive file. Before each run the reader serves its
// queue: the decoded bytes at that moment are noted.
class BlockRuns : public DecoderInput {
 public:
  BlockRuns(const std::vector<uint8_t>& data, int64_t filePosition, InflateAhead::Result& result,
            const bool& overflow, const volatile LONG* stop)
      : data_(data),
        filePosition_(filePosition),
        result_(result),
        overflow_(overflow),
        stop_(stop) {}
  size_t NextRun(const uint8_t** run) override {
    result_.pumpPoints.push_back(result_.data.size());
    if (overflow_ || *stop_ != 0 || used_ >= data_.size()) return 0;
    const int64_t at = filePosition_ + static_cast<int64_t>(used_);
    size_t n = kInputBlockSize - static_cast<size_t>(at % kInputBlockSize);
    n = std::min(n, data_.size() - used_);
    *run = data_.data() + used_;
    used_ += n;
    return n;
  }

 private:
  const std::vector<uint8_t>& data_;
  int64_t filePosition_;
  size_t used_ = 0;
  InflateAhead::Result& result_;
  const bool& overflow_;
  const volatile LONG* stop_;
};

// Collects the decoded bytes, never more than the entry declares.
class Collect : public DecoderOutput {
 public:
  Collect(InflateAhead::Result& result, size_t limit, bool& overflow)
      : result_(result), limit_(limit), overflow_(overflow) {}
  void Write(const uint8_t* data, size_t n) override {
    if (overflow_ || n > limit_ - result_.data.size()) {
      overflow_ = true;  // the input ends at the next run: the reader decodes this one itself
      return;
    }
    result_.data.insert(result_.data.end(), data, data + n);
  }

 private:
  InflateAhead::Result& result_;
  size_t limit_;
  bool& overflow_;
};

}  // namespace

void InflateAhead::SetWorkerLimit(int workers) { g_workerLimit = workers; }
unsigned long InflateAhead::TakenForTesting() { return static_cast<unsigned long>(g_taken); }
void InflateAhead::SetPatientForTesting(bool patient) { g_patient = patient; }

std::unique_ptr<InflateAhead> InflateAhead::Start(const std::string& archivePath, HANDLE archive,
                                                  const std::vector<Entry>& entries) {
  const unsigned workers = OrderedPool::WorkerCount(g_workerLimit);
  if (workers == 0 || archivePath.empty()) return nullptr;
  std::unique_ptr<InflateAhead> ahead(new InflateAhead());
  for (const Entry& entry : entries) {
    if ((entry.flags & zip::kFlagEncrypted) != 0 || entry.compressedSize > kLargestEntry ||
        entry.uncompressedSize > kLargestEntry) {
      continue;
    }
    ahead->jobs_.push_back(entry);
  }
  if (ahead->jobs_.empty()) return nullptr;
  if (!GetFileInformationByHandle(archive, &ahead->archiveIdentity_)) return nullptr;
  ahead->archivePath_ = archivePath;
  InflateAhead* self = ahead.get();
  if (!ahead->pool_.Start(ahead->jobs_.size(), workers, kHeldPerWorker,
                          [self](OrderedPool& pool) { self->Work(pool); })) {
    return nullptr;
  }
  return ahead;
}

InflateAhead::~InflateAhead() { pool_.Stop(); }

void InflateAhead::Work(OrderedPool& pool) {
  // The reader's own sharing: readers only. The worker reads only when the file it opened is the
  // one the reader has open.
  const HANDLE file = CreateFileA(archivePath_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  BY_HANDLE_FILE_INFORMATION identity;
  const bool same = file != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file, &identity) &&
                    SameFile(identity, archiveIdentity_);
  size_t index = 0;
  while (pool.NextJob(&index)) {
    std::unique_ptr<Result> result;
    if (same) {
      try {
        result = Decode(file, jobs_[index]);
      } catch (...) {
        result.reset();  // out of memory: the reader decodes this one itself
      }
    }
    pool.Finish(index, std::move(result));
  }
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

std::unique_ptr<InflateAhead::Result> InflateAhead::Decode(HANDLE file, const Entry& entry) {
  // The local header, read and judged as the reader will: only a deflated, unencrypted entry.
  uint8_t record[zip::local::kSize];
  if (!ReadAt(file, entry.localHeaderPosition, record, sizeof record) ||
      !zip::HasSignature(record, zip::kLocalSignature)) {
    return nullptr;
  }
  const uint16_t flags = GetLE16(record + zip::local::kFlags);
  if ((flags & zip::kFlagEncrypted) != 0 ||
      GetLE16(record + zip::local::kMethod) != zip::kMethodDeflated) {
    return nullptr;
  }
  uint32_t compressed = GetLE32(record + zip::local::kCompressedSize);
  uint32_t uncompressed = GetLE32(record + zip::local::kUncompressedSize);
  if ((flags & zip::kFlagDataDescriptor) != 0) {
    compressed = entry.compressedSize;
    uncompressed = entry.uncompressedSize;
  }
  if (compressed > kLargestEntry || uncompressed > kLargestEntry) return nullptr;
  auto result = std::make_unique<Result>();
  result->dataPosition = entry.localHeaderPosition + zip::local::kSize +
                         GetLE16(record + zip::local::kNameLength) +
                         GetLE16(record + zip::local::kExtraLength);
  result->compressedSize = compressed;
  std::vector<uint8_t> input(compressed);
  if (compressed > 0 && !ReadAt(file, result->dataPosition, input.data(), compressed))
    return nullptr;

  result->data.reserve(uncompressed);
  std::vector<uint8_t> window(kDecoderWindowSize);
  bool overflow = false;
  BlockRuns in(input, result->dataPosition, *result, overflow, pool_.StopFlag());
  Collect out(*result, uncompressed, overflow);
  // A stream that does not decode cleanly is left to the reader, whose own decoding of it shows
  // the damage as it always has.
  if (Inflate(in, out, window.data()) != kInflateOk || overflow || *pool_.StopFlag() != 0)
    return nullptr;
  return result;
}

std::unique_ptr<InflateAhead::Result> InflateAhead::Take(int64_t localHeaderPosition) {
  size_t index = pool_.Cursor();
  while (index < jobs_.size() && jobs_[index].localHeaderPosition != localHeaderPosition) ++index;
  if (index == jobs_.size()) return nullptr;
  std::unique_ptr<OrderedPool::Result> taken = pool_.Take(index, g_patient, nullptr);
  if (!taken) return nullptr;
  InterlockedIncrement(&g_taken);
  return std::unique_ptr<Result>(static_cast<Result*>(taken.release()));
}
