#include "audio/UDSStream.h"

#include <string>

TDSStream::TDSStream() = default;
TDSStream::~TDSStream() = default;

int32_t TDSStream::GetPosition() { return -1; }

const TDSWaveStreamFormat* TDSStream::GetFormat() { return nullptr; }

void TDSStream::SetFormat(const TDSWaveStreamFormat&) {
  throw EDSError(std::string(ClassName()) + "Can't set a format in TDSStream");
}

int32_t TDSStream::Read(TDSArea) { return -1; }

int32_t TDSStream::Write(TDSArea) { return -1; }

bool TDSStream::Seek(TDSSeek) { return false; }

TStream& TDSStream::AsStream() {
  if (!byteStream_) byteStream_ = std::make_unique<TStreamStream>(*this);
  return *byteStream_;
}

// ---------------------------------------------------------------------------

int32_t TStreamStream::Read(void* buffer, int32_t count) { return stream_.Read(TDSArea(buffer, count)); }

int32_t TStreamStream::Write(const void* buffer, int32_t count) { return stream_.Write(TDSArea(buffer, count)); }

int32_t TStreamStream::Seek(int32_t offset, int origin) {
  uint8_t mapped = 0;
  switch (origin) {
    case soFromBeginning: mapped = TDSSeek::FromBeginning; break;
    case soFromCurrent: mapped = TDSSeek::FromCurrent; break;
    case soFromEnd: mapped = TDSSeek::FromEnd; break;
    default: throw EDSError();
  }
  if (!stream_.Seek(TDSSeek(offset, mapped))) return -1;
  return stream_.GetPosition();
}

// ---------------------------------------------------------------------------

int32_t TDSChildStream::Read(TDSArea area) {
  DSRequire(area.Size >= 0);
  int32_t place = range_.Absolute();
  int32_t n = range_.AdvanceClipped(area.Size);
  if (n == 0) return 0;
  int32_t got = parent_.Seek(TDSSeek(place, TDSSeek::FromBeginning)) ? parent_.Read(TDSArea(area.Data, n)) : -1;
  // A parent that ends early (a truncated file) leaves the position at what
  // actually arrived.
  if (got < n) range_.SeekFromCurrent(-(n - (got > 0 ? got : 0)));
  return got;
}

int32_t TDSChildStream::Write(TDSArea area) {
  DSRequire(area.Size >= 0);
  if (area.Size == 0) return 0;
  const TDSRange before = range_;
  range_.AdvanceGrowing(area.Size);
  int32_t written = -1;
  try {
    if (parent_.Seek(TDSSeek(before.Absolute(), TDSSeek::FromBeginning))) written = parent_.Write(area);
  } catch (const EDSError&) {
    // A platform write error (a full disk): reported by value like a refusal.
  }
  if (written < area.Size) {
    // Only what the parent took belongs to the window; the file's data
    // chunk is later sized by it.
    range_ = before;
    range_.AdvanceGrowing(written > 0 ? written : 0);
  }
  return written;
}

bool TDSChildStream::Seek(TDSSeek seek) {
  switch (seek.Origin) {
    case TDSSeek::FromBeginning: return range_.SeekFromBeginning(seek.Offset);
    case TDSSeek::FromEnd: return range_.SeekFromEnd(seek.Offset);
    case TDSSeek::FromCurrent: return range_.SeekFromCurrent(seek.Offset);
  }
  throw EDSError();
}

// ---------------------------------------------------------------------------

TDSCombinedStream::TDSCombinedStream(std::vector<std::unique_ptr<TDSStream>> streams) : streams_(std::move(streams)) {
  DSRequire(!streams_.empty());
  for (auto& s : streams_) DSRequire(s != nullptr);
}

bool TDSCombinedStream::Finish() {
  bool ok = true;
  for (auto it = streams_.rbegin(); it != streams_.rend(); ++it) {
    try {
      ok = (*it)->Finish() && ok;
    } catch (...) {
      ok = false;
    }
  }
  return ok;
}

TDSCombinedStream::~TDSCombinedStream() {
  while (!streams_.empty()) streams_.pop_back();
}
