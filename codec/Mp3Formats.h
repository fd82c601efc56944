// The formats the MPEG Layer-3 encoder takes and gives, and the frame
// arithmetic behind its buffer sizes. No platform calls: the driver reads and
// writes the platform's structures through these.
#pragma once

#include <windows.h>
#include <mmreg.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace codec {

// A PCM source layout: 8-bit unsigned or 16-bit signed, mono or stereo.
struct TPcmLayout {
  WORD Channels = 1;
  DWORD SamplesPerSec = 11025;
  WORD BitsPerSample = 8;

  WORD BlockAlign() const { return static_cast<WORD>(Channels * (BitsPerSample / 8)); }
  bool operator==(const TPcmLayout&) const = default;
};

// A constant bit rate MPEG Layer-3 stream.
struct TMp3Layout {
  WORD Channels = 1;
  DWORD SamplesPerSec = 11025;
  WORD KbitPerSec = 16;

  bool operator==(const TMp3Layout&) const = default;
};

class HMp3Format {
public:
  static constexpr WORD kMaxChannels = 2;
  // Frames one conversion may emit beyond those its own input fills: what
  // the encoder held back from earlier calls (up to 1327 samples), the frames
  // the end of the stream flushes out, and bytes the bit reservoir delayed
  // (up to 255, 2.5 frames at the lowest rates). Measured worst case without
  // the reservoir: 4.6 frames of 576 samples.
  static constexpr DWORD kSlackFrames = 8;

  static std::span<const DWORD> SampleRates();
  static bool IsSupportedRate(DWORD rate);
  // The bit rates offered as standard formats at a sample rate, ascending.
  static std::span<const WORD> Bitrates(DWORD rate);
  // Whether the MPEG version used at this rate has the bit rate at all.
  static bool IsLegalBitrate(DWORD rate, WORD kbps);
  // A bit rate fit for speech at this rate and channel count.
  static WORD SuggestedBitrate(DWORD rate, WORD channels);

  // Standard formats by index, in the order the format details list them.
  static DWORD PcmFormatCount();
  static std::optional<TPcmLayout> PcmAt(DWORD index);
  static DWORD Mp3FormatCount();
  static std::optional<TMp3Layout> Mp3At(DWORD index);

  // Reading a caller's format; size is the number of readable bytes.
  // Nothing when the format is not one the encoder handles.
  static std::optional<TPcmLayout> ReadPcm(const WAVEFORMATEX* wfx, DWORD size);
  static std::optional<TMp3Layout> ReadMp3(const WAVEFORMATEX* wfx, DWORD size);
  // Bytes each format occupies when written in full.
  static constexpr DWORD kPcmFormatSize = sizeof(PCMWAVEFORMAT);
  static constexpr DWORD kMp3FormatSize = sizeof(MPEGLAYER3WAVEFORMAT);
  // Writes at most size bytes; false when fewer than the format's full size.
  static bool WritePcm(const TPcmLayout& layout, WAVEFORMATEX* wfx, DWORD size);
  static bool WriteMp3(const TMp3Layout& layout, WAVEFORMATEX* wfx, DWORD size);
  static MPEGLAYER3WAVEFORMAT ToWaveFormat(const TMp3Layout& layout);
  static std::wstring Describe(const TMp3Layout& layout);

  static DWORD SamplesPerFrame(DWORD rate);
  // The frame length without its padding byte, as stored in nBlockSize.
  static DWORD FrameBytes(DWORD rate, WORD kbps);
  static DWORD MaxFrameBytes(DWORD rate, WORD kbps) { return FrameBytes(rate, kbps) + 1; }

  // The most MP3 bytes one conversion of srcBytes of PCM can give (whole
  // sample blocks only); more than 32 bits hold means "not possible".
  static uint64_t DestinationBytesFor(const TPcmLayout& pcm, const TMp3Layout& mp3, uint64_t srcBytes);
  // The most PCM bytes (whole blocks) whose conversion fits dstBytes; 0 when
  // the destination cannot hold the output of a single block.
  static DWORD SourceBytesFor(const TPcmLayout& pcm, const TMp3Layout& mp3, DWORD dstBytes);
};

}  // namespace codec
