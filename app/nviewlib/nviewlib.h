// NViewLib.dll, the viewer's image loader: the picture in a file as a bitmap handle (the caller
// owns it and deletes it with DeleteObject), or 0 when the file is missing, unreadable or not a
// picture it knows. The flag is accepted and ignored.
#pragma once
#include <windows.h>

#if defined(__i386__)
// The export is undecorated (the .def); 32-bit callers would otherwise ask the import library for
// the stdcall name NViewLibLoad@8, which it does not hold. The calling convention stays stdcall.
extern "C" HBITMAP __stdcall NViewLibLoad(const char* path, int flag) __asm__("_NViewLibLoad");
#else
extern "C" HBITMAP __stdcall NViewLibLoad(const char* path, int flag);
#endif
