// Figures of the stream library: write-behind throughput beside memcpy,
// heap allocations per FIFO transfer, and the speed of the recording chain
// from 8-bit PCM into an IMA ADPCM file.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "audio/UDSACMFormat.h"
#include "audio/UDSACMStream.h"
#include "audio/UDSThreadStream.h"
#include "audio/UDSWaveStream.h"
#include "audio/UDSWaveStreamFactory.h"

namespace {
std::atomic<long long> allocations{0};
}

// Counts every allocation of the program; the FIFO path must make none.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(size_t n) {
  ++allocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace {

double Now() {
  LARGE_INTEGER f, c;
  ::QueryPerformanceFrequency(&f);
  ::QueryPerformanceCounter(&c);
  return double(c.QuadPart) / double(f.QuadPart);
}

double CpuSeconds() {
  FILETIME created, exited, kernel, user;
  ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto seconds = [](FILETIME t) { return (double(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 1e7; };
  return seconds(kernel) + seconds(user);
}

// The stage below a write-behind stream: copies what it gets into its own
// memory, as a file's cache would.
class Sink : public TDSStream {
public:
  explicit Sink(size_t size) : memory_(size) {}
  int32_t Write(TDSArea area) override {
    size_t left = area.Size;
    const uint8_t* from = area.Data;
    while (left) {
      size_t n = std::min(left, memory_.size() - at_);
      std::memcpy(memory_.data() + at_, from, n);
      at_ = (at_ + n) % memory_.size();
      from += n;
      left -= n;
    }
    total_ += area.Size;
    return area.Size;
  }
  long long total_ = 0;

private:
  std::vector<uint8_t> memory_;
  size_t at_ = 0;
};

struct Rates {
  double memcpyRate = 0, streamRate = 0, allocsPerWrite = 0;
};

// One run of each: `volume` bytes in writes of `size`.
Rates Measure(const std::vector<uint8_t>& source, int32_t size, int32_t fifo, long long volume) {
  Rates r;
  const long long writes = volume / size;
  // memcpy of the same pieces into the same kind of destination.
  Sink plain(fifo);
  double t0 = Now();
  for (long long i = 0; i < writes; ++i) plain.Write(TDSArea(source.data(), size));
  r.memcpyRate = double(volume) / (Now() - t0) / 1e6;

  Sink target(fifo);
  double t1 = Now();
  long long before = 0, after = 0;
  {
    TDSThreadStream stream(target, fifo, TDSThreadStream::tmWriteBehind);
    before = allocations.load();
    for (long long i = 0; i < writes; ++i) stream.Write(TDSArea(source.data(), size));
    after = allocations.load();
  }  // returns once the target has every byte
  r.streamRate = double(volume) / (Now() - t1) / 1e6;
  r.allocsPerWrite = double(after - before) / double(writes);
  if (target.total_ != volume) std::printf("LOST DATA: %lld of %lld\n", target.total_, volume);
  return r;
}

void ThroughputFigures() {
  const int32_t kFifo = 1 << 20;
  const long long kVolume = 1LL << 30;
  const int kRuns = 3;
  std::vector<uint8_t> source(256 * 1024);
  for (size_t i = 0; i < source.size(); ++i) source[i] = uint8_t(i * 31);
  std::printf("Write-behind thread stream (FIFO %d KiB) beside memcpy into a %d KiB sink, %lld MiB a run,\n"
              "best of %d runs (the 2 cores are shared with other work)\n",
              kFifo / 1024, kFifo / 1024, kVolume >> 20, kRuns);
  std::printf("%10s %14s %14s %8s %16s\n", "write", "memcpy MB/s", "stream MB/s", "ratio", "allocs/write");
  for (int32_t size : {1024, 16 * 1024, 256 * 1024}) {
    Rates best;
    for (int run = 0; run < kRuns; ++run) {
      Rates r = Measure(source, size, kFifo, kVolume);
      best.memcpyRate = std::max(best.memcpyRate, r.memcpyRate);
      best.streamRate = std::max(best.streamRate, r.streamRate);
      best.allocsPerWrite = std::max(best.allocsPerWrite, r.allocsPerWrite);
    }
    std::printf("%8d B %14.0f %14.0f %8.2f %16.4f\n", size, best.memcpyRate, best.streamRate,
                best.streamRate / best.memcpyRate, best.allocsPerWrite);
  }
}

std::string Speech8(double seconds) {
  wchar_t path[MAX_PATH];
  DWORD n = ::GetEnvironmentVariableW(L"VOCORDER_BUILD", path, MAX_PATH);
  std::wstring name = n ? L"Z:" + std::wstring(path) + L"/fixtures/speech11k8.wav" : L"speech11k8.wav";
  std::string one;
  if (auto file = TDSMMIOWaveStream::OpenFile(name)) {
    char buf[4096];
    for (int32_t got; (got = file->Read(TDSArea(buf, sizeof buf))) > 0;) one.append(buf, size_t(got));
  }
  if (one.empty()) one = std::string(11025, '\x80');
  std::string all;
  while (all.size() < size_t(seconds * 11025)) all += one;
  return all;
}

TDSWaveFormat Pcm(uint16_t channels, uint16_t bits, uint32_t rate) {
  TDSWaveFormat f;
  f.SetFormatTag(WAVE_FORMAT_PCM).SetChannels(channels).SetBitsPerSample(bits).SetSamplesPerSec(rate);
  f.CheckComplete();
  return f;
}

void Report(const char* what, const std::string& audio, TDSStream* chain, double setupSeconds) {
  if (!chain) {
    std::printf("%-44s could not be built\n", what);
    return;
  }
  const double cpu0 = CpuSeconds(), wall0 = Now();
  for (size_t at = 0; at < audio.size(); at += 1103)
    chain->Write(TDSArea(audio.data() + at, int32_t(std::min<size_t>(1103, audio.size() - at))));
  delete chain;  // the end: the FIFO drains, the converters flush, the file closes
  const double cpu = CpuSeconds() - cpu0, wall = Now() - wall0;
  const double seconds = double(audio.size()) / 11025;
  std::printf("%-44s %8.0fx real time per CPU second (%.1f s of audio, %.2f s CPU, %.2f s wall; built in %.2f s)\n",
              what, seconds / cpu, seconds, cpu, wall, setupSeconds);
}

void RecordingChainFigures() {
  const std::string audio = Speech8(600);
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring name = std::wstring(temp) + L"vocorder-bench.wav";
  std::printf("\nPCM 11025 Hz 8-bit mono into an IMA ADPCM file, write-behind FIFO of 3000 ms\n");

  TDSWaveStreamFactory factory;
  factory.SetFormat(TDSWaveFormat().SetFormatTag(WAVE_FORMAT_IMA_ADPCM));
  factory.Threaded = true;
  double t = Now();
  std::unique_ptr<TDSStream> chain = factory.CreateWriteChain(name, Pcm(1, 8, 11025));
  Report("factory chain (via 16-bit stereo PCM)", audio, chain.release(), Now() - t);

  // The chain the factory builds for a path of 16-bit mono PCM, then mono
  // IMA ADPCM: Wine's negotiation never reaches it from 8-bit mono.
  t = Now();
  std::unique_ptr<TDSWaveFormat> ima = HDSACMFormat::Suggest(Pcm(1, 16, 11025), TDSWaveFormat().SetFormatTag(17));
  std::vector<std::unique_ptr<TDSStream>> stages;
  stages.push_back(TDSMMIOWaveStream::CreateFile(name, TDSWaveStreamFormat(*ima)));
  stages.push_back(TDSACMConversionStream::CreateWriter(Pcm(1, 16, 11025), *stages.back(), true));
  stages.push_back(TDSACMConversionStream::CreateWriter(Pcm(1, 8, 11025), *stages.back(), true));
  stages.push_back(TDSThreadStream::CreateWriteBehind(*stages.back(), 33075));
  Report("hand-built chain (via 16-bit mono PCM)", audio, new TDSCombinedStream(std::move(stages)), Now() - t);
  ::DeleteFileW(name.c_str());
}

}  // namespace

int main() {
  ThroughputFigures();
  RecordingChainFigures();
  return 0;
}
