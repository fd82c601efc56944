#include "app/PedalSteering.h"

#include "base/ModalScope.h"
#include "core/SettingsRecord.h"
#include "player/TPlayer.h"
#include "settings/PedalSettings.h"

namespace app {

TPedalSteering::~TPedalSteering() { Release(); }

void TPedalSteering::Create() {
  ApplySettings();
  pedals_ = std::make_unique<services::TRawPedals>();
  pedals_->Subscribe(*this);
}

void TPedalSteering::Release() {
  if (pedals_) pedals_->Unsubscribe(*this);
  pedals_.reset();
  heard_.clear();
  if (ticking_) ::KillTimer(strip_.Window(), idPedalTimer);
  ticking_ = false;
}

void TPedalSteering::ApplySettings() {
  const services::PedalMapping mapping = kestrel::PedalMappingOf(kestrel::Settings);
  // A new mapping lets go of what is held: only when it is new.
  if (mapping == mapping_) return;
  mapping_ = mapping;
  control_.SetMapping(mapping_);
  FollowStepping();
}

void TPedalSteering::PedalsChanged(services::PedalSet pressed) {
  heard_.push_back(pressed);
  strip_.Post(ctPedals);
}

void TPedalSteering::RunPressed() {
  if (heard_.empty()) return;
  const services::PedalSet pressed = heard_.front();
  heard_.pop_front();
  control_.PedalsChanged(pressed);
  FollowStepping();
}

void TPedalSteering::PedalTimerTimer() {
  control_.Tick();
  FollowStepping();
}

void TPedalSteering::FollowStepping() {
  if (control_.Stepping() == ticking_) return;
  ticking_ = control_.Stepping();
  if (ticking_)
    ::SetTimer(strip_.Window(), idPedalTimer, services::TPedalControl::kStepRateMs, nullptr);
  else
    ::KillTimer(strip_.Window(), idPedalTimer);
}

bool TPedalSteering::MayAct() { return win::ModalScope::Depth() == 0; }

bool TPedalSteering::Playing() {
  return transport_.PlayerBusy() && strip_.Player().State() == PlayerState::Running;
}

void TPedalSteering::Play() {
  if (!MayAct() || !::IsWindowEnabled(strip_.Control(idPlay))) return;
  replay_.End();
  transport_.idPlayClick();
}

void TPedalSteering::Pause() {
  if (!MayAct() || !Playing()) return;
  replay_.End();
  transport_.idPlayClick();
}

void TPedalSteering::StepBack() {
  if (!MayAct()) return;
  replay_.End();
  transport_.StepBack();
}

void TPedalSteering::StepForward() {
  if (!MayAct()) return;
  replay_.End();
  transport_.StepForward();
}

void TPedalSteering::TimeStamp() {
  if (MayAct()) transport_.HotKeyTimeStampHotKey();
}

void TPedalSteering::Replay() {
  if (MayAct()) replay_.Toggle();
}

}  // namespace app
