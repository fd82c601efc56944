// Shared helpers of the audio tests: formats, WAVE file images and samples.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audio/UDSWaveFormat.h"

namespace audio_test {

TDSWaveFormat Pcm(uint16_t channels, uint16_t bits, uint32_t rate);
// A template with only the given tag (and, when non-zero, the other fields).
TDSWaveFormat Tag(uint16_t tag, uint16_t channels = 0, uint32_t rate = 0, int bits = -1);

// A RIFF chunk: id, 32-bit size and the bytes, padded to even length.
std::string Chunk(const char* id, const std::string& bytes);
std::string Chunk(const char* id, uint32_t declaredSize, const std::string& bytes);
std::string Riff(const std::string& chunks);
// The 18-byte fmt record of a PCM format.
std::string PcmFmt(uint16_t channels, uint16_t bits, uint32_t rate);
std::string Le16(uint16_t v);
std::string Le32(uint32_t v);

// Samples of a file's data chunk: 16-bit signed values.
std::vector<int16_t> Samples16(const std::string& bytes);
// Root mean square of a - b over their common length, and of a.
double RmsDifference(const std::vector<int16_t>& a, const std::vector<int16_t>& b, size_t offset = 0);
double Rms(const std::vector<int16_t>& a);

// A deterministic test pattern whose bytes differ along a long stretch.
std::string Pattern(size_t n, uint32_t seed = 1);

}  // namespace audio_test
