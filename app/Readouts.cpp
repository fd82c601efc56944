#include "app/Readouts.h"

#include "app/MediaTime.h"
#include "app/SpeedKeys.h"
#include "player/TPlayer.h"

namespace app {

std::wstring SpeedText(int percent) { return std::to_wstring(percent) + L" %"; }

void TReadouts::SetTimeSupported(bool supported) {
  timeSupported_ = supported;
  if (supported) return;
  strip_.SetHint(idTime1, L"Time is not supported and was disabled.");
  strip_.SetHint(idTime2, L"Time is not supported and was disabled.");
}

void TReadouts::ShowPosition(int64_t position) { ShowPositionText(FormatMediaTime(position, showMillis_)); }

void TReadouts::ShowPositionText(const std::wstring& text) {
  if (PositionText() != text) ::SetWindowTextW(strip_.Control(idTime1), text.c_str());
}

void TReadouts::ShowZero() {
  if (timeSupported_) ShowPositionText(zeroText_);
}

void TReadouts::ShowLength(int64_t duration) {
  ::SetWindowTextW(strip_.Control(idTime2), FormatMediaTime(duration, showMillis_).c_str());
}

bool TReadouts::SetMillisMode(bool on) {
  showMillis_ = on;
  if (on && zeroText_ == L"00:00:00") {
    ShowPositionText(PositionText() + L":000");
    if (strip_.HasPlayer() && !strip_.Player().FileName().empty() && timeSupported_)
      ShowLength(strip_.Player().Duration());
    else
      ::SetWindowTextW(strip_.Control(idTime2), (WindowText(strip_.Control(idTime2)) + L":000").c_str());
    zeroText_ = L"00:00:00:000";
    playInterval_ = 25;
    return true;
  }
  if (!on && zeroText_ == L"00:00:00:000") {
    for (int id : {idTime1, idTime2}) {
      std::wstring t = WindowText(strip_.Control(id));
      ::SetWindowTextW(strip_.Control(id), t.substr(0, t.size() >= 4 ? t.size() - 4 : 0).c_str());
    }
    zeroText_ = L"00:00:00";
    playInterval_ = 50;
    return true;
  }
  return false;
}

void TReadouts::ShowSpeed(int percent) {
  ::SetWindowTextW(strip_.Control(idSpeed), SpeedText(percent).c_str());
  strip_.SetHint(idSpeed, kSpeedKeysHint);
}

}  // namespace app
