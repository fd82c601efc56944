#include "audio/UDSWaveFormat.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "audio/UDSACM.h"

void TDSPersistent::AssignTo(TDSPersistent* dest) const {
  throw EDSError(std::string("Cannot assign a ") + ClassName() + " to a " + (dest ? dest->ClassName() : "nil"));
}

void TDSPersistent::Assign(const TDSPersistent* source) {
  if (!source) throw EDSError(std::string("Cannot assign a nil to a ") + ClassName());
  source->AssignTo(this);
}

std::unique_ptr<TDSPersistent> TDSPersistent::Clone() const {
  std::unique_ptr<TDSPersistent> copy = NewInstance();
  copy->Assign(this);
  return copy;
}

// ---------------------------------------------------------------------------

TDSWaveFormat::TDSWaveFormat(int32_t capacity) : data_(std::max(capacity, kHeaderSize)) {}

void TDSWaveFormat::Assign(const TDSPersistent* source) {
  if (!source) {
    defined_ = 0;
    return;
  }
  if (auto* format = dynamic_cast<const TDSWaveFormat*>(source)) {
    if (format == this) return;
    EnsureCapacity(format->Capacity());
    std::memcpy(data_.data(), format->data_.data(), format->data_.size());
    defined_ = format->defined_;
    return;
  }
  TDSPersistent::Assign(source);
}

std::unique_ptr<TDSPersistent> TDSWaveFormat::NewInstance() const { return std::make_unique<TDSWaveFormat>(); }

std::unique_ptr<TDSWaveFormat> TDSWaveFormat::Copy() const {
  auto copy = std::make_unique<TDSWaveFormat>(Capacity());
  copy->Assign(*this);
  return copy;
}

void TDSWaveFormat::EnsureCapacity(int32_t n) {
  if (Capacity() < n) data_.resize(static_cast<size_t>(n));
}

void TDSWaveFormat::EnsureMaxFormatSize() { EnsureCapacity(HDSACM::MaxFormatSize()); }

TDSWaveFormat& TDSWaveFormat::SetFormatTag(uint16_t tag) {
  Raw()->wFormatTag = tag;
  Touch(dfFormatTag);
  return *this;
}

TDSWaveFormat& TDSWaveFormat::SetChannels(uint16_t channels) {
  Raw()->nChannels = channels;
  Touch(dfChannels);
  return *this;
}

TDSWaveFormat& TDSWaveFormat::SetSamplesPerSec(uint32_t rate) {
  Raw()->nSamplesPerSec = rate;
  Touch(dfSamplesPerSec);
  return *this;
}

TDSWaveFormat& TDSWaveFormat::SetBitsPerSample(uint16_t bits) {
  Raw()->wBitsPerSample = bits;
  Touch(dfBitsPerSample);
  return *this;
}

bool TDSWaveFormat::IsComplete() const {
  if (IsPCM() && (defined_ & dfKeys) == dfKeys && defined_ != dfComplete) {
    WAVEFORMATEX* w = Raw();
    w->nBlockAlign = static_cast<WORD>(w->nChannels * (w->wBitsPerSample / 8));
    w->nAvgBytesPerSec = w->nBlockAlign * w->nSamplesPerSec;
    w->cbSize = 0;
    defined_ = dfComplete;
  }
  return defined_ == dfComplete;
}

void TDSWaveFormat::MarkComplete() {
  defined_ = dfFormatTag;
  WAVEFORMATEX* w = Raw();
  if (w->wFormatTag == WAVE_FORMAT_PCM) w->cbSize = 0;
  // Whatever filled the buffer, the extra bytes never run past it.
  w->cbSize = static_cast<WORD>(std::min<int32_t>(w->cbSize, Capacity() - kHeaderSize));
  defined_ = dfComplete;
}

void TDSWaveFormat::CheckComplete() const { DSRequire(IsComplete()); }

uint16_t TDSWaveFormat::FormatTag() const {
  DSRequire(defined_ & dfFormatTag);
  return Raw()->wFormatTag;
}

uint16_t TDSWaveFormat::Channels() const {
  DSRequire(defined_ & dfChannels);
  return Raw()->nChannels;
}

uint32_t TDSWaveFormat::SamplesPerSec() const {
  DSRequire(defined_ & dfSamplesPerSec);
  return Raw()->nSamplesPerSec;
}

uint16_t TDSWaveFormat::BitsPerSample() const {
  DSRequire(defined_ & dfBitsPerSample);
  return Raw()->wBitsPerSample;
}

uint32_t TDSWaveFormat::AvgBytesPerSec() const {
  CheckComplete();
  return Raw()->nAvgBytesPerSec;
}

uint16_t TDSWaveFormat::BlockAlign() const {
  CheckComplete();
  return Raw()->nBlockAlign;
}

uint16_t TDSWaveFormat::ExtraSize() const {
  CheckComplete();
  DSRequire(defined_ & dfExtra);
  return Raw()->cbSize;
}

const WAVEFORMATEX* TDSWaveFormat::Data() const {
  IsComplete();
  return Raw();
}

uint32_t TDSWaveFormat::BytesForMilliseconds(uint32_t ms) const { return ms * AvgBytesPerSec() / 1000; }

int32_t TDSWaveFormat::StorageSize() const {
  if (FormatTag() == WAVE_FORMAT_PCM) return kHeaderSize;
  return kHeaderSize + std::min<int32_t>(Raw()->cbSize, Capacity() - kHeaderSize);
}

bool TDSWaveFormat::Equals(const TDSWaveFormat& other) const {
  if (defined_ != other.defined_) return false;
  const WAVEFORMATEX* a = Raw();
  const WAVEFORMATEX* b = other.Raw();
  auto same = [&](uint8_t bit, bool equal) { return !(defined_ & bit) || equal; };
  if (!same(dfFormatTag, a->wFormatTag == b->wFormatTag)) return false;
  if (!same(dfChannels, a->nChannels == b->nChannels)) return false;
  if (!same(dfSamplesPerSec, a->nSamplesPerSec == b->nSamplesPerSec)) return false;
  if (!same(dfBitsPerSample, a->wBitsPerSample == b->wBitsPerSample)) return false;
  if (!same(dfAvgBytesPerSec, a->nAvgBytesPerSec == b->nAvgBytesPerSec)) return false;
  if (!same(dfBlockAlign, a->nBlockAlign == b->nBlockAlign)) return false;
  if (!(defined_ & dfExtra)) return true;
  if (a->cbSize != b->cbSize) return false;
  if (a->cbSize == 0) return true;
  // Extra bytes beyond either buffer cannot be compared: not equal.
  if (kHeaderSize + a->cbSize > std::min(Capacity(), other.Capacity())) return false;
  return std::memcmp(data_.data() + kHeaderSize, other.data_.data() + kHeaderSize, a->cbSize) == 0;
}

bool TDSWaveFormat::WriteTo(TStream& stream) const {
  CheckComplete();
  int32_t size = StorageSize();
  return stream.Write(data_.data(), size) == size;
}

std::unique_ptr<TDSWaveFormat> TDSWaveFormat::ReadFrom(TStream& stream, int32_t size) {
  // A format record holds at least the 16 bytes without cbSize; cbSize can
  // name at most 65535 extra bytes. Anything else is not a format.
  if (size < kHeaderSize - 2 || size > kHeaderSize + 0xFFFF) return nullptr;
  auto format = std::make_unique<TDSWaveFormat>(size);
  std::fill(format->data_.begin(), format->data_.end(), 0);
  if (stream.Read(format->data_.data(), size) != size) return nullptr;
  const WAVEFORMATEX* w = format->Raw();
  if (w->wFormatTag != WAVE_FORMAT_PCM && size >= kHeaderSize && kHeaderSize + w->cbSize > size) return nullptr;
  format->MarkComplete();
  return format;
}

// ---------------------------------------------------------------------------

void TDSWaveFact::Assign(const TDSPersistent* source) {
  if (!source) {
    SampleLength = 0;
    return;
  }
  if (auto* fact = dynamic_cast<const TDSWaveFact*>(source)) {
    SampleLength = fact->SampleLength;
    return;
  }
  TDSPersistent::Assign(source);
}

std::unique_ptr<TDSPersistent> TDSWaveFact::NewInstance() const { return std::make_unique<TDSWaveFact>(); }

bool TDSWaveFact::WriteTo(TStream& stream) const {
  CheckFact();
  return stream.Write(&SampleLength, 4) == 4;
}

std::unique_ptr<TDSWaveFact> TDSWaveFact::ReadFrom(int32_t size, TStream& stream) {
  if (size < 4) return nullptr;
  uint32_t length = 0;
  if (stream.Read(&length, 4) != 4) return nullptr;
  return std::make_unique<TDSWaveFact>(length);
}

// ---------------------------------------------------------------------------

TDSWaveFormat& TDSWaveFormatList::Items(int32_t index) const {
  DSRequire(index >= 0 && index < Count());
  return *items_[static_cast<size_t>(index)];
}

void TDSWaveFormatList::Add(std::unique_ptr<TDSWaveFormat> format) {
  DSRequire(format != nullptr);
  items_.push_back(std::move(format));
}

void TDSWaveFormatList::Delete(int32_t index) {
  DSRequire(index >= 0 && index < Count());
  items_.erase(items_.begin() + index);
}

void AddFormat(TDSWaveFormatList& list, const TDSWaveFormat& format) {
  format.CheckComplete();
  if (list.Last() && list.Last()->Equals(format)) return;
  list.Add(format.Copy());
}
