// The registered control extracts every archive of the shared corpus of old compression methods
// (shrunk, reduced, imploded), called by DISPID through IDispatch as a host calls it; each entry
// listed in the corpus's EXPECTED.tsv must come out with its listed size and CRC-32.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "control_test_support.h"
#include "core/crc32.h"
#include "qx30w32_guids.h"

namespace {

using controltest::Ptr;

constexpr DISPID kUnzipFiles = 63;

std::string CorpusDir() { return testutil::SharedDir() + "corpus\\legacy\\"; }

using Args = controltest::DispatchArgs;

// One row of EXPECTED.tsv, by the columns its header names.
struct ExpectedEntry {
  std::string archive;
  std::string entry;
  std::string method;
  uint64_t size = 0;
  uint32_t crc = 0;
};

std::vector<ExpectedEntry> ReadExpected() {
  bool readable = false;
  const std::vector<std::vector<std::string>> lines =
      testutil::ReadManifest(CorpusDir() + "EXPECTED.tsv", &readable, '\t');
  EXPECT_TRUE(readable) << CorpusDir() << "EXPECTED.tsv";
  std::map<std::string, size_t> column;
  std::vector<ExpectedEntry> rows;
  for (const std::vector<std::string>& fields : lines) {
    if (column.empty()) {
      for (size_t i = 0; i < fields.size(); ++i) column[fields[i]] = i;
      for (const char* name : {"archive", "entry", "method", "usize", "crc32"}) {
        EXPECT_TRUE(column.count(name)) << "EXPECTED.tsv has no column " << name;
        if (!column.count(name)) return {};
      }
      continue;
    }
    if (fields.size() < column.size()) {
      std::string line;
      for (const std::string& field : fields) line += field + "\t";
      ADD_FAILURE() << "short row: " << line;
      continue;
    }
    ExpectedEntry row;
    row.archive = fields[column["archive"]];
    row.entry = fields[column["entry"]];
    row.method = fields[column["method"]];
    row.size = std::stoull(fields[column["usize"]]);
    row.crc = static_cast<uint32_t>(std::stoul(fields[column["crc32"]], nullptr, 16));
    rows.push_back(row);
  }
  return rows;
}

// The corpus's archives as the folder lists them (the pattern matches case-insensitively).
std::vector<std::string> CorpusArchives() {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((CorpusDir() + "*.zip").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.push_back(data.cFileName);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return names;
}

std::string WithBackslashes(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

bool SizeAndCrc(const std::string& path, uint64_t* size, uint32_t* crc) {
  std::vector<uint8_t> bytes;
  if (!testutil::ReadWholeFile(path, &bytes)) return false;
  *size = bytes.size();
  *crc = Crc32(bytes.data(), bytes.size());
  return true;
}

// Every file below `folder` (ending in '\') with this size and CRC-32.
std::vector<std::string> FilesWithContent(const std::string& folder, uint64_t size, uint32_t crc) {
  std::vector<std::string> found;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return found;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = folder + name;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      for (const std::string& inner : FilesWithContent(path + "\\", size, crc)) {
        found.push_back(inner);
      }
      continue;
    }
    uint64_t gotSize = 0;
    uint32_t gotCrc = 0;
    if (SizeAndCrc(path, &gotSize, &gotCrc) && gotSize == size && gotCrc == crc) {
      found.push_back(path);
    }
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return found;
}

std::string Hex(uint32_t value) {
  char text[16];
  snprintf(text, sizeof text, "%08x", value);
  return text;
}

class LegacyExtract : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, CoCreateInstance(qx30w32::kControlClassId, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IDispatch, control_.OutVoid()));
  }

  // UnzipFiles with the whole tree rebuilt, read-only files replaced, no password and no asking,
  // in the foreground; the control's result, or -1000 when the call itself failed.
  short UnzipFiles(const std::string& archive, const std::string& destination) {
    Args args;
    args.Text(archive)
        .Text("*.*")
        .Text(destination)
        .Bool(true)
        .Bool(true)
        .Short(1)
        .Text("")
        .Bool(false)
        .Bool(false);
    std::vector<VARIANT> reversed = args.Reversed();
    DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    VARIANT result;
    VariantInit(&result);
    const HRESULT hr = control_->Invoke(kUnzipFiles, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                        &params, &result, nullptr, nullptr);
    short value = -1000;
    EXPECT_EQ(S_OK, hr);
    if (SUCCEEDED(hr)) {
      EXPECT_EQ(VT_I2, V_VT(&result));
      if (V_VT(&result) == VT_I2) value = V_I2(&result);
    }
    VariantClear(&result);
    return value;
  }

  Ptr<IDispatch> control_;
};

TEST_F(LegacyExtract, EveryCorpusArchiveExtractsWithTheListedSizesAndCrcs) {
  const std::vector<ExpectedEntry> expected = ReadExpected();
  ASSERT_GE(expected.size(), 30u) << "EXPECTED.tsv not read from " << CorpusDir();
  const std::vector<std::string> archives = CorpusArchives();
  ASSERT_GE(archives.size(), 16u) << "corpus not found at " << CorpusDir();

  testutil::TempFolder temp;
  std::map<std::string, std::string> destinationOf;  // upper-cased archive name -> its folder
  auto upper = [](std::string text) {
    for (char& c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return text;
  };
  for (const std::string& archive : archives) {
    SCOPED_TRACE(archive);
    const std::string destination = temp / (archive + "_out\\");
    EXPECT_EQ(0, UnzipFiles(CorpusDir() + archive, destination));
    destinationOf[upper(archive)] = destination;
  }

  size_t checked = 0;
  for (const ExpectedEntry& row : expected) {
    SCOPED_TRACE(row.archive + ": " + row.entry + " (" + row.method + ")");
    const auto where = destinationOf.find(upper(row.archive));
    ASSERT_NE(where, destinationOf.end()) << "listed archive not in the corpus folder";
    const std::string path = where->second + WithBackslashes(row.entry);
    uint64_t size = 0;
    uint32_t crc = 0;
    if (SizeAndCrc(path, &size, &crc)) {
      EXPECT_EQ(row.size, size);
      EXPECT_EQ(Hex(row.crc), Hex(crc));
    } else {
      // The listed name is not the name on disk (a name stored in a DOS code page comes out
      // under its ANSI form): the entry must be there under some name with its content.
      EXPECT_EQ(1u, FilesWithContent(where->second, row.size, row.crc).size())
          << "no extracted file of " << row.size << " bytes with CRC-32 " << Hex(row.crc);
    }
    ++checked;
  }
  EXPECT_EQ(expected.size(), checked);
}

}  // namespace
