#include "audio/UDSFIFO.h"

#include <algorithm>
#include <mutex>
#include <string>

#include "audio/UDSMemory.h"

TDSFIFO::TDSFIFO(int32_t size)
    : storage_(std::max(size, kMinSize)),
      free_(storage_.Area(), storage_.Area()),
      data_(storage_.Area(), TDSArea(storage_.Data(), 0)),
      finished_(TDSEvent::CreateManualReset()) {}

int32_t TDSFIFO::DataSize() {
  std::lock_guard<TDSCriticalSection> lock(lock_);
  return data_.Live.Size;
}

void TDSFIFO::Produced(int32_t n) {
  DSRequire(n >= 0);
  std::lock_guard<TDSCriticalSection> lock(lock_);
  if (n == 0) {
    finishedFlag_ = true;
    finished_->SetEvent();
    return;
  }
  DSRequire(n <= free_.Live.Size);
  data_.Grow(n);
  free_.AdvanceStart(n);
  if (consumerWaits_) {
    consumerWaits_ = false;
    dataReady_.SetEvent();
  }
}

void TDSFIFO::Consumed(int32_t n) {
  if (n == 0) throw EDSError(std::string(ClassName()) + ".Consumed(0)");
  DSRequire(n > 0);
  std::lock_guard<TDSCriticalSection> lock(lock_);
  DSRequire(n <= data_.Live.Size);
  free_.Grow(n);
  data_.AdvanceStart(n);
  if (producerWaits_) {
    producerWaits_ = false;
    spaceReady_.SetEvent();
  }
}

void TDSFIFO::Finish() {
  std::lock_guard<TDSCriticalSection> lock(lock_);
  finishedFlag_ = true;
  finished_->SetEvent();
}

// Both waits look at the state again after every wake-up, so a signal left
// over from an earlier round does no harm.
bool TDSFIFO::WaitWritable() {
  for (;;) {
    {
      std::lock_guard<TDSCriticalSection> lock(lock_);
      if (finishedFlag_) return false;
      if (free_.Live.Size > 0) return true;
      producerWaits_ = true;
    }
    TDSEvent::WaitForAnyForever({finished_.get(), &spaceReady_});
  }
}

bool TDSFIFO::WaitReadable() {
  for (;;) {
    {
      std::lock_guard<TDSCriticalSection> lock(lock_);
      if (data_.Live.Size > 0) return true;
      if (finishedFlag_) return false;
      consumerWaits_ = true;
    }
    TDSEvent::WaitForAnyForever({&dataReady_, finished_.get()});
  }
}

int TDSFIFO::Snapshot(const TDSRing& ring, TDSArea pieces[2]) {
  std::lock_guard<TDSCriticalSection> lock(lock_);
  return ring.Split(pieces);
}

int32_t TDSFIFO::FillFromStream(TDSStream& source, int32_t max) {
  if (!WaitWritable()) return 0;
  TDSArea pieces[2];
  int count = Snapshot(free_, pieces);
  int32_t total = 0;
  for (int i = 0; i < count && total < max; ++i) {
    int32_t want = std::min(pieces[i].Size, max - total);
    int32_t got = std::clamp(source.Read(TDSArea(pieces[i].Data, want)), 0, want);
    total += got;
    // The second piece continues the first only when the first is full.
    if (got < want) break;
  }
  Produced(total);
  return total;
}

int32_t TDSFIFO::FillFromMemory(TDSArea area) {
  // An empty area must not be taken for the end of the data.
  if (area.Size <= 0 || !WaitWritable()) return 0;
  TDSArea pieces[2];
  int count = Snapshot(free_, pieces);
  int32_t total = 0;
  for (int i = 0; i < count && total < area.Size; ++i) {
    int32_t n = std::min(pieces[i].Size, area.Size - total);
    HDSMemory::Copy(area.Data + total, pieces[i].Data, n);
    total += n;
  }
  Produced(total);
  return total;
}

int32_t TDSFIFO::DrainToStream(TDSStream& target, int32_t max) {
  if (!WaitReadable()) return 0;
  TDSArea pieces[2];
  int count = Snapshot(data_, pieces);
  int32_t total = 0;
  for (int i = 0; i < count && total < max; ++i) {
    int32_t want = std::min(pieces[i].Size, max - total);
    int32_t put = std::max(target.Write(TDSArea(pieces[i].Data, want)), 0);
    total += std::min(put, want);
    if (put < want) break;
  }
  Consumed(total);
  return total;
}

int32_t TDSFIFO::DrainToMemory(TDSArea area) {
  if (area.Size <= 0 || !WaitReadable()) return 0;
  TDSArea pieces[2];
  int count = Snapshot(data_, pieces);
  int32_t total = 0;
  for (int i = 0; i < count && total < area.Size; ++i) {
    int32_t n = std::min(pieces[i].Size, area.Size - total);
    HDSMemory::Copy(pieces[i].Data, area.Data + total, n);
    total += n;
  }
  Consumed(total);
  return total;
}
