// The MPEG Layer-3 encoder as an audio compression manager driver. The same
// procedure serves the process-local fallback (acmDriverAdd with
// ACM_DRIVERADDF_FUNCTION) and the machine-wide codec DLL, which exports it
// as DriverProc.
#pragma once

#include <windows.h>
#include <mmsystem.h>

namespace codec {

// Answers the DRV_* and ACMDM_* messages. It opens only when the LAME DLL can
// be loaded from the folder of the module that holds it.
LRESULT CALLBACK Mp3DriverProc(DWORD_PTR driverId, HDRVR driver, UINT message, LPARAM lParam1, LPARAM lParam2);

}  // namespace codec
