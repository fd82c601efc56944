#include "settings/TypingSettings.h"

#include "base/Registry.h"
#include "settings/KestrelSettings.h"

namespace kestrel {

int ClampResumeRewind(int ms) {
  if (ms < 0) return 0;
  if (ms > kMaxResumeRewind) return kMaxResumeRewind;
  return ms / kResumeRewindStep * kResumeRewindStep;
}

void ReadTypingSettings(HKEY key, TSettings& s) {
  if (auto v = reg::ReadDword(key, L"ResumeRewind"); v && *v <= kMaxResumeRewind && *v % kResumeRewindStep == 0)
    s.ResumeRewind = static_cast<int>(*v);
  if (auto v = reg::ReadDword(key, L"StampBrackets")) s.StampBrackets = *v != 0;
  if (auto v = reg::ReadDword(key, L"StampMillis"); v && *v <= smNever) s.StampMillis = static_cast<uint8_t>(*v);
  // A shortcut needs a key; modifiers alone are no shortcut.
  if (auto v = reg::ReadDword(key, L"StampHotKey"); v && *v <= 0xFFFF && (*v & 0xFF) != 0)
    s.StampHotKey = static_cast<int>(*v);
}

bool StoreTypingSettings(HKEY k, const TSettings& v) {
  const TSettings d;
  TSettings& s = Settings;
  return StoreIntegerSetting(k, L"ResumeRewind", ClampResumeRewind(v.ResumeRewind), d.ResumeRewind,
                             s.ResumeRewind) &&
         StoreBoolSetting(k, L"StampBrackets", v.StampBrackets, d.StampBrackets, s.StampBrackets) &&
         StoreIntegerSetting(k, L"StampMillis", v.StampMillis, d.StampMillis, s.StampMillis) &&
         StoreIntegerSetting(k, L"StampHotKey", v.StampHotKey, d.StampHotKey, s.StampHotKey);
}

}  // namespace kestrel
