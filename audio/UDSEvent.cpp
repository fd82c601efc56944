#include "audio/UDSEvent.h"

namespace {
const char kWaitFailed[] = "TDSEvent: wait for multiple failed";
}

TDSEvent::TDSEvent() : handle_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) { DSRequire(bool(handle_)); }

TDSEvent::TDSEvent(HANDLE handle) : handle_(handle) {}

std::unique_ptr<TDSEvent> TDSEvent::CreateManualReset() {
  HANDLE h = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  DSRequire(h != nullptr);
  return std::make_unique<TDSEvent>(h);
}

void TDSEvent::SetEvent() { DSRequire(::SetEvent(handle_.get()) != FALSE); }

void TDSEvent::ResetEvent() { DSRequire(::ResetEvent(handle_.get()) != FALSE); }

TDSEvent* TDSEvent::WaitForAny(std::span<TDSEvent* const> events, DWORD timeout) {
  if (events.empty() || events.size() > kMaxWait) throw EDSError(kWaitFailed);
  HANDLE handles[kMaxWait];
  for (size_t i = 0; i < events.size(); ++i) handles[i] = events[i]->Handle();
  DWORD r = ::WaitForMultipleObjects(static_cast<DWORD>(events.size()), handles, FALSE, timeout);
  if (r == WAIT_TIMEOUT) return nullptr;
  if (r >= WAIT_OBJECT_0 && r < WAIT_OBJECT_0 + events.size()) return events[r - WAIT_OBJECT_0];
  throw EDSError(kWaitFailed);
}
