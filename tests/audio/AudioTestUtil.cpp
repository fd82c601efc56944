#include "AudioTestUtil.h"

#include <cmath>
#include <cstring>

namespace audio_test {

TDSWaveFormat Pcm(uint16_t channels, uint16_t bits, uint32_t rate) {
  TDSWaveFormat f;
  f.SetFormatTag(WAVE_FORMAT_PCM).SetChannels(channels).SetBitsPerSample(bits).SetSamplesPerSec(rate);
  return f;
}

TDSWaveFormat Tag(uint16_t tag, uint16_t channels, uint32_t rate, int bits) {
  TDSWaveFormat f;
  f.SetFormatTag(tag);
  if (channels) f.SetChannels(channels);
  if (rate) f.SetSamplesPerSec(rate);
  if (bits >= 0) f.SetBitsPerSample(static_cast<uint16_t>(bits));
  return f;
}

std::string Le16(uint16_t v) { return std::string{char(v & 0xFF), char(v >> 8)}; }
std::string Le32(uint32_t v) { return Le16(uint16_t(v & 0xFFFF)) + Le16(uint16_t(v >> 16)); }

std::string Chunk(const char* id, uint32_t declaredSize, const std::string& bytes) {
  std::string s = std::string(id, 4) + Le32(declaredSize) + bytes;
  if (bytes.size() % 2) s += '\0';
  return s;
}

std::string Chunk(const char* id, const std::string& bytes) {
  return Chunk(id, static_cast<uint32_t>(bytes.size()), bytes);
}

std::string Riff(const std::string& chunks) { return Chunk("RIFF", "WAVE" + chunks); }

std::string PcmFmt(uint16_t channels, uint16_t bits, uint32_t rate) {
  uint16_t align = static_cast<uint16_t>(channels * bits / 8);
  return Le16(1) + Le16(channels) + Le32(rate) + Le32(rate * align) + Le16(align) + Le16(bits) + Le16(0);
}

std::vector<int16_t> Samples16(const std::string& bytes) {
  std::vector<int16_t> v(bytes.size() / 2);
  std::memcpy(v.data(), bytes.data(), v.size() * 2);
  return v;
}

double RmsDifference(const std::vector<int16_t>& a, const std::vector<int16_t>& b, size_t offset) {
  size_t n = std::min(a.size(), b.size());
  double sum = 0;
  for (size_t i = offset; i < n; ++i) sum += double(a[i] - b[i]) * double(a[i] - b[i]);
  return n > offset ? std::sqrt(sum / double(n - offset)) : 0;
}

double Rms(const std::vector<int16_t>& a) {
  double sum = 0;
  for (int16_t s : a) sum += double(s) * s;
  return a.empty() ? 0 : std::sqrt(sum / double(a.size()));
}

std::string Pattern(size_t n, uint32_t seed) {
  std::string s(n, '\0');
  uint32_t x = seed * 2654435761u + 12345;
  for (size_t i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345;
    s[i] = char(x >> 23);
  }
  return s;
}

}  // namespace audio_test
