// Progress messages and the disk prompt shared by the self-extractor builder, split, backup, join
// and restore.
#pragma once

#include <windows.h>

#include <string>

namespace volumes {

// Sends message to window when it is a window, then pumps the thread's queue.
void Notify(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The disk prompt: title and text with every "%1" replaced by diskWanted and every "%2" by
// diskCount, asked through the engine's prompt handler (no handler: No). TRUE for Yes.
bool AskForDisk(HWND window, const char* title, const char* text, int diskWanted, int diskCount);

// text with every "%1" replaced by first and every "%2" by second.
std::string FillDiskPrompt(const char* text, int first, int second);

}  // namespace volumes
