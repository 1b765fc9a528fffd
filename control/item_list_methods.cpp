// The item-list, image-list, viewing and delete-by-selection methods (item_list_methods.h).
#include "item_list_methods.h"

#include <windows.h>

#include <string>

#include "call_steps.h"
#include "icon_cache.h"
#include "item_list.h"
#include "reading/czunzip.h"
#include "reading/zip_item_records.h"
#include "writing/czzip.h"

namespace qx30w32::itemlist {
namespace {

using activex::ActiveXControl;
using activex::DispatchCall;

// The engine objects; the table's requirement bit guarantees they exist before a handler runs.
CZUnzip& Reader(ActiveXControl& control) { return *Control(control).reader(); }
CZZip& Writer(ActiveXControl& control) { return *Control(control).writer(); }

// Window handles travel as 32-bit integers (sign-extended back into a handle).
HWND WindowArg(const DispatchCall& call, int index) {
  return reinterpret_cast<HWND>(static_cast<LONG_PTR>(call.Long(index)));
}

// F U W on the reader.
CZUnzip& PrepareFUW(ActiveXControl& control, bool background) {
  CZUnzip& reader = Reader(control);
  StepForeground(background);
  reader.SetCancel(FALSE);
  reader.SetNotifyWindow(NotifyWindowFor(control, background));
  return reader;
}

// One item of the host's list (hListZIPITEM, iIndex, bListCtrlMode); FALSE when it cannot be read.
bool ReadItem(const DispatchCall& call, ZIPITEM* item) {
  return ReadZIPITEM(WindowArg(call, 0), static_cast<int>(call.Short(1)), item,
                     call.Bool(2) ? TRUE : FALSE) != FALSE;
}

template <int32_t ZIPITEM::*field>
void ReturnFlag(DispatchCall& call) {
  ZIPITEM item;
  // The record keeps the masked bit; the interface's BOOL is TRUE or FALSE.
  call.Return(ReadItem(call, &item) && item.*field != 0 ? 1 : 0);
}

template <int32_t ZIPITEM::*field>
void ReturnNumber(DispatchCall& call) {
  ZIPITEM item;
  call.Return(ReadItem(call, &item) ? static_cast<long>(item.*field) : 0L);
}

// The record's OEM text as ANSI.
void ReturnAnsi(DispatchCall& call, bool dir) {
  ZIPITEM item;
  if (!ReadItem(call, &item)) {
    call.ReturnText("");
    return;
  }
  char ansi[1024] = {};  // both fields hold at most 1,023 characters and their NUL
  OemToCharA(dir ? item.Dir : item.Name, ansi);
  call.ReturnText(ansi);
}

// The folder given by the host, ending in '\', or the control folder's subfolder; created when
// missing. "" when neither is known (no folder relative to the current one is touched).
CZText TemporaryFolder(const char* given, const char* subfolder) {
  CZText folder = given != nullptr && *given != '\0' ? CZText(given) : ControlSubfolder(subfolder);
  if (folder.IsEmpty()) return folder;
  if (folder[folder.GetLength() - 1] != '\\') folder += '\\';
  if (!folder.DirectoryExists(FALSE)) folder.CreateDirectoryTree(FALSE);
  return folder;
}

}  // namespace

void GetIsDir(ActiveXControl&, DispatchCall& call) { ReturnFlag<&ZIPITEM::IsDir>(call); }
void GetIsEncrypted(ActiveXControl&, DispatchCall& call) {
  ReturnFlag<&ZIPITEM::IsEncrypted>(call);
}
void GetIsArchive(ActiveXControl&, DispatchCall& call) { ReturnFlag<&ZIPITEM::IsArchive>(call); }
void GetIsHidden(ActiveXControl&, DispatchCall& call) { ReturnFlag<&ZIPITEM::IsHidden>(call); }
void GetIsSystem(ActiveXControl&, DispatchCall& call) { ReturnFlag<&ZIPITEM::IsSystem>(call); }
void GetIsReadOnly(ActiveXControl&, DispatchCall& call) { ReturnFlag<&ZIPITEM::IsReadOnly>(call); }
void GetIsAnnotated(ActiveXControl&, DispatchCall& call) {
  ReturnFlag<&ZIPITEM::IsAnnotated>(call);
}
void GetMethod(ActiveXControl&, DispatchCall& call) { ReturnNumber<&ZIPITEM::Method>(call); }
void GetDay(ActiveXControl&, DispatchCall& call) { ReturnNumber<&ZIPITEM::Day>(call); }
void GetMonth(ActiveXControl&, DispatchCall& call) { ReturnNumber<&ZIPITEM::Month>(call); }
void GetYear(ActiveXControl&, DispatchCall& call) { ReturnNumber<&ZIPITEM::Year>(call); }
void GetHour(ActiveXControl&, DispatchCall& call) { ReturnNumber<&ZIPITEM::Hour>(call); }
void GetMin(ActiveXControl&, DispatchCall& call) { ReturnNumber<&ZIPITEM::Min>(call); }
void GetRate(ActiveXControl&, DispatchCall& call) { ReturnNumber<&ZIPITEM::Rate>(call); }
void GetIconIndex(ActiveXControl&, DispatchCall& call) { ReturnNumber<&ZIPITEM::IconIndex>(call); }
void GetOriginalSize(ActiveXControl&, DispatchCall& call) {
  ReturnNumber<&ZIPITEM::OriginalSize>(call);
}
void GetCrc(ActiveXControl&, DispatchCall& call) {
  ZIPITEM item;
  call.Return(ReadItem(call, &item) ? static_cast<double>(item.Crc) : 0.0);  // unsigned
}
void GetName(ActiveXControl&, DispatchCall& call) { ReturnAnsi(call, false); }
void GetDir(ActiveXControl&, DispatchCall& call) { ReturnAnsi(call, true); }

void BuildImageList(ActiveXControl& control, DispatchCall& call) {
  call.Return(qx30w32::BuildZIPITEMImageList(Reader(control)) ? 1 : 0);
}
void DestroyImageList(ActiveXControl& control, DispatchCall& call) {
  call.Return(qx30w32::DestroyZIPITEMImageList(Reader(control)) ? 1 : 0);
}
void DestroyLParam(ActiveXControl&, DispatchCall& call) {
  qx30w32::DestroyZIPITEMLParam(WindowArg(call, 0));
}
void GetHImageList(ActiveXControl& control, DispatchCall& call) {
  // Handles travel as their low 32 bits (all that 32-bit hosts hold).
  const HIMAGELIST list = GetZIPITEMHImageList(Reader(control), call.Bool(0) ? TRUE : FALSE);
  call.Return(static_cast<long>(static_cast<LONG>(reinterpret_cast<LONG_PTR>(list))));
}
void DeleteTempFolders(ActiveXControl&, DispatchCall& call) {
  call.Return(qx30w32::DeleteTempDirectories() ? 1 : 0);
}
void SetListViewImages(ActiveXControl& control, DispatchCall& call) {
  call.Return(qx30w32::SetListViewImageList(Reader(control), WindowArg(call, 0)) ? 1 : 0);
}

// SortZIPITEMList(hListZIPITEM, iSortMode, bBackGroundProcessing): F U W.
void SortList(ActiveXControl& control, DispatchCall& call) {
  const bool background = call.Bool(2);
  PrepareFUW(control, background);
  const BOOL sorted =
      qx30w32::SortZIPITEMList(WindowArg(call, 0), call.Short(1), background ? TRUE : FALSE);
  call.Return(sorted ? 1 : 0);
}

// BuildZIPITEMList(szZipName, hListZIPITEM, bListCtrlMode, szPrivateTempDirectory,
//                  bWindowsIcons, iSortMode, bBackGroundProcessing): F U W, the icon folder.
void BuildList(ActiveXControl& control, DispatchCall& call) {
  const bool background = call.Bool(6);
  CZUnzip& reader = PrepareFUW(control, background);
  ItemListRequest request;
  request.archiveName = call.Text(0);
  request.list = WindowArg(call, 1);
  request.listView = call.Bool(2) ? TRUE : FALSE;
  request.probeFolder = TemporaryFolder(call.Text(3), "QXICONS\\");
  request.windowsIcons = call.Bool(4) ? TRUE : FALSE;
  request.sortMode = call.Short(5);
  request.background = background ? TRUE : FALSE;
  call.Return(qx30w32::BuildZIPITEMList(reader, request));
}

// View(szZipName, szMask, bUseTextEditor, bRunEXE, szPrivateTempDir, szPassword, bAskPassword,
//      bBackGroundProcessing): F U E(0) W P, the view folder, M.
void View(ActiveXControl& control, DispatchCall& call) {
  const bool background = call.Bool(7);
  CZUnzip& reader = PrepareFUW(control, background);
  reader.SetEraseReadOnly(FALSE);
  reader.SetPassword(call.Text(5));
  reader.SetAskPassword(call.Bool(6) ? TRUE : FALSE);
  reader.SetRunExecutables(call.Bool(3) ? TRUE : FALSE);
  const CZText folder = TemporaryFolder(call.Text(4), "QXVIEW\\");
  StepCurrentControl(control);
  if (folder.IsEmpty()) {
    call.Return(0);  // no view folder: nothing is extracted
    return;
  }
  const BOOL result = reader.View(call.Text(0), call.Text(1), call.Bool(2) ? TRUE : FALSE, folder);
  call.Return(result ? 1 : 0);
}

// DeleteWithSelection(szZipName, hListZIPITEM, hListSelected, bListIsListCtrl,
//                     bBackGroundProcessing): Z F.
void DeleteWithSelection(ActiveXControl& control, DispatchCall& call) {
  const bool background = call.Bool(4);
  CZZip& writer = Writer(control);
  writer.SetCancel(FALSE);
  StepForeground(background);
  call.Return(writer.DeleteEntries(call.Text(0), "", NotifyWindowFor(control, background),
                                   WindowArg(call, 1), WindowArg(call, 2),
                                   call.Bool(3) ? TRUE : FALSE));
}

}  // namespace qx30w32::itemlist
