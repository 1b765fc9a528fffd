// Pelloro.exe: the archive manager.
#include <windows.h>

#include "forms/guard.h"
#include "startup.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return forms::Guard(pelloro::kExitStartFailed, [] { return pelloro::RunPelloro(); });
}
