#include "recorder/RecMpeg.h"

#include <commctrl.h>

#include "base/Files.h"
#include "base/Registry.h"
#include "base/Text.h"
#include "audio/UDSWaveStream.h"
#include "core/KestrelErrors.h"
#include "core/KestrelUtils.h"
#include "lists/ListFile.h"
#include "recorder/InputBox.h"
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

void PumpWaiting() {
  MSG m;
  while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
  }
}

// The text of a file that cannot be opened, as the standard file-open
// failure reads.
std::wstring FileOpenError(const std::wstring& path) {
  DWORD code = ::GetLastError();
  wchar_t* sys = nullptr;
  ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code ? code : ERROR_FILE_NOT_FOUND, 0, reinterpret_cast<wchar_t*>(&sys), 0, nullptr);
  std::wstring reason = sys ? std::wstring(text::TrimRight(sys)) : std::wstring();
  if (sys) ::LocalFree(sys);
  return L"Cannot open file \"" + path + L"\". " + reason;
}

// Whether a recording file holds any sample data; false for one that cannot
// be read as a RIFF WAVE file.
bool HoldsSound(const std::wstring& path) {
  std::unique_ptr<TDSMMIOWaveStream> file = TDSMMIOWaveStream::OpenFile(path);
  if (!file) return false;
  char probe[64];
  return file->Read(TDSArea(probe, sizeof probe)) > 0;
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
  for (int i = 0; i < 2; ++i)
    if (data == buffers_[i].get()) return i;
  return -1;
}

void TFRecMpeg::QueueBuffer(int i) {
  // A buffer is queued again exactly when it came back: a pause and resume
  // within one buffer's time must not queue one the device still holds.
  win::Lock lock(queueLock_);
  if (queued_[i]) return;
  queued_[i] = WaveIn->AddBuffer(buffers_[i].get(), kBufferSize) == MMSYSERR_NOERROR;
}

int TFRecMpeg::Ask(const wchar_t* text, UINT type) {
  return kestrel::ShowMessageBox(hwnd_, text, recorder::texts::kCaption, type);
}

void TFRecMpeg::ShowClock() {
  ::SetWindowTextW(Item(idLabel2), text::FromInt(clock_.Minutes).c_str());
  ::SetWindowTextW(Item(idLabel4), text::FromInt(clock_.Seconds).c_str());
  ::SendMessageW(Item(idpgBar), PBM_SETPOS, clock_.Bar, 0);
}

void TFRecMpeg::BitBtn1Click() {
  WaveIn->SetDeviceID(0);
  WaveOut->SetSaveFormat(TSaveFormat::MP3);
  WaveOut->SetStereo(TStereo::disable);
  WaveIn->SetStereo(TStereo::disable);
  WaveOut->SetSaveToFile(tempFile_);
  // Without a file there is nothing to record into: say so rather than run
  // the counters over a recording that is not being kept.
  if (WaveOut->SaveToFile().empty()) {
    Ask(recorder::texts::kNoEncoder, MB_OK | MB_ICONSTOP);
    return;
  }
  {
    win::Lock lock(queueLock_);
    queued_[0] = queued_[1] = false;
  }
  paused_ = false;
  closingInput_ = false;
  writeFailed_ = false;
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
  QueueBuffer(0);
  QueueBuffer(1);
  ::EnableWindow(Item(idBitBtn1), FALSE);
  ::EnableWindow(Item(idButton1), TRUE);
  ::EnableWindow(Item(idStop), TRUE);
}

void TFRecMpeg::WaveInData(void* data, uint32_t size) {
  const int i = BufferIndex(data);
  if (i < 0) return;
  {
    win::Lock lock(queueLock_);
    queued_[i] = false;
  }
  if (paused_ || writeFailed_) return;
  MMRESULT r = WaveOut->Write(data, size);
  if (r == TWaveOut::kWriteFailed) {
    writeFailed_ = true;
    ::PostMessageW(hwnd_, kWriteFailedMessage, 0, 0);
    return;
  }
  if (r == MMSYSERR_NOERROR) recordedBytes_ += size;
  if (!closingInput_) QueueBuffer(i);
}

void TFRecMpeg::StopClick() {
  const bool down = StopDown();
  paused_ = down;
  SetTimer1(!down);
  if (!down) {
    QueueBuffer(0);
    QueueBuffer(1);
  }
}

void TFRecMpeg::FinishRecording() {
  closingInput_ = true;
  WaveIn->Close();
  WaveOut->Close();
  paused_ = false;
  SetTimer1(false);
  ::SendMessageW(Item(idStop), BM_SETCHECK, BST_UNCHECKED, 0);
  ::EnableWindow(Item(idStop), FALSE);
  ::EnableWindow(Item(idBitBtn1), FALSE);
  ::EnableWindow(Item(idButton1), unsaved_ ? TRUE : FALSE);
}

void TFRecMpeg::WriteFailed() {
  if (busy_) {
    // A save or a stop is closing the devices anyway; told once it is done.
    failurePending_ = true;
    return;
  }
  busy_ = true;
  FinishRecording();
  busy_ = false;
  Ask(recorder::texts::kWriteFailed, MB_OK | MB_ICONSTOP);
}

void TFRecMpeg::Timer1Timer() {
  clock_.Tick();
  ShowClock();
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void TFRecMpeg::EndBusy() {
  busy_ = false;
  if (failurePending_) {
    failurePending_ = false;
    ::PostMessageW(hwnd_, kWriteFailedMessage, 0, 0);
  }
}

void TFRecMpeg::Button1Click() {
  // A list that cannot be read stops here, and the recording goes on.
  const std::wstring listFile = recorder::CurrentListFile();
  if (!kestrel::ReadListFile(listFile)) {
    kestrel::ShowMessageBox(hwnd_, FileOpenError(listFile), kestrel::ApplicationTitle(), MB_OK | MB_ICONSTOP);
    return;
  }
  // Nothing may act until the save is done: closing the devices lets window
  // messages run, and a "Štart" then would truncate the file being saved.
  busy_ = true;
  for (int id : {idBitBtn1, idStop, idButton1, idBitBtn2}) ::EnableWindow(Item(id), FALSE);
  ::SendMessageW(Item(idStop), BM_SETCHECK, BST_UNCHECKED, 0);
  clock_.Reset();
  ShowClock();
  SetTimer1(false);
  HCURSOR old = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  closingInput_ = true;
  WaveIn->Close();
  WaveOut->Close();
  paused_ = false;
  ::SetCursor(old);
  const TSaved saved = SaveRecording();
  if (saved == TSaved::Failed) {
    // The list could not be read: the recording stays in hand.
    ::EnableWindow(Item(idButton1), TRUE);
  } else {
    ::EnableWindow(Item(idBitBtn1), TRUE);
  }
  ::EnableWindow(Item(idBitBtn2), TRUE);
  EndBusy();
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

TFRecMpeg::TSaved TFRecMpeg::SaveRecording() {
  const std::wstring listFile = recorder::CurrentListFile();
  std::optional<std::vector<std::wstring>> lines = kestrel::ReadListFile(listFile);
  if (!lines) {
    kestrel::ShowMessageBox(hwnd_, FileOpenError(listFile), kestrel::ApplicationTitle(), MB_OK | MB_ICONSTOP);
    return TSaved::Failed;
  }
  const std::wstring folder =
      recorder::RecordingsFolder(*lines, reg::UserStore().Read(L"Dir_MP3s"), reg::DocumentsFolder());
  if (!kestrel::FileExists(tempFile_)) return TSaved::Cancelled;
  std::optional<std::wstring> answer =
      recorder::InputQuery(hwnd_, recorder::texts::kNameCaption, recorder::texts::kNamePrompt, L"");
  if (!answer || answer->empty()) return TSaved::Cancelled;
  const std::wstring target = recorder::TargetName(folder, *answer);

  HCURSOR old = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  PumpWaiting();
  files::ShellCopy(tempFile_, target);
  const bool copied = kestrel::FileExists(target);
  if (copied) {
    // A failed append has been reported; the list stays as it was.
    kestrel::AppendListLine(listFile, target);
    unsaved_ = false;
  }
  ::SetCursor(old);
  return copied ? TSaved::Saved : TSaved::Cancelled;
}

void TFRecMpeg::Discard() {
  unsaved_ = false;
  if (kestrel::FileExists(tempFile_)) ::DeleteFileW(tempFile_.c_str());
  ::EnableWindow(Item(idButton1), FALSE);
  ::EnableWindow(Item(idBitBtn1), TRUE);
}

bool TFRecMpeg::CloseQuery() {
  if (busy_) return false;
  busy_ = true;
  if (WaveIn->IsActive() || WaveOut->IsActive()) FinishRecording();
  if (unsaved_ && !HoldsSound(tempFile_)) Discard();
  bool close = true;
  while (unsaved_) {
    const int answer = Ask(recorder::texts::kAskSaveOnQuit, MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDNO) {
      Discard();
    } else if (answer != IDYES || SaveRecording() == TSaved::Failed) {
      // The close box (or a list that cannot be read): the program stays.
      close = false;
      break;
    }
    // A cancelled name prompt asks again.
  }
  if (!unsaved_) Discard();
  EndBusy();
  return close;
}

bool TFRecMpeg::OfferLeftover() {
  if (!kestrel::FileExists(tempFile_)) return false;
  if (!HoldsSound(tempFile_)) {
    ::DeleteFileW(tempFile_.c_str());
    return false;
  }
  busy_ = true;
  unsaved_ = true;
  bool saved = false;
  // Yes and No only: a dictation is either kept or thrown away by the user.
  while (unsaved_) {
    if (Ask(recorder::texts::kAskSaveLeftover, MB_YESNO | MB_ICONQUESTION) != IDYES) {
      Discard();
      break;
    }
    const TSaved r = SaveRecording();
    if (r == TSaved::Saved) saved = true;
    // A list that cannot be read: the recording stays for "Uložiť".
    if (r == TSaved::Failed) break;
  }
  if (unsaved_)
    ::EnableWindow(Item(idButton1), TRUE);
  else
    Discard();
  EndBusy();
  return saved;
}

void TFRecMpeg::BitBtn2Click() {
  closingInput_ = true;
  if (WaveIn->IsActive()) WaveIn->Close();
  if (WaveOut->IsActive()) WaveOut->Close();
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
    case kWriteFailedMessage:
      WriteFailed();
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
