// The mixer a wave component watches: opened with a window callback to a
// hidden window of the component, whose control-change message fires the
// component's OnMixer.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <functional>

#include "base/WinHandles.h"

namespace wave {

class TWaveMixer {
public:
  // The hidden window belongs to the creating thread, whose message loop
  // delivers the notifications.
  explicit TWaveMixer(std::function<void()> onChange);
  ~TWaveMixer();
  TWaveMixer(const TWaveMixer&) = delete;
  TWaveMixer& operator=(const TWaveMixer&) = delete;

  // Closes the open mixer and opens the one of the wave device (input or
  // output); the platform's result, MMSYSERR_NOERROR when it opened.
  MMRESULT Open(int32_t deviceId, bool input);
  void Close() { mixer_.reset(); }
  bool IsOpen() const { return static_cast<bool>(mixer_); }
  HWND Window() const { return window_.get(); }

private:
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);

  std::function<void()> onChange_;
  win::Window window_;
  win::Mixer mixer_;
};

}  // namespace wave
