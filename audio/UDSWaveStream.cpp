#include "audio/UDSWaveStream.h"

#include <algorithm>

#include "base/Microseconds.h"

TDSWaveStreamFormat::TDSWaveStreamFormat(const TDSWaveFormat& format) {
  format.CheckComplete();
  Format.Assign(format);
}

TDSWaveStreamFormat::TDSWaveStreamFormat(const TDSWaveFormat& format, const TDSWaveFact& fact)
    : TDSWaveStreamFormat(format) {
  Fact.Assign(&fact);
}

void TDSWaveStreamFormat::Assign(const TDSPersistent* source) {
  if (auto* other = dynamic_cast<const TDSWaveStreamFormat*>(source)) {
    Format.Assign(other->Format);
    Fact.Assign(&other->Fact);
    return;
  }
  if (auto* format = dynamic_cast<const TDSWaveFormat*>(source)) {
    format->CheckComplete();
    Format.Assign(*format);
    Fact.SampleLength = 0;
    return;
  }
  TDSPersistent::Assign(source);
}

void TDSWaveStreamFormat::AssignTo(TDSPersistent* dest) const {
  if (auto* format = dynamic_cast<TDSWaveFormat*>(dest)) {
    format->Assign(Format);
    return;
  }
  TDSPersistent::AssignTo(dest);
}

std::unique_ptr<TDSPersistent> TDSWaveStreamFormat::NewInstance() const {
  return std::make_unique<TDSWaveStreamFormat>();
}

// ---------------------------------------------------------------------------

namespace {

// A format that nothing can play: no channels, no rate or no block size.
bool Playable(const TDSWaveFormat& f) {
  const WAVEFORMATEX* w = f.Data();
  return w->nChannels != 0 && w->nSamplesPerSec != 0 && w->nBlockAlign != 0;
}

std::unique_ptr<TDSMMIOWaveStream> ParseForReading(std::unique_ptr<TDSMMIOStream>& mmioStream) {
  TDSMMIO& mmio = mmioStream->MMIO();
  std::unique_ptr<TDSRiffChunk> riff = mmio.DescendRiff(DSFourCC(L"WAVE"));
  if (!riff) return nullptr;
  auto fail = [&]() -> std::unique_ptr<TDSMMIOWaveStream> {
    mmio.Ascend(std::move(riff));
    return nullptr;
  };

  std::unique_ptr<TDSRiffChunk> fmt = mmio.DescendChunk(*riff, DSFourCC(L"fmt "));
  if (!fmt || fmt->Info.cksize > INT32_MAX) return fail();
  std::unique_ptr<TDSWaveFormat> format =
      TDSWaveFormat::ReadFrom(mmioStream->AsStream(), static_cast<int32_t>(fmt->Info.cksize));
  if (!mmio.Ascend(std::move(fmt)) || !format || !Playable(*format)) return fail();

  TDSWaveFact fact;
  if (std::unique_ptr<TDSRiffChunk> factChunk = mmio.DescendChunk(*riff, DSFourCC(L"fact"))) {
    auto size = static_cast<int32_t>(std::min<DWORD>(factChunk->Info.cksize, INT32_MAX));
    if (auto read = TDSWaveFact::ReadFrom(size, mmioStream->AsStream())) fact.Assign(read.get());
    if (!mmio.Ascend(std::move(factChunk))) return fail();
  }

  std::unique_ptr<TDSRiffChunk> data = mmio.DescendChunk(*riff, DSFourCC(L"data"));
  if (!data) return fail();
  // A data size past the end of the file (a truncated recording, or one whose
  // sizes were never completed) is cut to what the file holds.
  int64_t end = mmio.EndOffset();
  int64_t size = data->Info.cksize;
  if (end >= 0) size = std::min<int64_t>(size, std::max<int64_t>(0, end - data->Info.dwDataOffset));
  data->Info.cksize = static_cast<DWORD>(std::min<int64_t>(size, INT32_MAX - int64_t{data->Info.dwDataOffset}));

  if (!fact.HasFact() && format->FormatTag() == WAVE_FORMAT_PCM) {
    uint32_t frame = format->Channels() * (format->BitsPerSample() / 8u);
    if (frame != 0) fact.SampleLength = data->Info.cksize / frame;
  }
  TDSWaveStreamFormat streamFormat(*format, fact);
  return std::make_unique<TDSMMIOWaveStream>(std::move(mmioStream), streamFormat, std::move(data), std::move(riff),
                                             false);
}

std::unique_ptr<TDSMMIOWaveStream> WriteHeaders(std::unique_ptr<TDSMMIOStream>& mmioStream,
                                                const TDSWaveStreamFormat& format) {
  TDSMMIO& mmio = mmioStream->MMIO();
  std::unique_ptr<TDSRiffChunk> riff = mmio.CreateRiff(DSFourCC(L"WAVE"));
  auto fail = [&]() -> std::unique_ptr<TDSMMIOWaveStream> {
    mmio.Ascend(std::move(riff));
    return nullptr;
  };

  std::unique_ptr<TDSRiffChunk> fmt = mmio.CreateChunk(*riff, DSFourCC(L"fmt "));
  if (!fmt) return fail();
  bool written = format.Format.WriteTo(mmioStream->AsStream());
  if (!mmio.Ascend(std::move(fmt)) || !written) return fail();

  if (format.Fact.HasFact()) {
    std::unique_ptr<TDSRiffChunk> fact = mmio.CreateChunk(*riff, DSFourCC(L"fact"));
    if (!fact) return fail();
    written = format.Fact.WriteTo(mmioStream->AsStream());
    if (!mmio.Ascend(std::move(fact)) || !written) return fail();
  }

  std::unique_ptr<TDSRiffChunk> data = mmio.CreateChunk(*riff, DSFourCC(L"data"));
  if (!data) return fail();
  return std::make_unique<TDSMMIOWaveStream>(std::move(mmioStream), format, std::move(data), std::move(riff), true);
}

}  // namespace

TDSMMIOWaveStream::TDSMMIOWaveStream(std::unique_ptr<TDSMMIOStream> mmioStream, const TDSWaveStreamFormat& format,
                                     std::unique_ptr<TDSRiffChunk> dataChunk, std::unique_ptr<TDSRiffChunk> riffChunk,
                                     bool writing)
    : mmioStream_(std::move(mmioStream)),
      dataChunk_(std::move(dataChunk)),
      riffChunk_(std::move(riffChunk)),
      writing_(writing) {
  DSRequire(mmioStream_ && dataChunk_ && riffChunk_);
  format_.Assign(&format);
  child_ = std::make_unique<TDSChildStream>(*mmioStream_, dataChunk_->DataRange());
}

TDSMMIOWaveStream::~TDSMMIOWaveStream() {
  // Errors here cannot be reported; the file is closed in any case.
  Finish();
}

namespace {
// Compressed data of odd length gets a zero byte inside its chunk rather than
// the platform's pad byte after it: players (Wine's DirectShow among them)
// stop at bytes that follow the data chunk. A decoder skips the byte after
// the last frame; PCM keeps the pad byte, since a zero would be a sample.
bool PadsInside(const TDSWaveStreamFormat& format, int32_t length) {
  return (length & 1) && format.Format.FormatTag() != WAVE_FORMAT_PCM;
}

}  // namespace

int32_t TDSMMIOWaveStream::Write(TDSArea area) {
  if (!child_) return -1;
  int32_t written = child_->Write(area);
  if (writing_ && written > 0 && !UpdateSizes()) return -1;
  return written;
}

bool TDSMMIOWaveStream::UpdateSizes() {
  const int64_t start = win::Microseconds();
  const TDSRange range = child_->Range();
  const bool pad = PadsInside(format_, range.Length);
  const int32_t end = range.Base + range.Length + (pad ? 1 : 0);
  TDSMMIO& mmio = mmioStream_->MMIO();
  try {
    const int32_t here = mmio.Seek(TDSSeek(0, TDSSeek::FromCurrent));
    // The zero goes where the next write continues, so it is overwritten
    // by the next sample bytes.
    if (pad) {
      mmio.Seek(TDSSeek(end - 1, TDSSeek::FromBeginning));
      if (mmio.Write(TDSArea("", 1)) != 1) return false;
    }
    auto put = [&](DWORD offset, DWORD value) {
      mmio.Seek(TDSSeek(static_cast<int32_t>(offset), TDSSeek::FromBeginning));
      return mmio.Write(TDSArea(&value, 4)) == 4;
    };
    if (!put(dataChunk_->Info.dwDataOffset - 4, static_cast<DWORD>(end - range.Base))) return false;
    if (!put(riffChunk_->Info.dwDataOffset - 4, static_cast<DWORD>(end - riffChunk_->Info.dwDataOffset)))
      return false;
    mmio.Seek(TDSSeek(here, TDSSeek::FromBeginning));
  } catch (const EDSError&) {
    return false;
  }
  ++sizeUpdates_;
  const int64_t took = win::Microseconds() - start;
  longestSizeUpdate_ = std::max(longestSizeUpdate_, took);
  totalSizeUpdate_ += took;
  return true;
}

bool TDSMMIOWaveStream::Finish() {
  if (finished_) return finishedOk_;
  finished_ = true;
  bool ok = true;
  try {
    if (writing_ && PadsInside(format_, child_->Range().Length))
      ok = child_->Seek(TDSSeek(0, TDSSeek::FromEnd)) && child_->Write(TDSArea("", 1)) == 1;
    int32_t end = child_->Range().Base + child_->Range().Length;
    child_.reset();
    TDSMMIO& mmio = mmioStream_->MMIO();
    // mmio sizes a written chunk by the current position: put it after the
    // last sample even when the stream was seeked back.
    if (writing_) mmio.Seek(TDSSeek(end, TDSSeek::FromBeginning));
    ok = mmio.Ascend(std::move(dataChunk_)) && ok;
    ok = mmio.Ascend(std::move(riffChunk_)) && ok;
  } catch (...) {
    ok = false;
  }
  child_.reset();
  try {
    ok = mmioStream_->Finish() && ok;
  } catch (...) {
    ok = false;
  }
  mmioStream_.reset();
  finishedOk_ = ok;
  return ok;
}

std::unique_ptr<TDSMMIOWaveStream> TDSMMIOWaveStream::OpenForReading(std::unique_ptr<TDSMMIOStream> mmioStream) {
  if (!mmioStream) return nullptr;
  try {
    return ParseForReading(mmioStream);
  } catch (const EDSError&) {
    return nullptr;
  }
}

std::unique_ptr<TDSMMIOWaveStream> TDSMMIOWaveStream::OpenFile(const std::wstring& name) {
  return OpenForReading(TDSMMIOStream::OpenFile(name, TDSMMIO::omRead));
}

std::unique_ptr<TDSMMIOWaveStream> TDSMMIOWaveStream::OpenOnStream(TDSStream& stream) {
  return OpenForReading(TDSMMIOStream::OpenOnStream(stream, TDSMMIO::omRead));
}

std::unique_ptr<TDSMMIOWaveStream> TDSMMIOWaveStream::CreateForWriting(std::unique_ptr<TDSMMIOStream> mmioStream,
                                                                       const TDSWaveStreamFormat& format) {
  if (!mmioStream) return nullptr;
  format.Format.CheckComplete();
  try {
    return WriteHeaders(mmioStream, format);
  } catch (const EDSError&) {
    return nullptr;
  }
}

std::unique_ptr<TDSMMIOWaveStream> TDSMMIOWaveStream::CreateFile(const std::wstring& name,
                                                                 const TDSWaveStreamFormat& format) {
  return CreateForWriting(TDSMMIOStream::OpenFile(name, TDSMMIO::omCreate), format);
}

std::unique_ptr<TDSMMIOWaveStream> TDSMMIOWaveStream::CreateOnStream(TDSStream& stream,
                                                                     const TDSWaveStreamFormat& format) {
  return CreateForWriting(TDSMMIOStream::OpenOnStream(stream, TDSMMIO::omCreate), format);
}
