// The main window in this process over the real player: how long selecting
// a recording takes until its length is shown, how regular the refresh
// timer ticks while a recording plays (100 ms, and 25 ms in milliseconds
// mode), and how long a hot key press (Ctrl+Right / Ctrl+Left, injected
// through the system's input queue) takes until the player's position has
// changed. Medians of the runs are printed.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "base/Text.h"
#include "lists/KestrelLists.h"
#include "core/globals.h"
#include "player/AudioDevices.h"
#include "settings/KestrelLayouts.h"
#include "settings/KestrelSettings.h"
#include "base/Registry.h"

namespace {

std::wstring ParentOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

double Now() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / frequency;
}

// Runs the thread's messages; `onMessage` sees each before it is dispatched.
template <typename Done, typename OnMessage>
bool PumpUntil(Done done, double seconds, OnMessage onMessage) {
  const double end = Now() + seconds;
  for (;;) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      onMessage(msg);
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
      if (done()) return true;
    }
    if (done()) return true;
    if (Now() > end) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
  }
}
template <typename Done>
bool PumpUntil(Done done, double seconds) {
  return PumpUntil(done, seconds, [](const MSG&) {});
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

std::wstring Text(HWND w) {
  wchar_t buf[64] = L"";
  ::GetWindowTextW(w, buf, 64);
  return buf;
}

void PressCtrl(WORD vk) {
  INPUT in[4]{};
  for (auto& i : in) i.type = INPUT_KEYBOARD;
  in[0].ki.wVk = VK_CONTROL;
  in[1].ki.wVk = vk;
  in[1].ki.dwFlags = KEYEVENTF_EXTENDEDKEY;
  in[2].ki.wVk = vk;
  in[2].ki.dwFlags = KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP;
  in[3].ki.wVk = VK_CONTROL;
  in[3].ki.dwFlags = KEYEVENTF_KEYUP;
  ::SendInput(4, in, sizeof(INPUT));
}

void Timing(const char* what, const std::vector<double>& ticks, double interval) {
  std::vector<double> gaps;
  for (size_t i = 1; i < ticks.size(); ++i) gaps.push_back((ticks[i] - ticks[i - 1]) * 1000);
  if (gaps.empty()) {
    std::printf("%s: no timer ticks\n", what);
    return;
  }
  int late = static_cast<int>(std::count_if(gaps.begin(), gaps.end(), [&](double g) { return g > interval * 1.5; }));
  std::printf("%s: %zu ticks, median gap %.1f ms, longest %.1f ms, %d gaps over 1.5 intervals\n", what, gaps.size(),
              Median(gaps), *std::max_element(gaps.begin(), gaps.end()), late);
}

}  // namespace

int main() {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  wchar_t module[MAX_PATH];
  ::GetModuleFileNameW(nullptr, module, MAX_PATH);
  const std::wstring build = ParentOf(ParentOf(ParentOf(module)));  // <build>\bench\app\x.exe
  wchar_t tempBuf[MAX_PATH];
  ::GetTempPathW(MAX_PATH, tempBuf);
  const std::wstring work = std::wstring(tempBuf) + L"vocorder_window_bench";
  ::CreateDirectoryW(work.c_str(), nullptr);
  const std::wstring longRec = work + L"\\Dictation.mp3", shortRec = work + L"\\Note.mp3";
  if (!::CopyFileW((build + L"\\fixtures\\speechrec.mp3").c_str(), longRec.c_str(), FALSE) ||
      !::CopyFileW((build + L"\\fixtures\\shortrec.mp3").c_str(), shortRec.c_str(), FALSE)) {
    std::fprintf(stderr, "fixtures missing under %ls\\fixtures\n", build.c_str());
    return 1;
  }

  // Per-user stores under a scratch key; the list file in the scratch folder.
  HKEY root = nullptr;
  ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\VocorderBench", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root,
                    nullptr);
  reg::SetUserRoot(root);
  InitPlayerModule();
  kestrel::Settings = kestrel::TSettings{};
  kestrel::Settings.EnableTime3 = false;
  kestrel::Settings.PlaySelected = true;
  kestrel::AppDir = work + L"\\";
  kestrel::Lists = {{work + L"\\listdir.m3u", L"listdir.m3u", work + L"\\"}};
  kestrel::ListIndex = 0;
  kestrel::FirstListPath = kestrel::Lists[0].Path;
  {
    HANDLE h = ::CreateFileW(kestrel::Lists[0].Path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    std::string lines = text::ToAnsi(longRec + L"\r\n" + shortRec + L"\r\n");
    DWORD n = 0;
    ::WriteFile(h, lines.data(), static_cast<DWORD>(lines.size()), &n, nullptr);
    ::CloseHandle(h);
  }
  kestrel::CurrentList = kestrel::ArtistTable{};
  kestrel::CurrentList.Grouped = kestrel::CurrentList.Sorted = true;
  kestrel::LoadList(kestrel::CurrentList, true, true, 0, kestrel::Settings.RandomTimes);

  int rc = 0;
  {
    app::TfrmVocorder window;
    if (!window.Create(::GetModuleHandleW(nullptr))) {
      std::printf("the main window could not be created\n");
      return 1;
    }
    PumpUntil([] { return false; }, 0.3);
    HWND songs = window.Control(app::cmbSongs), time2 = window.Control(app::idTime2);

    // Selection to length shown, alternating between the two recordings.
    std::vector<double> selection;
    for (int i = 0; i < 20; ++i) {
      ::SetWindowTextW(time2, L"");
      ::SendMessageW(songs, CB_SETCURSEL, i % 2, 0);
      const double t0 = Now();
      ::SendMessageW(window.Handle(), WM_COMMAND, MAKEWPARAM(app::cmbSongs, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(songs));
      if (PumpUntil([&] { return !Text(time2).empty() && Text(time2) != L"00:00:00"; }, 5))
        selection.push_back((Now() - t0) * 1000);
    }
    std::printf("selection to length shown: median %.1f ms over %zu selections (of 20)\n", Median(selection),
                selection.size());

    // Timer ticks while the long recording plays.
    ::SendMessageW(songs, CB_SETCURSEL, 0, 0);
    ::SendMessageW(window.Handle(), WM_COMMAND, MAKEWPARAM(app::cmbSongs, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(songs));
    std::vector<double> ticks;
    auto record = [&](const MSG& m) {
      if (m.message == WM_TIMER && m.hwnd == window.Handle() && m.wParam == app::idTimer) ticks.push_back(Now());
    };
    ::SendMessageW(window.Handle(), WM_COMMAND, MAKEWPARAM(app::idPlay, BN_CLICKED), 0);
    PumpUntil([] { return false; }, 2.0, record);
    Timing("refresh timer while playing, 100 ms", ticks, 100);
    ticks.clear();
    // The interval is taken when playback starts.
    ::SendMessageW(window.Handle(), WM_COMMAND, MAKEWPARAM(app::idStop, BN_CLICKED), 0);
    window.Layout().SetMillisMode(true, true);
    ::SendMessageW(window.Handle(), WM_COMMAND, MAKEWPARAM(app::idPlay, BN_CLICKED), 0);
    PumpUntil([] { return false; }, 2.0, record);
    Timing("refresh timer while playing, 25 ms (milliseconds mode)", ticks, 25);
    window.Layout().SetMillisMode(false, true);

    // Hot key to position changed, paused in the middle of the recording.
    ::SendMessageW(window.Handle(), WM_COMMAND, MAKEWPARAM(app::idPlay, BN_CLICKED), 0);  // pause
    PumpUntil([&] { return window.Player()->State() == PlayerState::Paused; }, 5);
    std::vector<double> hotKey;
    int missed = 0;
    for (int i = 0; i < 100; ++i) {
      const int64_t before = window.Player()->GetPosition();
      const double t0 = Now();
      PressCtrl(i % 2 ? VK_LEFT : VK_RIGHT);
      if (PumpUntil([&] { return window.Player()->GetPosition() != before; }, 1.0))
        hotKey.push_back((Now() - t0) * 1000);
      else {
        ++missed;
        std::printf("  press %d (%s) at %lld left the position\n", i + 1, i % 2 ? "back" : "forward",
                    static_cast<long long>(before));
      }
      PumpUntil([] { return false; }, 0.02);
    }
    std::printf("hot key press to position changed: median %.2f ms over %zu presses, %d without a change\n",
                Median(hotKey), hotKey.size(), missed);
    if (hotKey.empty()) rc = 1;
    ::SendMessageW(window.Handle(), WM_CLOSE, 0, 0);
  }
  DonePlayerModule();
  reg::SetUserRoot(nullptr);
  ::RegCloseKey(root);
  ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VocorderBench");
  return rc;
}
