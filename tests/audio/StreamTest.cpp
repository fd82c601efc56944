#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AudioTestUtil.h"
#include "audio/UDSArea.h"
#include "audio/UDSEvent.h"
#include "audio/UDSMemory.h"
#include "audio/UDSMemoryStream.h"
#include "audio/UDSStream.h"
#include "audio/UDSWaveStream.h"

using namespace audio_test;

TEST(Area, ContainsOverlapsIntersection) {
  uint8_t buffer[100];
  TDSArea outer(buffer, 100), inner(buffer + 10, 20), tail(buffer + 90, 20);
  EXPECT_TRUE(TDSArea::Contains(outer, inner));
  EXPECT_FALSE(TDSArea::Contains(outer, tail));
  EXPECT_TRUE(TDSArea::Overlaps(outer, tail));
  EXPECT_FALSE(TDSArea::Overlaps(inner, TDSArea(buffer + 30, 5))) << "touching is not overlapping";
  EXPECT_FALSE(TDSArea::Overlaps(outer, TDSArea(buffer, 0)));
  TDSArea cut = TDSArea::Intersection(outer, tail);
  EXPECT_EQ(cut.Data, buffer + 90);
  EXPECT_EQ(cut.Size, 10);
  EXPECT_EQ(TDSArea::Intersection(inner, TDSArea(buffer + 50, 5)).Size, 0);
  EXPECT_THROW(TDSArea::FromTo(buffer + 5, buffer), EDSError);
  TDSArea a(buffer, 10);
  a.Consume(4);
  EXPECT_EQ(a.Data, buffer + 4);
  EXPECT_EQ(a.Size, 6);
  EXPECT_THROW(a.Consume(7), EDSError);
  EXPECT_EQ(DSMin(3, 0xFFFFFFFFu), 3u);
  EXPECT_EQ(DSMax(3, 0xFFFFFFFFu), 0xFFFFFFFFu);
}

TEST(Range, SeeksKeepThePositionInsideAndAdvanceClipsOrGrows) {
  TDSRange r(100, 1000, 0);
  EXPECT_TRUE(r.SeekFromBeginning(100));
  EXPECT_FALSE(r.SeekFromBeginning(101));
  EXPECT_FALSE(r.SeekFromBeginning(-1));
  EXPECT_TRUE(r.SeekFromEnd(-100));
  EXPECT_EQ(r.Position, 0);
  EXPECT_TRUE(r.SeekFromCurrent(50));
  EXPECT_FALSE(r.SeekFromEnd(-101));
  EXPECT_FALSE(r.SeekFromEnd(1));
  EXPECT_FALSE(r.SeekFromCurrent(51));
  EXPECT_FALSE(r.SeekFromCurrent(-51));
  EXPECT_EQ(r.Position, 50) << "failed seeks change nothing";
  EXPECT_EQ(r.Absolute(), 1050);
  EXPECT_TRUE(r.SeekFromBeginning(90));
  EXPECT_EQ(r.AdvanceClipped(20), 10);
  EXPECT_EQ(r.AdvanceClipped(5), 0);
  r.SeekFromBeginning(90);
  r.AdvanceGrowing(20);
  EXPECT_EQ(r.Length, 110);
  EXPECT_EQ(r.Position, 110);
  EXPECT_THROW(TDSRange(10, 0, 11), EDSError);
  EXPECT_THROW(TDSSeek(0, 3), EDSError);
}

TEST(Ring, SplitsAtTheBufferEndAndWraps) {
  uint8_t buffer[10];
  TDSArea all(buffer, 10);
  TDSRing ring(all, TDSArea(buffer + 6, 0));
  TDSArea pieces[2];
  EXPECT_EQ(ring.Split(pieces), 0);
  ring.Grow(4);
  ASSERT_EQ(ring.Split(pieces), 1);
  EXPECT_EQ(pieces[0].Data, buffer + 6);
  ring.Grow(3);
  ASSERT_EQ(ring.Split(pieces), 2);
  EXPECT_EQ(pieces[0].Size, 4);
  EXPECT_EQ(pieces[1].Data, buffer);
  EXPECT_EQ(pieces[1].Size, 3);
  ring.AdvanceStart(4);
  EXPECT_EQ(ring.Live.Data, buffer) << "the start wraps at the buffer end";
  EXPECT_EQ(ring.Live.Size, 3);
  EXPECT_THROW(ring.AdvanceStart(4), EDSError);
  EXPECT_THROW(ring.Grow(8), EDSError);
  ring.Grow(7);
  EXPECT_EQ(ring.Split(pieces), 1) << "a full ring from the buffer start";
  EXPECT_THROW(TDSRing(all, TDSArea(buffer + 10, 1)), EDSError);
}

TEST(Memory, MoveOverlapsAndChunkOwnsItsBlock) {
  char text[] = "abcdefgh";
  HDSMemory::Move(text, text + 2, 5);
  EXPECT_STREQ(text, "ababcdeh");
  HDSMemory::Zero(text, 2);
  EXPECT_EQ(text[1], 0);
  TDSMemChunk empty(0);
  EXPECT_EQ(empty.Data(), nullptr);
  TDSMemChunk chunk(64);
  EXPECT_EQ(chunk.Size(), 64);
  EXPECT_NE(chunk.Data(), nullptr);
}

TEST(Event, WaitForAnyReturnsTheFirstSignalledOrNothing) {
  TDSEvent a, b;
  std::unique_ptr<TDSEvent> manual = TDSEvent::CreateManualReset();
  EXPECT_EQ(TDSEvent::WaitForAny({&a, &b}, 0), nullptr);
  b.SetEvent();
  manual->SetEvent();
  EXPECT_EQ(TDSEvent::WaitForAny({&a, &b, manual.get()}, 0), &b) << "the lowest position wins";
  EXPECT_EQ(TDSEvent::WaitForAny({&a, &b, manual.get()}, 0), manual.get()) << "b was auto-reset";
  EXPECT_EQ(TDSEvent::WaitForAny({manual.get()}, 0), manual.get()) << "manual reset stays set";
  manual->ResetEvent();
  EXPECT_EQ(TDSEvent::WaitForAny({manual.get()}, 0), nullptr);
  std::vector<std::unique_ptr<TDSEvent>> many(65);
  std::vector<TDSEvent*> pointers;
  for (auto& e : many) {
    e = std::make_unique<TDSEvent>();
    pointers.push_back(e.get());
  }
  try {
    TDSEvent::WaitForAny(std::span<TDSEvent* const>(pointers), 0);
    FAIL() << "65 events";
  } catch (const EDSError& e) {
    EXPECT_STREQ(e.what(), "TDSEvent: wait for multiple failed");
  }
  EXPECT_EQ(TDSEvent::WaitForAny(std::span<TDSEvent* const>(pointers.data(), 64), 0), nullptr);
}

// ---------------------------------------------------------------------------

TEST(Stream, DefaultsAndTheByteStreamAdapter) {
  TDSStream plain;
  uint8_t b[4];
  EXPECT_EQ(plain.GetPosition(), -1);
  EXPECT_EQ(plain.GetFormat(), nullptr);
  EXPECT_EQ(plain.Read(TDSArea(b, 4)), -1);
  EXPECT_FALSE(plain.Seek(TDSSeek(0, 0)));
  EXPECT_FALSE(HDSStream::HasFormat(plain));
  try {
    TDSProxyStream proxy(plain);
    TDSWaveStreamFormat f;
    proxy.SetFormat(f);
    FAIL();
  } catch (const EDSError& e) {
    EXPECT_STREQ(e.what(), "TDSStreamCan't set a format in TDSStream");
  }

  TDSMemoryStream memory("0123456789");
  TStream& bytes = memory.AsStream();
  EXPECT_EQ(&bytes, &memory.AsStream()) << "made once";
  EXPECT_EQ(bytes.Seek(-3, TStream::soFromEnd), 7);
  EXPECT_EQ(bytes.Seek(-2, TStream::soFromCurrent), 5);
  EXPECT_EQ(bytes.Seek(1, TStream::soFromBeginning), 1);
  EXPECT_EQ(bytes.Seek(-1, TStream::soFromBeginning), -1);
  char two[2];
  EXPECT_EQ(bytes.Read(two, 2), 2);
  EXPECT_EQ(std::string(two, 2), "12");
  EXPECT_THROW(bytes.Seek(0, 7), EDSError);
}

TEST(Stream, ProxyForwardsEverything) {
  TDSMemoryStream memory;
  memory.SetFormat(TDSWaveStreamFormat(Pcm(1, 8, 8000)));
  TDSProxyStream proxy(memory);
  EXPECT_EQ(proxy.Write(TDSArea("abc", 3)), 3);
  EXPECT_EQ(proxy.GetPosition(), 3);
  EXPECT_TRUE(proxy.Seek(TDSSeek(1, TDSSeek::FromBeginning)));
  char c;
  EXPECT_EQ(proxy.Read(TDSArea(&c, 1)), 1);
  EXPECT_EQ(c, 'b');
  EXPECT_EQ(proxy.GetFormat(), memory.GetFormat());
}

TEST(ChildStream, IsAWindowThatReadsClippedAndGrowsOnWrite) {
  TDSMemoryStream parent(Pattern(300));
  TDSChildStream child(parent, TDSRange(100, 50, 0));
  ASSERT_TRUE(child.Seek(TDSSeek(90, TDSSeek::FromBeginning)));
  char buf[40];
  EXPECT_EQ(child.Read(TDSArea(buf, 40)), 10);
  EXPECT_EQ(std::string(buf, 10), Pattern(300).substr(140, 10));
  EXPECT_EQ(child.Read(TDSArea(buf, 40)), 0);
  EXPECT_EQ(child.Write(TDSArea(buf, 0)), 0);
  child.Seek(TDSSeek(90, TDSSeek::FromBeginning));
  EXPECT_EQ(child.Write(TDSArea("ABCDEFGHIJKLMNOPQRST", 20)), 20);
  EXPECT_EQ(child.Range().Length, 110);
  EXPECT_EQ(parent.Text().substr(140, 20), "ABCDEFGHIJKLMNOPQRST");
  EXPECT_FALSE(child.Seek(TDSSeek(-111, TDSSeek::FromEnd)));
  EXPECT_EQ(child.GetPosition(), 110);
  EXPECT_TRUE(child.Seek(TDSSeek(-110, TDSSeek::FromEnd)));
  EXPECT_EQ(child.GetPosition(), 0);
}

TEST(ChildStream, APositionDoesNotRunAheadOfAShortParent) {
  TDSMemoryStream parent(std::string(60, 'x'));
  TDSChildStream child(parent, TDSRange(100, 50, 0));
  char buf[100];
  EXPECT_EQ(child.Read(TDSArea(buf, 100)), 10);
  EXPECT_EQ(child.GetPosition(), 10);
}

namespace {
// Records the order in which streams are destroyed.
class Witness : public TDSMemoryStream {
public:
  Witness(std::string& log, char name) : log_(log), name_(name) {}
  ~Witness() override { log_ += name_; }

private:
  std::string& log_;
  char name_;
};
}  // namespace

TEST(CombinedStream, ForwardsToTheHeadAndDestroysItFirst) {
  std::string log;
  {
    std::vector<std::unique_ptr<TDSStream>> list;
    list.push_back(std::make_unique<Witness>(log, 'f'));
    list.push_back(std::make_unique<Witness>(log, 'c'));
    auto* head = new Witness(log, 'h');
    list.emplace_back(head);
    TDSCombinedStream combined(std::move(list));
    EXPECT_EQ(combined.Write(TDSArea("xy", 2)), 2);
    EXPECT_EQ(head->Text(), "xy");
    EXPECT_EQ(combined.GetPosition(), 2);
  }
  EXPECT_EQ(log, "hcf");
  EXPECT_THROW(TDSCombinedStream(std::vector<std::unique_ptr<TDSStream>>{}), EDSError);
}
