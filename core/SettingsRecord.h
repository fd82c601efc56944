// The program-wide settings record. The settings store fills it at start-up
// and rewrites it on the settings dialog's save; the list model and the
// windows read it.
#pragma once

#include <cstdint>
#include <string>

namespace kestrel {

inline constexpr const wchar_t* kDefaultTime1 = L"00:00:00";
inline constexpr const wchar_t* kDefaultTime3 = L"01:000";
inline constexpr long long kUnitsPerSecond = 10'000'000;
inline constexpr double kUnitsPerDay = 864'000'000'000.0;

// Playback speed ("Speed", a percentage of the recording's own pace). The
// pitch of the voice is kept at every speed. Steps of the hot keys are
// kSpeedStep; a stored value outside the range or off the steps is ignored.
inline constexpr int kMinSpeed = 50;
inline constexpr int kMaxSpeed = 200;
inline constexpr int kSpeedStep = 5;
inline constexpr int kDefaultSpeed = 100;
inline constexpr bool IsValidSpeed(long long percent) {
  return percent >= kMinSpeed && percent <= kMaxSpeed && percent % kSpeedStep == 0;
}
// One step slower (direction < 0) or faster, kept within the range.
inline constexpr int StepSpeed(int percent, int direction) {
  const int next = percent + (direction < 0 ? -kSpeedStep : kSpeedStep);
  return next < kMinSpeed ? kMinSpeed : next > kMaxSpeed ? kMaxSpeed : next;
}

struct TSettings {
  bool Minimized = false;
  bool AlwaysTop = false;
  bool LoadFromCD = true;
  bool PlaySelected = true;
  bool SelNextSong = true;
  bool SelNextList = true;
  bool IncludeExisting = false;
  bool Sort = true;
  bool Group = true;
  bool EnableRandom = false;
  uint8_t RandomTimes = 3;
  bool EnableTime1 = false;
  long long Time1 = 0;  // 100-ns units
  bool EnableTime3 = true;
  double Time3 = 1.0 / 86400.0;  // days
  bool ErrPlaytime = true;
  bool ErrUnexisting = true;
  bool BrowseUnexisting = false;
  bool BrowseBackup = false;
  std::wstring DeviceName;
  bool ForceDevice = false;
  bool DeviceVolume = true;
  int Speed = kDefaultSpeed;  // percent
};

extern TSettings Settings;

}  // namespace kestrel
