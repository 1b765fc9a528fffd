#include <windows.h>

#include <cstring>
#include <string>

#include "core/zip_records.h"
#include "base/cztext.h"
#include "writing/czzip.h"
#include "base/entry_case.h"
#include "base/prompts.h"

namespace {

constexpr size_t kNameBlockSize = 1024;

void CopyToNameBlock(char* block, const std::string& name) {
  const size_t n = name.size() < kNameBlockSize - 1 ? name.size() : kNameBlockSize - 1;
  std::memcpy(block, name.data(), n);
  block[n] = '\0';
}

// Writes the bare end record under an OEM name; an existing file is truncated.
BOOL WriteBlankArchive(const char* oemName) {
  CZText ansi(oemName);
  ansi.OemToAnsi();
  HANDLE file = CreateFileA(ansi.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return FALSE;
  unsigned char record[zip::end::kSize] = {};
  std::memcpy(record, zip::kEndSignature, 4);
  DWORD written = 0;
  const BOOL wrote = WriteFile(file, record, sizeof record, &written, nullptr);
  const BOOL closed = CloseHandle(file);
  if (wrote && closed && written == sizeof record) return TRUE;
  DeleteFileA(ansi.c_str());  // never leave a cut archive behind
  return FALSE;
}

}  // namespace

BOOL CZZip::CreateBlankZIPFile(char* nameBlock, BOOL openDialog, BOOL) {
  if (nameBlock == nullptr) return FALSE;
  if (!openDialog) return WriteBlankArchive(nameBlock);

  // Start in the proposal's folder: a name ending in '\' is itself the folder.
  CZText proposal(nameBlock);
  const bool isFolder = !proposal.IsEmpty() && proposal[proposal.GetLength() - 1] == '\\';
  if (!proposal.IsEmpty()) proposal.ChangeDirectory(!isFolder, FALSE);

  // The name is asked through the prompt handler (the control's save dialog).
  CZText chosen;
  if (!isFolder) {
    chosen = nameBlock;
    chosen.OemToAnsi();
  }
  EnginePrompts* prompts = GetEnginePrompts();
  if (prompts == nullptr || !prompts->AskArchiveName(chosen)) {
    nameBlock[0] = '\0';
    return FALSE;
  }

  CZText name(chosen);
  name.AnsiToOem();
  if (name.Find('\\') < 0 && !name.IsEmpty()) {
    CZText folder;
    folder.GetCurrentDir();
    name = folder + name;
  }
  std::string upper = name.str();
  UpperCaseOem(upper);
  name = upper;
  if (name.IsEmpty()) {
    nameBlock[0] = '\0';
    return FALSE;
  }
  CopyToNameBlock(nameBlock, name.str());
  return WriteBlankArchive(nameBlock);
}
