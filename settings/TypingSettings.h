// The settings of typing along (rewind on resume, time stamps and their hot
// key), read and stored under the same rule as the others: a value exists
// only while it differs from its default.
#pragma once

#include <windows.h>

#include <string>

#include "core/SettingsRecord.h"
#include "settings/SettingsKey.h"

namespace kestrel {

// Values that are absent, of another type or out of range keep the default.
void ReadTypingSettings(ValueReader& key, TSettings& settings);
// After the others in the save sequence, in this order: "Speed",
// "ResumeRewind", "StampBrackets", "StampMillis", "StampHotKey",
// "SlowerHotKey", "FasterHotKey", "SpeedResetHotKey". False after a failure
// (already reported).
bool StoreTypingSettings(HKEY key, const TSettings& values);

// A shortcut code as the user reads it: "Ctrl+Shift+Insert".
std::wstring ShortcutText(WORD code);
// The warning that the system would not register the shortcut, or that
// another action of the page has it already.
void WarnHotKeyRefused(WORD code, bool usedOnPage = false);

// The rewind rounded down to its step and held in its range.
int ClampResumeRewind(int ms);

}  // namespace kestrel
