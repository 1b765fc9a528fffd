#include "stub_settings.h"

namespace {

constexpr uint8_t kWidths[kSettingsFieldCount] = {1,  1,   50, 50, 10, 10, 50,  50, 50, 50, 30, 20,
                                                  20, 100, 10, 10, 10, 20, 100, 10, 10, 10, 10};

}  // namespace

size_t SettingsFieldWidth(int field) { return kWidths[field]; }

void ParseSettings(const uint8_t (&block)[kSettingsBlockSize], StubSettings* settings) {
  size_t offset = 0;
  for (int f = 0; f < kSettingsFieldCount; ++f) {
    const size_t width = kWidths[f];
    char* text = settings->field[f];
    for (size_t i = 0; i <= kLongestSettingsField; ++i) text[i] = '\0';
    for (size_t i = 0; i < width; ++i) text[i] = static_cast<char>(block[offset + i]);
    size_t length = width;
    while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\0'))
      text[--length] = '\0';
    offset += width;
  }
  const char mode = static_cast<char>(block[0]);
  settings->overwriteMode = mode == '0' ? 0 : mode == '1' ? 1 : mode == '3' ? 3 : 2;
  settings->askDirectory = block[1] != '0';
}
