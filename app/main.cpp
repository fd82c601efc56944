#include <windows.h>

#include <cstdlib>

#include "app/Startup.h"
#include "codec/Mp3Fallback.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  if (app::ActivateRunningInstance()) return 0;
  bool fromCD = app::StartedFromCD(__argc, __wargv);
  if (app::LoadStartupData(fromCD) != app::StartResult::Run) return 0;
  // Recording needs an MPEG Layer-3 encoder; ours stands in when the
  // machine has none.
  codec::EnsureMp3Encoder();
  return 0;
}
