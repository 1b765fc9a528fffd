// The place where the engine objects are made and freed. The reader (CZUnzip) is part of the
// module; the writer's class is not yet, so its slot reports kNotBuilt, which leaves it empty
// without the out-of-memory message (that one is for a failed allocation only).
#include "engine_objects.h"

#include <windows.h>
#include <commctrl.h>

#include <new>

#include "czunzip.h"

namespace qx30w32 {

Allocation NewWriterEngine(CZZip** writer) {
  *writer = nullptr;
  return Allocation::kNotBuilt;
}

namespace {
bool g_readerOutOfMemory = false;
}  // namespace

void SimulateReaderOutOfMemory(bool on) { g_readerOutOfMemory = on; }

Allocation NewReaderEngine(CZUnzip** reader) {
  *reader = g_readerOutOfMemory ? nullptr : new (std::nothrow) CZUnzip();
  return *reader != nullptr ? Allocation::kDone : Allocation::kOutOfMemory;
}

void DeleteWriterEngine(CZZip* writer) {
  // Nothing can be held before the writer class exists.
  (void)writer;
}

void DeleteReaderEngine(CZUnzip* reader) {
  if (reader == nullptr) return;
  // The item list's image lists are the reader's to free; they outlive no control.
  if (reader->largeImages_ != nullptr) ImageList_Destroy(reader->largeImages_);
  if (reader->smallImages_ != nullptr) ImageList_Destroy(reader->smallImages_);
  reader->largeImages_ = nullptr;
  reader->smallImages_ = nullptr;
  delete reader;
}

}  // namespace qx30w32
