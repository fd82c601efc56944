#include "audio/UDSMemoryStream.h"

#include <algorithm>
#include <cstring>

#include "audio/UDSWaveStream.h"

TDSMemoryStream::TDSMemoryStream(std::string bytes) : bytes_(bytes.begin(), bytes.end()) {}

TDSMemoryStream::~TDSMemoryStream() = default;

void TDSMemoryStream::SetFormat(const TDSWaveStreamFormat& format) {
  auto copy = std::make_unique<TDSWaveStreamFormat>();
  copy->Assign(&format);
  format_ = std::move(copy);
}

int32_t TDSMemoryStream::Read(TDSArea area) {
  if (area.Size < 0) return -1;
  int64_t left = static_cast<int64_t>(bytes_.size()) - position_;
  int32_t n = left <= 0 ? 0 : static_cast<int32_t>(std::min<int64_t>(left, area.Size));
  if (n > 0) std::memcpy(area.Data, bytes_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int32_t TDSMemoryStream::Write(TDSArea area) {
  if (area.Size < 0 || static_cast<int64_t>(position_) + area.Size > INT32_MAX) return -1;
  size_t end = static_cast<size_t>(position_) + static_cast<size_t>(area.Size);
  if (end > bytes_.size()) bytes_.resize(end);
  if (area.Size > 0) std::memcpy(bytes_.data() + position_, area.Data, static_cast<size_t>(area.Size));
  position_ += area.Size;
  return area.Size;
}

bool TDSMemoryStream::Seek(TDSSeek seek) {
  int64_t base = seek.Origin == TDSSeek::FromBeginning ? 0
                 : seek.Origin == TDSSeek::FromEnd     ? static_cast<int64_t>(bytes_.size())
                                                       : position_;
  int64_t p = base + seek.Offset;
  // Past the end is allowed, as with files: a write there fills the gap.
  if (p < 0 || p > INT32_MAX) return false;
  position_ = static_cast<int32_t>(p);
  return true;
}
