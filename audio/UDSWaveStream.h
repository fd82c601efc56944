// What a stream reports about its samples (a format and the sample length of
// a "fact" chunk), and RIFF WAVE files read and written as streams.
#pragma once

#include <memory>
#include <string>

#include "audio/UDSMMIO.h"
#include "audio/UDSStream.h"
#include "audio/UDSWaveFormat.h"

class TDSWaveStreamFormat : public TDSFormat {
public:
  TDSWaveStreamFormat() = default;
  // `format` must be complete; it is copied.
  explicit TDSWaveStreamFormat(const TDSWaveFormat& format);
  TDSWaveStreamFormat(const TDSWaveFormat& format, const TDSWaveFact& fact);
  const char* ClassName() const override { return "TDSWaveStreamFormat"; }

  void Assign(const TDSPersistent* source) override;
  using TDSPersistent::Assign;
  void AssignTo(TDSPersistent* dest) const override;
  std::unique_ptr<TDSPersistent> NewInstance() const override;

  TDSWaveFormat Format;
  TDSWaveFact Fact;
};

// A RIFF WAVE file whose samples are read and written as the stream; its
// positions count from the first sample byte.
class TDSMMIOWaveStream : public TDSStream {
public:
  TDSMMIOWaveStream(std::unique_ptr<TDSMMIOStream> mmioStream, const TDSWaveStreamFormat& format,
                    std::unique_ptr<TDSRiffChunk> dataChunk, std::unique_ptr<TDSRiffChunk> riffChunk,
                    bool writing);
  // Finishes quietly when Finish was not called.
  ~TDSMMIOWaveStream() override;
  const char* ClassName() const override { return "TDSMMIOWaveStream"; }

  const TDSWaveStreamFormat* GetFormat() override { return &format_; }
  int32_t GetPosition() override { return child_ ? child_->GetPosition() : -1; }
  int32_t Read(TDSArea area) override { return child_ ? child_->Read(area) : -1; }
  // A written file has its sizes brought up to date after every write, so
  // that it stays a playable file up to its last write when the process or
  // the machine stops before Finish.
  int32_t Write(TDSArea area) override;
  bool Seek(TDSSeek seek) override { return child_ && child_->Seek(seek); }
  // Completes the chunk sizes of a written file and closes it; false when a
  // write or the close failed. Reading and writing end here.
  bool Finish() override;

  // Size updates done while writing, and the longest one in microseconds.
  int32_t SizeUpdates() const { return sizeUpdates_; }
  int64_t LongestSizeUpdateMicroseconds() const { return longestSizeUpdate_; }
  int64_t TotalSizeUpdateMicroseconds() const { return totalSizeUpdate_; }

  static std::unique_ptr<TDSMMIOWaveStream> OpenForReading(std::unique_ptr<TDSMMIOStream> mmioStream);
  static std::unique_ptr<TDSMMIOWaveStream> OpenFile(const std::wstring& name);
  static std::unique_ptr<TDSMMIOWaveStream> OpenOnStream(TDSStream& stream);

  static std::unique_ptr<TDSMMIOWaveStream> CreateForWriting(std::unique_ptr<TDSMMIOStream> mmioStream,
                                                             const TDSWaveStreamFormat& format);
  static std::unique_ptr<TDSMMIOWaveStream> CreateFile(const std::wstring& name, const TDSWaveStreamFormat& format);
  static std::unique_ptr<TDSMMIOWaveStream> CreateOnStream(TDSStream& stream, const TDSWaveStreamFormat& format);

private:
  std::unique_ptr<TDSMMIOStream> mmioStream_;
  TDSWaveStreamFormat format_;
  std::unique_ptr<TDSRiffChunk> dataChunk_;
  std::unique_ptr<TDSRiffChunk> riffChunk_;
  bool UpdateSizes();

  std::unique_ptr<TDSChildStream> child_;
  bool writing_;
  bool finished_ = false;
  bool finishedOk_ = false;
  int32_t sizeUpdates_ = 0;
  int64_t longestSizeUpdate_ = 0;
  int64_t totalSizeUpdate_ = 0;
};
