// THotKeyTable: the window's global hot keys as one table of (key, handler,
// name): the eight fixed keys of the transport and the list, and the
// changeable ones of typing along (the time stamp, the three speed keys and
// the replay loop, whose keys are settings). The transport's keys end a
// running replay loop first. A pressed key runs after what the window has
// posted by then (the player's notifications among them), and does nothing
// while a dialog or box of the program is open (win::ModalScope).
#pragma once

#include <windows.h>

#include <deque>
#include <memory>
#include <vector>

#include "app/RecordingList.h"
#include "app/Replay.h"
#include "app/Strip.h"
#include "app/Transport.h"
#include "app/VolumeKnob.h"
#include "services/FisHotKey.h"

namespace app {

class THotKeyTable {
public:
  using Handler = void (THotKeyTable::*)();
  struct Binding {
    WORD key;            // shortcut code (services::scCtrl | VK_SPACE ...)
    Handler handler;
    const wchar_t* name;  // the component's name
    int* setting;         // the setting that holds a changeable key, else null
  };

  THotKeyTable(TStrip& strip, TTransport& transport, TVolumeKnob& knob, TRecordingList& recordings, TReplay& replay)
      : strip_(strip), transport_(transport), knob_(knob), recordings_(recordings), replay_(replay) {}

  // Claims every key of the table.
  void Create();
  // Gives every key back (the window goes).
  void Release();
  // The component of a binding, by its name; null when there is none.
  services::TfisHotKey* Key(const wchar_t* name) const;
  // The changeable keys taken up again after the settings dialog: false when
  // the system refused one (each refused code is reported once).
  bool ApplyTypingSettings();
  // The oldest key pressed, run now (ctHotKey).
  void RunPressed();

  void HotKeyStartStopHotKey();
  void HotKeyBackHotKey();
  void HotKeyForwardHotKey();
  void HotKeyForwardXHotKey();
  void HotKeyBackXHotKey();
  void HotKeyRefreshHotKey();
  void HotKeyVolUpHotKey();
  void HotKeyVolDownHotKey();
  void HotKeyTimeStampHotKey();
  void HotKeySlowerHotKey();
  void HotKeyFasterHotKey();
  void HotKeySpeedResetHotKey();
  void HotKeyReplayHotKey();

private:
  void Pressed(size_t binding);

  TStrip& strip_;
  TTransport& transport_;
  TVolumeKnob& knob_;
  TRecordingList& recordings_;
  TReplay& replay_;
  std::vector<Binding> bindings_;
  std::vector<std::unique_ptr<services::TfisHotKey>> keys_;  // one per binding
  std::deque<size_t> pressed_;  // bindings pressed, not yet run
};

}  // namespace app
