#include "recorder/RecMpeg.h"

#include <commctrl.h>

#include <optional>
#include <string_view>

#include "audio/UDSMemoryStream.h"
#include "audio/UDSWaveStream.h"
#include "base/Files.h"
#include "base/InputBox.h"
#include "base/ScopeExit.h"
#include "base/Text.h"
#include "core/KestrelErrors.h"
#include "core/KestrelUtils.h"
#include "lists/ListFile.h"
#include "recorder/RecTexts.h"

namespace {

const wchar_t kClass[] = L"TFRecMpeg";
constexpr UINT_PTR kTimer1 = 1;
constexpr uint32_t kBufferSize = 1024;

// The window's layout in one place (client area 344 x 81).
const win::DialogItem kControls[] = {
    {TFRecMpeg::idLabel3, L"STATIC", recorder::texts::kLabel3, SS_LEFT, 8, 8, 60, 16},
    {TFRecMpeg::idLabel4, L"STATIC", L"0", SS_LEFT, 70, 6, 40, 18},
    {TFRecMpeg::idLabel1, L"STATIC", recorder::texts::kLabel1, SS_LEFT, 120, 8, 110, 16},
    {TFRecMpeg::idLabel2, L"STATIC", L"0", SS_LEFT, 232, 5, 60, 20},
    {TFRecMpeg::idpgBar, PROGRESS_CLASSW, L"", 0, 8, 28, 328, 14},
    {TFRecMpeg::idBitBtn1, L"BUTTON", recorder::texts::kStart, BS_PUSHBUTTON | WS_TABSTOP, 8, 50, 75, 25},
    {TFRecMpeg::idStop, L"BUTTON", recorder::texts::kStop, BS_AUTOCHECKBOX | BS_PUSHLIKE | WS_TABSTOP | WS_DISABLED, 88, 50, 60, 25},
    {TFRecMpeg::idButton1, L"BUTTON", recorder::texts::kSave, BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED, 153, 50, 75, 25},
    {TFRecMpeg::idBitBtn2, L"BUTTON", recorder::texts::kClose, BS_PUSHBUTTON | WS_TABSTOP, 233, 50, 75, 25},
    {TFRecMpeg::idSpeedButton2, L"BUTTON", L"", BS_ICON | BS_PUSHBUTTON, 313, 50, 25, 25},
};

// A tool window, always on top, centred on the desktop when it is made.
const win::DialogTemplate kWindow{
    .caption = recorder::texts::kCaption,
    .clientWidth = 344,
    .clientHeight = 81,
    .font = {L"MS Sans Serif", 8},
    .items = kControls,
    .enterId = 0,
    .escapeId = 0,
    .placement = win::Placement::CentreScreenOnce,
    .style = WS_POPUP | WS_CAPTION | WS_SYSMENU,
    .exStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST,
    .className = kClass,
};

HFONT MakeFont(const wchar_t* face, int height, bool bold) {
  return ::CreateFontW(-height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
}

std::wstring SystemText(DWORD code) {
  wchar_t* sys = nullptr;
  ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&sys), 0, nullptr);
  std::wstring text = sys ? std::wstring(text::TrimRight(sys)) : L"(" + text::FromInt(code) + L")";
  if (sys) ::LocalFree(sys);
  return text;
}

enum class TContent { Sound, Empty, Unreadable };

// What a recording file holds. Read through memory rather than by name, so
// that a folder whose name the ANSI code page cannot spell still reads.
TContent ContentOf(const std::wstring& path) {
  std::optional<std::string> bytes = files::ReadAll(path);
  if (!bytes) return TContent::Unreadable;
  if (bytes->empty()) return TContent::Empty;
  TDSMemoryStream memory(std::move(*bytes));
  std::unique_ptr<TDSMMIOWaveStream> file = TDSMMIOWaveStream::OpenOnStream(memory);
  if (!file) return TContent::Unreadable;
  char probe[64];
  const int32_t n = file->Read(TDSArea(probe, sizeof probe));
  return n > 0 ? TContent::Sound : n == 0 ? TContent::Empty : TContent::Unreadable;
}

// A box of the system that the window owns (the message boxes).
BOOL CALLBACK EndOwnedBox(HWND box, LPARAM owner) {
  wchar_t cls[16] = L"";
  ::GetClassNameW(box, cls, 16);
  if (::GetWindow(box, GW_OWNER) == reinterpret_cast<HWND>(owner) && std::wstring_view(cls) == L"#32770")
    ::EndDialog(box, IDCANCEL);
  return TRUE;
}

}  // namespace

TFRecMpeg::TFRecMpeg(HWND owner) : TDialog(kWindow) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&icc);
  Create(owner);

  WaveIn = std::make_unique<TWaveIn>();
  WaveIn->SetDeviceID(-1);
  WaveIn->SetSamples(TSamples::_11kHz);
  WaveIn->SetStereo(TStereo::disable);
  WaveIn->SetBits(TBits::_8);
  WaveIn->OnData = [this](void* data, uint32_t size) { WaveInData(data, size); };
  WaveOut = std::make_unique<TWaveOut>();
  WaveOut->SetDeviceID(-1);
  WaveOut->SetSamples(TSamples::_11kHz);
  WaveOut->SetStereo(TStereo::disable);
  WaveOut->SetBits(TBits::_8);
  WaveOut->SetSaveFormat(TSaveFormat::MP3);
  // What a worker throws ends the recording, as a failed write does.
  for (wave::TWaveDevice* device : {static_cast<wave::TWaveDevice*>(WaveIn.get()),
                                    static_cast<wave::TWaveDevice*>(WaveOut.get())})
    device->OnFailure = [this](const std::string& what) {
      {
        win::Lock lock(failureLock_);
        failure_ = text::FromAnsi(what);
      }
      if (!stopped_.exchange(true)) ::PostMessageW(hwnd_, kStoppedMessage, 0, 0);
    };

  tempFile_ = recorder::TemporaryRecordingName();
  for (win::HeapBlock& b : buffers_) b.reset(::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, kBufferSize));
}

TFRecMpeg::~TFRecMpeg() {
  // The input first, closed while both components still exist: its worker
  // hands the buffers it holds back through WaveInData, which writes them
  // but queues nothing more. Then the file is completed.
  closingInput_ = true;
  WaveIn->Close();
  WaveOut->Close();
  WaveIn.reset();
  WaveOut.reset();
  if (!unsaved_ && kestrel::FileExists(tempFile_)) ::DeleteFileW(tempFile_.c_str());
  Destroy();
}

void TFRecMpeg::OnCreate() {
  fontLabel4_.reset(MakeFont(L"Arial", 13, true));
  fontLabel2_.reset(MakeFont(L"Courier New", 16, true));
  ::SendMessageW(Item(idLabel4), WM_SETFONT, reinterpret_cast<WPARAM>(fontLabel4_.get()), FALSE);
  ::SendMessageW(Item(idLabel2), WM_SETFONT, reinterpret_cast<WPARAM>(fontLabel2_.get()), FALSE);
  ::SendMessageW(Item(idpgBar), PBM_SETRANGE32, 0, recorder::TRecClock::kBarMax);
  aboutGlyph_.reset(static_cast<HICON>(
      ::CopyImage(::LoadIconW(nullptr, IDI_INFORMATION), IMAGE_ICON, 16, 16, 0)));
  ::SendMessageW(Item(idSpeedButton2), BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(aboutGlyph_.get()));
}

bool TFRecMpeg::StopDown() const { return ::SendMessageW(Item(idStop), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TFRecMpeg::SetTimer1(bool enabled) {
  timerOn_ = enabled;
  if (enabled)
    ::SetTimer(hwnd_, kTimer1, 1000, nullptr);
  else
    ::KillTimer(hwnd_, kTimer1);
}

int TFRecMpeg::BufferIndex(const void* data) const {
  for (int i = 0; i < kBuffers; ++i)
    if (data == buffers_[i].get()) return i;
  return -1;
}

int TFRecMpeg::Ask(const std::wstring& text, UINT type) {
  if (boxesCancelled_) return IDCANCEL;
  return kestrel::ShowMessageBox(hwnd_, text, recorder::texts::kCaption, type);
}

void TFRecMpeg::ShowClock() {
  ::SetWindowTextW(Item(idLabel2), text::FromInt(clock_.Minutes).c_str());
  ::SetWindowTextW(Item(idLabel4), text::FromInt(clock_.Seconds).c_str());
  ::SendMessageW(Item(idpgBar), PBM_SETPOS, clock_.Bar, 0);
}

void TFRecMpeg::BitBtn1Click() {
  if (unsaved_ && !SettleBeforeStart()) return;
  WaveIn->SetDeviceID(0);
  WaveOut->SetSaveFormat(TSaveFormat::MP3);
  WaveOut->SetStereo(TStereo::disable);
  WaveIn->SetStereo(TStereo::disable);
  WaveOut->SetSaveToFile(tempFile_);
  // Without a file there is nothing to record into: say why rather than
  // run the counters over a recording that is not being kept.
  if (WaveOut->SaveToFile().empty()) {
    const DWORD error = WaveOut->SaveError();
    Ask(error ? recorder::texts::CannotCreate(tempFile_, SystemText(error)) : recorder::texts::kNoEncoder,
        MB_OK | MB_ICONSTOP);
    return;
  }
  closingInput_ = false;
  stopped_ = false;
  recordedBytes_ = 0;
  if (WaveIn->Open() != MMSYSERR_NOERROR) {
    WaveOut->Close();
    Ask(recorder::texts::kNoInput, MB_OK | MB_ICONSTOP);
    return;
  }
  unsaved_ = true;
  clock_.Reset();
  ShowClock();
  SetTimer1(true);
  for (win::HeapBlock& b : buffers_) WaveIn->AddBuffer(b.get(), kBufferSize);
  ::EnableWindow(Item(idBitBtn1), FALSE);
  ::EnableWindow(Item(idButton1), TRUE);
  ::EnableWindow(Item(idStop), TRUE);
}

bool TFRecMpeg::SettleBeforeStart() {
  BeginBusy();
  ScopeExit done([this] { EndBusy(); });
  // Only an explicit Yes throws it away; Enter saves it first.
  const int answer = Ask(recorder::texts::kAskBeforeStart, MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2);
  if (boxesCancelled_) return false;
  if (answer == IDYES) {
    Discard();
    return true;
  }
  return answer == IDNO && SaveDictation() == recorder::TSaved::Saved;
}

void TFRecMpeg::WaveInData(void* data, uint32_t size) {
  const int i = BufferIndex(data);
  if (i < 0 || stopped_) return;
  // Everything that comes back holds sound captured while recording: the
  // buffer a pause or the close returns too.
  if (size > 0) {
    const MMRESULT r = WaveOut->Write(data, size);
    if (r == TWaveOut::kWriteFailed) {
      if (!stopped_.exchange(true)) ::PostMessageW(hwnd_, kStoppedMessage, 0, 0);
      return;
    }
    if (r == MMSYSERR_NOERROR) recordedBytes_ += size;
  }
  if (!closingInput_) WaveIn->AddBuffer(data, kBufferSize);
}

void TFRecMpeg::StopClick() {
  // Paused, the device keeps its buffers; the one being filled comes back
  // with the sound from before the pause.
  const bool down = StopDown();
  SetTimer1(!down);
  if (down)
    WaveIn->Pause();
  else
    WaveIn->Resume();
}

void TFRecMpeg::FinishRecording() {
  closingInput_ = true;
  WaveIn->Close();
  WaveOut->Close();
  clock_.Reset();
  ShowClock();
  SetTimer1(false);
  ::SendMessageW(Item(idStop), BM_SETCHECK, BST_UNCHECKED, 0);
  ::EnableWindow(Item(idStop), FALSE);
  ::EnableWindow(Item(idBitBtn1), TRUE);
  ::EnableWindow(Item(idButton1), unsaved_ ? TRUE : FALSE);
}

void TFRecMpeg::RecordingStopped() {
  if (busy_) {
    // A save or a question is under way; told once it is done.
    stopPending_ = true;
    return;
  }
  std::wstring failure;
  {
    win::Lock lock(failureLock_);
    failure.swap(failure_);
  }
  FinishRecording();
  BeginBusy();
  ScopeExit done([this] { EndBusy(); });
  Ask(failure.empty() ? std::wstring(recorder::texts::kWriteFailed) : recorder::texts::RecordingFailed(failure),
      MB_OK | MB_ICONSTOP);
}

void TFRecMpeg::EndSession() {
  // Log-off or shutdown: the recording is completed and kept for the next
  // start, which offers it; nothing is asked, the process ends after this.
  if (WaveIn->IsActive() || WaveOut->IsActive()) FinishRecording();
}

void TFRecMpeg::Timer1Timer() {
  clock_.Tick();
  ShowClock();
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void TFRecMpeg::EndBusy() {
  busy_ = false;
  if (stopPending_) {
    stopPending_ = false;
    ::PostMessageW(hwnd_, kStoppedMessage, 0, 0);
  }
  if (boxesCancelled_) {
    boxesCancelled_ = false;
    if (Owner()) ::PostMessageW(Owner(), WM_CLOSE, 0, 0);
  }
}

void TFRecMpeg::CancelBoxes() {
  boxesCancelled_ = true;
  win::CancelInputQuery();
  ::EnumThreadWindows(::GetCurrentThreadId(), EndOwnedBox, reinterpret_cast<LPARAM>(hwnd_));
}

void TFRecMpeg::Button1Click() {
  // A list that cannot be read stops here, and the recording goes on.
  if (!recorder::CheckListFile(hwnd_)) return;
  // Nothing may act until the save is done.
  BeginBusy();
  ScopeExit done([this] { EndBusy(); });
  for (int id : {idBitBtn1, idStop, idButton1, idBitBtn2}) ::EnableWindow(Item(id), FALSE);
  HCURSOR old = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  FinishRecording();
  ::SetCursor(old);
  SaveDictation();
  ::EnableWindow(Item(idBitBtn1), TRUE);
  ::EnableWindow(Item(idButton1), unsaved_ ? TRUE : FALSE);
  ::EnableWindow(Item(idBitBtn2), TRUE);
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

recorder::TSaved TFRecMpeg::SaveDictation() {
  recorder::TDictationSaver saver(
      hwnd_, [this](const std::wstring& text, UINT type) { return Ask(text, type); },
      [this] { return boxesCancelled_; });
  const recorder::TSaved saved = saver.Save(tempFile_);
  // Only a copy that is complete and listed lets the temporary file go.
  if (saved == recorder::TSaved::Saved) Discard();
  return saved;
}

void TFRecMpeg::Discard() {
  unsaved_ = false;
  if (kestrel::FileExists(tempFile_)) ::DeleteFileW(tempFile_.c_str());
  ::EnableWindow(Item(idButton1), FALSE);
  ::EnableWindow(Item(idBitBtn1), TRUE);
}

bool TFRecMpeg::CloseQuery() {
  if (busy_) {
    CancelBoxes();
    return false;
  }
  BeginBusy();
  ScopeExit done([this] { EndBusy(); });
  if (WaveIn->IsActive() || WaveOut->IsActive()) FinishRecording();
  // One without a single sample is no dictation; one that cannot be read
  // is still asked about.
  if (unsaved_ && ContentOf(tempFile_) == TContent::Empty) Discard();
  while (unsaved_) {
    const int answer = Ask(recorder::texts::kAskSaveOnQuit, MB_YESNOCANCEL | MB_ICONQUESTION);
    // The close box, a second close request or a list or copy that failed:
    // the program stays, with the dictation.
    if (boxesCancelled_ || answer == IDCANCEL) return false;
    if (answer == IDNO) {
      Discard();
    } else if (SaveDictation() == recorder::TSaved::Failed || boxesCancelled_) {
      return false;
    }
    // A cancelled name prompt asks again.
  }
  return true;
}

bool TFRecMpeg::OfferLeftover() {
  // One left at the place earlier versions used is offered from the new one.
  const std::wstring former = recorder::FormerTemporaryRecordingName();
  if (!kestrel::FileExists(tempFile_) && former != tempFile_ && kestrel::FileExists(former))
    ::MoveFileExW(former.c_str(), tempFile_.c_str(), MOVEFILE_COPY_ALLOWED);
  if (!kestrel::FileExists(tempFile_)) return false;
  switch (ContentOf(tempFile_)) {
    case TContent::Sound: break;
    case TContent::Empty: ::DeleteFileW(tempFile_.c_str()); return false;
    case TContent::Unreadable: {
      // Perhaps the user can rescue it; it is not deleted.
      SYSTEMTIME now;
      ::GetLocalTime(&now);
      const std::wstring aside = recorder::AsideName(tempFile_, now);
      if (::MoveFileExW(tempFile_.c_str(), aside.c_str(), 0))
        Ask(recorder::texts::LeftoverSetAside(aside), MB_OK | MB_ICONEXCLAMATION);
      return false;
    }
  }
  BeginBusy();
  ScopeExit done([this] { EndBusy(); });
  unsaved_ = true;
  bool saved = false;
  // Yes and No only: a dictation is either kept or thrown away by the user.
  while (unsaved_) {
    const int answer = Ask(recorder::texts::kAskSaveLeftover, MB_YESNO | MB_ICONQUESTION);
    if (boxesCancelled_) break;
    if (answer != IDYES) {
      Discard();
      break;
    }
    const recorder::TSaved r = SaveDictation();
    if (r == recorder::TSaved::Saved) saved = true;
    // A list that cannot be read: the recording stays for "Uložiť".
    if (r == recorder::TSaved::Failed || boxesCancelled_) break;
  }
  ::EnableWindow(Item(idButton1), unsaved_ ? TRUE : FALSE);
  return saved;
}

void TFRecMpeg::BitBtn2Click() {
  // Ended as "Uložiť" ends it: opened again, the window is stopped with the
  // dictation in hand.
  if (WaveIn->IsActive() || WaveOut->IsActive()) FinishRecording();
  EndModal(IDCANCEL);
}

void TFRecMpeg::SpeedButton2Click() {
  if (!OnAbout) return;
  RECT r{};
  ::GetWindowRect(hwnd_, &r);
  OnAbout(hwnd_, r.top, (r.left + r.right) / 2);
}

void TFRecMpeg::OnCommand(int id, int code) {
  if (busy_ || code != BN_CLICKED) return;
  switch (id) {
    case idBitBtn1: BitBtn1Click(); return;
    case idStop: StopClick(); return;
    case idButton1: Button1Click(); return;
    case idBitBtn2: BitBtn2Click(); return;
    case idSpeedButton2: SpeedButton2Click(); return;
  }
}

// The close button only hides: recording, timer and buttons carry on.
void TFRecMpeg::OnClose() {
  if (!busy_) EndModal(IDCANCEL);
}

void TFRecMpeg::ReportFailure(const std::exception& e) {
  kestrel::ShowMessageBox(hwnd_, text::FromAnsi(e.what()), kestrel::ApplicationTitle(), MB_OK | MB_ICONSTOP);
}

LRESULT TFRecMpeg::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_TIMER:
      if (wp == kTimer1 && timerOn_) Timer1Timer();
      return 0;
    case kStoppedMessage:
      RecordingStopped();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;  // never held up by a question
    case WM_ENDSESSION:
      if (wp) EndSession();
      return 0;
    case WM_CTLCOLORSTATIC: {
      HWND c = reinterpret_cast<HWND>(lp);
      if (c == Item(idLabel2) || c == Item(idLabel4)) {
        HDC dc = reinterpret_cast<HDC>(wp);
        ::SetTextColor(dc, RGB(255, 0, 0));
        ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    }
  }
  return TDialog::HandleMessage(msg, wp, lp);
}
