// The main window's controls, timers and own messages, by the names of the
// designed form; what the parts of the window and those who drive it from
// outside share.
#pragma once

#include <windows.h>

namespace app {

// The main window's class, by which a second start finds the first.
inline constexpr wchar_t kMainWindowClass[] = L"TfrmVocorder";

enum ControlId : int {
  GroupBox1 = 100,
  idPlay, idStop, SpeedButton1, SpeedButton2, SpeedButton3, SpeedButton4, SpeedButton5, SpeedButton8,
  SpeedButton6, SpeedButton7, btnKonec,
  cmbSongs, Label3, idTime1, LAB, idTime2, idTimeSplit,
  idTrackFrm, idTrackBar, sldVolumeFrm, sldVolume,
  idTime2Frm, idTimeEdit2a, idTimeEdit2b, idTimeEdit2c, idTimeEdit2d, idTime2Sep1, idTime2Sep2, idTime2Sep3,
  idTimeEdit2aCursor, idTimeEdit2bCursor, idTimeEdit2cCursor, idTimeEdit2dCursor,
  idNull,
  idArtistsSongsPanel, Label1, cmbArtists,
  idPrev, idNext, idSettings, idChangeList, idGroup, idSort, idRandom, idFind,
  idSpeed,  // the playback speed's read-out, right of the length
  kControlIdEnd
};

// Timers of the window.
enum TimerId : UINT_PTR { idTimer = 1, Tim1 = 2, Tim2 = 3, idDelayTimer = 4, idPedalTimer = 5 };

// What the window does once the messages already posted (the player's
// notifications among them) have been handled: WPARAM of WM_CONTINUE.
inline constexpr UINT WM_CONTINUE = WM_APP + 0x41;
enum Continuation : WPARAM {
  ctPlayGlyph = 1,        // the play button's picture after its own action
  ctSelectionSettled,     // a chosen recording shows where it was left
  ctNextAfterMissing,     // a missing recording that is not reported: on to the next
  ctNextAfterMissingNow,  // the same, without the delayed start's wait
  ctOpenFirstRecording,   // start-up, once the window shows
  ctRecordingWindow,      // start-up, after the first recording
  ctHotKey,               // a hot key's action (the hot key table)
  ctPedals,               // the pedals' action (the pedal steering)
  ctEditorLeft,           // the focus left the position editor
};

}  // namespace app
