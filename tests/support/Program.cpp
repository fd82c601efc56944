#include "Program.h"

#include <tlhelp32.h>

#include <algorithm>

#include "Pump.h"
#include "TestSupport.h"

namespace desktop {
namespace {

constexpr wchar_t kMainClass[] = L"TfrmVocorder";

std::wstring LongPath(const std::wstring& path) {
  wchar_t buffer[MAX_PATH];
  const DWORD n = ::GetLongPathNameW(path.c_str(), buffer, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::wstring(buffer, n) : path;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return ::CompareStringOrdinal(LongPath(a).c_str(), -1, LongPath(b).c_str(), -1, TRUE) == CSTR_EQUAL;
}

// Every process as the system lists it now.
std::vector<PROCESSENTRY32W> Processes() {
  std::vector<PROCESSENTRY32W> all;
  win::Handle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) return all;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry))
    all.push_back(entry);
  return all;
}

// The visible main window among the processes' windows; boxes not met before
// are answered with OK on the way.
HWND MainWindowAmong(const std::vector<DWORD>& pids, std::vector<HWND>& answered, std::vector<Box>* boxes) {
  for (DWORD pid : pids)
    for (HWND w : WindowsOf(pid)) {
      if (!::IsWindowVisible(w)) continue;
      const std::wstring cls = ClassOf(w);
      if (cls == kMainClass) return w;
      if (cls != L"#32770" || std::find(answered.begin(), answered.end(), w) != answered.end()) continue;
      answered.push_back(w);
      Box box = ReadBox(w);
      if (boxes) boxes->push_back(box);
      Answer(box, IDOK);
    }
  return nullptr;
}

}  // namespace

Program::Program(const std::wstring& exe, const std::wstring& args, const std::wstring& workDir) {
  std::wstring command = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, workDir.c_str(), &si, &pi)) {
    process_.reset(pi.hProcess);
    ::CloseHandle(pi.hThread);
    pid_ = pi.dwProcessId;
  }
}

Program::~Program() {
  if (process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
    ::TerminateProcess(process_.get(), 1);
    ::WaitForSingleObject(process_.get(), 5000);
  }
}

std::optional<DWORD> Program::WaitForExit(std::chrono::milliseconds timeout) {
  if (!process_ || ::WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
    return std::nullopt;
  DWORD code = 0;
  ::GetExitCodeProcess(process_.get(), &code);
  return code;
}

HWND Program::Window(const wchar_t* className, const wchar_t* caption) const {
  return WindowOf(pid_, className, caption);
}

HWND Program::WaitForWindow(const wchar_t* className, std::chrono::milliseconds timeout) {
  return WaitForWindow(className, nullptr, timeout);
}

HWND Program::WaitForWindow(const wchar_t* className, const wchar_t* caption, std::chrono::milliseconds timeout) {
  HWND found = nullptr;
  testing_support::WaitUntil([&] { return (found = Window(className, caption)) != nullptr; }, timeout);
  return found;
}

HWND Program::WaitForWindow(const wchar_t* className, std::chrono::milliseconds timeout,
                            const std::vector<HWND>& except, const wchar_t* textStart, bool shown) {
  auto find = [&]() -> HWND {
    for (HWND h : TopLevelWindows()) {
      if (ClassOf(h) != className || (shown && !::IsWindowVisible(h))) continue;
      if (std::find(except.begin(), except.end(), h) != except.end()) continue;
      if (textStart && ReadBox(h).text.rfind(textStart, 0) != 0) continue;
      return h;
    }
    return nullptr;
  };
  HWND found = nullptr;
  testing_support::WaitUntil([&] { return (found = find()) != nullptr; }, timeout);
  return found;
}

Program::Course Program::RunToEnd(std::chrono::milliseconds timeout, bool closeMain, const std::vector<HWND>& leave) {
  Course course;
  course.windowShown = !closeMain;
  std::vector<HWND> answered = leave;
  testing_support::WaitUntil(
      [&] {
        if ((course.exitCode = WaitForExit(std::chrono::milliseconds(0)))) return true;
        for (HWND h : TopLevelWindows()) {
          if (!::IsWindowVisible(h)) continue;
          const std::wstring cls = ClassOf(h);
          if (cls == L"TfrmVocorder" && !course.windowShown) {
            course.windowShown = true;
            ::PostMessageW(h, WM_CLOSE, 0, 0);
          }
          if (cls == L"#32770" && std::find(answered.begin(), answered.end(), h) == answered.end()) {
            answered.push_back(h);
            course.boxes.push_back(ReadBox(h));
            const int id = ::GetDlgItem(h, IDOK) ? IDOK : ::GetDlgItem(h, IDNO) ? IDNO : IDCANCEL;
            Answer(course.boxes.back(), id);
          }
        }
        return false;
      },
      timeout);
  return course;
}

std::optional<Box> Program::WaitForBox(std::chrono::milliseconds timeout) { return WaitForBox(std::wstring(), timeout); }

std::optional<Box> Program::WaitForBox(const std::wstring& part, std::chrono::milliseconds timeout) {
  std::optional<Box> box;
  testing_support::WaitUntil([&] { return (box = BoxOf(pid_, part)).has_value(); }, timeout);
  return box;
}

HWND Program::WaitForMainWindow(std::chrono::milliseconds timeout, std::vector<Box>* boxes) {
  std::vector<HWND> answered;
  HWND main = nullptr;
  testing_support::WaitUntil([&] { return (main = MainWindowAmong({pid_}, answered, boxes)) != nullptr; }, timeout);
  return main;
}

testing::AssertionResult Program::Quit(HWND main, std::chrono::milliseconds timeout) {
  ::PostMessageW(main, WM_CLOSE, 0, 0);
  if (WaitForExit(timeout) == std::optional<DWORD>(0)) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "still running or failed; " << Describe();
}

std::optional<DWORD> RunToEnd(const std::wstring& exe, const std::wstring& args, std::chrono::milliseconds timeout) {
  Program p(exe, args, testing_support::BuildDir());
  if (!p.started()) return std::nullopt;
  return p.WaitForExit(timeout);
}

std::vector<DWORD> ProcessesOf(const std::wstring& image) {
  std::vector<DWORD> found;
  for (const PROCESSENTRY32W& entry : Processes()) {
    win::Handle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
    wchar_t path[MAX_PATH] = L"";
    DWORD size = MAX_PATH;
    if (process && ::QueryFullProcessImageNameW(process.get(), 0, path, &size) && SamePath(path, image))
      found.push_back(entry.th32ProcessID);
  }
  return found;
}

std::vector<DWORD> ChildrenOf(DWORD pid, const wchar_t* fileName) {
  std::vector<DWORD> found;
  for (const PROCESSENTRY32W& entry : Processes())
    if (entry.th32ParentProcessID == pid &&
        (!fileName || ::CompareStringOrdinal(entry.szExeFile, -1, fileName, -1, TRUE) == CSTR_EQUAL))
      found.push_back(entry.th32ProcessID);
  return found;
}

bool WaitForProcesses(const std::vector<DWORD>& ids, std::chrono::milliseconds timeout) {
  bool ended = true;
  for (DWORD id : ids) {
    win::Handle process(::OpenProcess(SYNCHRONIZE, FALSE, id));
    if (process && ::WaitForSingleObject(process.get(), static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
      ended = false;
  }
  return ended;
}

void EndProcessesOf(const std::wstring& image) {
  for (DWORD id : ProcessesOf(image)) {
    win::Handle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
    if (!process) continue;
    ::TerminateProcess(process.get(), 1);
    ::WaitForSingleObject(process.get(), 5000);
  }
}

HWND MainWindowOf(const std::wstring& image, std::chrono::milliseconds timeout) {
  std::vector<HWND> answered;
  HWND main = nullptr;
  testing_support::WaitUntil(
      [&] { return (main = MainWindowAmong(ProcessesOf(image), answered, nullptr)) != nullptr; }, timeout);
  return main;
}

std::wstring VocorderExe() { return testing_support::BuildDir() + L"\\app\\Vocorder.exe"; }

}  // namespace desktop
