#include "audio/UDSFIFO.h"

#include <algorithm>
#include <mutex>
#include <string>

#include "audio/UDSMemory.h"

TDSFIFO::TDSFIFO(int32_t size)
    : storage_(std::max(size, kMinSize)),
      free_(storage_.Area(), storage_.Area()),
      data_(storage_.Area(), TDSArea(storage_.Data(), 0)),
      finished_(TDSEvent::CreateManualReset()) {
  Mirror();
}

void TDSFIFO::Mirror() {
  dataBytes_.store(data_.Live.Size, std::memory_order_relaxed);
  freeBytes_.store(free_.Live.Size, std::memory_order_relaxed);
}

int32_t TDSFIFO::DataSize() {
  std::lock_guard<TDSCriticalSection> lock(lock_);
  return data_.Live.Size;
}

void TDSFIFO::Produced(int32_t n) {
  DSRequire(n >= 0);
  std::lock_guard<TDSCriticalSection> lock(lock_);
  if (n == 0) {
    finishedFlag_ = true;
    finishedMirror_ = true;
    finished_->SetEvent();
    return;
  }
  DSRequire(n <= free_.Live.Size);
  data_.Grow(n);
  free_.AdvanceStart(n);
  Mirror();
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
  Mirror();
  if (producerWaits_) {
    producerWaits_ = false;
    spaceReady_.SetEvent();
  }
}

void TDSFIFO::Finish() {
  std::lock_guard<TDSCriticalSection> lock(lock_);
  finishedFlag_ = true;
  finishedMirror_ = true;
  finished_->SetEvent();
}

// Before it sleeps, a side that found nothing to do watches the other side
// for a few microseconds: a sleep costs two wine server calls and a thread
// switch, while the other side usually moves on within that time.
void TDSFIFO::Spin(const std::atomic<int32_t>& bytes) const {
  for (int i = 0; i < kSpin && bytes.load(std::memory_order_relaxed) == 0 &&
                  !finishedMirror_.load(std::memory_order_relaxed);
       ++i)
    YieldProcessor();
}

// The state is looked at again after every wake-up, so a signal left over
// from an earlier round does no harm.
int TDSFIFO::Acquire(bool producer, TDSArea pieces[2]) {
  for (;;) {
    Spin(producer ? freeBytes_ : dataBytes_);
    {
      std::lock_guard<TDSCriticalSection> lock(lock_);
      if (producer) {
        // The end has priority: nothing is taken after it.
        if (finishedFlag_) return 0;
        if (free_.Live.Size > 0) return free_.Split(pieces);
        producerWaits_ = true;
      } else {
        // Remaining data has priority over the end.
        if (data_.Live.Size > 0) return data_.Split(pieces);
        if (finishedFlag_) return 0;
        consumerWaits_ = true;
      }
    }
    if (producer)
      TDSEvent::WaitForAnyForever({finished_.get(), &spaceReady_});
    else
      TDSEvent::WaitForAnyForever({&dataReady_, finished_.get()});
  }
}

bool TDSFIFO::WaitWritable() {
  TDSArea pieces[2];
  return Acquire(true, pieces) > 0;
}

bool TDSFIFO::WaitReadable() {
  TDSArea pieces[2];
  return Acquire(false, pieces) > 0;
}

int32_t TDSFIFO::FillFromStream(TDSStream& source, int32_t max) {
  TDSArea pieces[2];
  int count = Acquire(true, pieces);
  if (count == 0) return 0;
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
  if (area.Size <= 0) return 0;
  TDSArea pieces[2];
  int count = Acquire(true, pieces);
  if (count == 0) return 0;
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
  TDSArea pieces[2];
  int count = Acquire(false, pieces);
  if (count == 0) return 0;
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
  if (area.Size <= 0) return 0;
  TDSArea pieces[2];
  int count = Acquire(false, pieces);
  if (count == 0) return 0;
  int32_t total = 0;
  for (int i = 0; i < count && total < area.Size; ++i) {
    int32_t n = std::min(pieces[i].Size, area.Size - total);
    HDSMemory::Copy(pieces[i].Data, area.Data + total, n);
    total += n;
  }
  Consumed(total);
  return total;
}
