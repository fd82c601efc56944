// A ring buffer between exactly one producer and one consumer on different
// threads. The lock guards the two rings and the waiting state; data is
// copied outside it, which is safe because the producer only writes into the
// free ring and the consumer only reads from the data ring.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "audio/UDSArea.h"
#include "audio/UDSCriticalSection.h"
#include "audio/UDSEvent.h"
#include "audio/UDSMemory.h"
#include "audio/UDSStream.h"

class TDSFIFO : public TDSObject {
public:
  static constexpr int32_t kMinSize = 1024;

  // Storage of `size` bytes, at least kMinSize.
  explicit TDSFIFO(int32_t size);
  const char* ClassName() const override { return "TDSFIFO"; }

  int32_t Capacity() const { return storage_.Size(); }
  int32_t DataSize();

  // n bytes were written into the free ring; 0 marks the end of the data.
  void Produced(int32_t n);
  // n bytes were taken from the data ring; 0 is an error.
  void Consumed(int32_t n);
  // Ends the FIFO: waiting stops, and the producer takes no more data.
  void Finish();

  // False once the FIFO is finished.
  bool WaitWritable();
  // False once the FIFO is finished and empty: remaining data comes first.
  bool WaitReadable();

  // Each returns the bytes moved; 0 when the FIFO is finished.
  int32_t FillFromStream(TDSStream& source, int32_t max);
  int32_t FillFromMemory(TDSArea area);
  int32_t DrainToStream(TDSStream& target, int32_t max);
  int32_t DrainToMemory(TDSArea area);

  TDSEvent& DataReady() { return dataReady_; }
  TDSEvent& SpaceReady() { return spaceReady_; }
  TDSEvent& Finished() { return *finished_; }

private:
  // Waits until the producer's free ring or the consumer's data ring holds
  // bytes, and splits that ring under the same lock; 0 when finished.
  int Acquire(bool producer, TDSArea pieces[2]);
  void Mirror();
  void Spin(const std::atomic<int32_t>& bytes) const;
  static constexpr int kSpin = 1000;

  TDSMemChunk storage_;
  TDSRing free_;
  TDSRing data_;
  TDSCriticalSection lock_;
  TDSEvent dataReady_;
  TDSEvent spaceReady_;
  std::unique_ptr<TDSEvent> finished_;
  // Under the lock. An event call is a round trip to the kernel (under Wine
  // to the wine server, some 17 us), so the events are only set when the
  // other side has said that it waits.
  bool finishedFlag_ = false;
  bool consumerWaits_ = false;
  bool producerWaits_ = false;
  // Copies of the ring sizes and the end for watching without the lock;
  // every decision is still taken under it.
  std::atomic<int32_t> dataBytes_{0};
  std::atomic<int32_t> freeBytes_{0};
  std::atomic<bool> finishedMirror_{false};
};
