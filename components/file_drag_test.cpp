// The drop target: drops listed in order with names, name parts and extensions, each drop
// released before OnDrop; dropping starts switched off.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <memory>
#include <string>

#include "component_test_fixture.h"
#include "file_drag.h"
#include "forms/form.h"
#include "gui_driver.h"

namespace {

using namespace forms;
using componenttest::ComponentTest;

class FileDragTest : public ComponentTest {};

TEST_F(FileDragTest, DropsAreListedInOrderAndReleased) {
  Form form(nullptr, FormCreateArgs{"Drop here"});
  auto* drag = new TFileDrag(&form);
  EXPECT_FALSE(drag->EnableDrop());
  EXPECT_FALSE(GetWindowLongA(form.Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
  drag->SetEnableDrop(true);
  EXPECT_TRUE(GetWindowLongA(form.Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
  form.Show();
  const std::string longName = "C:\\Archives\\" + std::string(200, 'x') + ".zip";
  int drops = 0;
  drag->OnDrop = [&](Component&) { ++drops; };
  HGLOBAL handle = guitest::DropFiles(
      form.Handle(), {"C:\\Grüße\\b.tar.gz", "C:\\Grüße\\noext", longName, "plain.txt"});
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(drops, 1);
  EXPECT_EQ(GlobalFlags(handle), static_cast<UINT>(GMEM_INVALID_HANDLE));  // DragFinish freed it
  ASSERT_EQ(drag->FileCount(), 4);
  EXPECT_EQ(drag->NameWithPath()[0], "C:\\Grüße\\b.tar.gz");
  EXPECT_EQ(drag->NameOnly()[0], "b.tar.gz");
  EXPECT_EQ(drag->Extension()[0], "tar.gz");
  EXPECT_EQ(drag->NameOnly()[1], "noext");
  EXPECT_EQ(drag->Extension()[1], "");
  EXPECT_EQ(drag->NameWithPath()[2], longName);  // longer than the first buffer: read whole
  EXPECT_EQ(drag->NameOnly()[2], std::string(200, 'x') + ".zip");
  EXPECT_EQ(drag->NameOnly()[3], "plain.txt");
  EXPECT_EQ(drag->Extension()[3], "txt");
  // A second drop replaces the lists.
  guitest::DropFiles(form.Handle(), {"D:\\one.zip"});
  EXPECT_EQ(drag->FileCount(), 1);
  EXPECT_EQ(drag->NameWithPath().Count(), 1);
  EXPECT_EQ(drops, 2);
}

TEST_F(FileDragTest, ReleasedBeforeTheHandlerRuns) {
  Form form(nullptr, FormCreateArgs{"Drop order"});
  auto* drag = new TFileDrag(&form);
  drag->SetEnableDrop(true);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + 16);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), "C:\\a.zip\0", 10);
  GlobalUnlock(memory);
  UINT flags = 0;
  drag->OnDrop = [&](Component&) { flags = GlobalFlags(memory); };
  SendMessageA(form.Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
  EXPECT_EQ(flags, static_cast<UINT>(GMEM_INVALID_HANDLE));
  EXPECT_EQ(drag->NameOnly()[0], "a.zip");
}

TEST_F(FileDragTest, OwnerWithoutWindowCannotTakeDrops) {
  Component owner(nullptr);
  TFileDrag drag(&owner);
  drag.SetEnableDrop(true);
  EXPECT_FALSE(drag.EnableDrop());
}

}  // namespace
