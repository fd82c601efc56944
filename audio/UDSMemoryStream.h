// A stream over a growable block of memory that it owns, with an optional
// format: a stage for tests and for building files in memory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/UDSStream.h"

class TDSMemoryStream : public TDSStream {
public:
  TDSMemoryStream() = default;
  explicit TDSMemoryStream(std::string bytes);
  ~TDSMemoryStream() override;
  const char* ClassName() const override { return "TDSMemoryStream"; }

  int32_t GetPosition() override { return position_; }
  // Nothing until a format is set.
  const TDSWaveStreamFormat* GetFormat() override { return format_.get(); }
  void SetFormat(const TDSWaveStreamFormat& format) override;
  int32_t Read(TDSArea area) override;
  int32_t Write(TDSArea area) override;
  bool Seek(TDSSeek seek) override;

  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  std::string Text() const { return std::string(bytes_.begin(), bytes_.end()); }

private:
  std::vector<uint8_t> bytes_;
  int32_t position_ = 0;
  std::unique_ptr<TDSWaveStreamFormat> format_;
};
