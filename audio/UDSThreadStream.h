// Streams buffered by a FIFO and a copy thread: a read-ahead stream fills the
// FIFO from its source in the background, a write-behind stream drains it
// into its target.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include "audio/UDSFIFO.h"
#include "audio/UDSStream.h"
#include "base/WinHandles.h"

class TDSStreamCopyThread : public TDSObject {
public:
  enum TDirection { cdFill, cdDrain };

  // Starts at once: cdFill copies `stream` into the FIFO until the stream
  // ends, cdDrain copies the FIFO into `stream` until the FIFO is finished
  // and empty or the stream refuses data. Either way the thread finishes
  // the FIFO when it ends, so that the other side stops waiting.
  TDSStreamCopyThread(TDSStream& stream, TDSFIFO& fifo, TDirection direction);
  // Finishes the FIFO and waits for the thread.
  ~TDSStreamCopyThread() override;
  const char* ClassName() const override { return "TDSStreamCopyThread"; }

  // Whether the thread has ended (for tests and diagnostics).
  bool Ended() const;
  // Finishes the FIFO and waits until the thread has copied what it holds.
  void Join();
  // Whether the thread stopped because its stream refused data or failed.
  bool Failed() const { return failed_; }

private:
  static DWORD WINAPI Run(void* self);
  void Execute();

  TDSStream& stream_;
  TDSFIFO& fifo_;
  TDirection direction_;
  std::atomic<bool> failed_{false};
  win::Handle thread_;
};

class TDSThreadStream : public TDSStream {
public:
  enum TMode { tmReadAhead, tmWriteBehind };

  TDSThreadStream(TDSStream& inner, int32_t bytes, TMode mode);
  // The thread first (a write-behind stream returns once every byte reached
  // its target), then the FIFO.
  ~TDSThreadStream() override;
  const char* ClassName() const override { return "TDSThreadStream"; }

  static std::unique_ptr<TDSThreadStream> CreateReadAhead(TDSStream& source, int32_t bytes) {
    return std::make_unique<TDSThreadStream>(source, bytes, tmReadAhead);
  }
  static std::unique_ptr<TDSThreadStream> CreateWriteBehind(TDSStream& target, int32_t bytes) {
    return std::make_unique<TDSThreadStream>(target, bytes, tmWriteBehind);
  }

  const TDSWaveStreamFormat* GetFormat() override { return inner_.GetFormat(); }
  // Read-ahead streams only; -1 on a write-behind stream.
  int32_t Read(TDSArea area) override;
  // Write-behind streams only; fewer bytes than given once the target has
  // refused data.
  int32_t Write(TDSArea area) override;
  // Write-behind: returns once every byte written reached the target; false
  // when the target refused some. The inner stream is not finished here.
  bool Finish() override;

  TDSFIFO& FIFO() const { return *fifo_; }
  TDSStreamCopyThread& Thread() const { return *thread_; }

private:
  TDSStream& inner_;
  TMode mode_;
  std::unique_ptr<TDSFIFO> fifo_;
  std::unique_ptr<TDSStreamCopyThread> thread_;
};
