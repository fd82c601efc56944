#include "CodecTestSupport.h"

#include "support/TestSupport.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace codec_test {

TWav ReadWav(const std::wstring& path) {
  TWav wav;
  std::string f = testing_support::ReadBytes(path);
  if (f.size() < 12 || f.compare(0, 4, "RIFF") != 0 || f.compare(8, 4, "WAVE") != 0) return wav;
  size_t pos = 12;
  bool haveFormat = false;
  while (pos + 8 <= f.size()) {
    uint32_t size;
    std::memcpy(&size, f.data() + pos + 4, 4);
    std::string id = f.substr(pos, 4);
    size_t body = pos + 8;
    if (body + size > f.size()) size = static_cast<uint32_t>(f.size() - body);
    if (id == "fmt " && size >= 16) {
      std::memcpy(&wav.Format, f.data() + body, std::min<size_t>(size, sizeof(WAVEFORMATEX)));
      wav.Format.cbSize = 0;
      haveFormat = true;
    } else if (id == "data") {
      wav.Data = f.substr(body, size);
    }
    pos = body + size + (size & 1);
  }
  if (!haveFormat) wav.Format.wFormatTag = 0;
  return wav;
}

WAVEFORMATEX Pcm(WORD channels, DWORD rate, WORD bits) {
  WAVEFORMATEX f{};
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = channels;
  f.nSamplesPerSec = rate;
  f.wBitsPerSample = bits;
  f.nBlockAlign = static_cast<WORD>(channels * bits / 8);
  f.nAvgBytesPerSec = f.nBlockAlign * rate;
  return f;
}

MPEGLAYER3WAVEFORMAT Mp3Template(WORD channels, DWORD rate) {
  MPEGLAYER3WAVEFORMAT f{};
  f.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
  f.wfx.nChannels = channels;
  f.wfx.nSamplesPerSec = rate;
  f.wfx.wBitsPerSample = 0;
  return f;
}

MMRESULT SuggestMp3(HACMDRIVER had, const WAVEFORMATEX& pcm, MPEGLAYER3WAVEFORMAT& out) {
  out = Mp3Template(pcm.nChannels, pcm.nSamplesPerSec);
  WAVEFORMATEX src = pcm;
  return acmFormatSuggest(had, &src, &out.wfx, sizeof out,
                          ACM_FORMATSUGGESTF_WFORMATTAG | ACM_FORMATSUGGESTF_NCHANNELS |
                              ACM_FORMATSUGGESTF_NSAMPLESPERSEC | ACM_FORMATSUGGESTF_WBITSPERSAMPLE);
}

TStream::~TStream() {
  if (!stream_) return;
  if (header_.fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED) {
    header_.cbSrcLength = static_cast<DWORD>(src_.size());
    acmStreamUnprepareHeader(stream_, &header_, 0);
  }
  acmStreamClose(stream_, 0);
}

MMRESULT TStream::Open(HACMDRIVER had, const WAVEFORMATEX* src, const WAVEFORMATEX* dst, DWORD srcSize,
                       DWORD dstSize) {
  MMRESULT r = acmStreamOpen(&stream_, had, const_cast<WAVEFORMATEX*>(src), const_cast<WAVEFORMATEX*>(dst),
                             nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME);
  if (r != MMSYSERR_NOERROR) return r;
  if (dstSize == 0 && (r = acmStreamSize(stream_, srcSize, &dstSize, ACM_STREAMSIZEF_SOURCE)) != MMSYSERR_NOERROR)
    return r;
  src_.assign(srcSize, 0);
  dst_.assign(dstSize, 0);
  header_.cbStruct = sizeof header_;
  header_.pbSrc = src_.data();
  header_.cbSrcLength = srcSize;
  header_.pbDst = dst_.data();
  header_.cbDstLength = dstSize;
  return acmStreamPrepareHeader(stream_, &header_, 0);
}

MMRESULT TStream::Convert(const void* bytes, DWORD length, DWORD flags) {
  length = std::min<DWORD>(length, static_cast<DWORD>(src_.size()));
  if (length && bytes) std::memcpy(src_.data(), bytes, length);
  header_.cbSrcLength = length;
  return acmStreamConvert(stream_, &header_, flags);
}

std::string TStream::Output() const {
  return std::string(reinterpret_cast<const char*>(dst_.data()), header_.cbDstLengthUsed);
}

TEncodeResult Encode(HACMDRIVER had, const WAVEFORMATEX& pcm, const MPEGLAYER3WAVEFORMAT& mp3,
                     const std::string& data, DWORD pieceSize, DWORD flags) {
  TEncodeResult result;
  TStream s;
  if ((result.Status = s.Open(had, &pcm, &mp3.wfx, pieceSize, 0)) != MMSYSERR_NOERROR) return result;
  size_t pos = 0;
  for (;;) {
    DWORD length = static_cast<DWORD>(std::min<size_t>(pieceSize, data.size() - pos));
    bool last = pos + length == data.size();
    MMRESULT r = s.Convert(data.data() + pos, length, flags | (last ? ACM_STREAMCONVERTF_END : 0));
    if (r != MMSYSERR_NOERROR) {
      result.Status = r;
      return result;
    }
    ++result.Calls;
    const ACMSTREAMHEADER& h = s.Header();
    result.Mp3 += s.Output();
    result.LargestOutput = std::max(result.LargestOutput, h.cbDstLengthUsed);
    DWORD bound = 0;
    if (acmStreamSize(s.Handle(), std::max<DWORD>(length, pcm.nBlockAlign), &bound, ACM_STREAMSIZEF_SOURCE) !=
            MMSYSERR_NOERROR ||
        h.cbDstLengthUsed > bound)
      result.OutputWithinSize = false;
    pos += h.cbSrcLengthUsed;
    if (last) {
      while (s.Header().cbDstLengthUsed == s.DestinationCapacity() && result.DrainCalls < 100) {
        if ((result.Status = s.Convert(nullptr, 0, flags | ACM_STREAMCONVERTF_END)) != MMSYSERR_NOERROR)
          return result;
        ++result.DrainCalls;
        result.Mp3 += s.Output();
      }
      break;
    }
    if (h.cbSrcLengthUsed == 0 && h.cbDstLengthUsed == 0) {
      result.Status = MMSYSERR_ERROR;  // no progress
      return result;
    }
  }
  result.Status = MMSYSERR_NOERROR;
  return result;
}

MMRESULT Decode(const MPEGLAYER3WAVEFORMAT& mp3, const std::string& bytes, WORD channels,
                std::vector<int16_t>& out) {
  out.clear();
  WAVEFORMATEX pcm = Pcm(channels, mp3.wfx.nSamplesPerSec, 16);
  TStream s;
  const DWORD piece = 2048;
  MMRESULT r = s.Open(nullptr, &mp3.wfx, &pcm, piece, 0);
  if (r != MMSYSERR_NOERROR) return r;
  auto take = [&] {
    std::string o = s.Output();
    size_t n = out.size();
    out.resize(n + o.size() / 2);
    std::memcpy(out.data() + n, o.data(), o.size() / 2 * 2);
    return o.size();
  };
  for (size_t pos = 0; pos < bytes.size();) {
    DWORD length = static_cast<DWORD>(std::min<size_t>(piece, bytes.size() - pos));
    if ((r = s.Convert(bytes.data() + pos, length, 0)) != MMSYSERR_NOERROR) return r;
    if (s.Header().cbSrcLengthUsed == 0 && s.Header().cbDstLengthUsed == 0) return MMSYSERR_ERROR;
    pos += s.Header().cbSrcLengthUsed;
    take();
  }
  // Whatever the decoder still holds comes out with empty calls.
  for (int i = 0; i < 64; ++i) {
    if ((r = s.Convert(nullptr, 0, 0)) != MMSYSERR_NOERROR) return r;
    if (take() == 0) break;
  }
  return MMSYSERR_NOERROR;
}

TFrameWalk WalkFrames(const std::string& mp3, DWORD rate, WORD channels, WORD kbps) {
  static const DWORD kRates[3][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};
  static const WORD kMpeg1[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
  static const WORD kMpeg2[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
  TFrameWalk walk;
  size_t pos = 0;
  const auto* b = reinterpret_cast<const unsigned char*>(mp3.data());
  auto fail = [&](const char* what) {
    walk.Problem = std::string(what) + " at byte " + std::to_string(pos) + " (frame " +
                   std::to_string(walk.Frames) + ")";
    return walk;
  };
  while (pos < mp3.size()) {
    if (pos + 4 > mp3.size()) return fail("truncated header");
    if (b[pos] != 0xFF || (b[pos + 1] & 0xE0) != 0xE0) return fail("no frame sync");
    int version = (b[pos + 1] >> 3) & 3;  // 0: 2.5, 2: 2, 3: 1
    int layer = (b[pos + 1] >> 1) & 3;     // 1: layer III
    if (version == 1 || layer != 1) return fail("not MPEG Layer-3");
    int row = version == 3 ? 0 : version == 2 ? 1 : 2;
    int brIndex = b[pos + 2] >> 4, srIndex = (b[pos + 2] >> 2) & 3, padding = (b[pos + 2] >> 1) & 1;
    if (srIndex == 3) return fail("bad rate index");
    if (kRates[row][srIndex] != rate) return fail("unexpected sample rate");
    WORD br = (row == 0 ? kMpeg1 : kMpeg2)[brIndex];
    if (br != kbps) return fail("unexpected bit rate");
    int mode = b[pos + 3] >> 6;  // 3: mono
    if ((mode == 3) != (channels == 1)) return fail("unexpected channel mode");
    size_t length = (row == 0 ? 144 : 72) * br * 1000 / rate + padding;
    if (pos + length > mp3.size()) return fail("truncated frame");
    pos += length;
    ++walk.Frames;
  }
  walk.Valid = walk.Frames > 0;
  if (!walk.Valid) walk.Problem = "no frames";
  return walk;
}

double BestCorrelation(const std::vector<float>& a, const std::vector<float>& b, int maxLag, int& lag) {
  double best = -2;
  lag = 0;
  for (int d = 0; d <= maxLag; ++d) {
    size_t n = std::min(a.size(), b.size() > size_t(d) ? b.size() - d : 0);
    if (n == 0) break;
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < n; ++i) {
      double x = a[i], y = b[i + d];
      ab += x * y;
      aa += x * x;
      bb += y * y;
    }
    double c = (aa > 0 && bb > 0) ? ab / std::sqrt(aa * bb) : 0;
    if (c > best) {
      best = c;
      lag = d;
    }
  }
  return best;
}

std::vector<float> ToFloat8(const std::string& unsigned8) {
  std::vector<float> v(unsigned8.size());
  for (size_t i = 0; i < v.size(); ++i) v[i] = (static_cast<unsigned char>(unsigned8[i]) - 128) / 128.0f;
  return v;
}

std::vector<float> ToFloat16(const std::vector<int16_t>& samples, int channels, int channel) {
  std::vector<float> v(samples.size() / channels);
  for (size_t i = 0; i < v.size(); ++i) v[i] = samples[i * channels + channel] / 32768.0f;
  return v;
}

}  // namespace codec_test
