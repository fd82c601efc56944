#include <gtest/gtest.h>

#include <string>

#include "AudioTestUtil.h"
#include "audio/UDSACMFormat.h"
#include "audio/UDSMMIO.h"
#include "audio/UDSMemoryStream.h"
#include "audio/UDSWaveStream.h"
#include "support/TestSupport.h"

using namespace audio_test;
using testing_support::ReadBytes;
using testing_support::ScratchDir;
using testing_support::WriteBytes;

namespace {

std::string ReadAll(TDSStream& s) {
  std::string out;
  char buf[1000];
  for (int32_t n; (n = s.Read(TDSArea(buf, sizeof buf))) > 0;) out.append(buf, static_cast<size_t>(n));
  return out;
}

TDSWaveFormat Complete(TDSWaveFormat f) {
  f.CheckComplete();
  return f;
}

}  // namespace

TEST(WaveFile, WritesFmtAndDataAndReadsThemBack) {
  ScratchDir dir;
  const std::wstring name = dir.file(L"a.wav");
  const std::string samples = Pattern(1001);  // odd: the platform pads
  {
    auto w = TDSMMIOWaveStream::CreateFile(name, TDSWaveStreamFormat(Complete(Pcm(1, 8, 11025))));
    ASSERT_TRUE(w);
    EXPECT_EQ(w->Write(TDSArea(samples.data(), 1000)), 1000);
    EXPECT_EQ(w->GetPosition(), 1000);
    EXPECT_EQ(w->Write(TDSArea(samples.data() + 1000, 1)), 1);
  }
  const std::string expected = Riff(Chunk("fmt ", PcmFmt(1, 8, 11025)) + Chunk("data", samples));
  EXPECT_TRUE(ReadBytes(name) == expected) << "18-byte fmt, data sized and padded";

  auto r = TDSMMIOWaveStream::OpenFile(name);
  ASSERT_TRUE(r);
  EXPECT_TRUE(r->GetFormat()->Format.Equals(Complete(Pcm(1, 8, 11025))));
  EXPECT_EQ(r->GetFormat()->Fact.SampleLength, 1001u) << "PCM frames from the data size";
  EXPECT_TRUE(ReadAll(*r) == samples);
  EXPECT_TRUE(r->Seek(TDSSeek(-1, TDSSeek::FromEnd)));
  EXPECT_EQ(r->GetPosition(), 1000);
}

TEST(WaveFile, NonPcmFormatWithFactAndExtraBytes) {
  ScratchDir dir;
  const std::wstring name = dir.file(L"ima.wav");
  auto ima = HDSACMFormat::Suggest(Complete(Pcm(1, 16, 11025)), Tag(WAVE_FORMAT_IMA_ADPCM));
  ASSERT_TRUE(ima);
  ASSERT_EQ(ima->StorageSize(), 20);
  {
    auto w = TDSMMIOWaveStream::CreateFile(name, TDSWaveStreamFormat(*ima, TDSWaveFact(1234)));
    ASSERT_TRUE(w);
    w->Write(TDSArea("\1\2\3\4", 4));
  }
  const std::string bytes = ReadBytes(name);
  EXPECT_EQ(bytes.substr(12, 8), "fmt " + Le32(20));
  EXPECT_EQ(bytes.substr(40, 12), "fact" + Le32(4) + Le32(1234));
  auto r = TDSMMIOWaveStream::OpenFile(name);
  ASSERT_TRUE(r);
  EXPECT_TRUE(r->GetFormat()->Format.Equals(*ima));
  EXPECT_EQ(r->GetFormat()->Fact.SampleLength, 1234u);
  EXPECT_EQ(ReadAll(*r), "\1\2\3\4");
}

TEST(WaveFile, PcmWithoutFactCountsFrames) {
  ScratchDir dir;
  WriteBytes(dir.file(L"s.wav"), Riff(Chunk("fmt ", PcmFmt(2, 16, 44100)) + Chunk("data", std::string(44100, 'x'))));
  auto r = TDSMMIOWaveStream::OpenFile(dir.file(L"s.wav"));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->GetFormat()->Fact.SampleLength, 11025u);
}

TEST(WaveFile, ChunkOrders) {
  ScratchDir dir;
  const std::string fmt = Chunk("fmt ", PcmFmt(1, 8, 8000)), data = Chunk("data", "abc");
  const std::string fact = Chunk("fact", Le32(77)), list = Chunk("LIST", "INFOISFT" + Le32(2) + "x");
  struct Case {
    const char* what;
    std::string body;
    bool opens;
    uint32_t fact;
  } cases[] = {
      {"fact before data", fmt + fact + data, true, 77},
      {"fact after data: its search passes data", fmt + data + fact, false, 0},
      {"other chunks between", list + fmt + Chunk("junk", "12345") + data + list, true, 3},
      {"fact before fmt is not looked for", fact + fmt + data, true, 3},
      {"data before fmt", data + fmt, false, 0},
      {"no data", fmt + fact, false, 0},
      {"no fmt", fact + data, false, 0},
      {"16-byte fmt", Chunk("fmt ", PcmFmt(1, 8, 8000).substr(0, 16)) + data, true, 3},
  };
  for (const Case& c : cases) {
    WriteBytes(dir.file(L"c.wav"), Riff(c.body));
    auto r = TDSMMIOWaveStream::OpenFile(dir.file(L"c.wav"));
    ASSERT_EQ(r != nullptr, c.opens) << c.what;
    if (!r) continue;
    EXPECT_EQ(r->GetFormat()->Fact.SampleLength, c.fact) << c.what;
    EXPECT_EQ(ReadAll(*r), "abc") << c.what << ": reads stop at the end of data";
  }
  EXPECT_FALSE(TDSMMIOWaveStream::OpenFile(dir.file(L"missing.wav")));
  WriteBytes(dir.file(L"x.wav"), "RIFF\4\0\0\0AVI ");
  EXPECT_FALSE(TDSMMIOWaveStream::OpenFile(dir.file(L"x.wav")));
}

TEST(WaveFile, OddCompressedDataIsEvenedInsideItsChunk) {
  ScratchDir dir;
  const std::wstring name = dir.file(L"mp3.wav");
  // An MPEG Layer-3 format as a codec fills it in.
  TDSWaveFormat mp3(30);
  *mp3.RawData() = WAVEFORMATEX{85, 1, 11025, 1000, 1, 0, 12};
  mp3.MarkComplete();
  {
    auto w = TDSMMIOWaveStream::CreateFile(name, TDSWaveStreamFormat(mp3));
    ASSERT_TRUE(w);
    w->Write(TDSArea("\xFF\xF3\x40", 3));
  }
  const std::string bytes = ReadBytes(name);
  EXPECT_EQ(bytes.substr(bytes.size() - 12), "data" + Le32(4) + std::string("\xFF\xF3\x40\0", 4))
      << "nothing follows the data chunk";
  EXPECT_EQ(bytes.substr(4, 4), Le32(static_cast<uint32_t>(bytes.size() - 8)));
}

// A recording must survive the process: between writes the file is complete.
TEST(WaveFile, SizesAreCompleteAfterEveryWriteAndFinishReportsTheClose) {
  TDSWaveFormat mp3(30);
  *mp3.RawData() = WAVEFORMATEX{85, 1, 11025, 1000, 1, 0, 12};
  mp3.MarkComplete();
  TDSMemoryStream target;
  auto w = TDSMMIOWaveStream::CreateOnStream(target, TDSWaveStreamFormat(mp3));
  ASSERT_TRUE(w);
  auto expectComplete = [&](const std::string& data) {
    const std::string bytes = target.Text();
    EXPECT_EQ(bytes.substr(4, 4), Le32(static_cast<uint32_t>(bytes.size() - 8)));
    std::string even = data + std::string(data.size() & 1, '\0');
    EXPECT_EQ(bytes.substr(bytes.size() - 8 - even.size()), "data" + Le32(static_cast<uint32_t>(even.size())) + even)
        << "the data chunk is the file's end, even-sized";
  };
  ASSERT_EQ(w->Write(TDSArea("\xFF\xF3\x40", 3)), 3);
  expectComplete("\xFF\xF3\x40");
  ASSERT_EQ(w->Write(TDSArea("ab", 2)), 2);
  expectComplete("\xFF\xF3\x40" "ab");
  EXPECT_GE(w->SizeUpdates(), 2);
  EXPECT_TRUE(w->Finish());
  expectComplete("\xFF\xF3\x40" "ab");
  EXPECT_EQ(w->Write(TDSArea("c", 1)), -1) << "writing ended with Finish";
  EXPECT_TRUE(w->Finish()) << "a second Finish repeats the result";
}

TEST(WaveFile, CreatedAndDestroyedWithoutSamplesIsAValidEmptyFile) {
  ScratchDir dir;
  const std::wstring name = dir.file(L"empty.wav");
  ASSERT_TRUE(TDSMMIOWaveStream::CreateFile(name, TDSWaveStreamFormat(Complete(Pcm(1, 8, 11025)))));
  EXPECT_TRUE(ReadBytes(name) == Riff(Chunk("fmt ", PcmFmt(1, 8, 11025)) + Chunk("data", "")));
  auto r = TDSMMIOWaveStream::OpenFile(name);
  ASSERT_TRUE(r);
  EXPECT_EQ(ReadAll(*r), "");
  EXPECT_FALSE(r->GetFormat()->Fact.HasFact());
}

TEST(WaveFile, RewritingInsideKeepsTheDataSize) {
  ScratchDir dir;
  const std::wstring name = dir.file(L"r.wav");
  {
    auto w = TDSMMIOWaveStream::CreateFile(name, TDSWaveStreamFormat(Complete(Pcm(1, 8, 8000))));
    w->Write(TDSArea(std::string(100, 'a').data(), 100));
    ASSERT_TRUE(w->Seek(TDSSeek(10, TDSSeek::FromBeginning)));
    w->Write(TDSArea("bbbbb", 5));
  }
  auto r = TDSMMIOWaveStream::OpenFile(name);
  ASSERT_TRUE(r);
  EXPECT_EQ(ReadAll(*r), std::string(10, 'a') + "bbbbb" + std::string(85, 'a'));
}

TEST(WaveFile, TheCustomIOProcedureRunsOverAMemoryStream) {
  ScratchDir dir;
  const std::string samples = Pattern(5000, 9);
  TDSWaveStreamFormat format(Complete(Pcm(2, 16, 22050)));
  TDSMemoryStream memory;
  {
    auto w = TDSMMIOWaveStream::CreateOnStream(memory, format);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->Write(TDSArea(samples.data(), 5000)), 5000);
  }
  {
    auto w = TDSMMIOWaveStream::CreateFile(dir.file(L"same.wav"), format);
    w->Write(TDSArea(samples.data(), 5000));
  }
  EXPECT_TRUE(memory.Text() == ReadBytes(dir.file(L"same.wav"))) << "byte for byte the file mmio writes";

  memory.Seek(TDSSeek(0, TDSSeek::FromBeginning));
  auto r = TDSMMIOWaveStream::OpenOnStream(memory);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->GetFormat()->Fact.SampleLength, 1250u);
  EXPECT_TRUE(ReadAll(*r) == samples);

  TDSMemoryStream garbage("RIFX....");
  EXPECT_FALSE(TDSMMIOWaveStream::OpenOnStream(garbage));
}

TEST(MMIO, ChunkOperationsOverAStream) {
  TDSMemoryStream memory(Riff(Chunk("aaaa", "1234") + Chunk("bbbb", "56")));
  auto mmio = TDSMMIO::OpenOnStream(memory, TDSMMIO::omRead);
  ASSERT_TRUE(mmio);
  EXPECT_FALSE(mmio->DescendRiff(DSFourCC(L"AVI ")));
  mmio->Seek(TDSSeek(0, TDSSeek::FromBeginning));
  auto riff = mmio->DescendRiff(DSFourCC(L"WAVE"));
  ASSERT_TRUE(riff);
  EXPECT_EQ(mmio->EndOffset(), 12 + 12 + 10);
  const int32_t at = mmio->Seek(TDSSeek(0, TDSSeek::FromCurrent));
  EXPECT_FALSE(mmio->DescendChunk(*riff, DSFourCC(L"cccc")));
  EXPECT_EQ(mmio->Seek(TDSSeek(0, TDSSeek::FromCurrent)), at) << "the position is kept";
  auto b = mmio->DescendChunk(*riff, DSFourCC(L"bbbb"));
  ASSERT_TRUE(b);
  EXPECT_EQ(b->DataRange().Length, 2);
  EXPECT_EQ(b->DataRange().Base, 12 + 12 + 8);
  char two[2];
  EXPECT_EQ(mmio->Read(TDSArea(two, 2)), 2);
  EXPECT_EQ(std::string(two, 2), "56");
  EXPECT_TRUE(mmio->Ascend(std::move(b)));
}
