// The main window's life: creation and layout, the visible elements, the
// refresh timer, the player's notifications and closing.
#include "app/MainWindow.h"
#include "app/About.h"
#include "services/Email.h"
#include "recorder/RecMpeg.h"

#include <commctrl.h>

#include <algorithm>

#include "app/MediaTime.h"
#include "app/resource.h"
#include "base/ModalScope.h"
#include "base/ScopeExit.h"
#include "base/Text.h"
#include "core/KestrelErrors.h"
#include "core/KestrelUtils.h"
#include "player/AudioDevices.h"
#include "player/PlayerError.h"
#include "settings/KestrelSettings.h"

namespace app {
namespace {

TfrmVocorder* g_main = nullptr;

constexpr COLORREF kMaroon = RGB(128, 0, 0);
constexpr COLORREF kNavy = RGB(0, 0, 128);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kSilver = RGB(192, 192, 192);
constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr int kBarMargin = 2;  // the fill's tag: the margin on each side
constexpr int kClientWidth = 470;
constexpr UINT kPopupFirst = 0x7200;  // + the element's bit
constexpr const wchar_t* kEditorHint =
    L"Press [Esc] to cancel time edit or press [Enter] to accept the new position";

// Elements of the visibility mask, by bit, with their popup menu captions.
struct Element {
  int id;
  const wchar_t* caption;
};
constexpr Element kElements[17] = {
    {cmbArtists, L"&Artists"},        {cmbSongs, L"&Songs"},           {idTrackFrm, L"&Position Bar"},
    {idPlay, L"&Play"},               {idStop, L"&Stop"},              {idPrev, L"P&revious"},
    {idNext, L"&Next"},               {idTime1, L"Song &Position"},    {idTime2, L"Song &Length"},
    {0, L"&Milliseconds"},            {idSettings, L"&Settings"},      {idChangeList, L"&Change/Reload List"},
    {idGroup, L"&Group/Ungroup"},     {idSort, L"S&ort"},              {idRandom, L"&Randomize"},
    {sldVolumeFrm, L"&Volume Control"}, {idFind, L"Find"}};

struct ButtonDef {
  int id, x, glyph;
  const wchar_t* hint;
};
constexpr ButtonDef kBarButtons[] = {
    {idPlay, 8, IDB_PLAY_BLACK, L"Play "},
    {idStop, 30, IDB_STOP, L"Stop"},
    {SpeedButton1, 52, IDB_BACK, L"Vzad"},
    {SpeedButton2, 74, IDB_FORWARD, L"Vpred"},
    {SpeedButton3, 276, IDB_FOLDER, L"Vybrať zložku so súbormi"},
    {SpeedButton4, 298, IDB_FILE, L"Vložiť súbor s nahrávkou"},
    {SpeedButton5, 320, IDB_RECORD, L"Náhrávanie zvuku"},
    {SpeedButton8, 342, IDB_MAIL, L"Odoslať vybranú nahrávku E-Mailom"},
    {SpeedButton6, 364, IDB_SETTINGS, L"Nastavenia"},
    {SpeedButton7, 386, IDB_ABOUT, L"O programe"},
    {btnKonec, 414, IDB_EXIT, L"Ukončiť"},
};

constexpr ButtonDef kSmallButtons[] = {
    {idPrev, 0, IDB_SMALL, L"Previous Song (Left)"},     {idNext, 0, IDB_SMALL, L"Next Song (Right)"},
    {idSettings, 0, IDB_SETTINGS, L"Edit Player Settings (F5)"}, {idChangeList, 0, IDB_RELOAD, L""},
    {idGroup, 0, IDB_UNGROUPED, L""},                      {idSort, 0, IDB_SMALL, L"Sort (F3)"},
    {idRandom, 0, IDB_SMALL, L"Randomize (F4)"},          {idFind, 0, IDB_SMALL, L""},
};
constexpr int kSmallTop = 90;  // below the visible area

}  // namespace

TfrmVocorder* MainWindow() { return g_main; }

TfrmVocorder::TfrmVocorder() { g_main = this; }

TfrmVocorder::~TfrmVocorder() {
  kestrel::SetListView(nullptr);
  kestrel::SetLayoutHost(nullptr);
  Destroy();  // while the window is whole: FormDestroy runs
  if (g_main == this) g_main = nullptr;
}

bool TfrmVocorder::Create(HINSTANCE instance, const std::function<void()>& afterShown) {
  instance_ = instance;
  RegisterControlClasses(instance);
  WNDCLASSEXW wc{sizeof(wc)};
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_VOCORDER));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  if (!RegisterWindowClass(wc)) return false;

  // A tool window with only the system menu button, on top from its creation.
  DWORD style = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  DWORD exStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_APPWINDOW;
  RECT r = Rect(0, 0, kClientWidth, 65);
  ::AdjustWindowRectEx(&r, style, FALSE, exStyle);
  // FormCreate runs inside; when it fails the window is not made.
  if (!CreateBound(exStyle, kClassName, L"Vocorder", style, 100, 100, r.right - r.left, r.bottom - r.top, nullptr))
    return false;
  ::ShowWindow(hwnd_, SW_SHOWNORMAL);
  ::UpdateWindow(hwnd_);
  RefocusKeySink();
  // The strip is there first. The components wanted only later (the shell's
  // folder browser, mail, the hot keys) and the first recording follow.
  CreateTimeEditor();
  // The hints wait for their tooltip window until the strip is up.
  hints_.Create(hwnd_, 10000);
  if (afterShown) afterShown();
  // Where playback resumes is asked of the shell, which is loaded only now.
  positions_ = std::make_unique<kestrel::TResumePositions>(kestrel::ResumePositionsFile());
  FD_ = std::make_unique<services::TFolderDialog>(hwnd_);
  FD_->SetTitle(L"Vyberte zložku");
  FD_->SetRootFolder(services::TShellFolder::sfoPersonal);
  Email1_ = std::make_unique<services::TEmail>();
  // The first recording and the recording window follow from the message
  // loop: a close that comes first goes before them, a hot key after them.
  PostContinuation(ctOpenFirstRecording);
  CreateHotKeys();
  CreateSpeedKeys();
  return true;
}

void TfrmVocorder::PostContinuation(Continuation what) { ::PostMessageW(hwnd_, WM_CONTINUE, what, 0); }

void TfrmVocorder::OnContinuation(Continuation what) {
  switch (what) {
    case ctPlayGlyph:
      if (Player_->State() == PlayerState::Paused) ShowPlayGlyph(1);
      if (Player_->State() == PlayerState::Running) ShowPlayGlyph(3);
      return;
    case ctSelectionSettled:
      ShowRememberedPosition();
      RefocusKeySink();
      return;
    case ctNextAfterMissing:
    case ctNextAfterMissingNow: {
      const bool now = what == ctNextAfterMissingNow;
      if (::IsWindowEnabled(Control(idNext)))
        NextRecording(now);
      else
        AutomaticStop();
      if (now && Player_->State() == PlayerState::Stopped) MarkDelayPending(false);
      return;
    }
    case ctOpenFirstRecording:
      OpenSelectionAfterShow();
      PostContinuation(ctRecordingWindow);
      return;
    case ctRecordingWindow:
      // The recording window lives from start-up, so that a dictation left
      // by an earlier run is offered at every start.
      FRecMpeg_ = std::make_unique<TFRecMpeg>(hwnd_);
      FRecMpeg_->OnAbout = [this](HWND owner, int top, int centreX) { FAbout_->ShowModalAt(owner, top, centreX); };
      if (FRecMpeg_->OfferLeftover()) idChangeListClick();
      RefocusKeySink();
      return;
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
    if (FRecMpeg_ && !FRecMpeg_->CloseQuery()) return;
  }
  HWND self = hwnd_;
  win::ModalScope::EndAll([self] { ::PostMessageW(self, WM_CLOSE, 0, 0); });
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
      if (reinterpret_cast<HWND>(wp) == Control(idTime1) && TimeSupported && LOWORD(lp) == HTCLIENT) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    case WM_DRAWITEM:
      DrawFlatButton(*reinterpret_cast<DRAWITEMSTRUCT*>(lp));
      return TRUE;
    case WM_TIMER:
      if (wp == idTimer) idTimerTimer();
      if (wp == Tim1) Tim1Timer();
      if (wp == Tim2) Tim2Timer();
      if (wp == idDelayTimer) DelayTimerTimer();
      return 0;
    case WM_PLAYERNOTIFY:
      WMPlayerNotify(lp);
      return 0;
    case WM_CONTINUE:
      OnContinuation(static_cast<Continuation>(wp));
      return 0;
    case WM_HOTKEYACTION:
      RunHotKey();
      return 0;
    case WM_CONTROLMOUSE:
      OnControlMouse(static_cast<int>(wp), *reinterpret_cast<const BlockMouse*>(lp));
      return 0;
    case WM_CTLCOLORSTATIC:
      if (HBRUSH b = FieldColour(reinterpret_cast<HWND>(lp), reinterpret_cast<HDC>(wp)))
        return reinterpret_cast<LRESULT>(b);
      break;
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLOREDIT:
      if (lowColour_) {
        ::SetBkColor(reinterpret_cast<HDC>(wp), kSilver);
        if (!silverBrush_) silverBrush_.reset(::CreateSolidBrush(kSilver));
        return reinterpret_cast<LRESULT>(silverBrush_.get());
      }
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

void TfrmVocorder::CreateControls() {
  LOGFONTW lf{};
  HDC dc = ::GetDC(hwnd_);
  lf.lfHeight = -::MulDiv(8, ::GetDeviceCaps(dc, LOGPIXELSY), 72);
  lowColour_ = ::GetDeviceCaps(dc, BITSPIXEL) * ::GetDeviceCaps(dc, PLANES) <= 8;
  ::ReleaseDC(hwnd_, dc);
  lf.lfCharSet = EASTEUROPE_CHARSET;
  lf.lfWeight = FW_NORMAL;
  lstrcpynW(lf.lfFaceName, L"Arial", LF_FACESIZE);
  font_.reset(::CreateFontIndirectW(&lf));
  ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);

  LoadGlyphs();
  for (const auto& b : kBarButtons) {
    HWND h = CreateFlatButton(hwnd_, b.id, Rect(b.x, 6, 22, 22), Glyph(b.glyph));
    hints_.Set(h, b.hint);
  }
  ::EnableWindow(Control(idStop), FALSE);
  HWND songs = CreateChild(hwnd_, L"COMBOBOX", cmbSongs, Rect(98, 7, 175, 200),
                           WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST);
  ::SendMessageW(songs, CB_SETDROPPEDWIDTH, 260, 0);

  CreateLabel(hwnd_, Label3, Rect(8, 30, 44, 13), L"Prehraté:");
  CreateLabel(hwnd_, idTime1, Rect(54, 30, 70, 13), L"00:00:00");
  CreateLabel(hwnd_, idTimeSplit, Rect(126, 30, 8, 13), L" ");
  CreateLabel(hwnd_, LAB, Rect(136, 30, 70, 13), L"Celková dĺžka:");
  CreateLabel(hwnd_, idTime2, Rect(208, 30, 70, 13), L"00:00:00");
  CreateLabel(hwnd_, idSpeed, Rect(290, 30, 40, 13), L"100 %");
  LayOutReadouts();
  hints_.Set(Control(idTime1), L"Current Position (F9)");
  hints_.Set(Control(idTime2), L"Song Length");

  HWND frame = CreateBlock(hwnd_, idTrackFrm, Rect(5, 44, 437, 17), ::GetSysColor(COLOR_BTNFACE), true);
  CreateBlock(frame, idTrackBar, Rect(kBarMargin, kBarMargin, 0, 17 - 2 * kBarMargin), kMaroon, false);
  CreateBlock(hwnd_, sldVolumeFrm, Rect(454, 2, 4, 60), kRed, false);
  HWND knob = CreateBlock(hwnd_, sldVolume, Rect(450, 2, 12, 7), kNavy, false);
  hints_.Set(knob, L"Volume");
  ::SetWindowPos(knob, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

  // The key sink: a zero-width edit that holds the focus.
  CreateChild(hwnd_, L"EDIT", idNull, Rect(0, 0, 0, 0), WS_VISIBLE | WS_TABSTOP);

  // The folder chooser and the small list buttons lie off the visible area.
  HWND panel = CreateBlock(hwnd_, idArtistsSongsPanel, Rect(0, 66, kClientWidth, 22), ::GetSysColor(COLOR_BTNFACE),
                           false);
  ::ShowWindow(panel, SW_HIDE);
  FitLabelToText(CreateLabel(hwnd_, Label1, Rect(4, 70, 36, 13), L"Zložka:"));
  CreateChild(hwnd_, L"COMBOBOX", cmbArtists, Rect(42, 67, 175, 200),
              WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST);
  for (const auto& b : kSmallButtons) {
    HWND h = CreateFlatButton(hwnd_, b.id, Rect(0, kSmallTop, 16, 16), Glyph(b.glyph));
    if (*b.hint) hints_.Set(h, b.hint);
  }
  CreateChild(hwnd_, L"BUTTON", GroupBox1, Rect(5, -3, 438, 33), WS_VISIBLE | BS_GROUPBOX);
  ::SetWindowPos(Control(GroupBox1), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

  // The state holders for the layouts: the element items and the submenu.
  idPopup_.reset(::CreatePopupMenu());
  for (int bit = 0; bit < 17; ++bit)
    ::AppendMenuW(idPopup_.get(), MF_STRING, kPopupFirst + bit, kElements[bit].caption);
  mLayouts_ = ::CreatePopupMenu();
  ::AppendMenuW(idPopup_.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(mLayouts_), L"Layouts");
}

// The position editor, laid over idTime1 and hidden until it is opened. It
// is made once the strip shows: its dozen controls held up the start.
void TfrmVocorder::CreateTimeEditor() {
  // The millisecond part as the layout applied before left it.
  HWND editor = CreateBlock(hwnd_, idTime2Frm, Rect(52, 29, ShowMillis ? 80 + 21 : 80, 15),
                            ::GetSysColor(COLOR_BTNFACE), false);
  ::ShowWindow(editor, SW_HIDE);
  const int fields[] = {idTimeEdit2a, idTimeEdit2b, idTimeEdit2c, idTimeEdit2d};
  const int carets[] = {idTimeEdit2aCursor, idTimeEdit2bCursor, idTimeEdit2cCursor, idTimeEdit2dCursor};
  const int seps[] = {idTime2Sep1, idTime2Sep2, idTime2Sep3};
  for (int i = 0; i < 4; ++i) {
    int width = i == 3 ? 20 : 14;
    HWND f = CreateLabel(editor, fields[i], Rect(2 + i * 20, 1, width, 13), i == 3 ? L"000" : L"00", SS_CENTER);
    HWND c = CreateChild(editor, L"EDIT", carets[i], Rect(2 + i * 20 + width, 1, 1, 13), ES_READONLY);
    hints_.Set(f, kEditorHint);
    hints_.Set(c, kEditorHint);
    if (i < 3) hints_.Set(CreateLabel(editor, seps[i], Rect(16 + i * 20, 1, 4, 13), L":"), kEditorHint);
  }
  hints_.Set(editor, kEditorHint);
  // In the stacking order where the strip's other elements leave it.
  ::SetWindowPos(editor, Control(sldVolumeFrm), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  for (int id : {idTimeEdit2d, idTimeEdit2dCursor, idTime2Sep3}) ::ShowWindow(::GetDlgItem(editor, id), SW_HIDE);
  PlaceTimeEditor();
}

// The read-out row as designed: its titles as wide as their text in the
// window's font, and each element where it was designed unless the one
// before it reaches further (a font wider than Arial's metrics).
void TfrmVocorder::LayOutReadouts() {
  FitLabelToText(Control(Label3));
  FitLabelToText(Control(LAB));
  int reach = 0;
  for (int id : {Label3, idTime1, idTimeSplit, LAB, idTime2, idSpeed}) {
    RECT r;
    ::GetWindowRect(Control(id), &r);
    ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    const int left = std::max<int>(r.left, reach);
    if (left != r.left) ::SetWindowPos(Control(id), nullptr, left, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    reach = left + (r.right - r.left);
  }
}

// The position editor lies over idTime1, its fields 2 pixels further in.
void TfrmVocorder::PlaceTimeEditor() {
  RECT r;
  ::GetWindowRect(Control(idTime1), &r);
  ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
  ::SetWindowPos(Control(idTime2Frm), nullptr, r.left - 2, r.top - 1, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HBITMAP TfrmVocorder::Glyph(int resourceId) const {
  const win::GdiObject* g = resourceId == IDB_GROUPED ? &glyphs_[IDB_SMALL - IDB_PLAY_BLACK + 1]
                            : resourceId >= IDB_PLAY_BLACK && resourceId <= IDB_SMALL ? &glyphs_[resourceId - IDB_PLAY_BLACK]
                                                                                      : nullptr;
  return g ? static_cast<HBITMAP>(g->get()) : nullptr;
}

void TfrmVocorder::LoadGlyphs() {
  for (int id = IDB_PLAY_BLACK; id <= IDB_SMALL; ++id)
    glyphs_[id - IDB_PLAY_BLACK].reset(
        ::LoadImageW(instance_, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  glyphs_[IDB_SMALL - IDB_PLAY_BLACK + 1].reset(
      ::LoadImageW(instance_, MAKEINTRESOURCEW(IDB_GROUPED), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

void TfrmVocorder::FormCreate() {
  CreateControls();
  kestrel::SetListView(this);
  kestrel::SetLayoutHost(this);

  Player_ = std::make_unique<TPlayer>(hwnd_);
  // From creation at 1000 ms; the first stop brings it to 100 ms.
  SetTimerInterval(1000);
  if (AudioDeviceNames.empty()) kestrel::ErrNoAudioDevices();
  Player_->SelectedDevice = DeviceIndexOf(kestrel::Settings.DeviceName);
  Player_->ForceDevice = kestrel::Settings.ForceDevice;
  Player_->DeviceVolume = kestrel::Settings.DeviceVolume;

  try {
    if (!Player_->IsUsingTimeFormat(TIME_FORMAT_MEDIA_TIME)) Player_->SetTimeFormat(TIME_FORMAT_MEDIA_TIME);
    TimeSupported = Player_->HasTimeFormat(TIME_FORMAT_MEDIA_TIME);
  } catch (const std::exception&) {
    TimeSupported = false;
  }
  if (!TimeSupported) {
    hints_.Set(Control(idTime1), L"Time is not supported and was disabled.");
    hints_.Set(Control(idTime2), L"Time is not supported and was disabled.");
  }

  hints_.Set(Control(idFind), L"Search (F2)");
  VolumePolling = true;
  TimeEditEnabled = true;
  TimeShown = BarShown = VolumeShown = false;
  ZeroTimeText = L"00:00:00";
  PlayInterval = 100;
  SetBarFill(0);
  hints_.Set(Control(idChangeList), L"Reload List From The File (F6)");

  FAbout_ = std::make_unique<TFAbout>();
  SubclassKeySinks();
  CreateSpeedControls();
  kestrel::ApplyStartupLayout();
  ApplyColourRule();

  // Opening the selected recording waits until the window is shown.
  bool outer = std::exchange(selectingWithoutPlaying_, true);
  ScopeExit selected([this, outer] { selectingWithoutPlaying_ = outer; });
  kestrel::FillArtists(kestrel::CurrentList, kestrel::CurrentList.Grouped);
  bool hasFolder = ArtistItemCount() > 0;
  if (hasFolder) SelectArtistItem(0);
  if (hasFolder) {
    wchar_t name[512] = L"";
    ::GetWindowTextW(Control(cmbArtists), name, 512);
    ::SetWindowTextW(hwnd_, name);
    // The folder came from the stored list: the selected recording tells it.
    std::wstring path = SelectedSongPath();
    if (!path.empty()) FolderPath = kestrel::ExtractFilePath(path);
  } else {
    ::SetWindowTextW(hwnd_, L"Vocorder");
    LoadDefaultFolder();
  }
  kestrel::SetApplicationTitle(L"Vocorder");
  ApplyStoredPosition();
}

// What selecting the first recording does when "PlaySelected" is on: it is
// opened and left stopped at its start with its length shown.
void TfrmVocorder::OpenSelectionAfterShow() {
  if (kestrel::Settings.PlaySelected && SelectedSongItem() >= 0) cmbSongsChange();
}

void TfrmVocorder::ApplyColourRule() {
  if (!lowColour_) return;
  SetBlockColour(Control(idTrackFrm), kSilver);
  SetBlockColour(Control(sldVolume), kSilver);
  SetBlockColour(Control(sldVolumeFrm), kGrey);
}

void TfrmVocorder::ApplyStoredPosition() {
  RECT r;
  ::GetWindowRect(hwnd_, &r);
  int left = r.left, top = r.top;
  if (auto v = text::ToInt(store_.Read(L"Left"))) left = static_cast<int>(*v);
  if (auto v = text::ToInt(store_.Read(L"Top"))) top = static_cast<int>(*v);
  ::SetWindowPos(hwnd_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ArrangeWindow();
}

void TfrmVocorder::ArrangeWindow() {
  if (!hwnd_) return;
  // The folder panel follows the combo boxes, off the visible area.
  bool combos = ElementVisible(cmbArtists) || ElementVisible(cmbSongs);
  ::ShowWindow(Control(idArtistsSongsPanel), combos ? SW_SHOWNA : SW_HIDE);

  int x = 0;
  for (int id : {idSettings, idChangeList, idGroup, idSort, idRandom, idFind}) {
    if (!ElementVisible(id)) continue;
    ::SetWindowPos(Control(id), nullptr, x, kSmallTop, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    x += 16;
  }

  BarShown = ElementVisible(idTrackFrm);
  TimeShown = ElementVisible(idTime1) && TimeSupported;
  VolumeShown = ElementVisible(sldVolume);
  kestrel::TrackCurrentLayout();

  RECT play;
  ::GetWindowRect(Control(idPlay), &play);
  ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&play), 2);
  RECT konec;
  ::GetWindowRect(Control(btnKonec), &konec);
  ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&konec), 2);
  ::SetWindowPos(Control(btnKonec), nullptr, konec.left, play.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  RECT frame;
  ::GetWindowRect(Control(idTrackFrm), &frame);
  ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&frame), 2);
  RECT client;
  ::GetClientRect(hwnd_, &client);
  RECT want = Rect(0, 0, client.right, frame.bottom + 4);
  DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_STYLE));
  DWORD ex = static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE));
  ::AdjustWindowRectEx(&want, style, FALSE, ex);
  int width = want.right - want.left, height = want.bottom - want.top;

  // Held on the screen.
  RECT w;
  ::GetWindowRect(hwnd_, &w);
  int left = w.left, top = w.top;
  int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
  if (left + width > sw) left = sw - width;
  if (top + height > sh) top = sh - height;
  if (left < 0) left = 0;
  if (top < 0) top = 0;
  ::SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool TfrmVocorder::ElementVisible(int id) const {
  return (::GetWindowLongPtrW(Control(id), GWL_STYLE) & WS_VISIBLE) != 0;
}

void TfrmVocorder::SetElementVisible(int id, bool visible) {
  ::ShowWindow(Control(id), visible ? SW_SHOWNA : SW_HIDE);
}

kestrel::VisibilityMask TfrmVocorder::GetVisibilityMask() {
  kestrel::VisibilityMask mask = 0;
  for (int bit = 0; bit < 17; ++bit) {
    int id = kElements[bit].id;
    bool on = false;
    if (bit == 7)
      on = ElementVisible(idTime1) || ElementVisible(idTime2Frm);
    else if (bit == 9)
      on = ShowMillis;
    else
      on = ElementVisible(id);
    if (on) mask |= 1u << bit;
  }
  return mask;
}

void TfrmVocorder::ApplyVisibilityMask(kestrel::VisibilityMask mask) {
  auto on = [&](int bit) { return (mask >> bit & 1u) != 0; };
  for (int bit : {0, 1, 3, 4, 5, 6, 2}) SetElementVisible(kElements[bit].id, on(bit));
  if (!on(7) && timeEditorOpen_) ShowTimeEditor(false);
  SetElementVisible(idTime1, on(7) && !timeEditorOpen_);
  SetElementVisible(idTime2, on(8));
  SetElementVisible(idTimeSplit, on(7) && on(8));
  SetMillisMode(on(9), false);
  for (int bit : {10, 11, 12, 13, 14}) SetElementVisible(kElements[bit].id, on(bit));
  SetElementVisible(sldVolumeFrm, on(15));
  SetElementVisible(sldVolume, on(15));
  SetElementVisible(idFind, on(16));
  for (int bit = 0; bit < 17; ++bit)
    ::CheckMenuItem(idPopup_.get(), kPopupFirst + bit, MF_BYCOMMAND | (on(bit) ? MF_CHECKED : MF_UNCHECKED));
  ArrangeWindow();
}

void TfrmVocorder::SetTimerInterval(UINT ms) {
  timerInterval_ = ms;
  ::SetTimer(hwnd_, idTimer, ms, nullptr);
}

void TfrmVocorder::SetBarFill(int width) {
  HWND bar = ::GetDlgItem(Control(idTrackFrm), idTrackBar);
  RECT r;
  ::GetWindowRect(bar, &r);
  if (r.right - r.left == width) return;
  ::SetWindowPos(bar, nullptr, 0, 0, width, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfrmVocorder::ShowPlayGlyph(int glyph) {
  PlayGlyph = glyph;
  static constexpr int kIds[] = {IDB_PLAY_BLACK, IDB_PLAY_BLUE, IDB_PAUSE_BLACK, IDB_PAUSE_BLUE};
  SetFlatButtonGlyph(Control(idPlay), Glyph(kIds[glyph]));
}

bool TfrmVocorder::PlayerBusy() const {
  return Player_ && (Player_->State() == PlayerState::Paused || Player_->State() == PlayerState::Running);
}

void TfrmVocorder::idTimerTimer() {
  if (!Player_) return;
  int64_t position = 0;
  try {
    position = Player_->GetPosition();
  } catch (const std::exception&) {
    return;  // pnPositionFailed has stopped the bar
  }
  if (kestrel::Settings.EnableTime1 && TimeSupported && kestrel::Settings.Time1 < position) AutomaticStop();
  if (Player_->State() == PlayerState::Running && TimeShown)
    ::SetWindowTextW(Control(idTime1), FormatMediaTime(position, ShowMillis).c_str());
  if (BarPolling && BarShown) {
    RECT r;
    ::GetWindowRect(Control(idTrackFrm), &r);
    try {
      SetBarFill(Player_->PositionToBarWidth(r.right - r.left, kBarMargin));
    } catch (const std::exception&) {
    }
  }
  if (VolumePolling && !Dragging && VolumeShown) {
    RECT groove, knob;
    ::GetWindowRect(Control(sldVolumeFrm), &groove);
    ::GetWindowRect(Control(sldVolume), &knob);
    ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&groove), 2);
    ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&knob), 2);
    try {
      int offset = Player_->VolumeToSliderOffset(groove.bottom - groove.top, knob.bottom - knob.top, 0);
      if (knob.top != groove.top + offset)
        ::SetWindowPos(Control(sldVolume), nullptr, knob.left, groove.top + offset, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    } catch (const std::exception&) {
    }
  }
}

void TfrmVocorder::AutomaticStop() {
  SetTimerInterval(100);
  idStopClick();
}

void TfrmVocorder::WMPlayerNotify(LPARAM code) {
  switch (code) {
    case pnOpening:
      ::EnableWindow(Control(idPlay), FALSE);
      break;
    case pnOpened:
    case pnPlayFailed:
      ::EnableWindow(Control(idPlay), TRUE);
      break;
    case pnPlaying:
      SetTimerInterval(PlayInterval);
      if (TimeSupported)
        ::SetWindowTextW(Control(idTime2), FormatMediaTime(Player_->Duration(), ShowMillis).c_str());
      ShowPlayGlyph(2);
      ::EnableWindow(Control(idStop), TRUE);
      break;
    case pnStopped:
      SetTimerInterval(100);
      BarPolling = false;
      SetBarFill(0);
      ::EnableWindow(Control(idStop), FALSE);
      if (PlayGlyph == 2) ShowPlayGlyph(0);
      if (PlayGlyph == 3) ShowPlayGlyph(1);
      if (TimeSupported && WindowText(Control(idTime1)) != ZeroTimeText)
        ::SetWindowTextW(Control(idTime1), ZeroTimeText.c_str());
      break;
    case pnClosed:
    case pnCloseFailed:
      BarPolling = false;
      SetBarFill(0);
      break;
    case pnRewound:
      SetBarFill(0);
      break;
    case pnRewindFailed:
      if (Player_->State() == PlayerState::Stopped) {
        BarPolling = false;
        SetBarFill(0);
      }
      break;
    case pnGraphEvent:
      if (Player_->ReadGraphEvent() == EC_COMPLETE) {
        // A finished recording starts from its beginning next time.
        finishing_ = true;
        ScopeExit done([this] { finishing_ = false; });
        AutomaticStop();
      }
      break;
    case pnOpenFailed:
      ::EnableWindow(Control(idPlay), TRUE);
      MarkDelayPending(false);
      try {
        Player_->Close();
      } catch (const std::exception&) {
      }
      break;
    case pnStopFailed:
      ::EnableWindow(Control(idStop), TRUE);
      break;
    case pnVolumeFailed:
      VolumePolling = false;
      break;
    case pnPositionFailed:
      BarPolling = false;
      break;
  }
}

bool TfrmVocorder::FormCloseQuery() {
  // A dictation in hand is completed and saved or discarded first.
  if (FRecMpeg_ && !FRecMpeg_->CloseQuery()) return false;
  if (PlayerBusy()) {
    try {
      idStopClick();
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
  for (auto* k : {&HotKeyStartStop, &HotKeyBack, &HotKeyForward, &HotKeyForwardX, &HotKeyBackX, &HotKeyRefresh,
                  &HotKeyVolUp, &HotKeyVolDown})
    k->reset();
  stampKey_.reset();
  typer_.reset();
  FRecMpeg_.reset();  // its window is owned by this one
  FAbout_.reset();
  Email1_.reset();
  Form2_.reset();
  Player_.reset();
}

void TfrmVocorder::ShowPlayerError(const std::exception& e) {
  std::wstring text;
  if (auto* p = dynamic_cast<const PlayerError*>(&e))
    text = p->Text();
  else
    text = text::FromAnsi(e.what());
  kestrel::ShowMessageBox(hwnd_, text, kestrel::ApplicationTitle(), MB_OK | MB_ICONSTOP);
}

void TfrmVocorder::RefocusKeySink() {
  // Not before the window shows: focusing a control of a hidden window
  // activates it unseen, which held up the start by about 10 ms under Wine.
  // Create gives the focus once the window is up.
  if (!hwnd_ || !::IsWindowVisible(hwnd_)) return;
  HWND target = Control(idNull);
  if (timeEditorOpen_) {
    static constexpr int kCarets[] = {idTimeEdit2dCursor, 0, 0, idTimeEdit2cCursor, 0, idTimeEdit2bCursor, 0, 0,
                                      idTimeEdit2aCursor};
    int id = EditCursor >= 1 && EditCursor <= 8 ? kCarets[EditCursor] : 0;
    if (id) target = ::GetDlgItem(Control(idTime2Frm), id);
  }
  if (::GetFocus() != target) ::SetFocus(target);
}

}  // namespace app
