// Every test program's entry: the tests run, their results are written, and
// the process ends at once with their exit code. Beside the window tests a
// test program has hung in Wine's process exit, after all its tests had
// passed (media threads of the player module still ending); what is left to
// do after the results is only the system's own clean-up.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  std::fflush(stdout);
  std::fflush(stderr);
  ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(result));
  return result;
}
