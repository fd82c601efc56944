#include "Desktop.h"

#include <algorithm>

#include "Pump.h"

namespace desktop {
namespace {

constexpr UINT kAnswerWithin = 5000;  // ms a window of another process may take to answer

bool SameName(const wchar_t* a, const std::wstring& b) {
  return ::CompareStringOrdinal(a, -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

struct ProcessWindows {
  DWORD pid;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectOfProcess(HWND w, LPARAM lp) {
  auto* search = reinterpret_cast<ProcessWindows*>(lp);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(w, &pid);
  if (pid == search->pid) search->found.push_back(w);
  return TRUE;
}

struct ChildSearch {
  int id;
  HWND found;
};

BOOL CALLBACK MatchId(HWND w, LPARAM lp) {
  auto* search = reinterpret_cast<ChildSearch*>(lp);
  if (::GetDlgCtrlID(w) != search->id) return TRUE;
  search->found = w;
  return FALSE;
}

// The Unix name of a Windows path, through Wine's own export.
std::string UnixPath(const std::wstring& windowsPath) {
  using ToUnix = char*(CDECL*)(const wchar_t*);
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

std::wstring ClassOf(HWND w) {
  wchar_t name[256];
  const int n = ::GetClassNameW(w, name, 256);
  return std::wstring(name, n > 0 ? n : 0);
}

std::wstring TextOf(HWND w) {
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutW(w, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kAnswerWithin, &length)) return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR got = 0;
  if (!::SendMessageTimeoutW(w, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                             kAnswerWithin, &got))
    return {};
  text.resize(std::min<size_t>(got, length));
  return text;
}

bool SetTextOf(HWND w, const std::wstring& text) {
  DWORD_PTR set = 0;
  return ::SendMessageTimeoutW(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                               kAnswerWithin, &set) &&
         set;
}

bool Checked(HWND button) {
  DWORD_PTR state = 0;
  return ::SendMessageTimeoutW(button, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kAnswerWithin, &state) &&
         state == BST_CHECKED;
}

HWND Descendant(HWND parent, int id) {
  ChildSearch search{id, nullptr};
  ::EnumChildWindows(parent, MatchId, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

RECT RectOf(HWND w) {
  RECT r{};
  ::GetWindowRect(w, &r);
  return r;
}

RECT RectIn(HWND w, HWND parent) {
  RECT r = RectOf(w);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

int Top(HWND w) { return RectOf(w).top; }

int Width(HWND w) {
  const RECT r = RectOf(w);
  return r.right - r.left;
}

void Click(HWND button) { ::PostMessageW(button, BM_CLICK, 0, 0); }

void Press(HWND dialog, int buttonId) {
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(dialog, buttonId)));
}

void PressKey(HWND window, UINT virtualKey) {
  ::PostMessageW(window, WM_KEYDOWN, virtualKey, 1);
  ::PostMessageW(window, WM_KEYUP, virtualKey, 0xC0000001);
}

std::vector<std::wstring> ComboItems(HWND combo) {
  std::vector<std::wstring> items;
  const LRESULT n = ::SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < n; ++i) {
    const LRESULT length = ::SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    std::wstring item(length > 0 ? static_cast<size_t>(length) + 1 : 1, L'\0');
    if (length > 0) ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item.data()));
    item.resize(length > 0 ? static_cast<size_t>(length) : 0);
    items.push_back(item);
  }
  return items;
}

void ChooseComboItem(HWND owner, int controlId, int index) {
  HWND combo = ::GetDlgItem(owner, controlId);
  ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  ::PostMessageW(owner, WM_COMMAND, MAKEWPARAM(controlId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

std::vector<HWND> WindowsOf(DWORD pid) {
  ProcessWindows search{pid, {}};
  ::EnumWindows(CollectOfProcess, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WindowOf(DWORD pid, const wchar_t* className, const wchar_t* caption) {
  for (HWND w : WindowsOf(pid))
    if (::IsWindowVisible(w) && (!className || SameName(className, ClassOf(w))) && (!caption || TextOf(w) == caption))
      return w;
  return nullptr;
}

HWND OwnWindow(const wchar_t* className, const wchar_t* caption) {
  return WindowOf(::GetCurrentProcessId(), className, caption);
}

std::wstring Describe(DWORD pid) {
  std::wstring all = L"windows:";
  for (HWND w : WindowsOf(pid)) {
    if (!::IsWindowVisible(w)) continue;
    all += L" [" + ClassOf(w) + L" \"" + TextOf(w) + L"\"";
    if (ClassOf(w) == L"#32770") all += L" " + ReadBox(w).text;
    all += L"]";
  }
  return all;
}

Box ReadBox(HWND dialog) {
  Box box;
  box.hwnd = dialog;
  box.caption = TextOf(dialog);
  for (HWND c = ::GetWindow(dialog, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
    const std::wstring cls = ClassOf(c), text = TextOf(c);
    if (cls == L"Static" && !text.empty()) box.text = text;
    if (cls == L"Button") box.buttons.push_back(text);
  }
  return box;
}

void Answer(const Box& box, int buttonId) { Press(box.hwnd, buttonId); }

std::optional<Box> BoxOf(DWORD pid, const std::wstring& part) {
  for (HWND w : WindowsOf(pid)) {
    if (!::IsWindowVisible(w) || ClassOf(w) != L"#32770") continue;
    Box box = ReadBox(w);
    if (box.text.find(part) != std::wstring::npos) return box;
  }
  return std::nullopt;
}

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
  std::wstring line = L"/bin/sh -c \"" + commandLine + L"; : > '" + std::wstring(mark.begin(), mark.end()) + L"'\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  if (pi.hThread) ::CloseHandle(pi.hThread);
  if (pi.hProcess) ::CloseHandle(pi.hProcess);
  const bool ended = testing_support::WaitUntil(
      [&] { return ::GetFileAttributesW(markWindows.c_str()) != INVALID_FILE_ATTRIBUTES; });
  ::DeleteFileW(markWindows.c_str());
  return ended;
}

bool PressKeys(const std::string& xdotoolKeys) {
  return RunUnix(L"/usr/bin/xdotool key " + std::wstring(xdotoolKeys.begin(), xdotoolKeys.end()));
}

bool TypeKeys(const std::string& text) {
  // The command line passes a shell: the text stays inside single quotes.
  if (text.find('\'') != std::string::npos) return false;
  return RunUnix(L"/usr/bin/xdotool type --delay 40 '" + std::wstring(text.begin(), text.end()) + L"'");
}

bool SendKeys(std::initializer_list<WORD> keys, WORD modifier) {
  std::vector<INPUT> in;
  auto add = [&](WORD vk, DWORD flags) { in.push_back({INPUT_KEYBOARD, {.ki = {vk, 0, flags, 0, 0}}}); };
  if (modifier) add(modifier, 0);
  for (WORD vk : keys) add(vk, 0), add(vk, KEYEVENTF_KEYUP);
  if (modifier) add(modifier, KEYEVENTF_KEYUP);
  return ::SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT)) == in.size();
}

bool WaitUntilHotKeyTaken(UINT modifiers, UINT virtualKey, std::chrono::milliseconds timeout) {
  constexpr int kProbeId = 0x7F00;
  return testing_support::WaitUntil([&] {
    if (!::RegisterHotKey(nullptr, kProbeId, modifiers, virtualKey)) return true;
    ::UnregisterHotKey(nullptr, kProbeId);
    return false;
  }, timeout);
}

FocusedNotepad::FocusedNotepad() {
  wchar_t command[] = L"notepad.exe";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return;
  ::CloseHandle(pi.hThread);
  process_.reset(pi.hProcess);
  ::WaitForInputIdle(pi.hProcess, 10000);
  testing_support::WaitUntil([&] { return (window_ = WindowOf(pi.dwProcessId, L"Notepad")) != nullptr; });
  if (window_) Refocus();
}

FocusedNotepad::~FocusedNotepad() {
  if (!process_) return;
  ::TerminateProcess(process_.get(), 0);
  ::WaitForSingleObject(process_.get(), 5000);
}

HWND FocusedNotepad::edit() const { return window_ ? ::FindWindowExW(window_, nullptr, L"Edit", nullptr) : nullptr; }

bool FocusedNotepad::focused() const { return window_ && ::GetForegroundWindow() == window_; }

bool FocusedNotepad::Refocus(std::chrono::milliseconds timeout) {
  return window_ && testing_support::WaitUntil([&] {
    if (focused()) return true;
    ::SetForegroundWindow(window_);
    return focused();
  }, timeout);
}

}  // namespace desktop
