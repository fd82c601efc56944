// The few registry operations of the settings store, with the distinctions
// it needs (absent, present, failed).
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "base/WinHandles.h"

namespace kestrel::reg {

// The key the per-user stores live under: HKEY_CURRENT_USER, unless a test
// has pointed them at a scratch key of its own (nullptr goes back).
HKEY UserRoot();
void SetUserRoot(HKEY root);

enum class Open { Ok, Missing, Failed };
Open OpenSettingsKey(REGSAM access, win::Key& key);
// Opens the settings key for writing, creating it (and its parents) if needed.
bool CreateSettingsKey(win::Key& key);
bool SettingsKeyExists();

bool ValueExists(HKEY key, const wchar_t* name);
// Nothing when the value is absent or of another type.
std::optional<DWORD> ReadDword(HKEY key, const wchar_t* name);
std::optional<std::wstring> ReadString(HKEY key, const wchar_t* name);
bool WriteDword(HKEY key, const wchar_t* name, DWORD value);
bool WriteString(HKEY key, const wchar_t* name, std::wstring_view value);
bool DeleteValue(HKEY key, const wchar_t* name);

}  // namespace kestrel::reg
