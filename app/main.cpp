#include <windows.h>

#include <cstdlib>

#include "app/Startup.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  if (app::ActivateRunningInstance()) return 0;
  bool fromCD = app::StartedFromCD(__argc, __wargv);
  if (app::LoadStartupData(fromCD) != app::StartResult::Run) return 0;
  return 0;
}
