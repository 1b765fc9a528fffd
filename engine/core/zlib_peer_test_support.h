// zlib as the independent peer of the raw-deflate tests (native builds with the peers only): a
// stream from zlib's compressor, and zlib's verdict on a stream. Shared by the core's and the
// self-extractor stub's decoder tests.
#pragma once

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <vector>

namespace zlibpeer {

// data compressed by zlib as a raw stream (no header) at level and strategy.
inline std::vector<uint8_t> DeflateRaw(const std::vector<uint8_t>& data, int level, int strategy) {
  z_stream s{};
  EXPECT_EQ(deflateInit2(&s, level, Z_DEFLATED, -15, 8, strategy), Z_OK);
  std::vector<uint8_t> out(deflateBound(&s, data.size()) + 64);
  s.next_in = const_cast<Bytef*>(data.data());
  s.avail_in = static_cast<uInt>(data.size());
  s.next_out = out.data();
  s.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&s, Z_FINISH), Z_STREAM_END);
  out.resize(s.total_out);
  deflateEnd(&s);
  return out;
}

// zlib's verdict on a raw stream: true, with the decoded bytes appended to out, when it decodes
// completely.
inline bool InflateRaw(const std::vector<uint8_t>& stream, std::vector<uint8_t>* out) {
  z_stream s{};
  if (inflateInit2(&s, -15) != Z_OK) return false;
  s.next_in = const_cast<Bytef*>(stream.data());
  s.avail_in = static_cast<uInt>(stream.size());
  std::vector<uint8_t> buffer(1 << 16);
  int rc;
  do {
    s.next_out = buffer.data();
    s.avail_out = static_cast<uInt>(buffer.size());
    rc = inflate(&s, Z_NO_FLUSH);
    out->insert(out->end(), buffer.data(), buffer.data() + (buffer.size() - s.avail_out));
  } while (rc == Z_OK && (s.avail_in > 0 || s.avail_out == 0));
  inflateEnd(&s);
  return rc == Z_STREAM_END;
}

}  // namespace zlibpeer
