#include "codec/Mp3Formats.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace codec {

namespace {

struct TRateRow {
  DWORD Rate;
  std::span<const WORD> Bitrates;
  WORD MonoSuggestion;
  WORD StereoSuggestion;
};

// Speech needs little: the rates offered stay at the low end of each MPEG
// version's table.
constexpr WORD kRates8k[] = {8, 16, 24, 32};
constexpr WORD kRates16k[] = {16, 24, 32, 48};
constexpr WORD kRates22k[] = {16, 24, 32, 48, 64};
constexpr WORD kRates32k[] = {32, 48, 64, 96};
constexpr WORD kRates44k[] = {32, 48, 64, 96, 128};

constexpr std::array<TRateRow, 7> kRows{{
    {8000, kRates8k, 16, 32},
    {11025, kRates8k, 16, 32},
    {16000, kRates16k, 24, 48},
    {22050, kRates22k, 32, 64},
    {32000, kRates32k, 48, 96},
    {44100, kRates44k, 64, 128},
    {48000, kRates44k, 64, 128},
}};

constexpr std::array<DWORD, 7> kSampleRates{8000, 11025, 16000, 22050, 32000, 44100, 48000};

// Layer-3 bit rate tables: MPEG-1 (32 kHz and up), MPEG-2 (16 to 24 kHz) and
// MPEG-2.5 (8 to 12 kHz).
constexpr WORD kMpeg1[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr WORD kMpeg2[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
constexpr WORD kMpeg25[] = {8, 16, 24, 32, 40, 48, 56, 64};

// Samples the encoder holds back (576) plus those a decoder adds (529).
constexpr WORD kCodecDelay = 576 + 529;

const TRateRow* RowFor(DWORD rate) {
  for (const auto& row : kRows)
    if (row.Rate == rate) return &row;
  return nullptr;
}

constexpr WORD kPcmBits[] = {8, 16};

}  // namespace

std::span<const DWORD> HMp3Format::SampleRates() { return kSampleRates; }

bool HMp3Format::IsSupportedRate(DWORD rate) { return RowFor(rate) != nullptr; }

std::span<const WORD> HMp3Format::Bitrates(DWORD rate) {
  const TRateRow* row = RowFor(rate);
  return row ? row->Bitrates : std::span<const WORD>();
}

bool HMp3Format::IsLegalBitrate(DWORD rate, WORD kbps) {
  if (!IsSupportedRate(rate)) return false;
  std::span<const WORD> table = rate >= 32000 ? std::span<const WORD>(kMpeg1)
                                : rate >= 16000 ? std::span<const WORD>(kMpeg2)
                                                : std::span<const WORD>(kMpeg25);
  return std::find(table.begin(), table.end(), kbps) != table.end();
}

WORD HMp3Format::SuggestedBitrate(DWORD rate, WORD channels) {
  const TRateRow* row = RowFor(rate);
  if (!row) return 0;
  return channels >= 2 ? row->StereoSuggestion : row->MonoSuggestion;
}

DWORD HMp3Format::PcmFormatCount() { return static_cast<DWORD>(kSampleRates.size() * kMaxChannels * 2); }

std::optional<TPcmLayout> HMp3Format::PcmAt(DWORD index) {
  if (index >= PcmFormatCount()) return std::nullopt;
  // Rate-major, then channels, then bits: 8000 mono 8, 8000 mono 16, ...
  TPcmLayout layout;
  layout.BitsPerSample = kPcmBits[index % 2];
  layout.Channels = static_cast<WORD>(1 + (index / 2) % kMaxChannels);
  layout.SamplesPerSec = kSampleRates[index / (2 * kMaxChannels)];
  return layout;
}

DWORD HMp3Format::Mp3FormatCount() {
  DWORD n = 0;
  for (const auto& row : kRows) n += static_cast<DWORD>(row.Bitrates.size()) * kMaxChannels;
  return n;
}

std::optional<TMp3Layout> HMp3Format::Mp3At(DWORD index) {
  // Rate-major, then channels, then bit rate.
  for (const auto& row : kRows) {
    DWORD perChannel = static_cast<DWORD>(row.Bitrates.size());
    if (index < perChannel * kMaxChannels) {
      TMp3Layout layout;
      layout.SamplesPerSec = row.Rate;
      layout.Channels = static_cast<WORD>(1 + index / perChannel);
      layout.KbitPerSec = row.Bitrates[index % perChannel];
      return layout;
    }
    index -= perChannel * kMaxChannels;
  }
  return std::nullopt;
}

std::optional<TPcmLayout> HMp3Format::ReadPcm(const WAVEFORMATEX* wfx, DWORD size) {
  // A PCM format may come as the 16-byte PCMWAVEFORMAT without cbSize.
  if (!wfx || size < kPcmFormatSize || wfx->wFormatTag != WAVE_FORMAT_PCM) return std::nullopt;
  TPcmLayout layout{wfx->nChannels, wfx->nSamplesPerSec, wfx->wBitsPerSample};
  if (layout.Channels < 1 || layout.Channels > kMaxChannels) return std::nullopt;
  if (layout.BitsPerSample != 8 && layout.BitsPerSample != 16) return std::nullopt;
  if (!IsSupportedRate(layout.SamplesPerSec)) return std::nullopt;
  if (wfx->nBlockAlign != layout.BlockAlign()) return std::nullopt;
  if (wfx->nAvgBytesPerSec != layout.BlockAlign() * layout.SamplesPerSec) return std::nullopt;
  return layout;
}

std::optional<TMp3Layout> HMp3Format::ReadMp3(const WAVEFORMATEX* wfx, DWORD size) {
  if (!wfx || size < sizeof(WAVEFORMATEX) || wfx->wFormatTag != WAVE_FORMAT_MPEGLAYER3) return std::nullopt;
  if (wfx->nChannels < 1 || wfx->nChannels > kMaxChannels) return std::nullopt;
  if (wfx->nAvgBytesPerSec == 0 || wfx->nAvgBytesPerSec % 125 != 0) return std::nullopt;
  DWORD kbps = wfx->nAvgBytesPerSec / 125;
  if (kbps > 0xFFFF || !IsLegalBitrate(wfx->nSamplesPerSec, static_cast<WORD>(kbps))) return std::nullopt;
  // Only the plain MPEG stream kind is produced; an extension block that asks
  // for another kind (or constant-size frames) is refused.
  if (wfx->cbSize >= MPEGLAYER3_WFX_EXTRA_BYTES && size >= kMp3FormatSize) {
    auto* ext = reinterpret_cast<const MPEGLAYER3WAVEFORMAT*>(wfx);
    if (ext->wID != MPEGLAYER3_ID_MPEG && ext->wID != MPEGLAYER3_ID_UNKNOWN) return std::nullopt;
  }
  return TMp3Layout{wfx->nChannels, wfx->nSamplesPerSec, static_cast<WORD>(kbps)};
}

bool HMp3Format::WritePcm(const TPcmLayout& layout, WAVEFORMATEX* wfx, DWORD size) {
  if (!wfx || size < kPcmFormatSize) return false;
  WAVEFORMATEX f{};
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = layout.Channels;
  f.nSamplesPerSec = layout.SamplesPerSec;
  f.nBlockAlign = layout.BlockAlign();
  f.nAvgBytesPerSec = layout.BlockAlign() * layout.SamplesPerSec;
  f.wBitsPerSample = layout.BitsPerSample;
  f.cbSize = 0;
  std::memcpy(wfx, &f, std::min<DWORD>(size, sizeof f));
  return true;
}

MPEGLAYER3WAVEFORMAT HMp3Format::ToWaveFormat(const TMp3Layout& layout) {
  MPEGLAYER3WAVEFORMAT f{};
  f.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
  f.wfx.nChannels = layout.Channels;
  f.wfx.nSamplesPerSec = layout.SamplesPerSec;
  f.wfx.nAvgBytesPerSec = layout.KbitPerSec * 125u;
  f.wfx.nBlockAlign = 1;
  f.wfx.wBitsPerSample = 0;
  f.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
  f.wID = MPEGLAYER3_ID_MPEG;
  // The encoder pads frames as the standard does, to hold the exact rate.
  f.fdwFlags = MPEGLAYER3_FLAG_PADDING_ISO;
  f.nBlockSize = static_cast<WORD>(FrameBytes(layout.SamplesPerSec, layout.KbitPerSec));
  f.nFramesPerBlock = 1;
  f.nCodecDelay = kCodecDelay;
  return f;
}

bool HMp3Format::WriteMp3(const TMp3Layout& layout, WAVEFORMATEX* wfx, DWORD size) {
  if (!wfx || size < kMp3FormatSize) return false;
  MPEGLAYER3WAVEFORMAT f = ToWaveFormat(layout);
  std::memcpy(wfx, &f, sizeof f);
  return true;
}

std::wstring HMp3Format::Describe(const TMp3Layout& layout) {
  wchar_t text[64];
  wsprintfW(text, L"%u kBit/s, %u Hz, %s", static_cast<unsigned>(layout.KbitPerSec),
            static_cast<unsigned>(layout.SamplesPerSec), layout.Channels == 1 ? L"Mono" : L"Stereo");
  return text;
}

DWORD HMp3Format::SamplesPerFrame(DWORD rate) { return rate >= 32000 ? 1152 : 576; }

DWORD HMp3Format::FrameBytes(DWORD rate, WORD kbps) {
  if (rate == 0) return 0;
  // Bytes per frame = samples per frame / 8 bits * bit rate / sample rate.
  return static_cast<DWORD>(uint64_t(SamplesPerFrame(rate)) / 8 * kbps * 1000 / rate);
}

uint64_t HMp3Format::DestinationBytesFor(const TPcmLayout& pcm, const TMp3Layout& mp3, uint64_t srcBytes) {
  const uint64_t spf = SamplesPerFrame(mp3.SamplesPerSec);
  const uint64_t samples = srcBytes / pcm.BlockAlign();
  const uint64_t frames = (samples + spf - 1) / spf + kSlackFrames;
  return frames * MaxFrameBytes(mp3.SamplesPerSec, mp3.KbitPerSec);
}

DWORD HMp3Format::SourceBytesFor(const TPcmLayout& pcm, const TMp3Layout& mp3, DWORD dstBytes) {
  const uint64_t frames = dstBytes / MaxFrameBytes(mp3.SamplesPerSec, mp3.KbitPerSec);
  if (frames <= kSlackFrames) return 0;
  const uint64_t bytes = (frames - kSlackFrames) * SamplesPerFrame(mp3.SamplesPerSec) * pcm.BlockAlign();
  if (bytes > 0xFFFFFFFFull) return 0xFFFFFFFFu / pcm.BlockAlign() * pcm.BlockAlign();
  return static_cast<DWORD>(bytes);
}

}  // namespace codec
