// Memory copies and an owned block of memory.
#pragma once

#include <cstdint>

#include "audio/UDSArea.h"

class HDSMemory {
public:
  static void Copy(const void* source, void* destination, int32_t count);
  // Copes with overlapping source and destination.
  static void Move(const void* source, void* destination, int32_t count);
  static void Zero(void* destination, int32_t count);
};

// One block from the general allocator, held as an area.
class TDSMemChunk {
public:
  // Takes over a block that came from `new uint8_t[]`.
  explicit TDSMemChunk(const TDSArea& area) : area_(area) {}
  explicit TDSMemChunk(int32_t size);
  ~TDSMemChunk();
  TDSMemChunk(const TDSMemChunk&) = delete;
  TDSMemChunk& operator=(const TDSMemChunk&) = delete;

  const TDSArea& Area() const { return area_; }
  int32_t Size() const { return area_.Size; }
  uint8_t* Data() const { return area_.Data; }

private:
  TDSArea area_;
};
