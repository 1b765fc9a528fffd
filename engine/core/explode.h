// Decoder for entries of method 6 (imploded): a 4 KB or 8 KB sliding dictionary with Shannon-Fano
// coded lengths and distances, and either Shannon-Fano coded or plain 8-bit literals.
#pragma once
#include <cstdint>

#include "core/decoder_io.h"
#include "core/legacy_bits.h"

// Decodes the entry's compressed data from `in` into `out` through `window` (kDecoderWindowSize
// bytes, supplied by the caller). `flags` are the entry's general-purpose flags: bit 1 selects the
// 8 KB dictionary, bit 2 the literal tree. `compressedSize` chooses the distance table's lookup
// width. Produces at most `uncompressedSize` bytes.
// Results: kLegacyOk (0) done; kLegacyDamaged (1) an invalid code, or the data ends before the size
// is produced; kLegacyBadTree (4) a tree description does not give exactly the lengths its tree
// needs; kLegacyInputLeft (5) the size was produced with whole bytes of data left over; other
// non-zero values (from the table builder, or kLegacyNoMemory) when a tree's table cannot be built.
int Explode(DecoderInput& in, DecoderOutput& out, uint8_t* window, uint16_t flags,
            uint32_t compressedSize, uint32_t uncompressedSize);
