// Vantrel.exe: the folder compressor the shell starts from a folder's or a drive's menu.
#include <windows.h>

#include "forms/guard.h"
#include "vantrel_startup.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return forms::Guard(vantrel::kExitStartFailed, [] { return vantrel::RunVantrel(); });
}
