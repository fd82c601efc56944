#include "codec/Mp3Fallback.h"

#include "base/WinHandles.h"
#include "codec/LameLibrary.h"
#include "codec/Mp3Driver.h"

#include <mmreg.h>
#include <msacm.h>

#include <cwchar>
#include <algorithm>
#include <mutex>
#include <vector>

namespace codec {

namespace {

constexpr wchar_t kSwitch[] = L"VOCORDER_NO_MP3_FALLBACK";

bool FallbackSwitchedOff() {
  wchar_t value[8];
  DWORD n = ::GetEnvironmentVariableW(kSwitch, value, 8);
  return n > 0 && n < 8 && std::wcscmp(value, L"1") == 0;
}

HMODULE ModuleOfDriverProc() {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&Mp3DriverProc), &module);
  return module;
}

std::mutex gLock;
HACMDRIVERID gAdded = nullptr;

}  // namespace

bool CanSuggestMp3FromRecordingFormat() {
  WAVEFORMATEX pcm{};
  pcm.wFormatTag = WAVE_FORMAT_PCM;
  pcm.nChannels = 1;
  pcm.nSamplesPerSec = 11025;
  pcm.wBitsPerSample = 8;
  pcm.nBlockAlign = 1;
  pcm.nAvgBytesPerSec = 11025;
  // Room for whatever an installed codec writes after its format header.
  DWORD largest = 0;
  if (::acmMetrics(nullptr, ACM_METRIC_MAX_SIZE_FORMAT, &largest) != MMSYSERR_NOERROR) largest = 0;
  std::vector<DWORD> buffer((std::max<DWORD>(largest, 256) + 3) / 4, 0);
  const DWORD size = static_cast<DWORD>(buffer.size() * sizeof(DWORD));
  auto* mp3 = reinterpret_cast<WAVEFORMATEX*>(buffer.data());
  // The recorder's own request: tag, channels and rate kept, no sample bits.
  mp3->wFormatTag = WAVE_FORMAT_MPEGLAYER3;
  mp3->nChannels = 1;
  mp3->nSamplesPerSec = 11025;
  mp3->wBitsPerSample = 0;
  const DWORD keep = ACM_FORMATSUGGESTF_WFORMATTAG | ACM_FORMATSUGGESTF_NCHANNELS |
                     ACM_FORMATSUGGESTF_NSAMPLESPERSEC | ACM_FORMATSUGGESTF_WBITSPERSAMPLE;
  return ::acmFormatSuggest(nullptr, &pcm, mp3, size, keep) == MMSYSERR_NOERROR &&
         mp3->wFormatTag == WAVE_FORMAT_MPEGLAYER3;
}

bool EnsureMp3Encoder() {
  std::lock_guard<std::mutex> hold(gLock);
  if (gAdded) return true;
  if (CanSuggestMp3FromRecordingFormat()) return true;
  if (FallbackSwitchedOff()) return false;
  // Without the library the driver could not open; adding it would only
  // disable it.
  if (!TLameLibrary::Shared()) return false;

  HACMDRIVERID id = nullptr;
  if (::acmDriverAddW(&id, ModuleOfDriverProc(), reinterpret_cast<LPARAM>(&Mp3DriverProc), 0,
                      ACM_DRIVERADDF_FUNCTION | ACM_DRIVERADDF_LOCAL) != MMSYSERR_NOERROR)
    return false;
  if (!CanSuggestMp3FromRecordingFormat()) {
    ::acmDriverRemove(id, 0);
    return false;
  }
  gAdded = id;
  return true;
}

}  // namespace codec
