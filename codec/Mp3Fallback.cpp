#include "codec/Mp3Fallback.h"

#include "base/WinHandles.h"
#include "codec/LameLibrary.h"
#include "codec/Mp3Driver.h"

#include <mmreg.h>
#include <msacm.h>

#include <cwchar>
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

// Opening a driver is what costs (a few milliseconds each on Wine), so only
// codecs that could hold a Layer-3 format are asked: the support flags and
// the largest format size come from the compression manager's own cache.
BOOL CALLBACK CollectCandidate(HACMDRIVERID id, DWORD_PTR instance, DWORD support) {
  if (!(support & ACMDRIVERDETAILS_SUPPORTF_CODEC)) return TRUE;
  DWORD largest = 0;
  if (::acmMetrics(reinterpret_cast<HACMOBJ>(id), ACM_METRIC_MAX_SIZE_FORMAT, &largest) == MMSYSERR_NOERROR &&
      largest < sizeof(MPEGLAYER3WAVEFORMAT))
    return TRUE;
  reinterpret_cast<std::vector<HACMDRIVERID>*>(instance)->push_back(id);
  return TRUE;
}

// The recorder's own request: tag, channels and rate kept, no sample bits.
bool SuggestsMp3(HACMDRIVER had, const WAVEFORMATEX& pcm) {
  // Room for whatever a codec writes after its format header; it may not
  // write past the size it is given.
  DWORD buffer[64] = {};
  auto* mp3 = reinterpret_cast<WAVEFORMATEX*>(buffer);
  mp3->wFormatTag = WAVE_FORMAT_MPEGLAYER3;
  mp3->nChannels = pcm.nChannels;
  mp3->nSamplesPerSec = pcm.nSamplesPerSec;
  mp3->wBitsPerSample = 0;
  const DWORD keep = ACM_FORMATSUGGESTF_WFORMATTAG | ACM_FORMATSUGGESTF_NCHANNELS |
                     ACM_FORMATSUGGESTF_NSAMPLESPERSEC | ACM_FORMATSUGGESTF_WBITSPERSAMPLE;
  WAVEFORMATEX src = pcm;
  return ::acmFormatSuggest(had, &src, mp3, sizeof buffer, keep) == MMSYSERR_NOERROR &&
         mp3->wFormatTag == WAVE_FORMAT_MPEGLAYER3;
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
  // Each candidate is asked in turn through its own handle: the answer of
  // acmFormatSuggest(NULL, ...), which tries all drivers in the same order,
  // at a fraction of its start-up cost on Wine.
  std::vector<HACMDRIVERID> ids;
  ::acmDriverEnum(CollectCandidate, reinterpret_cast<DWORD_PTR>(&ids), 0);
  for (HACMDRIVERID id : ids) {
    win::AcmDriver had;
    if (::acmDriverOpen(had.put(), id, 0) != MMSYSERR_NOERROR) continue;
    if (SuggestsMp3(had.get(), pcm)) return true;
  }
  return false;
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
  // Only the driver just added needs asking again.
  win::AcmDriver had;
  WAVEFORMATEX pcm{WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0};
  if (::acmDriverOpen(had.put(), id, 0) != MMSYSERR_NOERROR || !SuggestsMp3(had.get(), pcm)) {
    had.reset();
    ::acmDriverRemove(id, 0);
    return false;
  }
  gAdded = id;
  return true;
}

}  // namespace codec
