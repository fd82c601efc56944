// Soak run of the recorder's writer: 30 minutes of 11025 Hz 8-bit mono
// written, unpaced, in 1024-byte buffers through one TWaveOut into one
// MPEG Layer-3 file. Prints the process's memory at the start, every five
// recorded minutes and at the end (it must stay flat), and the CPU time
// used per recorded minute.
#include <windows.h>
#include <psapi.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

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

}  // namespace

int main() {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (!codec::EnsureMp3Encoder()) {
    std::printf("no MPEG Layer-3 encoder\n");
    return 1;
  }
  constexpr int kMinutes = 30;
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
  const double cpu0 = CpuSeconds();
  const ULONGLONG wall0 = ::GetTickCount64();
  std::printf("start        address space %.2f MiB, working set %.2f MiB\n", start.privateMiB, start.workingSetMiB);
  for (int m = 1; m <= kMinutes; ++m) {
    for (size_t at = 0; at < minute.size(); at += 1024) {
      uint32_t n = static_cast<uint32_t>(std::min<size_t>(1024, minute.size() - at));
      while (out.Write(minute.data() + at, n) == 7) ::Sleep(0);
    }
    if (m % 5 == 0) {
      Memory now = Now();
      std::printf("minute %2d    address space %.2f MiB, working set %.2f MiB\n", m, now.privateMiB, now.workingSetMiB);
    }
  }
  out.Close();
  const double cpu = CpuSeconds() - cpu0;
  const Memory end = Now();
  WIN32_FILE_ATTRIBUTE_DATA info{};
  ::GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &info);
  std::printf("end          address space %.2f MiB, working set %.2f MiB (address space grew %.2f MiB)\n", end.privateMiB,
              end.workingSetMiB, end.privateMiB - start.privateMiB);
  std::printf("recorded     %d min in %.1f s wall, file %lu bytes\n", kMinutes,
              (::GetTickCount64() - wall0) / 1000.0, info.nFileSizeLow);
  std::printf("CPU          %.3f s per recorded minute\n", cpu / kMinutes);
  ::DeleteFileW(file.c_str());
  return 0;
}
