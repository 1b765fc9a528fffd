// The place where the engine objects are made and freed.
#include "engine_objects.h"

#include <windows.h>
#include <commctrl.h>

#include <new>

#include "reading/czunzip.h"
#include "writing/czzip.h"

namespace qx30w32 {

namespace {
bool g_writerOutOfMemory = false;
bool g_readerOutOfMemory = false;
}  // namespace

void SimulateWriterOutOfMemory(bool on) { g_writerOutOfMemory = on; }
void SimulateReaderOutOfMemory(bool on) { g_readerOutOfMemory = on; }

Allocation NewWriterEngine(CZZip** writer) {
  *writer = g_writerOutOfMemory ? nullptr : new (std::nothrow) CZZip();
  return *writer != nullptr ? Allocation::kDone : Allocation::kOutOfMemory;
}

Allocation NewReaderEngine(CZUnzip** reader) {
  *reader = g_readerOutOfMemory ? nullptr : new (std::nothrow) CZUnzip();
  return *reader != nullptr ? Allocation::kDone : Allocation::kOutOfMemory;
}

void DeleteWriterEngine(CZZip* writer) { delete writer; }

void DeleteReaderEngine(CZUnzip* reader) {
  if (reader == nullptr) return;
  // The item list's image lists are the reader's to free; they outlive no control.
  if (reader->LargeImages() != nullptr) ImageList_Destroy(reader->LargeImages());
  if (reader->SmallImages() != nullptr) ImageList_Destroy(reader->SmallImages());
  reader->SetImageLists(nullptr, nullptr);
  delete reader;
}

}  // namespace qx30w32
