// An owned event object and waiting for the first of several.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>

#include "audio/UDSObject.h"
#include "base/WinHandles.h"

class TDSEvent : public TDSObject {
public:
  // Auto-reset, not signalled.
  TDSEvent();
  // Adopts `handle`.
  explicit TDSEvent(HANDLE handle);
  static std::unique_ptr<TDSEvent> CreateManualReset();
  const char* ClassName() const override { return "TDSEvent"; }

  void SetEvent();
  void ResetEvent();
  HANDLE Handle() const { return handle_.get(); }

  static constexpr size_t kMaxWait = MAXIMUM_WAIT_OBJECTS;
  // The signalled event (the first in `events` when several are), or nothing
  // when `timeout` milliseconds passed.
  static TDSEvent* WaitForAny(std::span<TDSEvent* const> events, DWORD timeout);
  static TDSEvent* WaitForAny(std::initializer_list<TDSEvent*> events, DWORD timeout) {
    return WaitForAny(std::span<TDSEvent* const>(events.begin(), events.size()), timeout);
  }
  static TDSEvent* WaitForAnyForever(std::initializer_list<TDSEvent*> events) { return WaitForAny(events, INFINITE); }

private:
  win::Handle handle_;
};
