// setup.exe: the installer, and (as pellmove.exe /remove) the uninstaller.
#include <windows.h>

#include "forms/guard.h"
#include "run_setup.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return forms::Guard(1, [] { return setup::RunSetup(); });
}
