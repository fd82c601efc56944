// Builders of stream chains for one wave file: for reading the file, then
// converters, then optionally a read-ahead buffer; for writing optionally a
// write-behind buffer, then converters, then the file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/UDSStream.h"
#include "audio/UDSWaveFormat.h"
#include "audio/UDSWaveStream.h"

// The configuration that the wave components keep.
class TDSWaveStreamFactory : public TDSObject {
public:
  TDSWaveStreamFactory() { Reset(); }
  const char* ClassName() const override { return "TDSWaveStreamFactory"; }

  void Reset();
  void SetFormat(const TDSWaveFormat& format) { Format.Assign(format); }

  // The chain's head, owned by the caller (destroying it closes the file),
  // or nothing.
  std::unique_ptr<TDSStream> OpenReadChain(const std::wstring& fileName);
  // `sourceFormat` (complete) is the format of the data the caller writes.
  std::unique_ptr<TDSStream> CreateWriteChain(const std::wstring& fileName, const TDSWaveFormat& sourceFormat);
  // The same on a stream that the chain does not own.
  std::unique_ptr<TDSStream> OpenReadChain(TDSStream& stream);
  std::unique_ptr<TDSStream> CreateWriteChain(TDSStream& stream, const TDSWaveFormat& sourceFormat);

  // What the caller wants to see in the file (writing) or to receive
  // (reading); empty for no conversion.
  TDSWaveFormat Format;
  bool RealTime = false;
  // A thread stream at the head, with a FIFO of this much playing time.
  bool Threaded = false;
  int32_t BufferMilliseconds = 3000;
};

// A one-shot chain builder on a file name or an outside stream.
class TDSStreamFactory : public TDSObject {
public:
  explicit TDSStreamFactory(const std::wstring& fileName) : fileName_(fileName) {}
  explicit TDSStreamFactory(TDSStream& outside) : outside_(&outside) {}
  // Frees the list, never the streams: they belong to the result.
  ~TDSStreamFactory() override = default;
  const char* ClassName() const override { return "TDSStreamFactory"; }

  virtual std::unique_ptr<TDSStream> CreateThreadStream(TDSStream& stream, int32_t bytes) = 0;

  void Push(std::unique_ptr<TDSStream> stream);
  void DestroyAll();
  void AddThreadStream(int32_t milliseconds);
  std::unique_ptr<TDSStream> Result();
  std::unique_ptr<TDSStream> OpenSource();
  std::unique_ptr<TDSStream> CreateTarget(const TDSWaveStreamFormat& format);

  TDSStream* Head() const { return streams_.empty() ? nullptr : streams_.back().get(); }
  const TDSWaveFormat& HeadFormat() const { return headFormat_; }
  int32_t Count() const { return static_cast<int32_t>(streams_.size()); }

protected:
  std::wstring fileName_;
  TDSStream* outside_ = nullptr;
  std::vector<std::unique_ptr<TDSStream>> streams_;
  TDSWaveFormat headFormat_;
};

class TDSReadStreamFactory : public TDSStreamFactory {
public:
  using TDSStreamFactory::TDSStreamFactory;
  const char* ClassName() const override { return "TDSReadStreamFactory"; }
  std::unique_ptr<TDSStream> CreateThreadStream(TDSStream& stream, int32_t bytes) override;
  std::unique_ptr<TDSStream> Build(const TDSWaveStreamFactory& config);
};

class TDSWriteStreamFactory : public TDSStreamFactory {
public:
  using TDSStreamFactory::TDSStreamFactory;
  const char* ClassName() const override { return "TDSWriteStreamFactory"; }
  std::unique_ptr<TDSStream> CreateThreadStream(TDSStream& stream, int32_t bytes) override;
  std::unique_ptr<TDSStream> Build(const TDSWaveStreamFactory& config, const TDSWaveFormat& sourceFormat);
};
