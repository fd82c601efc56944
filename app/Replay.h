// TReplay: the replay loop in the window. Its key (or pedal) plays the last
// seconds ("Prepis") again and again: the refresh timer turns playback back
// at the loop's end, and the read-outs and the bar follow it there. The key
// pressed again ends it, and so does every other transport key (play or
// pause, the steps, stop, a click on the bar) before doing its own work;
// playback that stops ends it too.
#pragma once

#include <cstdint>

#include "app/ReplayLoop.h"
#include "app/Readouts.h"
#include "app/Strip.h"
#include "app/Transport.h"

namespace app {

class TReplay {
public:
  TReplay(TStrip& strip, TReadouts& readouts, TTransport& transport)
      : strip_(strip), readouts_(readouts), transport_(transport) {}

  bool Looping() const { return loop_.Active(); }
  const TReplayLoop& Loop() const { return loop_; }
  // The replay key: starts the loop over the last seconds, playing a paused
  // recording on, or ends a running loop.
  void Toggle();
  // Another transport key, or playback stopped: the loop ends, playback
  // stays where it is.
  void End() { loop_.Stop(); }
  // A tick of the refresh timer with playback at `position`: where playback
  // is now, turned back to the loop's start at its end.
  int64_t Follow(int64_t position);

private:
  void Begin();

  TStrip& strip_;
  TReadouts& readouts_;
  TTransport& transport_;
  TReplayLoop loop_;
};

}  // namespace app
