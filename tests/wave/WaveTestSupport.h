// What the wave tests share: waiting for a state while the thread's
// messages run, and the spoken fixture's samples.
#pragma once

#include <windows.h>

#include "audio/UDSStream.h"

#include <functional>
#include <cstdint>
#include <string>
#include <vector>

#include "Pump.h"

namespace wave_test {

using testing_support::PumpUntil;

// Mean of |a[i] - b[i]| over the shorter length, as unsigned 8-bit samples.
double MeanDifference(const std::string& a, const std::string& b);
// Standard deviation of unsigned 8-bit samples: near 0 for silence.
double Spread(const std::string& samples);

}  // namespace wave_test

namespace wave_test {

// The chunks of a RIFF WAVE file's bytes, in order, and what follows them.
struct RiffChunk {
  std::string id;
  uint32_t size = 0;
  size_t offset = 0;  // of the chunk's data
};
struct RiffLayout {
  bool valid = false;
  uint32_t riffSize = 0;
  std::vector<RiffChunk> chunks;
  size_t end = 0;  // offset after the last chunk (with its pad byte)
  const RiffChunk* Find(const std::string& id) const;
};
RiffLayout ParseRiff(const std::string& bytes);

}  // namespace wave_test

namespace wave_test {

// A file that takes only its first `limit` bytes, as a full disk does:
// writing past them is refused, rewriting what it holds still works.
class FullFile : public TDSStream {
public:
  FullFile(const std::wstring& name, int32_t limit);
  ~FullFile() override;
  int32_t GetPosition() override;
  int32_t Read(TDSArea area) override;
  int32_t Write(TDSArea area) override;
  bool Seek(TDSSeek seek) override;

private:
  HANDLE file_;
  int32_t limit_;
};

// A recording file read back as mono 11025 Hz PCM of the given sample size;
// empty when it cannot be read.
std::string DecodePcm(const std::wstring& file, uint16_t bits = 8);

}  // namespace wave_test
