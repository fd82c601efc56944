// Time texts over media time (100-ns units): the read-outs' "hh:mm:ss" and
// "hh:mm:ss:mmm", and the settings' "hh:mm:ss" and "ss:mmm". One parser
// reads all of them; one formatter writes each form.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace text {

// Longer than 7 characters: hours, minutes and seconds from characters 1-2,
// 4-5 and 7-8, and milliseconds from 10-12 when present; exactly 6 with a
// colon third: seconds and milliseconds. Any other text is 0 units and
// counts as read. False (units 0) when a field is not a decimal number.
bool TryTimeStrToUnits(std::wstring_view text, long long& units);
// The same, with a text that cannot be read giving 0.
long long TimeStrToUnits(std::wstring_view text);

enum class TimeForm {
  HoursMinutesSeconds,        // "00:00:00"; more hours take more digits
  HoursMinutesSecondsMillis,  // "00:00:00:000"
  SecondsMillis,              // "00:000", the seconds of the whole minute
};
std::wstring FormatTime(int64_t units, TimeForm form);

}  // namespace text
