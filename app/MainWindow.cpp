// The main window's life: creation, the routing of its messages to the
// parts, the refresh timer, the player's notifications and closing.
#include "app/MainWindow.h"

#include <commctrl.h>

#include "app/resource.h"
#include "base/ModalScope.h"
#include "base/ScopeExit.h"
#include "base/Text.h"
#include "core/KestrelErrors.h"
#include "core/KestrelUtils.h"
#include "core/SettingsRecord.h"
#include "player/AudioDevices.h"
#include "player/PlayerError.h"
#include "settings/KestrelSettings.h"

namespace app {
namespace {

constexpr int kClientWidth = 470;

// The strip's flat buttons: a click on one must not leave it the focus, or
// the next Space would press it again.
bool IsFlatButton(int id) { return (id >= idPlay && id <= btnKonec) || (id >= idPrev && id <= idFind); }

// The controls that move playback, which end a replay loop.
bool IsTransportButton(int id) { return id == idPlay || id == idStop || id == SpeedButton1 || id == SpeedButton2; }

}  // namespace

TfrmVocorder::TfrmVocorder() {
  transport_.OnOpenFailed = [this](const std::wstring& text) { actions_.PlayerOpenFailed(text); };
  editor_.OnAccept = [this](int64_t position) { transport_.GoTo(position); };
}

TfrmVocorder::~TfrmVocorder() {
  kestrel::SetListView(nullptr);
  kestrel::SetLayoutHost(nullptr);
  Destroy();  // while the window is whole: FormDestroy runs
}

bool TfrmVocorder::Create(HINSTANCE instance, const std::function<void()>& afterShown) {
  RegisterControlClasses(instance);
  WNDCLASSEXW wc{sizeof(wc)};
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_VOCORDER));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  if (!RegisterWindowClass(wc)) return false;

  // A tool window with only the system menu button, on top from its creation.
  const DWORD style = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const DWORD exStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_APPWINDOW;
  RECT r = Rect(0, 0, kClientWidth, 65);
  ::AdjustWindowRectEx(&r, style, FALSE, exStyle);
  // FormCreate runs inside; when it fails the window is not made.
  if (!CreateBound(exStyle, kClassName, L"Vocorder", style, 100, 100, r.right - r.left, r.bottom - r.top, nullptr))
    return false;
  ::ShowWindow(hwnd_, SW_SHOWNORMAL);
  ::UpdateWindow(hwnd_);
  keySink_.RefocusKeySink();
  // The strip is there first. The components wanted only later (the shell's
  // folder browser, mail, the hot keys) and the first recording follow.
  editor_.Create();
  strip_.CreateHints();
  if (afterShown) afterShown();
  transport_.CreateTypingAlong();
  folders_.CreateBrowser();
  actions_.CreateMail();
  // The first recording and the recording window follow from the message
  // loop: a close that comes first goes before them, a hot key after them.
  strip_.Post(ctOpenFirstRecording);
  hotKeys_.Create();
  pedals_.Create();
  return true;
}

void TfrmVocorder::FormCreate() {
  strip_.Create(hwnd_, reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE)));
  kestrel::SetListView(&recordings_);
  kestrel::SetLayoutHost(&layout_);

  Player_ = std::make_unique<TPlayer>(hwnd_);
  strip_.SetPlayer(Player_.get());
  // From creation at 1000 ms; the first stop brings it to 100 ms.
  strip_.SetRefreshInterval(1000);
  if (AudioDeviceNames.empty()) kestrel::ErrNoAudioDevices();
  Player_->SelectedDevice = DeviceIndexOf(kestrel::Settings.DeviceName);
  Player_->ForceDevice = kestrel::Settings.ForceDevice;
  Player_->DeviceVolume = kestrel::Settings.DeviceVolume;

  bool timeSupported = false;
  try {
    if (!Player_->IsUsingTimeFormat(TIME_FORMAT_MEDIA_TIME)) Player_->SetTimeFormat(TIME_FORMAT_MEDIA_TIME);
    timeSupported = Player_->HasTimeFormat(TIME_FORMAT_MEDIA_TIME);
  } catch (const std::exception&) {
  }
  readouts_.SetTimeSupported(timeSupported);
  strip_.SetHint(idFind, L"Search (F2)");
  bar_.Reset();
  strip_.SetHint(idChangeList, L"Reload List From The File (F6)");

  actions_.CreateAbout();
  keySink_.Attach();
  Player_->SetSpeed(kestrel::Settings.Speed);
  readouts_.ShowSpeed(Player_->AppliedSpeed());
  kestrel::ApplyStartupLayout();

  const bool filled = recordings_.FillAtStart([this] {
    ::SetWindowTextW(hwnd_, L"Vocorder");
    folders_.LoadDefaultFolder();
  });
  if (filled) {
    // The folder came from the stored list: the selected recording tells it.
    const std::wstring path = SelectedSongPath();
    if (!path.empty()) folders_.SetFolderPath(kestrel::ExtractFilePath(path));
  }
  kestrel::SetApplicationTitle(L"Vocorder");
  layout_.ApplyStoredPosition(store_.Read(L"Left"), store_.Read(L"Top"));
}

LRESULT TfrmVocorder::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      FormCreate();
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wp), HIWORD(wp));
      return 0;
    case WM_SETCURSOR:
      // The position read-out opens the editor on a click while times work.
      if (reinterpret_cast<HWND>(wp) == Control(idTime1) && readouts_.TimeSupported() && LOWORD(lp) == HTCLIENT) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    case WM_PARENTNOTIFY:
      if (LOWORD(wp) == WM_LBUTTONDOWN || LOWORD(wp) == WM_RBUTTONDOWN) editor_.ClickedElsewhere();
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: editor_.ClickedElsewhere(); break;
    case WM_MOUSEACTIVATE:
      // Before the click activates the strip: the program that had the keyboard.
      editor_.NoteKeyboardOwner(::GetForegroundWindow());
      break;
    case WM_DRAWITEM:
      DrawFlatButton(*reinterpret_cast<DRAWITEMSTRUCT*>(lp));
      return TRUE;
    case WM_TIMER:
      switch (wp) {
        case idTimer: idTimerTimer(); break;
        case Tim1: stepHold_.Tim1Timer(); break;
        case Tim2: stepHold_.Tim2Timer(); break;
        case idDelayTimer: recordings_.DelayTimerTimer(); break;
        case idPedalTimer: pedals_.PedalTimerTimer(); break;
      }
      return 0;
    case WM_PLAYERNOTIFY:
      WMPlayerNotify(lp);
      return 0;
    case WM_CONTINUE:
      OnContinuation(static_cast<Continuation>(wp));
      return 0;
    case WM_CONTROLMOUSE:
      OnControlMouse(static_cast<int>(wp), *reinterpret_cast<const BlockMouse*>(lp));
      return 0;
    case WM_CTLCOLORSTATIC:
      if (HBRUSH b = editor_.FieldColour(reinterpret_cast<HWND>(lp), reinterpret_cast<HDC>(wp)))
        return reinterpret_cast<LRESULT>(b);
      break;
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLOREDIT:
      if (HBRUSH b = strip_.LowColourBrush(reinterpret_cast<HDC>(wp))) return reinterpret_cast<LRESULT>(b);
      break;
    case WM_CLOSE:
      OnCloseRequest();
      return 0;
    case WM_DESTROY:
      FormDestroy();
      ::PostQuitMessage(0);
      return 0;
  }
  return TWindow::HandleMessage(msg, wp, lp);
}

void TfrmVocorder::OnCommand(int id, int code) {
  // Keys reach the program only as hot keys: after every click the focus
  // goes back to the key sink, also when the handler failed.
  ScopeExit refocus([this, click = code == BN_CLICKED && IsFlatButton(id)] {
    if (click) keySink_.RefocusKeySink();
  });
  if (code == BN_CLICKED) {
    if (IsTransportButton(id)) replay_.End();
    switch (id) {
      case idPlay: transport_.idPlayClick(); return;
      case idStop: transport_.idStopClick(); return;
      case SpeedButton1: stepHold_.SpeedButton1Click(); return;
      case SpeedButton2: stepHold_.SpeedButton2Click(); return;
      case SpeedButton3: folders_.SpeedButton3Click(); return;
      case SpeedButton4: folders_.SpeedButton4Click(); return;
      case SpeedButton5: actions_.SpeedButton5Click(); return;
      case SpeedButton6: actions_.SpeedButton6Click(); return;
      case idSettings: actions_.idSettingsClick(); return;
      case SpeedButton7: actions_.SpeedButton7Click(); return;
      case SpeedButton8: actions_.SpeedButton8Click(); return;
      case btnKonec: actions_.btnKonecClick(); return;
      case idNext: recordings_.idNextClick(); return;
      case idChangeList: recordings_.idChangeListClick(); return;
    }
  }
  switch (id) {
    case cmbSongs:
      if (code == CBN_SELCHANGE) {
        recordings_.cmbSongsClick();
        recordings_.cmbSongsChange();
      }
      return;
    case cmbArtists:
      if (code == CBN_SELCHANGE) {
        recordings_.cmbArtistsClick();
        recordings_.cmbArtistsChange();
      }
      return;
    // A click soon after the last one on the read-out is a double-click.
    case idTime1: if (code == STN_CLICKED || code == STN_DBLCLK) editor_.idTime1Click(); return;
    case idTimeEdit2a: if (code == STN_CLICKED) editor_.idTimeEdit2aEnter(); return;
    case idTimeEdit2b: if (code == STN_CLICKED) editor_.idTimeEdit2bEnter(); return;
    case idTimeEdit2c: if (code == STN_CLICKED) editor_.idTimeEdit2cEnter(); return;
    case idTimeEdit2d: if (code == STN_CLICKED) editor_.idTimeEdit2dEnter(); return;
    case idTimeEdit2aCursor: if (code == EN_SETFOCUS) editor_.idTimeEdit2aCursorEnter(); return;
    case idTimeEdit2bCursor: if (code == EN_SETFOCUS) editor_.idTimeEdit2bCursorEnter(); return;
    case idTimeEdit2cCursor: if (code == EN_SETFOCUS) editor_.idTimeEdit2cCursorEnter(); return;
    case idTimeEdit2dCursor: if (code == EN_SETFOCUS) editor_.idTimeEdit2dCursorEnter(); return;
    case idNull:
      if (code == EN_SETFOCUS) keySink_.idNullEnter();
      if (code == EN_KILLFOCUS) keySink_.idNullExit();
      return;
  }
}

void TfrmVocorder::OnControlMouse(int id, const BlockMouse& m) {
  if (m.message == WM_LBUTTONDOWN && (IsTransportButton(id) || id == idTrackBar || id == idTrackFrm)) replay_.End();
  switch (id) {
    case idTrackBar: bar_.idTrackBarMouseDown(m); return;
    case idTrackFrm: bar_.idTrackFrmMouseDown(m); return;
    case sldVolume:
      if (m.message == WM_LBUTTONDOWN) knob_.sldVolumeMouseDown(m);
      if (m.message == WM_MOUSEMOVE) knob_.sldVolumeMouseMove(m);
      if (m.message == WM_LBUTTONUP) knob_.sldVolumeMouseUp(m);
      return;
    case SpeedButton1:
      if (m.message == WM_LBUTTONDOWN) stepHold_.SpeedButton1MouseDown();
      if (m.message == WM_LBUTTONUP) stepHold_.SpeedButton1MouseUp();
      return;
    case SpeedButton2:
      if (m.message == WM_LBUTTONDOWN) stepHold_.SpeedButton2MouseDown();
      if (m.message == WM_LBUTTONUP) stepHold_.SpeedButton2MouseUp();
      return;
  }
}

void TfrmVocorder::OnContinuation(Continuation what) {
  switch (what) {
    case ctPlayGlyph: transport_.ShowOwnGlyph(); return;
    case ctSelectionSettled:
      transport_.ShowRememberedPosition();
      keySink_.RefocusKeySink();
      return;
    case ctNextAfterMissing: recordings_.NextAfterMissing(false); return;
    case ctNextAfterMissingNow: recordings_.NextAfterMissing(true); return;
    case ctOpenFirstRecording:
      recordings_.OpenSelectionAfterShow();
      strip_.Post(ctRecordingWindow);
      return;
    case ctRecordingWindow:
      actions_.CreateRecordingWindow();
      keySink_.RefocusKeySink();
      return;
    case ctHotKey: hotKeys_.RunPressed(); return;
    case ctPedals: pedals_.RunPressed(); return;
    case ctEditorLeft: editor_.FocusLeft(); return;
  }
}

void TfrmVocorder::OnCloseRequest() {
  if (win::ModalScope::Depth() == 0) {
    win::ModalScope::Resume();
    if (FormCloseQuery()) {
      FormClose();
      ::DestroyWindow(hwnd_);
    }
    return;
  }
  if (win::ModalScope::Ending() || closeAsked_) return;  // on its way already
  {
    closeAsked_ = true;
    ScopeExit asked([this] { closeAsked_ = false; });
    // A dictation in hand is settled first; its Cancel keeps the program.
    if (!actions_.DictationSettled()) return;
  }
  HWND self = hwnd_;
  win::ModalScope::EndAll([self] { ::PostMessageW(self, WM_CLOSE, 0, 0); });
}

void TfrmVocorder::idTimerTimer() {
  if (!Player_) return;
  int64_t position = 0;
  try {
    position = Player_->GetPosition();
  } catch (const std::exception&) {
    return;  // pnPositionFailed has stopped the bar
  }
  if (kestrel::Settings.EnableTime1 && readouts_.TimeSupported() && kestrel::Settings.Time1 < position)
    transport_.AutomaticStop();
  position = replay_.Follow(position);
  if (Player_->State() == PlayerState::Running && layout_.TimeShown()) readouts_.ShowPosition(position);
  bar_.Redraw();
  knob_.Follow();
}

void TfrmVocorder::WMPlayerNotify(LPARAM code) {
  switch (code) {
    case pnOpening: ::EnableWindow(Control(idPlay), FALSE); break;
    case pnOpened:
      // A graph the stretcher could not be put into plays at 100 %.
      readouts_.ShowSpeed(Player_->AppliedSpeed());
      ::EnableWindow(Control(idPlay), TRUE);
      break;
    case pnPlayFailed: ::EnableWindow(Control(idPlay), TRUE); break;
    case pnPlaying:
      strip_.SetRefreshInterval(readouts_.PlayInterval());
      if (readouts_.TimeSupported()) readouts_.ShowLength(Player_->Duration());
      strip_.ShowPlayGlyph(2);
      ::EnableWindow(Control(idStop), TRUE);
      break;
    case pnStopped:
      replay_.End();
      strip_.SetRefreshInterval(100);
      bar_.Reset();
      ::EnableWindow(Control(idStop), FALSE);
      if (strip_.PlayGlyph() == 2) strip_.ShowPlayGlyph(0);
      if (strip_.PlayGlyph() == 3) strip_.ShowPlayGlyph(1);
      readouts_.ShowZero();
      break;
    case pnClosed:
    case pnCloseFailed:
      replay_.End();
      bar_.Reset();
      break;
    case pnRewound: bar_.SetFill(0); break;
    case pnRewindFailed:
      if (Player_->State() == PlayerState::Stopped) bar_.Reset();
      break;
    case pnGraphEvent:
      if (Player_->ReadGraphEvent() == EC_COMPLETE) transport_.Finished();
      break;
    case pnOpenFailed:
      ::EnableWindow(Control(idPlay), TRUE);
      delayed_.MarkDelayPending(false);
      try {
        Player_->Close();
      } catch (const std::exception&) {
      }
      break;
    case pnStopFailed: ::EnableWindow(Control(idStop), TRUE); break;
    case pnVolumeFailed: knob_.SetPolling(false); break;
    case pnPositionFailed: bar_.SetPolling(false); break;
  }
}

bool TfrmVocorder::FormCloseQuery() {
  // A dictation in hand is completed and saved or discarded first.
  if (!actions_.DictationSettled()) return false;
  if (transport_.PlayerBusy()) {
    try {
      transport_.idStopClick();
    } catch (const std::exception&) {
    }
  }
  return true;
}

void TfrmVocorder::FormClose() {
  RECT r;
  ::GetWindowRect(hwnd_, &r);
  store_.Write(L"Left", std::to_wstring(r.left));
  store_.Write(L"Top", std::to_wstring(r.top));
}

void TfrmVocorder::FormDestroy() {
  for (UINT_PTR timer : {idTimer, Tim1, Tim2, idDelayTimer}) ::KillTimer(hwnd_, timer);
  hotKeys_.Release();
  pedals_.Release();
  actions_.Release();
  strip_.SetPlayer(nullptr);
  Player_.reset();
}

void TfrmVocorder::ReportFailure(const std::exception& e) {
  std::wstring text;
  if (auto* p = dynamic_cast<const PlayerError*>(&e))
    text = p->Text();
  else
    text = text::FromAnsi(e.what());
  kestrel::ShowMessageBox(hwnd_, text, kestrel::ApplicationTitle(), MB_OK | MB_ICONSTOP);
}

}  // namespace app
