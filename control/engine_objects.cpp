// The place where the engine objects are made and freed. The engine's CZZip and CZUnzip classes
// are not part of the module yet: both slots report kNotBuilt, which leaves them empty without
// the out-of-memory message (that one is for a failed allocation only).
#include "engine_objects.h"

namespace qx30w32 {

Allocation NewWriterEngine(CZZip** writer) {
  *writer = nullptr;
  return Allocation::kNotBuilt;
}

Allocation NewReaderEngine(CZUnzip** reader) {
  *reader = nullptr;
  return Allocation::kNotBuilt;
}

void DeleteWriterEngine(CZZip* writer) {
  // Nothing can be held before the writer class exists.
  (void)writer;
}

void DeleteReaderEngine(CZUnzip* reader) { (void)reader; }

}  // namespace qx30w32
