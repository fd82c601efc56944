#include "audio/UDSArea.h"

namespace {
uint8_t* const kNoAddress = reinterpret_cast<uint8_t*>(~uintptr_t{0});
}

TDSArea TDSArea::FromTo(void* start, void* end) {
  auto* s = static_cast<uint8_t*>(start);
  auto* e = static_cast<uint8_t*>(end);
  DSRequire(e >= s);
  return TDSArea(s, static_cast<int32_t>(e - s));
}

bool TDSArea::Contains(const TDSArea& outer, const TDSArea& inner) {
  return outer.Data != kNoAddress && inner.Data != kNoAddress && inner.Data >= outer.Data &&
         inner.End() <= outer.End();
}

bool TDSArea::Overlaps(const TDSArea& a, const TDSArea& b) {
  return a.NonEmpty() && b.NonEmpty() && b.Data < a.End() && a.Data < b.End();
}

TDSArea TDSArea::Intersection(const TDSArea& a, const TDSArea& b) {
  if (!Overlaps(a, b)) return Empty();
  uint8_t* start = a.Data > b.Data ? a.Data : b.Data;
  uint8_t* end = a.End() < b.End() ? a.End() : b.End();
  return FromTo(start, end);
}

void TDSArea::Consume(int32_t n) {
  DSRequire(n >= 0 && Size >= n);
  Data += n;
  Size -= n;
}

// ---------------------------------------------------------------------------

TDSRange::TDSRange(int32_t length, int32_t base, int32_t position) : Length(length), Base(base), Position(position) {
  Check();
}

bool TDSRange::SeekFromBeginning(int32_t n) {
  Check();
  if (n < 0 || n > Length) return false;
  Position = n;
  return true;
}

bool TDSRange::SeekFromEnd(int32_t n) {
  Check();
  if (n > 0 || -static_cast<int64_t>(n) > Length) return false;
  Position = Length + n;
  return true;
}

bool TDSRange::SeekFromCurrent(int32_t n) {
  Check();
  int64_t p = static_cast<int64_t>(Position) + n;
  if (p < 0 || p > Length) return false;
  Position = static_cast<int32_t>(p);
  return true;
}

int32_t TDSRange::AdvanceClipped(int32_t n) {
  Check();
  DSRequire(n >= 0);
  int32_t left = Length - Position;
  if (n > left) n = left;
  Position += n;
  Check();
  return n;
}

void TDSRange::AdvanceGrowing(int32_t n) {
  Check();
  DSRequire(n >= 0 && static_cast<int64_t>(Position) + n <= INT32_MAX);
  if (Position + n > Length) Length = Position + n;
  Position += n;
  Check();
}

// ---------------------------------------------------------------------------

TDSRing::TDSRing(const TDSArea& buffer, const TDSArea& live) : Buffer(buffer), Live(live) {
  DSRequire(live.Size >= 0 && live.Size <= buffer.Size);
  DSRequire(live.Data >= buffer.Data && (live.Data < buffer.End() || (buffer.Size == 0 && live.Size == 0)));
}

int TDSRing::Split(TDSArea pieces[2]) const {
  if (!Live.NonEmpty()) return 0;
  if (Live.End() <= Buffer.End()) {
    pieces[0] = Live;
    return 1;
  }
  pieces[0] = TDSArea::FromTo(Live.Data, Buffer.End());
  pieces[1] = TDSArea(Buffer.Data, Live.Size - pieces[0].Size);
  return 2;
}

void TDSRing::AdvanceStart(int32_t n) {
  DSRequire(n >= 0 && n <= Live.Size);
  int32_t offset = static_cast<int32_t>(Live.Data - Buffer.Data) + n;
  if (offset >= Buffer.Size) offset -= Buffer.Size;
  Live.Data = Buffer.Data + offset;
  Live.Size -= n;
}

void TDSRing::Grow(int32_t n) {
  DSRequire(n >= 0 && Live.Size + static_cast<int64_t>(n) <= Buffer.Size);
  Live.Size += n;
}
