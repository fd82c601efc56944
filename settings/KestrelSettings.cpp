#include "settings/KestrelSettings.h"

#include "core/KestrelErrors.h"
#include "core/globals.h"
#include "settings/KestrelLayouts.h"
#include "settings/PedalSettings.h"
#include "settings/SettingsKey.h"
#include "settings/TypingSettings.h"

namespace kestrel {
namespace {

void ReadBool(ValueReader& key, const wchar_t* name, bool& field) {
  if (auto v = key.Dword(name)) field = *v != 0;
}

void ReadTimeUnits(ValueReader& key, const wchar_t* name, long long& field) {
  long long units = 0;
  if (auto t = key.String(name); t && TryTimeStrToUnits(*t, units)) field = units;
}

void ReadTimeDays(ValueReader& key, const wchar_t* name, double& field) {
  long long units = 0;
  if (auto t = key.String(name); t && TryTimeStrToUnits(*t, units)) field = UnitsToDays(units);
}

// False after a registry error; the fields read before it keep their values.
bool ReadAll(HKEY handle) {
  ValueReader key(handle);
  TSettings& s = Settings;
  ReadBool(key, L"Minimized", s.Minimized);
  ReadBool(key, L"AlwaysTop", s.AlwaysTop);
  ReadBool(key, L"LoadFromCD", s.LoadFromCD);
  ReadBool(key, L"PlaySelected", s.PlaySelected);
  ReadBool(key, L"SelNextSong", s.SelNextSong);
  ReadBool(key, L"SelNextList", s.SelNextList);
  ReadBool(key, L"IncludeExisting", s.IncludeExisting);
  ReadBool(key, L"Sort", s.Sort);
  ReadBool(key, L"Group", s.Group);
  ReadBool(key, L"EnableRandom", s.EnableRandom);
  if (auto v = key.Dword(L"RandomTimes"); v && *v <= 255) s.RandomTimes = static_cast<uint8_t>(*v);
  ReadBool(key, L"EnableTime1", s.EnableTime1);
  ReadTimeUnits(key, L"Time1", s.Time1);
  ReadBool(key, L"EnableTime3", s.EnableTime3);
  ReadTimeDays(key, L"Time3", s.Time3);
  ReadBool(key, L"ErrPlaytime", s.ErrPlaytime);
  ReadBool(key, L"ErrUnexisting", s.ErrUnexisting);
  ReadBool(key, L"BrowseUnexisting", s.BrowseUnexisting);
  ReadBool(key, L"BrowseBackup", s.BrowseBackup);
  if (auto v = key.String(L"DeviceName")) s.DeviceName = *v;
  ReadBool(key, L"ForceDevice", s.ForceDevice);
  ReadBool(key, L"DeviceVolume", s.DeviceVolume);
  if (auto v = key.Dword(L"Speed"); v && IsValidSpeed(*v)) s.Speed = static_cast<int>(*v);
  ReadTypingSettings(key, s);
  ReadPedalSettings(key, s);
  if (auto v = key.Dword(L"LayoutIndex")) LayoutIndex = static_cast<int>(*v);
  return !key.Failed();
}

bool Failed() {
  WarnRegistry();
  return false;
}

// The shared rule: write a value that differs from its default, delete one
// that no longer does.
template <typename Write>
bool StoreValue(HKEY key, const wchar_t* name, bool differs, Write write) {
  if (differs) return write() || Failed();
  if (reg::ValueExists(key, name) && !reg::DeleteValue(key, name)) return Failed();
  return true;
}

bool StoreTimePair(HKEY key, const wchar_t* timeName, std::wstring_view text, const wchar_t* enableName,
                   bool enabled, bool& enabledSetting, bool enabledDefault, std::wstring_view defaultText,
                   long long& units) {
  enabledSetting = enabled;
  if (enabled != enabledDefault) {
    if (!reg::WriteDword(key, enableName, enabled ? 1 : 0)) return Failed();
  } else if (reg::ValueExists(key, enableName)) {
    reg::DeleteValue(key, enableName);  // a flag left behind is not reported
  }
  if (!StoreValue(key, timeName, text != defaultText, [&] { return reg::WriteString(key, timeName, text); }))
    return false;
  units = TimeStrToUnits(text);
  return true;
}

}  // namespace

void SetDefaultSettings() {
  Settings = TSettings{};
  LayoutIndex = -1;
}

void ReadSettingsKey(HKEY key) {
  if (ReadAll(key))
    LoadLayouts(key);
  else
    WarnRegistry();
}

void LoadSettings() {
  SetDefaultSettings();
  Layouts.clear();
  win::Key key;
  switch (OpenSettingsKey(KEY_READ, key)) {
    case KeyOpen::Missing:
      break;
    case KeyOpen::Failed:
      WarnRegistry();
      break;
    case KeyOpen::Ok:
      ReadSettingsKey(key.get());
      break;
  }
  CurrentList.Grouped = Settings.Group;
  CurrentList.Sorted = Settings.Sort;
}

bool StoreBoolSetting(HKEY key, const wchar_t* name, bool value, bool def, bool& setting) {
  if (!StoreValue(key, name, value != def, [&] { return reg::WriteDword(key, name, value ? 1 : 0); })) return false;
  setting = value;
  return true;
}

bool StoreIntegerSetting(HKEY key, const wchar_t* name, int value, int def, uint8_t& setting) {
  if (!StoreValue(key, name, value != def, [&] { return reg::WriteDword(key, name, static_cast<DWORD>(value)); }))
    return false;
  setting = static_cast<uint8_t>(value);
  return true;
}

bool StoreIntegerSetting(HKEY key, const wchar_t* name, int value, int def, int& setting) {
  if (!StoreValue(key, name, value != def, [&] { return reg::WriteDword(key, name, static_cast<DWORD>(value)); }))
    return false;
  setting = value;
  return true;
}

bool StoreStringSetting(HKEY key, const wchar_t* name, std::wstring_view value, std::wstring_view def,
                        std::wstring& setting) {
  if (!StoreValue(key, name, value != def, [&] { return reg::WriteString(key, name, value); })) return false;
  setting = value;
  return true;
}

bool StoreTimeSetting(HKEY key, const wchar_t* timeName, std::wstring_view text, const wchar_t* enableName,
                      bool enabled, bool& enabledSetting, bool enabledDefault, long long& timeSetting,
                      std::wstring_view defaultText) {
  return StoreTimePair(key, timeName, text, enableName, enabled, enabledSetting, enabledDefault, defaultText,
                       timeSetting);
}

bool StoreTimeSetting(HKEY key, const wchar_t* timeName, std::wstring_view text, const wchar_t* enableName,
                      bool enabled, bool& enabledSetting, bool enabledDefault, double& timeSetting,
                      std::wstring_view defaultText) {
  long long units = 0;
  if (!StoreTimePair(key, timeName, text, enableName, enabled, enabledSetting, enabledDefault, defaultText, units))
    return false;
  timeSetting = UnitsToDays(units);
  return true;
}

void DeleteKeyIfEmpty(HKEY key) {
  DWORD values = 0;
  if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr) == ERROR_SUCCESS &&
      values == 0)
    ::RegDeleteKeyW(reg::UserRoot(), kSettingsKey);
}

bool StoreSpeedSetting(int percent) {
  if (!IsValidSpeed(percent)) return false;
  if (percent == Settings.Speed) return true;
  win::Key key;
  if (percent == kDefaultSpeed) {
    // Back at the default: nothing to write, and no key to create for it.
    switch (OpenSettingsKey(KEY_READ | KEY_WRITE, key)) {
      case KeyOpen::Missing:
        Settings.Speed = percent;
        return true;
      case KeyOpen::Failed:
        return Failed();
      case KeyOpen::Ok:
        break;
    }
  } else if (!CreateSettingsKey(key)) {
    return Failed();
  }
  const bool ok = StoreValue(key.get(), L"Speed", percent != kDefaultSpeed,
                             [&] { return reg::WriteDword(key.get(), L"Speed", static_cast<DWORD>(percent)); });
  if (ok) Settings.Speed = percent;
  DeleteKeyIfEmpty(key.get());
  return ok;
}

bool SaveSettings(const TSettings& v, std::wstring_view time3Text, std::wstring_view time1Text) {
  win::Key key;
  if (!CreateSettingsKey(key)) return Failed();
  HKEY k = key.get();
  const TSettings d;
  TSettings& s = Settings;
  bool ok = StoreBoolSetting(k, L"Minimized", v.Minimized, d.Minimized, s.Minimized) &&
            StoreBoolSetting(k, L"AlwaysTop", v.AlwaysTop, d.AlwaysTop, s.AlwaysTop) &&
            StoreBoolSetting(k, L"LoadFromCD", v.LoadFromCD, d.LoadFromCD, s.LoadFromCD) &&
            StoreTimeSetting(k, L"Time3", time3Text, L"EnableTime3", v.EnableTime3, s.EnableTime3, d.EnableTime3,
                             s.Time3, kDefaultTime3) &&
            StoreBoolSetting(k, L"PlaySelected", v.PlaySelected, d.PlaySelected, s.PlaySelected) &&
            StoreBoolSetting(k, L"SelNextSong", v.SelNextSong, d.SelNextSong, s.SelNextSong) &&
            StoreBoolSetting(k, L"SelNextList", v.SelNextList, d.SelNextList, s.SelNextList) &&
            StoreBoolSetting(k, L"IncludeExisting", v.IncludeExisting, d.IncludeExisting, s.IncludeExisting) &&
            StoreBoolSetting(k, L"Sort", v.Sort, d.Sort, s.Sort) &&
            StoreBoolSetting(k, L"Group", v.Group, d.Group, s.Group) &&
            StoreBoolSetting(k, L"EnableRandom", v.EnableRandom, d.EnableRandom, s.EnableRandom) &&
            StoreIntegerSetting(k, L"RandomTimes", v.RandomTimes, d.RandomTimes, s.RandomTimes) &&
            StoreTimeSetting(k, L"Time1", time1Text, L"EnableTime1", v.EnableTime1, s.EnableTime1, d.EnableTime1,
                             s.Time1, kDefaultTime1) &&
            StoreBoolSetting(k, L"ErrPlaytime", v.ErrPlaytime, d.ErrPlaytime, s.ErrPlaytime) &&
            StoreBoolSetting(k, L"ErrUnexisting", v.ErrUnexisting, d.ErrUnexisting, s.ErrUnexisting) &&
            StoreBoolSetting(k, L"BrowseUnexisting", v.BrowseUnexisting, d.BrowseUnexisting, s.BrowseUnexisting) &&
            StoreBoolSetting(k, L"BrowseBackup", v.BrowseBackup, d.BrowseBackup, s.BrowseBackup) &&
            StoreStringSetting(k, L"DeviceName", v.DeviceName, d.DeviceName, s.DeviceName) &&
            StoreBoolSetting(k, L"ForceDevice", v.ForceDevice, d.ForceDevice, s.ForceDevice) &&
            StoreBoolSetting(k, L"DeviceVolume", v.DeviceVolume, d.DeviceVolume, s.DeviceVolume) &&
            StoreTypingSettings(k, v) && StorePedalSettings(k, v);
  DeleteKeyIfEmpty(k);
  return ok;
}

}  // namespace kestrel
