#include "settings/TypingSettings.h"

#include <algorithm>

#include "base/Registry.h"
#include "core/KestrelErrors.h"
#include "settings/KestrelSettings.h"

namespace kestrel {

int ClampResumeRewind(int ms) {
  if (ms < 0) return 0;
  if (ms > kMaxResumeRewind) return kMaxResumeRewind;
  return ms / kResumeRewindStep * kResumeRewindStep;
}

int ClampReplaySeconds(int seconds) {
  return seconds < kMinReplaySeconds ? kMinReplaySeconds : seconds > kMaxReplaySeconds ? kMaxReplaySeconds : seconds;
}

void ReadTypingSettings(ValueReader& key, TSettings& s) {
  if (auto v = key.Dword(L"ResumeRewind"); v && *v <= kMaxResumeRewind && *v % kResumeRewindStep == 0)
    s.ResumeRewind = static_cast<int>(*v);
  if (auto v = key.Dword(L"StampBrackets")) s.StampBrackets = *v != 0;
  if (auto v = key.Dword(L"StampMillis"); v && *v <= smNever) s.StampMillis = static_cast<uint8_t>(*v);
  // 0 is no hot key; modifiers alone are no shortcut.
  auto readHotKey = [&](const wchar_t* name, int& field) {
    if (auto v = key.Dword(name);
        v && *v <= 0xFFFF && (*v == 0 || ((*v & 0xFF) != 0 && IsAllowedHotKey(static_cast<WORD>(*v)))))
      field = static_cast<int>(*v);
  };
  readHotKey(L"StampHotKey", s.StampHotKey);
  readHotKey(L"SlowerHotKey", s.SlowerHotKey);
  readHotKey(L"FasterHotKey", s.FasterHotKey);
  readHotKey(L"SpeedResetHotKey", s.SpeedResetHotKey);
  readHotKey(L"ReplayHotKey", s.ReplayHotKey);
  if (auto v = key.Dword(L"ReplaySeconds"); v && *v >= kMinReplaySeconds && *v <= kMaxReplaySeconds)
    s.ReplaySeconds = static_cast<uint8_t>(*v);
}

std::wstring ShortcutText(WORD code) {
  std::wstring s;
  if (code & 0x4000) s += L"Ctrl+";
  if (code & 0x2000) s += L"Shift+";
  if (code & 0x8000) s += L"Alt+";
  const UINT vk = LOBYTE(code);
  LONG scan = static_cast<LONG>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
  switch (vk) {
    case VK_INSERT: case VK_DELETE: case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT:
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
      scan |= 1 << 24;  // the keys beside the numeric pad, not on it
  }
  wchar_t name[64] = L"";
  if (vk && ::GetKeyNameTextW(scan, name, 64) > 0)
    s += name;
  else
    s += L"kláves " + std::to_wstring(vk);
  return s;
}

bool IsAllowedHotKey(WORD code) {
  if (code == 0 || (code & (0x4000 | 0x8000))) return true;
  const BYTE vk = LOBYTE(code);
  return (vk >= VK_F13 && vk <= VK_F24) || vk == VK_MEDIA_PLAY_PAUSE || vk == VK_MEDIA_NEXT_TRACK ||
         vk == VK_MEDIA_PREV_TRACK;
}

bool IsFixedHotKey(WORD code) { return std::ranges::find(kFixedHotKeys, code) != std::end(kFixedHotKeys); }

void WarnHotKeyRefused(WORD code, HotKeyRefusal why) {
  const std::wstring key = ShortcutText(code);
  std::wstring text;
  switch (why) {
    case HotKeyRefusal::Taken:
      text = L"Klávesovú skratku " + key + L" systém odmietol: pravdepodobne ju už používa iný program.";
      break;
    case HotKeyRefusal::OnPage: text = L"Klávesová skratka " + key + L" je už priradená inej akcii."; break;
    case HotKeyRefusal::Fixed:
      text = L"Klávesovú skratku " + key + L" používa Vocorder natrvalo na ovládanie prehrávania.";
      break;
    case HotKeyRefusal::NoModifier:
      text = L"Klávesová skratka " + key +
             L" nemá Ctrl ani Alt: vzala by tento kláves všetkým programom.\rBez Ctrl a Alt sú možné len F13 až F24 "
             L"a mediálne klávesy.";
      break;
  }
  ShowBox(BoxKind::Warning, BoxButtons::Ok, text + L"\rZvoľte inú skratku.");
}

bool StoreTypingSettings(HKEY k, const TSettings& v) {
  const TSettings d;
  TSettings& s = Settings;
  const int speed = IsValidSpeed(v.Speed) ? v.Speed : s.Speed;
  return StoreIntegerSetting(k, L"Speed", speed, d.Speed, s.Speed) &&
         StoreIntegerSetting(k, L"ResumeRewind", ClampResumeRewind(v.ResumeRewind), d.ResumeRewind,
                             s.ResumeRewind) &&
         StoreBoolSetting(k, L"StampBrackets", v.StampBrackets, d.StampBrackets, s.StampBrackets) &&
         StoreIntegerSetting(k, L"StampMillis", v.StampMillis, d.StampMillis, s.StampMillis) &&
         StoreIntegerSetting(k, L"StampHotKey", v.StampHotKey, d.StampHotKey, s.StampHotKey) &&
         StoreIntegerSetting(k, L"SlowerHotKey", v.SlowerHotKey, d.SlowerHotKey, s.SlowerHotKey) &&
         StoreIntegerSetting(k, L"FasterHotKey", v.FasterHotKey, d.FasterHotKey, s.FasterHotKey) &&
         StoreIntegerSetting(k, L"SpeedResetHotKey", v.SpeedResetHotKey, d.SpeedResetHotKey, s.SpeedResetHotKey) &&
         StoreIntegerSetting(k, L"ReplayHotKey", v.ReplayHotKey, d.ReplayHotKey, s.ReplayHotKey) &&
         StoreIntegerSetting(k, L"ReplaySeconds", ClampReplaySeconds(v.ReplaySeconds), d.ReplaySeconds,
                             s.ReplaySeconds);
}

}  // namespace kestrel
