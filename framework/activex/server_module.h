// The in-process server's module-wide state: the module handle recorded when the DLL loads, and
// the counts of live objects and server locks that decide whether the DLL may be unloaded.
#pragma once

#include <windows.h>

#include <string>

namespace activex {

void SetModuleHandle(HINSTANCE module);
// The DLL's own module handle; null before DllMain has run (a test linking the sources directly).
HINSTANCE ModuleHandle();
// Full path of the module file, "" when it cannot be determined.
std::wstring ModulePathW();
std::string ModulePathA();

void ObjectCreated();
void ObjectDestroyed();
void LockModule(bool lock);
bool ModuleInUse();

}  // namespace activex
