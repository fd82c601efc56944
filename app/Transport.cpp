#include "app/Transport.h"

#include <utility>

#include "app/MediaTime.h"
#include "base/ScopeExit.h"
#include "base/Text.h"
#include "core/KestrelErrors.h"
#include "core/KestrelUtils.h"
#include "core/globals.h"
#include "missing/DlgErrNoFile.h"
#include "player/PlayerError.h"
#include "player/TPlayer.h"
#include "settings/KestrelSettings.h"
#include "settings/TypingSettings.h"

namespace app {
namespace {

std::wstring ErrorText(const std::exception& e) {
  if (auto* p = dynamic_cast<const PlayerError*>(&e)) return p->Text();
  return text::FromAnsi(e.what());
}

}  // namespace

std::wstring SelectedSongPath() {
  const auto& t = kestrel::CurrentList;
  int a = kestrel::CurrentArtist, s = kestrel::CurrentSong;
  if (a < 0 || a >= t.Count || s < 0 || s >= t.Artists[a].Count) return {};
  return kestrel::ResolveSongPath(t.Artists[a].Songs[s].Path, kestrel::ListIndex);
}

void TTransport::CreateTypingAlong() {
  positions_ = std::make_unique<kestrel::TResumePositions>(kestrel::ResumePositionsFile());
  typer_ = std::make_unique<services::TTextTyper>();
}

bool TTransport::PlayerBusy() const {
  if (!strip_.HasPlayer()) return false;
  const PlayerState s = strip_.Player().State();
  return s == PlayerState::Paused || s == PlayerState::Running;
}

void TTransport::idPlayClick() {
  const auto& s = kestrel::Settings;
  TPlayer& player = strip_.Player();
  auto cancelDelay = [&] {
    if (TDelayedStart::Active() && delayed_.Pending()) delayed_.Cancel();
  };
  if (PlayerBusy()) {
    // Where it pauses is read while it still plays, as the read-out does.
    const auto at = player.State() == PlayerState::Running ? Place() : std::nullopt;
    try {
      if (player.State() == PlayerState::Paused) RewindForResume();
      player.TogglePause();
    } catch (const std::exception&) {
      if (s.ErrPlaytime) throw;
      return;
    }
    if (player.State() == PlayerState::Paused) {
      Hold(at);
      rewindDue_ = true;
      RememberPosition();
    } else {
      Hold(std::nullopt);
    }
  } else {
    if (kestrel::CurrentArtist < 0 || kestrel::CurrentArtist >= kestrel::CurrentList.Count) {
      kestrel::MsgSelectArtist();
      return;
    }
    const std::wstring path = SelectedSongPath();
    if (path.empty()) {
      kestrel::MsgSelectSong();
      return;
    }
    keySink_.ReturnToEditor();
    if (!kestrel::FileExists(path)) {
      if (s.ErrUnexisting) {
        cancelDelay();
        if (s.BrowseUnexisting)
          kestrel::ShowMissingFile(path, strip_.Window());
        else
          kestrel::ErrFileNotFound(path, false);
        delayed_.MarkDelayPending(false);
        return;
      }
      // Not reported: on to the next recording once this click is done,
      // at once when the next is to follow without the wait.
      const bool now = s.SelNextSong && TDelayedStart::Active();
      if (now) delayed_.ChosenAnother();
      strip_.Post(now ? ctNextAfterMissingNow : ctNextAfterMissing);
      return;
    }
    cancelDelay();
    if (player.FileName() != path || player.CurrentDevice() != player.SelectedDevice) {
      try {
        player.Open(path);
      } catch (const std::exception& e) {
        if (s.ErrPlaytime && OnOpenFailed) OnOpenFailed(ErrorText(e));
        return;
      }
    }
    knob_.SetPolling(true);
    bar_.SetPolling(true);
    if (readouts_.TimeSupported() && readouts_.PositionText() != readouts_.ZeroText())
      player.SetPosition(ParseMediaTime(readouts_.PositionText()));
    try {
      player.Play();
    } catch (const std::exception&) {
      if (s.ErrPlaytime) throw;
      return;
    }
  }
  strip_.Post(ctPlayGlyph);
}

void TTransport::ShowOwnGlyph() {
  if (strip_.Player().State() == PlayerState::Paused) strip_.ShowPlayGlyph(1);
  if (strip_.Player().State() == PlayerState::Running) strip_.ShowPlayGlyph(3);
}

void TTransport::idStopClick() {
  if (strip_.Player().State() != PlayerState::Stopped && TDelayedStart::Active() && delayed_.Pending()) {
    delayed_.Cancel();
    delayed_.MarkDelayPending(false);
  }
  StopAndRewind(true);
}

void TTransport::StopAndRewind(bool remember) {
  TPlayer& player = strip_.Player();
  if (player.State() != PlayerState::Stopped) {
    if (finishing_)
      positions_->Forget(player.FileName());
    else if (remember)
      RememberPosition();
    Hold(std::nullopt);
    try {
      player.Stop();
      player.Rewind();
    } catch (const std::exception&) {
      if (kestrel::Settings.ErrPlaytime) throw;
      return;
    }
  }
  if (player.State() == PlayerState::Stopped) strip_.ShowPlayGlyph(0);
}

void TTransport::AutomaticStop() {
  strip_.SetRefreshInterval(100);
  idStopClick();
}

void TTransport::Finished() {
  finishing_ = true;
  ScopeExit done([this] { finishing_ = false; });
  AutomaticStop();
}

int TTransport::StepPixels() const { return app::StepPixels(strip_.Player().Duration(), bar_.FrameWidth()); }

void TTransport::StepBack() {
  if (!PlayerBusy()) return;
  const int w = bar_.Fill();
  bar_.StepTo(w - 1 < 0 ? 0 : w - 1, TStrip::kBarMargin + w - StepPixels() - 1);
}

void TTransport::StepForward() {
  if (!PlayerBusy()) return;
  const int w = bar_.Fill(), frame = bar_.FrameWidth();
  int t = w + StepPixels() + 1;
  if (t > frame) t = frame - 5;
  bar_.StepTo(w + 1 > frame - 1 ? frame - 1 : w + 1, TStrip::kBarMargin + t);
}

void TTransport::StepForwardByHotKey() {
  if (!PlayerBusy()) return;
  int t = bar_.Fill() + StepPixels() + 1;
  if (t < 0) t = 5;
  bar_.StepTo(t, TStrip::kBarMargin + t);
}

void TTransport::FastForward() {
  if (!PlayerBusy()) return;
  const int frame = bar_.FrameWidth();
  int t = bar_.Fill() + 10 * StepPixels() + 10;
  if (t > frame) t = frame - 5;
  bar_.StepTo(t, TStrip::kBarMargin + t);
}

void TTransport::FastBack() {
  if (!PlayerBusy()) return;
  const int t = bar_.Fill() - 10 * StepPixels() - 10;
  bar_.StepTo(t, TStrip::kBarMargin + t);
}

void TTransport::GoTo(int64_t position) {
  const int64_t length = strip_.Player().FileName().empty() ? 0 : strip_.Player().Duration();
  if (position < 0) position = 0;
  if (length > 0 && position > length) position = length;
  if (PlayerBusy())
    bar_.SeekTo(position);
  else
    readouts_.ShowPosition(position);
}

void TTransport::PauseForHold() {
  TPlayer& player = strip_.Player();
  const auto at = Place();
  player.TogglePause();
  Hold(at);
}

void TTransport::ResumeAfterHold() {
  Hold(std::nullopt);
  strip_.Player().Play();
}

std::optional<int64_t> TTransport::Place() {
  if (!readouts_.TimeSupported()) return std::nullopt;
  try {
    return strip_.Player().GetPosition();
  } catch (const std::exception&) {
    return std::nullopt;  // pnPositionFailed has been announced
  }
}

void TTransport::Hold(std::optional<int64_t> at) {
  heldAt_ = at;
  rewindDue_ = false;
  if (at) readouts_.ShowPosition(*at);
}

void TTransport::Moved() {
  // Straight after a seek the player reports where it was sent.
  if (strip_.Player().State() == PlayerState::Paused) Hold(Place());
  rewindDue_ = false;
}

void TTransport::RewindForResume() {
  const int64_t back = static_cast<int64_t>(kestrel::Settings.ResumeRewind) * 10'000;
  if (!std::exchange(rewindDue_, false) || back <= 0 || !heldAt_) return;
  strip_.Player().SetPosition(*heldAt_ > back ? *heldAt_ - back : 0);
}

void TTransport::RememberPosition() {
  if (!positions_ || !PlayerBusy() || strip_.Player().FileName().empty()) return;
  const bool paused = strip_.Player().State() == PlayerState::Paused;
  if (const auto at = paused && heldAt_ ? heldAt_ : Place()) positions_->Remember(strip_.Player().FileName(), *at);
}

void TTransport::ShowRememberedPosition() {
  if (!positions_ || !readouts_.TimeSupported() || strip_.Player().State() != PlayerState::Stopped) return;
  const std::wstring path = SelectedSongPath();
  const auto at = path.empty() ? std::nullopt : positions_->Find(path);
  readouts_.ShowPositionText(at ? FormatMediaTime(*at, readouts_.ShowMillis()) : readouts_.ZeroText());
}

void TTransport::ChangeSpeed(int percent) {
  TPlayer& player = strip_.Player();
  if (percent == player.Speed()) return;
  // The new pace is heard and shown first; a failed store (already
  // reported) only costs keeping it for the next start.
  player.SetSpeed(percent);
  readouts_.ShowSpeed(player.AppliedSpeed());
  kestrel::StoreSpeedSetting(player.Speed());
}

void TTransport::HotKeyTimeStampHotKey() {
  if (!PlayerBusy() || !readouts_.TimeSupported()) return;
  const auto& s = kestrel::Settings;
  const bool millis =
      s.StampMillis == kestrel::smAlways || (s.StampMillis == kestrel::smAsReadout && readouts_.ShowMillis());
  const bool paused = strip_.Player().State() == PlayerState::Paused;
  if (const auto at = paused && heldAt_ ? heldAt_ : Place()) typer_->Type(FormatTimeStamp(*at, s.StampBrackets, millis));
}

}  // namespace app
