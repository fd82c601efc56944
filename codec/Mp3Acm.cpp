// The machine-wide codec DLL: the compression manager loads it through its
// Drivers32 entry and talks to it only through DriverProc.
#include "codec/Mp3Driver.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  // The LAME DLL is loaded on the first DRV_OPEN, never here under the loader
  // lock.
  if (reason == DLL_PROCESS_ATTACH) ::DisableThreadLibraryCalls(instance);
  return TRUE;
}

extern "C" LRESULT CALLBACK DriverProc(DWORD_PTR driverId, HDRVR driver, UINT message,
                                                             LPARAM lParam1, LPARAM lParam2) {
  return codec::Mp3DriverProc(driverId, driver, message, lParam1, lParam2);
}
