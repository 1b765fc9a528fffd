// The mask's folder with "." and ".." resolved before the scan: the stored names are then the
// paths of the files read, whatever the mask spells on the way.
#include <gtest/gtest.h>

#include <string>

#include "writing/writer_paths.h"

namespace {

TEST(WriterPaths, MaskFoldersHaveTheirDotsResolved) {
  const struct {
    const char* mask;
    const char* resolved;
  } cases[] = {
      {"C:\\T\\U\\..\\SRC\\A.TXT", "C:\\T\\SRC\\A.TXT"},
      {"C:\\T\\SRC\\SUB1\\..\\B.DAT", "C:\\T\\SRC\\B.DAT"},
      {"U\\..\\U\\F1.TXT", "U\\F1.TXT"},
      {"u/../src/*.txt", "src\\*.txt"},
      {".\\A\\.\\B\\*.*", "A\\B\\*.*"},
      {"A\\B\\..\\..\\F.TXT", "F.TXT"},
      // Nothing before it to cancel: a relative mask climbs, the root has nothing above it.
      {"..\\TREE\\.\\S*.TXT", "..\\TREE\\S*.TXT"},
      {"..\\..\\X\\Y\\..\\F", "..\\..\\X\\F"},
      {"C:\\..\\X\\F.TXT", "C:\\..\\X\\F.TXT"},
      {"\\\\SERVER\\SHARE\\A\\..\\F.TXT", "\\\\SERVER\\SHARE\\F.TXT"},
      // The pattern stays as given (with recursion "." and ".." name a folder itself).
      {"C:\\T\\SRC\\..", "C:\\T\\SRC\\.."},
      {"A\\.\\.", "A\\."},
      // Masks without dot components are not touched, separators and all.
      {"C:\\T\\SRC\\*.*", "C:\\T\\SRC\\*.*"},
      {"C:/T//SRC/A.TXT", "C:/T//SRC/A.TXT"},
      {"F.TXT", "F.TXT"},
      {"", ""},
      {"C:\\CAF\x82\\..\\R\x82SUM\x82.TXT", "C:\\R\x82SUM\x82.TXT"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.resolved, ResolveMaskFolder(c.mask)) << c.mask;
}

}  // namespace
