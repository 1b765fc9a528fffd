// NViewLib.dll, the viewer's image loader: the picture in a file as a bitmap handle (the caller
// owns it and deletes it with DeleteObject), or 0 when the file is missing, unreadable or not a
// picture it knows. The flag is accepted and ignored.
#pragma once
#include <windows.h>

extern "C" HBITMAP __stdcall NViewLibLoad(const char* path, int flag);
