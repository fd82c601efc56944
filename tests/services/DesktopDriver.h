// The former names of the desktop driver (tests/support/Desktop.h), for the
// tests that still use them.
#pragma once

#include <functional>
#include <string>

#include "Desktop.h"
#include "Pump.h"

namespace services_test {

using desktop::FocusedNotepad;
using desktop::PressKeys;
using desktop::RunUnix;
using testing_support::PumpUntil;

inline bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = 10000) {
  return testing_support::WaitUntil(done, timeoutMs);
}
inline HWND FindWindowOf(DWORD pid, const wchar_t* className, const std::wstring& caption) {
  return desktop::WindowOf(pid, className, caption.c_str());
}
inline HWND FindOwnWindow(const wchar_t* className, const std::wstring& caption) {
  return desktop::OwnWindow(className, caption.c_str());
}
inline std::wstring WindowText(HWND w) { return desktop::TextOf(w); }

}  // namespace services_test
