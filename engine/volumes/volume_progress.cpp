#include "volumes/volume_progress.h"

#include "base/engine_utils.h"
#include "base/prompts.h"

namespace volumes {

void Notify(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window == nullptr || !IsWindow(window)) return;
  SendMessageA(window, message, wParam, lParam);
  PumpMessages(nullptr);
}

std::string FillDiskPrompt(const char* text, int first, int second) {
  std::string out;
  const std::string given = text != nullptr ? text : "";
  for (size_t i = 0; i < given.size(); ++i) {
    if (given[i] == '%' && i + 1 < given.size() && (given[i + 1] == '1' || given[i + 1] == '2')) {
      out += std::to_string(given[i + 1] == '1' ? first : second);
      ++i;
    } else {
      out += given[i];
    }
  }
  return out;
}

bool AskForDisk(HWND window, const char* title, const char* text, int diskWanted, int diskCount) {
  EnginePrompts* prompts = GetEnginePrompts();
  if (prompts == nullptr) return false;
  const CZText filledTitle(FillDiskPrompt(title, diskWanted, diskCount));
  const CZText filledText(FillDiskPrompt(text, diskWanted, diskCount));
  return prompts->AskNextDisk(window, filledTitle, filledText);
}

}  // namespace volumes
