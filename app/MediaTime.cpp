#include "app/MediaTime.h"

namespace app {
namespace {

constexpr uint64_t kStepUnit = 10'535'000ULL;

}  // namespace

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
