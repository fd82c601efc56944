// Run inside a Wine prefix where the codec DLL may be installed machine-wide.
// Exit code 0: an installed (not process-local) driver named "Vocorder MP3"
// suggests Layer-3 for the recording format and encodes valid frames;
// 1: no codec suggests Layer-3; 2: anything else.
#include <windows.h>
#include <mmreg.h>
#include <msacm.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct TFound {
  HACMDRIVERID Id = nullptr;
  DWORD Support = 0;
};

BOOL CALLBACK FindOurs(HACMDRIVERID id, DWORD_PTR instance, DWORD support) {
  ACMDRIVERDETAILSW d{};
  d.cbStruct = sizeof d;
  if (acmDriverDetailsW(id, &d, 0) == MMSYSERR_NOERROR && std::wstring(d.szShortName) == L"Vocorder MP3") {
    auto* f = reinterpret_cast<TFound*>(instance);
    f->Id = id;
    f->Support = support;
  }
  return TRUE;
}

}  // namespace

int main() {
  WAVEFORMATEX pcm{WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0};
  MPEGLAYER3WAVEFORMAT mp3{};
  mp3.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
  mp3.wfx.nChannels = 1;
  mp3.wfx.nSamplesPerSec = 11025;
  MMRESULT r = acmFormatSuggest(nullptr, &pcm, &mp3.wfx, sizeof mp3,
                                ACM_FORMATSUGGESTF_WFORMATTAG | ACM_FORMATSUGGESTF_NCHANNELS |
                                    ACM_FORMATSUGGESTF_NSAMPLESPERSEC | ACM_FORMATSUGGESTF_WBITSPERSAMPLE);
  if (r != MMSYSERR_NOERROR) {
    std::printf("no Layer-3 suggestion (%u)\n", r);
    return 1;
  }
  TFound found;
  acmDriverEnum(FindOurs, reinterpret_cast<DWORD_PTR>(&found), 0);
  if (!found.Id || (found.Support & ACMDRIVERDETAILS_SUPPORTF_LOCAL)) {
    std::printf("a suggestion, but not from the installed codec\n");
    return 2;
  }
  HACMSTREAM has = nullptr;
  if ((r = acmStreamOpen(&has, nullptr, &pcm, &mp3.wfx, nullptr, 0, 0, 0)) != MMSYSERR_NOERROR) {
    std::printf("stream open failed (%u)\n", r);
    return 2;
  }
  std::vector<BYTE> src(11025), dst(8192);
  for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<BYTE>(128 + ((i / 25) % 2 ? 50 : -50));
  ACMSTREAMHEADER h{};
  h.cbStruct = sizeof h;
  h.pbSrc = src.data();
  h.cbSrcLength = static_cast<DWORD>(src.size());
  h.pbDst = dst.data();
  h.cbDstLength = static_cast<DWORD>(dst.size());
  bool ok = acmStreamPrepareHeader(has, &h, 0) == MMSYSERR_NOERROR &&
            acmStreamConvert(has, &h, ACM_STREAMCONVERTF_BLOCKALIGN | ACM_STREAMCONVERTF_END) == MMSYSERR_NOERROR &&
            h.cbSrcLengthUsed == src.size() && h.cbDstLengthUsed > 1000 && dst[0] == 0xFF && (dst[1] & 0xE0) == 0xE0;
  std::printf("encoded %lu bytes into %lu\n", h.cbSrcLengthUsed, h.cbDstLengthUsed);
  acmStreamUnprepareHeader(has, &h, 0);
  acmStreamClose(has, 0);
  return ok ? 0 : 2;
}
