// Format tables and frame arithmetic, checked against the MPEG numbers.
#include "codec/Mp3Formats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using codec::HMp3Format;
using codec::TMp3Layout;
using codec::TPcmLayout;

namespace {

TEST(Mp3Formats, FrameLengthsAreTheStandardOnes) {
  EXPECT_EQ(HMp3Format::FrameBytes(11025, 16), 104u);  // MPEG-2.5: 72 * 16000 / 11025
  EXPECT_EQ(HMp3Format::FrameBytes(8000, 8), 72u);
  EXPECT_EQ(HMp3Format::FrameBytes(22050, 32), 104u);  // MPEG-2
  EXPECT_EQ(HMp3Format::FrameBytes(44100, 128), 417u);  // MPEG-1: 144 * 128000 / 44100
  EXPECT_EQ(HMp3Format::FrameBytes(48000, 64), 192u);
  EXPECT_EQ(HMp3Format::SamplesPerFrame(16000), 576u);
  EXPECT_EQ(HMp3Format::SamplesPerFrame(32000), 1152u);
}

TEST(Mp3Formats, EnumerationCoversEveryRateChannelAndOfferedBitRateOnce) {
  std::set<std::tuple<DWORD, WORD, WORD>> seen;
  for (DWORD i = 0; i < HMp3Format::Mp3FormatCount(); ++i) {
    auto f = HMp3Format::Mp3At(i);
    ASSERT_TRUE(f);
    EXPECT_TRUE(HMp3Format::IsLegalBitrate(f->SamplesPerSec, f->KbitPerSec)) << i;
    EXPECT_TRUE(seen.insert({f->SamplesPerSec, f->Channels, f->KbitPerSec}).second) << i;
  }
  EXPECT_FALSE(HMp3Format::Mp3At(HMp3Format::Mp3FormatCount()));
  for (DWORD rate : HMp3Format::SampleRates())
    for (WORD ch : {1, 2}) {
      WORD s = HMp3Format::SuggestedBitrate(rate, ch);
      EXPECT_TRUE(seen.count({rate, ch, s})) << rate << " " << ch;
    }
  EXPECT_EQ(HMp3Format::SuggestedBitrate(11025, 1), 16);
  // MPEG-1 has no 8 or 16 kbit/s, MPEG-2.5 nothing above 64.
  EXPECT_FALSE(HMp3Format::IsLegalBitrate(44100, 16));
  EXPECT_FALSE(HMp3Format::IsLegalBitrate(11025, 80));
  EXPECT_FALSE(HMp3Format::IsLegalBitrate(12000, 16));
}

TEST(Mp3Formats, PcmFormatsMustBeSelfConsistent) {
  WAVEFORMATEX f{WAVE_FORMAT_PCM, 2, 22050, 88200, 4, 16, 0};
  auto layout = HMp3Format::ReadPcm(&f, 16);
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->BlockAlign(), 4);
  EXPECT_FALSE(HMp3Format::ReadPcm(&f, 14));  // shorter than PCMWAVEFORMAT
  f.nAvgBytesPerSec = 44100;
  EXPECT_FALSE(HMp3Format::ReadPcm(&f, 18));
  f.nAvgBytesPerSec = 88200;
  f.nChannels = 3;
  EXPECT_FALSE(HMp3Format::ReadPcm(&f, 18));
  for (DWORD i = 0; i < HMp3Format::PcmFormatCount(); ++i) {
    WAVEFORMATEX out{};
    ASSERT_TRUE(HMp3Format::WritePcm(*HMp3Format::PcmAt(i), &out, sizeof out));
    EXPECT_EQ(HMp3Format::ReadPcm(&out, sizeof out), HMp3Format::PcmAt(i)) << i;
  }
}

TEST(Mp3Formats, SourceAndDestinationSizesAreInverse) {
  for (DWORD i = 0; i < HMp3Format::Mp3FormatCount(); i += 5) {
    TMp3Layout mp3 = *HMp3Format::Mp3At(i);
    TPcmLayout pcm{mp3.Channels, mp3.SamplesPerSec, 16};
    for (DWORD d : {100u, 2048u, 5000u, 65536u, 1u << 20}) {
      DWORD s = HMp3Format::SourceBytesFor(pcm, mp3, d);
      if (s == 0) {
        // Too small only when it cannot hold the slack frames and one more.
        EXPECT_LT(d, (HMp3Format::kSlackFrames + 1) * HMp3Format::MaxFrameBytes(mp3.SamplesPerSec, mp3.KbitPerSec));
        continue;
      }
      EXPECT_EQ(s % pcm.BlockAlign(), 0u);
      EXPECT_LE(HMp3Format::DestinationBytesFor(pcm, mp3, s), d);
      EXPECT_GT(HMp3Format::DestinationBytesFor(pcm, mp3, s + uint64_t(HMp3Format::SamplesPerFrame(mp3.SamplesPerSec)) * pcm.BlockAlign()), d);
    }
  }
}

TEST(Mp3Formats, WrittenLayer3FormatReadsBack) {
  TMp3Layout layout{2, 44100, 96};
  MPEGLAYER3WAVEFORMAT f{};
  EXPECT_FALSE(HMp3Format::WriteMp3(layout, &f.wfx, sizeof(WAVEFORMATEX)));
  ASSERT_TRUE(HMp3Format::WriteMp3(layout, &f.wfx, sizeof f));
  EXPECT_EQ(HMp3Format::ReadMp3(&f.wfx, sizeof f), layout);
  f.wID = MPEGLAYER3_ID_CONSTANTFRAMESIZE;
  EXPECT_FALSE(HMp3Format::ReadMp3(&f.wfx, sizeof f));
}

}  // namespace
