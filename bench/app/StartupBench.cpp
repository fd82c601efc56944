// How long Vocorder.exe takes from process start to its main window being
// shown when the recordings folder holds 500 recordings, against a bare
// DirectShow program (BareStartup.cpp) started alternately in the same run,
// so that both meet the same machine load. Prints both medians and their
// ratio.
//
// On its first start the program lists the user's documents folder, so the
// benchmark points the "Personal" shell folder at a scratch folder of 500
// copies of a recording for the runs and puts the old value back after.
#include <windows.h>

#include "app/ControlIds.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRecordings = 500;
constexpr int kRuns = 7;
const wchar_t* const kShellFolders = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const wchar_t* const kUserShellFolders =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

std::wstring ParentOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

std::wstring ModuleFolder() {
  wchar_t buf[MAX_PATH];
  ::GetModuleFileNameW(nullptr, buf, MAX_PATH);
  return ParentOf(buf);
}

double Now() {
  LARGE_INTEGER f, t;
  ::QueryPerformanceFrequency(&f);
  ::QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

struct Found {
  DWORD pid;
  const wchar_t* cls;
  HWND window;
};

BOOL CALLBACK FindMain(HWND h, LPARAM p) {
  auto* f = reinterpret_cast<Found*>(p);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(h, &pid);
  wchar_t cls[64] = L"";
  ::GetClassNameW(h, cls, 64);
  if (pid == f->pid && ::IsWindowVisible(h) && std::wstring(cls) == f->cls) {
    f->window = h;
    return FALSE;
  }
  return TRUE;
}

std::wstring RecordingName(int i) {
  std::wstring n = std::to_wstring(i);
  return L"\\Dictation " + std::wstring(3 - std::min<size_t>(3, n.size()), L'0') + n + L".mp3";
}

bool WriteFile(const std::wstring& path, const std::string& bytes) {
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD n = 0;
  bool ok = ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr) && n == bytes.size();
  ::CloseHandle(h);
  return ok;
}

}  // namespace

int main() {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  const std::wstring build = ParentOf(ParentOf(ModuleFolder()));  // <build>\bench\app
  const std::wstring exe = build + L"\\app\\Vocorder.exe";
  const std::wstring bareExe = ModuleFolder() + L"\\bench_app_bare_startup.exe";
  const std::wstring fixture = build + L"\\fixtures\\shortrec.mp3";
  wchar_t tempBuf[MAX_PATH];
  ::GetTempPathW(MAX_PATH, tempBuf);
  const std::wstring work = std::wstring(tempBuf) + L"vocorder_startup_bench";
  const std::wstring docs = work + L"\\docs";
  ::CreateDirectoryW(work.c_str(), nullptr);
  ::CreateDirectoryW(docs.c_str(), nullptr);
  for (int i = 0; i < kRecordings; ++i) {
    const std::wstring name = RecordingName(i);
    if (!::CopyFileW(fixture.c_str(), (docs + name).c_str(), FALSE)) {
      std::fprintf(stderr, "cannot copy the fixture %ls\n", fixture.c_str());
      return 1;
    }
  }
  if (!WriteFile(work + L"\\Player.ini", "list=listdir.m3u\r\n")) return 1;

  // Wine's shell rewrites "Shell Folders" from "User Shell Folders" when a
  // program asks for a folder, so both are pointed at the scratch folder.
  struct Saved {
    HKEY key = nullptr;
    std::vector<BYTE> value;
    DWORD type = 0;
    bool had = false;
  } saved[2];
  const wchar_t* const keys[2] = {kShellFolders, kUserShellFolders};
  for (int k = 0; k < 2; ++k) {
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, keys[k], 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &saved[k].key) != ERROR_SUCCESS)
      return 1;
    DWORD size = 0;
    saved[k].had = ::RegQueryValueExW(saved[k].key, L"Personal", nullptr, &saved[k].type, nullptr, &size) == ERROR_SUCCESS;
    saved[k].value.resize(size);
    if (saved[k].had)
      ::RegQueryValueExW(saved[k].key, L"Personal", nullptr, &saved[k].type, saved[k].value.data(), &size);
    ::RegSetValueExW(saved[k].key, L"Personal", 0, REG_SZ, reinterpret_cast<const BYTE*>(docs.c_str()),
                     static_cast<DWORD>((docs.size() + 1) * sizeof(wchar_t)));
  }
  ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Vocorder");

  // One start of a program to its window shown, then closed; -1 when no
  // window came.
  auto startOnce = [&](const std::wstring& program, const wchar_t* cls, int* listed) -> double {
    std::wstring cmd = L"\"" + program + L"\"";
    STARTUPINFOW si{sizeof(si)};
    PROCESS_INFORMATION pi{};
    double start = Now();
    if (!::CreateProcessW(program.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, work.c_str(), &si, &pi))
      return -1;
    Found f{pi.dwProcessId, cls, nullptr};
    while (!f.window && Now() - start < 60) {
      ::EnumWindows(FindMain, reinterpret_cast<LPARAM>(&f));
      if (!f.window) ::Sleep(1);
    }
    double shown = Now() - start;
    if (f.window) {
      if (listed) {
        // The list is read before the window shows; the recording opens after.
        *listed = static_cast<int>(::SendMessageW(::GetDlgItem(f.window, app::cmbSongs), CB_GETCOUNT, 0, 0));
        ::Sleep(300);
      }
      ::PostMessageW(f.window, WM_CLOSE, 0, 0);
    }
    if (::WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0) ::TerminateProcess(pi.hProcess, 1);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return f.window ? shown : -1;
  };

  // The first start lists the documents folder into the list file; the
  // measured runs load that list as a user's every start does.
  int listed = 0;
  startOnce(exe, L"TfrmVocorder", &listed);
  std::vector<double> times, bareTimes;
  for (int run = 0; run < kRuns; ++run) {
    double bare = startOnce(bareExe, L"VocorderBareStartup", nullptr);
    double shown = startOnce(exe, L"TfrmVocorder", &listed);
    if (bare < 0) std::printf("run %d: the bare program showed no window within 60 s\n", run + 1);
    if (shown < 0) std::printf("run %d: no main window within 60 s\n", run + 1);
    if (bare >= 0) bareTimes.push_back(bare);
    if (shown >= 0) times.push_back(shown);
    if (bare >= 0 && shown >= 0)
      std::printf("run %d: bare program %.0f ms, main window shown after %.0f ms (%d recordings listed)\n", run + 1,
                  bare * 1000, shown * 1000, listed);
  }

  for (auto& k : saved) {
    if (k.had)
      ::RegSetValueExW(k.key, L"Personal", 0, k.type, k.value.data(), static_cast<DWORD>(k.value.size()));
    else
      ::RegDeleteValueW(k.key, L"Personal");
    ::RegCloseKey(k.key);
  }
  ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Vocorder");
  for (int i = 0; i < kRecordings; ++i) {
    const std::wstring name = RecordingName(i);
    ::DeleteFileW((docs + name).c_str());
  }

  if (times.empty() || bareTimes.empty()) {
    std::printf("the main window or the bare program's window never showed\n");
    return 1;
  }
  auto median = [](std::vector<double>& t) {
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
  };
  const double bareMedian = median(bareTimes), mainMedian = median(times);
  std::printf("bare DirectShow program to its window shown: median %.0f ms, best %.0f ms (%zu runs)\n",
              bareMedian * 1000, bareTimes.front() * 1000, bareTimes.size());
  std::printf("process start to main window shown, %d recordings: median %.0f ms, best %.0f ms, worst %.0f ms (%zu runs)\n",
              kRecordings, mainMedian * 1000, times.front() * 1000, times.back() * 1000, times.size());
  std::printf("ratio to the bare program: %.2f (target at most 1.50)\n", mainMedian / bareMedian);
  return 0;
}
