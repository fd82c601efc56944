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
// "SlowerHotKey", "FasterHotKey", "SpeedResetHotKey", "ReplayHotKey",
// "ReplaySeconds". False after a failure
// (already reported).
bool StoreTypingSettings(HKEY key, const TSettings& values);

// A shortcut code as the user reads it: "Ctrl+Shift+Insert".
std::wstring ShortcutText(WORD code);

// Whether a changeable hot key may have the code. A hot key takes its key
// away from every program, so one without Ctrl or Alt is refused, except
// the keys nobody types with, which foot pedals set to send keys use: F13
// to F24 and the media keys play/pause, next and previous. 0 (none) is allowed.
bool IsAllowedHotKey(WORD code);
// Whether the code is one of the main window's fixed hot keys.
bool IsFixedHotKey(WORD code);

// Why a shortcut was refused: the system would not register it (another
// program holds it), another action of the page has it, it is one of the
// program's fixed keys, or it has neither Ctrl nor Alt.
enum class HotKeyRefusal { Taken, OnPage, Fixed, NoModifier };
void WarnHotKeyRefused(WORD code, HotKeyRefusal why = HotKeyRefusal::Taken);

// The rewind rounded down to its step and held in its range.
int ClampResumeRewind(int ms);
// The replay loop's seconds held in their range.
int ClampReplaySeconds(int seconds);

}  // namespace kestrel
