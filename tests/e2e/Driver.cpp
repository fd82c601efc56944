#include "Driver.h"

#include <algorithm>
#include <thread>

#include "TestSupport.h"

namespace e2e {
namespace {

std::wstring ClassOf(HWND h) {
  wchar_t buf[256];
  int n = ::GetClassNameW(h, buf, 256);
  return std::wstring(buf, n > 0 ? n : 0);
}

std::wstring TextOf(HWND h) {
  int n = ::GetWindowTextLengthW(h);
  std::wstring s(static_cast<size_t>(n) + 1, L'\0');
  n = ::GetWindowTextW(h, s.data(), n + 1);
  s.resize(n > 0 ? n : 0);
  return s;
}

template <typename F>
auto Poll(std::chrono::milliseconds timeout, F probe) -> decltype(probe()) {
  auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (auto r = probe()) return r;
    if (std::chrono::steady_clock::now() > end) return {};
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace

Program::Program(const std::wstring& exe, const std::wstring& args, const std::wstring& workDir) {
  std::wstring cmd = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
  STARTUPINFOW si{sizeof(si)};
  PROCESS_INFORMATION pi{};
  if (::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, workDir.c_str(), &si, &pi)) {
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

std::vector<HWND> Program::TopLevelWindows() const {
  struct Ctx {
    DWORD pid;
    std::vector<HWND> found;
  } ctx{pid_, {}};
  struct Enum {
    static BOOL CALLBACK Proc(HWND h, LPARAM p) {
      auto* c = reinterpret_cast<Ctx*>(p);
      DWORD pid = 0;
      ::GetWindowThreadProcessId(h, &pid);
      if (pid == c->pid) c->found.push_back(h);
      return TRUE;
    }
  };
  ::EnumWindows(Enum::Proc, reinterpret_cast<LPARAM>(&ctx));
  return ctx.found;
}

HWND Program::WaitForWindow(const wchar_t* className, std::chrono::milliseconds timeout,
                            const std::vector<HWND>& except, const wchar_t* textStart, bool shown) {
  return Poll(timeout, [&]() -> HWND {
    for (HWND h : TopLevelWindows()) {
      if (ClassOf(h) != className || (shown && !::IsWindowVisible(h))) continue;
      if (std::find(except.begin(), except.end(), h) != except.end()) continue;
      if (textStart && ReadBox(h).text.rfind(textStart, 0) != 0) continue;
      return h;
    }
    return nullptr;
  });
}

HWND Program::WaitForMainWindow(std::chrono::milliseconds timeout, std::vector<Box>* boxes) {
  std::vector<HWND> answered;
  return Poll(timeout, [&]() -> HWND {
    for (HWND h : TopLevelWindows()) {
      if (!::IsWindowVisible(h)) continue;
      std::wstring cls = ClassOf(h);
      if (cls == L"TfrmVocorder") return h;
      if (cls == L"#32770" && std::find(answered.begin(), answered.end(), h) == answered.end()) {
        answered.push_back(h);
        Box box = ReadBox(h);
        if (boxes) boxes->push_back(box);
        Answer(box, IDOK);
      }
    }
    return nullptr;
  });
}

Program::Course Program::RunToEnd(std::chrono::milliseconds timeout, bool closeMain, const std::vector<HWND>& leave) {
  Course course;
  course.windowShown = !closeMain;
  std::vector<HWND> answered = leave;
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!(course.exitCode = WaitForExit(std::chrono::milliseconds(20)))) {
    if (std::chrono::steady_clock::now() > end) break;
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
  }
  return course;
}

std::optional<Box> Program::WaitForBox(std::chrono::milliseconds timeout) {
  HWND h = WaitForWindow(L"#32770", timeout);
  if (!h) return std::nullopt;
  return ReadBox(h);
}

Box ReadBox(HWND dialog) {
  Box b;
  b.hwnd = dialog;
  b.caption = TextOf(dialog);
  for (HWND c = ::GetWindow(dialog, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
    std::wstring cls = ClassOf(c);
    if (cls == L"Static" && !TextOf(c).empty()) b.text = TextOf(c);
    if (cls == L"Button") b.buttons.push_back(TextOf(c));
  }
  return b;
}

void Answer(const Box& box, int buttonId) {
  ::PostMessageW(box.hwnd, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(box.hwnd, buttonId)));
}

std::wstring VocorderExe() { return testing_support::BuildDir() + L"\\app\\Vocorder.exe"; }

}  // namespace e2e
