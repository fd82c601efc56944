#include "audio/UDSWaveStreamFactory.h"

#include "audio/UDSACMFormat.h"
#include "audio/UDSACMStream.h"
#include "audio/UDSThreadStream.h"

void TDSWaveStreamFactory::Reset() {
  Format.Assign(static_cast<const TDSPersistent*>(nullptr));
  RealTime = false;
  Threaded = false;
  BufferMilliseconds = 3000;
}

std::unique_ptr<TDSStream> TDSWaveStreamFactory::OpenReadChain(const std::wstring& fileName) {
  return TDSReadStreamFactory(fileName).Build(*this);
}

std::unique_ptr<TDSStream> TDSWaveStreamFactory::CreateWriteChain(const std::wstring& fileName,
                                                                  const TDSWaveFormat& sourceFormat) {
  return TDSWriteStreamFactory(fileName).Build(*this, sourceFormat);
}

std::unique_ptr<TDSStream> TDSWaveStreamFactory::OpenReadChain(TDSStream& stream) {
  return TDSReadStreamFactory(stream).Build(*this);
}

std::unique_ptr<TDSStream> TDSWaveStreamFactory::CreateWriteChain(TDSStream& stream,
                                                                  const TDSWaveFormat& sourceFormat) {
  return TDSWriteStreamFactory(stream).Build(*this, sourceFormat);
}

// ---------------------------------------------------------------------------

void TDSStreamFactory::Push(std::unique_ptr<TDSStream> stream) {
  DSRequire(stream != nullptr);
  streams_.push_back(std::move(stream));
  const TDSWaveStreamFormat* format = streams_.back()->GetFormat();
  if (format)
    headFormat_.Assign(format->Format);
  else
    headFormat_.Assign(static_cast<const TDSPersistent*>(nullptr));
}

void TDSStreamFactory::DestroyAll() {
  while (!streams_.empty()) streams_.pop_back();
}

void TDSStreamFactory::AddThreadStream(int32_t milliseconds) {
  if (streams_.empty()) return;
  auto bytes = static_cast<int32_t>(headFormat_.BytesForMilliseconds(static_cast<uint32_t>(milliseconds)));
  Push(CreateThreadStream(*Head(), bytes));
}

std::unique_ptr<TDSStream> TDSStreamFactory::Result() {
  if (streams_.empty()) return nullptr;
  if (streams_.size() == 1) {
    std::unique_ptr<TDSStream> only = std::move(streams_.back());
    streams_.clear();
    return only;
  }
  return std::make_unique<TDSCombinedStream>(std::move(streams_));
}

std::unique_ptr<TDSStream> TDSStreamFactory::OpenSource() {
  if (outside_) {
    if (HDSStream::HasFormat(*outside_)) return std::make_unique<TDSProxyStream>(*outside_);
    return TDSMMIOWaveStream::OpenOnStream(*outside_);
  }
  return TDSMMIOWaveStream::OpenFile(fileName_);
}

std::unique_ptr<TDSStream> TDSStreamFactory::CreateTarget(const TDSWaveStreamFormat& format) {
  if (outside_) {
    // A stream that has a format already takes what it is given.
    if (HDSStream::HasFormat(*outside_)) return std::make_unique<TDSProxyStream>(*outside_);
    return TDSMMIOWaveStream::CreateOnStream(*outside_, format);
  }
  return TDSMMIOWaveStream::CreateFile(fileName_, format);
}

// ---------------------------------------------------------------------------

std::unique_ptr<TDSStream> TDSReadStreamFactory::CreateThreadStream(TDSStream& stream, int32_t bytes) {
  return TDSThreadStream::CreateReadAhead(stream, bytes);
}

std::unique_ptr<TDSStream> TDSReadStreamFactory::Build(const TDSWaveStreamFactory& config) {
  std::unique_ptr<TDSStream> source = OpenSource();
  if (!source) return nullptr;
  Push(std::move(source));
  if (!config.Format.IsEmpty()) {
    std::unique_ptr<TDSWaveFormatList> path =
        headFormat_.IsComplete() ? HDSACMFormat::BuildConversionPath(headFormat_, config.Format) : nullptr;
    if (!path) {
      DestroyAll();
      return nullptr;
    }
    for (int32_t i = 0; i < path->Count(); ++i) {
      auto converter = TDSACMConversionStream::CreateReader(*Head(), (*path)[i], !config.RealTime);
      if (!converter) {
        DestroyAll();
        return nullptr;
      }
      Push(std::move(converter));
    }
  }
  if (config.Threaded) AddThreadStream(config.BufferMilliseconds);
  return Result();
}

std::unique_ptr<TDSStream> TDSWriteStreamFactory::CreateThreadStream(TDSStream& stream, int32_t bytes) {
  return TDSThreadStream::CreateWriteBehind(stream, bytes);
}

std::unique_ptr<TDSStream> TDSWriteStreamFactory::Build(const TDSWaveStreamFactory& config,
                                                        const TDSWaveFormat& sourceFormat) {
  TDSWaveStreamFormat source(sourceFormat);
  std::unique_ptr<TDSWaveFormatList> path;
  const TDSWaveFormat* last = &source.Format;
  if (!config.Format.IsEmpty()) {
    path = HDSACMFormat::BuildConversionPath(source.Format, config.Format);
    if (!path) return nullptr;
    if (path->Count() > 0) last = path->Last();
  }
  std::unique_ptr<TDSStream> target = CreateTarget(TDSWaveStreamFormat(*last));
  if (!target) return nullptr;
  Push(std::move(target));
  for (int32_t i = path ? path->Count() - 1 : -1; i >= 0; --i) {
    const TDSWaveFormat& input = i == 0 ? source.Format : (*path)[i - 1];
    auto converter = TDSACMConversionStream::CreateWriter(input, *Head(), !config.RealTime);
    if (!converter) {
      DestroyAll();
      return nullptr;
    }
    Push(std::move(converter));
  }
  if (config.Threaded) AddThreadStream(config.BufferMilliseconds);
  return Result();
}
