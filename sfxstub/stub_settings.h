// The settings block that the self-extractor builder writes right behind the stub: 23 text fields
// of fixed widths (682 bytes, blank-filled ANSI, no separators), read once at start.
#pragma once
#include <cstddef>
#include <cstdint>

// The stub's own size: the block starts here in every self-extractor. The build pads the linked
// stub to exactly this many bytes and fails when it is larger.
#ifndef RAVELIN_STUB_SIZE
#define RAVELIN_STUB_SIZE 74240
#endif
inline constexpr uint32_t kStubSize = RAVELIN_STUB_SIZE;
inline constexpr uint32_t kSettingsBlockSize = 682;
inline constexpr int kSettingsFieldCount = 23;
inline constexpr size_t kLongestSettingsField = 100;

// The fields in block order.
enum SettingsField : int {
  kOverwriteModeField,
  kAskDirectoryField,
  kTitleField,
  kProgramField,
  kOkButtonField,
  kCancelButtonField,
  kCancelActionField,
  kIoErrorField,
  kDiskFullField,
  kCantCreateDirField,
  kBrowseDirTitleField,
  kPasswordTitleField,
  kPasswordLabelField,
  kPasswordTextField,
  kPasswordRetryField,
  kPasswordBypassField,
  kPasswordNeverField,
  kReplaceTitleField,
  kReplaceTextField,
  kReplaceYesField,
  kReplaceNoField,
  kReplaceAlwaysField,
  kReplaceNeverField,
};

struct StubSettings {
  char field[kSettingsFieldCount][kLongestSettingsField + 1];
  int overwriteMode;  // 0 skip existing, 1 replace, 2 ask, 3 replace older only
  bool askDirectory;
};

// The width of each field in the block.
size_t SettingsFieldWidth(int field);

// Reads the 23 fields, each trimmed of trailing blanks (all blanks: empty); '0', '1' and '3' are
// those overwrite modes, any other byte 2; any byte but '0' lets the user choose the folder.
void ParseSettings(const uint8_t (&block)[kSettingsBlockSize], StubSettings* settings);
