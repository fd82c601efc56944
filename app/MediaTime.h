// The read-outs' time texts and the transport's step arithmetic; pure
// functions over media time (100-ns units).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/TimeText.h"

namespace app {

// hh:mm:ss, or hh:mm:ss:mmm with milliseconds: the read-outs' forms of the
// program's one time formatter.
inline std::wstring FormatMediaTime(int64_t t, bool withMillis) {
  return text::FormatTime(t, withMillis ? text::TimeForm::HoursMinutesSecondsMillis
                                        : text::TimeForm::HoursMinutesSeconds);
}
// "hh:mm:ss[:mmm]" or "ss:mmm"; any other text, or fields that are not
// numbers, give 0.
inline int64_t ParseMediaTime(std::wstring_view t) { return text::TimeStrToUnits(t); }

// A time stamp as it is typed into the document: "[hh:mm:ss]" or
// "hh:mm:ss", with ":mmm" as in the read-out when withMillis.
inline std::wstring FormatTimeStamp(int64_t t, bool brackets, bool withMillis) {
  std::wstring s = FormatMediaTime(t < 0 ? 0 : t, withMillis);
  return brackets ? L"[" + s + L"]" : s;
}

// Pixels per slow step on a position bar of the frame width, for a recording
// of the duration. A recording shorter than one unit (1.0535 s) steps 1.
int StepPixels(int64_t duration, int frameWidth);

// The splitting of a read-out's text into the position editor's fields.
struct TimeFields {
  std::wstring hours, minutes, seconds, millis;
};
TimeFields SplitTimeText(std::wstring_view text, bool withMillis);

}  // namespace app
