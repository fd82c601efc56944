// Wave formats: a WAVEFORMATEX with a record of which of its fields hold a
// value, so that a partly filled format can serve as a template for the audio
// compression manager's suggestions. Also the sample count of a "fact" chunk
// and an owning list of formats.
#pragma once

#include <windows.h>
#include <mmreg.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/UDSObject.h"

// Base of the library's persistent objects: assignment between them and a
// copy of the object's own class.
class TDSPersistent : public TDSObject {
public:
  // Copies this object into `dest`; by default no assignment is known.
  virtual void AssignTo(TDSPersistent* dest) const;
  // Copies `source` into this object; what this class does not know goes to
  // the source's AssignTo.
  virtual void Assign(const TDSPersistent* source);
  // The virtual constructor: an empty object of the same class.
  virtual std::unique_ptr<TDSPersistent> NewInstance() const = 0;
  std::unique_ptr<TDSPersistent> Clone() const;
};

class TDSFormat : public TDSPersistent {};

class TDSWaveFormat : public TDSFormat {
public:
  // Bits of Defined().
  enum : uint8_t {
    dfFormatTag = 1,
    dfChannels = 2,
    dfSamplesPerSec = 4,
    dfBitsPerSample = 8,
    dfAvgBytesPerSec = 16,
    dfBlockAlign = 32,
    dfExtra = 64,
    dfKeys = 15,
    dfComplete = 127,
  };
  static constexpr int32_t kHeaderSize = 18;  // sizeof(WAVEFORMATEX)

  explicit TDSWaveFormat(int32_t capacity = kHeaderSize);
  // Formats are values: copies are independent.
  TDSWaveFormat(const TDSWaveFormat& other) : TDSFormat(), data_(other.data_), defined_(other.defined_) {}
  TDSWaveFormat& operator=(const TDSWaveFormat& other) {
    Assign(other);
    return *this;
  }
  const char* ClassName() const override { return "TDSWaveFormat"; }

  void Assign(const TDSPersistent* source) override;
  using TDSPersistent::Assign;
  void Assign(const TDSWaveFormat& source) { Assign(static_cast<const TDSPersistent*>(&source)); }
  std::unique_ptr<TDSPersistent> NewInstance() const override;
  std::unique_ptr<TDSWaveFormat> Copy() const;

  int32_t Capacity() const { return static_cast<int32_t>(data_.size()); }
  uint8_t Defined() const { return defined_; }
  void EnsureCapacity(int32_t n);
  // Room for the largest format any installed codec produces.
  void EnsureMaxFormatSize();

  // Each setter makes the derived fields undefined again.
  TDSWaveFormat& SetFormatTag(uint16_t tag);
  TDSWaveFormat& SetChannels(uint16_t channels);
  TDSWaveFormat& SetSamplesPerSec(uint32_t rate);
  TDSWaveFormat& SetBitsPerSample(uint16_t bits);

  // Derives the remaining fields of a PCM format whose key fields are set.
  bool IsComplete() const;
  // For a buffer filled by the codec manager or a file.
  void MarkComplete();
  void CheckComplete() const;

  uint16_t FormatTag() const;
  uint16_t Channels() const;
  uint32_t SamplesPerSec() const;
  uint16_t BitsPerSample() const;
  uint32_t AvgBytesPerSec() const;
  uint16_t BlockAlign() const;
  uint16_t ExtraSize() const;
  bool HasTag() const { return (defined_ & dfFormatTag) != 0; }
  bool IsEmpty() const { return defined_ == 0; }
  bool IsPCM() const { return HasTag() && Raw()->wFormatTag == WAVE_FORMAT_PCM; }

  // The format for the platform, after IsComplete() has run.
  const WAVEFORMATEX* Data() const;
  // The buffer as it is, for the platform to fill; follow with MarkComplete().
  WAVEFORMATEX* RawData() { return Raw(); }

  uint32_t BytesForMilliseconds(uint32_t ms) const;
  // Bytes of a file's format record: PCM keeps its cbSize field (18 bytes).
  int32_t StorageSize() const;
  bool Equals(const TDSWaveFormat& other) const;

  bool WriteTo(TStream& stream) const;
  // A complete format of `size` bytes, or nothing when fewer arrived or they
  // do not make a usable format.
  static std::unique_ptr<TDSWaveFormat> ReadFrom(TStream& stream, int32_t size);

private:
  WAVEFORMATEX* Raw() const { return reinterpret_cast<WAVEFORMATEX*>(data_.data()); }
  void Touch(uint8_t bit) { defined_ = static_cast<uint8_t>((defined_ | bit) & dfKeys); }

  mutable std::vector<uint8_t> data_;
  // IsComplete() fills in the derived fields of PCM formats on demand.
  mutable uint8_t defined_ = 0;
};

// The sample length of a RIFF WAVE "fact" chunk; 0 means there is none.
class TDSWaveFact : public TDSPersistent {
public:
  explicit TDSWaveFact(uint32_t length = 0) : SampleLength(length) {}
  const char* ClassName() const override { return "TDSWaveFact"; }
  void Assign(const TDSPersistent* source) override;
  std::unique_ptr<TDSPersistent> NewInstance() const override;

  bool HasFact() const { return SampleLength != 0; }
  void CheckFact() const { DSRequire(HasFact()); }
  bool WriteTo(TStream& stream) const;
  static std::unique_ptr<TDSWaveFact> ReadFrom(int32_t size, TStream& stream);

  uint32_t SampleLength;
};

// A list that owns its formats.
class TDSWaveFormatList {
public:
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  TDSWaveFormat& Items(int32_t index) const;
  TDSWaveFormat& operator[](int32_t index) const { return Items(index); }
  TDSWaveFormat* Last() const { return items_.empty() ? nullptr : items_.back().get(); }
  void Add(std::unique_ptr<TDSWaveFormat> format);
  void Delete(int32_t index);

private:
  std::vector<std::unique_ptr<TDSWaveFormat>> items_;
};

// Appends a copy of a complete format unless the list already ends with it.
void AddFormat(TDSWaveFormatList& list, const TDSWaveFormat& format);
