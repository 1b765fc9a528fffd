// Shell file operations in a temporary tree, checked on disk.
#include <gtest/gtest.h>

#include <string>

#include "component_test_fixture.h"
#include "file_operator.h"
#include "gui_driver.h"
#include "win_test_util.h"

namespace {

using componenttest::ComponentTest;

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class FileOperatorTest : public ComponentTest {
 protected:
  testutil::TempFolder folder;
};

TEST_F(FileOperatorTest, DefaultsAndRecordFields) {
  TFileOperator op(nullptr);
  EXPECT_EQ(op.Operation(), TFileOperation::foCopy);  // function never set
  EXPECT_EQ(op.Function(), 0u);
  EXPECT_EQ(op.Flags(), static_cast<unsigned>(foAllowUndo | foNoConfirmMkDir));
  EXPECT_EQ(op.ProgressTitle, "File  Operation");
  struct Case {
    TFileOperation operation;
    UINT function;
  } cases[] = {{TFileOperation::foCopy, FO_COPY},
               {TFileOperation::foMove, FO_MOVE},
               {TFileOperation::foDelete, FO_DELETE},
               {TFileOperation::foRename, FO_RENAME}};
  for (const auto& c : cases) {
    op.SetOperation(c.operation);
    EXPECT_EQ(op.Function(), c.function);
    EXPECT_EQ(op.Operation(), c.operation);
  }
  op.SetWantMappingHandle(true);
  op.SetFlags(foSilent | foNoConfirmation);
  EXPECT_EQ(op.RawFlags(),
            FOF_SILENT | FOF_NOCONFIRMATION | FOF_WANTMAPPINGHANDLE);  // 0x20 left alone
  EXPECT_TRUE(op.WantMappingHandle());
  op.SetSource("a.zip,b.zip");
  EXPECT_EQ(op.SourceList(), std::string("a.zip\0b.zip\0", 12));
  EXPECT_EQ(op.SourceList().c_str()[12], '\0');  // and one more: the double NUL
  op.SetSourceName("report, final.zip");
  EXPECT_EQ(op.SourceList(), std::string("report, final.zip\0", 18));
}

TEST_F(FileOperatorTest, CopyMoveRenameDeleteOnDisk) {
  const std::string source = folder / "café.txt";
  ASSERT_TRUE(testutil::WriteWholeFile(source, std::string("Grüße")));
  CreateDirectoryA((folder / "target").c_str(), nullptr);
  TFileOperator op(nullptr);
  op.SetFlags(foNoConfirmation | foSilent | foNoConfirmMkDir);
  op.SetOperation(TFileOperation::foCopy);
  op.SetSourceName(source);
  op.SetDestinationName(folder / "target");
  EXPECT_TRUE(op.Execute());
  EXPECT_TRUE(Exists(folder / "target\\café.txt"));
  EXPECT_TRUE(Exists(source));
  op.SetOperation(TFileOperation::foMove);
  op.SetSourceName(folder / "target\\café.txt");
  op.SetDestinationName(folder / "moved.txt");
  EXPECT_TRUE(op.Execute());
  EXPECT_TRUE(Exists(folder / "moved.txt"));
  EXPECT_FALSE(Exists(folder / "target\\café.txt"));
  op.SetOperation(TFileOperation::foRename);
  op.SetSourceName(folder / "moved.txt");
  op.SetDestinationName(folder / "report, final.zip");  // one name with a comma
  EXPECT_TRUE(op.Execute());
  EXPECT_TRUE(Exists(folder / "report, final.zip"));
  op.SetOperation(TFileOperation::foDelete);
  op.SetSourceName(folder / "report, final.zip");
  op.SetDestination("");
  EXPECT_TRUE(op.Execute());
  EXPECT_FALSE(Exists(folder / "report, final.zip"));
  // Two sources in the comma form.
  ASSERT_TRUE(testutil::WriteWholeFile(folder / "one.txt", std::string("1")));
  ASSERT_TRUE(testutil::WriteWholeFile(folder / "two.txt", std::string("2")));
  op.SetSource(folder / "one.txt," + folder / "two.txt");
  EXPECT_TRUE(op.Execute());
  EXPECT_FALSE(Exists(folder / "one.txt"));
  EXPECT_FALSE(Exists(folder / "two.txt"));
}

TEST_F(FileOperatorTest, UndoableDeleteGoesToTheTrash) {
  const std::string file = folder / "trash me.txt";
  ASSERT_TRUE(testutil::WriteWholeFile(file, std::string("x")));
  TFileOperator op(nullptr);
  op.SetOperation(TFileOperation::foDelete);
  op.SetFlags(foAllowUndo | foNoConfirmation | foSilent);
  op.SetSourceName(file);
  EXPECT_TRUE(op.Execute());
  EXPECT_FALSE(Exists(file));
}

TEST_F(FileOperatorTest, CancelledConfirmationGivesFalse) {
  const std::string file = folder / "keep.txt";
  ASSERT_TRUE(testutil::WriteWholeFile(file, std::string("keep")));
  TFileOperator op(nullptr);
  op.SetOperation(TFileOperation::foDelete);
  op.SetFlags(0);  // the shell asks
  op.SetSourceName(file);
  testutil::DialogAnswerer answer(testutil::ThisThreadsDialog(""), [](HWND dialog) {
    guitest::Press(dialog, IDNO);
    Sleep(200);
    if (IsWindow(dialog)) guitest::Press(dialog, IDCANCEL);
  });
  EXPECT_FALSE(op.Execute());
  EXPECT_TRUE(answer.Wait());
  EXPECT_TRUE(answer.found());
  EXPECT_TRUE(Exists(file));
}

}  // namespace
