// Helpers of the codec tests: WAV fixtures, an ACM stream driven the way the
// recorder drives it, MP3 frame walking and signal comparison.
#pragma once

#include <windows.h>
#include <mmreg.h>
#include <msacm.h>

#include <cstdint>
#include <string>
#include <vector>

namespace codec_test {

struct TWav {
  WAVEFORMATEX Format{};
  std::string Data;
};
// A canonical PCM RIFF WAVE file; Format.wFormatTag is 0 when unreadable.
TWav ReadWav(const std::wstring& path);

WAVEFORMATEX Pcm(WORD channels, DWORD rate, WORD bits);
// The template the recorder asks ACM to complete.
MPEGLAYER3WAVEFORMAT Mp3Template(WORD channels, DWORD rate);

// Suggest with every key field kept. Returns the ACM result.
MMRESULT SuggestMp3(HACMDRIVER had, const WAVEFORMATEX& pcm, MPEGLAYER3WAVEFORMAT& out);

// An open stream with one prepared header over owned buffers.
class TStream {
public:
  TStream() = default;
  ~TStream();
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  MMRESULT Open(HACMDRIVER had, const WAVEFORMATEX* src, const WAVEFORMATEX* dst, DWORD srcSize, DWORD dstSize);
  // Fills the source with bytes (at most the prepared size) and converts.
  MMRESULT Convert(const void* bytes, DWORD length, DWORD flags);
  const ACMSTREAMHEADER& Header() const { return header_; }
  std::string Output() const;
  HACMSTREAM Handle() const { return stream_; }
  DWORD SourceCapacity() const { return static_cast<DWORD>(src_.size()); }
  DWORD DestinationCapacity() const { return static_cast<DWORD>(dst_.size()); }

private:
  HACMSTREAM stream_ = nullptr;
  ACMSTREAMHEADER header_{};
  std::vector<BYTE> src_, dst_;
};

struct TEncodeResult {
  MMRESULT Status = MMSYSERR_ERROR;
  std::string Mp3;
  DWORD Calls = 0;
  DWORD LargestOutput = 0;  // the most one convert gave
  bool OutputWithinSize = true;  // every convert's output within acmStreamSize of its input
  DWORD DrainCalls = 0;  // END calls needed after the last piece to get all output
};
// Converts the data in pieces of pieceSize with the given flags, and the last
// piece with ACM_STREAMCONVERTF_END as well, repeated without source while it
// fills the destination. Source bytes a call left unused are offered again.
TEncodeResult Encode(HACMDRIVER had, const WAVEFORMATEX& pcm, const MPEGLAYER3WAVEFORMAT& mp3,
                     const std::string& data, DWORD pieceSize, DWORD flags);

// Decodes with whichever installed codec turns Layer-3 into 16-bit PCM.
MMRESULT Decode(const MPEGLAYER3WAVEFORMAT& mp3, const std::string& bytes, WORD channels,
                std::vector<int16_t>& out);

struct TFrameWalk {
  bool Valid = false;  // every byte belongs to a frame of the expected kind
  DWORD Frames = 0;
  std::string Problem;
};
TFrameWalk WalkFrames(const std::string& mp3, DWORD rate, WORD channels, WORD kbps);

// Normalised cross-correlation of a and b delayed by the best lag in
// [0, maxLag]; lag receives that delay.
double BestCorrelation(const std::vector<float>& a, const std::vector<float>& b, int maxLag, int& lag);
std::vector<float> ToFloat8(const std::string& unsigned8);
std::vector<float> ToFloat16(const std::vector<int16_t>& samples, int channels = 1, int channel = 0);

}  // namespace codec_test
