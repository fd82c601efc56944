#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "AudioTestUtil.h"
#include "audio/UDSACMFormat.h"
#include "audio/UDSMemoryStream.h"
#include "audio/UDSWaveFormat.h"
#include "audio/UDSWaveStream.h"

using namespace audio_test;

namespace {

// The message of the error `f` raises; "<none>" when it raises nothing.
template <typename F>
std::string ErrorOf(F f) {
  try {
    f();
  } catch (const EDSError& e) {
    return e.what();
  }
  return "<none>";
}

}  // namespace

TEST(WaveFormat, PcmDerivesItsFieldsAndLosesThemOnAnyKeyChange) {
  // What the platform and a file's fmt chunk get.
  auto record = [](const TDSWaveFormat& w) {
    return std::string(reinterpret_cast<const char*>(w.Data()), TDSWaveFormat::kHeaderSize);
  };
  TDSWaveFormat f = Pcm(2, 16, 22050);
  EXPECT_TRUE(f.IsComplete());
  EXPECT_EQ(record(f), PcmFmt(2, 16, 22050));
  EXPECT_EQ(f.BlockAlign(), 4);
  EXPECT_EQ(f.AvgBytesPerSec(), 88200u);
  EXPECT_EQ(f.ExtraSize(), 0);

  f.SetSamplesPerSec(11025);
  EXPECT_EQ(record(f), PcmFmt(2, 16, 11025)) << "a derived field kept from before the change";
  EXPECT_EQ(ErrorOf([&] { f.Data(); f.SetChannels(1); f.BlockAlign(); }), "<none>");
  EXPECT_EQ(f.AvgBytesPerSec(), 22050u);
}

TEST(WaveFormat, OtherTagsCompleteOnlyThroughMarkComplete) {
  TDSWaveFormat f = Tag(WAVE_FORMAT_ADPCM, 1, 11025, 4);
  EXPECT_FALSE(f.IsComplete());
  EXPECT_EQ(ErrorOf([&] { f.BlockAlign(); }), "");
  f.RawData()->nBlockAlign = 256;
  f.RawData()->cbSize = 0;
  f.MarkComplete();
  EXPECT_TRUE(f.IsComplete());
  EXPECT_EQ(f.BlockAlign(), 256);
  f.SetChannels(2);
  EXPECT_FALSE(f.IsComplete());
}

TEST(WaveFormat, GettersRequireTheirFields) {
  TDSWaveFormat empty;
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_FALSE(empty.HasTag());
  for (auto get : {+[](TDSWaveFormat& f) { f.FormatTag(); }, +[](TDSWaveFormat& f) { f.Channels(); },
                   +[](TDSWaveFormat& f) { f.SamplesPerSec(); }, +[](TDSWaveFormat& f) { f.BitsPerSample(); },
                   +[](TDSWaveFormat& f) { f.AvgBytesPerSec(); }, +[](TDSWaveFormat& f) { f.ExtraSize(); },
                   +[](TDSWaveFormat& f) { f.BytesForMilliseconds(1); }})
    EXPECT_EQ(ErrorOf([&] { get(empty); }), "");
  TDSWaveFormat tagOnly = Tag(WAVE_FORMAT_PCM);
  EXPECT_EQ(tagOnly.FormatTag(), WAVE_FORMAT_PCM);
  EXPECT_EQ(ErrorOf([&] { tagOnly.Channels(); }), "");
}

TEST(WaveFormat, MarkCompleteForcesPcmExtraSizeToZero) {
  TDSWaveFormat f = Pcm(1, 8, 11025);
  f.RawData()->cbSize = 22;
  f.MarkComplete();
  EXPECT_EQ(f.ExtraSize(), 0);
  EXPECT_EQ(f.StorageSize(), 18);
}

TEST(WaveFormat, BytesForMilliseconds) {
  EXPECT_EQ(Pcm(1, 8, 11025).BytesForMilliseconds(3000), 33075u);
  EXPECT_EQ(Pcm(2, 16, 44100).BytesForMilliseconds(3000), 529200u);
}

TEST(WaveFormat, EqualsComparesDefinedFieldsAndExtraBytes) {
  EXPECT_TRUE(Pcm(1, 8, 11025).Equals(Pcm(1, 8, 11025)));
  EXPECT_FALSE(Pcm(1, 8, 11025).Equals(Pcm(1, 8, 8000)));
  TDSWaveFormat a = Pcm(1, 8, 11025), b = Pcm(1, 8, 11025);
  a.IsComplete();
  EXPECT_FALSE(a.Equals(b)) << "different Defined sets";
  EXPECT_TRUE(Tag(85).Equals(Tag(85)));

  auto adpcm = [](uint8_t last) {
    TDSWaveFormat f(22);
    WAVEFORMATEX* w = f.RawData();
    *w = WAVEFORMATEX{WAVE_FORMAT_ADPCM, 1, 11025, 5644, 256, 4, 4};
    reinterpret_cast<uint8_t*>(w)[18 + 3] = last;
    f.MarkComplete();
    return f;
  };
  EXPECT_TRUE(adpcm(1).Equals(adpcm(1)));
  EXPECT_FALSE(adpcm(1).Equals(adpcm(2)));
  EXPECT_EQ(adpcm(1).StorageSize(), 22);
}

TEST(WaveFormat, AssignCopiesTheWholeBufferAndClone) {
  TDSWaveFormat big(40);
  *big.RawData() = WAVEFORMATEX{WAVE_FORMAT_ADPCM, 1, 11025, 5644, 256, 4, 22};
  big.MarkComplete();
  TDSWaveFormat small;
  small.Assign(big);
  EXPECT_EQ(small.Capacity(), 40);
  EXPECT_TRUE(small.Equals(big));
  auto clone = big.Clone();
  ASSERT_NE(dynamic_cast<TDSWaveFormat*>(clone.get()), nullptr);
  EXPECT_TRUE(static_cast<TDSWaveFormat&>(*clone).Equals(big));
  small.Assign(static_cast<const TDSPersistent*>(nullptr));
  EXPECT_TRUE(small.IsEmpty());

  TDSWaveStreamFormat stream(Pcm(1, 8, 8000), TDSWaveFact(99));
  TDSWaveFormat fromStream;
  fromStream.Assign(&stream);
  EXPECT_TRUE(fromStream.Equals(stream.Format));
  EXPECT_EQ(ErrorOf([&] { TDSWaveFact fact; fact.Assign(&big); }), "Cannot assign a TDSWaveFormat to a TDSWaveFact");
}

TEST(WaveFormat, WriteToAndReadFromRoundTrip) {
  TDSMemoryStream memory;
  TDSWaveFormat f = Pcm(1, 16, 11025);
  ASSERT_TRUE(f.WriteTo(memory.AsStream()));
  EXPECT_EQ(memory.Bytes().size(), 18u);
  memory.Seek(TDSSeek(0, TDSSeek::FromBeginning));
  auto back = TDSWaveFormat::ReadFrom(memory.AsStream(), 18);
  ASSERT_TRUE(back);
  f.IsComplete();
  EXPECT_TRUE(back->Equals(f));
  memory.Seek(TDSSeek(4, TDSSeek::FromBeginning));
  EXPECT_FALSE(TDSWaveFormat::ReadFrom(memory.AsStream(), 18)) << "only 14 bytes are left";
}

TEST(WaveFormat, FactAndStreamFormat) {
  TDSMemoryStream memory;
  EXPECT_EQ(ErrorOf([&] { TDSWaveFact().WriteTo(memory.AsStream()); }), "");
  ASSERT_TRUE(TDSWaveFact(11025).WriteTo(memory.AsStream()));
  memory.Seek(TDSSeek(0, TDSSeek::FromBeginning));
  EXPECT_FALSE(TDSWaveFact::ReadFrom(3, memory.AsStream()));
  auto fact = TDSWaveFact::ReadFrom(4, memory.AsStream());
  ASSERT_TRUE(fact);
  EXPECT_EQ(fact->SampleLength, 11025u);

  EXPECT_EQ(ErrorOf([] { TDSWaveStreamFormat s(Tag(2)); }), "") << "an incomplete format";
  TDSWaveStreamFormat s(Pcm(1, 8, 8000), TDSWaveFact(5));
  TDSWaveStreamFormat t;
  t.Assign(&s);
  EXPECT_EQ(t.Fact.SampleLength, 5u);
  t.Assign(&s.Format);
  EXPECT_FALSE(t.Fact.HasFact()) << "a plain format clears the fact";
}

TEST(WaveFormatList, AddFormatSkipsACopyOfTheLastAndListOwnsItems) {
  TDSWaveFormatList list;
  AddFormat(list, Pcm(1, 8, 11025));
  AddFormat(list, Pcm(1, 8, 11025));
  EXPECT_EQ(list.Count(), 1);
  AddFormat(list, Pcm(1, 16, 11025));
  AddFormat(list, Pcm(1, 8, 11025));
  EXPECT_EQ(list.Count(), 3);
  list.Delete(0);
  EXPECT_EQ(list[0].BitsPerSample(), 16);
  EXPECT_EQ(ErrorOf([&] { AddFormat(list, Tag(2)); }), "");
  EXPECT_EQ(ErrorOf([&] { list.Items(5); }), "");
}

// ---------------------------------------------------------------------------
// Negotiation against Wine's codecs.

TEST(ACMFormat, PcmStepsFollowTheLadders) {
  TDSWaveFormat f = Pcm(1, 8, 44100);
  EXPECT_FALSE(HDSACMFormat::_IncreaseFrequency(f));
  EXPECT_EQ(f.SamplesPerSec(), 44100u);
  f.SetSamplesPerSec(8000);
  EXPECT_FALSE(HDSACMFormat::_DecreaseFrequency(f));
  f.SetSamplesPerSec(16000);
  EXPECT_FALSE(HDSACMFormat::_IncreaseFrequency(f));
  EXPECT_FALSE(HDSACMFormat::_DecreaseFrequency(f));
  f.SetSamplesPerSec(11025);
  EXPECT_TRUE(HDSACMFormat::_IncreaseFrequency(f));
  EXPECT_EQ(f.SamplesPerSec(), 22050u);
  EXPECT_FALSE(HDSACMFormat::_DecreaseBitsPerSample(f));
  EXPECT_TRUE(HDSACMFormat::_IncreaseBitsPerSample(f));
  EXPECT_FALSE(HDSACMFormat::_IncreaseBitsPerSample(f));
  EXPECT_TRUE(HDSACMFormat::_IncreaseChannels(f));
  EXPECT_FALSE(HDSACMFormat::_IncreaseChannels(f));
  EXPECT_TRUE(HDSACMFormat::_DecreaseChannels(f));

  // Cumulative, channels first: mono 16-bit is never reached on the way up.
  TDSWaveFormat w = Pcm(1, 8, 11025);
  std::vector<std::string> seen;
  while (HDSACMFormat::_IncreasePCMFormat(w))
    seen.push_back(std::to_string(w.Channels()) + "/" + std::to_string(w.BitsPerSample()) + "/" +
                   std::to_string(w.SamplesPerSec()));
  EXPECT_EQ(seen, (std::vector<std::string>{"2/8/11025", "2/16/11025", "2/16/22050", "2/16/44100"}));
  w = Pcm(2, 16, 44100);
  seen.clear();
  while (HDSACMFormat::_DecreasePCMFormat(w))
    seen.push_back(std::to_string(w.Channels()) + "/" + std::to_string(w.BitsPerSample()) + "/" +
                   std::to_string(w.SamplesPerSec()));
  EXPECT_EQ(seen, (std::vector<std::string>{"1/16/44100", "1/8/44100", "1/8/22050", "1/8/11025", "1/8/8000"}));
}

// Where the codecs or the arguments cannot serve, each operation raises
// rather than hand back a format it did not get.
TEST(ACMFormat, OperationsThatCannotBeServedRaise) {
  TDSWaveFormat adpcm = Tag(WAVE_FORMAT_ADPCM, 1, 11025, 4);
  TDSWaveFormat pcm = Pcm(1, 8, 11025);
  auto complete = HDSACMFormat::Suggest(Pcm(1, 16, 11025), Tag(WAVE_FORMAT_IMA_ADPCM));
  ASSERT_TRUE(complete);
  const std::pair<const char*, std::function<void()>> cases[] = {
      {"a higher rate of a compressed format", [&] { HDSACMFormat::_IncreaseFrequency(adpcm); }},
      {"fewer channels of a compressed format", [&] { HDSACMFormat::_DecreaseChannels(adpcm); }},
      {"a richer PCM step of a compressed format", [&] { HDSACMFormat::_IncreasePCMFormat(adpcm); }},
      {"a poorer PCM step of a compressed format", [&] { HDSACMFormat::_DecreasePCMFormat(adpcm); }},
      {"the PCM a PCM source decodes to", [&] { HDSACMFormat::_SuggestPCM(pcm); }},
      {"the PCM an incomplete source decodes to", [&] { HDSACMFormat::_SuggestPCM(adpcm); }},
      {"a PCM source for a template of a bare tag", [&] { HDSACMFormat::_QueryPCM(Tag(1), pcm); }},
      {"the PCM form of a PCM source", [&] { HDSACMFormat::_MultiSuggestPCM(pcm, pcm); }},
      {"a suggestion from a template without tag", [&] { HDSACMFormat::_Suggest(pcm, TDSWaveFormat()); }},
      {"a suggestion from PCM to a complete IMA ADPCM format", [&] { HDSACMFormat::_Suggest(pcm, *complete); }},
      {"a PCM source of 8-bit PCM for IMA ADPCM", [&] { HDSACMFormat::_QueryPCM(*complete, pcm); }},
      {"the PCM form of IMA ADPCM laid out as a bare tag", [&] { HDSACMFormat::_MultiSuggestPCM(*complete, Tag(2)); }},
  };
  for (const auto& [what, operation] : cases) EXPECT_NE(ErrorOf(operation), "<none>") << what;
}

TEST(ACMFormat, SuggestKeepsTheTemplatesKeyFields) {
  auto ima = HDSACMFormat::Suggest(Pcm(1, 16, 11025), Tag(WAVE_FORMAT_IMA_ADPCM, 1, 11025));
  ASSERT_TRUE(ima);
  EXPECT_TRUE(ima->IsComplete());
  EXPECT_EQ(ima->FormatTag(), WAVE_FORMAT_IMA_ADPCM);
  EXPECT_EQ(ima->Channels(), 1);
  EXPECT_EQ(ima->SamplesPerSec(), 11025u);
  EXPECT_EQ(ima->BitsPerSample(), 4);
  EXPECT_GT(ima->BlockAlign(), 0);

  EXPECT_FALSE(HDSACMFormat::Suggest(Pcm(1, 16, 11025), TDSWaveFormat())) << "no key field";
  // Wine's IMA ADPCM codec suggests a format for 8-bit sources that it then
  // refuses to convert to: no suggestion.
  EXPECT_FALSE(HDSACMFormat::Suggest(Pcm(1, 8, 11025), Tag(WAVE_FORMAT_IMA_ADPCM)));
  auto decoded = HDSACMFormat::_SuggestPCM(*ima);
  ASSERT_TRUE(decoded);
  EXPECT_TRUE(decoded->IsPCM());
  EXPECT_EQ(decoded->SamplesPerSec(), 11025u);
}

TEST(ACMFormat, QueryPcmSearchesUpwardThenDownwardAndReturnsThePcmFormat) {
  // From mono 8-bit, A-law needs 16 bits: the first that works on the way up
  // is stereo 16-bit (mono 16-bit is not on that way).
  auto up = HDSACMFormat::_QueryPCM(Tag(WAVE_FORMAT_ALAW), Pcm(1, 8, 11025));
  ASSERT_TRUE(up);
  EXPECT_TRUE(up->IsPCM());
  EXPECT_EQ(up->Channels(), 2);
  EXPECT_EQ(up->BitsPerSample(), 16);
  EXPECT_EQ(up->SamplesPerSec(), 11025u);

  // Mono A-law from stereo 44.1 kHz: nothing upward, the first step down.
  auto down = HDSACMFormat::_QueryPCM(Tag(WAVE_FORMAT_ALAW, 1), Pcm(2, 16, 44100));
  ASSERT_TRUE(down);
  EXPECT_EQ(down->Channels(), 1);
  EXPECT_EQ(down->BitsPerSample(), 16);
  EXPECT_EQ(down->SamplesPerSec(), 44100u);

  EXPECT_FALSE(HDSACMFormat::_QueryPCM(Tag(85, 1, 11025, 0), Pcm(1, 8, 11025))) << "no MP3 encoder";
}

namespace {
std::string Describe(const TDSWaveFormatList& path) {
  std::string s;
  for (int32_t i = 0; i < path.Count(); ++i) {
    const TDSWaveFormat& f = path[i];
    s += (i ? " " : "") + std::to_string(f.FormatTag()) + ":" + std::to_string(f.Channels()) + "/" +
         std::to_string(f.BitsPerSample()) + "/" + std::to_string(f.SamplesPerSec());
  }
  return s;
}
}  // namespace

TEST(ACMFormat, ConversionPathsForPcmSources) {
  TDSWaveFormat source = Pcm(1, 8, 11025);
  // Complete PCM template equal to the source: nothing to convert.
  auto same = HDSACMFormat::BuildConversionPath(source, Pcm(1, 8, 11025));
  ASSERT_TRUE(same);
  EXPECT_EQ(same->Count(), 0);
  auto wider = HDSACMFormat::BuildConversionPath(source, Pcm(2, 16, 22050));
  ASSERT_TRUE(wider);
  EXPECT_EQ(Describe(*wider), "1:2/16/22050");
  // Incomplete PCM template.
  auto rate = HDSACMFormat::BuildConversionPath(source, Tag(1, 1, 22050, 16));
  ASSERT_TRUE(rate);
  EXPECT_EQ(Describe(*rate), "1:1/16/22050");
  // Incomplete non-PCM: straight from the source, or through _QueryPCM.
  auto direct = HDSACMFormat::BuildConversionPath(Pcm(1, 16, 11025), Tag(WAVE_FORMAT_IMA_ADPCM, 1, 11025));
  ASSERT_TRUE(direct);
  EXPECT_EQ(Describe(*direct), "17:1/4/11025");
  auto queried = HDSACMFormat::BuildConversionPath(source, Tag(WAVE_FORMAT_IMA_ADPCM));
  ASSERT_TRUE(queried);
  EXPECT_EQ(Describe(*queried), "1:2/16/11025 17:2/4/11025");
  // Complete non-PCM: its PCM form (the source's layout preferred), then it.
  auto ima = HDSACMFormat::Suggest(Pcm(1, 16, 11025), Tag(WAVE_FORMAT_IMA_ADPCM));
  ASSERT_TRUE(ima);
  auto complete = HDSACMFormat::BuildConversionPath(Pcm(1, 16, 22050), *ima);
  ASSERT_TRUE(complete);
  EXPECT_EQ(Describe(*complete), "1:1/16/11025 17:1/4/11025");
  // The recording case without an MP3 encoder, and an encoder that does
  // not exist for 8-bit mono at all (Wine's MS ADPCM only decodes).
  EXPECT_FALSE(HDSACMFormat::BuildConversionPath(source, Tag(85, 1, 11025, 0)));
  EXPECT_FALSE(HDSACMFormat::BuildConversionPath(source, Tag(WAVE_FORMAT_ADPCM, 1, 11025, 4)));
  EXPECT_FALSE(HDSACMFormat::BuildConversionPath(source, *ima)) << "IMA does not encode 8-bit; it only decodes to it";
}

TEST(ACMFormat, ConversionPathsForNonPcmSources) {
  auto ima = HDSACMFormat::Suggest(Pcm(1, 16, 11025), Tag(WAVE_FORMAT_IMA_ADPCM));
  ASSERT_TRUE(ima);
  // Complete PCM target: the PCM form in the target's layout if the codec
  // has it (not at another rate), else its own PCM form; then the target.
  auto toPcm = HDSACMFormat::BuildConversionPath(*ima, Pcm(1, 8, 22050));
  ASSERT_TRUE(toPcm);
  EXPECT_EQ(Describe(*toPcm), "1:1/16/11025 1:1/8/22050");
  auto toPcm8 = HDSACMFormat::BuildConversionPath(*ima, Pcm(1, 8, 11025));
  ASSERT_TRUE(toPcm8);
  EXPECT_EQ(Describe(*toPcm8), "1:1/8/11025");
  // Incomplete PCM target.
  auto incomplete = HDSACMFormat::BuildConversionPath(*ima, Tag(1, 0, 8000));
  ASSERT_TRUE(incomplete);
  EXPECT_EQ(Describe(*incomplete), "1:1/16/11025 1:1/16/8000");
  // No tag: the source's own tag, that is another IMA format.
  auto stereo = HDSACMFormat::BuildConversionPath(*ima, Tag(WAVE_FORMAT_IMA_ADPCM, 2));
  ASSERT_TRUE(stereo);
  EXPECT_EQ(Describe(*stereo), "1:1/16/11025 1:2/16/11025 17:2/4/11025");
  // Complete non-PCM target: decode, re-layout, encode.
  auto ima22 = HDSACMFormat::Suggest(Pcm(1, 16, 22050), Tag(WAVE_FORMAT_IMA_ADPCM));
  ASSERT_TRUE(ima22);
  auto recode = HDSACMFormat::BuildConversionPath(*ima, *ima22);
  ASSERT_TRUE(recode);
  EXPECT_EQ(Describe(*recode), "1:1/16/11025 1:1/16/22050 17:1/4/22050");
  EXPECT_FALSE(HDSACMFormat::BuildConversionPath(*ima, Tag(85, 1, 11025, 0)));
}
