#include "audio/UDSACM.h"

#include <windows.h>
#include <mmreg.h>
#include <msacm.h>

#include "audio/UDSObject.h"

int32_t HDSACM::MaxFormatSize() {
  DWORD size = 0;
  DSRequire(::acmMetrics(nullptr, ACM_METRIC_MAX_SIZE_FORMAT, &size) == MMSYSERR_NOERROR);
  return static_cast<int32_t>(size);
}
