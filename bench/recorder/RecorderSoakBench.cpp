// Soak run of the recorder's writer: 60 minutes of 11025 Hz 8-bit mono
// written, unpaced, in 1024-byte buffers through one TWaveOut into one
// MPEG Layer-3 file whose sizes are brought up to date as it grows. Prints
// the process's memory every five recorded minutes (it must stay flat from
// minute 5 on), the CPU time per recorded minute, and what the size updates
// and the flushes to the disk cost the file's writer (the drain thread). A paced half minute at the
// input's own rate then shows whether the input side ever waits long enough
// to lose a buffer.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "audio/UDSWaveStream.h"
#include "codec/Mp3Fallback.h"
#include "wave/TFWaveO.h"

namespace {

struct Memory {
  double privateMiB, workingSetMiB;  // address space in use, working set
};

// Wine reports no private bytes; the address space in use stands in.
Memory Now() {
  PROCESS_MEMORY_COUNTERS c{};
  c.cb = sizeof(c);
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &c, sizeof(c));
  MEMORYSTATUSEX m{};
  m.dwLength = sizeof(m);
  ::GlobalMemoryStatusEx(&m);
  return {(m.ullTotalVirtual - m.ullAvailVirtual) / 1048576.0, c.WorkingSetSize / 1048576.0};
}

double CpuSeconds() {
  FILETIME created, exited, kernel, user;
  ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto s = [](FILETIME t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7; };
  return s(kernel) + s(user);
}

double Milliseconds() {
  static LARGE_INTEGER f = [] {
    LARGE_INTEGER x;
    ::QueryPerformanceFrequency(&x);
    return x;
  }();
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return t.QuadPart * 1000.0 / f.QuadPart;
}

// The file stage at the bottom of the chain being written.
const TDSMMIOWaveStream* FileStage(const TWaveOut& out) {
  auto* chain = dynamic_cast<TDSCombinedStream*>(out.Chain());
  return chain ? dynamic_cast<const TDSMMIOWaveStream*>(&chain->Streams(0)) : nullptr;
}

void PrintUpdates(const char* what, const TWaveOut& out) {
  if (const TDSMMIOWaveStream* file = FileStage(out))
    std::printf("%s size updates %d, longest %.3f ms, mean %.3f ms\n", what, file->SizeUpdates(),
                file->LongestSizeUpdateMicroseconds() / 1000.0,
                file->SizeUpdates() ? file->TotalSizeUpdateMicroseconds() / 1000.0 / file->SizeUpdates() : 0.0);
  // Flushes to the disk, at least every TWaveOut::kFlushMilliseconds.
  if (const wave::TFlushingFile* f = out.File())
    std::printf("%s flushes %d, longest %.3f ms, mean %.3f ms\n", what, f->Flushes(),
                f->LongestFlushMicroseconds() / 1000.0,
                f->Flushes() ? f->TotalFlushMicroseconds() / 1000.0 / f->Flushes() : 0.0);
}

}  // namespace

int main() {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (!codec::EnsureMp3Encoder()) {
    std::printf("no MPEG Layer-3 encoder\n");
    return 1;
  }
  constexpr int kMinutes = 60;
  std::vector<unsigned char> minute(11025u * 60);
  for (size_t i = 0; i < minute.size(); ++i)
    minute[i] = static_cast<unsigned char>(128 + 60 * std::sin(i * 0.07) * std::sin(i * 0.0003));
  wchar_t tmp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, tmp);
  const std::wstring file = std::wstring(tmp) + L"bench_recorder_soak.mp3";

  TWaveOut out;
  out.SetSamples(TSamples::_11kHz);
  out.SetSaveFormat(TSaveFormat::MP3);
  out.SetSaveToFile(file);
  if (out.SaveToFile().empty()) return 1;
  const Memory start = Now();
  Memory at5{};
  double lowest = 1e9, highest = 0;
  const double cpu0 = CpuSeconds();
  const ULONGLONG wall0 = ::GetTickCount64();
  int failures = 0;
  std::printf("start        address space %.2f MiB, working set %.2f MiB\n", start.privateMiB, start.workingSetMiB);
  for (int m = 1; m <= kMinutes; ++m) {
    for (size_t at = 0; at < minute.size(); at += 1024) {
      uint32_t n = static_cast<uint32_t>(std::min<size_t>(1024, minute.size() - at));
      MMRESULT r;
      while ((r = out.Write(minute.data() + at, n)) == 7) ::Sleep(0);
      if (r != 0) ++failures;
    }
    if (m % 5 == 0) {
      Memory now = Now();
      if (m == 5) at5 = now;
      lowest = std::min(lowest, now.privateMiB);
      highest = std::max(highest, now.privateMiB);
      std::printf("minute %2d    address space %.2f MiB, working set %.2f MiB\n", m, now.privateMiB, now.workingSetMiB);
    }
  }
  PrintUpdates("unpaced     ", out);
  const MMRESULT closed = out.Close();
  const double cpu = CpuSeconds() - cpu0;
  const Memory end = Now();
  WIN32_FILE_ATTRIBUTE_DATA info{};
  ::GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &info);
  std::printf("end          address space %.2f MiB, working set %.2f MiB\n", end.privateMiB, end.workingSetMiB);
  std::printf("flat         minutes 5 to %d: address space %.2f to %.2f MiB (%.2f MiB apart)\n", kMinutes, lowest,
              highest, highest - lowest);
  std::printf("recorded     %d min in %.1f s wall, file %lu bytes, failed writes %d, close %u\n", kMinutes,
              (::GetTickCount64() - wall0) / 1000.0, info.nFileSizeLow, failures, closed);
  std::printf("CPU          %.3f s per recorded minute\n", cpu / kMinutes);

  // Paced: one 1024-byte buffer every 92.9 ms, as the input delivers them.
  // A buffer is lost only when a Write holds the input's worker longer than
  // the other queued buffers last.
  out.SetSaveToFile(file);
  double longestWrite = 0;
  const double buffer = 1024 * 1000.0 / 11025;
  const double t0 = Milliseconds();
  int late = 0;
  for (int i = 0; i < 320; ++i) {
    double due = t0 + i * buffer;
    while (Milliseconds() < due) ::Sleep(1);
    double before = Milliseconds();
    if (out.Write(minute.data() + (i * 1024) % (minute.size() - 1024), 1024) != 0) ++late;
    double took = Milliseconds() - before;
    longestWrite = std::max(longestWrite, took);
    if (took > buffer) ++late;
  }
  PrintUpdates("paced 30 s  ", out);
  std::printf("paced 30 s   longest input-side Write %.3f ms (a buffer lasts %.1f ms), buffers late or refused %d\n",
              longestWrite, buffer, late);
  out.Close();
  ::DeleteFileW(file.c_str());
  return 0;
}
