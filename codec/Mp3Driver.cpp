#include "codec/Mp3Driver.h"

#include "codec/AcmDriverApi.h"
#include "codec/LameLibrary.h"
#include "codec/Mp3Encoder.h"
#include "codec/Mp3Formats.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <new>

namespace codec {

namespace {

constexpr DWORD kSupport = ACMDRIVERDETAILS_SUPPORTF_CODEC;
// Any non-zero value opens the driver; it keeps no per-open state.
constexpr LRESULT kDriverInstance = 1;

constexpr DWORD AcmVersion(DWORD major, DWORD minor, DWORD build) { return major << 24 | minor << 16 | build; }

template <typename T>
void CopyOut(const T& filled, T* out) {
  // The caller's cbStruct says how much of the structure it has room for.
  DWORD size = std::min<DWORD>(out->cbStruct, sizeof(T));
  std::memcpy(out, &filled, size);
  out->cbStruct = size;
}

template <size_t N>
void SetText(wchar_t (&field)[N], const wchar_t* text) {
  std::wcsncpy(field, text, N - 1);
  field[N - 1] = L'\0';
}

LRESULT DriverDetails(ACMDRIVERDETAILSW* out) {
  if (!out || out->cbStruct < sizeof(DWORD)) return MMSYSERR_INVALPARAM;
  ACMDRIVERDETAILSW d{};
  d.cbStruct = sizeof d;
  d.fccType = ACMDRIVERDETAILS_FCCTYPE_AUDIOCODEC;
  d.fccComp = ACMDRIVERDETAILS_FCCCOMP_UNDEFINED;
  d.wMid = MM_UNMAPPED;
  d.wPid = MM_PID_UNMAPPED;
  d.vdwACM = AcmVersion(3, 50, 0);
  d.vdwDriver = AcmVersion(1, 0, 0);
  d.fdwSupport = kSupport;
  d.cFormatTags = 2;
  d.cFilterTags = 0;
  SetText(d.szShortName, L"Vocorder MP3");
  SetText(d.szLongName, L"Vocorder MPEG Layer-3 Encoder");
  SetText(d.szCopyright, L"Encoder library: LAME 3.100");
  SetText(d.szLicensing, L"LAME is free software under the GNU Lesser General Public License (LAME-COPYING.txt).");
  SetText(d.szFeatures, L"Encodes 8-bit and 16-bit PCM, mono or stereo, to constant bit rate MPEG Layer-3.");
  CopyOut(d, out);
  return MMSYSERR_NOERROR;
}

enum class TTag { Pcm, Mp3, None };

TTag TagOf(DWORD tag) {
  if (tag == WAVE_FORMAT_PCM) return TTag::Pcm;
  if (tag == WAVE_FORMAT_MPEGLAYER3) return TTag::Mp3;
  return TTag::None;
}

LRESULT FormatTagDetails(ACMFORMATTAGDETAILSW* out, DWORD flags) {
  if (!out || out->cbStruct < offsetof(ACMFORMATTAGDETAILSW, dwFormatTag) + sizeof(DWORD))
    return MMSYSERR_INVALPARAM;
  TTag tag = TTag::None;
  switch (flags & ACM_FORMATTAGDETAILSF_QUERYMASK) {
    case ACM_FORMATTAGDETAILSF_INDEX:
      tag = out->dwFormatTagIndex == 0 ? TTag::Pcm : out->dwFormatTagIndex == 1 ? TTag::Mp3 : TTag::None;
      break;
    case ACM_FORMATTAGDETAILSF_FORMATTAG:
      tag = TagOf(out->dwFormatTag);
      break;
    case ACM_FORMATTAGDETAILSF_LARGESTSIZE:
      // "Any tag" asks for the largest format of all, which is Layer-3.
      tag = out->dwFormatTag == WAVE_FORMAT_UNKNOWN ? TTag::Mp3 : TagOf(out->dwFormatTag);
      break;
    default:
      return MMSYSERR_NOTSUPPORTED;
  }
  if (tag == TTag::None) return ACMERR_NOTPOSSIBLE;

  ACMFORMATTAGDETAILSW d{};
  d.cbStruct = sizeof d;
  d.fdwSupport = kSupport;
  if (tag == TTag::Pcm) {
    d.dwFormatTagIndex = 0;
    d.dwFormatTag = WAVE_FORMAT_PCM;
    d.cbFormatSize = HMp3Format::kPcmFormatSize;
    d.cStandardFormats = HMp3Format::PcmFormatCount();
    SetText(d.szFormatTag, L"PCM");
  } else {
    d.dwFormatTagIndex = 1;
    d.dwFormatTag = WAVE_FORMAT_MPEGLAYER3;
    d.cbFormatSize = HMp3Format::kMp3FormatSize;
    d.cStandardFormats = HMp3Format::Mp3FormatCount();
    SetText(d.szFormatTag, L"MPEG Layer-3");
  }
  CopyOut(d, out);
  return MMSYSERR_NOERROR;
}

std::wstring DescribePcm(const TPcmLayout& layout) {
  wchar_t text[64];
  wsprintfW(text, L"%u Hz, %u Bit, %s", static_cast<unsigned>(layout.SamplesPerSec),
            static_cast<unsigned>(layout.BitsPerSample), layout.Channels == 1 ? L"Mono" : L"Stereo");
  return text;
}

LRESULT FormatDetails(ACMFORMATDETAILSW* out, DWORD flags) {
  if (!out || out->cbStruct < sizeof(ACMFORMATDETAILSW) || !out->pwfx) return MMSYSERR_INVALPARAM;
  TTag tag = TagOf(out->dwFormatTag);
  std::wstring text;
  switch (flags & ACM_FORMATDETAILSF_QUERYMASK) {
    case ACM_FORMATDETAILSF_INDEX:
      if (tag == TTag::Pcm) {
        auto layout = HMp3Format::PcmAt(out->dwFormatIndex);
        if (!layout) return ACMERR_NOTPOSSIBLE;
        if (!HMp3Format::WritePcm(*layout, out->pwfx, out->cbwfx)) return MMSYSERR_INVALPARAM;
        text = DescribePcm(*layout);
      } else if (tag == TTag::Mp3) {
        auto layout = HMp3Format::Mp3At(out->dwFormatIndex);
        if (!layout) return ACMERR_NOTPOSSIBLE;
        if (!HMp3Format::WriteMp3(*layout, out->pwfx, out->cbwfx)) return MMSYSERR_INVALPARAM;
        text = HMp3Format::Describe(*layout);
      } else {
        return ACMERR_NOTPOSSIBLE;
      }
      break;
    case ACM_FORMATDETAILSF_FORMAT:
      if (out->pwfx->wFormatTag != out->dwFormatTag) return ACMERR_NOTPOSSIBLE;
      if (tag == TTag::Pcm) {
        auto layout = HMp3Format::ReadPcm(out->pwfx, out->cbwfx);
        if (!layout) return ACMERR_NOTPOSSIBLE;
        text = DescribePcm(*layout);
      } else if (tag == TTag::Mp3) {
        auto layout = HMp3Format::ReadMp3(out->pwfx, out->cbwfx);
        if (!layout) return ACMERR_NOTPOSSIBLE;
        text = HMp3Format::Describe(*layout);
      } else {
        return ACMERR_NOTPOSSIBLE;
      }
      break;
    default:
      return MMSYSERR_NOTSUPPORTED;
  }
  out->fdwSupport = kSupport;
  SetText(out->szFormat, text.c_str());
  return MMSYSERR_NOERROR;
}

LRESULT FormatSuggest(ACMDRVFORMATSUGGEST* s) {
  if (!s || !s->pwfxSrc || !s->pwfxDst) return MMSYSERR_INVALPARAM;
  auto pcm = HMp3Format::ReadPcm(s->pwfxSrc, s->cbwfxSrc);
  if (!pcm) return ACMERR_NOTPOSSIBLE;
  // Encoding only, and only when asked for Layer-3: a suggestion without a
  // tag is left to the converters that keep the tag.
  const DWORD keep = s->fdwSuggest;
  if (!(keep & ACM_FORMATSUGGESTF_WFORMATTAG)) return ACMERR_NOTPOSSIBLE;
  if (s->cbwfxDst < HMp3Format::kMp3FormatSize) return ACMERR_NOTPOSSIBLE;
  const WAVEFORMATEX& want = *s->pwfxDst;
  if (want.wFormatTag != WAVE_FORMAT_MPEGLAYER3) return ACMERR_NOTPOSSIBLE;
  if ((keep & ACM_FORMATSUGGESTF_NCHANNELS) && want.nChannels != pcm->Channels) return ACMERR_NOTPOSSIBLE;
  if ((keep & ACM_FORMATSUGGESTF_NSAMPLESPERSEC) && want.nSamplesPerSec != pcm->SamplesPerSec)
    return ACMERR_NOTPOSSIBLE;
  if ((keep & ACM_FORMATSUGGESTF_WBITSPERSAMPLE) && want.wBitsPerSample != 0) return ACMERR_NOTPOSSIBLE;

  TMp3Layout mp3{pcm->Channels, pcm->SamplesPerSec, HMp3Format::SuggestedBitrate(pcm->SamplesPerSec, pcm->Channels)};
  HMp3Format::WriteMp3(mp3, s->pwfxDst, s->cbwfxDst);
  return MMSYSERR_NOERROR;
}

TMp3Encoder* EncoderOf(const ACMDRVSTREAMINSTANCE* si) {
  return si ? reinterpret_cast<TMp3Encoder*>(si->dwDriver) : nullptr;
}

LRESULT StreamOpen(ACMDRVSTREAMINSTANCE* si) {
  if (!si || !si->pwfxSrc || !si->pwfxDst) return MMSYSERR_INVALPARAM;
  if (si->pwfltr) return ACMERR_NOTPOSSIBLE;
  auto pcm = HMp3Format::ReadPcm(si->pwfxSrc, HMp3Format::kPcmFormatSize);
  auto mp3 = HMp3Format::ReadMp3(si->pwfxDst, sizeof(WAVEFORMATEX) + si->pwfxDst->cbSize);
  if (!pcm || !mp3) return ACMERR_NOTPOSSIBLE;
  // No resampling and no channel mixing: the PCM converter does those.
  if (pcm->Channels != mp3->Channels || pcm->SamplesPerSec != mp3->SamplesPerSec) return ACMERR_NOTPOSSIBLE;
  if (si->fdwOpen & ACM_STREAMOPENF_ASYNC) return ACMERR_NOTPOSSIBLE;
  const TLameLibrary* lame = TLameLibrary::Shared();
  if (!lame) return ACMERR_NOTPOSSIBLE;
  if (si->fdwOpen & ACM_STREAMOPENF_QUERY) return MMSYSERR_NOERROR;

  auto encoder = TMp3Encoder::Create(*lame, *pcm, *mp3);
  if (!encoder) return MMSYSERR_NOMEM;
  si->dwDriver = reinterpret_cast<DWORD_PTR>(encoder.release());
  return MMSYSERR_NOERROR;
}

LRESULT StreamClose(ACMDRVSTREAMINSTANCE* si) {
  if (!si) return MMSYSERR_INVALPARAM;
  delete EncoderOf(si);
  si->dwDriver = 0;
  return MMSYSERR_NOERROR;
}

LRESULT StreamSize(ACMDRVSTREAMINSTANCE* si, ACMDRVSTREAMSIZE* size) {
  TMp3Encoder* e = EncoderOf(si);
  if (!e || !size) return MMSYSERR_INVALPARAM;
  switch (size->fdwSize & ACM_STREAMSIZEF_QUERYMASK) {
    case ACM_STREAMSIZEF_SOURCE: {
      if (size->cbSrcLength < e->Pcm().BlockAlign()) return ACMERR_NOTPOSSIBLE;
      uint64_t n = HMp3Format::DestinationBytesFor(e->Pcm(), e->Mp3(), size->cbSrcLength);
      if (n > 0xFFFFFFFFull) return ACMERR_NOTPOSSIBLE;
      size->cbDstLength = static_cast<DWORD>(n);
      return MMSYSERR_NOERROR;
    }
    case ACM_STREAMSIZEF_DESTINATION: {
      DWORD n = HMp3Format::SourceBytesFor(e->Pcm(), e->Mp3(), size->cbDstLength);
      if (n == 0) return ACMERR_NOTPOSSIBLE;
      size->cbSrcLength = n;
      return MMSYSERR_NOERROR;
    }
    default:
      return MMSYSERR_INVALFLAG;
  }
}

bool HeaderBuffersValid(const ACMDRVSTREAMHEADER* h) {
  return h && (h->pbSrc || h->cbSrcLength == 0) && (h->pbDst || h->cbDstLength == 0);
}

LRESULT StreamConvert(ACMDRVSTREAMINSTANCE* si, ACMDRVSTREAMHEADER* h) {
  TMp3Encoder* e = EncoderOf(si);
  if (!e || !HeaderBuffersValid(h)) return MMSYSERR_INVALPARAM;
  auto r = e->Convert(h->pbSrc, h->cbSrcLength, h->pbDst, h->cbDstLength, h->fdwConvert);
  h->cbSrcLengthUsed = r.SourceUsed;
  h->cbDstLengthUsed = r.DestinationUsed;
  return r.Status;
}

LRESULT StreamReset(ACMDRVSTREAMINSTANCE* si) {
  TMp3Encoder* e = EncoderOf(si);
  if (!e) return MMSYSERR_INVALPARAM;
  return e->Reset() ? MMSYSERR_NOERROR : MMSYSERR_NOMEM;
}

LRESULT Open(ACMDRVOPENDESCW* desc) {
  // Opened by something other than the compression manager: not ours.
  if (desc && desc->fccType != ACMDRIVERDETAILS_FCCTYPE_AUDIOCODEC) return 0;
  if (!TLameLibrary::Shared()) {
    if (desc) desc->dwError = MMSYSERR_ERROR;
    return 0;
  }
  if (desc) desc->dwError = MMSYSERR_NOERROR;
  return kDriverInstance;
}

LRESULT Dispatch(DWORD_PTR driverId, HDRVR driver, UINT message, LPARAM lParam1, LPARAM lParam2) {
  switch (message) {
    case DRV_LOAD:
    case DRV_FREE:
    case DRV_ENABLE:
    case DRV_DISABLE:
    case DRV_CLOSE:
      return 1;
    case DRV_OPEN:
      return Open(reinterpret_cast<ACMDRVOPENDESCW*>(lParam2));
    case DRV_QUERYCONFIGURE:
      return 0;  // nothing to configure
    case DRV_CONFIGURE:
      return DRVCNF_CANCEL;
    case DRV_INSTALL:
    case DRV_REMOVE:
      return DRVCNF_OK;

    case ACMDM_DRIVER_NOTIFY:
      return MMSYSERR_NOERROR;
    case ACMDM_DRIVER_DETAILS:
      return DriverDetails(reinterpret_cast<ACMDRIVERDETAILSW*>(lParam1));
    case ACMDM_FORMATTAG_DETAILS:
      return FormatTagDetails(reinterpret_cast<ACMFORMATTAGDETAILSW*>(lParam1), static_cast<DWORD>(lParam2));
    case ACMDM_FORMAT_DETAILS:
      return FormatDetails(reinterpret_cast<ACMFORMATDETAILSW*>(lParam1), static_cast<DWORD>(lParam2));
    case ACMDM_FORMAT_SUGGEST:
      return FormatSuggest(reinterpret_cast<ACMDRVFORMATSUGGEST*>(lParam1));
    case ACMDM_STREAM_OPEN:
      return StreamOpen(reinterpret_cast<ACMDRVSTREAMINSTANCE*>(lParam1));
    case ACMDM_STREAM_CLOSE:
      return StreamClose(reinterpret_cast<ACMDRVSTREAMINSTANCE*>(lParam1));
    case ACMDM_STREAM_SIZE:
      return StreamSize(reinterpret_cast<ACMDRVSTREAMINSTANCE*>(lParam1),
                        reinterpret_cast<ACMDRVSTREAMSIZE*>(lParam2));
    case ACMDM_STREAM_CONVERT:
      return StreamConvert(reinterpret_cast<ACMDRVSTREAMINSTANCE*>(lParam1),
                           reinterpret_cast<ACMDRVSTREAMHEADER*>(lParam2));
    case ACMDM_STREAM_RESET:
      return StreamReset(reinterpret_cast<ACMDRVSTREAMINSTANCE*>(lParam1));
    case ACMDM_STREAM_PREPARE:
    case ACMDM_STREAM_UNPREPARE:
      // Nothing to lock or allocate per header; only the buffers are checked.
      return HeaderBuffersValid(reinterpret_cast<ACMDRVSTREAMHEADER*>(lParam2)) ? MMSYSERR_NOERROR
                                                                                : MMSYSERR_INVALPARAM;
    default:
      break;
  }
  if (message >= ACMDM_RESERVED_LOW && message <= ACMDM_RESERVED_HIGH) return MMSYSERR_NOTSUPPORTED;
  if (message >= DRV_USER) return MMSYSERR_NOTSUPPORTED;
  return ::DefDriverProc(driverId, driver, message, lParam1, lParam2);
}

}  // namespace

LRESULT CALLBACK Mp3DriverProc(DWORD_PTR driverId, HDRVR driver, UINT message, LPARAM lParam1, LPARAM lParam2) {
  // Nothing may unwind into the compression manager.
  try {
    return Dispatch(driverId, driver, message, lParam1, lParam2);
  } catch (const std::bad_alloc&) {
    return MMSYSERR_NOMEM;
  } catch (...) {
    return MMSYSERR_ERROR;
  }
}

}  // namespace codec
