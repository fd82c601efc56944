// One operating-system critical section.
#pragma once

#include "base/WinHandles.h"

class TDSCriticalSection {
public:
  // The library's locks guard a few instructions at a time.
  TDSCriticalSection() : cs_(4000) {}
  void Enter() { cs_.lock(); }
  void Leave() { cs_.unlock(); }
  // For scoped locking with std::lock_guard and the like.
  void lock() { Enter(); }
  void unlock() { Leave(); }

private:
  win::CriticalSection cs_;
};
