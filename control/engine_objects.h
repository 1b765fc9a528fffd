// The two engine objects each control owns: the writer (CZZip) and the reader (CZUnzip). An
// object that could not be made leaves its slot empty, and every method that needs it gives its
// failure value.
#pragma once

class CZZip;
class CZUnzip;

namespace qx30w32 {

enum class Allocation { kDone, kOutOfMemory };

// *writer / *reader receive the new object, or null.
Allocation NewWriterEngine(CZZip** writer);
Allocation NewReaderEngine(CZUnzip** reader);
void DeleteWriterEngine(CZZip* writer);
// Test seams: while on, NewWriterEngine / NewReaderEngine fail as when memory is short
// (kOutOfMemory, no object).
void SimulateWriterOutOfMemory(bool on);
void SimulateReaderOutOfMemory(bool on);
// Frees the item-list image lists that belong to the reader's list state, then the reader.
// Null does nothing.
void DeleteReaderEngine(CZUnzip* reader);

}  // namespace qx30w32
