// Pelloro.exe: the archive manager.
#include <windows.h>

#include "forms/guard.h"
#include "startup.h"
#include "tip_of_day.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return forms::Guard(pelloro::kExitStartFailed,
                      [] { return pelloro::RunPelloro(nullptr, pelloro::ShowTipOfDay); });
}
