#include "DesktopDriver.h"

#include <vector>

namespace services_test {

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  while (!done()) {
    if (::GetTickCount() - start > timeoutMs) return false;
    ::Sleep(10);
  }
  return true;
}

namespace {

// The Unix name of a Windows path, through Wine's own export.
std::string UnixPath(const std::wstring& windowsPath) {
  using ToUnix = char*(__cdecl*)(const wchar_t*);
  auto toUnix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!toUnix) return {};
  char* name = toUnix(windowsPath.c_str());
  if (!name) return {};
  std::string result = name;
  ::HeapFree(::GetProcessHeap(), 0, name);
  return result;
}

}  // namespace

bool RunUnix(const std::wstring& commandLine) {
  // Wine starts programs that are not Windows images on the Unix side but
  // hands back no handle that can be waited on: the shell leaves a mark
  // when the command has ended.
  static LONG counter = 0;
  wchar_t temp[MAX_PATH] = L"";
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring markWindows = std::wstring(temp) + L"voc_unix_" + std::to_wstring(::GetCurrentProcessId()) +
                                   L"_" + std::to_wstring(::InterlockedIncrement(&counter));
  const std::string mark = UnixPath(markWindows);
  if (mark.empty()) return false;
  const std::wstring line =
      L"/bin/sh -c \"" + commandLine + L"; : > '" + std::wstring(mark.begin(), mark.end()) + L"'\"";
  std::vector<wchar_t> cmd(line.begin(), line.end());
  cmd.push_back(L'\0');
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  if (pi.hThread) ::CloseHandle(pi.hThread);
  if (pi.hProcess) ::CloseHandle(pi.hProcess);
  const bool ended = WaitFor([&] { return ::GetFileAttributesW(markWindows.c_str()) != INVALID_FILE_ATTRIBUTES; });
  ::DeleteFileW(markWindows.c_str());
  return ended;
}

bool PressKeys(const std::string& xdotoolKeys) {
  return RunUnix(L"/usr/bin/xdotool key " + std::wstring(xdotoolKeys.begin(), xdotoolKeys.end()));
}

namespace {

struct FindByProcess {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK MatchProcess(HWND w, LPARAM lp) {
  auto* f = reinterpret_cast<FindByProcess*>(lp);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(w, &pid);
  wchar_t cls[32] = L"";
  ::GetClassNameW(w, cls, 32);
  if (pid == f->pid && ::IsWindowVisible(w) && ::lstrcmpiW(cls, L"Notepad") == 0) {
    f->found = w;
    return FALSE;
  }
  return TRUE;
}

struct FindOf {
  DWORD pid;
  const wchar_t* cls;
  const std::wstring* caption;
  HWND found;
};

BOOL CALLBACK MatchOf(HWND w, LPARAM lp) {
  auto* f = reinterpret_cast<FindOf*>(lp);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(w, &pid);
  wchar_t cls[64] = L"";
  ::GetClassNameW(w, cls, 64);
  if (pid == f->pid && ::IsWindowVisible(w) && (!f->cls || ::lstrcmpiW(cls, f->cls) == 0) &&
      WindowText(w) == *f->caption) {
    f->found = w;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

FocusedNotepad::FocusedNotepad() {
  wchar_t cmd[] = L"notepad.exe";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  if (!::CreateProcessW(nullptr, cmd, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &process_)) return;
  ::WaitForInputIdle(process_.hProcess, 10000);
  FindByProcess f{process_.dwProcessId, nullptr};
  WaitFor([&] {
    ::EnumWindows(MatchProcess, reinterpret_cast<LPARAM>(&f));
    return f.found != nullptr;
  });
  window_ = f.found;
  if (!window_) return;
  // Without a window manager nothing else hands the focus over.
  WaitFor([&] {
    if (focused()) return true;
    ::SetForegroundWindow(window_);
    return focused();
  }, 5000);
}

FocusedNotepad::~FocusedNotepad() {
  if (!process_.hProcess) return;
  ::TerminateProcess(process_.hProcess, 0);
  ::WaitForSingleObject(process_.hProcess, 5000);
  ::CloseHandle(process_.hThread);
  ::CloseHandle(process_.hProcess);
}

bool FocusedNotepad::focused() const { return window_ && ::GetForegroundWindow() == window_; }

HWND FindWindowOf(DWORD pid, const wchar_t* className, const std::wstring& caption) {
  FindOf f{pid, className, &caption, nullptr};
  ::EnumWindows(MatchOf, reinterpret_cast<LPARAM>(&f));
  return f.found;
}

HWND FindOwnWindow(const wchar_t* className, const std::wstring& caption) {
  return FindWindowOf(::GetCurrentProcessId(), className, caption);
}

std::wstring WindowText(HWND w) {
  std::wstring s(static_cast<size_t>(::GetWindowTextLengthW(w)) + 1, L'\0');
  s.resize(static_cast<size_t>(::GetWindowTextW(w, s.data(), static_cast<int>(s.size()))));
  return s;
}

}  // namespace services_test
