// A file written as a stream, whose writes reach the disk, not only the
// system's cache, at least once per interval while it is being written: a
// power cut then loses no more than that. The file is created (or emptied)
// by its first use, so that a chain that cannot be built leaves none.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "audio/UDSStream.h"
#include "base/WinHandles.h"

namespace wave {

class TFlushingFile : public TDSStream {
public:
  TFlushingFile(std::wstring name, DWORD intervalMs);
  // Flushes and closes the file, if that was not done.
  ~TFlushingFile() override;
  const char* ClassName() const override { return "TFlushingFile"; }

  int32_t GetPosition() override;
  int32_t Read(TDSArea area) override;
  // A write that finds the interval passed since the last flush flushes.
  int32_t Write(TDSArea area) override;
  bool Seek(TDSSeek seek) override;
  // Flushes and closes; false when that or an earlier write failed.
  bool Finish() override;

  // Why the file could not be created (the platform's code), 0 when it was
  // or was not tried yet.
  DWORD OpenError() const { return openError_; }
  // Flushes done while writing, and what they took in microseconds.
  int32_t Flushes() const { return flushes_; }
  int64_t LongestFlushMicroseconds() const { return longestFlush_; }
  int64_t TotalFlushMicroseconds() const { return totalFlush_; }

private:
  bool Opened();
  bool Flush();

  std::wstring name_;
  DWORD interval_;
  win::File file_;
  DWORD openError_ = 0;
  bool finished_ = false;
  bool failed_ = false;
  ULONGLONG lastFlush_ = 0;
  int32_t flushes_ = 0;
  int64_t longestFlush_ = 0;
  int64_t totalFlush_ = 0;
};

}  // namespace wave
