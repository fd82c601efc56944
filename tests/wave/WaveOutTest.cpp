// TWaveOut writing through real write chains into RIFF WAVE files.
#include "WaveTestSupport.h"

#include "audio/UDSMemoryStream.h"
#include "audio/UDSWaveStreamFactory.h"
#include "support/Environments.h"
#include "support/TestSupport.h"
#include "wave/TFWaveO.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>

using namespace wave_test;
using testing_support::FixturePath;
using testing_support::ReadBytes;

namespace {

// The recording window's writer: 11025 Hz, 8 bits, mono.
void Configure(TWaveOut& out, TSaveFormat format) {
  out.SetSamples(TSamples::_11kHz);
  out.SetBits(TBits::_8);
  out.SetStereo(TStereo::disable);
  out.SetSaveFormat(format);
}

// The spoken fixture's samples, 8-bit mono 11025 Hz.
std::string Speech() { return ReadBytes(FixturePath(L"speech11k8.raw")); }

// Writes the samples in 1024-byte buffers, as the recorder hands them on.
void WriteAll(TWaveOut& out, const std::string& samples) {
  for (size_t at = 0; at < samples.size(); at += 1024) {
    uint32_t n = static_cast<uint32_t>(std::min<size_t>(1024, samples.size() - at));
    MMRESULT r;
    // A busy slot table means the worker is behind; wait for it, never drop.
    while ((r = out.Write(samples.data() + at, n)) == 7) ::Sleep(1);
    ASSERT_EQ(r, MMSYSERR_NOERROR) << at;
  }
}

// The file read back as PCM of the recording format.
std::string ReadBackPcm(const std::wstring& file, uint16_t bits = 8) { return DecodePcm(file, bits); }

uint16_t FormatTagOf(const std::string& bytes, const RiffLayout& layout) {
  const RiffChunk* fmt = layout.Find("fmt ");
  if (!fmt) return 0;
  return static_cast<uint16_t>(static_cast<unsigned char>(bytes[fmt->offset]) |
                               (static_cast<unsigned char>(bytes[fmt->offset + 1]) << 8));
}

[[maybe_unused]] testing::Environment* const mp3 =
    testing::AddGlobalTestEnvironment(new testing_support::Mp3EncoderEnvironment);

}  // namespace

TEST(WaveOut, SavesPcmThroughTheWriteChainAndReportsEachBuffer) {
  testing_support::ScratchDir dir;
  const std::wstring file = dir.file(L"pcm.wav");
  TWaveOut out;
  Configure(out, TSaveFormat::PCM);
  std::mutex m;
  std::set<DWORD> threads;
  std::atomic<uint64_t> done{0};
  std::atomic<int> doneCount{0};
  const std::string speech = Speech();
  out.OnDone = [&](void* data, uint32_t size) {
    EXPECT_GE(static_cast<const char*>(data), speech.data());
    EXPECT_LE(static_cast<const char*>(data) + size, speech.data() + speech.size());
    std::lock_guard<std::mutex> lock(m);
    threads.insert(::GetCurrentThreadId());
    done += size;
    ++doneCount;
  };
  EXPECT_EQ(out.Write(speech.data(), 16), 1u) << "not saving yet";
  out.SetSaveToFile(file);
  ASSERT_EQ(out.SaveToFile(), file);
  ASSERT_TRUE(out.IsActive());
  WriteAll(out, speech);
  EXPECT_EQ(out.Close(), MMSYSERR_NOERROR);
  EXPECT_FALSE(out.IsActive());
  EXPECT_TRUE(out.SaveToFile().empty());
  EXPECT_EQ(out.Write(speech.data(), 16), 1u) << "closed";
  ASSERT_TRUE(PumpUntil([&] { return done == speech.size(); }, 5000)) << done;
  EXPECT_EQ(doneCount, static_cast<int>((speech.size() + 1023) / 1024));
  {
    std::lock_guard<std::mutex> lock(m);
    ASSERT_EQ(threads.size(), 1u);
    EXPECT_NE(*threads.begin(), ::GetCurrentThreadId());
  }

  const std::string bytes = ReadBytes(file);
  RiffLayout layout = ParseRiff(bytes);
  ASSERT_TRUE(layout.valid);
  EXPECT_EQ(FormatTagOf(bytes, layout), WAVE_FORMAT_PCM);
  const RiffChunk* data = layout.Find("data");
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->size, speech.size());
  EXPECT_EQ(bytes.substr(data->offset, data->size), speech);
  EXPECT_EQ(layout.riffSize + 8, bytes.size());
}

// The 16-bit fixture's samples.
std::string Speech16() {
  const std::string bytes = ReadBytes(FixturePath(L"speech11k16.wav"));
  RiffLayout layout = ParseRiff(bytes);
  const RiffChunk* data = layout.Find("data");
  return data ? bytes.substr(data->offset, data->size) : std::string();
}

TEST(WaveOut, SavesMp3ThatReadsBackAsTheSpeechAndRefusesAdpcmThatWineCannotEncode) {
  testing_support::ScratchDir dir;
  {
    // Wine's MS ADPCM codec decodes only: no chain, no file.
    TWaveOut out;
    Configure(out, TSaveFormat::ADPCM);
    out.SetBits(TBits::_16);
    out.SetSaveToFile(dir.file(L"adpcm.wav"));
    EXPECT_TRUE(out.SaveToFile().empty());
    EXPECT_FALSE(out.IsActive());
    EXPECT_FALSE(testing_support::FileExists(dir.file(L"adpcm.wav")));
    EXPECT_EQ(out.FileFormat().FormatTag(), WAVE_FORMAT_ADPCM);
    EXPECT_EQ(out.FileFormat().BitsPerSample(), 4);
  }
  for (TSaveFormat format : {TSaveFormat::MP3}) {
    SCOPED_TRACE(static_cast<int>(format));
    // Wine's ADPCM encoder takes 16-bit samples only.
    const bool wide = format == TSaveFormat::ADPCM;
    const std::string speech = wide ? Speech16() : Speech();
    ASSERT_FALSE(speech.empty());
    const std::wstring file = dir.file(format == TSaveFormat::MP3 ? L"speech.mp3" : L"speech.wav");
    TWaveOut out;
    Configure(out, format);
    if (wide) out.SetBits(TBits::_16);
    out.SetSaveToFile(file);
    ASSERT_EQ(out.SaveToFile(), file);
    WriteAll(out, speech);
    // A second name closes the first file before opening the next.
    out.SetSaveToFile(file + L".2");
    EXPECT_EQ(out.SaveToFile(), file + L".2");
    out.SetSaveToFile(L"");
    EXPECT_FALSE(out.IsActive());

    const std::string bytes = ReadBytes(file);
    RiffLayout layout = ParseRiff(bytes);
    ASSERT_TRUE(layout.valid);
    EXPECT_EQ(FormatTagOf(bytes, layout), format == TSaveFormat::MP3 ? WAVE_FORMAT_MPEGLAYER3 : WAVE_FORMAT_ADPCM);
    const RiffChunk* data = layout.Find("data");
    ASSERT_NE(data, nullptr);
    EXPECT_GT(data->size, 1000u);
    if (format == TSaveFormat::MP3) {
      EXPECT_EQ(layout.Find("fact"), nullptr);
      EXPECT_EQ(data->size % 2, 0u);
      EXPECT_EQ(data->offset + data->size, bytes.size()) << "nothing follows the data chunk";
    }
    const std::string back = ReadBackPcm(file);
    // Codecs add delay and pad to whole blocks: the length is close.
    EXPECT_NEAR(static_cast<double>(back.size()), static_cast<double>(speech.size() / (wide ? 2 : 1)), 11025 * 0.3);
    EXPECT_GT(Spread(back), 5.0);
  }
}

TEST(WaveOut, AFileThatCannotBeCreatedLeavesSaveToFileEmpty) {
  testing_support::ScratchDir dir;
  TWaveOut out;
  Configure(out, TSaveFormat::PCM);
  const std::wstring file = dir.file(L"no such folder\\x.wav");
  out.SetSaveToFile(file);
  EXPECT_TRUE(out.SaveToFile().empty());
  EXPECT_FALSE(out.IsActive());
  EXPECT_EQ(out.Write("abc", 3), 1u);
  EXPECT_EQ(out.Close(), MMSYSERR_NOERROR);
}

namespace {

// A target that holds only its first `limit` bytes, as a full disk does:
// writing past them is refused, rewriting what it holds (the sizes in the
// headers) still works.
class FullTarget : public TDSMemoryStream {
public:
  explicit FullTarget(int32_t limit) : limit_(limit) {}
  int32_t Write(TDSArea area) override {
    const int32_t room = limit_ - GetPosition();
    if (room <= 0) return -1;
    if (area.Size > room) area.Size = room;
    return TDSMemoryStream::Write(area);
  }

private:
  int32_t limit_;
};

}  // namespace

TEST(WaveOut, AFullTargetKeepsWhatWasWrittenAsAPlayableRecording) {
  const std::string speech = Speech();
  ASSERT_GT(speech.size(), 20000u);
  TWaveOut out;
  Configure(out, TSaveFormat::MP3);
  TDSWaveFormat source;
  source.SetFormatTag(WAVE_FORMAT_PCM).SetChannels(1).SetSamplesPerSec(11025).SetBitsPerSample(8);
  source.IsComplete();

  constexpr int32_t kLimit = 3000;  // about 1.5 s of 16 kbit/s data
  FullTarget target(kLimit);
  {
    TDSWaveStreamFactory factory;
    factory.Threaded = true;
    factory.SetFormat(out.FileFormat());
    std::unique_ptr<TDSStream> chain = factory.CreateWriteChain(target, source);
    ASSERT_TRUE(chain);
    bool refused = false;
    for (size_t at = 0; at < speech.size() && !refused; at += 1024) {
      TDSArea area(const_cast<char*>(speech.data() + at),
                   static_cast<int32_t>(std::min<size_t>(1024, speech.size() - at)));
      refused = chain->Write(area) != area.Size;
    }
    EXPECT_TRUE(refused) << "the chain took more than the target holds";
    EXPECT_FALSE(chain->Finish()) << "the end of writing reports what was lost";
  }  // the sizes are completed in the space the target has

  const std::string bytes = target.Text();
  ASSERT_LE(bytes.size(), static_cast<size_t>(kLimit));
  RiffLayout layout = ParseRiff(bytes);
  ASSERT_TRUE(layout.valid);
  EXPECT_EQ(FormatTagOf(bytes, layout), WAVE_FORMAT_MPEGLAYER3);
  const RiffChunk* data = layout.Find("data");
  ASSERT_NE(data, nullptr);
  EXPECT_GT(data->size, 1000u);
  EXPECT_LE(data->offset + data->size, bytes.size()) << "the data chunk claims more than was kept";

  testing_support::ScratchDir dir;
  const std::wstring file = dir.file(L"full.mp3");
  testing_support::WriteBytes(file, bytes);
  const std::string back = ReadBackPcm(file);
  EXPECT_GT(back.size(), 11025u) << "less than a second of what was kept decodes";
  EXPECT_GT(Spread(back), 5.0) << "what decodes is not the speech";
}

TEST(WaveOut, WriteAndCloseReportAChainThatRefusedDataAndTheFileKeepsWhatWasWritten) {
  const std::string speech = Speech();
  testing_support::ScratchDir dir;
  const std::wstring file = dir.file(L"full.mp3");
  TWaveOut out;
  Configure(out, TSaveFormat::MP3);
  out.OpenTarget = [](const std::wstring& name) { return std::make_unique<FullFile>(name, 4000); };
  out.SetSaveToFile(file);
  ASSERT_EQ(out.SaveToFile(), file);
  MMRESULT r = MMSYSERR_NOERROR;
  size_t at = 0;
  for (; at < speech.size() && r != TWaveOut::kWriteFailed; at += 1024) {
    while ((r = out.Write(speech.data() + at, 1024)) == 7) ::Sleep(1);
  }
  ASSERT_EQ(r, TWaveOut::kWriteFailed) << "the refusal reached the writer";
  EXPECT_LT(at, speech.size());
  EXPECT_FALSE(out.IsActive());
  EXPECT_EQ(out.Write(speech.data(), 1024), TWaveOut::kWriteFailed) << "and stays until the next file";
  EXPECT_EQ(out.Close(), TWaveOut::kWriteFailed);
  EXPECT_EQ(out.Close(), MMSYSERR_NOERROR) << "reported once";

  const std::string bytes = ReadBytes(file);
  RiffLayout layout = ParseRiff(bytes);
  ASSERT_TRUE(layout.valid);
  const RiffChunk* data = layout.Find("data");
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->offset + data->size, bytes.size()) << "nothing after the data chunk";
  const std::string back = ReadBackPcm(file);
  EXPECT_GT(back.size(), 11025u) << "what was written decodes";
  EXPECT_GT(Spread(back), 5.0);
}

TEST(WaveOut, AWorkerHeldUpByItsEventsNeverCostsSound) {
  const std::string speech = Speech();
  testing_support::ScratchDir dir;
  const std::wstring file = dir.file(L"held.wav");
  TWaveOut out;
  Configure(out, TSaveFormat::PCM);
  win::Handle release(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  std::atomic<int> done{0};
  out.OnDone = [&](void*, uint32_t) {
    ::WaitForSingleObject(release.get(), 10000);
    ++done;
  };
  out.SetSaveToFile(file);
  constexpr int kWrites = 40;  // more than the sixteen slots of a device
  for (int i = 0; i < kWrites; ++i) ASSERT_EQ(out.Write(speech.data() + i * 1024, 1024), MMSYSERR_NOERROR) << i;
  ::SetEvent(release.get());
  EXPECT_EQ(out.Close(), MMSYSERR_NOERROR);
  EXPECT_TRUE(PumpUntil([&] { return done == kWrites; }, 5000)) << done;
  const std::string bytes = ReadBytes(file);
  EXPECT_TRUE(bytes.size() > kWrites * 1024 && bytes.ends_with(speech.substr(0, kWrites * 1024))) << "sound was lost";
}

TEST(WaveOut, AComponentDestroyedByItsOwnEventEndsCleanly) {
  testing_support::ScratchDir dir;
  auto out = std::make_unique<TWaveOut>();
  out->SetSaveToFile(dir.file(L"self.wav"));
  std::atomic<bool> gone{false};
  out->OnDone = [&](void*, uint32_t) { out.reset(), gone = true; };
  ASSERT_EQ(out->Write("abcd", 4), MMSYSERR_NOERROR);
  ASSERT_TRUE(PumpUntil([&] { return gone.load(); }, 5000));
  EXPECT_TRUE(ReadBytes(dir.file(L"self.wav")).ends_with("abcd")) << "the file was not completed";
}

TEST(FlushingFile, ReachesTheDiskAtTheIntervalAndWhenFinished) {
  testing_support::ScratchDir dir;
  const std::wstring name = dir.file(L"every.wav");
  wave::TFlushingFile every(name, 0);
  EXPECT_EQ(every.Write(TDSArea("hello world", 11)), 11);
  ASSERT_TRUE(every.Seek(TDSSeek(0, TDSSeek::FromBeginning)));
  EXPECT_EQ(every.Write(TDSArea("J", 1)), 1);
  ASSERT_TRUE(every.Seek(TDSSeek(-5, TDSSeek::FromEnd)));
  EXPECT_EQ(every.GetPosition(), 6);
  char back[5];
  EXPECT_EQ(every.Read(TDSArea(back, 5)), 5);
  EXPECT_EQ(std::string(back, 5), "world");
  EXPECT_EQ(every.Flushes(), 2) << "each write past the interval flushes";
  EXPECT_TRUE(every.Finish());
  EXPECT_EQ(ReadBytes(name), "Jello world");

  wave::TFlushingFile seldom(dir.file(L"seldom.wav"), 60000);
  for (int i = 0; i < 3; ++i) seldom.Write(TDSArea("abc", 3));
  EXPECT_EQ(seldom.Flushes(), 0);
  EXPECT_TRUE(seldom.Finish());
  EXPECT_EQ(seldom.Flushes(), 1) << "a finished file is on the disk";
}
