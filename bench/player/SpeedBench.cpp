// What playing at another speed costs, and how soon a speed key shows.
//
// Prints the process's CPU seconds per minute of recording played through
// the player's whole graph at 50, 100 and 200 %, against a plain graph of
// the same file without the stretcher, all in the same run; then the time
// from an injected speed hot key (Alt+Shift+PageUp, through the system's
// input queue) to the position read-out advancing at the new speed.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <sonic.h>

#include "player/AudioDevices.h"
#include "player/TPlayer.h"
#include "services/FisHotKey.h"

namespace {

constexpr int64_t kSecond = 10'000'000;
constexpr int64_t kSpan = 12 * kSecond;  // recording time played per figure

double CpuSeconds() {
  FILETIME created, exited, kernel, user;
  ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto s = [](FILETIME f) { return ((static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 1e7; };
  return s(kernel) + s(user);
}

double Now() {
  LARGE_INTEGER t, f;
  ::QueryPerformanceCounter(&t);
  ::QueryPerformanceFrequency(&f);
  return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

// Runs this thread's messages until done() holds or the time is up.
template <typename Done>
bool PumpUntil(Done done, double seconds) {
  const double end = Now() + seconds;
  while (!done()) {
    if (Now() > end) return false;
    MSG m;
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&m);
    ::Sleep(1);
  }
  return true;
}

HWND MakeOwner() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"SpeedBenchOwner";
  ::RegisterClassW(&wc);
  return ::CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

void Print(const char* what, double cpu, double wall) {
  std::printf("  %-18s %.3f s CPU per minute of recording, %.2f %% of one core\n", what, cpu * 60.0 * kSecond / kSpan,
              100.0 * cpu / wall);
}

void Stretched(TPlayer& player, const std::wstring& file, int percent) {
  player.Open(file);
  player.SetSpeed(percent);
  const double cpu = CpuSeconds(), wall = Now();
  player.Play();
  PumpUntil([&] { return player.GetPosition() >= kSpan; }, 60);
  const double used = CpuSeconds() - cpu, took = Now() - wall;
  player.Stop();
  char what[32];
  std::snprintf(what, sizeof what, "stretched %d %%", percent);
  Print(what, used, took);
}

void Plain(const std::wstring& file) {
  Microsoft::WRL::ComPtr<IGraphBuilder> graph;
  ::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph));
  Microsoft::WRL::ComPtr<IMediaControl> control;
  Microsoft::WRL::ComPtr<IMediaSeeking> seeking;
  graph.As(&control);
  graph.As(&seeking);
  if (FAILED(graph->RenderFile(file.c_str(), nullptr))) return;
  const double cpu = CpuSeconds(), wall = Now();
  control->Run();
  PumpUntil([&] { LONGLONG p = 0; seeking->GetCurrentPosition(&p); return p >= kSpan; }, 60);
  const double used = CpuSeconds() - cpu, took = Now() - wall;
  control->Stop();
  Print("plain graph", used, took);
}

void PressFaster() {
  const WORD keys[] = {VK_MENU, VK_SHIFT, VK_PRIOR};
  INPUT in[6]{};
  for (int i = 0; i < 3; ++i) {
    in[i].type = in[5 - i].type = INPUT_KEYBOARD;
    in[i].ki.wVk = in[5 - i].ki.wVk = keys[i];
    in[5 - i].ki.dwFlags = KEYEVENTF_KEYUP;
  }
  in[2].ki.dwFlags = in[3].ki.dwFlags = KEYEVENTF_EXTENDEDKEY;
  in[3].ki.dwFlags |= KEYEVENTF_KEYUP;
  ::SendInput(6, in, sizeof(INPUT));
}

// From the key press to the read-out's pace over 100 ms being the new one
// (within 10 %), 100 % to 105 % while playing; median of the presses.
void KeyLatency(TPlayer& player, const std::wstring& file) {
  services::TfisHotKey key;
  key.SetKey(services::scAlt | services::scShift | VK_PRIOR);
  double pressed = 0, handled = 0;
  key.OnHotKey = [&](services::TfisHotKey&) {
    handled = Now();
    player.SetSpeed(player.Speed() + 50);
  };
  key.Loaded();
  if (!key.Registered()) {
    std::printf("speed key: Alt+Shift+PageUp could not be registered\n");
    return;
  }
  for (int run = 0; run < 3; ++run) {
    player.Open(file);
    player.SetSpeed(100);
    player.Play();
    PumpUntil([&] { return player.GetPosition() >= kSecond; }, 10);
    handled = 0;
    pressed = Now();
    PressFaster();
    PumpUntil([&] { return handled != 0; }, 5);
    double shown = 0;
    PumpUntil([&] {
      const double t0 = Now();
      const int64_t p0 = player.GetPosition();
      PumpUntil([] { return false; }, 0.1);
      const double pace = static_cast<double>(player.GetPosition() - p0) / kSecond / (Now() - t0);
      if (pace > 1.35 && pace < 1.65) shown = t0;
      return shown != 0;
    }, 5);
    std::printf("speed key: %.0f ms to the handler, read-out at 150 %% from %.0f ms after the press (window start)\n",
                (handled - pressed) * 1000, shown ? (shown - pressed) * 1000 : -1.0);
    player.Stop();
  }
}

// The stretcher alone on a minute of 16-bit mono PCM at 11025 Hz (the
// speech repeated), without the graph: its own share of the cost.
void StretcherAlone(const wchar_t* wav) {
  std::ifstream in(wav, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() <= 44) return;
  std::vector<short> speech((bytes.size() - 44) / 2);
  memcpy(speech.data(), bytes.data() + 44, speech.size() * 2);
  std::vector<short> out(4096);
  for (int percent : {50, 100, 200}) {
    sonicStream stream = sonicCreateStream(11025, 1);
    sonicSetSpeed(stream, percent / 100.0f);
    const double cpu = CpuSeconds();
    for (size_t fed = 0; fed < 60 * 11025;) {
      const int n = static_cast<int>(std::min<size_t>(441, speech.size() - fed % speech.size()));
      sonicWriteShortToStream(stream, speech.data() + fed % speech.size(), n);
      fed += n;
      while (sonicReadShortFromStream(stream, out.data(), static_cast<int>(out.size())) > 0) {
      }
    }
    std::printf("  stretcher alone %3d %%: %.4f s CPU per minute of recording\n", percent, CpuSeconds() - cpu);
    sonicDestroyStream(stream);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::printf("usage: bench_speed <recording of at least 15 s> [<16-bit mono 11025 Hz .wav>]\n");
    return 2;
  }
  InitPlayerModule();
  const std::wstring file = argv[1];
  HWND owner = MakeOwner();
  {
    TPlayer player(owner);
    player.Open(file);
    if (!player.SpeedSupported()) std::printf("the graph took no stretcher: figures are of plain playback\n");
    std::printf("12 s of the recording played each time:\n");
    Plain(file);
    for (int percent : {50, 100, 200}) Stretched(player, file, percent);
    KeyLatency(player, file);
    if (argc > 2) StretcherAlone(argv[2]);
  }
  ::DestroyWindow(owner);
  return 0;
}
