#include "app/MediaTime.h"

#include <cstdio>

namespace app {
namespace {

constexpr int64_t kHour = 36'000'000'000LL;
constexpr int64_t kMinute = 600'000'000LL;
constexpr int64_t kSecond = 10'000'000LL;
constexpr int64_t kMilli = 10'000LL;
constexpr uint64_t kStepUnit = 10'535'000ULL;

bool Field(std::wstring_view s, size_t at, size_t n, int64_t& v) {
  if (at + n > s.size() || n == 0) return false;
  v = 0;
  for (size_t i = at; i < at + n; ++i) {
    if (s[i] < L'0' || s[i] > L'9') return false;
    v = v * 10 + (s[i] - L'0');
  }
  return true;
}

}  // namespace

std::wstring FormatMediaTime(int64_t t, bool withMillis) {
  int64_t hours = t / kHour, rest = t % kHour;
  int64_t minutes = rest / kMinute;
  rest %= kMinute;
  int64_t seconds = rest / kSecond;
  rest %= kSecond;
  int64_t millis = rest / kMilli;
  wchar_t buf[64];
  if (withMillis)
    std::swprintf(buf, 64, L"%02lld:%02lld:%02lld:%03lld", static_cast<long long>(hours),
                  static_cast<long long>(minutes), static_cast<long long>(seconds), static_cast<long long>(millis));
  else
    std::swprintf(buf, 64, L"%02lld:%02lld:%02lld", static_cast<long long>(hours), static_cast<long long>(minutes),
                  static_cast<long long>(seconds));
  return buf;
}

int64_t ParseMediaTime(std::wstring_view t) {
  int64_t h = 0, m = 0, s = 0, ms = 0;
  if (t.size() > 7) {
    if (!Field(t, 0, 2, h) || !Field(t, 3, 2, m) || !Field(t, 6, 2, s)) return 0;
    int64_t v = h * kHour + m * kMinute + s * kSecond;
    if (t.size() >= 10) {
      if (!Field(t, 9, t.size() - 9 < 3 ? t.size() - 9 : 3, ms)) return 0;
      v += ms * kMilli;
    }
    return v;
  }
  if (t.size() == 6 && t[2] == L':') {
    if (!Field(t, 0, 2, s) || !Field(t, 3, 3, ms)) return 0;
    return s * kSecond + ms * kMilli;
  }
  return 0;
}

int StepPixels(int64_t duration, int frameWidth) {
  uint64_t unit = static_cast<uint64_t>(duration < 0 ? 0 : duration) / kStepUnit;
  int64_t span = frameWidth - 2;
  if (unit == 0 || span <= 0) return 1;
  uint64_t s = static_cast<uint64_t>(span);
  if (unit > s) return static_cast<int>(unit / s);
  if (unit == s) return 1;
  return static_cast<int>(s / unit);
}

TimeFields SplitTimeText(std::wstring_view text, bool withMillis) {
  if (text.size() <= 7) return {L"00", L"00", L"00", L"000"};
  auto part = [&](size_t from, size_t n) {
    return from < text.size() ? std::wstring(text.substr(from, n)) : std::wstring();
  };
  size_t n = text.size();
  TimeFields f;
  if (withMillis && n >= 12) {
    f.hours = part(0, n - 10);
    f.minutes = part(n - 9, 2);
    f.seconds = part(n - 6, 2);
    f.millis = part(n - 3, 3);
  } else {
    f.hours = part(0, n - 6);
    f.minutes = part(n - 5, 2);
    f.seconds = part(n - 2, 2);
    f.millis = L"000";
  }
  return f;
}

}  // namespace app
