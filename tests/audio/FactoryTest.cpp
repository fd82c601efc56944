#include <gtest/gtest.h>

#include <string>

#include "AudioTestUtil.h"
#include "audio/UDSACMFormat.h"
#include "audio/UDSMemoryStream.h"
#include "audio/UDSThreadStream.h"
#include "audio/UDSWaveStream.h"
#include "audio/UDSWaveStreamFactory.h"
#include "support/TestSupport.h"

using namespace audio_test;
using testing_support::FileExists;
using testing_support::FixturePath;
using testing_support::ScratchDir;

namespace {

TDSWaveFormat Complete(TDSWaveFormat f) {
  f.CheckComplete();
  return f;
}

std::string ReadAll(TDSStream& s) {
  std::string out;
  char buf[4096];
  for (int32_t n; (n = s.Read(TDSArea(buf, sizeof buf))) > 0;) out.append(buf, static_cast<size_t>(n));
  return out;
}

// The samples of a PCM fixture.
std::string FixtureSamples(const wchar_t* name) {
  auto file = TDSMMIOWaveStream::OpenFile(FixturePath(name));
  return file ? ReadAll(*file) : std::string();
}

// Writes `data` through a chain in pieces of an awkward size.
void WriteInPieces(TDSStream& chain, const std::string& data, int32_t piece = 1537) {
  for (size_t at = 0; at < data.size();) {
    int32_t n = std::min<int32_t>(piece, static_cast<int32_t>(data.size() - at));
    ASSERT_EQ(chain.Write(TDSArea(data.data() + at, n)), n);
    at += static_cast<size_t>(n);
  }
}

std::vector<int16_t> From8(const std::string& bytes) {
  std::vector<int16_t> v;
  for (char c : bytes) v.push_back(static_cast<int16_t>((uint8_t(c) - 128) * 256));
  return v;
}

}  // namespace

TEST(WaveStreamFactory, ResetRestoresTheDefaults) {
  TDSWaveStreamFactory factory;
  factory.SetFormat(Pcm(1, 8, 8000));
  factory.Threaded = true;
  factory.RealTime = true;
  factory.BufferMilliseconds = 10;
  factory.Reset();
  EXPECT_TRUE(factory.Format.IsEmpty());
  EXPECT_FALSE(factory.Threaded);
  EXPECT_FALSE(factory.RealTime);
  EXPECT_EQ(factory.BufferMilliseconds, 3000);
}

TEST(WaveStreamFactory, SpeechRoundTripThroughAnImaAdpcmFile) {
  ScratchDir dir;
  const std::wstring name = dir.file(L"memo.wav");
  const std::string speech = FixtureSamples(L"speech11k16.wav");
  ASSERT_GT(speech.size(), 100000u);
  TDSWaveStreamFactory factory;
  factory.SetFormat(Tag(WAVE_FORMAT_IMA_ADPCM, 1, 11025, 4));
  factory.Threaded = true;
  {
    auto chain = factory.CreateWriteChain(name, Complete(Pcm(1, 16, 11025)));
    ASSERT_TRUE(chain);
    ASSERT_NE(dynamic_cast<TDSCombinedStream*>(chain.get()), nullptr);
    WriteInPieces(*chain, speech);
  }
  auto file = TDSMMIOWaveStream::OpenFile(name);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->GetFormat()->Format.FormatTag(), WAVE_FORMAT_IMA_ADPCM);
  EXPECT_FALSE(file->GetFormat()->Fact.HasFact()) << "the chain writes no fact";
  file.reset();

  factory.Reset();
  factory.SetFormat(Pcm(1, 16, 11025));
  factory.Threaded = true;
  auto reader = factory.OpenReadChain(name);
  ASSERT_TRUE(reader);
  std::vector<int16_t> decoded = Samples16(ReadAll(*reader)), input = Samples16(speech);
  // The decoded length matches the input to within one codec block (505
  // samples), never shorter: the end of the dictation is there.
  EXPECT_GE(decoded.size(), input.size());
  EXPECT_LT(decoded.size(), input.size() + 505);
  EXPECT_LT(RmsDifference(input, decoded), Rms(input) / 5);
  std::vector<int16_t> tail(input.end() - 400, input.end());
  std::vector<int16_t> decodedTail(decoded.begin() + (input.size() - 400), decoded.begin() + input.size());
  EXPECT_LE(RmsDifference(tail, decodedTail), Rms(tail) / 3 + 50);
}

TEST(WaveStreamFactory, EightBitRecordingToImaAdpcmAndBack) {
  ScratchDir dir;
  const std::wstring name = dir.file(L"rec.wav");
  const std::string speech = FixtureSamples(L"speech11k8.wav");
  TDSWaveStreamFactory factory;
  factory.SetFormat(Tag(WAVE_FORMAT_IMA_ADPCM));
  factory.Threaded = true;
  {
    auto chain = factory.CreateWriteChain(name, Complete(Pcm(1, 8, 11025)));
    ASSERT_TRUE(chain) << "IMA from 8-bit goes through a 16-bit PCM stage";
    EXPECT_TRUE(chain->GetFormat()->Format.Equals(Complete(Pcm(1, 8, 11025))));
    WriteInPieces(*chain, speech, 1103);
  }
  factory.Reset();
  // The file holds stereo IMA ADPCM (the first PCM layout on the way up
  // that the codec encodes); its left channel is the recording.
  factory.SetFormat(Pcm(2, 16, 11025));
  auto reader = factory.OpenReadChain(name);
  ASSERT_TRUE(reader);
  std::vector<int16_t> stereo = Samples16(ReadAll(*reader)), input = From8(speech), left;
  for (size_t i = 0; i < stereo.size(); i += 2) left.push_back(stereo[i]);
  EXPECT_GE(left.size(), input.size());
  EXPECT_LT(left.size(), input.size() + 505);
  EXPECT_LT(RmsDifference(input, left), Rms(input) / 4);

  // Back to the recording's own format. (Wine's PCM converter adds the two
  // channels when it makes mono of stereo, so only the length is checked.)
  factory.SetFormat(Pcm(1, 8, 11025));
  auto mono = factory.OpenReadChain(name);
  ASSERT_TRUE(mono);
  EXPECT_TRUE(mono->GetFormat()->Format.Equals(Complete(Pcm(1, 8, 11025))));
  EXPECT_EQ(ReadAll(*mono).size(), left.size());
}

TEST(WaveStreamFactory, ReadsAnMsAdpcmFileAsPcm) {
  TDSWaveStreamFactory factory;
  factory.SetFormat(Tag(WAVE_FORMAT_PCM, 1, 11025, 16));
  auto reader = factory.OpenReadChain(FixturePath(L"speech11k16ms.wav"));
  ASSERT_TRUE(reader);
  std::vector<int16_t> decoded = Samples16(ReadAll(*reader)), input = Samples16(FixtureSamples(L"speech11k16.wav"));
  // The encoder's last block is padded; a decoder may drop a trailing
  // partial block: within one block (500 samples at this rate).
  EXPECT_NEAR(double(decoded.size()), double(input.size()), 500);
  EXPECT_LT(RmsDifference(input, decoded), Rms(input) / 4);
}

TEST(WaveStreamFactory, ChainsThatCannotBeBuiltReturnNothingAndCreateNoFile) {
  ScratchDir dir;
  TDSWaveStreamFactory factory;
  factory.SetFormat(Tag(85, 1, 11025, 0));  // the recording case: no MP3 encoder here
  factory.Threaded = true;
  EXPECT_FALSE(factory.CreateWriteChain(dir.file(L"mp3.wav"), Complete(Pcm(1, 8, 11025))));
  EXPECT_FALSE(FileExists(dir.file(L"mp3.wav")));
  factory.SetFormat(Tag(WAVE_FORMAT_ADPCM, 1, 11025, 4));  // Wine's MS ADPCM decodes only
  EXPECT_FALSE(factory.CreateWriteChain(dir.file(L"ms.wav"), Complete(Pcm(1, 8, 11025))));
  EXPECT_FALSE(FileExists(dir.file(L"ms.wav")));
  factory.SetFormat(Pcm(1, 8, 8000));
  EXPECT_FALSE(factory.OpenReadChain(dir.file(L"missing.wav")));
  EXPECT_FALSE(FileExists(dir.file(L"missing.wav")));
}

TEST(WaveStreamFactory, WithoutConversionTheFileStreamIsTheResult) {
  ScratchDir dir;
  TDSWaveStreamFactory factory;
  auto plain = factory.CreateWriteChain(dir.file(L"a.wav"), Complete(Pcm(1, 8, 11025)));
  EXPECT_NE(dynamic_cast<TDSMMIOWaveStream*>(plain.get()), nullptr);
  plain.reset();
  factory.SetFormat(Pcm(1, 8, 11025));  // equal to the source: an empty path
  auto same = factory.CreateWriteChain(dir.file(L"b.wav"), Complete(Pcm(1, 8, 11025)));
  EXPECT_NE(dynamic_cast<TDSMMIOWaveStream*>(same.get()), nullptr);
  same.reset();
  auto read = factory.OpenReadChain(dir.file(L"b.wav"));
  EXPECT_NE(dynamic_cast<TDSMMIOWaveStream*>(read.get()), nullptr);
}

TEST(WaveStreamFactory, TheWriteBehindFIFOHoldsBufferMillisecondsOfSource) {
  ScratchDir dir;
  TDSWaveStreamFactory factory;
  factory.Threaded = true;
  auto chain = factory.CreateWriteChain(dir.file(L"cd.wav"), Complete(Pcm(2, 16, 44100)));
  auto* combined = dynamic_cast<TDSCombinedStream*>(chain.get());
  ASSERT_NE(combined, nullptr);
  ASSERT_EQ(combined->Count(), 2);
  auto* thread = dynamic_cast<TDSThreadStream*>(&combined->Streams(1));
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(thread->FIFO().Capacity(), 529200);

  factory.SetFormat(Tag(WAVE_FORMAT_IMA_ADPCM, 1, 11025, 4));
  factory.BufferMilliseconds = 3000;
  auto recording = factory.CreateWriteChain(dir.file(L"r.wav"), Complete(Pcm(1, 16, 11025)));
  combined = dynamic_cast<TDSCombinedStream*>(recording.get());
  ASSERT_NE(combined, nullptr);
  ASSERT_EQ(combined->Count(), 3) << "file, converter, thread stream";
  EXPECT_EQ(dynamic_cast<TDSThreadStream&>(combined->Streams(2)).FIFO().Capacity(), 66150);
}

TEST(WaveStreamFactory, ChainsOnOutsideStreams) {
  TDSWaveStreamFactory factory;
  factory.SetFormat(Tag(WAVE_FORMAT_PCM, 1, 22050, 16));
  TDSMemoryStream memory;  // no format: a WAVE file is written into it
  const std::string samples(1000, '\x70');
  {
    auto chain = factory.CreateWriteChain(memory, Complete(Pcm(1, 8, 11025)));
    ASSERT_TRUE(chain);
    WriteInPieces(*chain, samples);
  }
  memory.Seek(TDSSeek(0, TDSSeek::FromBeginning));
  auto file = TDSMMIOWaveStream::OpenOnStream(memory);
  ASSERT_TRUE(file);
  EXPECT_TRUE(file->GetFormat()->Format.Equals(Complete(Pcm(1, 16, 22050))));
  EXPECT_EQ(ReadAll(*file).size(), 4000u);
  file.reset();

  // A stream with a format is used as it is, behind a proxy.
  TDSMemoryStream formatted;
  formatted.SetFormat(TDSWaveStreamFormat(Complete(Pcm(1, 16, 11025))));
  factory.Reset();
  auto proxy = factory.CreateWriteChain(formatted, Complete(Pcm(1, 16, 11025)));
  ASSERT_NE(dynamic_cast<TDSProxyStream*>(proxy.get()), nullptr);
  EXPECT_EQ(proxy->Write(TDSArea("ab", 2)), 2);
  EXPECT_EQ(formatted.Text(), "ab");
  formatted.Seek(TDSSeek(0, TDSSeek::FromBeginning));
  factory.SetFormat(Pcm(1, 8, 11025));
  auto narrowed = factory.OpenReadChain(formatted);
  ASSERT_TRUE(narrowed);
  char one;
  EXPECT_EQ(narrowed->Read(TDSArea(&one, 1)), 1);
  EXPECT_EQ(uint8_t(one), ('b' << 8 | 'a') / 256 + 128);
}
