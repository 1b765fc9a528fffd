// The item records the control hands to hosts' list views, and reading an item of a host's list
// window back as a ZIPITEM (the item list's accessors and the writer's delete-by-selection).
//
// The process keeps the set of records it made: only those are read through an item's lParam or
// freed, so an item the host inserted itself (any other lParam, 0 included) reads as nothing and
// is never freed, whatever its lParam points at.
#pragma once

#include <windows.h>

#include <cstddef>

#include "core/zip_item.h"

// A new zeroed record, registered; null when memory is short (or the test seam says so).
ZIPITEM* NewZipItemRecord();
// Frees a record this process made; anything else is left alone. FALSE when it was not one.
BOOL FreeZipItemRecord(const void* record);
BOOL IsZipItemRecord(const void* record);
// How many records are alive (tests).
size_t LiveZipItemRecords();
// Test seam: the next `allowed` allocations succeed, the ones after fail; -1 lifts the limit.
void LimitZipItemRecords(long allowed);

// Fills *item from item `index` of a list view (listView TRUE: its lParam, when it is a record
// this process made) or of a list box (its text, parsed). FALSE when the window refuses, the index
// is out of range or the lParam is no record of ours; *item is zeroed then.
BOOL ReadZIPITEM(HWND list, int index, ZIPITEM* item, BOOL listView);
