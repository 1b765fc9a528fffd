// The two engine objects each control owns: the writer (CZZip) and the reader (CZUnzip). Their
// classes come with the engine; until a class is built into the module its slot stays empty and
// every method that needs it gives its failure value.
#pragma once

class CZZip;
class CZUnzip;

namespace qx30w32 {

enum class Allocation { kDone, kOutOfMemory, kNotBuilt };

// *writer / *reader receive the new object, or null.
Allocation NewWriterEngine(CZZip** writer);
Allocation NewReaderEngine(CZUnzip** reader);
void DeleteWriterEngine(CZZip* writer);
// Frees the item-list image lists that belong to the reader's list state, then the reader.
void DeleteReaderEngine(CZUnzip* reader);

}  // namespace qx30w32
