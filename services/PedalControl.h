// TPedalControl: what the pedals do to playback, as typists use them. The
// play pedal plays while it is held and pauses when it is let go (or, set
// to toggle, each press plays or pauses); the rewind and forward pedals
// step while held, at the step buttons' hold rate, and a tap makes one
// step; both side pedals together can be an action of their own. Presses
// and releases come in, calls to a small transport go out; time comes from
// the owner's timer through Tick.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>

#include "services/PedalSource.h"

namespace services {

// What a pedal does; stored as its number.
enum class PedalAction : uint8_t { Nothing, Play, Rewind, Forward, Stamp, Replay };
inline constexpr uint8_t kPedalActions = 6;

struct PedalMapping {
  std::array<PedalAction, kPedals> pedal{PedalAction::Rewind, PedalAction::Play, PedalAction::Forward,
                                         PedalAction::Nothing};
  PedalAction both = PedalAction::Nothing;  // the left and right pedals together
  bool hold = true;                         // play while held; false: each press plays or pauses
  bool operator==(const PedalMapping&) const = default;
};

// The playback the pedals steer.
class IPedalTransport {
public:
  virtual ~IPedalTransport() = default;
  // Running: neither paused nor stopped.
  virtual bool Playing() = 0;
  // Plays the selected recording, or resumes a paused one with the rewind
  // on resume. Called only while not playing.
  virtual void Play() = 0;
  // Called only while playing.
  virtual void Pause() = 0;
  // One small step, as a tick of a held step button makes it.
  virtual void StepBack() = 0;
  virtual void StepForward() = 0;
  virtual void TimeStamp() = 0;
  // The replay loop's key: starts the loop, or ends it.
  virtual void Replay() = 0;
};

class TPedalControl : public IPedalObserver {
public:
  // The step buttons' hold rate: the owner calls Tick this often while
  // Stepping() holds.
  static constexpr UINT kStepRateMs = 200;

  explicit TPedalControl(IPedalTransport& transport, const PedalMapping& mapping = {});

  // A new mapping lets go of whatever the old one held.
  void SetMapping(const PedalMapping& mapping);
  void PedalsChanged(PedalSet pressed) override;
  bool Stepping() const { return step_.pedal != kNone; }
  void Tick();

private:
  static constexpr int kNone = -1;
  static constexpr int kBoth = kPedals;  // the side pedals together, as one more pedal

  struct Step {
    int pedal = kNone;  // the pedal that steps
    bool back = true;
    bool ticked = false;  // held past the first tick: playback was paused
    bool playAfter = false;  // whether to play when the step ends
  };

  PedalAction ActionOf(int pedal) const;
  void Press(int pedal);
  void Release(int pedal);
  void EndStep();
  void PlayIf(bool play);

  IPedalTransport& transport_;
  PedalMapping mapping_;
  PedalSet down_ = 0;
  PedalSet ignored_ = 0;  // side pedals taken by a chord, until let go
  bool chord_ = false;
  Step step_;
  // A step held past its first tick when the chord came: whether to play
  // when the chord ends.
  bool chordResumes_ = false;
  bool chordPlayAfter_ = false;
};

}  // namespace services
