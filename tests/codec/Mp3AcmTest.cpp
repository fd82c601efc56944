// The encoder as the recorder meets it: through the compression manager only,
// after the start-up fallback has made it available.
#include "CodecTestSupport.h"

#include "codec/Mp3Fallback.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace codec_test;

namespace {

class Mp3Acm : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    ::SetEnvironmentVariableW(L"VOCORDER_NO_MP3_FALLBACK", nullptr);
    ASSERT_TRUE(EnsureMp3Encoder());
  }

  static const TWav& Speech() {
    static TWav wav = ReadWav(testing_support::FixturePath(L"speech11k8.wav"));
    return wav;
  }
};

TEST_F(Mp3Acm, SuggestsLayer3FromTheRecordingFormat) {
  MPEGLAYER3WAVEFORMAT mp3;
  ASSERT_EQ(SuggestMp3(nullptr, Pcm(1, 11025, 8), mp3), MMSYSERR_NOERROR);
  EXPECT_EQ(mp3.wfx.wFormatTag, WAVE_FORMAT_MPEGLAYER3);
  EXPECT_EQ(mp3.wfx.nChannels, 1);
  EXPECT_EQ(mp3.wfx.nSamplesPerSec, 11025u);
  EXPECT_EQ(mp3.wfx.nAvgBytesPerSec, 2000u);  // 16 kbit/s
  EXPECT_EQ(mp3.wfx.nBlockAlign, 1);
  EXPECT_EQ(mp3.wfx.wBitsPerSample, 0);
  EXPECT_EQ(mp3.wfx.cbSize, MPEGLAYER3_WFX_EXTRA_BYTES);
  EXPECT_EQ(mp3.wID, MPEGLAYER3_ID_MPEG);
  EXPECT_EQ(mp3.nBlockSize, 104);  // 72 * 16000 / 11025, without the padding byte
  EXPECT_EQ(mp3.nFramesPerBlock, 1);
}

TEST_F(Mp3Acm, SuggestsAtEverySupportedRateAndRefusesOthers) {
  for (DWORD rate : {8000u, 11025u, 16000u, 22050u, 32000u, 44100u, 48000u})
    for (WORD channels : {1, 2})
      for (WORD bits : {8, 16}) {
        SCOPED_TRACE(testing::Message() << rate << " Hz, " << channels << " ch, " << bits << " bit");
        MPEGLAYER3WAVEFORMAT mp3;
        ASSERT_EQ(SuggestMp3(nullptr, Pcm(channels, rate, bits), mp3), MMSYSERR_NOERROR);
        EXPECT_EQ(mp3.wfx.nSamplesPerSec, rate);
        EXPECT_EQ(mp3.wfx.nChannels, channels);
        // Speech rates: never more than 128 kbit/s, stereo above mono.
        EXPECT_LE(mp3.wfx.nAvgBytesPerSec, 128u * 125);
        MPEGLAYER3WAVEFORMAT mono;
        ASSERT_EQ(SuggestMp3(nullptr, Pcm(1, rate, bits), mono), MMSYSERR_NOERROR);
        if (channels == 2) {
          EXPECT_GT(mp3.wfx.nAvgBytesPerSec, mono.wfx.nAvgBytesPerSec);
        }
        // What is suggested must open.
        WAVEFORMATEX pcm = Pcm(channels, rate, bits);
        EXPECT_EQ(acmStreamOpen(nullptr, nullptr, &pcm, &mp3.wfx, nullptr, 0, 0, ACM_STREAMOPENF_QUERY),
                  MMSYSERR_NOERROR);
      }
  MPEGLAYER3WAVEFORMAT mp3;
  EXPECT_EQ(SuggestMp3(nullptr, Pcm(1, 12000, 8), mp3), ACMERR_NOTPOSSIBLE);
  EXPECT_EQ(SuggestMp3(nullptr, Pcm(1, 96000, 16), mp3), ACMERR_NOTPOSSIBLE);
  EXPECT_EQ(SuggestMp3(nullptr, Pcm(1, 11025, 24), mp3), ACMERR_NOTPOSSIBLE);
  // A rate other than the source's is not ours to give (no resampling here).
  WAVEFORMATEX pcm = Pcm(1, 11025, 8);
  mp3 = Mp3Template(1, 22050);
  EXPECT_NE(acmFormatSuggest(nullptr, &pcm, &mp3.wfx, sizeof mp3,
                             ACM_FORMATSUGGESTF_WFORMATTAG | ACM_FORMATSUGGESTF_NSAMPLESPERSEC),
            MMSYSERR_NOERROR);
}

TEST_F(Mp3Acm, EncodedSpeechIsValidFramesAndDecodesBackToTheSameSpeech) {
  const TWav& wav = Speech();
  ASSERT_EQ(wav.Format.wFormatTag, WAVE_FORMAT_PCM);
  ASSERT_GT(wav.Data.size(), 50000u);
  MPEGLAYER3WAVEFORMAT mp3;
  ASSERT_EQ(SuggestMp3(nullptr, wav.Format, mp3), MMSYSERR_NOERROR);

  TEncodeResult enc = Encode(nullptr, wav.Format, mp3, wav.Data, 1024, ACM_STREAMCONVERTF_BLOCKALIGN);
  ASSERT_EQ(enc.Status, MMSYSERR_NOERROR);
  EXPECT_TRUE(enc.OutputWithinSize);
  EXPECT_EQ(enc.DrainCalls, 0u);
  TFrameWalk walk = WalkFrames(enc.Mp3, 11025, 1, 16);
  ASSERT_TRUE(walk.Valid) << walk.Problem;
  // Constant bit rate: the stream is as long as the speech, give or take the
  // frames the encoder adds at either end.
  const double seconds = double(wav.Data.size()) / 11025;
  EXPECT_NEAR(double(enc.Mp3.size()), seconds * 2000, 6 * 105.0);

  std::vector<int16_t> decoded;
  ASSERT_EQ(Decode(mp3, enc.Mp3, 1, decoded), MMSYSERR_NOERROR);
  const long frame = 576;
  const long delay = mp3.nCodecDelay;
  // The decoded speech starts delay samples late; beyond that it is as long
  // as the input within two frames.
  EXPECT_NEAR(double(long(decoded.size()) - delay), double(wav.Data.size()), 2.0 * frame)
      << decoded.size() << " decoded samples for " << wav.Data.size();

  int lag = 0;
  double c = BestCorrelation(ToFloat8(wav.Data), ToFloat16(decoded), 3000, lag);
  EXPECT_GT(c, 0.8) << "lag " << lag;
  EXPECT_NEAR(lag, delay, 64);
}

TEST_F(Mp3Acm, StreamSizeMatchesWhatConvertProduces) {
  WAVEFORMATEX pcm = Pcm(1, 11025, 8);
  MPEGLAYER3WAVEFORMAT mp3;
  ASSERT_EQ(SuggestMp3(nullptr, pcm, mp3), MMSYSERR_NOERROR);
  TStream s;
  ASSERT_EQ(s.Open(nullptr, &pcm, &mp3.wfx, 8192, 0), MMSYSERR_NOERROR);
  for (DWORD n : {1u, 575u, 576u, 1024u, 8192u, 100000u, 1u << 24}) {
    DWORD dst = 0, back = 0, again = 0;
    ASSERT_EQ(acmStreamSize(s.Handle(), n, &dst, ACM_STREAMSIZEF_SOURCE), MMSYSERR_NOERROR) << n;
    ASSERT_EQ(acmStreamSize(s.Handle(), dst, &back, ACM_STREAMSIZEF_DESTINATION), MMSYSERR_NOERROR) << n;
    EXPECT_GE(back, n);  // a destination sized for n takes at least n
    ASSERT_EQ(acmStreamSize(s.Handle(), back, &again, ACM_STREAMSIZEF_SOURCE), MMSYSERR_NOERROR) << n;
    EXPECT_LE(again, dst);  // and what it takes still fits it
  }
  // The recorder sizes 8192 source bytes, and a destination from that: every
  // full buffer is taken whole.
  const TWav& wav = Speech();
  DWORD dst = 0;
  ASSERT_EQ(acmStreamSize(s.Handle(), 8192, &dst, ACM_STREAMSIZEF_SOURCE), MMSYSERR_NOERROR);
  TEncodeResult enc = Encode(nullptr, pcm, mp3, wav.Data, 8192, ACM_STREAMCONVERTF_BLOCKALIGN);
  ASSERT_EQ(enc.Status, MMSYSERR_NOERROR);
  EXPECT_EQ(enc.Calls, (wav.Data.size() + 8191) / 8192);
  EXPECT_TRUE(enc.OutputWithinSize);
  EXPECT_LE(enc.LargestOutput, dst);
}

TEST_F(Mp3Acm, SplittingTheInputDoesNotChangeTheOutput) {
  // 16-bit data in pieces of odd length: without BLOCKALIGN the codec keeps a
  // split sample until its other byte arrives, with it the byte is left over.
  const TWav wav = ReadWav(testing_support::FixturePath(L"speech11k16.wav"));
  ASSERT_EQ(wav.Format.wBitsPerSample, 16);
  MPEGLAYER3WAVEFORMAT mp3;
  ASSERT_EQ(SuggestMp3(nullptr, wav.Format, mp3), MMSYSERR_NOERROR);
  std::string data = wav.Data.substr(0, 60000);
  TEncodeResult whole = Encode(nullptr, wav.Format, mp3, data, 60000, ACM_STREAMCONVERTF_BLOCKALIGN);
  TEncodeResult aligned = Encode(nullptr, wav.Format, mp3, data, 1023, ACM_STREAMCONVERTF_BLOCKALIGN);
  TEncodeResult loose = Encode(nullptr, wav.Format, mp3, data, 1023, 0);
  ASSERT_EQ(whole.Status, MMSYSERR_NOERROR);
  ASSERT_EQ(aligned.Status, MMSYSERR_NOERROR);
  ASSERT_EQ(loose.Status, MMSYSERR_NOERROR);
  EXPECT_TRUE(whole.Mp3 == aligned.Mp3);
  EXPECT_TRUE(whole.Mp3 == loose.Mp3);
  EXPECT_EQ(aligned.DrainCalls + loose.DrainCalls, 0u);  // the end fitted the last destination

  TStream s;
  ASSERT_EQ(s.Open(nullptr, &wav.Format, &mp3.wfx, 1023, 0), MMSYSERR_NOERROR);
  ASSERT_EQ(s.Convert(data.data(), 1023, ACM_STREAMCONVERTF_BLOCKALIGN), MMSYSERR_NOERROR);
  EXPECT_EQ(s.Header().cbSrcLengthUsed, 1022u);
  ASSERT_EQ(s.Convert(data.data() + 1022, 1023, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(s.Header().cbSrcLengthUsed, 1023u);
}

TEST_F(Mp3Acm, StereoKeepsItsChannelsApart) {
  // Left: the speech; right: the same at half amplitude, inverted.
  const TWav mono = ReadWav(testing_support::FixturePath(L"speech.wav"));
  ASSERT_EQ(mono.Format.nSamplesPerSec, 22050u);
  size_t n = std::min<size_t>(mono.Data.size() / 2, 22050 * 4);
  std::vector<int16_t> stereo(2 * n);
  std::vector<int16_t> left(n);
  std::memcpy(left.data(), mono.Data.data(), n * 2);
  for (size_t i = 0; i < n; ++i) {
    stereo[2 * i] = left[i];
    stereo[2 * i + 1] = static_cast<int16_t>(-left[i] / 2);
  }
  WAVEFORMATEX pcm = Pcm(2, 22050, 16);
  MPEGLAYER3WAVEFORMAT mp3;
  ASSERT_EQ(SuggestMp3(nullptr, pcm, mp3), MMSYSERR_NOERROR);
  std::string data(reinterpret_cast<const char*>(stereo.data()), stereo.size() * 2);
  TEncodeResult enc = Encode(nullptr, pcm, mp3, data, 4096, ACM_STREAMCONVERTF_BLOCKALIGN);
  ASSERT_EQ(enc.Status, MMSYSERR_NOERROR);
  TFrameWalk walk = WalkFrames(enc.Mp3, 22050, 2, static_cast<WORD>(mp3.wfx.nAvgBytesPerSec / 125));
  ASSERT_TRUE(walk.Valid) << walk.Problem;

  std::vector<int16_t> decoded;
  ASSERT_EQ(Decode(mp3, enc.Mp3, 2, decoded), MMSYSERR_NOERROR);
  std::vector<float> in = ToFloat16(left);
  int lagL = 0, lagR = 0;
  double cl = BestCorrelation(in, ToFloat16(decoded, 2, 0), 3000, lagL);
  std::vector<float> right = ToFloat16(decoded, 2, 1);
  for (float& x : right) x = -x;
  double cr = BestCorrelation(in, right, 3000, lagR);
  EXPECT_GT(cl, 0.8);
  EXPECT_GT(cr, 0.8);  // the inverted copy came out on the right
  EXPECT_EQ(lagL, lagR);
  double el = 0, er = 0;
  for (size_t i = 0; i + 1 < decoded.size(); i += 2) {
    el += double(decoded[i]) * decoded[i];
    er += double(decoded[i + 1]) * decoded[i + 1];
  }
  EXPECT_NEAR(er / el, 0.25, 0.08);
}

TEST_F(Mp3Acm, StartFlagBeginsAFreshStream) {
  const TWav& wav = Speech();
  WAVEFORMATEX pcm = Pcm(1, 11025, 8);
  MPEGLAYER3WAVEFORMAT mp3;
  ASSERT_EQ(SuggestMp3(nullptr, pcm, mp3), MMSYSERR_NOERROR);
  TStream s;
  ASSERT_EQ(s.Open(nullptr, &pcm, &mp3.wfx, 8192, 0), MMSYSERR_NOERROR);
  ASSERT_EQ(s.Convert(wav.Data.data(), 8192, ACM_STREAMCONVERTF_BLOCKALIGN | ACM_STREAMCONVERTF_START),
            MMSYSERR_NOERROR);
  std::string first = s.Output();
  ASSERT_FALSE(first.empty());
  ASSERT_EQ(s.Convert(wav.Data.data() + 8192, 8192, ACM_STREAMCONVERTF_BLOCKALIGN), MMSYSERR_NOERROR);
  ASSERT_EQ(s.Convert(wav.Data.data(), 8192, ACM_STREAMCONVERTF_BLOCKALIGN | ACM_STREAMCONVERTF_START),
            MMSYSERR_NOERROR);
  EXPECT_TRUE(s.Output() == first);
}

TEST_F(Mp3Acm, BadArgumentsGiveAcmErrors) {
  WAVEFORMATEX pcm = Pcm(1, 11025, 8);
  MPEGLAYER3WAVEFORMAT mp3;
  ASSERT_EQ(SuggestMp3(nullptr, pcm, mp3), MMSYSERR_NOERROR);
  HACMSTREAM has = nullptr;

  // Unsupported rates, mismatched formats and bit rates no MPEG version has.
  WAVEFORMATEX odd = Pcm(1, 12000, 8);
  MPEGLAYER3WAVEFORMAT oddMp3 = mp3;
  oddMp3.wfx.nSamplesPerSec = 12000;
  EXPECT_EQ(acmStreamOpen(&has, nullptr, &odd, &oddMp3.wfx, nullptr, 0, 0, 0), ACMERR_NOTPOSSIBLE);
  WAVEFORMATEX other = Pcm(1, 22050, 8);
  EXPECT_EQ(acmStreamOpen(&has, nullptr, &other, &mp3.wfx, nullptr, 0, 0, 0), ACMERR_NOTPOSSIBLE);
  MPEGLAYER3WAVEFORMAT badRate = mp3;
  badRate.wfx.nAvgBytesPerSec = 17 * 125;
  EXPECT_EQ(acmStreamOpen(&has, nullptr, &pcm, &badRate.wfx, nullptr, 0, 0, 0), ACMERR_NOTPOSSIBLE);
  WAVEFORMATEX broken = pcm;
  broken.nBlockAlign = 2;
  EXPECT_EQ(acmStreamOpen(&has, nullptr, &broken, &mp3.wfx, nullptr, 0, 0, 0), ACMERR_NOTPOSSIBLE);

  TStream s;
  ASSERT_EQ(s.Open(nullptr, &pcm, &mp3.wfx, 4096, 0), MMSYSERR_NOERROR);
  DWORD size = 0;
  EXPECT_EQ(acmStreamSize(s.Handle(), 100, &size, ACM_STREAMSIZEF_DESTINATION), ACMERR_NOTPOSSIBLE);
  EXPECT_EQ(acmStreamSize(s.Handle(), 0, &size, ACM_STREAMSIZEF_SOURCE), ACMERR_NOTPOSSIBLE);

  // A header that was never prepared.
  std::vector<BYTE> src(4096, 128), dst(4096);
  ACMSTREAMHEADER raw{};
  raw.cbStruct = sizeof raw;
  raw.pbSrc = src.data();
  raw.cbSrcLength = 4096;
  raw.pbDst = dst.data();
  raw.cbDstLength = 4096;
  EXPECT_EQ(acmStreamConvert(s.Handle(), &raw, 0), ACMERR_UNPREPARED);
  EXPECT_EQ(acmStreamUnprepareHeader(s.Handle(), &raw, 0), ACMERR_UNPREPARED);

  // A destination that cannot hold the output of a single sample.
  TStream tiny;
  ASSERT_EQ(tiny.Open(nullptr, &pcm, &mp3.wfx, 4096, 100), MMSYSERR_NOERROR);
  EXPECT_EQ(tiny.Convert(src.data(), 4096, ACM_STREAMCONVERTF_BLOCKALIGN), ACMERR_NOTPOSSIBLE);
  EXPECT_EQ(tiny.Header().cbSrcLengthUsed, 0u);
  // One that holds less than the source needs takes only what fits.
  TStream small;
  ASSERT_EQ(small.Open(nullptr, &pcm, &mp3.wfx, 8192, 1000), MMSYSERR_NOERROR);
  ASSERT_EQ(small.Convert(src.data(), 4096, ACM_STREAMCONVERTF_BLOCKALIGN), MMSYSERR_NOERROR);
  DWORD fits = 0;
  ASSERT_EQ(acmStreamSize(small.Handle(), 1000, &fits, ACM_STREAMSIZEF_DESTINATION), MMSYSERR_NOERROR);
  EXPECT_EQ(small.Header().cbSrcLengthUsed, std::min<DWORD>(fits, 4096));
}

}  // namespace
