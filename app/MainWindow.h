// TfrmVocorder: the main window strip, a composition of parts with one job
// each. The window owns the player and routes its messages: the controls'
// events to the parts' handlers, the refresh timer, the player's
// notifications (WMPlayerNotify), the continuations, and closing, whose one
// rule (OnCloseRequest) also holds while a dialog or box is open.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "app/ActionButtons.h"
#include "app/ControlIds.h"
#include "app/DelayedStart.h"
#include "app/Folders.h"
#include "app/HotKeyTable.h"
#include "app/KeySink.h"
#include "app/PedalSteering.h"
#include "app/PositionBar.h"
#include "app/PositionEditor.h"
#include "app/Readouts.h"
#include "app/Replay.h"
#include "app/RecordingList.h"
#include "app/StepHold.h"
#include "app/Strip.h"
#include "app/StripLayout.h"
#include "app/Transport.h"
#include "app/VolumeKnob.h"
#include "base/Registry.h"
#include "base/Window.h"
#include "player/TPlayer.h"

namespace app {

class TfrmVocorder : public win::TWindow {
public:
  static constexpr const wchar_t* kClassName = kMainWindowClass;

  TfrmVocorder();
  ~TfrmVocorder() override;
  TfrmVocorder(const TfrmVocorder&) = delete;
  TfrmVocorder& operator=(const TfrmVocorder&) = delete;

  // Creates the window (FormCreate runs inside) and shows it. afterShown
  // runs once the window is on the screen; the first recording and the
  // recording window follow from the message loop.
  bool Create(HINSTANCE instance, const std::function<void()>& afterShown = {});
  HWND Control(int id) const { return ::GetDlgItem(hwnd_, id); }
  TPlayer* Player() const { return Player_.get(); }

  // The parts.
  TStrip& Strip() { return strip_; }
  TStripLayout& Layout() { return layout_; }
  TReadouts& Readouts() { return readouts_; }
  TPositionEditor& Editor() { return editor_; }
  TPositionBar& Bar() { return bar_; }
  TVolumeKnob& Knob() { return knob_; }
  TTransport& Transport() { return transport_; }
  TStepHold& StepHold() { return stepHold_; }
  TDelayedStart& DelayedStart() { return delayed_; }
  TRecordingList& Recordings() { return recordings_; }
  THotKeyTable& HotKeys() { return hotKeys_; }
  TReplay& Replay() { return replay_; }
  TPedalSteering& PedalSteering() { return pedals_; }
  TFolders& Folders() { return folders_; }
  TActionButtons& Actions() { return actions_; }

  // The window's life: created, asked to close, closed, destroyed; its timer
  // and the player's notifications.
  void FormCreate();
  bool FormCloseQuery();
  void FormClose();
  void FormDestroy();
  void idTimerTimer();
  void WMPlayerNotify(LPARAM code);

private:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  // A handler's failure: the player's texts shown as the application's
  // error box, as a click would show them.
  void ReportFailure(const std::exception& e) override;
  void OnCommand(int id, int code);
  void OnControlMouse(int id, const BlockMouse& m);
  void OnContinuation(Continuation what);
  // A close request (the close box, Alt+F4, "Ukončiť", WM_CLOSE). While a
  // dialog or box is open, the dictation question comes first; then every
  // open one ends as by its Cancel and the window closes once they have.
  void OnCloseRequest();

  reg::UserStore store_;
  std::unique_ptr<TPlayer> Player_;
  TStrip strip_;
  TReadouts readouts_{strip_};
  TPositionEditor editor_{strip_, readouts_};
  TStripLayout layout_{strip_, readouts_, editor_};
  TKeySink keySink_{strip_, editor_};
  TPositionBar bar_{strip_};
  TVolumeKnob knob_{strip_};
  TDelayedStart delayed_{strip_};
  TTransport transport_{strip_, readouts_, bar_, knob_, delayed_, keySink_};
  TStepHold stepHold_{strip_, transport_};
  TRecordingList recordings_{strip_, readouts_, transport_, delayed_, keySink_};
  TReplay replay_{strip_, readouts_, transport_};
  THotKeyTable hotKeys_{strip_, transport_, knob_, recordings_, replay_};
  TPedalSteering pedals_{strip_, transport_, replay_};
  TFolders folders_{strip_, transport_, recordings_};
  TActionButtons actions_{strip_, readouts_, editor_, transport_, recordings_, hotKeys_, pedals_};
  bool closeAsked_ = false;  // the dictation question of a close is up
};

}  // namespace app
