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

  // Typing along.
  int ResumeRewind = 1000;     // ms played again when playback resumes after a pause
  bool StampBrackets = true;   // time stamps typed as "[hh:mm:ss]" rather than "hh:mm:ss"
  uint8_t StampMillis = 0;     // a TStampMillis
  int StampHotKey = 0x402D;    // shortcut code of the time-stamp hot key: Ctrl+Insert
  // The speed hot keys (Alt+Shift with PageDown, PageUp and Home).
  int SlowerHotKey = 0xA022;
  int FasterHotKey = 0xA021;
  int SpeedResetHotKey = 0xA024;
  // The replay loop: its hot key (Ctrl+Alt+Space) and how many of the last
  // seconds it plays again and again.
  int ReplayHotKey = 0xC020;
  uint8_t ReplaySeconds = 5;

  // Foot pedals: what each pedal does (the number of a services::PedalAction:
  // 0 nothing, 1 play, 2 rewind, 3 forward, 4 time stamp, 5 replay).
  uint8_t PedalLeft = 2;
  uint8_t PedalMiddle = 1;
  uint8_t PedalRight = 3;
  uint8_t PedalFourth = 0;
  uint8_t PedalBoth = 0;  // the left and right pedals together
  bool PedalHold = true;  // play while the play pedal is held; else each press plays or pauses
};

// The main window's own hot keys, not changeable: Ctrl with Space, Left,
// Right, PageUp, PageDown, F5, Up and Down. The changeable ones cannot take them.
inline constexpr int kFixedHotKeys[] = {0x4020, 0x4025, 0x4027, 0x4021, 0x4022, 0x4074, 0x4026, 0x4028};

// Whether a typed time stamp carries milliseconds.
enum TStampMillis : uint8_t { smAsReadout = 0, smAlways = 1, smNever = 2 };
// The rewind's range and step (ms).
inline constexpr int kMaxResumeRewind = 5000;
inline constexpr int kResumeRewindStep = 500;
// The replay loop's range (seconds).
inline constexpr int kMinReplaySeconds = 3;
inline constexpr int kMaxReplaySeconds = 15;

extern TSettings Settings;

}  // namespace kestrel
