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

struct ControlDef {
  int id;
  const wchar_t* cls;
  const wchar_t* text;
  DWORD style;
  int x, y, w, h;
};

// The window's layout in one place (client area 344 x 81).
const ControlDef kControls[] = {
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

void RegisterOnce() {
  WNDCLASSW wc{};
  if (::GetClassInfoW(::GetModuleHandleW(nullptr), kClass, &wc)) return;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClass;
  ::RegisterClassW(&wc);
}

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

TFRecMpeg::TFRecMpeg(HWND owner) : owner_(owner) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&icc);
  RegisterOnce();
  RECT r{0, 0, 344, 81};
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  const DWORD exStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  ::AdjustWindowRectEx(&r, style, FALSE, exStyle);
  const int w = r.right - r.left, h = r.bottom - r.top;
  window_.reset(::CreateWindowExW(exStyle, kClass, L"Záznam zvuku", style, (::GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                                  (::GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h, owner, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr));
  if (window_) {
    ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowLongPtrW(window_.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Proc));
    CreateControls();
  }

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
  for (void*& b : buffers_) b = ::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, kBufferSize);
}

TFRecMpeg::~TFRecMpeg() {
  // The devices first: their worker may still hand a buffer on.
  WaveIn.reset();
  WaveOut.reset();
  for (void* b : buffers_)
    if (b) ::HeapFree(::GetProcessHeap(), 0, b);
  if (kestrel::FileExists(tempFile_)) ::DeleteFileW(tempFile_.c_str());
  if (window_) ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
}

void TFRecMpeg::CreateControls() {
  font_.reset(MakeFont(L"MS Sans Serif", 11, false));
  fontLabel4_.reset(MakeFont(L"Arial", 13, true));
  fontLabel2_.reset(MakeFont(L"Courier New", 16, true));
  for (const ControlDef& c : kControls) {
    HWND h = ::CreateWindowExW(0, c.cls, c.text, WS_CHILD | WS_VISIBLE | c.style, c.x, c.y, c.w, c.h, window_.get(),
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), ::GetModuleHandleW(nullptr),
                               nullptr);
    HGDIOBJ f = c.id == idLabel4 ? fontLabel4_.get() : c.id == idLabel2 ? fontLabel2_.get() : font_.get();
    ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(f), FALSE);
  }
  ::SendMessageW(Item(idpgBar), PBM_SETRANGE32, 0, recorder::TRecClock::kBarMax);
  aboutGlyph_.reset(static_cast<HICON>(
      ::CopyImage(::LoadIconW(nullptr, IDI_INFORMATION), IMAGE_ICON, 16, 16, 0)));
  ::SendMessageW(Item(idSpeedButton2), BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(aboutGlyph_.get()));
}

void TFRecMpeg::ShowModal() {
  if (!window_) return;
  const bool ownerWasEnabled = owner_ && ::IsWindowEnabled(owner_);
  if (ownerWasEnabled) ::EnableWindow(owner_, FALSE);
  ::ShowWindow(window_.get(), SW_SHOW);
  ::SetForegroundWindow(window_.get());
  modal_ = true;
  MSG m;
  while (modal_ && ::GetMessageW(&m, nullptr, 0, 0) > 0) {
    if (!::IsDialogMessageW(window_.get(), &m)) {
      ::TranslateMessage(&m);
      ::DispatchMessageW(&m);
    }
  }
  if (m.message == WM_QUIT && modal_) ::PostQuitMessage(static_cast<int>(m.wParam));
  modal_ = false;
  if (ownerWasEnabled) ::EnableWindow(owner_, TRUE);
  ::ShowWindow(window_.get(), SW_HIDE);
  if (owner_) ::SetActiveWindow(owner_);
}

bool TFRecMpeg::StopDown() const { return ::SendMessageW(Item(idStop), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TFRecMpeg::SetTimer1(bool enabled) {
  timerOn_ = enabled;
  if (enabled)
    ::SetTimer(window_.get(), kTimer1, 1000, nullptr);
  else
    ::KillTimer(window_.get(), kTimer1);
}

void TFRecMpeg::QueueBuffer() {
  // The worker (WaveInData) and the window (resume) both queue: flip the
  // index in one step.
  int i = index_.fetch_xor(1);
  WaveIn->AddBuffer(buffers_[i], kBufferSize);
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
  ::InvalidateRect(window_.get(), nullptr, TRUE);
}

void TFRecMpeg::Button1Click() {
  const std::wstring listFile = recorder::CurrentListFile();
  std::optional<std::vector<std::wstring>> lines = kestrel::ReadListFile(listFile);
  if (!lines) {
    kestrel::ShowMessageBox(window_.get(), FileOpenError(listFile), kestrel::ApplicationTitle(), MB_OK | MB_ICONSTOP);
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
  std::optional<std::wstring> answer = recorder::InputQuery(window_.get(), L"Zvukový záznam", L"Uveďte názov", L"");
  if (!answer || answer->empty()) return;
  const std::wstring target = recorder::TargetName(folder, *answer);

  old = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  PumpWaiting();
  files::ShellCopy(tempFile_, target);
  // A failed append has been reported; the list stays as it was.
  if (kestrel::FileExists(target)) kestrel::AppendListLine(listFile, target);
  ::SetCursor(old);
  ::InvalidateRect(window_.get(), nullptr, TRUE);
}

void TFRecMpeg::BitBtn2Click() {
  if (WaveIn->IsActive()) WaveIn->Close();
  if (WaveOut->IsActive()) WaveOut->Close();
  modal_ = false;
  ::ShowWindow(window_.get(), SW_HIDE);
  ::PostMessageW(window_.get(), WM_NULL, 0, 0);  // wakes the modal loop
}

void TFRecMpeg::SpeedButton2Click() {
  if (!OnAbout) return;
  RECT r{};
  ::GetWindowRect(window_.get(), &r);
  OnAbout(window_.get(), r.top, (r.left + r.right) / 2);
}

LRESULT CALLBACK TFRecMpeg::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<TFRecMpeg*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
  return self->Handle(msg, wp, lp);
}

LRESULT TFRecMpeg::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      if (HIWORD(wp) == BN_CLICKED) {
        switch (LOWORD(wp)) {
          case idBitBtn1: BitBtn1Click(); return 0;
          case idStop: StopClick(); return 0;
          case idButton1: Button1Click(); return 0;
          case idBitBtn2: BitBtn2Click(); return 0;
          case idSpeedButton2: SpeedButton2Click(); return 0;
          case IDCANCEL: break;
        }
      }
      break;
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
    case WM_CLOSE:
      // The close button only hides: recording, timer and buttons carry on.
      modal_ = false;
      ::ShowWindow(window_.get(), SW_HIDE);
      ::PostMessageW(window_.get(), WM_NULL, 0, 0);
      return 0;
  }
  return ::DefWindowProcW(window_.get(), msg, wp, lp);
}
