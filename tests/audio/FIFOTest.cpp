#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "AudioTestUtil.h"
#include "audio/UDSFIFO.h"
#include "audio/UDSMemoryStream.h"
#include "audio/UDSThreadStream.h"
#include "audio/UDSWaveStream.h"

using namespace audio_test;

namespace {

// A target that takes at most `piece` bytes a call and, after `limit` bytes,
// nothing at all (-1). It can be made to hold every call until released.
class StingyTarget : public TDSMemoryStream {
public:
  explicit StingyTarget(int32_t piece, int64_t limit = INT64_MAX) : piece_(piece), limit_(limit) {}
  int32_t Write(TDSArea area) override {
    while (hold_) std::this_thread::yield();
    if (taken_ >= limit_) return -1;
    int32_t n = std::min<int64_t>({area.Size, piece_, limit_ - taken_});
    taken_ += n;
    ++calls_;
    return TDSMemoryStream::Write(TDSArea(area.Data, n));
  }
  std::atomic<bool> hold_{false};
  std::atomic<int> calls_{0};

private:
  int32_t piece_;
  int64_t limit_;
  int64_t taken_ = 0;
};

// A source that hands out at most `piece` bytes a call.
class TrickleSource : public TDSMemoryStream {
public:
  TrickleSource(std::string bytes, int32_t piece) : TDSMemoryStream(std::move(bytes)), piece_(piece) {}
  int32_t Read(TDSArea area) override { return TDSMemoryStream::Read(TDSArea(area.Data, std::min(area.Size, piece_))); }

private:
  int32_t piece_;
};

}  // namespace

TEST(FIFO, HasAtLeast1024BytesAndNamesItselfInConsumedZero) {
  TDSFIFO small(100);
  EXPECT_EQ(small.Capacity(), 1024);
  EXPECT_EQ(TDSFIFO(5000).Capacity(), 5000);
  try {
    small.Consumed(0);
    FAIL();
  } catch (const EDSError& e) {
    EXPECT_STREQ(e.what(), "TDSFIFO.Consumed(0)");
  }
  EXPECT_THROW(small.Consumed(1), EDSError) << "more than the data";
  EXPECT_THROW(small.Produced(1025), EDSError) << "more than the free space";
}

TEST(FIFO, RemainingDataComesBeforeTheEnd) {
  TDSFIFO fifo(1024);
  EXPECT_EQ(fifo.FillFromMemory(TDSArea("abcdef", 6)), 6);
  EXPECT_EQ(fifo.FillFromMemory(TDSArea("x", 0)), 0) << "an empty area is not the end";
  fifo.Produced(0);
  EXPECT_FALSE(fifo.WaitWritable());
  EXPECT_EQ(fifo.FillFromMemory(TDSArea("gh", 2)), 0) << "no data after the end";
  char buf[4];
  EXPECT_EQ(fifo.DrainToMemory(TDSArea(buf, 4)), 4);
  EXPECT_EQ(fifo.DrainToMemory(TDSArea(buf, 4)), 2);
  EXPECT_EQ(std::string(buf, 2), "ef");
  EXPECT_FALSE(fifo.WaitReadable());
  EXPECT_EQ(fifo.DrainToMemory(TDSArea(buf, 4)), 0);
}

TEST(FIFO, TwoThreadsWithOddSizesKeepEveryByteInOrder) {
  const std::string data = Pattern(600000, 7);
  TDSFIFO fifo(1024);
  std::thread producer([&] {
    static const int32_t sizes[] = {1, 7, 333, 1023, 1024, 1500, 5, 999};
    size_t at = 0;
    for (int i = 0; at < data.size(); ++i) {
      int32_t n = std::min<int32_t>(sizes[i % 8], static_cast<int32_t>(data.size() - at));
      int32_t put = fifo.FillFromMemory(TDSArea(data.data() + at, n));
      ASSERT_GT(put, 0);
      at += static_cast<size_t>(put);
    }
    fifo.Produced(0);
  });
  std::string received;
  static const int32_t takes[] = {3, 511, 1021, 2, 4096, 17};
  char buf[4096];
  for (int i = 0;; ++i) {
    int32_t n = fifo.DrainToMemory(TDSArea(buf, takes[i % 6]));
    if (n == 0) break;
    received.append(buf, static_cast<size_t>(n));
  }
  producer.join();
  ASSERT_EQ(received.size(), data.size());
  EXPECT_TRUE(received == data);
}

TEST(ThreadStream, WriteBehindTakesMoreThanItsFIFOAndDeliversAllOnDestruction) {
  const std::string data = Pattern(1500);
  StingyTarget target(1 << 30);
  {
    auto stream = TDSThreadStream::CreateWriteBehind(target, 1024);
    EXPECT_EQ(stream->FIFO().Capacity(), 1024);
    EXPECT_EQ(stream->Write(TDSArea(data.data(), 1500)), 1500);
    char none[1];
    EXPECT_EQ(stream->Read(TDSArea(none, 1)), -1) << "one consumer only";
    EXPECT_EQ(stream->GetPosition(), -1);
    EXPECT_FALSE(stream->Seek(TDSSeek(0, 0)));
  }
  EXPECT_TRUE(target.Text() == data);
}

TEST(ThreadStream, WriteBehindWaitsForASlowTargetAndToleratesShortWrites) {
  const std::string data = Pattern(100000, 3);
  StingyTarget target(9);  // fewer bytes per call than a FIFO piece
  target.hold_ = true;
  {
    auto stream = TDSThreadStream::CreateWriteBehind(target, 4096);
    EXPECT_EQ(stream->Write(TDSArea(data.data(), 1000)), 1000);
    target.hold_ = false;
    size_t at = 1000;
    for (int32_t n : {1, 4095, 4096, 4097, 7777}) {
      ASSERT_EQ(stream->Write(TDSArea(data.data() + at, n)), n);
      at += static_cast<size_t>(n);
    }
    ASSERT_EQ(stream->Write(TDSArea(data.data() + at, static_cast<int32_t>(data.size() - at))),
              static_cast<int32_t>(data.size() - at));
  }
  EXPECT_EQ(target.Bytes().size(), data.size());
  EXPECT_TRUE(target.Text() == data);
}

TEST(ThreadStream, AWriterReturnsShortWhenTheTargetRefuses) {
  const std::string data = Pattern(200000);
  StingyTarget target(1 << 30, 5000);
  auto stream = TDSThreadStream::CreateWriteBehind(target, 1024);
  int64_t taken = 0;
  for (int i = 0; i < 200; ++i) {
    int32_t n = stream->Write(TDSArea(data.data() + i * 1000, 1000));
    taken += n;
    if (n < 1000) break;
  }
  EXPECT_LT(taken, 200000) << "the writer learned of the refusal";
  EXPECT_LE(taken, 5000 + 1024 + 1000);
  EXPECT_EQ(stream->Write(TDSArea(data.data(), 10)), 0) << "and takes nothing more";
  stream.reset();
  EXPECT_TRUE(target.Text() == data.substr(0, 5000));
}

TEST(ThreadStream, ReadAheadReturnsTheSourceThenZero) {
  TDSMemoryStream source("0123456789");
  source.SetFormat(TDSWaveStreamFormat(Pcm(1, 8, 8000)));
  auto stream = TDSThreadStream::CreateReadAhead(source, 100);
  EXPECT_EQ(stream->GetFormat(), source.GetFormat());
  char buf[64];
  EXPECT_EQ(stream->Read(TDSArea(buf, 64)), 10);
  EXPECT_EQ(std::string(buf, 10), "0123456789");
  EXPECT_EQ(stream->Read(TDSArea(buf, 64)), 0);
  EXPECT_EQ(stream->Write(TDSArea(buf, 1)), -1);
}

TEST(ThreadStream, ReadAheadOverATrickleWrapsWithoutGaps) {
  const std::string data = Pattern(50000, 11);
  TrickleSource source(data, 7);  // short reads, so the second free piece must wait
  auto stream = TDSThreadStream::CreateReadAhead(source, 1024);
  std::string received;
  char buf[777];
  for (;;) {
    int32_t n = stream->Read(TDSArea(buf, sizeof buf));
    ASSERT_GE(n, 0);
    if (n == 0) break;
    received.append(buf, static_cast<size_t>(n));
  }
  EXPECT_EQ(received.size(), data.size());
  EXPECT_TRUE(received == data);
}

TEST(ThreadStream, DestroyingAReadAheadStreamStopsItsThread) {
  TDSMemoryStream source(Pattern(1 << 20));
  auto stream = TDSThreadStream::CreateReadAhead(source, 1024);
  char buf[10];
  EXPECT_EQ(stream->Read(TDSArea(buf, 10)), 10);
  TDSStreamCopyThread& thread = stream->Thread();
  EXPECT_FALSE(thread.Ended()) << "waiting for room in the full FIFO";
  stream.reset();  // returns: the fill thread ended at its wait
  EXPECT_LT(source.GetPosition(), 1 << 20);
}
