#include "app/StepHold.h"

#include <utility>

#include "player/TPlayer.h"

namespace app {
namespace {

constexpr UINT kStepRepeatMs = 200;

}  // namespace

void TStepHold::Press(TimerId repeat) {
  resumeAfterStep_ = strip_.Player().State() == PlayerState::Running;
  if (resumeAfterStep_) transport_.PauseForHold();
  ::SetTimer(strip_.Window(), repeat, kStepRepeatMs, nullptr);
}

void TStepHold::Release(TimerId repeat) {
  ::KillTimer(strip_.Window(), repeat);
  if (!std::exchange(resumeAfterStep_, false)) return;
  transport_.ResumeAfterHold();
}

}  // namespace app
