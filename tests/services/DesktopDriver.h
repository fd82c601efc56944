// What the desktop-service tests need around the real platform: a message
// pump that waits for a state, another Wine program to hold the focus, key
// presses from the X server, and finding a window of this process.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "Pump.h"

namespace services_test {

using testing_support::PumpUntil;

// Polls `done` (without pumping) until it holds or `timeoutMs` pass.
bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = 10000);

// Starts a Unix program from the Wine process and waits until it ends.
bool RunUnix(const std::wstring& commandLine);

// Presses a key combination through the X server ("ctrl+shift+F9").
bool PressKeys(const std::string& xdotoolKeys);

// Notepad, started and given the focus; ended with the object.
class FocusedNotepad {
public:
  FocusedNotepad();
  ~FocusedNotepad();
  FocusedNotepad(const FocusedNotepad&) = delete;
  FocusedNotepad& operator=(const FocusedNotepad&) = delete;
  HWND window() const { return window_; }
  bool focused() const;

private:
  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
};

// A visible top-level window of the process with the class (any when null)
// and caption; of this process.
HWND FindWindowOf(DWORD pid, const wchar_t* className, const std::wstring& caption);
HWND FindOwnWindow(const wchar_t* className, const std::wstring& caption);

std::wstring WindowText(HWND w);

}  // namespace services_test
