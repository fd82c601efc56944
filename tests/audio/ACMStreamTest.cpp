#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "AudioTestUtil.h"
#include "audio/UDSACMFormat.h"
#include "audio/UDSACMStream.h"
#include "audio/UDSMemoryStream.h"

using namespace audio_test;

namespace {

TDSWaveFormat Complete(TDSWaveFormat f) {
  f.CheckComplete();
  return f;
}

std::unique_ptr<TDSWaveFormat> Ima(uint16_t channels = 1, uint32_t rate = 11025) {
  return HDSACMFormat::Suggest(Complete(Pcm(channels, 16, rate)), Tag(WAVE_FORMAT_IMA_ADPCM));
}

// A memory stream that reports a format, as the stage below a converter.
std::unique_ptr<TDSMemoryStream> Stage(const TDSWaveFormat& format, std::string bytes = {}) {
  auto s = std::make_unique<TDSMemoryStream>(std::move(bytes));
  s->SetFormat(TDSWaveStreamFormat(format));
  return s;
}

std::string ReadAll(TDSStream& s, int32_t piece = 1000) {
  std::string out, buf(static_cast<size_t>(piece), '\0');
  for (int32_t n; (n = s.Read(TDSArea(buf.data(), piece))) > 0;) out.append(buf.data(), static_cast<size_t>(n));
  return out;
}

// A 16-bit tone of two sines, smooth enough for ADPCM to follow.
std::string Tone16(size_t samples) {
  std::string s(samples * 2, '\0');
  for (size_t i = 0; i < samples; ++i) {
    auto v = static_cast<int16_t>(9000 * std::sin(i * 0.25) + 3000 * std::sin(i * 0.031));
    s[2 * i] = char(v & 0xFF);
    s[2 * i + 1] = char(v >> 8);
  }
  return s;
}

}  // namespace

TEST(ACMStreamHeader, PreconditionsAndPreparation) {
  TDSACMStreamHeader header;
  // 84 bytes in the 32-bit layout; the codec manager refuses any other size.
  EXPECT_EQ(header.Header.cbStruct, sizeof(void*) == 4 ? 84u : sizeof(ACMSTREAMHEADER));
  EXPECT_FALSE(header.IsPrepared());
  uint8_t src[4096], dst[4096];
  EXPECT_THROW(header.SetSource(TDSArea(src, 0)), EDSError);
  EXPECT_THROW(header.SourceUsed(), EDSError);
  header.SetSource(TDSArea(src, 4096));
  header.SetDestination(TDSArea(dst, 4096));

  auto acm = TDSACMStream::Open(Complete(Pcm(1, 8, 11025)), Complete(Pcm(1, 16, 11025)), true);
  ASSERT_TRUE(acm);
  ASSERT_TRUE(acm->Prepare(header));
  EXPECT_FALSE(acm->Prepare(header)) << "already prepared";
  EXPECT_THROW(header.SetSource(TDSArea(src, 10)), EDSError);
  EXPECT_THROW(header.SetSourceLength(4097), EDSError);
  header.SetSourceLength(0);
  EXPECT_THROW(acm->Convert(header), EDSError) << "nothing to convert";
  header.SetSourceLength(100);
  for (int i = 0; i < 100; ++i) src[i] = uint8_t(i + 100);
  ASSERT_TRUE(acm->Convert(header));
  EXPECT_EQ(header.SourceUsed(), 100);
  ASSERT_EQ(header.DestinationUsed(), 200);
  EXPECT_EQ(reinterpret_cast<int16_t*>(dst)[5], (105 - 128) * 256);
  EXPECT_TRUE(acm->Unprepare(header));
  EXPECT_EQ(header.Header.cbSrcLength, 4096u) << "lengths restored for ACM";
  EXPECT_FALSE(acm->Unprepare(header));
  EXPECT_EQ(acm->DestinationSizeFor(1000), 2000);
  EXPECT_EQ(acm->SourceSizeFor(2000), 1000);

  // A header destroyed while still prepared is unprepared, not left to ACM.
  auto leftover = std::make_unique<TDSACMStreamHeader>();
  leftover->SetSource(TDSArea(src, 4096));
  leftover->SetDestination(TDSArea(dst, 4096));
  ASSERT_TRUE(acm->Prepare(*leftover));
  leftover.reset();
}

TEST(ACMStreamBuffer, SourceKeepsDataAtTheStartDestinationDropsFromTheFront) {
  TDSACMStreamSourceBuffer source(100);
  EXPECT_EQ(source.FreeArea().Size, 100);
  HDSMemory::Copy("abcdefgh", source.FreeArea().Data, 8);
  source.Appended(8);
  EXPECT_EQ(source.FreeArea().Size, 92);
  source.Consumed(3);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(source.Data().Data), 5), "defgh");
  EXPECT_EQ(source.Data().Data, source.Chunk().Data());
  EXPECT_THROW(source.Consumed(6), EDSError);
  EXPECT_THROW(source.Appended(0), EDSError);
  EXPECT_THROW(source.Appended(96), EDSError);
  uint8_t outside[4];
  EXPECT_THROW(source.SetData(TDSArea(outside, 4)), EDSError);

  TDSACMStreamDestinationBuffer destination(100);
  destination.Appended(10);
  destination.Appended(20);
  EXPECT_EQ(destination.Data().Size, 10) << "appending to data does nothing";
  destination.Consumed(4);
  EXPECT_EQ(destination.Data().Data, destination.Chunk().Data() + 4);
  destination.Consumed(7);
  EXPECT_EQ(destination.Data().Size, 6) << "more than the data does nothing";
  destination.Consumed(6);
  EXPECT_FALSE(destination.HasData());
  EXPECT_EQ(destination.FreeArea().Size, 100);
}

TEST(ACMStream, BufferSizes) {
  // Expanding PCM: 8192 source bytes would make 16384; the destination
  // stays at 8192 and the source follows.
  auto widen = TDSACMStream::Open(Complete(Pcm(1, 8, 11025)), Complete(Pcm(1, 16, 11025)), true);
  ASSERT_TRUE(widen);
  EXPECT_EQ(widen->BufferSizes(Complete(Pcm(1, 8, 11025)), Complete(Pcm(1, 16, 11025))),
            std::make_pair(4096, 8192));
  // IMA ADPCM: 8192 source bytes make more than 2048.
  auto ima = Ima();
  auto encode = TDSACMStream::Open(Complete(Pcm(1, 16, 11025)), *ima, true);
  ASSERT_TRUE(encode);
  auto sizes = encode->BufferSizes(Complete(Pcm(1, 16, 11025)), *ima);
  EXPECT_EQ(sizes.first, 8192);
  EXPECT_EQ(sizes.second, encode->DestinationSizeFor(8192));
  EXPECT_GE(sizes.second, 2048);
  EXPECT_FALSE(TDSACMStream::Open(Complete(Pcm(1, 8, 11025)), *ima, true)) << "Wine encodes 16-bit only";
}

TEST(ACMConversionStream, ReaderConvertsAllOfItsInnerStream) {
  std::string bytes;
  for (int i = 0; i < 10001; ++i) bytes += char(i * 7);
  auto inner = Stage(Complete(Pcm(1, 8, 11025)), bytes);
  auto reader = TDSACMConversionStream::CreateReader(*inner, Tag(1, 1, 11025, 16), true);
  ASSERT_TRUE(reader);
  EXPECT_TRUE(reader->GetFormat()->Format.Equals(Complete(Pcm(1, 16, 11025))));
  EXPECT_EQ(reader->GetPosition(), -1);
  EXPECT_FALSE(reader->Seek(TDSSeek(0, 0)));
  const std::string out = ReadAll(*reader, 333);
  ASSERT_EQ(out.size(), 20002u);
  std::vector<int16_t> s = Samples16(out);
  for (size_t i = 0; i < s.size(); ++i)
    ASSERT_EQ(s[i], (uint8_t(bytes[i]) - 128) * 256) << i;
  char c;
  EXPECT_EQ(reader->Read(TDSArea(&c, 1)), 0) << "the end stays the end";
  EXPECT_THROW(reader->Write(TDSArea(&c, 1)), EDSError);
}

TEST(ACMConversionStream, WriterHoldsDataUntilItsBufferIsFullOrItIsDestroyed) {
  auto ima = Ima();
  ASSERT_TRUE(ima);
  auto inner = Stage(*ima);
  const std::string tone = Tone16(2000);  // less than one source buffer
  {
    auto writer = TDSACMConversionStream::CreateWriter(Complete(Pcm(1, 16, 11025)), *inner, true);
    ASSERT_TRUE(writer);
    char c;
    EXPECT_THROW(writer->Read(TDSArea(&c, 1)), EDSError);
    EXPECT_EQ(writer->Write(TDSArea(tone.data(), static_cast<int32_t>(tone.size()))), 4000);
    EXPECT_TRUE(inner->Bytes().empty());
  }
  // 2000 samples: three whole blocks of 505 and a partial one, which is
  // completed with silence rather than dropped.
  const int32_t block = ima->BlockAlign();
  EXPECT_EQ(inner->Bytes().size(), 4u * block);
}

TEST(ACMConversionStream, WriterAndReaderRoundTripToWithinOneBlock) {
  auto ima = Ima();
  auto file = Stage(*ima);
  const size_t samples = 30001;
  const std::string tone = Tone16(samples);
  {
    auto writer = TDSACMConversionStream::CreateWriter(Complete(Pcm(1, 16, 11025)), *file, true);
    ASSERT_TRUE(writer);
    for (size_t at = 0; at < tone.size();) {
      int32_t n = std::min<int32_t>(1234, static_cast<int32_t>(tone.size() - at));
      ASSERT_EQ(writer->Write(TDSArea(tone.data() + at, n)), n);
      at += static_cast<size_t>(n);
    }
  }
  file->Seek(TDSSeek(0, TDSSeek::FromBeginning));
  auto reader = TDSACMConversionStream::CreateReader(*file, Complete(Pcm(1, 16, 11025)), true);
  ASSERT_TRUE(reader);
  std::vector<int16_t> decoded = Samples16(ReadAll(*reader));
  const size_t perBlock = 505;
  EXPECT_GE(decoded.size(), samples) << "the trailing partial block is kept";
  EXPECT_LT(decoded.size(), samples + perBlock);
  std::vector<int16_t> input = Samples16(tone);
  EXPECT_LT(RmsDifference(input, decoded), Rms(input) / 4);
  std::vector<int16_t> tail(input.end() - 300, input.end()), decodedTail(decoded.begin() + (samples - 300),
                                                                          decoded.begin() + samples);
  EXPECT_LT(RmsDifference(tail, decodedTail), Rms(tail) / 4) << "the last samples arrive";
}

TEST(ACMConversionStream, WriterDrainsAResamplerAtTheEnd) {
  auto inner = Stage(Complete(Pcm(1, 16, 22050)));
  {
    auto writer = TDSACMConversionStream::CreateWriter(Complete(Pcm(1, 8, 11025)), *inner, true);
    ASSERT_TRUE(writer);
    std::string bytes(9999, '\x90');
    EXPECT_EQ(writer->Write(TDSArea(bytes.data(), 9999)), 9999);
  }
  EXPECT_EQ(inner->Bytes().size(), 9999u * 4);
}

TEST(ACMConversionStream, WriterFailsOnceItsInnerStreamRefuses) {
  auto ima = Ima();
  TDSStream refusing;  // -1 for every write, and no format
  EXPECT_FALSE(TDSACMConversionStream::CreateWriter(Complete(Pcm(1, 16, 11025)), refusing, true));

  class Refusing : public TDSMemoryStream {
  public:
    int32_t Write(TDSArea) override { return -1; }
  } inner;
  inner.SetFormat(TDSWaveStreamFormat(*ima));
  auto writer = TDSACMConversionStream::CreateWriter(Complete(Pcm(1, 16, 11025)), inner, true);
  ASSERT_TRUE(writer);
  const std::string tone = Tone16(20000);
  EXPECT_EQ(writer->Write(TDSArea(tone.data(), 40000)), -1);
  EXPECT_EQ(writer->Write(TDSArea(tone.data(), 2)), -1);
  writer.reset();  // no flush into the refusing stream, no exception
}
