// The stream base of the library and its plain variants: a proxy, a window
// over a parent stream and a chain that owns its stages.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/UDSArea.h"
#include "audio/UDSObject.h"

class TDSWaveStreamFormat;
class TStreamStream;

class TDSStream : public TDSObject {
public:
  TDSStream();
  ~TDSStream() override;
  const char* ClassName() const override { return "TDSStream"; }

  // Bytes from the start of the stream, -1 when it has no position.
  virtual int32_t GetPosition();
  // The stream's format, owned by the stream; nothing when it has none.
  virtual const TDSWaveStreamFormat* GetFormat();
  virtual void SetFormat(const TDSWaveStreamFormat& format);
  // Bytes read into `area`, 0 at the end, -1 on failure.
  virtual int32_t Read(TDSArea area);
  // Bytes taken from `area`, -1 on failure.
  virtual int32_t Write(TDSArea area);
  virtual bool Seek(TDSSeek seek);
  // Ends writing: everything held is passed on and completed. True when all
  // that was written reached its place; a stage that refused data, a failed
  // flush or a failed close give false. A stage finishes only itself, once;
  // a chain finishes its stages from the head down. Destroying a stream
  // that was not finished finishes it quietly.
  virtual bool Finish() { return true; }

  // A byte-stream view of this stream, made on first use and owned by it.
  TStream& AsStream();

private:
  std::unique_ptr<TStreamStream> byteStream_;
};

class HDSStream {
public:
  static bool HasFormat(TDSStream& stream) { return stream.GetFormat() != nullptr; }
};

// The byte-stream view of a TDSStream.
class TStreamStream : public TStream {
public:
  explicit TStreamStream(TDSStream& stream) : stream_(stream) {}
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int32_t Seek(int32_t offset, int origin) override;

private:
  TDSStream& stream_;
};

// Forwards everything to a target it does not own.
class TDSProxyStream : public TDSStream {
public:
  explicit TDSProxyStream(TDSStream& target) : target_(target) {}
  const char* ClassName() const override { return "TDSProxyStream"; }

  int32_t GetPosition() override { return target_.GetPosition(); }
  const TDSWaveStreamFormat* GetFormat() override { return target_.GetFormat(); }
  void SetFormat(const TDSWaveStreamFormat& format) override { target_.SetFormat(format); }
  int32_t Read(TDSArea area) override { return target_.Read(area); }
  int32_t Write(TDSArea area) override { return target_.Write(area); }
  bool Seek(TDSSeek seek) override { return target_.Seek(seek); }

private:
  TDSStream& target_;
};

// A window over a parent stream it does not own; writing past the window's
// end lengthens it.
class TDSChildStream : public TDSStream {
public:
  TDSChildStream(TDSStream& parent, const TDSRange& range) : parent_(parent), range_(range) {}
  const char* ClassName() const override { return "TDSChildStream"; }

  int32_t GetPosition() override { return range_.Position; }
  int32_t Read(TDSArea area) override;
  int32_t Write(TDSArea area) override;
  bool Seek(TDSSeek seek) override;

  const TDSRange& Range() const { return range_; }

private:
  TDSStream& parent_;
  TDSRange range_;
};

// A chain of streams from the bottom (a file) to the head; it forwards to the
// head and destroys the head first, so that each stage flushes into the next.
class TDSCombinedStream : public TDSStream {
public:
  explicit TDSCombinedStream(std::vector<std::unique_ptr<TDSStream>> streams);
  ~TDSCombinedStream() override;
  const char* ClassName() const override { return "TDSCombinedStream"; }

  int32_t GetPosition() override { return Head().GetPosition(); }
  const TDSWaveStreamFormat* GetFormat() override { return Head().GetFormat(); }
  void SetFormat(const TDSWaveStreamFormat& format) override { Head().SetFormat(format); }
  int32_t Read(TDSArea area) override { return Head().Read(area); }
  int32_t Write(TDSArea area) override { return Head().Write(area); }
  bool Seek(TDSSeek seek) override { return Head().Seek(seek); }
  // Every stage, head first, even after one failed, so that the file is
  // completed whatever happened above it.
  bool Finish() override;

  int32_t Count() const { return static_cast<int32_t>(streams_.size()); }
  TDSStream& Streams(int32_t index) const { return *streams_.at(static_cast<size_t>(index)); }

private:
  TDSStream& Head() const { return *streams_.back(); }
  std::vector<std::unique_ptr<TDSStream>> streams_;
};
