#include "recorder/RecMpeg.h"

#include <commctrl.h>

#include "base/Files.h"
#include "base/Registry.h"
#include "base/Text.h"
#include "core/KestrelErrors.h"
#include "core/KestrelUtils.h"
#include "lists/ListFile.h"
#include "recorder/InputBox.h"

namespace {

const wchar_t kClass[] = L"TFRecMpeg";
constexpr UINT_PTR kTimer1 = 1;
constexpr uint32_t kBufferSize = 1024;

// The window's layout in one place (client area 344 x 81).
const win::DialogItem kControls[] = {
    {TFRecMpeg::idLabel3, L"STATIC", L"Sekúnd:", SS_LEFT, 8, 8, 60, 16},
    {TFRecMpeg::idLabel4, L"STATIC", L"0", SS_LEFT, 70, 6, 40, 18},
    {TFRecMpeg::idLabel1, L"STATIC", L"Dĺžka v minútach:", SS_LEFT, 120, 8, 110, 16},
    {TFRecMpeg::idLabel2, L"STATIC", L"0", SS_LEFT, 232, 5, 60, 20},
    {TFRecMpeg::idpgBar, PROGRESS_CLASSW, L"", 0, 8, 28, 328, 14},
    {TFRecMpeg::idBitBtn1, L"BUTTON", L"Štart", BS_PUSHBUTTON | WS_TABSTOP, 8, 50, 75, 25},
    {TFRecMpeg::idStop, L"BUTTON", L"Stop", BS_AUTOCHECKBOX | BS_PUSHLIKE | WS_TABSTOP | WS_DISABLED, 88, 50, 60, 25},
    {TFRecMpeg::idButton1, L"BUTTON", L"Uložiť", BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED, 153, 50, 75, 25},
    {TFRecMpeg::idBitBtn2, L"BUTTON", L"Ukončiť", BS_PUSHBUTTON | WS_TABSTOP, 233, 50, 75, 25},
    {TFRecMpeg::idSpeedButton2, L"BUTTON", L"", BS_ICON | BS_PUSHBUTTON, 313, 50, 25, 25},
};

// A tool window, always on top, centred on the desktop when it is made.
const win::DialogTemplate kWindow{
    .caption = L"Záznam zvuku",
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
  if (kestrel::FileExists(tempFile_)) ::DeleteFileW(tempFile_.c_str());
  for (win::HeapBlock& b : buffers_) b.reset(::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, kBufferSize));
}

TFRecMpeg::~TFRecMpeg() {
  // The devices first: their worker may still hand a buffer on.
  WaveIn.reset();
  WaveOut.reset();
  if (kestrel::FileExists(tempFile_)) ::DeleteFileW(tempFile_.c_str());
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

void TFRecMpeg::QueueBuffer() {
  // The worker (WaveInData) and the window (resume) both queue: flip the
  // index in one step.
  int i = index_.fetch_xor(1);
  WaveIn->AddBuffer(buffers_[i].get(), kBufferSize);
}

void TFRecMpeg::ShowClock() {
  ::SetWindowTextW(Item(idLabel2), text::FromInt(clock_.Minutes).c_str());
  ::SetWindowTextW(Item(idLabel4), text::FromInt(clock_.Seconds).c_str());
  ::SendMessageW(Item(idpgBar), PBM_SETPOS, clock_.Bar, 0);
}

void TFRecMpeg::BitBtn1Click() {
  clock_.Reset();
  SetTimer1(true);
  WaveIn->SetDeviceID(0);
  WaveOut->SetSaveFormat(TSaveFormat::MP3);
  WaveOut->SetStereo(TStereo::disable);
  WaveIn->SetStereo(TStereo::disable);
  WaveOut->SetSaveToFile(tempFile_);
  if (WaveIn->Open() != MMSYSERR_NOERROR) return;
  QueueBuffer();
  QueueBuffer();
  ::EnableWindow(Item(idBitBtn1), FALSE);
  ::EnableWindow(Item(idButton1), TRUE);
  ::EnableWindow(Item(idStop), TRUE);
}

void TFRecMpeg::WaveInData(void* data, uint32_t size) {
  if (paused_) return;
  WaveOut->Write(data, size);
  QueueBuffer();
}

void TFRecMpeg::StopClick() {
  const bool down = StopDown();
  paused_ = down;
  SetTimer1(!down);
  if (!down) {
    QueueBuffer();
    QueueBuffer();
  }
}

void TFRecMpeg::Timer1Timer() {
  clock_.Tick();
  ShowClock();
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void TFRecMpeg::Button1Click() {
  const std::wstring listFile = recorder::CurrentListFile();
  std::optional<std::vector<std::wstring>> lines = kestrel::ReadListFile(listFile);
  if (!lines) {
    kestrel::ShowMessageBox(hwnd_, FileOpenError(listFile), kestrel::ApplicationTitle(), MB_OK | MB_ICONSTOP);
    return;
  }
  const std::wstring folder =
      recorder::RecordingsFolder(*lines, reg::UserStore().Read(L"Dir_MP3s"), reg::DocumentsFolder());

  ::SendMessageW(Item(idStop), BM_SETCHECK, BST_UNCHECKED, 0);
  paused_ = false;
  clock_.Reset();
  ShowClock();
  SetTimer1(false);
  ::EnableWindow(Item(idBitBtn1), TRUE);

  HCURSOR old = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  WaveIn->Close();
  WaveOut->Close();
  ::EnableWindow(Item(idButton1), FALSE);
  ::EnableWindow(Item(idStop), FALSE);
  ::SetCursor(old);

  if (!kestrel::FileExists(tempFile_)) return;
  std::optional<std::wstring> answer = recorder::InputQuery(hwnd_, L"Zvukový záznam", L"Uveďte názov", L"");
  if (!answer || answer->empty()) return;
  const std::wstring target = recorder::TargetName(folder, *answer);

  old = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  PumpWaiting();
  files::ShellCopy(tempFile_, target);
  // A failed append has been reported; the list stays as it was.
  if (kestrel::FileExists(target)) kestrel::AppendListLine(listFile, target);
  ::SetCursor(old);
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void TFRecMpeg::BitBtn2Click() {
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
  if (code != BN_CLICKED) return;
  switch (id) {
    case idBitBtn1: BitBtn1Click(); return;
    case idStop: StopClick(); return;
    case idButton1: Button1Click(); return;
    case idBitBtn2: BitBtn2Click(); return;
    case idSpeedButton2: SpeedButton2Click(); return;
  }
}

// The close button only hides: recording, timer and buttons carry on.
void TFRecMpeg::OnClose() { EndModal(IDCANCEL); }

void TFRecMpeg::ReportFailure(const std::exception& e) {
  kestrel::ShowMessageBox(hwnd_, text::FromAnsi(e.what()), kestrel::ApplicationTitle(), MB_OK | MB_ICONSTOP);
}

LRESULT TFRecMpeg::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_TIMER:
      if (wp == kTimer1 && timerOn_) Timer1Timer();
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
