// What the player's tests share: an owner window that logs WM_PLAYERNOTIFY,
// message pumping that waits for a condition, and the media fixtures.
#pragma once

#include "player/PlayerNotify.h"

#include "Pump.h"

#include <functional>
#include <string>
#include <vector>

namespace player_test {

// A hidden window that records the long parameter of every WM_PLAYERNOTIFY
// it receives and then calls onNotify (if set).
class NotifyLog {
public:
  NotifyLog();
  ~NotifyLog();
  NotifyLog(const NotifyLog&) = delete;
  NotifyLog& operator=(const NotifyLog&) = delete;

  HWND window() const { return hwnd_; }
  std::vector<LPARAM> codes;
  std::function<void(LPARAM)> onNotify;
  // The codes without pnGraphEvent, which the framework posts at its own
  // time; the notifications already posted are taken in first.
  std::vector<LPARAM> PlayerCodes();
  void Clear() {
    Deliver();
    codes.clear();
  }

private:
  // Dispatches the notifications waiting for this window.
  void Deliver();
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
  HWND hwnd_ = nullptr;
};

using testing_support::PumpUntil;
// Dispatches the messages already waiting.
inline void PumpWaiting() { testing_support::Pump(); }

// <build>\fixtures\player\<name>
std::wstring Media(const wchar_t* name);

// Visible top-level windows of this process other than the given one.
int VisibleWindowsOfProcess(HWND except = nullptr);

// The index of a device in the lists by name, or -1.
int DeviceNamed(const std::wstring& name);

}  // namespace player_test
