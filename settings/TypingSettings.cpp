#include "settings/TypingSettings.h"

#include "base/Registry.h"
#include "core/KestrelErrors.h"
#include "settings/KestrelSettings.h"

namespace kestrel {

int ClampResumeRewind(int ms) {
  if (ms < 0) return 0;
  if (ms > kMaxResumeRewind) return kMaxResumeRewind;
  return ms / kResumeRewindStep * kResumeRewindStep;
}

void ReadTypingSettings(ValueReader& key, TSettings& s) {
  if (auto v = key.Dword(L"ResumeRewind"); v && *v <= kMaxResumeRewind && *v % kResumeRewindStep == 0)
    s.ResumeRewind = static_cast<int>(*v);
  if (auto v = key.Dword(L"StampBrackets")) s.StampBrackets = *v != 0;
  if (auto v = key.Dword(L"StampMillis"); v && *v <= smNever) s.StampMillis = static_cast<uint8_t>(*v);
  // 0 is no hot key; modifiers alone are no shortcut.
  auto readHotKey = [&](const wchar_t* name, int& field) {
    if (auto v = key.Dword(name); v && *v <= 0xFFFF && (*v == 0 || (*v & 0xFF) != 0))
      field = static_cast<int>(*v);
  };
  readHotKey(L"StampHotKey", s.StampHotKey);
  readHotKey(L"SlowerHotKey", s.SlowerHotKey);
  readHotKey(L"FasterHotKey", s.FasterHotKey);
  readHotKey(L"SpeedResetHotKey", s.SpeedResetHotKey);
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

void WarnHotKeyRefused(WORD code, bool usedOnPage) {
  ShowBox(BoxKind::Warning, BoxButtons::Ok,
          usedOnPage ? L"Klávesová skratka " + ShortcutText(code) + L" je už priradená inej akcii.\rZvoľte inú skratku."
                     : L"Klávesovú skratku " + ShortcutText(code) +
                           L" systém odmietol: pravdepodobne ju už používa iný program.\rZvoľte inú skratku.");
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
         StoreIntegerSetting(k, L"SpeedResetHotKey", v.SpeedResetHotKey, d.SpeedResetHotKey, s.SpeedResetHotKey);
}

}  // namespace kestrel
