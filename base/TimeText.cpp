#include "base/TimeText.h"

#include <algorithm>
#include <cstdio>

namespace text {
namespace {

constexpr int64_t kHour = 36'000'000'000LL;
constexpr int64_t kMinute = 600'000'000LL;
constexpr int64_t kSecond = 10'000'000LL;
constexpr int64_t kMilli = 10'000LL;

bool Digits(std::wstring_view s, size_t at, size_t n, long long& v) {
  if (at + n > s.size() || n == 0) return false;
  v = 0;
  for (size_t i = at; i < at + n; ++i) {
    if (s[i] < L'0' || s[i] > L'9') return false;
    v = v * 10 + (s[i] - L'0');
  }
  return true;
}

}  // namespace

bool TryTimeStrToUnits(std::wstring_view t, long long& units) {
  units = 0;
  long long h = 0, m = 0, s = 0, ms = 0;
  if (t.size() > 7) {
    if (!Digits(t, 0, 2, h) || !Digits(t, 3, 2, m) || !Digits(t, 6, 2, s)) return false;
    long long v = h * kHour + m * kMinute + s * kSecond;
    if (t.size() >= 10) {
      if (!Digits(t, 9, std::min<size_t>(3, t.size() - 9), ms)) return false;
      v += ms * kMilli;
    }
    units = v;
  } else if (t.size() == 6 && t[2] == L':') {
    if (!Digits(t, 0, 2, s) || !Digits(t, 3, 3, ms)) return false;
    units = s * kSecond + ms * kMilli;
  }
  return true;
}

long long TimeStrToUnits(std::wstring_view text) {
  long long units = 0;
  return TryTimeStrToUnits(text, units) ? units : 0;
}

std::wstring FormatTime(int64_t t, TimeForm form) {
  long long hours = t / kHour, rest = t % kHour;
  long long minutes = rest / kMinute;
  rest %= kMinute;
  long long seconds = rest / kSecond;
  rest %= kSecond;
  long long millis = rest / kMilli;
  wchar_t buf[64];
  switch (form) {
    case TimeForm::HoursMinutesSeconds:
      std::swprintf(buf, 64, L"%02lld:%02lld:%02lld", hours, minutes, seconds);
      break;
    case TimeForm::HoursMinutesSecondsMillis:
      std::swprintf(buf, 64, L"%02lld:%02lld:%02lld:%03lld", hours, minutes, seconds, millis);
      break;
    case TimeForm::SecondsMillis:
      std::swprintf(buf, 64, L"%02lld:%03lld", seconds, millis);
      break;
  }
  return buf;
}

}  // namespace text
