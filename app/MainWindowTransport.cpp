// Transport: play and pause, stop, the steps (also held down and by hot
// key), seeking on the position bar, the volume knob, the position editor
// and the milliseconds mode.
#include "app/MainWindow.h"
#include "app/MediaTime.h"
#include "base/ModalScope.h"
#include "base/ScopeExit.h"
#include "base/Text.h"
#include "core/KestrelErrors.h"
#include "core/KestrelUtils.h"
#include "lists/DlgErrNoFile.h"
#include "player/PlayerError.h"
#include "settings/KestrelSettings.h"
#include "settings/TypingSettings.h"

namespace app {
namespace {

constexpr int kBarMargin = 2;
constexpr UINT kStepRepeatMs = 200;

const std::wstring& ErrorText(const std::exception& e) {
  static std::wstring scratch;
  if (auto* p = dynamic_cast<const PlayerError*>(&e)) return p->Text();
  scratch = text::FromAnsi(e.what());
  return scratch;
}

RECT ClientRectOf(HWND parent, HWND child) {
  RECT r;
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

}  // namespace

int TfrmVocorder::FrameWidth() const {
  RECT r;
  ::GetWindowRect(Control(idTrackFrm), &r);
  return r.right - r.left;
}

int TfrmVocorder::BarFill() const {
  RECT r;
  ::GetWindowRect(::GetDlgItem(Control(idTrackFrm), idTrackBar), &r);
  return r.right - r.left;
}

void TfrmVocorder::MarkDelayPending(bool on) {
  if (on) {
    if (PlayGlyph == 2) ShowPlayGlyph(3);
    if (PlayGlyph == 0) ShowPlayGlyph(1);
  } else {
    if (PlayGlyph == 3) ShowPlayGlyph(2);
    if (PlayGlyph == 1) ShowPlayGlyph(0);
  }
}

void TfrmVocorder::idPlayClick() {
  const auto& s = kestrel::Settings;
  auto cancelDelay = [&] {
    if (s.EnableTime3 && s.PlaySelected && DelayPending) CancelDelayedStart();
  };
  if (PlayerBusy()) {
    try {
      if (Player_->State() == PlayerState::Paused) RewindForResume();
      Player_->TogglePause();
    } catch (const std::exception&) {
      if (s.ErrPlaytime) throw;
      return;
    }
    if (Player_->State() == PlayerState::Paused) RememberPosition();
  } else {
    if (kestrel::CurrentArtist < 0 || kestrel::CurrentArtist >= kestrel::CurrentList.Count) {
      kestrel::MsgSelectArtist();
      return;
    }
    std::wstring path = SelectedSongPath();
    if (path.empty()) {
      kestrel::MsgSelectSong();
      return;
    }
    if (timeEditorOpen_) RefocusKeySink();
    if (!kestrel::FileExists(path)) {
      if (s.ErrUnexisting) {
        cancelDelay();
        if (s.BrowseUnexisting)
          kestrel::ShowMissingFile(path, hwnd_);
        else
          kestrel::ErrFileNotFound(path, false);
        MarkDelayPending(false);
        return;
      }
      // Not reported: on to the next recording once this click is done,
      // at once when the next is to follow without the wait.
      const bool now = s.SelNextSong && s.EnableTime3 && s.PlaySelected;
      if (now && DelayPending) StartAt = ::GetTickCount64();
      PostContinuation(now ? ctNextAfterMissingNow : ctNextAfterMissing);
      return;
    }
    cancelDelay();
    if (Player_->FileName() != path || Player_->CurrentDevice() != Player_->SelectedDevice) {
      try {
        Player_->Open(path);
      } catch (const std::exception& e) {
        if (s.ErrPlaytime) PlayerOpenFailed(ErrorText(e));
        return;
      }
    }
    VolumePolling = true;
    BarPolling = true;
    if (TimeSupported && WindowText(Control(idTime1)) != ZeroTimeText)
      Player_->SetPosition(ParseMediaTime(WindowText(Control(idTime1))));
    try {
      Player_->Play();
    } catch (const std::exception&) {
      if (s.ErrPlaytime) throw;
      return;
    }
  }
  // After the player's own notifications: the play button's action shows
  // its blue pictures.
  PostContinuation(ctPlayGlyph);
}

void TfrmVocorder::idStopClick() {
  const auto& s = kestrel::Settings;
  if (Player_->State() != PlayerState::Stopped && s.EnableTime3 && s.PlaySelected && DelayPending) {
    CancelDelayedStart();
    MarkDelayPending(false);
  }
  StopAndRewind(true);
}

void TfrmVocorder::StopAndRewind(bool remember) {
  if (Player_->State() != PlayerState::Stopped) {
    if (finishing_)
      positions_->Forget(Player_->FileName());
    else if (remember)
      RememberPosition();
    try {
      Player_->Stop();
      Player_->Rewind();
    } catch (const std::exception&) {
      if (kestrel::Settings.ErrPlaytime) throw;
      return;
    }
  }
  if (Player_->State() == PlayerState::Stopped) ShowPlayGlyph(0);
}

int TfrmVocorder::StepPixels() const { return app::StepPixels(Player_->Duration(), FrameWidth()); }

void TfrmVocorder::StepTo(int fill, int pixel) {
  if (!PlayerBusy()) return;
  BarPolling = false;
  SetBarFill(fill < 0 ? 0 : fill);
  ScopeExit again([this] { BarPolling = true; });
  Player_->SeekToBarPixel(FrameWidth(), pixel, kBarMargin);
}

void TfrmVocorder::StepBack() {
  int w = BarFill();
  StepTo(w - 1 < 0 ? 0 : w - 1, kBarMargin + w - StepPixels() - 1);
}

void TfrmVocorder::StepForward() {
  int w = BarFill(), frame = FrameWidth();
  int t = w + StepPixels() + 1;
  if (t > frame) t = frame - 5;
  StepTo(w + 1 > frame - 1 ? frame - 1 : w + 1, kBarMargin + t);
}

void TfrmVocorder::StepForwardByHotKey() {
  int t = BarFill() + StepPixels() + 1;
  if (t < 0) t = 5;
  StepTo(t, kBarMargin + t);
}

void TfrmVocorder::FastForward() {
  int frame = FrameWidth();
  int t = BarFill() + 10 * StepPixels() + 10;
  if (t > frame) t = frame - 5;
  StepTo(t, kBarMargin + t);
}

void TfrmVocorder::FastBack() {
  int t = BarFill() - 10 * StepPixels() - 10;
  StepTo(t, kBarMargin + t);
}

void TfrmVocorder::SpeedButton1Click() { StepBack(); }
void TfrmVocorder::SpeedButton2Click() { StepForward(); }
void TfrmVocorder::Tim1Timer() { StepForward(); }
void TfrmVocorder::Tim2Timer() { StepBack(); }

void TfrmVocorder::SpeedButton1MouseDown() {
  ResumeAfterStep = Player_->State() == PlayerState::Running;
  if (ResumeAfterStep) Player_->TogglePause();
  ::SetTimer(hwnd_, Tim2, kStepRepeatMs, nullptr);
}

void TfrmVocorder::SpeedButton2MouseDown() {
  ResumeAfterStep = Player_->State() == PlayerState::Running;
  if (ResumeAfterStep) Player_->TogglePause();
  ::SetTimer(hwnd_, Tim1, kStepRepeatMs, nullptr);
}

void TfrmVocorder::SpeedButton1MouseUp() {
  ::KillTimer(hwnd_, Tim2);
  bool resume = std::exchange(ResumeAfterStep, false);
  if (resume) {
    RewindForResume();
    Player_->Play();
  }
}

void TfrmVocorder::SpeedButton2MouseUp() {
  ::KillTimer(hwnd_, Tim1);
  bool resume = std::exchange(ResumeAfterStep, false);
  if (resume) {
    RewindForResume();
    Player_->Play();
  }
}

void TfrmVocorder::idTrackBarMouseDown(const BlockMouse& m) {
  if (!BarPolling || m.message != WM_LBUTTONDOWN) return;
  BarPolling = false;
  ScopeExit again([this] { BarPolling = true; });
  Player_->SeekToBarPixel(FrameWidth(), m.pt.x + kBarMargin, kBarMargin);
}

void TfrmVocorder::idTrackFrmMouseDown(const BlockMouse& m) {
  if (!BarPolling || m.message != WM_LBUTTONDOWN) return;
  if ((m.keys & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON | MK_SHIFT | MK_CONTROL)) != MK_LBUTTON) return;
  if (::GetKeyState(VK_MENU) < 0) return;
  BarPolling = false;
  ScopeExit again([this] { BarPolling = true; });
  Player_->SeekToBarPixel(FrameWidth(), m.pt.x, kBarMargin);
}

void TfrmVocorder::sldVolumeMouseDown(const BlockMouse& m) {
  if (m.message != WM_LBUTTONDOWN || (m.keys & (MK_RBUTTON | MK_MBUTTON | MK_SHIFT | MK_CONTROL))) return;
  ::SetCapture(Control(sldVolume));
  Dragging = true;
  GrabOffset = m.pt.y;
}

void TfrmVocorder::sldVolumeMouseMove(const BlockMouse& m) {
  if (!Dragging || !VolumePolling) return;
  VolumePolling = false;
  ScopeExit again([this] { VolumePolling = true; });
  RECT groove = ClientRectOf(hwnd_, Control(sldVolumeFrm)), knob = ClientRectOf(hwnd_, Control(sldVolume));
  int offset = Player_->SliderOffsetToVolume(groove.bottom - groove.top, knob.bottom - knob.top,
                                             knob.top + m.pt.y - groove.top, 0, GrabOffset);
  ::SetWindowPos(Control(sldVolume), nullptr, knob.left, groove.top + offset, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfrmVocorder::sldVolumeMouseUp(const BlockMouse& m) {
  if (m.message != WM_LBUTTONUP) return;
  Dragging = false;
  ::ReleaseCapture();
}

void TfrmVocorder::VolumeByHotKey(int direction) {
  RECT groove = ClientRectOf(hwnd_, Control(sldVolumeFrm)), knob = ClientRectOf(hwnd_, Control(sldVolume));
  int height = knob.bottom - knob.top, grooveHeight = groove.bottom - groove.top;
  int top = knob.top + direction;
  if (top < groove.top) top = groove.top;
  if (top > groove.bottom - height) top = groove.bottom - height;
  VolumePolling = false;
  ScopeExit again([this] { VolumePolling = true; });
  int offset = Player_->SliderOffsetToVolume(grooveHeight, height, top - groove.top + direction, 0, 0);
  ::SetWindowPos(Control(sldVolume), nullptr, knob.left, groove.top + offset, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfrmVocorder::idTime1Click() {
  if (!TimeSupported) return;
  TimeFields f = SplitTimeText(WindowText(Control(idTime1)), ShowMillis);
  HWND editor = Control(idTime2Frm);
  ::SetWindowTextW(::GetDlgItem(editor, idTimeEdit2a), f.hours.c_str());
  ::SetWindowTextW(::GetDlgItem(editor, idTimeEdit2b), f.minutes.c_str());
  ::SetWindowTextW(::GetDlgItem(editor, idTimeEdit2c), f.seconds.c_str());
  ::SetWindowTextW(::GetDlgItem(editor, idTimeEdit2d), f.millis.c_str());
  ShowTimeEditor(true);
}

void TfrmVocorder::ShowTimeEditor(bool on) {
  HWND editor = Control(idTime2Frm);
  timeEditorOpen_ = on;
  auto show = [&](int id, bool visible) { ::ShowWindow(::GetDlgItem(editor, id), visible ? SW_SHOWNA : SW_HIDE); };
  for (int id : {idTimeEdit2a, idTimeEdit2b, idTimeEdit2c, idTimeEdit2aCursor, idTimeEdit2bCursor,
                 idTimeEdit2cCursor, idTime2Sep1, idTime2Sep2})
    show(id, on);
  for (int id : {idTimeEdit2d, idTimeEdit2dCursor, idTime2Sep3}) show(id, on && ShowMillis);
  ::ShowWindow(editor, on ? SW_SHOWNA : SW_HIDE);
  bool timeShown = (GetVisibilityMask() & 0x80) != 0;
  ::ShowWindow(Control(idTime1), on || !timeShown ? SW_HIDE : SW_SHOWNA);
  if (on) {
    EditCursor = ShowMillis ? 1 : 4;
    ::SetFocus(::GetDlgItem(editor, ShowMillis ? idTimeEdit2dCursor : idTimeEdit2cCursor));
  } else {
    ::SetFocus(Control(idNull));
  }
}

void TfrmVocorder::SetMillisMode(bool on, bool arrange) {
  ShowMillis = on;
  HWND editor = Control(idTime2Frm);
  for (int id : {idTimeEdit2d, idTimeEdit2dCursor, idTime2Sep3})
    ::ShowWindow(::GetDlgItem(editor, id), ShowMillis && timeEditorOpen_ ? SW_SHOWNA : SW_HIDE);
  RECT r = ClientRectOf(hwnd_, editor);
  if (on && ZeroTimeText == L"00:00:00") {
    ::SetWindowTextW(Control(idTime1), (WindowText(Control(idTime1)) + L":000").c_str());
    if (!Player_->FileName().empty() && TimeSupported)
      ::SetWindowTextW(Control(idTime2), FormatMediaTime(Player_->Duration(), true).c_str());
    else
      ::SetWindowTextW(Control(idTime2), (WindowText(Control(idTime2)) + L":000").c_str());
    ZeroTimeText = L"00:00:00:000";
    PlayInterval = 25;
    ::SetWindowPos(editor, nullptr, 0, 0, r.right - r.left + 21, r.bottom - r.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (EditCursor > 3 && timeEditorOpen_) {
      EditCursor = 1;
      ::SetFocus(::GetDlgItem(editor, idTimeEdit2dCursor));
    }
  } else if (!on && ZeroTimeText == L"00:00:00:000") {
    for (int id : {idTime1, idTime2}) {
      std::wstring t = WindowText(Control(id));
      ::SetWindowTextW(Control(id), t.substr(0, t.size() >= 4 ? t.size() - 4 : 0).c_str());
    }
    ZeroTimeText = L"00:00:00";
    PlayInterval = 50;
    ::SetWindowPos(editor, nullptr, 0, 0, r.right - r.left - 21, r.bottom - r.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (EditCursor < 4 && timeEditorOpen_) {
      EditCursor = 4;
      ::SetFocus(::GetDlgItem(editor, idTimeEdit2cCursor));
    }
  }
  if (arrange) ArrangeWindow();
}

void TfrmVocorder::HotKeyStartStopHotKey(services::TfisHotKey&) {
  if (::IsWindowEnabled(Control(idPlay))) idPlayClick();
}
void TfrmVocorder::HotKeyBackHotKey(services::TfisHotKey&) {
  if (PlayerBusy()) StepBack();
}
void TfrmVocorder::HotKeyForwardHotKey(services::TfisHotKey&) {
  if (PlayerBusy()) StepForwardByHotKey();
}
void TfrmVocorder::HotKeyForwardXHotKey(services::TfisHotKey&) {
  if (PlayerBusy()) FastForward();
}
void TfrmVocorder::HotKeyBackXHotKey(services::TfisHotKey&) {
  if (PlayerBusy()) FastBack();
}
void TfrmVocorder::HotKeyRefreshHotKey(services::TfisHotKey&) { idChangeListClick(); }
void TfrmVocorder::HotKeyVolUpHotKey(services::TfisHotKey&) { VolumeByHotKey(-1); }
void TfrmVocorder::HotKeyVolDownHotKey(services::TfisHotKey&) { VolumeByHotKey(+1); }

void TfrmVocorder::CreateHotKeys() {
  using Handler = void (TfrmVocorder::*)(services::TfisHotKey&);
  auto make = [this](std::unique_ptr<services::TfisHotKey>& component, WORD key, Handler handler) {
    component = std::make_unique<services::TfisHotKey>();
    component->SetKey(key);
    component->OnHotKey = [this, handler](services::TfisHotKey& sender) {
      QueueHotKey([this, handler, &sender] { (this->*handler)(sender); });
    };
    component->Loaded();
  };
  make(HotKeyStartStop, 0x4020, &TfrmVocorder::HotKeyStartStopHotKey);  // Ctrl+Space
  make(HotKeyBack, 0x4025, &TfrmVocorder::HotKeyBackHotKey);             // Ctrl+Left
  make(HotKeyForward, 0x4027, &TfrmVocorder::HotKeyForwardHotKey);       // Ctrl+Right
  make(HotKeyForwardX, 0x4021, &TfrmVocorder::HotKeyForwardXHotKey);     // Ctrl+PageUp
  make(HotKeyBackX, 0x4022, &TfrmVocorder::HotKeyBackXHotKey);           // Ctrl+PageDown
  make(HotKeyRefresh, 0x4074, &TfrmVocorder::HotKeyRefreshHotKey);       // Ctrl+F5
  make(HotKeyVolUp, 0x4026, &TfrmVocorder::HotKeyVolUpHotKey);           // Ctrl+Up
  make(HotKeyVolDown, 0x4028, &TfrmVocorder::HotKeyVolDownHotKey);       // Ctrl+Down
  // Typing along.
  typer_ = std::make_unique<services::TTextTyper>();
  stampKey_ = std::make_unique<services::TfisHotKey>();
  stampKey_->OnHotKey = [this](services::TfisHotKey&) { QueueHotKey([this] { HotKeyTimeStampHotKey(); }); };
  stampKey_->SetKey(static_cast<WORD>(kestrel::Settings.StampHotKey));
  stampKey_->Loaded();
}

// While a dialog or box is open the keys do nothing: what they change may
// lie under it. A key pressed while the window was busy comes after what
// that work has posted (the player's notifications among them), so it
// meets the window as that work left it.
void TfrmVocorder::QueueHotKey(std::function<void()> action) {
  if (win::ModalScope::Depth() > 0) return;
  hotKeys_.push_back(std::move(action));
  ::PostMessageW(hwnd_, WM_HOTKEYACTION, 0, 0);
}

void TfrmVocorder::RunHotKey() {
  if (hotKeys_.empty()) return;
  const std::function<void()> action = std::move(hotKeys_.front());
  hotKeys_.pop_front();
  if (win::ModalScope::Depth() > 0) return;
  // The key arrives outside the window procedure's message: failures are
  // shown as a click's would be.
  try {
    action();
  } catch (const std::exception& e) {
    ShowPlayerError(e);
  }
}

// The typist hears the last words again: playback resumes a little before
// where it stopped, never before the start.
void TfrmVocorder::RewindForResume() {
  const int64_t back = static_cast<int64_t>(kestrel::Settings.ResumeRewind) * 10'000;
  if (back <= 0 || !TimeSupported) return;
  const int64_t at = Player_->GetPosition();
  Player_->SetPosition(at > back ? at - back : 0);
}

void TfrmVocorder::RememberPosition() {
  if (!positions_ || !PlayerBusy() || Player_->FileName().empty()) return;
  try {
    positions_->Remember(Player_->FileName(), Player_->GetPosition());
  } catch (const std::exception&) {
    // pnPositionFailed has been announced; there is nothing to remember
  }
}

// A chosen recording shows where it was left; the play button starts there
// as it starts at any position shown in idTime1.
void TfrmVocorder::ShowRememberedPosition() {
  if (!positions_ || !TimeSupported || Player_->State() != PlayerState::Stopped) return;
  const std::wstring path = SelectedSongPath();
  const auto at = path.empty() ? std::nullopt : positions_->Find(path);
  const std::wstring shown = at ? FormatMediaTime(*at, ShowMillis) : ZeroTimeText;
  if (WindowText(Control(idTime1)) != shown) ::SetWindowTextW(Control(idTime1), shown.c_str());
}

void TfrmVocorder::HotKeyTimeStampHotKey() {
  if (!PlayerBusy() || !TimeSupported) return;
  const auto& s = kestrel::Settings;
  const bool millis = s.StampMillis == kestrel::smAlways || (s.StampMillis == kestrel::smAsReadout && ShowMillis);
  typer_->Type(FormatTimeStamp(Player_->GetPosition(), s.StampBrackets, millis));
}

bool TfrmVocorder::ApplyTypingSettings() {
  const auto& s = kestrel::Settings;
  bool all = true;
  // The page refused what the system would not give; a key taken by another
  // program since is told the same way, once, when it is changed to.
  auto claim = [&](services::TfisHotKey& key, int code) {
    const bool changed = key.Key() != static_cast<WORD>(code);
    key.SetKey(static_cast<WORD>(code));
    if (code == 0 || key.Registered()) return;
    all = false;
    if (changed) kestrel::WarnHotKeyRefused(static_cast<WORD>(code));
  };
  claim(*stampKey_, s.StampHotKey);
  claim(*speedKeys_[0], s.SlowerHotKey);
  claim(*speedKeys_[1], s.FasterHotKey);
  claim(*speedKeys_[2], s.SpeedResetHotKey);
  if (Player_ && Player_->Speed() != s.Speed) {
    Player_->SetSpeed(s.Speed);
    ShowSpeed();
  }
  return all;
}

}  // namespace app
