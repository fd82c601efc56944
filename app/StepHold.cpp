#include "app/StepHold.h"

#include <utility>

#include "player/TPlayer.h"

namespace app {
namespace {

constexpr UINT kStepRepeatMs = 200;

}  // namespace

void TStepHold::Press(TimerId repeat) {
  TPlayer& player = strip_.Player();
  resumeAfterStep_ = player.State() == PlayerState::Running;
  if (resumeAfterStep_) player.TogglePause();
  ::SetTimer(strip_.Window(), repeat, kStepRepeatMs, nullptr);
}

void TStepHold::Release(TimerId repeat) {
  ::KillTimer(strip_.Window(), repeat);
  if (!std::exchange(resumeAfterStep_, false)) return;
  transport_.RewindForResume();
  strip_.Player().Play();
}

}  // namespace app
