#include "wave/TFlushingFile.h"

#include <algorithm>
#include <utility>

#include "base/Microseconds.h"

namespace wave {

TFlushingFile::TFlushingFile(std::wstring name, DWORD intervalMs) : name_(std::move(name)), interval_(intervalMs) {}

TFlushingFile::~TFlushingFile() { Finish(); }

bool TFlushingFile::Opened() {
  if (file_) return true;
  if (finished_ || openError_) return false;
  // Others may read it meanwhile (a backup), nobody may write it.
  file_.reset(::CreateFileW(name_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file_) {
    openError_ = ::GetLastError();
    if (!openError_) openError_ = ERROR_OPEN_FAILED;
    return false;
  }
  lastFlush_ = ::GetTickCount64();
  return true;
}

int32_t TFlushingFile::GetPosition() {
  if (!Opened()) return -1;
  LARGE_INTEGER zero{}, at{};
  if (!::SetFilePointerEx(file_.get(), zero, &at, FILE_CURRENT) || at.QuadPart > INT32_MAX) return -1;
  return static_cast<int32_t>(at.QuadPart);
}

int32_t TFlushingFile::Read(TDSArea area) {
  if (!Opened() || area.Size < 0) return -1;
  DWORD n = 0;
  if (!::ReadFile(file_.get(), area.Data, static_cast<DWORD>(area.Size), &n, nullptr)) return -1;
  return static_cast<int32_t>(n);
}

int32_t TFlushingFile::Write(TDSArea area) {
  if (!Opened() || area.Size < 0) return -1;
  DWORD n = 0;
  if (!::WriteFile(file_.get(), area.Data, static_cast<DWORD>(area.Size), &n, nullptr) ||
      n != static_cast<DWORD>(area.Size)) {
    failed_ = true;
    return n ? static_cast<int32_t>(n) : -1;
  }
  if (::GetTickCount64() - lastFlush_ >= interval_ && !Flush()) {
    failed_ = true;
    return -1;
  }
  return static_cast<int32_t>(n);
}

bool TFlushingFile::Seek(TDSSeek seek) {
  if (!Opened()) return false;
  static const DWORD how[] = {FILE_BEGIN, FILE_END, FILE_CURRENT};
  LARGE_INTEGER to{};
  to.QuadPart = seek.Offset;
  return ::SetFilePointerEx(file_.get(), to, nullptr, how[seek.Origin]) != FALSE;
}

bool TFlushingFile::Flush() {
  const int64_t start = win::Microseconds();
  const bool ok = ::FlushFileBuffers(file_.get()) != FALSE;
  const int64_t took = win::Microseconds() - start;
  lastFlush_ = ::GetTickCount64();
  ++flushes_;
  longestFlush_ = std::max(longestFlush_, took);
  totalFlush_ += took;
  return ok;
}

bool TFlushingFile::Finish() {
  if (finished_) return !failed_;
  finished_ = true;
  if (!file_) return !failed_ && !openError_;
  // What was written is on the disk before the file counts as complete.
  if (!Flush()) failed_ = true;
  if (!::CloseHandle(file_.release())) failed_ = true;
  return !failed_;
}

}  // namespace wave
