// One conversion stream: PCM in, constant bit rate MPEG Layer-3 out, over a
// LAME encoder. It keeps no more than the encoder's own state, a partial
// sample block and MP3 bytes a full destination could not take.
#pragma once

#include "codec/LameLibrary.h"
#include "codec/Mp3Formats.h"

#include <memory>
#include <vector>

namespace codec {

class TMp3Encoder {
public:
  struct TResult {
    MMRESULT Status = MMSYSERR_NOERROR;
    DWORD SourceUsed = 0;
    DWORD DestinationUsed = 0;
  };

  // Null when the encoder refuses the pair or is out of memory.
  static std::unique_ptr<TMp3Encoder> Create(const TLameLibrary& lame, const TPcmLayout& pcm, const TMp3Layout& mp3);
  ~TMp3Encoder();
  TMp3Encoder(const TMp3Encoder&) = delete;
  TMp3Encoder& operator=(const TMp3Encoder&) = delete;

  // One acmStreamConvert: flags are the ACM_STREAMCONVERTF_* bits. Takes only
  // as much source as the destination is sure to hold the output of.
  TResult Convert(const BYTE* src, DWORD srcLength, BYTE* dst, DWORD dstLength, DWORD flags);
  // Drops everything held and starts a new MP3 stream.
  bool Reset();

  const TPcmLayout& Pcm() const { return pcm_; }
  const TMp3Layout& Mp3() const { return mp3_; }

private:
  TMp3Encoder(const TLameLibrary& lame, const TPcmLayout& pcm, const TMp3Layout& mp3);
  bool Start();
  void Stop();
  DWORD Drain(BYTE* dst, DWORD room);
  bool Encode(const BYTE* src, DWORD blocks);
  bool Flush();
  void ToSamples(const BYTE* src, DWORD blocks);

  const TLameLibrary& lame_;
  TPcmLayout pcm_;
  TMp3Layout mp3_;
  lame_t gfp_ = nullptr;
  bool dirty_ = false;    // samples went in since the encoder was started
  bool flushed_ = false;  // the end of the stream was written
  std::vector<BYTE> carry_;    // a partial sample block of the last call
  std::vector<BYTE> pending_;  // encoded bytes not yet handed out
  size_t pendingStart_ = 0;
  std::vector<short> left_, right_;
  std::vector<unsigned char> mp3buf_;
};

}  // namespace codec
