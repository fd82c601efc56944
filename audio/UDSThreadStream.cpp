#include "audio/UDSThreadStream.h"

TDSStreamCopyThread::TDSStreamCopyThread(TDSStream& stream, TDSFIFO& fifo, TDirection direction)
    : stream_(stream), fifo_(fifo), direction_(direction) {
  thread_.reset(::CreateThread(nullptr, 0, &TDSStreamCopyThread::Run, this, 0, nullptr));
  DSRequire(bool(thread_));
}

TDSStreamCopyThread::~TDSStreamCopyThread() { Join(); }

void TDSStreamCopyThread::Join() {
  fifo_.Finish();
  ::WaitForSingleObject(thread_.get(), INFINITE);
}

bool TDSStreamCopyThread::Ended() const { return ::WaitForSingleObject(thread_.get(), 0) == WAIT_OBJECT_0; }

DWORD WINAPI TDSStreamCopyThread::Run(void* self) {
  static_cast<TDSStreamCopyThread*>(self)->Execute();
  return 0;
}

void TDSStreamCopyThread::Execute() {
  try {
    if (direction_ == cdFill) {
      while (fifo_.FillFromStream(stream_, fifo_.Capacity()) != 0) {
      }
    } else {
      // A target that refuses data ends this loop with the ".Consumed(0)"
      // error.
      while (fifo_.DrainToStream(stream_, fifo_.Capacity()) != 0) {
      }
    }
  } catch (...) {
    failed_ = true;
  }
  // Without this a writer would block for ever once the FIFO is full.
  fifo_.Finish();
}

// ---------------------------------------------------------------------------

TDSThreadStream::TDSThreadStream(TDSStream& inner, int32_t bytes, TMode mode)
    : inner_(inner), mode_(mode), fifo_(std::make_unique<TDSFIFO>(bytes)) {
  thread_ = std::make_unique<TDSStreamCopyThread>(
      inner_, *fifo_, mode == tmReadAhead ? TDSStreamCopyThread::cdFill : TDSStreamCopyThread::cdDrain);
}

TDSThreadStream::~TDSThreadStream() {
  thread_.reset();
  fifo_.reset();
}

bool TDSThreadStream::Finish() {
  if (mode_ != tmWriteBehind) return true;
  thread_->Join();
  return !thread_->Failed() && fifo_->DataSize() == 0;
}

int32_t TDSThreadStream::Read(TDSArea area) {
  // A second consumer beside the drain thread would tear the FIFO apart.
  if (mode_ != tmReadAhead || area.Size < 0) return -1;
  int32_t total = 0;
  while (total < area.Size) {
    int32_t n = fifo_->DrainToMemory(TDSArea(area.Data + total, area.Size - total));
    if (n < 1) break;
    total += n;
  }
  return total;
}

int32_t TDSThreadStream::Write(TDSArea area) {
  if (mode_ != tmWriteBehind || area.Size < 0) return -1;
  int32_t total = 0;
  while (total < area.Size) {
    int32_t n = fifo_->FillFromMemory(TDSArea(area.Data + total, area.Size - total));
    if (n < 1) break;
    total += n;
  }
  return total;
}
