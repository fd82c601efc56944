// The program-wide settings record and its registry store. A value is kept in
// the registry only while its setting differs from the default, and the key
// is deleted as soon as it holds no value.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "base/TimeText.h"
#include "core/SettingsRecord.h"

namespace kestrel {

// Under HKEY_CURRENT_USER (reg::UserRoot()).
inline constexpr const wchar_t* kSettingsKey = L"Software\\Tarnwell\\Kestrel v.5.1";


// "hh:mm:ss", "hh:mm:ss:mmm" or "ss:mmm" into 100-ns units (base/TimeText.h).
using text::TimeStrToUnits;
using text::TryTimeStrToUnits;
inline double UnitsToDays(long long units) { return static_cast<double>(units) / kUnitsPerDay; }

void LoadSettings();
// The values and layouts of the open settings key, as LoadSettings reads
// them; a registry error on the way shows the registry warning and keeps
// what was read before it.
void ReadSettingsKey(HKEY key);
void SetDefaultSettings();

bool StoreBoolSetting(HKEY key, const wchar_t* name, bool value, bool def, bool& setting);
bool StoreIntegerSetting(HKEY key, const wchar_t* name, int value, int def, uint8_t& setting);
bool StoreIntegerSetting(HKEY key, const wchar_t* name, int value, int def, int& setting);
bool StoreStringSetting(HKEY key, const wchar_t* name, std::wstring_view value, std::wstring_view def,
                        std::wstring& setting);
// An enable flag and its time text as a pair; the time field takes units
// ("Time1") or days ("Time3").
bool StoreTimeSetting(HKEY key, const wchar_t* timeName, std::wstring_view text, const wchar_t* enableName,
                      bool enabled, bool& enabledSetting, bool enabledDefault, long long& timeSetting,
                      std::wstring_view defaultText);
bool StoreTimeSetting(HKEY key, const wchar_t* timeName, std::wstring_view text, const wchar_t* enableName,
                      bool enabled, bool& enabledSetting, bool enabledDefault, double& timeSetting,
                      std::wstring_view defaultText);
void DeleteKeyIfEmpty(HKEY key);

// The playback speed is changed by hot key while playing, so it is stored
// when it changes rather than with the dialog's save. Invalid values are
// refused (false, nothing written). False after a registry failure (already
// reported); the in-memory field then keeps its old value.
bool StoreSpeedSetting(int percent);

// The settings dialog's save: every value of `values` in the store's order,
// the two times as their texts. False when a step failed (already reported).
bool SaveSettings(const TSettings& values, std::wstring_view time3Text, std::wstring_view time1Text);

}  // namespace kestrel
