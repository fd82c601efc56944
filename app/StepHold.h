// TStepHold: the step buttons "Vzad" (SpeedButton1) and "Vpred"
// (SpeedButton2). A click steps once; held down during playback they pause
// it, step on their repeat timers (Tim2, Tim1) and play on when released.
#pragma once

#include "app/Strip.h"
#include "app/Transport.h"

namespace app {

class TStepHold {
public:
  TStepHold(TStrip& strip, TTransport& transport) : strip_(strip), transport_(transport) {}

  void SpeedButton1Click() { transport_.StepBack(); }
  void SpeedButton2Click() { transport_.StepForward(); }
  void SpeedButton1MouseDown() { Press(Tim2); }
  void SpeedButton2MouseDown() { Press(Tim1); }
  void SpeedButton1MouseUp() { Release(Tim2); }
  void SpeedButton2MouseUp() { Release(Tim1); }
  void Tim1Timer() { transport_.StepForward(); }
  void Tim2Timer() { transport_.StepBack(); }

private:
  void Press(TimerId repeat);
  void Release(TimerId repeat);

  TStrip& strip_;
  TTransport& transport_;
  bool resumeAfterStep_ = false;  // ResumeAfterStep
};

}  // namespace app
