// The main window's captions: they double as the instance's state, which a second instance reads
// with FindWindow (only the exact idle caption receives a hand-off).
#pragma once

namespace pelloro {

inline constexpr char kAppTitle[] = "Pelloro for Windows '95";
inline constexpr char kCaptionIdle[] = "Pelloro for Windows '95 - Idle";
inline constexpr char kCaptionBusy[] = "Pelloro for Windows '95 - Busy";
inline constexpr char kCaptionExiting[] = "Pelloro for Windows '95 - Exiting";
inline constexpr char kHelpFileName[] = "Pelloro.hlp";
// The settings key under HKEY_CURRENT_USER.
inline constexpr char kSettingsKey[] = "Software\\Pelloro95";

}  // namespace pelloro
