// Value records for memory areas, windows over a byte range, seek requests
// and a ring over a buffer. Copied by value; they own nothing.
#pragma once

#include <cstdint>

#include "audio/UDSObject.h"

struct TDSArea {
  int32_t Size = 0;
  uint8_t* Data = nullptr;

  TDSArea() = default;
  TDSArea(void* data, int32_t size) : Size(size), Data(static_cast<uint8_t*>(data)) {}
  // For areas that are only read (the source of a write).
  TDSArea(const void* data, int32_t size) : TDSArea(const_cast<void*>(data), size) {}

  static TDSArea Empty() { return {}; }
  static TDSArea FromTo(void* start, void* end);

  uint8_t* End() const { return Data + Size; }
  bool NonEmpty() const { return Size > 0; }

  static bool Contains(const TDSArea& outer, const TDSArea& inner);
  static bool Overlaps(const TDSArea& a, const TDSArea& b);
  static TDSArea Intersection(const TDSArea& a, const TDSArea& b);
  // Moves the start on by n bytes.
  void Consume(int32_t n);
};

inline uint32_t DSMin(uint32_t a, uint32_t b) { return a < b ? a : b; }
inline uint32_t DSMax(uint32_t a, uint32_t b) { return a > b ? a : b; }

// A window of Length bytes at Base with a Position inside it.
struct TDSRange {
  int32_t Length = 0;
  int32_t Base = 0;
  int32_t Position = 0;

  TDSRange() = default;
  TDSRange(int32_t length, int32_t base, int32_t position = 0);

  int32_t Absolute() const { return Base + Position; }
  bool SeekFromBeginning(int32_t n);
  bool SeekFromEnd(int32_t n);
  bool SeekFromCurrent(int32_t n);
  // Advances by at most what is left; returns the bytes advanced.
  int32_t AdvanceClipped(int32_t n);
  // Advances, lengthening the window when the position passes its end.
  void AdvanceGrowing(int32_t n);

private:
  void Check() const { DSRequire(Length >= Position && Position >= 0); }
};

struct TDSSeek {
  enum : uint8_t { FromBeginning = 0, FromEnd = 1, FromCurrent = 2 };
  int32_t Offset = 0;
  uint8_t Origin = FromBeginning;

  TDSSeek() = default;
  TDSSeek(int32_t offset, uint8_t origin) : Offset(offset), Origin(origin) { DSRequire(origin <= FromCurrent); }
};

// Live is the used part of Buffer; it may run past Buffer's end and continue
// at its start.
struct TDSRing {
  TDSArea Buffer;
  TDSArea Live;

  TDSRing() = default;
  TDSRing(const TDSArea& buffer, const TDSArea& live);

  // Live as at most two pieces in order; returns how many (0, 1 or 2).
  int Split(TDSArea pieces[2]) const;
  void AdvanceStart(int32_t n);
  void Grow(int32_t n);
};
