// Conversion through the audio compression manager: the stream header, the
// buffers on both sides of a conversion, an open ACM stream, and conversion
// streams that read from or write into the stream below them.
#pragma once

#include <windows.h>
#include <mmreg.h>
#include <msacm.h>

#include <cstdint>
#include <memory>
#include <utility>

#include "audio/UDSMemory.h"
#include "audio/UDSStream.h"
#include "audio/UDSWaveFormat.h"
#include "audio/UDSWaveStream.h"
#include "base/WinHandles.h"

class TDSACMStreamHeader {
public:
  TDSACMStreamHeader();
  // A header still prepared is unprepared on the stream that prepared it, so
  // that ACM keeps no pointer into freed memory.
  ~TDSACMStreamHeader();
  TDSACMStreamHeader(const TDSACMStreamHeader&) = delete;
  TDSACMStreamHeader& operator=(const TDSACMStreamHeader&) = delete;

  bool IsPrepared() const { return (Header.fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED) != 0; }
  void SetSource(const TDSArea& area);
  void SetDestination(const TDSArea& area);
  void SetSourceLength(int32_t n);
  int32_t SourceLength() const { return static_cast<int32_t>(Header.cbSrcLength); }
  int32_t SourceUsed() const;
  int32_t DestinationUsed() const;

  ACMSTREAMHEADER Header;

private:
  friend class TDSACMStream;
  DWORD savedSource_ = 0;
  DWORD savedDestination_ = 0;
  HACMSTREAM preparedOn_ = nullptr;
};

class TDSACMStreamBuffer {
public:
  explicit TDSACMStreamBuffer(int32_t size) : chunk_(size), data_(chunk_.Data(), 0) {}
  virtual ~TDSACMStreamBuffer() = default;
  TDSACMStreamBuffer(const TDSACMStreamBuffer&) = delete;
  TDSACMStreamBuffer& operator=(const TDSACMStreamBuffer&) = delete;

  virtual void Appended(int32_t n) = 0;
  virtual void Consumed(int32_t n) = 0;

  const TDSMemChunk& Chunk() const { return chunk_; }
  const TDSArea& Data() const { return data_; }
  bool HasData() const { return data_.Size > 0; }
  void SetData(const TDSArea& area);
  // The chunk after the current data; all of it when there is none.
  TDSArea FreeArea() const;

protected:
  TDSMemChunk chunk_;
  TDSArea data_;
};

// Data always starts at the chunk's start.
class TDSACMStreamSourceBuffer : public TDSACMStreamBuffer {
public:
  using TDSACMStreamBuffer::TDSACMStreamBuffer;
  void Appended(int32_t n) override;
  // Moves the unconsumed rest to the chunk's start.
  void Consumed(int32_t n) override;
};

class TDSACMStreamDestinationBuffer : public TDSACMStreamBuffer {
public:
  using TDSACMStreamBuffer::TDSACMStreamBuffer;
  void Appended(int32_t n) override;
  void Consumed(int32_t n) override;
};

class TDSACMStream {
public:
  TDSACMStream(HACMSTREAM handle, uint16_t sourceBlockAlign) : handle_(handle), sourceBlockAlign_(sourceBlockAlign) {}
  ~TDSACMStream();
  TDSACMStream(const TDSACMStream&) = delete;
  TDSACMStream& operator=(const TDSACMStream&) = delete;

  static std::unique_ptr<TDSACMStream> Open(const TDSWaveFormat& source, const TDSWaveFormat& destination,
                                            bool nonRealtime);

  bool Prepare(TDSACMStreamHeader& header);
  bool Unprepare(TDSACMStreamHeader& header);
  // A block-aligned conversion of the header's source.
  bool Convert(TDSACMStreamHeader& header);
  // The conversion at the end of the stream: all of the source, partial
  // blocks too, and whatever the codec still holds. The source may be empty.
  bool ConvertEnd(TDSACMStreamHeader& header);

  int32_t DestinationSizeFor(int32_t sourceBytes) const;
  int32_t SourceSizeFor(int32_t destinationBytes) const;
  // (source size, destination size) of the buffers for a conversion.
  std::pair<int32_t, int32_t> BufferSizes(const TDSWaveFormat& source, const TDSWaveFormat& destination) const;

  HACMSTREAM Handle() const { return handle_.get(); }
  uint16_t SourceBlockAlign() const { return sourceBlockAlign_; }

private:
  win::AcmStream handle_;
  uint16_t sourceBlockAlign_;
};

class TDSACMConversionStream : public TDSStream {
public:
  enum TDirection { cdReader, cdWriter };

  // A reader that returns the inner stream's data in the format that ACM
  // suggests for `tmpl`.
  static std::unique_ptr<TDSACMConversionStream> CreateReader(TDSStream& inner, const TDSWaveFormat& tmpl,
                                                              bool nonRealtime);
  // A writer that takes data of `input` and writes it converted into `inner`.
  static std::unique_ptr<TDSACMConversionStream> CreateWriter(const TDSWaveFormat& input, TDSStream& inner,
                                                              bool nonRealtime);

  TDSACMConversionStream(TDirection direction, TDSStream& inner, std::unique_ptr<TDSWaveFormat> ownFormat,
                         const TDSWaveFormat& innerFormat, std::unique_ptr<TDSACMStream> acm,
                         std::unique_ptr<TDSACMStreamSourceBuffer> source,
                         std::unique_ptr<TDSACMStreamDestinationBuffer> destination,
                         std::unique_ptr<TDSACMStreamHeader> header);
  // A writer converts and writes everything it still holds first.
  ~TDSACMConversionStream() override;
  const char* ClassName() const override { return "TDSACMConversionStream"; }

  const TDSWaveStreamFormat* GetFormat() override { return &streamFormat_; }
  int32_t Read(TDSArea area) override;
  int32_t Write(TDSArea area) override;
  // Writer: converts and writes out what it still holds; false when the
  // stream below refused some of it (or refused earlier).
  bool Finish() override;

  const TDSACMStreamSourceBuffer& SourceBuffer() const { return *source_; }
  const TDSACMStreamDestinationBuffer& DestinationBuffer() const { return *destination_; }

private:
  static std::unique_ptr<TDSACMConversionStream> Build(TDirection direction, TDSStream& inner,
                                                       std::unique_ptr<TDSWaveFormat> ownFormat,
                                                       const TDSWaveFormat& innerFormat, bool nonRealtime);
  bool ConvertStep(bool end);
  bool WriteOut();
  bool Flush();
  bool Refill();
  bool FinishWriting();
  bool PadLastBlock();
  const TDSWaveFormat& SourceFormat() const { return direction_ == cdReader ? innerFormat_ : *ownFormat_; }

  TDirection direction_;
  TDSStream& inner_;
  std::unique_ptr<TDSWaveFormat> ownFormat_;
  TDSWaveFormat innerFormat_;
  std::unique_ptr<TDSACMStream> acm_;
  std::unique_ptr<TDSACMStreamHeader> header_;
  std::unique_ptr<TDSACMStreamDestinationBuffer> destination_;
  std::unique_ptr<TDSACMStreamSourceBuffer> source_;
  TDSWaveStreamFormat streamFormat_;
  bool progress_ = false;      // whether the last step used or produced bytes
  bool innerEnded_ = false;    // reader: the inner stream returned 0
  bool endConverted_ = false;  // reader: nothing more comes out of the codec
  bool failed_ = false;        // writer: the inner stream refused data
  bool finished_ = false;      // writer: Finish ran
};
