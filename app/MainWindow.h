// TfrmVocorder: the main window strip. It owns the player, the hot keys, the
// folder browser and the hints; it is the list model's view and the layouts'
// host. One handler per control event, named after the control and event.
#pragma once

#include <windows.h>

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/Controls.h"
#include "base/Registry.h"
#include "base/ScopeExit.h"
#include "base/WinHandles.h"
#include "base/Window.h"
#include "lists/KestrelLists.h"
#include "lists/ResumePositions.h"
#include "player/TPlayer.h"
#include "services/FisHotKey.h"
#include "services/FoldrDlg.h"
#include "services/TypeText.h"
#include "settings/KestrelLayouts.h"
#include "settings/SettingsDialog.h"

class TFRecMpeg;
namespace services {
class TEmail;
}

namespace app {

class TFAbout;

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
enum TimerId : UINT_PTR { idTimer = 1, Tim1 = 2, Tim2 = 3, idDelayTimer = 4 };

// What the window does once the messages already posted (the player's
// notifications among them) have been handled: WPARAM of WM_CONTINUE.
inline constexpr UINT WM_CONTINUE = WM_APP + 0x41;
// A hot key's action, queued (TfrmVocorder::QueueHotKey).
inline constexpr UINT WM_HOTKEYACTION = WM_APP + 0x42;
enum Continuation : WPARAM {
  ctPlayGlyph = 1,        // the play button's picture after its own action
  ctSelectionSettled,     // a chosen recording shows where it was left
  ctNextAfterMissing,     // a missing recording that is not reported: on to the next
  ctNextAfterMissingNow,  // the same, without the delayed start's wait
  ctOpenFirstRecording,   // start-up, once the window shows
  ctRecordingWindow,      // start-up, after the first recording
};

// What the open-file dialog gives: the chosen file, or nothing on cancel.
// Tests answer it; the program shows the real dialog.
using OpenFileDialog = std::function<std::optional<std::wstring>(HWND owner, const std::wstring& initialDir)>;
// Installs the dialog (an empty one restores the real one); returns the old one.
OpenFileDialog SetOpenFileDialog(OpenFileDialog dialog);

class TfrmVocorder : public win::TWindow,
                     public kestrel::IListView,
                     public kestrel::ILayoutHost,
                     public kestrel::ISettingsHost {
public:
  static constexpr wchar_t kClassName[] = L"TfrmVocorder";

  TfrmVocorder();
  ~TfrmVocorder() override;
  TfrmVocorder(const TfrmVocorder&) = delete;
  TfrmVocorder& operator=(const TfrmVocorder&) = delete;

  // Creates the window (FormCreate runs inside) and shows it.
  // afterShown runs once the window is on the screen, before the components
  // and the first recording that can wait for it.
  bool Create(HINSTANCE instance, const std::function<void()>& afterShown = {});
  HWND Control(int id) const { return ::GetDlgItem(hwnd_, id); }
  TPlayer* Player() const { return Player_.get(); }
  const std::wstring& FolderPathText() const { return FolderPath; }
  int PlayGlyphValue() const { return PlayGlyph; }
  bool IsBarPolling() const { return BarPolling; }
  bool IsVolumePolling() const { return VolumePolling; }
  bool IsTimeSupported() const { return TimeSupported; }
  bool IsShowMillis() const { return ShowMillis; }
  UINT TimerInterval() const { return timerInterval_; }
  std::wstring HintOf(int id) const { return hints_.Get(Control(id)); }
  services::TFolderDialog& FD() { return *FD_; }
  TFAbout& FAbout() { return *FAbout_; }
  TFRecMpeg* FRecMpeg() const { return FRecMpeg_.get(); }
  std::array<services::TfisHotKey*, 8> HotKeys() const {
    return {HotKeyStartStop.get(), HotKeyBack.get(),    HotKeyForward.get(), HotKeyForwardX.get(),
            HotKeyBackX.get(),     HotKeyRefresh.get(), HotKeyVolUp.get(),   HotKeyVolDown.get()};
  }
  kestrel::TForm2* Form2() const { return Form2_.get(); }
  // Slower, faster, back to 100 % (app/SpeedKeys.h).
  const std::array<std::unique_ptr<services::TfisHotKey>, 3>& SpeedHotKeys() const { return speedKeys_; }
  services::TfisHotKey* StampHotKey() const { return stampKey_.get(); }
  kestrel::TResumePositions* Positions() const { return positions_.get(); }

  // Handlers (public so tests and the hot keys can run them as a click would).
  void FormCreate();
  bool FormCloseQuery();
  void FormClose();
  void FormDestroy();
  void idTimerTimer();
  void WMPlayerNotify(LPARAM code);
  void idPlayClick();
  void idStopClick();
  void cmbArtistsChange();
  void cmbArtistsClick();
  void cmbSongsChange();
  void cmbSongsClick();
  void idNextClick() { NextRecording(false); }
  void idChangeListClick();
  void SpeedButton3Click();
  void SpeedButton4Click();
  void btnKonecClick();
  void SpeedButton5Click();
  void SpeedButton6Click();
  // The settings dialog, created on first use; page -1 keeps its page.
  void idSettingsClick(int page = -1);
  void SpeedButton7Click();
  void SpeedButton8Click();
  void LoadDefaultFolder();
  void AutomaticStop();
  void MarkDelayPending(bool on);
  void SetMillisMode(bool on, bool arrange);
  void RefocusKeySink();
  void ArrangeWindow();

  // Transport (the stepping table, the position bar, the volume knob).
  void SpeedButton1Click();
  void SpeedButton2Click();
  void SpeedButton1MouseDown();
  void SpeedButton1MouseUp();
  void SpeedButton2MouseDown();
  void SpeedButton2MouseUp();
  void Tim1Timer();
  void Tim2Timer();
  void StepBack();
  void StepForward();
  void StepForwardByHotKey();
  void FastForward();
  void FastBack();
  void VolumeByHotKey(int direction);
  void HotKeySlowerHotKey();
  void HotKeyFasterHotKey();
  void HotKeySpeedResetHotKey();
  // Sets the player's speed, shows it and stores it as the setting.
  void ChangeSpeed(int percent);
  void idTrackBarMouseDown(const BlockMouse& m);
  void idTrackFrmMouseDown(const BlockMouse& m);
  void sldVolumeMouseDown(const BlockMouse& m);
  void sldVolumeMouseMove(const BlockMouse& m);
  void sldVolumeMouseUp(const BlockMouse& m);
  void idTime1Click();
  int StepPixels() const;

  // The global hot keys (the sender is the component).
  void HotKeyStartStopHotKey(services::TfisHotKey& sender);
  void HotKeyBackHotKey(services::TfisHotKey& sender);
  void HotKeyForwardHotKey(services::TfisHotKey& sender);
  void HotKeyForwardXHotKey(services::TfisHotKey& sender);
  void HotKeyBackXHotKey(services::TfisHotKey& sender);
  void HotKeyRefreshHotKey(services::TfisHotKey& sender);
  void HotKeyVolUpHotKey(services::TfisHotKey& sender);
  void HotKeyVolDownHotKey(services::TfisHotKey& sender);

  // Typing along: the time stamp typed by its hot key, and the hot keys and
  // speed taken up after the settings dialog has closed (false when the
  // system refused a hot key; a newly chosen one is reported).
  void HotKeyTimeStampHotKey();
  bool ApplyTypingSettings();

  // kestrel::IListView
  void ClearArtists() override;
  void ClearSongs() override;
  void AddArtistItem(const std::wstring& name) override;
  int ArtistItemCount() override;
  void SelectArtistItem(int index) override;
  void SelectSongItem(int index) override;
  int SelectedSongItem() override;
  void SelectArtistItemWithoutPlaying(int index) override;
  void ShowGrouped(bool grouped) override;
  void SetListButtonsEnabled(bool enabled) override;
  void SetNextPrevEnabled(bool next, bool prev) override;
  void PressPlay() override;

  // kestrel::ILayoutHost
  kestrel::VisibilityMask GetVisibilityMask() override;
  void ApplyVisibilityMask(kestrel::VisibilityMask mask) override;
  HMENU LayoutsMenu() override { return mLayouts_; }

  // kestrel::ISettingsHost
  HWND MainHandle() override { return hwnd_; }
  bool RecordingSelected() override;
  std::wstring SelectedRecordingPath() override { return SelectedSongPath(); }
  void ClickPlay() override;
  bool PlayerTellsTimes() override { return TimeSupported; }
  void SetTimeEditEnabled(bool enabled) override { TimeEditEnabled = enabled; }

private:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  // A handler's failure: the player's texts shown as the application's
  // error box, as a click would show them.
  void ReportFailure(const std::exception& e) override { ShowPlayerError(e); }
  void OnCommand(int id, int code);
  void OnControlMouse(int id, const BlockMouse& m);
  void CreateControls();
  void LayOutReadouts();
  void CreateTimeEditor();
  void PlaceTimeEditor();
  void CreateHotKeys();
  void QueueHotKey(std::function<void()> action);
  void RunHotKey();
  void CreateSpeedControls();
  void CreateSpeedKeys();
  void ShowSpeed();
  void LoadGlyphs();
  void ApplyColourRule();
  void ApplyStoredPosition();
  void SetTimerInterval(UINT ms);
  void ShowPlayGlyph(int glyph);
  void SetBarFill(int width);
  bool PlayerBusy() const;  // Paused or Running
  void OpenSelectionAfterShow();
  void PostContinuation(Continuation what);
  void OnContinuation(Continuation what);
  // A close request (the close box, Alt+F4, "Ukončiť", WM_CLOSE). While a
  // dialog or box is open, the dictation question comes first; then every
  // open one ends as by its Cancel and the window closes once they have.
  void OnCloseRequest();
  // The next recording, after the delayed start's wait unless `now`.
  void NextRecording(bool now);
  // Opens the chosen recording and leaves it stopped at its start, its
  // length shown (what choosing one does with "PlaySelected").
  void LoadSelection();
  void CancelDelayedStart();
  void DelayTimerTimer();
  // Stops and rewinds; the place left is remembered when `remember`.
  void StopAndRewind(bool remember);
  void ShowPlayerError(const std::exception& e);
  // A failed Open of the play button, with the player's text: the device dialogs.
  void PlayerOpenFailed(const std::wstring& text);
  void ShowTimeEditor(bool on);
  void ShowFolderFiles(bool fromBrowser);
  void SetCaptionFromFolders();
  std::wstring SelectedSongPath() const;
  void SetElementVisible(int id, bool visible);
  bool ElementVisible(int id) const;
  void StepTo(int fill, int pixel);
  HBITMAP Glyph(int resourceId) const;
  HBRUSH FieldColour(HWND control, HDC dc);
  void SubclassKeySinks();
  // The position editor's fields and carets, and the key sink.
  void idTimeEdit2aEnter() { idTimeEditEnter(idTimeEdit2a); }
  void idTimeEdit2bEnter() { idTimeEditEnter(idTimeEdit2b); }
  void idTimeEdit2cEnter() { idTimeEditEnter(idTimeEdit2c); }
  void idTimeEdit2dEnter() { idTimeEditEnter(idTimeEdit2d); }
  void idTimeEdit2aCursorEnter() { idTimeEditCursorEnter(idTimeEdit2aCursor); }
  void idTimeEdit2bCursorEnter() { idTimeEditCursorEnter(idTimeEdit2bCursor); }
  void idTimeEdit2cCursorEnter() { idTimeEditCursorEnter(idTimeEdit2cCursor); }
  void idTimeEdit2dCursorEnter() { idTimeEditCursorEnter(idTimeEdit2dCursor); }
  void idTimeEditEnter(int field);
  void idTimeEditCursorEnter(int caret);
  void idNullEnter() { nullFocused_ = true; }
  void idNullExit() { nullFocused_ = false; }
  // Typed characters never reach the window: the sink's and the combo
  // boxes' own procedure drops them (KeySinkProc).
  static bool idNullKeyPress(WPARAM) { return true; }
  static bool idCmbKeyPress(WPARAM ch) { return ch == VK_ESCAPE; }
  static LRESULT CALLBACK KeySinkProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data);
  int BarFill() const;
  int FrameWidth() const;
  void RewindForResume();
  void RememberPosition();
  void ShowRememberedPosition();

  HINSTANCE instance_ = nullptr;
  win::GdiObject font_;
  win::GdiObject silverBrush_;     // combo boxes on desktops of 8 bits or fewer
  win::GdiObject fieldFocusBrush_;  // the position editor's focused field
  win::Menu idPopup_;
  HMENU mLayouts_ = nullptr;  // a submenu of idPopup_, freed with it
  Hints hints_;
  reg::UserStore store_;
  UINT timerInterval_ = 0;
  bool lowColour_ = false;
  std::array<win::GdiObject, 20> glyphs_;

  std::unique_ptr<TPlayer> Player_;
  std::unique_ptr<services::TFolderDialog> FD_;
  std::unique_ptr<TFRecMpeg> FRecMpeg_;  // created at start-up
  std::unique_ptr<TFAbout> FAbout_;
  std::unique_ptr<services::TEmail> Email1_;
  std::unique_ptr<kestrel::TForm2> Form2_;  // created on first use; uses Player_
  std::array<std::unique_ptr<services::TfisHotKey>, 3> speedKeys_;
  std::unique_ptr<services::TfisHotKey> stampKey_;
  std::unique_ptr<services::TTextTyper> typer_;
  std::unique_ptr<kestrel::TResumePositions> positions_;
  bool finishing_ = false;  // the recording has played to its end
  std::unique_ptr<services::TfisHotKey> HotKeyStartStop, HotKeyBack, HotKeyForward, HotKeyForwardX, HotKeyBackX,
      HotKeyRefresh, HotKeyVolUp, HotKeyVolDown;

  // Window state.
  bool VolumePolling = true;
  bool BarPolling = false;
  bool TimeShown = false;
  bool BarShown = false;
  bool VolumeShown = false;
  bool TimeEditEnabled = true;
  bool TimeSupported = false;
  bool ShowMillis = false;
  std::wstring ZeroTimeText = L"00:00:00";
  UINT PlayInterval = 100;
  bool Dragging = false;
  int GrabOffset = 0;
  bool ResumeAfterStep = false;
  // The delayed start: a recording chosen by the next button loads once
  // StartAt (a tick count in milliseconds) has passed, on idDelayTimer.
  ULONGLONG StartAt = 0;
  bool DelayPending = false;  // the pending picture is shown
  bool loadDue_ = false;      // the timer will load the chosen recording
  bool selectingWithoutPlaying_ = false;  // the list model refills the combo boxes
  bool closeAsked_ = false;  // the dictation question of a close is up
  std::deque<std::function<void()>> hotKeys_;  // pressed, not yet run
  std::wstring FolderPath;
  int PlayGlyph = 0;
  int EditCursor = 4;
  bool timeEditorOpen_ = false;
  int focusedField_ = 0;  // the editor field whose caret has the focus
  bool nullFocused_ = false;
  int lastArtist_ = -1;
  int lastSong_ = -1;
};

// The one main window of the program, for the settings dialog and the rest.
TfrmVocorder* MainWindow();

}  // namespace app
