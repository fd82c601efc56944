// How long a pressed hot key takes to reach TfisHotKey's event handler.
//
// Presses Ctrl+Shift+F9 100 times through the system's input queue and
// prints medians of: the component's own part (from the message loop taking
// the WM_HOTKEY for the receiver window to the handler running), the time
// from the system posting the message (its message time, 1 ms steps) to the
// handler, and the whole way from the injected key press to the handler.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "services/FisHotKey.h"

namespace {

constexpr int kPresses = 100;
constexpr WORD kKey = services::scCtrl | services::scShift | VK_F9;

double Seconds(LONGLONG ticks) {
  static const LONGLONG frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  return static_cast<double>(ticks) / static_cast<double>(frequency);
}

LONGLONG Now() {
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return t.QuadPart;
}

void Press() {
  const WORD keys[] = {VK_CONTROL, VK_SHIFT, VK_F9};
  INPUT in[6]{};
  for (int i = 0; i < 3; ++i) {
    in[i].type = INPUT_KEYBOARD;
    in[i].ki.wVk = keys[i];
    in[5 - i].type = INPUT_KEYBOARD;
    in[5 - i].ki.wVk = keys[i];
    in[5 - i].ki.dwFlags = KEYEVENTF_KEYUP;
  }
  ::SendInput(6, in, sizeof(INPUT));
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int main() {
  services::TfisHotKey hotKey;
  hotKey.SetKey(kKey);
  hotKey.Loaded();
  if (!hotKey.Registered()) {
    std::printf("Ctrl+Shift+F9 is held by another program; nothing measured\n");
    return 1;
  }
  LONGLONG handled = 0;
  hotKey.OnHotKey = [&](services::TfisHotKey&) { handled = Now(); };

  std::vector<double> dispatch, fromPost, fromPress;
  int lost = 0;
  for (int i = 0; i < kPresses; ++i) {
    handled = 0;
    const LONGLONG pressed = Now();
    const DWORD pressedTick = ::GetTickCount();
    Press();
    // Wait for the key's message, giving up after a second.
    bool seen = false;
    while (!seen && ::GetTickCount() - pressedTick < 1000) {
      MSG msg;
      if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        continue;
      }
      const LONGLONG taken = Now();
      const DWORD takenTick = ::GetTickCount();
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
      if (msg.message == WM_HOTKEY && msg.hwnd == hotKey.ReceiverWindow() && handled) {
        seen = true;
        dispatch.push_back(Seconds(handled - taken) * 1e6);
        fromPost.push_back(static_cast<double>(takenTick - msg.time) + Seconds(handled - taken) * 1e3);
        fromPress.push_back(Seconds(handled - pressed) * 1e3);
      }
    }
    if (!seen) ++lost;
  }

  std::printf("hot key presses: %d, reached the handler: %zu\n", kPresses, dispatch.size());
  std::printf("median, loop takes WM_HOTKEY -> handler runs:   %8.1f us\n", Median(dispatch));
  std::printf("median, system posts WM_HOTKEY -> handler runs: %8.3f ms (message time in 1 ms steps)\n",
              Median(fromPost));
  std::printf("median, key injected -> handler runs:           %8.3f ms\n", Median(fromPress));
  if (lost) std::printf("presses that never arrived: %d\n", lost);
  return dispatch.empty() ? 1 : 0;
}
