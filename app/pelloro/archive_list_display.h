// The texts of the archive list's cells. The compression control fills the list view itself and
// hangs its item record on each row; the list view asks for each cell's text, which comes from
// that record: column 0 the lower-cased name (a folder entry: its folder text), column 1 the size,
// column 2 the folder. Names are stored in the OEM code page and shown in the ANSI one.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>

namespace pelloro {

// The control's item record as the list view carries it (read by position).
struct ZipItemRecord {
  char Name[260];
  char Dir[1024];
  int32_t IsDir;
  int32_t IsEncrypted;
  int32_t Method;
  int32_t Day;
  int32_t Month;
  int32_t Year;
  int32_t Hour;
  int32_t Min;
  int32_t OriginalSize;
  int32_t Rate;
  int32_t IsArchive;
  int32_t IsHidden;
  int32_t IsSystem;
  int32_t IsReadOnly;
  int32_t IsAnnotated;
  int32_t IconIndex;
  uint32_t Crc;
};
static_assert(sizeof(ZipItemRecord) == 1352);

// The text of a cell, or false when the column supplies none (a folder's size and folder).
bool CellText(const ZipItemRecord& item, int column, std::string& text);
// Answers one LVN_GETDISPINFOA request: the text copied into the list view's buffer (which it
// reads after the request returns), LVIF_DI_SETITEM for column 0.
void FillDisplayInfo(NMLVDISPINFOA& info);

}  // namespace pelloro
