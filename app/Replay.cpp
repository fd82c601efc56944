#include "app/Replay.h"

#include "core/SettingsRecord.h"
#include "player/TPlayer.h"
#include "settings/TypingSettings.h"

namespace app {

void TReplay::Toggle() {
  if (loop_.Active()) {
    loop_.Stop();
    return;
  }
  Begin();
}

void TReplay::Begin() {
  // The loop needs to know where playback is.
  if (!transport_.PlayerBusy() || !readouts_.TimeSupported()) return;
  TPlayer& player = strip_.Player();
  const int64_t span = kestrel::ClampReplaySeconds(kestrel::Settings.ReplaySeconds) * TReplayLoop::kSecond;
  if (!loop_.Start(player.GetPosition(), span, player.Duration())) return;
  try {
    player.SetPosition(loop_.From());
    if (player.State() == PlayerState::Paused) {
      // Played on at the loop's start: no rewind on resume.
      player.Play();
      strip_.Post(ctPlayGlyph);
    }
  } catch (const std::exception&) {
    loop_.Stop();
    if (kestrel::Settings.ErrPlaytime) throw;
  }
}

int64_t TReplay::Follow(int64_t position) {
  if (!loop_.Active() || strip_.Player().State() != PlayerState::Running) return position;
  const auto back = loop_.TurnAt(position);
  if (!back) return position;
  try {
    strip_.Player().SetPosition(*back);
  } catch (const std::exception&) {
    // pnPositionFailed has been told; the loop cannot go on
    loop_.Stop();
    return position;
  }
  return *back;
}

}  // namespace app
