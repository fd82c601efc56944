// A monotonic clock in microseconds, for measuring how long a call took.
#pragma once

#include <windows.h>

#include <cstdint>

namespace win {

inline int64_t Microseconds() {
  static const int64_t frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  return now.QuadPart * 1000000 / frequency;
}

}  // namespace win
