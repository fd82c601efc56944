// The mail client double inside another process: its recorded calls, read
// from the library loaded there at the same offset as in this process.
#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>

#include "base/WinHandles.h"

namespace mapi_double {
struct State;
}

namespace e2e {

class MailDoubleProbe {
public:
  // The double beside this test program; pid is the process that loaded it.
  explicit MailDoubleProbe(DWORD pid);
  // A copy of the state; nothing when the process has not loaded the double.
  std::unique_ptr<mapi_double::State> Read() const;

private:
  win::Handle process_;
  win::Module local_;
  ptrdiff_t offset_ = 0;
};

}  // namespace e2e
