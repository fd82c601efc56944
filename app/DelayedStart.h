// TDelayedStart: with "EnableTime3" and "PlaySelected" on, a recording
// chosen by the next button is opened only once the waiting time "Time3"
// has passed, unless playing, stopping or another choice comes first.
// A timer state of the window (idDelayTimer): nothing waits in a loop.
// While pending, the play button shows its blue pictures (MarkDelayPending).
#pragma once

#include <windows.h>

#include "app/Strip.h"

namespace app {

class TDelayedStart {
public:
  explicit TDelayedStart(TStrip& strip) : strip_(strip) {}

  // Both settings on: the next button waits.
  static bool Active();
  // DelayPending: a next recording waits, or is about to.
  bool Pending() const { return pending_; }

  // The next button (idNextClick): pending; the wait runs Time3 from now
  // and the play button shows it, or there is no wait when `now`.
  void StartFromNext(bool now);
  // Another recording chosen while pending: it loads at once.
  void ChosenAnother();
  // A recording was chosen: true when it waits, the timer being set for it.
  bool Defer();
  // idDelayTimer: true once the chosen recording is to load now (not while
  // a dialog or box is open: then it loads once that has closed).
  bool Due();
  // The wait is over: the recording is loading.
  void Done();
  // A play or stop while pending: the wait ends without loading.
  void Cancel();
  void MarkDelayPending(bool on);

private:
  TStrip& strip_;
  ULONGLONG startAt_ = 0;  // StartAt, a tick count in milliseconds
  bool pending_ = false;
  bool loadDue_ = false;   // the timer will load the chosen recording
};

}  // namespace app
