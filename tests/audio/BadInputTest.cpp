// Truncated and corrupt RIFF WAVE files, written by hand and by a small
// mutation fuzzer: they open as nothing or read short, never crash, hang or
// read past what they hold.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "AudioTestUtil.h"
#include "audio/UDSACMFormat.h"
#include "audio/UDSMemoryStream.h"
#include "audio/UDSWaveStream.h"
#include "audio/UDSWaveStreamFactory.h"
#include "support/TestSupport.h"

using namespace audio_test;
using testing_support::BuildDir;
using testing_support::ScratchDir;
using testing_support::WriteBytes;

namespace {

struct Outcome {
  bool opened = false;
  int64_t bytes = 0;  // read from the data chunk
};

// Opens `image` as a WAVE file over memory and reads all its samples; with
// `convert`, also through a read chain to PCM.
Outcome Exercise(const std::string& image, bool convert) {
  Outcome out;
  TDSMemoryStream memory(image);
  auto file = TDSMMIOWaveStream::OpenOnStream(memory);
  if (!file) return out;
  out.opened = true;
  const TDSWaveFormat& format = file->GetFormat()->Format;
  EXPECT_TRUE(format.IsComplete());
  EXPECT_LE(format.StorageSize(), format.Capacity());
  char buf[4096];
  for (int32_t n; (n = file->Read(TDSArea(buf, sizeof buf))) > 0;) out.bytes += n;
  EXPECT_LE(out.bytes, static_cast<int64_t>(image.size()));
  file.reset();
  if (convert) {
    memory.Seek(TDSSeek(0, TDSSeek::FromBeginning));
    TDSWaveStreamFactory factory;
    factory.SetFormat(Tag(WAVE_FORMAT_PCM, 0, 0, 16));
    if (auto chain = factory.OpenReadChain(memory)) {
      int64_t total = 0;
      // A decoder expands at most some 4 times, 16 for the widest PCM step.
      for (int32_t n; (n = chain->Read(TDSArea(buf, sizeof buf))) > 0 && total < (64 << 20);) total += n;
      EXPECT_LE(total, 32 * static_cast<int64_t>(image.size()) + 65536);
    }
  }
  return out;
}

std::string Samples8(size_t n) { return Pattern(n, 5); }

std::string ImaImage() {
  TDSWaveFormat pcm = Pcm(1, 16, 11025);
  auto ima = HDSACMFormat::Suggest(pcm, Tag(WAVE_FORMAT_IMA_ADPCM));
  std::string fmt(reinterpret_cast<const char*>(ima->Data()), static_cast<size_t>(ima->StorageSize()));
  return Riff(Chunk("fmt ", fmt) + Chunk("fact", Le32(1010)) + Chunk("data", Pattern(512 * 2 + 100, 3)));
}

std::string MsAdpcmImage() {
  std::ifstream f(std::filesystem::path(testing_support::FixturePath(L"speech11k16ms.wav")), std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str().substr(0, 3000);  // a truncated file of the real kind
}

std::vector<std::string> Seeds() {
  return {
      Riff(Chunk("fmt ", PcmFmt(1, 8, 11025)) + Chunk("data", Samples8(301))),
      Riff(Chunk("LIST", "INFOISFT" + Le32(3) + "ab\0") + Chunk("fmt ", PcmFmt(2, 16, 8000)) +
           Chunk("fact", Le32(10)) + Chunk("data", Samples8(40)) + Chunk("junk", "xyz")),
      ImaImage(),
      MsAdpcmImage(),
  };
}

// The folder of kept regression files, as a Windows path.
std::wstring RegressionDir() {
  std::wstring p = L"Z:" + std::filesystem::path(AUDIO_REGRESSIONS_DIR).wstring();
  for (auto& c : p)
    if (c == L'/') c = L'\\';
  return p;
}

class Mutator {
public:
  explicit Mutator(uint32_t seed) : x_(seed) {}
  uint32_t Next() {
    x_ ^= x_ << 13;
    x_ ^= x_ >> 17;
    x_ ^= x_ << 5;
    return x_;
  }
  uint32_t Below(uint32_t n) { return n ? Next() % n : 0; }

  std::string Mutate(std::string s) {
    int rounds = 1 + static_cast<int>(Below(3));
    for (int r = 0; r < rounds && !s.empty(); ++r) {
      size_t at = Below(static_cast<uint32_t>(s.size()));
      switch (Below(6)) {
        case 0:  // a flipped bit
          s[at] = char(s[at] ^ (1 << Below(8)));
          break;
        case 1: {  // an interesting 32-bit value over a size or a field
          static const uint32_t values[] = {0, 1, 2, 3, 15, 16, 17, 18, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF,
                                            0xFFFFFFF8, 0xFFFFFFFE, 0x10000, 0xFFFF};
          at = (at / 2) * 2;
          std::string v = Le32(values[Below(15)]);
          s.replace(at, std::min<size_t>(4, s.size() - at), v.substr(0, std::min<size_t>(4, s.size() - at)));
          break;
        }
        case 2: {  // an interesting 16-bit value
          static const uint16_t values[] = {0, 1, 0x7FFF, 0x8000, 0xFFFF, 2, 85, 17};
          std::string v = Le16(values[Below(8)]);
          s.replace(at, std::min<size_t>(2, s.size() - at), v.substr(0, std::min<size_t>(2, s.size() - at)));
          break;
        }
        case 3:  // truncated
          s.resize(at);
          break;
        case 4:  // bytes removed
          s.erase(at, 1 + Below(8));
          break;
        default:  // bytes inserted
          s.insert(at, std::string(1 + Below(8), char(Next())));
          break;
      }
    }
    return s;
  }

private:
  uint32_t x_;
};

}  // namespace

TEST(BadInput, HandMadeCorruptFiles) {
  const std::string fmt = Chunk("fmt ", PcmFmt(1, 8, 8000));
  std::string imaFmt = ImaImage().substr(20, 20);  // the 20 bytes of the IMA fmt record
  struct Case {
    const char* what;
    std::string image;
    bool opens;
    int64_t bytes;
  } cases[] = {
      {"empty", "", false, 0},
      {"only the RIFF header", "RIFF" + Le32(4) + "WAVE", false, 0},
      {"data size past the end", Riff(fmt + Chunk("data", 100000, "abcd")), true, 4},
      {"4 GB data size", Riff(fmt + Chunk("data", 0xFFFFFFFF, "abcd")), true, 4},
      // mmio looks for chunks only inside their parent.
      {"4 GB RIFF size", "RIFF" + Le32(0xFFFFFFFF) + "WAVE" + fmt + Chunk("data", "ab"), false, 0},
      {"RIFF size 0 (never completed)", "RIFF" + Le32(0) + "WAVE" + fmt + Chunk("data", "ab"), false, 0},
      {"RIFF size short of the data", "RIFF" + Le32(4 + 26 + 4) + "WAVE" + fmt + Chunk("data", "abcd"), true, 4},
      {"4 GB fmt size", Riff(Chunk("fmt ", 0xFFFFFFFF, PcmFmt(1, 8, 8000)) + Chunk("data", "ab")), false, 0},
      {"fmt of 2 bytes", Riff(Chunk("fmt ", "\1\0") + Chunk("data", "ab")), false, 0},
      {"fmt of 17 bytes, odd", Riff(Chunk("fmt ", PcmFmt(1, 8, 8000).substr(0, 17)) + Chunk("data", "ab")), true, 2},
      {"cbSize larger than the chunk",
       Riff(Chunk("fmt ", imaFmt.substr(0, 16) + Le16(200) + imaFmt.substr(18)) + Chunk("data", "ab")), false, 0},
      {"no channels", Riff(Chunk("fmt ", PcmFmt(0, 8, 8000)) + Chunk("data", "ab")), false, 0},
      {"PCM of 4 bits", Riff(Chunk("fmt ", Le16(1) + Le16(1) + Le32(8000) + Le32(4000) + Le16(1) + Le16(4) + Le16(0)) +
                             Chunk("data", "ab")),
       true, 2},
      {"a chunk size that wraps back", Riff(fmt + Chunk("junk", 0xFFFFFFF8, "") + Chunk("data", "ab")), false, 0},
      {"a chunk size past the end", Riff(fmt + Chunk("junk", 0x7FFFFFF0, "") + Chunk("data", "ab")), false, 0},
      {"odd junk before data", Riff(fmt + Chunk("junk", "abc") + Chunk("data", "xy")), true, 2},
      {"half a chunk header", Riff(fmt + "dat"), false, 0},
  };
  for (const Case& c : cases) {
    Outcome o = Exercise(c.image, true);
    EXPECT_EQ(o.opened, c.opens) << c.what;
    EXPECT_EQ(o.bytes, c.bytes) << c.what;
  }
}

TEST(BadInput, CorruptFilesOnDisk) {
  ScratchDir dir;
  WriteBytes(dir.file(L"t.wav"), Riff(Chunk("fmt ", PcmFmt(1, 8, 8000)) + Chunk("data", 0xFFFFFFF0, "abcdef")));
  auto file = TDSMMIOWaveStream::OpenFile(dir.file(L"t.wav"));
  ASSERT_TRUE(file);
  char buf[100];
  EXPECT_EQ(file->Read(TDSArea(buf, 100)), 6);
  EXPECT_EQ(file->Read(TDSArea(buf, 100)), 0);
  WriteBytes(dir.file(L"u.wav"), Riff(Chunk("fmt ", 0xFFFFFFFF, "") + Chunk("data", "ab")));
  EXPECT_FALSE(TDSMMIOWaveStream::OpenFile(dir.file(L"u.wav")));
}

TEST(BadInput, KeptRegressionFiles) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(RegressionDir()))) {
    std::ifstream f(entry.path(), std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    SCOPED_TRACE(entry.path().filename().string());
    Exercise(s.str(), true);
    ++count;
  }
  EXPECT_GT(count, 0);
}

// Bounded: a few thousand cases from fixed seeds. The case about to run is
// written to <build>\audio-fuzz-case.wav (its number to .txt) first, so that
// a crash leaves it behind to be kept under tests/audio/regressions.
TEST(BadInput, MutationFuzzer) {
  const std::vector<std::string> seeds = Seeds();
  const std::wstring last = BuildDir() + L"\\audio-fuzz-case";
  Mutator mutator(20240611);
  int opened = 0;
  const int kCases = 3000;
  // After a crash, VOCORDER_FUZZ_FROM=<case> runs on from the next case.
  const char* from = std::getenv("VOCORDER_FUZZ_FROM");
  const int first = from ? std::atoi(from) : 0;
  for (int i = 0; i < kCases; ++i) {
    std::string image = mutator.Mutate(seeds[static_cast<size_t>(i) % seeds.size()]);
    if (i < first) continue;
    WriteBytes(last + L".wav", image);
    WriteBytes(last + L".txt", std::to_string(i));
    SCOPED_TRACE("case " + std::to_string(i));
    // Read chains cost tens of milliseconds under Wine (each format suggestion
    // asks every codec): a sample of the cases goes through one.
    opened += Exercise(image, i % 25 == 0).opened;
    if (HasFailure()) return;  // the failing case stays behind
  }
  ::DeleteFileW((last + L".wav").c_str());
  ::DeleteFileW((last + L".txt").c_str());
  if (first == 0) EXPECT_GT(opened, kCases / 10) << "the mutations leave many files readable";
}
