#include "audio/UDSACMStream.h"

#include <algorithm>
#include <cstring>

#include "audio/UDSACMFormat.h"

TDSACMStreamHeader::TDSACMStreamHeader() : Header{} { Header.cbStruct = sizeof(ACMSTREAMHEADER); }

TDSACMStreamHeader::~TDSACMStreamHeader() {
  if (IsPrepared() && preparedOn_) {
    Header.cbSrcLength = savedSource_;
    Header.cbDstLength = savedDestination_;
    ::acmStreamUnprepareHeader(preparedOn_, &Header, 0);
  }
}

void TDSACMStreamHeader::SetSource(const TDSArea& area) {
  DSRequire(area.NonEmpty() && !IsPrepared());
  Header.pbSrc = area.Data;
  Header.cbSrcLength = static_cast<DWORD>(area.Size);
}

void TDSACMStreamHeader::SetDestination(const TDSArea& area) {
  DSRequire(area.NonEmpty() && !IsPrepared());
  Header.pbDst = area.Data;
  Header.cbDstLength = static_cast<DWORD>(area.Size);
}

void TDSACMStreamHeader::SetSourceLength(int32_t n) {
  DSRequire(n >= 0 && (!IsPrepared() || static_cast<DWORD>(n) <= savedSource_));
  Header.cbSrcLength = static_cast<DWORD>(n);
}

int32_t TDSACMStreamHeader::SourceUsed() const {
  DSRequire(IsPrepared());
  return static_cast<int32_t>(Header.cbSrcLengthUsed);
}

int32_t TDSACMStreamHeader::DestinationUsed() const {
  DSRequire(IsPrepared());
  return static_cast<int32_t>(Header.cbDstLengthUsed);
}

// ---------------------------------------------------------------------------

void TDSACMStreamBuffer::SetData(const TDSArea& area) {
  DSRequire(!area.NonEmpty() || TDSArea::Contains(chunk_.Area(), area));
  data_ = area;
}

TDSArea TDSACMStreamBuffer::FreeArea() const {
  if (!HasData()) return chunk_.Area();
  return TDSArea::FromTo(data_.End(), chunk_.Area().End());
}

void TDSACMStreamSourceBuffer::Appended(int32_t n) {
  DSRequire(n > 0);
  SetData(TDSArea(chunk_.Data(), data_.Size + n));
}

void TDSACMStreamSourceBuffer::Consumed(int32_t n) {
  DSRequire(n > 0 && n <= data_.Size);
  HDSMemory::Move(chunk_.Data() + n, chunk_.Data(), data_.Size - n);
  SetData(TDSArea(chunk_.Data(), data_.Size - n));
}

void TDSACMStreamDestinationBuffer::Appended(int32_t n) {
  if (n > 0 && !HasData()) SetData(TDSArea(chunk_.Data(), n));
}

void TDSACMStreamDestinationBuffer::Consumed(int32_t n) {
  if (n >= 1 && n <= data_.Size) data_.Consume(n);
}

// ---------------------------------------------------------------------------

TDSACMStream::~TDSACMStream() {
  // A failing close cannot be reported from a destructor.
  if (HACMSTREAM h = handle_.release()) ::acmStreamClose(h, 0);
}

std::unique_ptr<TDSACMStream> TDSACMStream::Open(const TDSWaveFormat& source, const TDSWaveFormat& destination,
                                                 bool nonRealtime) {
  source.CheckComplete();
  destination.CheckComplete();
  HACMSTREAM h = nullptr;
  if (::acmStreamOpen(&h, nullptr, const_cast<WAVEFORMATEX*>(source.Data()),
                      const_cast<WAVEFORMATEX*>(destination.Data()), nullptr, 0, 0,
                      nonRealtime ? ACM_STREAMOPENF_NONREALTIME : 0) != MMSYSERR_NOERROR)
    return nullptr;
  return std::make_unique<TDSACMStream>(h, source.BlockAlign());
}

bool TDSACMStream::Prepare(TDSACMStreamHeader& header) {
  if (header.IsPrepared()) return false;
  if (::acmStreamPrepareHeader(handle_.get(), &header.Header, 0) != MMSYSERR_NOERROR) return false;
  header.savedSource_ = header.Header.cbSrcLength;
  header.savedDestination_ = header.Header.cbDstLength;
  header.preparedOn_ = handle_.get();
  return true;
}

bool TDSACMStream::Unprepare(TDSACMStreamHeader& header) {
  if (!header.IsPrepared()) return false;
  header.Header.cbSrcLength = header.savedSource_;
  header.Header.cbDstLength = header.savedDestination_;
  bool ok = ::acmStreamUnprepareHeader(handle_.get(), &header.Header, 0) == MMSYSERR_NOERROR;
  if (ok) header.preparedOn_ = nullptr;
  return ok;
}

bool TDSACMStream::Convert(TDSACMStreamHeader& header) {
  DSRequire(header.IsPrepared() && header.SourceLength() != 0);
  if (::acmStreamConvert(handle_.get(), &header.Header, ACM_STREAMCONVERTF_BLOCKALIGN) != MMSYSERR_NOERROR)
    return false;
  if (header.SourceUsed() > 0) return true;
  DSRequire(header.DestinationUsed() == 0);
  return ::acmStreamConvert(handle_.get(), &header.Header, 0) == MMSYSERR_NOERROR;
}

bool TDSACMStream::ConvertEnd(TDSACMStreamHeader& header) {
  DSRequire(header.IsPrepared());
  return ::acmStreamConvert(handle_.get(), &header.Header, ACM_STREAMCONVERTF_END) == MMSYSERR_NOERROR;
}

int32_t TDSACMStream::DestinationSizeFor(int32_t sourceBytes) const {
  DWORD out = 0;
  DSRequire(::acmStreamSize(handle_.get(), static_cast<DWORD>(sourceBytes), &out, ACM_STREAMSIZEF_SOURCE) ==
            MMSYSERR_NOERROR);
  return static_cast<int32_t>(out);
}

int32_t TDSACMStream::SourceSizeFor(int32_t destinationBytes) const {
  DWORD out = 0;
  DSRequire(::acmStreamSize(handle_.get(), static_cast<DWORD>(destinationBytes), &out,
                            ACM_STREAMSIZEF_DESTINATION) == MMSYSERR_NOERROR);
  return static_cast<int32_t>(out);
}

std::pair<int32_t, int32_t> TDSACMStream::BufferSizes(const TDSWaveFormat& source,
                                                      const TDSWaveFormat& destination) const {
  constexpr int32_t kPreferred = 8192;
  int32_t sourceSize = kPreferred;
  int32_t destinationSize = DestinationSizeFor(kPreferred);
  if (destinationSize > kPreferred) {
    destinationSize = kPreferred;
    sourceSize = SourceSizeFor(kPreferred);
  }
  auto minimum = [](int32_t blockAlign) { return 2 * blockAlign < 2047 ? 2048 : 2 * blockAlign; };
  const int32_t minSource = minimum(source.BlockAlign());
  const int32_t minDestination = minimum(destination.BlockAlign());
  if (sourceSize < minSource) {
    sourceSize = minSource;
    destinationSize = DestinationSizeFor(sourceSize);
  }
  if (destinationSize < minDestination) {
    destinationSize = minDestination;
    sourceSize = std::max(SourceSizeFor(destinationSize), minSource);
  }
  return {sourceSize, destinationSize};
}

// ---------------------------------------------------------------------------

namespace {
// Each end-of-stream step fills at most one destination buffer; a codec
// holds far less than this many buffers back.
constexpr int kMaxEndSteps = 64;
}  // namespace

TDSACMConversionStream::TDSACMConversionStream(TDirection direction, TDSStream& inner,
                                               std::unique_ptr<TDSWaveFormat> ownFormat,
                                               const TDSWaveFormat& innerFormat, std::unique_ptr<TDSACMStream> acm,
                                               std::unique_ptr<TDSACMStreamSourceBuffer> source,
                                               std::unique_ptr<TDSACMStreamDestinationBuffer> destination,
                                               std::unique_ptr<TDSACMStreamHeader> header)
    : direction_(direction),
      inner_(inner),
      ownFormat_(std::move(ownFormat)),
      acm_(std::move(acm)),
      header_(std::move(header)),
      destination_(std::move(destination)),
      source_(std::move(source)),
      streamFormat_(*ownFormat_) {
  innerFormat_.Assign(innerFormat);
}

TDSACMConversionStream::~TDSACMConversionStream() {
  if (direction_ == cdWriter && !finished_) {
    try {
      Finish();
    } catch (...) {
      // The stream below failed; what it did not take is lost either way.
    }
  }
  acm_->Unprepare(*header_);
}

std::unique_ptr<TDSACMConversionStream> TDSACMConversionStream::Build(TDirection direction, TDSStream& inner,
                                                                      std::unique_ptr<TDSWaveFormat> ownFormat,
                                                                      const TDSWaveFormat& innerFormat,
                                                                      bool nonRealtime) {
  const TDSWaveFormat& from = direction == cdReader ? innerFormat : *ownFormat;
  const TDSWaveFormat& to = direction == cdReader ? *ownFormat : innerFormat;
  std::unique_ptr<TDSACMStream> acm = TDSACMStream::Open(from, to, nonRealtime);
  if (!acm) return nullptr;
  std::pair<int32_t, int32_t> sizes;
  try {
    sizes = acm->BufferSizes(from, to);
  } catch (const EDSError&) {
    return nullptr;
  }
  auto source = std::make_unique<TDSACMStreamSourceBuffer>(sizes.first);
  auto destination = std::make_unique<TDSACMStreamDestinationBuffer>(sizes.second);
  auto header = std::make_unique<TDSACMStreamHeader>();
  header->SetSource(source->Chunk().Area());
  header->SetDestination(destination->Chunk().Area());
  if (!acm->Prepare(*header)) return nullptr;
  return std::make_unique<TDSACMConversionStream>(direction, inner, std::move(ownFormat), innerFormat, std::move(acm),
                                                  std::move(source), std::move(destination), std::move(header));
}

std::unique_ptr<TDSACMConversionStream> TDSACMConversionStream::CreateReader(TDSStream& inner,
                                                                             const TDSWaveFormat& tmpl,
                                                                             bool nonRealtime) {
  const TDSWaveStreamFormat* innerFormat = inner.GetFormat();
  if (!innerFormat || !innerFormat->Format.IsComplete()) return nullptr;
  std::unique_ptr<TDSWaveFormat> own = HDSACMFormat::Suggest(innerFormat->Format, tmpl);
  if (!own) return nullptr;
  return Build(cdReader, inner, std::move(own), innerFormat->Format, nonRealtime);
}

std::unique_ptr<TDSACMConversionStream> TDSACMConversionStream::CreateWriter(const TDSWaveFormat& input,
                                                                             TDSStream& inner, bool nonRealtime) {
  const TDSWaveStreamFormat* innerFormat = inner.GetFormat();
  if (!innerFormat || !innerFormat->Format.IsComplete() || !input.IsComplete()) return nullptr;
  return Build(cdWriter, inner, input.Copy(), innerFormat->Format, nonRealtime);
}

bool TDSACMConversionStream::ConvertStep(bool end) {
  // A conversion writes from the start of the destination chunk: it may only
  // run when the destination holds nothing.
  DSRequire(!destination_->HasData());
  header_->SetSourceLength(source_->Data().Size);
  if (end ? !acm_->ConvertEnd(*header_) : !acm_->Convert(*header_)) return false;
  int32_t used = header_->SourceUsed();
  int32_t produced = header_->DestinationUsed();
  DSRequire(used >= 0 && used <= source_->Data().Size && produced >= 0 && produced <= destination_->Chunk().Size());
  if (used > 0) source_->Consumed(used);
  destination_->Appended(produced);
  progress_ = used > 0 || produced > 0;
  return true;
}

// ---------------------------------------------------------------------------
// Reading

bool TDSACMConversionStream::Refill() {
  while (!destination_->HasData() && !endConverted_) {
    if (!innerEnded_) {
      TDSArea free = source_->FreeArea();
      if (free.NonEmpty()) {
        int32_t n = inner_.Read(free);
        if (n < 0) return false;
        if (n == 0)
          innerEnded_ = true;
        else
          source_->Appended(std::min(n, free.Size));
      }
    }
    if (innerEnded_) {
      // The rest, partial blocks too, and what the codec holds back.
      if (!ConvertStep(true)) return false;
      if (!progress_) endConverted_ = true;
      continue;
    }
    if (!source_->HasData()) continue;
    if (!ConvertStep(false)) return false;
    // A full source that the codec takes nothing of will never move on.
    if (!progress_ && !source_->FreeArea().NonEmpty()) return false;
  }
  return true;
}

int32_t TDSACMConversionStream::Read(TDSArea area) {
  DSRequire(direction_ == cdReader && area.Data != nullptr && area.Size >= 0);
  int32_t copied = 0;
  while (copied < area.Size) {
    if (!destination_->HasData() && !Refill()) return -1;
    const TDSArea& data = destination_->Data();
    if (!data.NonEmpty()) break;
    int32_t n = std::min(data.Size, area.Size - copied);
    HDSMemory::Copy(data.Data, area.Data + copied, n);
    destination_->Consumed(n);
    copied += n;
  }
  return copied;
}

// ---------------------------------------------------------------------------
// Writing

bool TDSACMConversionStream::WriteOut() {
  const TDSArea data = destination_->Data();
  if (!data.NonEmpty()) return true;
  int32_t written = inner_.Write(data);
  if (written > 0) destination_->Consumed(std::min(written, data.Size));
  return written == data.Size;
}

bool TDSACMConversionStream::Flush() { return WriteOut() && ConvertStep(false) && WriteOut(); }

int32_t TDSACMConversionStream::Write(TDSArea area) {
  DSRequire(direction_ == cdWriter && area.Data != nullptr && area.Size >= 0);
  // Once the stream below refused data, converting more would only lose it.
  if (failed_) return -1;
  int32_t taken = 0;
  while (taken < area.Size) {
    if (!source_->FreeArea().NonEmpty()) {
      if (!Flush() || !source_->FreeArea().NonEmpty()) {
        failed_ = true;
        return -1;
      }
    }
    TDSArea free = source_->FreeArea();
    int32_t n = std::min(free.Size, area.Size - taken);
    HDSMemory::Copy(area.Data + taken, free.Data, n);
    source_->Appended(n);
    taken += n;
  }
  return taken;
}

bool TDSACMConversionStream::PadLastBlock() {
  const TDSWaveFormat& input = *ownFormat_;
  if (!input.IsPCM() || !source_->HasData() || source_->Data().Size % input.BlockAlign() != 0) return false;
  int32_t block = acm_->SourceSizeFor(innerFormat_.BlockAlign());
  int32_t rest = source_->Data().Size;
  if (block <= rest || block > source_->Chunk().Size()) return false;
  TDSArea free = source_->FreeArea();
  // Silence: the middle of the range for unsigned 8-bit samples, else zero.
  std::memset(free.Data, input.BitsPerSample() == 8 ? 0x80 : 0, static_cast<size_t>(block - rest));
  source_->Appended(block - rest);
  return true;
}

bool TDSACMConversionStream::Finish() {
  if (direction_ != cdWriter) return true;
  if (finished_) return !failed_;
  finished_ = true;
  bool ok = false;
  try {
    ok = FinishWriting();
  } catch (const EDSError&) {
  }
  if (!ok) failed_ = true;
  return ok;
}

bool TDSACMConversionStream::FinishWriting() {
  if (failed_ || !WriteOut()) return false;
  // Whole blocks first, as while writing.
  while (source_->HasData()) {
    if (!ConvertStep(false) || !WriteOut()) return false;
    if (!progress_) break;
  }
  // Then the end of the stream: the trailing partial block and whatever the
  // codec still holds, so that the last words of a recording reach the file.
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < kMaxEndSteps; ++i) {
      // A codec that refuses the end step holds nothing more to give; only
      // a stream below that refuses data loses some.
      if (!ConvertStep(true)) return true;
      if (!WriteOut()) return false;
      if (!progress_) break;
    }
    // A codec that ignores a partial block even at the end (Wine's IMA ADPCM
    // encoder) gets it completed with silence: at most one block longer.
    if (pass > 0 || !PadLastBlock()) break;
  }
  return true;
}
