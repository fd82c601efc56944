// TReplayLoop: where the replay loop runs. Started at a position, it spans
// the last seconds before it, and whenever playback reaches its end the
// player goes back to its start, until the loop is stopped. Positions are
// media times (100 ns).
#pragma once

#include <cstdint>
#include <optional>

namespace app {

class TReplayLoop {
public:
  static constexpr int64_t kSecond = 10'000'000;
  // Pressed in the first moments of a recording, the loop still spans this
  // much, so that it does not turn back at every tick of the timer.
  static constexpr int64_t kShortest = kSecond;
  // The loop turns this much before the recording's end: playback that
  // reaches the end stops before the timer could turn it back.
  static constexpr int64_t kEndGuard = kSecond / 4;

  // A loop over the `span` before `position`, in a recording of `duration`
  // (0 when unknown). False, and no loop, when the recording is too short
  // for one.
  bool Start(int64_t position, int64_t span, int64_t duration);
  void Stop() { active_ = false; }
  bool Active() const { return active_; }
  int64_t From() const { return from_; }
  int64_t To() const { return to_; }
  // Playback is at `position`: where the player is to go, or none while it
  // stays inside the loop.
  std::optional<int64_t> TurnAt(int64_t position) const;

private:
  bool active_ = false;
  int64_t from_ = 0;
  int64_t to_ = 0;
};

}  // namespace app
