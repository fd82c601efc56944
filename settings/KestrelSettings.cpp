#include "settings/KestrelSettings.h"

#include <optional>
#include <variant>

#include "core/KestrelErrors.h"
#include "core/globals.h"
#include "settings/KestrelLayouts.h"
#include "settings/PedalSettings.h"
#include "settings/SettingsKey.h"
#include "settings/TypingSettings.h"

namespace kestrel {
namespace {

// An enable flag with its time text, stored as a pair ("EnableTime3" and
// "Time3"); the time is held in 100-ns units or in days.
struct TimePair {
  const wchar_t* timeName;
  std::variant<long long TSettings::*, double TSettings::*> time;
  const wchar_t* defaultText;
  int text;  // which of the dialog's time texts it is saved from: 0 "Time3", 1 "Time1"
};

// One setting: its value name, its member of the record (whose default the
// record's own initialiser gives) and so its kind: a flag, a small count, a
// text, or a flag with its time.
struct SettingRow {
  const wchar_t* name;
  std::variant<bool TSettings::*, uint8_t TSettings::*, std::wstring TSettings::*> member;
  std::optional<TimePair> time;  // for a flag that enables a time
};

// In the order of storing; reading follows the same order.
const SettingRow kSettingRows[] = {
    {L"Minimized", &TSettings::Minimized, {}},
    {L"AlwaysTop", &TSettings::AlwaysTop, {}},
    {L"LoadFromCD", &TSettings::LoadFromCD, {}},
    {L"EnableTime3", &TSettings::EnableTime3, TimePair{L"Time3", &TSettings::Time3, kDefaultTime3, 0}},
    {L"PlaySelected", &TSettings::PlaySelected, {}},
    {L"SelNextSong", &TSettings::SelNextSong, {}},
    {L"SelNextList", &TSettings::SelNextList, {}},
    {L"IncludeExisting", &TSettings::IncludeExisting, {}},
    {L"Sort", &TSettings::Sort, {}},
    {L"Group", &TSettings::Group, {}},
    {L"EnableRandom", &TSettings::EnableRandom, {}},
    {L"RandomTimes", &TSettings::RandomTimes, {}},
    {L"EnableTime1", &TSettings::EnableTime1, TimePair{L"Time1", &TSettings::Time1, kDefaultTime1, 1}},
    {L"ErrPlaytime", &TSettings::ErrPlaytime, {}},
    {L"ErrUnexisting", &TSettings::ErrUnexisting, {}},
    {L"BrowseUnexisting", &TSettings::BrowseUnexisting, {}},
    {L"BrowseBackup", &TSettings::BrowseBackup, {}},
    {L"DeviceName", &TSettings::DeviceName, {}},
    {L"ForceDevice", &TSettings::ForceDevice, {}},
    {L"DeviceVolume", &TSettings::DeviceVolume, {}},
};

template <typename... F>
struct Overloaded : F... {
  using F::operator()...;
};
template <typename... F>
Overloaded(F...) -> Overloaded<F...>;

void ReadRow(ValueReader& key, const SettingRow& row, TSettings& s) {
  std::visit(Overloaded{
                 [&](bool TSettings::*m) {
                   if (auto v = key.Dword(row.name)) s.*m = *v != 0;
                 },
                 [&](uint8_t TSettings::*m) {
                   if (auto v = key.Dword(row.name); v && *v <= 255) s.*m = static_cast<uint8_t>(*v);
                 },
                 [&](std::wstring TSettings::*m) {
                   if (auto v = key.String(row.name)) s.*m = *v;
                 },
             },
             row.member);
  if (!row.time) return;
  long long units = 0;
  auto text = key.String(row.time->timeName);
  if (!text || !TryTimeStrToUnits(*text, units)) return;
  std::visit(Overloaded{
                 [&](long long TSettings::*m) { s.*m = units; },
                 [&](double TSettings::*m) { s.*m = UnitsToDays(units); },
             },
             row.time->time);
}

// False after a registry error; the fields read before it keep their values.
bool ReadAll(HKEY handle) {
  ValueReader key(handle);
  TSettings& s = Settings;
  for (const SettingRow& row : kSettingRows) ReadRow(key, row, s);
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
  const std::wstring_view timeTexts[] = {time3Text, time1Text};
  auto store = [&](const SettingRow& row) {
    const wchar_t* name = row.name;
    if (row.time) {
      const auto enabled = std::get<bool TSettings::*>(row.member);
      auto storePair = [&](auto& time) {
        return StoreTimeSetting(k, row.time->timeName, timeTexts[row.time->text], name, v.*enabled, s.*enabled,
                                d.*enabled, time, row.time->defaultText);
      };
      return std::visit(Overloaded{
                            [&](long long TSettings::*m) { return storePair(s.*m); },
                            [&](double TSettings::*m) { return storePair(s.*m); },
                        },
                        row.time->time);
    }
    return std::visit(Overloaded{
                          [&](bool TSettings::*m) { return StoreBoolSetting(k, name, v.*m, d.*m, s.*m); },
                          [&](uint8_t TSettings::*m) { return StoreIntegerSetting(k, name, v.*m, d.*m, s.*m); },
                          [&](std::wstring TSettings::*m) { return StoreStringSetting(k, name, v.*m, d.*m, s.*m); },
                      },
                      row.member);
  };
  bool ok = true;
  for (const SettingRow& row : kSettingRows)
    if (!(ok = store(row))) break;
  ok = ok && StoreTypingSettings(k, v) && StorePedalSettings(k, v);
  DeleteKeyIfEmpty(k);
  return ok;
}

}  // namespace kestrel
