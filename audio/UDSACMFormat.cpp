#include "audio/UDSACMFormat.h"

#include <msacm.h>

namespace {

void RequirePCM(const TDSWaveFormat& format, const char* operation) {
  if (!format.IsPCM()) throw EDSError(operation);
}

const uint32_t kRates[] = {8000, 11025, 22050, 44100};

bool StepRate(TDSWaveFormat& format, int direction) {
  uint32_t rate = format.SamplesPerSec();
  for (int i = 0; i < 4; ++i) {
    int next = i + direction;
    if (kRates[i] == rate && next >= 0 && next < 4) {
      format.SetSamplesPerSec(kRates[next]);
      return true;
    }
  }
  return false;
}

bool Step(TDSWaveFormat& format, uint16_t (TDSWaveFormat::*get)() const,
          TDSWaveFormat& (TDSWaveFormat::*set)(uint16_t), uint16_t from, uint16_t to) {
  if ((format.*get)() != from) return false;
  (format.*set)(to);
  return true;
}

// Rows of BuildConversionPath for a PCM source and an incomplete non-PCM
// target.
bool PathFromPCMToIncomplete(TDSWaveFormatList& path, const TDSWaveFormat& source, const TDSWaveFormat& target) {
  if (auto direct = HDSACMFormat::_Suggest(source, target)) {
    AddFormat(path, *direct);
    return true;
  }
  auto pcm = HDSACMFormat::_QueryPCM(target, source);
  if (!pcm) return false;
  AddFormat(path, *pcm);
  auto last = HDSACMFormat::_Suggest(*pcm, target);
  if (!last) return false;
  AddFormat(path, *last);
  return true;
}

bool PathFromPCM(TDSWaveFormatList& path, const TDSWaveFormat& source, const TDSWaveFormat& target) {
  bool complete = target.IsComplete();
  if (complete && target.IsPCM()) {
    AddFormat(path, target);
    return true;
  }
  if (complete) {
    auto pcm = HDSACMFormat::_MultiSuggestPCM(target, source);
    if (!pcm) return false;
    AddFormat(path, *pcm);
    AddFormat(path, target);
    return true;
  }
  if (target.IsPCM()) {
    auto suggested = HDSACMFormat::_Suggest(source, target);
    if (!suggested) return false;
    AddFormat(path, *suggested);
    return true;
  }
  return PathFromPCMToIncomplete(path, source, target);
}

bool PathFromOther(TDSWaveFormatList& path, const TDSWaveFormat& source, const TDSWaveFormat& target) {
  bool complete = target.IsComplete();
  if (complete && target.IsPCM()) {
    auto pcm = HDSACMFormat::_MultiSuggestPCM(source, target);
    if (!pcm) return false;
    AddFormat(path, *pcm);
    AddFormat(path, target);
    return true;
  }
  if (complete) {
    auto decoded = HDSACMFormat::_SuggestPCM(target);
    if (!decoded) return false;
    auto pcm = HDSACMFormat::_MultiSuggestPCM(source, *decoded);
    if (!pcm) return false;
    AddFormat(path, *pcm);
    AddFormat(path, *decoded);
    AddFormat(path, target);
    return true;
  }
  if (target.IsPCM()) {
    auto pcm = HDSACMFormat::_MultiSuggestPCM(source, target);
    if (!pcm) return false;
    AddFormat(path, *pcm);
    auto last = HDSACMFormat::_Suggest(*pcm, target);
    if (!last) return false;
    AddFormat(path, *last);
    return true;
  }
  if (auto direct = HDSACMFormat::_Suggest(source, target)) {
    AddFormat(path, *direct);
    return true;
  }
  auto pcm = HDSACMFormat::_SuggestPCM(source);
  if (!pcm) return false;
  AddFormat(path, *pcm);
  return PathFromPCMToIncomplete(path, *pcm, target);
}

}  // namespace

bool HDSACMFormat::CanConvert(const TDSWaveFormat& from, const TDSWaveFormat& to) {
  from.CheckComplete();
  to.CheckComplete();
  HACMSTREAM unused = nullptr;
  return ::acmStreamOpen(&unused, nullptr, const_cast<WAVEFORMATEX*>(from.Data()),
                         const_cast<WAVEFORMATEX*>(to.Data()), nullptr, 0, 0,
                         ACM_STREAMOPENF_QUERY | ACM_STREAMOPENF_NONREALTIME) == MMSYSERR_NOERROR;
}

HDSACMFormat::PFormat HDSACMFormat::Suggest(const TDSWaveFormat& source, const TDSWaveFormat& tmpl) {
  source.CheckComplete();
  PFormat copy = tmpl.Copy();
  copy->EnsureMaxFormatSize();
  DWORD keys = copy->Defined() & TDSWaveFormat::dfKeys;
  if (keys == 0) return nullptr;
  if (::acmFormatSuggest(nullptr, const_cast<WAVEFORMATEX*>(source.Data()), copy->RawData(),
                         static_cast<DWORD>(copy->Capacity()), keys << 16) != MMSYSERR_NOERROR)
    return nullptr;
  copy->MarkComplete();
  // Some codecs suggest formats that they then refuse to convert to (Wine's
  // IMA ADPCM codec for 8-bit sources); such a suggestion leads nowhere.
  if (!CanConvert(source, *copy)) return nullptr;
  return copy;
}

HDSACMFormat::PFormat HDSACMFormat::_Suggest(const TDSWaveFormat& source, const TDSWaveFormat& tmpl) {
  source.CheckComplete();
  DSRequire(tmpl.HasTag());
  if (tmpl.IsComplete() && !tmpl.IsPCM()) throw EDSError("_Suggest");
  return Suggest(source, tmpl);
}

HDSACMFormat::PFormat HDSACMFormat::_SuggestPCM(const TDSWaveFormat& source) {
  source.CheckComplete();
  if (source.IsPCM()) throw EDSError("_SuggestPCM");
  TDSWaveFormat pcm;
  pcm.SetFormatTag(WAVE_FORMAT_PCM);
  return _Suggest(source, pcm);
}

HDSACMFormat::PFormat HDSACMFormat::_MultiSuggestPCM(const TDSWaveFormat& source, const TDSWaveFormat& target) {
  source.CheckComplete();
  if (source.IsPCM() || !target.IsPCM()) throw EDSError("_MultiSuggestPCM");
  if (PFormat same = _Suggest(source, target)) return same;
  return _SuggestPCM(source);
}

HDSACMFormat::PFormat HDSACMFormat::_QueryPCM(const TDSWaveFormat& tmpl, const TDSWaveFormat& source) {
  source.CheckComplete();
  if (tmpl.IsPCM() || tmpl.IsComplete() || !source.IsPCM()) throw EDSError("_QueryPCM");
  PFormat work = source.Copy();
  PFormat found;
  do {
    found = _Suggest(*work, tmpl);
  } while (!found && _IncreasePCMFormat(*work));
  if (!found) {
    work = source.Copy();
    while (!found && _DecreasePCMFormat(*work)) found = _Suggest(*work, tmpl);
  }
  if (!found) return nullptr;
  work->CheckComplete();
  return work;
}

bool HDSACMFormat::_IncreaseFrequency(TDSWaveFormat& format) {
  RequirePCM(format, "_IncreaseFrequency");
  return StepRate(format, +1);
}

bool HDSACMFormat::_DecreaseFrequency(TDSWaveFormat& format) {
  RequirePCM(format, "_DecreaseFrequency");
  return StepRate(format, -1);
}

bool HDSACMFormat::_IncreaseBitsPerSample(TDSWaveFormat& format) {
  RequirePCM(format, "_IncreaseBitsPerSample");
  return Step(format, &TDSWaveFormat::BitsPerSample, &TDSWaveFormat::SetBitsPerSample, 8, 16);
}

bool HDSACMFormat::_DecreaseBitsPerSample(TDSWaveFormat& format) {
  RequirePCM(format, "_DecreaseBitsPerSample");
  return Step(format, &TDSWaveFormat::BitsPerSample, &TDSWaveFormat::SetBitsPerSample, 16, 8);
}

bool HDSACMFormat::_IncreaseChannels(TDSWaveFormat& format) {
  RequirePCM(format, "_IncreaseChannels");
  return Step(format, &TDSWaveFormat::Channels, &TDSWaveFormat::SetChannels, 1, 2);
}

bool HDSACMFormat::_DecreaseChannels(TDSWaveFormat& format) {
  RequirePCM(format, "_DecreaseChannels");
  return Step(format, &TDSWaveFormat::Channels, &TDSWaveFormat::SetChannels, 2, 1);
}

bool HDSACMFormat::_IncreasePCMFormat(TDSWaveFormat& format) {
  RequirePCM(format, "_IncreasePCMFormat");
  return _IncreaseChannels(format) || _IncreaseBitsPerSample(format) || _IncreaseFrequency(format);
}

bool HDSACMFormat::_DecreasePCMFormat(TDSWaveFormat& format) {
  RequirePCM(format, "_DecreasePCMFormat");
  return _DecreaseChannels(format) || _DecreaseBitsPerSample(format) || _DecreaseFrequency(format);
}

std::unique_ptr<TDSWaveFormatList> HDSACMFormat::BuildConversionPath(const TDSWaveFormat& source,
                                                                     const TDSWaveFormat& tmpl) {
  source.CheckComplete();
  auto path = std::make_unique<TDSWaveFormatList>();
  AddFormat(*path, source);
  PFormat target = tmpl.Copy();
  if (!target->HasTag()) target->SetFormatTag(source.FormatTag());
  bool found = source.IsPCM() ? PathFromPCM(*path, source, *target) : PathFromOther(*path, source, *target);
  if (!found) return nullptr;
  // Formats found in the decoding direction (the PCM form of a complete
  // target) say nothing about the encoding direction; the chain must open
  // in the order it will run.
  for (int32_t i = 1; i < path->Count(); ++i)
    if (!CanConvert((*path)[i - 1], (*path)[i])) return nullptr;
  path->Delete(0);
  return path;
}
