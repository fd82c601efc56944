// TReadouts: the time read-outs "Prehraté:" (idTime1) and "Celková dĺžka:"
// (idTime2), with or without milliseconds, and the speed's read-out.
#pragma once

#include <cstdint>
#include <string>

#include "app/Strip.h"

namespace app {

class TReadouts {
public:
  explicit TReadouts(TStrip& strip) : strip_(strip) {}

  // Whether the player tells times (asked once, at the window's creation);
  // without, the read-outs keep their zero and say so in their hints.
  bool TimeSupported() const { return timeSupported_; }
  void SetTimeSupported(bool supported);

  bool ShowMillis() const { return showMillis_; }
  // "00:00:00", or "00:00:00:000" in milliseconds mode.
  const std::wstring& ZeroText() const { return zeroText_; }
  // The refresh timer's interval while playing: finer with milliseconds.
  UINT PlayInterval() const { return playInterval_; }

  std::wstring PositionText() const { return WindowText(strip_.Control(idTime1)); }
  void ShowPosition(int64_t position);
  void ShowPositionText(const std::wstring& text);
  // The position read-out back at zero (the player stopped), when times work.
  void ShowZero();
  void ShowLength(int64_t duration);

  // Milliseconds on or off (SetMillisMode of the read-outs): the texts gain
  // or lose their last field. Whether the mode changed.
  bool SetMillisMode(bool on);

  void ShowSpeed(int percent);

private:
  TStrip& strip_;
  bool timeSupported_ = false;
  bool showMillis_ = false;
  std::wstring zeroText_ = L"00:00:00";
  UINT playInterval_ = 100;
};

}  // namespace app
