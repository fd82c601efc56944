#include "WaveTestSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace wave_test {

double MeanDifference(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  if (n == 0) return 255;
  double sum = 0;
  for (size_t i = 0; i < n; ++i)
    sum += std::abs(static_cast<int>(static_cast<unsigned char>(a[i])) - static_cast<unsigned char>(b[i]));
  return sum / static_cast<double>(n);
}

double Spread(const std::string& s) {
  if (s.empty()) return 0;
  double mean = 0;
  for (char c : s) mean += static_cast<unsigned char>(c);
  mean /= static_cast<double>(s.size());
  double var = 0;
  for (char c : s) var += (static_cast<unsigned char>(c) - mean) * (static_cast<unsigned char>(c) - mean);
  return std::sqrt(var / static_cast<double>(s.size()));
}

}  // namespace wave_test

namespace wave_test {

const RiffChunk* RiffLayout::Find(const std::string& id) const {
  for (const RiffChunk& c : chunks)
    if (c.id == id) return &c;
  return nullptr;
}

RiffLayout ParseRiff(const std::string& b) {
  RiffLayout r;
  auto u32 = [&](size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<size_t>(i)]);
    return v;
  };
  if (b.size() < 12 || b.compare(0, 4, "RIFF") != 0 || b.compare(8, 4, "WAVE") != 0) return r;
  r.riffSize = u32(4);
  size_t at = 12;
  while (at + 8 <= b.size()) {
    RiffChunk c{b.substr(at, 4), u32(at + 4), at + 8};
    r.chunks.push_back(c);
    at = c.offset + c.size + (c.size & 1);
  }
  r.end = at;
  r.valid = true;
  return r;
}

}  // namespace wave_test

#include "audio/UDSWaveStreamFactory.h"

namespace wave_test {

FullFile::FullFile(const std::wstring& name, int32_t limit)
    : file_(::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0,
                          nullptr)),
      limit_(limit) {}

FullFile::~FullFile() { ::CloseHandle(file_); }

int32_t FullFile::GetPosition() { return static_cast<int32_t>(::SetFilePointer(file_, 0, nullptr, FILE_CURRENT)); }

int32_t FullFile::Read(TDSArea area) {
  DWORD n = 0;
  return ::ReadFile(file_, area.Data, static_cast<DWORD>(area.Size), &n, nullptr) ? static_cast<int32_t>(n) : -1;
}

int32_t FullFile::Write(TDSArea area) {
  const int32_t room = limit_ - GetPosition();
  if (room <= 0) return -1;
  DWORD n = 0;
  ::WriteFile(file_, area.Data, static_cast<DWORD>(area.Size < room ? area.Size : room), &n, nullptr);
  return static_cast<int32_t>(n);
}

bool FullFile::Seek(TDSSeek seek) {
  static const DWORD how[] = {FILE_BEGIN, FILE_END, FILE_CURRENT};
  return ::SetFilePointer(file_, seek.Offset, nullptr, how[seek.Origin]) != INVALID_SET_FILE_POINTER;
}

std::string DecodePcm(const std::wstring& file, uint16_t bits) {
  TDSWaveStreamFactory f;
  TDSWaveFormat pcm;
  pcm.SetFormatTag(WAVE_FORMAT_PCM).SetChannels(1).SetSamplesPerSec(11025).SetBitsPerSample(bits);
  f.SetFormat(pcm);
  auto chain = f.OpenReadChain(file);
  if (!chain) return {};
  std::string out;
  char buf[4096];
  int32_t n;
  while ((n = chain->Read(TDSArea(buf, sizeof buf))) > 0) out.append(buf, static_cast<size_t>(n));
  return out;
}

}  // namespace wave_test
