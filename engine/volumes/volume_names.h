// Names of the volumes of a split or backup set: NAME.V_S, where V is the volume's index and S the
// index of the last volume, each one base-36 digit (0-9, A-Z; "~" beyond 35).
#pragma once

#include <string>

#include "base/cztext.h"

namespace volumes {

inline constexpr int kMaxVolumes = 36;

// The digit of index: '0'-'9', 'A'-'Z', '~' beyond 35.
char VolumeDigit(int index);
// The index of a digit (either case), -1 for anything else.
int DigitValue(char digit);
// Replaces V (the third character from the end) by the digit of volume. FALSE for names shorter
// than 4 characters or indexes above 35.
bool SetVolumeDigit(CZText& name, int volume);
// The joined archive of a volume: its name part with the extension "ZIP", in folder (a '\' added
// when folder is not empty and has none). FALSE unless the extension is exactly three
// characters: a letter or digit, '_', a letter or digit.
bool MakeJoinOutputName(const char* volumeName, const char* folder, CZText& out);

}  // namespace volumes
