// TTransport: play and pause, stop, the steps of the table (by the step
// buttons and by hot key), the rewind when playback resumes, the places
// recordings were left, and the time stamp typed into the focused program.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/DelayedStart.h"
#include "app/KeySink.h"
#include "app/PositionBar.h"
#include "app/Readouts.h"
#include "app/Strip.h"
#include "app/VolumeKnob.h"
#include "lists/ResumePositions.h"
#include "services/TypeText.h"

namespace app {

class TTransport {
public:
  TTransport(TStrip& strip, TReadouts& readouts, TPositionBar& bar, TVolumeKnob& knob, TDelayedStart& delayed,
             TKeySink& keySink)
      : strip_(strip), readouts_(readouts), bar_(bar), knob_(knob), delayed_(delayed), keySink_(keySink) {
    bar_.OnSeek = [this] { Moved(); };
  }

  // The places left, from the shell's application data folder (once the
  // window shows), and the typist for the stamps.
  void CreateTypingAlong();
  kestrel::TResumePositions* Positions() const { return positions_.get(); }

  // A failed Open of the play button, with the player's text (the device
  // dialogs); set by the window.
  std::function<void(const std::wstring& text)> OnOpenFailed;

  void idPlayClick();
  void idStopClick();
  // The play button's own pictures, once the player's notifications of its
  // action have been handled (ctPlayGlyph).
  void ShowOwnGlyph();
  // Stops and rewinds; the place left is remembered when `remember`.
  void StopAndRewind(bool remember);
  // The time limit and the end of the file: the timer slows and playback stops.
  void AutomaticStop();
  // The end of the file: played to its end, it starts from the beginning next time.
  void Finished();
  bool PlayerBusy() const;  // Paused or Running

  // The steps work on the bar's fill while the player is paused or running.
  int StepPixels() const;
  void StepBack();
  void StepForward();
  void StepForwardByHotKey();
  void FastForward();
  void FastBack();
  // The position editor's time, within the recording: sought while paused or
  // playing, else shown for Play to start there.
  void GoTo(int64_t position);

  // A step button held during playback pauses it meanwhile and plays on
  // when released; that pause is not the typist's, so no rewind follows.
  void PauseForHold();
  void ResumeAfterHold();

  // The typist hears the last words again: playback resumes a little before
  // where the typist paused, never before the start, and only when it
  // resumes from there (a move while paused goes where it was sent).
  void RewindForResume();
  void RememberPosition();
  // A chosen recording shows where it was left; Play starts there.
  void ShowRememberedPosition();
  void HotKeyTimeStampHotKey();
  // Sets the player's speed, shows it and stores it as the setting.
  void ChangeSpeed(int percent);

private:
  TStrip& strip_;
  TReadouts& readouts_;
  TPositionBar& bar_;
  TVolumeKnob& knob_;
  TDelayedStart& delayed_;
  TKeySink& keySink_;
  std::unique_ptr<kestrel::TResumePositions> positions_;
  std::unique_ptr<services::TTextTyper> typer_;
  bool finishing_ = false;  // the recording has played to its end
  // The place shown while paused: where the typist paused, or where a move
  // went since. The player's report straight after a pause runs ahead of it
  // (and past the end gives the end), so this is what is kept and typed.
  std::optional<int64_t> heldAt_;
  bool rewindDue_ = false;  // paused by the typist, not moved since

  // Any seek of the bar, the steps' and the editor's included.
  void Moved();
  // The player's position now; none when times do not work or it failed.
  std::optional<int64_t> Place();
  void Hold(std::optional<int64_t> at);
};

// The selected recording's file, made a full path; empty when none.
std::wstring SelectedSongPath();

}  // namespace app
