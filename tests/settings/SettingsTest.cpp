// The settings store against the real registry. Each test runs with
// the per-user root pointed at a scratch key of its own.
#include <gtest/gtest.h>

#include <tuple>

#include "MessageSeam.h"
#include "RegistrySandbox.h"
#include "base/WinHandles.h"
#include "core/globals.h"
#include "settings/KestrelLayouts.h"
#include "settings/KestrelSettings.h"

using namespace kestrel;
using testing_support::MessageSeam;

namespace {

class RegistryTest : public ::testing::Test {
protected:
  void SetUp() override {
    Layouts.clear();
    LayoutIndex = -1;
    Settings = TSettings{};
  }
  // The settings key as the store sees it.
  bool KeyExists() {
    win::Key k;
    return ::RegOpenKeyExW(registry.root(), kSettingsKey, 0, KEY_READ, k.put()) == ERROR_SUCCESS;
  }
  win::Key CreateKey() {
    win::Key k;
    EXPECT_EQ(::RegCreateKeyExW(registry.root(), kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(), nullptr),
              ERROR_SUCCESS);
    return k;
  }
  void SetDword(const wchar_t* name, DWORD v) {
    auto k = CreateKey();
    ::RegSetValueExW(k.get(), name, 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), sizeof(v));
  }
  void SetString(const wchar_t* name, const std::wstring& v) {
    auto k = CreateKey();
    ::RegSetValueExW(k.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                     static_cast<DWORD>((v.size() + 1) * 2));
  }
  std::vector<std::wstring> ValueNames() {
    std::vector<std::wstring> names;
    win::Key k;
    if (::RegOpenKeyExW(registry.root(), kSettingsKey, 0, KEY_READ, k.put()) != ERROR_SUCCESS) return names;
    for (DWORD i = 0;; ++i) {
      wchar_t name[256];
      DWORD n = 256;
      if (::RegEnumValueW(k.get(), i, name, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      names.emplace_back(name, n);
    }
    return names;
  }
  std::optional<DWORD> Dword(const wchar_t* name) {
    DWORD v = 0, size = sizeof(v);
    if (::RegGetValueW(registry.root(), kSettingsKey, name, RRF_RT_REG_DWORD, nullptr, &v, &size) != ERROR_SUCCESS)
      return std::nullopt;
    return v;
  }

  MessageSeam seam;
  testing_support::RegistrySandbox registry;
};

using SettingsStore = RegistryTest;

TEST_F(SettingsStore, NoKeyMeansDefaultsAndCreatesNothing) {
  Settings.AlwaysTop = true;
  CurrentList.Grouped = CurrentList.Sorted = false;
  LoadSettings();
  EXPECT_FALSE(Settings.AlwaysTop);
  EXPECT_TRUE(Settings.PlaySelected);
  EXPECT_EQ(Settings.RandomTimes, 3);
  EXPECT_DOUBLE_EQ(Settings.Time3, 1.0 / 86400.0);
  EXPECT_EQ(LayoutIndex, -1);
  EXPECT_TRUE(Layouts.empty());
  EXPECT_TRUE(CurrentList.Grouped);
  EXPECT_TRUE(CurrentList.Sorted);
  EXPECT_FALSE(KeyExists());
  EXPECT_TRUE(seam.boxes.empty());
}

TEST_F(SettingsStore, StoredValuesAreReadAndBadOnesFallBack) {
  SetDword(L"AlwaysTop", 7);
  SetDword(L"Group", 0);
  SetDword(L"RandomTimes", 12);
  SetString(L"Time1", L"01:30:00");
  SetString(L"Time3", L"00:500");
  SetString(L"DeviceName", L"Speakers");
  SetDword(L"LayoutIndex", 2);
  SetString(L"Sort", L"no");          // wrong type: default
  SetString(L"ErrPlaytime", L"0");    // wrong type: default
  SetDword(L"ReplaySeconds", 16);     // out of range: default
  LoadSettings();
  EXPECT_TRUE(Settings.AlwaysTop);
  EXPECT_FALSE(Settings.Group);
  EXPECT_FALSE(CurrentList.Grouped);
  EXPECT_TRUE(Settings.Sort);
  EXPECT_TRUE(Settings.ErrPlaytime);
  EXPECT_EQ(Settings.RandomTimes, 12);
  EXPECT_EQ(Settings.ReplaySeconds, 5);
  EXPECT_EQ(Settings.Time1, 54'000'000'000LL);
  EXPECT_DOUBLE_EQ(Settings.Time3, 0.5 / 86400.0);
  EXPECT_EQ(Settings.DeviceName, L"Speakers");
  EXPECT_EQ(LayoutIndex, 2);

  SetString(L"Time1", L"ab:cd:ef");
  SetString(L"Time3", L"x1:000");
  LoadSettings();
  EXPECT_EQ(Settings.Time1, 0);
  EXPECT_DOUBLE_EQ(Settings.Time3, 1.0 / 86400.0);
}

TEST_F(SettingsStore, TimeTexts) {
  EXPECT_EQ(TimeStrToUnits(L"01:30:00"), 54'000'000'000LL);
  EXPECT_EQ(TimeStrToUnits(L"00:500"), 5'000'000);
  EXPECT_EQ(TimeStrToUnits(L"00:00:01:250"), 12'500'000);
  EXPECT_EQ(TimeStrToUnits(L"1:30"), 0);
  EXPECT_EQ(TimeStrToUnits(L""), 0);
  EXPECT_EQ(TimeStrToUnits(L"aa:bb:cc"), 0);
}

TEST_F(SettingsStore, OnlyValuesDifferingFromTheirDefaultsAreKept) {
  TSettings v;  // unchanged on a fresh installation
  EXPECT_TRUE(SaveSettings(v, kDefaultTime3, kDefaultTime1));
  EXPECT_FALSE(KeyExists());

  v.AlwaysTop = true;
  EXPECT_TRUE(SaveSettings(v, kDefaultTime3, kDefaultTime1));
  EXPECT_EQ(ValueNames(), (std::vector<std::wstring>{L"AlwaysTop"}));
  EXPECT_EQ(Dword(L"AlwaysTop"), 1u);
  EXPECT_TRUE(Settings.AlwaysTop);

  v.AlwaysTop = false;
  EXPECT_TRUE(SaveSettings(v, kDefaultTime3, kDefaultTime1));
  EXPECT_FALSE(KeyExists());
  EXPECT_FALSE(Settings.AlwaysTop);
  EXPECT_TRUE(seam.boxes.empty());
}

TEST_F(SettingsStore, TimePairsAndOtherKinds) {
  TSettings v;
  v.EnableTime3 = false;
  v.EnableTime1 = true;
  v.RandomTimes = 5;
  v.DeviceName = L"Default WaveOut Device";
  EXPECT_TRUE(SaveSettings(v, L"00:500", L"01:30:00"));
  auto names = ValueNames();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"DeviceName", L"EnableTime1", L"EnableTime3", L"RandomTimes", L"Time1",
                                              L"Time3"}));
  EXPECT_EQ(Dword(L"EnableTime3"), 0u);
  EXPECT_DOUBLE_EQ(Settings.Time3, 0.5 / 86400.0);
  EXPECT_EQ(Settings.Time1, 54'000'000'000LL);
  EXPECT_FALSE(Settings.EnableTime3);

  LoadSettings();
  EXPECT_EQ(Settings.RandomTimes, 5);
  EXPECT_EQ(Settings.DeviceName, L"Default WaveOut Device");
  EXPECT_TRUE(Settings.EnableTime1);

  EXPECT_TRUE(SaveSettings(TSettings{}, kDefaultTime3, kDefaultTime1));
  EXPECT_FALSE(KeyExists());
  EXPECT_EQ(Settings.Time1, 0);
}

// Every setting changed from its default is saved under a name of its own
// and read back into its own field.
TEST_F(SettingsStore, EverySettingComesBackAsSaved) {
  TSettings v;
  for (bool TSettings::*flag :
       {&TSettings::Minimized, &TSettings::AlwaysTop, &TSettings::LoadFromCD, &TSettings::PlaySelected,
        &TSettings::SelNextSong, &TSettings::SelNextList, &TSettings::IncludeExisting, &TSettings::Sort,
        &TSettings::Group, &TSettings::EnableRandom, &TSettings::EnableTime1, &TSettings::EnableTime3,
        &TSettings::ErrPlaytime, &TSettings::ErrUnexisting, &TSettings::BrowseUnexisting, &TSettings::BrowseBackup,
        &TSettings::ForceDevice, &TSettings::DeviceVolume})
    v.*flag = !(v.*flag);
  v.RandomTimes = 9;
  v.DeviceName = L"Speakers";
  ASSERT_TRUE(SaveSettings(v, L"02:250", L"00:10:00"));
  EXPECT_EQ(ValueNames().size(), 18u + 2u + 2u);  // the flags, the count and the name, the two times
  Settings = TSettings{};
  LoadSettings();
  const TSettings& r = Settings;
  EXPECT_EQ(std::tie(r.Minimized, r.AlwaysTop, r.LoadFromCD, r.PlaySelected, r.SelNextSong, r.SelNextList,
                     r.IncludeExisting, r.Sort, r.Group, r.EnableRandom, r.EnableTime1, r.EnableTime3),
            std::tie(v.Minimized, v.AlwaysTop, v.LoadFromCD, v.PlaySelected, v.SelNextSong, v.SelNextList,
                     v.IncludeExisting, v.Sort, v.Group, v.EnableRandom, v.EnableTime1, v.EnableTime3));
  EXPECT_EQ(std::tie(r.ErrPlaytime, r.ErrUnexisting, r.BrowseUnexisting, r.BrowseBackup, r.ForceDevice,
                     r.DeviceVolume, r.RandomTimes, r.DeviceName),
            std::tie(v.ErrPlaytime, v.ErrUnexisting, v.BrowseUnexisting, v.BrowseBackup, v.ForceDevice,
                     v.DeviceVolume, v.RandomTimes, v.DeviceName));
  EXPECT_EQ(r.Time1, 6'000'000'000LL);
  EXPECT_DOUBLE_EQ(r.Time3, 2.25 / 86400.0);
}

TEST_F(SettingsStore, ARegistryFailureIsShownAndStopsTheSave) {
  // A volatile parent refuses the non-volatile settings key.
  win::Key parent;
  ASSERT_EQ(::RegCreateKeyExW(registry.root(), L"Software\\Tarnwell", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, parent.put(), nullptr),
            ERROR_SUCCESS);
  TSettings v;
  v.AlwaysTop = true;
  bool saved = SaveSettings(v, kDefaultTime3, kDefaultTime1);
  EXPECT_FALSE(saved);
  ASSERT_EQ(seam.boxes.size(), 1u);
  EXPECT_EQ(seam.last().text, L"Could't create or open a registry key!");
  EXPECT_EQ(seam.last().caption, L"Warning");
  EXPECT_FALSE(Settings.AlwaysTop);
}

// A key that goes away while it is open fails the reads after it: the
// values and layouts read before the failure stay, with one warning.
TEST_F(SettingsStore, AFailedReadIsShownAndKeepsWhatWasRead) {
  SetDword(L"Layout1", 0x1FDFF);
  SetString(L"Layout1Name", L"All");
  win::Key key;
  ASSERT_EQ(::RegOpenKeyExW(registry.root(), kSettingsKey, 0, KEY_READ, key.put()), ERROR_SUCCESS);
  ASSERT_EQ(::RegDeleteKeyW(registry.root(), kSettingsKey), ERROR_SUCCESS);
  Settings.AlwaysTop = true;  // as read before the failure
  ReadSettingsKey(key.get());
  ASSERT_EQ(seam.boxes.size(), 1u);
  EXPECT_EQ(seam.last().text, L"Could't create or open a registry key!");
  EXPECT_EQ(seam.last().caption, L"Warning");
  EXPECT_TRUE(Settings.AlwaysTop);
  EXPECT_TRUE(Layouts.empty());

  seam.boxes.clear();
  Layouts.push_back({L"Read before", 1});
  LoadLayouts(key.get());
  ASSERT_EQ(seam.boxes.size(), 1u);
  EXPECT_EQ(seam.last().text, L"Could't create or open a registry key!");
  EXPECT_EQ(Layouts.size(), 1u);
}

}  // namespace

namespace {

TEST_F(SettingsStore, SpeedIsStoredOnlyWhileItDiffersAndBadValuesAreIgnored) {
  EXPECT_TRUE(StoreSpeedSetting(kDefaultSpeed));
  EXPECT_FALSE(KeyExists());

  EXPECT_TRUE(StoreSpeedSetting(150));
  EXPECT_EQ(ValueNames(), (std::vector<std::wstring>{L"Speed"}));
  EXPECT_EQ(Dword(L"Speed"), 150u);
  Settings = TSettings{};
  LoadSettings();
  EXPECT_EQ(Settings.Speed, 150);

  EXPECT_FALSE(StoreSpeedSetting(203));  // off the 5 % steps
  EXPECT_FALSE(StoreSpeedSetting(250));
  EXPECT_EQ(Dword(L"Speed"), 150u);

  EXPECT_TRUE(StoreSpeedSetting(kDefaultSpeed));
  EXPECT_FALSE(KeyExists());
  EXPECT_EQ(Settings.Speed, kDefaultSpeed);

  for (DWORD bad : {0u, 45u, 201u, 107u}) {
    SetDword(L"Speed", bad);
    LoadSettings();
    EXPECT_EQ(Settings.Speed, kDefaultSpeed) << bad;
  }
  EXPECT_TRUE(seam.boxes.empty());
}

TEST(SpeedSteps, StayWithinHalfAndDouble) {
  EXPECT_EQ(StepSpeed(100, -1), 95);
  EXPECT_EQ(StepSpeed(100, +1), 105);
  EXPECT_EQ(StepSpeed(kMinSpeed, -1), kMinSpeed);
  EXPECT_EQ(StepSpeed(kMaxSpeed, +1), kMaxSpeed);
}

}  // namespace
