#include "core/deflate.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/crc32.h"
#include "core/decoder_io.h"
#include "core/deflate_huffman.h"
#include "core/inflate.h"
#include "core/deflate_memory_io.h"

#ifdef PELLORO_HAVE_PEERS
#include <zlib.h>
#endif

namespace {

using Bytes = std::vector<uint8_t>;

Bytes RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& x : b) x = static_cast<uint8_t>(rng());
  return b;
}

// Words from a small vocabulary: compresses like prose.
Bytes Text(size_t n, uint32_t seed) {
  static const char* const kWords[] = {"the ",    "archive ", "window ",  "of ",    "compressed ",
                                       "bytes ",  "and ",     "a ",       "file\n", "entry ",
                                       "header ", "stored ",  "deflate ", "to ",    "is "};
  std::mt19937 rng(seed);
  Bytes b;
  while (b.size() < n) {
    const char* w = kWords[rng() % std::size(kWords)];
    b.insert(b.end(), w, w + std::strlen(w));
  }
  b.resize(n);
  return b;
}

Bytes Runs(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b;
  while (b.size() < n) b.insert(b.end(), 1 + rng() % 2000, static_cast<uint8_t>(rng() % 4));
  b.resize(n);
  return b;
}

// Text, random stretches, runs and skewed bytes, in pieces of varying size.
Bytes Mixed(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b;
  while (b.size() < n) {
    const size_t piece = 1000 + rng() % 60000;
    Bytes part;
    switch (rng() % 4) {
      case 0:
        part = Text(piece, rng());
        break;
      case 1:
        part = RandomBytes(piece, rng());
        break;
      case 2:
        part = Runs(piece, rng());
        break;
      default:
        part.resize(piece);
        for (auto& x : part) x = static_cast<uint8_t>(std::countr_zero(rng() | 0x80000000u) * 7);
    }
    b.insert(b.end(), part.begin(), part.end());
  }
  b.resize(n);
  return b;
}

struct Compressed {
  DeflateResult result;
  Bytes bytes;
};

Compressed Compress(int mode, const Bytes& input, size_t chunk = SIZE_MAX,
                    DeflateSymbolTrace* trace = nullptr, bool forceRaw = false) {
  auto compressor = std::make_unique<DeflateCompressor>();
  compressor->SetSymbolTraceForTesting(trace);
  compressor->ForceRawWholeInputForTesting(forceRaw);
  MemoryDeflateSource source(input.data(), input.size(), chunk);
  MemoryDeflateSink sink;
  Compressed c;
  c.result = compressor->Compress(mode, source, sink);
  c.bytes = std::move(sink.bytes);
  return c;
}

// Records the symbols with the input position each one starts at.
struct Symbol {
  size_t position;
  unsigned length;    // 1 for a literal
  unsigned distance;  // 0 for a literal
};

class RecordingTrace : public DeflateSymbolTrace {
 public:
  void Literal(uint8_t) override {
    symbols.push_back({position, 1, 0});
    position += 1;
  }
  void Match(unsigned length, unsigned distance) override {
    symbols.push_back({position, length, distance});
    position += length;
  }
  // The symbol covering input position p.
  Symbol At(size_t p) const {
    for (const Symbol& s : symbols)
      if (p >= s.position && p < s.position + s.length) return s;
    return {p, 0, 0};
  }
  std::vector<Symbol> symbols;
  size_t position = 0;
};

// Inflates a raw deflate stream with the engine's own decoder; false when it rejects the stream.
class CollectingOutput : public DecoderOutput {
 public:
  void Write(const uint8_t* data, size_t n) override { bytes.insert(bytes.end(), data, data + n); }
  Bytes bytes;
};

bool InflateOwn(const Bytes& in, Bytes* out) {
  MemoryDecoderInput input(in.data(), in.size());
  CollectingOutput output;
  std::vector<uint8_t> window(kDecoderWindowSize);
  const int rc = Inflate(input, output, window.data());
  *out = std::move(output.bytes);
  return rc == kInflateOk;
}

#ifdef PELLORO_HAVE_PEERS
// Inflates a raw deflate stream with zlib; false when zlib rejects it or it does not end cleanly.
bool InflateRaw(const Bytes& in, Bytes* out) {
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) return false;
  out->clear();
  Bytes buffer(1 << 16);
  z.next_in = const_cast<Bytef*>(in.data());
  z.avail_in = static_cast<uInt>(in.size());
  int rc;
  do {
    z.next_out = buffer.data();
    z.avail_out = static_cast<uInt>(buffer.size());
    rc = inflate(&z, Z_NO_FLUSH);
    out->insert(out->end(), buffer.data(), buffer.data() + (buffer.size() - z.avail_out));
  } while (rc == Z_OK);
  const bool ok = rc == Z_STREAM_END && z.avail_in == 0;
  inflateEnd(&z);
  return ok;
}

#endif  // PELLORO_HAVE_PEERS

// Checks the results and that the output gives back the input: directly when it is the raw copy,
// else through zlib's raw inflate (where available) and the engine's own inflate.
void ExpectRoundTrip(const Bytes& input, const Compressed& c, const std::string& what) {
  SCOPED_TRACE(what);
  EXPECT_FALSE(c.result.error);
  EXPECT_EQ(c.result.bytesRead, input.size());
  EXPECT_EQ(c.result.crc, Crc32(input.data(), input.size()));
  EXPECT_EQ(c.result.compressedBytes, c.bytes.size());
  if (c.result.rawCopy) {
    EXPECT_EQ(c.result.compressedBytes, c.result.bytesRead);
    EXPECT_EQ(c.bytes, input);
    return;
  }
  // Incompressible blocks whose first bytes have left the window cannot be stored and cost a
  // little more than their input.
  EXPECT_LT(c.result.compressedBytes, input.size() + input.size() / 500 + 64);
#ifdef PELLORO_HAVE_PEERS
  Bytes back;
  ASSERT_TRUE(InflateRaw(c.bytes, &back));
  EXPECT_EQ(back, input);
#endif
  Bytes ownBack;
  ASSERT_TRUE(InflateOwn(c.bytes, &ownBack));
  EXPECT_EQ(ownBack, input);
}

struct RoundTripCase {
  const char* name;
  Bytes data;
  bool expectRaw;
};

std::vector<RoundTripCase> RoundTripCases() {
  return {
      {"empty", {}, true},
      {"300 random bytes", RandomBytes(300, 1), true},
      {"one byte", {42}, true},
      {"text 20 KB", Text(20000, 2), false},
      {"runs 300 KB", Runs(300000, 3), false},
      {"mixed 1 MB", Mixed(1 << 20, 4), false},
      {"text across the window slide", Text(65274 + 40000, 5), false},
      {"random across the window slide", RandomBytes(200000, 6), false},
      {"literal-only 98,302 bytes", RandomBytes(98302, 7), false},
      {"same byte 100 KB", Bytes(100000, 'z'), false},
  };
}

TEST(DeflateRoundTrip, EveryModeInflatesToTheInput) {
  for (const RoundTripCase& rc : RoundTripCases()) {
    for (int mode = 0; mode <= 2; ++mode) {
      const Compressed c = Compress(mode, rc.data);
      ExpectRoundTrip(rc.data, c, std::string(rc.name) + ", mode " + std::to_string(mode));
      if (rc.expectRaw) {
        EXPECT_TRUE(c.result.rawCopy) << rc.name;
        EXPECT_EQ(c.result.compressedBytes, rc.data.size()) << rc.name;
      }
    }
  }
}

TEST(DeflateRoundTrip, EmptyInputWritesNothing) {
  const Compressed c = Compress(0, {});
  EXPECT_EQ(c.result.compressedBytes, 0u);
  EXPECT_TRUE(c.bytes.empty());
  EXPECT_EQ(c.result.crc, 0u);
}

TEST(DeflateRoundTrip, InputInSmallReadsGivesTheSameStream) {
  const Bytes data = Mixed(300000, 8);
  for (int mode = 0; mode <= 2; ++mode) {
    const Compressed whole = Compress(mode, data);
    for (size_t chunk : {size_t{1}, size_t{7}, size_t{261}, size_t{4096}}) {
      const Compressed pieces = Compress(mode, data, chunk);
      ExpectRoundTrip(data, pieces, "chunk " + std::to_string(chunk));
      // The parse depends on the bytes only, not on how they arrive (refills keep the lookahead).
      EXPECT_EQ(pieces.bytes, whole.bytes) << "chunk " << chunk << ", mode " << mode;
    }
  }
}

TEST(DeflateRoundTrip, TextCompressesAndModesRankAsExpected) {
  const Bytes data = Text(500000, 9);
  const size_t normal = Compress(0, data).bytes.size();
  const size_t fast = Compress(1, data).bytes.size();
  const size_t maximum = Compress(2, data).bytes.size();
  EXPECT_LT(normal, data.size() / 3);
  EXPECT_LE(maximum, normal);
  EXPECT_LE(normal, fast);
}

// Input that fills a block with matches while its first bytes leave the window: when the final
// block must be the raw copy of the whole input, it is coded instead, still correct and not failed.
TEST(DeflateRawWholeInput, InputThatLeftTheWindowIsCodedInstead) {
  const Bytes longRun(100000, 0);
  const Compressed c = Compress(0, longRun, SIZE_MAX, nullptr, true);
  EXPECT_FALSE(c.result.rawCopy);
  EXPECT_LT(c.bytes.size(), 1000u);
  ExpectRoundTrip(longRun, c, "forced raw, 100 KB run");

  const Bytes shortRun(1000, 0);
  const Compressed inWindow = Compress(0, shortRun, SIZE_MAX, nullptr, true);
  EXPECT_TRUE(inWindow.result.rawCopy);
  ExpectRoundTrip(shortRun, inWindow, "forced raw, 1,000-byte run");
}

// Huffman lengths hit the 15-bit limit with Fibonacci-like literal frequencies.
TEST(DeflateRoundTrip, SkewedLiteralsNeedTheLengthLimit) {
  Bytes data;
  std::mt19937 rng(10);
  uint64_t a = 1, b = 1;
  for (unsigned sym = 0; sym < 24; ++sym) {
    for (uint64_t k = 0; k < a; ++k) data.push_back(static_cast<uint8_t>(sym * 10));
    const uint64_t next = a + b;
    a = b;
    b = next;
  }
  std::shuffle(data.begin(), data.end(), rng);
  for (int mode = 0; mode <= 2; ++mode) ExpectRoundTrip(data, Compress(mode, data), "fibonacci");
}

// A run of one byte: the first position never serves as a match source, so two literals come
// before matches of 258 at distance 1.
TEST(DeflateParse, LeadingRunIsTwoLiteralsThenLongestMatches) {
  for (int mode = 0; mode <= 2; ++mode) {
    RecordingTrace trace;
    const Bytes run(1000, 'a');
    Compress(mode, run, SIZE_MAX, &trace);
    ASSERT_GE(trace.symbols.size(), 3u);
    EXPECT_EQ(trace.symbols[0].length, 1u);
    EXPECT_EQ(trace.symbols[1].length, 1u);
    EXPECT_EQ(trace.symbols[2].length, 258u) << "mode " << mode;
    EXPECT_EQ(trace.symbols[2].distance, 1u);
    EXPECT_EQ(trace.position, run.size());
  }
}

// A marker string at `first` and again at `first + distance`, in filler that shares no byte with
// it, so the only possible source of the second copy is the first.
Bytes WithRepeat(size_t first, size_t distance, const std::string& marker) {
  std::mt19937 rng(static_cast<uint32_t>(first * 7 + distance));
  Bytes b(first + distance + 2000);
  for (auto& x : b) x = static_cast<uint8_t>('a' + rng() % 26);
  std::memcpy(b.data() + first, marker.data(), marker.size());
  std::memcpy(b.data() + first + distance, marker.data(), marker.size());
  b[first + distance + marker.size()] = '#';  // the copy ends where the marker does
  return b;
}

struct RepeatCase {
  size_t first;
  size_t distance;
  const char* marker;
  int mode;
  bool matched;
};

TEST(DeflateParse, FarthestDistanceAndFarShortMatches) {
  const RepeatCase cases[] = {
      // 32,506 back can be matched, 32,507 cannot, before and after the window slide.
      {100, 32506, "QRSTUVWX", 0, true},
      {100, 32507, "QRSTUVWX", 0, false},
      {100, 32506, "QRSTUVWX", 1, true},
      {100, 32507, "QRSTUVWX", 1, false},
      {100, 32506, "QRSTUVWX", 2, true},
      {100, 32507, "QRSTUVWX", 2, false},
      {40000, 32506, "QRSTUVWX", 0, true},
      {40000, 32507, "QRSTUVWX", 0, false},
      {70000, 32506, "QRSTUVWX", 2, true},
      {70000, 32507, "QRSTUVWX", 2, false},
      // A 3-byte repeat 5,000 back: a match in modes 0 and 1, literals in mode 2; 4,000 back is a
      // match in every mode.
      {100, 5000, "ABC", 0, true},
      {100, 5000, "ABC", 1, true},
      {100, 5000, "ABC", 2, false},
      {100, 4000, "ABC", 2, true},
      {100, 4096, "ABC", 2, true},
      {100, 4097, "ABC", 2, false},
  };
  for (const RepeatCase& rc : cases) {
    const Bytes data = WithRepeat(rc.first, rc.distance, rc.marker);
    RecordingTrace trace;
    Compress(rc.mode, data, SIZE_MAX, &trace);
    const Symbol s = trace.At(rc.first + rc.distance);
    SCOPED_TRACE(std::string(rc.marker) + " " + std::to_string(rc.distance) + " back at " +
                 std::to_string(rc.first) + ", mode " + std::to_string(rc.mode));
    EXPECT_EQ(trace.position, data.size());
    if (rc.matched) {
      EXPECT_EQ(s.position, rc.first + rc.distance);
      EXPECT_EQ(s.distance, rc.distance);
      EXPECT_EQ(s.length, std::strlen(rc.marker));
    } else {
      EXPECT_EQ(s.length, 1u);
    }
  }
}

// Failures: a read error fails the entry (never a silently shorter one), a short write fails it,
// and an unknown mode reads and writes nothing.
class FailingSource : public DeflateSource {
 public:
  FailingSource(Bytes data, size_t failAfter) : data_(std::move(data)), failAfter_(failAfter) {}
  long Read(uint8_t* buffer, size_t n) override {
    ++reads;
    if (pos_ >= failAfter_) return -1;
    const size_t take = std::min(n, std::min(failAfter_, data_.size()) - pos_);
    std::memcpy(buffer, data_.data() + pos_, take);
    pos_ += take;
    return static_cast<long>(take);
  }
  int reads = 0;

 private:
  Bytes data_;
  size_t failAfter_;
  size_t pos_ = 0;
};

class ShortSink : public DeflateSink {
 public:
  explicit ShortSink(size_t room) : room_(room) {}
  bool Write(const uint8_t* data, size_t n) override {
    ++writes;
    if (n > room_) {
      room_ = 0;
      return false;
    }
    room_ -= n;
    bytes.insert(bytes.end(), data, data + n);
    return true;
  }
  int writes = 0;
  Bytes bytes;

 private:
  size_t room_;
};

TEST(DeflateFailure, ReadErrorFailsTheEntry) {
  for (size_t failAfter : {size_t{0}, size_t{100}, size_t{50000}, size_t{200000}}) {
    const Bytes data = Text(300000, 11);
    FailingSource source(data, failAfter);
    MemoryDeflateSink sink;
    auto compressor = std::make_unique<DeflateCompressor>();
    const DeflateResult r = compressor->Compress(0, source, sink);
    EXPECT_TRUE(r.error) << "read error after " << failAfter;
    EXPECT_EQ(r.bytesRead, failAfter);
    EXPECT_EQ(r.crc, Crc32(data.data(), failAfter));
  }
}

TEST(DeflateFailure, ShortWriteFailsTheEntry) {
  const Bytes text = Text(400000, 12);
  const Bytes random = RandomBytes(1000, 13);
  struct Case {
    const Bytes* data;
    size_t room;
  } cases[] = {{&text, 0}, {&text, 30000}, {&random, 999}, {&random, 0}};
  for (const Case& c : cases) {
    MemoryDeflateSource source(c.data->data(), c.data->size());
    ShortSink sink(c.room);
    auto compressor = std::make_unique<DeflateCompressor>();
    const DeflateResult r = compressor->Compress(1, source, sink);
    EXPECT_TRUE(r.error) << "room " << c.room;
    EXPECT_GE(sink.writes, 1);
    EXPECT_EQ(r.bytesRead, c.data->size()) << "compression carries on to the end of the input";
  }
}

TEST(DeflateFailure, UnknownModeDoesNothing) {
  for (int mode : {-1, 3, 100}) {
    const Bytes data = Text(1000, 14);
    FailingSource source(data, data.size());
    MemoryDeflateSink sink;
    auto compressor = std::make_unique<DeflateCompressor>();
    const DeflateResult r = compressor->Compress(mode, source, sink);
    EXPECT_TRUE(r.error);
    EXPECT_EQ(source.reads, 0);
    EXPECT_TRUE(sink.bytes.empty());
    EXPECT_EQ(r.compressedBytes, 0u);
  }
}

class RecordingObserver : public DeflateObserver {
 public:
  void Refilled(uint64_t compressedBits, uint64_t inputLength) override {
    bits.push_back(compressedBits);
    input.push_back(inputLength);
  }
  void InputDone() override { ++done; }
  std::vector<uint64_t> bits, input;
  int done = 0;
};

TEST(DeflateProgress, RefillsReportGrowingCounts) {
  const Bytes data = Mixed(1 << 20, 15);
  MemoryDeflateSource source(data.data(), data.size());
  MemoryDeflateSink sink;
  RecordingObserver observer;
  auto compressor = std::make_unique<DeflateCompressor>();
  compressor->Compress(0, source, sink, &observer);
  EXPECT_EQ(observer.done, 1);
  // About one refill per half window of input.
  EXPECT_GE(observer.bits.size(), data.size() / 32768 - 1);
  for (size_t i = 1; i < observer.bits.size(); ++i) {
    EXPECT_GE(observer.bits[i], observer.bits[i - 1]);
    EXPECT_GE(observer.input[i], observer.input[i - 1]);
  }
  EXPECT_GT(observer.input.back(), 0u);
  EXPECT_LE(observer.input.back(), data.size());
  EXPECT_LE(observer.bits.back(), sink.bytes.size() * 8);
}

// Huffman code construction.
uint64_t KraftSum(const uint8_t* lengths, size_t n, unsigned maxBits) {
  uint64_t sum = 0;
  for (size_t i = 0; i < n; ++i)
    if (lengths[i]) sum += uint64_t{1} << (maxBits - lengths[i]);
  return sum;
}

TEST(DeflateHuffman, LengthsAreLimitedAndComplete) {
  struct Case {
    size_t n;
    unsigned maxBits;
  } cases[] = {{30, 15}, {19, 7}, {286, 15}};
  for (const Case& c : cases) {
    uint32_t freq[288] = {};
    uint32_t a = 1, b = 1;
    for (size_t i = 0; i < c.n; ++i) {
      freq[i] = a;
      const uint32_t next = a + b;
      a = b;
      b = next > 100000000u ? 100000000u : next;
    }
    uint8_t lengths[288];
    BuildCodeLengths(freq, c.n, c.maxBits, lengths);
    for (size_t i = 0; i < c.n; ++i) {
      EXPECT_GE(lengths[i], 1u);
      EXPECT_LE(lengths[i], c.maxBits);
    }
    EXPECT_EQ(KraftSum(lengths, c.n, c.maxBits), uint64_t{1} << c.maxBits) << c.n;
  }
}

TEST(DeflateHuffman, FewerThanTwoUsedSymbolsGetTwoCodes) {
  struct Case {
    int used;  // -1: none
    size_t first, second;
  } cases[] = {{-1, 0, 1}, {0, 0, 1}, {1, 1, 2}, {5, 0, 5}};
  for (const Case& c : cases) {
    uint32_t freq[30] = {};
    if (c.used >= 0) freq[c.used] = 9;
    uint8_t lengths[30];
    BuildCodeLengths(freq, 30, 15, lengths);
    for (size_t i = 0; i < 30; ++i)
      EXPECT_EQ(lengths[i], (i == c.first || i == c.second) ? 1u : 0u)
          << "used " << c.used << " symbol " << i;
  }
}

TEST(DeflateHuffman, CanonicalCodesFollowTheRfcExample) {
  // RFC 1951 3.2.2: lengths (3, 3, 3, 3, 3, 2, 4, 4) give 010 011 100 101 110 00 1110 1111.
  const uint8_t lengths[8] = {3, 3, 3, 3, 3, 2, 4, 4};
  const uint32_t expected[8] = {2, 3, 4, 5, 6, 0, 14, 15};
  uint16_t codes[8];
  AssignCanonicalCodes(lengths, 8, codes);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(codes[i], ReverseCodeBits(expected[i], lengths[i])) << i;
}

TEST(DeflateHuffman, RunLengthCodingExpandsBackToTheLengths) {
  std::vector<std::vector<uint8_t>> cases = {
      {8},
      {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5},
      {3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 4, 4, 0, 0, 2, 2, 2, 0},
  };
  cases.emplace_back(286, 0);
  cases.back()[285] = 1;
  for (const auto& lengths : cases) {
    CodeLengthOp ops[300];
    const size_t count = RunLengthCodeLengths(lengths.data(), lengths.size(), ops);
    std::vector<uint8_t> back;
    for (size_t i = 0; i < count; ++i) {
      const CodeLengthOp op = ops[i];
      if (op.symbol < 16)
        back.push_back(op.symbol);
      else if (op.symbol == 16) {
        ASSERT_FALSE(back.empty());
        ASSERT_LE(op.extra, 3);
        back.insert(back.end(), 3 + op.extra, back.back());
      } else if (op.symbol == 17) {
        ASSERT_LE(op.extra, 7);
        back.insert(back.end(), 3 + op.extra, 0);
      } else {
        ASSERT_LE(op.extra, 127);
        back.insert(back.end(), 11 + op.extra, 0);
      }
    }
    EXPECT_EQ(back, lengths);
    EXPECT_LT(count, lengths.size() + 1);
  }
}

}  // namespace
