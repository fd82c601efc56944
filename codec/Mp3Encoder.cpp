#include "codec/Mp3Encoder.h"

#include <msacm.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace codec {

namespace {

// Blocks handed to the encoder per call, which bounds the staging buffers.
constexpr DWORD kChunkBlocks = 4096;
// The quality/speed trade-off of the encoder's psychoacoustic search; speech at
// low rates gains nothing audible from the slower settings.
constexpr int kQuality = 5;

// The encoder would otherwise print its complaints to the standard error of a
// windowed program.
void Silent(const char*, va_list) {}

}  // namespace

TMp3Encoder::TMp3Encoder(const TLameLibrary& lame, const TPcmLayout& pcm, const TMp3Layout& mp3)
    : lame_(lame), pcm_(pcm), mp3_(mp3) {}

TMp3Encoder::~TMp3Encoder() { Stop(); }

std::unique_ptr<TMp3Encoder> TMp3Encoder::Create(const TLameLibrary& lame, const TPcmLayout& pcm,
                                                 const TMp3Layout& mp3) {
  if (pcm.Channels != mp3.Channels || pcm.SamplesPerSec != mp3.SamplesPerSec) return nullptr;
  std::unique_ptr<TMp3Encoder> e(new (std::nothrow) TMp3Encoder(lame, pcm, mp3));
  if (!e || !e->Start()) return nullptr;
  return e;
}

bool TMp3Encoder::Start() {
  Stop();
  gfp_ = lame_.init();
  if (!gfp_) return false;
  lame_.set_errorf(gfp_, Silent);
  lame_.set_debugf(gfp_, Silent);
  lame_.set_msgf(gfp_, Silent);
  lame_.set_in_samplerate(gfp_, static_cast<int>(pcm_.SamplesPerSec));
  lame_.set_out_samplerate(gfp_, static_cast<int>(mp3_.SamplesPerSec));
  lame_.set_num_channels(gfp_, pcm_.Channels);
  lame_.set_mode(gfp_, mp3_.Channels == 1 ? MONO : JOINT_STEREO);
  lame_.set_VBR(gfp_, vbr_off);
  lame_.set_brate(gfp_, mp3_.KbitPerSec);
  lame_.set_quality(gfp_, kQuality);
  // A stream cannot go back to fill in a leading summary frame, and tags are
  // the file writer's business.
  lame_.set_bWriteVbrTag(gfp_, 0);
  lame_.set_write_id3tag_automatic(gfp_, 0);
  if (lame_.init_params(gfp_) < 0) {
    Stop();
    return false;
  }
  dirty_ = false;
  flushed_ = false;
  return true;
}

void TMp3Encoder::Stop() {
  if (gfp_) lame_.close(gfp_);
  gfp_ = nullptr;
}

bool TMp3Encoder::Reset() {
  carry_.clear();
  pending_.clear();
  pendingStart_ = 0;
  return Start();
}

DWORD TMp3Encoder::Drain(BYTE* dst, DWORD room) {
  size_t left = pending_.size() - pendingStart_;
  DWORD n = static_cast<DWORD>(std::min<size_t>(left, room));
  if (n) std::memcpy(dst, pending_.data() + pendingStart_, n);
  pendingStart_ += n;
  if (pendingStart_ == pending_.size()) {
    pending_.clear();
    pendingStart_ = 0;
  }
  return n;
}

void TMp3Encoder::ToSamples(const BYTE* src, DWORD blocks) {
  left_.resize(blocks);
  if (pcm_.Channels == 2) right_.resize(blocks);
  for (DWORD i = 0; i < blocks; ++i) {
    for (WORD c = 0; c < pcm_.Channels; ++c) {
      short s;
      if (pcm_.BitsPerSample == 8) {
        s = static_cast<short>((static_cast<int>(src[0]) - 128) * 256);
        src += 1;
      } else {
        std::memcpy(&s, src, 2);
        src += 2;
      }
      (c == 0 ? left_ : right_)[i] = s;
    }
  }
}

bool TMp3Encoder::Encode(const BYTE* src, DWORD blocks) {
  while (blocks > 0) {
    DWORD n = std::min(blocks, kChunkBlocks);
    ToSamples(src, n);
    // The encoder's own worst case for n samples.
    mp3buf_.resize(n + n / 4 + 7200);
    const short* right = pcm_.Channels == 2 ? right_.data() : left_.data();
    int got = lame_.encode_buffer(gfp_, left_.data(), right, static_cast<int>(n), mp3buf_.data(),
                                  static_cast<int>(mp3buf_.size()));
    if (got < 0) return false;
    pending_.insert(pending_.end(), mp3buf_.begin(), mp3buf_.begin() + got);
    dirty_ = true;
    src += n * pcm_.BlockAlign();
    blocks -= n;
  }
  return true;
}

bool TMp3Encoder::Flush() {
  mp3buf_.resize(7200 + 16 * HMp3Format::MaxFrameBytes(mp3_.SamplesPerSec, mp3_.KbitPerSec));
  int got = lame_.encode_flush(gfp_, mp3buf_.data(), static_cast<int>(mp3buf_.size()));
  if (got < 0) return false;
  pending_.insert(pending_.end(), mp3buf_.begin(), mp3buf_.begin() + got);
  flushed_ = true;
  return true;
}

TMp3Encoder::TResult TMp3Encoder::Convert(const BYTE* src, DWORD srcLength, BYTE* dst, DWORD dstLength,
                                          DWORD flags) {
  TResult r;
  if ((flags & ACM_STREAMCONVERTF_START) && (dirty_ || flushed_ || !carry_.empty() || pending_.size())) {
    if (!Reset()) return {MMSYSERR_NOMEM, 0, 0};
  }
  // Whatever a full destination left over goes out first, in order.
  r.DestinationUsed = Drain(dst, dstLength);
  const bool backlog = pending_.size() > pendingStart_;

  const DWORD align = pcm_.BlockAlign();
  const DWORD held = static_cast<DWORD>(carry_.size());
  const DWORD wholeBlocks = static_cast<DWORD>((uint64_t(held) + srcLength) / align);
  const DWORD room = dstLength - r.DestinationUsed;
  const DWORD fitting = backlog ? 0 : HMp3Format::SourceBytesFor(pcm_, mp3_, room) / align;
  const DWORD take = std::min(wholeBlocks, fitting);

  try {
    if (take > 0) {
      if (flushed_ && !Start()) return {MMSYSERR_NOMEM, 0, r.DestinationUsed};
      DWORD first = 0;  // source bytes that completed the held partial block
      if (held) {
        first = align - held;
        BYTE block[4];
        std::memcpy(block, carry_.data(), held);
        std::memcpy(block + held, src, first);
        if (!Encode(block, 1)) return {MMSYSERR_ERROR, 0, r.DestinationUsed};
        carry_.clear();
      }
      DWORD rest = take - (held ? 1 : 0);
      if (!Encode(src + first, rest)) return {MMSYSERR_ERROR, 0, r.DestinationUsed};
      r.SourceUsed = first + rest * align;
    }
    // Without block alignment every byte is taken: a trailing part of a block
    // waits for the rest of it.
    if (!(flags & ACM_STREAMCONVERTF_BLOCKALIGN) && take == wholeBlocks) {
      carry_.insert(carry_.end(), src + r.SourceUsed, src + srcLength);
      r.SourceUsed = srcLength;
    }
    if ((flags & ACM_STREAMCONVERTF_END) && r.SourceUsed == srcLength && dirty_ && !flushed_) {
      carry_.clear();  // a part of a block cannot be encoded
      if (!Flush()) return {MMSYSERR_ERROR, r.SourceUsed, r.DestinationUsed};
    }
  } catch (const std::bad_alloc&) {
    return {MMSYSERR_NOMEM, r.SourceUsed, r.DestinationUsed};
  }
  r.DestinationUsed += Drain(dst + r.DestinationUsed, dstLength - r.DestinationUsed);

  // Whole blocks were offered but the destination could not take the output
  // of even one: say so rather than report an empty success forever.
  if (wholeBlocks > 0 && r.SourceUsed == 0 && r.DestinationUsed == 0) r.Status = ACMERR_NOTPOSSIBLE;
  return r;
}

}  // namespace codec
