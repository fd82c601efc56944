#include "audio/UDSMemory.h"

#include <cstring>

void HDSMemory::Copy(const void* source, void* destination, int32_t count) {
  DSRequire(count >= 0);
  if (count > 0) std::memcpy(destination, source, static_cast<size_t>(count));
}

void HDSMemory::Move(const void* source, void* destination, int32_t count) {
  DSRequire(count >= 0);
  if (count > 0) std::memmove(destination, source, static_cast<size_t>(count));
}

void HDSMemory::Zero(void* destination, int32_t count) {
  DSRequire(count >= 0);
  if (count > 0) std::memset(destination, 0, static_cast<size_t>(count));
}

TDSMemChunk::TDSMemChunk(int32_t size) {
  DSRequire(size >= 0);
  if (size > 0) area_ = TDSArea(new uint8_t[static_cast<size_t>(size)], size);
}

TDSMemChunk::~TDSMemChunk() {
  if (area_.Size != 0 && area_.Data != nullptr) delete[] area_.Data;
}
