// How fast the recorder's writer turns recorded buffers into an MPEG
// Layer-3 file: 60 s of 11025 Hz 8-bit mono written in 1024-byte buffers
// through TWaveOut (write-behind FIFO, ACM encoder, RIFF file). Prints the
// real-time factor, the slowest Write (the owner's worker waits that long
// when the FIFO is full) and what flushing the file to the disk costs the
// file's writer (at least every TWaveOut::kFlushMilliseconds, and once at
// the end).
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "codec/Mp3Fallback.h"
#include "wave/TFWaveO.h"

int main() {
  if (!codec::EnsureMp3Encoder()) {
    std::printf("no MPEG Layer-3 encoder\n");
    return 1;
  }
  const int seconds = 60;
  std::vector<unsigned char> samples(11025u * seconds);
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<unsigned char>(128 + 60 * std::sin(i * 0.07) * std::sin(i * 0.0003));
  wchar_t tmp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, tmp);
  const std::wstring file = std::wstring(tmp) + L"bench_recorder.mp3";

  LARGE_INTEGER f, t0, t1, a, b;
  ::QueryPerformanceFrequency(&f);
  double slowest = 0;
  TWaveOut out;
  out.SetSamples(TSamples::_11kHz);
  out.SetSaveFormat(TSaveFormat::MP3);
  ::QueryPerformanceCounter(&t0);
  out.SetSaveToFile(file);
  if (out.SaveToFile().empty()) return 1;
  for (size_t at = 0; at < samples.size(); at += 1024) {
    ::QueryPerformanceCounter(&a);
    while (out.Write(samples.data() + at, 1024) == 7) ::Sleep(0);
    ::QueryPerformanceCounter(&b);
    slowest = std::max(slowest, double(b.QuadPart - a.QuadPart) / f.QuadPart);
  }
  int flushes = 0;
  double longestFlush = 0, totalFlush = 0;
  auto noteFlushes = [&] {
    if (const wave::TFlushingFile* f = out.File()) {
      flushes = f->Flushes();
      longestFlush = f->LongestFlushMicroseconds() / 1000.0;
      totalFlush = f->TotalFlushMicroseconds() / 1000.0;
    }
  };
  noteFlushes();
  // Close drains the FIFO, completes the sizes and flushes once more.
  ::QueryPerformanceCounter(&a);
  out.Close();
  ::QueryPerformanceCounter(&t1);
  const double closeMs = double(t1.QuadPart - a.QuadPart) * 1000 / f.QuadPart;
  const double took = double(t1.QuadPart - t0.QuadPart) / f.QuadPart;
  WIN32_FILE_ATTRIBUTE_DATA info{};
  ::GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &info);
  std::printf("recorded audio      %d s\n", seconds);
  std::printf("write and close     %.3f s (%.1fx real time)\n", took, seconds / took);
  std::printf("slowest Write       %.2f ms\n", slowest * 1000);
  std::printf("file size           %lu bytes\n", info.nFileSizeLow);
  std::printf("flushes writing    %d, longest %.3f ms, total %.3f ms\n", flushes, longestFlush, totalFlush);
  std::printf("close (with flush) %.3f ms\n", closeMs);
  ::DeleteFileW(file.c_str());
  return 0;
}
