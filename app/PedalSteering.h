// TPedalSteering: the foot pedals steer the window's transport. It owns the
// raw input component that reads them and the pedal control that turns
// presses into actions, and is the transport that control drives: play and
// pause as the play button, the steps as the step buttons' ticks, the time
// stamp and the replay loop as their keys. Like a hot key, a pedal acts
// after what the window has posted by then, and does nothing while a
// dialog or box of the program is open; the control still follows the
// pedals meanwhile, so that a pedal let go there is not held afterwards.
#pragma once

#include <windows.h>

#include <deque>
#include <memory>

#include "app/Replay.h"
#include "app/Strip.h"
#include "app/Transport.h"
#include "services/PedalControl.h"
#include "services/RawPedals.h"

namespace app {

class TPedalSteering : private services::IPedalTransport, private services::IPedalObserver {
public:
  TPedalSteering(TStrip& strip, TTransport& transport, TReplay& replay)
      : strip_(strip), transport_(transport), replay_(replay) {}
  ~TPedalSteering() override;
  TPedalSteering(const TPedalSteering&) = delete;
  TPedalSteering& operator=(const TPedalSteering&) = delete;

  // Starts reading the pedals, with the mapping of the settings.
  void Create();
  // Stops reading them (the window goes).
  void Release();
  // The pedals read; null before Create and after Release.
  services::TRawPedals* Pedals() const { return pedals_.get(); }
  // The mapping taken up again after the settings dialog.
  void ApplySettings();
  // The pedals' changes heard so far, acted on now (ctPedals).
  void RunPressed();
  // The step rate's timer (idPedalTimer).
  void PedalTimerTimer();

private:
  // services::IPedalObserver
  void PedalsChanged(services::PedalSet pressed) override;
  // services::IPedalTransport
  bool Playing() override;
  void Play() override;
  void Pause() override;
  void StepBack() override;
  void StepForward() override;
  void TimeStamp() override;
  void Replay() override;

  // Whether an action may run now: no dialog or box of the program is open.
  static bool MayAct();
  void FollowStepping();

  TStrip& strip_;
  TTransport& transport_;
  TReplay& replay_;
  std::unique_ptr<services::TRawPedals> pedals_;
  services::PedalMapping mapping_;
  services::TPedalControl control_{*this, mapping_};
  std::deque<services::PedalSet> heard_;  // changes not yet acted on
  bool ticking_ = false;
};

}  // namespace app
