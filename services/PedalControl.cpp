#include "services/PedalControl.h"

namespace services {

TPedalControl::TPedalControl(IPedalTransport& transport, const PedalMapping& mapping)
    : transport_(transport), mapping_(mapping) {}

void TPedalControl::SetMapping(const PedalMapping& mapping) {
  const PedalSet held = down_;
  PedalsChanged(0);
  mapping_ = mapping;
  // What is still held was pressed for the old mapping: its release counts
  // for nothing, the next press counts.
  down_ = held;
  ignored_ = held;
}

PedalAction TPedalControl::ActionOf(int pedal) const {
  return pedal == kBoth ? mapping_.both : mapping_.pedal[static_cast<size_t>(pedal)];
}

void TPedalControl::PedalsChanged(PedalSet now) {
  const PedalSet pressed = now & ~down_;
  PedalSet released = down_ & ~now;
  down_ = now;

  if (chord_ && (released & kSidePedals)) {
    chord_ = false;
    Release(kBoth);
    if (chordResumes_) PlayIf(chordPlayAfter_);
  }
  released &= ~ignored_;
  ignored_ &= now;
  for (int p = 0; p < kPedals; ++p)
    if (released & PedalBit(p)) Release(p);

  PedalSet fresh = pressed;
  if (!chord_ && mapping_.both != PedalAction::Nothing && (now & kSidePedals) == kSidePedals &&
      (pressed & kSidePedals)) {
    // The side pedal that came first may be stepping: the chord takes it
    // over, so that pressing both makes no step.
    chordResumes_ = false;
    if (step_.pedal != kNone && (PedalBit(step_.pedal) & kSidePedals)) {
      chordResumes_ = step_.ticked && mapping_.both != PedalAction::Play;
      chordPlayAfter_ = step_.playAfter;
      step_ = {};
    }
    chord_ = true;
    ignored_ |= kSidePedals;
    fresh &= ~kSidePedals;
    Press(kBoth);
  }
  for (int p = 0; p < kPedals; ++p)
    if (fresh & PedalBit(p)) Press(p);
}

void TPedalControl::Press(int pedal) {
  switch (const PedalAction action = ActionOf(pedal)) {
    case PedalAction::Play:
      // While a step holds playback, the play pedal says what comes after.
      if (Stepping())
        step_.playAfter = mapping_.hold || !step_.playAfter;
      else
        PlayIf(mapping_.hold || !transport_.Playing());
      break;
    case PedalAction::Rewind:
    case PedalAction::Forward:
      if (Stepping()) {  // the newest step pedal steps on
        step_.pedal = pedal;
        step_.back = action == PedalAction::Rewind;
      } else {
        step_ = {pedal, action == PedalAction::Rewind, false, transport_.Playing()};
      }
      break;
    case PedalAction::Stamp:
      transport_.TimeStamp();
      break;
    case PedalAction::Replay:
      transport_.Replay();
      break;
    case PedalAction::Nothing:
      break;
  }
}

void TPedalControl::Release(int pedal) {
  switch (ActionOf(pedal)) {
    case PedalAction::Play:
      if (!mapping_.hold) break;
      if (Stepping())
        step_.playAfter = false;
      else
        PlayIf(false);
      break;
    case PedalAction::Rewind:
    case PedalAction::Forward:
      if (step_.pedal == pedal) EndStep();
      break;
    default:
      break;
  }
}

void TPedalControl::Tick() {
  if (!Stepping()) return;
  if (!step_.ticked) {
    // Held, not tapped: playback waits while the pedal steps.
    step_.ticked = true;
    if (transport_.Playing()) transport_.Pause();
  }
  step_.back ? transport_.StepBack() : transport_.StepForward();
}

void TPedalControl::EndStep() {
  const Step s = step_;
  step_ = {};
  // A tap makes one step, as a click on the step button does, and playback
  // goes on meanwhile.
  if (!s.ticked) s.back ? transport_.StepBack() : transport_.StepForward();
  PlayIf(s.playAfter);
}

void TPedalControl::PlayIf(bool play) {
  if (play && !transport_.Playing())
    transport_.Play();
  else if (!play && transport_.Playing())
    transport_.Pause();
}

}  // namespace services
