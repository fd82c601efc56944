// The two ways tests wait for a state: PumpUntil while the thread's messages
// run (the windows, timers and player notifications of the test's own
// thread), WaitUntil where this thread owns nothing that needs them (another
// process, or a driver thread beside a modal loop).
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>

namespace testing_support {

// Dispatches this thread's messages until `done` holds or `timeout` passed;
// returns done()'s last answer. A WM_QUIT met on the way is dropped.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(10));
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  return PumpUntil(done, std::chrono::milliseconds(timeoutMs));
}
// Polls `done` every 10 ms, dispatching nothing, until it holds or `timeout`
// passed; returns done()'s last answer.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(10));
inline bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  return WaitUntil(done, std::chrono::milliseconds(timeoutMs));
}
// Dispatches messages for `time` (0: only those already waiting).
void Pump(std::chrono::milliseconds time = std::chrono::milliseconds(0));

}  // namespace testing_support
